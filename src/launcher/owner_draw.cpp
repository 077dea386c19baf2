// Owner-drawn launcher items, measured and drawn on the window thread with the look they are
// given: each shows its small shell icon (from the system image list, through the pixels
// icon_pixels keeps) beside its name.
#include "launcher/owner_draw.h"

#include <commctrl.h>
#include <commoncontrols.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstddef>

#include "core/dpi.h"
#include "core/live_counts.h"
#include "core/owners.h"
#include "core/platform_calls.h"
#include "launcher/folder_menu.h"
#include "launcher/icon_pixels.h"
#include "launcher/launcher_state.h"
#include "launcher/menu_theme.h"
#include "settings/settings_file.h"

// The form without iPaddedBorderWidth, which every version of the platform accepts.
constexpr UINT kNonClientMetricsSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
static_assert(kNonClientMetricsSize == 340, "NONCLIENTMETRICSA without iPaddedBorderWidth");

namespace {

// IImageList, the interface of the system image list (commoncontrols.h declares it but no
// library the program links defines its id).
const IID kIidImageList = {0x46eb5926, 0x582e, 0x4017, {0x9f, 0xdf, 0xe8, 0x99, 0x8d, 0xaa, 0x09, 0x50}};

// The system image lists an icon may come from, the small one first: at the system DPI it is
// the one of the small-icon size, as the launcher always drew.
constexpr int kIconLists[] = {SHIL_SMALL, SHIL_LARGE, SHIL_EXTRALARGE, SHIL_JUMBO};

// Taken once, on the window's thread, and held for the process's life: one reference to each
// system list asked for, however many entries there are.
IImageList* SystemIconList(int kind)
{
    static IImageList* lists[SHIL_LAST + 1];
    // Through the shell rather than the common controls' own functions: the program imports
    // no library Windows might load from beside the exe.
    if (!lists[kind] && SHGetImageList(kind, kIidImageList, reinterpret_cast<void**>(&lists[kind])) != S_OK)
        lists[kind] = nullptr;
    return lists[kind];
}

// The list whose icons are size pixels wide; where none is, the smallest larger one, and
// where none is larger, the largest.
int IconListFor(int size)
{
    int best = SHIL_SMALL, bestCx = 0;
    for (int kind : kIconLists) {
        int cx = 0, cy = 0;
        IImageList* list = SystemIconList(kind);
        if (!list || list->GetIconSize(&cx, &cy) != S_OK || cx <= 0)
            continue;
        if (cx == size)
            return kind;
        // Scaled down an icon keeps its detail; scaled up it blurs.
        bool better = bestCx == 0 || (cx > size ? bestCx < size || cx < bestCx : bestCx < size && cx > bestCx);
        if (better) {
            best = kind;
            bestCx = cx;
        }
    }
    return best;
}

}  // namespace

MenuLook ReadMenuLook(UINT dpi)
{
    MenuLook look;
    ZeroMemory(&look, sizeof(look));
    look.dpi = dpi;
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = kNonClientMetricsSize;
    NonClientMetricsForDpi(&metrics, dpi);
    look.menuFont = metrics.lfMenuFont;
    look.smallIconCx = SystemMetricForDpi(SM_CXSMICON, dpi);
    look.smallIconCy = SystemMetricForDpi(SM_CYSMICON, dpi);
    look.iconList = IconListFor(look.smallIconCx);
    // The margins grow as the system would stretch the items drawn at its own DPI.
    const UINT systemDpi = SystemDpi();
    look.textIndent = MulDiv(kTextIndent, dpi, systemDpi);
    look.iconInset = MulDiv(kIconInset, dpi, systemDpi);
    look.textTop = MulDiv(kTextTop, dpi, systemDpi);
    look.itemPadding = MulDiv(kItemPadding, dpi, systemDpi);
    look.arrowCx = SystemMetricForDpi(SM_CXMENUCHECK, dpi);
    // As high as the system's own separator in a menu.
    look.separatorCy = SystemMetricForDpi(SM_CYMENUSIZE, dpi) / 2;
    look.highlight = GetSysColor(COLOR_HIGHLIGHT);
    look.highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    CaptureMenuColours(&look);
    look.iconShow = ReadIconShow();
    look.submenus = ReadSubmenus();
    look.lookChanges = g_launcher.lookChanges;
    return look;
}

MenuLook ReadMenuLook()
{
    return ReadMenuLook(g_launcher.clickDpi ? g_launcher.clickDpi : SystemDpi());
}

POINT CaptureMenuLook()
{
    POINT point = {};
    GetCursorPos(&point);
    g_launcher.clickDpi = DpiAtPoint(point);
    g_launcher.menuLook = ReadMenuLook(g_launcher.clickDpi);
    return point;
}

IImageList* SmallIconList()
{
    return SystemIconList(SHIL_SMALL);
}

IImageList* IconListOf(const MenuLook& look)
{
    return look.iconList >= 0 && look.iconList <= SHIL_LAST ? SystemIconList(look.iconList) : nullptr;
}

namespace {


// Measures the records of list not yet measured (each is measured once: a record lives no
// longer than the look it was built for) with one DC and one font; the first with from
// alone when only is set.
void Measure(LauncherRecord* from, bool only, const MenuLook& look)
{
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontIndirectA(&look.menuFont);
    if (font)
        ++g_live.fonts;
    HGDIOBJ previous = SelectObject(dc, font);
    for (LauncherRecord* record = from; record; record = only ? nullptr : record->next) {
        if (record->itemWidth != 0)
            continue;
        SIZE text = {};
        // GDI reads ANSI text in the system's code page, not in the one the manifest gives
        // the program ("Use UTF-8 code pages in Windows apps"): names are measured wide.
        GetTextExtentPoint32W(dc, record->wideText, lstrlenW(record->wideText), &text);
        if (look.iconShow) {
            record->itemWidth = look.smallIconCx + text.cx + look.textIndent;
            // As high as the taller of icon and text, so a large menu font is not clipped.
            int height = look.smallIconCy > text.cy ? look.smallIconCy : text.cy;
            record->itemHeight = height + look.itemPadding;
        } else {
            record->itemWidth = text.cx + look.textIndent;
            record->itemHeight = text.cy + look.itemPadding;
        }
        // The platform draws a folder's submenu arrow at the item's right end.
        if (record->submenu)
            record->itemWidth += look.arrowCx;
    }
    SelectObject(dc, previous);
    if (font) {
        DeleteObject(font);
        --g_live.fonts;
    }
    ReleaseDC(nullptr, dc);
}

}  // namespace

void MeasureLauncherRecords(LauncherRecord* records, const MenuLook& look)
{
    Measure(records, false, look);
}

void RenderLauncherNames(const LauncherRecord* records, const MenuLook& look)
{
    // Wide enough for a name of kRecordTextChars characters of the menu font, one line high;
    // a screenful of names.
    constexpr int kWidth = 2048, kHeight = 64, kNamesRendered = 64;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    HFONT font = bitmap ? CreateFontIndirectA(&look.menuFont) : nullptr;
    if (font) {
        ++g_live.fonts;
        HGDIOBJ previousBitmap = SelectObject(dc, bitmap);
        HGDIOBJ previousFont = SelectObject(dc, font);
        RECT box = {0, 0, kWidth, kHeight};
        int drawn = 0;
        for (const LauncherRecord* record = records; record && drawn < kNamesRendered; record = record->next, ++drawn)
            DrawTextW(dc, record->wideText, lstrlenW(record->wideText), &box, DT_NOPREFIX);
        SelectObject(dc, previousFont);
        SelectObject(dc, previousBitmap);
        DeleteObject(font);
        --g_live.fonts;
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (dc)
        DeleteDC(dc);
}

void PreparePlatformMenus(HWND window)
{
    if (g_launcher.platformMenusTried)
        return;
    g_launcher.platformMenusTried = true;
    AutoMenu menu(g_platform.DrawMenuBarTemp ? CreateMenu() : nullptr);
    // A memory DC draws into its own one-pixel bitmap: nothing shows, and the setting up
    // needs no more.
    HDC dc = menu ? CreateCompatibleDC(nullptr) : nullptr;
    if (dc && AppendMenuW(menu.get(), MF_STRING, 1, L"A")) {
        RECT box = {0, 0, 64, 32};
        // No font given: the platform's own menu font, the one its menus measure with.
        g_platform.DrawMenuBarTemp(window, dc, &box, menu.get(), nullptr);
    }
    if (dc)
        DeleteDC(dc);
    // Wine's X driver gives each menu window the window logo as its icon in X, loading the
    // logo at the first menu; loaded now, the first finds it shared and ready. Shared icons
    // are the system's to free.
    constexpr WORD kWindowLogo = 32517;  // IDI_WINLOGO, which this build's headers give as ANSI
    LoadImageW(nullptr, MAKEINTRESOURCEW(kWindowLogo), IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE);
}

void ForgetMeasures(LauncherRecord* records)
{
    for (LauncherRecord* record = records; record; record = record->next) {
        record->itemWidth = record->itemHeight = 0;
        if (record->submenu)
            ForgetMeasures(record->submenu->records);
    }
}

void MeasureLauncherItem(HWND, MEASUREITEMSTRUCT* mis)
{
    if (mis->itemData == DarkSeparatorData()) {
        mis->itemWidth = 0;
        mis->itemHeight = static_cast<UINT>(g_launcher.menuLook.separatorCy);
        return;
    }
    LauncherRecord* record = RecordOfItemData(mis->itemData, mis->itemID);
    if (!record)
        return;
    // The platform may ask at every showing of a kept menu.
    if (record->itemWidth == 0)
        Measure(record, true, g_launcher.menuLook);
    mis->itemWidth = record->itemWidth;
    mis->itemHeight = record->itemHeight;
}

namespace {

// A thin line of the dark palette across the middle of the dark background.
void DrawDarkSeparator(HDC dc, RECT r)
{
    HBRUSH background = CreateSolidBrush(kDarkMenuBackground);
    HBRUSH line = CreateSolidBrush(kDarkMenuSeparator);
    if (background && line) {
        g_live.brushes += 2;
        FillRect(dc, &r, background);
        int middle = (r.top + r.bottom) / 2;
        RECT stroke = {r.left + 1, middle, r.right - 1, middle + 1};
        FillRect(dc, &stroke, line);
        g_live.brushes -= 2;
    }
    if (background)
        DeleteObject(background);
    if (line)
        DeleteObject(line);
}

}  // namespace

void DrawLauncherItem(HWND, DRAWITEMSTRUCT* dis)
{
    if (dis->itemData == DarkSeparatorData()) {
        DrawDarkSeparator(dis->hDC, dis->rcItem);
        return;
    }
    const LauncherRecord* record = RecordOfItemData(dis->itemData, dis->itemID);
    if (!record)
        return;
    const MenuLook& look = g_launcher.menuLook;
    RECT r = dis->rcItem;
    HDC dc = dis->hDC;

    HBRUSH brush;
    if (dis->itemState & ODS_SELECTED) {
        brush = CreateSolidBrush(look.highlight);
        SetBkColor(dc, look.highlight);
        SetTextColor(dc, look.highlightText);
    } else if (look.dark) {
        brush = CreateSolidBrush(kDarkMenuBackground);
        SetBkColor(dc, kDarkMenuBackground);
        SetTextColor(dc, kDarkMenuText);
    } else {
        brush = CreateSolidBrush(GetBkColor(dc));
    }
    if (brush) {
        ++g_live.brushes;
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        --g_live.brushes;
    }

    int textLeft = r.left + look.textIndent;
    if (look.iconShow) {
        if (record->iconIndex >= 0)
            DrawIconPixels(dc, IconListOf(look), record->iconIndex, r.left + look.iconInset, r.top + look.iconInset,
                           look);
        // The column stays even for an entry without an icon.
        textLeft += look.smallIconCx;
    }
    RECT box = {textLeft, r.top + look.textTop, r.right, r.bottom};
    // No mnemonics in an owner-drawn item: an ampersand is part of the name.
    DrawTextW(dc, record->wideText, lstrlenW(record->wideText), &box, DT_BOTTOM | DT_NOPREFIX);
}
