// Centring a dialog on the desktop, shared by both dialogs.
#pragma once
#include <windows.h>

// Moves the window to the middle of the desktop window's rectangle, keeping its size,
// shows it and brings it to the top of the Z order.
void CenterOnDesktop(HWND window);
