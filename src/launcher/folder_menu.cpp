// Building the folder menu from the shell namespace, and freeing it again.
#include "launcher/folder_menu.h"

#include <shellapi.h>

#include <cstddef>
#include <cstring>

#include "core/live_counts.h"
#include "core/platform_calls.h"
#include "core/texts.h"
#include "launcher/icon_fetch.h"
#include "launcher/launcher_state.h"
#include "launcher/record_reuse.h"
#include "launcher/submenu.h"
#include "settings/exe_paths.h"
#include "settings/settings_file.h"
#include "shell/idlist.h"
#include "shell/idlist_walk.h"

// The first forms of these records, which every version of the platform accepts.
constexpr UINT kMenuItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);
#if !defined(_WIN64)
static_assert(kMenuItemInfoSize == 44, "MENUITEMINFOA without hbmpItem");
static_assert(sizeof(SHFILEINFOA) == 352, "SHFILEINFOA");
#endif

namespace {

// Answers without an item in a row after which a faulty enumerator is given up.
constexpr int kMaxEmptyAnswers = 64;

// IImageList, the interface of the system image list (commoncontrols.h declares it but no
// library the program links defines its id).
const IID kIidImageList = {0x46eb5926, 0x582e, 0x4017, {0x9f, 0xdf, 0xe8, 0x99, 0x8d, 0xaa, 0x09, 0x50}};

// A launcher menu's data is this object's address: no other menu in the process has it.
const char g_launcherMenuTag = 0;

void TagLauncherMenu(HMENU menu)
{
    // A folder's submenu keeps its own data, which tells the launcher which folder it lists.
    if (IsFolderSubmenu(menu))
        return;
    MENUINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIM_MENUDATA;
    info.dwMenuData = reinterpret_cast<ULONG_PTR>(&g_launcherMenuTag);
    SetMenuInfo(menu, &info);
}

void* HeapZeroed(SIZE_T size)
{
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
}

void HeapRelease(void* block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}

void FreeStrRet(STRRET* name, IMalloc* allocator)
{
    if (name->uType == STRRET_WSTR && name->pOleStr) {
        allocator->Free(name->pOleStr);
        name->pOleStr = nullptr;
    }
}

}  // namespace

LauncherRecord* NewLauncherRecord(UINT id, const char* text, const wchar_t* wide)
{
    size_t length = CutAtCharBoundary(text, strlen(text), kRecordTextChars, kRecordTextChars * 4,
                                      SystemAnsiEncoding());
    int wideLength = wide ? lstrlenW(wide)
                          : length ? MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0) : 0;
    if (wideLength < 0)
        wideLength = 0;
    // The record, then the wide name (aligned by the record's size), then the ANSI name.
    static_assert(sizeof(LauncherRecord) % sizeof(wchar_t) == 0, "the wide name follows the record");
    SIZE_T size = sizeof(LauncherRecord) + (wideLength + 1) * sizeof(wchar_t) + length + 1;
    auto* record = static_cast<LauncherRecord*>(HeapZeroed(size));
    if (!record)
        return nullptr;
    record->id = id;
    record->iconIndex = -1;
    record->wideText = reinterpret_cast<wchar_t*>(record + 1);
    record->text = reinterpret_cast<char*>(record->wideText + wideLength + 1);
    CopyMemory(record->text, text, length);
    if (wide)
        CopyMemory(record->wideText, wide, wideLength * sizeof(wchar_t));
    else if (wideLength > 0 &&
        MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), record->wideText, wideLength) != wideLength)
        record->wideText[0] = L'\0';
    record->msaa.dwMSAASignature = static_cast<DWORD>(MSAA_MENU_SIG);
    record->msaa.cchWText = static_cast<DWORD>(lstrlenW(record->wideText));
    record->msaa.pszWText = record->wideText;
    return record;
}

IImageList* SmallIconList()
{
    // Through the shell rather than the common controls' own functions: the program imports
    // no library Windows might load from beside the exe.
    static IImageList* list = nullptr;
    if (!list && SHGetImageList(SHIL_SMALL, kIidImageList, reinterpret_cast<void**>(&list)) != S_OK)
        list = nullptr;
    return list;
}

int FetchSmallIconIndex(LPCITEMIDLIST list)
{
    SHFILEINFOA info = {};
    info.iIcon = -1;
    // The answer is the system's small image list, the one SmallIconList gives.
    if (!g_platform.SHGetFileInfoA(reinterpret_cast<LPCSTR>(list), 0, &info, sizeof(info),
                                   SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
        return -1;
    return info.iIcon;
}

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

const char* StrRetText(STRRET* name, LPCITEMIDLIST child, IMalloc* allocator, char** ownedCopy)
{
    *ownedCopy = nullptr;
    switch (name->uType) {
    case STRRET_CSTR:
        return TextInside(name->cStr, sizeof(name->cStr), 0);
    case STRRET_OFFSET:
        // A faulty folder may give an offset past its own item, or a text that runs on.
        return TextInside(child, IdListSize(child), name->uOffset);
    case STRRET_WSTR:
        *ownedCopy = WideToAnsiDup(name->pOleStr);
        FreeStrRet(name, allocator);
        return *ownedCopy;
    default:
        return nullptr;
    }
}

BOOL CollectFolderItems(IShellFolder* folder, LPCITEMIDLIST parentList, LaunchEntry** head,
                        LauncherRecord** records, IMalloc* allocator, UINT iconShow,
                        const RecordReuse* reuse, UINT firstId, UINT submenus)
{
    IEnumIDList* enumerator = nullptr;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &enumerator) != S_OK)
        return FALSE;

    LaunchEntry** entryTail = head;
    LauncherRecord** recordTail = records;
    while (*entryTail)
        entryTail = &(*entryTail)->next;
    while (*recordTail)
        recordTail = &(*recordTail)->next;

    BOOL ok = TRUE;
    UINT id = firstId;
    int emptyAnswers = 0;
    IconFetcher icons = {nullptr, -1};
    while (ok) {
        LPITEMIDLIST child = nullptr;
        ULONG fetched = 0;
        if (enumerator->Next(1, &child, &fetched) != S_OK)
            break;
        // A faulty enumerator may answer S_OK without handing over an item (or write one
        // and say none was fetched): only an item counted as fetched is ours. Skip such
        // answers, but not forever.
        if (fetched != 1 || !child) {
            if (++emptyAnswers > kMaxEmptyAnswers)
                break;
            continue;
        }
        emptyAnswers = 0;
        InterlockedIncrement(&g_live.idLists);
        // Relative to the desktop, a desktop child is already absolute.
        LPITEMIDLIST list = parentList ? IdListConcat(parentList, child, allocator) : child;
        if (!list) {
            // No entry without a list: this one is left out of the menu.
            FreeIdList(child, allocator);
            continue;
        }
        UINT64 listedKey = ListedKey(folder, child);
        const LauncherRecord* kept = FindReusableRecord(reuse, listedKey);
        char* copy = nullptr;
        const char* text = kept ? kept->text : nullptr;
        // The text may lie inside name (a short name of the folder's own): it lives as long.
        STRRET name = {};
        if (!kept) {
            if (folder->GetDisplayNameOf(child, SHGDN_NORMAL, &name) != S_OK) {
                ok = FALSE;
            } else {
                text = StrRetText(&name, child, allocator, &copy);
                FreeStrRet(&name, allocator);
                // A name that does not lie inside its own item or buffer: the entry is left
                // out. Any other failure fails the build.
                if (!text && name.uType != STRRET_CSTR && name.uType != STRRET_OFFSET)
                    ok = FALSE;
            }
        }
        // The text may lie inside the child: the child is freed only once it is copied.
        auto* entry = text ? static_cast<LaunchEntry*>(HeapZeroed(sizeof(LaunchEntry))) : nullptr;
        LauncherRecord* record = entry ? NewLauncherRecord(id, text) : nullptr;
        HeapRelease(copy);
        if (!record) {
            HeapRelease(entry);
            if (text)
                ok = FALSE;
            if (list != child)
                FreeIdList(list, allocator);
            FreeIdList(child, allocator);
            continue;
        }
        entry->id = id;
        entry->idList = list;
        *entryTail = entry;
        entryTail = &entry->next;
        *recordTail = record;
        recordTail = &record->next;
        record->listedKey = listedKey;
        record->reusedFrom = kept;
        // An icon that came late last time is asked for again.
        if (kept && !kept->iconLate)
            record->iconIndex = kept->iconIndex;
        else if (iconShow)
            record->iconIndex = FetchIconWithin(&icons, list, &record->iconLate);
        // Whether it opens as a submenu is asked each build: a shortcut's target may change.
        if (submenus)
            record->folderList = SubmenuFolderOf(folder, child, list, allocator);
        ++id;
        if (list != child)
            FreeIdList(child, allocator);
    }
    CloseIconFetcher(&icons);
    enumerator->Release();
    return ok;
}

void InsertLauncherItems(HMENU menu, LauncherRecord* record, const LaunchEntry* entry, IMalloc* allocator)
{
    TagLauncherMenu(menu);
    // One entry per record, in the same order.
    for (; record && entry; record = record->next, entry = entry->next) {
        if (record->folderList)
            InsertFolderItem(menu, record->id, record, entry->idList, record->folderList, allocator);
        else
            InsertOwnerDrawItem(menu, record->id, record);
        record->folderList = nullptr;
    }
}

BOOL AppendFolderItems(HMENU menu, IShellFolder* folder, LPCITEMIDLIST parentList,
                       LaunchEntry** head, IMalloc* allocator, UINT iconShow, UINT firstId,
                       LauncherRecord** records)
{
    LauncherRecord** recordTail = records ? records : &g_launcher.recordListHead;
    while (*recordTail)
        recordTail = &(*recordTail)->next;
    LaunchEntry** entryTail = head;
    while (*entryTail)
        entryTail = &(*entryTail)->next;
    BOOL ok = CollectFolderItems(folder, parentList, head, recordTail, allocator, iconShow, nullptr, firstId,
                                 g_launcher.menuLook.submenus);
    InsertLauncherItems(menu, *recordTail, *entryTail, allocator);
    return ok;
}

CollectResult CollectFolder(FolderMode mode, LaunchEntry** head, LauncherRecord** records,
                            IMalloc* allocator, UINT iconShow, const RecordReuse* reuse, UINT submenus)
{
    IShellFolder* desktop = nullptr;
    if (SHGetDesktopFolder(&desktop) != S_OK)
        return CollectResult::Failed;
    IShellFolder* folder = desktop;
    LPITEMIDLIST itemsList = nullptr;
    if (mode == FolderMode::Items) {
        char path[kPathBytes];
        // A path that does not fit counts as a missing folder: "" would name the desktop.
        if (MakeExePath(path, kItemsFolderName))
            itemsList = PathToIdList(path);
        folder = nullptr;
        if (!itemsList ||
            desktop->BindToObject(itemsList, nullptr, IID_IShellFolder,
                                  reinterpret_cast<void**>(&folder)) != S_OK) {
            FreeIdList(itemsList, allocator);
            desktop->Release();
            return CollectResult::NoFolder;
        }
    }
    BOOL ok = CollectFolderItems(folder, itemsList, head, records, allocator, iconShow, reuse, FIRST_LAUNCHER_ID,
                                 submenus);
    if (folder != desktop)
        folder->Release();
    desktop->Release();
    FreeIdList(itemsList, allocator);
    return ok ? CollectResult::Done : CollectResult::Failed;
}

HMENU BuildFolderMenu(LaunchEntry** head, IMalloc* allocator, FolderMode mode, UINT iconShow)
{
    LauncherRecord** tail = &g_launcher.recordListHead;
    while (*tail)
        tail = &(*tail)->next;
    CollectResult result = CollectFolder(mode, head, tail, allocator, iconShow, nullptr, g_launcher.menuLook.submenus);
    HMENU menu = result == CollectResult::Done ? CreatePopupMenu() : nullptr;
    if (!menu) {
        if (result == CollectResult::NoFolder)
            g_platform.MessageBoxW(nullptr, kTextNoItemsFolder, kCaptionError, MB_OK);
        FreeFolderMenu(nullptr, *head, allocator);
        *head = nullptr;
        return nullptr;
    }
    InsertLauncherItems(menu, *tail, *head, allocator);
    return menu;
}

void FreeFolderMenu(HMENU menu, LaunchEntry* head, IMalloc* allocator)
{
    if (menu)
        DestroyMenu(menu);
    FreeLaunchEntries(head, allocator);
    FreeLauncherRecords(g_launcher.recordListHead);
    g_launcher.recordListHead = nullptr;
    g_launcher.nextId = 0;
}

void FreeLaunchEntries(LaunchEntry* head, IMalloc* allocator)
{
    while (head) {
        LaunchEntry* next = head->next;
        FreeIdList(head->idList, allocator);
        HeapRelease(head);
        head = next;
    }
}

void FreeLauncherRecords(LauncherRecord* head)
{
    while (head) {
        LauncherRecord* next = head->next;
        FreeFolderSubmenu(head->submenu);
        // Collected but never put in a menu (a failed build).
        IMalloc* allocator = nullptr;
        if (head->folderList && SHGetMalloc(&allocator) == S_OK) {
            FreeIdList(head->folderList, allocator);
            allocator->Release();
        }
        HeapRelease(head);
        head = next;
    }
}

bool IsLauncherMenu(HMENU menu)
{
    MENUINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIM_MENUDATA;
    return menu && GetMenuInfo(menu, &info) &&
           (info.dwMenuData == reinterpret_cast<ULONG_PTR>(&g_launcherMenuTag) || IsFolderSubmenu(menu));
}

LauncherRecord* RecordOfItemData(ULONG_PTR data, UINT id)
{
    // Only the launcher's menus hold owner-drawn items in this program, and their data
    // always points at a record; the id confirms it is this item's.
    auto* record = reinterpret_cast<LauncherRecord*>(data);
    return record && record->id == id ? record : nullptr;
}
