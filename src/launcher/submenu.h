// Folders as submenus of the launcher menus: a folder item's empty popup (folder_menu.h)
// filled when it is about to open, and kept while its folder is unchanged. Window thread only.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "launcher/launcher.h"
#include "launcher/launcher_types.h"

// Fills the submenu the first time, and at every later opening compares its folder's
// listing (and change notification) with the one it was filled from: unchanged, it is
// kept; changed, it alone is built anew. Ids follow every id its top menu shows.
void FillFolderSubmenu(FolderSubmenu* submenu);

// Closes the change notification of every submenu of these records, at any depth, as the
// menu holding them closes.
void CloseSubmenuWatches(const LauncherRecord* records);

// The list of the entry with this id in a filled submenu of menu, at any depth; null when
// none has it.
LPCITEMIDLIST SubmenuEntryList(HMENU menu, UINT id);

// The list of the entry with this id among menu's own entries (head) or in its submenus.
LPCITEMIDLIST EntryListOfId(HMENU menu, LaunchEntry* head, UINT id);
