// The launcher of the built exe under Wine: tray callbacks open the menus, menu keys pick
// an entry, and the picked shortcut's program really starts.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

const char* const kNames[] = {"alpha", "beta", "gamma"};

class LauncherE2E : public testing::Test {
protected:
    std::string dir;
    MorvekProcess morvek;
    HWND tray = nullptr;

    // The launch record once it holds a whole line.
    std::string FirstLaunch() { return WaitForLines(dir + "\\launched.txt", 1); }

    // A Morvek in its own folder, with an items folder of shortcuts to the recorder
    // when asked; waits for its tray window.
    void Start(const char* name, bool withItems)
    {
        dir = MakeScratchDir(name);
        if (withItems) {
            std::string recorder = dir + "\\recorder.exe";
            ASSERT_TRUE(CopyFileA(MORVEK_RECORDER_PATH, recorder.c_str(), FALSE));
            ASSERT_TRUE(CreateDirectoryA((dir + "\\items").c_str(), nullptr));
            for (const char* entry : kNames)
                ASSERT_EQ(S_OK, MakeShortcut(dir + "\\items\\" + entry + ".lnk", recorder, entry));
        }
        ASSERT_TRUE(morvek.Start(dir));
        ASSERT_TRUE(morvek.WaitForTrayWindow());
        tray = morvek.TrayWindow();
    }

    // The tray callback with a mouse message, as the shell sends it.
    void Click(UINT mouseMessage) { PostMessageA(tray, WM_USER, 1, mouseMessage); }

    HWND MenuWindow()
    {
        HWND menu = FindTopWindow(L"#32768", nullptr, morvek.info.dwProcessId);
        return menu && IsWindowVisible(menu) ? menu : nullptr;
    }

    HWND WaitForMenu()
    {
        HWND menu = nullptr;
        WaitFor([&] { return (menu = MenuWindow()) != nullptr; });
        return menu;
    }

    void Keys(HWND menu, std::initializer_list<WPARAM> keys)
    {
        for (WPARAM key : keys) {
            PostMessageA(menu, WM_KEYDOWN, key, 1);
            PostMessageA(menu, WM_KEYUP, key, 0xC0000001);
        }
    }
};

TEST_F(LauncherE2E, DownDownReturnLaunchesTheSecondEntry)
{
    ASSERT_NO_FATAL_FAILURE(Start("launcher_e2e_second", true));
    std::vector<std::string> order = ShellOrder(dir + "\\items");
    ASSERT_EQ(3u, order.size());

    Click(WM_LBUTTONUP);
    HWND menu = WaitForMenu();
    ASSERT_NE(nullptr, menu) << "no launcher menu after a left click";
    Keys(menu, {VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_EQ(order[1] + "\n", FirstLaunch());
    EXPECT_TRUE(WaitFor([&] { return MenuWindow() == nullptr; }));
}

TEST_F(LauncherE2E, EscapeLaunchesNothing)
{
    ASSERT_NO_FATAL_FAILURE(Start("launcher_e2e_escape", true));
    std::vector<std::string> order = ShellOrder(dir + "\\items");
    ASSERT_EQ(3u, order.size());

    Click(WM_LBUTTONUP);
    HWND menu = WaitForMenu();
    ASSERT_NE(nullptr, menu);
    Keys(menu, {VK_DOWN, VK_ESCAPE});
    ASSERT_TRUE(WaitFor([&] { return MenuWindow() == nullptr; })) << "Escape left the menu open";

    // The next click still works and launches only what it picks: had the dismissed
    // menu launched its highlighted first entry, that would be the record's first line.
    Click(WM_LBUTTONUP);
    menu = WaitForMenu();
    ASSERT_NE(nullptr, menu) << "no menu after the dismissed one";
    Keys(menu, {VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_EQ(order[1] + "\n", FirstLaunch());
}

TEST_F(LauncherE2E, RightClickShowsTheMainMenuAndLeftClickReportsAMissingFolder)
{
    ASSERT_NO_FATAL_FAILURE(Start("launcher_e2e_main", false));
    DWORD pid = morvek.info.dwProcessId;

    // Without an items folder a launcher click could only give the message box: a menu
    // with no box is the main menu.
    Click(WM_RBUTTONDOWN);
    HWND menu = WaitForMenu();
    ASSERT_NE(nullptr, menu) << "no main menu after a right click";
    EXPECT_EQ(nullptr, FindTopWindow(L"#32770", L"Morvek Error", pid));
    Keys(menu, {VK_ESCAPE});
    ASSERT_TRUE(WaitFor([&] { return MenuWindow() == nullptr; }));

    Click(WM_LBUTTONUP);
    HWND box = nullptr;
    // The box exists before its text is set; it is shown once it is complete.
    ASSERT_TRUE(WaitFor([&] {
        return (box = FindTopWindow(L"#32770", L"Morvek Error", pid)) != nullptr && IsWindowVisible(box);
    }));
    EXPECT_EQ(L"BindToObject Error\nitemsフォルダの有無を確認してください", MessageBoxTextOf(box));
    EXPECT_EQ(nullptr, MenuWindow());
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));

    // A middle click with the default Key 0 does nothing, so the next message is the
    // right click's menu again.
    Click(WM_MBUTTONUP);
    Click(WM_RBUTTONDOWN);
    menu = WaitForMenu();
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(nullptr, FindTopWindow(L"#32770", L"Morvek Error", pid));
    Keys(menu, {VK_ESCAPE});
    EXPECT_TRUE(WaitFor([&] { return MenuWindow() == nullptr; }));
}

}  // namespace
