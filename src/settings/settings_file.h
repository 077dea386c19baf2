// The settings file "setting1.ini" beside the executable: sections, keys and the two
// readers several parts share. Read at the moment a value is needed, never cached.
#pragma once
#include <windows.h>

constexpr char kSectionMyComputer[] = "MyComputer";
constexpr char kKeyFolderView[] = "FolderView";
constexpr char kSectionIcon[] = "Icon";
constexpr char kKeyIconShow[] = "IconShow";
constexpr char kSectionExit[] = "Exit";
constexpr char kSectionExitRead[] = "EXIT";  // the quit command's spelling; sections ignore case
constexpr char kKeyMessage[] = "Message";
constexpr char kSectionDesktop[] = "DeskTopShow";
constexpr char kKeyDesktopKey[] = "Key";
constexpr char kSectionHotKey[] = "HotKey";
constexpr char kKeyLauncher[] = "Launcher";
constexpr char kSectionLauncher[] = "Launcher";
constexpr char kKeySubmenus[] = "Submenus";

// GetPrivateProfileIntA on the settings file; the default when its path can't be built.
UINT ReadSetting(const char* section, const char* key, INT defaultValue);

// GetPrivateProfileStringA on the settings file, default ""; the length copied. The buffer
// is left empty when the path can't be built.
DWORD ReadSettingText(const char* section, const char* key, char* buffer, DWORD size);

// WritePrivateProfileStringA on the settings file; FALSE when its path can't be built.
BOOL WriteSetting(const char* section, const char* key, const char* value);

// "DeskTopShow"/"Key", default 0: which mouse action lists the desktop.
UINT ReadDesktopKey();

// "Icon"/"IconShow", default 1: folder-menu items show their small icons.
UINT ReadIconShow();

// "Launcher"/"Submenus": 1 when the value is exactly 1 (folders open as submenus), else 0.
UINT ReadSubmenus();
