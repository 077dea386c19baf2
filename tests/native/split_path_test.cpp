// Character stepping and path splitting under Shift-JIS (932), Western (1252) and UTF-8
// (65001) rules, natively under the sanitizers.
#include <gtest/gtest.h>

#include <string>

#include "settings/char_step.h"
#include "settings/split_path.h"

namespace {

struct Parts {
    std::string drive, directory, baseName, extension;
};

Parts Split(const std::string& path, AnsiEncoding encoding = kShiftJis)
{
    char drive[3] = "?", directory[kSplitPartMax + 1] = "?", baseName[kSplitPartMax + 1] = "?",
         extension[kSplitPartMax + 1] = "?";
    SplitPathWith(path.c_str(), encoding, drive, directory, baseName, extension);
    return {drive, directory, baseName, extension};
}

std::string Repeat(const std::string& piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// Under UTF-8 no byte of a multi-byte character is below 0x80, so only a cut could go
// wrong; under 1252 every byte is a character, so 0x5C always separates.
TEST(SplitPath, SplitsLikeTheFileSystemInEachEncoding)
{
    const struct {
        const char* path;
        Parts expected;
        AnsiEncoding encoding = kShiftJis;
    } rows[] = {
        {"C:\\a\\b.c.txt", {"C:", "\\a\\", "b.c", ".txt"}},
        {"D:\\x\\.profile", {"D:", "\\x\\", "", ".profile"}},
        {"C:\\Tools\\Launcher\\prog.exe", {"C:", "\\Tools\\Launcher\\", "prog", ".exe"}},
        {"D:\\Games", {"D:", "\\", "Games", ""}},
        {"D:\\Docs\\report.final.txt", {"D:", "\\Docs\\", "report.final", ".txt"}},
        {"a/b\\c.d/e", {"", "a/b\\c.d/", "e", ""}},  // a dot in an earlier component is no extension
        {"noext", {"", "", "noext", ""}},
        {"", {"", "", "", ""}},
        {"C:", {"C:", "", "", ""}},
        {"C", {"", "", "C", ""}},
        {"dir\\", {"", "dir\\", "", ""}},
        {"x.", {"", "", "x", "."}},
        {"\\\\server\\share\\f.txt", {"", "\\\\server\\share\\", "f", ".txt"}},
        // 0x95 0x5C is one character whose trail byte is '\\'; 0x83 0x2E has trail '.'.
        {"C:\\\x95\x5C\\\x95\x5C.txt", {"C:", "\\\x95\x5C\\", "\x95\x5C", ".txt"}},
        {"C:\\a\\\x83\x2E", {"C:", "\\a\\", "\x83\x2E", ""}},
        {"C:\\\x95\x5C", {"C:", "\\", "\x95\x5C", ""}},
        // A lead byte with nothing after it ends the scan.
        {"C:\\d\\n\x95", {"C:", "\\d\\", "n\x95", ""}},
        {"C:\\\xC3\x9Cn\xC3\xAF" "c\xC3\xB6" "d\xC3\xA9 \xED\x95\x9C\xEA\xB5\xAD \xE8\xA1\xA8\\Morvek.exe",
         {"C:", "\\\xC3\x9Cn\xC3\xAF" "c\xC3\xB6" "d\xC3\xA9 \xED\x95\x9C\xEA\xB5\xAD \xE8\xA1\xA8\\", "Morvek",
          ".exe"}, kUtf8},  // "Ünïcödé 한국 表"
        {"D:\\x\\\xF0\x9F\x98\x80.txt", {"D:", "\\x\\", "\xF0\x9F\x98\x80", ".txt"}, kUtf8},  // an emoji
        {"C:\\Caf\xC3\xA9.d\xC3\xA9j\xC3\xA0", {"C:", "\\", "Caf\xC3\xA9", ".d\xC3\xA9j\xC3\xA0"}, kUtf8},
        // The Shift-JIS bytes of "表" are no UTF-8 character: 0x5C separates.
        {"C:\\d\\\x95\x5Cx", {"C:", "\\d\\\x95\\", "x", ""}, kUtf8},
        {"C:\\Caf\xE9\\r\xE9sum\xE9.txt", {"C:", "\\Caf\xE9\\", "r\xE9sum\xE9", ".txt"}, kSingleByte},
        {"C:\\d\\\x95\x5Cx", {"C:", "\\d\\\x95\\", "x", ""}, kSingleByte},
    };
    for (const auto& row : rows) {
        const char* encoding = row.encoding.utf8 ? " in UTF-8" : row.encoding.isLeadByte ? "" : " in 1252";
        SCOPED_TRACE(testing::Message() << row.path << encoding);
        Parts got = Split(row.path, row.encoding);
        EXPECT_EQ(row.expected.drive, got.drive);
        EXPECT_EQ(row.expected.directory, got.directory);
        EXPECT_EQ(row.expected.baseName, got.baseName);
        EXPECT_EQ(row.expected.extension, got.extension);
    }
    // Absent outputs are skipped.
    char directory[kSplitPartMax + 1] = "?";
    SplitPathWith("C:\\a\\b.txt", kShiftJis, nullptr, directory, nullptr, nullptr);
    EXPECT_STREQ("\\a\\", directory);
}

TEST(SplitPath, LongPartsAreCutAtACharacterBoundary)
{
    // 259 three-byte characters: the longest name Windows allows, at its longest in UTF-8, fits.
    std::string longest = Repeat("\xE8\xA1\xA8", 259);
    EXPECT_EQ(longest, Split("C:\\" + longest, kUtf8).baseName);
    EXPECT_EQ(longest + "\\", Split(longest + "\\x", kUtf8).directory);
    // Single bytes: cut to exactly kSplitPartMax.
    Parts ascii = Split(std::string(800, 'a') + ".txt");
    EXPECT_EQ(std::string(kSplitPartMax, 'a'), ascii.baseName);
    EXPECT_EQ(".txt", ascii.extension);
    // Two single bytes then double-byte characters: the byte at kSplitPartMax would be
    // the second of a character, so the part ends before that character.
    std::string name = "ab" + Repeat("\x82\xA0", 400);
    Parts dbcs = Split("C:\\" + name);
    EXPECT_EQ(name.substr(0, kSplitPartMax - 1), dbcs.baseName);
    // Lead-byte values as trail bytes (0x81 0x81) must not shift the character walk.
    std::string twins = Repeat("\x81\x81", 400);
    EXPECT_EQ(twins.substr(0, kSplitPartMax - 1), Split(twins).baseName);
    Parts dir = Split("C:\\" + std::string(800, 'd') + "\\f.x");
    EXPECT_EQ(std::string(1, '\\') + std::string(kSplitPartMax - 1, 'd'), dir.directory);
    EXPECT_EQ("f", dir.baseName);
    // UTF-8: a three-byte character at 777..779 and a four-byte one at 776..779 would
    // each cross the limit.
    std::string three = "a" + Repeat("\xE8\xA1\xA8", 300);
    EXPECT_EQ(three.substr(0, 1 + 259 * 3), Split(three, kUtf8).baseName);
    std::string four = Repeat("\xF0\x9F\x98\x80", 200);
    EXPECT_EQ(four.substr(0, 194 * 4), Split(four, kUtf8).baseName);
}

TEST(CutAtCharBoundary, KeepsWholeCharactersWithinBothLimits)
{
    const std::string cafe = "Caf\xC3\xA9";
    const std::string smiles = "\xF0\x9F\x98\x80\xF0\x9F\x98\x80";
    const struct {
        const char* name;
        std::string text;
        AnsiEncoding encoding;
        size_t maxChars, maxBytes;
        size_t expected;
    } rows[] = {
        {"no cut", cafe, kUtf8, 255, 1020, 5},
        {"by characters: e-acute is one", cafe, kUtf8, 4, 1020, 5},
        {"by characters, before e-acute", cafe, kUtf8, 3, 1020, 3},
        {"by bytes: e-acute is not split", cafe, kUtf8, 255, 4, 3},
        {"an emoji is one character", smiles, kUtf8, 1, 1020, 4},
        {"an emoji is not split", smiles, kUtf8, 255, 7, 4},
        {"255 characters of three bytes", Repeat("\xE8\xA1\xA8", 300), kUtf8, 255, 1020, 765},
        {"255 emoji fill the record", Repeat("\xF0\x9F\x98\x80", 300), kUtf8, 255, 1020, 1020},
        {"255 double-byte characters", "ab" + Repeat("\x95\x5C", 300), kShiftJis, 255, 1020, 2 + 253 * 2},
        {"a double-byte character is not split", "a\x95\x5C", kShiftJis, 255, 2, 1},
        {"the same bytes in UTF-8 are three", "a\x95\x5C", kUtf8, 255, 2, 2},
        {"1252: one byte a character", Repeat("\xE9", 300), kSingleByte, 255, 1020, 255},
        {"nothing", "", kUtf8, 255, 1020, 0},
        {"no characters", cafe, kUtf8, 0, 1020, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.expected,
                  CutAtCharBoundary(row.text.c_str(), row.text.size(), row.maxChars, row.maxBytes, row.encoding));
    }
}

TEST(CutAtCharBoundary, MalformedUtf8StepsOneByteAtATime)
{
    // Each of these starts no whole character: a cut sequence, a stray continuation byte,
    // an overlong form, a surrogate half, a code point over U+10FFFF, a lone lead byte at
    // the end. Every byte counts as one character, so the walk neither stalls nor
    // swallows the ASCII after it.
    const char* const rows[] = {"\xE8\xA1x", "\xA1x", "\xC0\x80x", "\xE0\x80\x80x", "\xED\xA0\x80x",
                                "\xF4\x90\x80\x80x", "\xF8\x88\x80\x80x", "\xE8"};
    for (const char* text : rows) {
        std::string s = text;
        SCOPED_TRACE(testing::PrintToString(s));
        EXPECT_EQ(1u, CharWidth(s.c_str(), 0, s.size(), kUtf8));
        EXPECT_EQ(s.size(), CutAtCharBoundary(s.c_str(), s.size(), s.size(), 1020, kUtf8));
        EXPECT_EQ(s.size() - 1, CutAtCharBoundary(s.c_str(), s.size(), s.size() - 1, 1020, kUtf8));
    }
    // The widest forms that are whole.
    EXPECT_EQ(4u, CharWidth("\xF4\x8F\xBF\xBF", 0, 4, kUtf8));  // U+10FFFF
    EXPECT_EQ(3u, CharWidth("\xED\x9F\xBF", 0, 3, kUtf8));      // U+D7FF
    EXPECT_EQ(2u, CharWidth("\xC2\x80", 0, 2, kUtf8));          // U+0080
    EXPECT_EQ(1u, CharWidth("\xF0\x9F\x98\x80", 0, 3, kUtf8)) << "the end cuts the emoji";
}

}  // namespace
