// Times the launcher menu (build, measure every item, free) over items folders of 10,
// 100 and 1000 shortcuts beside this program, against the floor: the same shell
// enumeration and small-icon fetch with nothing else. Prints the median of several runs.
// Then, with folders as submenus: a top level of 30 folders and 10 shortcuts built with
// "Submenus" on and off, and the first and a later opening of a submenu of 100 shortcuts
// against the floor for that folder. Last, the GDI and USER objects a kept menu of 5,000
// entries holds once built, measured and drawn, with 50 and with 5,000 distinct icons. And a
// move in the user's order of 1,000 and 5,000 entries: the rules alone (read, apply, move,
// write), then with the order file loaded and saved beside this program.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/live_counts.h"
#include "launcher/folder_menu.h"
#include "launcher/launcher_state.h"
#include "launcher/icon_pixels.h"
#include "shell/idlist.h"
#include "launcher/kept_menu.h"
#include "launcher/order_file.h"
#include "launcher/owner_draw.h"
#include "launcher/submenu.h"
#include "settings/exe_paths.h"

namespace {

std::string ItemsDir()
{
    char path[kPathBytes];
    MakeExePath(path, kItemsFolderName);
    return path;
}

void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (name != "." && name != "..")
                    RemoveTree(dir + "\\" + name);
            } else {
                DeleteFileA((dir + "\\" + name).c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

// count shortcuts to notepad in dir (made when missing).
bool MakeShortcuts(const std::string& dir, int count)
{
    CreateDirectoryA(dir.c_str(), nullptr);
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string target = std::string(windows) + "\\notepad.exe";
    for (int i = 0; i < count; ++i) {
        IShellLinkA* link = nullptr;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    reinterpret_cast<void**>(&link))))
            return false;
        link->SetPath(target.c_str());
        IPersistFile* file = nullptr;
        HRESULT hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
        if (SUCCEEDED(hr)) {
            wchar_t name[MAX_PATH];
            std::string path = dir + "\\entry " + std::to_string(i) + ".lnk";
            MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, name, MAX_PATH);
            hr = file->Save(name, TRUE);
            file->Release();
        }
        link->Release();
        if (FAILED(hr))
            return false;
    }
    return true;
}

bool MakeItems(int count)
{
    RemoveTree(ItemsDir());
    return MakeShortcuts(ItemsDir(), count);
}

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * counter.QuadPart / frequency.QuadPart;
}

// One launcher menu: built, every item measured as the open menu would, freed.
int LauncherOnce(HWND window)
{
    LaunchEntry* head = nullptr;
    CaptureMenuLook();
    HMENU menu = BuildFolderMenu(&head, FolderMode::Items, g_launcher.menuLook);
    if (!menu)
        return -1;
    int items = 0;
    for (LauncherRecord* record = g_launcher.recordListHead; record; record = record->next, ++items) {
        MEASUREITEMSTRUCT mis = {};
        mis.CtlType = ODT_MENU;
        mis.itemID = record->id;
        mis.itemData = reinterpret_cast<ULONG_PTR>(record);
        MeasureLauncherItem(window, &mis);
    }
    FreeFolderMenu(menu, head);
    return items;
}

// A click on an unchanged folder: the look read, the kept menu found still valid and its
// items measured again, as the platform asks at each showing.
int KeptOnce(HWND window)
{
    CaptureMenuLook();
    LaunchEntry* head = nullptr;
    bool kept = false;
    if (!LauncherMenu(&head, &kept) || !kept)
        return -1;
    int items = 0;
    for (LauncherRecord* record = g_launcher.keptMenu.records; record; record = record->next, ++items) {
        MEASUREITEMSTRUCT mis = {};
        mis.CtlType = ODT_MENU;
        mis.itemID = record->id;
        mis.itemData = reinterpret_cast<ULONG_PTR>(record);
        MeasureLauncherItem(window, &mis);
    }
    return items;
}

// The floor: enumerate the folder (the items folder unless named) and fetch each entry's
// name and small icon.
int FloorOnce(const std::string& dir = ItemsDir())
{
    IShellFolder* desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    LPITEMIDLIST parent = PathToIdList(dir.c_str());
    IShellFolder* folder = nullptr;
    IEnumIDList* items = nullptr;
    int count = 0;
    if (parent &&
        desktop->BindToObject(parent, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder)) == S_OK &&
        folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items) == S_OK) {
        LPITEMIDLIST child = nullptr;
        while (items->Next(1, &child, nullptr) == S_OK) {
            STRRET name = {};
            folder->GetDisplayNameOf(child, SHGDN_NORMAL, &name);
            if (name.uType == STRRET_WSTR)
                CoTaskMemFree(name.pOleStr);
            LPITEMIDLIST full = IdListConcat(parent, child);
            SHFILEINFOA info = {};
            SHGetFileInfoA(reinterpret_cast<LPCSTR>(full), 0, &info, sizeof(info),
                           SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON);
            if (info.hIcon)
                DestroyIcon(info.hIcon);
            FreeIdList(full);
            CoTaskMemFree(child);
            ++count;
        }
    }
    if (items)
        items->Release();
    if (folder)
        folder->Release();
    FreeIdList(parent);
    desktop->Release();
    return count;
}

// The bytes of every block in use on the process heap, where the records, the entries, their
// item-ID lists (the task allocator takes from it) and the menu's items live.
SIZE_T HeapBytesInUse()
{
    HANDLE heap = GetProcessHeap();
    SIZE_T total = 0;
    PROCESS_HEAP_ENTRY entry = {};
    HeapLock(heap);
    while (HeapWalk(heap, &entry)) {
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
            total += entry.cbData;
    }
    HeapUnlock(heap);
    return total;
}

template <typename F>
double TimeOnce(F once)
{
    double start = Now();
    once();
    return Now() - start;
}

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Folders as submenus: the build of a top level of folders and shortcuts with the setting
// on and off, and a submenu of 100 shortcuts filled when it first opens and checked at a
// later opening, against the floor for its folder. False when a build went wrong.
bool SubmenuFigures(HWND window)
{
    RemoveTree(ItemsDir());
    std::string items = ItemsDir();
    if (!MakeShortcuts(items, 10))
        return false;
    for (int i = 0; i < 30; ++i)
        CreateDirectoryA((items + "\\folder " + std::to_string(i)).c_str(), nullptr);
    if (!MakeShortcuts(items + "\\folder 0", 100))
        return false;
    const int runs = 9;
    std::vector<double> on, off;
    for (int i = 0; i < runs + 1; ++i) {
        for (UINT submenus : {1u, 0u}) {
            CaptureMenuLook();
            g_launcher.menuLook.submenus = submenus;
            int listed = 0;
            double time = TimeOnce([&] { listed = LauncherOnce(window); });
            if (listed != 40)
                return false;
            if (i > 0)
                (submenus ? on : off).push_back(time);
        }
    }
    printf("\n30 folders and 10 shortcuts: build with Submenus=1 %.2f ms, with 0 %.2f ms, ratio %.2f\n",
           Median(on), Median(off), Median(on) / Median(off));

    std::vector<double> first, again, floors;
    CaptureMenuLook();
    g_launcher.menuLook.submenus = 1;
    for (int i = 0; i < runs + 1; ++i) {
        LaunchEntry* head = nullptr;
        HMENU menu = BuildFolderMenu(&head, FolderMode::Items, g_launcher.menuLook);
        FolderSubmenu* submenu = nullptr;
        for (LauncherRecord* r = g_launcher.recordListHead; r && !submenu; r = r->next) {
            if (lstrcmpA(r->text, "folder 0") == 0)
                submenu = r->submenu;
        }
        if (!menu || !submenu)
            return false;
        double floor = TimeOnce([&] { FloorOnce(items + "\\folder 0"); });
        double fill = TimeOnce([&] { FillFolderSubmenu(submenu); });
        double check = TimeOnce([&] { FillFolderSubmenu(submenu); });
        bool full = GetMenuItemCount(submenu->popup) == 102;
        FreeFolderMenu(menu, head);
        if (!full)
            return false;
        if (i == 0)
            continue;
        first.push_back(fill);
        again.push_back(check);
        floors.push_back(floor);
    }
    printf("a submenu of 100 shortcuts: first opening %.2f ms, floor %.2f ms, ratio %.2f; a later opening "
           "(checked and kept) %.2f ms\n",
           Median(first), Median(floors), Median(first) / Median(floors), Median(again));
    g_launcher.menuLook.submenus = 0;
    RemoveTree(ItemsDir());
    return true;
}

// The objects the launcher holds with a kept menu of 5,000 entries, every item measured and
// drawn, showing distinct icons: its own counts of the icons, fonts and brushes it creates and
// of the pixels it keeps for icons, and the system's count of the process's GDI and USER
// objects where it answers (under Wine GetGuiResources gives 0).
bool GdiFigures(HWND window, int distinct)
{
    const int count = 5000;
    RemoveTree(ItemsDir());
    CreateDirectoryA(ItemsDir().c_str(), nullptr);
    for (int i = 0; i < count; ++i) {
        std::string path = ItemsDir() + "\\entry " + std::to_string(i) + ".txt";
        CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    HANDLE process = GetCurrentProcess();
    DWORD gdiBefore = GetGuiResources(process, GR_GDIOBJECTS);
    DWORD userBefore = GetGuiResources(process, GR_USEROBJECTS);
    LiveCounts before = g_live;
    KeptOnce(window);
    if (KeptOnce(window) != count)
        return false;
    // Under Wine the shell gives files of one kind one icon (an exe's own icon is not found in a
    // folder listing): distinct icons are added to the system image list, and the entries
    // share them in turn, distinct apart.
    IImageList* list = SmallIconList();
    HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
    int first = -1;
    for (int i = 0; i < distinct; ++i) {
        int added = -1;
        list->ReplaceIcon(-1, icon, &added);
        first = i == 0 ? added : first;
    }
    int i = 0;
    for (LauncherRecord* record = g_launcher.keptMenu.records; record; record = record->next, ++i)
        record->iconIndex = first + i % distinct;
    HDC screen = GetDC(window);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 400, 40);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    std::vector<bool> seen;
    int icons = 0, late = 0;
    double drawStart = Now();
    for (LauncherRecord* record = g_launcher.keptMenu.records; record; record = record->next) {
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_MENU;
        dis.itemID = record->id;
        dis.itemData = reinterpret_cast<ULONG_PTR>(record);
        dis.hDC = dc;
        dis.rcItem = {0, 0, 400, 40};
        DrawLauncherItem(window, &dis);
        late += record->iconLate;
        if (record->iconIndex >= static_cast<int>(seen.size()))
            seen.resize(record->iconIndex + 1);
        if (record->iconIndex >= 0 && !seen[record->iconIndex]) {
            seen[record->iconIndex] = true;
            ++icons;
        }
    }
    double drawn = (Now() - drawStart) * 1000 / count;
    // The same icons drawn by the image list itself, as the items were before their pixels were kept.
    double listStart = Now();
    for (LauncherRecord* record = g_launcher.keptMenu.records; record; record = record->next) {
        IMAGELISTDRAWPARAMS params = {sizeof(params), nullptr, record->iconIndex, dc, kIconInset, kIconInset, 0, 0, 0, 0,
                                      CLR_DEFAULT, CLR_DEFAULT, ILD_NORMAL, SRCCOPY, 0, 0, 0};
        SmallIconList()->Draw(&params);
    }
    double listed = (Now() - listStart) * 1000 / count;
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(window, screen);
    IconPixelFigures pixels = IconPixelsHeld();
    printf("\nkept menu of %d entries with %d distinct icons, measured and drawn: the launcher holds %ld icons, "
           "%ld fonts, %ld brushes more (its own counts), and for the icons' pixels %d GDI objects and %.1f KB "
           "(%d kept); GetGuiResources: GDI %lu -> %lu, USER %lu -> %lu\n",
           count, icons, g_live.icons - before.icons, g_live.fonts - before.fonts, g_live.brushes - before.brushes,
           pixels.gdiObjects, pixels.bytes / 1024.0, pixels.slots, gdiBefore, GetGuiResources(process, GR_GDIOBJECTS),
           userBefore, GetGuiResources(process, GR_USEROBJECTS));
    printf("an item drawn: %.1f us; its icon alone drawn by the image list: %.1f us; %d icons late\n", drawn, listed,
           late);
    FreeKeptMenu(true);
    RemoveTree(ItemsDir());
    return true;
}

// A move at count entries, the level listed in one order and stored in the reverse; false
// when the order did not come out as stored.
bool OrderFigures(int count)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back("entry " + std::to_string(10000 + i) + " \xE3\x82\xA8\xE3\x83\xB3\xE3\x83\x88\xE3\x83\xAA.lnk");
    std::vector<OrderName> shell, current(count);
    std::string text = "items\\\r\n";
    size_t nameBytes = 0;
    for (int i = 0; i < count; ++i) {
        shell.push_back({names[i].data(), names[i].size()});
        text += names[count - 1 - i] + "\r\n";
        nameBytes += names[i].size();
    }
    std::vector<size_t> order(count), scratch(count);
    std::vector<OrderFolder> folders(1);
    std::vector<OrderName> stored(count);
    std::vector<char> written(text.size() + 16);
    bool right = true;
    auto rules = [&] {
        size_t folderCount = 0, nameCount = 0;
        ParseOrderText(text.data(), text.size(), nullptr, 0, nullptr, 0, &folderCount, &nameCount);
        ParseOrderText(text.data(), text.size(), folders.data(), 1, stored.data(), count, &folderCount, &nameCount);
        ApplyOrder(shell.data(), count, folders[0].names, folders[0].count, order.data(), scratch.data());
        right = right && order[0] == static_cast<size_t>(count - 1);
        for (int i = 0; i < count; ++i)
            current[i] = shell[order[i]];
        MoveOrderEntry(current.data(), sizeof(OrderName), count, 2, 0);
        const OrderFolder level = {folders[0].path, current.data(), static_cast<size_t>(count)};
        size_t length = WriteOrderText(&level, 1, nullptr, 0);
        right = right && length + 1 <= written.size();
        WriteOrderText(&level, 1, written.data(), written.size());
    };
    std::string items = ItemsDir();
    OrderStore store = {};
    auto withFile = [&] {
        LoadOrderFile(store);
        ApplyFolderOrder(store, items.c_str(), shell.data(), count, order.data());
        for (int i = 0; i < count; ++i)
            current[i] = shell[order[i]];
        MoveOrderEntry(current.data(), sizeof(OrderName), count, 2, 0);
        right = SetFolderOrder(store, items.c_str(), current.data(), count) && right;
    };
    std::vector<double> ruleTimes, fileTimes;
    for (int i = 0; i < 51; ++i)
        ruleTimes.push_back(TimeOnce(rules));
    withFile();  // the file made once: every timed save replaces it
    for (int i = 0; i < 21; ++i)
        fileTimes.push_back(TimeOnce(withFile));
    OrderFileStamp stamp = ReadOrderFileStamp();
    FreeOrderStore(store);
    char path[kPathBytes];
    MakeExePath(path, kOrderFileName);
    DeleteFileA(path);
    printf("a move at %d entries: the rules %.3f ms, with the order file loaded and saved %.2f ms; the file %lu "
           "bytes, %.1f per entry beyond its name\n",
           count, Median(ruleTimes), Median(fileTimes), static_cast<unsigned long>(stamp.size),
           (static_cast<double>(stamp.size) - nameBytes) / count);
    return right;
}

}  // namespace

// With /order only the figures of the user's order; with /objects only the objects held at
// 5,000 entries.
int main(int argc, char** argv)
{
    if (argc > 1 && strcmp(argv[1], "/order") == 0)
        return OrderFigures(1000) && OrderFigures(5000) ? 0 : 1;
    bool objectsOnly = argc > 1 && lstrcmpiA(argv[1], "/objects") == 0;
    CoInitialize(nullptr);
    HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    printf("%8s %14s %14s %8s %16s %16s %16s\n", "entries", "launcher ms", "floor ms", "ratio", "kept menu ms",
           "kept bytes/entry", "rebuild +1 ms");
    int status = 0;
    for (int count : {10, 100, 1000}) {
        if (objectsOnly)
            break;
        if (!MakeItems(count)) {
            printf("could not make %d shortcuts\n", count);
            status = 1;
            break;
        }
        // Warm the shell's caches once before timing either side.
        if (LauncherOnce(window) != count || FloorOnce() != count) {
            printf("%d entries: the menu or the floor did not list them all\n", count);
            status = 1;
            break;
        }
        int runs = count >= 1000 ? 5 : 9;
        // Interleaved, so drift on a busy machine falls on both sides alike.
        std::vector<double> floors, launchers, kepts;
        for (int i = 0; i < runs; ++i) {
            floors.push_back(TimeOnce([&] { FloorOnce(); }));
            launchers.push_back(TimeOnce([&] { LauncherOnce(window); }));
        }
        if (KeptOnce(window) != -1 && KeptOnce(window) != count) {
            printf("%d entries: the kept menu did not list them all\n", count);
            status = 1;
            break;
        }
        for (int i = 0; i < runs; ++i)
            kepts.push_back(TimeOnce([&] { KeptOnce(window); }));
        // What a kept menu of this many entries holds: built again (every entry's shell
        // caches already warm) and measured, against the heap without it.
        FreeKeptMenu(true);
        SIZE_T without = HeapBytesInUse();
        KeptOnce(window);
        double perEntry = (static_cast<double>(HeapBytesInUse()) - without) / count;
        // One entry more: the kept menu is built anew, every other entry's record reused.
        std::vector<double> rebuilds;
        for (int i = 0; i < runs; ++i) {
            std::string added = ItemsDir() + "\\added " + std::to_string(i) + ".txt";
            HANDLE file = CreateFileA(added.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            CloseHandle(file);
            rebuilds.push_back(TimeOnce([&] { KeptOnce(window); }));
            DeleteFileA(added.c_str());
            KeptOnce(window);
        }
        FreeKeptMenu(true);
        std::sort(rebuilds.begin(), rebuilds.end());
        std::sort(kepts.begin(), kepts.end());
        std::sort(floors.begin(), floors.end());
        std::sort(launchers.begin(), launchers.end());
        double floor = floors[runs / 2];
        double launcher = launchers[runs / 2];
        printf("%8d %14.2f %14.2f %8.2f %16.2f %16.0f %16.2f\n", count, launcher, floor, launcher / floor,
               kepts[runs / 2], perEntry, rebuilds[runs / 2]);
    }
    if (status == 0 && !objectsOnly && !SubmenuFigures(window)) {
        printf("the submenu figures went wrong\n");
        status = 1;
    }
    for (int distinct : {50, 5000}) {
        if (status == 0 && !GdiFigures(window, distinct)) {
            printf("the kept menu of 5000 entries with %d icons could not be made or did not list them all\n",
                   distinct);
            status = 1;
        }
    }
    printf("\n");
    for (int count : {1000, 5000}) {
        if (status == 0 && !OrderFigures(count)) {
            printf("the order of %d entries went wrong\n", count);
            status = 1;
        }
    }
    RemoveTree(ItemsDir());
    DestroyWindow(window);
    CoUninitialize();
    return status;
}
