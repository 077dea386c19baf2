// The drop dialog (106): files dropped on it become shortcuts in the items folder.
#pragma once
#include <windows.h>

INT_PTR CALLBACK DropDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog modal to owner; while it is open, a second call brings it to the front.
void ShowDropDialog(HWND owner);

// Opens the items folder in the shell; does nothing when its path can't be built.
void OpenItemsFolder();
