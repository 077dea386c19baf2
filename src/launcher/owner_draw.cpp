// Owner-drawn launcher items. Not wired up yet: the launcher menus do not exist.
#include "launcher/owner_draw.h"

void CaptureMenuLook() {}
void MeasureLauncherItem(HWND, MEASUREITEMSTRUCT*) {}
void DrawLauncherItem(HWND, DRAWITEMSTRUCT*) {}
