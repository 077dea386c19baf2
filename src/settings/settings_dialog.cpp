// The settings dialog. Not built yet: the command opens nothing.
#include "settings/settings_dialog.h"

INT_PTR CALLBACK SettingsDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

void ShowSettingsDialog(HWND) {}
