// The folder menu: one owner-drawn item per entry of the items folder or the desktop,
// with the command entries that say what each item opens and the records that say how
// it is drawn.
#pragma once
#include <windows.h>
#include <oleacc.h>
#include <shlobj.h>

#include "settings/settings_file.h"

enum class FolderMode { Desktop = 0, Items = 1 };

// Font, small-icon size, colours and the "IconShow" setting for the owner-drawn launcher
// items, captured once per click: one menu is built, measured and drawn with one look.
struct MenuLook {
    LOGFONTA menuFont;
    int smallIconCx;
    int smallIconCy;
    COLORREF highlight;
    COLORREF highlightText;
    UINT iconShow;
};

constexpr UINT FIRST_LAUNCHER_ID = 2000;

// One per menu item, in menu order; the list's head belongs to the caller.
struct LaunchEntry {
    UINT id;
    LPITEMIDLIST idList;  // absolute; owned by the entry, freed with the shell allocator
    LaunchEntry* next;
};

// A record keeps this many characters of a display name, whatever the code page.
constexpr int kRecordTextChars = 255;

// One per menu item, in menu order. The item's data points at the record: the draw
// handlers and type-ahead find it there, and a screen reader takes an owner-drawn item's
// name from the MSAAMENUINFO its data begins with. The list belongs to whoever holds the
// menu (g_launcher.recordListHead after a build, the kept menu once kept) and is freed with it.
struct LauncherRecord {
    MSAAMENUINFO msaa;  // the signature and the wide name below
    UINT id;
    HICON icon;  // owned by the record; null when icons are off or the shell had none
    // The display name in the system code page, cut at a character boundary; room for
    // kRecordTextChars characters of up to four bytes (UTF-8) and the terminator.
    char text[kRecordTextChars * 4 + 1];
    // The same name as wide text: 255 characters of at most a surrogate pair each.
    wchar_t wideText[kRecordTextChars * 2 + 1];
    LauncherRecord* next;
    UINT itemWidth;   // as measured for the look the record was built for; 0 until then
    UINT itemHeight;
};

// A new popup menu listing the folder, with its entries from *head (which must be null)
// and its records from g_launcher.recordListHead; null on failure, with everything freed
// and *head null again.
// A missing items folder is reported to the user.
// Small icons are fetched when iconShow is non-zero (by default, as the settings say now).
HMENU BuildFolderMenu(LaunchEntry** head, IMalloc* allocator, FolderMode mode,
                      UINT iconShow = ReadIconShow());

// Appends one item per entry of folder to menu, entries and records as BuildFolderMenu
// does, and marks menu as a launcher menu. parentList is the folder's absolute list, or null when folder is the desktop.
// FALSE when the build must fail; what was appended is then left for FreeFolderMenu.
BOOL AppendFolderItems(HMENU menu, IShellFolder* folder, LPCITEMIDLIST parentList,
                       LaunchEntry** head, IMalloc* allocator, UINT iconShow = ReadIconShow());

// Destroys the menu (if any), frees every entry with its list and every record with its
// icon; g_launcher.recordListHead ends null.
void FreeFolderMenu(HMENU menu, LaunchEntry* head, IMalloc* allocator);
void FreeLaunchEntries(LaunchEntry* head, IMalloc* allocator);
void FreeLauncherRecords(LauncherRecord* head);

// Whether the menu's items are launcher records (AppendFolderItems marked it).
bool IsLauncherMenu(HMENU menu);

// The record an owner-drawn launcher item's data points at, or null for an item that is
// none of the launcher's.
LauncherRecord* RecordOfItemData(ULONG_PTR data, UINT id);

// Fills the record's wide name from its text, and the MSAAMENUINFO that points at it.
void SetSpokenName(LauncherRecord* record);

// Appends one owner-drawn item with this command id and item data.
BOOL InsertOwnerDrawItem(HMENU menu, UINT id, const void* data);

// The text of a display name, or null when its form is unknown or its copy fails. A wide
// name is converted into *ownedCopy (free with HeapFree) and given back to the allocator.
const char* StrRetText(STRRET* name, LPCITEMIDLIST child, IMalloc* allocator, char** ownedCopy);
