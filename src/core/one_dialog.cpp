// One dialog of a kind at a time.
#include "core/one_dialog.h"

#include "core/dialog_dpi.h"

void ShowOneDialog(HWND owner, HWND* open, int templateId, DLGPROC proc)
{
    if (*open && IsWindowVisible(*open)) {
        SetForegroundWindow(*open);
        return;
    }
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
    DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), owner, proc, 0);
}

void CloseOneDialog(HWND dialog, HWND* open, WPARAM wParam)
{
    // The parent takes no action on the id; it is told all the same (a dialog without a
    // parent sends it nowhere).
    SendMessageA(GetParent(dialog), WM_COMMAND, wParam, 0);
    ForgetDialog(dialog, open);
    EndDialog(dialog, 0);
}

void ForgetDialog(HWND dialog, HWND* open)
{
    if (*open == dialog)
        *open = nullptr;
}

bool OneDialogMessage(HWND dialog, HWND* open, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result)
{
    switch (message) {
    case WM_INITDIALOG:
        // The layout is recorded before the dialog's own set-up moves anything.
        RecordDialogLayout(dialog);
        *open = dialog;
        return false;
    case WM_DPICHANGED:
        *result = OnDialogDpiChanged(dialog, wParam, lParam);
        return true;
    case WM_DESTROY:
        FreeDialogLayout(dialog);
        ForgetDialog(dialog, open);
        *result = FALSE;
        return true;
    }
    return false;
}
