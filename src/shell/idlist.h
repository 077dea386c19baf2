// Item-ID lists on the Win32 side: walking, measuring and joining them, turning a path
// into one, opening one, and the texts and paths they give. Lists come from the task
// allocator (the shell's). Any thread; below the launcher, the commands and the drop dialog.
#pragma once
#include <windows.h>
#include <shlobj.h>

LPITEMIDLIST IdListNext(LPCITEMIDLIST list);
UINT IdListSize(LPCITEMIDLIST list);

// A new list, first followed by second, from the task allocator; null when either is
// null or the allocation fails.
LPITEMIDLIST IdListConcat(LPCITEMIDLIST first, LPCITEMIDLIST second);

// A copy of the list from the task allocator, or null.
LPITEMIDLIST IdListCopy(LPCITEMIDLIST list);

// The absolute list of an ANSI path, or null. Free it with FreeIdList.
LPITEMIDLIST PathToIdList(const char* path);

// Gives a list the program holds back to the task allocator (null is allowed).
void FreeIdList(LPITEMIDLIST list);

// Opens one absolute item-ID list with the verb (through g_platform), or with the shell's
// default verb when null.
void OpenIdList(LPCITEMIDLIST list, const char* verb = nullptr);

// An ANSI copy of a wide string on the process heap (free it with HeapFree), or null.
char* WideToAnsiDup(const wchar_t* wide);

// The long form ("\\?\C:\...", "\\?\UNC\server\...") of the file-system path the list
// names, of any length, on the process heap (free it with HeapFree); null when it names
// none. Below MAX_PATH the shell names it; above, it is the nearest ancestor's path joined
// with the parsing names of the items below it.
wchar_t* IdListLongPath(LPCITEMIDLIST list);
