// What a rebuild of the launcher menu takes over from the kept one: an index of the kept
// records by their entries' absolute item-ID lists. An entry's list holds what the shell
// listed it with (name, size, time stamp, attributes), so an entry whose list is unchanged
// byte for byte shows the same name and icon, and only new or changed entries are asked for.
// The index belongs to whoever made it and is freed with FreeRecordReuse; it only points into
// the kept build, which must outlive it unchanged.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "launcher/folder_menu.h"

struct RecordReuse {
    const LaunchEntry** entries;  // open addressing: slots entries, null where free
    const LauncherRecord** records;
    SIZE_T slots;                 // a power of two, at least twice the entries
};

// Indexes the pairs (head's entries with records, in order). FALSE, with reuse empty, when
// out of memory: the rebuild then asks the shell for everything.
bool MakeRecordReuse(RecordReuse* reuse, const LaunchEntry* head, const LauncherRecord* records);
void FreeRecordReuse(RecordReuse* reuse);

// The kept record of the entry whose list equals list, or null.
const LauncherRecord* FindReusableRecord(const RecordReuse* reuse, LPCITEMIDLIST list);
