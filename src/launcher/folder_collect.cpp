// Collecting a folder's entries and records from the shell, on whichever thread builds.
#include "launcher/folder_collect.h"

#include "core/live_counts.h"
#include "core/owners.h"
#include "launcher/folder_listing.h"
#include "launcher/icon_fetch.h"
#include "launcher/launcher_records.h"
#include "launcher/record_reuse.h"
#include "settings/exe_paths.h"
#include "shell/idlist.h"
#include "shell/idlist_walk.h"

namespace {

// Answers without an item in a row after which a faulty enumerator is given up.
constexpr int kMaxEmptyAnswers = 64;

constexpr SFGAOF kFolderAttributes = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_STREAM;

void FreeStrRet(STRRET* name)
{
    if (name->uType == STRRET_WSTR && name->pOleStr) {
        CoTaskMemFree(name->pOleStr);
        name->pOleStr = nullptr;
    }
}

// One folder's collection under way: where the next entry and record go, and with what.
struct Collector {
    IShellFolder* folder;
    LPCITEMIDLIST parentList;
    UINT iconShow;
    const RecordReuse* reuse;
    UINT submenus;
    LaunchEntry** entryTail;
    LauncherRecord** recordTail;
    UINT id;
    IconFetcher icons;
};

// The name child is shown by: the kept record's, or the folder's (it may lie inside name or
// child, or in *copy). Null when it has none; *ok is then FALSE when that fails the build.
const char* DisplayName(Collector* c, LPCITEMIDLIST child, const LauncherRecord* kept, STRRET* name,
                        char** copy, BOOL* ok)
{
    *copy = nullptr;
    if (kept)
        return kept->text;
    if (c->folder->GetDisplayNameOf(child, SHGDN_NORMAL, name) != S_OK) {
        *ok = FALSE;
        return nullptr;
    }
    const char* text = StrRetText(name, child, copy);
    FreeStrRet(name);
    // A name that does not lie inside its own item or buffer: the entry is left out. Any
    // other failure fails the build.
    if (!text && name->uType != STRRET_CSTR && name->uType != STRRET_OFFSET)
        *ok = FALSE;
    return text;
}

// Appends the entry and record of one child (taken over). FALSE when the build must fail.
BOOL CollectChild(Collector* c, LPITEMIDLIST child)
{
    // Relative to the desktop, a desktop child is already absolute.
    LPITEMIDLIST list = c->parentList ? IdListConcat(c->parentList, child) : child;
    if (!list) {
        // No entry without a list: this one is left out of the menu.
        FreeIdList(child);
        return TRUE;
    }
    UINT64 listedKey = ListedKey(c->folder, child);
    const LauncherRecord* kept = FindReusableRecord(c->reuse, listedKey);
    BOOL ok = TRUE;
    STRRET name = {};
    char* copy = nullptr;
    const char* text = DisplayName(c, child, kept, &name, &copy, &ok);
    // The text may lie inside the child: the child is freed only once it is copied.
    auto* entry = text ? static_cast<LaunchEntry*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(LaunchEntry)))
                       : nullptr;
    LauncherRecord* record = entry ? NewLauncherRecord(c->id, text) : nullptr;
    if (copy)
        HeapFree(GetProcessHeap(), 0, copy);
    if (!record) {
        if (entry)
            HeapFree(GetProcessHeap(), 0, entry);
        if (list != child)
            FreeIdList(list);
        FreeIdList(child);
        return text ? FALSE : ok;
    }
    entry->id = c->id;
    entry->idList = list;
    *c->entryTail = entry;
    c->entryTail = &entry->next;
    *c->recordTail = record;
    c->recordTail = &record->next;
    record->listedKey = listedKey;
    record->reusedFrom = kept;
    // An icon that came late last time is asked for again (once its lookup has answered).
    if (kept && !kept->iconLate)
        record->iconIndex = kept->iconIndex;
    else if (c->iconShow)
        AskIcon(&c->icons, list, record);
    // Whether it opens as a submenu is asked each build: a shortcut's target may change.
    if (c->submenus)
        record->folderList = SubmenuFolderOf(c->folder, child, list);
    ++c->id;
    if (list != child)
        FreeIdList(child);
    return TRUE;
}

// A file-system folder; a file the shell can browse (a zip file) is a stream as well.
bool ListsAsFolder(SFGAOF attributes)
{
    return (attributes & kFolderAttributes) == (SFGAO_FOLDER | SFGAO_FILESYSTEM);
}

// Whether an absolute list names a file-system folder, by what the shell says of it.
bool NamesFolder(LPCITEMIDLIST list)
{
    ComPtr<IShellFolder> parent;
    LPCITEMIDLIST last = nullptr;
    if (SHBindToParent(list, __uuidof(IShellFolder), parent.putVoid(), &last) != S_OK)
        return false;
    SFGAOF attributes = kFolderAttributes;
    return parent->GetAttributesOf(1, &last, &attributes) == S_OK && ListsAsFolder(attributes);
}

// A shortcut's target when it is a file-system folder; null otherwise. The target is
// named again from its path: the list a shortcut stores may not bind (under Wine it lists
// nothing), and parsing the path tells whether it is there, and what it is, in one call.
LPITEMIDLIST ShortcutFolderTarget(IShellFolder* folder, LPCITEMIDLIST child)
{
    ComPtr<IShellLinkW> link;
    LPCITEMIDLIST children[] = {child};
    if (folder->GetUIObjectOf(nullptr, 1, children, __uuidof(IShellLinkW), nullptr, link.putVoid()) != S_OK ||
        !link)
        return nullptr;
    LPITEMIDLIST storedList = nullptr;
    HRESULT got = link->GetIDList(&storedList);
    AutoIdList stored(storedList);
    wchar_t path[MAX_PATH];
    bool named = got == S_OK && stored && SHGetPathFromIDListW(stored.get(), path);
    // A target on the network stays a plain entry: looking at a share gone offline would
    // hold up the build (and a click waiting for it) until the network gives up.
    if (named && FolderReachesTheNetwork(path))
        return nullptr;
    // Most shortcuts name files: one look at the disk settles those before the dearer parse.
    // A directory on disk is never a file the shell browses (those are files).
    DWORD onDisk = named ? GetFileAttributesW(path) : INVALID_FILE_ATTRIBUTES;
    // A target gone: the shortcut's own list still tells whether it named a folder, whose
    // submenu then shows its first item alone.
    if (named && onDisk == INVALID_FILE_ATTRIBUTES && NamesFolder(stored.get())) {
        InterlockedIncrement(&g_live.idLists);
        return stored.release();
    }
    ComPtr<IShellFolder> desktop;
    if (onDisk == INVALID_FILE_ATTRIBUTES || !(onDisk & FILE_ATTRIBUTE_DIRECTORY) ||
        SHGetDesktopFolder(desktop.put()) != S_OK)
        return nullptr;
    LPITEMIDLIST parsed = nullptr;
    SFGAOF attributes = kFolderAttributes;
    if (desktop->ParseDisplayName(nullptr, nullptr, path, nullptr, &parsed, &attributes) != S_OK)
        parsed = nullptr;
    AutoIdList target(parsed);
    if (!target || !ListsAsFolder(attributes))
        return nullptr;
    InterlockedIncrement(&g_live.idLists);
    return target.release();
}

}  // namespace

const char* StrRetText(STRRET* name, LPCITEMIDLIST child, char** ownedCopy)
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
        FreeStrRet(name);
        return *ownedCopy;
    default:
        return nullptr;
    }
}

BOOL CollectFolderItems(IShellFolder* folder, LPCITEMIDLIST parentList, LaunchEntry** head,
                        LauncherRecord** records, UINT iconShow,
                        const RecordReuse* reuse, UINT firstId, UINT submenus)
{
    ComPtr<IEnumIDList> enumerator;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, enumerator.put()) != S_OK)
        return FALSE;
    Collector c = {folder, parentList, iconShow, reuse, submenus, head, records, firstId, kNewIconFetcher};
    while (*c.entryTail)
        c.entryTail = &(*c.entryTail)->next;
    while (*c.recordTail)
        c.recordTail = &(*c.recordTail)->next;
    BOOL ok = TRUE;
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
        InterlockedIncrement(&g_live.idLists);
        ok = CollectChild(&c, child);
    }
    // Every icon of the folder is waited for together, also when the build fails: the
    // lookups write into its records.
    AwaitIcons(&c.icons);
    return ok;
}

CollectResult CollectFolder(FolderMode mode, LaunchEntry** head, LauncherRecord** records,
                            UINT iconShow, const RecordReuse* reuse, UINT submenus)
{
    ComPtr<IShellFolder> desktop;
    if (SHGetDesktopFolder(desktop.put()) != S_OK)
        return CollectResult::Failed;
    ComPtr<IShellFolder> items;
    LPITEMIDLIST itemsList = nullptr;
    if (mode == FolderMode::Items) {
        char path[kPathBytes];
        // A path that does not fit counts as a missing folder: "" would name the desktop.
        if (MakeExePath(path, kItemsFolderName))
            itemsList = PathToIdList(path);
        if (!itemsList ||
            desktop->BindToObject(itemsList, nullptr, __uuidof(IShellFolder), items.putVoid()) != S_OK) {
            FreeIdList(itemsList);
            return CollectResult::NoFolder;
        }
    }
    IShellFolder* folder = mode == FolderMode::Items ? items.get() : desktop.get();
    BOOL ok = CollectFolderItems(folder, itemsList, head, records, iconShow, reuse, FIRST_LAUNCHER_ID,
                                 submenus);
    FreeIdList(itemsList);
    return ok ? CollectResult::Done : CollectResult::Failed;
}

LPITEMIDLIST SubmenuFolderOf(IShellFolder* folder, LPCITEMIDLIST child, LPCITEMIDLIST list)
{
    SFGAOF attributes = kFolderAttributes | SFGAO_LINK;
    LPCITEMIDLIST children[] = {child};
    if (folder->GetAttributesOf(1, children, &attributes) != S_OK)
        return nullptr;
    // A folder that is a link (a folder shortcut) lists its target: that is the one to judge.
    if (ListsAsFolder(attributes) && !(attributes & SFGAO_LINK)) {
        // A junction or a symbolic link to a share stays a plain entry, as a shortcut there does.
        wchar_t* path = IdListLongPath(list);
        bool network = path && FolderReachesTheNetwork(path);
        if (path)
            HeapFree(GetProcessHeap(), 0, path);
        return network ? nullptr : IdListCopy(list);
    }
    return attributes & SFGAO_LINK ? ShortcutFolderTarget(folder, child) : nullptr;
}
