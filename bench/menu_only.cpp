// A stand-in for Morvek that launcher_bench can click: the same hidden window class and
// tray icon, and on a left click a popup of owner-drawn items, each the small shell icon
// and name of an entry of the items folder beside the exe, laid out as the launcher's.
// Run alone, it lists the folder once at start and keeps names and icons: a click costs
// what showing and painting the popup costs by itself. Run with /floor, every click lists
// the folder through the shell, fetches every small icon and frees them after the menu, as
// the launcher does without COM initialised: the least a menu built per click can cost.
// Run with /desktop, it lists the shell's desktop instead, once at start, as the popup alone
// beside Morvek's desktop list.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "launcher/owner_draw.h"

namespace {

struct Entry {
    LPITEMIDLIST list;
    HICON icon;
    char text[MAX_PATH];
};

bool g_floor = false;
bool g_desktop = false;
std::vector<Entry> g_entries;
HFONT g_menuFont = nullptr;

void FreeEntries()
{
    for (Entry& entry : g_entries) {
        if (entry.icon)
            DestroyIcon(entry.icon);
        ILFree(entry.list);
    }
    g_entries.clear();
}

// The shell's enumeration of the items folder (or the desktop) and the small-icon fetch for
// each entry.
void LoadEntries()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    lstrcpyA(strrchr(path, '\\') + 1, "items");
    wchar_t widePath[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH);

    IShellFolder* desktop = nullptr;
    if (SHGetDesktopFolder(&desktop) != S_OK)
        return;
    LPITEMIDLIST folderList = nullptr;
    IShellFolder* folder = nullptr;
    IEnumIDList* children = nullptr;
    if (g_desktop) {
        folder = desktop;
        folder->AddRef();
    } else if (desktop->ParseDisplayName(nullptr, nullptr, widePath, nullptr, &folderList, nullptr) != S_OK ||
               desktop->BindToObject(folderList, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder)) !=
                   S_OK) {
        folder = nullptr;
    }
    if (folder && folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &children) == S_OK) {
        LPITEMIDLIST child = nullptr;
        ULONG fetched = 0;
        while (children->Next(1, &child, &fetched) == S_OK) {
            Entry entry = {};
            STRRET name = {};
            if (folder->GetDisplayNameOf(child, SHGDN_NORMAL, &name) == S_OK)
                StrRetToBufA(&name, child, entry.text, sizeof(entry.text));
            entry.list = folderList ? ILCombine(folderList, child) : ILClone(child);
            SHFILEINFOA info = {};
            SHGetFileInfoA(reinterpret_cast<LPCSTR>(entry.list), 0, &info, sizeof(info),
                           SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON);
            entry.icon = info.hIcon;
            g_entries.push_back(entry);
            CoTaskMemFree(child);
        }
    }
    if (children)
        children->Release();
    if (folder)
        folder->Release();
    CoTaskMemFree(folderList);
    desktop->Release();
}

void ShowMenu(HWND window)
{
    if (g_floor)
        LoadEntries();
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    g_menuFont = CreateFontIndirectA(&metrics.lfMenuFont);

    HMENU menu = CreatePopupMenu();
    for (size_t i = 0; i < g_entries.size(); ++i)
        AppendMenuA(menu, MF_OWNERDRAW, 2000 + i, reinterpret_cast<LPCSTR>(&g_entries[i]));
    POINT point = {};
    GetCursorPos(&point);
    SetForegroundWindow(window);
    TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_VCENTERALIGN | TPM_BOTTOMALIGN, point.x, point.y, 0,
                   window, nullptr);
    DestroyMenu(menu);
    DeleteObject(g_menuFont);
    if (g_floor)
        FreeEntries();
}

void MeasureItem(HWND window, MEASUREITEMSTRUCT* item)
{
    const auto* entry = reinterpret_cast<const Entry*>(item->itemData);
    HDC dc = GetDC(window);
    HGDIOBJ previous = SelectObject(dc, g_menuFont);
    SIZE text = {};
    GetTextExtentPoint32A(dc, entry->text, lstrlenA(entry->text), &text);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    int iconCy = GetSystemMetrics(SM_CYSMICON);
    item->itemWidth = GetSystemMetrics(SM_CXSMICON) + text.cx + kTextIndent;
    item->itemHeight = (iconCy > text.cy ? iconCy : text.cy) + kItemPadding;
}

void DrawItem(DRAWITEMSTRUCT* item)
{
    const auto* entry = reinterpret_cast<const Entry*>(item->itemData);
    RECT r = item->rcItem;
    HDC dc = item->hDC;
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    if (selected) {
        SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    int iconCx = GetSystemMetrics(SM_CXSMICON);
    if (entry->icon)
        DrawIconEx(dc, r.left + kIconInset, r.top + kIconInset, entry->icon, iconCx, GetSystemMetrics(SM_CYSMICON),
                   0, nullptr, DI_NORMAL);
    RECT box = {r.left + kTextIndent + iconCx, r.top + kTextTop, r.right, r.bottom};
    DrawTextA(dc, entry->text, lstrlenA(entry->text), &box, DT_BOTTOM | DT_NOPREFIX);
}

NOTIFYICONDATAA TrayRecord(HWND window)
{
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = 1;
    return record;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_USER:
        if (lParam == WM_LBUTTONUP)
            ShowMenu(window);
        return 0;
    case WM_MEASUREITEM:
        MeasureItem(window, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DRAWITEM:
        DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DESTROY: {
        NOTIFYICONDATAA record = TrayRecord(window);
        Shell_NotifyIconA(NIM_DELETE, &record);
        PostQuitMessage(0);
        return 0;
    }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    g_floor = lstrcmpiA(commandLine, "/floor") == 0;
    g_desktop = lstrcmpiA(commandLine, "/desktop") == 0;
    // Alone, the entries are ready before the tray icon appears, so no click waits for them.
    if (!g_floor)
        LoadEntries();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "Morvek";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "Morvek", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
    NOTIFYICONDATAA record = TrayRecord(window);
    record.uFlags = NIF_MESSAGE | NIF_ICON;
    record.uCallbackMessage = WM_USER;
    record.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    Shell_NotifyIconA(NIM_ADD, &record);
    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    FreeEntries();
    return 0;
}
