// Keys typed on the keyboard for the tray window's open menus under Wine, and their focus
// kept. MenuFocusScope owns the two hooks it sets.
#pragma once
#include <windows.h>

// WM_ENTERIDLE from a menu's loop (wParam MSGF_MENU, lParam its window): under Wine only,
// the open menu's window is given the keyboard focus, so that real key presses reach it.
// On Windows nothing happens: there the menu's loop gets the keyboard already.
// owner: the menu's owner, to which kRenewMessageTime is posted and at once taken back.
void OnMenuIdle(HWND owner, WPARAM wParam, LPARAM lParam);

// Posted to the menu's owner and taken back at once by OnMenuIdle; does nothing else.
constexpr UINT kRenewMessageTime = WM_APP + 21;

// How often a menu window is given the focus again while no key has come to it (Wine only).
constexpr UINT kFocusRetryMs = 250;

// Around the tracking of a menu of ours (nested scopes count as one): under Wine, a menu
// window that goes leaves the activation with the owner, and an end of the menu that comes
// from the foreground taken by another process with no input since the menu opened is
// refused once, and the menu's window focused again; until a key comes to the menu, its
// window is given the focus again every kFocusRetryMs. Nothing on Windows.
class MenuFocusScope {
public:
    explicit MenuFocusScope(HWND owner);
    ~MenuFocusScope();
    MenuFocusScope(const MenuFocusScope&) = delete;
    MenuFocusScope& operator=(const MenuFocusScope&) = delete;
};

// EndMenu, for an end Morvek asks for itself (never refused).
void EndOurMenu();
