// The tray icon: adding it (at start and when Explorer restarts), the shell's announcements
// of changed icons, the main menu, and orderly exit, which the quit command reaches from the
// main menu and which frees what the launcher keeps through one launcher call.
#include "tray/tray_icon.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include "core/app_state.h"
#include "core/dpi.h"
#include "core/live_counts.h"
#include "core/texts.h"
#include "launcher/launcher.h"
#include "resources/resource.h"
#include "settings/hotkey.h"

#if !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the tray record is the 88-byte first form");
#endif

TrayState g_tray;

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

// The size the taskbar draws the icon at: the small icon's at the DPI of the taskbar's
// monitor (the primary one when there is no taskbar).
int TrayIconSize()
{
    POINT at = {0, 0};
    RECT bar;
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (taskbar && GetWindowRect(taskbar, &bar))
        at = {bar.left + (bar.right - bar.left) / 2, bar.top + (bar.bottom - bar.top) / 2};
    return SystemMetricForDpi(SM_CXSMICON, DpiAtPoint(at));
}

// The record with the icon, its tip and the callback message. The icon is loaded again
// when the size the taskbar wants has changed (a change of scale, another taskbar).
NOTIFYICONDATAA FullTrayRecord(HWND hwnd)
{
    int size = TrayIconSize();
    if (!g_tray.icon || size != g_tray.iconSize) {
        auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd, GWLP_HINSTANCE));
        auto icon = static_cast<HICON>(
            LoadImageA(instance, MAKEINTRESOURCEA(IDI_MORVEK), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        if (icon) {
            ++g_live.icons;
            if (g_tray.icon) {
                DestroyIcon(g_tray.icon);
                --g_live.icons;
            }
            g_tray.icon = icon;
            g_tray.iconSize = size;
        }
    }
    NOTIFYICONDATAA record = TrayRecord(hwnd);
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = kTrayCallbackMessage;
    record.hIcon = g_tray.icon;
    static_assert(sizeof(kTrayTip) <= sizeof(record.szTip), "the tip fits the first form");
    lstrcpynA(record.szTip, kTrayTip, sizeof(record.szTip));
    return record;
}

}  // namespace

LRESULT AddTrayIcon(HWND hwnd)
{
    // A late "TaskbarCreated" (or a resume), while a box or menu of the quitting program
    // unwinds, must not leave an icon behind.
    if (g_app.quitting)
        return 0;
    NOTIFYICONDATAA record = FullTrayRecord(hwnd);
    Shell_NotifyIconA(NIM_ADD, &record);
    return 0;
}

LRESULT EnsureTrayIcon(HWND hwnd)
{
    // Modifying fails for an icon the shell no longer has; only then is it added, so the
    // shell never holds two.
    if (g_app.quitting)
        return 0;
    NOTIFYICONDATAA record = FullTrayRecord(hwnd);
    if (!Shell_NotifyIconA(NIM_MODIFY, &record))
        Shell_NotifyIconA(NIM_ADD, &record);
    return 0;
}

LRESULT OnTaskbarCreated(HWND hwnd)
{
    // The registration for announcements lived in the shell that ended: made anew.
    if (g_app.quitting)
        return 0;
    WatchShellIcons(hwnd);
    return AddTrayIcon(hwnd);
}

void WatchShellIcons(HWND hwnd)
{
    if (g_tray.shellNotify) {
        SHChangeNotifyDeregister(g_tray.shellNotify);
        g_tray.shellNotify = 0;
    }
    LPITEMIDLIST desktop = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop) != S_OK)
        return;
    SHChangeNotifyEntry entry = {desktop, TRUE};
    g_tray.shellNotify = SHChangeNotifyRegister(hwnd, SHCNRF_ShellLevel, SHCNE_ASSOCCHANGED | SHCNE_UPDATEIMAGE,
                                                kShellIconsChanged, 1, &entry);
    CoTaskMemFree(desktop);
}

void ShowMainTrayMenu(HWND window)
{
    if (!MayOpenMenu())
        return;
    g_app.menuOpen = true;
    POINT point = {};
    GetCursorPos(&point);
    SetForegroundWindow(window);
    MenuFocusScope focus(window);
    TrackPopupMenu(g_app.mainTrayMenu, TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0,
                   window, nullptr);
    g_app.menuOpen = false;
}

LRESULT QuitApp(HWND hwnd)
{
    NOTIFYICONDATAA record = TrayRecord(hwnd);
    Shell_NotifyIconA(NIM_DELETE, &record);
    UnregisterLauncherHotKey(hwnd);
    if (g_tray.shellNotify) {
        SHChangeNotifyDeregister(g_tray.shellNotify);
        g_tray.shellNotify = 0;
    }
    g_app.quitting = true;
    FreeLauncherAtQuit();
    // The quit command and a later WM_DESTROY may both come here; close the mutex once.
    if (g_app.instanceMutex) {
        ReleaseMutex(g_app.instanceMutex);
        CloseHandle(g_app.instanceMutex);
        g_app.instanceMutex = nullptr;
    }
    PostQuitMessage(0);
    return 0;
}
