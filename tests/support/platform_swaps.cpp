// Swaps of what the program's code reads from the platform.
#include "platform_swaps.h"

#include <gtest/gtest.h>

#include <cstring>

// See "Import Address Table" in the PE format.
void* RedirectImport(const char* dll, const char* name, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; module->Name; ++module) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + module->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<char*>(byName->Name), name) != 0)
                continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &protection);
            void* previous = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), protection, &protection);
            return previous;
        }
    }
    return nullptr;
}

void HoldKey(int virtualKey)
{
    BYTE keys[256] = {};
    if (virtualKey)
        keys[virtualKey] = 0x80;
    SetKeyboardState(keys);
}

UserDwordSetting::UserDwordSetting(const wchar_t* key, const wchar_t* name, int value) : key(key), name(name)
{
    DWORD size = sizeof(saved);
    hadValue = RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &saved, &size) == ERROR_SUCCESS;
    Set(value);
}

void UserDwordSetting::Set(int value)
{
    DWORD data = static_cast<DWORD>(value);
    if (value < 0)
        RegDeleteKeyValueW(HKEY_CURRENT_USER, key, name);
    else  // the key made when missing
        EXPECT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_DWORD, &data, sizeof(data)));
}

namespace {
BOOL WINAPI Windows10Version(LPOSVERSIONINFOA info)
{
    info->dwMajorVersion = 10;
    info->dwMinorVersion = 0;
    info->dwBuildNumber = 19045;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    return TRUE;
}
}  // namespace

AppThemeSetting::AppThemeSetting(int light)
    : UserDwordSetting(L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", L"AppsUseLightTheme",
                       light),
      realVersion(g_platform.GetVersionExA)
{
    g_platform.GetVersionExA = Windows10Version;
}
