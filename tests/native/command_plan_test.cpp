// The main menu's command table: question and action for every id, natively.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "commands/command_plan.h"

namespace {

struct Row {
    unsigned id;
    unsigned setting;
    const wchar_t* question;  // null: no question
    CommandAction action;
    const char* verb;
    int folder;
};

std::wstring Text(const wchar_t* text)
{
    return text ? text : L"(none)";
}

std::string Text(const char* text)
{
    return text ? text : "(none)";
}

TEST(CommandPlan, EveryIdAsksAndActsAsTheMenuSays)
{
    const Row rows[] = {
        {40002, 0, L"シャットダウンしますか？", CommandAction::PowerOff, nullptr, 0},
        {40003, 0, nullptr, CommandAction::Quit, nullptr, 0},
        {40003, 1, L"Morvekを終了しますか？", CommandAction::Quit, nullptr, 0},
        {40003, 7, L"Morvekを終了しますか？", CommandAction::Quit, nullptr, 0},
        {40005, 0, L"再起動しますか？", CommandAction::Reboot, nullptr, 0},
        {40006, 0, L"ログオフしますか？", CommandAction::LogOff, nullptr, 0},
        {40007, 0, nullptr, CommandAction::CdOpen, nullptr, 0},
        {40008, 0, nullptr, CommandAction::CdClose, nullptr, 0},
        {40009, 0, L"休止状態にしますか？", CommandAction::Hibernate, nullptr, 0},
        {40010, 0, nullptr, CommandAction::OpenFolder, "find", 17},
        {40017, 0, nullptr, CommandAction::OpenFolder, "explore", 5},
        {40018, 0, nullptr, CommandAction::ScreenSaver, nullptr, 0},
        {40019, 0, nullptr, CommandAction::Standby, nullptr, 0},
        {40020, 0, nullptr, CommandAction::OpenFolder, "open", 17},
        {40020, 1, nullptr, CommandAction::OpenFolder, "explore", 17},
        {40022, 0, nullptr, CommandAction::MinimizeAll, nullptr, 0},
        {40023, 0, nullptr, CommandAction::SettingsDialog, nullptr, 0},
        {40025, 0, nullptr, CommandAction::DropDialog, nullptr, 0},
        // The settings dialog forwards its buttons here when it closes; launcher ids and
        // ids between the commands do nothing.
        {1013, 0, nullptr, CommandAction::None, nullptr, 0},
        {1017, 0, nullptr, CommandAction::None, nullptr, 0},
        {2000, 0, nullptr, CommandAction::None, nullptr, 0},
        {0, 0, nullptr, CommandAction::None, nullptr, 0},
        {40004, 0, nullptr, CommandAction::None, nullptr, 0},
        {40024, 1, nullptr, CommandAction::None, nullptr, 0},
        {65535, 1, nullptr, CommandAction::None, nullptr, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "id " << row.id << " setting " << row.setting);
        CommandPlan plan = PlanCommand(row.id, row.setting);
        EXPECT_EQ(Text(row.question), Text(plan.question));
        EXPECT_EQ(static_cast<int>(row.action), static_cast<int>(plan.action));
        EXPECT_EQ(Text(row.verb), Text(plan.verb));
        EXPECT_EQ(row.folder, plan.folder);
    }
}

}  // namespace
