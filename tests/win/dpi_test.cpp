// The DPI helpers and the tray icon through the platform table: a monitor answering 144
// DPI beside the system's own, and every per-monitor call missing, as before Windows 10.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "core/dpi.h"
#include "core/platform_calls.h"
#include "tray/tray_icon.h"
#include "test_support.h"

namespace {

// The second monitor lies right of x = 10000; the first answers firstDpi.
const HMONITOR kSecondMonitor = reinterpret_cast<HMONITOR>(0x5ec0);
UINT g_firstDpi, g_secondDpi = 144;
std::vector<UINT> g_dpisAsked;  // by the ForDpi calls

HMONITOR WINAPI TwoMonitors(POINT point, DWORD flags)
{
    return point.x >= 10000 ? kSecondMonitor : MonitorFromPoint(point, flags);
}

HRESULT WINAPI MonitorDpi(HMONITOR monitor, int type, UINT* x, UINT* y)
{
    if (type != 0)
        return E_INVALIDARG;
    *x = *y = monitor == kSecondMonitor ? g_secondDpi : g_firstDpi;
    return S_OK;
}

int WINAPI MetricForDpi(int index, UINT dpi)
{
    g_dpisAsked.push_back(dpi);
    return index == SM_CXSMICON ? MulDiv(16, dpi, 96) : -1;
}

BOOL WINAPI ParametersForDpi(UINT action, UINT param, void* data, UINT winIni, UINT dpi)
{
    g_dpisAsked.push_back(dpi);
    auto* metrics = static_cast<NONCLIENTMETRICSW*>(data);
    BOOL ok = SystemParametersInfoW(action, param, data, winIni);
    metrics->lfMenuFont.lfHeight = -static_cast<LONG>(dpi);
    lstrcpyW(metrics->lfMenuFont.lfFaceName, L"Menu face");
    return ok;
}

class Dpi : public testing::Test {
protected:
    PlatformCalls saved = g_platform;
    UINT system = SystemDpi();
    void SetUp() override
    {
        g_firstDpi = system;  // the first monitor as the screen says
        g_dpisAsked.clear();
        g_platform.MonitorFromPoint = TwoMonitors;
        g_platform.GetDpiForMonitor = MonitorDpi;
        g_platform.GetSystemMetricsForDpi = MetricForDpi;
        g_platform.SystemParametersInfoForDpi = ParametersForDpi;
    }
    void TearDown() override { g_platform = saved; }
    void WithoutPerMonitorCalls()
    {
        g_platform.GetDpiForMonitor = nullptr;
        g_platform.GetDpiForWindow = nullptr;
        g_platform.GetSystemMetricsForDpi = nullptr;
        g_platform.SystemParametersInfoForDpi = nullptr;
    }
};

TEST_F(Dpi, EachMonitorItsOwnAndWithoutTheCallsTheSystemsAsBefore)
{
    EXPECT_EQ(system, DpiAtPoint({100, 100}));
    EXPECT_EQ(144u, DpiAtPoint({10100, 100}));
    g_secondDpi = 0;  // a monitor with no answer
    EXPECT_EQ(system, DpiAtPoint({10100, 100}));
    g_secondDpi = 144;
    const int smallIcon = GetSystemMetrics(SM_CXSMICON);
    EXPECT_EQ(smallIcon, SystemMetricForDpi(SM_CXSMICON, system));
    EXPECT_EQ(24, SystemMetricForDpi(SM_CXSMICON, 144));
    EXPECT_EQ(std::vector<UINT>{144}, g_dpisAsked) << "the system DPI asks the plain call";

    NONCLIENTMETRICSA plain = {}, atSystem = {}, at144 = {};
    plain.cbSize = atSystem.cbSize = at144.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    // Poisoned alike: the bytes past each face name's end are never written.
    for (NONCLIENTMETRICSA* metrics : {&plain, &atSystem, &at144})
        memset(&metrics->iBorderWidth, 0xde, plain.cbSize - sizeof(UINT));
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, plain.cbSize, &plain, 0));
    ASSERT_TRUE(NonClientMetricsForDpi(&atSystem, system));
    EXPECT_EQ(0, memcmp(&plain, &atSystem, plain.cbSize));
    ASSERT_TRUE(NonClientMetricsForDpi(&at144, 144));
    EXPECT_EQ(-144, at144.lfMenuFont.lfHeight);
    EXPECT_STREQ("Menu face", at144.lfMenuFont.lfFaceName);
    EXPECT_EQ((std::vector<UINT>{144, 144}), g_dpisAsked);

    // Before Windows 10 (and 8.1 for the monitor): the system DPI, the plain metrics
    // scaled when another DPI is asked for.
    WithoutPerMonitorCalls();
    EXPECT_EQ(system, DpiAtPoint({10100, 100}));
    HWND window = MakeWindow(L"DpiTestWindow", DefWindowProcW);
    EXPECT_EQ(system, DpiOfWindow(window));
    DestroyWindow(window);
    EXPECT_EQ(MulDiv(smallIcon, 144, system), SystemMetricForDpi(SM_CXSMICON, 144));
    ASSERT_TRUE(NonClientMetricsForDpi(&at144, 144));
    EXPECT_EQ(MulDiv(plain.lfMenuFont.lfHeight, 144, system), at144.lfMenuFont.lfHeight);
    EXPECT_STREQ(plain.lfMenuFont.lfFaceName, at144.lfMenuFont.lfFaceName);
    EXPECT_EQ(2u, g_dpisAsked.size());
}

SIZE IconSize(HICON icon)
{
    ICONINFO info = {};
    BITMAP bitmap = {};
    if (!GetIconInfo(icon, &info))
        return {-1, -1};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return {bitmap.bmWidth, bitmap.bmHeight};
}

TEST_F(Dpi, TheTrayIconIsLoadedAtTheSmallIconSizeOfTheTaskbarsDpi)
{
    HWND window = MakeWindow(L"DpiTestTray", DefWindowProcW);
    const long icons = g_live.icons;
    g_firstDpi = 144;
    AddTrayIcon(window);
    HICON large = g_tray.icon;
    EXPECT_EQ(std::vector<UINT>{144}, g_dpisAsked);
    EXPECT_EQ(24, IconSize(large).cx);
    EXPECT_EQ(icons + 1, g_live.icons);

    // The scale put back: the icon of today's size in its place, the larger one destroyed.
    g_firstDpi = system;
    EnsureTrayIcon(window);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), IconSize(g_tray.icon).cx);
    EXPECT_EQ(-1, IconSize(large).cx);
    EXPECT_EQ(icons + 1, g_live.icons);
    EXPECT_TRUE(DeleteTrayIcon(window));
    DestroyWindow(window);
}

}  // namespace
