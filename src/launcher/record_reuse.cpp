// The index of a kept build's records by their entries' item-ID lists.
#include "launcher/record_reuse.h"

#include <cstring>

#include "launcher/idlist.h"

namespace {

SIZE_T HashList(LPCITEMIDLIST list, UINT size)
{
    // FNV-1a over the list's bytes.
    auto* bytes = reinterpret_cast<const BYTE*>(list);
    UINT64 hash = 14695981039346656037ull;
    for (UINT i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    return static_cast<SIZE_T>(hash ^ (hash >> 32));
}

}  // namespace

bool MakeRecordReuse(RecordReuse* reuse, const LaunchEntry* head, const LauncherRecord* records)
{
    ZeroMemory(reuse, sizeof(*reuse));
    SIZE_T count = 0;
    for (const LaunchEntry* e = head; e; e = e->next)
        ++count;
    if (count == 0)
        return true;
    SIZE_T slots = 16;
    while (slots < count * 2)
        slots *= 2;
    HANDLE heap = GetProcessHeap();
    reuse->entries = static_cast<const LaunchEntry**>(HeapAlloc(heap, HEAP_ZERO_MEMORY, slots * sizeof(void*)));
    reuse->records = static_cast<const LauncherRecord**>(HeapAlloc(heap, HEAP_ZERO_MEMORY, slots * sizeof(void*)));
    if (!reuse->entries || !reuse->records) {
        FreeRecordReuse(reuse);
        return false;
    }
    reuse->slots = slots;
    const LauncherRecord* record = records;
    for (const LaunchEntry* e = head; e && record; e = e->next, record = record->next) {
        if (!e->idList)
            continue;
        SIZE_T slot = HashList(e->idList, IdListSize(e->idList)) & (slots - 1);
        while (reuse->entries[slot])
            slot = (slot + 1) & (slots - 1);
        reuse->entries[slot] = e;
        reuse->records[slot] = record;
    }
    return true;
}

void FreeRecordReuse(RecordReuse* reuse)
{
    if (reuse->entries)
        HeapFree(GetProcessHeap(), 0, reuse->entries);
    if (reuse->records)
        HeapFree(GetProcessHeap(), 0, reuse->records);
    ZeroMemory(reuse, sizeof(*reuse));
}

const LauncherRecord* FindReusableRecord(const RecordReuse* reuse, LPCITEMIDLIST list)
{
    if (!reuse || reuse->slots == 0 || !list)
        return nullptr;
    UINT size = IdListSize(list);
    for (SIZE_T slot = HashList(list, size) & (reuse->slots - 1); reuse->entries[slot];
         slot = (slot + 1) & (reuse->slots - 1)) {
        LPCITEMIDLIST kept = reuse->entries[slot]->idList;
        if (IdListSize(kept) == size && memcmp(kept, list, size) == 0)
            return reuse->records[slot];
    }
    return nullptr;
}
