// The built Morvek.exe under Wine: the main menu's commands open the settings dialog and
// the drop dialog, driven through their buttons as a person would.
#include <gtest/gtest.h>
#include <windows.h>

#include "test_support.h"

namespace {

constexpr UINT kCommandSettings = 40023;
constexpr UINT kCommandAddShortcut = 40025;

struct CountArgs {
    DWORD processId;
    const wchar_t* caption;
    int count;
};

BOOL CALLBACK CountProc(HWND window, LPARAM param)
{
    auto* args = reinterpret_cast<CountArgs*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (pid == args->processId && lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(window) &&
        WindowTextW(window) == args->caption)
        ++args->count;
    return TRUE;
}

// Visible dialogs ("#32770") of the process with this caption.
int CountDialogs(DWORD processId, const wchar_t* caption)
{
    CountArgs args = {processId, caption, 0};
    EnumWindows(CountProc, reinterpret_cast<LPARAM>(&args));
    return args.count;
}

void ExpectCentredOnDesktop(HWND window)
{
    RECT desktop, own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    EXPECT_EQ((desktop.right - (own.right - own.left)) / 2, own.left);
    EXPECT_EQ((desktop.bottom - (own.bottom - own.top)) / 2, own.top);
}

TEST(DialogsE2E, SettingsDialogSavesBesideTheExeAndCloses)
{
    MorvekProcess morvek;
    ASSERT_TRUE(morvek.Start(MakeScratchDir("dialogs_settings")));
    ASSERT_TRUE(morvek.WaitForTrayWindow());
    HWND tray = morvek.TrayWindow();
    std::string settings = morvek.dir + "\\setting1.ini";

    PostMessageA(tray, WM_COMMAND, kCommandSettings, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        dialog = FindTopWindow(L"#32770", L"Morvek の設定", morvek.info.dwProcessId);
        return dialog && IsWindowVisible(dialog);
    }));
    ExpectCentredOnDesktop(dialog);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, 1006));

    // A second command while it is open brings it forward and returns: no second dialog.
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(tray, WM_COMMAND, kCommandSettings, 0, SMTO_NORMAL, 10000, &result))
        << "the second command opened a dialog of its own";
    EXPECT_EQ(1, CountDialogs(morvek.info.dwProcessId, L"Morvek の設定"));

    SendDlgItemMessageA(dialog, 1006, BM_CLICK, 0, 0);
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, 1006));
    EXPECT_FALSE(FileExists(settings));
    SendDlgItemMessageA(dialog, 1017, BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    EXPECT_EQ(0u, GetPrivateProfileIntA("Icon", "IconShow", 0xdead, settings.c_str()));
    EXPECT_EQ(1u, GetPrivateProfileIntA("MyComputer", "FolderView", 0xdead, settings.c_str()));
    EXPECT_EQ(0u, GetPrivateProfileIntA("DeskTopShow", "Key", 0xdead, settings.c_str()));

    // Closed, it opens again on the next command, showing what was saved.
    PostMessageA(tray, WM_COMMAND, kCommandSettings, 0);
    ASSERT_TRUE(WaitFor([&] {
        dialog = FindTopWindow(L"#32770", L"Morvek の設定", morvek.info.dwProcessId);
        return dialog && IsWindowVisible(dialog);
    }));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, 1006));
    SendDlgItemMessageA(dialog, 1013, BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));

    DWORD code = 0;
    EXPECT_FALSE(morvek.WaitForExit(0, &code)) << "Morvek ended";
}

TEST(DialogsE2E, DropDialogOpensCentredAndItsButtonClosesIt)
{
    MorvekProcess morvek;
    ASSERT_TRUE(morvek.Start(MakeScratchDir("dialogs_drop")));
    ASSERT_TRUE(morvek.WaitForTrayWindow());
    HWND tray = morvek.TrayWindow();

    PostMessageA(tray, WM_COMMAND, kCommandAddShortcut, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        dialog = FindTopWindow(L"#32770", L"", morvek.info.dwProcessId);
        return dialog && IsWindowVisible(dialog) && GetDlgItem(dialog, 1018);
    }));
    ExpectCentredOnDesktop(dialog);
    EXPECT_EQ(L"このダイアログを閉じる", WindowTextW(GetDlgItem(dialog, 8)));

    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(tray, WM_COMMAND, kCommandAddShortcut, 0, SMTO_NORMAL, 10000, &result))
        << "the second command opened a dialog of its own";
    EXPECT_EQ(1, CountDialogs(morvek.info.dwProcessId, L""));

    SendDlgItemMessageA(dialog, 8, BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    DWORD code = 0;
    EXPECT_FALSE(morvek.WaitForExit(0, &code)) << "Morvek ended";
}

}  // namespace
