// Keys typed on the keyboard for the tray window's open menus under Wine. Nothing here
// owns a resource.
#pragma once
#include <windows.h>

// WM_ENTERIDLE from a menu's loop (wParam MSGF_MENU, lParam its window): under Wine only,
// the open menu's window is given the keyboard focus, so that real key presses reach it.
// On Windows nothing happens: there the menu's loop gets the keyboard already.
void OnMenuIdle(WPARAM wParam, LPARAM lParam);
