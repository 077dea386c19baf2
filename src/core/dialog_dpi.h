// A dialog that follows WM_DPICHANGED: moved to a monitor of another DPI it takes the
// suggested rectangle, its template's font at the new DPI and its template's layout in
// dialog units at that font's base units. Shared by the settings and drop dialogs.
#pragma once
#include <windows.h>

// At WM_INITDIALOG: notes the dialog's font, base units, DPI and each control's place in
// dialog units (read back from where the dialog manager put it), held by the dialog.
void RecordDialogLayout(HWND dialog);

// WM_DPICHANGED: wParam the new DPI, lParam the suggested window RECT. Returns TRUE (the
// dialog has handled it, so no default scaling of the dialog manager adds to it).
INT_PTR OnDialogDpiChanged(HWND dialog, WPARAM wParam, LPARAM lParam);

// At WM_DESTROY: frees the record and the font made for a DPI change.
void FreeDialogLayout(HWND dialog);
