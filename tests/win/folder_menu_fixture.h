// The fixture of the in-process folder menu tests: a real items folder beside the test
// program, built or clicked, and nothing of the launcher's left over after each test.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/live_counts.h"
#include "launcher/folder_menu.h"
#include "launcher/kept_menu.h"
#include "launcher/launcher_state.h"
#include "launcher/owner_draw.h"
#include "test_support.h"

class FolderMenu : public testing::Test {
protected:
    LaunchEntry* head = nullptr;
    HMENU menu = nullptr;
    LiveCounts before = {};
    BoxRecorder boxes;
    bool kept = false;             // whether the last click's menu is kept
    LaunchEntry* shown = nullptr;  // the last click's entries
    HMENU shownMenu = nullptr;     // and its menu

    void SetUp() override
    {
        RemoveTree(TestItemsDir());
        DeleteFileA(TestSettingsPath().c_str());
        CaptureMenuLook();  // the default look: no test's settings carry over
        // A lookup an earlier test left late would be counted in this one's.
        ASSERT_TRUE(WaitFor([] { return IconFetchesHeld().out == 0; }));
        before = g_live;
    }
    void TearDown() override
    {
        FreeKeptMenu(true);
        FreeFolderMenu(menu, head);
        EXPECT_EQ(before.idLists, g_live.idLists) << "item-ID lists left over";
        EXPECT_EQ(before.icons, g_live.icons) << "icons left over";
        EXPECT_EQ(before.submenus, g_live.submenus) << "submenus left over";
        RemoveTree(TestItemsDir());
        DeleteFileA(TestSettingsPath().c_str());
    }
    HMENU Build(FolderMode mode = FolderMode::Items)
    {
        head = nullptr;
        return menu = BuildFolderMenu(&head, mode, ReadMenuLook());
    }
    void Free()
    {
        FreeFolderMenu(menu, head);
        menu = nullptr;
        head = nullptr;
    }
    // A click on the launcher: the look and settings read once, the menu chosen. The builds
    // it made.
    unsigned Click(bool menuExpected = true)
    {
        CaptureMenuLook();
        unsigned builds = g_launcher.launcherBuilds;
        shownMenu = LauncherMenu(&shown, &kept);
        EXPECT_TRUE(shownMenu || !menuExpected) << "no menu";
        return g_launcher.launcherBuilds - builds;
    }
    static std::vector<LauncherRecord*> Records(LauncherRecord* r = g_launcher.recordListHead)
    {
        std::vector<LauncherRecord*> records;
        for (; r; r = r->next)
            records.push_back(r);
        return records;
    }
    static std::vector<std::string> Names(LauncherRecord* r)
    {
        std::vector<std::string> names;
        for (; r; r = r->next)
            names.push_back(r->text);
        return names;
    }
    // What type-ahead leaves in a menu: the item at pos highlighted.
    static void Highlight(HMENU in, int pos)
    {
        MENUITEMINFOW state = {};
        state.cbSize = sizeof(state);
        state.fMask = MIIM_STATE;
        state.fState = MFS_HILITE;
        ASSERT_TRUE(SetMenuItemInfoW(in, pos, TRUE, &state));
    }
};
