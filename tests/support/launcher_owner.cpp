// The launcher driven in-process.
#include "launcher_owner.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/tray_window.h"
#include "exe_driver.h"
#include "launcher/icon_fetch.h"
#include "launcher/launcher_state.h"
#include "tray/tray_icon.h"

namespace {
LRESULT CALLBACK LauncherOwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* owner = reinterpret_cast<LauncherOwner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!owner)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY)
        owner->window = nullptr;
    if (message == WM_INITMENUPOPUP) {
        owner->menusOpened.push_back(reinterpret_cast<HMENU>(wParam));
        if (owner->whileOpen)
            owner->whileOpen(reinterpret_cast<HMENU>(wParam));
        if (owner->escapeAtOnce)
            PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    if (std::find(owner->forwarded.begin(), owner->forwarded.end(), message) != owner->forwarded.end())
        return TrayWndProc(hwnd, message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::function<void(HWND)> g_whenMenuOpens;
int g_ticksUntilEscape = 0;
UINT_PTR g_menuTimer = 0;

void CALLBACK MenuOpenTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND menu = FindTopWindow(L"#32768", nullptr);
    if (menu && !IsWindowVisible(menu))
        menu = nullptr;
    if (g_whenMenuOpens) {
        if (!menu)
            return;
        auto act = std::move(g_whenMenuOpens);
        g_whenMenuOpens = nullptr;
        g_ticksUntilEscape = 150;
        act(menu);
        return;
    }
    // So that a failing test does not wait for ever on a menu its keys left open.
    if (!menu || --g_ticksUntilEscape <= 0) {
        KillTimer(nullptr, timer);
        g_menuTimer = 0;
        if (menu)
            PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 1);
    }
}
}  // namespace

LauncherOwner::LauncherOwner(std::initializer_list<UINT> forwarded, bool escapeAtOnce)
    : window(MakeWindow(L"MorvekLauncherOwner", LauncherOwnerProc)), escapeAtOnce(escapeAtOnce), forwarded(forwarded)
{
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LauncherOwner::~LauncherOwner()
{
    // Late icons from its builds are dropped, not posted to a window that is gone.
    SendLateIconsTo(nullptr, 0);
    DestroyWindow(window);
}

bool LauncherOwner::Step(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    int exitCode = 0;
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs || !TrayLoopStep(window, 20, &exitCode))
            return false;
    }
    return true;
}

void WhenMenuOpens(std::function<void(HWND menuWindow)> act)
{
    g_whenMenuOpens = std::move(act);
    // One timer at a time, also when act asks again from inside the timer.
    if (!g_menuTimer)
        g_menuTimer = SetTimer(nullptr, 0, 20, MenuOpenTimer);
}

bool TakeQuitMessage()
{
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

MENUITEMINFOA MenuItemAt(HMENU menu, UINT position, UINT mask)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = mask;
    info.dwItemData = 0xdeadbeef;
    info.hSubMenu = reinterpret_cast<HMENU>(0xdeadbeef);
    EXPECT_TRUE(GetMenuItemInfoA(menu, position, TRUE, &info)) << "item " << position << ", error " << GetLastError();
    return info;
}

void FreeMenuExpectingNothingLeft(HMENU menu, LaunchEntry* head, const LiveCounts& before)
{
    FreeFolderMenu(menu, head);
    EXPECT_EQ(nullptr, g_launcher.recordListHead);
    EXPECT_EQ(before.idLists, g_live.idLists) << "item-ID lists left over";
    EXPECT_EQ(before.icons, g_live.icons) << "icons left over";
}

MEASUREITEMSTRUCT MeasureItem(HWND owner, UINT id, ULONG_PTR data)
{
    MEASUREITEMSTRUCT mis = {ODT_MENU, 0, id, 0xdeadbeef, 0xdeadbeef, data};
    MeasureLauncherItem(owner, &mis);
    return mis;
}

void DrawItem(HWND owner, UINT id, ULONG_PTR data, HDC dc, const RECT& rect, UINT state)
{
    DRAWITEMSTRUCT dis = {ODT_MENU, 0, id, ODA_DRAWENTIRE, state, nullptr, dc, rect, data};
    DrawLauncherItem(owner, &dis);
}

SIZE MenuTextExtent(const std::wstring& text, const LOGFONTA& font)
{
    HDC dc = GetDC(nullptr);
    HFONT made = CreateFontIndirectA(&font);
    HGDIOBJ previous = SelectObject(dc, made);
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    DeleteObject(made);
    ReleaseDC(nullptr, dc);
    return size;
}

DibCanvas::DibCanvas(int width, int height)
{
    BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels = static_cast<DWORD*>(bits);
    previous = SelectObject(dc, bitmap);
}

DibCanvas::~DibCanvas()
{
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
}
