// Item-ID lists on the Win32 side, over the byte walking of idlist_walk.
#include "shell/idlist.h"

#include <shellapi.h>

#include "core/live_counts.h"
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

void* AllocFromShell(size_t size, void* allocator)
{
    return ShellAllocZeroed(size, static_cast<IMalloc*>(allocator));
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

LPITEMIDLIST IdListConcat(LPCITEMIDLIST first, LPCITEMIDLIST second, IMalloc* allocator)
{
    auto* list = reinterpret_cast<LPITEMIDLIST>(
        IdBytesConcat(Bytes(first), Bytes(second), AllocFromShell, allocator));
    if (list)
        InterlockedIncrement(&g_live.idLists);
    return list;
}

LPITEMIDLIST IdListCopy(LPCITEMIDLIST list, IMalloc* allocator)
{
    static const USHORT kEmpty = 0;
    return IdListConcat(list, reinterpret_cast<LPCITEMIDLIST>(&kEmpty), allocator);
}

void* ShellAllocZeroed(SIZE_T size, IMalloc* allocator)
{
    void* block = allocator->Alloc(size);
    if (block)
        ZeroMemory(block, size);
    return block;
}

LPITEMIDLIST PathToIdList(const char* path)
{
    IShellFolder* desktop = nullptr;
    if (SHGetDesktopFolder(&desktop) != S_OK)
        return nullptr;
    wchar_t widePath[MAX_PATH];
    LPITEMIDLIST list = nullptr;
    // A path that does not convert whole would name another folder, or none.
    if (!AnsiToWide(path, widePath, MAX_PATH) ||
        desktop->ParseDisplayName(nullptr, nullptr, widePath, nullptr, &list, nullptr) != S_OK)
        list = nullptr;
    desktop->Release();
    if (list)
        InterlockedIncrement(&g_live.idLists);
    return list;
}

void FreeIdList(LPITEMIDLIST list, IMalloc* allocator)
{
    if (!list)
        return;
    allocator->Free(list);
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
