// Item-ID lists on the Win32 side, over the byte walking of idlist_walk.
#include "shell/idlist.h"

#include <shellapi.h>

#include "core/live_counts.h"
#include "core/owners.h"
#include "core/platform_calls.h"
#include "shell/idlist_walk.h"
#include "settings/exe_paths.h"

#if !defined(_WIN64)
static_assert(sizeof(SHELLEXECUTEINFOA) == 60, "the shell execute record is the 60-byte form");
#endif

namespace {

const unsigned char* Bytes(LPCITEMIDLIST list)
{
    return reinterpret_cast<const unsigned char*>(list);
}

// A zero-filled block from the task allocator (the shell's), or null.
void* AllocFromShell(size_t size, void*)
{
    void* block = CoTaskMemAlloc(size);
    if (block)
        ZeroMemory(block, size);
    return block;
}

}  // namespace

LPITEMIDLIST IdListNext(LPCITEMIDLIST list)
{
    return reinterpret_cast<LPITEMIDLIST>(const_cast<unsigned char*>(IdBytesNext(Bytes(list))));
}

UINT IdListSize(LPCITEMIDLIST list)
{
    return static_cast<UINT>(IdBytesSize(Bytes(list)));
}

LPITEMIDLIST IdListConcat(LPCITEMIDLIST first, LPCITEMIDLIST second)
{
    auto* list = reinterpret_cast<LPITEMIDLIST>(
        IdBytesConcat(Bytes(first), Bytes(second), AllocFromShell, nullptr));
    if (list)
        InterlockedIncrement(&g_live.idLists);
    return list;
}

LPITEMIDLIST IdListCopy(LPCITEMIDLIST list)
{
    static const USHORT kEmpty = 0;
    return IdListConcat(list, reinterpret_cast<LPCITEMIDLIST>(&kEmpty));
}

LPITEMIDLIST PathToIdList(const char* path)
{
    ComPtr<IShellFolder> desktop;
    if (SHGetDesktopFolder(desktop.put()) != S_OK)
        return nullptr;
    wchar_t widePath[MAX_PATH];
    LPITEMIDLIST list = nullptr;
    // A path that does not convert whole would name another folder, or none.
    if (!AnsiToWide(path, widePath, MAX_PATH) ||
        desktop->ParseDisplayName(nullptr, nullptr, widePath, nullptr, &list, nullptr) != S_OK)
        list = nullptr;
    if (list)
        InterlockedIncrement(&g_live.idLists);
    return list;
}

void FreeIdList(LPITEMIDLIST list)
{
    if (!list)
        return;
    CoTaskMemFree(list);
    InterlockedDecrement(&g_live.idLists);
}

char* WideToAnsiDup(const wchar_t* wide)
{
    int n = lstrlenW(wide);
    // Ask the code page how many bytes it needs: some take more than two a character.
    int needed = n ? WideCharToMultiByte(CP_ACP, 0, wide, n, nullptr, 0, nullptr, nullptr) : 0;
    if (n && needed <= 0)
        return nullptr;
    auto* buffer = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, needed + 1));
    if (!buffer)
        return nullptr;
    if (n)
        WideCharToMultiByte(CP_ACP, 0, wide, n, buffer, needed, nullptr, nullptr);
    return buffer;
}

void OpenIdList(LPCITEMIDLIST list, const char* verb)
{
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_INVOKEIDLIST;
    info.hwnd = GetDesktopWindow();
    info.lpVerb = verb;
    info.nShow = SW_SHOWNORMAL;
    info.lpIDList = const_cast<LPITEMIDLIST>(list);
    // A declined elevation prompt fails the call with ERROR_CANCELLED; like the shell's own
    // launches, that says nothing more.
    g_platform.ShellExecuteExA(&info);
}

namespace {

// A growing wide string on the process heap.
struct WideText {
    wchar_t* text;
    int length;
    int capacity;
};

bool AppendWide(WideText* to, const wchar_t* text)
{
    int length = lstrlenW(text);
    if (to->length + length + 1 > to->capacity) {
        int capacity = (to->length + length + 1) * 2;
        void* grown = to->text ? HeapReAlloc(GetProcessHeap(), 0, to->text, capacity * sizeof(wchar_t))
                               : HeapAlloc(GetProcessHeap(), 0, capacity * sizeof(wchar_t));
        if (!grown)
            return false;
        to->text = static_cast<wchar_t*>(grown);
        to->capacity = capacity;
    }
    CopyMemory(to->text + to->length, text, (length + 1) * sizeof(wchar_t));
    to->length += length;
    return true;
}

// The long form of a drive or share path: "\\?\C:\..." or "\\?\UNC\server\share\...".
bool AppendLongForm(WideText* to, const wchar_t* path)
{
    if (path[0] == L'\\' && path[1] == L'\\' && path[2] == L'?')
        return AppendWide(to, path);
    if (path[0] == L'\\' && path[1] == L'\\')
        return AppendWide(to, L"\\\\?\\UNC") && AppendWide(to, path + 1);
    return AppendWide(to, L"\\\\?\\") && AppendWide(to, path);
}

// Walks the list from the desktop: the path of the first ancestor the shell names, then
// each item's own parsing name below it.
bool AppendWalkedPath(WideText* to, LPCITEMIDLIST list, IShellFolder* desktop)
{
    UINT size = IdListSize(list);
    auto* prefix = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size));
    if (!prefix)
        return false;
    CopyMemory(prefix, list, size);
    IShellFolder* folder = desktop;
    folder->AddRef();
    bool ok = true;
    bool named = false;
    for (BYTE* item = prefix; ok && reinterpret_cast<LPITEMIDLIST>(item)->mkid.cb; ) {
        BYTE* next = item + reinterpret_cast<LPITEMIDLIST>(item)->mkid.cb;
        USHORT saved = *reinterpret_cast<USHORT*>(next);
        // The list as far as this item, and this item alone.
        *reinterpret_cast<USHORT*>(next) = 0;
        auto child = reinterpret_cast<LPCITEMIDLIST>(item);
        wchar_t path[MAX_PATH];
        STRRET name = {};
        if (!named && SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(prefix), path)) {
            named = ok = AppendLongForm(to, path);
        } else if (named && folder->GetDisplayNameOf(child, SHGDN_INFOLDER | SHGDN_FORPARSING, &name) == S_OK) {
            ok = name.uType == STRRET_WSTR && (to->text[to->length - 1] == L'\\' || AppendWide(to, L"\\")) &&
                 AppendWide(to, name.pOleStr);
            if (name.uType == STRRET_WSTR)
                CoTaskMemFree(name.pOleStr);
        } else {
            ok = !named;
        }
        IShellFolder* inner = nullptr;
        if (ok && saved && folder->BindToObject(child, nullptr, __uuidof(IShellFolder), reinterpret_cast<void**>(&inner)) != S_OK)
            ok = false;
        folder->Release();
        folder = inner;
        *reinterpret_cast<USHORT*>(next) = saved;
        item = next;
    }
    if (folder)
        folder->Release();
    HeapFree(GetProcessHeap(), 0, prefix);
    return ok && named;
}

}  // namespace

wchar_t* IdListLongPath(LPCITEMIDLIST list)
{
    WideText path = {};
    wchar_t shortPath[MAX_PATH];
    ComPtr<IShellFolder> desktop;
    bool ok;
    // Windows refuses a path of MAX_PATH or more here, and Wine cuts it to MAX_PATH - 1.
    if (SHGetPathFromIDListW(list, shortPath) && lstrlenW(shortPath) < MAX_PATH - 1) {
        ok = AppendLongForm(&path, shortPath);
    } else {
        ok = SHGetDesktopFolder(desktop.put()) == S_OK && AppendWalkedPath(&path, list, desktop.get());
    }
    if (!ok && path.text) {
        HeapFree(GetProcessHeap(), 0, path.text);
        path.text = nullptr;
    }
    return path.text;
}
