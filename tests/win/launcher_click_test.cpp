// Tray clicks with the real settings file and keyboard state: which menu, what the open
// launcher does with keys, clicks and drags, and what it leaves behind.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/live_counts.h"
#include "core/platform_calls.h"
#include "core/texts.h"
#include "app/tray_window.h"
#include "resources/resource.h"
#include "tray/tray_icon.h"
#include "launcher/build_ahead.h"
#include "launcher/entry_menu.h"
#include "launcher/folder_menu.h"
#include "launcher/kept_menu.h"
#include "launcher/launcher_state.h"
#include "launcher/menu_focus.h"
#include "launcher/menu_theme.h"
#include "launcher/order_file.h"
#include "launcher/owner_draw.h"
#include "launcher/tray_click.h"
#include "settings/hotkey.h"
#include "test_support.h"
#include "tray_action_letter.h"

namespace {

class TrayClick : public testing::Test {
protected:
    void SetUp() override { DeleteFileA(TestSettingsPath().c_str()); }
    void TearDown() override
    {
        HoldKey(0);
        DeleteFileA(TestSettingsPath().c_str());
    }
};

// The middle of a menu window's item, on the screen.
POINT ItemCentre(HWND menuWindow, UINT index)
{
    RECT item = {};
    GetMenuItemRect(nullptr, MenuOfWindow(menuWindow), index, &item);
    return {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
}

TEST_F(TrayClick, ButtonModifierAndKeySettingChooseTheMenu)
{
    // Per Key setting ("" = no file): a left click with nothing held, Ctrl, Shift, Alt (as the
    // thread's key state), then a middle click, a right click, a left button down and a
    // double click. L launcher, D desktop, M main menu, - nothing.
    struct Row {
        const char* key;
        const char* actions;
    } rows[] = {
        {"", "LDLL-M--"},  {"0", "LDLL-M--"}, {"1", "LLLLDM--"}, {"2", "LLDL-M--"},
        {"3", "LLLD-M--"}, {"4", "LLLL-M--"}, {"-1", "LLLL-M--"}, {"x", "LDLL-M--"},
    };
    const int held[] = {0, VK_CONTROL, VK_SHIFT, VK_MENU};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("Key=") + row.key);
        DeleteFileA(TestSettingsPath().c_str());
        if (*row.key) {
            ASSERT_TRUE(WriteTextFile(TestSettingsPath(), std::string("[DeskTopShow]\r\nKey=") + row.key + "\r\n"));
        }
        std::string got;
        for (int key : held) {
            HoldKey(key);
            got += Letter(TrayActionFor(WM_LBUTTONUP));
        }
        HoldKey(VK_CONTROL);
        got += Letter(TrayActionFor(WM_MBUTTONUP));
        got += Letter(TrayActionFor(WM_RBUTTONDOWN));
        got += Letter(TrayActionFor(WM_LBUTTONDOWN));
        got += Letter(TrayActionFor(WM_LBUTTONDBLCLK));
        EXPECT_EQ(row.actions, got);
    }
}

// With no items folder a launcher click ends at the missing-folder message, before any menu
// is tracked: the message shows whether a launcher was started.
class MenuGuard : public TrayClick {
protected:
    BoxRecorder boxes;
    LauncherOwner owner{WM_HOTKEY, kTrayCallbackMessage, WM_COMMAND};
    HMENU resource = nullptr;
    void SetUp() override
    {
        TrayClick::SetUp();
        RemoveTree(TestItemsDir());
        ASSERT_NE(nullptr, owner);
        resource = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU));
        g_app.mainTrayMenu = GetSubMenu(resource, 0);
    }
    void TearDown() override
    {
        DestroyWindow(owner);
        DestroyMenu(resource);
        g_app.mainTrayMenu = nullptr;
        g_app.quitting = false;
        TakeQuitMessage();
        FreeLauncherAtQuit();
        TrayClick::TearDown();
    }
};

// While a folder menu or the main menu is open, the hotkey and a launcher click start no launcher
// (its menu could not be tracked, its Down would move the open menu's highlight); closed, the guard is down.
TEST_F(MenuGuard, WhileAMenuIsOpenTheHotKeyAndAClickDoNothing)
{
    g_launcher.folderMenuOpen = true;
    EXPECT_EQ(0, OnTrayNotify(owner, 1, WM_LBUTTONUP));
    EXPECT_EQ(0u, boxes.shown.size());
    EXPECT_TRUE(g_launcher.folderMenuOpen);
    g_launcher.folderMenuOpen = false;
    PostMessageW(owner, WM_HOTKEY, kLauncherHotKeyId, 0);
    PostMessageW(owner, kTrayCallbackMessage, 1, WM_LBUTTONUP);
    PostMessageW(owner, kTrayCallbackMessage, 1, WM_RBUTTONDOWN);
    // Posted last, it reaches the main menu after the others have been answered.
    PostMessageW(owner, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(0, OnTrayNotify(owner, 1, WM_RBUTTONDOWN));
    EXPECT_EQ(0u, boxes.shown.size()) << "a launcher was started while the main menu was open";
    EXPECT_FALSE(g_app.menuOpen) << "the guard stays up after the main menu";
    EXPECT_EQ(0, OnLauncherHotKey(owner, kLauncherHotKeyId));
    EXPECT_EQ(0, OnTrayNotify(owner, 1, WM_LBUTTONUP));
    EXPECT_EQ(2u, boxes.shown.size());
    EXPECT_FALSE(g_launcher.folderMenuOpen) << "the guard stays up after the click";
    EXPECT_FALSE(g_app.menuOpen) << "the guard stays up after the click";
    EXPECT_EQ(nullptr, g_launcher.recordListHead);
}

// A watch on items that can be made although items can't be listed: on the test's own folder.
HANDLE WINAPI WatchTestFolder(LPCWSTR, BOOL subtree, DWORD filter)
{
    std::wstring folder = Wide(TestExeDir());
    folder.pop_back();
    return FindFirstChangeNotificationW(folder.c_str(), subtree, filter);
}

// Quit while a click's missing-folder message is up: the launcher's watch on the folder is
// closed when the message returns, and a click or the hotkey after quitting builds nothing.
TEST_F(MenuGuard, QuitDuringAClickLeavesNothingOpenAndLaterClicksBuildNothing)
{
    g_platform.FindFirstChangeNotificationW = WatchTestFolder;
    boxes.onBox = [&](const RecordedBox&) {
        EXPECT_NE(nullptr, g_launcher.keptMenu.change) << "the watch is made before the build";
        QuitApp(owner);
        return IDOK;
    };
    EXPECT_EQ(0, OnTrayNotify(owner, 1, WM_LBUTTONUP));
    ASSERT_EQ(1u, boxes.shown.size());
    EXPECT_TRUE(g_app.quitting);
    EXPECT_EQ(nullptr, g_launcher.keptMenu.change) << "the change notification outlived quit";
    boxes.onBox = nullptr;
    EXPECT_EQ(0, OnTrayNotify(owner, 1, WM_LBUTTONUP));
    EXPECT_EQ(0, OnLauncherHotKey(owner, kLauncherHotKeyId));
    EXPECT_EQ(1u, boxes.shown.size()) << "a launcher was built after quit";
    EXPECT_EQ(nullptr, g_launcher.keptMenu.change) << "a watch was made after quit";
    EXPECT_FALSE(g_app.menuOpen);
}

// What the launcher asked the shell to open: the verb ("" for the default) and the file.
struct Opened {
    std::string verb;
    std::string path;
};
std::vector<Opened> g_opened;

BOOL WINAPI RecordShellExecute(SHELLEXECUTEINFOA* info)
{
    char path[MAX_PATH] = "(poison)";
    if (!(info->fMask & SEE_MASK_INVOKEIDLIST) || !SHGetPathFromIDListA(static_cast<LPCITEMIDLIST>(info->lpIDList), path))
        path[0] = '\0';
    g_opened.push_back({info->lpVerb ? info->lpVerb : "", path});
    return TRUE;
}

// Clicks on the launcher of the items folder, over a stand-in owner, with what it opens recorded.
class LauncherClick : public TrayClick {
protected:
    LauncherOwner window;
    void SetUp() override
    {
        TrayClick::SetUp();
        ASSERT_NE(nullptr, window);
        g_platform.ShellExecuteExA = RecordShellExecute;
    }
    void TearDown() override
    {
        g_platform = RealPlatformCalls();
        FreeKeptMenu(true);
        DeleteFileA((TestExeDir() + kOrderFileName).c_str());
        DestroyWindow(window);
        RemoveTree(TestItemsDir());
        TrayClick::TearDown();
    }
    // A launcher click, acted on from inside its menu; what it opens is recorded afresh.
    void Click(const std::function<void(HWND)>& act)
    {
        g_opened.clear();
        WhenMenuOpens(act);
        EXPECT_EQ(0, OnTrayNotify(window, 1, WM_LBUTTONUP));
    }
};

TEST_F(LauncherClick, CtrlShiftWithReturnOrAClickOpensTheEntryAsAdministrator)
{
    ASSERT_TRUE(MakeItems({"alpha.txt", "beta.txt", "gamma.txt"}));
    std::string second = TestItemsDir() + "\\" + ShellOrder(TestItemsDir())[1];
    // The keys are held from the tray click on: Ctrl must not turn it into the desktop list.
    ASSERT_TRUE(WriteTextFile(TestSettingsPath(), "[DeskTopShow]\r\nKey=1\r\n"));
    struct Row {
        const char* name;
        std::vector<int> held;
        bool click;  // else Down, Down, Return
        const char* verb;
    } rows[] = {
        {"Return", {}, false, ""},
        {"Ctrl+Shift+Return", {VK_CONTROL, VK_SHIFT}, false, "runas"},
        {"Shift+Return", {VK_SHIFT}, false, ""},
        {"click", {}, true, ""},
        {"Ctrl+Shift+click", {VK_CONTROL, VK_SHIFT}, true, "runas"},
        {"Ctrl+click", {VK_CONTROL}, true, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BYTE keys[256] = {};
        for (int key : row.held)
            keys[key] = 0x80;
        SetKeyboardState(keys);
        Click([&row](HWND menuWindow) {
            if (row.click) {
                // A menu's loop reads a mouse message's position from lParam, on the screen.
                POINT centre = ItemCentre(menuWindow, 1);
                LPARAM at = MAKELPARAM(centre.x, centre.y);
                PostMessageW(menuWindow, WM_MOUSEMOVE, 0, at);
                PostMessageW(menuWindow, WM_LBUTTONDOWN, MK_LBUTTON, at);
                PostMessageW(menuWindow, WM_LBUTTONUP, 0, at);
            } else {
                for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN})
                    PostMessageW(menuWindow, WM_KEYDOWN, key, 1);
            }
        });
        ASSERT_EQ(1u, g_opened.size()) << "nothing or more than one was opened";
        EXPECT_EQ(row.verb, g_opened[0].verb);
        EXPECT_EQ(0, lstrcmpiA(second.c_str(), g_opened[0].path.c_str())) << g_opened[0].path;
    }
}

// The kept launcher on the screen follows the app theme from one click to the next, around
// its items too.
TEST_F(LauncherClick, TheLauncherFollowsTheAppThemeFromOneClickToTheNext)
{
    ASSERT_TRUE(MakeItems({"alpha.txt", "beta.txt"}));
    ASSERT_TRUE(WriteTextFile(TestSettingsPath(), "[Icon]\r\nIconShow=0\r\n"));
    AppThemeSetting theme(0);
    LiveCounts before = g_live;
    const COLORREF light = GetSysColor(COLOR_MENU);
    struct Row {
        const char* name;
        int appsUseLightTheme;
        COLORREF background;
    } rows[] = {
        {"dark", 0, kDarkMenuBackground},
        {"light", 1, light},
        {"dark again", 0, kDarkMenuBackground},
        {"no value", -1, light},
    };
    HMENU shown[4] = {};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        theme.Set(row.appsUseLightTheme);
        COLORREF item = CLR_INVALID;
        COLORREF corner = CLR_INVALID;
        HMENU* menuShown = &shown[&row - rows];
        int tries = 0;
        std::function<void(HWND)> read = [&](HWND menuWindow) {
            HMENU menu = *menuShown = MenuOfWindow(menuWindow);
            // An item away from the pointer, at its right end where no text is.
            UINT index = (GetMenuState(menu, 0, MF_BYPOSITION) & MF_HILITE) ? 1 : 0;
            RECT r = {};
            GetMenuItemRect(nullptr, menu, index, &r);
            HDC screen = GetDC(nullptr);
            item = GetPixel(screen, r.right - 3, (r.top + r.bottom) / 2);
            // The menu's own background, left of the items.
            corner = GetPixel(screen, r.left - 1, (r.top + r.bottom) / 2);
            ReleaseDC(nullptr, screen);
            // A new menu window is black until its drawing reaches it, while its loop waits: look again then.
            if (item == RGB(0, 0, 0) && ++tries < 200)
                WhenMenuOpens(read);
            else
                PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 1);
        };
        Click(read);
        EXPECT_EQ(row.background, item);
        EXPECT_EQ(row.background, corner) << "the menu around the items";
        EXPECT_EQ(g_launcher.keptMenu.menu, *menuShown);
    }
    EXPECT_EQ(shown[0], shown[3]) << "the kept menu was built anew for a theme";
    FreeKeptMenu(true);
    EXPECT_EQ(before.brushes, g_live.brushes) << "the dark background brush was not freed";
}

// A right click on an entry (or the context-menu key on the highlighted one) shows the shell's menu for it
// over the launcher: a command acts on that entry, the launcher kept; Escape returns to the launcher.
TEST_F(LauncherClick, TheShellsMenuOnAnEntryActsOnThatEntry)
{
    const std::string target = "C:\\windows\\notepad.exe";
    ASSERT_TRUE(MakeItems({"alpha.lnk>" + target, "beta.lnk>" + target, "gamma.lnk>" + target}));
    std::vector<std::string> order = ShellOrder(TestItemsDir());
    ASSERT_EQ(3u, order.size());
    const UINT second = 1;
    std::string secondPath = TestItemsDir() + "\\" + order[second].substr(0, order[second].find('.')) + ".lnk";
    ASSERT_TRUE(WriteTextFile(TestSettingsPath(), "[DeskTopShow]\r\nKey=1\r\n"));
    struct Row {
        const char* name;
        WPARAM key;     // this key on the highlighted entry, else (0) a right click
        bool shift;     // Shift held
        bool choose;    // the context menu's "Copy", else Escape
    } rows[] = {
        {"right click, Copy", 0, false, true},
        {"context-menu key, Copy", VK_APPS, false, true},
        {"right click, Escape", 0, false, false},
        {"Shift+right click, Escape", 0, true, false},
        // F10 alone would close a menu: the one opened by it must not read it again.
        {"Shift+F10, Escape", VK_F10, true, false},
    };
    int plainItems = -1, extendedItems = -1;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HoldKey(row.shift ? VK_SHIFT : 0);
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        CloseClipboard();
        int contextItems = -1;
        bool contextIsLaunchers = true;
        bool launcherBeneath = false;
        int tries = 0;
        std::function<void(HWND)> inContextMenu = [&](HWND) {
            std::vector<HWND> open = VisibleWindows(L"#32768", GetCurrentProcessId());
            if (open.size() < 2) {
                if (++tries < 200)
                    WhenMenuOpens(inContextMenu);
                return;
            }
            HMENU menus[2] = {MenuOfWindow(open[0]), MenuOfWindow(open[1])};
            int inner = IsLauncherMenu(menus[0]) ? 1 : 0;
            HMENU context = menus[inner];
            HWND contextWindow = open[inner];
            launcherBeneath = IsLauncherMenu(menus[1 - inner]);
            contextIsLaunchers = IsLauncherMenu(context);
            contextItems = GetMenuItemCount(context);
            if (row.choose) {
                // The shell's "Copy", by its mnemonic, shows on the clipboard which entry it
                // acted on. (Wine's "Open" there opens folders only.)
                PostMessageW(contextWindow, WM_CHAR, 'c', 1);
            } else {
                PostMessageW(contextWindow, WM_KEYDOWN, VK_ESCAPE, 1);
                // Back in the launcher: its entry still opens.
                WhenMenuOpens([](HWND launcher) {
                    for (WPARAM key : {VK_DOWN, VK_DOWN})
                        PostMessageW(launcher, WM_KEYDOWN, key, 1);
                    PostMessageW(launcher, WM_CHAR, '\r', 1);
                });
            }
        };
        unsigned changesBefore = g_launcher.iconChanges;
        Click([&](HWND launcher) {
            if (row.key) {
                PostMessageW(launcher, WM_KEYDOWN, VK_DOWN, 1);
                PostMessageW(launcher, WM_KEYDOWN, VK_DOWN, 1);
                // F10 comes as a system key.
                PostMessageW(launcher, row.key == VK_F10 ? WM_SYSKEYDOWN : WM_KEYDOWN, row.key, 1);
            } else {
                POINT at = ItemCentre(launcher, second);
                SetCursorPos(at.x, at.y);
                PostMessageW(launcher, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
                PostMessageW(launcher, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
            }
            WhenMenuOpens(inContextMenu);
        });
        EXPECT_TRUE(launcherBeneath) << "no second menu over the launcher";
        EXPECT_FALSE(contextIsLaunchers);
        EXPECT_GT(contextItems, 0) << "the shell's menu was empty";
        if (!row.key && !row.choose)
            (row.shift ? extendedItems : plainItems) = contextItems;
        if (row.choose) {
            std::string copied;
            if (OpenClipboard(nullptr)) {
                if (auto drop = static_cast<HDROP>(GetClipboardData(CF_HDROP))) {
                    char name[MAX_PATH] = "";
                    if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) == 1 && DragQueryFileA(drop, 0, name, MAX_PATH))
                        copied = name;
                }
                CloseClipboard();
            }
            EXPECT_EQ(0, lstrcmpiA(secondPath.c_str(), copied.c_str())) << "copied: " << copied;
            EXPECT_TRUE(g_opened.empty()) << "the launcher opened an entry itself";
            // Copying changes nothing the launcher shows: nothing is marked, nothing built.
            EXPECT_EQ(changesBefore, g_launcher.iconChanges) << "a copy marked the kept menu stale";
            EXPECT_FALSE(LauncherBuildRunning()) << "a copy built the launcher anew";
            EXPECT_NE(nullptr, g_launcher.keptMenu.menu);
        } else {
            ASSERT_EQ(1u, g_opened.size()) << "the launcher did not open its entry afterwards";
            EXPECT_EQ(0, lstrcmpiA(secondPath.c_str(), g_opened[0].path.c_str())) << g_opened[0].path;
        }
        EXPECT_TRUE(VisibleWindows(L"#32768", GetCurrentProcessId()).empty());
    }
    // Asked for its extended commands, the shell gives another menu (Wine's drops its rename).
    EXPECT_NE(plainItems, extendedItems) << "Shift with the right click asked for the same commands";
}

// The names the kept launcher menu shows, in its order, a line each.
std::string KeptNames()
{
    std::string names;
    HMENU menu = g_launcher.keptMenu.menu;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        MENUITEMINFOA info = MenuItemAt(menu, static_cast<UINT>(i), MIIM_ID | MIIM_DATA);
        const LauncherRecord* record = RecordOfItemData(info.dwItemData, info.wID);
        names += std::string(record ? record->text : "(none)") + "\n";
    }
    return names;
}

// The user's own order: a drag and Ctrl+Down move an entry, the highlight following, and save the order;
// Escape ends a drag alone; a hand edit and "元の順序に戻す" show at once. No build, the kept menu reordered.
TEST_F(LauncherClick, TheUsersOrderByDragKeysHandEditAndBackToTheShells)
{
    ASSERT_TRUE(MakeItems({"alpha.txt", "beta.txt", "gamma.txt"}));
    std::vector<std::string> o = ShellOrder(TestItemsDir());
    std::string orderPath = TestExeDir() + kOrderFileName;
    auto lines = [&](std::vector<int> places) {
        std::string text;
        for (int place : places)
            text += o[place] + "\n";
        return text;
    };
    auto post = [](HWND menuWindow, UINT message, UINT index, int dy = 0, WPARAM buttons = 0) {
        POINT at = ItemCentre(menuWindow, index);
        PostMessageW(menuWindow, message, buttons, MAKELPARAM(at.x, at.y + dy));
    };
    Click([](HWND m) { PostMessageW(m, WM_KEYDOWN, VK_ESCAPE, 1); });
    ASSERT_EQ(lines({0, 1, 2}), KeptNames());
    unsigned builds = g_launcher.launcherBuilds;
    IconFetches fetches;
    // The third entry dragged to the top half of the first; Down and Return then.
    const int drag = GetSystemMetrics(SM_CYDRAG) + 1;
    Click([&](HWND m) {
        post(m, WM_MOUSEMOVE, 2);
        post(m, WM_LBUTTONDOWN, 2, 0, MK_LBUTTON);
        post(m, WM_MOUSEMOVE, 2, -drag, MK_LBUTTON);
        post(m, WM_MOUSEMOVE, 0, -3, MK_LBUTTON);
        post(m, WM_LBUTTONUP, 0, -3);
        PostKeys(m, {VK_DOWN, VK_RETURN});
    });
    // Released, the entry was not opened but highlighted in its new place: Down goes past it.
    ASSERT_EQ(1u, g_opened.size());
    EXPECT_EQ(0, lstrcmpiA((TestItemsDir() + "\\" + o[0]).c_str(), g_opened[0].path.c_str())) << g_opened[0].path;
    EXPECT_EQ("items\\\n" + lines({2, 0, 1}), ReadTextFile(orderPath));
    EXPECT_EQ(lines({2, 0, 1}), KeptNames());
    // Ctrl+Down on the first: Return (without Ctrl) then opens it in its new place.
    Click([](HWND m) {
        HoldKey(VK_CONTROL);
        PostKeys(m, {VK_DOWN, VK_DOWN});
        WhenMenuOpens([](HWND m) {
            HoldKey(0);
            PostKeys(m, {VK_RETURN});
        });
    });
    ASSERT_EQ(1u, g_opened.size());
    EXPECT_EQ(0, lstrcmpiA((TestItemsDir() + "\\" + o[2]).c_str(), g_opened[0].path.c_str())) << g_opened[0].path;
    EXPECT_EQ("items\\\n" + lines({0, 2, 1}), ReadTextFile(orderPath));
    // The Down a hotkey's opening posts, with the hotkey's Ctrl still down, selects: it moves nothing.
    Click([](HWND m) {
        PostKeys(m, {VK_DOWN});
        WhenMenuOpens([](HWND m) {
            HoldKey(VK_CONTROL);
            PostMessageW(m, WM_KEYDOWN, VK_DOWN, kOpeningDownLParam);
            WhenMenuOpens([](HWND m) {
                HoldKey(0);
                PostKeys(m, {VK_RETURN});
            });
        });
    });
    ASSERT_EQ(1u, g_opened.size());
    EXPECT_EQ(0, lstrcmpiA((TestItemsDir() + "\\" + o[2]).c_str(), g_opened[0].path.c_str())) << g_opened[0].path;
    EXPECT_EQ("items\\\n" + lines({0, 2, 1}), ReadTextFile(orderPath)) << "the opening Down moved an entry";
    // Escape during a drag ends the drag, not the menu: a plain click then opens its entry.
    Click([&](HWND m) {
        post(m, WM_MOUSEMOVE, 0);
        post(m, WM_LBUTTONDOWN, 0, 0, MK_LBUTTON);
        post(m, WM_MOUSEMOVE, 2, 0, MK_LBUTTON);
        PostMessageW(m, WM_KEYDOWN, VK_ESCAPE, 1);
        post(m, WM_LBUTTONUP, 2);
        post(m, WM_MOUSEMOVE, 2);
        post(m, WM_LBUTTONDOWN, 2, 0, MK_LBUTTON);
        post(m, WM_LBUTTONUP, 2);
    });
    ASSERT_EQ(1u, g_opened.size());
    EXPECT_EQ(0, lstrcmpiA((TestItemsDir() + "\\" + o[1]).c_str(), g_opened[0].path.c_str())) << g_opened[0].path;
    EXPECT_EQ("items\\\n" + lines({0, 2, 1}), ReadTextFile(orderPath));
    // A hand edit (a longer file, so its stamp changes) shows at the next click.
    ASSERT_TRUE(WriteTextFile(orderPath, "\r\nitems\\\n" + lines({1, 2})));
    Click([](HWND m) { PostMessageW(m, WM_KEYDOWN, VK_ESCAPE, 1); });
    EXPECT_EQ(lines({1, 2, 0}), KeptNames());
    EXPECT_EQ(builds, g_launcher.launcherBuilds) << "a move or an edit built the launcher anew";
    EXPECT_EQ(0, fetches.Count()) << "a move or an edit looked up icons";
    // "元の順序に戻す" is the first command of the entry's own menu: the shell's order again.
    std::wstring first;
    std::function<void(HWND)> inContextMenu = [&](HWND) {
        std::vector<HWND> open = VisibleWindows(L"#32768", GetCurrentProcessId());
        if (open.size() < 2)
            return WhenMenuOpens(inContextMenu);
        HWND context = IsLauncherMenu(MenuOfWindow(open[0])) ? open[1] : open[0];
        wchar_t text[64] = L"(poison)";
        GetMenuStringW(MenuOfWindow(context), 0, text, 64, MF_BYPOSITION);
        first = text;
        PostKeys(context, {VK_DOWN, VK_RETURN});
        WhenMenuOpens([](HWND m) { PostMessageW(m, WM_KEYDOWN, VK_ESCAPE, 1); });
    };
    Click([&](HWND m) {
        POINT at = ItemCentre(m, 0);
        SetCursorPos(at.x, at.y);  // a right click is found where the pointer is
        post(m, WM_RBUTTONDOWN, 0, 0, MK_RBUTTON);
        post(m, WM_RBUTTONUP, 0);
        WhenMenuOpens(inContextMenu);
    });
    EXPECT_EQ(kTextRestoreOrder, first);
    EXPECT_EQ(lines({0, 1, 2}), KeptNames());
    EXPECT_EQ("", ReadTextFile(orderPath));
}

// Many menus over a real folder, each measured, drawn and freed: every font and brush they
// made is gone, checked through the system, not through the launcher's own counts.
TEST(LauncherSoak, NothingIsLeftAfterManyMenus)
{
    DeleteFileA(TestSettingsPath().c_str());
    ASSERT_TRUE(MakeItems({"one.txt", "two.ini", "three.bat"}));
    HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DibCanvas canvas(200, 20);
    LiveCounts before = g_live;
    GdiCreations gdi;
    for (int cycle = 0; cycle < 50; ++cycle) {
        LaunchEntry* head = nullptr;
        CaptureMenuLook();
        HMENU menu = BuildFolderMenu(&head, FolderMode::Items, g_launcher.menuLook);
        ASSERT_NE(nullptr, menu);
        for (LauncherRecord* r = g_launcher.recordListHead; r; r = r->next) {
            MeasureItem(window, r->id, reinterpret_cast<ULONG_PTR>(r));
            DrawItem(window, r->id, reinterpret_cast<ULONG_PTR>(r), canvas.dc, {0, 0, 200, 20}, (cycle & 1) ? ODS_SELECTED : 0);
        }
        FreeMenuExpectingNothingLeft(menu, head, before);
    }
    EXPECT_FALSE(gdi.fonts.empty()) << "the measures' fonts were seen";
    EXPECT_FALSE(gdi.brushes.empty()) << "the draws' brushes were seen";
    EXPECT_TRUE(gdi.Alive().empty()) << gdi.Alive().size() << " fonts and brushes left";
    EXPECT_EQ(before.fonts, g_live.fonts);
    EXPECT_EQ(before.brushes, g_live.brushes);
    DestroyWindow(window);
    RemoveTree(TestItemsDir());
}

UINT g_shellMessage = 0;

LRESULT CALLBACK RecordShellMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kShellIconsChanged)
        g_shellMessage = message;
    return DefWindowProcW(window, message, wParam, lParam);
}

// Changed icons announced by the shell reach the tray window, making the kept menu stale.
TEST(ShellIcons, AnAnnouncedIconChangeMakesTheKeptMenuStale)
{
    HWND window = MakeWindow(L"ShellIconsTest", RecordShellMessage, 0);
    auto announced = [] { return g_shellMessage == kShellIconsChanged; };
    WatchShellIcons(window);
    ASSERT_NE(0u, g_tray.shellNotify);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    EXPECT_TRUE(WaitFor(announced, 5000)) << "the announcement never came";
    // A restarted shell knows nothing of the registration: it is made anew in place of the old.
    ULONG old = g_tray.shellNotify;
    g_shellMessage = 0;
    OnTaskbarCreated(window);
    ASSERT_NE(0u, g_tray.shellNotify);
    EXPECT_NE(old, g_tray.shellNotify);
    EXPECT_FALSE(SHChangeNotifyDeregister(old)) << "the old registration was left in place";
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    EXPECT_TRUE(WaitFor(announced, 5000)) << "no announcement after the new registration";
    SHChangeNotifyDeregister(g_tray.shellNotify);
    g_tray.shellNotify = 0;
    DeleteTrayIcon(window);
    DestroyWindow(window);
    // A changed setting marks the kept menus by what it changes: the entries' names and icons, the look, or nothing.
    const struct {
        UINT message;
        WPARAM wParam;
        const wchar_t* section;
        unsigned icons, looks;  // the marks it makes
    } rows[] = {
        {kShellIconsChanged, 0, nullptr, 1, 0},
        {WM_SETTINGCHANGE, 0, L"ShellState", 1, 0},
        {WM_SETTINGCHANGE, 0, L"ImmersiveColorSet", 0, 1},
        {WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, nullptr, 0, 1},
        {WM_SYSCOLORCHANGE, 0, nullptr, 0, 1},
        {WM_THEMECHANGED, 0, nullptr, 0, 1},
        {WM_SETTINGCHANGE, 0, L"Policy", 0, 0},
        {WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, nullptr, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.message << " " << row.wParam << " " << Ansi(row.section ? row.section : L""));
        unsigned icons = g_launcher.iconChanges;
        unsigned looks = g_launcher.lookChanges;
        TrayWndProc(nullptr, row.message, row.wParam, reinterpret_cast<LPARAM>(row.section));
        EXPECT_EQ(icons + row.icons, g_launcher.iconChanges);
        EXPECT_EQ(looks + row.looks, g_launcher.lookChanges);
    }
}

// After quit nothing puts the icon back, not even Explorer's restart announced while the quitting program unwinds.
TEST(TrayIcon, AfterQuitATaskbarRestartAddsNoIcon)
{
    HWND tray = CreateTrayWindow(GetModuleHandleW(nullptr));
    ASSERT_NE(nullptr, tray);
    EXPECT_TRUE(TrayIconExists(tray));
    QuitApp(tray);
    EXPECT_FALSE(TrayIconExists(tray));
    SendMessageW(tray, g_tray.taskbarCreatedMessage, 0, 0);
    EXPECT_FALSE(TrayIconExists(tray)) << "the icon came back after quit";
    DestroyWindow(tray);
    g_app.quitting = false;
    TakeQuitMessage();
}

}  // namespace

LONG g_timeAtFocus;

LRESULT CALLBACK RecordTimeAtFocus(int code, WPARAM wParam, LPARAM lParam)
{
    if (reinterpret_cast<const CWPSTRUCT*>(lParam)->message == WM_SETFOCUS)
        g_timeAtFocus = GetMessageTime();
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Under Wine an open menu takes the focus when its loop goes idle, after renewing the message time (X
// refuses a focus stamped before its last change of focus), and takes nothing else from the queue: a key
// posted to the menu or its owner stays, and wakes the loop's wait.
TEST(MenuFocus, TakingTheFocusLeavesQueuedKeysAlone)
{
    LauncherOwner owner;
    HWND menuWindow = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                      nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, owner);
    ASSERT_NE(nullptr, menuWindow);
    // Active already, without the focus: focusing it posts nothing that would wake the wait.
    SetFocus(menuWindow);
    SetFocus(nullptr);
    MSG msg;
    PostMessageW(owner, WM_NULL, 0, 0);
    Sleep(300);
    PeekMessageW(&msg, owner, WM_NULL, WM_NULL, PM_REMOVE);
    const LONG stale = GetMessageTime();
    PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(owner, WM_KEYDOWN, VK_RETURN, 0);
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, RecordTimeAtFocus, nullptr, GetCurrentThreadId());
    OnMenuIdle(owner, MSGF_MENU, reinterpret_cast<LPARAM>(menuWindow));
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(menuWindow, GetFocus());
    EXPECT_GE(g_timeAtFocus - stale, 250) << "the focus was given with a message time 300 ms old";
    EXPECT_EQ(WAIT_OBJECT_0, MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0)) << "the keys woke nothing";
    EXPECT_TRUE(PeekMessageW(&msg, menuWindow, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) << "the menu's key was taken";
    EXPECT_TRUE(PeekMessageW(&msg, owner, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) << "the owner's key was taken";
    EXPECT_FALSE(PeekMessageW(&msg, owner, kRenewMessageTime, kRenewMessageTime, PM_REMOVE));
    PeekMessageW(&msg, owner, WM_NULL, WM_NULL, PM_REMOVE);
    DestroyWindow(menuWindow);
    DestroyWindow(owner);
}

// A focused menu window is the active one; closed, it gives the activation back to its owner, not to
// another window: under Wine the desktop's process would answer that by taking the X focus from the next menu.
TEST(MenuFocus, AClosedMenuLeavesItsOwnerActive)
{
    LauncherOwner owner;
    ASSERT_NE(nullptr, owner);
    SetForegroundWindow(owner);
    {
        MenuFocusScope scope(owner);
        for (int menus = 0; menus < 2; ++menus) {
            HWND menuWindow = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10,
                                              10, nullptr, nullptr, nullptr, nullptr);
            ASSERT_NE(nullptr, menuWindow);
            OnMenuIdle(owner, MSGF_MENU, reinterpret_cast<LPARAM>(menuWindow));
            EXPECT_EQ(menuWindow, GetActiveWindow());
            DestroyWindow(menuWindow);
            EXPECT_EQ(owner, GetActiveWindow()) << "menu " << menus;
            EXPECT_EQ(owner, GetForegroundWindow()) << "menu " << menus;
        }
    }
    MSG msg;
    while (PeekMessageW(&msg, owner, 0, 0, PM_REMOVE)) {
    }
    DestroyWindow(owner);
}

// X may refuse a focus request without Wine knowing: until a key comes to the menu's loop,
// the focused menu window is given the focus again, and not after.
int g_focusGains;
LRESULT CALLBACK CountFocusGains(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_focusGains += message == WM_SETFOCUS;
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(MenuFocus, TheFocusIsGivenAgainUntilAKeyComes)
{
    LauncherOwner owner;
    HWND menuWindow = MakeWindow(L"MorvekFocusGains", CountFocusGains, WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE);
    ASSERT_NE(nullptr, menuWindow);
    {
        MenuFocusScope scope(owner);
        // The Down the hotkey posts comes before the first focusing: it is no typed key.
        MSG down = {menuWindow, WM_KEYDOWN, VK_DOWN, 0, 0, {}};
        CallMsgFilterW(&down, MSGF_MENU);
        // Focused as it opened: the focus is still given again.
        ASSERT_EQ(menuWindow, GetFocus());
        OnMenuIdle(owner, MSGF_MENU, reinterpret_cast<LPARAM>(menuWindow));
        g_focusGains = 0;
        WaitFor([] { return g_focusGains >= 2; }, 20000);
        EXPECT_LE(2, g_focusGains) << "the focus was not given again";
        CallMsgFilterW(&down, MSGF_MENU);  // a key reached the menu
        WaitFor([] { return false; }, 2 * kFocusRetryMs);
        g_focusGains = 0;
        WaitFor([] { return false; }, 4 * kFocusRetryMs);
        EXPECT_EQ(0, g_focusGains) << "given again after a key came";
        EXPECT_EQ(menuWindow, GetFocus());
    }
    DestroyWindow(menuWindow);
    DestroyWindow(owner);
}
