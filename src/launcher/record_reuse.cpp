// The index of a kept build's records by their entries' listing data.
#include "launcher/record_reuse.h"

#include "shell/idlist.h"


namespace {

constexpr UINT64 kFnvBasis = 14695981039346656037ull;

UINT64 Digest(UINT64 hash, const void* data, SIZE_T size)
{
    // FNV-1a.
    auto* bytes = static_cast<const BYTE*>(data);
    for (SIZE_T i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

}  // namespace

UINT64 ListedKey(IShellFolder* folder, LPCITEMIDLIST child)
{
    WIN32_FIND_DATAW data = {};
    UINT64 key;
    // The shell's own desktop items (the computer, the recycle bin) may be answered with
    // success and no name: each would get the same key, and a rebuild would show one
    // item's name and icon for all of them.
    if (SHGetDataFromIDListW(folder, child, SHGDFIL_FINDDATA, &data, sizeof(data)) == S_OK && data.cFileName[0]) {
        // The last access time is left out: reading an entry changes it.
        key = Digest(kFnvBasis, data.cFileName, lstrlenW(data.cFileName) * sizeof(wchar_t));
        key = Digest(key, &data.dwFileAttributes, sizeof(data.dwFileAttributes));
        key = Digest(key, &data.ftCreationTime, sizeof(data.ftCreationTime));
        key = Digest(key, &data.ftLastWriteTime, sizeof(data.ftLastWriteTime));
        key = Digest(key, &data.nFileSizeHigh, sizeof(data.nFileSizeHigh));
        key = Digest(key, &data.nFileSizeLow, sizeof(data.nFileSizeLow));
    } else {
        key = Digest(kFnvBasis ^ 1, child, IdListSize(child));
    }
    return key ? key : 1;
}

bool MakeRecordReuse(RecordReuse* reuse, const LauncherRecord* records)
{
    ZeroMemory(reuse, sizeof(*reuse));
    SIZE_T count = 0;
    for (const LauncherRecord* r = records; r; r = r->next)
        ++count;
    if (count == 0)
        return true;
    SIZE_T slots = 16;
    while (slots < count * 2)
        slots *= 2;
    reuse->records = static_cast<const LauncherRecord**>(
        HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, slots * sizeof(void*)));
    if (!reuse->records)
        return false;
    reuse->slots = slots;
    for (const LauncherRecord* r = records; r; r = r->next) {
        if (!r->listedKey)
            continue;
        SIZE_T slot = static_cast<SIZE_T>(r->listedKey) & (slots - 1);
        while (reuse->records[slot])
            slot = (slot + 1) & (slots - 1);
        reuse->records[slot] = r;
    }
    return true;
}

void FreeRecordReuse(RecordReuse* reuse)
{
    if (reuse->records)
        HeapFree(GetProcessHeap(), 0, reuse->records);
    ZeroMemory(reuse, sizeof(*reuse));
}

const LauncherRecord* FindReusableRecord(const RecordReuse* reuse, UINT64 key)
{
    if (!reuse || reuse->slots == 0)
        return nullptr;
    for (SIZE_T slot = static_cast<SIZE_T>(key) & (reuse->slots - 1); reuse->records[slot];
         slot = (slot + 1) & (reuse->slots - 1)) {
        if (reuse->records[slot]->listedKey == key)
            return reuse->records[slot];
    }
    return nullptr;
}
