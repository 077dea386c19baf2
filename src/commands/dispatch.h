// The main tray menu's commands: confirmation and dispatch by id.
#pragma once
#include <windows.h>

// The command id is the low 16 bits of wParam; lParam is not used.
void OnCommand(HWND window, WPARAM wParam, LPARAM lParam);
