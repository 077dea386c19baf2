// The launcher built ahead of the click, on its own thread, with a real items folder and the
// program's own message loop.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/platform_calls.h"
#include "app/tray_window.h"
#include "resources/resource.h"
#include "tray/tray_icon.h"
#include "launcher/build_ahead.h"
#include "launcher/kept_menu.h"
#include "launcher/launcher_state.h"
#include "test_support.h"

namespace {

class BuildAhead : public testing::Test {
protected:
    HMENU resource = nullptr;
    void SetUp() override
    {
        DeleteFileA(TestSettingsPath().c_str());
        ASSERT_TRUE(MakeItems({"one.txt", "two.ini", "three.bat"}));
        resource = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU));
        g_app.mainTrayMenu = GetSubMenu(resource, 0);
        HoldKey(0);
        // Each case starts from the launcher built ahead and kept.
        StartLauncherBuildAhead(owner.window);
        ASSERT_TRUE(Settle());
    }
    void TearDown() override
    {
        EXPECT_TRUE(Settle());
        FreeKeptMenu(true);
        DestroyMenu(resource);
        g_app.mainTrayMenu = nullptr;
        RemoveTree(TestItemsDir());
    }
    // Until the build under way (if any) is kept and no change waits for a quiet time.
    bool Settle() { return owner.Step([] { return !LauncherBuildRunning() && LauncherQuietWait() == INFINITE; }); }
    LauncherOwner owner{{WM_MENUCHAR, WM_MEASUREITEM, WM_DRAWITEM, kTrayCallbackMessage, kLauncherBuilt,
                         kLauncherIconCame}, true};  // each menu closed with Escape as it opens
};

// While the build ahead waits for an icon a right click opens the main menu at once; a left
// click is answered with the launcher as soon as the build arrives, not built a second time.
TEST_F(BuildAhead, ClicksDuringTheBuildAreAnswered)
{
    FreeKeptMenu(true);
    unsigned builds = g_launcher.launcherBuilds;
    IconFetches stalled(true);
    StartLauncherBuildAhead(owner.window);
    ASSERT_TRUE(WaitFor([&] { return stalled.Count() > 0; })) << "the build never asked for an icon";
    OnTrayNotify(owner.window, kTrayIconId, WM_RBUTTONDOWN);
    EXPECT_EQ(std::vector<HMENU>{g_app.mainTrayMenu}, owner.menusOpened);
    EXPECT_TRUE(LauncherBuildRunning());
    OnTrayNotify(owner.window, kTrayIconId, WM_LBUTTONUP);
    EXPECT_EQ(1u, owner.menusOpened.size()) << "a launcher shown before it was built";
    EXPECT_EQ(builds, g_launcher.launcherBuilds);
    stalled.Release();
    ASSERT_TRUE(owner.Step([&] { return owner.menusOpened.size() == 2; })) << "the waiting click was dropped";
    EXPECT_EQ(g_launcher.keptMenu.menu, owner.menusOpened[1]);
    EXPECT_EQ(3, GetMenuItemCount(owner.menusOpened[1]));
    EXPECT_EQ(builds + 1, g_launcher.launcherBuilds);
    EXPECT_EQ(3, stalled.Count());
}

// A click held for a build that does not come within a second is answered then with a
// launcher built for it (the build under way is kept when it comes), unless the user went
// elsewhere: another window came to the front with input, or a key went down.
TEST_F(BuildAhead, AHeldClickOpensOnlyWhileTheUserWaits)
{
    auto front = [] { SetForegroundWindow(MakeWindow(L"HeldClickTest", DefWindowProcW, 0, WS_POPUP | WS_VISIBLE)); };
    struct Row {
        const char* name;
        bool wanted;
        std::function<void()> elsewhere;
    } rows[] = {
        {"still waiting", true, [] {}},
        {"another window in front by itself", true, front},
        {"another window in front as the mouse moved", false,
         [&] {
             front();
             INPUT move = {};
             move.type = INPUT_MOUSE;
             move.mi.dwFlags = MOUSEEVENTF_MOVE;
             Sleep(20);
             SendInput(1, &move, sizeof(INPUT));
         }},
        {"a key went down", false,
         [] {
             INPUT keys[2] = {};
             keys[0].type = keys[1].type = INPUT_KEYBOARD;
             keys[0].ki.wVk = keys[1].ki.wVk = 'M';
             keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
             SendInput(2, keys, sizeof(INPUT));
         }},
    };
    int items = 0;
    owner.whileOpen = [&](HMENU menu) { items = GetMenuItemCount(menu); };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FreeKeptMenu(true);
        owner.menusOpened.clear();
        items = 0;
        IconFetches stalled(true);
        StartLauncherBuildAhead(owner.window);
        ASSERT_TRUE(WaitFor([&] { return stalled.Count() > 0; })) << "the build never asked for an icon";
        OnTrayNotify(owner.window, kTrayIconId, WM_LBUTTONUP);
        ASSERT_NE(INFINITE, LauncherHeldClickWait()) << "not held";
        row.elsewhere();
        EXPECT_TRUE(owner.Step([] { return LauncherHeldClickWait() == INFINITE; }));
        ASSERT_EQ(row.wanted ? 1u : 0u, owner.menusOpened.size());
        EXPECT_EQ(row.wanted ? 3 : 0, items);
        stalled.Release();
        ASSERT_TRUE(Settle());
        EXPECT_EQ(row.wanted ? 1u : 0u, owner.menusOpened.size()) << "opened once the build came";
        EXPECT_NE(nullptr, g_launcher.keptMenu.menu) << "the build was not kept";
        if (HWND front = FindTopWindow(L"HeldClickTest", nullptr, GetCurrentProcessId()))
            DestroyWindow(front);
    }
}

// An icon that comes after its build stopped waiting lands in the kept launcher, drawn again.
TEST_F(BuildAhead, ALateIconLandsInTheKeptMenuWithoutARebuild)
{
    ASSERT_TRUE(WaitFor([] { return IconFetchesHeld().out == 0; }));
    IconFetches stalled(true, "\\four.txt");
    ASSERT_TRUE(WriteTextFile(TestItemsDir() + "\\four.txt", "x"));
    ASSERT_TRUE(owner.Step([] { return IconFetchesHeld().out == 1 && !LauncherBuildRunning(); }));
    ASSERT_TRUE(Settle());
    LauncherRecord* four = nullptr;
    for (LauncherRecord* r = g_launcher.keptMenu.records; r; r = r->next)
        if (std::string(r->text) == "four.txt")
            four = r;
    ASSERT_NE(nullptr, four) << "not built";
    ASSERT_TRUE(four->iconLate);
    const unsigned builds = g_launcher.launcherBuilds;
    bool redrawn = false;
    owner.escapeAtOnce = false;
    WhenMenuOpens([&](HWND menuWindow) {
        stalled.Release();
        // The icon's own message alone is waited for (the helper posts it after lowering its
        // count): pumped with the others, it would be drawn before the menu is validated.
        MSG msg = {};
        bool came = false;
        for (DWORD start = GetTickCount(); !came && GetTickCount() - start < 15000; Sleep(5))
            came = PeekMessageW(&msg, owner.window, kLauncherIconCame, kLauncherIconCame, PM_REMOVE);
        EXPECT_TRUE(came);
        ValidateRect(menuWindow, nullptr);
        DispatchMessageW(&msg);
        redrawn = GetUpdateRect(menuWindow, nullptr, FALSE);
        PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 1);
    });
    OnTrayNotify(owner.window, kTrayIconId, WM_LBUTTONUP);
    ASSERT_EQ(1u, owner.menusOpened.size());
    EXPECT_EQ(g_launcher.keptMenu.menu, owner.menusOpened[0]);
    EXPECT_TRUE(redrawn) << "the open launcher was not drawn again";
    EXPECT_FALSE(four->iconLate);
    EXPECT_EQ(SmallIconIndexOf(TestItemsDir() + "\\four.txt"), four->iconIndex);
    EXPECT_EQ(builds, g_launcher.launcherBuilds) << "built anew for a late icon";
}

// Quit while the build ahead waits for an icon: the build that then arrives is freed, not
// kept, with the menu kept before it and the watch; nothing is built after it.
TEST_F(BuildAhead, ABuildThatArrivesAfterQuitIsFreed)
{
    ASSERT_NE(nullptr, g_launcher.keptMenu.menu);
    ASSERT_TRUE(WriteTextFile(TestItemsDir() + "\\late.txt", "x"));
    IconFetches stalled(true);
    StartLauncherBuildAhead(owner.window);
    ASSERT_TRUE(WaitFor([&] { return stalled.Count() > 0; })) << "the build never asked for an icon";
    HMENU kept = g_launcher.keptMenu.menu;
    g_app.quitting = true;
    FreeLauncherAtQuit();
    EXPECT_TRUE(IsMenu(kept)) << "freed while the build still reads its records";
    stalled.Release();
    EXPECT_TRUE(owner.Step([] { return !LauncherBuildRunning(); }));
    EXPECT_EQ(nullptr, g_launcher.keptMenu.menu) << "a build was kept after quit";
    EXPECT_EQ(nullptr, g_launcher.keptMenu.change) << "the watch stays open after quit";
    StartLauncherBuildAhead(owner.window);
    EXPECT_FALSE(LauncherBuildRunning()) << "a build started after quit";
    g_app.quitting = false;
}

BOOL WINAPI RefusePost(HWND, UINT, WPARAM, LPARAM)
{
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return FALSE;
}

// A build whose result can't be posted (a full queue) ends all the same: no click waits.
TEST_F(BuildAhead, ABuildWhosePostIsRefusedStillEnds)
{
    FreeKeptMenu(true);
    g_platform.PostMessageW = RefusePost;
    StartLauncherBuildAhead(owner.window);
    EXPECT_TRUE(LauncherBuildRunning());
    EXPECT_TRUE(Settle()) << "still waiting for a build that ended";
    g_platform.PostMessageW = ::PostMessageW;
    EXPECT_EQ(nullptr, g_launcher.keptMenu.menu);
    OnTrayNotify(owner.window, kTrayIconId, WM_LBUTTONUP);
    EXPECT_EQ(1u, owner.menusOpened.size()) << "the click was held";
}

// A click before the build ahead of a change builds it itself: it is not built again after.
TEST_F(BuildAhead, AClickThatBuiltTheChangeLeavesNoBuildBehind)
{
    unsigned builds = g_launcher.launcherBuilds;
    ASSERT_TRUE(WriteTextFile(TestItemsDir() + "\\four.txt", "x"));
    // The change is seen; the build waits for the folder to stay quiet.
    ASSERT_TRUE(owner.Step([] { return LauncherQuietWait() != INFINITE; }));
    OnTrayNotify(owner.window, kTrayIconId, WM_LBUTTONUP);
    ASSERT_EQ(1u, owner.menusOpened.size());
    EXPECT_EQ(4, GetMenuItemCount(owner.menusOpened[0]));
    EXPECT_EQ(builds + 1, g_launcher.launcherBuilds);
    ASSERT_TRUE(owner.Step([] { return LauncherQuietWait() == INFINITE && !LauncherBuildRunning(); }));
    EXPECT_EQ(builds + 1, g_launcher.launcherBuilds) << "the change was built twice";
    EXPECT_EQ(owner.menusOpened[0], g_launcher.keptMenu.menu);
}

// The launcher is built ahead, once, for the first click, and once more after many shortcuts
// are copied in, when the folder is quiet; each next click shows it as built. Each change
// starts the quiet time again: a burst spread over longer than it costs one build too.
TEST_F(BuildAhead, EachClickFindsTheLauncherBuiltAndABurstOfChangesCostsOneBuild)
{
    FreeKeptMenu(true);
    unsigned builds = g_launcher.launcherBuilds;
    StartLauncherBuildAhead(owner.window);
    EXPECT_TRUE(LauncherBuildRunning());
    ASSERT_TRUE(Settle());
    EXPECT_EQ(builds + 1, g_launcher.launcherBuilds);
    ASSERT_NE(nullptr, g_launcher.keptMenu.menu);
    EXPECT_EQ(3, GetMenuItemCount(g_launcher.keptMenu.menu));
    for (LauncherRecord* r = g_launcher.keptMenu.records; r; r = r->next)
        EXPECT_NE(0u, r->itemWidth) << "not measured ahead of the first click";
    EXPECT_EQ(INFINITE, LauncherQuietWait()) << "a timer while nothing changes";
    OnTrayNotify(owner.window, kTrayIconId, WM_LBUTTONUP);
    EXPECT_EQ(std::vector<HMENU>{g_launcher.keptMenu.menu}, owner.menusOpened);
    EXPECT_EQ(builds + 1, g_launcher.launcherBuilds) << "the click built the launcher again";
    IconFetches fetches;
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(WriteTextFile(TestItemsDir() + "\\burst " + std::to_string(i) + ".txt", "x"));
    ASSERT_TRUE(owner.Step([&] { return g_launcher.launcherBuilds != builds + 1; })) << "never built anew";
    ASSERT_TRUE(Settle());
    EXPECT_EQ(builds + 2, g_launcher.launcherBuilds);
    EXPECT_EQ(40, fetches.Count()) << "only the new entries are asked for";
    EXPECT_EQ(INFINITE, LauncherQuietWait());
    EXPECT_EQ(43, GetMenuItemCount(g_launcher.keptMenu.menu));
    OnTrayNotify(owner.window, kTrayIconId, WM_LBUTTONUP);
    ASSERT_EQ(2u, owner.menusOpened.size());
    EXPECT_EQ(g_launcher.keptMenu.menu, owner.menusOpened[1]);
    EXPECT_EQ(builds + 2, g_launcher.launcherBuilds);

    int exitCode = 0;
    for (int i = 0; i < 3; ++i) {
        Sleep(kQuietMs + 20);  // the quiet time of the last change has run out, unanswered
        ASSERT_TRUE(WriteTextFile(TestItemsDir() + "\\spread " + std::to_string(i) + ".txt", "x"));
        OnLauncherWatchSignalled();  // as the loop does when the watch says so
        ASSERT_TRUE(TrayLoopStep(owner.window, 0, &exitCode));
        EXPECT_FALSE(LauncherBuildRunning()) << "built before the folder was quiet, change " << i;
        EXPECT_EQ(builds + 2, g_launcher.launcherBuilds);
    }
    ASSERT_TRUE(Settle());
    EXPECT_EQ(builds + 3, g_launcher.launcherBuilds);
    EXPECT_EQ(46, GetMenuItemCount(g_launcher.keptMenu.menu));
}

// The desktop list is built at its first click and kept for the next, beside the launcher.
// A build that arrives while it (any folder menu) is open is kept only once it has closed:
// nothing the open menu may show is freed under it. Quit while the list is shown frees it,
// with its watches, only once it has closed.
TEST_F(BuildAhead, TheDesktopListIsKeptAndWhatComesWhileItIsOpenWaitsUntilItCloses)
{
    ASSERT_TRUE(WriteTextFile(TestSettingsPath(), "[DeskTopShow]\r\nKey=1\r\n"));
    ASSERT_TRUE(WriteTextFile(TestItemsDir() + "\\four.txt", "x"));
    HMENU before = g_launcher.keptMenu.menu;
    unsigned launcherBuilds = g_launcher.launcherBuilds;
    unsigned builds = g_launcher.desktopBuilds;
    IconFetches stalled(true, "\\four.txt");
    StartLauncherBuildAhead(owner.window);
    ASSERT_TRUE(WaitFor([&] { return stalled.Count() > 0 && LauncherBuildRunning(); }));
    owner.whileOpen = [&](HMENU) {
        stalled.Release();
        EXPECT_TRUE(owner.Step([] { return !LauncherBuildRunning(); })) << "the build never arrived";
        EXPECT_EQ(before, g_launcher.keptMenu.menu) << "kept while a menu was open";
        EXPECT_EQ(launcherBuilds, g_launcher.launcherBuilds);
    };
    OnTrayNotify(owner.window, kTrayIconId, WM_MBUTTONUP);
    owner.whileOpen = nullptr;
    ASSERT_EQ(1u, owner.menusOpened.size());
    EXPECT_EQ(launcherBuilds + 1, g_launcher.launcherBuilds) << "the held build was not kept";
    EXPECT_FALSE(IsMenu(before));
    EXPECT_EQ(4, GetMenuItemCount(g_launcher.keptMenu.menu));
    OnTrayNotify(owner.window, kTrayIconId, WM_LBUTTONUP);
    OnTrayNotify(owner.window, kTrayIconId, WM_MBUTTONUP);
    ASSERT_EQ(3u, owner.menusOpened.size());
    HMENU desktop = owner.menusOpened[0];
    EXPECT_EQ(g_launcher.keptDesktop.menu, desktop);
    EXPECT_EQ(g_launcher.keptMenu.menu, owner.menusOpened[1]);
    EXPECT_EQ(desktop, owner.menusOpened[2]);
    EXPECT_EQ(builds + 1, g_launcher.desktopBuilds) << "the second click built the desktop list again";
    owner.whileOpen = [&](HMENU) {
        g_app.quitting = true;
        FreeLauncherAtQuit();
        EXPECT_TRUE(IsMenu(desktop)) << "freed while shown";
    };
    OnTrayNotify(owner.window, kTrayIconId, WM_MBUTTONUP);
    g_app.quitting = false;
    ASSERT_EQ(4u, owner.menusOpened.size());
    EXPECT_FALSE(IsMenu(desktop)) << "not freed once closed";
    EXPECT_EQ(nullptr, g_launcher.keptDesktop.menu);
    EXPECT_EQ(nullptr, g_launcher.keptDesktop.change);
    EXPECT_EQ(nullptr, g_launcher.keptDesktop.publicChange);
    DeleteFileA(TestSettingsPath().c_str());
}

// A closed submenu holds no handle on its folder outside items: it can be removed, and made
// again it is listed afresh at the next opening.
TEST_F(BuildAhead, NoSubmenuHoldsItsFolderOnceTheMenuHasClosed)
{
    std::string elsewhere = MakeScratchDir("submenu_held");
    ASSERT_TRUE(MakeTree(elsewhere, {"far.txt"}));
    ASSERT_TRUE(WriteTextFile(TestSettingsPath(), "[Launcher]\r\nSubmenus=1\r\n"));
    ASSERT_TRUE(MakeTree(TestItemsDir(), {"out.lnk>" + elsewhere, "in\\", "in\\near.txt"}));
    ASSERT_TRUE(Settle());
    std::vector<int> filled;  // the items of each submenu as it opened
    owner.whileOpen = [&](HMENU menu) {
        for (int i = 0; i < GetMenuItemCount(menu); ++i)
            if (HMENU popup = GetSubMenu(menu, i)) {
                OnLauncherMenuPopup(popup);
                filled.push_back(GetMenuItemCount(popup));
            }
    };
    OnTrayNotify(owner.window, kTrayIconId, WM_LBUTTONUP);
    ASSERT_EQ((std::vector<int>{3, 3}), filled);
    for (LauncherRecord* r = g_launcher.keptMenu.records; r; r = r->next)
        EXPECT_TRUE(!r->submenu || !r->submenu->change) << r->text << ": its watch is still open";
    EXPECT_TRUE(DeleteFileA((elsewhere + "\\far.txt").c_str()));
    EXPECT_TRUE(RemoveDirectoryA(elsewhere.c_str())) << "a handle still holds the folder, error " << GetLastError();
    ASSERT_TRUE(MakeTree(elsewhere, {"far.txt", "new.txt"}));
    filled.clear();
    OnTrayNotify(owner.window, kTrayIconId, WM_LBUTTONUP);
    EXPECT_EQ((std::vector<int>{3, 4}), filled);
    EXPECT_EQ(g_launcher.keptMenu.menu, owner.menusOpened.back());
    RemoveTree(elsewhere);
    DeleteFileA(TestSettingsPath().c_str());
}

// Each menu bar drawn through the platform table: its window, DC and menu.
struct BarDrawn {
    HWND window;
    HDC dc;
    bool offScreen;  // a memory DC: nothing drawn shows
    HMENU menu;
};
std::vector<BarDrawn> g_barsDrawn;
DWORD(WINAPI* g_drawMenuBarTemp)(HWND, HDC, RECT*, HMENU, HFONT);

DWORD WINAPI RecordMenuBarDrawn(HWND window, HDC dc, RECT* rect, HMENU menu, HFONT font)
{
    g_barsDrawn.push_back({window, dc, GetObjectType(dc) == OBJ_MEMDC, menu});
    return g_drawMenuBarTemp(window, dc, rect, menu, font);
}

// A kept build ahead has the platform set up its menu code for the window the menus belong
// to, in a memory DC of Morvek's; once for the process, and nothing drawn with stays behind.
TEST_F(BuildAhead, ThePlatformMenuCodeIsSetUpOnceAheadOfTheFirstClick)
{
    g_drawMenuBarTemp = g_platform.DrawMenuBarTemp;
    ASSERT_NE(nullptr, g_drawMenuBarTemp) << "user32 exports no DrawMenuBarTemp";
    g_platform.DrawMenuBarTemp = RecordMenuBarDrawn;
    g_launcher.platformMenusTried = false;
    g_barsDrawn.clear();
    unsigned builds = g_launcher.launcherBuilds;
    for (int build = 0; build < 2; ++build) {
        FreeKeptMenu(true);
        StartLauncherBuildAhead(owner.window);
        EXPECT_TRUE(Settle());
    }
    g_platform.DrawMenuBarTemp = g_drawMenuBarTemp;
    ASSERT_EQ(builds + 2, g_launcher.launcherBuilds);
    ASSERT_EQ(1u, g_barsDrawn.size());
    EXPECT_EQ(owner.window, g_barsDrawn[0].window);
    EXPECT_TRUE(g_barsDrawn[0].offScreen);
    EXPECT_EQ(0u, GetObjectType(g_barsDrawn[0].dc)) << "the DC was not deleted";
    EXPECT_FALSE(IsMenu(g_barsDrawn[0].menu)) << "the menu was not destroyed";
}

}  // namespace
