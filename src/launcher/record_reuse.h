// What a rebuild of the launcher menu takes over from the kept one: an index of the kept
// records by the digest of each entry's listing data (its name, size, times and attributes,
// as the shell listed it; ListedKey). An entry whose listing data is unchanged shows the same
// name and icon, so only new or changed entries are asked for. Not the item-ID list itself:
// the shell puts the last access date in it, which looking up a shortcut's icon changes.
// The index belongs to whoever made it and is freed with FreeRecordReuse; it only points into
// the kept build, which must outlive it unchanged. Safe on any thread.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "launcher/launcher_types.h"

struct RecordReuse {
    const LauncherRecord** records;  // open addressing by listedKey: slots records, null where free
    SIZE_T slots;                    // a power of two, at least twice the records
};

// The digest of the child's listing data in folder, or, where the folder gives none (the
// shell's own desktop items), of its item-ID list. Never 0.
UINT64 ListedKey(IShellFolder* folder, LPCITEMIDLIST child);

// Indexes the records. FALSE, with reuse empty, when out of memory: the rebuild then asks
// the shell for everything.
bool MakeRecordReuse(RecordReuse* reuse, const LauncherRecord* records);
void FreeRecordReuse(RecordReuse* reuse);

// The kept record with this key, or null.
const LauncherRecord* FindReusableRecord(const RecordReuse* reuse, UINT64 key);
