// Collecting a folder's entries and records from the shell, with no menu: the half of a
// build that the launcher's build thread runs. Owns nothing past a call; includes nothing
// that touches a menu, a window or the launcher's window-thread state.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "launcher/icon_fetch.h"
#include "launcher/launcher_types.h"

struct RecordReuse;

// Lists the items folder (mode Items) or the desktop into *head and *records as
// CollectFolderItems does. An icon the shell does not give in time (icon_fetch.h) is shown
// generic until it comes.
enum class CollectResult { Done, NoFolder, Failed };
CollectResult CollectFolder(FolderMode mode, LaunchEntry** head, LauncherRecord** records,
                            UINT iconShow, const RecordReuse* reuse, UINT submenus);

// Appends the folder's entries to *head and their records to *records, numbered from firstId.
// parentList is the folder's absolute list, or null when folder is the desktop. An entry that
// reuse finds keeps its kept record's name and icon without asking the shell. Small icons are
// fetched when iconShow is non-zero. With submenus, a folder entry's record holds the folder
// its submenu will list. FALSE when the build must fail; what was collected is then the
// caller's to free.
BOOL CollectFolderItems(IShellFolder* folder, LPCITEMIDLIST parentList, LaunchEntry** head,
                        LauncherRecord** records, UINT iconShow,
                        const RecordReuse* reuse, UINT firstId, UINT submenus);

// The text of a display name, or null when its form is unknown or its copy fails. A wide
// name is converted into *ownedCopy (free with HeapFree) and given back to the task allocator.
const char* StrRetText(STRRET* name, LPCITEMIDLIST child, char** ownedCopy);

// The folder an entry lists as a submenu, as an absolute list the caller owns: a copy of
// the entry's list for a file-system folder (not a file the shell browses as one, such
// as a zip file), the target of a shortcut to such a folder; null for any other entry.
LPITEMIDLIST SubmenuFolderOf(IShellFolder* folder, LPCITEMIDLIST child, LPCITEMIDLIST list);
