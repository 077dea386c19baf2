// Icon lookups on a few shared helper threads, waited for only so long. What makes it safe:
// every lookup (IconLookup) and the pool's queues move under one lock. A lookup is queued by
// the fetcher that asked, run by a helper with the lock released, and answered under the lock
// again; a fetcher that stops waiting leaves its unanswered lookups to the pool, which then
// owns them: the helper that answers one posts its icon to the window and frees it. A record
// is written only on its fetcher's thread, never by a helper.
#include "launcher/icon_fetch.h"

#include <objbase.h>

#include <shellapi.h>

#include "core/platform_calls.h"
#include "launcher/folder_listing.h"
#include "shell/idlist.h"

namespace {

// An idle helper ends after this long without work; the next lookup starts one again.
constexpr DWORD kHelperIdleMs = 10000;

enum class LookupState { Queued, Running, Answered };

}  // namespace

struct IconLookup {
    IconLookup* next;       // in a queue, or among its fetcher's answered ones
    IconLookup* nextAsked;  // in its fetcher's list, while it waits
    IconFetcher* fetcher;   // waiting for it; null once late
    LauncherRecord* record; // its fetcher's, written on the fetcher's thread only
    LPITEMIDLIST list;      // the helper's copy, from the process heap; freed once answered
    UINT64 key;
    int index;
    LookupState state;
};

namespace {

// A queue of lookups not yet taken by a helper.
struct Queue {
    IconLookup* head;
    IconLookup** tail;
};

struct Pool {
    SRWLOCK lock;
    CONDITION_VARIABLE work;  // a lookup was queued
    Queue waited;             // a fetcher waits for these: taken first
    Queue left;               // late ones, taken when no fetcher waits
    LONG outCount;            // late lookups not answered yet (g_out)
    LONG helpers;
    LONG idle;
    LONG queued;
    LONG deadlines;
    HWND window;
    UINT message;
};
Pool g_pool = {SRWLOCK_INIT, CONDITION_VARIABLE_INIT, {nullptr, nullptr}, {nullptr, nullptr}, 0, 0, 0, 0, 0, nullptr, 0};

// The late ones are linked apart from the queues: a late lookup may be queued and out at once.
struct OutLink {
    IconLookup* lookup;
    OutLink* next;
};
OutLink* g_out;

void Append(Queue& queue, IconLookup* lookup)
{
    if (!queue.head)
        queue.tail = &queue.head;
    lookup->next = nullptr;
    *queue.tail = lookup;
    queue.tail = &lookup->next;
}

IconLookup* TakeFirst(Queue& queue)
{
    IconLookup* lookup = queue.head;
    if (lookup)
        queue.head = lookup->next;
    return lookup;
}

bool IsOut(UINT64 key)
{
    for (OutLink* link = g_out; link; link = link->next) {
        if (link->lookup->key == key)
            return true;
    }
    return false;
}

// Under the lock: lookup is no longer out.
void TakeOut(IconLookup* lookup)
{
    for (OutLink** link = &g_out; *link; link = &(*link)->next) {
        if ((*link)->lookup == lookup) {
            OutLink* gone = *link;
            *link = gone->next;
            HeapFree(GetProcessHeap(), 0, gone);
            --g_pool.outCount;
            return;
        }
    }
}

UINT64 Digest(const void* data, SIZE_T size)
{
    // FNV-1a.
    UINT64 hash = 14695981039346656037ull;
    auto* bytes = static_cast<const BYTE*>(data);
    for (SIZE_T i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

// Which item a lookup is for, the same from one build to the next: a file's list carries its
// last access time, which reading the file changes, so a file is known by its path (made from
// the list alone, without looking at the disk); any other item by its list.
UINT64 KeyOf(LPCITEMIDLIST list, UINT size)
{
    wchar_t path[MAX_PATH];
    if (SHGetPathFromIDListW(list, path))
        return Digest(path, lstrlenW(path) * sizeof(wchar_t));
    return Digest(list, size) ^ 1;
}

// A late lookup answered (outside the lock): its icon to the window, or dropped.
void HandOver(IconLookup* lookup, HWND window, UINT message)
{
    auto* icon = static_cast<LateIcon*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(LateIcon)));
    if (icon) {
        icon->key = lookup->key;
        icon->index = lookup->index;
        if (!window || !g_platform.PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(icon)))
            HeapFree(GetProcessHeap(), 0, icon);
    }
    HeapFree(GetProcessHeap(), 0, lookup);
}

DWORD WINAPI HelperThread(void*)
{
    // An icon handler of the shell may be a COM object: the thread has an apartment of its own.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    QuietErrorBoxes quiet;  // for the thread's life
    Pool& p = g_pool;
    AcquireSRWLockExclusive(&p.lock);
    for (;;) {
        IconLookup* lookup = TakeFirst(p.waited);
        if (!lookup)
            lookup = TakeFirst(p.left);
        if (!lookup) {
            ++p.idle;
            BOOL woken = SleepConditionVariableSRW(&p.work, &p.lock, kHelperIdleMs, 0);
            --p.idle;
            if (!woken && !p.waited.head && !p.left.head)
                break;
            continue;
        }
        --p.queued;
        lookup->state = LookupState::Running;
        ReleaseSRWLockExclusive(&p.lock);
        int index = FetchSmallIconIndex(lookup->list);
        AcquireSRWLockExclusive(&p.lock);
        HeapFree(GetProcessHeap(), 0, lookup->list);
        lookup->list = nullptr;
        lookup->index = index;
        lookup->state = LookupState::Answered;
        if (IconFetcher* fetcher = lookup->fetcher) {
            --fetcher->pending;
            WakeAllConditionVariable(&fetcher->answered);
            continue;
        }
        TakeOut(lookup);
        HWND window = p.window;
        UINT message = p.message;
        ReleaseSRWLockExclusive(&p.lock);
        HandOver(lookup, window, message);
        AcquireSRWLockExclusive(&p.lock);
    }
    --p.helpers;
    ReleaseSRWLockExclusive(&p.lock);
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

// Under the lock: one more helper, when fewer than kIconHelpers run and none is free for what
// is queued.
void MaybeStartHelper()
{
    Pool& p = g_pool;
    if (p.helpers >= kIconHelpers || p.idle > p.queued)
        return;
    HANDLE thread = CreateThread(nullptr, 0, HelperThread, nullptr, 0, nullptr);
    if (!thread)
        return;
    CloseHandle(thread);
    ++p.helpers;
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

void ShowLate(IconFetcher* fetcher, LauncherRecord* record)
{
    record->iconIndex = GenericIndex(fetcher);
    record->iconLate = true;
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

void AskIcon(IconFetcher* fetcher, LPCITEMIDLIST list, LauncherRecord* record)
{
    UINT size = IdListSize(list);
    record->iconKey = KeyOf(list, size);
    record->iconLate = false;
    HANDLE heap = GetProcessHeap();
    auto* lookup = static_cast<IconLookup*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(IconLookup)));
    void* copy = lookup ? HeapAlloc(heap, 0, size) : nullptr;
    Pool& p = g_pool;
    AcquireSRWLockExclusive(&p.lock);
    bool out = IsOut(record->iconKey);
    if (!out && copy)
        MaybeStartHelper();
    bool queue = !out && copy && p.helpers > 0;
    if (queue) {
        CopyMemory(copy, list, size);
        lookup->list = static_cast<LPITEMIDLIST>(copy);
        lookup->fetcher = fetcher;
        lookup->record = record;
        lookup->key = record->iconKey;
        lookup->state = LookupState::Queued;
        Append(p.waited, lookup);
        ++p.queued;
        lookup->nextAsked = fetcher->asked;
        fetcher->asked = lookup;
        ++fetcher->pending;
        WakeConditionVariable(&p.work);
    }
    ReleaseSRWLockExclusive(&p.lock);
    if (queue)
        return;
    if (copy)
        HeapFree(heap, 0, copy);
    if (lookup)
        HeapFree(heap, 0, lookup);
    // Still out from before: not asked again until it answers.
    if (out)
        ShowLate(fetcher, record);
    else  // without memory or a helper the lookup is made here, as it always could be
        record->iconIndex = FetchSmallIconIndex(list);
}

void AwaitIcons(IconFetcher* fetcher)
{
    Pool& p = g_pool;
    AcquireSRWLockExclusive(&p.lock);
    // The wait ends kIconWaitMs after the last answer: lookups that keep answering are waited
    // for, and those still out then cost the build that much together.
    DWORD since = GetTickCount();
    while (fetcher->pending > 0) {
        DWORD passed = GetTickCount() - since;
        if (passed >= kIconWaitMs) {
            ++p.deadlines;
            break;
        }
        LONG before = fetcher->pending;
        SleepConditionVariableSRW(&fetcher->answered, &p.lock, kIconWaitMs - passed, 0);
        if (fetcher->pending != before)
            since = GetTickCount();
    }
    if (fetcher->pending > 0) {
        // Asked for outside the lock, which the helpers need to answer.
        ReleaseSRWLockExclusive(&p.lock);
        GenericIndex(fetcher);
        AcquireSRWLockExclusive(&p.lock);
    }
    IconLookup* answered = nullptr;
    bool leftQueued = false;
    for (IconLookup* lookup = fetcher->asked; lookup;) {
        IconLookup* next = lookup->nextAsked;
        if (lookup->state == LookupState::Answered) {
            lookup->record->iconIndex = lookup->index;
            lookup->next = answered;
            answered = lookup;
        } else {
            auto* link = static_cast<OutLink*>(HeapAlloc(GetProcessHeap(), 0, sizeof(OutLink)));
            if (link) {
                link->lookup = lookup;
                link->next = g_out;
                g_out = link;
                ++p.outCount;
            }
            // Without its link it is still answered and posted; only a next build may ask again.
            lookup->fetcher = nullptr;
            leftQueued = leftQueued || lookup->state == LookupState::Queued;
            ShowLate(fetcher, lookup->record);
        }
        lookup = next;
    }
    // The queued ones left go behind the lookups other fetchers wait for.
    if (leftQueued) {
        IconLookup** at = &p.waited.head;
        p.waited.tail = &p.waited.head;
        while (IconLookup* lookup = *at) {
            if (!lookup->fetcher) {
                *at = lookup->next;
                Append(p.left, lookup);
            } else {
                p.waited.tail = &lookup->next;
                at = &lookup->next;
            }
        }
    }
    fetcher->asked = nullptr;
    fetcher->pending = 0;
    ReleaseSRWLockExclusive(&p.lock);
    while (answered) {
        IconLookup* next = answered->next;
        HeapFree(GetProcessHeap(), 0, answered);
        answered = next;
    }
}

void SendLateIconsTo(HWND window, UINT message)
{
    AcquireSRWLockExclusive(&g_pool.lock);
    g_pool.window = window;
    g_pool.message = message;
    ReleaseSRWLockExclusive(&g_pool.lock);
}

IconFetchFigures IconFetchesHeld()
{
    AcquireSRWLockExclusive(&g_pool.lock);
    IconFetchFigures figures = {g_pool.helpers, g_pool.outCount, g_pool.deadlines};
    ReleaseSRWLockExclusive(&g_pool.lock);
    return figures;
}
