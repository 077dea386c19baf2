// Keys typed on the keyboard for the tray window's open menus under Wine. Nothing here
// owns a resource.
#pragma once
#include <windows.h>

// WM_ENTERIDLE from a menu's loop (wParam MSGF_MENU, lParam its window): under Wine only,
// the open menu's window is given the keyboard focus, so that real key presses reach it.
// On Windows nothing happens: there the menu's loop gets the keyboard already.
// owner: the menu's owner, to which kRenewMessageTime is posted and at once taken back.
void OnMenuIdle(HWND owner, WPARAM wParam, LPARAM lParam);

// Posted to the menu's owner and taken back at once by OnMenuIdle; does nothing else.
constexpr UINT kRenewMessageTime = WM_APP + 21;
