// Folders as submenus of the launcher menus: a folder item carries an empty popup, filled
// when it is about to open and kept while its folder is unchanged.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "launcher/launcher_types.h"

// The folder an entry lists as a submenu, as an absolute list the caller owns: a copy of
// the entry's list for a file-system folder (not a file the shell browses as one, such
// as a zip file), the target of a shortcut to such a folder; null for any other entry.
LPITEMIDLIST SubmenuFolderOf(IShellFolder* folder, LPCITEMIDLIST child, LPCITEMIDLIST list,
                             IMalloc* allocator);

// Appends the owner-drawn item for record with an empty submenu that will list folderList
// (taken over, freed on failure); entryList is the item's own list. An item that can't get
// its submenu is appended as a plain one.
BOOL InsertFolderItem(HMENU menu, UINT id, LauncherRecord* record, LPCITEMIDLIST entryList,
                      LPITEMIDLIST folderList, IMalloc* allocator);

// The submenu whose popup this is, or null for any other menu.
FolderSubmenu* FolderSubmenuOf(HMENU menu);
bool IsFolderSubmenu(HMENU menu);

// WM_INITMENUPOPUP: a folder's submenu about to open is filled, or checked and kept.
void OnLauncherMenuPopup(HMENU popup);

// Fills the submenu the first time, and at every later opening compares its folder's
// listing (and change notification) with the one it was filled from: unchanged, it is
// kept; changed, it alone is built anew. Ids follow every id its top menu shows.
void FillFolderSubmenu(FolderSubmenu* submenu);

// The list of the entry with this id in a filled submenu of menu, at any depth; null when
// none has it.
LPCITEMIDLIST SubmenuEntryList(HMENU menu, UINT id);

// The list of the entry with this id among menu's own entries (head) or in its submenus.
LPCITEMIDLIST EntryListOfId(HMENU menu, LaunchEntry* head, UINT id);

// Frees the submenu's entries and records (their submenus with them), its lists, listing
// and notification, and the submenu itself; not its popup. Null is allowed.
void FreeFolderSubmenu(FolderSubmenu* submenu);
