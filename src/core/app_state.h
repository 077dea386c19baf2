// The program-wide state: one instance for the whole process, zeroed at start.
#pragma once
#include <windows.h>

#include "launcher/kept_menu.h"

struct AppState {
    HMENU mainTrayMenu;              // popup "TASKTRAY" of menu 102, shown on a right click
    HMENU menuResource;              // menu 102 itself, kept for the process's life
    HANDLE instanceMutex;            // the single-instance mutex
    LauncherRecord* recordListHead;  // records of the folder menu being shown; null between menus
    LauncherRecord** recordIndex;    // the same records by id - 2000 while the menu is shown
    UINT recordCount;
    MenuLook menuLook;
    KeptMenu keptMenu;               // the launcher menu kept between clicks
    bool quitting;                   // QuitApp ran: a menu still open frees what is kept
    ULONG shellNotify;               // the registration for changed shell icons, or 0
    UINT taskbarCreatedMessage;      // "TaskbarCreated": Explorer restarted, add the icon again
    HICON trayIcon;                  // loaded once, reused when the icon is added again
    bool folderMenuOpen;             // a folder menu is being tracked
    HWND settingsDialog;             // the open settings dialog, or null
    HWND dropDialog;                 // the open drop dialog, or null
};

extern AppState g_app;
