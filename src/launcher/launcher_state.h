// The launcher room's own state, the window thread's alone: one instance for the process,
// zeroed at start. The launcher owns all of it: a build's records until its caller keeps or
// frees them, the kept menu until it is built anew or freed at quit, the look for the click.
#pragma once
#include <windows.h>

#include "launcher/launcher_types.h"
#include "launcher/order_file.h"

// What a kept menu was built from, and the menu itself: the launcher's (g_launcher.keptMenu)
// or the desktop list's (g_launcher.keptDesktop). The launcher owns both until a changed
// folder replaces one or quit frees them; a build ahead reads the launcher's records while it
// runs, so that one is never freed then.
struct KeptMenu {
    HMENU menu;               // null while nothing is kept
    LaunchEntry* head;
    LauncherRecord* records;  // its items' records, found from each item's data
    MenuLook look;            // the look and "IconShow" it was built and measured with
    BYTE* listing;            // the items folder's (both desktop folders') listing when it was built
    SIZE_T listingSize;
    // Change notification on items itself (the desktop list: on the user's desktop), or
    // null; without any, nothing is kept.
    HANDLE change;
    HANDLE publicChange;      // the desktop list's on the public desktop, or null
    LONG changesSeen;         // changes it announced, or failures of it, since start
    LONG builtAtChanges;      // changesSeen when the kept menu's listing was taken
    unsigned iconChanges;     // g_launcher.iconChanges when its build began
    UINT nextId;              // the next id for its submenus' items; 0 until one is filled
};


struct LauncherState {
    LauncherRecord* recordListHead;  // the records of the menu last built, until kept or freed
    MenuLook menuLook;               // captured at each click; kept menus compare theirs with it
    UINT clickDpi;                   // the DPI of the monitor under the last click; 0 before it
    KeptMenu keptMenu;               // the launcher menu kept between clicks
    KeptMenu keptDesktop;            // the desktop list kept between clicks
    bool folderMenuOpen;             // a folder menu is being built or tracked
    UINT nextId;                     // the next id for submenus of the menu last built; 0 until one is filled
    unsigned launcherBuilds;         // launcher menus built (at a click or ahead of it) since start
    unsigned desktopBuilds;          // desktop lists built since start
    unsigned iconChanges;            // the shell's announcements of changed icons so far
    unsigned lookChanges;            // the system's announcements of a changed look so far
    OrderStore order;                // the user's order of the launcher's entries (menu_order.h)
    bool platformMenusTried;         // the platform's menu code was set up ahead of a click, or could not be
};

extern LauncherState g_launcher;
