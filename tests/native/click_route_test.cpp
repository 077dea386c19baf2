// The tray click decision: which menu each button, modifier and "Key" setting gives.
#include <gtest/gtest.h>

#include "launcher/click_route.h"
#include "../support/tray_action_letter.h"

namespace {

// Per row: the Key setting, then the action for a left click with nothing held, with
// Ctrl, with Shift, with Alt, a middle click, a right click, and a mouse move.
// L launcher, D desktop, M main menu, - nothing.
struct Row {
    unsigned key;
    const char* actions;
};

TEST(ClickRoute, ButtonModifierAndKeyChooseTheMenu)
{
    const Row rows[] = {
        {0, "LDLL-M-"},
        {1, "LLLLDM-"},
        {2, "LLDL-M-"},
        {3, "LLLD-M-"},
        {4, "LLLL-M-"},
        {0xFFFFFFFFu, "LLLL-M-"},
    };
    const unsigned held[] = {0, kKeyControl, kKeyShift, kKeyAlt};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "Key " << row.key);
        std::string got;
        unsigned modifier = DesktopModifierKey(row.key);
        for (unsigned key : held)
            got += Letter(RouteTrayClick(kMouseLeftUp, row.key, key != 0 && key == modifier));
        got += Letter(RouteTrayClick(kMouseMiddleUp, row.key, false));
        got += Letter(RouteTrayClick(kMouseRightDown, row.key, false));
        got += Letter(RouteTrayClick(0x0200, row.key, true));
        EXPECT_EQ(row.actions, got);
    }
}

}  // namespace
