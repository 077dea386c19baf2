// Volume and odd drops: 5,000 entries in the items folder, 200 files dropped at once, and
// drops holding an empty name (which ends the drop format's list of names).
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <set>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/live_counts.h"
#include "core/platform_calls.h"
#include "launcher/folder_menu.h"
#include "launcher/launcher_state.h"
#include "registration/drop_dialog.h"
#include "resources/resource.h"
#include "test_support.h"

namespace {

class HostileVolume : public testing::Test {
protected:
    BoxRecorder boxes;
    std::string scratch;

    void SetUp() override
    {
        RemoveTree(TestItemsDir());
        ASSERT_TRUE(CreateDirectoryA(TestItemsDir().c_str(), nullptr));
        DeleteFileA(TestSettingsPath().c_str());
        scratch = MakeScratchDir("hostile_volume");
    }
    void TearDown() override
    {
        DeleteFileA(TestSettingsPath().c_str());
        RemoveTree(TestItemsDir());
        RemoveTree(scratch);
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

TEST_F(HostileVolume, TwoHundredFilesDroppedAtOnceMakeTwoHundredShortcuts)
{
    const int count = 200;
    std::vector<std::string> dropped;
    for (int i = 0; i < count; ++i) {
        char name[64];
        wsprintfA(name, "\\file %03d.dat", i);
        dropped.push_back(scratch + name);
        ASSERT_TRUE(WriteTextFile(dropped.back(), "x"));
    }
    HWND dialog = OpenDialog(IDD_DROP, DropDlgProc);
    ASSERT_TRUE(dialog);
    SendMessageA(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(dropped)), 0);
    ASSERT_EQ(static_cast<size_t>(count), boxes.shown.size());
    EXPECT_EQ(static_cast<size_t>(count), FilesIn(TestItemsDir()).size());
    ASSERT_EQ(S_OK, CoInitialize(nullptr));
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(dropped[i]);
        EXPECT_EQ(L"ショートカットが作成されました．", boxes.shown[i].text);
        EXPECT_EQ(nullptr, boxes.shown[i].owner);
        EXPECT_EQ(i + 1, boxes.shown[i].shortcutsSeen) << "each box follows its own shortcut";
        char name[64];
        wsprintfA(name, "\\file %03d.lnk", i);
        EXPECT_EQ(dropped[i], ShortcutTarget(TestItemsDir() + name));
    }
    CoUninitialize();
    EXPECT_TRUE(IsWindowVisible(dialog));
    DestroyWindow(dialog);
}

TEST_F(HostileVolume, EmptyNamesWriteNothingOrTheBareShortcutInsideItems)
{
    std::string real = scratch + "\\real.txt";
    ASSERT_TRUE(WriteTextFile(real, "x"));
    std::string folder = scratch + "\\folder";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    std::set<std::string> exeDirBefore = FilesIn(TestExeDir());
    std::set<std::string> scratchBefore = FilesIn(scratch);
    HWND dialog = OpenDialog(IDD_DROP, DropDlgProc);
    ASSERT_TRUE(dialog);
    // A drop block's count is the platform's to give: with an empty name first, some
    // versions count no file, others report the empty name and go on to the next.
    HDROP probe = MakeDrop(std::vector<std::string>{"", real});
    UINT reported = DragQueryFileA(probe, 0xFFFFFFFF, nullptr, 0);
    GlobalFree(probe);
    ASSERT_TRUE(reported == 0 || reported == 2) << reported;
    // A reported empty name fails (a shortcut to nothing is none); an empty base name makes ".lnk".
    struct Row {
        const char* name;
        std::vector<std::string> names;
        std::vector<bool> made;        // one per box expected
        std::set<std::string> links;   // what items holds afterwards
        const char* target;            // what items\.lnk points at, or null
    } const rows[] = {
        {"an empty name first", {"", real},
         reported ? std::vector<bool>{false, true} : std::vector<bool>{},
         reported ? std::set<std::string>{"real.lnk"} : std::set<std::string>{}, nullptr},
        {"an empty name inside ends the list", {real, "", folder}, {true}, {"real.lnk"}, nullptr},
        {"a drive root", {"C:\\"}, {true}, {".lnk"}, "C:\\"},
        {"a folder with its trailing backslash", {folder + "\\"}, {true}, {".lnk"}, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        boxes.shown.clear();
        RemoveTree(TestItemsDir());
        ASSERT_TRUE(CreateDirectoryA(TestItemsDir().c_str(), nullptr));
        SendMessageA(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(row.names)), 0);
        ASSERT_EQ(row.made.size(), boxes.shown.size());
        for (size_t i = 0; i < boxes.shown.size(); ++i) {
            EXPECT_EQ(row.made[i] ? L"ショートカットが作成されました．" : L"ショートカットを作成できませんでした．",
                      boxes.shown[i].text);
            EXPECT_EQ(row.made[i] ? nullptr : dialog, boxes.shown[i].owner);
        }
        EXPECT_EQ(row.links, FilesIn(TestItemsDir()));
        if (row.target) {
            ASSERT_EQ(S_OK, CoInitialize(nullptr));
            EXPECT_EQ(row.target, ShortcutTarget(TestItemsDir() + "\\.lnk"));
            CoUninitialize();
        }
        EXPECT_EQ(exeDirBefore, FilesIn(TestExeDir())) << "something was written beside the exe";
        EXPECT_EQ(scratchBefore, FilesIn(scratch)) << "something was written beside the dropped files";
        EXPECT_TRUE(IsWindowVisible(dialog));
    }
    DestroyWindow(dialog);
}

}  // namespace
