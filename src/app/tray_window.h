// The hidden tray window: its class, its message routing, the tray icon and orderly exit.
#pragma once
#include <windows.h>

// A Unicode window: a character typed in its menus reaches it whole (see type_ahead.cpp).
constexpr wchar_t kWindowClassName[] = L"Morvek";
constexpr char kMutexName[] = "ZUNOMORVEKXX";
constexpr UINT kTrayIconId = 1;
constexpr UINT kTrayCallbackMessage = WM_USER;

// A private query: wParam 0-3 asks how many icons, fonts, brushes and item-ID lists the
// launcher holds right now (a soak test reads them from outside after many menus; between
// clicks they are what the kept launcher menu holds); wParam 4 whether a folder menu is
// open (1) or not (0).
constexpr UINT kQueryLiveCount = WM_APP + 1;

// The shell announced changed icons or file associations (SHCNE_UPDATEIMAGE,
// SHCNE_ASSOCCHANGED): the kept launcher menu is built anew at the next click, as
// Explorer redraws its own icons.
constexpr UINT kShellIconsChanged = WM_APP + 2;

// Asks the shell to tell hwnd of changed icons and associations with kShellIconsChanged.
void WatchShellIcons(HWND hwnd);

LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Puts the icon with its tip into the notification area. Returns 0.
LRESULT AddTrayIcon(HWND hwnd);

// Removes the icon and the hotkey, releases and closes the mutex and posts the quit
// message. Returns 0.
LRESULT QuitApp(HWND hwnd);

// Registers the window class and creates the hidden tray window (which adds the icon).
// Returns null when either step fails. The launcher's hotkey is registered after it.
HWND CreateTrayWindow(HINSTANCE instance);
