// Building the folder menu from the shell namespace, and freeing it again.
#include "launcher/folder_menu.h"

#include <shellapi.h>

#include <cstddef>
#include <cstring>

#include "core/live_counts.h"
#include "core/platform_calls.h"
#include "core/texts.h"
#include "launcher/idlist.h"
#include "launcher/idlist_walk.h"
#include "launcher/launcher_state.h"
#include "settings/exe_paths.h"
#include "settings/settings_file.h"

// The first forms of these records, which every version of the platform accepts.
constexpr UINT kMenuItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);
#if !defined(_WIN64)
static_assert(kMenuItemInfoSize == 44, "MENUITEMINFOA without hbmpItem");
static_assert(sizeof(SHFILEINFOA) == 352, "SHFILEINFOA");
#endif

namespace {

// Answers without an item in a row after which a faulty enumerator is given up.
constexpr int kMaxEmptyAnswers = 64;

// A launcher menu's data is this object's address: no other menu in the process has it.
const char g_launcherMenuTag = 0;

void TagLauncherMenu(HMENU menu)
{
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

// Copies text into the record's buffer, cut to kRecordTextChars characters so that no
// character is ever split.
void CopyRecordText(char* out, const char* text)
{
    size_t length = CutAtCharBoundary(text, strlen(text), kRecordTextChars,
                                      sizeof(LauncherRecord::text) - 1, SystemAnsiEncoding());
    CopyMemory(out, text, length);
    out[length] = '\0';
}

void FreeStrRet(STRRET* name, IMalloc* allocator)
{
    if (name->uType == STRRET_WSTR && name->pOleStr) {
        allocator->Free(name->pOleStr);
        name->pOleStr = nullptr;
    }
}

}  // namespace

void SetSpokenName(LauncherRecord* record)
{
    int length = MultiByteToWideChar(CP_ACP, 0, record->text, -1, record->wideText,
                                     ARRAYSIZE(record->wideText));
    if (length <= 0)
        record->wideText[0] = L'\0';
    record->msaa.dwMSAASignature = static_cast<DWORD>(MSAA_MENU_SIG);
    record->msaa.cchWText = static_cast<DWORD>(lstrlenW(record->wideText));
    record->msaa.pszWText = record->wideText;
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

BOOL AppendFolderItems(HMENU menu, IShellFolder* folder, LPCITEMIDLIST parentList,
                       LaunchEntry** head, IMalloc* allocator, UINT iconShow)
{
    IEnumIDList* enumerator = nullptr;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &enumerator) != S_OK)
        return FALSE;

    TagLauncherMenu(menu);
    LaunchEntry** entryTail = head;
    LauncherRecord** recordTail = &g_launcher.recordListHead;
    while (*entryTail)
        entryTail = &(*entryTail)->next;
    while (*recordTail)
        recordTail = &(*recordTail)->next;

    BOOL ok = TRUE;
    UINT id = FIRST_LAUNCHER_ID;
    int emptyAnswers = 0;
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
        ++g_live.idLists;
        STRRET name = {};
        if (folder->GetDisplayNameOf(child, SHGDN_NORMAL, &name) != S_OK) {
            FreeIdList(child, allocator);
            ok = FALSE;
            break;
        }
        char* copy = nullptr;
        const char* text = StrRetText(&name, child, allocator, &copy);
        FreeStrRet(&name, allocator);
        if (!text) {
            FreeIdList(child, allocator);
            // A name that does not lie inside its own item or buffer: the entry is left out.
            if (name.uType == STRRET_CSTR || name.uType == STRRET_OFFSET)
                continue;
            ok = FALSE;
            break;
        }
        // Relative to the desktop, a desktop child is already absolute.
        // The text may lie inside the child: the child is freed only once it is copied.
        LPITEMIDLIST list = parentList ? IdListConcat(parentList, child, allocator) : child;
        auto* entry = list ? static_cast<LaunchEntry*>(HeapZeroed(sizeof(LaunchEntry))) : nullptr;
        if (!entry) {
            HeapRelease(copy);
            FreeIdList(list, allocator);
            if (list != child)
                FreeIdList(child, allocator);
            // No entry without a list: this one is left out of the menu.
            if (!list)
                continue;
            ok = FALSE;
            break;
        }
        entry->id = id;
        entry->idList = list;
        *entryTail = entry;
        entryTail = &entry->next;

        auto* record = static_cast<LauncherRecord*>(HeapZeroed(sizeof(LauncherRecord)));
        if (record) {
            *recordTail = record;
            recordTail = &record->next;
            record->id = id;
            SHFILEINFOA info = {};
            if (iconShow) {
                SHGetFileInfoA(reinterpret_cast<LPCSTR>(list), 0, &info, sizeof(info),
                               SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON);
                record->icon = info.hIcon;
                if (record->icon)
                    ++g_live.icons;
            }
            CopyRecordText(record->text, text);
            SetSpokenName(record);
            InsertOwnerDrawItem(menu, id, record);
            ++id;
        } else {
            ok = FALSE;
        }
        HeapRelease(copy);
        if (list != child)
            FreeIdList(child, allocator);
    }
    enumerator->Release();
    return ok;
}

HMENU BuildFolderMenu(LaunchEntry** head, IMalloc* allocator, FolderMode mode, UINT iconShow)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return nullptr;
    IShellFolder* desktop = nullptr;
    if (SHGetDesktopFolder(&desktop) != S_OK) {
        FreeFolderMenu(menu, *head, allocator);
        return nullptr;
    }

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
            g_platform.MessageBoxW(nullptr, kTextNoItemsFolder, kCaptionError, MB_OK);
            FreeIdList(itemsList, allocator);
            desktop->Release();
            DestroyMenu(menu);
            return nullptr;
        }
    }

    BOOL ok = AppendFolderItems(menu, folder, itemsList, head, allocator, iconShow);
    if (folder != desktop)
        folder->Release();
    desktop->Release();
    FreeIdList(itemsList, allocator);
    if (!ok) {
        FreeFolderMenu(menu, *head, allocator);
        *head = nullptr;
        return nullptr;
    }
    return menu;
}

void FreeFolderMenu(HMENU menu, LaunchEntry* head, IMalloc* allocator)
{
    if (menu)
        DestroyMenu(menu);
    FreeLaunchEntries(head, allocator);
    FreeLauncherRecords(g_launcher.recordListHead);
    g_launcher.recordListHead = nullptr;
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
        if (head->icon) {
            DestroyIcon(head->icon);
            --g_live.icons;
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
           info.dwMenuData == reinterpret_cast<ULONG_PTR>(&g_launcherMenuTag);
}

LauncherRecord* RecordOfItemData(ULONG_PTR data, UINT id)
{
    // Only the launcher's menus hold owner-drawn items in this program, and their data
    // always points at a record; the id confirms it is this item's.
    auto* record = reinterpret_cast<LauncherRecord*>(data);
    return record && record->id == id ? record : nullptr;
}
