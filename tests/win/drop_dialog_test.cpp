// The drop dialog from the real template, fed real HDROP blocks: the shortcuts it writes
// into the items folder beside the test program, and the boxes it shows for each file.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/platform_calls.h"
#include "registration/drop_dialog.h"
#include "registration/shortcut.h"
#include "resources/resource.h"
#include "test_support.h"

namespace {

using Box = RecordedBox;

class DropDialog : public testing::Test {
protected:
    std::string scratch;
    HWND dialog = nullptr;
    BoxRecorder boxes;

    void SetUp() override
    {
        scratch = MakeScratchDir("drop_dialog");
        RemoveTree(TestItemsDir());
        CreateDirectoryA(TestItemsDir().c_str(), nullptr);
        CoInitialize(nullptr);  // for reading shortcuts back; the drop pairs its own
    }

    void TearDown() override
    {
        if (dialog)
            DestroyWindow(dialog);
        CoUninitialize();
        // Each file paired its own COM initialisation with an uninitialisation.
        EXPECT_EQ(S_OK, CoInitialize(nullptr));
        CoUninitialize();
        RemoveTree(TestItemsDir());
        RemoveTree(scratch);
    }

    void Open()
    {
        dialog = OpenDialog(IDD_DROP, DropDlgProc);
        ASSERT_TRUE(dialog);
        ASSERT_EQ(dialog, g_app.dropDialog);
    }

    std::string At(const std::string& relative) const { return scratch + "\\" + relative; }

    void Drop(const std::vector<std::string>& names)
    {
        SendMessageA(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(names)), 0);
    }

    static void ExpectMade(const Box& box)
    {
        EXPECT_EQ(L"ショートカットが作成されました．", box.text);
        EXPECT_EQ(L"Morevk からのメッセージ", box.caption);
        EXPECT_EQ(nullptr, box.owner);
        EXPECT_EQ(static_cast<UINT>(MB_OK), box.type);
    }

    void ExpectFailed(const Box& box) const
    {
        EXPECT_EQ(L"ショートカットを作成できませんでした．", box.text);
        EXPECT_EQ(L"失敗", box.caption);
        EXPECT_EQ(dialog, box.owner);
        EXPECT_EQ(static_cast<UINT>(MB_OK), box.type);
    }
};

// Each dropped file or folder becomes a shortcut named for its base name, 200 and more in one
// drop; of two with one base name the shortcut left is the last one's.
TEST_F(DropDialog, EachDroppedItemBecomesAShortcutNamedForItsBaseName)
{
    ASSERT_TRUE(MakeTree(scratch, {"Docs\\", "a\\", "b\\", "Games\\", "Docs\\report.final.txt", ".profile",
                                   "a\\notes.txt", "b\\notes.md"}));
    struct Row {
        std::string dropped;
        std::string shortcut;
        int seen;  // shortcuts in items when its box shows
    };
    std::vector<Row> rows;
    for (int i = 0; i < 200; ++i) {
        char name[64];
        wsprintfA(name, "file %03d", i);
        rows.push_back({At(name), std::string(name) + ".lnk", i + 1});
        ASSERT_TRUE(WriteTextFile(rows.back().dropped, "x"));
    }
    rows.insert(rows.end(), {{At("Docs\\report.final.txt"), "report.final.lnk", 201}, {At("Games"), "Games.lnk", 202},
                             {At(".profile"), ".lnk", 203}, {At("a\\notes.txt"), "notes.lnk", 204},
                             {At("b\\notes.md"), "notes.lnk", 204}});
    Open();
    std::vector<std::string> names;
    for (const Row& row : rows)
        names.push_back(row.dropped);
    Drop(names);
    // One box per file, each after its own shortcut and before the next one's.
    ASSERT_EQ(rows.size(), boxes.shown.size());
    for (size_t i = 0; i < boxes.shown.size(); ++i) {
        SCOPED_TRACE(rows[i].dropped);
        ExpectMade(boxes.shown[i]);
        EXPECT_EQ(rows[i].seen, boxes.shown[i].shortcutsSeen);
        if (i == rows.size() - 2)
            continue;  // replaced by the next
        EXPECT_EQ(rows[i].dropped, ShortcutTarget(TestItemsDir() + "\\" + rows[i].shortcut));
    }
    EXPECT_EQ(204, CountShortcuts());
    EXPECT_TRUE(IsWindowVisible(dialog));
}

TEST_F(DropDialog, ADropWhileASuccessBoxIsOpenIsHandledInsideIt)
{
    ASSERT_TRUE(MakeTree(scratch, {"x.txt", "y.txt", "z.dat"}));
    std::string x = At("x.txt"), y = At("y.txt"), z = At("z.dat");
    Open();
    // The success box has no owner: the dialog takes the next drop while it is open.
    boxes.duringNextBox = [&] { Drop({z}); };
    Drop({x, y});
    ASSERT_EQ(3u, boxes.shown.size());
    for (const Box& box : boxes.shown)
        ExpectMade(box);
    EXPECT_EQ(1, boxes.shown[0].shortcutsSeen);  // x
    EXPECT_EQ(2, boxes.shown[1].shortcutsSeen);  // z, nested
    EXPECT_EQ(3, boxes.shown[2].shortcutsSeen);  // y, the outer drop going on
    EXPECT_EQ(x, ShortcutTarget(TestItemsDir() + "\\x.lnk"));
    EXPECT_EQ(y, ShortcutTarget(TestItemsDir() + "\\y.lnk"));
    EXPECT_EQ(z, ShortcutTarget(TestItemsDir() + "\\z.lnk"));
}

// The drop dialog the menu command opens while an older one is still in the way, seen by a
// thread timer running inside that command's modal loop.
HWND g_oldDialog = nullptr;
bool g_newDialogShown = false;

void CALLBACK CloseNewDropDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HWND open = g_app.dropDialog;
    if (open && open != g_oldDialog && IsWindowVisible(open)) {
        g_newDialogShown = true;
        SendDlgItemMessageA(open, IDC_DROP_CLOSE, BM_CLICK, 0, 0);
    }
}

TEST_F(DropDialog, ClosedDuringASuccessBoxTheCommandOpensANewOne)
{
    ASSERT_TRUE(MakeTree(scratch, {"x.txt", "y.txt"}));
    std::string x = At("x.txt"), y = At("y.txt");
    Open();
    HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    g_oldDialog = dialog;
    g_newDialogShown = false;
    // While the first success box shows, the user closes the dialog and then chooses the
    // menu command again: the hidden dialog must not swallow it.
    boxes.duringNextBox = [&] {
        SendDlgItemMessageA(dialog, IDC_DROP_CLOSE, BM_CLICK, 0, 0);
        EXPECT_FALSE(IsWindowVisible(dialog));
        EXPECT_EQ(nullptr, g_app.dropDialog);
        UINT_PTR timer = SetTimer(nullptr, 0, 20, CloseNewDropDialog);
        ShowDropDialog(owner);
        KillTimer(nullptr, timer);
    };
    Drop({x, y});
    EXPECT_TRUE(g_newDialogShown) << "the command only brought the hidden dialog forward";
    EXPECT_EQ(2u, boxes.shown.size());
    EXPECT_EQ(y, ShortcutTarget(TestItemsDir() + "\\y.lnk")) << "the drop went on to its end";
    DestroyWindow(owner);
}

// A name the dialog refuses (no items folder, a path that would not fit, an empty name) gets the
// failure box and writes nothing, and the drop goes on; an empty base name makes ".lnk".
TEST_F(DropDialog, RefusedNamesWriteNothingAndTheNextFileIsHandled)
{
    // Base names that make the shortcut path exactly fit, and one byte too long. The
    // dropped files sit in a short folder and have no extension, so that their own paths
    // fit either way, however short the test program's folder is.
    std::string shortDir = "C:\\mdrop";
    CreateDirectoryA(shortDir.c_str(), nullptr);
    size_t fixed = (TestItemsDir() + "\\.lnk").size();
    ASSERT_LT(fixed, static_cast<size_t>(MAX_PATH - 1));
    size_t fits = MAX_PATH - 1 - fixed;
    std::string exact = shortDir + "\\" + std::string(fits, 'f');
    std::string over = shortDir + "\\" + std::string(fits + 1, 'o');
    ASSERT_LT(over.size(), static_cast<size_t>(MAX_PATH));
    ASSERT_TRUE(WriteTextFile(exact, "x"));
    ASSERT_TRUE(WriteTextFile(over, "x"));
    ASSERT_TRUE(MakeTree(scratch, {"real.txt", "folder\\"}));
    std::string real = At("real.txt"), folder = At("folder");
    // A drop block's count is the platform's to give: with an empty name first, some
    // versions count no file, others report the empty name and go on to the next.
    HDROP probe = MakeDrop(std::vector<std::string>{"", real});
    UINT reported = DragQueryFileA(probe, 0xFFFFFFFF, nullptr, 0);
    GlobalFree(probe);
    ASSERT_TRUE(reported == 0 || reported == 2) << reported;
    struct Row {
        const char* name;
        std::vector<std::string> names;
        std::vector<bool> made;        // one per box expected
        std::set<std::string> links;   // what items holds afterwards
        std::string target;            // what the one link points at, "" when unchecked
        bool items = true;             // the items folder is there
    } const rows[] = {
        {"no items folder", {real, exact}, {false, false}, {}, "", false},
        {"one byte too long, then one that fits exactly", {over, exact}, {false, true},
         {std::string(fits, 'f') + ".lnk"}, exact},
        // A dropped name longer than the path buffer would come back cut: another file.
        {"a name longer than the path buffer", {"C:\\" + std::string(300, 'w') + ".txt"}, {false}, {}, ""},
        {"an empty name first", {"", real},
         reported ? std::vector<bool>{false, true} : std::vector<bool>{},
         reported ? std::set<std::string>{"real.lnk"} : std::set<std::string>{}, ""},
        {"an empty name inside ends the list", {real, "", folder}, {true}, {"real.lnk"}, real},
        {"a drive root", {"C:\\"}, {true}, {".lnk"}, "C:\\"},
        {"a folder with its trailing backslash", {folder + "\\"}, {true}, {".lnk"}, ""},
    };
    std::set<std::string> exeDirBefore = FilesIn(TestExeDir());
    std::set<std::string> scratchBefore = FilesIn(scratch);
    Open();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        boxes.shown.clear();
        RemoveTree(TestItemsDir());
        if (row.items) {
            ASSERT_TRUE(CreateDirectoryA(TestItemsDir().c_str(), nullptr));
        }
        Drop(row.names);
        ASSERT_EQ(row.made.size(), boxes.shown.size());
        int made = 0;
        for (size_t i = 0; i < boxes.shown.size(); ++i) {
            if (row.made[i])
                ExpectMade(boxes.shown[i]);
            else
                ExpectFailed(boxes.shown[i]);
            made += row.made[i];
            EXPECT_EQ(made, boxes.shown[i].shortcutsSeen) << "box " << i;
        }
        EXPECT_EQ(row.links, FilesIn(TestItemsDir()));
        if (!row.target.empty()) {
            EXPECT_EQ(row.target, ShortcutTarget(TestItemsDir() + "\\" + *row.links.begin()));
        }
        if (!row.items) {
            EXPECT_FALSE(FileExists(TestItemsDir())) << "the items folder is the user's to make";
            ASSERT_TRUE(CreateDirectoryA(TestItemsDir().c_str(), nullptr));
        }
        EXPECT_EQ(exeDirBefore, FilesIn(TestExeDir())) << "something was written beside the exe";
        EXPECT_EQ(scratchBefore, FilesIn(scratch)) << "something was written beside the dropped files";
        EXPECT_TRUE(IsWindowVisible(dialog));
    }
    RemoveTree(shortDir);
}

TEST_F(DropDialog, OnlyButtonEightClosesIt)
{
    struct Row {
        const char* name;
        int id;
        bool closes;
    } const rows[] = {
        {"IDOK", IDOK, false},
        {"IDCANCEL (Esc)", IDCANCEL, false},
        {"close button", IDC_DROP_CLOSE, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Open();
        ExpectCentredOnDesktop(dialog);
        EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
        if (row.id == IDC_DROP_CLOSE)
            SendDlgItemMessageA(dialog, row.id, BM_CLICK, 0, 0);
        else
            SendMessageA(dialog, WM_COMMAND, row.id, 0);
        EXPECT_EQ(!row.closes, IsWindowVisible(dialog) != FALSE);
        EXPECT_TRUE(boxes.shown.empty());
        DestroyWindow(dialog);
        dialog = nullptr;
        EXPECT_EQ(nullptr, g_app.dropDialog);
    }
}

TEST_F(DropDialog, FollowsAMoveToAMonitorOfAnotherDpi)
{
    Open();
    ExpectDialogFollowsDpiChanges(dialog);
    dialog = nullptr;
    EXPECT_EQ(nullptr, g_app.dropDialog);
}

// Runs under the system's code page and under UTF-8 (drop_dialog_test_utf8): every field
// reads back, through the wide link object, as the name it was in the program's code page.
TEST(ShortcutFile, SavesEveryFieldItIsGiven)
{
    // Names each code page holds: Japanese in 932, and beyond it in UTF-8.
    std::wstring name = L"道具 表";
    if (GetACP() == CP_UTF8)
        name += L" Café 한국 \U0001F600";
    else if (Wide(Ansi(name)) != name)
        name = L"tool";
    std::string dir = MakeScratchDir("shortcut_file");
    std::string link = dir + "\\" + Ansi(name) + ".lnk";
    std::string target = dir + "\\" + Ansi(name) + ".exe";
    ASSERT_TRUE(WriteTextFile(target, "x"));
    ASSERT_EQ(S_OK, CoInitialize(nullptr));
    std::string description = "desc " + Ansi(name);
    std::string arguments = "/a b " + Ansi(name);
    std::string workingDirectory = "C:\\work\\" + Ansi(name);
    std::string iconPath = "C:\\icons " + Ansi(name) + ".dll";
    EXPECT_EQ(S_OK, CreateShortcutFile(link.c_str(), target.c_str(), description.c_str(), arguments.c_str(),
                                       workingDirectory.c_str(), iconPath.c_str(), 3, SW_SHOWMAXIMIZED));
    IShellLinkW* shellLink = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     reinterpret_cast<void**>(&shellLink)));
    IPersistFile* file = nullptr;
    ASSERT_EQ(S_OK, shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    ASSERT_EQ(S_OK, file->Load(Wide(link).c_str(), STGM_READ));
    // Each field read back over a poisoned buffer.
    auto read = [](const std::function<void(wchar_t*)>& get) {
        wchar_t text[INFOTIPSIZE] = L"\xdead";
        get(text);
        return std::wstring(text);
    };
    EXPECT_EQ(Wide(target), read([&](wchar_t* t) { shellLink->GetPath(t, INFOTIPSIZE, nullptr, SLGP_RAWPATH); }));
    EXPECT_EQ(Wide(description), read([&](wchar_t* t) { shellLink->GetDescription(t, INFOTIPSIZE); }));
    EXPECT_EQ(Wide(arguments), read([&](wchar_t* t) { shellLink->GetArguments(t, INFOTIPSIZE); }));
    EXPECT_EQ(Wide(workingDirectory), read([&](wchar_t* t) { shellLink->GetWorkingDirectory(t, INFOTIPSIZE); }));
    int index = 0xdead;
    EXPECT_EQ(Wide(iconPath), read([&](wchar_t* t) { shellLink->GetIconLocation(t, INFOTIPSIZE, &index); }));
    EXPECT_EQ(3, index);
    // The show command is not checked: Wine's shell link reads every saved one back as 1.
    file->Release();
    shellLink->Release();
    // A folder that does not exist: the save fails and its result comes back.
    HRESULT hr = CreateShortcutFile((dir + "\\missing\\x.lnk").c_str(), target.c_str(), nullptr, nullptr,
                                    nullptr, nullptr, 0, SW_SHOWNORMAL);
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
    // A text that is no UTF-8, or a link path Windows would not take: no file is written.
    if (GetACP() == CP_UTF8) {
        std::string invalid = dir + "\\bad.lnk";
        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION),
                  CreateShortcutFile(invalid.c_str(), "C:\\x\xff.exe", nullptr, nullptr, nullptr, nullptr, 0,
                                     SW_SHOWNORMAL));
        EXPECT_FALSE(FileExists(invalid));
    }
    std::string tooLong = dir + "\\" + std::string(MAX_PATH, 'l') + ".lnk";
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE),
              CreateShortcutFile(tooLong.c_str(), target.c_str(), nullptr, nullptr, nullptr, nullptr, 0,
                                 SW_SHOWNORMAL));
    CoUninitialize();
    RemoveTree(dir);
}

}  // namespace
