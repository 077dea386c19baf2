// Icon lookups of a folder menu's build: one that does not come holds nothing up and is asked
// for again; shortcuts found again by their listing are not asked about again.
#include <string>

#include "folder_menu_fixture.h"
#include "launcher/icon_fetch.h"

namespace {

class IconFetch : public FolderMenu {};

// A lookup the shell does not answer (a shortcut to a share gone offline) shows the generic
// icon and is asked again by the next build; one shortcut more costs one lookup.
TEST_F(IconFetch, AnIconThatDoesNotComeIsAskedForAgainAndShortcutsAreReused)
{
    ASSERT_TRUE(MakeItems({"slow.txt"}));
    for (const char* name : {"\\a.lnk", "\\c.lnk"})
        ASSERT_EQ(S_OK, MakeShortcut(TestItemsDir() + name, TestSettingsPath()));
    auto pathOf = [](LauncherRecord* r) {  // a shortcut's name hides its extension
        std::string path = TestItemsDir() + "\\" + r->text;
        return FileExists(path) ? path : path + ".lnk";
    };
    SHFILEINFOA generic = {};
    ASSERT_NE(0u, SHGetFileInfoA("file", FILE_ATTRIBUTE_NORMAL, &generic, sizeof(generic),
                                 SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    {
        IconFetches stalled(true, "\\slow.txt");
        EXPECT_EQ(1u, Click());
        EXPECT_TRUE(kept);
        EXPECT_EQ(3, stalled.Count());
        EXPECT_EQ(ShellOrder(TestItemsDir()), Names(g_launcher.keptMenu.records));
        for (LauncherRecord* r : Records(g_launcher.keptMenu.records)) {
            SCOPED_TRACE(r->text);
            bool slow = std::string(r->text) == "slow.txt";
            EXPECT_EQ(slow, r->iconLate);
            EXPECT_EQ(slow ? generic.iIcon : SmallIconIndexOf(pathOf(r)), r->iconIndex);
        }
        // Out still: the next build does not ask again.
        ASSERT_EQ(S_OK, MakeShortcut(TestItemsDir() + "\\b.lnk", TestSettingsPath()));
        long asked = stalled.Count();
        EXPECT_EQ(1u, Click());
        EXPECT_EQ(asked + 1, stalled.Count()) << "the new entry alone";
        for (LauncherRecord* r : Records(g_launcher.keptMenu.records))
            EXPECT_EQ(std::string(r->text) == "slow.txt", r->iconLate) << r->text;
    }
    // Answered (with no window to take it): asked again by the next build.
    ASSERT_TRUE(WaitFor([] { return IconFetchesHeld().out == 0; }));
    IconFetches fetches;
    ASSERT_EQ(S_OK, MakeShortcut(TestItemsDir() + "\\d.lnk", TestSettingsPath()));
    EXPECT_EQ(1u, Click());
    EXPECT_TRUE(kept);
    EXPECT_EQ(ShellOrder(TestItemsDir()), Names(g_launcher.keptMenu.records));
    EXPECT_EQ(2, fetches.Count()) << "the new entry and the late one, not the unchanged shortcuts";
    for (LauncherRecord* r : Records(g_launcher.keptMenu.records)) {
        SCOPED_TRACE(r->text);
        EXPECT_FALSE(r->iconLate);
        EXPECT_EQ(SmallIconIndexOf(pathOf(r)), r->iconIndex);
    }
}

// Ten lookups that never answer: a build waits for them together, once; they hold no more
// than the few helper threads; the next build neither asks for them again nor waits.
TEST_F(IconFetch, StalledLookupsCostOneWaitAFewThreadsAndNoSecondAsking)
{
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i)
        names.push_back("stalled " + std::to_string(i) + ".txt");
    ASSERT_TRUE(MakeItems(names));
    EXPECT_EQ(1u, Click());
    ASSERT_TRUE(WaitFor([] { return IconFetchesHeld().out == 0; }));  // a busy machine's late ones
    const int threads = ThreadsOfProcess();
    ASSERT_GT(threads, 0);
    {
        IconFetches stalled(true);
        const LONG deadlines = IconFetchesHeld().deadlines;
        for (int build = 0; build < 2; ++build) {
            SCOPED_TRACE(build ? "the next build" : "the first build");
            MarkKeptMenuStale();
            EXPECT_EQ(1u, Click());
            EXPECT_EQ(10u, Records(g_launcher.keptMenu.records).size());
            for (LauncherRecord* r : Records(g_launcher.keptMenu.records))
                EXPECT_TRUE(r->iconLate) << r->text;
            EXPECT_EQ(deadlines + 1, IconFetchesHeld().deadlines) << "not one wait for the build's late icons";
            EXPECT_EQ(10, IconFetchesHeld().out) << "entries still out were asked again";
            // The helpers take the lookups left to them (not all at once on a busy machine).
            EXPECT_TRUE(WaitFor([&] { return stalled.Count() == kIconHelpers; })) << stalled.Count();
            EXPECT_LE(ThreadsOfProcess(), threads + kIconHelpers);
            EXPECT_LE(IconFetchesHeld().helpers, kIconHelpers);
        }
    }
    ASSERT_TRUE(WaitFor([] { return IconFetchesHeld().out == 0; }));
}

}  // namespace
