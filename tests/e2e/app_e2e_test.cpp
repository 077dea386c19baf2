// The built Morvek.exe under Wine: one copy at a time, the hidden tray window, the tray
// icon (also after Explorer restarts) and orderly exit. A second copy is tray_life's.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include "test_support.h"

namespace {

// One copy: hidden, with its tray icon, which a restarted Explorer gets again; WM_CLOSE
// ends it, and with it its mutex.
TEST(App, StartsHiddenKeepsItsIconAndQuitsOnClose)
{
    MorvekProcess morvek;
    ASSERT_TRUE(morvek.StartFresh("app_start"));
    HWND tray = morvek.TrayWindow();
    EXPECT_FALSE(IsWindowVisible(tray));
    EXPECT_EQ(static_cast<LONG_PTR>(WS_EX_TOOLWINDOW), GetWindowLongPtrA(tray, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(static_cast<LONG_PTR>(WS_POPUP), GetWindowLongPtrA(tray, GWL_STYLE) & WS_POPUP);
    EXPECT_EQ(L"", WindowTextW(tray));
    ASSERT_TRUE(WaitFor([&] { return TrayIconExists(tray); }));
    // What a restarted Explorer sees: no icons. Then its broadcast.
    ASSERT_TRUE(DeleteTrayIcon(tray));
    ASSERT_FALSE(TrayIconExists(tray));
    SendMessageA(tray, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitFor([&] { return TrayIconExists(tray); }));
    // WM_CLOSE goes to the default processing: the window is destroyed, the icon removed.
    PostMessageA(tray, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, morvek.ExitCode());
    EXPECT_FALSE(TrayIconExists(tray));
    MorvekProcess again;
    ASSERT_TRUE(again.StartFresh("app_start_again"));
    PostMessageA(again.TrayWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, again.ExitCode());
}

TEST(App, ANameItCannotOpenAsItsMutexCountsAsAnotherCopy)
{
    // Creating the mutex gives no handle at all: here another kind of object holds the name.
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, L"ZUNOMORVEKXX");
    ASSERT_NE(nullptr, held);
    MorvekProcess blocked;
    HWND box = nullptr;
    EXPECT_TRUE(blocked.Start(MakeScratchDir("app_blocked")) && WaitFor([&] {
        return (box = blocked.Dialog(L"Morvek Error")) != nullptr || blocked.TrayWindow() != nullptr;
    }));
    EXPECT_EQ(nullptr, blocked.TrayWindow()) << "a second copy started";
    EXPECT_NE(nullptr, box) << "no box";
    if (box) {
        EXPECT_EQ(L"すでに起動しています．", MessageBoxTextOf(box));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(0u, blocked.ExitCode());
    }
    blocked.Stop();
    CloseHandle(held);
}

}  // namespace
