// The hidden tray window: its class and its message routing to every room.
#pragma once
#include <windows.h>

// A Unicode window: a character typed in its menus reaches it whole (see type_ahead.cpp).
constexpr wchar_t kWindowClassName[] = L"Morvek";
constexpr char kMutexName[] = "ZUNOMORVEKXX";

// A private query: wParam 0-3 asks how many icons, fonts, brushes and item-ID lists the
// launcher holds right now (a soak test reads them from outside after many menus; between
// clicks they are what the kept launcher menu holds); wParam 4 whether a folder menu is
// open (1) or not (0); wParam 5 how many folder submenus it holds; wParam 6 whether the
// launcher is being built ahead or waits to be (1) or not (0), so a benchmark can tell when
// Morvek is idle.
constexpr UINT kQueryLiveCount = WM_APP + 1;

// The tray callback: lParam carries the mouse message, wParam the icon id: the main menu
// (tray), or the launcher or the desktop list. Returns 0.
LRESULT OnTrayNotify(HWND window, WPARAM wParam, LPARAM lParam);

LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the window class and creates the hidden tray window (which adds the icon).
// Returns null when either step fails. The launcher's hotkey is registered after it.
HWND CreateTrayWindow(HINSTANCE instance);

// One turn of the message loop: waits (at most maxWaitMs) for a message, a change the watch
// on items announces, the end of the launcher's build thread, the end of the quiet time
// after changes (then the launcher is built ahead) or of a held click's wait, and dispatches
// what came. No timer runs while nothing changes. False at WM_QUIT,
// with its exit code.
bool TrayLoopStep(HWND window, DWORD maxWaitMs, int* exitCode);
