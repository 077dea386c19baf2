// The folder menus' one build: a folder's collected entries and records made a menu level
// (the launcher, the desktop list or one folder's submenu), one owner-drawn item per entry, a
// folder's with an empty submenu. Window thread only; the menu's owner frees what it holds.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "launcher/folder_collect.h"
#include "launcher/launcher.h"
#include "launcher/launcher_records.h"
#include "launcher/launcher_types.h"

// Appends one owner-drawn item per record (with its entry, in the same order) to menu, or to
// a new popup when menu is null, a folder's as an empty submenu, and marks the menu a
// launcher menu. The menu, or null when no popup could be made.
HMENU FolderMenuLevel(HMENU menu, LauncherRecord* records, const LaunchEntry* entries);

// The launcher or the desktop list built for look: the folder collected (an entry that reuse
// finds keeps its kept record's name and icon), with its entries from *head (which must be
// null) and its records appended to g_launcher.recordListHead; null on failure, with what
// was collected freed and *head null. A missing items folder is reported to the user.
HMENU BuildFolderMenu(LaunchEntry** head, FolderMode mode, const MenuLook& look,
                      const RecordReuse* reuse = nullptr);

// Appends one item per entry of folder to menu, as a folder's submenu is filled, for the look
// captured for the click (g_launcher.menuLook). parentList is the folder's absolute list, or
// null when folder is the desktop. FALSE when the build must fail; what was appended is then
// left for FreeFolderMenu. Ids start at firstId; records go to *records, or to
// g_launcher.recordListHead when it is null.
BOOL AppendFolderItems(HMENU menu, IShellFolder* folder, LPCITEMIDLIST parentList, LaunchEntry** head,
                       UINT firstId = FIRST_LAUNCHER_ID, LauncherRecord** records = nullptr);

// Destroys the menu (if any), frees every entry with its list and every record with its
// icon; g_launcher.recordListHead ends null.
void FreeFolderMenu(HMENU menu, LaunchEntry* head);

// The record an owner-drawn launcher item's data points at, or null for an item that is
// none of the launcher's.
LauncherRecord* RecordOfItemData(ULONG_PTR data, UINT id);

// Appends one owner-drawn item with this command id and item data.
BOOL InsertOwnerDrawItem(HMENU menu, UINT id, const void* data);

// Appends the owner-drawn item for record with an empty submenu that will list folderList
// (taken over, freed on failure); entryList is the item's own list. An item that can't get
// its submenu is appended as a plain one. The record owns the submenu (FreeFolderSubmenu);
// the popup belongs to the menu holding the item and is destroyed with it.
BOOL InsertFolderItem(HMENU menu, UINT id, LauncherRecord* record, LPCITEMIDLIST entryList,
                      LPITEMIDLIST folderList);

// The desktop list's top menu (which keeps the shell's order), not the launcher's.
bool IsDesktopList(HMENU menu);

// The submenu whose popup this is, or null for any other menu.
FolderSubmenu* FolderSubmenuOf(HMENU menu);
bool IsFolderSubmenu(HMENU menu);
