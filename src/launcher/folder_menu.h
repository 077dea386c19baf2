// The folder menu: one owner-drawn item per entry of the items folder or the desktop,
// with the command entries that say what each item opens and the records that say how
// it is drawn.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <commoncontrols.h>
#include <oleacc.h>
#include <shlobj.h>

#include "launcher/launcher_types.h"
#include "settings/settings_file.h"

// A new zero-filled record with this id and name (cut as above) and no icon, in one block
// from the process heap; null when out of memory. Freed by FreeLauncherRecords. A wide
// name, when given, is shown and spoken as it stands instead of the name converted.
LauncherRecord* NewLauncherRecord(UINT id, const char* text, const wchar_t* wide = nullptr);

// The system's small-icon image list that records' iconIndex values index, or null when the
// shell gives none. Taken once, on the window's thread, and held for the process's life:
// one reference to the system's list, however many entries there are.
IImageList* SmallIconList();

// The index of the entry's small icon in the system image list, or -1; asks the shell once
// (through g_platform, so tests can count and stall it). Safe on any thread.
int FetchSmallIconIndex(LPCITEMIDLIST list);

// Finds a kept build's record by its entry's listing data: a rebuild takes its name and icon
// from it instead of asking the shell again. Defined in record_reuse.h; null for none.
struct RecordReuse;

// A new popup menu listing the folder, with its entries from *head (which must be null)
// and its records from g_launcher.recordListHead; null on failure, with everything freed
// and *head null.
// A missing items folder is reported to the user.
// Small icons are fetched when iconShow is non-zero (by default, as the settings say now).
HMENU BuildFolderMenu(LaunchEntry** head, IMalloc* allocator, FolderMode mode,
                      UINT iconShow = ReadIconShow());

// Appends one item per entry of folder to menu, entries and records as BuildFolderMenu
// does, and marks menu as a launcher menu. parentList is the folder's absolute list, or null when folder is the desktop.
// FALSE when the build must fail; what was appended is then left for FreeFolderMenu.
// Ids start at firstId; records go to *records, or to g_launcher.recordListHead when it
// is null. When the look captured for the click says so, folders become empty submenus
// (submenu.h fills them when they open).
BOOL AppendFolderItems(HMENU menu, IShellFolder* folder, LPCITEMIDLIST parentList,
                       LaunchEntry** head, IMalloc* allocator, UINT iconShow = ReadIconShow(),
                       UINT firstId = FIRST_LAUNCHER_ID, LauncherRecord** records = nullptr);

// The shell's half of BuildFolderMenu, with no menu and no message: lists the folder into
// *head and *records as CollectFolderItems does. Safe on the launcher's build thread.
// An icon the shell does not give within kIconWaitMs (icon_fetch.h) is shown generic.
enum class CollectResult { Done, NoFolder, Failed };
CollectResult CollectFolder(FolderMode mode, LaunchEntry** head, LauncherRecord** records,
                            IMalloc* allocator, UINT iconShow, const RecordReuse* reuse, UINT submenus);

// The shell's half of AppendFolderItems, with no menu: appends the folder's entries to
// *head and their records to *records, numbered from firstId. An entry that reuse finds
// keeps its kept record's name and icon without asking the shell. With submenus, a folder
// entry's record holds the folder its submenu will list. Touches nothing shared but the
// shell and g_platform: the launcher's build thread runs it. FALSE when the build must
// fail; what was collected is then the caller's to free.
BOOL CollectFolderItems(IShellFolder* folder, LPCITEMIDLIST parentList, LaunchEntry** head,
                        LauncherRecord** records, IMalloc* allocator, UINT iconShow,
                        const RecordReuse* reuse, UINT firstId = FIRST_LAUNCHER_ID, UINT submenus = 0);

// Appends one owner-drawn item per record from record on (with its entry from entry on, in
// the same order) to menu, a folder's as an empty submenu, and marks it a launcher menu.
void InsertLauncherItems(HMENU menu, LauncherRecord* record, const LaunchEntry* entry, IMalloc* allocator);

// Destroys the menu (if any), frees every entry with its list and every record with its
// icon; g_launcher.recordListHead ends null.
void FreeFolderMenu(HMENU menu, LaunchEntry* head, IMalloc* allocator);
void FreeLaunchEntries(LaunchEntry* head, IMalloc* allocator);
void FreeLauncherRecords(LauncherRecord* head);

// Whether the menu's items are launcher records (AppendFolderItems marked it, or it is a
// folder's submenu).
bool IsLauncherMenu(HMENU menu);

// The record an owner-drawn launcher item's data points at, or null for an item that is
// none of the launcher's.
LauncherRecord* RecordOfItemData(ULONG_PTR data, UINT id);

// Appends one owner-drawn item with this command id and item data.
BOOL InsertOwnerDrawItem(HMENU menu, UINT id, const void* data);

// The text of a display name, or null when its form is unknown or its copy fails. A wide
// name is converted into *ownedCopy (free with HeapFree) and given back to the allocator.
const char* StrRetText(STRRET* name, LPCITEMIDLIST child, IMalloc* allocator, char** ownedCopy);
