// The built Morvek.exe under Wine: a folder opened through the shell, and quit without its
// question (asked, it is checked in-process and by the hostile folder's case).
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "test_support.h"

namespace {

constexpr WPARAM kQuitCommand = 40003;

// The name the shell shows for a special folder, as a folder window's caption.
std::wstring FolderDisplayName(int csidl)
{
    LPITEMIDLIST list = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, csidl, &list) != S_OK)
        return L"";
    SHFILEINFOW info = {};
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list), 0, &info, sizeof(info), SHGFI_PIDL | SHGFI_DISPLAYNAME);
    CoTaskMemFree(list);
    return info.szDisplayName;
}

// Without a settings file, quit happens at once, also after a folder was opened.
TEST(CommandsE2E, ExplorerCommandOpensTheDocumentsFolderAndQuitNeedsNoAnswer)
{
    std::wstring documents = FolderDisplayName(CSIDL_PERSONAL);
    ASSERT_NE(L"", documents);
    ASSERT_EQ(nullptr, FindTopWindow(L"ExplorerWClass", documents.c_str()));
    MorvekProcess morvek;
    ASSERT_TRUE(morvek.StartFresh("commands_explorer"));
    PostMessageA(morvek.TrayWindow(), WM_COMMAND, 40017, 0);
    HWND folder = nullptr;
    EXPECT_TRUE(WaitFor([&] {
        folder = FindTopWindow(L"ExplorerWClass", documents.c_str());
        return folder != nullptr && IsWindowVisible(folder);
    }));
    if (folder) {
        PostMessageA(folder, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(folder); }));
    }
    EXPECT_TRUE(morvek.Running());
    PostMessageA(morvek.TrayWindow(), WM_COMMAND, kQuitCommand, 0);
    EXPECT_EQ(0u, morvek.ExitCode());
}

}  // namespace
