// Pixels, points and dialog units at a DPI: the arithmetic of laying a dialog template out
// again at another DPI. Platform-free.
#pragma once

// value * numerator / denominator rounded half away from zero, as MulDiv rounds (the
// dialog manager maps dialog units with MulDiv); 0 when the denominator is 0.
int ScaleRounded(int value, int numerator, int denominator);

// Pixels per 4 horizontal and per 8 vertical dialog units, as MapDialogRect uses them.
struct DialogBaseUnits {
    int x, y;
};

// A control's place, in dialog units or in pixels of the dialog's client area.
struct LayoutRect {
    int left, top, width, height;
};

// As the dialog manager places a control of the template: each field on its own.
LayoutRect UnitsToPixels(const LayoutRect& units, DialogBaseUnits base);
// Back again: exact for a rectangle placed by UnitsToPixels while base.x >= 4 and
// base.y >= 8 (a pixel then spans at most one unit), which every legible font gives.
LayoutRect PixelsToUnits(const LayoutRect& pixels, DialogBaseUnits base);

// The horizontal base unit of a font from the width of "A".."Z" "a".."z" in it, as the
// dialog manager averages it (GdiGetCharDimensions).
int BaseUnitXOfAlphabet(int alphabetWidth);

// The logical height (negative: the character height) of a font of this point size at the
// DPI, as the dialog manager makes a template's font; and the point size back from such a
// height, exact for DPIs of 72 and more.
int FontHeightForPoints(int points, int dpi);
int PointsOfFontHeight(int height, int dpi);
