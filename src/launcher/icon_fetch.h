// Icon lookups that may stall: the shell can wait many seconds on the icon of a shortcut whose
// target does not answer (a share gone offline, a disconnected drive). A build asks through an
// IconFetcher, which makes each lookup on a helper thread and waits for it only so long; a
// lookup that is late is left to finish on its own, and the entry shows the shell's generic
// icon until a later build asks again. The fetcher belongs to the build that opened it and is
// closed when the build ends; an abandoned helper frees itself when its lookup returns.
// Safe on any thread: the build thread asks through it.
#pragma once
#include <windows.h>
#include <shlobj.h>

// How long one lookup is waited for.
constexpr DWORD kIconWaitMs = 400;

struct IconHelper;

struct IconFetcher {
    IconHelper* helper;  // the thread answering lookups, or null until the first
    int genericIndex;    // the shell's generic document icon, -1 until asked
};

// The index of the entry's small icon in the system image list, or -1; asks the shell once
// (through g_platform, so tests can count and stall it), however long it takes.
int FetchSmallIconIndex(LPCITEMIDLIST list);

// The small icon's index of the absolute list in the system image list; -1 when the shell
// has none. *late is set when the answer did not come in time: the generic icon's index is
// given instead.
int FetchIconWithin(IconFetcher* fetcher, LPCITEMIDLIST list, bool* late);

// Ends the helper (or leaves it, if it is stuck in a lookup, to end itself).
void CloseIconFetcher(IconFetcher* fetcher);
