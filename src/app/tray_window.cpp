// The tray window's procedure: it decodes each message and calls the named handler.
#include "app/tray_window.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include "core/app_state.h"
#include "core/live_counts.h"
#include "core/texts.h"
#include "commands/dispatch.h"
#include "launcher/kept_menu.h"
#include "launcher/owner_draw.h"
#include "launcher/tray_click.h"
#include "launcher/type_ahead.h"
#include "resources/resource.h"
#include "settings/hotkey.h"

#if !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the tray record is the 88-byte first form");
#endif

namespace {

// The first form of the tray record, without an interface version, so the callback
// carries the mouse message itself in lParam.
NOTIFYICONDATAA TrayRecord(HWND hwnd)
{
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = hwnd;
    record.uID = kTrayIconId;
    return record;
}

}  // namespace

LRESULT AddTrayIcon(HWND hwnd)
{
    if (!g_app.trayIcon) {
        auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd, GWLP_HINSTANCE));
        g_app.trayIcon = static_cast<HICON>(
            LoadImageA(instance, MAKEINTRESOURCEA(IDI_MORVEK), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    }
    NOTIFYICONDATAA record = TrayRecord(hwnd);
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = kTrayCallbackMessage;
    record.hIcon = g_app.trayIcon;
    static_assert(sizeof(kTrayTip) <= sizeof(record.szTip), "the tip fits the first form");
    lstrcpynA(record.szTip, kTrayTip, sizeof(record.szTip));
    Shell_NotifyIconA(NIM_ADD, &record);
    return 0;
}

void WatchShellIcons(HWND hwnd)
{
    LPITEMIDLIST desktop = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop) != S_OK)
        return;
    SHChangeNotifyEntry entry = {desktop, TRUE};
    g_app.shellNotify = SHChangeNotifyRegister(hwnd, SHCNRF_ShellLevel, SHCNE_ASSOCCHANGED | SHCNE_UPDATEIMAGE,
                                               kShellIconsChanged, 1, &entry);
    CoTaskMemFree(desktop);
}

LRESULT QuitApp(HWND hwnd)
{
    NOTIFYICONDATAA record = TrayRecord(hwnd);
    Shell_NotifyIconA(NIM_DELETE, &record);
    UnregisterLauncherHotKey(hwnd);
    if (g_app.shellNotify) {
        SHChangeNotifyDeregister(g_app.shellNotify);
        g_app.shellNotify = 0;
    }
    // The kept launcher menu goes now, or when the menu still open on it closes.
    g_app.quitting = true;
    IMalloc* allocator = nullptr;
    if (!g_app.folderMenuOpen && SHGetMalloc(&allocator) == S_OK) {
        FreeKeptMenu(allocator, true);
        allocator->Release();
    }
    // The quit command and a later WM_DESTROY may both come here; close the mutex once.
    if (g_app.instanceMutex) {
        ReleaseMutex(g_app.instanceMutex);
        CloseHandle(g_app.instanceMutex);
        g_app.instanceMutex = nullptr;
    }
    PostQuitMessage(0);
    return 0;
}

LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        WatchShellIcons(hwnd);
        return AddTrayIcon(hwnd);
    case WM_DESTROY:
        return QuitApp(hwnd);
    case WM_DRAWITEM:
        DrawLauncherItem(hwnd, reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        break;
    case WM_MEASUREITEM:
        MeasureLauncherItem(hwnd, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        break;
    case WM_COMMAND:
        OnCommand(hwnd, wParam, lParam);
        break;
    case WM_MENUCHAR:
        if (IsLauncherMenu(reinterpret_cast<HMENU>(lParam)))
            return OnLauncherMenuChar(hwnd, wParam, lParam);
        break;
    case WM_HOTKEY:
        return OnLauncherHotKey(hwnd, wParam);
    case kTrayCallbackMessage:
        return OnTrayNotify(hwnd, wParam, lParam);
    case kShellIconsChanged:
        MarkKeptMenuStale();
        return 0;
    case kQueryLiveCount: {
        const long counts[] = {g_live.icons, g_live.fonts, g_live.brushes, g_live.idLists,
                               g_app.folderMenuOpen ? 1 : 0};
        return wParam < sizeof(counts) / sizeof(counts[0]) ? counts[wParam] : -1;
    }
    default:
        // Explorer restarted: its new taskbar knows no icons, so add ours again.
        if (message == g_app.taskbarCreatedMessage && message != 0)
            return AddTrayIcon(hwnd);
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND CreateTrayWindow(HINSTANCE instance)
{
    g_app.taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = TrayWndProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClassName;
    if (!RegisterClassW(&windowClass))
        return nullptr;
    return CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                           nullptr, instance, nullptr);
}
