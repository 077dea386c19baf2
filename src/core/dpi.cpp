// The per-monitor DPI helpers of the window thread, over the platform table.
#include "core/dpi.h"

#include <cstddef>

#include "core/platform_calls.h"

namespace {

constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

void FontToAnsi(const LOGFONTW& wide, LOGFONTA* ansi)
{
    // The fields up to the face are the same in both forms.
    static_assert(offsetof(LOGFONTW, lfFaceName) == offsetof(LOGFONTA, lfFaceName), "LOGFONT heads agree");
    CopyMemory(ansi, &wide, offsetof(LOGFONTA, lfFaceName));
    if (!WideCharToMultiByte(CP_ACP, 0, wide.lfFaceName, -1, ansi->lfFaceName, LF_FACESIZE, nullptr, nullptr))
        ansi->lfFaceName[0] = '\0';
}

}  // namespace

UINT SystemDpi()
{
    // Read once: the system DPI changes only at the next sign-in, and a look read at a click
    // asks for it a dozen times, each a screen DC under Wine.
    static UINT systemDpi;
    if (!systemDpi) {
        HDC screen = GetDC(nullptr);
        int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
        if (screen)
            ReleaseDC(nullptr, screen);
        if (dpi <= 0)
            return USER_DEFAULT_SCREEN_DPI;
        systemDpi = static_cast<UINT>(dpi);
    }
    return systemDpi;
}

UINT DpiAtPoint(POINT point)
{
    UINT x = 0, y = 0;
    if (g_platform.GetDpiForMonitor &&
        SUCCEEDED(g_platform.GetDpiForMonitor(g_platform.MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST),
                                              kEffectiveDpi, &x, &y)) &&
        y != 0)
        return y;
    return SystemDpi();
}

UINT DpiOfWindow(HWND window)
{
    UINT dpi = g_platform.GetDpiForWindow ? g_platform.GetDpiForWindow(window) : 0;
    return dpi ? dpi : SystemDpi();
}

int SystemMetricForDpi(int index, UINT dpi)
{
    // At the system DPI the plain value, as before; at another, scaled as the system
    // scales its own sizes where it cannot say.
    UINT systemDpi = SystemDpi();
    if (dpi == systemDpi)
        return GetSystemMetrics(index);
    if (g_platform.GetSystemMetricsForDpi)
        return g_platform.GetSystemMetricsForDpi(index, dpi);
    return MulDiv(GetSystemMetrics(index), dpi, systemDpi);
}

BOOL NonClientMetricsForDpi(NONCLIENTMETRICSA* metrics, UINT dpi)
{
    UINT size = metrics->cbSize;
    UINT systemDpi = SystemDpi();
    if (g_platform.SystemParametersInfoForDpi && dpi != systemDpi) {
        NONCLIENTMETRICSW wide = {};
        wide.cbSize = sizeof(wide);
        if (g_platform.SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(wide), &wide, 0, dpi)) {
            // The sizes before and between the fonts, then each font in its ANSI form.
            metrics->iBorderWidth = wide.iBorderWidth;
            metrics->iScrollWidth = wide.iScrollWidth;
            metrics->iScrollHeight = wide.iScrollHeight;
            metrics->iCaptionWidth = wide.iCaptionWidth;
            metrics->iCaptionHeight = wide.iCaptionHeight;
            FontToAnsi(wide.lfCaptionFont, &metrics->lfCaptionFont);
            metrics->iSmCaptionWidth = wide.iSmCaptionWidth;
            metrics->iSmCaptionHeight = wide.iSmCaptionHeight;
            FontToAnsi(wide.lfSmCaptionFont, &metrics->lfSmCaptionFont);
            metrics->iMenuWidth = wide.iMenuWidth;
            metrics->iMenuHeight = wide.iMenuHeight;
            FontToAnsi(wide.lfMenuFont, &metrics->lfMenuFont);
            FontToAnsi(wide.lfStatusFont, &metrics->lfStatusFont);
            FontToAnsi(wide.lfMessageFont, &metrics->lfMessageFont);
            if (size > offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth))
                metrics->iPaddedBorderWidth = wide.iPaddedBorderWidth;
            return TRUE;
        }
    }
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, size, metrics, 0))
        return FALSE;
    if (dpi != systemDpi) {
        LOGFONTA* fonts[] = {&metrics->lfCaptionFont, &metrics->lfSmCaptionFont, &metrics->lfMenuFont,
                             &metrics->lfStatusFont, &metrics->lfMessageFont};
        for (LOGFONTA* font : fonts)
            font->lfHeight = MulDiv(font->lfHeight, dpi, systemDpi);
    }
    return TRUE;
}
