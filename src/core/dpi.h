// The DPI a window-thread drawing is made for: of the monitor under a point, of a window,
// and the system metrics and menu font at a DPI. Through the platform table's per-monitor
// calls where the system has them; without them every answer is the system DPI's, exactly
// as the program measured before it knew of monitors.
#pragma once
#include <windows.h>

// The DPI the program is drawn at where no per-monitor call exists: LOGPIXELSY of the screen.
UINT SystemDpi();

// The effective DPI of the monitor under the point (the nearest one when none is).
UINT DpiAtPoint(POINT point);

// The DPI the window is drawn at.
UINT DpiOfWindow(HWND window);

// GetSystemMetrics of a size (an icon's, a border's) at the DPI: the plain call's value at
// the system DPI, GetSystemMetricsForDpi's at another, or without it the plain one scaled.
int SystemMetricForDpi(int index, UINT dpi);

// The non-client metrics (the menu font among them) at the DPI, into a metrics->cbSize
// form of NONCLIENTMETRICSA: SystemParametersInfoA's own at the system DPI,
// SystemParametersInfoForDpi's at another, or without it SystemParametersInfoA's with the
// five fonts' heights scaled (the other sizes stay the system DPI's).
BOOL NonClientMetricsForDpi(NONCLIENTMETRICSA* metrics, UINT dpi);
