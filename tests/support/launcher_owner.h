// The launcher driven in-process: a stand-in for the tray window as its owner, menus acted
// on as they open, items measured and drawn as the owner does them.
#pragma once
#include <initializer_list>

#include "core/live_counts.h"
#include "files.h"
#include "launcher/folder_menu.h"
#include "launcher/launcher.h"

// A hidden stand-in for the tray window as the launcher's owner: the messages named go through
// the tray window's procedure (whose WM_CREATE would add an icon), the rest to the default one;
// by default the menu messages. It notes each popup menu that opens, with escapeAtOnce closes
// it with Escape, and stands for its window where an HWND is asked for. Step runs the
// program's own message loop until the condition holds, false at the deadline.
struct LauncherOwner {
    HWND window = nullptr;
    std::vector<HMENU> menusOpened;
    std::function<void(HMENU)> whileOpen;  // runs inside each menu as it opens
    bool escapeAtOnce;
    std::vector<UINT> forwarded;
    explicit LauncherOwner(std::initializer_list<UINT> forwarded = {WM_MENUCHAR, WM_MEASUREITEM, WM_DRAWITEM,
                                                                     WM_INITMENUPOPUP, kShowEntryContextMenu},
                           bool escapeAtOnce = false);
    ~LauncherOwner();
    LauncherOwner(const LauncherOwner&) = delete;
    LauncherOwner& operator=(const LauncherOwner&) = delete;
    operator HWND() const { return window; }
    bool Step(const std::function<bool()>& condition, DWORD timeoutMs = 15000);
};

// Runs act once from inside this thread's next menu loop, on the topmost visible menu
// window; a menu still open three seconds later is closed with Escape.
void WhenMenuOpens(std::function<void(HWND menuWindow)> act);

// Takes a WM_QUIT that a quit in the test program posted, so no later modal loop ends on it.
bool TakeQuitMessage();

// What a menu holds of its item at this position for the fields of mask, read over a
// poisoned record (data and submenu 0xdeadbeef); a test failure when it can't be read.
MENUITEMINFOA MenuItemAt(HMENU menu, UINT position, UINT mask);

// Frees a built folder menu as its owner does, then checks that its records and every icon
// and item-ID list they held are gone.
void FreeMenuExpectingNothingLeft(HMENU menu, LaunchEntry* head, const LiveCounts& before);

// A launcher item measured as WM_MEASUREITEM does (over poisoned sizes) and drawn whole as
// WM_DRAWITEM does, in this state, into dc across rect.
MEASUREITEMSTRUCT MeasureItem(HWND owner, UINT id, ULONG_PTR data);
void DrawItem(HWND owner, UINT id, ULONG_PTR data, HDC dc, const RECT& rect, UINT state = 0);
// The extent of text in font on the screen, measured wide as the launcher does.
SIZE MenuTextExtent(const std::wstring& text, const LOGFONTA& font);

// A memory DC over a 32-bit top-down DIB section whose pixels are read directly.
struct DibCanvas {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    DWORD* pixels = nullptr;
    DibCanvas(int width, int height);
    ~DibCanvas();
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;
};
