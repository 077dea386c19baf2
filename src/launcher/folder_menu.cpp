// Making a folder's collected listing a menu level, and freeing it again.
#include "launcher/folder_menu.h"

#include <cstddef>

#include "core/live_counts.h"
#include "core/platform_calls.h"
#include "core/texts.h"
#include "launcher/folder_listing.h"
#include "launcher/launcher_state.h"
#include "shell/idlist.h"

// The first forms of these records, which every version of the platform accepts.
constexpr UINT kMenuItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);
#if !defined(_WIN64)
static_assert(kMenuItemInfoSize == 44, "MENUITEMINFOA without hbmpItem");
static_assert(sizeof(SHFILEINFOA) == 352, "SHFILEINFOA");
#endif

namespace {

// A launcher menu's data is this object's address: no other menu in the process has it.
// The desktop list's is the other's: it keeps the shell's order.
const char g_launcherMenuTag = 0;
const char g_desktopListTag = 0;

// A submenu's popup carries this help id, which no other menu here has (none uses context
// help), and its menu data points at its FolderSubmenu. The data of other menus is never
// read: a shell extension's menu may hold anything there.
constexpr DWORD kSubmenuHelpId = 0x4D4F5253;

ULONG_PTR MenuData(HMENU menu)
{
    MENUINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIM_MENUDATA;
    return menu && GetMenuInfo(menu, &info) ? info.dwMenuData : 0;
}

void TagLauncherMenu(HMENU menu, const char* tag)
{
    // A folder's submenu keeps its own data, which tells the launcher which folder it lists.
    if (IsFolderSubmenu(menu))
        return;
    MENUINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIM_MENUDATA;
    info.dwMenuData = reinterpret_cast<ULONG_PTR>(tag);
    SetMenuInfo(menu, &info);
}

LauncherRecord** RecordTail(LauncherRecord** records)
{
    while (*records)
        records = &(*records)->next;
    return records;
}

LaunchEntry** EntryTail(LaunchEntry** entries)
{
    while (*entries)
        entries = &(*entries)->next;
    return entries;
}

}  // namespace

BOOL InsertOwnerDrawItem(HMENU menu, UINT id, const void* data)
{
    MENUITEMINFOA info = {};
    info.cbSize = kMenuItemInfoSize;
    info.fMask = MIIM_ID | MIIM_TYPE | MIIM_DATA;
    info.fType = MFT_OWNERDRAW;
    info.wID = id;
    // The item data is what a screen reader reads; the type data keeps the same pointer.
    info.dwTypeData = static_cast<char*>(const_cast<void*>(data));
    info.dwItemData = reinterpret_cast<ULONG_PTR>(data);
    return InsertMenuItemA(menu, id, FALSE, &info);
}

HMENU FolderMenuLevel(HMENU menu, LauncherRecord* records, const LaunchEntry* entries)
{
    if (!menu)
        menu = CreatePopupMenu();
    if (!menu)
        return nullptr;
    if (MenuData(menu) != reinterpret_cast<ULONG_PTR>(&g_desktopListTag))
        TagLauncherMenu(menu, &g_launcherMenuTag);
    // One entry per record, in the same order.
    for (LauncherRecord* record = records; record && entries; record = record->next, entries = entries->next) {
        record->entryList = entries->idList;
        if (record->folderList)
            InsertFolderItem(menu, record->id, record, entries->idList, record->folderList);
        else
            InsertOwnerDrawItem(menu, record->id, record);
        record->folderList = nullptr;
    }
    return menu;
}

BOOL AppendFolderItems(HMENU menu, IShellFolder* folder, LPCITEMIDLIST parentList, LaunchEntry** head,
                       UINT firstId, LauncherRecord** records)
{
    LauncherRecord** recordTail = RecordTail(records ? records : &g_launcher.recordListHead);
    LaunchEntry** entryTail = EntryTail(head);
    const MenuLook& look = g_launcher.menuLook;
    BOOL ok = CollectFolderItems(folder, parentList, head, recordTail, look.iconShow, nullptr, firstId,
                                 look.submenus);
    FolderMenuLevel(menu, *recordTail, *entryTail);
    return ok;
}

HMENU BuildFolderMenu(LaunchEntry** head, FolderMode mode, const MenuLook& look,
                      const RecordReuse* reuse)
{
    LauncherRecord** tail = RecordTail(&g_launcher.recordListHead);
    QuietErrorBoxes quiet;
    CollectResult result = CollectFolder(mode, head, tail, look.iconShow, reuse, look.submenus);
    HMENU menu = result == CollectResult::Done ? CreatePopupMenu() : nullptr;
    if (menu && mode == FolderMode::Desktop)
        TagLauncherMenu(menu, &g_desktopListTag);
    if (menu)
        FolderMenuLevel(menu, *tail, *head);
    if (!menu) {
        if (result == CollectResult::NoFolder)
            g_platform.MessageBoxW(nullptr, kTextNoItemsFolder, kCaptionError, MB_OK);
        FreeFolderMenu(nullptr, *head);
        *head = nullptr;
    }
    return menu;
}

void FreeFolderMenu(HMENU menu, LaunchEntry* head)
{
    if (menu)
        DestroyMenu(menu);
    FreeLaunchEntries(head);
    FreeLauncherRecords(g_launcher.recordListHead);
    g_launcher.recordListHead = nullptr;
    g_launcher.nextId = 0;
}

bool IsLauncherMenu(HMENU menu)
{
    ULONG_PTR data = MenuData(menu);
    return data == reinterpret_cast<ULONG_PTR>(&g_launcherMenuTag) ||
           data == reinterpret_cast<ULONG_PTR>(&g_desktopListTag) || IsFolderSubmenu(menu);
}

bool IsDesktopList(HMENU menu)
{
    return MenuData(menu) == reinterpret_cast<ULONG_PTR>(&g_desktopListTag);
}

LauncherRecord* RecordOfItemData(ULONG_PTR data, UINT id)
{
    // Only the launcher's menus hold owner-drawn items in this program, and their data
    // always points at a record; the id confirms it is this item's.
    auto* record = reinterpret_cast<LauncherRecord*>(data);
    return record && record->id == id ? record : nullptr;
}

BOOL InsertFolderItem(HMENU menu, UINT id, LauncherRecord* record, LPCITEMIDLIST entryList,
                      LPITEMIDLIST folderList)
{
    auto* submenu =
        static_cast<FolderSubmenu*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(FolderSubmenu)));
    HMENU popup = submenu ? CreatePopupMenu() : nullptr;
    LPITEMIDLIST entryCopy = popup ? IdListCopy(entryList) : nullptr;
    if (!entryCopy) {
        if (popup)
            DestroyMenu(popup);
        if (submenu)
            HeapFree(GetProcessHeap(), 0, submenu);
        FreeIdList(folderList);
        return InsertOwnerDrawItem(menu, id, record);
    }
    FolderSubmenu* parent = FolderSubmenuOf(menu);
    submenu->popup = popup;
    submenu->root = parent ? parent->root : menu;
    submenu->entryList = entryCopy;
    submenu->folderList = folderList;
    record->submenu = submenu;
    ++g_live.submenus;

    MENUINFO menuInfo = {};
    menuInfo.cbSize = sizeof(menuInfo);
    menuInfo.fMask = MIM_MENUDATA | MIM_HELPID;
    menuInfo.dwContextHelpID = kSubmenuHelpId;
    menuInfo.dwMenuData = reinterpret_cast<ULONG_PTR>(submenu);
    SetMenuInfo(popup, &menuInfo);

    BOOL inserted = InsertOwnerDrawItem(menu, id, record);
    MENUITEMINFOA info = {};
    info.cbSize = kMenuItemInfoSize;
    info.fMask = MIIM_SUBMENU;
    info.hSubMenu = popup;
    // Without its item the popup has no owner to destroy it.
    if (!inserted || !SetMenuItemInfoA(menu, id, FALSE, &info))
        DestroyMenu(popup);
    return inserted;
}

FolderSubmenu* FolderSubmenuOf(HMENU menu)
{
    MENUINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIM_MENUDATA | MIM_HELPID;
    if (!menu || !GetMenuInfo(menu, &info) || info.dwContextHelpID != kSubmenuHelpId)
        return nullptr;
    return reinterpret_cast<FolderSubmenu*>(info.dwMenuData);
}

bool IsFolderSubmenu(HMENU menu)
{
    return FolderSubmenuOf(menu) != nullptr;
}
