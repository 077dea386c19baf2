// The settings dialog from the real template: what it shows from the file, what its
// buttons write and when it closes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "core/app_state.h"
#include "resources/resource.h"
#include "settings/settings_dialog.h"
#include "settings/settings_file.h"
#include "test_support.h"

namespace {

std::vector<std::pair<WPARAM, LPARAM>> g_parentCommands;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        g_parentCommands.emplace_back(wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

class SettingsDialog : public testing::Test {
protected:
    std::string path = TestExeDir() + "setting1.ini";
    HWND parent = nullptr;
    HWND dialog = nullptr;

    void SetUp() override
    {
        DeleteFileA(path.c_str());
        g_parentCommands.clear();
        parent = MakeWindow(L"SettingsDialogTestParent", ParentProc, 0, WS_OVERLAPPED);
        ASSERT_TRUE(parent);
    }

    void TearDown() override
    {
        if (dialog)
            DestroyWindow(dialog);
        DestroyWindow(parent);
        DeleteFileA(path.c_str());
    }

    void Open()
    {
        dialog = OpenDialog(IDD_SETTINGS, SettingsDlgProc, parent);
        ASSERT_TRUE(dialog);
    }

    void Close()
    {
        DestroyWindow(dialog);
        dialog = nullptr;
    }
    UINT Checked(int id) const { return IsDlgButtonChecked(dialog, id); }
    void Click(int id) const { SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0); }
};

// Without a file the readers' and its own defaults, and no file made; what it shows of a file
// is in hostile_settings_test's table.
TEST_F(SettingsDialog, ShowsItsOwnDefaultsWithoutAFile)
{
    EXPECT_EQ(1u, ReadIconShow());
    EXPECT_EQ(0u, ReadDesktopKey());
    Open();
    EXPECT_EQ(dialog, g_app.settingsDialog);
    EXPECT_EQ(BST_CHECKED, Checked(IDC_FOLDERVIEW));
    EXPECT_EQ(BST_CHECKED, Checked(IDC_ICONSHOW));
    EXPECT_EQ(BST_UNCHECKED, Checked(IDC_EXITMESSAGE));
    EXPECT_EQ(BST_CHECKED, Checked(IDC_KEY_CTRL));
    EXPECT_EQ(BST_UNCHECKED, Checked(IDC_KEY_MIDDLE));
    EXPECT_EQ(BST_UNCHECKED, Checked(IDC_KEY_SHIFT));
    EXPECT_FALSE(FileExists(path)) << "opening must not write";
    Close();
    EXPECT_EQ(nullptr, g_app.settingsDialog);
}

// A save writes the four keys in order, each box as it shows, and replaces values in place;
// with no radio selected it keeps the key as the file has it ("Message" is saved as "1"
// just before the key: a leftover text must not land there).
TEST_F(SettingsDialog, SavingWritesEveryBoxAndKeepsAKeyNoRadioShows)
{
    const struct {
        const char* before;  // null: no file
        std::vector<int> clicks;
        const char* after;
        UINT key;
    } rows[] = {
        {nullptr, {IDC_FOLDERVIEW, IDC_EXITMESSAGE, IDC_KEY_SHIFT},
         "[MyComputer]\nFolderView=0\n[Icon]\nIconShow=1\n[Exit]\nMessage=1\n[DeskTopShow]\nKey=2\n", 2},
        {"[MyComputer]\nFolderView=0\n[Icon]\nIconShow=1\n[Exit]\nMessage=1\n[DeskTopShow]\nKey=2\n",
         {IDC_ICONSHOW, IDC_KEY_MIDDLE},
         "[MyComputer]\nFolderView=0\n[Icon]\nIconShow=0\n[Exit]\nMessage=1\n[DeskTopShow]\nKey=1\n", 1},
        {"[MyComputer]\nFolderView=1\n[Icon]\nIconShow=1\n[Exit]\nMessage=1\n[DeskTopShow]\nKey=1\n",
         {IDC_FOLDERVIEW, IDC_ICONSHOW, IDC_EXITMESSAGE},
         "[MyComputer]\nFolderView=0\n[Icon]\nIconShow=0\n[Exit]\nMessage=0\n[DeskTopShow]\nKey=1\n", 1},
        {"[DeskTopShow]\nKey=3\n", {IDC_EXITMESSAGE},
         "[DeskTopShow]\nKey=3\n[MyComputer]\nFolderView=1\n[Icon]\nIconShow=1\n[Exit]\nMessage=1\n", 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.before ? row.before : "no file");
        DeleteFileA(path.c_str());
        if (row.before) {
            ASSERT_TRUE(WriteTextFile(path, row.before));
        }
        Open();
        for (int id : row.clicks)
            Click(id);
        EXPECT_EQ(BST_UNCHECKED, Checked(IDC_KEY_CTRL));
        Click(IDC_SAVE);
        EXPECT_EQ(row.after, ReadTextFile(path));
        // What the launcher and the commands read next.
        EXPECT_EQ(Checked(IDC_ICONSHOW), ReadIconShow());
        EXPECT_EQ(Checked(IDC_FOLDERVIEW), ReadSetting(kSectionMyComputer, kKeyFolderView, 1));
        EXPECT_EQ(Checked(IDC_EXITMESSAGE), ReadSetting(kSectionExitRead, kKeyMessage, 0));
        EXPECT_EQ(row.key, ReadDesktopKey());
        Close();
    }
}

TEST_F(SettingsDialog, OnlySaveAndCloseOrCloseEndIt)
{
    struct Row {
        const char* name;
        int id;
        bool click;  // BM_CLICK on the button, else WM_COMMAND sent to the dialog
        bool writes;
        bool closes;
    } const rows[] = {
        {"save", IDC_SAVE, true, true, false},
        {"save and close", IDC_SAVE_CLOSE, true, true, true},
        {"close", IDC_CLOSE, true, false, true},
        {"IDOK", IDOK, false, false, false},
        {"IDCANCEL (Esc)", IDCANCEL, false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeleteFileA(path.c_str());
        g_parentCommands.clear();
        Open();
        if (row.click)
            Click(row.id);
        else
            SendMessageA(dialog, WM_COMMAND, row.id, 0);
        EXPECT_EQ(row.writes, FileExists(path));
        EXPECT_EQ(!row.closes, IsWindowVisible(dialog) != FALSE);
        // Ended, it is only hidden until its caller's loop ends: the guard no longer names it,
        // so the command opens a new one.
        EXPECT_EQ(row.closes ? nullptr : dialog, g_app.settingsDialog);
        if (row.closes) {
            // The parent is told with the same wParam and no control handle.
            ASSERT_EQ(1u, g_parentCommands.size());
            EXPECT_EQ(static_cast<WPARAM>(row.id), g_parentCommands[0].first);
            EXPECT_EQ(0, g_parentCommands[0].second);
        } else {
            EXPECT_TRUE(g_parentCommands.empty());
        }
        Close();
    }
}

TEST_F(SettingsDialog, FollowsAMoveToAMonitorOfAnotherDpi)
{
    Open();
    ExpectDialogFollowsDpiChanges(dialog);
    dialog = nullptr;
    EXPECT_EQ(nullptr, g_app.settingsDialog);
}

}  // namespace
