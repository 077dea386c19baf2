// The launcher menu kept between clicks: built once (at the click, or ahead of it), shown
// again while nothing it was built from has changed, and built anew (then kept again) when
// something has; a rebuild takes over every unchanged entry's record.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "launcher/folder_menu.h"

// What the kept launcher menu was built from, and the menu itself. The launcher owns it
// (g_launcher.keptMenu) until a changed folder replaces it or quit frees it; a build ahead
// reads its records while it runs, so it is never freed then.
struct KeptMenu {
    HMENU menu;               // null while nothing is kept
    LaunchEntry* head;
    LauncherRecord* records;  // its items' records, found from each item's data
    MenuLook look;            // the look and "IconShow" it was built and measured with
    BYTE* listing;            // the items folder's listing when it was built
    SIZE_T listingSize;
    HANDLE change;            // change notification on items and below, or null: nothing is kept
    LONG changesSeen;         // changes it announced, or failures of it, since start
    LONG builtAtChanges;      // changesSeen when the kept menu's listing was taken
    unsigned iconChanges;     // g_launcher.iconChanges when its build began
    UINT nextId;              // the next id for its submenus' items; 0 until one is filled
};

// The launcher menu for this click, for g_launcher.menuLook as captured for it: the kept
// one while it is still valid, otherwise one built anew (reusing the kept records). *kept
// says whether the menu is kept (the launcher frees it) or the caller's (free it with
// FreeFolderMenu). Null when the build failed; a missing folder has been reported.
HMENU LauncherMenu(LaunchEntry** head, IMalloc* allocator, bool* kept);

// Whether the kept menu still shows the items folder as it is, for look (a change the
// watch announced is taken in first).
bool KeptMenuValid(const MenuLook& look);

// Makes the change notification on items if there is none; false when it can't be made.
bool WatchItemsFolder();

// True when the notification announced a change (or a wait on it failed) since it was last
// asked; it is armed again (or dropped, when that fails).
bool ItemsChangeSeen();

// Closes the notification and makes it anew, as every build starts: a handle held on items
// keeps a deleted items from going away, and a new folder of that name is the one to watch.
// False when it can't be made.
bool RenewItemsWatch();

// The items folder's listing (names, sizes, times, attributes; "." included, ".." left
// out) on the process heap, or null when it can't be listed. Safe on any thread.
BYTE* ListItemsFolder(SIZE_T* size);

// Makes menu (its entries from head, records from records) the kept one, built from the
// look and listing given (the listing is taken over) when the notification had announced
// builtAtChanges changes and the shell iconChanges changed icons: takes over the measures
// of reused records when the look is the kept one's, then frees the old kept menu.
void KeepBuiltMenu(HMENU menu, LaunchEntry* head, LauncherRecord* records, const MenuLook& look,
                   BYTE* listing, SIZE_T listingSize, LONG builtAtChanges, unsigned iconChanges,
                   IMalloc* allocator);

// Frees the kept menu and everything it holds; the change notification and the dark
// menu background too when asked (at quit).
void FreeKeptMenu(IMalloc* allocator, bool closeChange);

// At quit: frees the kept menu and its change notification now, or, while a folder menu
// is open, when it closes.
void FreeKeptMenuAtQuit();

// The shell announced changed icons or associations: the next click builds anew, also when
// the announcement comes while a menu is being built.
void MarkKeptMenuStale();

// A folder's listing as the kept menu compares it (names, sizes, times, attributes, "."
// kept and ".." dropped), for a pattern such as "C:\\folder\\*"; null when it can't be
// listed. Free it with HeapFree.
BYTE* ListFolder(const wchar_t* pattern, SIZE_T* size);

// A change notification on the folder (and below when subtree is TRUE) for what a listing
// shows, or null. Close it with FindCloseChangeNotification.
HANDLE WatchFolder(const wchar_t* folder, BOOL subtree);

// True when a change was announced since the notification was last armed; arms it again.
bool ChangeSeen(HANDLE change);
