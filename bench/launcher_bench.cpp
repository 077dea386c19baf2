// Measures Morvek as a user feels it: click-to-menu latency for items folders of 10, 100
// and 1000 shortcuts beside the bare floor (the same shell enumeration and icon fetch in
// this process), start-up to tray icon, the exe's size and the idle working set.
// Prints one table; run it through scripts/bench.sh.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
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

void MakeItems(const std::string& items, int count)
{
    CreateDirectoryA(items.c_str(), nullptr);
    IShellLinkA* link = nullptr;
    CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                     reinterpret_cast<void**>(&link));
    IPersistFile* file = nullptr;
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    const char* targets[] = {"C:\\windows\\notepad.exe", "C:\\windows\\regedit.exe",
                             "C:\\windows\\system32\\cmd.exe", "C:\\windows"};
    for (int i = 0; i < count; ++i) {
        link->SetPath(targets[i % 4]);
        char name[64];
        wsprintfA(name, "\\entry %04d.lnk", i);
        file->Save(Wide(items + name).c_str(), TRUE);
    }
    file->Release();
    link->Release();
}

// The floor: what any launcher must do for this folder, with nothing around it.
double FloorMs(const std::string& items)
{
    double start = Now();
    IShellFolder* desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    LPITEMIDLIST folderList = nullptr;
    desktop->ParseDisplayName(nullptr, nullptr, &Wide(items)[0], nullptr, &folderList, nullptr);
    IShellFolder* folder = nullptr;
    desktop->BindToObject(folderList, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder));
    IEnumIDList* items_ = nullptr;
    folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items_);
    LPITEMIDLIST child = nullptr;
    ULONG fetched = 0;
    while (items_->Next(1, &child, &fetched) == S_OK) {
        STRRET name;
        folder->GetDisplayNameOf(child, SHGDN_NORMAL, &name);
        if (name.uType == STRRET_WSTR)
            CoTaskMemFree(name.pOleStr);
        LPITEMIDLIST absolute = ILCombine(folderList, child);
        SHFILEINFOA info = {};
        SHGetFileInfoA(reinterpret_cast<LPCSTR>(absolute), 0, &info, sizeof(info),
                       SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON);
        if (info.hIcon)
            DestroyIcon(info.hIcon);
        ILFree(absolute);
        CoTaskMemFree(child);
    }
    items_->Release();
    folder->Release();
    CoTaskMemFree(folderList);
    desktop->Release();
    return Now() - start;
}

struct Morvek {
    PROCESS_INFORMATION info = {};
    HWND tray = nullptr;

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
    double Start(const std::string& dir, const char* exe)
    {
        std::string path = dir + "\\Morvek.exe";
        CopyFileA(exe, path.c_str(), FALSE);
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        std::string commandLine = "\"" + path + "\"";
        double start = Now();
        if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                            &startup, &info))
            return -1;
        if (!Poll([&] { return (tray = FindTray(info.dwProcessId)) != nullptr && IconShown(tray); }, 20000))
            return -1;
        return Now() - start;
    }

    void Stop()
    {
        if (tray)
            PostMessageA(tray, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(info.hProcess, 5000) != WAIT_OBJECT_0)
            TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
};

HWND VisibleMenu()
{
    HWND menu = FindWindowA("#32768", nullptr);
    return (menu && IsWindowVisible(menu)) ? menu : nullptr;
}

// From the tray callback to the launcher menu on screen with every item drawn.
double ClickToMenuMs(HWND tray)
{
    double start = Now();
    PostMessageA(tray, WM_USER, 1, WM_LBUTTONUP);
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
    Poll([] { return VisibleMenu() == nullptr; }, 10000);
    return shown ? elapsed : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* exe = argc > 1 ? argv[1] : "Morvek.exe";
    const char* work = argc > 2 ? argv[2] : "bench-work";
    int runs = argc > 3 ? atoi(argv[3]) : 5;
    CoInitialize(nullptr);
    CreateDirectoryA(work, nullptr);
    char full[MAX_PATH];
    GetFullPathNameA(work, MAX_PATH, full, nullptr);

    WIN32_FILE_ATTRIBUTE_DATA attributes;
    GetFileAttributesExA(exe, GetFileExInfoStandard, &attributes);
    printf("exe size: %lu bytes\n", attributes.nFileSizeLow);

    const int sizes[] = {10, 100, 1000};
    for (int count : sizes) {
        std::string dir = std::string(full) + "\\n" + std::to_string(count);
        RemoveTree(dir);
        CreateDirectoryA(dir.c_str(), nullptr);
        MakeItems(dir + "\\items", count);
    }
    // Morvek's launcher runs without COM initialised: the floor is taken in the same state.
    CoUninitialize();

    printf("%-8s %14s %14s %8s\n", "entries", "click->menu ms", "floor ms", "ratio");
    for (int count : sizes) {
        std::string dir = std::string(full) + "\\n" + std::to_string(count);
        Morvek morvek;
        double startup = morvek.Start(dir, exe);
        if (startup < 0) {
            printf("Morvek did not start\n");
            return 1;
        }
        ClickToMenuMs(morvek.tray);  // warm the shell's caches for both measurements
        FloorMs(dir + "\\items");
        std::vector<double> clicks, floors;
        for (int i = 0; i < runs; ++i) {
            clicks.push_back(ClickToMenuMs(morvek.tray));
            floors.push_back(FloorMs(dir + "\\items"));
        }
        double click = Median(clicks), floor = Median(floors);
        printf("%-8d %14.1f %14.1f %8.2f\n", count, click, floor, click / floor);
        if (count == 10) {
            PROCESS_MEMORY_COUNTERS memory = {};
            memory.cb = sizeof(memory);
            Sleep(500);
            GetProcessMemoryInfo(morvek.info.hProcess, &memory, sizeof(memory));
            printf("idle working set after clicks: %.1f MB\n", memory.WorkingSetSize / 1048576.0);
        }
        morvek.Stop();
    }

    std::vector<double> startups;
    std::string dir = std::string(full) + "\\start";
    CreateDirectoryA(dir.c_str(), nullptr);
    for (int i = 0; i < runs; ++i) {
        Morvek morvek;
        startups.push_back(morvek.Start(dir, exe));
        morvek.Stop();
    }
    printf("start-up to tray icon (median of %d, Wine already up): %.1f ms\n", runs, Median(startups));
    return 0;
}
