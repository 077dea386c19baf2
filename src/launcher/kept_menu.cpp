// The launcher menu kept between clicks. Each click decides, cheaply and exactly, whether
// the kept menu still shows the items folder as it is: the folder's listing (names, sizes,
// times, attributes, and the folder's own entry) is compared with the one it was built
// from, a change notification on the exe's folder catches a rewrite the listing cannot
// tell apart (same size, same time stamp), and the look it was measured with must match.
#include "launcher/kept_menu.h"

#include <cstddef>
#include <cstring>

#include "launcher/launcher_state.h"
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

// The items folder's listing in the order the file system gives it, "." (the folder
// itself) included and ".." (its parent) left out; null when it can't be listed.
BYTE* ListItemsFolder(SIZE_T* size)
{
    wchar_t pattern[MAX_PATH];
    if (!WidePath(kItemsPattern, pattern))
        return nullptr;
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

bool SameLook(const MenuLook& a, const MenuLook& b)
{
    return memcmp(&a.menuFont, &b.menuFont, sizeof(a.menuFont)) == 0 && a.smallIconCx == b.smallIconCx &&
           a.smallIconCy == b.smallIconCy && a.iconShow == b.iconShow;
}

// Type-ahead highlights the item it selects, and the platform may keep that state in the
// menu after it closes: a kept menu shown again starts with none, as a menu just built does.
void ClearHighlight(HMENU menu)
{
    MENUITEMINFOA info = {};
    info.cbSize = offsetof(MENUITEMINFOA, hbmpItem);
    info.fMask = MIIM_STATE;
    info.fState = MFS_UNHILITE;
    for (int i = GetMenuItemCount(menu); i-- > 0;) {
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE)
            SetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
    }
}

// True when a change was announced since the notification was last armed; arms it again.
bool ChangeSeen(HANDLE change)
{
    if (!change || WaitForSingleObject(change, 0) != WAIT_OBJECT_0)
        return false;
    FindNextChangeNotification(change);
    return true;
}

}  // namespace

HMENU LauncherMenu(LaunchEntry** head, IMalloc* allocator, bool* kept)
{
    KeptMenu& keptMenu = g_launcher.keptMenu;
    *kept = false;
    // Made and armed before the listing is taken: a change from here on shows at the next
    // click, whatever the listing can tell.
    if (!keptMenu.change) {
        wchar_t folder[MAX_PATH];
        HANDLE change = WidePath("", folder) ? FindFirstChangeNotificationW(folder, TRUE, kChangeFilter)
                                             : INVALID_HANDLE_VALUE;
        keptMenu.change = change == INVALID_HANDLE_VALUE ? nullptr : change;
    }
    bool changed = ChangeSeen(keptMenu.change);
    SIZE_T size = 0;
    BYTE* listing = ListItemsFolder(&size);
    if (keptMenu.menu && !changed && keptMenu.iconChanges == g_launcher.iconChanges && listing &&
        size == keptMenu.listingSize && memcmp(listing, keptMenu.listing, size) == 0 &&
        SameLook(keptMenu.look, g_launcher.menuLook)) {
        HeapFree(GetProcessHeap(), 0, listing);
        ClearHighlight(keptMenu.menu);
        *head = keptMenu.head;
        *kept = true;
        return keptMenu.menu;
    }

    FreeKeptMenu(allocator, false);
    *head = nullptr;
    // Counted before the build: an announcement that comes during it is for the next click.
    unsigned iconChanges = g_launcher.iconChanges;
    HMENU menu = BuildFolderMenu(head, allocator, FolderMode::Items, g_launcher.menuLook.iconShow);
    // Without a listing there is nothing to decide validity by: the menu is not kept.
    if (!menu || !listing) {
        if (listing)
            HeapFree(GetProcessHeap(), 0, listing);
        return menu;
    }
    keptMenu.menu = menu;
    keptMenu.head = *head;
    keptMenu.records = g_launcher.recordListHead;
    g_launcher.recordListHead = nullptr;
    keptMenu.look = g_launcher.menuLook;
    keptMenu.listing = listing;
    keptMenu.listingSize = size;
    keptMenu.iconChanges = iconChanges;
    *kept = true;
    return menu;
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
    ZeroMemory(&keptMenu, sizeof(keptMenu));
    if (closeChange && change)
        FindCloseChangeNotification(change);
    else
        keptMenu.change = change;
}

void FreeKeptMenuAtQuit()
{
    IMalloc* allocator = nullptr;
    if (!g_launcher.folderMenuOpen && SHGetMalloc(&allocator) == S_OK) {
        FreeKeptMenu(allocator, true);
        allocator->Release();
    }
}

void MarkKeptMenuStale()
{
    ++g_launcher.iconChanges;
}
