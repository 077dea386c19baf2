// Folders as submenus of the launcher menu: built empty in place, filled when they open,
// kept while their folder is unchanged.
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "app/tray_window.h"
#include "core/platform_calls.h"
#include "folder_menu_fixture.h"
#include "launcher/menu_theme.h"
#include "launcher/submenu.h"

namespace {

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
    // Opens the submenu of the item named so, as the platform does, and returns it.
    static FolderSubmenu* Open(HMENU parent, const std::string& name)
    {
        Item item = Named(parent, name);
        if (!item.popup)
            return nullptr;
        EXPECT_EQ(item.record->submenu, FolderSubmenuOf(item.popup)) << name;
        TrayWndProc(nullptr, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(item.popup), 0);
        return FolderSubmenuOf(item.popup);
    }
    // Each item's name, "-" for a separator, "[n]" after a folder whose submenu holds n.
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
    static std::vector<UINT> Ids(HMENU in, std::vector<UINT> ids = {})
    {
        for (const Item& item : Items(in)) {
            if (!(item.type & MFT_SEPARATOR))
                ids.push_back(item.id);
            if (item.popup)
                ids = Ids(item.popup, ids);
        }
        return ids;
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
    // What an opened submenu of the folder shows: the open item, a separator, its entries,
    // among them the subfolder named unopened as an empty submenu.
    std::vector<std::string> Filled(const std::string& folder, const std::string& unopened = "")
    {
        std::vector<std::string> filled = ShellOrder(folder);
        std::replace(filled.begin(), filled.end(), unopened, unopened + "[0]");
        filled.insert(filled.begin(), {open, "-"});
        return filled;
    }
};

// Folders and shortcuts to folders are empty submenus until they open (files, shortcuts to
// files and a zip file stay plain); opened, one lists "open this folder", a separator and the
// folder's entries, each opening what its top-level twin would, with ids unique across levels.
// With Submenus=0 (its reading is tested with the settings file) all stay plain, same ids.
TEST_F(SubmenuMenu, FoldersBecomeSubmenusFilledWithUniqueIdsAtEveryLevel)
{
    std::string elsewhere = MakeScratchDir("submenu_target");
    ASSERT_TRUE(MakeTree(elsewhere, {"t1.txt", "t2.txt"}));
    ASSERT_TRUE(MakeItems({"a.txt", "archive.zip", "to file.lnk>a.txt", "one\\", "one\\x.txt", "one\\two\\",
                           "one\\two\\deep.txt", "one\\two\\deeper.txt", "linked.lnk>" + elsewhere}));
    std::vector<std::string> order = ShellOrder(TestItemsDir());
    ASSERT_EQ(5u, order.size());
    ASSERT_NE(nullptr, Build());
    std::vector<std::string> plain, unopened;
    for (size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(FIRST_LAUNCHER_ID + i, IdOf(menu, order[i]));
        bool folder = order[i] == "one" || order[i] == "linked";
        plain.push_back(order[i]);
        unopened.push_back(order[i] + (folder ? "[0]" : ""));
        if (folder) {
            FolderSubmenu* submenu = FolderSubmenuOf(Named(menu, order[i]).popup);
            ASSERT_NE(nullptr, submenu);
            EXPECT_TRUE(IsLauncherMenu(submenu->popup));
            EXPECT_EQ(order[i] == "one" ? TestItemsDir() + "\\one" : elsewhere, PathOf(submenu->folderList));
        }
    }
    EXPECT_EQ(unopened, Shown(menu)) << "listed ahead";
    EXPECT_EQ(before.submenus + 2, g_live.submenus);

    FolderSubmenu* one = Open(menu, "one");
    ASSERT_NE(nullptr, one);
    EXPECT_EQ(Filled(TestItemsDir() + "\\one", "two"), Shown(one->popup)) << "two is listed only when it opens";
    FolderSubmenu* two = Open(one->popup, "two");
    ASSERT_NE(nullptr, two);
    EXPECT_EQ(Filled(TestItemsDir() + "\\one\\two"), Shown(two->popup));
    FolderSubmenu* linked = Open(menu, "linked");
    ASSERT_NE(nullptr, linked);
    EXPECT_EQ(Filled(elsewhere), Shown(linked->popup));
    // The first item opens the folder item's own list (a shortcut for the shortcut).
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

    // Every submenu's ids after the top level's, none twice, also after a changed submenu is
    // filled anew.
    ASSERT_TRUE(WriteTextFile(TestItemsDir() + "\\one\\added.txt", "x"));
    FillFolderSubmenu(one);
    FolderSubmenu* twoAgain = Open(one->popup, "two");
    ASSERT_NE(nullptr, twoAgain);
    std::vector<UINT> ids = Ids(menu);
    ASSERT_EQ(order.size() + 4 + 3 + 3, ids.size());
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids.end(), std::adjacent_find(ids.begin(), ids.end())) << "an id shown twice";
    EXPECT_GE(ids.front(), FIRST_LAUNCHER_ID);
    EXPECT_LT(ids.back(), 0x10000u);
    EXPECT_EQ(TestItemsDir() + "\\one\\added.txt", OpensPath(IdOf(one->popup, "added.txt")));
    EXPECT_EQ(TestItemsDir() + "\\one\\two\\deep.txt", OpensPath(IdOf(twoAgain->popup, "deep.txt")));

    // A shortcut whose folder is gone is still a submenu, showing its first item alone, which
    // opens the shortcut (and the shell says what became of its target).
    RemoveTree(elsewhere);
    Free();
    EXPECT_EQ(before.submenus, g_live.submenus);
    ASSERT_NE(nullptr, Build());
    FolderSubmenu* gone = Open(menu, "linked");
    ASSERT_NE(nullptr, gone) << "a plain entry";
    EXPECT_EQ(std::vector<std::string>{open}, Shown(gone->popup));
    EXPECT_EQ(TestItemsDir() + "\\linked.lnk", OpensPath(IdOf(gone->popup, open)));
    Free();

    ASSERT_TRUE(WriteTextFile(TestSettingsPath(), "[Launcher]\r\nSubmenus=0\r\n"));
    CaptureMenuLook();
    ASSERT_NE(nullptr, Build());
    EXPECT_EQ(plain, Shown(menu));
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(FIRST_LAUNCHER_ID + i, IdOf(menu, order[i]));
    EXPECT_EQ(before.submenus, g_live.submenus);
}

// A filled submenu is shown again while its folder is unchanged; a change rebuilds it alone
// at its next opening; a folder gone shows only the first item; quit frees every depth.
TEST_F(SubmenuMenu, AKeptSubmenuIsCheckedAtEachOpeningAndFreedAtQuit)
{
    ASSERT_TRUE(MakeItems({"top.txt", "sub\\", "sub\\one.txt", "sub\\two.txt", "a\\", "a\\b\\", "a\\b\\c.txt"}));
    Click();
    HMENU keptMenu = shownMenu;
    ASSERT_NE(nullptr, keptMenu);
    ASSERT_TRUE(kept);
    FolderSubmenu* sub = Open(keptMenu, "sub");
    ASSERT_NE(nullptr, sub);
    EXPECT_EQ(Filled(TestItemsDir() + "\\sub"), Shown(sub->popup));
    // What type-ahead left highlighted goes when the kept menu is shown again, in its submenus
    // too: a letter then picks from the top.
    Highlight(keptMenu, 0);
    Highlight(sub->popup, 2);
    Click();
    ASSERT_EQ(keptMenu, shownMenu);
    EXPECT_EQ(0u, GetMenuState(keptMenu, 0, MF_BYPOSITION) & MF_HILITE);
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
        Sleep(50);  // time for a wrong notification to come
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

// Emptying a changed submenu frees no record an item still points at when a deletion fails;
// the next opening builds it whole.
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
    EXPECT_EQ(Filled(TestItemsDir() + "\\sub", "deeper"), Shown(sub->popup));
}

// Ids stay 16-bit however often a kept menu's submenus are filled anew: near the end of the
// range the next click builds the menu anew. Dark, submenus take the dark background.
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
    std::vector<UINT> ids = Ids(shownMenu);
    EXPECT_LT(*std::max_element(ids.begin(), ids.end()), 0x10000u);
    EXPECT_EQ(1u, Click()) << "the ids were not started again";
    ASSERT_NE(nullptr, Open(shownMenu, "far"));
    ids = Ids(shownMenu);
    EXPECT_LT(*std::max_element(ids.begin(), ids.end()), FIRST_LAUNCHER_ID + 10);
    RemoveTree(elsewhere);
}

// A folder past MAX_PATH is listed and watched by its long form, shows what the shell
// enumerates in it, and is kept while unchanged.
std::wstring g_watched;
HANDLE WINAPI RecordWatch(LPCWSTR path, BOOL subtree, DWORD filter)
{
    g_watched = path;
    return FindFirstChangeNotificationW(path, subtree, filter);
}

TEST_F(SubmenuMenu, AFolderPastMaxPathIsListedAndWatchedByItsLongForm)
{
    // The deepest folder's path is MAX_PATH + 10 long, its parent's well below: 60-character
    // names below a first one that makes up the length.
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

// Every way to a share stays a plain entry: a shortcut, and a symbolic link judged by where
// it ends (drive C: plays a mapped share). No lookup raises a system error box or waits long.
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
    // A lookup held for ever would hold this test too: let go after a while.
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

// A shortcut to its own folder nests only as deep as it is opened, each level opening the
// right thing.
TEST_F(SubmenuMenu, AShortcutToAnAncestorNestsOnlyAsDeepAsOpened)
{
    ASSERT_TRUE(MakeItems({"loop\\", "loop\\file.txt", "loop\\back.lnk>loop"}));
    ASSERT_NE(nullptr, Build());
    FolderSubmenu* level = Open(menu, "loop");
    ASSERT_NE(nullptr, level);
    std::vector<std::string> expected = Filled(TestItemsDir() + "\\loop", "back");
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

}  // namespace
