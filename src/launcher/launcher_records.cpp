// The launcher's records and entries, made and freed on whichever thread holds them.
#include "launcher/launcher_records.h"

#include <cstring>

#include "core/live_counts.h"
#include "settings/char_step.h"
#include "settings/exe_paths.h"
#include "shell/idlist.h"

LauncherRecord* NewLauncherRecord(UINT id, const char* text, const wchar_t* wide)
{
    size_t length = CutAtCharBoundary(text, strlen(text), kRecordTextChars, kRecordTextChars * 4,
                                      SystemAnsiEncoding());
    int wideLength = wide ? lstrlenW(wide)
                          : length ? MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0) : 0;
    if (wideLength < 0)
        wideLength = 0;
    // The record, then the wide name (aligned by the record's size), then the ANSI name.
    static_assert(sizeof(LauncherRecord) % sizeof(wchar_t) == 0, "the wide name follows the record");
    SIZE_T size = sizeof(LauncherRecord) + (wideLength + 1) * sizeof(wchar_t) + length + 1;
    auto* record = static_cast<LauncherRecord*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
    if (!record)
        return nullptr;
    record->id = id;
    record->iconIndex = -1;
    record->wideText = reinterpret_cast<wchar_t*>(record + 1);
    record->text = reinterpret_cast<char*>(record->wideText + wideLength + 1);
    CopyMemory(record->text, text, length);
    if (wide)
        CopyMemory(record->wideText, wide, wideLength * sizeof(wchar_t));
    else if (wideLength > 0 &&
        MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), record->wideText, wideLength) != wideLength)
        record->wideText[0] = L'\0';
    record->msaa.dwMSAASignature = static_cast<DWORD>(MSAA_MENU_SIG);
    record->msaa.cchWText = static_cast<DWORD>(lstrlenW(record->wideText));
    record->msaa.pszWText = record->wideText;
    return record;
}

void FreeLaunchEntries(LaunchEntry* head)
{
    while (head) {
        LaunchEntry* next = head->next;
        FreeIdList(head->idList);
        HeapFree(GetProcessHeap(), 0, head);
        head = next;
    }
}

void FreeLauncherRecords(LauncherRecord* head)
{
    while (head) {
        LauncherRecord* next = head->next;
        FreeFolderSubmenu(head->submenu);
        // Collected but never put in a menu (a failed build).
        FreeIdList(head->folderList);
        HeapFree(GetProcessHeap(), 0, head);
        head = next;
    }
}

void FreeFolderSubmenu(FolderSubmenu* submenu)
{
    if (!submenu)
        return;
    FreeLaunchEntries(submenu->head);
    FreeLauncherRecords(submenu->records);
    if (submenu->listing)
        HeapFree(GetProcessHeap(), 0, submenu->listing);
    if (submenu->change)
        FindCloseChangeNotification(submenu->change);
    FreeIdList(submenu->entryList);
    FreeIdList(submenu->folderList);
    HeapFree(GetProcessHeap(), 0, submenu);
    --g_live.submenus;
}
