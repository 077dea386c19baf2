// Type-ahead in an open launcher menu as only the platform's menu loop shows it; which item a
// character picks is tested natively (tests/native/type_ahead_match_test.cpp).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "launcher/folder_menu.h"
#include "launcher/launcher_state.h"
#include "launcher/owner_draw.h"
#include "resources/resource.h"
#include "test_support.h"

namespace {

// A launcher menu of these names, its records on g_launcher.recordListHead as a build
// leaves them; freed with FreeFolderMenu.
HMENU MenuOfNames(const std::vector<std::wstring>& names, LaunchEntry** head)
{
    LauncherRecord** record = &g_launcher.recordListHead;
    LaunchEntry** entry = head;
    for (size_t i = 0; i < names.size(); ++i) {
        UINT id = FIRST_LAUNCHER_ID + static_cast<UINT>(i);
        *record = NewLauncherRecord(id, Ansi(names[i]).c_str(), names[i].c_str());
        *entry = static_cast<LaunchEntry*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(LaunchEntry)));
        (*entry)->id = id;
        record = &(*record)->next;
        entry = &(*entry)->next;
    }
    return FolderMenuLevel(nullptr, g_launcher.recordListHead, *head);
}

TEST(TypeAhead, TypedCharactersSelectAndChooseByName)
{
    CaptureMenuLook();
    LauncherOwner owner{WM_MENUCHAR, WM_MEASUREITEM, WM_DRAWITEM};
    ASSERT_NE(nullptr, owner);
    SetForegroundWindow(owner);
    // What is typed into the open menu, then the name chosen: ↓ is the Down key, the rest
    // characters as the keys translate into, Return among them.
    struct Row {
        const wchar_t* keys;
        const wchar_t* chosen;
    } rows[] = {
        {L"g", L"gamma"},      // the only g-name: chosen at once, which closes the menu
        {L"bb\r", L"Bravo"},   // two b-names: the first selected, and from it the next
        {L"↓↓↓b\r", L"beta"},  // from the selected Bravo, round to beta
        {L"xg", L"gamma"},     // x starts no name: the menu stays open for the g
        {L"жЖ\r", L"Жаба"},   // folded in any script: ж selects жук, Ж the next ж-name
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Ansi(row.keys));
        LaunchEntry* head = nullptr;
        HMENU menu = MenuOfNames({L"alpha", L"beta", L"Bravo", L"gamma", L"& more", L"жук", L"Жаба"}, &head);
        for (const wchar_t* key = row.keys; *key; ++key) {
            if (*key == L'↓')
                PostMessageW(owner, WM_KEYDOWN, VK_DOWN, 0);
            else
                PostMessageW(owner, WM_CHAR, *key, 1);
        }
        // Closes a menu still open after the row; otherwise cleared from the queue below.
        PostMessageW(owner, WM_KEYDOWN, VK_ESCAPE, 0);
        UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, owner, nullptr);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        std::wstring name;
        for (LauncherRecord* record = g_launcher.recordListHead; record; record = record->next) {
            if (chosen && record->id == chosen)
                name = record->wideText;
        }
        EXPECT_EQ(row.chosen, name);
        FreeFolderMenu(menu, head);
    }
    // The main menu's items are none of the launcher's: its own mnemonics stay in charge.
    HMENU resource = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU));
    ASSERT_NE(nullptr, resource);
    EXPECT_FALSE(IsLauncherMenu(GetSubMenu(resource, 0)));
    DestroyMenu(resource);
    DestroyWindow(owner);
}

}  // namespace
