// What the whole program shares: one instance for the process, zeroed at start. Each
// field lives for the process; the dialogs' handles are cleared when their dialogs end.
// Every room keeps the rest of its state to itself.
#pragma once
#include <windows.h>

struct AppState {
    HMENU mainTrayMenu;   // popup "TASKTRAY" of menu 102, shown on a right click
    HMENU menuResource;   // menu 102 itself, kept for the process's life
    HANDLE instanceMutex; // the single-instance mutex
    bool quitting;        // QuitApp ran: a menu still open frees what is kept, none opens
    bool menuOpen;        // a menu of ours (the main menu or the launcher's) is open or being built
    HWND settingsDialog;  // the open settings dialog, or null
    HWND dropDialog;      // the open drop dialog, or null
};

extern AppState g_app;

// One menu of ours at a time, and none after quit: a second menu could not be tracked while
// one is (the launcher's Down key would move the open menu's highlight instead), and one
// built while the launcher's is open would free what that one is drawing from.
inline bool MayOpenMenu()
{
    return !g_app.menuOpen && !g_app.quitting;
}
