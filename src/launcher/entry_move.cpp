// Moving an entry of an open launcher menu. A drag starts as a press on an entry of a level
// with an order of its own (menu_order.h), which the menu still sees (it highlights the item);
// beyond the drag distance the pointer's moves are taken from the menu, so no submenu opens
// and no highlight wanders, and a line between two items is drawn on the menu window where
// the entry would land. The release is taken as well: the entry moves and nothing launches.
// A menu's loop reads a mouse message's position from lParam, on the screen; so does this.
#include "launcher/entry_move.h"

#include <windowsx.h>

#include <cstdlib>

#include "launcher/folder_menu.h"
#include "launcher/launcher_state.h"
#include "launcher/menu_order.h"

namespace {

struct Drag {
    HMENU menu;   // the level pressed in; null while no drag is under way
    HWND window;  // its menu window
    int from;     // the entry pressed
    POINT start;
    bool moving;  // the pointer went beyond the drag distance
    int gap;      // the line is drawn before this position (the item count: after the last); -1 none
    RECT line;    // where the line was drawn, in the window's client coordinates
};
Drag g_drag;

POINT PointOf(const MSG& msg)
{
    return {GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
}

// The place the entry would land at point: before the item under it or after it, by the half
// it is in, within the level's entries; -1 outside them.
int GapAt(HMENU menu, POINT point)
{
    int first = FirstOrderedEntry(menu), count = GetMenuItemCount(menu);
    int item = MenuItemFromPoint(nullptr, menu, point);
    RECT rect = {};
    if (first < 0 || item < 0 || !GetMenuItemRect(nullptr, menu, static_cast<UINT>(item), &rect))
        return -1;
    int gap = point.y < (rect.top + rect.bottom) / 2 ? item : item + 1;
    return gap < first ? first : gap > count ? count : gap;
}

void EraseLine()
{
    if (g_drag.window && !IsRectEmpty(&g_drag.line)) {
        InvalidateRect(g_drag.window, &g_drag.line, FALSE);
        UpdateWindow(g_drag.window);
    }
    SetRectEmpty(&g_drag.line);
}

void DrawLine()
{
    EraseLine();
    int count = GetMenuItemCount(g_drag.menu);
    int item = g_drag.gap < count ? g_drag.gap : count - 1;
    RECT rect = {};
    if (g_drag.gap < 0 || !GetMenuItemRect(nullptr, g_drag.menu, static_cast<UINT>(item), &rect))
        return;
    MapWindowPoints(nullptr, g_drag.window, reinterpret_cast<POINT*>(&rect), 2);
    int y = g_drag.gap < count ? rect.top : rect.bottom;
    g_drag.line = {rect.left, y - 1, rect.right, y + 1};
    HDC dc = GetDC(g_drag.window);
    HBRUSH brush = CreateSolidBrush(g_launcher.menuLook.highlight);
    if (dc && brush)
        FillRect(dc, &g_drag.line, brush);
    if (brush)
        DeleteObject(brush);
    if (dc)
        ReleaseDC(g_drag.window, dc);
}

bool Cancel()
{
    EraseLine();
    g_drag = {};
    return true;
}

bool OnPress(POINT point)
{
    g_drag = {};
    HMENU menu = nullptr;
    HWND window = MenuWindowAt(point, &menu);
    int first = window ? FirstOrderedEntry(menu) : -1;
    int item = first >= 0 ? MenuItemFromPoint(nullptr, menu, point) : -1;
    if (item >= first && first >= 0)
        g_drag = {menu, window, item, point, false, -1, {}};
    return false;
}

bool OnMove(const MSG& msg, POINT point)
{
    // The button went up where the menu's loop did not see it.
    if (!(msg.wParam & MK_LBUTTON))
        return !Cancel();
    if (!g_drag.moving) {
        g_drag.moving = abs(point.x - g_drag.start.x) > GetSystemMetrics(SM_CXDRAG) ||
                        abs(point.y - g_drag.start.y) > GetSystemMetrics(SM_CYDRAG);
        if (!g_drag.moving)
            return false;
    }
    HMENU under = nullptr;
    int gap = MenuWindowAt(point, &under) == g_drag.window ? GapAt(g_drag.menu, point) : -1;
    if (gap != g_drag.gap || IsRectEmpty(&g_drag.line)) {
        g_drag.gap = gap;
        DrawLine();
    }
    return true;
}

bool OnRelease(POINT point, HWND owner)
{
    if (!g_drag.moving) {
        g_drag = {};
        return false;  // a plain click: the menu opens the entry
    }
    HMENU under = nullptr;
    int gap = MenuWindowAt(point, &under) == g_drag.window ? GapAt(g_drag.menu, point) : -1;
    Drag drag = g_drag;
    Cancel();
    int to = gap > drag.from ? gap - 1 : gap;
    if (gap >= 0 && MoveMenuEntry(drag.menu, drag.from, to)) {
        InvalidateRect(drag.window, nullptr, FALSE);
        // The highlight goes with the entry (Wine's menus move their selection so).
        HiliteMenuItem(owner, drag.menu, static_cast<UINT>(to), MF_BYPOSITION | MF_HILITE);
    }
    return true;
}

struct WindowSearch {
    HMENU menu;
    HWND found;
};

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    wchar_t className[16] = {};
    if (IsWindowVisible(window) && GetClassNameW(window, className, ARRAYSIZE(className)) &&
        lstrcmpW(className, L"#32768") == 0 &&
        reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0)) == search->menu) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND MenuWindowAt(POINT point, HMENU* menu)
{
    HWND under = WindowFromPoint(point);
    wchar_t className[16] = {};
    if (!under || GetWindowThreadProcessId(under, nullptr) != GetCurrentThreadId() ||
        !GetClassNameW(under, className, ARRAYSIZE(className)) || lstrcmpW(className, L"#32768") != 0)
        return nullptr;
    *menu = reinterpret_cast<HMENU>(SendMessageW(under, MN_GETHMENU, 0, 0));
    return under;
}

bool OnEntryDragMessage(const MSG& msg, HWND owner)
{
    switch (msg.message) {
    case WM_LBUTTONDOWN:
        return OnPress(PointOf(msg));
    case WM_MOUSEMOVE:
        return g_drag.menu && OnMove(msg, PointOf(msg));
    case WM_LBUTTONUP:
        return g_drag.menu && OnRelease(PointOf(msg), owner);
    case WM_KEYDOWN:
        // Escape ends the drag alone; the menu stays open.
        return g_drag.moving && msg.wParam == VK_ESCAPE && Cancel();
    default:
        return false;
    }
}

bool MoveHighlightedEntry(HMENU menu, int index, int step)
{
    int first = FirstOrderedEntry(menu);
    if (first < 0 || index < first)
        return false;
    int to = index + step;
    if (to < first || to >= GetMenuItemCount(menu))
        return true;
    MoveMenuEntry(menu, index, to);
    return false;
}

void EndEntryDrag()
{
    g_drag = {};
}

void RepaintMenu(HMENU menu)
{
    WindowSearch search = {menu, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindMenuWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found)
        InvalidateRect(search.found, nullptr, FALSE);
}
