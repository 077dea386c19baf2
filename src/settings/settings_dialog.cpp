// The settings dialog: shows the four settings of the settings file and writes them back.
#include "settings/settings_dialog.h"

#include "core/app_state.h"
#include "core/center_window.h"
#include "core/dialog_dpi.h"
#include "core/one_dialog.h"
#include "resources/resource.h"
#include "settings/settings_file.h"

namespace {

// The radio buttons of "DeskTopShow"/"Key", indexed by the value they stand for.
constexpr int kKeyButtons[] = {IDC_KEY_CTRL, IDC_KEY_MIDDLE, IDC_KEY_SHIFT};

BOOL InitSettingsDialog(HWND dialog)
{
    UINT folderView = ReadSetting(kSectionMyComputer, kKeyFolderView, 1);
    UINT iconShow = ReadSetting(kSectionIcon, kKeyIconShow, 1);
    UINT message = ReadSetting(kSectionExit, kKeyMessage, 0);
    UINT key = ReadSetting(kSectionDesktop, kKeyDesktopKey, 0);

    SendDlgItemMessageA(dialog, IDC_FOLDERVIEW, BM_SETCHECK, folderView, 0);
    SendDlgItemMessageA(dialog, IDC_ICONSHOW, BM_SETCHECK, iconShow, 0);
    SendDlgItemMessageA(dialog, IDC_EXITMESSAGE, BM_SETCHECK, message, 0);
    // Any value but 0, 1 and 2 (3, Alt + left click, is set by hand) selects none.
    for (UINT value = 0; value < 3; ++value)
        SendDlgItemMessageA(dialog, kKeyButtons[value], BM_SETCHECK, key == value ? BST_CHECKED : BST_UNCHECKED, 0);

    CenterOnDesktop(dialog);
    return TRUE;
}

void WriteCheckBox(HWND dialog, int id, const char* section, const char* key)
{
    char text[16];
    wsprintfA(text, "%d", IsDlgButtonChecked(dialog, id));
    WriteSetting(section, key, text);
}

void SaveSettings(HWND dialog)
{
    WriteCheckBox(dialog, IDC_FOLDERVIEW, kSectionMyComputer, kKeyFolderView);
    WriteCheckBox(dialog, IDC_ICONSHOW, kSectionIcon, kKeyIconShow);
    WriteCheckBox(dialog, IDC_EXITMESSAGE, kSectionExit, kKeyMessage);
    // With no radio button selected (the file held a value the dialog does not offer) the
    // key keeps what the file holds.
    for (int value = 0; value < 3; ++value) {
        if (IsDlgButtonChecked(dialog, kKeyButtons[value]) == BST_CHECKED) {
            char text[16];
            wsprintfA(text, "%d", value);
            WriteSetting(kSectionDesktop, kKeyDesktopKey, text);
            break;
        }
    }
}

}  // namespace

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    INT_PTR result = FALSE;
    if (OneDialogMessage(dialog, &g_app.settingsDialog, message, wParam, lParam, &result))
        return result;
    switch (message) {
    case WM_INITDIALOG:
        return InitSettingsDialog(dialog);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SAVE:
            SaveSettings(dialog);
            return TRUE;
        case IDC_SAVE_CLOSE:
            SaveSettings(dialog);
            CloseOneDialog(dialog, &g_app.settingsDialog, wParam);
            return TRUE;
        case IDC_CLOSE:
            CloseOneDialog(dialog, &g_app.settingsDialog, wParam);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void ShowSettingsDialog(HWND owner)
{
    ShowOneDialog(owner, &g_app.settingsDialog, IDD_SETTINGS, SettingsDlgProc);
}
