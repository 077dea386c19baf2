// Listing a folder as a kept menu compares it, and watching it for changes. Owns no state;
// nothing here touches a menu or a window, so the build thread lists items with it too.
#pragma once
#include <windows.h>

// A folder's listing (names, sizes, times, attributes, "." kept and ".." dropped; of a
// subfolder not its times, which follow its contents) on the process heap, for a pattern
// such as "C:\\folder\\*"; null when it can't be listed. Free it with HeapFree.
BYTE* ListFolder(const wchar_t* pattern, SIZE_T* size);

// The items folder's listing, as ListFolder gives it.
BYTE* ListItemsFolder(SIZE_T* size);

// The desktop folders the desktop list merges: the user's, then the public one.
constexpr size_t kDesktopFolderCount = 2;

// A desktop folder's path when it exists; false when it is missing.
bool DesktopFolderPath(size_t which, wchar_t* path);

// Both desktop folders' listings, each after its path, or null when one that exists can't be
// listed or has no watch (watches, in the order above): a folder nobody watches could change
// unseen, so nothing is kept by it.
BYTE* ListDesktopFolders(const HANDLE* watches, SIZE_T* size);

// A change notification (through g_platform) on the folder, and below when subtree is TRUE,
// for what a listing shows; null when it can't be made. Close it with CloseWatch.
HANDLE WatchFolder(const wchar_t* folder, BOOL subtree);
// The same on the items folder alone: what its top level shows (its entries, a subfolder's
// name among them), not what changes inside a subfolder, which its submenu watches itself.
HANDLE WatchItemsFolderTop();

// True when the watch announced a change (or a wait on it failed) since it was last asked;
// it is armed again, or closed and nulled when that fails. False for a null watch.
bool ChangeSeen(HANDLE* watch);

// Closes the watch, if any, and nulls it.
void CloseWatch(HANDLE* watch);

// A path ("C:\\...", "\\\\server\\...", or either's long form) on a share or on a drive
// mapped to one (g_platform.GetDriveTypeW).
bool OnTheNetwork(const wchar_t* path);
// The same, or a junction or symbolic link there that leads to one: by the link's own
// target where the file system gives it without following the link, else by the final
// path. A share gone offline would hold up whoever lists it until the network gives up.
bool FolderReachesTheNetwork(const wchar_t* path);

// While it lives, the calling thread gets no system error box ("no disk", "cannot open")
// from a listing or an icon lookup: the launcher handles those failures itself. Where the
// system has no thread error mode (before Windows 7) nothing changes.
struct QuietErrorBoxes {
    QuietErrorBoxes();
    ~QuietErrorBoxes();
    QuietErrorBoxes(const QuietErrorBoxes&) = delete;
    QuietErrorBoxes& operator=(const QuietErrorBoxes&) = delete;
private:
    DWORD previous;
    bool set;
};
