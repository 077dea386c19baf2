// Answering the mouse on the tray icon: the main menu, the launcher or the desktop list.
#pragma once
#include <windows.h>

// The tray callback: lParam carries the mouse message, wParam the icon id. Returns 0.
LRESULT OnTrayNotify(HWND window, WPARAM wParam, LPARAM lParam);
