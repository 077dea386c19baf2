// The executable's paths and the settings readers, on the real file system under Wine,
// under the system's code page and under UTF-8 (paths_test_utf8).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "settings/exe_paths.h"
#include "settings/settings_file.h"
#include "test_support.h"

namespace {

class SettingsFile : public testing::Test {
protected:
    std::string path = TestExeDir() + "setting1.ini";
    void SetUp() override { DeleteFileA(path.c_str()); }
    void TearDown() override { DeleteFileA(path.c_str()); }
};

TEST(ExePaths, ExeDirIsTheModuleFolderWithItsBackslash)
{
    char dir[kPathBytes];
    memset(dir, 'x', sizeof(dir));
    ASSERT_TRUE(GetExeDir(dir));
    EXPECT_EQ(TestExeDir(), dir);

    char settings[kPathBytes];
    ASSERT_TRUE(MakeExePath(settings, "setting1.ini"));
    EXPECT_EQ(TestExeDir() + "setting1.ini", settings);
}

TEST(ExePaths, TooLongAResultIsRefusedNotCut)
{
    char dir[kPathBytes];
    ASSERT_TRUE(GetExeDir(dir));
    size_t dirUnits = Wide(dir).size();
    // Windows counts a path in UTF-16 units: one of 259 is taken however many bytes its
    // characters take in the code page (two for "表" in 932, three in UTF-8), one of 260
    // is not.
    std::wstring piece = Wide(Ansi(L"表")) == L"表" ? L"表" : L"a";
    for (const std::wstring& character : {std::wstring(L"a"), piece}) {
        SCOPED_TRACE(Ansi(character));
        std::string fits, tooLong;
        for (size_t i = dirUnits; i < MAX_PATH - 1; ++i)
            fits += Ansi(character);
        tooLong = fits + Ansi(character);
        char out[kPathBytes];
        EXPECT_TRUE(MakeExePath(out, fits.c_str()));
        EXPECT_EQ(std::string(dir) + fits, out);
        EXPECT_EQ(MAX_PATH - 1, static_cast<int>(Wide(out).size()));
        memset(out, 'x', sizeof(out));
        EXPECT_FALSE(MakeExePath(out, tooLong.c_str()));
        EXPECT_STREQ("", out);
    }
    if (GetACP() != 1252) {
        EXPECT_EQ(L"表", piece) << "the multi-byte case ran";
    }
}

TEST(ExePaths, SplitPathFollowsTheSystemCodePage)
{
    char drive[3], directory[kSplitPartMax + 1], baseName[kSplitPartMax + 1], extension[kSplitPartMax + 1];
    SplitPath("C:\\a\\b.c.txt", drive, directory, baseName, extension);
    EXPECT_STREQ("C:", drive);
    EXPECT_STREQ("\\a\\", directory);
    EXPECT_STREQ("b.c", baseName);
    EXPECT_STREQ(".txt", extension);

    // "表" is 0x95 0x5C in Shift-JIS: under 932 its trail byte is no separator.
    SplitPath("C:\\\x95\x5C\\x.txt", nullptr, directory, baseName, nullptr);
    if (GetACP() == 932) {
        EXPECT_STREQ("\\\x95\x5C\\", directory);
        EXPECT_STREQ("x", baseName);
    } else {
        EXPECT_STREQ("\\\x95\x5C\\", directory);  // 0x95 is no lead byte: 0x5C separates
    }
    SplitPath("C:\\d\\\x95\x5C", nullptr, directory, baseName, nullptr);
    if (GetACP() == 932) {
        EXPECT_STREQ("\\d\\", directory);
        EXPECT_STREQ("\x95\x5C", baseName);
    } else {
        EXPECT_STREQ("\\d\\\x95\\", directory);
        EXPECT_STREQ("", baseName);
    }

    // A folder named outside any one code page but UTF-8.
    std::wstring folder = L"C:\\Ünïcödé 한국 表\\";
    if (GetACP() == CP_UTF8) {
        SplitPath(Ansi(folder + L"Morvek.exe").c_str(), drive, directory, baseName, extension);
        EXPECT_EQ(L"\\Ünïcödé 한국 表\\", Wide(directory));
        EXPECT_STREQ("Morvek", baseName);
        EXPECT_STREQ(".exe", extension);
    }
}

TEST_F(SettingsFile, DefaultsWithoutAFile)
{
    EXPECT_EQ(1u, ReadIconShow());
    EXPECT_EQ(0u, ReadDesktopKey());
    EXPECT_FALSE(FileExists(path)) << "reading must not create the file";
}

TEST_F(SettingsFile, ValuesAreReadFreshAndSectionsIgnoreCase)
{
    ASSERT_TRUE(WriteTextFile(path, "[Icon]\r\nIconShow=0\r\n[DeskTopShow]\r\nKey=2\r\n[Exit]\r\nMessage=1\r\n"));
    EXPECT_EQ(0u, ReadIconShow());
    EXPECT_EQ(2u, ReadDesktopKey());
    EXPECT_EQ(1u, ReadSetting(kSectionExitRead, kKeyMessage, 0));

    ASSERT_TRUE(WriteTextFile(path, "[icon]\r\niconshow=1\r\n[DESKTOPSHOW]\r\nkey=3\r\n"));
    EXPECT_EQ(1u, ReadIconShow());
    EXPECT_EQ(3u, ReadDesktopKey());
}

TEST_F(SettingsFile, WriteGoesBesideTheExecutable)
{
    ASSERT_TRUE(WriteSetting(kSectionIcon, kKeyIconShow, "0"));
    EXPECT_EQ("[Icon]\nIconShow=0\n", ReadTextFile(path));
}

}  // namespace
