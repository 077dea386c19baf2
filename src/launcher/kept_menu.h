// The launcher menu kept between clicks: built once, shown again while nothing it was
// built from has changed, and built anew (then kept again) when something has.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "launcher/folder_menu.h"

// What the kept launcher menu was built from, and the menu itself. The launcher owns it
// (g_launcher.keptMenu) until a changed folder replaces it or quit frees it.
struct KeptMenu {
    HMENU menu;               // null while nothing is kept
    LaunchEntry* head;
    LauncherRecord* records;  // its items' records, found from each item's data
    MenuLook look;            // the look and "IconShow" it was built and measured with
    BYTE* listing;            // the items folder's listing when it was built
    SIZE_T listingSize;
    HANDLE change;            // change notification on the exe's folder and below, or null
    unsigned iconChanges;     // g_launcher.iconChanges when its build began
};

// The launcher menu for this click, for g_launcher.menuLook as captured for it: the kept
// one while it is still valid, otherwise one built anew. *kept says whether the menu is
// kept (the launcher frees it) or the caller's (free it with FreeFolderMenu). Null when the
// build failed; a missing folder has been reported.
HMENU LauncherMenu(LaunchEntry** head, IMalloc* allocator, bool* kept);

// Frees the kept menu and everything it holds; the change notification too when asked
// (at quit).
void FreeKeptMenu(IMalloc* allocator, bool closeChange);

// At quit: frees the kept menu and its change notification now, or, while a folder menu
// is open, when it closes.
void FreeKeptMenuAtQuit();

// The shell announced changed icons or associations: the next click builds anew, also when
// the announcement comes while a menu is being built.
void MarkKeptMenuStale();
