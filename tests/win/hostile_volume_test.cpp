// Volume: 5,000 entries in the items folder make one menu with an id each, freed fully.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

#include "core/app_state.h"
#include "core/live_counts.h"
#include "launcher/folder_menu.h"
#include "launcher/launcher_state.h"
#include "test_support.h"

namespace {

class HostileVolume : public testing::Test {
protected:
    BoxRecorder boxes;

    void SetUp() override
    {
        RemoveTree(TestItemsDir());
        ASSERT_TRUE(CreateDirectoryA(TestItemsDir().c_str(), nullptr));
        DeleteFileA(TestSettingsPath().c_str());
    }
    void TearDown() override
    {
        DeleteFileA(TestSettingsPath().c_str());
        RemoveTree(TestItemsDir());
    }
};

TEST_F(HostileVolume, FiveThousandEntriesMakeOneMenuFrom2000To6999AndFreeFully)
{
    const UINT count = 5000;
    for (UINT i = 0; i < count; ++i) {
        char name[64];
        wsprintfA(name, "\\entry %04u.txt", i);
        HANDLE file = CreateFileA((TestItemsDir() + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file) << name;
        CloseHandle(file);
    }
    // Icons off: 5,000 lookups cost some 20 s under Wine; the smaller menus prove the icons.
    g_launcher.menuLook.iconShow = 0;
    LiveCounts before = g_live;
    LaunchEntry* head = nullptr;
    HMENU menu = BuildFolderMenu(&head, FolderMode::Items, g_launcher.menuLook);
    ASSERT_NE(nullptr, menu);
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_EQ(static_cast<int>(count), GetMenuItemCount(menu));
    std::set<std::string> texts;
    UINT id = FIRST_LAUNCHER_ID;
    LauncherRecord* record = g_launcher.recordListHead;
    for (LaunchEntry* entry = head; entry; entry = entry->next, record = record->next, ++id) {
        ASSERT_NE(nullptr, record) << "fewer records than entries";
        ASSERT_EQ(id, entry->id);
        ASSERT_EQ(id, record->id);
        ASSERT_EQ(id, GetMenuItemID(menu, static_cast<int>(id - FIRST_LAUNCHER_ID)));
        ASSERT_NE(nullptr, entry->idList);
        texts.insert(record->text);
    }
    EXPECT_EQ(nullptr, record) << "more records than entries";
    EXPECT_EQ(FIRST_LAUNCHER_ID + count, id) << "the last id is 6999";
    EXPECT_EQ(count, texts.size()) << "every entry has its own name";
    FreeFolderMenu(menu, head);
    EXPECT_FALSE(IsMenu(menu));
    EXPECT_EQ(nullptr, g_launcher.recordListHead);
    EXPECT_EQ(before.idLists, g_live.idLists) << "item-ID lists left over";
}

}  // namespace
