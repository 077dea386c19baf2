// Under Wine a key typed on the real keyboard goes to the thread of the X window that has
// the X input focus. In a Wine desktop window that is the desktop's own window, of the
// desktop's process, as long as no window of ours holds the focus: the tray window is
// never shown (so never focused in X), and a menu's window does not take the focus when it
// opens. The keys then end at the desktop, not at the menu, although the tray window is the
// foreground window (hotkeys, which the server delivers by registration, still arrive).
// Focusing the open menu's window moves the X focus to it, and the keys come to this
// thread, where the menu's loop reads them. Windows hands the keys to the foreground
// thread's menu loop by itself, so there nothing is done.
//
// Wine asks X for the focus with the time of the last message this thread took from its
// queue. A click on the tray icon gives the desktop's taskbar the X focus, and the last
// message taken here may be older than that click (the shell's notification of it does not
// renew the time): X ignores a request older than its last change of focus, and after the
// first click on the tray no menu of ours got the keys again. A message posted and taken
// just before the request makes its time the present.
#include "launcher/menu_focus.h"

namespace {

// -1 until asked. A plain variable, not a guarded local static: the guard would bring the
// C++ runtime's exception machinery into the exe and double its size.
int g_onWine = -1;

bool RunsOnWine()
{
    if (g_onWine < 0) {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        g_onWine = ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }
    return g_onWine != 0;
}

}  // namespace

void OnMenuIdle(HWND owner, WPARAM wParam, LPARAM lParam)
{
    auto menuWindow = reinterpret_cast<HWND>(lParam);
    if (wParam != MSGF_MENU || !menuWindow || !RunsOnWine() || GetFocus() == menuWindow ||
        GetWindowThreadProcessId(menuWindow, nullptr) != GetCurrentThreadId())
        return;
    // Only this message is taken (a filter of 0 to 0 would take any, a key among them).
    MSG now;
    if (PostMessageW(owner, kRenewMessageTime, 0, 0))
        PeekMessageW(&now, owner, kRenewMessageTime, kRenewMessageTime, PM_REMOVE);
    SetFocus(menuWindow);
}
