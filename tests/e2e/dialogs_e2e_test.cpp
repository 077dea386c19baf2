// The built Morvek.exe under Wine: the dialogs and the Explorer command opened from the menu,
// the dialogs driven through their buttons, and files dropped from the desktop. Runs under UTF-8.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

constexpr UINT kCommandQuit = 40003;
constexpr UINT kCommandExplorer = 40017;
constexpr UINT kCommandSettings = 40023;
constexpr UINT kCommandAddShortcut = 40025;

// The name the shell shows for a special folder, as a folder window's caption.
std::wstring FolderDisplayName(int csidl)
{
    LPITEMIDLIST list = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, csidl, &list) != S_OK)
        return L"";
    SHFILEINFOW info = {};
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list), 0, &info, sizeof(info), SHGFI_PIDL | SHGFI_DISPLAYNAME);
    CoTaskMemFree(list);
    return info.szDisplayName;
}

// Each dialog opens once however often its command comes, and Explorer opens Documents; quit
// then asks nothing ("Message" saved as 0).
TEST(DialogsE2E, TheMenuCommandsOpenTheirWindowsOnceAndQuitNeedsNoAnswer)
{
    std::wstring documents = FolderDisplayName(CSIDL_PERSONAL);
    ASSERT_NE(L"", documents);
    ASSERT_EQ(nullptr, FindTopWindow(L"ExplorerWClass", documents.c_str()));
    MorvekProcess morvek;
    ASSERT_TRUE(morvek.StartFresh("dialogs_settings"));
    HWND tray = morvek.TrayWindow();
    std::string settings = morvek.dir + "\\setting1.ini";
    PostMessageA(tray, WM_COMMAND, kCommandSettings, 0);
    HWND dialog = morvek.WaitForDialog(L"Morvek の設定");
    ASSERT_NE(nullptr, dialog);
    ExpectCentredOnDesktop(dialog);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, 1006));
    // A second command while it is open brings it forward and returns: no second dialog.
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(tray, WM_COMMAND, kCommandSettings, 0, SMTO_NORMAL, 10000, &result))
        << "the second command opened a dialog of its own";
    EXPECT_EQ(1, CountVisibleWindows(L"#32770", morvek.info.dwProcessId, L"Morvek の設定"));
    SendDlgItemMessageA(dialog, 1006, BM_CLICK, 0, 0);
    EXPECT_FALSE(FileExists(settings));
    // Save and close (what each box writes, and shows again, is tested in-process).
    SendDlgItemMessageA(dialog, 1017, BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    EXPECT_EQ(0u, GetPrivateProfileIntA("Icon", "IconShow", 0xdead, settings.c_str()));
    // The drop dialog likewise: once, closed by its button.
    PostMessageA(tray, WM_COMMAND, kCommandAddShortcut, 0);
    dialog = morvek.WaitForDialog(L"", 1018);
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(SendMessageTimeoutA(tray, WM_COMMAND, kCommandAddShortcut, 0, SMTO_NORMAL, 10000, &result))
        << "the second command opened a dialog of its own";
    EXPECT_EQ(1, CountVisibleWindows(L"#32770", morvek.info.dwProcessId, L""));
    SendDlgItemMessageA(dialog, 8, BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    PostMessageA(tray, WM_COMMAND, kCommandExplorer, 0);
    HWND folder = nullptr;
    EXPECT_TRUE(WaitFor([&] {
        folder = FindTopWindow(L"ExplorerWClass", documents.c_str());
        return folder != nullptr && IsWindowVisible(folder);
    }));
    if (folder) {
        PostMessageA(folder, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(folder); }));
    }
    EXPECT_TRUE(morvek.Running()) << "Morvek ended";
    PostMessageA(tray, WM_COMMAND, kCommandQuit, 0);
    EXPECT_EQ(0u, morvek.ExitCode());
}

// The Unix path of a path on Wine's drive Z: (the test area is there).
std::string UnixPath(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path.substr(2);
}

// Morvek started in dir with its drop dialog open, and files dropped on it as
// a Linux file manager drops them (XDND, which Wine turns into WM_DROPFILES); each box the
// drop shows is closed in turn, and their captions come back in order.
std::vector<std::wstring> DropFromDesktop(MorvekProcess& morvek, const std::string& dir,
                                          const std::vector<std::string>& files)
{
    std::vector<std::wstring> boxes;
    EXPECT_TRUE(morvek.Start(dir, BuiltMorvek()));
    EXPECT_TRUE(morvek.WaitForTrayWindow());
    PostMessageA(morvek.TrayWindow(), WM_COMMAND, kCommandAddShortcut, 0);
    HWND dialog = morvek.WaitForDialog(L"", 1018);
    EXPECT_NE(nullptr, dialog);
    auto xWindow = reinterpret_cast<ULONG_PTR>(GetPropA(dialog, "__wine_x11_whole_window"));
    if (!xWindow) {
        ADD_FAILURE() << "the dialog has no X window";
        return boxes;
    }
    std::string commandLine = std::string("\"") + MORVEK_XDND_PATH + "\" " + std::to_string(xWindow);
    for (const std::string& file : files)
        commandLine += " \"" + UnixPath(file) + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION dropper = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &dropper)) {
        ADD_FAILURE() << "the drop helper did not start: " << GetLastError();
        return boxes;
    }
    CloseHandle(dropper.hThread);
    CloseHandle(dropper.hProcess);
    EXPECT_TRUE(WaitFor([&] {
        for (const wchar_t* caption : {L"Morevk からのメッセージ", L"失敗"}) {
            HWND box = morvek.Dialog(caption);
            if (box && !MessageBoxTextOf(box).empty()) {
                boxes.push_back(caption);
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                WaitFor([&] { return !IsWindow(box); });
            }
        }
        return boxes.size() == files.size();
    }, 30000)) << boxes.size() << " boxes";
    return boxes;
}

// Names from outside any one code page, and a file inside a folder so named, each become a
// shortcut of its own name whose target is that file (refused under 932: hostile_names_test).
TEST(DialogsE2E, DroppedFilesOfAnyNameBecomeShortcutsToThem)
{
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), GetACP()) << "this program carries the UTF-8 manifest";
    std::string dir = MakeScratchDir("dialogs_drop_world");
    ASSERT_TRUE(CreateDirectoryA((dir + "\\items").c_str(), nullptr));
    std::string folder = dir + "\\" + Ansi(L"Ünïcödé 한국 表");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    std::vector<std::string> files = {dir + "\\" + Ansi(L"Café.txt"), dir + "\\" + Ansi(L"한국어.txt"),
                                      folder + "\\inside.txt"};
    const wchar_t* const shortcuts[] = {L"Café.lnk", L"한국어.lnk", L"inside.lnk"};
    for (const std::string& file : files)
        ASSERT_TRUE(WriteTextFile(file, "x"));
    MorvekProcess morvek;
    std::vector<std::wstring> boxes = DropFromDesktop(morvek, dir, files);
    EXPECT_EQ(std::vector<std::wstring>(3, L"Morevk からのメッセージ"), boxes);
    CoInitialize(nullptr);
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(Ansi(shortcuts[i]));
        EXPECT_EQ(files[i], ShortcutTarget(dir + "\\items\\" + Ansi(shortcuts[i])));
    }
    CoUninitialize();
    EXPECT_TRUE(morvek.Running()) << "Morvek ended";
}

}  // namespace
