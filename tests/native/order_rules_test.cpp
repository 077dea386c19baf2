// The user's order of launcher entries: reading, applying, moving and writing the order
// file's text, natively under the sanitizers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/order_rules.h"

namespace {

// A folder as its path followed by its names.
using Names = std::vector<std::string>;
using Sections = std::vector<Names>;

std::vector<OrderName> Spans(const Names& names, size_t from = 0)
{
    std::vector<OrderName> spans;
    for (size_t i = from; i < names.size(); ++i)
        spans.push_back({names[i].data(), names[i].size()});
    return spans;
}

// Measures, then reads into arrays of exactly that size; false when unreadable.
bool Parse(const std::string& text, Sections* sections)
{
    size_t folderCount = 7, nameCount = 7;
    if (!ParseOrderText(text.data(), text.size(), nullptr, 0, nullptr, 0, &folderCount, &nameCount))
    {
        EXPECT_EQ(0u, folderCount + nameCount);
        return false;
    }
    std::vector<OrderFolder> folders(folderCount, OrderFolder{{"?", 1}, nullptr, 99});
    std::vector<OrderName> names(nameCount);
    EXPECT_TRUE(ParseOrderText(text.data(), text.size(), folders.data(), folders.size(), names.data(),
                               names.size(), &folderCount, &nameCount));
    sections->clear();
    for (const OrderFolder& folder : folders) {
        sections->push_back({std::string(folder.path.bytes, folder.path.length)});
        for (const OrderName* name = folder.names; name < folder.names + folder.count; ++name)
            sections->back().push_back(std::string(name->bytes, name->length));
    }
    return true;
}

std::string Write(const Sections& sections)
{
    std::vector<std::vector<OrderName>> spans;
    std::vector<OrderFolder> folders;
    for (const Names& section : sections) {
        spans.push_back(Spans(section, 1));
        folders.push_back({{section[0].data(), section[0].size()}, spans.back().data(), spans.back().size()});
    }
    std::string text(WriteOrderText(folders.data(), folders.size(), nullptr, 0), '?');
    EXPECT_EQ(text.size(), WriteOrderText(folders.data(), folders.size(), &text[0], text.size()));
    return text;
}

Names Apply(const Names& shell, const Names& stored)
{
    std::vector<OrderName> shellSpans = Spans(shell), storedSpans = Spans(stored);
    std::vector<size_t> order(shell.size(), 999), scratch(shell.size(), 999);
    ApplyOrder(shellSpans.data(), shell.size(), storedSpans.data(), stored.size(), order.data(), scratch.data());
    Names shown;
    for (size_t index : order)
        shown.push_back(index < shell.size() ? shell[index] : "<out of range>");
    return shown;
}

TEST(OrderRules, ReadsFoldersAndTheirNamesInAnyScriptWithEitherLineEnding)
{
    Sections sections;
    ASSERT_TRUE(Parse("\xEF\xBB\xBFitems\\\r\nbrowser.lnk\r\n\r\nmail.lnk\n\nitems\\tools\\\n"
                      "エディタ.lnk\r\n편집기.lnk\n🚀 launch.cmd\r\nD:\\Stick\\Apps\\\r\n\r\n"
                      "items\\空\\\n trailing space \nlast line without ending",
                      &sections));
    EXPECT_EQ((Sections{{"items\\", "browser.lnk", "mail.lnk"},
                        {"items\\tools\\", "エディタ.lnk", "편집기.lnk", "🚀 launch.cmd"},
                        {"D:\\Stick\\Apps\\"},
                        {"items\\空\\", " trailing space ", "last line without ending"}}),
              sections);
    EXPECT_TRUE(Parse("", &sections));
    EXPECT_TRUE(sections.empty());
    // A mark later in the text is a character of a name; the longest line is readable.
    EXPECT_TRUE(Parse("a\\\n\xEF\xBB\xBFx\n" + std::string(kOrderLineMax, 'n'), &sections));
}

TEST(OrderRules, ATextThatCannotBeReadIsUnreadableWhole)
{
    const std::string folder = "items\\\r\nfine.lnk\r\n";
    const struct {
        const char* why;
        std::string text;
    } rows[] = {
        {"overlong slash", folder + "\xC0\xAF.lnk"},
        {"overlong three bytes", folder + "\xE0\x80\xAF"},
        {"overlong four bytes", folder + "\xF0\x80\x80\xAF"},
        {"surrogate", folder + "\xED\xA0\x80.lnk"},
        {"beyond U+10FFFF", folder + "\xF4\x90\x80\x80"},
        {"cut at the end", folder + "\xE3\x81"},
        {"cut before a line end", folder + "\xF0\x9F\x9A\r\nx"},
        {"lone continuation", folder + "\x80"},
        {"byte FF", folder + "\xFF"},
        {"NUL", folder + std::string("a\0b", 3)},
        {"CR in a line", folder + "a\rb\r\n"},
        {"name before any folder", "browser.lnk\r\n" + folder},
        {"a line too long", folder + std::string(kOrderLineMax + 1, 'n')},
        {"a text too long", folder + std::string(kOrderTextMax, '\n')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        Sections sections;
        EXPECT_FALSE(Parse(row.text, &sections));
    }
}

TEST(OrderRules, StoredNamesFirstThenTheRestInTheShellsOrder)
{
    const std::string nfc = "Caf\xC3\xA9.lnk", nfd = "Cafe\xCC\x81.lnk";
    const struct {
        const char* why;
        Names shell, stored, shown;
    } rows[] = {
        {"nothing stored", {"b", "a", "c"}, {}, {"b", "a", "c"}},
        {"all stored", {"a", "b", "c"}, {"c", "a", "b"}, {"c", "a", "b"}},
        {"added since come last, in the shell's order", {"n2", "a", "n1", "b"}, {"b", "a"}, {"b", "a", "n2", "n1"}},
        {"removed since drop out", {"a", "c"}, {"gone", "c", "old", "a"}, {"c", "a"}},
        {"renamed: removed and added", {"a", "b2", "c"}, {"c", "b", "a"}, {"c", "a", "b2"}},
        {"a repeated stored name counts at its first place", {"a", "b", "c"}, {"b", "a", "b", "b"}, {"b", "a", "c"}},
        {"names compare byte for byte", {"a.lnk", "A.lnk", "a.LNK"}, {"A.lnk", "a.LNK"}, {"A.lnk", "a.LNK", "a.lnk"}},
        {"one name a prefix of another", {"ab", "a", "abc"}, {"abc", "a"}, {"abc", "a", "ab"}},
        {"NFC and NFD are two names", {nfc, nfd}, {nfd}, {nfd, nfc}},
        {"any script", {"メール.lnk", "브라우저.lnk", "😀.lnk", "z"}, {"😀.lnk", "브라우저.lnk", "メール.lnk"},
         {"😀.lnk", "브라우저.lnk", "メール.lnk", "z"}},
        {"the same name twice in a listing", {"x", "a", "x"}, {"x", "x", "x"}, {"x", "x", "a"}},
        {"an empty level", {}, {"a"}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        EXPECT_EQ(row.shown, Apply(row.shell, row.stored));
    }
}

TEST(OrderRules, AMoveShiftsTheEntriesBetween)
{
    const struct {
        size_t from, to;
        const char* after;
    } rows[] = {{2, 0, "cabde"}, {0, 4, "bcdea"}, {1, 3, "acdbe"}, {4, 3, "abced"}, {2, 2, "abcde"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.from << " to " << row.to);
        std::string items = "abcde";
        EXPECT_TRUE(MoveOrderEntry(&items[0], 1, items.size(), row.from, row.to));
        EXPECT_EQ(row.after, items);
    }
    size_t indices[] = {10, 11, 12};
    EXPECT_TRUE(MoveOrderEntry(indices, sizeof(size_t), 3, 2, 0));
    EXPECT_FALSE(MoveOrderEntry(indices, sizeof(size_t), 3, 3, 0));
    EXPECT_FALSE(MoveOrderEntry(indices, sizeof(size_t), 3, 0, 3));
    EXPECT_EQ((std::vector<size_t>{12, 10, 11}), std::vector<size_t>(indices, indices + 3));
}

TEST(OrderRules, WrittenWholeInCrlfAndReadBackAsWritten)
{
    const Sections sections = {{"items\\", "browser.lnk", "メール.lnk"},
                               {"D:\\Stick\\Apps\\"},
                               {"items\\😀\\", "Caf\xC3\xA9.lnk", "Cafe\xCC\x81.lnk", " x "}};
    std::string text = Write(sections);
    EXPECT_EQ("items\\\r\nbrowser.lnk\r\nメール.lnk\r\n\r\nD:\\Stick\\Apps\\\r\n\r\n"
              "items\\😀\\\r\nCaf\xC3\xA9.lnk\r\nCafe\xCC\x81.lnk\r\n x \r\n",
              text);
    Sections read;
    ASSERT_TRUE(Parse(text, &read));
    EXPECT_EQ(sections, read);
    // Lines that would not read back as they stand are left out, a section with its path.
    text = Write({{"no slash", "lost.lnk"},
                  {"items\\", "", "sub\\", "two\r\nlines", "bad\xE3\x81", std::string(kOrderLineMax + 1, 'n'),
                   "kept.lnk"}});
    EXPECT_EQ("items\\\r\nkept.lnk\r\n", text);
    // A path that begins with U+FEFF first: not taken for the byte order mark.
    const Sections marked = {{"\xEF\xBB\xBFmarked\\", "\xEF\xBB\xBFname"}};
    ASSERT_TRUE(Parse(Write(marked), &read));
    EXPECT_EQ(marked, read);
}

}  // namespace
