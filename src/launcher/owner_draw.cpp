// Owner-drawn launcher items: each shows its small shell icon beside its name.
#include "launcher/owner_draw.h"

#include <cstddef>

#include "app/app_state.h"
#include "app/live_counts.h"
#include "launcher/folder_menu.h"
#include "settings/settings_file.h"

// The form without iPaddedBorderWidth, which every version of the platform accepts.
constexpr UINT kNonClientMetricsSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
static_assert(kNonClientMetricsSize == 340, "NONCLIENTMETRICSA without iPaddedBorderWidth");

namespace {

const LauncherRecord* FindRecord(UINT id)
{
    for (const LauncherRecord* record = g_app.recordListHead; record; record = record->next) {
        if (record->id == id)
            return record;
    }
    return nullptr;
}

// GDI reads ANSI text in the system's code page, not in the one the manifest gives the
// program ("Use UTF-8 code pages in Windows apps"): names are measured and drawn wide.
struct WideName {
    wchar_t text[sizeof(LauncherRecord::text)];  // never more units than bytes
    int length;
    explicit WideName(const LauncherRecord* record)
    {
        length = MultiByteToWideChar(CP_ACP, 0, record->text, -1, text, sizeof(LauncherRecord::text));
        length = length > 0 ? length - 1 : 0;
        text[length] = L'\0';
    }
};

}  // namespace

void CaptureMenuLook()
{
    MenuLook& look = g_app.menuLook;
    ZeroMemory(&look, sizeof(look));
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = kNonClientMetricsSize;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0);
    look.menuFont = metrics.lfMenuFont;
    look.smallIconCx = GetSystemMetrics(SM_CXSMICON);
    look.smallIconCy = GetSystemMetrics(SM_CYSMICON);
    look.highlight = GetSysColor(COLOR_HIGHLIGHT);
    look.highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
}

void MeasureLauncherItem(HWND window, MEASUREITEMSTRUCT* mis)
{
    const LauncherRecord* record = FindRecord(mis->itemID);
    if (!record)
        return;
    const MenuLook& look = g_app.menuLook;
    HDC dc = GetDC(window);
    HFONT font = CreateFontIndirectA(&look.menuFont);
    if (font)
        ++g_live.fonts;
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE text = {};
    WideName name(record);
    GetTextExtentPoint32W(dc, name.text, name.length, &text);
    SelectObject(dc, previous);
    if (font) {
        DeleteObject(font);
        --g_live.fonts;
    }
    if (ReadIconShow()) {
        mis->itemWidth = look.smallIconCx + text.cx + kTextIndent;
        // As high as the taller of icon and text, so a large menu font is not clipped.
        int height = look.smallIconCy > text.cy ? look.smallIconCy : text.cy;
        mis->itemHeight = height + kItemPadding;
    } else {
        mis->itemWidth = text.cx + kTextIndent;
        mis->itemHeight = text.cy + kItemPadding;
    }
    ReleaseDC(window, dc);
}

void DrawLauncherItem(HWND, DRAWITEMSTRUCT* dis)
{
    const LauncherRecord* record = FindRecord(dis->itemID);
    if (!record)
        return;
    const MenuLook& look = g_app.menuLook;
    RECT r = dis->rcItem;
    HDC dc = dis->hDC;

    HBRUSH brush;
    if (dis->itemState & ODS_SELECTED) {
        brush = CreateSolidBrush(look.highlight);
        SetBkColor(dc, look.highlight);
        SetTextColor(dc, look.highlightText);
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
    if (ReadIconShow()) {
        if (record->icon) {
            DrawIconEx(dc, r.left + kIconInset, r.top + kIconInset, record->icon, look.smallIconCx,
                       look.smallIconCy, 0, nullptr, DI_NORMAL);
        }
        // The column stays even for an entry without an icon.
        textLeft += look.smallIconCx;
    }
    RECT box = {textLeft, r.top + kTextTop, r.right, r.bottom};
    // No mnemonics in an owner-drawn item: an ampersand is part of the name.
    WideName name(record);
    DrawTextW(dc, name.text, name.length, &box, DT_BOTTOM | DT_NOPREFIX);
}
