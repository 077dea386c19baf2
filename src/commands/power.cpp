// Log off and power: every session, power, token and version call goes through g_platform.
#include "commands/power.h"

#include "core/platform_calls.h"
#include "core/texts.h"

static_assert(sizeof(OSVERSIONINFOA) == 148, "the version record is the plain 148-byte form");

namespace {

// The privilege step shared by the four power operations: needed on NT only.
bool PrivilegeRefused(BOOL winNT)
{
    return winNT && EnableShutdownPrivilege() != 0;
}

int ExitWindowsResult(UINT flags)
{
    if (g_platform.ExitWindowsEx(flags, 0))
        return 0;
    return static_cast<int>(GetLastError());
}

}  // namespace

BOOL IsWinNT()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    g_platform.GetVersionExA(&info);
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

int EnableShutdownPrivilege()
{
    HANDLE token = nullptr;
    if (!g_platform.OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return -1;
    TOKEN_PRIVILEGES privileges = {};
    g_platform.LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // AdjustTokenPrivileges succeeds even when it could not enable the privilege; only
    // the last error (ERROR_NOT_ALL_ASSIGNED) tells.
    g_platform.AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    DWORD error = GetLastError();
    g_platform.CloseHandle(token);
    return error != 0 ? 1 : 0;
}

int PowerOffSystem(BOOL force)
{
    BOOL winNT = IsWinNT();
    if (PrivilegeRefused(winNT))
        return -1;
    UINT flags = winNT ? EWX_POWEROFF : EWX_SHUTDOWN;
    return ExitWindowsResult(force ? flags | EWX_FORCE : flags);
}

int RebootSystem(BOOL force)
{
    if (PrivilegeRefused(IsWinNT()))
        return -1;
    return ExitWindowsResult(force ? EWX_REBOOT | EWX_FORCE : EWX_REBOOT);
}

int HibernateSystem()
{
    if (PrivilegeRefused(IsWinNT()))
        return -1;
    return g_platform.SetSystemPowerState(FALSE, FALSE);
}

int StandbySystem()
{
    if (PrivilegeRefused(IsWinNT()))
        return -1;
    return g_platform.SetSystemPowerState(TRUE, FALSE);
}

void LogOffUser(HWND window)
{
    if (!g_platform.ExitWindowsEx(EWX_LOGOFF, 0))
        g_platform.MessageBoxW(window, kTextLogOffRefused, kCaptionError, MB_ICONWARNING);
}
