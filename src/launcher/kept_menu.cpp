// The launcher menu kept between clicks. Each click decides, cheaply and exactly, whether
// the kept menu still shows the items folder as it is: the folder's listing (names, sizes,
// times, attributes, and the folder's own entry, so a deleted and recreated folder shows) is
// compared with the one it was built from, a change notification on items and below (not on
// the exe's folder, where a log or the settings file may be written at any time) catches a
// rewrite the listing cannot tell apart (same size, same time stamp), and the look it was
// measured with must match. Without a working notification nothing is kept. A rebuild asks
// the shell only about entries whose listing data changed (record_reuse.h).
#include "launcher/kept_menu.h"

#include <cstddef>
#include <cstring>

#include "core/platform_calls.h"
#include "core/texts.h"
#include "launcher/build_ahead.h"
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

bool WidePath(const char* relative, wchar_t* wide)
{
    char path[kPathBytes];
    return MakeExePath(path, relative) && AnsiToWide(path, wide, MAX_PATH);
}

bool SameLook(const MenuLook& a, const MenuLook& b)
{
    return memcmp(&a.menuFont, &b.menuFont, sizeof(a.menuFont)) == 0 && a.smallIconCx == b.smallIconCx &&
           a.smallIconCy == b.smallIconCy && a.iconShow == b.iconShow && a.submenus == b.submenus;
}

bool ValidWith(const BYTE* listing, SIZE_T size, const MenuLook& look)
{
    const KeptMenu& keptMenu = g_launcher.keptMenu;
    return keptMenu.menu && keptMenu.change && keptMenu.builtAtChanges == keptMenu.changesSeen &&
           keptMenu.iconChanges == g_launcher.iconChanges && listing && size == keptMenu.listingSize &&
           memcmp(listing, keptMenu.listing, size) == 0 && SameLook(keptMenu.look, look);
}

// Gives reused records the measures of the kept records they came from, when those were
// taken for this look, and forgets where they came from (the kept ones are freed next).
void TakeOverMeasures(LauncherRecord* records, const MenuLook& look)
{
    bool sameLook = g_launcher.keptMenu.menu && SameLook(g_launcher.keptMenu.look, look);
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
    bool valid = ValidWith(listing, size, look);
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
    KeptMenu& keptMenu = g_launcher.keptMenu;
    if (!keptMenu.change || WaitForSingleObject(keptMenu.change, 0) == WAIT_TIMEOUT)
        return false;
    if (!FindNextChangeNotification(keptMenu.change)) {
        FindCloseChangeNotification(keptMenu.change);
        keptMenu.change = nullptr;
    }
    ++keptMenu.changesSeen;
    return true;
}

bool RenewItemsWatch()
{
    KeptMenu& keptMenu = g_launcher.keptMenu;
    if (keptMenu.change)
        FindCloseChangeNotification(keptMenu.change);
    keptMenu.change = nullptr;
    return WatchItemsFolder();
}

HMENU LauncherMenu(LaunchEntry** head, IMalloc* allocator, bool* kept)
{
    KeptMenu& keptMenu = g_launcher.keptMenu;
    *kept = false;
    *head = nullptr;
    ItemsChangeSeen();
    SIZE_T size = 0;
    BYTE* listing = ListItemsFolder(&size);
    if (ValidWith(listing, size, g_launcher.menuLook)) {
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
    RenewItemsWatch();
    listing = ListItemsFolder(&size);

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
        CollectFolder(FolderMode::Items, &built, &records, allocator, iconShow, reusing ? &reuse : nullptr,
                      g_launcher.menuLook.submenus);
    FreeRecordReuse(&reuse);
    ++g_launcher.launcherBuilds;
    HMENU menu = result == CollectResult::Done ? CreatePopupMenu() : nullptr;
    if (!menu) {
        FreeLaunchEntries(built, allocator);
        FreeLauncherRecords(records);
        if (listing)
            HeapFree(GetProcessHeap(), 0, listing);
        FreeKeptMenu(allocator, false);
        if (result == CollectResult::NoFolder)
            g_platform.MessageBoxW(nullptr, kTextNoItemsFolder, kCaptionError, MB_OK);
        return nullptr;
    }
    InsertLauncherItems(menu, records, built, allocator);
    *head = built;
    // Without a listing or a watch there is nothing to decide validity by: the menu is not
    // kept, and the next click builds anew.
    if (!listing || !keptMenu.change) {
        TakeOverMeasures(records, g_launcher.menuLook);
        FreeKeptMenu(allocator, false);
        if (listing)
            HeapFree(GetProcessHeap(), 0, listing);
        g_launcher.recordListHead = records;
        return menu;
    }
    KeepBuiltMenu(menu, built, records, g_launcher.menuLook, listing, size, changes, iconChanges, allocator);
    *kept = true;
    return menu;
}

void KeepBuiltMenu(HMENU menu, LaunchEntry* head, LauncherRecord* records, const MenuLook& look,
                   BYTE* listing, SIZE_T listingSize, LONG builtAtChanges, unsigned iconChanges,
                   IMalloc* allocator)
{
    TakeOverMeasures(records, look);
    FreeKeptMenu(allocator, false);
    KeptMenu& keptMenu = g_launcher.keptMenu;
    keptMenu.menu = menu;
    keptMenu.head = head;
    keptMenu.records = records;
    keptMenu.look = look;
    keptMenu.listing = listing;
    keptMenu.listingSize = listingSize;
    keptMenu.builtAtChanges = builtAtChanges;
    keptMenu.iconChanges = iconChanges;
}

void FreeKeptMenu(IMalloc* allocator, bool closeChange)
{
    KeptMenu& keptMenu = g_launcher.keptMenu;
    if (keptMenu.menu) {
        DestroyMenu(keptMenu.menu);
        FreeLaunchEntries(keptMenu.head, allocator);
        FreeLauncherRecords(keptMenu.records);
    }
    if (keptMenu.listing)
        HeapFree(GetProcessHeap(), 0, keptMenu.listing);
    HANDLE change = keptMenu.change;
    LONG changesSeen = keptMenu.changesSeen;
    ZeroMemory(&keptMenu, sizeof(keptMenu));
    keptMenu.changesSeen = changesSeen;
    if (closeChange)
        FreeMenuThemeBrush();
    if (closeChange && change)
        FindCloseChangeNotification(change);
    else
        keptMenu.change = change;
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
