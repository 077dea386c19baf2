// The launcher's shared types: what a folder menu is built from (its entries and records)
// and the look it is measured and drawn with. Includes no launcher unit.
#pragma once
#include <windows.h>
#include <oleacc.h>
#include <shlobj.h>

enum class FolderMode { Desktop = 0, Items = 1 };

// Font, small-icon size, colours and the "IconShow" setting for the owner-drawn launcher
// items, captured once per click: one menu is built, measured and drawn with one look. The
// sizes are those of the DPI of the monitor under the click.
struct MenuLook {
    UINT dpi;
    LOGFONTA menuFont;
    int smallIconCx;
    int smallIconCy;
    int iconList;  // the system image list (SHIL_*) the icons are drawn from (IconListOf)
    // The item's layout at the look's DPI, in pixels (owner_draw.h: at the system DPI).
    int textIndent;
    int iconInset;
    int textTop;
    int itemPadding;
    int arrowCx;      // the room the platform takes for a submenu's arrow
    int separatorCy;  // a dark separator's height
    COLORREF highlight;
    COLORREF highlightText;
    UINT iconShow;
    UINT submenus;  // "Launcher"/"Submenus": folders are built as submenus
    bool dark;  // the app theme is dark (and high contrast off): the dark colours
    // The changes of look the system had announced when it was read: a menu built for an
    // earlier look is built anew even where the figures above agree.
    unsigned lookChanges;
};

constexpr UINT FIRST_LAUNCHER_ID = 2000;

// One per menu item, in the order collected (the shell's; the menu may show the user's,
// menu_order.h); the list's head belongs to the caller.
struct LaunchEntry {
    UINT id;
    LPITEMIDLIST idList;  // absolute; owned by the entry, freed with the task allocator
    LaunchEntry* next;
};

// A record keeps this many characters of a display name, whatever the code page.
constexpr int kRecordTextChars = 255;

struct FolderSubmenu;

// One per menu item, in the order collected, as the entries. The item's data points at the record: the draw
// handlers and type-ahead find it there, and a screen reader takes an owner-drawn item's
// name from the MSAAMENUINFO its data begins with. The list belongs to whoever holds the
// menu (g_launcher.recordListHead after a build, the kept menu once kept) and is freed with
// it. A record and its two names are one heap block, sized to the names (NewLauncherRecord).
struct LauncherRecord {
    MSAAMENUINFO msaa;  // the signature and the wide name below
    UINT id;
    // The entry's small icon in the system image list (SmallIconList), or -1 when icons are
    // off or the shell had none. The list belongs to the system: a record holds no handle.
    int iconIndex;
    // The display name in the system code page, cut at a character boundary to
    // kRecordTextChars characters; and the same name as wide text.
    char* text;
    wchar_t* wideText;
    LauncherRecord* next;
    UINT itemWidth;   // as measured for the look the record was built for; 0 until then
    UINT itemHeight;
    bool iconLate;    // the shell did not answer in time: iconIndex is its generic icon
    UINT64 iconKey;   // once asked: which lookup's late answer it waits for (icon_fetch.h)
    UINT64 listedKey; // the digest of the entry's listing data (record_reuse.h)
    // The kept record a rebuild copied this one from (its measures are taken over when the
    // new build is kept); null otherwise, and once kept.
    const LauncherRecord* reusedFrom;
    FolderSubmenu* submenu;    // a folder item's submenu (submenu.h), freed with the record; else null
    LPITEMIDLIST folderList;   // collected, not yet in a menu: the folder its submenu will list
    // Once in a menu: its entry's list (the entry owns it), which names the file the user's
    // order knows it by; null for "このフォルダを開く".
    LPCITEMIDLIST entryList;
};

// One folder item's submenu. The item's LauncherRecord owns it (its submenu field) and
// frees it with FreeFolderSubmenu; the popup belongs to the menu holding the item and is
// destroyed with that menu (DestroyMenu and DeleteMenu destroy submenus too).
struct FolderSubmenu {
    HMENU popup;
    HMENU root;               // the top launcher menu it hangs under, at whatever depth
    LPITEMIDLIST entryList;   // the folder item's own list: the first item opens it
    LPITEMIDLIST folderList;  // the folder listed: the item's own, or a shortcut's target
    LaunchEntry* head;        // once filled: "open this folder" first, then the folder's entries
    LauncherRecord* records;
    BYTE* listing;            // the folder's listing when filled; null when it couldn't be listed
    SIZE_T listingSize;
    HANDLE change;            // change notification on the folder, or null
    bool filled;
};
