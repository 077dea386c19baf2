// One dialog of a kind at a time: the tray window keeps taking commands while a dialog runs,
// so a command for a dialog already open brings that one forward. The handle lives in the
// AppState field the caller names, cleared when the dialog ends.
#pragma once
#include <windows.h>

// Brings *open forward when it is shown; otherwise runs the dialog (resource templateId)
// owned by owner until it ends.
void ShowOneDialog(HWND owner, HWND* open, int templateId, DLGPROC proc);

// Ends the dialog after telling its parent of the command (wParam). EndDialog only hides the
// dialog until its caller's loop ends (which a message box still open can hold off): from now
// on the command opens a new one.
void CloseOneDialog(HWND dialog, HWND* open, WPARAM wParam);

// WM_DESTROY: the dialog is no longer the one open.
void ForgetDialog(HWND dialog, HWND* open);

// The messages such a dialog answers alike, whatever its kind: WM_INITDIALOG records its
// layout and makes it the one open (its own set-up follows: false is returned);
// WM_DPICHANGED lays it out again; WM_DESTROY frees the layout and forgets it. True when
// the message is answered, with *result what the dialog procedure returns.
bool OneDialogMessage(HWND dialog, HWND* open, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result);
