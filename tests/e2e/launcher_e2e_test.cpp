// The launcher of the built exe under Wine: tray callbacks open the menus, menu keys pick
// an entry, and the picked shortcut's program really starts.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
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

    std::string Launched() { return ReadTextFile(dir + "\\launched.txt"); }

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

    // Whether the tray window says a folder menu's click is still going on.
    bool ClickGoingOn()
    {
        DWORD_PTR open = 1;
        return !SendMessageTimeoutA(tray, WM_APP + 1, 4, 0, SMTO_BLOCK, 2000, &open) || open != 0;
    }

    // Opens the launcher, picks the entry at this position and returns the line it
    // recorded: "" when nothing was launched, "(no menu)" when no menu opened.
    std::string LaunchAt(size_t index)
    {
        DeleteFileA((dir + "\\launched.txt").c_str());
        Click(WM_LBUTTONUP);
        HWND menu = WaitForMenu();
        if (!menu)
            return "(no menu)";
        for (size_t i = 0; i <= index; ++i)
            Keys(menu, {VK_DOWN});
        Keys(menu, {VK_RETURN});
        std::string line;
        WaitFor([&] { return !(line = Launched()).empty() && line.back() == '\n'; }, 15000);
        EXPECT_TRUE(WaitFor([&] { return !ClickGoingOn(); }, 15000)) << "the click never ended";
        return line;
    }

    // The height of the next launcher menu's window, dismissed again.
    int MenuHeight()
    {
        Click(WM_LBUTTONUP);
        HWND menu = WaitForMenu();
        RECT rect = {};
        if (menu)
            GetWindowRect(menu, &rect);
        Keys(menu, {VK_ESCAPE});
        EXPECT_TRUE(WaitFor([&] { return !ClickGoingOn(); }));
        return rect.bottom - rect.top;
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
    EXPECT_TRUE(WaitFor([&] { return !Launched().empty(); }, 15000)) << "nothing was launched";
    EXPECT_TRUE(WaitFor([&] { return MenuWindow() == nullptr; }));
    EXPECT_EQ(order[1] + "\n", Launched());
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
    // menu launched anything, it would show in the record before this.
    Click(WM_LBUTTONUP);
    menu = WaitForMenu();
    ASSERT_NE(nullptr, menu) << "no menu after the dismissed one";
    Keys(menu, {VK_DOWN, VK_RETURN});
    EXPECT_TRUE(WaitFor([&] { return !Launched().empty(); }, 15000));
    EXPECT_EQ(order[0] + "\n", Launched());
}

TEST_F(LauncherE2E, EveryClickShowsTheFolderAsItIsNow)
{
    ASSERT_NO_FATAL_FAILURE(Start("launcher_e2e_now", true));
    std::string items = dir + "\\items\\";
    std::string recorder = dir + "\\recorder.exe";
    auto at = [&](const std::string& name) {
        std::vector<std::string> order = ShellOrder(dir + "\\items");
        return static_cast<size_t>(std::find(order.begin(), order.end(), name) - order.begin());
    };

    // Unchanged, a second click lists and launches the same.
    EXPECT_EQ("beta\n", LaunchAt(at("beta")));
    EXPECT_EQ("beta\n", LaunchAt(at("beta")));

    ASSERT_EQ(S_OK, MakeShortcut(items + "delta.lnk", recorder, "delta"));
    EXPECT_EQ("delta\n", LaunchAt(at("delta"))) << "added";

    // Removing the first entry moves every other one up.
    std::string first = ShellOrder(dir + "\\items")[0];
    ASSERT_TRUE(DeleteFileA((items + first + ".lnk").c_str()));
    std::string next = ShellOrder(dir + "\\items")[0];
    EXPECT_EQ(next + "\n", LaunchAt(0)) << "removed " << first;

    ASSERT_TRUE(MoveFileA((items + next + ".lnk").c_str(), (items + "zulu.lnk").c_str()));
    EXPECT_EQ(next + "\n", LaunchAt(at("zulu"))) << "renamed";

    ASSERT_EQ(S_OK, MakeShortcut(items + "zulu.lnk", recorder, "rewritten"));
    EXPECT_EQ("rewritten\n", LaunchAt(at("zulu"))) << "rewritten";

    // The icon column sets the items' height: the menu's height follows the setting.
    int iconsOn = MenuHeight();
    ASSERT_TRUE(WriteTextFile(dir + "\\setting1.ini", "[Icon]\r\nIconShow=0\r\n"));
    int iconsOff = MenuHeight();
    EXPECT_NE(iconsOn, iconsOff) << "IconShow off";
    ASSERT_TRUE(WriteTextFile(dir + "\\setting1.ini", "[Icon]\r\nIconShow=1\r\n"));
    EXPECT_EQ(iconsOn, MenuHeight()) << "IconShow on again";

    // A removed folder gives the message at the next click; a new one is listed again.
    RemoveTree(dir + "\\items");
    Click(WM_LBUTTONUP);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        box = FindTopWindow(L"#32770", L"Morvek Error", morvek.info.dwProcessId);
        return box && IsWindowVisible(box);
    })) << "no message for the removed folder";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !ClickGoingOn(); }));
    ASSERT_TRUE(CreateDirectoryA((dir + "\\items").c_str(), nullptr));
    ASSERT_EQ(S_OK, MakeShortcut(items + "solo.lnk", recorder, "solo"));
    EXPECT_EQ("solo\n", LaunchAt(0)) << "recreated";
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
