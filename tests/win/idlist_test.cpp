// Item-ID lists of paths, and the ANSI copies of the wide names the shell gives.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "shell/idlist.h"
#include "test_support.h"

namespace {

TEST(WideToAnsiDup, SizesItsCopyByWhatTheCodePageNeeds)
{
    for (const wchar_t* name : {L"", L"plain name.txt", L"日本語の名前", L"Ä ö ß ĳ"}) {
        SCOPED_TRACE(Ansi(name));
        char* copy = WideToAnsiDup(name);
        ASSERT_NE(nullptr, copy);
        std::string expected = Ansi(name);
        EXPECT_EQ(expected, copy);
        EXPECT_EQ(expected.size() + 1, HeapSize(GetProcessHeap(), 0, copy));
        HeapFree(GetProcessHeap(), 0, copy);
    }
}

TEST(PathToIdList, NamesTheFolderAndFailsForNothing)
{
    std::string dir = TestExeDir();
    dir.pop_back();
    LPITEMIDLIST list = PathToIdList(dir.c_str());
    ASSERT_NE(nullptr, list);
    char path[MAX_PATH] = {};
    ASSERT_TRUE(SHGetPathFromIDListA(list, path));
    EXPECT_STREQ(dir.c_str(), path);
    FreeIdList(list);
    EXPECT_EQ(nullptr, PathToIdList((dir + "\\no such folder\\x").c_str()));
}

}  // namespace
