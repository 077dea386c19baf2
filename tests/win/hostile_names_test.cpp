// Hostile names ("&", printf directives, long names and paths, several scripts) in items and in drops, under 932,
// 1252 and UTF-8: a record holds the ANSI name, a drop refuses a name the code page lacks or a path too long.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <set>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/live_counts.h"
#include "core/platform_calls.h"
#include "launcher/folder_menu.h"
#include "launcher/launcher_state.h"
#include "launcher/owner_draw.h"
#include "registration/drop_dialog.h"
#include "resources/resource.h"
#include "test_support.h"

namespace {

std::wstring ItemsDirW()
{
    return Wide(TestExeDir()) + L"items";
}

// The file names every case uses. The long ones stay within 255 bytes of UTF-8, so no
// record here is cut (the cut is tested over a fake folder with the folder menu tests).
std::vector<std::wstring> NameList()
{
    return {
        L"a & b && c&.txt",
        L"100%s%n%x%p%%.txt",
        L"%n%n%n%n%n%n%n%n.txt",
        L"日本語の名前.txt",
        Repeat(L"表", 80) + L".txt",
        std::wstring(190, L'L') + L".txt",
        L"Café.txt",
        L"한국어.txt",
        L"Ελληνικά.txt",
        L"\U0001F600.txt",
    };
}

// The test program's code page holds the name exactly: no default character, no look-alike.
bool CodePageHolds(const std::wstring& name)
{
    return Wide(Ansi(name)) == name;
}

// The width of a long name drawn in one line.
struct Canvas : DibCanvas {
    static constexpr int kWidth = 2000, kHeight = 40;
    Canvas() : DibCanvas(kWidth, kHeight) {}
    // Columns [from, kWidth) of both canvases hold the same pixels.
    bool SameFrom(const Canvas& other, int from) const
    {
        GdiFlush();
        for (int y = 0; y < kHeight; ++y)
            for (int x = from; x < kWidth; ++x)
                if (pixels[y * kWidth + x] != other.pixels[y * kWidth + x])
                    return false;
        return true;
    }
};

// The file name (as the file system spells it) of the item an absolute list ends in.
std::wstring FileNameOf(LPCITEMIDLIST list)
{
    IShellFolder* parent = nullptr;
    LPCITEMIDLIST last = nullptr;
    std::wstring name;
    if (SHBindToParent(list, IID_IShellFolder, reinterpret_cast<void**>(&parent), &last) != S_OK)
        return name;
    STRRET text = {};
    wchar_t buffer[1024] = {};
    if (parent->GetDisplayNameOf(last, SHGDN_INFOLDER | SHGDN_FORPARSING, &text) == S_OK &&
        StrRetToBufW(&text, last, buffer, 1024) == S_OK)
        name = buffer;
    parent->Release();
    return name;
}

// Through the long form of the path: some are over 260 UTF-16 units.
bool MakeFileW(const std::wstring& path)
{
    HANDLE file = CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

class HostileNames : public testing::Test {
protected:
    LaunchEntry* head = nullptr;
    HMENU menu = nullptr;
    LiveCounts before = {};
    BoxRecorder boxes;
    GdiCreations gdi;  // the fonts and brushes measuring and drawing made

    void SetUp() override
    {
        RemoveTree(ItemsDirW());
        ASSERT_TRUE(CreateDirectoryW(ItemsDirW().c_str(), nullptr));
        before = g_live;
    }
    void TearDown() override
    {
        FreeMenuExpectingNothingLeft(menu, head, before);
        EXPECT_TRUE(gdi.Alive().empty()) << "a font or brush was not deleted";
        RemoveTree(ItemsDirW());
    }
};

TEST_F(HostileNames, TheLauncherListsDrawsAndNamesEveryEntry)
{
    std::vector<std::wstring> paths;
    for (const std::wstring& name : NameList()) {
        paths.push_back(ItemsDirW() + L"\\" + name);
        ASSERT_TRUE(MakeFileW(paths.back())) << Ansi(name);
    }
    // A shortcut whose target has been deleted since.
    std::string goneTarget = TestExeDir() + "gone_target.txt";
    ASSERT_TRUE(WriteTextFile(goneTarget, "x"));
    ASSERT_EQ(S_OK, MakeShortcut(Ansi(ItemsDirW()) + "\\gone.lnk", goneTarget));
    ASSERT_TRUE(DeleteFileA(goneTarget.c_str()));
    paths.push_back(ItemsDirW() + L"\\gone.lnk");

    std::vector<ShellEntry> shown = ShellListing(ItemsDirW());
    ASSERT_EQ(paths.size(), shown.size());
    CaptureMenuLook();
    menu = BuildFolderMenu(&head, FolderMode::Items, g_launcher.menuLook);
    ASSERT_NE(nullptr, menu);
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_EQ(static_cast<int>(paths.size()), GetMenuItemCount(menu));
    std::set<std::wstring> named;  // the file names the entries' lists lead to
    UINT id = FIRST_LAUNCHER_ID;
    LauncherRecord* record = g_launcher.recordListHead;
    for (LaunchEntry* entry = head; entry; entry = entry->next, record = record->next, ++id) {
        ASSERT_NE(nullptr, record);
        SCOPED_TRACE(record->text);
        EXPECT_EQ(id, entry->id);
        EXPECT_EQ(id, record->id);
        const std::wstring& name = shown[id - FIRST_LAUNCHER_ID].name;
        EXPECT_EQ(Ansi(name), record->text);
        if (CodePageHolds(name)) {
            EXPECT_EQ(name, Wide(record->text)) << "the record lost a character";
        }
        if (GetACP() == CP_UTF8) {
            EXPECT_TRUE(CodePageHolds(name)) << "UTF-8 holds every name";
        }
        named.insert(FileNameOf(entry->idList));
        MEASUREITEMSTRUCT mis = MeasureItem(nullptr, id, reinterpret_cast<ULONG_PTR>(record));
        // The name as the record reads in the program's code page, not in the system's.
        SIZE text = MenuTextExtent(Wide(record->text), g_launcher.menuLook.menuFont);
        EXPECT_EQ(static_cast<UINT>(g_launcher.menuLook.smallIconCx + text.cx + kTextIndent), mis.itemWidth);
        EXPECT_GT(mis.itemHeight, 0u);
        EXPECT_LT(mis.itemHeight, 0x100u);
        // Drawn, its text shows what the same name drawn wide shows.
        Canvas drawn, expected;
        const RECT item = {0, 0, Canvas::kWidth, Canvas::kHeight};
        DrawItem(nullptr, id, mis.itemData, drawn.dc, item, ODS_SELECTED);
        HBRUSH brush = CreateSolidBrush(g_launcher.menuLook.highlight);
        FillRect(expected.dc, &item, brush);
        DeleteObject(brush);
        SetBkColor(expected.dc, g_launcher.menuLook.highlight);
        SetTextColor(expected.dc, g_launcher.menuLook.highlightText);
        int textLeft = kTextIndent + g_launcher.menuLook.smallIconCx;
        RECT box = {textLeft, kTextTop, Canvas::kWidth, Canvas::kHeight};
        std::wstring wide = Wide(record->text);
        DrawTextW(expected.dc, wide.c_str(), static_cast<int>(wide.size()), &box, DT_BOTTOM | DT_NOPREFIX);
        EXPECT_TRUE(drawn.SameFrom(expected, textLeft)) << "the drawn name differs";
    }
    EXPECT_EQ(nullptr, record);
    EXPECT_FALSE(gdi.fonts.empty() || gdi.brushes.empty()) << "the measures' fonts and the draws' brushes were seen";
    std::set<std::wstring> names;
    for (const std::wstring& path : paths)
        names.insert(path.substr(ItemsDirW().size() + 1));
    EXPECT_EQ(names, named);
}

TEST_F(HostileNames, ADropMakesAShortcutForEveryNameTheCodePageHoldsAndRefusesTheRest)
{
    std::wstring scratch = Wide(MakeScratchDir("hostile_names"));
    std::vector<std::wstring> names = NameList();
    // Over 260 bytes in 932 and in UTF-8, under 260 UTF-16 units: Windows takes it.
    std::wstring deep = Repeat(L"表", 80);
    ASSERT_TRUE(CreateDirectoryW((scratch + L"\\" + deep).c_str(), nullptr));
    names.push_back(deep + L"\\" + Repeat(L"裏", 60) + L".txt");
    // Over 260 UTF-16 units: Windows does not.
    ASSERT_TRUE(CreateDirectoryW((scratch + L"\\" + deep + L"\\" + deep).c_str(), nullptr));
    names.push_back(deep + L"\\" + deep + L"\\" + deep + L".txt");
    // A file in a folder whose name no code page but UTF-8 holds.
    ASSERT_TRUE(CreateDirectoryW((scratch + L"\\Ünïcödé 한국 表").c_str(), nullptr));
    names.push_back(L"Ünïcödé 한국 表\\inside.txt");
    std::vector<std::wstring> dropped, links;  // links[i]: the shortcut drop i makes, "" for none
    std::set<std::wstring> expectedLinks;
    for (const std::wstring& name : names) {
        dropped.push_back(scratch + L"\\" + name);
        ASSERT_TRUE(MakeFileW(dropped.back())) << Ansi(name);
        std::wstring file = name.substr(name.rfind(L'\\') + 1);
        std::wstring link = file.substr(0, file.rfind(L'.')) + L".lnk";
        // Through the ANSI code page exactly, both paths under 260 UTF-16 units.
        bool made = CodePageHolds(dropped.back()) && dropped.back().size() < MAX_PATH &&
                    (ItemsDirW() + L"\\" + link).size() < MAX_PATH;
        links.push_back(made ? ItemsDirW() + L"\\" + link : L"");
        if (made)
            expectedLinks.insert(link);
    }
    ASSERT_EQ(L"", links[names.size() - 2]) << "the path over 260 units";
    switch (GetACP()) {
    case 932:
        EXPECT_EQ(7u, expectedLinks.size()) << "the six names and the long path of 932";
        break;
    case 1252:
        EXPECT_EQ(5u, expectedLinks.size()) << "the four ASCII names and Café";
        break;
    case CP_UTF8:
        EXPECT_EQ(12u, expectedLinks.size()) << "every name";
        break;
    default:
        ADD_FAILURE() << "no count for code page " << GetACP();
    }

    HWND dialog = OpenDialog(IDD_DROP, DropDlgProc);
    ASSERT_TRUE(dialog);
    std::set<std::wstring> exeDirBefore = FilesIn(Wide(TestExeDir()));
    SendMessageA(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(dropped)), 0);
    ASSERT_EQ(dropped.size(), boxes.shown.size());
    EXPECT_EQ(expectedLinks, FilesIn(ItemsDirW())) << "a shortcut under another name was written";
    CoInitialize(nullptr);
    for (size_t i = 0; i < dropped.size(); ++i) {
        SCOPED_TRACE(Ansi(dropped[i]));
        bool made = !links[i].empty();
        EXPECT_EQ(made ? L"ショートカットが作成されました．" : L"ショートカットを作成できませんでした．",
                  boxes.shown[i].text);
        EXPECT_EQ(made ? nullptr : dialog, boxes.shown[i].owner);
        if (made) {
            EXPECT_EQ(dropped[i], ShortcutTarget(links[i]));
        }
    }
    CoUninitialize();
    EXPECT_EQ(exeDirBefore, FilesIn(Wide(TestExeDir()))) << "something was written beside the exe";
    EXPECT_TRUE(IsWindowVisible(dialog));
    DestroyWindow(dialog);
    RemoveTree(L"\\\\?\\" + scratch);
}

}  // namespace
