// The built Morvek.exe under Wine: the settings and drop dialogs opened by their commands and
// driven through their buttons, and files dropped from the desktop. Runs under UTF-8.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shobjidl.h>
#include <shlobj.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

constexpr UINT kCommandSettings = 40023;
constexpr UINT kCommandAddShortcut = 40025;

void ExpectCentredOnDesktop(HWND window)
{
    RECT desktop, own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    EXPECT_EQ((desktop.right - (own.right - own.left)) / 2, own.left);
    EXPECT_EQ((desktop.bottom - (own.bottom - own.top)) / 2, own.top);
}

TEST(DialogsE2E, SettingsDialogSavesBesideTheExeAndBothDialogsOpenOnceAndClose)
{
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
    // The drop dialog likewise: centred, once, closed by its button.
    PostMessageA(tray, WM_COMMAND, kCommandAddShortcut, 0);
    dialog = morvek.WaitForDialog(L"", 1018);
    ASSERT_NE(nullptr, dialog);
    ExpectCentredOnDesktop(dialog);
    ASSERT_TRUE(SendMessageTimeoutA(tray, WM_COMMAND, kCommandAddShortcut, 0, SMTO_NORMAL, 10000, &result))
        << "the second command opened a dialog of its own";
    EXPECT_EQ(1, CountVisibleWindows(L"#32770", morvek.info.dwProcessId, L""));
    SendDlgItemMessageA(dialog, 8, BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    EXPECT_TRUE(morvek.Running()) << "Morvek ended";
}

// The Unix path of a path on Wine's drive Z: (the test area is there).
std::string UnixPath(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path.substr(2);
}

// Morvek started in dir (from builtExe) with its drop dialog open, and files dropped on it as
// a Linux file manager drops them (XDND, which Wine turns into WM_DROPFILES); each box the
// drop shows is closed in turn, and their captions come back in order.
std::vector<std::wstring> DropFromDesktop(MorvekProcess& morvek, const std::string& dir, const char* builtExe,
                                          const std::vector<std::string>& files)
{
    std::vector<std::wstring> boxes;
    EXPECT_TRUE(morvek.Start(dir, builtExe));
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

// Names from outside any one code page, and a file inside a folder so named, each become
// a shortcut of its own name whose target is that file.
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
    std::vector<std::wstring> boxes = DropFromDesktop(morvek, dir, BuiltMorvek(), files);
    EXPECT_EQ(std::vector<std::wstring>(3, L"Morevk からのメッセージ"), boxes);
    CoInitialize(nullptr);
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(Ansi(shortcuts[i]));
        EXPECT_EQ(files[i], ShortcutTarget(dir + "\\items\\" + Ansi(shortcuts[i])));
    }
    CoUninitialize();
    EXPECT_TRUE(morvek.Running()) << "Morvek ended";
}

// On a system that runs Morvek under code page 932, a name the code page cannot hold gets
// the failure box and no shortcut (never one to "Cafe" or "Caf?"); the next file is made.
TEST(DialogsE2E, OnAnOlderSystemANameTheCodePageLacksIsRefused)
{
    std::string dir = MakeScratchDir("dialogs_drop_older");
    ASSERT_TRUE(CreateDirectoryA((dir + "\\items").c_str(), nullptr));
    std::vector<std::string> files = {dir + "\\" + Ansi(L"Café.txt"), dir + "\\" + Ansi(L"한국어.txt"),
                                      dir + "\\" + Ansi(L"表.txt")};
    for (const std::string& file : files)
        ASSERT_TRUE(WriteTextFile(file, "x"));
    MorvekProcess morvek;
    std::vector<std::wstring> boxes = DropFromDesktop(morvek, dir, MORVEK_SYSTEM_CP_EXE_PATH, files);
    EXPECT_EQ((std::vector<std::wstring>{L"失敗", L"失敗", L"Morevk からのメッセージ"}), boxes);
    EXPECT_EQ(std::set<std::wstring>{L"表.lnk"}, FilesIn(Wide(dir + "\\items")));
    // The target through the link's item-ID list: the raw path Wine saves is in the
    // writer's code page (932), which this UTF-8 program would misread.
    CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    LPITEMIDLIST list = nullptr;
    wchar_t target[MAX_PATH] = L"\xdead";
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     reinterpret_cast<void**>(&link)));
    ASSERT_EQ(S_OK, link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    ASSERT_EQ(S_OK, file->Load(Wide(dir + "\\items\\" + Ansi(L"表.lnk")).c_str(), STGM_READ));
    ASSERT_EQ(S_OK, link->GetIDList(&list));
    EXPECT_TRUE(SHGetPathFromIDListW(list, target));
    EXPECT_EQ(Wide(files[2]), target);
    CoTaskMemFree(list);
    file->Release();
    link->Release();
    CoUninitialize();
}

}  // namespace
