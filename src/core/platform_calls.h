// The calls that end the session, power the machine down, move hardware or wait for a
// person, and the launcher's watch on items and icon lookup (which a network share may
// refuse, or stall).
// The program fills the table with the real functions; tests swap in recorders.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>

struct PlatformCalls {
    int(WINAPI* MessageBoxW)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
    BOOL(WINAPI* ExitWindowsEx)(UINT flags, DWORD reason);
    BOOL(WINAPI* SetSystemPowerState)(BOOL suspend, BOOL force);
    BOOL(WINAPI* OpenProcessToken)(HANDLE process, DWORD access, PHANDLE token);
    BOOL(WINAPI* LookupPrivilegeValueA)(LPCSTR system, LPCSTR name, PLUID luid);
    BOOL(WINAPI* AdjustTokenPrivileges)(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES state,
                                        DWORD length, PTOKEN_PRIVILEGES previous, PDWORD returned);
    BOOL(WINAPI* CloseHandle)(HANDLE handle);
    BOOL(WINAPI* GetVersionExA)(LPOSVERSIONINFOA info);
    MCIERROR(WINAPI* mciSendStringA)(LPCSTR command, LPSTR result, UINT length, HWND callback);
    // Opening an entry may wait for a person: with "runas", the elevation prompt.
    BOOL(WINAPI* ShellExecuteExA)(SHELLEXECUTEINFOA* info);
    // Entry points that exist only on some systems (by ordinal, unnamed) are looked up here.
    FARPROC(WINAPI* GetProcAddress)(HMODULE module, LPCSTR name);
    // The launcher's watch on items, which a network share may refuse.
    HANDLE(WINAPI* FindFirstChangeNotificationW)(LPCWSTR path, BOOL subtree, DWORD filter);
    // Called from the launcher's build thread as well as the window's.
    DWORD_PTR(WINAPI* SHGetFileInfoA)(LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT size, UINT flags);
    // Whether a drive is one mapped to a share, which the launcher never lists (any thread).
    UINT(WINAPI* GetDriveTypeW)(LPCWSTR root);
};

extern PlatformCalls g_platform;

// The real functions, as the program starts with them.
PlatformCalls RealPlatformCalls();

// Makes every later library load search the system folder only, where the platform can.
void RestrictLibrarySearch();
