// What a changed setting or a command on an entry means for the kept launcher menus.
#include <gtest/gtest.h>

#include "launcher/rebuild_cause.h"

namespace {

const char* Named(MenuChange change)
{
    return change == MenuChange::Nothing ? "nothing" : change == MenuChange::Look ? "look" : "names";
}

// Only what changes the look (or the names the shell gives) builds the menus anew: the
// broadcasts a desktop sends all day (policy refreshes, environment, wallpaper) do not.
TEST(RebuildCause, OnlyTheLookAndTheShellsStateChangeTheMenus)
{
    const struct {
        unsigned action;
        const wchar_t* section;
        MenuChange expected;
    } rows[] = {
        {0, L"ImmersiveColorSet", MenuChange::Look},
        {0, L"immersivecolorset", MenuChange::Look},
        {kSpiSetIconMetrics, L"WindowMetrics", MenuChange::Look},
        {kSpiSetNonClientMetrics, L"WindowMetrics", MenuChange::Look},
        {kSpiSetNonClientMetrics, nullptr, MenuChange::Look},
        {0, L"WindowMetrics", MenuChange::Look},
        {kSpiSetHighContrast, nullptr, MenuChange::Look},
        {0, nullptr, MenuChange::Look},
        {0, L"", MenuChange::Look},
        {0, L"ShellState", MenuChange::Names},
        {0, L"Policy", MenuChange::Nothing},
        {1, L"Policy", MenuChange::Nothing},
        {0, L"Environment", MenuChange::Nothing},
        {kSpiSetDeskWallpaper, nullptr, MenuChange::Nothing},
        {kSpiSetDeskWallpaper, L"Control Panel\\Desktop", MenuChange::Nothing},
        {0, L"intl", MenuChange::Nothing},
        {0, L"ImmersiveColorSetX", MenuChange::Nothing},
        {0, L"Immersive", MenuChange::Nothing},
        {0, L"\u00c9nvironment", MenuChange::Nothing},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "action " << row.action << ", section "
                                        << (row.section ? testing::PrintToString(std::wstring(row.section)) : "none"));
        EXPECT_STREQ(Named(row.expected), Named(SettingChange(row.action, row.section)));
    }
}

// A command whose change no watch sees (an unknown verb, or none) is the only one that makes
// the menus be built anew.
TEST(RebuildCause, OnlyAnUnknownCommandOnAnEntryChangesTheMenus)
{
    const struct {
        const char* verb;
        bool changes;
    } rows[] = {
        {"open", false},       {"Open", false},         {"properties", false}, {"copy", false},
        {"runas", false},      {"opencontaining", false}, {"explore", false},  {"delete", false},
        {"rename", false},     {"link", false},         {nullptr, true},       {"", true},
        {"taskbarpin", true},  {"copyto", true},        {"ope", true},         {"openx", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.verb ? row.verb : "(none)");
        EXPECT_EQ(row.changes, EntryCommandMayChangeUnseen(row.verb));
    }
}

}  // namespace
