// The drop dialog. Not built yet: the command opens nothing.
#include "registration/drop_dialog.h"

INT_PTR CALLBACK DropDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

void ShowDropDialog(HWND) {}
