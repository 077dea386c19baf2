// The DPI helpers, the launcher and the tray icon through the platform table: a second
// monitor of another DPI, and every per-monitor call missing, as before Windows 10.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/dpi.h"
#include "core/platform_calls.h"
#include "launcher/kept_menu.h"
#include "launcher/launcher.h"
#include "launcher/launcher_records.h"
#include "launcher/launcher_state.h"
#include "launcher/owner_draw.h"
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
    return index == SM_CXSMICON || index == SM_CYSMICON ? MulDiv(16, dpi, 96)
                                                          : MulDiv(GetSystemMetrics(index), dpi, 96);
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
    HWND window = MakeWindow(L"DpiTestWindow", DefWindowProcW);
    void SetUp() override
    {
        g_firstDpi = system;  // the first monitor as the screen says
        g_dpisAsked.clear();
        g_platform.MonitorFromPoint = TwoMonitors;
        g_platform.GetDpiForMonitor = MonitorDpi;
        g_platform.GetSystemMetricsForDpi = MetricForDpi;
        g_platform.SystemParametersInfoForDpi = ParametersForDpi;
    }
    void TearDown() override
    {
        g_platform = saved;
        DestroyWindow(window);
    }
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
    EXPECT_EQ(system, DpiOfWindow(window));
    EXPECT_EQ(MulDiv(smallIcon, 144, system), SystemMetricForDpi(SM_CXSMICON, 144));
    ASSERT_TRUE(NonClientMetricsForDpi(&at144, 144));
    EXPECT_EQ(MulDiv(plain.lfMenuFont.lfHeight, 144, system), at144.lfMenuFont.lfHeight);
    EXPECT_STREQ(plain.lfMenuFont.lfFaceName, at144.lfMenuFont.lfFaceName);
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
}

// The columns of the icons a launcher item shows from x 0 to x right on canvas, width wide,
// as [first, last + 1) of those holding a pixel that is not the background.
std::pair<int, int> InkColumns(const DibCanvas& canvas, int width, int height, int right, DWORD background)
{
    int first = -1, last = -1;
    for (int x = 0; x < right; ++x)
        for (int y = 0; y < height; ++y)
            if ((canvas.pixels[y * width + x] & 0xFFFFFF) != background) {
                first = first < 0 ? x : first;
                last = x;
            }
    return {first, last + 1};
}

// At the DPI under the click: the launcher's font, icon size, margins and measures, its icons from
// the system list of that size or scaled down from the next larger (16, 32, 48, 256 here).
TEST_F(Dpi, TheLauncherIsMeasuredAndDrawnAtTheDpiOfTheMonitorUnderTheClick)
{
    ASSERT_EQ(96u, system) << "the table is for a screen of 96 DPI";
    DeleteFileA(TestSettingsPath().c_str());  // icons on
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    LauncherRecord* record = NewLauncherRecord(2000, "Notepad");
    ASSERT_NE(nullptr, record);
    record->iconIndex = SmallIconIndexOf(program);
    ASSERT_LE(0, record->iconIndex);
    constexpr int kCanvas = 160;
    constexpr DWORD kFill = 0x00C800;
    struct Row {
        UINT dpi;
        int icon, indent, padding, inset, listIcon;
    } rows[] = {{96, 16, 14, 4, 2, 16}, {120, 20, 18, 5, 3, 32}, {144, 24, 21, 6, 3, 32}, {192, 32, 28, 8, 4, 32}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.dpi);
        g_firstDpi = row.dpi;
        CaptureMenuLook();
        MenuLook& look = g_launcher.menuLook;
        look.dark = false;
        EXPECT_EQ(row.dpi, look.dpi);
        EXPECT_EQ(row.icon, look.smallIconCx);
        EXPECT_EQ(row.icon, look.smallIconCy);
        if (row.dpi != system) {
            EXPECT_EQ(-static_cast<LONG>(row.dpi), look.menuFont.lfHeight);
        }
        int listCx = 0, listCy = 0;
        ASSERT_NE(nullptr, IconListOf(look));
        IconListOf(look)->GetIconSize(&listCx, &listCy);
        EXPECT_EQ(row.listIcon, listCx) << "the icons come from another list";
        record->itemWidth = 0;
        MEASUREITEMSTRUCT mis = MeasureItem(window, 2000, reinterpret_cast<ULONG_PTR>(record));
        SIZE text = MenuTextExtent(record->wideText, look.menuFont);
        EXPECT_EQ(static_cast<UINT>(row.icon + text.cx + row.indent), mis.itemWidth);
        EXPECT_EQ(static_cast<UINT>(std::max<int>(row.icon, text.cy) + row.padding), mis.itemHeight);
        // The icon's columns, as the list draws it at its own size, scaled to the item's.
        DibCanvas own(kCanvas, 64), drawn(kCanvas, 64);
        for (int i = 0; i < kCanvas * 64; ++i)
            own.pixels[i] = drawn.pixels[i] = kFill;
        IMAGELISTDRAWPARAMS params = {sizeof(params), nullptr, record->iconIndex, own.dc, 0, 0, 0, 0, 0, 0,
                                      CLR_DEFAULT, CLR_DEFAULT, ILD_NORMAL, SRCCOPY, 0, 0, 0};
        ASSERT_EQ(S_OK, IconListOf(look)->Draw(&params));
        std::pair<int, int> listed = InkColumns(own, kCanvas, 64, listCx, kFill);
        ASSERT_LT(listed.first, listed.second) << "the list drew no icon";
        SetBkColor(drawn.dc, RGB(0, 0xC8, 0));
        DrawItem(window, 2000, mis.itemData, drawn.dc, {0, 0, kCanvas, static_cast<LONG>(mis.itemHeight)});
        std::pair<int, int> ink = InkColumns(drawn, kCanvas, 64, row.icon + row.indent, kFill);
        EXPECT_NEAR(row.inset + listed.first * row.icon / listCx, ink.first, 1);
        EXPECT_NEAR(row.inset + (listed.second * row.icon + listCx - 1) / listCx, ink.second, 1);
    }
    g_firstDpi = system;
    CaptureMenuLook();
    FreeLauncherRecords(record);
}

// A kept launcher opening at another DPI is measured again, filled submenus too, without a new
// listing or icon lookup; shown again there it keeps those measures; a build ahead measures for it.
TEST_F(Dpi, AKeptMenuOpeningAtAnotherDpiIsMeasuredAgainNotListedAgain)
{
    RemoveTree(TestItemsDir());
    ASSERT_TRUE(WriteTextFile(TestSettingsPath(), "[Launcher]\r\nSubmenus=1\r\n"));
    ASSERT_TRUE(MakeItems({"one.txt", "sub\\", "sub\\two.txt"}));
    IconFetches fetches;
    auto click = [&](UINT dpi) {
        g_firstDpi = dpi;
        CaptureMenuLook();
        LaunchEntry* head = nullptr;
        bool kept = false;
        HMENU menu = LauncherMenu(&head, &kept);
        EXPECT_TRUE(kept);
        return menu;
    };
    // Every record of the menu and its submenus, in order.
    auto records = [&] {
        std::vector<LauncherRecord*> all;
        for (LauncherRecord* r = g_launcher.keptMenu.records; r; r = r->next) {
            all.push_back(r);
            for (LauncherRecord* s = r->submenu ? r->submenu->records : nullptr; s; s = s->next)
                all.push_back(s);
        }
        return all;
    };
    // Measured as the platform measures a menu it shows: each size as at dpi.
    auto measure = [&](UINT dpi) {
        for (LauncherRecord* r : records()) {
            SCOPED_TRACE(r->text);
            MEASUREITEMSTRUCT mis = MeasureItem(window, r->id, reinterpret_cast<ULONG_PTR>(r));
            const int icon = MulDiv(16, dpi, 96);
            SIZE text = MenuTextExtent(r->wideText, g_launcher.menuLook.menuFont);
            EXPECT_EQ(static_cast<UINT>(std::max<int>(icon, text.cy) + MulDiv(4, dpi, 96)), mis.itemHeight);
        }
    };
    HMENU menu = click(96);
    ASSERT_NE(nullptr, menu);
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        if (HMENU popup = GetSubMenu(menu, i))
            OnLauncherMenuPopup(popup);
    const std::vector<LauncherRecord*> listed = records();
    ASSERT_EQ(4u, listed.size()) << "one, sub, and in sub its opening item and two";
    measure(96);
    const unsigned builds = g_launcher.launcherBuilds;
    const long asked = fetches.Count();
    for (UINT dpi : {144u, 192u, 96u}) {
        SCOPED_TRACE(dpi);
        ASSERT_EQ(menu, click(dpi)) << "not the kept menu";
        EXPECT_EQ(builds, g_launcher.launcherBuilds) << "listed again";
        ASSERT_EQ(listed, records()) << "records made anew";
        EXPECT_EQ(asked, fetches.Count()) << "icons asked for again";
        for (LauncherRecord* r : listed)
            EXPECT_EQ(0u, r->itemWidth) << r->text << " keeps its measures of another DPI";
        measure(dpi);
        EXPECT_EQ(dpi, g_launcher.keptMenu.look.dpi);
        EXPECT_EQ(dpi, ReadMenuLook().dpi) << "a build ahead would measure for another monitor";
        // Shown again at the same DPI: measured once.
        for (LauncherRecord* r : listed)
            r->itemWidth = 1234;
        ASSERT_EQ(menu, click(dpi));
        for (LauncherRecord* r : listed)
            EXPECT_EQ(1234u, r->itemWidth) << r->text << " measured again at the same DPI";
    }
    FreeKeptMenu(true);
    RemoveTree(TestItemsDir());
    DeleteFileA(TestSettingsPath().c_str());
}

}  // namespace
