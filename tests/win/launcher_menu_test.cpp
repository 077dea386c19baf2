// Folder menus built in-process over a real items folder beside the test program, and
// over a small fake folder for the display-name forms the real shell never returns.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/live_counts.h"
#include "app/platform_calls.h"
#include "launcher/folder_menu.h"
#include "launcher/idlist.h"
#include "test_support.h"

namespace {

struct BoxCall {
    HWND owner;
    std::wstring text, caption;
    UINT type;
};
std::vector<BoxCall> g_boxes;

int WINAPI RecordMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    g_boxes.push_back({owner, text, caption, type});
    return IDOK;
}

std::string ItemsDir()
{
    return TestExeDir() + "items";
}

std::string SettingsPath()
{
    return TestExeDir() + "setting1.ini";
}

// The names and relative lists of a folder, in the shell's own enumeration order.
struct Listed {
    std::vector<std::string> names;
    std::vector<std::vector<BYTE>> children;
};

std::vector<BYTE> ListBytes(LPCITEMIDLIST list)
{
    auto* bytes = reinterpret_cast<const BYTE*>(list);
    return std::vector<BYTE>(bytes, bytes + IdListSize(list));
}

Listed ListFolder(const std::string& path)
{
    Listed listed;
    IShellFolder* desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    LPITEMIDLIST folderList = nullptr;
    desktop->ParseDisplayName(nullptr, nullptr, &Wide(path)[0], nullptr, &folderList, nullptr);
    IShellFolder* folder = nullptr;
    desktop->BindToObject(folderList, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder));
    IEnumIDList* items = nullptr;
    folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items);
    LPITEMIDLIST child = nullptr;
    while (items && items->Next(1, &child, nullptr) == S_OK) {
        STRRET name = {};
        folder->GetDisplayNameOf(child, SHGDN_NORMAL, &name);
        char text[MAX_PATH] = {};
        StrRetToBufA(&name, child, text, MAX_PATH);
        listed.names.push_back(text);
        listed.children.push_back(ListBytes(child));
        CoTaskMemFree(child);
    }
    if (items)
        items->Release();
    folder->Release();
    CoTaskMemFree(folderList);
    desktop->Release();
    return listed;
}

class FolderMenu : public testing::Test {
protected:
    IMalloc* allocator = nullptr;
    LaunchEntry* head = nullptr;
    HMENU menu = nullptr;
    LiveCounts before = {};

    void SetUp() override
    {
        RemoveTree(ItemsDir());
        DeleteFileA(SettingsPath().c_str());
        ASSERT_EQ(S_OK, SHGetMalloc(&allocator));
        g_boxes.clear();
        g_platform.MessageBoxW = RecordMessageBox;
        before = g_live;
    }
    void TearDown() override
    {
        FreeFolderMenu(menu, head, allocator);
        EXPECT_EQ(nullptr, g_app.recordListHead);
        EXPECT_EQ(before.idLists, g_live.idLists) << "item-ID lists left over";
        EXPECT_EQ(before.icons, g_live.icons) << "icons left over";
        allocator->Release();
        g_platform = RealPlatformCalls();
        RemoveTree(ItemsDir());
        DeleteFileA(SettingsPath().c_str());
    }
    void MakeItems(const std::vector<std::string>& names)
    {
        CreateDirectoryA(ItemsDir().c_str(), nullptr);
        for (const auto& name : names)
            ASSERT_TRUE(WriteTextFile(ItemsDir() + "\\" + name, "x"));
    }
    HMENU Build(FolderMode mode = FolderMode::Items)
    {
        head = nullptr;
        menu = BuildFolderMenu(&head, allocator, mode);
        return menu;
    }
    std::vector<LauncherRecord*> Records()
    {
        std::vector<LauncherRecord*> records;
        for (LauncherRecord* r = g_app.recordListHead; r; r = r->next)
            records.push_back(r);
        return records;
    }
    std::vector<LaunchEntry*> Entries()
    {
        std::vector<LaunchEntry*> entries;
        for (LaunchEntry* e = head; e; e = e->next)
            entries.push_back(e);
        return entries;
    }
};

TEST_F(FolderMenu, ThreeEntriesInEnumerationOrderFrom2000)
{
    MakeItems({"b.txt", "a.txt", "c.txt"});
    Listed listed = ListFolder(ItemsDir());
    ASSERT_EQ(3u, listed.names.size());
    ASSERT_NE(nullptr, Build());
    EXPECT_TRUE(g_boxes.empty());

    LPITEMIDLIST itemsList = PathToIdList(ItemsDir().c_str());
    ASSERT_NE(nullptr, itemsList);
    std::vector<BYTE> parent = ListBytes(itemsList);
    parent.resize(parent.size() - 2);
    FreeIdList(itemsList, allocator);

    ASSERT_EQ(3, GetMenuItemCount(menu));
    auto entries = Entries();
    auto records = Records();
    ASSERT_EQ(3u, entries.size());
    ASSERT_EQ(3u, records.size());
    for (UINT i = 0; i < 3; ++i) {
        SCOPED_TRACE(listed.names[i]);
        EXPECT_EQ(2000 + i, GetMenuItemID(menu, i));
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        ASSERT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &info));
        EXPECT_EQ(static_cast<UINT>(MFT_OWNERDRAW), info.fType & MFT_OWNERDRAW);
        EXPECT_EQ(2000 + i, entries[i]->id);
        EXPECT_EQ(2000 + i, records[i]->id);
        EXPECT_EQ(listed.names[i], records[i]->text);
        // The items folder's list followed by the entry's own item.
        std::vector<BYTE> expected = parent;
        expected.insert(expected.end(), listed.children[i].begin(), listed.children[i].end());
        EXPECT_EQ(expected, ListBytes(entries[i]->idList));
        // Icons are on by default: each record holds its own live icon.
        ICONINFO iconInfo = {};
        ASSERT_TRUE(GetIconInfo(records[i]->icon, &iconInfo));
        DeleteObject(iconInfo.hbmColor);
        DeleteObject(iconInfo.hbmMask);
    }
    EXPECT_EQ(before.icons + 3, g_live.icons);

    // Freeing destroys the menu and the icons; the next build starts again at 2000.
    std::vector<HICON> icons;
    for (auto* r : records)
        icons.push_back(r->icon);
    FreeFolderMenu(menu, head, allocator);
    EXPECT_FALSE(IsMenu(menu));
    EXPECT_EQ(nullptr, g_app.recordListHead);
    for (HICON icon : icons) {
        ICONINFO iconInfo = {};
        EXPECT_FALSE(GetIconInfo(icon, &iconInfo)) << "icon not destroyed";
    }
    ASSERT_NE(nullptr, Build());
    EXPECT_EQ(2000u, GetMenuItemID(menu, 0));
    EXPECT_EQ(2000u, g_app.recordListHead->id);
}

TEST_F(FolderMenu, IconShowZeroFetchesNoIcon)
{
    MakeItems({"a.txt", "b.txt"});
    ASSERT_TRUE(WriteTextFile(SettingsPath(), "[Icon]\r\nIconShow=0\r\n"));
    ASSERT_NE(nullptr, Build());
    auto records = Records();
    ASSERT_EQ(2u, records.size());
    for (auto* r : records)
        EXPECT_EQ(nullptr, r->icon);
    EXPECT_EQ(before.icons, g_live.icons);
}

TEST_F(FolderMenu, EmptyFolderGivesAnEmptyMenuAndNoMessage)
{
    MakeItems({});
    ASSERT_NE(nullptr, Build());
    EXPECT_EQ(0, GetMenuItemCount(menu));
    EXPECT_EQ(nullptr, head);
    EXPECT_EQ(nullptr, g_app.recordListHead);
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(FolderMenu, MissingFolderSaysSoAndBuildsNothing)
{
    EXPECT_EQ(nullptr, Build());
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_EQ(nullptr, g_boxes[0].owner);
    EXPECT_EQ(L"BindToObject Error\nitemsフォルダの有無を確認してください", g_boxes[0].text);
    EXPECT_EQ(L"Morvek Error", g_boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK), g_boxes[0].type);
    EXPECT_EQ(nullptr, g_app.recordListHead);

    // A file named items is no folder either.
    ASSERT_TRUE(WriteTextFile(ItemsDir(), "x"));
    EXPECT_EQ(nullptr, Build());
    EXPECT_EQ(2u, g_boxes.size());
    DeleteFileA(ItemsDir().c_str());
}

TEST_F(FolderMenu, SubfolderIsOneItemNamingTheFolder)
{
    MakeItems({"a.txt"});
    CreateDirectoryA((ItemsDir() + "\\sub").c_str(), nullptr);
    ASSERT_TRUE(WriteTextFile(ItemsDir() + "\\sub\\inner1.txt", "x"));
    ASSERT_TRUE(WriteTextFile(ItemsDir() + "\\sub\\inner2.txt", "x"));
    ASSERT_NE(nullptr, Build());
    ASSERT_EQ(2, GetMenuItemCount(menu));
    bool found = false;
    for (LaunchEntry* e : Entries()) {
        char path[MAX_PATH] = {};
        ASSERT_TRUE(SHGetPathFromIDListA(e->idList, path));
        if (std::string(path) == ItemsDir() + "\\sub") {
            found = true;
            MENUITEMINFOA info = {};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_SUBMENU;
            ASSERT_TRUE(GetMenuItemInfoA(menu, e->id, FALSE, &info));
            EXPECT_EQ(nullptr, info.hSubMenu);
        }
    }
    EXPECT_TRUE(found);
    for (auto* r : Records())
        EXPECT_NE(std::string("inner1.txt"), r->text);
}

// A folder whose entries have fixed display names of each form.
struct FakeChild {
    UINT type;
    const char* text;  // ANSI text, or UTF-8 for the wide form
};

class FakeEnum : public IEnumIDList {
public:
    FakeEnum(std::vector<std::vector<BYTE>> lists, IMalloc* allocator)
        : lists_(std::move(lists)), allocator_(allocator) {}
    virtual ~FakeEnum() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
    HRESULT STDMETHODCALLTYPE Next(ULONG, LPITEMIDLIST* item, ULONG* fetched) override
    {
        if (next_ >= lists_.size())
            return S_FALSE;
        const auto& bytes = lists_[next_++];
        void* block = allocator_->Alloc(bytes.size());
        CopyMemory(block, bytes.data(), bytes.size());
        *item = static_cast<LPITEMIDLIST>(block);
        if (fetched)
            *fetched = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumIDList**) override { return E_NOTIMPL; }
    ULONG refs_ = 1;

private:
    std::vector<std::vector<BYTE>> lists_;
    IMalloc* allocator_;
    size_t next_ = 0;
};

class FakeFolder : public IShellFolder {
public:
    FakeFolder(std::vector<FakeChild> children, IMalloc* allocator)
        : children_(std::move(children)), allocator_(allocator) {}
    // Child i is one item whose data holds the byte i and then its ANSI text.
    std::vector<std::vector<BYTE>> Lists() const
    {
        std::vector<std::vector<BYTE>> lists;
        for (size_t i = 0; i < children_.size(); ++i) {
            std::string text = children_[i].text;
            WORD cb = static_cast<WORD>(2 + 1 + text.size() + 1);
            std::vector<BYTE> list = {LOBYTE(cb), HIBYTE(cb), static_cast<BYTE>(i)};
            list.insert(list.end(), text.begin(), text.end());
            list.push_back(0);
            list.push_back(0);
            list.push_back(0);
            lists.push_back(list);
        }
        return lists;
    }
    HRESULT enumResult = S_OK;
    FakeEnum* lastEnum = nullptr;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, LPITEMIDLIST*, ULONG*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF flags, IEnumIDList** out) override
    {
        flagsSeen = flags;
        if (enumResult != S_OK) {
            *out = nullptr;
            return enumResult;
        }
        lastEnum = new FakeEnum(Lists(), allocator_);
        *out = lastEnum;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BindToObject(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BindToStorage(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, LPCITEMIDLIST, LPCITEMIDLIST) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, LPCITEMIDLIST*, SFGAOF*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, LPCITEMIDLIST*, REFIID, UINT*, void**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDisplayNameOf(LPCITEMIDLIST child, SHGDNF flags, STRRET* name) override
    {
        if (flags != SHGDN_NORMAL)
            return E_INVALIDARG;
        const FakeChild& fake = children_[reinterpret_cast<const BYTE*>(child)[2]];
        name->uType = fake.type;
        switch (fake.type) {
        case STRRET_CSTR:
            lstrcpynA(name->cStr, fake.text, MAX_PATH);
            break;
        case STRRET_OFFSET:
            name->uOffset = 3;
            break;
        case STRRET_WSTR: {
            int n = MultiByteToWideChar(CP_UTF8, 0, fake.text, -1, nullptr, 0);
            name->pOleStr = static_cast<LPWSTR>(allocator_->Alloc(n * sizeof(wchar_t)));
            MultiByteToWideChar(CP_UTF8, 0, fake.text, -1, name->pOleStr, n);
            break;
        }
        case 0xFFFF:
            return E_FAIL;
        default:
            break;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND, LPCITEMIDLIST, LPCOLESTR, SHGDNF, LPITEMIDLIST*) override
    {
        return E_NOTIMPL;
    }
    SHCONTF flagsSeen = 0;

private:
    std::vector<FakeChild> children_;
    IMalloc* allocator_;
};

// The shell allocator, counting live blocks, refusing blocks of one size on request.
class CountingMalloc : public IMalloc {
public:
    explicit CountingMalloc(IMalloc* real) : real_(real) {}
    long live = 0;
    SIZE_T refuseSize = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    void* STDMETHODCALLTYPE Alloc(SIZE_T size) override
    {
        if (size == refuseSize)
            return nullptr;
        void* block = real_->Alloc(size);
        memset(block, 0xDB, size);
        ++live;
        return block;
    }
    void* STDMETHODCALLTYPE Realloc(void*, SIZE_T) override { return nullptr; }
    void STDMETHODCALLTYPE Free(void* block) override
    {
        if (block)
            --live;
        real_->Free(block);
    }
    SIZE_T STDMETHODCALLTYPE GetSize(void* block) override { return real_->GetSize(block); }
    int STDMETHODCALLTYPE DidAlloc(void* block) override { return real_->DidAlloc(block); }
    void STDMETHODCALLTYPE HeapMinimize() override {}

private:
    IMalloc* real_;
};

class FakeFolderMenu : public FolderMenu {
protected:
    // A parent list of one item, as if the folder were the items folder.
    std::vector<BYTE> parent = {5, 0, 0x11, 0x22, 0x33, 0, 0};
    void SetUp() override
    {
        FolderMenu::SetUp();
        // The fake lists name nothing the shell knows: ask for no icons.
        ASSERT_TRUE(WriteTextFile(SettingsPath(), "[Icon]\r\nIconShow=0\r\n"));
        menu = CreatePopupMenu();
    }
};

TEST_F(FakeFolderMenu, EveryDisplayNameFormGivesItsText)
{
    CountingMalloc counting(allocator);
    FakeFolder folder({{STRRET_CSTR, "cstr name"},
                       {STRRET_OFFSET, "offset name"},
                       {STRRET_WSTR, "ワイド名 & more"}},
                      &counting);
    ASSERT_TRUE(AppendFolderItems(menu, &folder, reinterpret_cast<LPCITEMIDLIST>(parent.data()),
                                  &head, &counting));
    EXPECT_EQ(static_cast<SHCONTF>(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS), folder.flagsSeen);
    EXPECT_EQ(0u, folder.lastEnum->refs_) << "the enumerator is released";
    auto records = Records();
    ASSERT_EQ(3u, records.size());
    EXPECT_STREQ("cstr name", records[0]->text);
    EXPECT_STREQ("offset name", records[1]->text);
    EXPECT_EQ(Ansi(L"ワイド名 & more"), records[2]->text);
    auto entries = Entries();
    ASSERT_EQ(3u, entries.size());
    auto lists = folder.Lists();
    for (size_t i = 0; i < 3; ++i) {
        std::vector<BYTE> expected(parent.begin(), parent.end() - 2);
        expected.insert(expected.end(), lists[i].begin(), lists[i].end());
        EXPECT_EQ(expected, ListBytes(entries[i]->idList));
    }
    // Only the three joined lists are still held: children and wide names went back.
    EXPECT_EQ(3, counting.live);
    FreeFolderMenu(menu, head, &counting);
    menu = nullptr;
    head = nullptr;
    EXPECT_EQ(0, counting.live);
    delete folder.lastEnum;
}

TEST_F(FakeFolderMenu, UnknownFormOrFailedNameFailsAndFreesEverything)
{
    struct Row {
        const char* name;
        UINT type;
    } rows[] = {{"unknown form 5", 5}, {"GetDisplayNameOf fails", 0xFFFF}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CountingMalloc counting(allocator);
        FakeFolder folder({{STRRET_WSTR, "first"}, {row.type, "bad"}, {STRRET_CSTR, "never"}}, &counting);
        HMENU built = CreatePopupMenu();
        LaunchEntry* entries = nullptr;
        EXPECT_FALSE(AppendFolderItems(built, &folder, reinterpret_cast<LPCITEMIDLIST>(parent.data()),
                                       &entries, &counting));
        EXPECT_EQ(1, GetMenuItemCount(built)) << "the build stops at the bad entry";
        FreeFolderMenu(built, entries, &counting);
        EXPECT_EQ(0, counting.live);
        EXPECT_EQ(nullptr, g_app.recordListHead);
        delete folder.lastEnum;
    }
}

TEST_F(FakeFolderMenu, NoEnumeratorFailsTheBuild)
{
    FakeFolder folder({{STRRET_CSTR, "a"}}, allocator);
    folder.enumResult = S_FALSE;
    EXPECT_FALSE(AppendFolderItems(menu, &folder, nullptr, &head, allocator));
    EXPECT_EQ(0, GetMenuItemCount(menu));
}

TEST_F(FakeFolderMenu, AnEntryWhoseJoinFailsIsLeftOut)
{
    CountingMalloc counting(allocator);
    FakeFolder folder({{STRRET_CSTR, "one"}, {STRRET_WSTR, "two, longer"}, {STRRET_CSTR, "three"}},
                      &counting);
    // The joined list of the second child has its own size: refuse exactly that one.
    counting.refuseSize = parent.size() - 2 + folder.Lists()[1].size();
    ASSERT_TRUE(AppendFolderItems(menu, &folder, reinterpret_cast<LPCITEMIDLIST>(parent.data()),
                                  &head, &counting));
    ASSERT_EQ(2, GetMenuItemCount(menu));
    auto entries = Entries();
    auto records = Records();
    ASSERT_EQ(2u, entries.size());
    ASSERT_EQ(2u, records.size());
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_NE(nullptr, entries[i]->idList);
        EXPECT_EQ(entries[i]->id, records[i]->id);
        EXPECT_EQ(entries[i]->id, GetMenuItemID(menu, static_cast<int>(i)));
    }
    EXPECT_STREQ("one", records[0]->text);
    EXPECT_STREQ("three", records[1]->text);
    FreeFolderMenu(menu, head, &counting);
    menu = nullptr;
    head = nullptr;
    EXPECT_EQ(0, counting.live) << "the refused entry's child and wide name went back";
    delete folder.lastEnum;
}

std::string Utf8Repeat(const wchar_t* piece, int times)
{
    std::wstring wide;
    for (int i = 0; i < times; ++i)
        wide += piece;
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &utf8[0], n, nullptr, nullptr);
    utf8.pop_back();
    return utf8;
}

std::wstring WideRepeat(const wchar_t* piece, int times)
{
    std::wstring wide;
    for (int i = 0; i < times; ++i)
        wide += piece;
    return wide;
}

// Names of up to 255 UTF-16 units, which Windows's file systems hold (the one under these
// tests holds 255 bytes of UTF-8, so they come from the fake folder): a record keeps 255
// characters of a name in any code page, and never part of one.
TEST_F(FakeFolderMenu, LongNamesKeep255CharactersInAnyCodePage)
{
    std::string ascii(259, 'a');
    std::string names[] = {Utf8Repeat(L"名", 200), Utf8Repeat(L"表", 300), Utf8Repeat(L"\U0001F600", 130)};
    FakeFolder folder({{STRRET_WSTR, names[0].c_str()},
                       {STRRET_WSTR, names[1].c_str()},
                       {STRRET_WSTR, names[2].c_str()},
                       {STRRET_CSTR, ascii.c_str()}},
                      allocator);
    ASSERT_TRUE(AppendFolderItems(menu, &folder, nullptr, &head, allocator));
    auto records = Records();
    ASSERT_EQ(4u, records.size());
    // Whole, though it is 400 bytes in Shift-JIS and 600 in UTF-8.
    EXPECT_EQ(Ansi(WideRepeat(L"名", 200)), records[0]->text);
    EXPECT_EQ(Ansi(WideRepeat(L"表", 255)), records[1]->text);
    if (GetACP() == CP_UTF8) {
        // An emoji is one character of four bytes (two UTF-16 units).
        EXPECT_EQ(WideRepeat(L"\U0001F600", 130), Wide(records[2]->text));
    } else {
        std::string substitutes = Ansi(WideRepeat(L"\U0001F600", 130));
        EXPECT_EQ(0u, substitutes.rfind(records[2]->text, 0)) << "not a head of " << substitutes;
    }
    EXPECT_EQ(ascii.substr(0, 255), records[3]->text);
    delete folder.lastEnum;
}

TEST_F(FakeFolderMenu, AFullRecordHolds255CharactersOfFourBytes)
{
    if (GetACP() != CP_UTF8)
        GTEST_SKIP() << "four-byte characters are UTF-8's";
    std::string emoji = Utf8Repeat(L"\U0001F600", 300);
    FakeFolder folder({{STRRET_WSTR, emoji.c_str()}}, allocator);
    ASSERT_TRUE(AppendFolderItems(menu, &folder, nullptr, &head, allocator));
    auto records = Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(WideRepeat(L"\U0001F600", 255), Wide(records[0]->text));
    EXPECT_EQ(sizeof(records[0]->text) - 1, strlen(records[0]->text));
    delete folder.lastEnum;
}

TEST(WideToAnsiDup, SizesItsCopyByWhatTheCodePageNeeds)
{
    char* empty = WideToAnsiDup(L"");
    ASSERT_NE(nullptr, empty);
    EXPECT_EQ(1u, HeapSize(GetProcessHeap(), 0, empty));
    EXPECT_EQ('\0', empty[0]);
    HeapFree(GetProcessHeap(), 0, empty);

    const wchar_t* names[] = {L"plain name.txt", L"日本語の名前", L"Ä ö ß ĳ"};
    for (const wchar_t* name : names) {
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
    IMalloc* allocator = nullptr;
    ASSERT_EQ(S_OK, SHGetMalloc(&allocator));
    std::string dir = TestExeDir();
    dir.pop_back();
    LPITEMIDLIST list = PathToIdList(dir.c_str());
    ASSERT_NE(nullptr, list);
    char path[MAX_PATH] = {};
    ASSERT_TRUE(SHGetPathFromIDListA(list, path));
    EXPECT_STREQ(dir.c_str(), path);
    FreeIdList(list, allocator);
    EXPECT_EQ(nullptr, PathToIdList((dir + "\\no such folder\\x").c_str()));
    allocator->Release();
}

}  // namespace
