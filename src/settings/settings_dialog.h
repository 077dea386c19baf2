// The settings dialog (104): the four settings as three check boxes and three radio buttons.
#pragma once
#include <windows.h>

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog modal to owner; while it is open, a second call brings it to the front.
void ShowSettingsDialog(HWND owner);
