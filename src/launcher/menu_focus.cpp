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
//
// A focused menu window is also the active one, and closed as such, Wine would hand the
// activation to the desktop's own window; the desktop's process answers that by taking the X
// focus for its window, and on a busy machine, or after Escape and the hotkey at once, its
// answer comes after the next menu of ours has opened, with the keys typed into it going to
// the desktop. So a closing menu window first gives the activation back to its owner. Should
// the foreground still reach the desktop, Wine ends the open menu although the user did
// nothing: while a menu is tracked, such an end (no input since the menu opened, and not
// asked for by Morvek) is refused once and the focus taken back.
//
// X may still ignore a request without Wine knowing (one stamped before X's last change of
// focus, and Wine stamps from its own clock): the menu then holds the focus in Wine, never in
// X, and no typed key reaches it. So until the first key reaches the menu's loop its window
// is given the focus again a few times a second, each time with a later stamp.
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

struct MenuFocus {
    HWND owner;
    HWND lastFocused;  // the menu window OnMenuIdle gave the focus to last
    DWORD openedAt;    // GetTickCount() as the menu's tracking began
    bool ending;       // Morvek itself ends the menu
    bool refused;      // one end has been refused
    bool keySeen;      // a key typed since the menu window was first focused came to the loop
    int depth;         // scopes open (the shell's menu on an entry opens one inside)
    HHOOK hook;
    HHOOK closeHook;
    UINT_PTR retry;    // the timer that gives the focus again
};
MenuFocus g_focus;

void FocusMenuWindow(HWND owner, HWND menuWindow)
{
    // Only this message is taken (a filter of 0 to 0 would take any, a key among them).
    MSG now;
    if (PostMessageW(owner, kRenewMessageTime, 0, 0))
        PeekMessageW(&now, owner, kRenewMessageTime, kRenewMessageTime, PM_REMOVE);
    // The focus may have reached the menu window already (the menu's own activation, or
    // messages the peek above took) with an older time, which the X server refuses when
    // another client took the X focus since (a real click on the taskbar): Wine then holds
    // the menu as focused and a second SetFocus asks X nothing. It is given again, with
    // the renewed time.
    if (GetFocus() == menuWindow)
        SetFocus(nullptr);
    SetFocus(menuWindow);
    g_focus.lastFocused = menuWindow;
    // Taking a message clears the queue's news of any posted since the menu's loop last
    // looked, and the loop, idle now, waits only for news: a key that came meanwhile would
    // wait in the queue until the next message. One posted behind it wakes the loop.
    if (PeekMessageW(&now, nullptr, 0, 0, PM_NOREMOVE))
        PostMessageW(owner, WM_NULL, 0, 0);
}

bool InputSince(DWORD tick)
{
    LASTINPUTINFO input = {sizeof(input), 0};
    return !GetLastInputInfo(&input) || static_cast<LONG>(input.dwTime - tick) >= 0;
}

LRESULT CALLBACK StaleEndFilter(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    // A Down posted for the hotkey is taken before the menu window is first focused.
    if (code == MSGF_MENU && g_focus.lastFocused && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN))
        g_focus.keySeen = true;
    if (code == MSGF_MENU && msg->message == WM_CANCELMODE && !g_focus.ending && !g_focus.refused &&
        GetWindowThreadProcessId(GetForegroundWindow(), nullptr) != GetCurrentThreadId() &&
        !InputSince(g_focus.openedAt)) {
        g_focus.refused = true;
        SetForegroundWindow(g_focus.owner);
        FocusMenuWindow(g_focus.owner, IsWindowVisible(g_focus.lastFocused) ? g_focus.lastFocused : msg->hwnd);
        // Taking the foreground back may queue another end of the menu, for the focus that
        // went away again; none asked for by anyone (Morvek's own end is marked first).
        MSG stale;
        while (!g_focus.ending && PeekMessageW(&stale, nullptr, WM_CANCELMODE, WM_CANCELMODE, PM_REMOVE)) {
        }
        return TRUE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Just before an active window of ours goes while a menu is tracked (a menu window given the
// focus), the activation goes back to the owner, the foreground window before the menu.
LRESULT CALLBACK MenuCloseFilter(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_DESTROYWND && reinterpret_cast<HWND>(wParam) == GetActiveWindow() &&
        reinterpret_cast<HWND>(wParam) != g_focus.owner)
        SetActiveWindow(g_focus.owner);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Run by the menu's loop: the focused menu window is given the focus again until a key came.
void CALLBACK RetryFocus(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_focus.keySeen) {
        KillTimer(nullptr, g_focus.retry);
        g_focus.retry = 0;
    } else if (g_focus.lastFocused && GetFocus() == g_focus.lastFocused) {
        FocusMenuWindow(g_focus.owner, g_focus.lastFocused);
    }
}

}  // namespace

MenuFocusScope::MenuFocusScope(HWND owner)
{
    if (!RunsOnWine() || g_focus.depth++ > 0)
        return;
    g_focus = {owner, nullptr, GetTickCount(), false, false, false, 1, nullptr, nullptr, 0};
    g_focus.hook = SetWindowsHookExW(WH_MSGFILTER, StaleEndFilter, nullptr, GetCurrentThreadId());
    g_focus.closeHook = SetWindowsHookExW(WH_CBT, MenuCloseFilter, nullptr, GetCurrentThreadId());
    g_focus.retry = SetTimer(nullptr, 0, kFocusRetryMs, RetryFocus);
}

MenuFocusScope::~MenuFocusScope()
{
    if (!RunsOnWine() || --g_focus.depth > 0)
        return;
    if (g_focus.hook)
        UnhookWindowsHookEx(g_focus.hook);
    if (g_focus.closeHook)
        UnhookWindowsHookEx(g_focus.closeHook);
    if (g_focus.retry)
        KillTimer(nullptr, g_focus.retry);
    g_focus = {};
}

void EndOurMenu()
{
    g_focus.ending = true;
    EndMenu();
}

void OnMenuIdle(HWND owner, WPARAM wParam, LPARAM lParam)
{
    auto menuWindow = reinterpret_cast<HWND>(lParam);
    if (wParam != MSGF_MENU || !menuWindow || !RunsOnWine() ||
        GetWindowThreadProcessId(menuWindow, nullptr) != GetCurrentThreadId())
        return;
    // Focused already (by its own activation, say), it is given the focus again by the timer.
    if (GetFocus() == menuWindow)
        g_focus.lastFocused = menuWindow;
    else
        FocusMenuWindow(owner, menuWindow);
}
