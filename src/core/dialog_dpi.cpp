// The settings and drop dialogs laid out again at a new DPI. The dialog manager made the
// template's font and placed each control at the DPI the dialog opened at; at another DPI
// this unit makes the font of the template's point size anew (owned here, freed on the
// next change and when the dialog ends) and places each control by the template's dialog
// units at that font's base units. Back at the first DPI the dialog manager's own font and
// base units serve again, so the dialog is then exactly as it opened.
#include "core/dialog_dpi.h"

#include "core/dialog_units.h"
#include "core/dpi.h"
#include "core/live_counts.h"

namespace {

constexpr wchar_t kLayoutProperty[] = L"MorvekDialogLayout";
constexpr int kMaxControls = 16;  // the settings dialog has 10
constexpr wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

struct PlacedControl {
    HWND control;
    LayoutRect units;
};

struct DialogLayout {
    UINT firstDpi;
    DialogBaseUnits firstBase;
    HFONT firstFont;  // the dialog manager's, freed by it
    LOGFONTW logFont; // the first font, whose height is made anew per DPI
    int points;       // the template's point size
    HFONT font;       // made for the DPI now, or null at the first DPI
    int count;
    PlacedControl controls[kMaxControls];
};

DialogLayout* LayoutOf(HWND dialog)
{
    return static_cast<DialogLayout*>(GetPropW(dialog, kLayoutProperty));
}

LayoutRect ClientRectOf(HWND control, HWND dialog)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// The base units the dialog manager would give the font (GdiGetCharDimensions).
DialogBaseUnits BaseUnitsOf(HWND dialog, HFONT font)
{
    HDC dc = GetDC(dialog);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics = {};
    SIZE alphabet = {};
    GetTextMetricsW(dc, &metrics);
    GetTextExtentPoint32W(dc, kAlphabet, 52, &alphabet);
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
    return {BaseUnitXOfAlphabet(alphabet.cx), metrics.tmHeight};
}

void FreeMadeFont(DialogLayout* layout)
{
    if (layout->font) {
        DeleteObject(layout->font);
        --g_live.fonts;
        layout->font = nullptr;
    }
}

}  // namespace

void RecordDialogLayout(HWND dialog)
{
    auto* layout = static_cast<DialogLayout*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(DialogLayout)));
    if (!layout)
        return;
    RECT base = {0, 0, 4, 8};
    MapDialogRect(dialog, &base);
    layout->firstBase = {base.right, base.bottom};
    layout->firstDpi = DpiOfWindow(dialog);
    layout->firstFont = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (!layout->firstFont || !GetObjectW(layout->firstFont, sizeof(layout->logFont), &layout->logFont) ||
        !SetPropW(dialog, kLayoutProperty, layout)) {
        // Without its font the dialog cannot be laid out again: it keeps its first layout.
        HeapFree(GetProcessHeap(), 0, layout);
        return;
    }
    layout->points = PointsOfFontHeight(layout->logFont.lfHeight, layout->firstDpi);
    for (HWND control = GetWindow(dialog, GW_CHILD); control && layout->count < kMaxControls;
         control = GetWindow(control, GW_HWNDNEXT))
        layout->controls[layout->count++] = {control, PixelsToUnits(ClientRectOf(control, dialog), layout->firstBase)};
}

INT_PTR OnDialogDpiChanged(HWND dialog, WPARAM wParam, LPARAM lParam)
{
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(dialog, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    DialogLayout* layout = LayoutOf(dialog);
    if (!layout)
        return TRUE;
    UINT dpi = HIWORD(wParam);
    HFONT font = layout->firstFont;
    HFONT made = nullptr;
    DialogBaseUnits base = layout->firstBase;
    if (dpi != layout->firstDpi) {
        LOGFONTW logFont = layout->logFont;
        logFont.lfHeight = FontHeightForPoints(layout->points, dpi);
        made = CreateFontIndirectW(&logFont);
        if (made) {
            ++g_live.fonts;
            font = made;
            base = BaseUnitsOf(dialog, made);
        }
    }
    for (int i = 0; i < layout->count; ++i) {
        const PlacedControl& placed = layout->controls[i];
        LayoutRect pixels = UnitsToPixels(placed.units, base);
        SendMessageW(placed.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetWindowPos(placed.control, nullptr, pixels.left, pixels.top, pixels.width, pixels.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The controls no longer use the font of the DPI before.
    FreeMadeFont(layout);
    layout->font = made;
    InvalidateRect(dialog, nullptr, TRUE);
    return TRUE;
}

void FreeDialogLayout(HWND dialog)
{
    DialogLayout* layout = static_cast<DialogLayout*>(RemovePropW(dialog, kLayoutProperty));
    if (!layout)
        return;
    FreeMadeFont(layout);
    HeapFree(GetProcessHeap(), 0, layout);
}
