// The calls that end the session, power the machine down, move hardware or wait for a
// person, the launcher's watch on items, icon lookup (which a network share may
// refuse, or stall) and the build's post (which a full queue refuses), the per-monitor
// DPI calls (which older systems lack) and the menu bar drawn into a DC (which no header
// declares).
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
    // The monitor under a point: one under Wine, so tests swap in a second.
    HMONITOR(WINAPI* MonitorFromPoint)(POINT point, DWORD flags);
    // Per-monitor DPI: GetDpiForMonitor (shcore.dll) from Windows 8.1, the others from
    // Windows 10 (1607). Looked up at run time; null where the system lacks them.
    HRESULT(WINAPI* GetDpiForMonitor)(HMONITOR monitor, int type, UINT* dpiX, UINT* dpiY);
    UINT(WINAPI* GetDpiForWindow)(HWND window);
    int(WINAPI* GetSystemMetricsForDpi)(int index, UINT dpi);
    BOOL(WINAPI* AdjustWindowRectExForDpi)(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi);
    // Wide only: with SPI_GETNONCLIENTMETRICS it fills a NONCLIENTMETRICSW.
    BOOL(WINAPI* SystemParametersInfoForDpi)(UINT action, UINT param, void* data, UINT winIni, UINT dpi);
    // The launcher's build thread hands its result over by a post, which a full queue refuses.
    BOOL(WINAPI* PostMessageW)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Whether a drive is one mapped to a share, which the launcher never lists (any thread).
    UINT(WINAPI* GetDriveTypeW)(LPCWSTR root);
    // A window's menu bar drawn into any DC: exported by user32 since Windows 2000, declared
    // in no header the program is built with. Null where it is missing.
    DWORD(WINAPI* DrawMenuBarTemp)(HWND window, HDC dc, RECT* rect, HMENU menu, HFONT font);
};

extern PlatformCalls g_platform;

// The real functions, as the program starts with them.
PlatformCalls RealPlatformCalls();

// Makes every later library load search the system folder only, where the platform can.
void RestrictLibrarySearch();
