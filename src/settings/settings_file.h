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

// GetPrivateProfileIntA on the settings file; the default when its path can't be built.
UINT ReadSetting(const char* section, const char* key, INT defaultValue);

// WritePrivateProfileStringA on the settings file; FALSE when its path can't be built.
BOOL WriteSetting(const char* section, const char* key, const char* value);

// "DeskTopShow"/"Key", default 0: which mouse action lists the desktop.
UINT ReadDesktopKey();

// "Icon"/"IconShow", default 1: folder-menu items show their small icons.
UINT ReadIconShow();
