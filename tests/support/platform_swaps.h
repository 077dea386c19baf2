// Swaps of what the program's code reads from the platform: its imports, the keyboard state,
// the user's registry values and the app theme. Each is put back when its object ends.
#pragma once
#include <windows.h>

#include "core/platform_calls.h"

// Points this program's import of dll!name at replacement, so every call the program's code
// makes through it reaches the replacement; returns what it pointed at (redirect it there
// again to put it back), or null when the program does not import it.
void* RedirectImport(const char* dll, const char* name, void* replacement);

// Holds this one key (0: none) in the thread's keyboard state, as GetKeyState sees it.
void HoldKey(int virtualKey);

// A DWORD value under HKCU while the object lives (-1: no value).
struct UserDwordSetting {
    UserDwordSetting(const wchar_t* key, const wchar_t* name, int value);
    ~UserDwordSetting() { Set(hadValue ? static_cast<int>(saved) : -1); }
    void Set(int value);
    UserDwordSetting(const UserDwordSetting&) = delete;
    UserDwordSetting& operator=(const UserDwordSetting&) = delete;
private:
    const wchar_t* key;
    const wchar_t* name;
    bool hadValue = false;
    DWORD saved = 0;
};

// The user's app theme (0 dark, 1 light, -1 no value: light), with the platform table saying
// Windows 10 22H2, whose menus can be dark (the Wine prefix says Windows 7: always light).
struct AppThemeSetting : UserDwordSetting {
    explicit AppThemeSetting(int light);
    ~AppThemeSetting() { g_platform.GetVersionExA = realVersion; }
private:
    BOOL(WINAPI* realVersion)(LPOSVERSIONINFOA);
};
