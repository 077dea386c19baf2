// Icon lookups on a helper thread, waited for only so long. What makes it safe: the helper and
// the build share one heap block (IconHelper) whose state moves by interlocked exchange only:
// Asked -> Answered by the helper, or Asked -> Abandoned by the build when the wait ends first.
// Whoever makes the second move of an abandoned lookup (the helper, when its call returns)
// frees the block and the copy of the list it worked on; otherwise the build frees them.
#include "launcher/icon_fetch.h"

#include <objbase.h>

#include <shellapi.h>

#include "core/platform_calls.h"
#include "launcher/folder_listing.h"
#include "shell/idlist.h"

namespace {

enum : LONG { kIdle, kAsked, kAnswered, kAbandoned, kQuit };

}  // namespace

struct IconHelper {
    HANDLE thread;
    HANDLE asked;     // set by the build: a lookup (or the quit) waits
    HANDLE answered;  // set by the helper
    volatile LONG state;
    LPITEMIDLIST list;  // the helper's own copy, from the process heap
    int index;
};

namespace {

void FreeHelper(IconHelper* helper)
{
    if (helper->list)
        HeapFree(GetProcessHeap(), 0, helper->list);
    CloseHandle(helper->asked);
    CloseHandle(helper->answered);
    CloseHandle(helper->thread);
    HeapFree(GetProcessHeap(), 0, helper);
}

DWORD WINAPI HelperThread(void* parameter)
{
    auto* helper = static_cast<IconHelper*>(parameter);
    // An icon handler of the shell may be a COM object: the thread has an apartment of its own.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    QuietErrorBoxes quiet;  // for the thread's life
    for (;;) {
        WaitForSingleObject(helper->asked, INFINITE);
        if (helper->state == kQuit)
            break;
        helper->index = FetchSmallIconIndex(helper->list);
        if (InterlockedCompareExchange(&helper->state, kAnswered, kAsked) == kAbandoned) {
            FreeHelper(helper);
            break;
        }
        SetEvent(helper->answered);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

IconHelper* NewHelper()
{
    auto* helper = static_cast<IconHelper*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(IconHelper)));
    if (!helper)
        return nullptr;
    helper->asked = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    helper->answered = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (helper->asked && helper->answered)
        helper->thread = CreateThread(nullptr, 0, HelperThread, helper, 0, nullptr);
    if (!helper->thread) {
        if (helper->asked)
            CloseHandle(helper->asked);
        if (helper->answered)
            CloseHandle(helper->answered);
        HeapFree(GetProcessHeap(), 0, helper);
        return nullptr;
    }
    return helper;
}

int GenericIndex(IconFetcher* fetcher)
{
    if (fetcher->genericIndex < 0) {
        // By attributes alone: the shell looks at no file, so this cannot stall.
        SHFILEINFOA info = {};
        if (SHGetFileInfoA("file", FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                           SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
            fetcher->genericIndex = info.iIcon;
    }
    return fetcher->genericIndex;
}

}  // namespace

int FetchSmallIconIndex(LPCITEMIDLIST list)
{
    SHFILEINFOA info = {};
    info.iIcon = -1;
    // The answer is the system's small image list, the one the draw handlers use.
    if (!g_platform.SHGetFileInfoA(reinterpret_cast<LPCSTR>(list), 0, &info, sizeof(info),
                                   SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
        return -1;
    return info.iIcon;
}

int FetchIconWithin(IconFetcher* fetcher, LPCITEMIDLIST list, bool* late)
{
    *late = false;
    if (!fetcher->helper)
        fetcher->helper = NewHelper();
    IconHelper* helper = fetcher->helper;
    UINT size = IdListSize(list);
    void* copy = helper ? HeapAlloc(GetProcessHeap(), 0, size) : nullptr;
    // Without a helper the lookup is made here, as it always could be.
    if (!copy)
        return FetchSmallIconIndex(list);
    CopyMemory(copy, list, size);
    if (helper->list)
        HeapFree(GetProcessHeap(), 0, helper->list);
    helper->list = static_cast<LPITEMIDLIST>(copy);
    helper->state = kAsked;
    SetEvent(helper->asked);
    if (WaitForSingleObject(helper->answered, kIconWaitMs) == WAIT_OBJECT_0)
        return helper->index;
    if (InterlockedCompareExchange(&helper->state, kAbandoned, kAsked) == kAnswered) {
        // Answered as the wait ended: its event is set, or about to be.
        WaitForSingleObject(helper->answered, INFINITE);
        return helper->index;
    }
    // Late: the helper is the block's now; the next lookup gets a helper of its own.
    fetcher->helper = nullptr;
    *late = true;
    return GenericIndex(fetcher);
}

void CloseIconFetcher(IconFetcher* fetcher)
{
    IconHelper* helper = fetcher->helper;
    fetcher->helper = nullptr;
    if (!helper)
        return;
    helper->state = kQuit;
    SetEvent(helper->asked);
    WaitForSingleObject(helper->thread, INFINITE);
    FreeHelper(helper);
}
