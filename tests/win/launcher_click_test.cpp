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
#include "resources/resource.h"
#include "tray/tray_icon.h"
#include "launcher/build_ahead.h"
#include "launcher/folder_menu.h"
#include "launcher/kept_menu.h"
#include "launcher/launcher_state.h"
#include "launcher/owner_draw.h"
#include "launcher/tray_click.h"
#include "test_support.h"

namespace {

std::string SettingsPath()
{
    return TestExeDir() + "setting1.ini";
}

std::string ItemsDir()
{
    return TestExeDir() + "items";
}

void Hold(int virtualKey)
{
    BYTE keys[256] = {};
    if (virtualKey)
        keys[virtualKey] = 0x80;
    SetKeyboardState(keys);
}

char Letter(TrayAction action)
{
    switch (action) {
    case TrayAction::Launcher:
        return 'L';
    case TrayAction::Desktop:
        return 'D';
    case TrayAction::MainMenu:
        return 'M';
    case TrayAction::Nothing:
        return '-';
    }
    return '?';
}

class TrayClick : public testing::Test {
protected:
    void SetUp() override { DeleteFileA(SettingsPath().c_str()); }
    void TearDown() override
    {
        Hold(0);
        DeleteFileA(SettingsPath().c_str());
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
        DeleteFileA(SettingsPath().c_str());
        if (*row.key) {
            ASSERT_TRUE(WriteTextFile(SettingsPath(), std::string("[DeskTopShow]\r\nKey=") + row.key + "\r\n"));
        }
        std::string got;
        for (int key : held) {
            Hold(key);
            got += Letter(TrayActionFor(WM_LBUTTONUP));
        }
        Hold(VK_CONTROL);
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
        ASSERT_TRUE(WriteTextFile(SettingsPath(), std::string("[DeskTopShow]\r\nKey=") + row.key + "\r\n"));
        Hold(row.vk);
        EXPECT_EQ(row.expected, IsDesktopModifierDown());
    }
}

int g_boxes = 0;
int WINAPI CountMessageBox(HWND, LPCWSTR, LPCWSTR, UINT)
{
    ++g_boxes;
    return IDOK;
}

TEST_F(TrayClick, AClickWhileAFolderMenuIsOpenIsIgnored)
{
    // With no items folder a launcher click ends at the missing-folder message, before
    // any menu is tracked: the message shows whether a build was started.
    RemoveTree(ItemsDir());
    g_platform.MessageBoxW = CountMessageBox;
    g_boxes = 0;
    HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Hold(0);
    g_launcher.folderMenuOpen = true;
    EXPECT_EQ(0, OnTrayNotify(window, 1, WM_LBUTTONUP));
    EXPECT_EQ(0, g_boxes);
    EXPECT_TRUE(g_launcher.folderMenuOpen);
    g_launcher.folderMenuOpen = false;
    EXPECT_EQ(0, OnTrayNotify(window, 1, WM_LBUTTONUP));
    EXPECT_EQ(1, g_boxes);
    EXPECT_FALSE(g_launcher.folderMenuOpen) << "the guard stays up after the click";
    EXPECT_EQ(nullptr, g_launcher.recordListHead);
    DestroyWindow(window);
    g_platform = RealPlatformCalls();
}

// The launcher built ahead of the click, on its own thread, with a real items folder and the
// program's own message loop.
class BuildAhead : public testing::Test {
protected:
    IMalloc* allocator = nullptr;
    HMENU resource = nullptr;
    void SetUp() override
    {
        DeleteFileA(SettingsPath().c_str());
        RemoveTree(ItemsDir());
        CreateDirectoryA(ItemsDir().c_str(), nullptr);
        for (const char* name : {"one.txt", "two.ini", "three.bat"})
            ASSERT_TRUE(WriteTextFile(ItemsDir() + "\\" + name, "x"));
        ASSERT_EQ(S_OK, SHGetMalloc(&allocator));
        resource = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU));
        g_app.mainTrayMenu = GetSubMenu(resource, 0);
        Hold(0);
    }
    void TearDown() override
    {
        EXPECT_TRUE(owner.Step([] { return !LauncherBuildRunning() && LauncherQuietWait() == INFINITE; }));
        FreeKeptMenu(allocator, true);
        allocator->Release();
        DestroyMenu(resource);
        g_app.mainTrayMenu = nullptr;
        RemoveTree(ItemsDir());
    }
    // Until the build under way (if any) is kept and no change waits for a quiet time.
    bool Settle() { return owner.Step([] { return !LauncherBuildRunning() && LauncherQuietWait() == INFINITE; }); }
    LauncherOwner owner;
};

TEST_F(BuildAhead, TheFirstClickFindsTheLauncherBuilt)
{
    ASSERT_TRUE(Settle());
    FreeKeptMenu(allocator, true);
    unsigned builds = g_launcher.launcherBuilds;
    StartLauncherBuildAhead(owner.window);
    EXPECT_TRUE(LauncherBuildRunning());
    ASSERT_TRUE(Settle());
    EXPECT_EQ(builds + 1, g_launcher.launcherBuilds);
    ASSERT_NE(nullptr, g_launcher.keptMenu.menu);
    EXPECT_EQ(3, GetMenuItemCount(g_launcher.keptMenu.menu));
    EXPECT_EQ(INFINITE, LauncherQuietWait()) << "a timer while nothing changes";

    OnTrayNotify(owner.window, kTrayIconId, WM_LBUTTONUP);
    EXPECT_EQ(std::vector<HMENU>{g_launcher.keptMenu.menu}, owner.menusOpened);
    EXPECT_EQ(builds + 1, g_launcher.launcherBuilds) << "the click built the launcher again";
}

// While the build ahead waits for an icon, the tray answers at once: a right click opens the
// main menu; a left click is answered with the launcher as soon as the build arrives, and
// is not made to build it a second time.
TEST_F(BuildAhead, ClicksDuringTheBuildAreAnswered)
{
    ASSERT_TRUE(Settle());
    FreeKeptMenu(allocator, true);
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

// Many shortcuts copied in at once cost one build, made once the folder is quiet; after it
// nothing wakes the program.
TEST_F(BuildAhead, ABurstOfChangesCostsOneBuild)
{
    StartLauncherBuildAhead(owner.window);
    ASSERT_TRUE(Settle());
    unsigned builds = g_launcher.launcherBuilds;
    IconFetches fetches;
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(WriteTextFile(ItemsDir() + "\\burst " + std::to_string(i) + ".txt", "x"));
    ASSERT_TRUE(owner.Step([&] { return g_launcher.launcherBuilds != builds; })) << "never built anew";
    ASSERT_TRUE(Settle());
    EXPECT_EQ(builds + 1, g_launcher.launcherBuilds);
    EXPECT_EQ(40, fetches.Count()) << "only the new entries are asked for";
    EXPECT_EQ(INFINITE, LauncherQuietWait());
    EXPECT_EQ(43, GetMenuItemCount(g_launcher.keptMenu.menu));

    // Shown at the next click as built.
    OnTrayNotify(owner.window, kTrayIconId, WM_LBUTTONUP);
    ASSERT_EQ(1u, owner.menusOpened.size());
    EXPECT_EQ(g_launcher.keptMenu.menu, owner.menusOpened[0]);
    EXPECT_EQ(builds + 1, g_launcher.launcherBuilds);
}

// Soak: many menus over a real folder, each measured, drawn and freed.
TEST(LauncherSoak, NothingIsLeftAfterManyMenus)
{
    RemoveTree(ItemsDir());
    DeleteFileA(SettingsPath().c_str());
    CreateDirectoryA(ItemsDir().c_str(), nullptr);
    for (const char* name : {"one.txt", "two.ini", "three.bat"})
        ASSERT_TRUE(WriteTextFile(ItemsDir() + "\\" + name, "x"));
    HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(memory, 200, 20);
    HGDIOBJ old = SelectObject(memory, bitmap);
    IMalloc* allocator = nullptr;
    ASSERT_EQ(S_OK, SHGetMalloc(&allocator));
    LiveCounts before = g_live;
    LiveCounts peak = {};
    GdiCreations gdi;
    size_t icons = 0;
    IconFetches fetches;
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
            dis.hDC = memory;
            dis.rcItem = {0, 0, 200, 20};
            DrawLauncherItem(window, &dis);
        }
        if (g_live.idLists > peak.idLists)
            peak = g_live;
        for (LauncherRecord* r = g_launcher.recordListHead; r; r = r->next)
            icons += r->iconIndex >= 0;
        FreeFolderMenu(menu, head, allocator);
    }
    // Checked through the system, not through the launcher's own counts: every font and
    // brush the menus made is gone, and no icon handle was ever asked for (each entry's icon
    // is an index into the system's image list).
    EXPECT_EQ(2000u * 3, icons) << "every entry had its icon";
    EXPECT_EQ(2000 * 3, fetches.Count());
    EXPECT_EQ(0u, fetches.FlagsSeen() & SHGFI_ICON) << "an icon handle was made";
    EXPECT_FALSE(gdi.fonts.empty()) << "the measures' fonts were seen";
    EXPECT_FALSE(gdi.brushes.empty()) << "the draws' brushes were seen";
    EXPECT_TRUE(gdi.Alive().empty()) << gdi.Alive().size() << " fonts and brushes left";
    EXPECT_EQ(before.idLists + 3, peak.idLists);
    EXPECT_EQ(before.icons, g_live.icons);
    EXPECT_EQ(before.fonts, g_live.fonts);
    EXPECT_EQ(before.brushes, g_live.brushes);
    EXPECT_EQ(before.idLists, g_live.idLists);
    EXPECT_EQ(nullptr, g_launcher.recordListHead);
    allocator->Release();
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    DestroyWindow(window);
    RemoveTree(ItemsDir());
}

}  // namespace

namespace {

UINT g_shellMessage = 0;

LRESULT CALLBACK RecordShellMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kShellIconsChanged)
        g_shellMessage = message;
    return DefWindowProcA(window, message, wParam, lParam);
}

// Changed icons announced by the shell reach the tray window, which then lets the next
// click build the kept launcher menu anew.
TEST(ShellIcons, AnAnnouncedIconChangeMakesTheKeptMenuStale)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RecordShellMessage;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ShellIconsTest";
    ASSERT_TRUE(RegisterClassA(&windowClass));
    HWND window = CreateWindowA("ShellIconsTest", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
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

    g_launcher.keptMenu.stale = false;
    TrayWndProc(nullptr, kShellIconsChanged, 0, 0);
    EXPECT_TRUE(g_launcher.keptMenu.stale);
    g_launcher.keptMenu.stale = false;
}

}  // namespace
