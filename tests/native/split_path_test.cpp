// Path splitting under Shift-JIS rules, natively under the sanitizers.
#include <gtest/gtest.h>

#include <string>

#include "settings/split_path.h"

namespace {

struct Parts {
    std::string drive, directory, baseName, extension;
};

Parts Split(const std::string& path)
{
    char drive[3] = "?", directory[256] = "?", baseName[256] = "?", extension[256] = "?";
    SplitPathWith(path.c_str(), IsShiftJisLeadByte, drive, directory, baseName, extension);
    return {drive, directory, baseName, extension};
}

struct Row {
    const char* path;
    Parts expected;
};

TEST(SplitPath, SplitsLikeTheFileSystem)
{
    const Row rows[] = {
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
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        Parts got = Split(row.path);
        EXPECT_EQ(row.expected.drive, got.drive);
        EXPECT_EQ(row.expected.directory, got.directory);
        EXPECT_EQ(row.expected.baseName, got.baseName);
        EXPECT_EQ(row.expected.extension, got.extension);
    }
}

TEST(SplitPath, AbsentOutputsAreSkipped)
{
    char directory[256] = "?";
    SplitPathWith("C:\\a\\b.txt", IsShiftJisLeadByte, nullptr, directory, nullptr, nullptr);
    EXPECT_STREQ("\\a\\", directory);
}

TEST(SplitPath, LongPartsAreCutAtACharacterBoundary)
{
    // 300 single bytes: cut to exactly 255.
    Parts ascii = Split(std::string(300, 'a') + ".txt");
    EXPECT_EQ(std::string(255, 'a'), ascii.baseName);
    EXPECT_EQ(".txt", ascii.extension);

    // Two single bytes then double-byte characters: byte 255 would be a lead byte, so the
    // part ends before that character (254 bytes).
    std::string name = "ab";
    for (int i = 0; i < 150; ++i)
        name += "\x82\xA0";
    Parts dbcs = Split("C:\\" + name);
    EXPECT_EQ(name.substr(0, 254), dbcs.baseName);

    // Lead-byte values as trail bytes (0x81 0x81) must not shift the character walk.
    std::string twins;
    for (int i = 0; i < 150; ++i)
        twins += "\x81\x81";
    Parts pairs = Split(twins);
    EXPECT_EQ(twins.substr(0, 254), pairs.baseName);

    std::string longDir = "C:\\" + std::string(300, 'd') + "\\f.x";
    Parts dir = Split(longDir);
    EXPECT_EQ(std::string(1, '\\') + std::string(254, 'd'), dir.directory);
    EXPECT_EQ("f", dir.baseName);
}

}  // namespace
