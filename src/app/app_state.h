// The program-wide state: one instance for the whole process, zeroed at start.
#pragma once
#include <windows.h>

struct LauncherRecord;

// Font, small-icon size and colours for the owner-drawn launcher items,
// captured before each folder menu is shown.
struct MenuLook {
    LOGFONTA menuFont;
    int smallIconCx;
    int smallIconCy;
    COLORREF highlight;
    COLORREF highlightText;
};

struct AppState {
    HMENU mainTrayMenu;              // popup "TASKTRAY" of menu 102, shown on a right click
    HMENU menuResource;              // menu 102 itself, kept for the process's life
    HANDLE instanceMutex;            // the single-instance mutex
    LauncherRecord* recordListHead;  // records of the folder menu being shown; null between menus
    MenuLook menuLook;
    UINT taskbarCreatedMessage;      // "TaskbarCreated": Explorer restarted, add the icon again
    HICON trayIcon;                  // loaded once, reused when the icon is added again
    bool folderMenuOpen;             // a folder menu is being tracked
    HWND settingsDialog;             // the open settings dialog, or null
    HWND dropDialog;                 // the open drop dialog, or null
};

extern AppState g_app;
