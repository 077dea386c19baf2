// Type-ahead in the launcher menus: a typed character selects, or chooses, an item by the
// first character of its name, as a mnemonic does in an ordinary menu. Owns nothing;
// window thread only.
#pragma once
#include <windows.h>

#include "launcher/launcher.h"

// The answer to WM_MENUCHAR (declared in launcher.h): the next item whose name starts with
// the character in LOWORD(wParam), without regard to case, is selected; when it is the only
// one it is chosen at once. A character that starts no name leaves the menu as it is.
