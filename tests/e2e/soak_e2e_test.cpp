// Soak of the built exe under Wine: many launcher menus over a folder of 100 shortcuts,
// some dismissed and some launching an entry, with both dialogs opened and closed between
// them. After every cycle the launcher must hold no icons, fonts, brushes or item-ID lists,
// and the process's resident memory must stop growing once it has warmed up.
//
// MORVEK_SOAK_CYCLES sets the number of launcher clicks (default 200); each dialog opens
// once every ten clicks. scripts/soak.sh runs the long version. The resident memory after
// every cycle goes to resident.csv in the test's folder (build/win64/testrun/soak_e2e_CYCLES).
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/tray_window.h"
#include "resources/resource.h"
#include "test_support.h"

namespace {

constexpr int kEntries = 100;
constexpr int kWarmUpCycles = 100;
constexpr int kDialogEvery = 10;    // each dialog opens once every this many clicks
constexpr int kLaunchEvery = 10;    // one click in this many launches an entry
constexpr const char* kCountNames[] = {"icons", "fonts", "brushes", "item-ID lists"};

// Resident memory moves without anything leaking: the heap grows in steps and Wine maps
// and drops pages of its own. With dialogs mixed in between the menus it climbs by about
// 1 MB more over the first several hundred cycles and then stays flat through thousands
// (menus alone, or launches alone, are flat from the start). 2 MB holds that and is still
// well below what a leak of one icon, font or item-ID list per menu adds over a long run.
constexpr SIZE_T kNoiseMargin = 2 * 1024 * 1024;

int SoakCycles()
{
    const char* text = getenv("MORVEK_SOAK_CYCLES");
    int cycles = text ? atoi(text) : 0;
    return cycles >= 2 * kWarmUpCycles ? cycles : 2 * kWarmUpCycles;
}

int LineCount(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

class Soak : public testing::Test {
protected:
    std::string dir;
    MorvekProcess morvek;
    HWND tray = nullptr;

    void SetUp() override
    {
        // A folder per length, so a long soak and the short one can run side by side.
        dir = MakeScratchDir("soak_e2e_" + std::to_string(SoakCycles()));
        std::string recorder = dir + "\\recorder.exe";
        ASSERT_TRUE(CopyFileA(MORVEK_RECORDER_PATH, recorder.c_str(), FALSE));
        ASSERT_TRUE(CreateDirectoryA((dir + "\\items").c_str(), nullptr));
        for (int i = 0; i < kEntries; ++i) {
            char name[32];
            snprintf(name, sizeof(name), "entry %03d", i);
            ASSERT_EQ(S_OK, MakeShortcut(dir + "\\items\\" + name + ".lnk", recorder, name));
        }
        ASSERT_TRUE(morvek.Start(dir));
        ASSERT_TRUE(morvek.WaitForTrayWindow());
        tray = morvek.TrayWindow();
    }

    HWND MenuWindow()
    {
        HWND menu = FindTopWindow(L"#32768", nullptr, morvek.info.dwProcessId);
        return menu && IsWindowVisible(menu) ? menu : nullptr;
    }

    void Keys(HWND window, std::initializer_list<WPARAM> keys)
    {
        for (WPARAM key : keys) {
            PostMessageA(window, WM_KEYDOWN, key, 1);
            PostMessageA(window, WM_KEYUP, key, 0xC0000001);
        }
    }

    // One of the launcher's live counts, or -2 when the tray window does not answer.
    long LiveCount(WPARAM which)
    {
        DWORD_PTR result = static_cast<DWORD_PTR>(0xdeadbeef);
        if (!SendMessageTimeoutA(tray, kQueryLiveCount, which, 0, SMTO_NORMAL, 10000, &result))
            return -2;
        return static_cast<long>(static_cast<LRESULT>(result));
    }

    // Waits until every count is back to 0; the launcher frees its menu right after the
    // chosen entry has been opened, so the counts may lag the menu window by a moment.
    void ExpectNothingHeld(int cycle)
    {
        for (WPARAM which = 0; which < 4; ++which) {
            long count = -1;
            EXPECT_TRUE(WaitFor([&] { return (count = LiveCount(which)) == 0; }))
                << kCountNames[which] << " held after cycle " << cycle << ": " << count;
        }
    }

    SIZE_T ResidentBytes()
    {
        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof(memory);
        memory.WorkingSetSize = static_cast<SIZE_T>(0xdeadbeef);
        if (!GetProcessMemoryInfo(morvek.info.hProcess, &memory, sizeof(memory)))
            return 0;
        return memory.WorkingSetSize;
    }

    // A launcher click: the menu opens, then Escape dismisses it, or a few Downs and
    // Return launch an entry (the recorder, which writes one line and exits).
    void LauncherCycle(int cycle, bool launch)
    {
        PostMessageA(tray, kTrayCallbackMessage, kTrayIconId, WM_LBUTTONUP);
        HWND menu = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (menu = MenuWindow()) != nullptr; }, 30000))
            << "no launcher menu at cycle " << cycle;
        if (launch) {
            int before = LineCount(ReadTextFile(dir + "\\launched.txt"));
            for (int i = 0; i <= cycle % 7; ++i)
                Keys(menu, {VK_DOWN});
            Keys(menu, {VK_RETURN});
            ASSERT_TRUE(WaitFor([&] { return LineCount(ReadTextFile(dir + "\\launched.txt")) == before + 1; },
                                30000))
                << "the chosen entry was not launched at cycle " << cycle;
        } else {
            Keys(menu, {VK_ESCAPE});
        }
        ASSERT_TRUE(WaitFor([&] { return MenuWindow() == nullptr; }, 30000))
            << "the menu stayed open at cycle " << cycle;
    }

    // Opens a dialog through its main-menu command and closes it with its button.
    void DialogCycle(int cycle, UINT command, const wchar_t* caption, int closeButton)
    {
        PostMessageA(tray, WM_COMMAND, command, 0);
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            dialog = FindTopWindow(L"#32770", caption, morvek.info.dwProcessId);
            return dialog && IsWindowVisible(dialog) && GetDlgItem(dialog, closeButton);
        }, 30000)) << "dialog " << command << " did not open at cycle " << cycle;
        SendDlgItemMessageA(dialog, closeButton, BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 30000))
            << "dialog " << command << " did not close at cycle " << cycle;
    }
};

TEST_F(Soak, NothingLeaksOverManyMenusAndDialogs)
{
    const int cycles = SoakCycles();
    std::vector<SIZE_T> resident;
    int openings = 0;
    std::unique_ptr<FILE, int (*)(FILE*)> file(fopen((dir + "\\resident.csv").c_str(), "w"), fclose);
    FILE* csv = file.get();
    ASSERT_NE(nullptr, csv);
    fprintf(csv, "cycle,resident_bytes\n");
    for (int cycle = 0; cycle < cycles; ++cycle) {
        ASSERT_NO_FATAL_FAILURE(LauncherCycle(cycle, cycle % kLaunchEvery == kLaunchEvery - 1));
        ExpectNothingHeld(cycle);
        if (HasFailure())
            return;
        if (cycle % kDialogEvery == 0) {
            ASSERT_NO_FATAL_FAILURE(DialogCycle(cycle, IDM_SETTINGS, L"Morvek の設定", IDC_CLOSE));
            ASSERT_NO_FATAL_FAILURE(DialogCycle(cycle, IDM_ADD_SHORTCUT, L"", IDC_DROP_CLOSE));
            ++openings;
        }
        SIZE_T bytes = ResidentBytes();
        ASSERT_NE(0u, bytes) << "the resident memory could not be read";
        resident.push_back(bytes);
        fprintf(csv, "%d,%zu\n", cycle, static_cast<size_t>(bytes));
        fflush(csv);
    }

    // The baseline is the largest figure of a window of cycles right after warm-up; the
    // same window at the end must stay within the noise margin of it.
    const int window = std::min(kWarmUpCycles, (cycles - kWarmUpCycles) / 2);
    auto begin = resident.begin();
    SIZE_T baseline = *std::max_element(begin + kWarmUpCycles, begin + kWarmUpCycles + window);
    SIZE_T late = *std::max_element(resident.end() - window, resident.end());
    printf("soak: %d clicks, %d openings of each dialog, %d launches; resident memory: "
           "first %.2f MB, baseline %.2f MB, last %d cycles' max %.2f MB, peak %.2f MB\n",
           cycles, openings, cycles / kLaunchEvery, resident.front() / 1048576.0, baseline / 1048576.0,
           window, late / 1048576.0, *std::max_element(begin, resident.end()) / 1048576.0);
    EXPECT_LE(late, baseline + kNoiseMargin) << "resident memory grew after warm-up";
    EXPECT_EQ(cycles / kLaunchEvery, LineCount(ReadTextFile(dir + "\\launched.txt")));
    DWORD code = 0;
    EXPECT_FALSE(morvek.WaitForExit(0, &code)) << "Morvek ended during the soak";
}

}  // namespace
