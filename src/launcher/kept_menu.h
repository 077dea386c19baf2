// The launcher menu and the desktop list kept between clicks: each built once (the launcher
// at the click or ahead of it, the desktop list at its click), shown again while nothing it
// was built from has changed, and built anew (then kept again) when something has; a
// rebuild takes over every unchanged entry's record. Window thread only.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "launcher/icon_fetch.h"
#include "launcher/launcher_state.h"
#include "launcher/launcher_types.h"
#include "launcher/record_reuse.h"


// The launcher menu for this click, for g_launcher.menuLook as captured for it: the kept
// one while it is still valid, otherwise one built anew (reusing the kept records). *kept
// says whether the menu is kept (the launcher frees it) or the caller's (free it with
// FreeFolderMenu). Null when the build failed; a missing folder has been reported.
HMENU LauncherMenu(LaunchEntry** head, bool* kept);

// The desktop list for this click, kept and checked as the launcher menu is: by the listings
// of both desktop folders (the user's and the public one, either may be missing), a change
// notification on each that exists, the look, and the shell's announcements of changed
// icons, which are all a change to its own desktop items shows by. *kept as for LauncherMenu.
HMENU DesktopMenu(LaunchEntry** head, bool* kept);

// The kept menu (the launcher's or the desktop list's) whose top menu this is, or null.
KeptMenu* KeptMenuOf(HMENU menu);

// Whether the kept launcher menu still shows the items folder as it is, for look (a change
// the watch announced is taken in first).
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

// Makes menu (its entries from head, records from records) keptMenu's, built from the
// look and listing given (the listing is taken over) when the notification had announced
// builtAtChanges changes and the shell iconChanges changed icons: takes over the measures
// of reused records when the look is the kept one's, then frees the old kept menu.
void KeepBuiltMenu(KeptMenu& keptMenu, HMENU menu, LaunchEntry* head, LauncherRecord* records,
                   const MenuLook& look, BYTE* listing, SIZE_T listingSize, LONG builtAtChanges,
                   unsigned iconChanges);

// The build ahead's result (collected on its thread) made the kept launcher menu, as
// KeepBuiltMenu keeps it, and measured for look; false, with nothing taken over, when no popup
// can be made.
bool KeepCollected(LaunchEntry* head, LauncherRecord* records, const MenuLook& look, BYTE* listing,
                   SIZE_T listingSize, LONG builtAtChanges, unsigned iconChanges);

// Whether a rebuild may take over keptMenu's records: it is built, and neither the shell's
// announcements of changed icons (iconChanges now) nor "IconShow" changed since. When it may,
// reuse indexes its records (false when that fails too); otherwise reuse is left empty.
bool MakeKeptRecordReuse(RecordReuse* reuse, const KeptMenu& keptMenu, unsigned iconChanges, UINT iconShow);

// Frees the kept launcher menu and everything it holds; at quit (closeChange) the kept
// desktop list too, with every change notification and the dark menu background.
void FreeKeptMenu(bool closeChange);

// Puts a late icon (icon_fetch.h) into every record waiting for it: those of the kept menus,
// of the menu last built and of also, at any depth of their submenus. The kept launcher's
// pixels take it at once, and an open folder menu is drawn again. Whether any record took it.
bool PutLateIcon(const LateIcon& icon, LauncherRecord* also);

// The shell announced changed icons or associations: the next click of either menu builds
// anew, also when the announcement comes while a menu is being built.
void MarkKeptMenuStale();
