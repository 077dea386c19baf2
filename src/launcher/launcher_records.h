// The launcher's records and entries: making a record, and freeing entries, records and the
// folder submenus that records own. Safe on any thread: nothing here touches a menu.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "launcher/launcher_types.h"

// A new zero-filled record with this id and name (cut to kRecordTextChars characters at a
// character boundary) and no icon, in one block from the process heap; null when out of
// memory. Freed by FreeLauncherRecords. A wide name, when given, is shown and spoken as it
// stands instead of the name converted.
LauncherRecord* NewLauncherRecord(UINT id, const char* text, const wchar_t* wide = nullptr);

// Frees every entry with its list, every record with its submenu (or the folder it was to list).
void FreeLaunchEntries(LaunchEntry* head);
void FreeLauncherRecords(LauncherRecord* head);

// Frees the submenu's entries and records (their submenus with them), its lists, listing
// and notification, and the submenu itself; not its popup, which the menu holding its item
// destroys. Null is allowed.
void FreeFolderSubmenu(FolderSubmenu* submenu);
