// The table of session, power, device, message-box and DPI calls, filled with the real functions.
#include "core/platform_calls.h"

namespace {

// winmm is not one of the libraries Windows always takes from the system folder, so it is
// not imported: a winmm.dll lying beside the exe would be loaded in its place.
HMODULE LoadSystemLibrary(const wchar_t* name)
{
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    // Windows 7 without its loader update refuses the flag: name the file in full.
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenW(name) >= MAX_PATH)
        return nullptr;
    path[length] = L'\\';
    lstrcpyW(path + length + 1, name);
    return LoadLibraryW(path);
}

// The multimedia call, loaded from the system folder on first use; without the library
// the command fails as an unknown device would.
MCIERROR WINAPI SystemMciSendStringA(LPCSTR command, LPSTR result, UINT length, HWND callback)
{
    using MciSendString = MCIERROR(WINAPI*)(LPCSTR, LPSTR, UINT, HWND);
    static MciSendString real = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (HMODULE winmm = LoadSystemLibrary(L"winmm.dll"))
            real = reinterpret_cast<MciSendString>(
                reinterpret_cast<void*>(GetProcAddress(winmm, "mciSendStringA")));
    }
    return real ? real(command, result, length, callback) : MCIERR_CANNOT_LOAD_DRIVER;
}

// The entry point, or null where the module or the name is missing.
template <typename Function>
void LookUp(Function* slot, HMODULE module, const char* name)
{
    *slot = module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace

void RestrictLibrarySearch()
{
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    // Looked up: Windows 7 without its loader update has no such function.
    auto set = reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (set)
        set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

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
    calls.mciSendStringA = SystemMciSendStringA;
    calls.ShellExecuteExA = ::ShellExecuteExA;
    calls.GetProcAddress = ::GetProcAddress;
    calls.FindFirstChangeNotificationW = ::FindFirstChangeNotificationW;
    calls.SHGetFileInfoA = ::SHGetFileInfoA;
    calls.MonitorFromPoint = ::MonitorFromPoint;
    // Not imported: shcore.dll is no library Windows always takes from the system folder
    // (and Windows 7 has none); user32 has the others only from Windows 10 (1607).
    LookUp(&calls.GetDpiForMonitor, LoadSystemLibrary(L"shcore.dll"), "GetDpiForMonitor");
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    LookUp(&calls.GetDpiForWindow, user32, "GetDpiForWindow");
    LookUp(&calls.GetSystemMetricsForDpi, user32, "GetSystemMetricsForDpi");
    LookUp(&calls.AdjustWindowRectExForDpi, user32, "AdjustWindowRectExForDpi");
    LookUp(&calls.SystemParametersInfoForDpi, user32, "SystemParametersInfoForDpi");
    calls.PostMessageW = ::PostMessageW;
    calls.GetDriveTypeW = ::GetDriveTypeW;
    LookUp(&calls.DrawMenuBarTemp, user32, "DrawMenuBarTemp");
    return calls;
}

PlatformCalls g_platform = RealPlatformCalls();
