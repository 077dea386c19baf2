// The executable's paths and the order file, on the real file system under Wine, under the
// system's code page and under UTF-8 (paths_test_utf8).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "launcher/order_file.h"
#include "settings/exe_paths.h"
#include "test_support.h"

namespace {

// The module's folder with its backslash; a path built on it that is too long is refused, not cut.
TEST(ExePaths, ExeDirIsTheModuleFolderAndTooLongAResultIsRefusedNotCut)
{
    char dir[kPathBytes];
    memset(dir, 'x', sizeof(dir));
    ASSERT_TRUE(GetExeDir(dir));
    EXPECT_EQ(TestExeDir(), dir);
    size_t dirUnits = Wide(dir).size();
    // Windows counts a path in UTF-16 units: one of 259 is taken however many bytes its characters
    // take in the code page (two for "表" in 932, three in UTF-8), one of 260 is not.
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
    // "表" is 0x95 0x5C in Shift-JIS: under 932 its trail byte is no separator (elsewhere
    // 0x95 is no lead byte and 0x5C separates, to the same parts here).
    SplitPath("C:\\\x95\x5C\\x.txt", nullptr, directory, baseName, nullptr);
    EXPECT_STREQ("\\\x95\x5C\\", directory);
    EXPECT_STREQ("x", baseName);
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

class OrderFile : public testing::Test {
protected:
    const std::string path = TestExeDir() + "order1.txt";
    const std::string items = TestExeDir() + "items";
    OrderStore store = {};
    void SetUp() override { TearDown(); }
    void TearDown() override
    {
        FreeOrderStore(store);
        for (const char* suffix : {"", ".tmp", ".unreadable", ".unreadable-2", ".unreadable-3"}) {
            DeleteFileA((path + suffix).c_str());
            RemoveDirectoryA((path + suffix).c_str());
        }
    }
    bool Set(const std::string& folder, const std::vector<std::string>& names)
    {
        std::vector<OrderName> spans;
        for (const std::string& name : names)
            spans.push_back({name.data(), name.size()});
        return SetFolderOrder(store, folder.c_str(), spans.data(), spans.size());
    }
};

TEST_F(OrderFile, SavedWholeThroughATemporaryFileAndReadBackForTheFolder)
{
    EXPECT_TRUE(LoadOrderFile(store));
    EXPECT_EQ(nullptr, FindFolderOrder(store, items.c_str()));
    EXPECT_FALSE(FileExists(path)) << "no file before the first save";
    const std::string japanese = "\xE3\x83\xA1\xE3\x83\xBC\xE3\x83\xAB.lnk", emoji = "\xF0\x9F\x9A\x80.cmd";
    // A folder named in the system code page, written in UTF-8.
    bool kanji = Wide(Ansi(L"表")) == L"表";
    std::string tools = kanji ? Ansi(L"表") : "tools", toolsUtf8 = kanji ? "\xE8\xA1\xA8" : "tools";
    ASSERT_TRUE(Set(items, {japanese, "browser.lnk"}));
    ASSERT_TRUE(Set(items + "\\" + tools + "\\", {emoji}));
    ASSERT_TRUE(Set("D:\\Stick\\Apps", {"a.lnk"}));
    ASSERT_TRUE(Set(items, {"browser.lnk", japanese}));
    EXPECT_EQ("items\\\r\nbrowser.lnk\r\n" + japanese + "\r\n\r\nitems\\" + toolsUtf8 + "\\\r\n" + emoji +
                  "\r\n\r\nD:\\Stick\\Apps\\\r\na.lnk\r\n",
              ReadFileBytes(path));
    EXPECT_FALSE(FileExists(path + ".tmp"));
    FreeOrderStore(store);
    ASSERT_TRUE(LoadOrderFile(store));
    // Paths ignore case; the module's and the shell's may spell the drive differently.
    std::string lower = items;
    lower[0] = static_cast<char>(tolower(lower[0]));
    const OrderFolder* folder = FindFolderOrder(store, (lower + "\\").c_str());
    ASSERT_NE(nullptr, folder);
    ASSERT_EQ(2u, folder->count);
    const OrderName shell[] = {{"new.lnk", 7}, {japanese.data(), japanese.size()}, {"browser.lnk", 11}};
    size_t order[3] = {9, 9, 9};
    ApplyFolderOrder(store, items.c_str(), shell, 3, order);
    EXPECT_EQ((std::vector<size_t>{2, 1, 0}), std::vector<size_t>(order, order + 3));
    ASSERT_TRUE(ForgetFolderOrder(store, items.c_str()));
    EXPECT_EQ(nullptr, FindFolderOrder(store, items.c_str()));
    EXPECT_EQ(0u, ReadFileBytes(path).find("items\\"));  // the next folder's section
    EXPECT_EQ(std::string::npos, ReadFileBytes(path).find("browser"));
    // A save whose temporary file cannot be written leaves the file as it was: no save
    // writes it in place.
    std::string kept = ReadFileBytes(path);
    ASSERT_TRUE(CreateDirectoryA((path + ".tmp").c_str(), nullptr));
    EXPECT_FALSE(Set(items, {"x.lnk"}));
    EXPECT_EQ(kept, ReadFileBytes(path));
}

TEST_F(OrderFile, AnUnreadableFileIsNoOrderAndSetAsideBeforeTheNextSave)
{
    const std::string bad[] = {"items\\\r\n\xC0\xAF.lnk\r\n", std::string(kOrderTextMax + 1, '\n')};
    for (const std::string& text : bad) {
        SCOPED_TRACE(text.size());
        TearDown();
        ASSERT_TRUE(WriteTextFile(path + ".unreadable", "taken"));
        ASSERT_TRUE(WriteTextFile(path, text));
        EXPECT_FALSE(LoadOrderFile(store));
        EXPECT_TRUE(store.unreadable);
        EXPECT_EQ(0u, store.folderCount);
        ASSERT_TRUE(Set(items, {"a.lnk"}));
        EXPECT_EQ("taken", ReadFileBytes(path + ".unreadable"));
        EXPECT_TRUE(ReadFileBytes(path + ".unreadable-2") == text);
        EXPECT_EQ("items\\\r\na.lnk\r\n", ReadFileBytes(path));
        ASSERT_TRUE(Set(items, {"b.lnk"}));
        EXPECT_FALSE(FileExists(path + ".unreadable-3")) << "a readable file is not set aside";
    }
}

TEST_F(OrderFile, AHandEditIsSeenByTheStampAndKeptAtTheNextSave)
{
    ASSERT_TRUE(Set(items, {"a.lnk", "b.lnk"}));
    EXPECT_FALSE(OrderFileChanged(store));
    ASSERT_TRUE(WriteTextFile(path, "items\\\nb.lnk\na.lnk\nD:\\Other\\\nz.lnk\n"));
    EXPECT_TRUE(OrderFileChanged(store));
    ASSERT_TRUE(Set("D:\\Apps\\", {"c.lnk"}));
    EXPECT_EQ("items\\\r\nb.lnk\r\na.lnk\r\n\r\nD:\\Other\\\r\nz.lnk\r\n\r\nD:\\Apps\\\r\nc.lnk\r\n",
              ReadFileBytes(path));
    EXPECT_FALSE(OrderFileChanged(store));
    ASSERT_NE(nullptr, FindFolderOrder(store, "D:\\Other"));
}

}  // namespace
