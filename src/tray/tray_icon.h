// The tray icon and orderly exit: what the tray window and the quit command share.
// The tray room owns the icon handle and the shell registration below; both live until
// QuitApp (the icon for the process's life, replaced when the taskbar wants another size).
#pragma once
#include <windows.h>

constexpr UINT kTrayIconId = 1;
constexpr UINT kTrayCallbackMessage = WM_USER;

// The shell announced changed icons or file associations (SHCNE_UPDATEIMAGE,
// SHCNE_ASSOCCHANGED): the kept launcher menu is built anew at the next click, as
// Explorer redraws its own icons.
constexpr UINT kShellIconsChanged = WM_APP + 2;

struct TrayState {
    HICON icon;                   // reused when the icon is added again at the same size
    int iconSize;                 // its width and height in pixels
    ULONG shellNotify;            // the registration for changed shell icons, or 0
    UINT taskbarCreatedMessage;   // "TaskbarCreated": Explorer restarted, add the icon again
};

extern TrayState g_tray;

// Asks the shell to tell hwnd of changed icons and associations with kShellIconsChanged,
// in place of any earlier registration.
void WatchShellIcons(HWND hwnd);

// Puts the icon with its tip into the notification area. Returns 0.
LRESULT AddTrayIcon(HWND hwnd);

// After sleep, a display change or a change of DPI: the icon is modified where the shell
// still has it and added again where it has not, at the size the taskbar now wants.
// Returns 0.
LRESULT EnsureTrayIcon(HWND hwnd);

// "TaskbarCreated": a new shell knows neither the icon nor the registration for its
// announcements; both are made again. Returns 0.
LRESULT OnTaskbarCreated(HWND hwnd);

// The main tray menu at the cursor (a right click), unless a menu of ours is open or quit came.
void ShowMainTrayMenu(HWND window);

// Removes the icon and the hotkey, releases and closes the mutex and posts the quit
// message. Returns 0.
LRESULT QuitApp(HWND hwnd);
