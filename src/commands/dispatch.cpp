// Main menu commands: the two dialogs for now.
#include "commands/dispatch.h"

#include "registration/drop_dialog.h"
#include "resources/resource.h"
#include "settings/settings_dialog.h"

void OnCommand(HWND window, WPARAM wParam, LPARAM)
{
    switch (LOWORD(wParam)) {
    case IDM_SETTINGS:
        ShowSettingsDialog(window);
        break;
    case IDM_ADD_SHORTCUT:
        ShowDropDialog(window);
        break;
    }
}
