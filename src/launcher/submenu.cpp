// Folders as submenus. With "Submenus" on, a folder item gets an empty popup at the build,
// so a click costs what it did; the popup is filled on WM_INITMENUPOPUP, only when the
// user opens it, so a shortcut to one of its own ancestors nests only as deep as opened.
// A filled submenu is kept and checked at each opening as the top menu is at each click:
// a change notification on its folder armed before the listing, and the listing compared
// with the one it was filled from; a change rebuilds that submenu alone. The notification
// is closed when the menu closes: no handle holds a folder (a stick to be removed, a folder
// to be deleted) while no menu is open, and the next opening arms a fresh one. Ids come from a
// counter per top menu, after the top menu's own, so none repeats in what is shown at once.
#include "launcher/submenu.h"

#include <cstddef>
#include <cstring>

#include "core/owners.h"
#include "core/texts.h"
#include "launcher/folder_listing.h"
#include "launcher/folder_menu.h"
#include "launcher/icon_fetch.h"
#include "launcher/kept_menu.h"
#include "launcher/launcher_state.h"
#include "launcher/menu_order.h"
#include "launcher/menu_theme.h"
#include "shell/idlist.h"

namespace {

constexpr UINT kMenuItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);
// Beyond this the kept menu is built anew at the next click, which starts its ids again,
// so that ids stay 16-bit however often its submenus are rebuilt.
constexpr UINT kRenewIdsAfter = 0xC000;

// The shell folder of an absolute list (the desktop's for the empty list), or null.
IShellFolder* BindFolder(LPCITEMIDLIST list)
{
    ComPtr<IShellFolder> desktop;
    if (SHGetDesktopFolder(desktop.put()) != S_OK)
        return nullptr;
    if (IdListSize(list) <= sizeof(USHORT))
        return desktop.release();
    // What a failing bind may have written is not an object.
    IShellFolder* folder = nullptr;
    if (desktop->BindToObject(list, nullptr, __uuidof(IShellFolder), reinterpret_cast<void**>(&folder)) != S_OK)
        folder = nullptr;
    return folder;
}

// The counter of the top menu's tree: a kept menu's, or that of the menu built for this
// click. It starts after the top menu's own ids (2000 and one more per item).
UINT* NextIdOf(HMENU root)
{
    KeptMenu* kept = KeptMenuOf(root);
    UINT* next = kept ? &kept->nextId : &g_launcher.nextId;
    if (*next == 0)
        *next = FIRST_LAUNCHER_ID + static_cast<UINT>(GetMenuItemCount(root));
    return next;
}

// "このフォルダを開く": its own entry, opening the folder item's list as choosing the item
// did without submenus, and its own record, so it is drawn, spoken and typed like the rest.
void AddOpenItem(FolderSubmenu* submenu, UINT id)
{
    HANDLE heap = GetProcessHeap();
    auto* entry = static_cast<LaunchEntry*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(LaunchEntry)));
    char* text = WideToAnsiDup(kTextOpenThisFolder);
    // Shown and spoken as written, whatever the code page can hold.
    LauncherRecord* record = entry && text ? NewLauncherRecord(id, text, kTextOpenThisFolder) : nullptr;
    if (text)
        HeapFree(heap, 0, text);
    LPITEMIDLIST list = record ? IdListCopy(submenu->entryList) : nullptr;
    if (!list) {
        if (entry)
            HeapFree(heap, 0, entry);
        FreeLauncherRecords(record);
        return;
    }
    entry->id = id;
    entry->idList = list;
    entry->next = submenu->head;
    submenu->head = entry;
    record->next = submenu->records;
    submenu->records = record;
    // Within the time a build waits: the folder's icon handler may stall as a share's does.
    if (g_launcher.menuLook.iconShow) {
        IconFetcher icons = kNewIconFetcher;
        AskIcon(&icons, list, record);
        AwaitIcons(&icons);
    }
    InsertOwnerDrawItem(submenu->popup, id, record);
}

// Takes every item out of the popup (destroying nested popups) and frees what they held.
// An item that stays (its deletion failed) still points at its record: then nothing is
// freed, and the records go with the submenu. False then.
bool EmptySubmenu(FolderSubmenu* submenu)
{
    // From the end: a failed deletion moves no item still to be deleted.
    for (int position = GetMenuItemCount(submenu->popup) - 1; position >= 0; --position)
        DeleteMenu(submenu->popup, static_cast<UINT>(position), MF_BYPOSITION);
    if (GetMenuItemCount(submenu->popup) != 0)
        return false;
    FreeLaunchEntries(submenu->head);
    FreeLauncherRecords(submenu->records);
    submenu->head = nullptr;
    submenu->records = nullptr;
    return true;
}

// The pattern that lists a folder's path: "path\*", on the process heap; null without memory.
wchar_t* PatternOf(const wchar_t* path)
{
    int length = lstrlenW(path);
    auto* pattern = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, (length + 3) * sizeof(wchar_t)));
    if (!pattern)
        return nullptr;
    lstrcpyW(pattern, path);
    if (length > 0 && pattern[length - 1] != L'\\')
        pattern[length++] = L'\\';
    pattern[length++] = L'*';
    pattern[length] = L'\0';
    return pattern;
}

}  // namespace

void OnLauncherMenuPopup(HMENU popup)
{
    FolderSubmenu* submenu = FolderSubmenuOf(popup);
    if (!submenu)
        return;
    FillFolderSubmenu(submenu);
    // Its background and the separator under "このフォルダを開く" follow the look of this
    // click, as the top menu's background does.
    ApplyMenuBackground(popup, g_launcher.menuLook);
    ApplySeparatorLook(popup, 1, g_launcher.menuLook);
}

void FillFolderSubmenu(FolderSubmenu* submenu)
{
    // Listed and watched by its long form, whatever its length: the shell names a folder of
    // MAX_PATH or more only item by item.
    QuietErrorBoxes quiet;
    wchar_t* path = IdListLongPath(submenu->folderList);
    wchar_t* pattern = path ? PatternOf(path) : nullptr;
    // A folder that has come to lead to a share since the build is not looked at.
    bool onDisk = pattern && !FolderReachesTheNetwork(path);
    bool changed = ChangeSeen(&submenu->change);
    // The change may be the folder's removal, which completes only once every handle on it
    // is closed: the watch is made anew.
    if (changed)
        CloseWatch(&submenu->change);
    // Armed before the listing is taken: a change from here on shows at the next opening.
    if (onDisk && !submenu->change)
        submenu->change = WatchFolder(path, FALSE);
    SIZE_T size = 0;
    BYTE* listing = onDisk ? ListFolder(pattern, &size) : nullptr;
    if (path)
        HeapFree(GetProcessHeap(), 0, path);
    if (pattern)
        HeapFree(GetProcessHeap(), 0, pattern);
    if (submenu->filled && !changed && listing && submenu->listing && size == submenu->listingSize &&
        memcmp(listing, submenu->listing, size) == 0) {
        HeapFree(GetProcessHeap(), 0, listing);
        return;
    }

    bool emptied = EmptySubmenu(submenu);
    if (submenu->listing)
        HeapFree(GetProcessHeap(), 0, submenu->listing);
    submenu->listing = nullptr;
    if (!emptied) {
        // What the popup still holds stays, with its records; with no listing to match, the
        // next opening tries again.
        if (listing)
            HeapFree(GetProcessHeap(), 0, listing);
        return;
    }
    submenu->listing = listing;
    submenu->listingSize = size;
    submenu->filled = true;
    UINT* next = NextIdOf(submenu->root);
    AddOpenItem(submenu, *next);
    // A folder that can't be listed (removed meanwhile, access denied) shows the first item
    // alone; no message while a menu is open. (Binding alone would not tell: a folder gone
    // may still bind and list nothing.)
    ComPtr<IShellFolder> folder(listing ? BindFolder(submenu->folderList) : nullptr);
    if (folder) {
        AppendMenuA(submenu->popup, MF_SEPARATOR, 0, nullptr);
        BOOL ok = AppendFolderItems(submenu->popup, folder.get(), submenu->folderList, &submenu->head, *next + 1,
                                    &submenu->records);
        if (!ok && EmptySubmenu(submenu)) {
            AddOpenItem(submenu, *next);
        } else if (!ok) {
            HeapFree(GetProcessHeap(), 0, submenu->listing);
            submenu->listing = nullptr;
        }
        if (ok)
            ShowInStoredOrder(submenu->popup);
    }
    for (LaunchEntry* entry = submenu->head; entry; entry = entry->next) {
        if (entry->id >= *next)
            *next = entry->id + 1;
    }
    if (*next > kRenewIdsAfter && KeptMenuOf(submenu->root))
        MarkKeptMenuStale();
}

void CloseSubmenuWatches(const LauncherRecord* records)
{
    for (; records; records = records->next) {
        if (records->submenu) {
            CloseWatch(&records->submenu->change);
            CloseSubmenuWatches(records->submenu->records);
        }
    }
}

LPCITEMIDLIST SubmenuEntryList(HMENU menu, UINT id)
{
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info = {};
        info.cbSize = kMenuItemInfoSize;
        info.fMask = MIIM_SUBMENU;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info))
            continue;
        FolderSubmenu* submenu = FolderSubmenuOf(info.hSubMenu);
        LPCITEMIDLIST list = submenu ? EntryListOfId(submenu->popup, submenu->head, id) : nullptr;
        if (list)
            return list;
    }
    return nullptr;
}

LPCITEMIDLIST EntryListOfId(HMENU menu, LaunchEntry* head, UINT id)
{
    for (LaunchEntry* entry = head; entry; entry = entry->next) {
        if (entry->id == id)
            return entry->idList;
    }
    return SubmenuEntryList(menu, id);
}
