// Tray clicks. The launcher menus are not wired up yet: clicks do nothing.
#include "launcher/tray_click.h"

LRESULT OnTrayNotify(HWND, WPARAM, LPARAM)
{
    return 0;
}
