// Soak of the built exe under Wine: launcher menus over 100 shortcuts, each with the desktop list and
// both dialogs between them; leaks judged by the private memory per click and the live counts.
// MORVEK_SOAK_CYCLES sets the clicks (least 350); the memory goes to memory.csv in the test's folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "test_support.h"

namespace {

constexpr int kEntries = 100;
constexpr int kWarmUpCycles = 50;   // both dialogs open at each: the heap settles early
constexpr int kDialogEvery = 10;    // after warm-up each dialog opens once every this many clicks
constexpr int kLaunchEvery = 10;    // one click in this many launches an entry
constexpr int kStretches = 3;
constexpr int kLeastStretch = 100;  // clicks
constexpr const char* kCountNames[] = {"icons", "fonts", "brushes", "item-ID lists", "", "folder submenus"};
constexpr WPARAM kCounts[] = {0, 1, 2, 3, 5};  // the live counts judged (4 says whether a menu is open)

// The bound on leaks, per click after warm-up. Private memory moves in pages, now and then
// by a few with no leak as the heap settles (0 to 12 KB in a stretch of 100 clicks, never in
// every stretch); a steady leak grows every stretch alike, so the least growth is judged. A
// leak of 256 bytes per click grew by 28 KB in every stretch and failed.
constexpr long long kBytesPerClick = 128;

int SoakCycles()
{
    const char* text = getenv("MORVEK_SOAK_CYCLES");
    int cycles = text ? atoi(text) : 0;
    return std::max(cycles, kWarmUpCycles + kStretches * kLeastStretch);
}

class Soak : public testing::Test {
protected:
    std::string dir;
    LaunchRecorder recorder;
    MorvekProcess morvek;
    // Under Wine the user's desktop is the Linux home, where other programs write at any time:
    // the soak's desktop list shows a scratch folder instead.
    static constexpr wchar_t kShellFolders[] =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    std::vector<BYTE> savedDesktop;
    void SetDesktop(const void* value, DWORD size)
    {
        EXPECT_EQ(ERROR_SUCCESS,
                  RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Desktop", REG_EXPAND_SZ, value, size));
    }
    void TearDown() override
    {
        if (!savedDesktop.empty())
            SetDesktop(savedDesktop.data(), static_cast<DWORD>(savedDesktop.size()));
    }
    void SetUp() override
    {
        DWORD size = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, kShellFolders, L"Desktop", RRF_RT_ANY | RRF_NOEXPAND, nullptr, nullptr,
                         &size) == ERROR_SUCCESS) {
            savedDesktop.resize(size);
            RegGetValueW(HKEY_CURRENT_USER, kShellFolders, L"Desktop", RRF_RT_ANY | RRF_NOEXPAND, nullptr,
                         savedDesktop.data(), &size);
        }
        ASSERT_FALSE(savedDesktop.empty()) << "no desktop folder in the registry";
        std::wstring desktop = Wide(MakeScratchDir("soak_e2e_desktop"));
        ASSERT_TRUE(MakeTree(Ansi(desktop), {"on the desktop.txt", "a folder\\"}));
        SetDesktop(desktop.c_str(), static_cast<DWORD>((desktop.size() + 1) * 2));
        std::vector<std::string> names;
        for (int i = 0; i < kEntries; ++i) {
            char name[32];
            snprintf(name, sizeof(name), "entry %03d", i);
            names.push_back(name);
        }
        // A folder per length, so a long soak and the short one can run side by side.
        ASSERT_TRUE(StartWithItems(morvek, recorder, "soak_e2e_" + std::to_string(SoakCycles()), names,
                                   "[DeskTopShow]\r\nKey=1\r\n"));
        dir = morvek.dir;
    }
    int Launches()
    {
        std::string text = recorder.Launched();
        return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    }
    // The counts after the first click, which later clicks must leave the same; false once not.
    // Later counts are waited for: the menu is freed only after the chosen entry opened.
    long held[6] = {};
    bool CheckHeld(int cycle)
    {
        for (WPARAM which : kCounts) {
            if (cycle == 0) {
                held[which] = morvek.LiveCount(which);
                continue;
            }
            long count = -1;
            EXPECT_TRUE(WaitFor([&] { return (count = morvek.LiveCount(which)) == held[which]; }))
                << kCountNames[which] << " held after cycle " << cycle << ": " << count << ", after the first "
                << held[which];
        }
        if (cycle == 0) {
            printf("soak: held after the first click: %ld icons, %ld fonts, %ld brushes, %ld item-ID lists, "
                   "%ld folder submenus\n",
                   held[0], held[1], held[2], held[3], held[5]);
            // One icon handle, the tray's own; the launcher's icons are places in the system's
            // image list, and fonts and brushes live only within a message.
            EXPECT_EQ(1, held[0]);
            EXPECT_EQ(0, held[1]);
            EXPECT_EQ(0, held[2]);
        }
        return !HasFailure();
    }
    // The process's private memory, added to privateBytes, and its working set. Under Wine
    // PagefileUsage is the process's anonymous resident memory (its heaps); PrivateUsage reads 0.
    void MeasureMemory(std::vector<SIZE_T>& privateBytes, SIZE_T* workingSet = nullptr)
    {
        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof(memory);
        ASSERT_TRUE(GetProcessMemoryInfo(morvek.info.hProcess, &memory, sizeof(memory)));
        ASSERT_NE(0u, memory.PagefileUsage) << "the private memory could not be read";
        privateBytes.push_back(memory.PagefileUsage);
        if (workingSet)
            *workingSet = memory.WorkingSetSize;
    }
    // A click that opens a folder menu, on which keys act: with launch they must launch one
    // entry. Then the menu must close and the click end.
    void LauncherCycle(int cycle, UINT click, bool launch, const std::function<void(HWND menu)>& keys)
    {
        morvek.Click(click);
        HWND menu = morvek.WaitForMenu(30000);
        ASSERT_NE(nullptr, menu) << "no folder menu at cycle " << cycle;
        int before = Launches();
        ASSERT_NO_FATAL_FAILURE(keys(menu));
        if (launch) {
            ASSERT_TRUE(WaitFor([&] { return Launches() == before + 1; }, 30000))
                << "the chosen entry was not launched at cycle " << cycle;
        }
        ASSERT_TRUE(morvek.WaitForNoMenu(30000)) << "the menu stayed open at cycle " << cycle;
        // A click that comes while the last one still ends is ignored, as during its menu.
        ASSERT_TRUE(WaitFor([&] { return !morvek.ClickGoingOn(); }, 30000)) << "the click never ended at cycle " << cycle;
    }
    // Opens a dialog through its main-menu command and closes it with its button.
    void DialogCycle(int cycle, UINT command, const wchar_t* caption, int closeButton)
    {
        PostMessageA(morvek.TrayWindow(), WM_COMMAND, command, 0);
        HWND dialog = morvek.WaitForDialog(caption, closeButton, 30000);
        ASSERT_NE(nullptr, dialog) << "dialog " << command << " did not open at cycle " << cycle;
        SendDlgItemMessageA(dialog, closeButton, BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 30000))
            << "dialog " << command << " did not close at cycle " << cycle;
    }
    // privateBytes[i] is the figure after click i: the least growth of a stretch is judged.
    void ExpectMemoryFlat(const std::vector<SIZE_T>& privateBytes, int cycles)
    {
        const int stretch = (cycles - kWarmUpCycles) / kStretches;
        long long least = 0;
        printf("soak: private memory %.1f KB at the start, %.1f KB after warm-up, %.1f KB at the end; growth "
               "in each stretch of %d clicks:",
               privateBytes.front() / 1024.0, privateBytes[kWarmUpCycles - 1] / 1024.0,
               privateBytes.back() / 1024.0, stretch);
        for (int k = 0; k < kStretches; ++k) {
            const int from = kWarmUpCycles - 1 + k * stretch;
            long long growth = static_cast<long long>(privateBytes[from + stretch]) -
                               static_cast<long long>(privateBytes[from]);
            printf(" %lld", growth);
            least = k == 0 ? growth : std::min(least, growth);
        }
        printf(" bytes\n");
        EXPECT_LE(least, kBytesPerClick * stretch)
            << "the private memory grew by more than " << kBytesPerClick << " bytes per click in every stretch of "
            << stretch << " clicks: at least " << least / stretch << " bytes per click";
    }
};

TEST_F(Soak, NothingLeaksOverManyMenusAndDialogs)
{
    const int cycles = SoakCycles();
    std::vector<SIZE_T> privateBytes;
    int openings = 0;
    std::unique_ptr<FILE, int (*)(FILE*)> file(fopen((dir + "\\memory.csv").c_str(), "w"), fclose);
    FILE* csv = file.get();
    ASSERT_NE(nullptr, csv);
    fprintf(csv, "cycle,private_bytes,working_set_bytes\n");
    for (int cycle = 0; cycle < cycles; ++cycle) {
        // Escape, or Downs and Return launching an entry; then the kept desktop list, dismissed.
        const bool launch = cycle % kLaunchEvery == kLaunchEvery - 1;
        ASSERT_NO_FATAL_FAILURE(LauncherCycle(cycle, WM_LBUTTONUP, launch, [&](HWND menu) {
            for (int i = 0; launch && i <= cycle % 7; ++i)
                PostKeys(menu, {VK_DOWN});
            PostKeys(menu, {static_cast<WPARAM>(launch ? VK_RETURN : VK_ESCAPE)});
        }));
        auto escape = [](HWND menu) { PostKeys(menu, {VK_ESCAPE}); };
        ASSERT_NO_FATAL_FAILURE(LauncherCycle(cycle, WM_MBUTTONUP, false, escape));
        if (!CheckHeld(cycle))
            return;
        if (cycle == 0) {
            // What the kept menus hold: one item-ID list per entry of each, no submenu.
            EXPECT_EQ(kEntries + static_cast<long>(ShellOrder("").size()), held[3]);
            EXPECT_EQ(0, held[5]);
        }
        if (cycle < kWarmUpCycles || cycle % kDialogEvery == 0) {
            ASSERT_NO_FATAL_FAILURE(DialogCycle(cycle, IDM_SETTINGS, L"Morvek の設定", IDC_CLOSE));
            ASSERT_NO_FATAL_FAILURE(DialogCycle(cycle, IDM_ADD_SHORTCUT, L"", IDC_DROP_CLOSE));
            ++openings;
        }
        SIZE_T workingSet = 0;
        ASSERT_NO_FATAL_FAILURE(MeasureMemory(privateBytes, &workingSet));
        fprintf(csv, "%d,%zu,%zu\n", cycle, static_cast<size_t>(privateBytes.back()), static_cast<size_t>(workingSet));
        fflush(csv);
    }
    printf("soak: %d clicks, %d openings of each dialog, %d launches\n", cycles, openings, cycles / kLaunchEvery);
    ExpectMemoryFlat(privateBytes, cycles);
    EXPECT_EQ(cycles / kLaunchEvery, Launches());
    EXPECT_TRUE(morvek.Running()) << "Morvek ended during the soak";
}

// With Submenus=1 and a folder with a nested one beside the entries, every click opens both
// submenus by type-ahead, the nested one twice; one in ten launches an entry two levels down,
// one in ten rewrites a shortcut there first, so submenus are filled anew as well as kept.
TEST_F(Soak, SubmenusOpenedAgainAndAgainHoldNothingMore)
{
    const int cycles = SoakCycles();
    std::string folder = dir + "\\items\\folder";
    std::string nested = folder + "\\nested";
    const std::string target = recorder.Exe();
    ASSERT_TRUE(MakeTree(dir + "\\items", {"folder\\", "folder\\nested\\"}));
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(S_OK, MakeShortcut(folder + "\\item " + std::to_string(i) + ".lnk", target, "item"));
    ASSERT_TRUE(MakeTree(nested, recorder.Shortcuts({"alpha", "bravo", "charlie", "delta", "echo"})));
    ASSERT_TRUE(WriteTextFile(dir + "\\setting1.ini", "[Launcher]\r\nSubmenus=1\r\n"));
    std::vector<SIZE_T> privateBytes;
    PointerToTopRight();
    for (int cycle = 0; cycle < cycles; ++cycle) {
        bool launch = cycle % kLaunchEvery == kLaunchEvery - 1;
        if (cycle % 10 == 5) {
            ASSERT_EQ(S_OK, MakeShortcut(nested + "\\delta.lnk", target, "delta " + std::to_string(cycle)));
        }
        // f opens the folder's submenu, n the nested one; Escape closes it alone and n opens
        // it again, checked and kept this time. Then c launches charlie, or Escapes close all.
        ASSERT_NO_FATAL_FAILURE(LauncherCycle(cycle, WM_LBUTTONUP, launch, [&](HWND menu) {
            const struct {
                wchar_t character;
                int menus;  // menu windows open after it
            } steps[] = {{L'f', 2}, {L'n', 3}, {L'\x1b', 2}, {L'n', 3}};
            for (const auto& step : steps) {
                if (step.character == L'\x1b')
                    PostKeys(menu, {VK_ESCAPE});
                else
                    PostMessageW(menu, WM_CHAR, step.character, 1);
                int seen = 0;
                ASSERT_TRUE(WaitFor([&] {
                    return (seen = CountVisibleWindows(L"#32768", morvek.info.dwProcessId)) == step.menus;
                }, 30000)) << "after " << static_cast<char>(step.character) << " at cycle " << cycle << ": " << seen
                           << " menu windows";
            }
            if (launch)
                PostMessageW(menu, WM_CHAR, L'c', 1);
            else
                PostKeys(menu, {VK_ESCAPE, VK_ESCAPE, VK_ESCAPE});
        }));
        if (!CheckHeld(cycle))
            return;
        if (cycle == 0) {
            // Both submenus filled: one list per item (101 at the top, 22 in the folder, 6 in
            // the nested one) and the icons.
            EXPECT_EQ(2, held[5]);
            EXPECT_EQ(kEntries + 1 + 22 + 6 + 2 * 2, held[3]);
        }
        ASSERT_NO_FATAL_FAILURE(MeasureMemory(privateBytes));
    }
    printf("soak: %d clicks with %d openings of submenus\n", cycles, 3 * cycles);
    ExpectMemoryFlat(privateBytes, cycles);
    EXPECT_EQ(cycles / kLaunchEvery, Launches());
}

}  // namespace
