// The main menu's command table natively: the folder and dialog commands and ids beyond them. The
// others (power, CD, quit, screen saver, minimise all) are run in tests/win/commands_test.cpp.
#include <gtest/gtest.h>

#include "commands/command_plan.h"

namespace {

TEST(CommandPlan, FolderAndDialogCommandsAskNothingAndActAsTheMenuSays)
{
    const struct {
        unsigned id;
        unsigned setting;
        CommandAction action;
        const char* verb;
        int folder;
    } rows[] = {
        {40010, 0, CommandAction::OpenFolder, "find", 17},
        {40017, 0, CommandAction::OpenFolder, "explore", 5},
        {40020, 0, CommandAction::OpenFolder, "open", 17},
        {40020, 1, CommandAction::OpenFolder, "explore", 17},
        {40023, 0, CommandAction::SettingsDialog, nullptr, 0},
        {40025, 0, CommandAction::DropDialog, nullptr, 0},
        {40024, 1, CommandAction::None, nullptr, 0},
        {65535, 1, CommandAction::None, nullptr, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "id " << row.id << " setting " << row.setting);
        CommandPlan plan = PlanCommand(row.id, row.setting);
        EXPECT_EQ(nullptr, plan.question);
        EXPECT_EQ(static_cast<int>(row.action), static_cast<int>(plan.action));
        EXPECT_STREQ(row.verb, plan.verb);
        EXPECT_EQ(row.folder, plan.folder);
    }
}

}  // namespace
