// The owner-drawn launcher items: the look captured before each menu, measure and draw.
#pragma once
#include <windows.h>

void CaptureMenuLook();
void MeasureLauncherItem(HWND window, MEASUREITEMSTRUCT* mis);
void DrawLauncherItem(HWND window, DRAWITEMSTRUCT* dis);
