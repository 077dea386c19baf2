// The launcher of the built exe under Wine: tray callbacks open the menus, menu keys pick
// an entry, and the picked shortcut's program really starts. This program runs under
// UTF-8, as the exe does, so its names may come from any script.
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

// Names from outside any one code page each list and launch. The longest Japanese name
// is the longest the file system under the test holds (255 bytes of UTF-8, ".lnk"
// included); longer display names are tested in-process.
TEST_F(LauncherE2E, NamesFromAnyScriptListAndLaunch)
{
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), GetACP()) << "this program carries the UTF-8 manifest";
    dir = MakeScratchDir("launcher_e2e_world");
    std::string recorder = dir + "\\recorder.exe";
    ASSERT_TRUE(CopyFileA(MORVEK_RECORDER_PATH, recorder.c_str(), FALSE));
    ASSERT_TRUE(CreateDirectoryA((dir + "\\items").c_str(), nullptr));
    std::wstring longName;
    for (int i = 0; i < 83; ++i)
        longName += L"名";
    struct Entry {
        std::wstring name;
        const char* tag;  // the recorder's argument: its command line is ANSI
    } const entries[] = {
        {L"Café", "cafe"},
        {L"한국어", "korean"},
        {L"Ελληνικά", "greek"},
        {L"\U0001F600", "emoji"},
        {longName, "japanese"},
    };
    for (const Entry& entry : entries)
        ASSERT_EQ(S_OK, MakeShortcut(dir + "\\items\\" + Ansi(entry.name) + ".lnk", recorder, entry.tag));
    std::vector<std::string> order = ShellOrder(dir + "\\items");
    ASSERT_EQ(5u, order.size());

    ASSERT_TRUE(morvek.Start(dir));
    ASSERT_TRUE(morvek.WaitForTrayWindow());
    tray = morvek.TrayWindow();
    std::string expected;
    for (size_t i = 0; i < order.size(); ++i) {
        const char* tag = nullptr;
        for (const Entry& entry : entries)
            if (Ansi(entry.name) == order[i])
                tag = entry.tag;
        ASSERT_NE(nullptr, tag) << "the shell lists an unknown name: " << order[i];
        SCOPED_TRACE(tag);
        Click(WM_LBUTTONUP);
        HWND menu = WaitForMenu();
        ASSERT_NE(nullptr, menu);
        for (size_t down = 0; down <= i; ++down)
            Keys(menu, {VK_DOWN});
        Keys(menu, {VK_RETURN});
        expected += std::string(tag) + "\n";
        EXPECT_TRUE(WaitFor([&] { return Launched() == expected; }, 15000)) << "launched: " << Launched();
        ASSERT_TRUE(WaitFor([&] { return MenuWindow() == nullptr; }));
    }
}

// The exe in a folder named outside any one code page but UTF-8, and deeper than 260
// bytes (not 260 UTF-16 units): it reads the settings file and lists the items beside it.
TEST_F(LauncherE2E, AnExeInAFolderOfAnyNameFindsItsSettingsAndItems)
{
    std::string base = MakeScratchDir("launcher_e2e_folder");
    std::wstring deep;
    for (int i = 0; i < 80; ++i)
        deep += L"表";
    std::string folder = base + "\\" + Ansi(L"Ünïcödé 한국 表");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    dir = folder + "\\" + Ansi(deep);
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    ASSERT_GT((dir + "\\setting1.ini").size(), static_cast<size_t>(MAX_PATH));
    ASSERT_LT(Wide(dir + "\\setting1.ini").size(), static_cast<size_t>(MAX_PATH));
    std::string recorder = base + "\\recorder.exe";
    ASSERT_TRUE(CopyFileA(MORVEK_RECORDER_PATH, recorder.c_str(), FALSE));
    ASSERT_TRUE(CreateDirectoryA((dir + "\\items").c_str(), nullptr));
    ASSERT_EQ(S_OK, MakeShortcut(dir + "\\items\\" + Ansi(L"中.lnk"), recorder, "inside"));
    ASSERT_TRUE(WriteTextFile(dir + "\\setting1.ini", "[Exit]\r\nMessage=1\r\n"));

    ASSERT_TRUE(morvek.Start(dir));
    ASSERT_TRUE(morvek.WaitForTrayWindow());
    tray = morvek.TrayWindow();
    Click(WM_LBUTTONUP);
    HWND menu = WaitForMenu();
    ASSERT_NE(nullptr, menu) << "no launcher menu: the items folder was not found";
    Keys(menu, {VK_DOWN, VK_RETURN});
    std::string launched = base + "\\launched.txt";
    EXPECT_TRUE(WaitFor([&] { return ReadTextFile(launched) == "inside\n"; }, 15000))
        << "launched: " << ReadTextFile(launched);
    ASSERT_TRUE(WaitFor([&] { return MenuWindow() == nullptr; }));

    // The settings file beside the exe asks before quitting.
    PostMessageA(tray, WM_COMMAND, 40003, 0);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        box = FindTopWindow(L"#32770", L"確認 by Morvek", morvek.info.dwProcessId);
        return box && IsWindowVisible(box);
    })) << "no question: the settings were not read";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    DWORD code = 0xDEADBEEF;
    ASSERT_TRUE(morvek.WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
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
