// The type-ahead decision over a menu's names, natively under the sanitizers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/type_ahead_match.h"

namespace {

// Names already folded to upper case, as the Win32 side hands them over.
struct Names {
    std::vector<std::u32string> names;
    int calls = 0;
};

unsigned FirstOf(int index, void* context)
{
    auto* names = static_cast<Names*>(context);
    ++names->calls;
    EXPECT_GE(index, 0);
    EXPECT_LT(index, static_cast<int>(names->names.size()));
    const std::u32string& name = names->names.at(static_cast<size_t>(index));
    return name.empty() ? 0 : name[0];
}

TEST(TypeAhead, TheNextNameAfterTheSelectedOneAndAUniqueOneChosen)
{
    Names menu{{U"ALPHA", U"BETA", U"BRAVO", U"GAMMA", U"", U"&MORE", U"ΩMEGA"}};
    const struct {
        int current;
        char32_t typed;
        int index;
        bool unique;
    } rows[] = {
        {-1, U'B', 1, false},  // nothing selected: the first
        {1, U'B', 2, false},   // after beta, Bravo
        {2, U'B', 1, false},   // after Bravo round to beta
        {0, U'B', 1, false},
        {4, U'B', 1, false},
        {-1, U'G', 3, true},   // the only one: chosen
        {3, U'G', 3, true},    // the only one even when selected
        {6, U'A', 0, true},    // round from the last
        {-1, U'&', 5, true},   // an ampersand is a character like any other
        {-1, U'Ω', 6, true},
        {-1, U'X', -1, false},
        {-1, 0, -1, false},    // an empty name never matches a typed 0
        {99, U'B', 1, false},  // a selection out of range counts as none
        {-7, U'B', 1, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "current " << row.current << " typed U+" << std::hex
                                        << static_cast<unsigned>(row.typed));
        TypeAheadPick pick = PickByFirstChar(static_cast<int>(menu.names.size()), row.current, row.typed,
                                             FirstOf, &menu);
        EXPECT_EQ(row.index, pick.index);
        EXPECT_EQ(row.unique, pick.unique);
    }
}

TEST(TypeAhead, EmptyMenusAndOneItem)
{
    Names none{};
    EXPECT_EQ(-1, PickByFirstChar(0, -1, U'A', FirstOf, &none).index);
    EXPECT_EQ(0, none.calls) << "no item is asked for in an empty menu";
    Names one{{U"ALPHA"}};
    TypeAheadPick pick = PickByFirstChar(1, 0, U'A', FirstOf, &one);
    EXPECT_EQ(0, pick.index);
    EXPECT_TRUE(pick.unique);
    EXPECT_EQ(-1, PickByFirstChar(1, 0, U'B', FirstOf, &one).index);
}

}  // namespace
