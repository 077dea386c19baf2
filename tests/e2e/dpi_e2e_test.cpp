// The launcher at 96 and 144 DPI: Morvek is DPI-aware, so each launcher item is as high as the
// small icon of that DPI plus 4 (never a stretched 16-pixel icon in a 20-pixel row).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "test_support.h"

namespace {

class LauncherDpi : public testing::TestWithParam<int> {};

TEST_P(LauncherDpi, ItemIsAsHighAsTheSmallIconPlusFour)
{
    const int dpi = GetParam();
    UserDwordSetting logPixels(L"Control Panel\\Desktop", L"LogPixels", dpi);
    std::string dir = MakeScratchDir("dpi_" + std::to_string(dpi));
    ASSERT_TRUE(MakeTree(dir, {"items\\", "items\\one.lnk>C:\\windows\\notepad.exe"}));
    MorvekProcess morvek;
    ASSERT_TRUE(morvek.Start(dir) && morvek.WaitForTrayWindow());
    // One item, then two: the difference is the height of one item, whatever the borders.
    int one = morvek.LauncherMenuHeight();
    ASSERT_EQ(S_OK, MakeShortcut(dir + "\\items\\two.lnk", "C:\\windows\\notepad.exe"));
    int two = morvek.LauncherMenuHeight();
    ASSERT_GT(one, 0);
    ASSERT_GT(two, 0);
    // The small icon of a DPI-aware process at this DPI: 16 scaled, as the system gives it.
    EXPECT_EQ(MulDiv(16, dpi, 96) + 4, two - one) << "at " << dpi << " DPI";
}

INSTANTIATE_TEST_SUITE_P(Dpi, LauncherDpi, testing::Values(96, 144));

}  // namespace
