// The dialog-unit arithmetic: MulDiv's rounding, and a template laid out at one font and
// read back to exactly its dialog units.
#include <gtest/gtest.h>

#include <vector>

#include "core/dialog_units.h"

namespace {

TEST(DialogUnits, RoundsHalfAwayFromZeroAsMulDiv)
{
    struct Row {
        int value, numerator, denominator, scaled;
    } const rows[] = {{9, 144, 72, 18}, {5, 7, 4, 9}, {3, 1, 2, 2}, {-3, 1, 2, -2}, {3, 1, -2, -2},
                      {-12, 144, 96, -18}, {1000000000, 3, 2, 1500000000}, {7, 1, 0, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.value << "*" << row.numerator << "/" << row.denominator);
        EXPECT_EQ(row.scaled, ScaleRounded(row.value, row.numerator, row.denominator));
    }
}

TEST(DialogUnits, ALayoutReadsBackToItsUnitsAtEveryLegibleFont)
{
    auto fields = [](const LayoutRect& r) { return std::vector<int>{r.left, r.top, r.width, r.height}; };
    for (int x = 4; x <= 24; ++x) {
        for (int y = 8; y <= 48; ++y) {
            for (int unit = 0; unit <= 300; unit += 7) {
                LayoutRect units = {unit, unit + 1, unit + 2, unit + 3};
                LayoutRect back = PixelsToUnits(UnitsToPixels(units, {x, y}), {x, y});
                ASSERT_EQ(fields(units), fields(back)) << x << "," << y;
            }
        }
    }
    // The template's 9 points at each DPI, and back; 10 points at 120 DPI round up.
    const struct { int points, dpi, height; } fonts[] = {{9, 72, -9}, {9, 96, -12}, {9, 120, -15}, {9, 144, -18},
                                                         {9, 192, -24}, {10, 120, -17}};
    for (const auto& font : fonts) {
        EXPECT_EQ(font.height, FontHeightForPoints(font.points, font.dpi)) << font.dpi;
        EXPECT_EQ(font.points, PointsOfFontHeight(font.height, font.dpi)) << font.dpi;
    }
    EXPECT_EQ(6, BaseUnitXOfAlphabet(312));  // 12 pixels a letter on average: 6 per 4 units
}

}  // namespace
