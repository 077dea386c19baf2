// The launcher menu and the desktop list kept between clicks: shown again while nothing they
// show has changed, built anew, asking the shell only about what changed, after any change.
#include <algorithm>
#include <functional>

#include "app/tray_window.h"
#include "core/platform_calls.h"
#include "folder_menu_fixture.h"
#include "launcher/build_ahead.h"
#include "tray/tray_icon.h"

namespace {

HANDLE WINAPI RefuseWatch(LPCWSTR, BOOL, DWORD)
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return INVALID_HANDLE_VALUE;
}

class KeptLauncherMenu : public FolderMenu {
protected:
    // No stale menu where a watch fails: a wait on it that fails counts as a change, and where
    // no watch can be made every click builds and nothing is kept. click shows the menu held
    // (watched by watch) and gives the builds it made.
    void ExpectFailedWatchesKeepNothing(const std::function<unsigned()>& click, const KeptMenu& held, HANDLE& watch)
    {
        {
            SCOPED_TRACE("the wait fails");
            HANDLE real = watch;
            ASSERT_NE(nullptr, real);
            watch = reinterpret_cast<HANDLE>(0x1230);
            EXPECT_EQ(1u, click());
            EXPECT_TRUE(kept);
            EXPECT_NE(nullptr, watch) << "watched again";
            FindCloseChangeNotification(real);
            EXPECT_EQ(0u, click());
        }
        SCOPED_TRACE("no watch can be made");
        FreeKeptMenu(true);
        g_platform.FindFirstChangeNotificationW = RefuseWatch;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(1u, click());
            EXPECT_FALSE(kept);
            EXPECT_EQ(nullptr, held.menu);
            EXPECT_EQ(nullptr, held.change);
        }
    }
};

// Built anew at the first click after a change in items, asking the shell only about what
// changed and measuring anew for another look; left alone by a log beside the exe or in a
// subfolder (a submenu checks its own folder); freed when replaced and at quit; never kept
// where the watch fails.
TEST_F(KeptLauncherMenu, IsShownAgainUntilWhatItShowsChanges)
{
    ASSERT_TRUE(MakeItems({"one.txt", "two.txt", "three.txt", "sub\\"}));
    auto click = [&] {  // a click's names
        Click(false);
        if (kept) {
            EXPECT_EQ(nullptr, g_launcher.recordListHead);
        }
        return shownMenu ? Names(kept ? g_launcher.keptMenu.records : g_launcher.recordListHead)
                         : std::vector<std::string>{"(no menu)"};
    };
    IconFetches fetches;
    EXPECT_EQ(ShellOrder(TestItemsDir()), click());
    EXPECT_TRUE(kept);
    EXPECT_EQ(4, fetches.Count());
    const LiveCounts held = g_live;
    EXPECT_EQ(before.idLists + 4, held.idLists);
    HMENU first = g_launcher.keptMenu.menu;
    unsigned builds = g_launcher.launcherBuilds;
    for (int i = 0; i < 100; ++i)
        click();
    EXPECT_EQ(first, g_launcher.keptMenu.menu) << "an unchanged folder was built again";
    EXPECT_EQ(builds, g_launcher.launcherBuilds);
    EXPECT_EQ(4, fetches.Count());
    EXPECT_EQ(held.idLists, g_live.idLists);

    std::string besideExe = TestExeDir() + "busy.log";
    std::string inSub = TestItemsDir() + "\\sub\\busy.log";
    struct Step {
        const char* name;
        std::function<void()> change;
        long iconsAsked;  // the entries asked for anew: the rest keep their kept records
        bool reuses;      // the kept records' measures are taken over
        bool builds = true;
    } steps[] = {
        {"added", [&] { WriteTextFile(TestItemsDir() + "\\four.txt", "x"); }, 1, true},
        {"removed", [&] { DeleteFileA((TestItemsDir() + "\\two.txt").c_str()); }, 0, true},
        {"renamed", [&] { MoveFileA((TestItemsDir() + "\\one.txt").c_str(), (TestItemsDir() + "\\uno.txt").c_str()); }, 1, true},
        {"a log beside the exe", [&] { WriteTextFile(besideExe, "x"); }, 0, true, false},
        // Made anew, then written on: the subfolder's time stamp moves too, and with it what
        // a rebuild reuses of it (it is renamed next).
        {"a log made in a subfolder", [&] { WriteTextFile(inSub, "x"); }, 0, true, false},
        {"the log written on", [&] { WriteTextFile(inSub, "xy"); }, 0, true, false},
        // What the top level shows of a subfolder, its name, is watched.
        {"a subfolder renamed",
         [&] {
             ASSERT_TRUE(MoveFileA((TestItemsDir() + "\\sub").c_str(), (TestItemsDir() + "\\renamed").c_str()));
             ASSERT_TRUE(WaitFor([&] { return ItemsChangeSeen(); })) << "the renamed folder was not announced";
         },
         1, true},
        {"rewritten with the same size and time stamp", [&] { RewriteKeepingTimes(TestItemsDir() + "\\three.txt", "y"); }, 0, true},
        {"icons off", [&] { WriteTextFile(TestSettingsPath(), "[Icon]\r\nIconShow=0\r\n"); }, 0, false},
        {"icons on", [&] { DeleteFileA(TestSettingsPath().c_str()); }, 4, false},
        {"the shell announced changed icons", [&] { MarkKeptMenuStale(); }, 4, false},
        // A change of look asks nothing again: only the measures go.
        {"the colour set", [&] { TrayWndProc(nullptr, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet")); }, 0, false},
        {"the theme", [&] { TrayWndProc(nullptr, WM_THEMECHANGED, 0, 0); }, 0, false},
        {"the shell's state (hidden extensions)", [&] { TrayWndProc(nullptr, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ShellState")); }, 4, false},
        {"the menu font", [&] { g_launcher.keptMenu.look.menuFont.lfHeight += 3; }, 0, false},
        {"submenus on", [&] { WriteTextFile(TestSettingsPath(), "[Launcher]\r\nSubmenus=1\r\n"); }, 0, false},
        {"submenus off", [&] { WriteTextFile(TestSettingsPath(), "[Launcher]\r\nSubmenus=0\r\n"); }, 0, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        for (LauncherRecord* r : Records(g_launcher.keptMenu.records))
            r->itemWidth = 1234;  // measured, as a shown menu is
        long asked = fetches.Count();
        builds = g_launcher.launcherBuilds;
        std::vector<std::string> namesBefore = ShellOrder(TestItemsDir());
        step.change();
        if (!step.builds)
            Sleep(50);  // time for a wrong notification to come
        EXPECT_EQ(ShellOrder(TestItemsDir()), click());
        EXPECT_TRUE(kept);
        EXPECT_EQ(builds + step.builds, g_launcher.launcherBuilds);
        EXPECT_EQ(step.iconsAsked, fetches.Count() - asked);
        // One list per entry; a folder's submenu holds its entry's and its folder's too.
        long lists = static_cast<long>(ShellOrder(TestItemsDir()).size()) + (g_launcher.menuLook.submenus ? 2 : 0);
        EXPECT_EQ(before.idLists + lists, g_live.idLists);
        for (LauncherRecord* r : Records(g_launcher.keptMenu.records)) {
            SCOPED_TRACE(r->text);
            EXPECT_EQ(g_launcher.menuLook.iconShow ? SmallIconIndexOf(TestItemsDir() + "\\" + r->text) : -1, r->iconIndex);
            bool reused = std::find(namesBefore.begin(), namesBefore.end(), r->text) != namesBefore.end() &&
                          step.reuses;
            EXPECT_EQ(reused ? 1234u : 0u, r->itemWidth);
        }
    }
    DeleteFileA(besideExe.c_str());
    EXPECT_EQ(before.icons, g_live.icons) << "no icon handle is held";

    // A removed folder is reported at the next click and frees what was kept; one made again
    // (also between two clicks) is listed at the click after.
    RemoveTree(TestItemsDir());
    EXPECT_EQ(std::vector<std::string>{"(no menu)"}, click());
    EXPECT_EQ(1u, boxes.shown.size());
    EXPECT_EQ(before.idLists, g_live.idLists);
    ASSERT_TRUE(MakeItems({"again.txt"}));
    EXPECT_EQ(std::vector<std::string>{"again.txt"}, click());
    EXPECT_TRUE(kept);
    ASSERT_TRUE(MakeItems({"third.txt"}));
    EXPECT_EQ(std::vector<std::string>{"third.txt"}, click());

    FreeKeptMenu(true);  // at quit

    // Where the watch fails (a share without notifications) nothing is kept or built ahead.
    EXPECT_EQ(1u, Click());
    ExpectFailedWatchesKeepNothing(
        [&] {
            unsigned builds = Click();
            if (!kept)
                FreeFolderMenu(shownMenu, shown);
            return builds;
        },
        g_launcher.keptMenu, g_launcher.keptMenu.change);
    StartLauncherBuildAhead(GetDesktopWindow());
    EXPECT_FALSE(LauncherBuildRunning()) << "built ahead with nothing to keep it by";
}

// A shortcut whose target turned from a file into a folder keeps its listing, and so its
// record, but gains a submenu arrow: it is measured anew, an unchanged neighbour is not.
TEST_F(KeptLauncherMenu, AReusedEntryThatGainsASubmenuArrowIsMeasuredAnew)
{
    ASSERT_TRUE(WriteTextFile(TestSettingsPath(), "[Launcher]\r\nSubmenus=1\r\n"));
    std::string scratch = MakeScratchDir("kept_arrow");
    std::string target = scratch + "\\target";
    ASSERT_TRUE(WriteTextFile(target, "x"));
    ASSERT_TRUE(MakeItems({"a.txt", "to.lnk>" + target}));
    EXPECT_EQ(1u, Click());
    ASSERT_TRUE(kept);
    for (LauncherRecord* r : Records(g_launcher.keptMenu.records)) {
        EXPECT_EQ(nullptr, r->submenu) << r->text;
        r->itemWidth = 1234;
    }
    ASSERT_TRUE(DeleteFileA(target.c_str()));
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    ASSERT_TRUE(WriteTextFile(TestItemsDir() + "\\b.txt", "x"));  // a change that rebuilds
    IconFetches fetches;
    EXPECT_EQ(1u, Click());
    EXPECT_EQ(1, fetches.Count()) << "the shortcut's record was not reused";
    for (LauncherRecord* r : Records(g_launcher.keptMenu.records)) {
        SCOPED_TRACE(r->text);
        EXPECT_EQ(std::string(r->text) == "to", r->submenu != nullptr);
        EXPECT_EQ(std::string(r->text) == "a.txt" ? 1234u : 0u, r->itemWidth);
    }
    RemoveTree(scratch);
}

// The desktop list, kept by the same rules over both desktop folders, beside the kept
// launcher menu: built anew when a shortcut comes onto the user's desktop (asking the shell
// about it alone), a file onto the public one, or the shell announces changed icons (its
// own desktop items change only so).
TEST_F(KeptLauncherMenu, TheDesktopListIsKeptUntilEitherDesktopFolderOrAnIconChanges)
{
    ASSERT_TRUE(MakeItems({"one.txt"}));
    Click();
    HMENU launcher = shownMenu;
    ASSERT_TRUE(kept);
    std::vector<std::string> names;
    auto click = [&] {
        CaptureMenuLook();
        unsigned builds = g_launcher.desktopBuilds;
        HMENU desktop = DesktopMenu(&shown, &kept);
        EXPECT_NE(nullptr, desktop);
        names = Names(kept ? g_launcher.keptDesktop.records : g_launcher.recordListHead);
        if (!kept)
            FreeFolderMenu(desktop, shown);
        return g_launcher.desktopBuilds - builds;
    };
    // A rebuild that took a kept record for another entry (the shell's own items have no
    // listing data) shows as names other than the shell's.
    auto listedNow = [&] { return ShellOrder("") == names; };
    IconFetches fetches;
    EXPECT_EQ(1u, click());
    EXPECT_TRUE(kept);
    EXPECT_TRUE(listedNow());
    HMENU first = g_launcher.keptDesktop.menu;
    EXPECT_EQ(0u, click());
    EXPECT_EQ(first, g_launcher.keptDesktop.menu);
    EXPECT_TRUE(kept);

    RemovedAtEnd userLink{DesktopDir(CSIDL_DESKTOPDIRECTORY) + "\\morvek kept desktop.lnk"};
    RemovedAtEnd publicFile{DesktopDir(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\morvek kept public.txt"};
    // Wine lists only the user's desktop, Windows both: either way the list shows the shell's.
    struct Step {
        const char* name;
        std::function<void()> change;
        bool all = false;  // every icon is asked for anew
    } steps[] = {
        {"a shortcut on the user's desktop",
         [&] { ASSERT_EQ(S_OK, MakeShortcut(userLink.path, TestExeDir() + "x.exe")); }},
        {"a file on the public desktop", [&] { ASSERT_TRUE(WriteTextFile(publicFile.path, "x")); }},
        // Seen by the public desktop's watch alone, which the click finds signalled.
        {"the file rewritten with the same size and time stamp",
         [&] {
             RewriteKeepingTimes(publicFile.path, "y");
             EXPECT_TRUE(WaitFor([] {
                 return WaitForSingleObject(g_launcher.keptDesktop.publicChange, 0) == WAIT_OBJECT_0;
             })) << "the rewrite was not announced";
         }},
        {"both removed", [&] { DeleteFileA(userLink.path.c_str()); DeleteFileA(publicFile.path.c_str()); }},
        {"the shell announced changed icons",
         [&] {
             EXPECT_EQ(0u, Click());
             EXPECT_EQ(launcher, shownMenu) << "the desktop list took the launcher's place";
             MarkKeptMenuStale();
         },
         true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        std::vector<std::string> namesBefore = names;
        // A lookup the shell answered too late (a busy machine) is asked for again.
        std::vector<std::string> lateBefore;
        for (LauncherRecord* r = g_launcher.keptDesktop.records; r; r = r->next)
            if (r->iconLate)
                lateBefore.push_back(r->text);
        step.change();
        ASSERT_TRUE(WaitFor([] { return IconFetchesHeld().out == 0; }));
        long asked = fetches.Count();
        EXPECT_EQ(1u, click());
        EXPECT_TRUE(kept);
        EXPECT_TRUE(listedNow());
        long again = 0;
        for (const std::string& name : names)
            again += std::find(namesBefore.begin(), namesBefore.end(), name) == namesBefore.end() ||
                     std::find(lateBefore.begin(), lateBefore.end(), name) != lateBefore.end();
        EXPECT_EQ(step.all ? static_cast<long>(names.size()) : again, fetches.Count() - asked)
            << "only new entries and late lookups are asked for";
        EXPECT_EQ(0u, click()) << "not kept again";
    }
    ExpectFailedWatchesKeepNothing(click, g_launcher.keptDesktop, g_launcher.keptDesktop.publicChange);
}

// The shell's calls inside a build may take messages, an announcement of changed icons
// among them: it is for the next click.
bool g_announceDuringBuild;
DWORD_PTR(WINAPI* g_getFileInfoA)(LPCSTR, DWORD, SHFILEINFOA*, UINT, UINT);
DWORD_PTR WINAPI AnnounceThenGetFileInfoA(LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT size, UINT flags)
{
    if (g_announceDuringBuild) {
        g_announceDuringBuild = false;
        TrayWndProc(nullptr, kShellIconsChanged, 0, 0);
    }
    return g_getFileInfoA(path, attributes, info, size, flags);
}

TEST_F(KeptLauncherMenu, ChangedIconsAnnouncedDuringABuildAreForTheNextClick)
{
    ASSERT_TRUE(MakeItems({"one.txt", "two.txt"}));
    g_getFileInfoA = g_platform.SHGetFileInfoA;
    g_platform.SHGetFileInfoA = AnnounceThenGetFileInfoA;
    g_announceDuringBuild = true;
    EXPECT_EQ(1u, Click());
    g_platform.SHGetFileInfoA = g_getFileInfoA;
    EXPECT_FALSE(g_announceDuringBuild) << "the build fetched no icon";
    ASSERT_TRUE(kept);
    EXPECT_EQ(1u, Click()) << "the announcement was lost";
}

}  // namespace
