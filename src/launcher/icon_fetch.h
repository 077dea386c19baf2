// Icon lookups that may stall: the shell can wait many seconds on the icon of a shortcut whose
// target does not answer (a share gone offline, a disconnected drive), or for good, when an
// icon handler hangs. A build asks through an IconFetcher: each lookup goes to a few helper
// threads the process shares, the build asks for all of its icons as it collects and then
// waits for them together, for kIconWaitMs at most once none of them answers any more. A lookup
// still out then is late: its entry shows the shell's generic icon, nothing asks for that
// entry's icon again while it is out, and when it answers its icon is posted to the window
// named by SendLateIconsTo, to be put into the records waiting for it. Safe on any thread.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "launcher/launcher_types.h"

// How long a build waits for its icons once none of them has answered.
constexpr DWORD kIconWaitMs = 400;

// The helper threads the process holds at most: three, so that one or two lookups held by a
// share gone offline still leave a thread for the rest, while a handler that hangs for good
// costs at most this many threads (and their stacks) for the process's life. With all of them
// held, every later icon is late until one comes back.
constexpr LONG kIconHelpers = 3;

struct IconLookup;

// One build's lookups, on the thread that builds. Start it as kNewIconFetcher.
struct IconFetcher {
    IconLookup* asked;  // its lookups not yet taken back by AwaitIcons
    LONG pending;       // of those, not yet answered
    CONDITION_VARIABLE answered;
    int genericIndex;   // the shell's generic document icon, -1 until asked
};
constexpr IconFetcher kNewIconFetcher = {nullptr, 0, CONDITION_VARIABLE_INIT, -1};

// The index of the entry's small icon in the system image list, or -1; asks the shell once
// (through g_platform, so tests can count and stall it), however long it takes.
int FetchSmallIconIndex(LPCITEMIDLIST list);

// Asks for the small icon of the absolute list for record, which gets it (its iconIndex) by
// AwaitIcons. When a lookup of the same list is still out from before, nothing is asked:
// record is late at once.
void AskIcon(IconFetcher* fetcher, LPCITEMIDLIST list, LauncherRecord* record);

// Waits for the fetcher's lookups (see above) and gives each record its icon: -1 when the
// shell has none; the generic icon, with iconLate and iconKey set, when it is late.
void AwaitIcons(IconFetcher* fetcher);

// A late icon as posted: lParam points at one of these, on the process heap; the window
// frees it with HeapFree. Records with iconLate and this iconKey are waiting for it.
struct LateIcon {
    LateIcon* next;  // free for the window's use
    UINT64 key;
    int index;
};

// Where late icons go from now on: message posted to window (null: they are dropped).
void SendLateIconsTo(HWND window, UINT message);

// What the lookups hold now, and how often a build's wait ran out since start.
struct IconFetchFigures {
    LONG helpers;    // helper threads alive
    LONG out;        // lookups late and not answered yet
    LONG deadlines;  // waits that ended with lookups still out
};
IconFetchFigures IconFetchesHeld();
