// The table of session, power, device and message-box calls, filled with the real functions.
#include "app/platform_calls.h"

PlatformCalls RealPlatformCalls()
{
    PlatformCalls calls;
    calls.MessageBoxW = ::MessageBoxW;
    calls.ExitWindowsEx = ::ExitWindowsEx;
    calls.SetSystemPowerState = ::SetSystemPowerState;
    calls.OpenProcessToken = ::OpenProcessToken;
    calls.LookupPrivilegeValueA = ::LookupPrivilegeValueA;
    calls.AdjustTokenPrivileges = ::AdjustTokenPrivileges;
    calls.CloseHandle = ::CloseHandle;
    calls.GetVersionExA = ::GetVersionExA;
    calls.mciSendStringA = ::mciSendStringA;
    return calls;
}

PlatformCalls g_platform = RealPlatformCalls();
