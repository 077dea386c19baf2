// The tray window's procedure: it decodes each message and calls the named handler.
#include "app/tray_window.h"

#include "commands/dispatch.h"
#include "core/live_counts.h"
#include "launcher/launcher.h"
#include "tray/tray_icon.h"

#include <imm.h>

namespace {

// A thread's input method is chosen at its first activation, which under Wine takes several
// milliseconds: without this, the first click on the tray icon pays for it. Asking for the
// window's input context chooses it now, once the icon shows.
void ChooseInputMethod(HWND hwnd)
{
    if (HIMC context = ImmGetContext(hwnd))
        ImmReleaseContext(hwnd, context);
}

// kQueryLiveCount: one of the counts it names, or -1.
LRESULT LiveCount(WPARAM which)
{
    const long counts[] = {g_live.icons, g_live.fonts, g_live.brushes, g_live.idLists,
                           LauncherMenuOpen() ? 1 : 0, g_live.submenus, LauncherBuildPending() ? 1 : 0};
    return which < sizeof(counts) / sizeof(counts[0]) ? counts[which] : -1;
}

// After sleep the shell may have lost the icon. TRUE: the broadcast is granted.
LRESULT OnPowerBroadcast(HWND hwnd, WPARAM event)
{
    if (event == PBT_APMRESUMEAUTOMATIC)
        EnsureTrayIcon(hwnd);
    return TRUE;
}

// The open menus' drawing, filling and keys. True when the message was handled, with its
// result; false when it goes on (to the default procedure as well).
bool OnTrayMenuMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    // While the shell's menu on an entry is shown, its own items are its business.
    if (ForwardToEntryContextMenu(message, wParam, lParam, result))
        return true;
    *result = 0;
    switch (message) {
    case WM_DRAWITEM:
        DrawLauncherItem(hwnd, reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return false;
    case WM_MEASUREITEM:
        MeasureLauncherItem(hwnd, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return false;
    case WM_INITMENUPOPUP:
        OnLauncherMenuPopup(reinterpret_cast<HMENU>(wParam));
        return false;
    case WM_MENUCHAR:
        if (!IsLauncherMenu(reinterpret_cast<HMENU>(lParam)))
            return false;
        *result = OnLauncherMenuChar(hwnd, wParam, lParam);
        return true;
    case kShowEntryContextMenu:
        OnShowEntryContextMenu(hwnd);
        return true;
    case WM_ENTERIDLE:
        OnMenuIdle(hwnd, wParam, lParam);
        return false;
    default:
        return false;
    }
}

}  // namespace

LRESULT OnTrayNotify(HWND window, WPARAM, LPARAM lParam)
{
    TrayAction action = TrayActionFor(lParam);
    OnLauncherTrayAction(window, action);
    if (action == TrayAction::MainMenu)
        ShowMainTrayMenu(window);
    return 0;
}

LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT handled = 0;
    if (OnTrayMenuMessage(hwnd, message, wParam, lParam, &handled))
        return handled;
    switch (message) {
    case WM_CREATE:
        WatchShellIcons(hwnd);
        AddTrayIcon(hwnd);
        ChooseInputMethod(hwnd);
        return 0;
    case WM_NCACTIVATE:
        // Never shown, the window has no frame to draw active or inactive; under Wine the
        // default handling costs every menu's click a few tenths of a millisecond, as each
        // makes this the foreground window.
        return TRUE;
    case WM_DESTROY:
        return QuitApp(hwnd);
    case WM_COMMAND:
        OnCommand(hwnd, wParam, lParam);
        break;
    case WM_HOTKEY:
        return OnLauncherHotKey(hwnd, wParam);
    case kTrayCallbackMessage:
        return OnTrayNotify(hwnd, wParam, lParam);
    case kShellIconsChanged:
        OnLauncherIconsChanged();
        return 0;
    case WM_POWERBROADCAST:
        return OnPowerBroadcast(hwnd, wParam);
    case WM_DISPLAYCHANGE:
    case WM_DPICHANGED:
        EnsureTrayIcon(hwnd);
        break;
    case WM_SETTINGCHANGE:
        OnLauncherSettingChanged(static_cast<UINT>(wParam), reinterpret_cast<const wchar_t*>(lParam));
        break;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        OnLauncherLookChanged();
        break;
    case kLauncherBuilt:
        return OnLauncherBuiltMessage(hwnd, lParam);
    case kLauncherIconCame:
        OnLauncherIconCame(lParam);
        return 0;
    case kQueryLiveCount:
        return LiveCount(wParam);
    default:
        // Explorer restarted: its new taskbar knows no icons, so add ours again.
        if (message == g_tray.taskbarCreatedMessage && message != 0)
            return OnTaskbarCreated(hwnd);
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND CreateTrayWindow(HINSTANCE instance)
{
    g_tray.taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = TrayWndProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClassName;
    if (!RegisterClassW(&windowClass))
        return nullptr;
    return CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                           nullptr, instance, nullptr);
}

bool TrayLoopStep(HWND window, DWORD maxWaitMs, int* exitCode)
{
    HANDLE handles[2];
    DWORD count = 0;
    HANDLE watch = LauncherWatchHandle();
    if (watch)
        handles[count++] = watch;
    HANDLE thread = LauncherBuildThreadHandle();
    if (thread)
        handles[count++] = thread;
    DWORD wait = maxWaitMs < LauncherQuietWait() ? maxWaitMs : LauncherQuietWait();
    wait = wait < LauncherHeldClickWait() ? wait : LauncherHeldClickWait();
    DWORD woken = MsgWaitForMultipleObjectsEx(count, handles, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_TIMEOUT && LauncherHeldClickWait() == 0) {
        OnLauncherHeldClickDue(window);
    } else if (woken == WAIT_TIMEOUT && LauncherQuietWait() == 0) {
        OnLauncherQuiet(window);
    } else if (thread && woken == WAIT_OBJECT_0 + count - 1) {
        OnLauncherBuildThreadEnded(window);
    } else if (watch && (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED)) {
        // A failed wait drops the watch, so the next wait is on messages alone.
        OnLauncherWatchSignalled();
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            *exitCode = static_cast<int>(msg.wParam);
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}
