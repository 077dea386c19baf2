// CenterOnDesktop: both dialogs call it from WM_INITDIALOG.
#include "core/center_window.h"

void CenterOnDesktop(HWND window)
{
    RECT desktop;
    RECT own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    // Signed division, rounding toward zero.
    SetWindowPos(window, HWND_TOP, (desktop.right - width) / 2, (desktop.bottom - height) / 2, width,
                 height, SWP_SHOWWINDOW);
}
