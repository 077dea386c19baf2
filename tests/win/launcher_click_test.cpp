// Tray click routing with the real settings file and keyboard state, and many launcher
// menus built, measured, drawn and freed without leaving anything behind.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/live_counts.h"
#include "core/platform_calls.h"
#include "app/tray_window.h"
#include "tray/tray_icon.h"
#include "launcher/folder_menu.h"
#include "launcher/launcher_state.h"
#include "launcher/owner_draw.h"
#include "launcher/kept_menu.h"
#include "launcher/tray_click.h"
#include "resources/resource.h"
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

TEST_F(TrayClick, ButtonModifierAndKeySettingChooseTheMenu)
{
    // Per Key setting ("" = no file): a left click with nothing held, Ctrl, Shift, Alt;
    // then a middle click, a right click, a left button down and a double click.
    // L launcher, D desktop, M main menu, - nothing.
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

TEST_F(TrayClick, ModifierIsTheOneTheSettingNames)
{
    struct Row {
        const char* key;
        int vk;
        bool expected;
    } rows[] = {
        {"0", VK_CONTROL, true}, {"0", VK_LCONTROL, false}, {"0", VK_SHIFT, false},
        {"2", VK_SHIFT, true},   {"2", VK_MENU, false},     {"3", VK_MENU, true},
        {"3", VK_CONTROL, false}, {"1", VK_CONTROL, false}, {"1", 0, false},
        {"0", 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("Key=") + row.key + " vk " + std::to_string(row.vk));
        ASSERT_TRUE(WriteTextFile(TestSettingsPath(), std::string("[DeskTopShow]\r\nKey=") + row.key + "\r\n"));
        HoldKey(row.vk);
        EXPECT_EQ(row.expected, IsDesktopModifierDown());
    }
}

// The tray window's procedure for what clicks, the hotkey and menus send it (its
// WM_CREATE and WM_DESTROY would add a tray icon and quit).
LRESULT CALLBACK ClickOwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HOTKEY || message == kTrayCallbackMessage || message == WM_COMMAND)
        return TrayWndProc(hwnd, message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// With no items folder a launcher click ends at the missing-folder message, before any
// menu is tracked: the message shows whether a build was started.
class MenuGuard : public TrayClick {
protected:
    BoxRecorder boxes;
    HWND owner = nullptr;
    HMENU resource = nullptr;
    void SetUp() override
    {
        TrayClick::SetUp();
        RemoveTree(TestItemsDir());
        HoldKey(0);
        owner = MakeWindow(L"MorvekClickOwner", ClickOwnerProc);
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
        FreeKeptMenuAtQuit();
        TrayClick::TearDown();
    }
};

TEST_F(MenuGuard, AClickWhileAFolderMenuIsOpenIsIgnored)
{
    g_launcher.folderMenuOpen = true;
    EXPECT_EQ(0, OnTrayNotify(owner, 1, WM_LBUTTONUP));
    EXPECT_EQ(0u, boxes.shown.size());
    EXPECT_TRUE(g_launcher.folderMenuOpen);
    g_launcher.folderMenuOpen = false;
    EXPECT_EQ(0, OnTrayNotify(owner, 1, WM_LBUTTONUP));
    EXPECT_EQ(1u, boxes.shown.size());
    EXPECT_FALSE(g_launcher.folderMenuOpen) << "the guard stays up after the click";
    EXPECT_FALSE(g_app.menuOpen) << "the guard stays up after the click";
    EXPECT_EQ(nullptr, g_launcher.recordListHead);
}

// While the main menu is tracked, the hotkey and a launcher click that arrive start no
// launcher: its menu could not be tracked, and its Down key would move the main menu's
// highlight.
TEST_F(MenuGuard, WhileTheMainMenuIsOpenTheHotKeyAndAClickDoNothing)
{
    PostMessageW(owner, WM_HOTKEY, kLauncherHotKeyId, 0);
    PostMessageW(owner, kTrayCallbackMessage, 1, WM_LBUTTONUP);
    PostMessageW(owner, kTrayCallbackMessage, 1, WM_RBUTTONDOWN);
    // Posted last, it reaches the menu after the others have been answered.
    PostMessageW(owner, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(0, OnTrayNotify(owner, 1, WM_RBUTTONDOWN));
    EXPECT_EQ(0u, boxes.shown.size()) << "a launcher was started while the main menu was open";
    EXPECT_FALSE(g_app.menuOpen) << "the guard stays up after the main menu";
    // Closed, the main menu lets the launcher start again.
    EXPECT_EQ(0, OnLauncherHotKey(owner, kLauncherHotKeyId));
    EXPECT_EQ(1u, boxes.shown.size());
}

// Quit while a click's missing-folder message is up: the launcher's watch on the folder is
// closed when the message returns, and a click or the hotkey after quitting builds nothing.
TEST_F(MenuGuard, QuitDuringAClickLeavesNothingOpenAndLaterClicksBuildNothing)
{
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

// Soak: many menus over a real folder, each measured, drawn and freed.
TEST(LauncherSoak, NothingIsLeftAfterManyMenus)
{
    RemoveTree(TestItemsDir());
    DeleteFileA(TestSettingsPath().c_str());
    CreateDirectoryA(TestItemsDir().c_str(), nullptr);
    for (const char* name : {"one.txt", "two.ini", "three.bat"})
        ASSERT_TRUE(WriteTextFile(TestItemsDir() + "\\" + name, "x"));
    HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DibCanvas canvas(200, 20);
    IMalloc* allocator = nullptr;
    ASSERT_EQ(S_OK, SHGetMalloc(&allocator));
    LiveCounts before = g_live;
    LiveCounts peak = {};
    GdiCreations gdi;
    size_t icons = 0;
    for (int cycle = 0; cycle < 2000; ++cycle) {
        LaunchEntry* head = nullptr;
        HMENU menu = BuildFolderMenu(&head, allocator, FolderMode::Items);
        ASSERT_NE(nullptr, menu);
        CaptureMenuLook();
        for (LauncherRecord* r = g_launcher.recordListHead; r; r = r->next) {
            MEASUREITEMSTRUCT mis = {};
            mis.itemID = r->id;
            mis.itemData = reinterpret_cast<ULONG_PTR>(r);
            MeasureLauncherItem(window, &mis);
            DRAWITEMSTRUCT dis = {};
            dis.itemID = r->id;
            dis.itemData = reinterpret_cast<ULONG_PTR>(r);
            dis.itemState = (cycle & 1) ? ODS_SELECTED : 0;
            dis.hDC = canvas.dc;
            dis.rcItem = {0, 0, 200, 20};
            DrawLauncherItem(window, &dis);
        }
        if (g_live.icons > peak.icons)
            peak = g_live;
        std::vector<HICON> held;
        for (LauncherRecord* r = g_launcher.recordListHead; r; r = r->next)
            if (r->icon)
                held.push_back(r->icon);
        icons += held.size();
        FreeFolderMenu(menu, head, allocator);
        for (HICON icon : held)
            ASSERT_TRUE(IconDestroyed(icon)) << "an icon outlived its menu at cycle " << cycle;
    }
    // Checked through the system, not through the launcher's own counts: every icon,
    // font and brush the menus made is gone.
    EXPECT_EQ(2000u * 3, icons) << "every entry had its icon";
    EXPECT_FALSE(gdi.fonts.empty()) << "the measures' fonts were seen";
    EXPECT_FALSE(gdi.brushes.empty()) << "the draws' brushes were seen";
    EXPECT_TRUE(gdi.Alive().empty()) << gdi.Alive().size() << " fonts and brushes left";
    EXPECT_GT(peak.icons, before.icons) << "the icons were fetched";
    EXPECT_EQ(before.idLists + 3, peak.idLists);
    EXPECT_EQ(before.icons, g_live.icons);
    EXPECT_EQ(before.fonts, g_live.fonts);
    EXPECT_EQ(before.brushes, g_live.brushes);
    EXPECT_EQ(before.idLists, g_live.idLists);
    EXPECT_EQ(nullptr, g_launcher.recordListHead);
    allocator->Release();
    DestroyWindow(window);
    RemoveTree(TestItemsDir());
}

}  // namespace

namespace {

UINT g_shellMessage = 0;

LRESULT CALLBACK RecordShellMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kShellIconsChanged)
        g_shellMessage = message;
    return DefWindowProcW(window, message, wParam, lParam);
}

// Changed icons announced by the shell reach the tray window, which then lets the next
// click build the kept launcher menu anew.
TEST(ShellIcons, AnAnnouncedIconChangeMakesTheKeptMenuStale)
{
    HWND window = MakeWindow(L"ShellIconsTest", RecordShellMessage, 0);
    WatchShellIcons(window);
    ASSERT_NE(0u, g_tray.shellNotify);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    EXPECT_TRUE(WaitFor([] {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        return g_shellMessage == kShellIconsChanged;
    }, 5000)) << "the announcement never came";
    SHChangeNotifyDeregister(g_tray.shellNotify);
    g_tray.shellNotify = 0;
    DestroyWindow(window);

    unsigned changes = g_launcher.iconChanges;
    TrayWndProc(nullptr, kShellIconsChanged, 0, 0);
    EXPECT_EQ(changes + 1, g_launcher.iconChanges);
}

// After quit nothing puts the icon back: not even Explorer's restart announced while a box
// or menu of the quitting program unwinds.
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
    EXPECT_FALSE(TrayIconExists(tray));
    g_app.quitting = false;
    TakeQuitMessage();
}

}  // namespace
