// The colours of the launcher menus: today's system colours when the app theme is light
// or high contrast is on, the colours of the system's own dark context menus when the app
// theme is dark. The one menu background brush for dark menus belongs to this file; it is
// made at the first dark click and kept until quit (a kept menu or submenu may still hold
// it after the theme turned light). Window thread only.
#pragma once
#include <windows.h>

#include "launcher/launcher_types.h"

// Dark context menus of Windows 10 (1903) and later. Not measured here: these are the
// values commonly read off screenshots of the shell's dark context menus (background
// #2B2B2B, highlighted item #414141, white text), so they are close estimates.
constexpr COLORREF kDarkMenuBackground = RGB(0x2B, 0x2B, 0x2B);
constexpr COLORREF kDarkMenuHighlight = RGB(0x41, 0x41, 0x41);
constexpr COLORREF kDarkMenuText = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kDarkMenuSeparator = RGB(0x80, 0x80, 0x80);

// Whether the launcher is drawn dark now: the app theme is dark ("AppsUseLightTheme" 0),
// high contrast is off, and the system is one whose own menus (the main menu, the shell's
// menu on an entry) can be dark: Windows 10 1903 or later. Before it the system's menus
// stay light, and so does the launcher, so the two agree. Read at each click; a missing
// value means light.
bool ReadDarkMenuTheme();

// Fills the look's theme and colours (the highlight colours are already the system's).
void CaptureMenuColours(MenuLook* look);

// Gives the menu the background of the look: the dark brush, or the system's own.
void ApplyMenuBackground(HMENU menu, const MenuLook& look);

// The item data of a launcher separator drawn in the dark menu's colours: a record no item
// has the id of, so it is never taken for an entry's (RecordOfItemData).
ULONG_PTR DarkSeparatorData();
// The separator at position of a launcher menu: the system's own when the look is light, as
// it always was; owner-drawn (DarkSeparatorData) when it is dark, since the system would
// draw it in the light theme's colours across the dark menu.
void ApplySeparatorLook(HMENU menu, UINT position, const MenuLook& look);

// uxtheme's unnamed exports for dark popup menus, present from Windows 10 1903 (build 18362).
constexpr WORD kOrdinalSetPreferredAppMode = 135;
constexpr WORD kOrdinalFlushMenuThemes = 136;
struct DarkMenuCalls {
    int(WINAPI* setPreferredAppMode)(int mode);
    void(WINAPI* flushMenuThemes)();
};

// Both entry points, looked up only on a build known to have them; both null elsewhere
// or when either is missing.
DarkMenuCalls LookUpDarkMenuCalls();

// Where Windows offers its entry points for dark popup menus (uxtheme, by ordinal, from
// Windows 10 1903 on), lets the menus it draws itself be dark when the launcher is (never in
// high contrast) and light otherwise, and flushes their theme when that changed since the
// last click. Elsewhere nothing happens.
void FollowSystemMenuTheme(bool dark);

// At quit: frees the dark background brush, if any.
void FreeMenuThemeBrush();
