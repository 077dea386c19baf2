// The launcher menu and the desktop list kept between clicks, and what makes them valid; on
// the window thread. Each click decides, cheaply and exactly, whether the kept menu still
// shows the items folder as it is: the folder's listing (names, sizes,
// times, attributes, and the folder's own entry, so a deleted and recreated folder shows) is
// compared with the one it was built from, a change notification on items (not below it:
// each submenu checks its own folder as it opens, so a log written in a subfolder rebuilds
// nothing; nor on the exe's folder, where a log or the settings file may be written at any
// time) catches a rewrite the listing cannot tell apart (same size, same time stamp), and the
// look it was listed with must match, as of the last change of look the system announced; a
// menu opening on a monitor of another DPI is measured again for it, not listed again.
// Without a working notification nothing is kept. A rebuild asks the shell only about
// entries whose listing data changed (record_reuse.h). The desktop list is kept by the same
// rules over both desktop folders, each with its path and its own
// notification, so that one that appears, goes or moves shows too; the shell's own desktop
// items change only as its announcements of changed icons say.
#include "launcher/kept_menu.h"

#include <cstddef>
#include <cstring>

#include "launcher/folder_listing.h"
#include "launcher/folder_menu.h"
#include "launcher/icon_pixels.h"
#include "launcher/launcher_state.h"
#include "launcher/menu_order.h"
#include "launcher/menu_theme.h"
#include "launcher/owner_draw.h"
#include "launcher/record_reuse.h"

namespace {

// A kept menu's watches: on items or the user's desktop, then on the public desktop (the
// order of kDesktopFolders).
constexpr size_t kWatches = kDesktopFolderCount;
HANDLE* Watch(KeptMenu& keptMenu, size_t which)
{
    return which == 0 ? &keptMenu.change : &keptMenu.publicChange;
}

BYTE* ListDesktopFolders(KeptMenu& keptMenu, SIZE_T* size)
{
    const HANDLE watches[kWatches] = {keptMenu.change, keptMenu.publicChange};
    return ::ListDesktopFolders(watches, size);
}

void CloseWatches(KeptMenu& keptMenu)
{
    for (size_t which = 0; which < kWatches; ++which)
        CloseWatch(Watch(keptMenu, which));
}

// A new watch on each desktop folder that exists; below it too when folders cascade.
void RenewDesktopWatches(KeptMenu& keptMenu, BOOL subtree)
{
    CloseWatches(keptMenu);
    for (size_t which = 0; which < kWatches; ++which) {
        wchar_t path[MAX_PATH];
        *Watch(keptMenu, which) = DesktopFolderPath(which, path) ? WatchFolder(path, subtree) : nullptr;
    }
}

// True when a watch of the kept menu announced a change (or a wait on it failed) since it
// was last asked; each is armed again (or dropped, when that fails).
bool KeptChangeSeen(KeptMenu& keptMenu)
{
    bool seen = false;
    for (size_t which = 0; which < kWatches; ++which)
        seen = ChangeSeen(Watch(keptMenu, which)) || seen;
    if (seen)
        ++keptMenu.changesSeen;
    return seen;
}

// The look a menu was listed with holds for this one: the same settings, no change of look
// announced since (a new menu font is announced), and at one DPI the same font and icon size.
// At another DPI those differ by the DPI alone, and the menu is measured again, not listed.
bool SameListingLook(const MenuLook& a, const MenuLook& b)
{
    bool sameSizes = a.dpi != b.dpi || (memcmp(&a.menuFont, &b.menuFont, sizeof(a.menuFont)) == 0 &&
                                        a.smallIconCx == b.smallIconCx && a.smallIconCy == b.smallIconCy);
    return sameSizes && a.iconShow == b.iconShow && a.submenus == b.submenus && a.lookChanges == b.lookChanges;
}

// Records measured for one look keep their measures for the other.
bool SameMeasuresLook(const MenuLook& a, const MenuLook& b)
{
    return SameListingLook(a, b) && a.dpi == b.dpi && memcmp(&a.menuFont, &b.menuFont, sizeof(a.menuFont)) == 0 &&
           a.smallIconCx == b.smallIconCx && a.smallIconCy == b.smallIconCy;
}

bool ValidWith(const KeptMenu& keptMenu, const BYTE* listing, SIZE_T size, const MenuLook& look)
{
    return keptMenu.menu && (keptMenu.change || keptMenu.publicChange) &&
           keptMenu.builtAtChanges == keptMenu.changesSeen &&
           keptMenu.iconChanges == g_launcher.iconChanges && listing && size == keptMenu.listingSize &&
           memcmp(listing, keptMenu.listing, size) == 0 && SameListingLook(keptMenu.look, look);
}

// Gives reused records the measures of the kept records they came from, when those were
// taken for this look, and forgets where they came from (the kept ones are freed next).
void TakeOverMeasures(const KeptMenu& keptMenu, LauncherRecord* records, const MenuLook& look)
{
    bool sameLook = keptMenu.menu && SameMeasuresLook(keptMenu.look, look);
    for (LauncherRecord* r = records; r; r = r->next) {
        // A folder's submenu arrow adds to the width: an entry that gained or lost one is
        // measured anew.
        if (r->reusedFrom && sameLook && !r->submenu == !r->reusedFrom->submenu) {
            r->itemWidth = r->reusedFrom->itemWidth;
            r->itemHeight = r->reusedFrom->itemHeight;
        }
        r->reusedFrom = nullptr;
    }
}

// Type-ahead highlights the item it selects, and the platform may keep that state in the
// menu after it closes: a kept menu shown again starts with none, as a menu just built does,
// in the folders' submenus it keeps too.
void ClearHighlight(HMENU menu)
{
    MENUITEMINFOA info = {};
    info.cbSize = offsetof(MENUITEMINFOA, hbmpItem);
    info.fMask = MIIM_STATE;
    info.fState = MFS_UNHILITE;
    for (int i = GetMenuItemCount(menu); i-- > 0;) {
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE)
            SetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
        if (HMENU sub = GetSubMenu(menu, i))
            ClearHighlight(sub);
    }
}

// Frees what keptMenu holds; its change notifications too when asked (at quit).
void FreeKept(KeptMenu& keptMenu, bool closeChange)
{
    if (keptMenu.menu) {
        DestroyMenu(keptMenu.menu);
        FreeLaunchEntries(keptMenu.head);
        FreeLauncherRecords(keptMenu.records);
    }
    if (keptMenu.listing)
        HeapFree(GetProcessHeap(), 0, keptMenu.listing);
    if (closeChange)
        CloseWatches(keptMenu);
    HANDLE change = keptMenu.change;
    HANDLE publicChange = keptMenu.publicChange;
    LONG changesSeen = keptMenu.changesSeen;
    ZeroMemory(&keptMenu, sizeof(keptMenu));
    keptMenu.changesSeen = changesSeen;
    keptMenu.change = change;
    keptMenu.publicChange = publicChange;
}

// The kept menu valid for this click, ready to be shown again; null when it is not.
HMENU ShownAgain(KeptMenu& keptMenu, const BYTE* listing, SIZE_T size)
{
    const MenuLook& look = g_launcher.menuLook;
    if (!ValidWith(keptMenu, listing, size, look))
        return nullptr;
    // Opening on a monitor of another DPI than it was measured for, at any depth.
    if (!SameMeasuresLook(keptMenu.look, look)) {
        ForgetMeasures(keptMenu.records);
        keptMenu.look = look;
        TakeIconPixels(IconListOf(look), keptMenu.records, look);
    }
    ClearHighlight(keptMenu.menu);
    return keptMenu.menu;
}

// A new watch, made and armed before the listing the build is kept by: a change from here
// on shows at the next click, whatever the listing can tell.
void RenewWatches(KeptMenu& keptMenu, FolderMode mode)
{
    if (mode == FolderMode::Items)
        RenewItemsWatch();
    else
        RenewDesktopWatches(keptMenu, g_launcher.menuLook.submenus ? TRUE : FALSE);
}

// The menu built for this click made keptMenu's, when a listing and a watch can decide its
// validity; otherwise the caller's (its records in g_launcher.recordListHead), and nothing
// is kept: the next click builds anew. Whether it is kept.
bool KeepIfWatched(KeptMenu& keptMenu, HMENU menu, LaunchEntry* head, LauncherRecord* records, BYTE* listing,
                   SIZE_T size, LONG changes, unsigned iconChanges)
{
    if (!listing || !(keptMenu.change || keptMenu.publicChange)) {
        TakeOverMeasures(keptMenu, records, g_launcher.menuLook);
        FreeKept(keptMenu, false);
        if (listing)
            HeapFree(GetProcessHeap(), 0, listing);
        g_launcher.recordListHead = records;
        return false;
    }
    KeepBuiltMenu(keptMenu, menu, head, records, g_launcher.menuLook, listing, size, changes, iconChanges);
    return true;
}

// The launcher menu or the desktop list for this click, as LauncherMenu says.
HMENU KeptOrBuiltMenu(KeptMenu& keptMenu, FolderMode mode, LaunchEntry** head, bool* kept)
{
    auto list = [&](SIZE_T* size) {
        return mode == FolderMode::Items ? ListItemsFolder(size) : ListDesktopFolders(keptMenu, size);
    };
    *head = nullptr;
    KeptChangeSeen(keptMenu);
    SIZE_T size = 0;
    BYTE* listing = list(&size);
    HMENU menu = ShownAgain(keptMenu, listing, size);
    if (listing)
        HeapFree(GetProcessHeap(), 0, listing);
    *kept = menu != nullptr;
    if (menu) {
        *head = keptMenu.head;
        return menu;
    }
    RenewWatches(keptMenu, mode);
    listing = list(&size);

    LONG changes = keptMenu.changesSeen;
    // Counted before the build: an announcement that comes during it is for the next click.
    unsigned iconChanges = g_launcher.iconChanges;
    RecordReuse reuse = {};
    bool reusing = MakeKeptRecordReuse(&reuse, keptMenu, iconChanges, g_launcher.menuLook.iconShow);
    // Built apart from any records the caller still holds, and kept or handed over below.
    LauncherRecord** records = &g_launcher.recordListHead;
    while (*records)
        records = &(*records)->next;
    LaunchEntry* built = nullptr;
    menu = BuildFolderMenu(&built, mode, g_launcher.menuLook, reusing ? &reuse : nullptr);
    LauncherRecord* builtRecords = *records;
    *records = nullptr;
    FreeRecordReuse(&reuse);
    ++(mode == FolderMode::Items ? g_launcher.launcherBuilds : g_launcher.desktopBuilds);
    if (!menu) {
        if (listing)
            HeapFree(GetProcessHeap(), 0, listing);
        FreeKept(keptMenu, false);
        return nullptr;
    }
    ShowInStoredOrder(menu);
    *head = built;
    *kept = KeepIfWatched(keptMenu, menu, built, builtRecords, listing, size, changes, iconChanges);
    return menu;
}

// Whether a record of records (or of their submenus) took the icon.
bool PutInto(LauncherRecord* records, const LateIcon& icon)
{
    bool put = false;
    for (LauncherRecord* r = records; r; r = r->next) {
        if (r->iconLate && r->iconKey == icon.key) {
            r->iconIndex = icon.index;
            r->iconLate = false;
            put = true;
        }
        if (r->submenu)
            put = PutInto(r->submenu->records, icon) || put;
    }
    return put;
}

// The menus this thread shows are its windows of the menu class.
BOOL CALLBACK RedrawIfMenu(HWND window, LPARAM)
{
    wchar_t name[8] = {};
    if (IsWindowVisible(window) && GetClassNameW(window, name, 8) && lstrcmpW(name, L"#32768") == 0)
        InvalidateRect(window, nullptr, FALSE);
    return TRUE;
}

}  // namespace

bool KeptMenuValid(const MenuLook& look)
{
    if (!g_launcher.keptMenu.menu)
        return false;
    ItemsChangeSeen();
    SIZE_T size = 0;
    BYTE* listing = ListItemsFolder(&size);
    bool valid = ValidWith(g_launcher.keptMenu, listing, size, look);
    if (listing)
        HeapFree(GetProcessHeap(), 0, listing);
    return valid;
}

bool WatchItemsFolder()
{
    KeptMenu& keptMenu = g_launcher.keptMenu;
    if (!keptMenu.change)
        keptMenu.change = WatchItemsFolderTop();
    return keptMenu.change != nullptr;
}

bool ItemsChangeSeen()
{
    return KeptChangeSeen(g_launcher.keptMenu);
}

bool RenewItemsWatch()
{
    CloseWatch(&g_launcher.keptMenu.change);
    return WatchItemsFolder();
}

bool MakeKeptRecordReuse(RecordReuse* reuse, const KeptMenu& keptMenu, unsigned iconChanges, UINT iconShow)
{
    // Icons announced as changed, or not fetched for the kept menu, are asked for again.
    ZeroMemory(reuse, sizeof(*reuse));
    return keptMenu.menu && keptMenu.iconChanges == iconChanges && keptMenu.look.iconShow == iconShow &&
           MakeRecordReuse(reuse, keptMenu.records);
}

HMENU LauncherMenu(LaunchEntry** head, bool* kept)
{
    RefreshLauncherOrder();
    return KeptOrBuiltMenu(g_launcher.keptMenu, FolderMode::Items, head, kept);
}

HMENU DesktopMenu(LaunchEntry** head, bool* kept)
{
    return KeptOrBuiltMenu(g_launcher.keptDesktop, FolderMode::Desktop, head, kept);
}

KeptMenu* KeptMenuOf(HMENU menu)
{
    if (menu && menu == g_launcher.keptMenu.menu)
        return &g_launcher.keptMenu;
    if (menu && menu == g_launcher.keptDesktop.menu)
        return &g_launcher.keptDesktop;
    return nullptr;
}

void KeepBuiltMenu(KeptMenu& keptMenu, HMENU menu, LaunchEntry* head, LauncherRecord* records,
                   const MenuLook& look, BYTE* listing, SIZE_T listingSize, LONG builtAtChanges,
                   unsigned iconChanges)
{
    TakeOverMeasures(keptMenu, records, look);
    FreeKept(keptMenu, false);
    keptMenu.menu = menu;
    keptMenu.head = head;
    keptMenu.records = records;
    keptMenu.look = look;
    keptMenu.listing = listing;
    keptMenu.listingSize = listingSize;
    keptMenu.builtAtChanges = builtAtChanges;
    keptMenu.iconChanges = iconChanges;
    TakeIconPixels(IconListOf(look), records, look);
}

bool KeepCollected(LaunchEntry* head, LauncherRecord* records, const MenuLook& look, BYTE* listing,
                   SIZE_T listingSize, LONG builtAtChanges, unsigned iconChanges)
{
    KeptMenu& keptMenu = g_launcher.keptMenu;
    HMENU menu = FolderMenuLevel(nullptr, records, head);
    if (!menu)
        return false;
    ShowInStoredOrder(menu);
    KeepBuiltMenu(keptMenu, menu, head, records, look, listing, listingSize, builtAtChanges, iconChanges);
    // Measured now, while nothing waits, so that the first showing does not pay for it (nor
    // for making the menu font ready, the first time).
    MeasureLauncherRecords(keptMenu.records, keptMenu.look);
    ++g_launcher.launcherBuilds;
    return true;
}

void FreeKeptMenu(bool closeChange)
{
    FreeKept(g_launcher.keptMenu, closeChange);
    if (closeChange) {
        FreeKept(g_launcher.keptDesktop, true);
        FreeMenuThemeBrush();
        DropIconPixels();
        FreeOrderStore(g_launcher.order);
    }
}

bool PutLateIcon(const LateIcon& icon, LauncherRecord* also)
{
    KeptMenu& keptMenu = g_launcher.keptMenu;
    bool put = PutInto(keptMenu.records, icon);
    if (put)
        TakeIconPixelsOf(IconListOf(keptMenu.look), icon.index, keptMenu.look);
    put = PutInto(g_launcher.keptDesktop.records, icon) || put;
    put = PutInto(g_launcher.recordListHead, icon) || put;
    put = PutInto(also, icon) || put;
    if (put && g_launcher.folderMenuOpen)
        EnumThreadWindows(GetCurrentThreadId(), RedrawIfMenu, 0);
    return put;
}

void MarkKeptMenuStale()
{
    ++g_launcher.iconChanges;
}
