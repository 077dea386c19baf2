// The dialog-unit arithmetic: MulDiv's rounding, the template's layout and font at a DPI.
#include "core/dialog_units.h"

int ScaleRounded(int value, int numerator, int denominator)
{
    if (denominator == 0)
        return 0;
    long long product = static_cast<long long>(value) * numerator;
    long long divisor = denominator;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    // Division truncates towards zero: half the divisor away from zero first.
    return static_cast<int>((product < 0 ? product - divisor / 2 : product + divisor / 2) / divisor);
}

LayoutRect UnitsToPixels(const LayoutRect& units, DialogBaseUnits base)
{
    return {ScaleRounded(units.left, base.x, 4), ScaleRounded(units.top, base.y, 8),
            ScaleRounded(units.width, base.x, 4), ScaleRounded(units.height, base.y, 8)};
}

LayoutRect PixelsToUnits(const LayoutRect& pixels, DialogBaseUnits base)
{
    return {ScaleRounded(pixels.left, 4, base.x), ScaleRounded(pixels.top, 8, base.y),
            ScaleRounded(pixels.width, 4, base.x), ScaleRounded(pixels.height, 8, base.y)};
}

int BaseUnitXOfAlphabet(int alphabetWidth)
{
    return (alphabetWidth / 26 + 1) / 2;
}

int FontHeightForPoints(int points, int dpi)
{
    return -ScaleRounded(points, dpi, 72);
}

int PointsOfFontHeight(int height, int dpi)
{
    return ScaleRounded(height < 0 ? -height : height, 72, dpi);
}
