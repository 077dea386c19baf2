// Reading and writing the settings file beside the executable.
#include "settings/settings_file.h"

#include "settings/exe_paths.h"

UINT ReadSetting(const char* section, const char* key, INT defaultValue)
{
    char path[kPathBytes];
    // Without a full path the profile functions would look in the Windows directory.
    if (!MakeExePath(path, kSettingsFileName))
        return static_cast<UINT>(defaultValue);
    return GetPrivateProfileIntA(section, key, defaultValue, path);
}

DWORD ReadSettingText(const char* section, const char* key, char* buffer, DWORD size)
{
    char path[kPathBytes];
    if (!MakeExePath(path, kSettingsFileName)) {
        buffer[0] = '\0';
        return 0;
    }
    return GetPrivateProfileStringA(section, key, "", buffer, size, path);
}

BOOL WriteSetting(const char* section, const char* key, const char* value)
{
    char path[kPathBytes];
    if (!MakeExePath(path, kSettingsFileName))
        return FALSE;
    return WritePrivateProfileStringA(section, key, value, path);
}

UINT ReadDesktopKey()
{
    return ReadSetting(kSectionDesktop, kKeyDesktopKey, 0);
}

UINT ReadIconShow()
{
    return ReadSetting(kSectionIcon, kKeyIconShow, 1);
}

UINT ReadSubmenus()
{
    // Read as text: "1x" or "1.5" would read as 1 through GetPrivateProfileInt, and only a
    // plain 1 turns submenus on.
    char value[8];
    ReadSettingText(kSectionLauncher, kKeySubmenus, value, sizeof(value));
    return lstrcmpA(value, "1") == 0 ? 1 : 0;
}
