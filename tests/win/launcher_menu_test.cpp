// Folder menus built in-process over a real items folder beside the test program, and
// over a small fake folder for the display-name forms the real shell never returns.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/app_state.h"
#include "core/live_counts.h"
#include "core/platform_calls.h"
#include "app/tray_window.h"
#include "launcher/build_ahead.h"
#include "launcher/folder_menu.h"
#include "launcher/launcher_state.h"
#include "launcher/menu_theme.h"
#include "shell/idlist.h"
#include "launcher/kept_menu.h"
#include "launcher/owner_draw.h"
#include "launcher/submenu.h"
#include "launcher/type_ahead.h"
#include "resources/resource.h"
#include "tray/tray_icon.h"
#include "test_support.h"

namespace {

std::vector<BYTE> ListBytes(LPCITEMIDLIST list)
{
    auto* bytes = reinterpret_cast<const BYTE*>(list);
    return std::vector<BYTE>(bytes, bytes + IdListSize(list));
}

// Each item's data is the block a screen reader reads an owner-drawn item's name from: an
// MSAAMENUINFO with its signature and the name as wide text, inside the item's record.
void ExpectSpokenNames(HMENU menu, const std::vector<std::wstring>& names)
{
    ASSERT_EQ(static_cast<int>(names.size()), GetMenuItemCount(menu));
    LauncherRecord* record = g_launcher.recordListHead;
    for (size_t i = 0; i < names.size(); ++i, record = record->next) {
        SCOPED_TRACE(Ansi(names[i]));
        ASSERT_NE(nullptr, record);
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA;
        info.dwItemData = 0xdeadbeef;
        ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info));
        auto* spoken = reinterpret_cast<const MSAAMENUINFO*>(info.dwItemData);
        ASSERT_EQ(static_cast<const void*>(record), spoken) << "the data is the item's own record";
        EXPECT_EQ(static_cast<DWORD>(MSAA_MENU_SIG), spoken->dwMSAASignature);
        ASSERT_NE(nullptr, spoken->pszWText);
        EXPECT_EQ(names[i], spoken->pszWText);
        EXPECT_EQ(names[i].size(), spoken->cchWText);
        auto* begin = reinterpret_cast<const BYTE*>(record);
        auto* text = reinterpret_cast<const BYTE*>(spoken->pszWText);
        EXPECT_TRUE(text > begin && text < begin + HeapSize(GetProcessHeap(), 0, record))
            << "the name lives as long as the record";
    }
}

HANDLE WINAPI RefuseWatch(LPCWSTR, BOOL, DWORD)
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return INVALID_HANDLE_VALUE;
}

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
        EXPECT_EQ(nullptr, g_launcher.recordListHead);
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
    // What type-ahead leaves in a menu: the item at pos highlighted.
    static void Highlight(HMENU in, int pos)
    {
        MENUITEMINFOW state = {};
        state.cbSize = sizeof(state);
        state.fMask = MIIM_STATE;
        state.fState = MFS_HILITE;
        ASSERT_TRUE(SetMenuItemInfoW(in, pos, TRUE, &state));
    }
    std::vector<LaunchEntry*> Entries()
    {
        std::vector<LaunchEntry*> entries;
        for (LaunchEntry* e = head; e; e = e->next)
            entries.push_back(e);
        return entries;
    }
};

TEST_F(FolderMenu, ThreeEntriesInEnumerationOrderFrom2000)
{
    ASSERT_TRUE(MakeItems({"b.txt", "a.txt", "c.txt"}));
    std::vector<ShellEntry> listed = ShellListing(Wide(TestItemsDir()));
    ASSERT_EQ(3u, listed.size());
    IconFetches fetches;
    ASSERT_NE(nullptr, Build());
    // One lookup per entry, each an index into the system's image list: no icon handle.
    EXPECT_EQ(3, fetches.Count());
    EXPECT_EQ(static_cast<UINT>(SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON), fetches.FlagsSeen());
    EXPECT_TRUE(boxes.shown.empty());

    LPITEMIDLIST itemsList = PathToIdList(TestItemsDir().c_str());
    ASSERT_NE(nullptr, itemsList);
    std::vector<BYTE> parent = ListBytes(itemsList);
    parent.resize(parent.size() - 2);
    FreeIdList(itemsList);

    ASSERT_EQ(3, GetMenuItemCount(menu));
    auto entries = Entries();
    auto records = Records();
    ASSERT_EQ(3u, entries.size());
    ASSERT_EQ(3u, records.size());
    for (UINT i = 0; i < 3; ++i) {
        SCOPED_TRACE(Ansi(listed[i].name));
        EXPECT_EQ(2000 + i, GetMenuItemID(menu, i));
        EXPECT_EQ(static_cast<UINT>(MFT_OWNERDRAW), MenuItemAt(menu, i, MIIM_FTYPE).fType & MFT_OWNERDRAW);
        EXPECT_EQ(2000 + i, entries[i]->id);
        EXPECT_EQ(2000 + i, records[i]->id);
        EXPECT_EQ(Ansi(listed[i].name), records[i]->text);
        // The items folder's list followed by the entry's own item.
        std::vector<BYTE> expected = parent;
        expected.insert(expected.end(), listed[i].child.begin(), listed[i].child.end());
        EXPECT_EQ(expected, ListBytes(entries[i]->idList));
        // Icons are on by default: each record holds its icon's index.
        EXPECT_EQ(SmallIconIndexOf(TestItemsDir() + "\\" + Ansi(listed[i].name)), records[i]->iconIndex);
    }
    EXPECT_NE(nullptr, SmallIconList());
    EXPECT_EQ(before.icons, g_live.icons);
    std::vector<std::wstring> wideNames;
    for (const ShellEntry& entry : listed)
        wideNames.push_back(Wide(Ansi(entry.name)));
    ExpectSpokenNames(menu, wideNames);

    // Freeing destroys the menu; the next build starts again at 2000.
    FreeFolderMenu(menu, head);
    EXPECT_FALSE(IsMenu(menu));
    EXPECT_EQ(nullptr, g_launcher.recordListHead);
    ASSERT_NE(nullptr, Build());
    EXPECT_EQ(2000u, GetMenuItemID(menu, 0));
    EXPECT_EQ(2000u, g_launcher.recordListHead->id);
}

// The launcher menu kept between clicks: shown again while nothing it shows has changed,
// built anew at the first click after any change, asking the shell only about the entries
// that changed, freed when replaced and at quit.
TEST_F(FolderMenu, KeptMenuIsShownAgainUntilWhatItShowsChanges)
{
    ASSERT_TRUE(MakeItems({"one.txt", "two.txt", "three.txt"}));
    // A click's names.
    auto click = [&] {
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
    EXPECT_EQ(3, fetches.Count());
    const LiveCounts held = g_live;
    EXPECT_EQ(before.idLists + 3, held.idLists);
    HMENU first = g_launcher.keptMenu.menu;
    unsigned builds = g_launcher.launcherBuilds;
    for (int i = 0; i < 100; ++i)
        click();
    EXPECT_EQ(first, g_launcher.keptMenu.menu) << "an unchanged folder was built again";
    EXPECT_EQ(builds, g_launcher.launcherBuilds);
    EXPECT_EQ(3, fetches.Count());
    EXPECT_EQ(held.idLists, g_live.idLists);

    struct Step {
        const char* name;
        std::function<void()> change;
        long iconsAsked;  // the entries asked for anew: the rest keep their kept records
        bool reuses;      // the kept records' measures are taken over
    } steps[] = {
        {"added", [&] { WriteTextFile(TestItemsDir() + "\\four.txt", "x"); }, 1, true},
        {"removed", [&] { DeleteFileA((TestItemsDir() + "\\two.txt").c_str()); }, 0, true},
        {"renamed", [&] { MoveFileA((TestItemsDir() + "\\one.txt").c_str(), (TestItemsDir() + "\\uno.txt").c_str()); }, 1, true},
        {"rewritten with the same size and time stamp", [&] { RewriteKeepingTimes(TestItemsDir() + "\\three.txt", "y"); }, 0, true},
        {"icons off", [&] { WriteTextFile(TestSettingsPath(), "[Icon]\r\nIconShow=0\r\n"); }, 0, false},
        {"icons on", [&] { DeleteFileA(TestSettingsPath().c_str()); }, 3, false},
        {"the shell announced changed icons", [&] { MarkKeptMenuStale(); }, 3, false},
        // A change of look asks nothing again: only the measures go.
        {"the colour set", [&] { TrayWndProc(nullptr, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet")); }, 0, false},
        {"the theme", [&] { TrayWndProc(nullptr, WM_THEMECHANGED, 0, 0); }, 0, false},
        {"the shell's state (hidden extensions)", [&] { TrayWndProc(nullptr, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ShellState")); }, 3, false},
        {"the menu font", [&] { g_launcher.keptMenu.look.menuFont.lfHeight += 3; }, 0, false},
        {"submenus on", [&] { WriteTextFile(TestSettingsPath(), "[Launcher]\r\nSubmenus=1\r\n"); }, 0, false},
        {"submenus off", [&] { WriteTextFile(TestSettingsPath(), "[Launcher]\r\nSubmenus=0\r\n"); }, 0, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        // Measured, as a shown menu is: a rebuild for another font must measure anew.
        for (LauncherRecord* r : Records(g_launcher.keptMenu.records))
            r->itemWidth = 1234;
        long asked = fetches.Count();
        builds = g_launcher.launcherBuilds;
        std::vector<std::string> namesBefore = ShellOrder(TestItemsDir());
        step.change();
        EXPECT_EQ(ShellOrder(TestItemsDir()), click());
        EXPECT_TRUE(kept);
        EXPECT_EQ(builds + 1, g_launcher.launcherBuilds) << "not built anew";
        EXPECT_EQ(step.iconsAsked, fetches.Count() - asked);
        EXPECT_EQ(before.idLists + static_cast<long>(ShellOrder(TestItemsDir()).size()), g_live.idLists);
        for (LauncherRecord* r : Records(g_launcher.keptMenu.records)) {
            SCOPED_TRACE(r->text);
            EXPECT_EQ(g_launcher.menuLook.iconShow ? SmallIconIndexOf(TestItemsDir() + "\\" + r->text) : -1, r->iconIndex);
            // An unchanged entry keeps its measures too, unless the look changed.
            bool reused = std::find(namesBefore.begin(), namesBefore.end(), r->text) != namesBefore.end() &&
                          step.reuses;
            EXPECT_EQ(reused ? 1234u : 0u, r->itemWidth);
        }
    }
    EXPECT_EQ(before.icons, g_live.icons) << "no icon handle is held";

    // A removed folder is reported at the next click and frees what was kept; a new one is
    // listed at the click after.
    RemoveTree(TestItemsDir());
    EXPECT_EQ(std::vector<std::string>{"(no menu)"}, click());
    EXPECT_EQ(1u, boxes.shown.size());
    EXPECT_EQ(before.idLists, g_live.idLists);
    ASSERT_TRUE(MakeItems({"again.txt"}));
    EXPECT_EQ(std::vector<std::string>{"again.txt"}, click());
    EXPECT_TRUE(kept);
    // Deleted and made again between two clicks, the folder is listed again at the next.
    ASSERT_TRUE(MakeItems({"third.txt"}));
    EXPECT_EQ(std::vector<std::string>{"third.txt"}, click());

    // At quit everything kept is freed.
    HMENU last = g_launcher.keptMenu.menu;
    FreeKeptMenu(true);
    EXPECT_FALSE(IsMenu(last));
    EXPECT_EQ(nullptr, g_launcher.keptMenu.menu);
    EXPECT_EQ(nullptr, g_launcher.keptMenu.change);
    EXPECT_EQ(before.idLists, g_live.idLists);
}

// The watch on items is what tells a kept menu stale: a log written beside the exe or in a
// subfolder of items (what the top level shows of the subfolder is its name), and the
// settings the system announces that change nothing the menu shows, leave the kept menu
// alone; a rewrite in items that its listing can't show (same size, same time stamp) is seen,
// a wait on it that fails counts as a change, and where no watch can be made (a share
// without notifications) nothing is kept or built ahead, so every click builds and no stale
// menu is ever shown.
TEST_F(FolderMenu, OnlyTheItemsWatchTellsAKeptMenuStale)
{
    ASSERT_TRUE(MakeItems({"one.txt", "two.txt", "sub\\"}));
    EXPECT_EQ(1u, Click());
    ASSERT_TRUE(kept);
    std::string besideExe = TestExeDir() + "busy.log";
    std::string inSub = TestItemsDir() + "\\sub\\busy.log";
    auto announce = [](WPARAM action, const wchar_t* section) {
        TrayWndProc(nullptr, WM_SETTINGCHANGE, action, reinterpret_cast<LPARAM>(section));
        return true;
    };
    struct Quiet {
        const char* name;
        std::function<bool(int)> change;
    } quiet[] = {
        {"a log beside the exe", [&](int i) { return WriteTextFile(besideExe, std::string(i + 1, 'x')); }},
        // Made anew, then written on: the subfolder's own time stamp moves too.
        {"a log in a subfolder", [&](int i) { return WriteTextFile(inSub, std::string(i + 1, 'x')); }},
        {"a policy refresh", [&](int) { return announce(0, L"Policy"); }},
        {"an environment change", [&](int) { return announce(0, L"Environment"); }},
        {"a wallpaper change", [&](int) { return announce(SPI_SETDESKWALLPAPER, nullptr); }},
    };
    for (const Quiet& change : quiet) {
        SCOPED_TRACE(change.name);
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(change.change(i));
            Sleep(50);
            EXPECT_EQ(0u, Click()) << "the kept menu was built anew";
            EXPECT_TRUE(kept);
        }
    }
    DeleteFileA(besideExe.c_str());
    // What the top level shows of a subfolder, its name, is watched.
    ASSERT_TRUE(MoveFileA((TestItemsDir() + "\\sub").c_str(), (TestItemsDir() + "\\renamed").c_str()));
    ASSERT_TRUE(WaitFor([&] { return ItemsChangeSeen(); })) << "the renamed folder was not announced";
    EXPECT_EQ(1u, Click());
    EXPECT_TRUE(kept);
    RewriteKeepingTimes(TestItemsDir() + "\\one.txt", "y");
    ASSERT_TRUE(WaitFor([&] { return ItemsChangeSeen(); })) << "the rewrite was not announced";
    EXPECT_EQ(1u, Click());
    EXPECT_TRUE(kept);
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

// The desktop list is kept by the same rules over both desktop folders: shown again while
// nothing changed, built anew when a shortcut comes onto the user's desktop (asking the shell
// about it alone) or a file onto the public one, or when the shell announces changed icons
// (its own desktop items change only so); the kept launcher menu lives beside it. Where no
// watch can be made, or a wait on one fails, no stale list is shown.
TEST_F(FolderMenu, TheDesktopListIsKeptUntilEitherDesktopFolderOrAnIconChanges)
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
    // Each rebuild's names as the shell lists the desktop now: a rebuild that took a kept
    // record for another entry (the shell's own items have no listing data) shows here.
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
    // The public desktop is one the shell merges into the desktop on Windows (Wine lists
    // only the user's): either way the list is built anew and shows what the shell lists.
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
    FreeKeptMenu(true);
    EXPECT_EQ(nullptr, g_launcher.keptDesktop.change);
    EXPECT_EQ(nullptr, g_launcher.keptDesktop.publicChange);
}

// A lookup the shell does not answer (a shortcut to a share gone offline) holds nothing up:
// the entry shows the generic icon, and the next build asks for its icon again. Shortcuts,
// whose icons the shell looks up by reading them, are found again by what the listing says
// of them: one shortcut more costs one lookup.
TEST_F(FolderMenu, AnIconThatDoesNotComeIsAskedForAgainAndShortcutsAreReused)
{
    ASSERT_TRUE(MakeItems({"slow.txt"}));
    for (const char* name : {"\\a.lnk", "\\c.lnk"})
        ASSERT_EQ(S_OK, MakeShortcut(TestItemsDir() + name, TestSettingsPath()));
    auto pathOf = [](LauncherRecord* r) {  // a shortcut's name hides its extension
        std::string path = TestItemsDir() + "\\" + r->text;
        return FileExists(path) ? path : path + ".lnk";
    };
    SHFILEINFOA generic = {};
    ASSERT_NE(0u, SHGetFileInfoA("file", FILE_ATTRIBUTE_NORMAL, &generic, sizeof(generic),
                                 SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    {
        IconFetches stalled(true, "\\slow.txt");
        EXPECT_EQ(1u, Click());
        EXPECT_TRUE(kept);
        EXPECT_EQ(3, stalled.Count());
        EXPECT_EQ(ShellOrder(TestItemsDir()), Names(g_launcher.keptMenu.records));
        for (LauncherRecord* r : Records(g_launcher.keptMenu.records)) {
            SCOPED_TRACE(r->text);
            bool slow = std::string(r->text) == "slow.txt";
            EXPECT_EQ(slow, r->iconLate);
            EXPECT_EQ(slow ? generic.iIcon : SmallIconIndexOf(pathOf(r)), r->iconIndex);
        }
        // Out still: the next build does not ask again.
        ASSERT_EQ(S_OK, MakeShortcut(TestItemsDir() + "\\b.lnk", TestSettingsPath()));
        long asked = stalled.Count();
        EXPECT_EQ(1u, Click());
        EXPECT_EQ(asked + 1, stalled.Count()) << "the new entry alone";
        for (LauncherRecord* r : Records(g_launcher.keptMenu.records))
            EXPECT_EQ(std::string(r->text) == "slow.txt", r->iconLate) << r->text;
    }
    // Answered (with no window to take it): asked again by the next build.
    ASSERT_TRUE(WaitFor([] { return IconFetchesHeld().out == 0; }));
    IconFetches fetches;
    ASSERT_EQ(S_OK, MakeShortcut(TestItemsDir() + "\\d.lnk", TestSettingsPath()));
    EXPECT_EQ(1u, Click());
    EXPECT_TRUE(kept);
    EXPECT_EQ(ShellOrder(TestItemsDir()), Names(g_launcher.keptMenu.records));
    EXPECT_EQ(2, fetches.Count()) << "the new entry and the late one, not the unchanged shortcuts";
    for (LauncherRecord* r : Records(g_launcher.keptMenu.records)) {
        SCOPED_TRACE(r->text);
        EXPECT_FALSE(r->iconLate);
        EXPECT_EQ(SmallIconIndexOf(pathOf(r)), r->iconIndex);
    }
}

// Ten lookups that never answer (shortcuts to a share gone offline, a handler that hangs):
// a build waits for them together, once; they hold no more than the few helper threads;
// the next build neither asks for them again nor waits for them.
TEST_F(FolderMenu, StalledLookupsCostOneWaitAFewThreadsAndNoSecondAsking)
{
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i)
        names.push_back("stalled " + std::to_string(i) + ".txt");
    ASSERT_TRUE(MakeItems(names));
    EXPECT_EQ(1u, Click());
    ASSERT_TRUE(WaitFor([] { return IconFetchesHeld().out == 0; }));  // a busy machine's late ones
    const int threads = ThreadsOfProcess();
    ASSERT_GT(threads, 0);
    auto allLate = [] {
        for (LauncherRecord* r = g_launcher.keptMenu.records; r; r = r->next)
            if (!r->iconLate)
                return false;
        return true;
    };
    {
        IconFetches stalled(true);
        const LONG deadlines = IconFetchesHeld().deadlines;
        for (int build = 0; build < 2; ++build) {
            SCOPED_TRACE(build ? "the next build" : "the first build");
            MarkKeptMenuStale();
            EXPECT_EQ(1u, Click());
            EXPECT_EQ(10u, Records(g_launcher.keptMenu.records).size());
            EXPECT_TRUE(allLate());
            EXPECT_EQ(deadlines + 1, IconFetchesHeld().deadlines) << "not one wait for the build's late icons";
            EXPECT_EQ(10, IconFetchesHeld().out) << "entries still out were asked again";
            // The helpers take the lookups left to them (not all at once on a busy machine).
            EXPECT_TRUE(WaitFor([&] { return stalled.Count() == kIconHelpers; })) << stalled.Count();
            EXPECT_LE(ThreadsOfProcess(), threads + kIconHelpers);
            EXPECT_LE(IconFetchesHeld().helpers, kIconHelpers);
        }
    }
    ASSERT_TRUE(WaitFor([] { return IconFetchesHeld().out == 0; }));
}

// The shell's calls inside a build may take messages, an announcement of changed icons
// among them.
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

TEST_F(FolderMenu, ChangedIconsAnnouncedDuringABuildAreForTheNextClick)
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

// A build that fails after some entries were appended frees them and leaves the caller's
// list empty, never pointing at what it freed.
int g_recordsAllowed;
LPVOID(WINAPI* g_heapAlloc)(HANDLE, DWORD, SIZE_T);
LPVOID WINAPI RefuseARecord(HANDLE heap, DWORD flags, SIZE_T size)
{
    // A record is one zeroed block with its names: here short ones, a few dozen bytes.
    if ((flags & HEAP_ZERO_MEMORY) && size > sizeof(LauncherRecord) && size <= sizeof(LauncherRecord) + 64 &&
        g_recordsAllowed-- == 0)
        return nullptr;
    return g_heapAlloc(heap, flags, size);
}

TEST_F(FolderMenu, AFailedBuildLeavesNoEntries)
{
    ASSERT_TRUE(MakeItems({"one.txt", "two.txt", "three.txt"}));
    g_recordsAllowed = 1;
    g_heapAlloc = reinterpret_cast<decltype(g_heapAlloc)>(
        RedirectImport("kernel32.dll", "HeapAlloc", reinterpret_cast<void*>(RefuseARecord)));
    ASSERT_NE(nullptr, g_heapAlloc);
    LaunchEntry* entries = nullptr;
    HMENU built = BuildFolderMenu(&entries, FolderMode::Items, g_launcher.menuLook);
    RedirectImport("kernel32.dll", "HeapAlloc", reinterpret_cast<void*>(g_heapAlloc));
    EXPECT_EQ(-1, g_recordsAllowed) << "the second record was never asked for";
    EXPECT_EQ(nullptr, built);
    EXPECT_EQ(nullptr, entries) << "the list points at freed entries";
    EXPECT_EQ(nullptr, g_launcher.recordListHead);
}

// Type-ahead highlights the item it selects, and a platform may keep that state in the menu
// after it closes. A kept menu shown again starts from the top all the same: what a letter
// picks does not depend on what the last showing left highlighted.
TEST_F(FolderMenu, AKeptMenuShownAgainPicksByLetterFromTheTop)
{
    ASSERT_TRUE(MakeItems({"alpha.txt", "beta.txt", "bravo.txt"}));
    HWND owner = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Click();
    ASSERT_TRUE(kept);
    HMENU first = shownMenu;
    std::vector<int> b;  // the b-names' places
    std::vector<std::string> order = ShellOrder(TestItemsDir());
    for (size_t i = 0; i < order.size(); ++i)
        if (order[i][0] == 'b')
            b.push_back(static_cast<int>(i));
    ASSERT_EQ(2u, b.size());
    EXPECT_EQ(b[0], LOWORD(OnLauncherMenuChar(owner, L'b', reinterpret_cast<LPARAM>(first))));
    // What the last showing left: the first b-name highlighted, from which a b would move on.
    Highlight(first, b[0]);
    ASSERT_EQ(static_cast<UINT>(MF_HILITE), GetMenuState(first, b[0], MF_BYPOSITION) & MF_HILITE);
    Click();
    ASSERT_EQ(first, shownMenu);
    EXPECT_EQ(b[0], LOWORD(OnLauncherMenuChar(owner, L'b', reinterpret_cast<LPARAM>(first))));
    DestroyWindow(owner);
}

// An empty folder is an empty menu; a missing one (or a file named items) says so and
// builds nothing. (No icons with IconShow=0 and a subfolder as one plain entry are checked
// by the kept menu's steps and by the submenus' rows.)
TEST_F(FolderMenu, AnEmptyFolderListsNothingAndAMissingOneSaysSo)
{
    ASSERT_TRUE(MakeItems({}));
    ASSERT_NE(nullptr, Build());
    EXPECT_EQ(0, GetMenuItemCount(menu));
    EXPECT_EQ(nullptr, head);
    EXPECT_EQ(nullptr, g_launcher.recordListHead);
    EXPECT_TRUE(boxes.shown.empty());
    Free();

    RemoveTree(TestItemsDir());
    EXPECT_EQ(nullptr, Build());
    ASSERT_EQ(1u, boxes.shown.size());
    EXPECT_EQ(nullptr, boxes.shown[0].owner);
    EXPECT_EQ(L"BindToObject Error\nitemsフォルダの有無を確認してください", boxes.shown[0].text);
    EXPECT_EQ(L"Morvek Error", boxes.shown[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK), boxes.shown[0].type);
    EXPECT_EQ(nullptr, g_launcher.recordListHead);
    ASSERT_TRUE(WriteTextFile(TestItemsDir(), "x"));
    EXPECT_EQ(nullptr, Build());
    EXPECT_EQ(2u, boxes.shown.size());
    DeleteFileA(TestItemsDir().c_str());
}

// Folders as submenus: built empty in place, filled when they open, kept while unchanged.
class SubmenuMenu : public FolderMenu {
protected:
    void SetUp() override
    {
        FolderMenu::SetUp();
        ASSERT_TRUE(WriteTextFile(TestSettingsPath(), "[Launcher]\r\nSubmenus=1\r\n"));
        CaptureMenuLook();
        ASSERT_EQ(1u, g_launcher.menuLook.submenus);
    }
    // One item of a menu as the menu holds it.
    struct Item {
        UINT id, type;
        HMENU popup;
        LauncherRecord* record;  // null for a separator
        std::string name() const { return record ? record->text : "(no record)"; }
    };
    static std::vector<Item> Items(HMENU in)
    {
        std::vector<Item> items;
        for (int i = 0; i < GetMenuItemCount(in); ++i) {
            MENUITEMINFOA info = MenuItemAt(in, i, MIIM_DATA | MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE);
            items.push_back({info.wID, info.fType, info.hSubMenu, RecordOfItemData(info.dwItemData, info.wID)});
        }
        return items;
    }
    static Item Named(HMENU in, const std::string& name)
    {
        for (const Item& item : Items(in))
            if (item.record && item.name() == name)
                return item;
        ADD_FAILURE() << "no item " << name;
        return {};
    }
    static UINT IdOf(HMENU in, const std::string& name) { return Named(in, name).id; }
    // Opens the submenu of the item named so (as the platform does, through the tray
    // window's procedure) and returns it.
    static FolderSubmenu* Open(HMENU parent, const std::string& name)
    {
        Item item = Named(parent, name);
        if (!item.popup)
            return nullptr;
        EXPECT_EQ(item.record->submenu, FolderSubmenuOf(item.popup)) << name;
        TrayWndProc(nullptr, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(item.popup), 0);
        return FolderSubmenuOf(item.popup);
    }
    // Each item's name, "-" for a separator, with "[n]" after a folder whose submenu holds
    // n items.
    static std::vector<std::string> Shown(HMENU in)
    {
        std::vector<std::string> shown;
        for (const Item& item : Items(in)) {
            std::string name = item.type & MFT_SEPARATOR ? "-" : item.name();
            if (!(item.type & (MFT_OWNERDRAW | MFT_SEPARATOR)))
                name += " (not owner-drawn)";
            if (item.popup)
                name += "[" + std::to_string(GetMenuItemCount(item.popup)) + "]";
            shown.push_back(name);
        }
        return shown;
    }
    // Every id shown in the tree under menu, submenus' items included.
    static void CollectIds(HMENU in, std::vector<UINT>* ids)
    {
        for (const Item& item : Items(in)) {
            if (item.type & MFT_SEPARATOR)
                continue;
            ids->push_back(item.id);
            if (item.popup)
                CollectIds(item.popup, ids);
        }
    }
    static std::string PathOf(LPCITEMIDLIST list)
    {
        char path[MAX_PATH] = {};
        return list && SHGetPathFromIDListA(list, path) ? path : "(none)";
    }
    // What the entry with this id (at any depth of menu) opens.
    std::string OpensPath(UINT id)
    {
        for (LaunchEntry* e = head; e; e = e->next)
            if (e->id == id)
                return PathOf(e->idList);
        return PathOf(SubmenuEntryList(menu, id));
    }
    std::string open = Ansi(L"このフォルダを開く");
    // What an opened submenu of the folder shows: the open item, a separator, its entries.
    std::vector<std::string> Filled(const std::string& folder)
    {
        std::vector<std::string> filled = ShellOrder(folder);
        filled.insert(filled.begin(), {open, "-"});
        return filled;
    }
};

// Which entries become submenus, by the setting (its reading is tested with the settings
// file): folders and shortcuts to folders with 1 only; files, shortcuts to files and a zip file stay plain, in the same order, with the
// same ids; nothing is listed ahead.
TEST_F(SubmenuMenu, FoldersAndShortcutsToFoldersBecomeEmptySubmenusOnlyWith1)
{
    std::string elsewhere = MakeScratchDir("submenu_elsewhere");
    ASSERT_TRUE(MakeTree(elsewhere, {"far.txt"}));
    ASSERT_TRUE(MakeItems({"a.txt", "sub\\", "sub\\inner.txt", "archive.zip",
                                      "to folder.lnk>" + elsewhere, "to file.lnk>a.txt"}));
    std::vector<std::string> order = ShellOrder(TestItemsDir());
    ASSERT_EQ(5u, order.size());
    struct Row {
        const char* settings;
        bool submenus;
    } rows[] = {{"[Launcher]\r\nSubmenus=1\r\n", true}, {"[Launcher]\r\nSubmenus=0\r\n", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.settings);
        ASSERT_TRUE(WriteTextFile(TestSettingsPath(), row.settings));
        CaptureMenuLook();
        ASSERT_NE(nullptr, Build());
        std::vector<std::string> expected;
        for (size_t i = 0; i < order.size(); ++i) {
            EXPECT_EQ(FIRST_LAUNCHER_ID + i, IdOf(menu, order[i]));
            bool folder = order[i] == "sub" || order[i] == "to folder";
            expected.push_back(order[i] + (folder && row.submenus ? "[0]" : ""));
            if (folder && row.submenus) {
                FolderSubmenu* submenu = FolderSubmenuOf(Named(menu, order[i]).popup);
                ASSERT_NE(nullptr, submenu);
                EXPECT_TRUE(IsLauncherMenu(submenu->popup));
                EXPECT_EQ(order[i] == "sub" ? TestItemsDir() + "\\sub" : elsewhere, PathOf(submenu->folderList));
            }
        }
        EXPECT_EQ(expected, Shown(menu));
        EXPECT_EQ(before.submenus + (row.submenus ? 2 : 0), g_live.submenus);
        Free();
        EXPECT_EQ(before.submenus, g_live.submenus);
        EXPECT_EQ(before.idLists, g_live.idLists);
    }
    RemoveTree(elsewhere);
}

// Opened, a submenu lists "open this folder", a separator and the folder's entries; each
// entry opens what its top-level twin would, and ids never repeat across levels.
TEST_F(SubmenuMenu, OpeningFillsTheSubmenuWithUniqueIdsAtEveryLevel)
{
    std::string elsewhere = MakeScratchDir("submenu_target");
    ASSERT_TRUE(MakeTree(elsewhere, {"t1.txt", "t2.txt"}));
    ASSERT_TRUE(MakeItems({"a.txt", "b.txt", "one\\", "one\\x.txt", "one\\two\\",
                                      "one\\two\\deep.txt", "one\\two\\deeper.txt", "linked.lnk>" + elsewhere}));
    ASSERT_NE(nullptr, Build());
    std::vector<std::string> order = ShellOrder(TestItemsDir());

    FolderSubmenu* one = Open(menu, "one");
    ASSERT_NE(nullptr, one);
    std::vector<std::string> expected = Filled(TestItemsDir() + "\\one");
    std::replace(expected.begin(), expected.end(), std::string("two"), std::string("two[0]"));
    EXPECT_EQ(expected, Shown(one->popup)) << "two is listed only when it opens";
    FolderSubmenu* two = Open(one->popup, "two");
    ASSERT_NE(nullptr, two);
    EXPECT_EQ(Filled(TestItemsDir() + "\\one\\two"), Shown(two->popup));
    FolderSubmenu* linked = Open(menu, "linked");
    ASSERT_NE(nullptr, linked);
    EXPECT_EQ(Filled(elsewhere), Shown(linked->popup));

    // What each item opens: the first item the folder item's own list (a shortcut for the
    // shortcut), each entry its own list at any depth.
    EXPECT_EQ(TestItemsDir() + "\\one", OpensPath(IdOf(one->popup, open)));
    EXPECT_EQ(TestItemsDir() + "\\one\\x.txt", OpensPath(IdOf(one->popup, "x.txt")));
    EXPECT_EQ(TestItemsDir() + "\\one\\two\\deeper.txt", OpensPath(IdOf(two->popup, "deeper.txt")));
    EXPECT_EQ(TestItemsDir() + "\\linked.lnk", OpensPath(IdOf(linked->popup, open)));
    EXPECT_EQ(elsewhere + "\\t2.txt", OpensPath(IdOf(linked->popup, "t2.txt")));

    // The open item is drawn, typed and spoken like any entry.
    LauncherRecord* first = one->records;
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(L"このフォルダを開く", std::wstring(first->msaa.pszWText));
    EXPECT_EQ(static_cast<DWORD>(MSAA_MENU_SIG), first->msaa.dwMSAASignature);
    EXPECT_EQ(9u, first->msaa.cchWText);
    EXPECT_LE(0, first->iconIndex) << "the folder's icon";
    for (LauncherRecord* r = two->records; r; r = r->next)
        EXPECT_EQ(Wide(r->text), r->msaa.pszWText);

    // Ids: the top level 2000 on in shell order, every submenu's after them, none twice,
    // also after a changed submenu is filled anew.
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(FIRST_LAUNCHER_ID + i, IdOf(menu, order[i]));
    ASSERT_TRUE(WriteTextFile(TestItemsDir() + "\\one\\added.txt", "x"));
    FillFolderSubmenu(one);
    FolderSubmenu* twoAgain = Open(one->popup, "two");
    ASSERT_NE(nullptr, twoAgain);
    std::vector<UINT> ids;
    CollectIds(menu, &ids);
    ASSERT_EQ(order.size() + 4 + 3 + 3, ids.size());
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids.end(), std::adjacent_find(ids.begin(), ids.end())) << "an id shown twice";
    EXPECT_GE(ids.front(), FIRST_LAUNCHER_ID);
    EXPECT_LT(ids.back(), 0x10000u);
    EXPECT_EQ(TestItemsDir() + "\\one\\added.txt", OpensPath(IdOf(one->popup, "added.txt")));
    EXPECT_EQ(TestItemsDir() + "\\one\\two\\deep.txt", OpensPath(IdOf(twoAgain->popup, "deep.txt")));

    // A shortcut whose folder is gone is still a folder's submenu, showing its first item
    // alone, which opens the shortcut (and the shell says what became of its target).
    RemoveTree(elsewhere);
    Free();
    ASSERT_NE(nullptr, Build());
    FolderSubmenu* gone = Open(menu, "linked");
    ASSERT_NE(nullptr, gone) << "a plain entry";
    EXPECT_EQ(std::vector<std::string>{open}, Shown(gone->popup));
    EXPECT_EQ(TestItemsDir() + "\\linked.lnk", OpensPath(IdOf(gone->popup, open)));
}

// A filled submenu is shown again while its folder is unchanged; a change rebuilds it
// alone at its next opening (neither the top level, at the next click, nor another
// submenu); a folder gone shows only the first item. At quit the kept menu frees its
// submenus at every depth.
TEST_F(SubmenuMenu, AKeptSubmenuIsCheckedAtEachOpeningAndFreedAtQuit)
{
    ASSERT_TRUE(MakeItems({"top.txt", "sub\\", "sub\\one.txt", "sub\\two.txt", "a\\", "a\\b\\",
                                          "a\\b\\c.txt"}));
    Click();
    HMENU keptMenu = shownMenu;
    ASSERT_NE(nullptr, keptMenu);
    ASSERT_TRUE(kept);
    FolderSubmenu* sub = Open(keptMenu, "sub");
    ASSERT_NE(nullptr, sub);
    EXPECT_EQ(Filled(TestItemsDir() + "\\sub"), Shown(sub->popup));
    // What type-ahead left highlighted in the submenu goes when the kept menu is shown again.
    Highlight(sub->popup, 2);
    Click();
    ASSERT_EQ(keptMenu, shownMenu);
    EXPECT_EQ(0u, GetMenuState(sub->popup, 2, MF_BYPOSITION) & MF_HILITE);
    // Marks what is kept, so that a submenu shown again unchanged shows the mark.
    lstrcpyA(sub->records->next->text, "(kept)");
    for (int i = 0; i < 20; ++i)
        Open(keptMenu, "sub");
    EXPECT_EQ("(kept)", Shown(sub->popup)[2]) << "an unchanged folder was listed again";
    FolderSubmenu* beside = Open(keptMenu, "a");
    ASSERT_NE(nullptr, beside);
    beside->records->next->itemWidth = 4321;  // a mark that a refill would not carry
    long held = g_live.idLists;

    struct Step {
        const char* name;
        std::function<void()> change;
    } steps[] = {
        {"added", [&] { WriteTextFile(TestItemsDir() + "\\sub\\three.txt", "x"); }},
        {"removed", [&] { DeleteFileA((TestItemsDir() + "\\sub\\one.txt").c_str()); }},
        {"rewritten with the same size and time stamp", [&] { RewriteKeepingTimes(TestItemsDir() + "\\sub\\two.txt", "y"); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        lstrcpyA(sub->records->next->text, "(kept)");
        step.change();
        // Nothing the top level shows changed: it is shown again, unbuilt.
        Sleep(50);
        EXPECT_EQ(0u, Click()) << "a change in a subfolder built the top level anew";
        EXPECT_EQ(keptMenu, shownMenu);
        Open(keptMenu, "sub");
        Open(keptMenu, "a");
        std::vector<std::string> now = Filled(TestItemsDir() + "\\sub");
        EXPECT_EQ(now, Shown(sub->popup));
        EXPECT_EQ(4321u, beside->records->next->itemWidth) << "another submenu was filled anew";
        EXPECT_EQ(keptMenu, g_launcher.keptMenu.menu) << "only the submenu is built anew";
        // One list per entry: the first item's and one per name.
        EXPECT_EQ(held - 3 + static_cast<long>(now.size()) - 1, g_live.idLists);
    }

    RemoveTree(TestItemsDir() + "\\sub");
    Open(keptMenu, "sub");
    EXPECT_FALSE(FileExists(TestItemsDir() + "\\sub")) << "the submenu's watch keeps the folder";
    EXPECT_EQ(std::vector<std::string>{open}, Shown(sub->popup));
    EXPECT_TRUE(boxes.shown.empty()) << "no message while a menu is open";

    FolderSubmenu* a = Open(keptMenu, "a");
    ASSERT_NE(nullptr, a);
    FolderSubmenu* b = Open(a->popup, "b");
    ASSERT_NE(nullptr, b);
    HMENU popups[] = {sub->popup, a->popup, b->popup};
    EXPECT_EQ(before.submenus + 3, g_live.submenus);
    EXPECT_LT(before.idLists + 3, g_live.idLists);
    FreeKeptMenu(true);
    EXPECT_FALSE(IsMenu(keptMenu));
    for (HMENU popup : popups)
        EXPECT_FALSE(IsMenu(popup));
    EXPECT_EQ(before.submenus, g_live.submenus);
    EXPECT_EQ(before.idLists, g_live.idLists);
}

// Emptying a changed submenu frees no record an item still points at when a deletion
// fails (every other one here); the next opening builds it whole.
BOOL(WINAPI* g_deleteMenu)(HMENU, UINT, UINT);
int g_deletions;
BOOL WINAPI FailEveryOtherDeletion(HMENU menu, UINT position, UINT flags)
{
    return ++g_deletions % 2 ? FALSE : g_deleteMenu(menu, position, flags);
}

TEST_F(SubmenuMenu, AFailedDeletionFreesNoRecordTheSubmenuStillShows)
{
    ASSERT_TRUE(MakeTree(TestItemsDir(), {"sub\\", "sub\\one.txt", "sub\\two.txt", "sub\\deeper\\"}));
    ASSERT_NE(nullptr, Build());
    FolderSubmenu* sub = Open(menu, "sub");
    ASSERT_NE(nullptr, sub);
    ASSERT_NE(nullptr, Open(sub->popup, "deeper"));
    ASSERT_TRUE(WriteTextFile(TestItemsDir() + "\\sub\\three.txt", "x"));
    g_deleteMenu = reinterpret_cast<BOOL(WINAPI*)(HMENU, UINT, UINT)>(
        RedirectImport("user32.dll", "DeleteMenu", reinterpret_cast<void*>(FailEveryOtherDeletion)));
    ASSERT_NE(nullptr, g_deleteMenu);
    FillFolderSubmenu(sub);
    RedirectImport("user32.dll", "DeleteMenu", reinterpret_cast<void*>(g_deleteMenu));
    int count = GetMenuItemCount(sub->popup);
    EXPECT_GT(count, 0) << "the fake let every deletion through";
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info = MenuItemAt(sub->popup, i, MIIM_DATA | MIIM_FTYPE);
        if (info.fType & MFT_SEPARATOR)
            continue;
        std::vector<LauncherRecord*> held = Records(sub->records);
        EXPECT_NE(held.end(), std::find(held.begin(), held.end(), reinterpret_cast<LauncherRecord*>(info.dwItemData)))
            << "item " << i << " points at a freed record";
    }
    Open(menu, "sub");
    std::vector<std::string> expected = Filled(TestItemsDir() + "\\sub");
    std::replace(expected.begin(), expected.end(), std::string("deeper"), std::string("deeper[0]"));
    EXPECT_EQ(expected, Shown(sub->popup));
}

// Ids stay 16-bit however often a kept menu's submenus are filled anew: near the end of the
// range the next click builds the menu anew, which starts them again. (A folder outside
// items changes: the items watch sees nothing of it.) Dark, submenus take the dark background.
TEST_F(SubmenuMenu, SubmenuIdsStartAgainBeforeTheyRunOutAndSubmenusTakeTheDarkBackground)
{
    AppThemeSetting theme(0);
    std::string elsewhere = MakeScratchDir("submenu_ids");
    ASSERT_TRUE(MakeItems({"far.lnk>" + elsewhere}));
    Click();
    ASSERT_TRUE(kept);
    FolderSubmenu* linked = Open(shownMenu, "far");
    ASSERT_NE(nullptr, linked);
    MENUINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIM_BACKGROUND;
    ASSERT_TRUE(GetMenuInfo(linked->popup, &info));
    EXPECT_NE(nullptr, info.hbrBack) << "a light submenu in the dark launcher";
    // The separator under the open item is drawn dark too; light, it is the system's again.
    auto separator = [&] {
        MENUITEMINFOA item = MenuItemAt(linked->popup, 1, MIIM_FTYPE | MIIM_DATA);
        EXPECT_TRUE(item.fType & MFT_SEPARATOR);
        return std::make_pair(static_cast<UINT>(item.fType & MFT_OWNERDRAW), item.dwItemData);
    };
    EXPECT_EQ(std::make_pair(static_cast<UINT>(MFT_OWNERDRAW), DarkSeparatorData()), separator());
    theme.Set(1);
    CaptureMenuLook();
    ASSERT_EQ(linked, Open(shownMenu, "far"));
    EXPECT_EQ(std::make_pair(0u, static_cast<ULONG_PTR>(0)), separator());
    theme.Set(0);
    CaptureMenuLook();
    g_launcher.keptMenu.nextId = 0xFFF0;  // as after many thousand fillings
    ASSERT_TRUE(WriteTextFile(elsewhere + "\\two.txt", "x"));
    ASSERT_NE(nullptr, Open(shownMenu, "far"));
    std::vector<UINT> ids;
    CollectIds(shownMenu, &ids);
    EXPECT_LT(*std::max_element(ids.begin(), ids.end()), 0x10000u);
    EXPECT_EQ(1u, Click()) << "the ids were not started again";
    ASSERT_NE(nullptr, Open(shownMenu, "far"));
    ids.clear();
    CollectIds(shownMenu, &ids);
    EXPECT_LT(*std::max_element(ids.begin(), ids.end()), FIRST_LAUNCHER_ID + 10);
    RemoveTree(elsewhere);
}

// A folder whose path is longer than MAX_PATH is listed and watched by its long form, shows
// what the shell enumerates in it, and is kept while unchanged.
std::wstring g_watched;
HANDLE WINAPI RecordWatch(LPCWSTR path, BOOL subtree, DWORD filter)
{
    g_watched = path;
    return FindFirstChangeNotificationW(path, subtree, filter);
}

TEST_F(SubmenuMenu, AFolderPastMaxPathIsListedAndWatchedByItsLongForm)
{
    // The deepest folder's path is MAX_PATH + 10 long, its parent's well below MAX_PATH
    // (Wine's shell lists nothing in a folder past MAX_PATH): 60-character names below a
    // first one that makes up the length, whatever the length of items' own path.
    int remaining = MAX_PATH + 10 - static_cast<int>(TestItemsDir().size());
    std::vector<std::string> pieces((remaining - 2) / 61, std::string(60, 'd'));
    pieces.insert(pieces.begin(), std::string(remaining - static_cast<int>(pieces.size()) * 61 - 1, 'e'));
    std::wstring longPath = L"\\\\?\\" + Wide(TestItemsDir());
    ASSERT_TRUE(CreateDirectoryW(longPath.c_str(), nullptr));
    for (const std::string& piece : pieces) {
        longPath += L"\\" + Wide(piece);
        ASSERT_TRUE(CreateDirectoryW(longPath.c_str(), nullptr));
    }
    ASSERT_EQ(static_cast<size_t>(4 + MAX_PATH + 10), longPath.size());
    HANDLE file = CreateFileW((longPath + L"\\inner.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    g_platform.FindFirstChangeNotificationW = RecordWatch;
    ASSERT_NE(nullptr, Build());
    FolderSubmenu* level = nullptr;
    HMENU parent = menu;
    for (size_t i = 0; i < pieces.size() && parent; ++i, parent = level ? level->popup : nullptr)
        level = Open(parent, pieces[i]);
    g_platform.FindFirstChangeNotificationW = RealPlatformCalls().FindFirstChangeNotificationW;
    ASSERT_NE(nullptr, level);
    EXPECT_EQ(longPath, g_watched);
    EXPECT_NE(nullptr, level->change);
    ASSERT_NE(nullptr, level->listing) << "not listed";
    // What the shell enumerates there (Wine's shell lists nothing past MAX_PATH).
    std::vector<std::string> expected = {open, "-"};
    IShellFolder* folder = nullptr;
    ASSERT_EQ(S_OK, SHBindToObject(nullptr, level->folderList, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder)));
    IEnumIDList* entries = nullptr;
    ASSERT_EQ(S_OK, folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &entries));
    LPITEMIDLIST child = nullptr;
    for (ULONG got = 0; entries->Next(1, &child, &got) == S_OK; CoTaskMemFree(child)) {
        STRRET name = {};
        char text[MAX_PATH] = {};
        if (folder->GetDisplayNameOf(child, SHGDN_NORMAL, &name) == S_OK && StrRetToBufA(&name, child, text, MAX_PATH) == S_OK)
            expected.push_back(text);
    }
    entries->Release();
    folder->Release();
    EXPECT_EQ(expected, Shown(level->popup));
    level->records->text[0] = '#';
    FillFolderSubmenu(level);
    EXPECT_EQ('#', level->records->text[0]) << "an unchanged folder was filled anew";
    ASSERT_TRUE(DeleteFileW((longPath + L"\\inner.txt").c_str()));
    FillFolderSubmenu(level);
    EXPECT_NE('#', level->records->text[0]) << "a change was not seen";
    Free();
    RemoveTree(L"\\\\?\\" + Wide(TestItemsDir()));
}

// Every way to a share stays a plain entry that nothing lists: a shortcut, and a symbolic
// link judged by where it ends (drive C: plays a drive mapped to a share). No listing or
// lookup raises a system error box; the open item's icon is waited for only so long.
std::vector<DWORD> g_errorModes;
UINT WINAPI DriveCIsRemote(LPCWSTR root)
{
    g_errorModes.push_back(GetThreadErrorMode());
    return (root[0] | 0x20) == L'c' ? DRIVE_REMOTE : GetDriveTypeW(root);
}

TEST_F(SubmenuMenu, EveryWayToAShareStaysAPlainEntryAndNoLookupWaitsLong)
{
    auto unixName = reinterpret_cast<char*(CDECL*)(LPCWSTR)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    ASSERT_NE(nullptr, unixName) << "links are made through Wine";
    auto unixPath = [&](const std::string& path) {
        char* name = unixName(Wide(path).c_str());
        std::string unix = name ? name : "";
        HeapFree(GetProcessHeap(), 0, name);
        return unix;
    };
    std::string share = "C:\\morvek_share";
    CreateDirectoryA(share.c_str(), nullptr);
    ASSERT_TRUE(MakeTree(TestItemsDir(), {"local\\", "local\\x.txt", "share.lnk>" + share}));
    std::string link = unixPath(TestItemsDir()) + "/linked";
    ASSERT_EQ(0, RunUnixShell("ln -s '" + unixPath(share) + "' '" + link + "'"));
    std::vector<std::string> expected = ShellOrder(TestItemsDir());
    std::replace(expected.begin(), expected.end(), std::string("local"), std::string("local[0]"));
    g_errorModes.clear();
    g_platform.GetDriveTypeW = DriveCIsRemote;
    ASSERT_NE(nullptr, Build());
    EXPECT_EQ(expected, Shown(menu));

    IconFetches stalled(true);
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // A lookup held for ever would hold this test too: it is let go after a while.
    std::thread release([&] {
        WaitForSingleObject(opened, 10000);
        stalled.Release();
    });
    FolderSubmenu* local = Open(menu, "local");
    SetEvent(opened);
    release.join();
    CloseHandle(opened);
    g_platform.GetDriveTypeW = RealPlatformCalls().GetDriveTypeW;
    ASSERT_NE(nullptr, local);
    EXPECT_TRUE(local->records->iconLate) << "the open item's icon was waited for without limit";
    ASSERT_FALSE(g_errorModes.empty());
    for (DWORD mode : g_errorModes)
        EXPECT_EQ(static_cast<DWORD>(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX),
                  mode & (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
    RunUnixShell("rm '" + link + "'");
    RemoveDirectoryA(share.c_str());
}

// A shortcut to its own folder nests only as deep as it is opened: opened five levels
// down, the level below the last is still empty, and each level opens the right thing.
TEST_F(SubmenuMenu, AShortcutToAnAncestorNestsOnlyAsDeepAsOpened)
{
    ASSERT_TRUE(MakeItems({"loop\\", "loop\\file.txt", "loop\\back.lnk>loop"}));
    ASSERT_NE(nullptr, Build());
    FolderSubmenu* level = Open(menu, "loop");
    ASSERT_NE(nullptr, level);
    std::vector<std::string> expected = Filled(TestItemsDir() + "\\loop");
    std::replace(expected.begin(), expected.end(), std::string("back"), std::string("back[0]"));
    std::vector<UINT> fileIds;
    for (int depth = 1; depth <= 5; ++depth) {
        SCOPED_TRACE(depth);
        EXPECT_EQ(expected, Shown(level->popup)) << "back is listed only when it opens";
        fileIds.push_back(IdOf(level->popup, "file.txt"));
        EXPECT_EQ(TestItemsDir() + "\\loop\\file.txt", OpensPath(fileIds.back()));
        level = Open(level->popup, "back");
        ASSERT_NE(nullptr, level);
    }
    EXPECT_EQ(TestItemsDir() + "\\loop\\back.lnk", OpensPath(IdOf(level->popup, open)));
    EXPECT_EQ(before.submenus + 7, g_live.submenus) << "loop, five backs filled, one more empty";
    std::sort(fileIds.begin(), fileIds.end());
    EXPECT_EQ(fileIds.end(), std::adjacent_find(fileIds.begin(), fileIds.end()));
}

// What the fake enumerator answers for a child: the item itself, or one of the faulty
// answers a third-party namespace extension can give.
enum class Answer { Item, OkWithoutItem, WrittenButNoneFetched };

// A folder whose entries have fixed display names of each form.
struct FakeChild {
    UINT type;
    const char* text;  // ANSI text, or UTF-8 for the wide form
    size_t offset = 3;  // of an offset name: 3 is the text in the child's own data
    bool runsOn = false;  // a C string name without its terminator
    Answer answer = Answer::Item;
};

// IUnknown for the stand-ins below: they live as long as the test needs them and answer
// for no other interface.
template <typename Interface>
class StandIn : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

class FakeEnum : public StandIn<IEnumIDList> {
public:
    FakeEnum(std::vector<std::vector<BYTE>> lists, std::vector<Answer> answers)
        : lists_(std::move(lists)), answers_(std::move(answers)) {}
    virtual ~FakeEnum()
    {
        // An item it wrote but said it had not fetched stays its own.
        for (void* block : kept_)
            CoTaskMemFree(block);
    }
    bool emptyForever = false;  // answers S_OK without an item, however often asked
    int calls = 0;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
    HRESULT STDMETHODCALLTYPE Next(ULONG, LPITEMIDLIST* item, ULONG* fetched) override
    {
        ++calls;
        if (emptyForever)
            return S_OK;
        if (next_ >= lists_.size())
            return S_FALSE;
        Answer answer = answers_[next_];
        const auto& bytes = lists_[next_++];
        if (answer == Answer::OkWithoutItem)
            return S_OK;
        void* block = CoTaskMemAlloc(bytes.size());
        CopyMemory(block, bytes.data(), bytes.size());
        *item = static_cast<LPITEMIDLIST>(block);
        if (answer == Answer::WrittenButNoneFetched)
            kept_.push_back(block);
        if (fetched)
            *fetched = answer == Answer::Item ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumIDList**) override { return E_NOTIMPL; }
    ULONG refs_ = 1;

private:
    std::vector<std::vector<BYTE>> lists_;
    std::vector<Answer> answers_;
    size_t next_ = 0;
    std::vector<void*> kept_;
};

class FakeFolder : public StandIn<IShellFolder> {
public:
    explicit FakeFolder(std::vector<FakeChild> children) : children_(std::move(children)) {}
    // Child i is one item whose data holds the byte i and then its ANSI text.
    std::vector<std::vector<BYTE>> Lists() const
    {
        std::vector<std::vector<BYTE>> lists;
        for (size_t i = 0; i < children_.size(); ++i) {
            std::string text = children_[i].text;
            WORD cb = static_cast<WORD>(2 + 1 + text.size() + 1);
            std::vector<BYTE> list = {LOBYTE(cb), HIBYTE(cb), static_cast<BYTE>(i)};
            list.insert(list.end(), text.begin(), text.end());
            list.insert(list.end(), {0, 0, 0});
            lists.push_back(list);
        }
        return lists;
    }
    HRESULT enumResult = S_OK;
    bool emptyForever = false;
    FakeEnum* lastEnum = nullptr;

    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, LPITEMIDLIST*, ULONG*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF flags, IEnumIDList** out) override
    {
        flagsSeen = flags;
        if (enumResult != S_OK) {
            *out = nullptr;
            return enumResult;
        }
        std::vector<Answer> answers;
        for (const FakeChild& child : children_)
            answers.push_back(child.answer);
        lastEnum = new FakeEnum(Lists(), answers);
        lastEnum->emptyForever = emptyForever;
        *out = lastEnum;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BindToObject(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BindToStorage(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, LPCITEMIDLIST, LPCITEMIDLIST) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, LPCITEMIDLIST*, SFGAOF*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, LPCITEMIDLIST*, REFIID, UINT*, void**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDisplayNameOf(LPCITEMIDLIST child, SHGDNF flags, STRRET* name) override
    {
        if (flags != SHGDN_NORMAL)
            return E_INVALIDARG;
        const FakeChild& fake = children_[reinterpret_cast<const BYTE*>(child)[2]];
        name->uType = fake.type;
        switch (fake.type) {
        case STRRET_CSTR:
            lstrcpynA(name->cStr, fake.text, MAX_PATH);
            if (fake.runsOn)
                memset(name->cStr, 'r', sizeof(name->cStr));
            break;
        case STRRET_OFFSET:
            name->uOffset = static_cast<UINT>(fake.offset);
            break;
        case STRRET_WSTR: {
            int n = MultiByteToWideChar(CP_UTF8, 0, fake.text, -1, nullptr, 0);
            name->pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(n * sizeof(wchar_t)));
            MultiByteToWideChar(CP_UTF8, 0, fake.text, -1, name->pOleStr, n);
            break;
        }
        case 0xFFFF:
            return E_FAIL;
        default:
            break;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND, LPCITEMIDLIST, LPCOLESTR, SHGDNF, LPITEMIDLIST*) override
    {
        return E_NOTIMPL;
    }
    SHCONTF flagsSeen = 0;

private:
    std::vector<FakeChild> children_;
};

// The task allocator's blocks, seen through its spy: while one is registered
// (CoRegisterMallocSpy) every CoTaskMemAlloc and CoTaskMemFree of the process passes it.
// Only the counting thread's blocks are counted (other threads of the process, Wine's own
// among them, allocate meanwhile), poisoned when handed out, and refused by size on request.
class AllocatorSpy : public IMallocSpy {
public:
    DWORD thread = 0;
    std::set<void*> live;
    long strayFrees = 0;
    SIZE_T refuseSize = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = iid == __uuidof(IUnknown) || iid == __uuidof(IMallocSpy) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override
    {
        size_ = size;
        return Counting() && size == refuseSize ? 0 : size;  // 0 fails the allocation
    }
    void* STDMETHODCALLTYPE PostAlloc(void* block) override
    {
        if (block && Counting()) {
            memset(block, 0xDB, size_);
            live.insert(block);
        }
        return block;
    }
    // A block handed out under the spy but not held (freed twice) counts against live.
    void* STDMETHODCALLTYPE PreFree(void* block, BOOL spied) override
    {
        if (block && Counting() && !live.erase(block) && spied)
            ++strayFrees;
        return block;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T size, void** request, BOOL) override
    {
        *request = block;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL) override { return block; }
    void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    bool Counting() const { return GetCurrentThreadId() == thread; }
    SIZE_T size_ = 0;  // PreAlloc and PostAlloc of one allocation run on one thread
};

// Counts the test thread's live task-allocator blocks over one scope. The spy lives as long
// as the program: a spy whose blocks are not all freed stays registered until they are.
class CountingMalloc {
public:
    CountingMalloc()
    {
        spy_.live.clear();
        spy_.strayFrees = 0;
        spy_.refuseSize = 0;
        spy_.thread = GetCurrentThreadId();
        EXPECT_EQ(S_OK, CoRegisterMallocSpy(&spy_));
    }
    ~CountingMalloc()
    {
        EXPECT_EQ(S_OK, CoRevokeMallocSpy()) << "a block handed out under the spy is still held";
        spy_.thread = 0;
    }
    long Live() const { return static_cast<long>(spy_.live.size()) - spy_.strayFrees; }
    SIZE_T& refuseSize = spy_.refuseSize;

private:
    static AllocatorSpy spy_;
};
AllocatorSpy CountingMalloc::spy_;

class FakeFolderMenu : public FolderMenu {
protected:
    // A parent list of one item, as if the folder were the items folder.
    std::vector<BYTE> parent = {5, 0, 0x11, 0x22, 0x33, 0, 0};
    void SetUp() override
    {
        FolderMenu::SetUp();
        // The fake lists name nothing the shell knows: ask for no icons.
        ASSERT_TRUE(WriteTextFile(TestSettingsPath(), "[Icon]\r\nIconShow=0\r\n"));
        CaptureMenuLook();
        menu = CreatePopupMenu();
    }
};

TEST_F(FakeFolderMenu, EveryDisplayNameFormGivesItsText)
{
    CountingMalloc counting;
    FakeFolder folder({{STRRET_CSTR, "cstr name"},
                       {STRRET_OFFSET, "offset name"},
                       {STRRET_WSTR, "ワイド名 & more"}});
    ASSERT_TRUE(AppendFolderItems(menu, &folder, reinterpret_cast<LPCITEMIDLIST>(parent.data()),
                                  &head));
    EXPECT_EQ(static_cast<SHCONTF>(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS), folder.flagsSeen);
    EXPECT_EQ(0u, folder.lastEnum->refs_) << "the enumerator is released";
    auto records = Records();
    ASSERT_EQ(3u, records.size());
    EXPECT_STREQ("cstr name", records[0]->text);
    EXPECT_STREQ("offset name", records[1]->text);
    EXPECT_EQ(Ansi(L"ワイド名 & more"), records[2]->text);
    ExpectSpokenNames(menu, {L"cstr name", L"offset name", L"ワイド名 & more"});
    auto entries = Entries();
    ASSERT_EQ(3u, entries.size());
    auto lists = folder.Lists();
    for (size_t i = 0; i < 3; ++i) {
        std::vector<BYTE> expected(parent.begin(), parent.end() - 2);
        expected.insert(expected.end(), lists[i].begin(), lists[i].end());
        EXPECT_EQ(expected, ListBytes(entries[i]->idList));
    }
    // Only the three joined lists are still held: children and wide names went back.
    EXPECT_EQ(3, counting.Live());
    FreeFolderMenu(menu, head);
    menu = nullptr;
    head = nullptr;
    EXPECT_EQ(0, counting.Live());
    delete folder.lastEnum;
}

TEST_F(FakeFolderMenu, NoEnumeratorAnUnknownFormOrAFailedNameFailsAndFreesEverything)
{
    struct Row {
        const char* name;
        UINT type;
        HRESULT enumResult;
        int items;  // appended before the build stopped
    } rows[] = {{"unknown form 5", 5, S_OK, 1}, {"GetDisplayNameOf fails", 0xFFFF, S_OK, 1},
                {"no enumerator", STRRET_CSTR, S_FALSE, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CountingMalloc counting;
        FakeFolder folder({{STRRET_WSTR, "first"}, {row.type, "bad"}, {STRRET_CSTR, "never"}});
        folder.enumResult = row.enumResult;
        HMENU built = CreatePopupMenu();
        LaunchEntry* entries = nullptr;
        EXPECT_FALSE(AppendFolderItems(built, &folder, reinterpret_cast<LPCITEMIDLIST>(parent.data()),
                                       &entries));
        EXPECT_EQ(row.items, GetMenuItemCount(built)) << "the build stops at the bad entry";
        FreeFolderMenu(built, entries);
        EXPECT_EQ(0, counting.Live());
        EXPECT_EQ(nullptr, g_launcher.recordListHead);
        delete folder.lastEnum;
    }
}

TEST_F(FakeFolderMenu, AnEntryWhoseJoinFailsIsLeftOut)
{
    CountingMalloc counting;
    FakeFolder folder({{STRRET_CSTR, "one"}, {STRRET_WSTR, "two, longer"}, {STRRET_CSTR, "three"}});
    // The joined list of the second child has its own size: refuse exactly that one.
    counting.refuseSize = parent.size() - 2 + folder.Lists()[1].size();
    ASSERT_TRUE(AppendFolderItems(menu, &folder, reinterpret_cast<LPCITEMIDLIST>(parent.data()),
                                  &head));
    ASSERT_EQ(2, GetMenuItemCount(menu));
    auto entries = Entries();
    auto records = Records();
    ASSERT_EQ(2u, entries.size());
    ASSERT_EQ(2u, records.size());
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_NE(nullptr, entries[i]->idList);
        EXPECT_EQ(entries[i]->id, records[i]->id);
        EXPECT_EQ(entries[i]->id, GetMenuItemID(menu, static_cast<int>(i)));
    }
    EXPECT_STREQ("one", records[0]->text);
    EXPECT_STREQ("three", records[1]->text);
    FreeFolderMenu(menu, head);
    menu = nullptr;
    head = nullptr;
    EXPECT_EQ(0, counting.Live()) << "the refused entry's child and wide name went back";
    delete folder.lastEnum;
}

TEST_F(FakeFolderMenu, FaultyEnumeratorsAndNamesOutsideTheirItemAreLeftOut)
{
    // Each child's list is its cb (2 + 1 + text + 1) and a 2-byte terminator.
    const size_t atSize = 2 + 1 + strlen("offset at size") + 1 + 2;
    std::vector<FakeChild> children = {
        {STRRET_CSTR, "good one"},
        {STRRET_CSTR, "not written", 3, false, Answer::OkWithoutItem},
        {STRRET_OFFSET, "offset at size", atSize},
        {STRRET_CSTR, "none fetched", 3, false, Answer::WrittenButNoneFetched},
        {STRRET_OFFSET, "offset beyond", 4096},
        {STRRET_CSTR, "runs on", 3, true},
        {STRRET_OFFSET, "good two"},
        {STRRET_WSTR, "good three"},
    };
    struct Mode {
        const char* name;
        LPCITEMIDLIST parent;
    } modes[] = {{"items", reinterpret_cast<LPCITEMIDLIST>(parent.data())}, {"desktop", nullptr}};
    for (const Mode& mode : modes) {
        SCOPED_TRACE(mode.name);
        CountingMalloc counting;
        FakeFolder folder(children);
        HMENU built = CreatePopupMenu();
        LaunchEntry* entries = nullptr;
        long listsBefore = g_live.idLists;
        ASSERT_TRUE(AppendFolderItems(built, &folder, mode.parent, &entries));
        std::vector<std::string> texts;
        for (LauncherRecord* r = g_launcher.recordListHead; r; r = r->next)
            texts.push_back(r->text);
        EXPECT_EQ((std::vector<std::string>{"good one", "good two", "good three"}), texts);
        ASSERT_EQ(3, GetMenuItemCount(built));
        int i = 0;
        for (LaunchEntry* e = entries; e; e = e->next, ++i)
            EXPECT_EQ(FIRST_LAUNCHER_ID + i, GetMenuItemID(built, i));
        EXPECT_EQ(3, i);
        FreeFolderMenu(built, entries);
        EXPECT_EQ(listsBefore, g_live.idLists);
        delete folder.lastEnum;
        EXPECT_EQ(0, counting.Live()) << "every list freed once, none of the enumerator's own";
    }

    // One that answers S_OK without an item for ever is given up, not asked for ever.
    FakeFolder endless({{STRRET_CSTR, "a"}});
    endless.emptyForever = true;
    EXPECT_TRUE(AppendFolderItems(menu, &endless, nullptr, &head));
    EXPECT_EQ(0, GetMenuItemCount(menu));
    EXPECT_LT(endless.lastEnum->calls, 1000);
    delete endless.lastEnum;
}

std::string Utf8Repeat(const wchar_t* piece, int times)
{
    std::wstring wide = Repeat(piece, times);
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &utf8[0], n, nullptr, nullptr);
    utf8.pop_back();
    return utf8;
}

// Names of up to 255 UTF-16 units, which Windows's file systems hold (the one under these
// tests holds 255 bytes of UTF-8, so they come from the fake folder): a record keeps 255
// characters of a name in any code page, and never part of one.
TEST_F(FakeFolderMenu, LongNamesKeep255CharactersInAnyCodePage)
{
    std::string ascii(259, 'a');
    std::string names[] = {Utf8Repeat(L"名", 200), Utf8Repeat(L"表", 300), Utf8Repeat(L"\U0001F600", 130),
                           Utf8Repeat(L"\U0001F600", 300)};
    FakeFolder folder({{STRRET_WSTR, names[0].c_str()},
                       {STRRET_WSTR, names[1].c_str()},
                       {STRRET_WSTR, names[2].c_str()},
                       {STRRET_WSTR, names[3].c_str()},
                       {STRRET_CSTR, ascii.c_str()}});
    ASSERT_TRUE(AppendFolderItems(menu, &folder, nullptr, &head));
    auto records = Records();
    ASSERT_EQ(5u, records.size());
    // Whole, though it is 400 bytes in Shift-JIS and 600 in UTF-8.
    EXPECT_EQ(Ansi(Repeat(L"名", 200)), records[0]->text);
    EXPECT_EQ(Ansi(Repeat(L"表", 255)), records[1]->text);
    for (int i : {2, 3}) {
        int emoji = i == 2 ? 130 : 300;
        if (GetACP() == CP_UTF8) {
            // An emoji is one character of four bytes (two UTF-16 units): a full record
            // holds 255 of them.
            EXPECT_EQ(Repeat(L"\U0001F600", std::min(emoji, 255)), Wide(records[i]->text));
        } else {
            std::string substitutes = Ansi(Repeat(L"\U0001F600", emoji));
            EXPECT_EQ(0u, substitutes.rfind(records[i]->text, 0)) << "not a head of " << substitutes;
        }
    }
    if (GetACP() == CP_UTF8) {
        EXPECT_EQ(static_cast<size_t>(kRecordTextChars * 4), strlen(records[3]->text));
    }
    EXPECT_EQ(ascii.substr(0, 255), records[4]->text);
    // The spoken name is the name as shown.
    std::vector<std::wstring> spoken;
    for (auto* record : records)
        spoken.push_back(Wide(record->text));
    ExpectSpokenNames(menu, spoken);
    delete folder.lastEnum;
}

TEST_F(FakeFolderMenu, TypedCharactersSelectAndChooseByName)
{
    FakeFolder folder({{STRRET_CSTR, "alpha"}, {STRRET_CSTR, "beta"}, {STRRET_CSTR, "Bravo"},
                       {STRRET_CSTR, "gamma"}, {STRRET_CSTR, "& more"}, {STRRET_WSTR, "Ωmega"},
                       {STRRET_WSTR, "жук"}, {STRRET_WSTR, "Жаба"}});
    HWND owner = CreateLauncherOwner({WM_MENUCHAR, WM_MEASUREITEM, WM_DRAWITEM});
    ASSERT_NE(nullptr, owner);
    SetForegroundWindow(owner);

    // What is typed into the open menu, then the name chosen. ↓ is the Down key; the rest
    // are characters, Return among them, as the keys translate into.
    struct Row {
        const wchar_t* keys;
        const wchar_t* chosen;
    } rows[] = {
        // The rules of the pick are tested natively; here what the menu adds: the choice
        // closes it, the selection it holds (by letter or by arrow) is where the next letter
        // starts, a letter of no name leaves it open, and names are folded in any script.
        {L"g", L"gamma"},          // the only name with g: chosen at once
        {L"bb\r", L"Bravo"},       // two names start with b: the first, then the next
        {L"↓↓↓b\r", L"beta"},      // after the selected Bravo, round to beta
        {L"xg", L"gamma"},         // x starts no name: the menu stays open for the g
        {L"ω", L"Ωmega"},          // any script, without regard to case
        {L"жЖ\r", L"Жаба"},       // ж selects жук, Ж the next ж-name
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Ansi(row.keys));
        menu = CreatePopupMenu();
        head = nullptr;
        ASSERT_TRUE(AppendFolderItems(menu, &folder, nullptr, &head));
        delete folder.lastEnum;
        ASSERT_TRUE(IsLauncherMenu(menu));
        CaptureMenuLook();
        for (const wchar_t* key = row.keys; *key; ++key) {
            if (*key == L'↓')
                PostMessageW(owner, WM_KEYDOWN, VK_DOWN, 0);
            else
                PostMessageW(owner, WM_CHAR, *key, 1);
        }
        // Should the menu still be open after the row, this closes it; otherwise it is left
        // in the queue and cleared below.
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
        menu = nullptr;
        head = nullptr;
    }

    // The main menu's items are none of the launcher's: its own mnemonics stay in charge.
    HMENU resource = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU));
    ASSERT_NE(nullptr, resource);
    EXPECT_FALSE(IsLauncherMenu(GetSubMenu(resource, 0)));
    DestroyMenu(resource);
    DestroyWindow(owner);
}

TEST(WideToAnsiDup, SizesItsCopyByWhatTheCodePageNeeds)
{
    char* empty = WideToAnsiDup(L"");
    ASSERT_NE(nullptr, empty);
    EXPECT_EQ(1u, HeapSize(GetProcessHeap(), 0, empty));
    EXPECT_EQ('\0', empty[0]);
    HeapFree(GetProcessHeap(), 0, empty);

    const wchar_t* names[] = {L"plain name.txt", L"日本語の名前", L"Ä ö ß ĳ"};
    for (const wchar_t* name : names) {
        SCOPED_TRACE(Ansi(name));
        char* copy = WideToAnsiDup(name);
        ASSERT_NE(nullptr, copy);
        std::string expected = Ansi(name);
        EXPECT_EQ(expected, copy);
        EXPECT_EQ(expected.size() + 1, HeapSize(GetProcessHeap(), 0, copy));
        HeapFree(GetProcessHeap(), 0, copy);
    }
}

TEST(PathToIdList, NamesTheFolderAndFailsForNothing)
{
    std::string dir = TestExeDir();
    dir.pop_back();
    LPITEMIDLIST list = PathToIdList(dir.c_str());
    ASSERT_NE(nullptr, list);
    char path[MAX_PATH] = {};
    ASSERT_TRUE(SHGetPathFromIDListA(list, path));
    EXPECT_STREQ(dir.c_str(), path);
    FreeIdList(list);
    EXPECT_EQ(nullptr, PathToIdList((dir + "\\no such folder\\x").c_str()));
}

}  // namespace
