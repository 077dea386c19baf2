// Measures Morvek as a user feels it: click-to-menu latency for items folders of 10, 100
// and 1000 shortcuts on the first click after start, on a click right after a shortcut was
// added, and on repeated clicks on an unchanged folder. Each is clicked alternately with a
// stand-in (bench/menu_only.cpp) in the same run: the floor (the shell's enumeration and
// icon fetch and the same popup, on every click) for the first two, the popup alone for
// the last. A click right after the system announced a changed setting that changes nothing
// the menus show (a policy refresh). Then the desktop list over shortcuts put on the desktop: its first click (built)
// and later clicks (kept) beside the popup alone over the same entries. Also start-up to tray
// icon, the exe's size and the idle working set.
// Prints one table and writes the medians to a data file; run it through scripts/bench.sh.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * t.QuadPart / frequency.QuadPart;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename F>
bool Poll(F condition, double timeoutMs)
{
    double end = Now() + timeoutMs;
    while (!condition()) {
        if (Now() > end)
            return false;
        Sleep(0);
    }
    return true;
}

[[noreturn]] void Fail(const std::string& what)
{
    printf("%s\n", what.c_str());
    fflush(stdout);
    exit(1);
}

std::wstring Wide(const std::string& s)
{
    wchar_t w[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w, MAX_PATH);
    return w;
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

void MakeLink(const std::string& path, const char* target)
{
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&link));
    if (SUCCEEDED(hr))
        hr = link->SetPath(target);
    if (SUCCEEDED(hr))
        hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr))
        hr = file->Save(Wide(path).c_str(), TRUE);
    if (file)
        file->Release();
    if (link)
        link->Release();
    if (FAILED(hr))
        Fail("cannot write " + path);
}

void MakeItems(const std::string& items, int count)
{
    CreateDirectoryA(items.c_str(), nullptr);
    const char* targets[] = {"C:\\windows\\notepad.exe", "C:\\windows\\regedit.exe",
                             "C:\\windows\\system32\\cmd.exe", "C:\\windows"};
    for (int i = 0; i < count; ++i) {
        char name[64];
        wsprintfA(name, "\\entry %04d.lnk", i);
        MakeLink(items + name, targets[i % 4]);
    }
}

// Morvek or its stand-in, started from a copy in a folder beside that folder's items.
struct Program {
    PROCESS_INFORMATION info = {};
    HWND tray = nullptr;

    // Both programs' hidden windows have the class "Morvek": the one wanted is the process's own.
    static HWND FindTray(DWORD pid)
    {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, "Morvek", nullptr))) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == pid)
                return window;
        }
        return nullptr;
    }

    static bool IconShown(HWND window)
    {
        NOTIFYICONDATAA record = {};
        record.cbSize = NOTIFYICONDATAA_V1_SIZE;
        record.hWnd = window;
        record.uID = 1;
        return Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
    }

    // Returns the time from CreateProcess to the icon being in the tray.
    double Start(const std::string& dir, const char* exe, const char* name, const char* arguments = "")
    {
        std::string path = dir + "\\" + name;
        CopyFileA(exe, path.c_str(), FALSE);
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        std::string commandLine = "\"" + path + "\" " + arguments;
        double start = Now();
        if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                            &startup, &info))
            Fail("cannot start " + path + ", error " + std::to_string(GetLastError()));
        if (!Poll([&] { return (tray = FindTray(info.dwProcessId)) != nullptr && IconShown(tray); }, 60000))
            Fail("no tray icon from " + commandLine);
        return Now() - start;
    }

    void Stop()
    {
        PostMessageA(tray, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(info.hProcess, 5000) != WAIT_OBJECT_0)
            TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
        info = {};
        tray = nullptr;
    }
};

// Two programs are up at a time: a hidden menu window of one must not hide the other's.
HWND VisibleMenu()
{
    HWND menu = nullptr;
    while ((menu = FindWindowExA(nullptr, menu, "#32768", nullptr))) {
        if (IsWindowVisible(menu))
            return menu;
    }
    return nullptr;
}

// From the tray callback to the launcher menu (or, with a middle click set to open it, the
// desktop list) on screen with every item drawn.
double ClickToMenuMs(const Program& program, UINT mouseMessage = WM_LBUTTONUP)
{
    double start = Now();
    PostMessageA(program.tray, WM_USER, 1, mouseMessage);
    HWND menu = nullptr;
    bool shown = Poll([&] {
        menu = VisibleMenu();
        return menu && !GetUpdateRect(menu, nullptr, FALSE);
    }, 60000);
    // An empty update region only says the paint has begun: BeginPaint empties it before
    // the first item is drawn. The menu's thread draws every item within that one paint
    // and takes no sent message until it is done, so the answer to this one comes after
    // the last item.
    DWORD_PTR answer = 0;
    shown = shown && SendMessageTimeoutA(menu, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer);
    double elapsed = Now() - start;
    if (menu)
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    if (!shown || !Poll([] { return VisibleMenu() == nullptr; }, 10000))
        Fail("no launcher menu, or it did not close");
    // The program frees what the menu held before it takes the next message: the next
    // click, of either program, does not share the machine with that work.
    if (!SendMessageTimeoutA(program.tray, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer))
        Fail("the program did not come back from its menu");
    return elapsed;
}

// Waits until Morvek says it is neither building the launcher ahead nor waiting to.
void WaitIdle(const Program& program)
{
    bool idle = Poll([&] {
        DWORD_PTR busy = 1;
        return SendMessageTimeoutA(program.tray, WM_APP + 1, 6, 0, SMTO_NORMAL, 60000, &busy) && busy == 0;
    }, 120000);
    if (!idle)
        Fail("Morvek never became idle");
}

// The desktop list over count shortcuts put on the user's desktop for the while: its first
// click after start (built at the click) and later clicks (kept), each beside the popup alone
// listing the same desktop. The shortcuts go again afterwards.
void DesktopFigures(const std::string& full, const char* exe, const char* standIn, int count, int runs)
{
    char desktop[MAX_PATH];
    if (!SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, TRUE))
        Fail("no desktop folder");
    std::vector<std::string> links;
    for (int i = 0; i < count; ++i) {
        char name[64];
        wsprintfA(name, "\\bench desktop %04d.lnk", i);
        links.push_back(desktop + std::string(name));
        MakeLink(links.back(), "C:\\windows\\notepad.exe");
    }
    std::string dir = full + "\\desktop";
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    CreateDirectoryA((dir + "\\items").c_str(), nullptr);
    std::string settings = "[DeskTopShow]\r\nKey=1\r\n";
    HANDLE file = CreateFileA((dir + "\\setting1.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, settings.data(), static_cast<DWORD>(settings.size()), &written, nullptr);
    CloseHandle(file);

    std::vector<double> first, kept, popup;
    Program popupAlone;
    popupAlone.Start(dir, standIn, "menu_only.exe", "/desktop");
    ClickToMenuMs(popupAlone);
    Program morvek;
    for (int i = 0; i < runs; ++i) {
        if (i > 0)
            morvek.Stop();
        morvek.Start(dir, exe, "Morvek.exe");
        WaitIdle(morvek);
        first.push_back(ClickToMenuMs(morvek, WM_MBUTTONUP));
    }
    for (int i = 0; i < runs; ++i) {
        kept.push_back(ClickToMenuMs(morvek, WM_MBUTTONUP));
        popup.push_back(ClickToMenuMs(popupAlone));
    }
    morvek.Stop();
    popupAlone.Stop();
    for (const std::string& link : links)
        DeleteFileA(link.c_str());
    printf("desktop list over %d shortcuts on the desktop (ms, median of %d): first click %.1f, "
           "second click %.1f, popup alone %.1f, ratio %.2f\n",
           count, runs, Median(first), Median(kept), Median(popup), Median(kept) / Median(popup));
    fflush(stdout);
}

struct Row {
    int entries;
    double coldFirst, floorFirst, coldAdded, floorAdded, warm, popup, idleFirst, addedHalf, afterPolicy;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5)
        Fail("usage: launcher_bench MORVEK_EXE MENU_ONLY_EXE WORK_DIR DATA_FILE [RUNS [ENTRIES]]");
    const char* exe = argv[1];
    const char* standIn = argv[2];
    const char* work = argv[3];
    const char* dataFile = argv[4];
    int runs = argc > 5 ? atoi(argv[5]) : 5;
    if (runs < 1)
        Fail("RUNS must be at least 1");
    CoInitialize(nullptr);
    CreateDirectoryA(work, nullptr);
    char full[MAX_PATH];
    GetFullPathNameA(work, MAX_PATH, full, nullptr);

    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExA(exe, GetFileExInfoStandard, &attributes))
        Fail(std::string("no ") + exe);
    printf("exe size: %lu bytes\n", attributes.nFileSizeLow);

    // One size alone when asked (a quick look at one figure); the data file then holds it alone.
    std::vector<int> sizes = {10, 100, 1000};
    if (argc > 6 && atoi(argv[6]) > 0)
        sizes = {atoi(argv[6])};
    for (int count : sizes) {
        std::string dir = std::string(full) + "\\n" + std::to_string(count);
        RemoveTree(dir);
        CreateDirectoryA(dir.c_str(), nullptr);
        MakeItems(dir + "\\items", count);
    }

    // Each program once, unmeasured, so that no figure pays for the first start of a
    // program in this session.
    {
        std::string dir = std::string(full) + "\\n" + std::to_string(sizes[0]);
        Program morvek, floor;
        morvek.Start(dir, exe, "Morvek.exe");
        ClickToMenuMs(morvek);
        morvek.Stop();
        floor.Start(dir, standIn, "menu_only.exe", "/floor");
        ClickToMenuMs(floor);
        floor.Stop();
    }

    printf("click to menu, ms, median of %d:\n", runs);
    printf("%7s | %10s %8s %6s | %10s %8s %6s | %8s %8s %6s\n", "entries", "cold first", "floor", "ratio",
           "after add", "floor", "ratio", "warm", "popup", "ratio");
    fflush(stdout);
    std::vector<Row> rows;
    double workingSet = 0;
    int added = 0;
    for (int count : sizes) {
        std::string dir = std::string(full) + "\\n" + std::to_string(count);
        std::string items = dir + "\\items";
        std::vector<double> coldFirst, floorFirst, coldAdded, floorAdded, warm, popup, idleFirst, addedHalf,
            afterPolicy;

        // The first click after start, once Morvek is idle (the launcher built ahead).
        for (int i = 0; i < runs; ++i) {
            Program idle;
            idle.Start(dir, exe, "Morvek.exe");
            WaitIdle(idle);
            idleFirst.push_back(ClickToMenuMs(idle));
            idle.Stop();
        }

        // The first click after start: both programs started afresh for every sample; the
        // last of each stays up for the clicks that follow.
        Program morvek, floor;
        for (int i = 0; i < runs; ++i) {
            if (i > 0) {
                morvek.Stop();
                floor.Stop();
            }
            morvek.Start(dir, exe, "Morvek.exe");
            coldFirst.push_back(ClickToMenuMs(morvek));
            floor.Start(dir, standIn, "menu_only.exe", "/floor");
            floorFirst.push_back(ClickToMenuMs(floor));
        }

        // A click right after a new shortcut came into items; it goes again after both clicks,
        // so every sample lists one entry more than the folder holds and follows a change.
        for (int i = 0; i < runs; ++i) {
            char name[64];
            wsprintfA(name, "\\added %04d.lnk", added++);
            MakeLink(items + name, "C:\\windows\\notepad.exe");
            // Whoever is clicked first after the write meets the new file first: take turns.
            if (i % 2 == 0) {
                coldAdded.push_back(ClickToMenuMs(morvek));
                floorAdded.push_back(ClickToMenuMs(floor));
            } else {
                floorAdded.push_back(ClickToMenuMs(floor));
                coldAdded.push_back(ClickToMenuMs(morvek));
            }
            if (!DeleteFileA((items + name).c_str()))
                Fail(std::string("cannot remove ") + name);
        }
        floor.Stop();

        // A click half a second after a new shortcut came into items, Morvek idle before it.
        for (int i = 0; i < runs; ++i) {
            WaitIdle(morvek);
            char name[64];
            wsprintfA(name, "\\added %04d.lnk", added++);
            MakeLink(items + name, "C:\\windows\\notepad.exe");
            Sleep(500);
            addedHalf.push_back(ClickToMenuMs(morvek));
            if (!DeleteFileA((items + name).c_str()))
                Fail(std::string("cannot remove ") + name);
        }
        WaitIdle(morvek);

        // A click right after a policy refresh was announced, as the system announces one to
        // every window (it changes nothing the launcher shows), Morvek idle before it.
        for (int i = 0; i < runs; ++i) {
            DWORD_PTR answer = 0;
            if (!SendMessageTimeoutW(morvek.tray, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Policy"),
                                     SMTO_NORMAL, 60000, &answer))
                Fail("the policy refresh was not taken");
            afterPolicy.push_back(ClickToMenuMs(morvek));
            WaitIdle(morvek);
        }

        // Repeated clicks on the unchanged folder, beside the popup alone. The first click
        // follows the removal of the last added shortcut and is not counted.
        Program menuOnly;
        menuOnly.Start(dir, standIn, "menu_only.exe");
        ClickToMenuMs(morvek);
        ClickToMenuMs(menuOnly);
        for (int i = 0; i < runs; ++i) {
            warm.push_back(ClickToMenuMs(morvek));
            popup.push_back(ClickToMenuMs(menuOnly));
        }
        menuOnly.Stop();
        if (count == sizes[0]) {
            PROCESS_MEMORY_COUNTERS memory = {};
            memory.cb = sizeof(memory);
            Sleep(500);
            GetProcessMemoryInfo(morvek.info.hProcess, &memory, sizeof(memory));
            workingSet = memory.WorkingSetSize / 1048576.0;
        }
        morvek.Stop();

        Row r = {count, Median(coldFirst), Median(floorFirst), Median(coldAdded), Median(floorAdded),
                 Median(warm), Median(popup), Median(idleFirst), Median(addedHalf), Median(afterPolicy)};
        rows.push_back(r);
        printf("%7d | %10.1f %8.1f %6.2f | %10.1f %8.1f %6.2f | %8.1f %8.1f %6.2f\n", r.entries, r.coldFirst,
               r.floorFirst, r.coldFirst / r.floorFirst, r.coldAdded, r.floorAdded, r.coldAdded / r.floorAdded,
               r.warm, r.popup, r.warm / r.popup);
        fflush(stdout);
    }
    printf("beside the popup alone (ms, ratio): first click once idle; click 0.5 s after a shortcut was added;"
           " click right after a policy refresh\n");
    for (const Row& r : rows) {
        printf("%7d | %10.1f %6.2f | %10.1f %6.2f | %10.1f %6.2f\n", r.entries, r.idleFirst, r.idleFirst / r.popup,
               r.addedHalf, r.addedHalf / r.popup, r.afterPolicy, r.afterPolicy / r.popup);
    }

    DesktopFigures(full, exe, standIn, 100, runs);

    std::vector<double> startups;
    std::string dir = std::string(full) + "\\start";
    CreateDirectoryA(dir.c_str(), nullptr);
    for (int i = 0; i < runs; ++i) {
        Program morvek;
        startups.push_back(morvek.Start(dir, exe, "Morvek.exe"));
        morvek.Stop();
    }

    printf("idle working set after clicks (10 entries): %.1f MB\n", workingSet);
    printf("start-up to tray icon (median of %d, Wine already up): %.1f ms\n", runs, Median(startups));

    FILE* data = fopen(dataFile, "w");
    if (!data)
        Fail(std::string("cannot write ") + dataFile);
    fprintf(data, "# click to menu under Wine, ms, median of %d\n", runs);
    fprintf(data, "# entries cold_first floor_first cold_after_add floor_after_add warm popup_alone idle_first"
                  " after_add_half_second after_policy_refresh\n");
    for (const Row& r : rows) {
        fprintf(data, "%d %.1f %.1f %.1f %.1f %.1f %.1f %.1f %.1f %.1f\n", r.entries, r.coldFirst, r.floorFirst,
                r.coldAdded, r.floorAdded, r.warm, r.popup, r.idleFirst, r.addedHalf, r.afterPolicy);
    }
    fclose(data);
    return 0;
}
