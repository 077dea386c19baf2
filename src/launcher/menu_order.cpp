// The user's own order in the launcher's menus. What keeps it cheap and exact: a level's
// entries get their ids in the shell's order as they are collected, so sorting a level's
// items by id gives the shell's order back at any time, with no listing; the stored order
// is then applied to the entries' file names (ApplyFolderOrder), which are asked of the shell
// only for a folder that has an order. An item is never inserted or removed to reorder: each
// position keeps its item (its measures, its place in an open menu's layout, its highlight)
// and takes the id, data and submenu of the entry that now belongs there.
#include "launcher/menu_order.h"

#include <cstddef>
#include <cstdlib>
#include <cwchar>

#include "launcher/folder_menu.h"
#include "launcher/launcher_state.h"
#include "settings/exe_paths.h"

namespace {

constexpr UINT kMenuItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);

// What an item position shows: one entry.
struct Slot {
    UINT id;
    ULONG_PTR data;
    HMENU submenu;
};

template <typename T>
T* Allocate(size_t count)
{
    return static_cast<T*>(HeapAlloc(GetProcessHeap(), 0, count ? count * sizeof(T) : 1));
}

void Release(void* block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}

// The folder a level lists, as order_file.h names folders; false for a level that keeps
// the shell's order or whose folder has no path.
bool LevelFolder(HMENU menu, char* path)
{
    if (FirstOrderedEntry(menu) < 0)
        return false;
    if (FolderSubmenu* submenu = FolderSubmenuOf(menu))
        return SHGetPathFromIDListA(submenu->folderList, path) != FALSE;
    return MakeExePath(path, kItemsFolderName) != FALSE;
}

// The level's entries, positions first to first + count, as they are shown now; null when
// memory runs out or an item can't be read.
Slot* ReadSlots(HMENU menu, int first, size_t count)
{
    Slot* slots = Allocate<Slot>(count);
    for (size_t i = 0; slots && i < count; ++i) {
        MENUITEMINFOA info = {};
        info.cbSize = kMenuItemInfoSize;
        info.fMask = MIIM_ID | MIIM_DATA | MIIM_SUBMENU;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(first + static_cast<int>(i)), TRUE, &info)) {
            Release(slots);
            return nullptr;
        }
        slots[i] = {info.wID, info.dwItemData, info.hSubMenu};
    }
    return slots;
}

void WriteSlot(HMENU menu, int position, const Slot& slot)
{
    MENUITEMINFOA info = {};
    info.cbSize = kMenuItemInfoSize;
    info.fMask = MIIM_ID | MIIM_TYPE | MIIM_DATA | MIIM_SUBMENU;
    info.fType = MFT_OWNERDRAW;
    info.wID = slot.id;
    // As InsertOwnerDrawItem has it: the type data keeps the record's pointer too.
    info.dwTypeData = reinterpret_cast<char*>(slot.data);
    info.dwItemData = slot.data;
    info.hSubMenu = slot.submenu;
    SetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info);
}

int ById(const void* a, const void* b)
{
    UINT x = static_cast<const Slot*>(a)->id, y = static_cast<const Slot*>(b)->id;
    return x < y ? -1 : x > y;
}

// The entry's name in its folder as the file system spells it (UTF-8, into kPathBytes);
// empty when it has none.
void EntryFileName(const Slot& slot, char* name)
{
    name[0] = '\0';
    const LauncherRecord* record = RecordOfItemData(slot.data, slot.id);
    wchar_t path[MAX_PATH];
    if (!record || !record->entryList || !SHGetPathFromIDListW(record->entryList, path))
        return;
    const wchar_t* last = wcsrchr(path, L'\\');
    WideToOrderName(last ? last + 1 : path, name, kPathBytes);
}

// The names of the slots' entries, in their order, pointing into *text (the caller frees
// both); null when memory runs out.
OrderName* NamesOf(const Slot* slots, size_t count, char** text)
{
    OrderName* names = Allocate<OrderName>(count);
    size_t capacity = count * 32 + kPathBytes, used = 0;
    char* block = names ? Allocate<char>(capacity) : nullptr;
    for (size_t i = 0; block && i < count; ++i) {
        if (capacity - used < kPathBytes) {
            capacity *= 2;
            void* grown = HeapReAlloc(GetProcessHeap(), 0, block, capacity);
            if (!grown) {
                Release(block);
                block = nullptr;
                break;
            }
            block = static_cast<char*>(grown);
        }
        EntryFileName(slots[i], block + used);
        names[i].length = strlen(block + used);
        names[i].bytes = nullptr;
        used += names[i].length;
    }
    if (!block) {
        Release(names);
        return nullptr;
    }
    // The block is where it stays now.
    for (size_t i = 0, at = 0; i < count; at += names[i].length, ++i)
        names[i].bytes = block + at;
    *text = block;
    return names;
}

// Shows the level in stored's order (the shell's when null), in place.
void PutInOrder(HMENU menu, const char* folder, const OrderFolder* stored)
{
    int first = FirstOrderedEntry(menu), count = GetMenuItemCount(menu);
    if (first < 0 || count <= first)
        return;
    auto n = static_cast<size_t>(count - first);
    Slot* shown = ReadSlots(menu, first, n);
    Slot* shell = Allocate<Slot>(n);
    size_t* order = Allocate<size_t>(n);
    if (shown && shell && order) {
        memcpy(shell, shown, n * sizeof(Slot));
        qsort(shell, n, sizeof(Slot), ById);
        for (size_t i = 0; i < n; ++i)
            order[i] = i;
        char* text = nullptr;
        OrderName* names = stored ? NamesOf(shell, n, &text) : nullptr;
        if (names)
            ApplyFolderOrder(g_launcher.order, folder, names, n, order);
        Release(names);
        Release(text);
        for (size_t i = 0; i < n; ++i) {
            if (shown[i].id != shell[order[i]].id)
                WriteSlot(menu, first + static_cast<int>(i), shell[order[i]]);
        }
    }
    Release(order);
    Release(shell);
    Release(shown);
}

void PutTreeInOrder(HMENU menu)
{
    char folder[kPathBytes];
    if (LevelFolder(menu, folder))
        PutInOrder(menu, folder, FindFolderOrder(g_launcher.order, folder));
    for (int i = 0, count = GetMenuItemCount(menu); i < count; ++i) {
        HMENU popup = GetSubMenu(menu, i);
        const FolderSubmenu* submenu = FolderSubmenuOf(popup);
        if (submenu && submenu->filled)
            PutTreeInOrder(popup);
    }
}

}  // namespace

int FirstOrderedEntry(HMENU menu)
{
    const FolderSubmenu* submenu = FolderSubmenuOf(menu);
    HMENU root = submenu ? submenu->root : menu;
    if (!IsLauncherMenu(root) || IsDesktopList(root))
        return -1;
    return submenu ? 2 : 0;
}

void ShowInStoredOrder(HMENU menu)
{
    // A level just built is in the shell's order.
    char folder[kPathBytes];
    if (g_launcher.order.folderCount == 0 || !LevelFolder(menu, folder))
        return;
    if (const OrderFolder* stored = FindFolderOrder(g_launcher.order, folder))
        PutInOrder(menu, folder, stored);
}

void RefreshLauncherOrder()
{
    if (!OrderFileChanged(g_launcher.order))
        return;
    LoadOrderFile(g_launcher.order);
    if (g_launcher.keptMenu.menu)
        PutTreeInOrder(g_launcher.keptMenu.menu);
}

bool MoveMenuEntry(HMENU menu, int from, int to)
{
    int first = FirstOrderedEntry(menu), count = GetMenuItemCount(menu);
    char folder[kPathBytes];
    if (first < 0 || from < first || to < first || from >= count || to >= count || from == to ||
        !LevelFolder(menu, folder))
        return false;
    auto n = static_cast<size_t>(count - first);
    Slot* slots = ReadSlots(menu, first, n);
    if (!slots)
        return false;
    MoveOrderEntry(slots, sizeof(Slot), n, static_cast<size_t>(from - first), static_cast<size_t>(to - first));
    for (int p = from < to ? from : to, last = from < to ? to : from; p <= last; ++p)
        WriteSlot(menu, p, slots[p - first]);
    char* text = nullptr;
    if (OrderName* names = NamesOf(slots, n, &text)) {
        // A file that can't be written keeps the order for this session; the next move saves it.
        SetFolderOrder(g_launcher.order, folder, names, n);
        Release(names);
        Release(text);
    }
    Release(slots);
    return true;
}

bool HasOwnOrder(HMENU menu)
{
    char folder[kPathBytes];
    return LevelFolder(menu, folder) && FindFolderOrder(g_launcher.order, folder) != nullptr;
}

void ForgetMenuOrder(HMENU menu)
{
    char folder[kPathBytes];
    if (!LevelFolder(menu, folder))
        return;
    ForgetFolderOrder(g_launcher.order, folder);
    PutInOrder(menu, folder, nullptr);
}
