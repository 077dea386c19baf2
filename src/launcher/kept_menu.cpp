// The launcher menu kept between clicks. Each click decides, cheaply and exactly, whether
// the kept menu still shows the items folder as it is: the folder's listing (names, sizes,
// times, attributes, and the folder's own entry, so a deleted and recreated folder shows) is
// compared with the one it was built from, a change notification on items and below (not on
// the exe's folder, where a log or the settings file may be written at any time) catches a
// rewrite the listing cannot tell apart (same size, same time stamp), and the look it was
// measured with must match. Without a working notification nothing is kept. A rebuild asks
// the shell only about entries whose listing data changed (record_reuse.h). The desktop list
// is kept by the same rules over both desktop folders, each with its path and its own
// notification, so that one that appears, goes or moves shows too; the shell's own desktop
// items change only as its announcements of changed icons say.
#include "launcher/kept_menu.h"

#include <cstddef>
#include <cstring>

#include "core/platform_calls.h"
#include "core/texts.h"
#include "launcher/build_ahead.h"
#include "launcher/icon_pixels.h"
#include "launcher/launcher_state.h"
#include "launcher/menu_theme.h"
#include "launcher/record_reuse.h"
#include "settings/exe_paths.h"

namespace {

constexpr char kItemsPattern[] = "items\\*";
constexpr DWORD kChangeFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE |
                                FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_CREATION;

// One entry of a listing, followed by its name's UTF-16 units.
struct ListedEntry {
    DWORD attributes;
    FILETIME creation;
    FILETIME lastWrite;
    DWORD sizeHigh;
    DWORD sizeLow;
    DWORD nameLength;
};

// A growing block on the process heap.
struct Buffer {
    BYTE* data;
    SIZE_T size;
    SIZE_T capacity;
};

bool Append(Buffer* buffer, const void* bytes, SIZE_T count)
{
    if (buffer->size + count > buffer->capacity) {
        SIZE_T capacity = buffer->capacity * 2 + count + 4096;
        void* grown = buffer->data ? HeapReAlloc(GetProcessHeap(), 0, buffer->data, capacity)
                                   : HeapAlloc(GetProcessHeap(), 0, capacity);
        if (!grown)
            return false;
        buffer->data = static_cast<BYTE*>(grown);
        buffer->capacity = capacity;
    }
    memcpy(buffer->data + buffer->size, bytes, count);
    buffer->size += count;
    return true;
}

// The desktop folders the desktop list merges: the user's and the public one.
constexpr int kDesktopFolders[] = {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY};

// What a desktop folder's part of the listing starts with: its path's length (0 when it is
// missing) and its listing's size, followed by the path and the listing.
struct DesktopPart {
    DWORD pathLength;
    DWORD listingSize;
};

bool WidePath(const char* relative, wchar_t* wide)
{
    char path[kPathBytes];
    return MakeExePath(path, relative) && AnsiToWide(path, wide, MAX_PATH);
}

// A kept menu's watches: on items or the user's desktop, then on the public desktop (the
// order of kDesktopFolders).
constexpr size_t kWatches = 2;
HANDLE* Watch(KeptMenu& keptMenu, size_t which)
{
    return which == 0 ? &keptMenu.change : &keptMenu.publicChange;
}

// A desktop folder's path when it exists; false when it is missing. SHGetFolderPath
// without CSIDL_FLAG_CREATE fails for a folder that is not there.
bool DesktopFolderPath(size_t which, wchar_t* path)
{
    return SUCCEEDED(SHGetFolderPathW(nullptr, kDesktopFolders[which], nullptr, SHGFP_TYPE_CURRENT, path)) &&
           GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// Both desktop folders' parts (DesktopPart), or null when one that exists can't be listed
// or has no watch: a folder nobody watches could change unseen, so nothing is kept by it.
BYTE* ListDesktopFolders(KeptMenu& keptMenu, SIZE_T* size)
{
    Buffer buffer = {};
    bool ok = true;
    for (size_t which = 0; ok && which < kWatches; ++which) {
        wchar_t pattern[MAX_PATH + 2];
        DesktopPart part = {};
        BYTE* listing = nullptr;
        SIZE_T listingSize = 0;
        if (DesktopFolderPath(which, pattern)) {
            part.pathLength = static_cast<DWORD>(lstrlenW(pattern));
            lstrcatW(pattern, L"\\*");
            listing = *Watch(keptMenu, which) ? ListFolder(pattern, &listingSize) : nullptr;
            part.listingSize = static_cast<DWORD>(listingSize);
            ok = listing != nullptr;
        }
        ok = ok && Append(&buffer, &part, sizeof(part)) &&
             Append(&buffer, pattern, part.pathLength * sizeof(wchar_t)) &&
             (!listing || Append(&buffer, listing, listingSize));
        if (listing)
            HeapFree(GetProcessHeap(), 0, listing);
    }
    if (!ok && buffer.data)
        HeapFree(GetProcessHeap(), 0, buffer.data);
    *size = buffer.size;
    return ok ? buffer.data : nullptr;
}

void CloseWatches(KeptMenu& keptMenu)
{
    for (size_t which = 0; which < kWatches; ++which) {
        HANDLE* watch = Watch(keptMenu, which);
        if (*watch)
            FindCloseChangeNotification(*watch);
        *watch = nullptr;
    }
}

// A new watch on each desktop folder that exists; below it too when folders cascade.
void RenewDesktopWatches(KeptMenu& keptMenu, BOOL subtree)
{
    CloseWatches(keptMenu);
    for (size_t which = 0; which < kWatches; ++which) {
        wchar_t path[MAX_PATH];
        HANDLE change = DesktopFolderPath(which, path)
                            ? g_platform.FindFirstChangeNotificationW(path, subtree, kChangeFilter)
                            : INVALID_HANDLE_VALUE;
        *Watch(keptMenu, which) = change == INVALID_HANDLE_VALUE ? nullptr : change;
    }
}

// True when a watch of the kept menu announced a change (or a wait on it failed) since it
// was last asked; each is armed again (or dropped, when that fails).
bool KeptChangeSeen(KeptMenu& keptMenu)
{
    bool seen = false;
    for (size_t which = 0; which < kWatches; ++which) {
        HANDLE* watch = Watch(keptMenu, which);
        if (!*watch || WaitForSingleObject(*watch, 0) == WAIT_TIMEOUT)
            continue;
        if (!FindNextChangeNotification(*watch)) {
            FindCloseChangeNotification(*watch);
            *watch = nullptr;
        }
        seen = true;
    }
    if (seen)
        ++keptMenu.changesSeen;
    return seen;
}

bool SameLook(const MenuLook& a, const MenuLook& b)
{
    return memcmp(&a.menuFont, &b.menuFont, sizeof(a.menuFont)) == 0 && a.smallIconCx == b.smallIconCx &&
           a.smallIconCy == b.smallIconCy && a.iconShow == b.iconShow && a.submenus == b.submenus;
}

bool ValidWith(const KeptMenu& keptMenu, const BYTE* listing, SIZE_T size, const MenuLook& look)
{
    return keptMenu.menu && (keptMenu.change || keptMenu.publicChange) &&
           keptMenu.builtAtChanges == keptMenu.changesSeen &&
           keptMenu.iconChanges == g_launcher.iconChanges && listing && size == keptMenu.listingSize &&
           memcmp(listing, keptMenu.listing, size) == 0 && SameLook(keptMenu.look, look);
}

// Gives reused records the measures of the kept records they came from, when those were
// taken for this look, and forgets where they came from (the kept ones are freed next).
void TakeOverMeasures(const KeptMenu& keptMenu, LauncherRecord* records, const MenuLook& look)
{
    bool sameLook = keptMenu.menu && SameLook(keptMenu.look, look);
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
void FreeKept(KeptMenu& keptMenu, IMalloc* allocator, bool closeChange)
{
    if (keptMenu.menu) {
        DestroyMenu(keptMenu.menu);
        FreeLaunchEntries(keptMenu.head, allocator);
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

}  // namespace

// The listing in the order the file system gives it, "." (the folder itself) included and
// ".." (its parent) left out.
BYTE* ListFolder(const wchar_t* pattern, SIZE_T* size)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW(pattern, FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    // Before Windows 7 neither the basic level nor the large fetch is known.
    if (find == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER)
        find = FindFirstFileExW(pattern, FindExInfoStandard, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return nullptr;
    Buffer buffer = {};
    bool ok = true;
    do {
        if (lstrcmpW(data.cFileName, L"..") == 0)
            continue;
        ListedEntry entry = {data.dwFileAttributes, data.ftCreationTime, data.ftLastWriteTime,
                             data.nFileSizeHigh, data.nFileSizeLow,
                             static_cast<DWORD>(lstrlenW(data.cFileName))};
        ok = Append(&buffer, &entry, sizeof(entry)) &&
             Append(&buffer, data.cFileName, entry.nameLength * sizeof(wchar_t));
    } while (ok && FindNextFileW(find, &data));
    if (ok && GetLastError() != ERROR_NO_MORE_FILES)
        ok = false;
    FindClose(find);
    if (!ok || !buffer.data) {
        if (buffer.data)
            HeapFree(GetProcessHeap(), 0, buffer.data);
        return nullptr;
    }
    *size = buffer.size;
    return buffer.data;
}

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

BYTE* ListItemsFolder(SIZE_T* size)
{
    wchar_t pattern[MAX_PATH];
    return WidePath(kItemsPattern, pattern) ? ListFolder(pattern, size) : nullptr;
}

bool ChangeSeen(HANDLE change)
{
    if (!change || WaitForSingleObject(change, 0) != WAIT_OBJECT_0)
        return false;
    FindNextChangeNotification(change);
    return true;
}

HANDLE WatchFolder(const wchar_t* folder, BOOL subtree)
{
    HANDLE change = FindFirstChangeNotificationW(folder, subtree, kChangeFilter);
    return change == INVALID_HANDLE_VALUE ? nullptr : change;
}

bool WatchItemsFolder()
{
    KeptMenu& keptMenu = g_launcher.keptMenu;
    if (!keptMenu.change) {
        wchar_t folder[MAX_PATH];
        HANDLE change = WidePath(kItemsFolderName, folder)
                            ? g_platform.FindFirstChangeNotificationW(folder, TRUE, kChangeFilter)
                            : INVALID_HANDLE_VALUE;
        keptMenu.change = change == INVALID_HANDLE_VALUE ? nullptr : change;
    }
    return keptMenu.change != nullptr;
}

bool ItemsChangeSeen()
{
    return KeptChangeSeen(g_launcher.keptMenu);
}

bool RenewItemsWatch()
{
    KeptMenu& keptMenu = g_launcher.keptMenu;
    if (keptMenu.change)
        FindCloseChangeNotification(keptMenu.change);
    keptMenu.change = nullptr;
    return WatchItemsFolder();
}

namespace {

// The launcher menu or the desktop list for this click, as LauncherMenu says.
HMENU KeptOrBuiltMenu(KeptMenu& keptMenu, FolderMode mode, LaunchEntry** head, IMalloc* allocator, bool* kept)
{
    bool items = mode == FolderMode::Items;
    auto list = [&](SIZE_T* size) { return items ? ListItemsFolder(size) : ListDesktopFolders(keptMenu, size); };
    *kept = false;
    *head = nullptr;
    KeptChangeSeen(keptMenu);
    SIZE_T size = 0;
    BYTE* listing = list(&size);
    if (ValidWith(keptMenu, listing, size, g_launcher.menuLook)) {
        HeapFree(GetProcessHeap(), 0, listing);
        ClearHighlight(keptMenu.menu);
        *head = keptMenu.head;
        *kept = true;
        return keptMenu.menu;
    }
    // A new watch, made and armed before the listing the build is kept by: a change from here
    // on shows at the next click, whatever the listing can tell.
    if (listing)
        HeapFree(GetProcessHeap(), 0, listing);
    if (items)
        RenewItemsWatch();
    else
        RenewDesktopWatches(keptMenu, g_launcher.menuLook.submenus ? TRUE : FALSE);
    listing = list(&size);

    LONG changes = keptMenu.changesSeen;
    // Counted before the build: an announcement that comes during it is for the next click.
    unsigned iconChanges = g_launcher.iconChanges;
    UINT iconShow = g_launcher.menuLook.iconShow;
    // Icons announced as changed, or not fetched for the kept menu, are asked for again.
    RecordReuse reuse = {};
    bool reusing = keptMenu.menu && keptMenu.iconChanges == iconChanges && keptMenu.look.iconShow == iconShow &&
                   MakeRecordReuse(&reuse, keptMenu.records);
    LaunchEntry* built = nullptr;
    LauncherRecord* records = nullptr;
    CollectResult result =
        CollectFolder(mode, &built, &records, allocator, iconShow, reusing ? &reuse : nullptr,
                      g_launcher.menuLook.submenus);
    FreeRecordReuse(&reuse);
    ++(items ? g_launcher.launcherBuilds : g_launcher.desktopBuilds);
    HMENU menu = result == CollectResult::Done ? CreatePopupMenu() : nullptr;
    if (!menu) {
        FreeLaunchEntries(built, allocator);
        FreeLauncherRecords(records);
        if (listing)
            HeapFree(GetProcessHeap(), 0, listing);
        FreeKept(keptMenu, allocator, false);
        if (result == CollectResult::NoFolder)
            g_platform.MessageBoxW(nullptr, kTextNoItemsFolder, kCaptionError, MB_OK);
        return nullptr;
    }
    InsertLauncherItems(menu, records, built, allocator);
    *head = built;
    // Without a listing or a watch there is nothing to decide validity by: the menu is not
    // kept, and the next click builds anew.
    if (!listing || !(keptMenu.change || keptMenu.publicChange)) {
        TakeOverMeasures(keptMenu, records, g_launcher.menuLook);
        FreeKept(keptMenu, allocator, false);
        if (listing)
            HeapFree(GetProcessHeap(), 0, listing);
        g_launcher.recordListHead = records;
        return menu;
    }
    KeepBuiltMenu(keptMenu, menu, built, records, g_launcher.menuLook, listing, size, changes, iconChanges,
                  allocator);
    *kept = true;
    return menu;
}

}  // namespace

HMENU LauncherMenu(LaunchEntry** head, IMalloc* allocator, bool* kept)
{
    return KeptOrBuiltMenu(g_launcher.keptMenu, FolderMode::Items, head, allocator, kept);
}

HMENU DesktopMenu(LaunchEntry** head, IMalloc* allocator, bool* kept)
{
    return KeptOrBuiltMenu(g_launcher.keptDesktop, FolderMode::Desktop, head, allocator, kept);
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
                   unsigned iconChanges, IMalloc* allocator)
{
    TakeOverMeasures(keptMenu, records, look);
    FreeKept(keptMenu, allocator, false);
    keptMenu.menu = menu;
    keptMenu.head = head;
    keptMenu.records = records;
    keptMenu.look = look;
    keptMenu.listing = listing;
    keptMenu.listingSize = listingSize;
    keptMenu.builtAtChanges = builtAtChanges;
    keptMenu.iconChanges = iconChanges;
    TakeIconPixels(SmallIconList(), records, look);
}

void FreeKeptMenu(IMalloc* allocator, bool closeChange)
{
    FreeKept(g_launcher.keptMenu, allocator, closeChange);
    if (closeChange) {
        FreeKept(g_launcher.keptDesktop, allocator, true);
        FreeMenuThemeBrush();
        DropIconPixels();
    }
}

void FreeKeptMenuAtQuit()
{
    IMalloc* allocator = nullptr;
    // A build running reads the kept records: they are left to the process's end.
    if (!g_launcher.folderMenuOpen && !LauncherBuildRunning() && SHGetMalloc(&allocator) == S_OK) {
        FreeKeptMenu(allocator, true);
        allocator->Release();
    }
}

void MarkKeptMenuStale()
{
    ++g_launcher.iconChanges;
}
