// The launcher of the built exe under Wine: tray callbacks open the menus, menu keys pick an
// entry and its program really starts. Runs under UTF-8, as the exe does.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

const std::vector<std::string> kNames = {"alpha", "beta", "gamma"};

// True when the chord is registered by another program: registering it here fails so.
bool HotKeyHeldElsewhere(UINT modifiers, UINT key)
{
    if (RegisterHotKey(nullptr, 0x7e57, modifiers, key)) {
        UnregisterHotKey(nullptr, 0x7e57);
        return false;
    }
    return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED;
}

class LauncherE2E : public testing::Test {
protected:
    LaunchRecorder recorder;
    std::string dir;
    MorvekProcess morvek;
    // A Morvek in its own folder with the recorder's items of these names and this settings file.
    void Start(const char* name, const std::vector<std::string>& names = kNames, const std::string& settings = "")
    {
        ASSERT_TRUE(StartWithItems(morvek, recorder, name, names, settings));
        dir = morvek.dir;
    }
    HMENU shownMenu = nullptr;  // the menu LaunchAt showed
    // Opens the launcher (or what the click opens), picks the entry at this position and
    // returns the line it recorded ("(no menu)" when no menu opened).
    std::string LaunchAt(size_t index, UINT mouseMessage = WM_LBUTTONUP)
    {
        recorder.Forget();
        morvek.Click(mouseMessage);
        HWND menu = morvek.WaitForMenu();
        if (!menu)
            return "(no menu)";
        shownMenu = MenuOfWindow(menu);
        for (size_t i = 0; i <= index; ++i)
            PostKeys(menu, {VK_DOWN});
        PostKeys(menu, {VK_RETURN});
        std::string line = recorder.WaitForLaunches(1);
        EXPECT_TRUE(WaitFor([&] { return !morvek.ClickGoingOn(); }, 15000)) << "the click never ended";
        return line;
    }
    // The place of the entry with this name in the folder, as the shell lists it.
    static size_t At(const std::string& folder, const std::string& name)
    {
        std::vector<std::string> order = ShellOrder(folder);
        return static_cast<size_t>(std::find(order.begin(), order.end(), name) - order.begin());
    }
};

TEST_F(LauncherE2E, EveryClickShowsTheFolderAsItIsNow)
{
    ASSERT_NO_FATAL_FAILURE(Start("launcher_e2e_now"));
    auto at = [&](const std::string& name) { return At(dir + "\\items", name); };
    // Unchanged, a second click shows the same menu again.
    EXPECT_EQ("beta\n", LaunchAt(at("beta")));
    HMENU kept = shownMenu;
    EXPECT_EQ("beta\n", LaunchAt(at("beta")));
    EXPECT_EQ(kept, shownMenu) << "the unchanged folder was built again";
    // An entry added shows at the next click (the kept menu's other checks run in-process).
    ASSERT_EQ(S_OK, MakeShortcut(dir + "\\items\\delta.lnk", recorder.Exe(), "delta"));
    EXPECT_EQ("delta\n", LaunchAt(at("delta")));
}

// A shortcut on the real desktop is listed by a middle click ("Key" 1) and launched.
TEST_F(LauncherE2E, AShortcutOnTheDesktopIsListedAndLaunched)
{
    RemovedAtEnd link{DesktopDir(CSIDL_DESKTOPDIRECTORY) + "\\morvek e2e desktop.lnk"};
    ASSERT_EQ(S_OK, MakeShortcut(link.path, recorder.Exe(), "desktop"));
    ASSERT_NO_FATAL_FAILURE(Start("launcher_e2e_desktop", {}, "[DeskTopShow]\r\nKey=1\r\n"));
    size_t at = At("", "morvek e2e desktop");
    ASSERT_LT(at, ShellOrder("").size()) << "the shell does not list the shortcut on the desktop";
    EXPECT_EQ("desktop\n", LaunchAt(at, WM_MBUTTONUP));
}

TEST_F(LauncherE2E, TheHotKeyOpensTheLauncherAtThePointerWithItsFirstItemSelected)
{
    ASSERT_NO_FATAL_FAILURE(Start("launcher_e2e_hotkey", kNames, "[HotKey]\r\nLauncher=Ctrl+Alt+L\r\n"));
    std::vector<std::string> order = ShellOrder(dir + "\\items");
    ASSERT_EQ(3u, order.size());
    // Probed once Morvek is idle: a probe just before Morvek registers would take the chord.
    ASSERT_TRUE(WaitFor([&] { return morvek.LiveCount(6) == 0; })) << "Morvek never became idle";
    ASSERT_TRUE(HotKeyHeldElsewhere(MOD_CONTROL | MOD_ALT, 'L')) << "Morvek did not register Ctrl+Alt+L";
    // Where a click opens the launcher with the pointer here.
    const POINT pointer = {400, 300};
    SetCursorPos(pointer.x, pointer.y);
    morvek.Click(WM_LBUTTONUP);
    HWND menu = morvek.WaitForMenu();
    ASSERT_NE(nullptr, menu);
    RECT clicked = {};
    GetWindowRect(menu, &clicked);
    EXPECT_EQ(pointer.x, clicked.right);
    PostKeys(menu, {VK_ESCAPE});
    ASSERT_TRUE(WaitFor([&] { return morvek.MenuWindow() == nullptr; }));
    // A person presses Ctrl+Alt+L, and lets go, while working in some other program.
    HWND other = CreateWindowExW(0, L"STATIC", L"other program", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, other);
    SetForegroundWindow(other);
    const WORD chord[] = {VK_CONTROL, VK_MENU, 'L'};
    INPUT keys[6] = {};
    for (int i = 0; i < 3; ++i) {
        keys[i].type = keys[5 - i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = keys[5 - i].ki.wVk = chord[i];
        keys[5 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    ASSERT_EQ(6u, SendInput(6, keys, sizeof(INPUT)));
    menu = morvek.WaitForMenu();
    ASSERT_NE(nullptr, menu) << "the hotkey opened no menu";
    RECT rect = {};
    GetWindowRect(menu, &rect);
    EXPECT_TRUE(EqualRect(&clicked, &rect)) << "the hotkey opens the launcher where a click does";
    // Return alone launches the first entry: it is selected already.
    PostKeys(menu, {VK_RETURN});
    EXPECT_EQ(order[0] + "\n", recorder.WaitForLaunches(1));
    EXPECT_TRUE(WaitFor([&] { return morvek.MenuWindow() == nullptr; }));
    DestroyWindow(other);
    // Quitting gives the chord back.
    PostMessageA(morvek.TrayWindow(), WM_CLOSE, 0, 0);
    ASSERT_NE(MorvekProcess::kStillRunning, morvek.ExitCode());
    EXPECT_FALSE(HotKeyHeldElsewhere(MOD_CONTROL | MOD_ALT, 'L'));
}

TEST_F(LauncherE2E, AMalformedOrHeldHotKeySaysSoOnceAndMorvekRunsOn)
{
    struct Row {
        const char* value;
        std::wstring firstLine;  // the message's first line, or "" for no message
    } rows[] = {
        {"Ctrl+Alt+%s", L"ホットキー「Ctrl+Alt+%s」を読み取れません．ホットキーなしで続けます．"},
        {"Ctrl+Alt+K",
         L"ホットキー「Ctrl+Alt+K」はほかのプログラムが使っているため登録できません．ホットキーなしで続けます．"},
        {"", L""},
    };
    // The test holds Ctrl+Alt+K, as another program would.
    ASSERT_TRUE(RegisterHotKey(nullptr, 0x7e58, MOD_CONTROL | MOD_ALT, 'K'));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        ASSERT_NO_FATAL_FAILURE(
            Start("launcher_e2e_hotkey_bad", kNames, std::string("[HotKey]\r\nLauncher=") + row.value + "\r\n"));
        if (!row.firstLine.empty()) {
            HWND box = morvek.WaitForDialog(L"Morvek Error");
            ASSERT_NE(nullptr, box) << "no message";
            std::wstring text = MessageBoxTextOf(box);
            EXPECT_EQ(row.firstLine, text.substr(0, text.find(L'\n')));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
        }
        // Morvek runs on; a second message would be up by now (read before a click is answered).
        ASSERT_GT(morvek.LauncherMenuHeight(), 0) << "no launcher menu";
        EXPECT_EQ(nullptr, FindTopWindow(L"#32770", L"Morvek Error", morvek.info.dwProcessId));
        EXPECT_TRUE(morvek.Running());
        morvek.Stop();
    }
    UnregisterHotKey(nullptr, 0x7e58);
}

// In a folder named outside any one code page, deeper than 260 bytes of UTF-8, the exe reads its settings
// and lists names from any script; the Japanese one is the longest a file has (255 bytes with ".lnk").
TEST_F(LauncherE2E, NamesFromAnyScriptInTheExesFolderAndItsItemsWork)
{
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), GetACP()) << "this program carries the UTF-8 manifest";
    std::string folder = MakeScratchDir("launcher_e2e_world") + "\\" + Ansi(L"Ünïcödé 한국 表");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    dir = folder + "\\" + Ansi(Repeat(L"表", 80));
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    ASSERT_GT((dir + "\\setting1.ini").size(), static_cast<size_t>(MAX_PATH));
    ASSERT_LT(Wide(dir + "\\setting1.ini").size(), static_cast<size_t>(MAX_PATH));
    ASSERT_TRUE(WriteTextFile(dir + "\\setting1.ini", "[Exit]\r\nMessage=1\r\n"));
    ASSERT_TRUE(CreateDirectoryA((dir + "\\items").c_str(), nullptr));
    struct Entry {
        std::wstring name;
        const char* tag;  // the recorder's argument: its command line is ANSI
    } const entries[] = {
        {L"Café", "cafe"},
        {L"한국어", "korean"},
        {L"Ελληνικά", "greek"},
        {L"\U0001F600", "emoji"},
        {Repeat(L"名", 83), "japanese"},
    };
    for (const Entry& entry : entries)
        ASSERT_EQ(S_OK, MakeShortcut(dir + "\\items\\" + Ansi(entry.name) + ".lnk", recorder.Exe(), entry.tag));
    std::vector<std::string> order = ShellOrder(dir + "\\items");
    ASSERT_EQ(5u, order.size());
    ASSERT_TRUE(morvek.Start(dir) && morvek.WaitForTrayWindow());
    for (size_t i = 0; i < order.size(); ++i) {
        const char* tag = nullptr;
        for (const Entry& entry : entries)
            if (Ansi(entry.name) == order[i])
                tag = entry.tag;
        ASSERT_NE(nullptr, tag) << "the shell lists an unknown name: " << order[i];
        EXPECT_EQ(std::string(tag) + "\n", LaunchAt(i)) << "(no menu): the items folder was not found";
    }
    // Typed, a letter picks its only name at once (the rules are tested natively, the menu's
    // part in-process); an ANSI window would get one code unit of the code page, not the ε.
    EXPECT_TRUE(IsWindowUnicode(morvek.TrayWindow()));
    recorder.Forget();
    morvek.Click(WM_LBUTTONUP);
    HWND menu = morvek.WaitForMenu();
    ASSERT_NE(nullptr, menu);
    PostMessageW(menu, WM_CHAR, L'ε', 1);
    EXPECT_EQ("greek\n", recorder.WaitForLaunches(1));
    EXPECT_TRUE(WaitFor([&] { return !morvek.ClickGoingOn(); })) << "the click never ended";
    // The settings file beside the exe asks before quitting.
    PostMessageA(morvek.TrayWindow(), WM_COMMAND, 40003, 0);
    HWND box = morvek.WaitForDialog(L"確認 by Morvek");
    ASSERT_NE(nullptr, box) << "no question: the settings were not read";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0u, morvek.ExitCode());
}

// With [Launcher] Submenus=1 a folder opens as a submenu, reached by the arrows at any depth.
TEST_F(LauncherE2E, FoldersOpenAsSubmenusByTheArrows)
{
    ASSERT_NO_FATAL_FAILURE(Start("launcher_e2e_submenus", {"alpha"}, "[Launcher]\r\nSubmenus=1\r\n"));
    std::string items = dir + "\\items";
    ASSERT_TRUE(MakeTree(items, {"one\\", "one\\two\\"}));
    for (const char* name : {"kilo", "lima", "mike"})
        ASSERT_EQ(S_OK, MakeShortcut(items + "\\one\\two\\" + name + ".lnk", recorder.Exe(), name));
    ASSERT_EQ(S_OK, MakeShortcut(items + "\\one\\zulu.lnk", recorder.Exe(), "zulu"));
    // Down selects the next item (the separator after the first item of a submenu is
    // passed over); Right opens the selected folder with its first item selected.
    std::vector<WPARAM> keys;
    for (const auto& [folder, name] : {std::pair<std::string, const char*>{items, "one"},
                                       {items + "\\one", "two"}, {items + "\\one\\two", "mike"}}) {
        keys.insert(keys.end(), At(folder, name) + 1, VK_DOWN);
        keys.push_back(VK_RIGHT);
    }
    keys.back() = VK_RETURN;
    PointerToTopRight();
    morvek.Click(WM_LBUTTONUP);
    HWND menu = morvek.WaitForMenu();
    ASSERT_NE(nullptr, menu);
    for (WPARAM key : keys)
        PostKeys(menu, {key});
    EXPECT_EQ("mike\n", recorder.WaitForLaunches(1)) << "by the arrows, two levels down";
    EXPECT_TRUE(WaitFor([&] { return !morvek.ClickGoingOn(); }));
}

// How many processes run from this exe path (a Wine desktop's Morvek), ending them if asked.
int ProcessesOf(const std::string& exePath, bool end)
{
    int found = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                                     entry.th32ProcessID);
        if (!process)
            continue;
        char path[MAX_PATH * 3] = "";
        DWORD length = sizeof(path);
        if (QueryFullProcessImageNameA(process, 0, path, &length) && lstrcmpiA(path, exePath.c_str()) == 0 &&
            WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            ++found;
            if (end && TerminateProcess(process, 1))
                WaitForSingleObject(process, 10000);
        }
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return found;
}

// Real X key and mouse events in a Wine desktop window, as a person on Linux gives them: the
// hotkey's launcher and the main menu take the keys; a dragged entry stays first, also after a restart.
TEST(LauncherRealKeys, XKeyEventsInAWineDesktopActOnTheLauncherAndTheMainMenu)
{
    std::string dir = MakeScratchDir("launcher_e2e_xkeys");
    LaunchRecorder recorder;
    ASSERT_TRUE(MakeItems(recorder.Shortcuts(kNames), dir + "\\items"));
    std::vector<std::string> order = ShellOrder(dir + "\\items");
    ASSERT_EQ(3u, order.size());
    ASSERT_TRUE(WriteTextFile(dir + "\\setting1.ini", "[HotKey]\r\nLauncher=Ctrl+Alt+K\r\n"));
    std::string exe = dir + "\\Morvek.exe";
    ASSERT_TRUE(CopyFileA(BuiltMorvek(), exe.c_str(), FALSE));
    auto launched = [&](size_t lines, DWORD ms = 15000) { return recorder.WaitForLaunches(lines, ms); };
    // Morvek in a Wine desktop of its own, as the run command starts it.
    const std::string desktop = "MorvekKeys";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION explorer = {};
    std::string commandLine = "explorer.exe /desktop=" + desktop + ",800x600 \"" + exe + "\"";
    auto startInDesktop = [&](PROCESS_INFORMATION* started) {
        std::string line = commandLine;
        bool made = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, WorkingDir().c_str(),
                                   &startup, started);
        if (made)
            CloseHandle(started->hThread);
        return made;
    };
    ASSERT_TRUE(startInDesktop(&explorer));
    // The desktop's window gets the X focus, as from a window manager, and the pointer (left outside,
    // its first move here would cross the open launcher's border and take the highlight away).
    long started = RunUnixShell("xdotool search --sync --onlyvisible --name '" + desktop +
                                    " - Wine desktop' windowfocus --sync %1 mousemove --window %1 400 300",
                                30000);
    EXPECT_EQ(0, started) << "the Wine desktop window was not found";
    // Keys are typed once no menu of Morvek's is shown, then `open` shows one and it holds the X
    // focus, as a person's are: typed earlier, they would go to the desktop.
    auto openThen = [&](const std::string& open, const std::string& then) {
        const std::string shown = "xdotool search --onlyvisible --classname morvek";
        return RunUnixShell("(for i in $(seq 300); do " + shown + " >/dev/null || exit 0; sleep 0.05; done; echo a menu of Morvek is still shown >&2; exit 1) && " +
                                open + " && (for i in $(seq 600); do " + shown +
                                " | grep -qx $(xdotool getwindowfocus) && exit 0; sleep 0.05; done; echo X focus on $(xdotool getwindowfocus), not on a menu of Morvek: $(" + shown + ") >&2; exit 1) && " + then,
                            90000) == 0;
    };
    auto openThenType = [&](const std::string& open, const std::string& keys) {
        return openThen(open, "xdotool key --delay 100 " + keys);
    };
    auto hotkeyThen = [&](const std::string& keys) { return openThenType("xdotool key ctrl+alt+k", keys); };
    if (started == 0) {
        // Ready once its hotkey opens the launcher (under load half a minute after the start); g,
        // the only name so starting, then launches its entry at once.
        EXPECT_TRUE(WaitFor([&] { return hotkeyThen("g") && launched(1, 1000) == "gamma\n"; }, 120000))
            << "launched: " << recorder.Launched();
        // The hotkey selects the first entry; Down the second, Return launches it.
        EXPECT_TRUE(hotkeyThen("Down Return"));
        EXPECT_EQ("gamma\n" + order[1] + "\n", launched(2));
        // Escape closes the launcher: the next one starts at its first entry again.
        EXPECT_TRUE(hotkeyThen("Down Escape"));
        EXPECT_TRUE(hotkeyThen("Return"));
        EXPECT_EQ("gamma\n" + order[1] + "\n" + order[0] + "\n", launched(3));
        // A click on the tray icon (the only one, at the taskbar's right end) gives the taskbar the X
        // focus: later menus get the keys too. (Chained after a search, xdotool would send them there.)
        auto rightClickThen = [&](const std::string& keys) {
            return openThenType("xdotool search --name '" + desktop +
                                    " - Wine desktop' mousemove --window %1 790 590 click 3",
                                keys);
        };
        EXPECT_TRUE(rightClickThen("Escape"));
        EXPECT_TRUE(hotkeyThen("Down Return"));
        std::string expected = "gamma\n" + order[1] + "\n" + order[0] + "\n" + order[1] + "\n";
        EXPECT_EQ(expected, launched(4));
        // The third entry dragged to the top: the launcher stays open with it highlighted; it stays
        // first. The pointer moves within the focused launcher (xdotool misplaces a desktop's children).
        EXPECT_TRUE(openThen("xdotool key ctrl+alt+k",
                             "eval $(xdotool getwindowfocus getwindowgeometry --shell) && "
                             "x=$((WIDTH / 2)) item=$((HEIGHT / 3)) && from=$((HEIGHT - item / 2)) && "
                             "xdotool mousemove --window $WINDOW $x $from sleep 0.3 mousedown 1 sleep 0.3 "
                             "mousemove --window $WINDOW $x $((from - 10)) sleep 0.2 "
                             "mousemove --window $WINDOW $x $((item / 4 + 2)) sleep 0.3 mouseup 1"));
        EXPECT_EQ(0, RunUnixShell("sleep 0.5 && xdotool key Return"));
        expected += order[2] + "\n";
        EXPECT_EQ(expected, launched(5)) << "the launcher did not stay open with the entry first";
        EXPECT_TRUE(hotkeyThen("Return"));
        expected += order[2] + "\n";
        EXPECT_EQ(expected, launched(6));
        // The main menu's first item ends Morvek.
        EXPECT_TRUE(rightClickThen("Down Return"));
        EXPECT_TRUE(WaitFor([&] { return ProcessesOf(exe, false) == 0; }, 15000))
            << "Down and Return in the main menu did not end Morvek";
        PROCESS_INFORMATION again = {};
        EXPECT_TRUE(startInDesktop(&again));
        EXPECT_TRUE(WaitFor([&] { return ProcessesOf(exe, false) == 1; }, 30000)) << "Morvek did not start again";
        expected += order[2] + "\n";
        EXPECT_TRUE(WaitFor([&] { return hotkeyThen("Return") && launched(7, 1000) == expected; }, 120000))
            << "launched: " << recorder.Launched();
        CloseHandle(again.hProcess);
    }
    ProcessesOf(exe, true);
    TerminateProcess(explorer.hProcess, 0);
    CloseHandle(explorer.hProcess);
    RemoveTree(dir);
}

}  // namespace
