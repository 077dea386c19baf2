// A second copy of the built exe started while the first is busy with a launcher menu or
// a dialog: it says so and ends, and the first carries on as if nothing had happened.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/tray_window.h"
#include "tray/tray_icon.h"
#include "resources/resource.h"
#include "test_support.h"

namespace {

bool TrayIconExists(HWND window)
{
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = kTrayIconId;
    return Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
}

class TrayLife : public testing::Test {
protected:
    std::string dir;
    MorvekProcess first;
    HWND tray = nullptr;

    std::string Launched() { return ReadTextFile(dir + "\\launched.txt"); }

    void StartFirst(const char* name)
    {
        dir = MakeScratchDir(name);
        std::string recorder = dir + "\\recorder.exe";
        ASSERT_TRUE(CopyFileA(MORVEK_RECORDER_PATH, recorder.c_str(), FALSE));
        ASSERT_TRUE(CreateDirectoryA((dir + "\\items").c_str(), nullptr));
        ASSERT_EQ(S_OK, MakeShortcut(dir + "\\items\\only.lnk", recorder, "only"));
        ASSERT_TRUE(first.Start(dir));
        ASSERT_TRUE(first.WaitForTrayWindow());
        tray = first.TrayWindow();
        ASSERT_TRUE(WaitFor([&] { return TrayIconExists(tray); }));
    }

    HWND MenuWindow()
    {
        HWND menu = FindTopWindow(L"#32768", nullptr, first.info.dwProcessId);
        return menu && IsWindowVisible(menu) ? menu : nullptr;
    }

    // Starts a second copy in a folder of its own, checks its box, answers it and checks
    // that it ended with 0 without a tray window of its own.
    void SecondCopySaysSoAndEnds(const char* name)
    {
        MorvekProcess second;
        ASSERT_TRUE(second.Start(MakeScratchDir(name)));
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            box = FindTopWindow(L"#32770", L"Morvek Error", second.info.dwProcessId);
            // The box exists before its text is set; it is shown once it is complete.
            return box != nullptr && IsWindowVisible(box);
        })) << "the second copy showed no box";
        EXPECT_EQ(L"すでに起動しています．", MessageBoxTextOf(box));
        EXPECT_EQ(nullptr, second.TrayWindow());
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        DWORD code = 0xdeadbeef;
        ASSERT_TRUE(second.WaitForExit(10000, &code));
        EXPECT_EQ(0u, code);
    }

    void ExpectFirstAlive()
    {
        DWORD code = 0;
        EXPECT_FALSE(first.WaitForExit(0, &code)) << "the first copy ended";
        EXPECT_EQ(tray, first.TrayWindow());
        EXPECT_TRUE(TrayIconExists(tray));
    }
};

TEST_F(TrayLife, SecondCopyDuringALauncherMenuLeavesTheMenuWorking)
{
    ASSERT_NO_FATAL_FAILURE(StartFirst("tray_life_menu"));
    PostMessageA(tray, kTrayCallbackMessage, kTrayIconId, WM_LBUTTONUP);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = MenuWindow()) != nullptr; }));

    ASSERT_NO_FATAL_FAILURE(SecondCopySaysSoAndEnds("tray_life_menu_second"));
    ExpectFirstAlive();

    // The same menu is still up and still answers its keys: its entry launches.
    ASSERT_EQ(menu, MenuWindow()) << "the launcher menu was closed by the second copy";
    EXPECT_EQ("", Launched());
    PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 1);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_TRUE(WaitFor([&] { return Launched() == "only\n"; }, 15000)) << "launched: " << Launched();
    EXPECT_TRUE(WaitFor([&] { return MenuWindow() == nullptr; }));
}

TEST_F(TrayLife, SecondCopyDuringADialogLeavesTheDialogWorking)
{
    struct Case {
        UINT command;
        const wchar_t* caption;
        int closeButton;
    };
    const Case cases[] = {
        {IDM_SETTINGS, L"Morvek の設定", IDC_CLOSE},
        {IDM_ADD_SHORTCUT, L"", IDC_DROP_CLOSE},
    };
    ASSERT_NO_FATAL_FAILURE(StartFirst("tray_life_dialog"));
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        PostMessageA(tray, WM_COMMAND, c.command, 0);
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            dialog = FindTopWindow(L"#32770", c.caption, first.info.dwProcessId);
            return dialog && IsWindowVisible(dialog) && GetDlgItem(dialog, c.closeButton);
        }));

        ASSERT_NO_FATAL_FAILURE(SecondCopySaysSoAndEnds(round++ ? "tray_life_drop_second" : "tray_life_settings_second"));
        ExpectFirstAlive();

        // The dialog is still there and its button still closes it.
        EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog)) << "the dialog went away";
        SendDlgItemMessageA(dialog, c.closeButton, BM_CLICK, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    }

    // And the launcher still works afterwards.
    PostMessageA(tray, kTrayCallbackMessage, kTrayIconId, WM_LBUTTONUP);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = MenuWindow()) != nullptr; }));
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_TRUE(WaitFor([&] { return MenuWindow() == nullptr; }));
    ExpectFirstAlive();
}

bool DeleteTrayIcon(HWND window)
{
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = kTrayIconId;
    return Shell_NotifyIconA(NIM_DELETE, &record) != FALSE;
}

// The shell lost the icon (as it may across sleep or a display change): resuming or the
// display changing brings it back, and with the icon still there adds no second one.
TEST_F(TrayLife, ResumeAndADisplayChangeBringBackADroppedIconOnce)
{
    ASSERT_NO_FATAL_FAILURE(StartFirst("tray_life_resume"));
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
    } cases[] = {
        {"resume", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC},
        {"display change", WM_DISPLAYCHANGE, 32},
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

    // The launcher still opens its entry afterwards.
    SendMessageA(tray, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    PostMessageA(tray, kTrayCallbackMessage, kTrayIconId, WM_LBUTTONUP);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = MenuWindow()) != nullptr; }));
    PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 1);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_TRUE(WaitFor([&] { return Launched() == "only\n"; }, 15000)) << "launched: " << Launched();
    ExpectFirstAlive();
}

}  // namespace
