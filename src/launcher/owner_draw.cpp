// Owner-drawn launcher items, measured and drawn on the window thread with the look they are
// given: each shows its small shell icon (from the system image list, through the pixels
// icon_pixels keeps) beside its name.
#include "launcher/owner_draw.h"

#include <commctrl.h>
#include <commoncontrols.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstddef>

#include "core/live_counts.h"
#include "launcher/folder_menu.h"
#include "launcher/icon_pixels.h"
#include "launcher/launcher_state.h"
#include "launcher/menu_theme.h"
#include "settings/settings_file.h"

// The form without iPaddedBorderWidth, which every version of the platform accepts.
constexpr UINT kNonClientMetricsSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
static_assert(kNonClientMetricsSize == 340, "NONCLIENTMETRICSA without iPaddedBorderWidth");

MenuLook ReadMenuLook()
{
    MenuLook look;
    ZeroMemory(&look, sizeof(look));
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = kNonClientMetricsSize;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0);
    look.menuFont = metrics.lfMenuFont;
    look.smallIconCx = GetSystemMetrics(SM_CXSMICON);
    look.smallIconCy = GetSystemMetrics(SM_CYSMICON);
    look.highlight = GetSysColor(COLOR_HIGHLIGHT);
    look.highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    CaptureMenuColours(&look);
    look.iconShow = ReadIconShow();
    look.submenus = ReadSubmenus();
    look.lookChanges = g_launcher.lookChanges;
    return look;
}

void CaptureMenuLook()
{
    g_launcher.menuLook = ReadMenuLook();
}

namespace {

// IImageList, the interface of the system image list (commoncontrols.h declares it but no
// library the program links defines its id).
const IID kIidImageList = {0x46eb5926, 0x582e, 0x4017, {0x9f, 0xdf, 0xe8, 0x99, 0x8d, 0xaa, 0x09, 0x50}};

}  // namespace

// Taken once, on the window's thread, and held for the process's life: one reference to the
// system's list, however many entries there are.
IImageList* SmallIconList()
{
    // Through the shell rather than the common controls' own functions: the program imports
    // no library Windows might load from beside the exe.
    static IImageList* list = nullptr;
    if (!list && SHGetImageList(SHIL_SMALL, kIidImageList, reinterpret_cast<void**>(&list)) != S_OK)
        list = nullptr;
    return list;
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
            record->itemWidth = look.smallIconCx + text.cx + kTextIndent;
            // As high as the taller of icon and text, so a large menu font is not clipped.
            int height = look.smallIconCy > text.cy ? look.smallIconCy : text.cy;
            record->itemHeight = height + kItemPadding;
        } else {
            record->itemWidth = text.cx + kTextIndent;
            record->itemHeight = text.cy + kItemPadding;
        }
        // The platform draws a folder's submenu arrow at the item's right end.
        if (record->submenu)
            record->itemWidth += GetSystemMetrics(SM_CXMENUCHECK);
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

void MeasureLauncherItem(HWND, MEASUREITEMSTRUCT* mis)
{
    if (mis->itemData == DarkSeparatorData()) {
        // As high as the system's own separator in a menu.
        mis->itemWidth = 0;
        mis->itemHeight = static_cast<UINT>(GetSystemMetrics(SM_CYMENUSIZE) / 2);
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

    int textLeft = r.left + kTextIndent;
    if (look.iconShow) {
        if (record->iconIndex >= 0)
            DrawIconPixels(dc, SmallIconList(), record->iconIndex, r.left + kIconInset, r.top + kIconInset, look);
        // The column stays even for an entry without an icon.
        textLeft += look.smallIconCx;
    }
    RECT box = {textLeft, r.top + kTextTop, r.right, r.bottom};
    // No mnemonics in an owner-drawn item: an ampersand is part of the name.
    DrawTextW(dc, record->wideText, lstrlenW(record->wideText), &box, DT_BOTTOM | DT_NOPREFIX);
}
