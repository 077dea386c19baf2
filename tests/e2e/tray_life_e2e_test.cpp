// The tray's life in the built exe: hidden, one copy at a time, the icon brought back after the
// shell lost it, and orderly exit.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/tray_window.h"
#include "tray/tray_icon.h"
#include "resources/resource.h"
#include "test_support.h"

namespace {

class TrayLife : public testing::Test {
protected:
    LaunchRecorder recorder;
    MorvekProcess first;
    HWND tray = nullptr;
    void StartFirst(const char* name)
    {
        ASSERT_TRUE(StartWithItems(first, recorder, name, {"only"}));
        tray = first.TrayWindow();
        ASSERT_TRUE(WaitFor([&] { return TrayIconExists(tray); }));
    }
    void ExpectFirstAlive()
    {
        EXPECT_TRUE(first.Running()) << "the first copy ended";
        EXPECT_EQ(tray, first.TrayWindow());
        EXPECT_TRUE(TrayIconExists(tray));
    }
};

// Hidden, with no caption; WM_CLOSE goes to the default processing, destroying the window and the icon.
TEST_F(TrayLife, StartsHiddenAndQuitsOnClose)
{
    ASSERT_NO_FATAL_FAILURE(StartFirst("tray_life_start"));
    EXPECT_FALSE(IsWindowVisible(tray));
    EXPECT_EQ(static_cast<LONG_PTR>(WS_EX_TOOLWINDOW), GetWindowLongPtrA(tray, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(static_cast<LONG_PTR>(WS_POPUP), GetWindowLongPtrA(tray, GWL_STYLE) & WS_POPUP);
    EXPECT_EQ(L"", WindowTextW(tray));
    PostMessageA(tray, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, first.ExitCode());
    EXPECT_FALSE(TrayIconExists(tray));
}

// A name its mutex cannot be made under (another kind of object holds it) counts as another copy too.
TEST_F(TrayLife, ANameItCannotOpenAsItsMutexCountsAsAnotherCopy)
{
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, L"ZUNOMORVEKXX");
    ASSERT_NE(nullptr, held);
    SecondCopySaysSoAndEnds("tray_life_blocked");
    CloseHandle(held);
}

// Started while the launcher menu or a dialog is up, the second copy says so, ends and closes
// neither: the same window is still there and answers, and the launcher works afterwards.
TEST_F(TrayLife, SecondCopyDuringAMenuOrADialogLeavesItWorking)
{
    struct Case {
        UINT command;  // 0: the launcher menu
        const wchar_t* caption;
        int closeButton;
        const char* second;
    } const cases[] = {
        {0, nullptr, 0, "tray_life_menu_second"},
        {IDM_SETTINGS, L"Morvek の設定", IDC_CLOSE, "tray_life_settings_second"},
        {IDM_ADD_SHORTCUT, L"", IDC_DROP_CLOSE, "tray_life_drop_second"},
    };
    ASSERT_NO_FATAL_FAILURE(StartFirst("tray_life_busy"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.second);
        if (c.command)
            PostMessageA(tray, WM_COMMAND, c.command, 0);
        else
            first.Click(WM_LBUTTONUP);
        HWND window = c.command ? first.WaitForDialog(c.caption, c.closeButton) : first.WaitForMenu();
        ASSERT_NE(nullptr, window);
        ASSERT_NO_FATAL_FAILURE(SecondCopySaysSoAndEnds(c.second));
        ExpectFirstAlive();
        EXPECT_TRUE(IsWindow(window) && IsWindowVisible(window)) << "closed by the second copy";
        if (c.command) {
            SendDlgItemMessageA(window, c.closeButton, BM_CLICK, 0, 0);
            EXPECT_TRUE(WaitFor([&] { return !IsWindow(window); }));
        } else {
            ASSERT_EQ(window, first.MenuWindow()) << "the launcher menu was closed by the second copy";
            EXPECT_EQ("", recorder.Launched());
            PostKeys(window, {VK_DOWN, VK_RETURN});
            EXPECT_EQ("only\n", recorder.WaitForLaunches(1));
            EXPECT_TRUE(first.WaitForNoMenu());
        }
    }
    EXPECT_GT(first.LauncherMenuHeight(), 0) << "no launcher menu after the dialogs";
    ExpectFirstAlive();
}

// The shell lost the icon (across sleep, a display change, Explorer's restart): resuming, the display
// changing or the new taskbar's broadcast brings it back, and with the icon there adds no second one.
TEST_F(TrayLife, ResumeADisplayChangeAndATaskbarRestartBringBackADroppedIconOnce)
{
    ASSERT_NO_FATAL_FAILURE(StartFirst("tray_life_resume"));
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
    } cases[] = {
        {"resume", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC},
        {"display change", WM_DISPLAYCHANGE, 32},
        {"taskbar restart", RegisterWindowMessageA("TaskbarCreated"), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(DeleteTrayIcon(tray));
        ASSERT_FALSE(TrayIconExists(tray));
        SendMessageA(tray, c.message, c.wParam, 0);
        EXPECT_TRUE(TrayIconExists(tray)) << "the icon did not come back";
        // Twice more with the icon there: still one icon, gone after one delete.
        SendMessageA(tray, c.message, c.wParam, 0);
        SendMessageA(tray, c.message, c.wParam, 0);
        ASSERT_TRUE(DeleteTrayIcon(tray));
        EXPECT_FALSE(TrayIconExists(tray)) << "a second icon was added";
        EXPECT_FALSE(DeleteTrayIcon(tray));
        SendMessageA(tray, c.message, c.wParam, 0);
        ASSERT_TRUE(TrayIconExists(tray));
    }
    // A suspend announcement is no resume: the dropped icon stays away.
    ASSERT_TRUE(DeleteTrayIcon(tray));
    SendMessageA(tray, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_FALSE(TrayIconExists(tray));
    EXPECT_TRUE(first.Running());
}

}  // namespace
