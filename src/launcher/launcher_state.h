// The launcher room's own state, one instance for the process, zeroed at start. The
// launcher owns all of it: a build's records until its caller keeps or frees them, the
// kept menu until it is built anew or freed at quit, the look for the click being answered.
#pragma once
#include "launcher/kept_menu.h"

struct LauncherState {
    LauncherRecord* recordListHead;  // the records of the menu last built, until kept or freed
    MenuLook menuLook;               // captured at each click; kept menus compare theirs with it
    KeptMenu keptMenu;               // the launcher menu kept between clicks
    KeptMenu keptDesktop;            // the desktop list kept between clicks
    bool folderMenuOpen;             // a folder menu is being built or tracked
    UINT nextId;                     // the next id for submenus of the menu last built; 0 until one is filled
    unsigned launcherBuilds;         // launcher menus built (at a click or ahead of it) since start
    unsigned desktopBuilds;          // desktop lists built since start
    unsigned iconChanges;            // the shell's announcements of changed icons so far
};

extern LauncherState g_launcher;
