// The built exe in hostile places: an exe path near 260 bytes, and a folder whose name ends in a
// double-byte character with trail byte 0x5C, holding a shortcut whose target is gone.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

constexpr UINT kQuitCommand = 40003;
const wchar_t kMissingFolderText[] = L"BindToObject Error\nitemsフォルダの有無を確認してください";

// A fresh scratch folder whose deep contents an earlier run may have left behind.
std::string MakeLongScratchDir(const std::string& name)
{
    RemoveTree(L"\\\\?\\" + Wide(std::string(MORVEK_TEST_TMP) + "\\" + name));
    return MakeScratchDir(name);
}

// A folder path of exactly `length` bytes under base, in pieces of at most 100, made on the way.
std::string MakeDeepDir(const std::string& base, size_t length)
{
    std::string path = base;
    while (path.size() < length) {
        size_t left = length - path.size() - 1;  // after the backslash
        size_t take = left > 100 ? 100 : left;
        if (left > 100 && left - 100 < 2)
            take = 90;  // never leave a piece too short for a backslash and a name
        path += "\\" + std::string(take, 'd');
        // The long form: a folder path over 248 bytes is refused in the short one.
        CreateDirectoryW(Wide("\\\\?\\" + path).c_str(), nullptr);
    }
    return path;
}

class HostileE2E : public testing::Test {
protected:
    MorvekProcess morvek;
    LaunchRecorder recorder;
    HWND tray = nullptr;
    void TearDown() override { morvek.Stop(); }
    // The built exe (or builtExe) copied to exePath and started in workingDir; its tray window.
    void StartAt(const std::string& exePath, const std::string& workingDir, const char* builtExe = BuiltMorvek())
    {
        ASSERT_TRUE(morvek.StartAt(exePath, workingDir, builtExe));
        ASSERT_TRUE(morvek.WaitForTrayWindow()) << "no tray window";
        tray = morvek.TrayWindow();
    }
    // A left click shows the launcher menu (closing any box the shell left open); picks entry
    // index (from 0).
    void LaunchEntry(size_t index)
    {
        morvek.Click(WM_LBUTTONUP);
        HWND menu = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            HWND other = morvek.Dialog(nullptr);
            if (other) {
                ADD_FAILURE() << "a box is open: " << Ansi(WindowTextW(other)) << ": "
                              << Ansi(MessageBoxTextOf(other));
                PostMessageA(other, WM_COMMAND, IDOK, 0);
            }
            return (menu = morvek.MenuWindow()) != nullptr;
        })) << "no launcher menu";
        for (size_t i = 0; i <= index; ++i)
            PostKeys(menu, {VK_DOWN});
        PostKeys(menu, {VK_RETURN});
        ASSERT_TRUE(morvek.WaitForNoMenu());
    }
};

// A path that would not fit is refused, never cut (the limit itself is paths_test's). An exe of
// one byte's name at 259 bytes: items (263) and setting1.ini (270) do not fit, giving the
// missing-folder message; neither the cut names ("i", "s") nor the working folder's are used.
TEST_F(HostileE2E, AnExePathNear260BytesStartsAndRefusesPathsThatWouldNotFit)
{
    std::string base = MakeLongScratchDir("hostile_deep");
    std::string work = base + "\\work";
    ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((work + "\\items").c_str(), nullptr));
    ASSERT_EQ(S_OK, MakeShortcut(work + "\\items\\w.lnk", recorder.Exe(), "working folder"));
    ASSERT_TRUE(WriteTextFile(work + "\\setting1.ini", "[EXIT]\r\nMessage=1\r\n"));
    std::string dir = MakeDeepDir(base, 257);
    std::string exe = dir + "\\m";
    ASSERT_EQ(259u, exe.size());
    ASSERT_TRUE(CreateDirectoryW(Wide("\\\\?\\" + dir + "\\i").c_str(), nullptr));
    ASSERT_EQ(S_OK, MakeShortcut("\\\\?\\" + dir + "\\i\\c.lnk", recorder.Exe(), "cut"));
    ASSERT_TRUE(WriteTextFile(dir + "\\s", "[EXIT]\r\nMessage=1\r\n"));
    ASSERT_NO_FATAL_FAILURE(StartAt(exe, work));
    morvek.Click(WM_LBUTTONUP);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        return (box = morvek.Dialog(L"Morvek Error")) != nullptr || morvek.MenuWindow() != nullptr;
    }));
    ASSERT_NE(nullptr, box) << "a menu instead of the missing-folder message";
    EXPECT_EQ(kMissingFolderText, MessageBoxTextOf(box));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_EQ("", recorder.Launched());
    // Quit ends the program at once, with no question: "Message" was not read as set.
    PostMessageA(tray, WM_COMMAND, kQuitCommand, 0);
    EXPECT_EQ(0u, morvek.ExitCode()) << "quit asked first: another settings file was read";
    EXPECT_EQ(nullptr, morvek.Dialog(L"確認 by Morvek"));
    morvek.Stop();
    MakeLongScratchDir("hostile_deep");
}

// In a folder named "表" (0x95 0x5C in Shift-JIS) the build without the UTF-8 manifest entry
// finds its settings and items inside it, not siblings named "表setting1.ini" or "表items".
// One of the items is a shortcut whose target is gone: it opens nothing and Morvek goes on.
TEST_F(HostileE2E, AFolderEndingInATrailByteOf5CIsItsOwnHomeAndAGoneTargetOpensNothing)
{
    ASSERT_EQ(932u, GetACP()) << "needs the Shift-JIS code page";
    std::string base = MakeScratchDir("hostile_dbcs");
    const std::string hyo = "\x95\x5C";  // 表
    std::string dir = base + "\\" + hyo;
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    ASSERT_EQ(L"表", Wide(hyo));
    ASSERT_TRUE(CreateDirectoryA((dir + "\\items").c_str(), nullptr));
    ASSERT_EQ(S_OK, MakeShortcut(dir + "\\items\\in.lnk", recorder.Exe(), "inside"));
    std::string goneTarget = recorder.dir + "\\gone.exe";
    ASSERT_TRUE(CopyFileA(MORVEK_RECORDER_PATH, goneTarget.c_str(), FALSE));
    ASSERT_EQ(S_OK, MakeShortcut(dir + "\\items\\gone.lnk", goneTarget, "gone"));
    ASSERT_TRUE(DeleteFileA(goneTarget.c_str()));
    ASSERT_TRUE(WriteTextFile(dir + "\\setting1.ini", "[Exit]\r\nMessage=1\r\n"));
    ASSERT_TRUE(CreateDirectoryA((base + "\\" + hyo + "items").c_str(), nullptr));
    ASSERT_EQ(S_OK, MakeShortcut(base + "\\" + hyo + "items\\out.lnk", recorder.Exe(), "sibling"));
    ASSERT_TRUE(WriteTextFile(base + "\\" + hyo + "setting1.ini", "[Exit]\r\nMessage=0\r\n"));
    std::vector<std::string> order = ShellOrder(dir + "\\items");
    ASSERT_EQ(2u, order.size());
    size_t gone = order[0].rfind("gone", 0) == 0 ? 0 : 1;
    ASSERT_EQ(0u, order[gone].rfind("gone", 0)) << order[0] << ", " << order[1];
    ASSERT_NO_FATAL_FAILURE(StartAt(dir + "\\Morvek.exe", base, MORVEK_SYSTEM_CP_EXE_PATH));
    ASSERT_NO_FATAL_FAILURE(LaunchEntry(gone));
    // Opening nothing, the shell may say so in boxes of its own inside the launch: closed
    // until the click has ended. Morvek runs on, and the next entry chosen opens.
    std::vector<std::wstring> shellSaid;
    ASSERT_TRUE(WaitFor([&] {
        HWND box = morvek.Dialog(nullptr);
        if (box) {
            shellSaid.push_back(MessageBoxTextOf(box));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            WaitFor([&] { return !IsWindow(box); });
            return false;
        }
        return !morvek.ClickGoingOn();
    }, 20000)) << "the click on the gone entry never ended";
    for (const std::wstring& text : shellSaid)
        std::printf("the shell said: %s\n", Ansi(text).c_str());
    ASSERT_NO_FATAL_FAILURE(LaunchEntry(1 - gone));
    EXPECT_EQ("inside\n", recorder.WaitForLaunches(1)) << "the entry was not opened";
    EXPECT_TRUE(morvek.Running()) << "Morvek ended with " << morvek.ExitCode(0);
    // The settings file inside the folder asks before quitting.
    PostMessageA(tray, WM_COMMAND, kQuitCommand, 0);
    HWND box = morvek.WaitForDialog(L"確認 by Morvek");
    ASSERT_NE(nullptr, box) << "no question: the settings were not read from the folder";
    EXPECT_EQ(L"Morvekを終了しますか？", MessageBoxTextOf(box));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0u, morvek.ExitCode());
}

}  // namespace
