// Folder menus built in-process: over a real items folder beside the test program, and over
// a fake shell folder for the display-name forms and faulty answers the real shell never gives.
#include <set>
#include <string>
#include <utility>

#include "folder_menu_fixture.h"
#include "shell/idlist.h"

namespace {

std::vector<BYTE> ListBytes(LPCITEMIDLIST list)
{
    auto* bytes = reinterpret_cast<const BYTE*>(list);
    return std::vector<BYTE>(bytes, bytes + IdListSize(list));
}

// Each item's data is the block a screen reader reads an owner-drawn item's name from: an
// MSAAMENUINFO with its signature and the name as wide text, inside the item's record.
void ExpectSpokenNames(HMENU menu, const std::vector<std::wstring>& names)
{
    ASSERT_EQ(static_cast<int>(names.size()), GetMenuItemCount(menu));
    LauncherRecord* record = g_launcher.recordListHead;
    for (size_t i = 0; i < names.size(); ++i, record = record->next) {
        SCOPED_TRACE(Ansi(names[i]));
        ASSERT_NE(nullptr, record);
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA;
        info.dwItemData = 0xdeadbeef;
        ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info));
        auto* spoken = reinterpret_cast<const MSAAMENUINFO*>(info.dwItemData);
        ASSERT_EQ(static_cast<const void*>(record), spoken) << "the data is the item's own record";
        EXPECT_EQ(static_cast<DWORD>(MSAA_MENU_SIG), spoken->dwMSAASignature);
        ASSERT_NE(nullptr, spoken->pszWText);
        EXPECT_EQ(names[i], spoken->pszWText);
        EXPECT_EQ(names[i].size(), spoken->cchWText);
        auto* begin = reinterpret_cast<const BYTE*>(record);
        auto* text = reinterpret_cast<const BYTE*>(spoken->pszWText);
        EXPECT_TRUE(text > begin && text < begin + HeapSize(GetProcessHeap(), 0, record))
            << "the name lives as long as the record";
    }
}

// Ids, names and counts of a build are checked at volume by HostileVolume and in every
// script by HostileNames; here what each item holds.
TEST_F(FolderMenu, ThreeEntriesInEnumerationOrderFrom2000)
{
    ASSERT_TRUE(MakeItems({"b.txt", "a.txt", "c.txt"}));
    std::vector<ShellEntry> listed = ShellListing(Wide(TestItemsDir()));
    ASSERT_EQ(3u, listed.size());
    IconFetches fetches;
    ASSERT_NE(nullptr, Build());
    // One lookup per entry, each an index into the system's image list: no icon handle.
    EXPECT_EQ(3, fetches.Count());
    EXPECT_EQ(static_cast<UINT>(SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON), fetches.FlagsSeen());
    EXPECT_TRUE(boxes.shown.empty());
    LPITEMIDLIST itemsList = PathToIdList(TestItemsDir().c_str());
    ASSERT_NE(nullptr, itemsList);
    std::vector<BYTE> parent = ListBytes(itemsList);
    parent.resize(parent.size() - 2);
    FreeIdList(itemsList);
    auto records = Records();
    ASSERT_EQ(3u, records.size());
    LaunchEntry* entry = head;
    for (UINT i = 0; i < 3; ++i, entry = entry->next) {
        SCOPED_TRACE(Ansi(listed[i].name));
        ASSERT_NE(nullptr, entry);
        EXPECT_EQ(2000 + i, GetMenuItemID(menu, i));
        EXPECT_EQ(static_cast<UINT>(MFT_OWNERDRAW), MenuItemAt(menu, i, MIIM_FTYPE).fType & MFT_OWNERDRAW);
        EXPECT_EQ(Ansi(listed[i].name), records[i]->text);
        // The items folder's list followed by the entry's own item.
        std::vector<BYTE> expected = parent;
        expected.insert(expected.end(), listed[i].child.begin(), listed[i].child.end());
        EXPECT_EQ(expected, ListBytes(entry->idList));
        // Icons are on by default: each record holds its icon's index.
        EXPECT_EQ(SmallIconIndexOf(TestItemsDir() + "\\" + Ansi(listed[i].name)), records[i]->iconIndex);
    }
    EXPECT_EQ(nullptr, entry);
    EXPECT_NE(nullptr, SmallIconList());
    EXPECT_EQ(before.icons, g_live.icons);
    std::vector<std::wstring> wideNames;
    for (const ShellEntry& item : listed)
        wideNames.push_back(Wide(Ansi(item.name)));
    ExpectSpokenNames(menu, wideNames);

    Free();  // the next build starts again at 2000
    ASSERT_NE(nullptr, Build());
    EXPECT_EQ(2000u, GetMenuItemID(menu, 0));
    EXPECT_EQ(2000u, g_launcher.recordListHead->id);
}

// A build that fails after some entries were appended frees them and leaves the caller's
// list empty, never pointing at what it freed.
int g_recordsAllowed;
LPVOID(WINAPI* g_heapAlloc)(HANDLE, DWORD, SIZE_T);
LPVOID WINAPI RefuseARecord(HANDLE heap, DWORD flags, SIZE_T size)
{
    // A record is one zeroed block with its names: here short ones, a few dozen bytes.
    if ((flags & HEAP_ZERO_MEMORY) && size > sizeof(LauncherRecord) && size <= sizeof(LauncherRecord) + 64 &&
        g_recordsAllowed-- == 0)
        return nullptr;
    return g_heapAlloc(heap, flags, size);
}

TEST_F(FolderMenu, AFailedBuildLeavesNoEntries)
{
    ASSERT_TRUE(MakeItems({"one.txt", "two.txt", "three.txt"}));
    g_recordsAllowed = 1;
    g_heapAlloc = reinterpret_cast<decltype(g_heapAlloc)>(
        RedirectImport("kernel32.dll", "HeapAlloc", reinterpret_cast<void*>(RefuseARecord)));
    ASSERT_NE(nullptr, g_heapAlloc);
    LaunchEntry* entries = nullptr;
    HMENU built = BuildFolderMenu(&entries, FolderMode::Items, g_launcher.menuLook);
    RedirectImport("kernel32.dll", "HeapAlloc", reinterpret_cast<void*>(g_heapAlloc));
    EXPECT_EQ(-1, g_recordsAllowed) << "the second record was never asked for";
    EXPECT_EQ(nullptr, built);
    EXPECT_EQ(nullptr, entries) << "the list points at freed entries";
    EXPECT_EQ(nullptr, g_launcher.recordListHead);
}

// An empty folder is an empty menu; a missing one (or a file named items) says so and
// builds nothing.
TEST_F(FolderMenu, AnEmptyFolderListsNothingAndAMissingOneSaysSo)
{
    ASSERT_TRUE(MakeItems({}));
    ASSERT_NE(nullptr, Build());
    EXPECT_EQ(0, GetMenuItemCount(menu));
    EXPECT_EQ(nullptr, head);
    EXPECT_EQ(nullptr, g_launcher.recordListHead);
    EXPECT_TRUE(boxes.shown.empty());
    Free();
    RemoveTree(TestItemsDir());
    EXPECT_EQ(nullptr, Build());
    ASSERT_EQ(1u, boxes.shown.size());
    EXPECT_EQ(nullptr, boxes.shown[0].owner);
    EXPECT_EQ(L"BindToObject Error\nitemsフォルダの有無を確認してください", boxes.shown[0].text);
    EXPECT_EQ(L"Morvek Error", boxes.shown[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK), boxes.shown[0].type);
    EXPECT_EQ(nullptr, g_launcher.recordListHead);
    ASSERT_TRUE(WriteTextFile(TestItemsDir(), "x"));
    EXPECT_EQ(nullptr, Build());
    EXPECT_EQ(2u, boxes.shown.size());
    DeleteFileA(TestItemsDir().c_str());
}

// What the fake enumerator answers for a child: the item itself, or one of the faulty
// answers a third-party namespace extension can give.
enum class Answer { Item, OkWithoutItem, WrittenButNoneFetched };

struct FakeChild {
    UINT type;          // the form of its display name
    const char* text;   // ANSI text, or UTF-8 for the wide form
    size_t offset = 3;  // of an offset name: 3 is the text in the child's own data
    bool runsOn = false;  // a C string name without its terminator
    Answer answer = Answer::Item;
};

// A folder whose children have fixed display names, and its own enumerator. It answers for
// no other interface and counts the references it handed out.
class FakeFolder : public IShellFolder, public IEnumIDList {
public:
    explicit FakeFolder(std::vector<FakeChild> children) : children_(std::move(children)) {}
    ~FakeFolder()
    {
        for (void* block : kept_)  // written but said not fetched: still its own
            CoTaskMemFree(block);
    }
    HRESULT enumResult = S_OK;
    bool emptyForever = false;  // the enumerator answers S_OK without an item, however often asked
    SHCONTF flagsSeen = 0;
    int calls = 0;  // of Next
    ULONG refs = 0;
    // Child i is one item whose data holds the byte i and then its ANSI text.
    std::vector<std::vector<BYTE>> Lists() const
    {
        std::vector<std::vector<BYTE>> lists;
        for (size_t i = 0; i < children_.size(); ++i) {
            std::string text = children_[i].text;
            WORD cb = static_cast<WORD>(2 + 1 + text.size() + 1);
            std::vector<BYTE> list = {LOBYTE(cb), HIBYTE(cb), static_cast<BYTE>(i)};
            list.insert(list.end(), text.begin(), text.end());
            list.insert(list.end(), {0, 0, 0});
            lists.push_back(list);
        }
        return lists;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF flags, IEnumIDList** out) override
    {
        flagsSeen = flags;
        *out = enumResult == S_OK ? this : nullptr;
        refs += *out != nullptr;
        return enumResult;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG, LPITEMIDLIST* item, ULONG* fetched) override
    {
        ++calls;
        if (emptyForever)
            return S_OK;
        if (next_ >= children_.size())
            return S_FALSE;
        Answer answer = children_[next_].answer;
        std::vector<BYTE> bytes = Lists()[next_++];
        if (answer == Answer::OkWithoutItem)
            return S_OK;
        void* block = CoTaskMemAlloc(bytes.size());
        CopyMemory(block, bytes.data(), bytes.size());
        *item = static_cast<LPITEMIDLIST>(block);
        if (answer == Answer::WrittenButNoneFetched)
            kept_.push_back(block);
        if (fetched)
            *fetched = answer == Answer::Item ? 1 : 0;
        return S_OK;
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
            if (fake.runsOn)
                memset(name->cStr, 'r', sizeof(name->cStr));
            break;
        case STRRET_OFFSET:
            name->uOffset = static_cast<UINT>(fake.offset);
            break;
        case STRRET_WSTR: {
            int n = MultiByteToWideChar(CP_UTF8, 0, fake.text, -1, nullptr, 0);
            name->pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(n * sizeof(wchar_t)));
            MultiByteToWideChar(CP_UTF8, 0, fake.text, -1, name->pOleStr, n);
            break;
        }
        case 0xFFFF:
            return E_FAIL;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumIDList**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, LPITEMIDLIST*, ULONG*) override
    {
        return E_NOTIMPL;
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
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND, LPCITEMIDLIST, LPCOLESTR, SHGDNF, LPITEMIDLIST*) override
    {
        return E_NOTIMPL;
    }

private:
    std::vector<FakeChild> children_;
    size_t next_ = 0;
    std::vector<void*> kept_;
};

// The task allocator's blocks, seen through its spy (CoRegisterMallocSpy), which every
// CoTaskMemAlloc and CoTaskMemFree of the process passes. Only the counting thread's blocks
// are counted (Wine's own threads allocate meanwhile), poisoned when handed out, and
// refused by size on request.
class AllocatorSpy : public IMallocSpy {
public:
    DWORD thread = 0;
    std::set<void*> live;
    long strayFrees = 0;
    SIZE_T refuseSize = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = iid == __uuidof(IUnknown) || iid == __uuidof(IMallocSpy) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override
    {
        size_ = size;
        return Counting() && size == refuseSize ? 0 : size;  // 0 fails the allocation
    }
    void* STDMETHODCALLTYPE PostAlloc(void* block) override
    {
        if (block && Counting()) {
            memset(block, 0xDB, size_);
            live.insert(block);
        }
        return block;
    }
    // A block handed out under the spy but not held (freed twice) counts against live.
    void* STDMETHODCALLTYPE PreFree(void* block, BOOL spied) override
    {
        if (block && Counting() && !live.erase(block) && spied)
            ++strayFrees;
        return block;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T size, void** request, BOOL) override
    {
        *request = block;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL) override { return block; }
    void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    bool Counting() const { return GetCurrentThreadId() == thread; }
    SIZE_T size_ = 0;  // PreAlloc and PostAlloc of one allocation run on one thread
};

// Counts the test thread's live task-allocator blocks over one scope. The spy lives as long
// as the program: a spy whose blocks are not all freed stays registered until they are.
class CountingMalloc {
public:
    CountingMalloc()
    {
        spy_.live.clear();
        spy_.strayFrees = 0;
        spy_.refuseSize = 0;
        spy_.thread = GetCurrentThreadId();
        EXPECT_EQ(S_OK, CoRegisterMallocSpy(&spy_));
    }
    ~CountingMalloc()
    {
        EXPECT_EQ(S_OK, CoRevokeMallocSpy()) << "a block handed out under the spy is still held";
        spy_.thread = 0;
    }
    long Live() const { return static_cast<long>(spy_.live.size()) - spy_.strayFrees; }
    SIZE_T& refuseSize = spy_.refuseSize;

private:
    static AllocatorSpy spy_;
};
AllocatorSpy CountingMalloc::spy_;

class FakeFolderMenu : public FolderMenu {
protected:
    // A parent list of one item, as if the folder were the items folder.
    std::vector<BYTE> parent = {5, 0, 0x11, 0x22, 0x33, 0, 0};
    LPCITEMIDLIST Parent() const { return reinterpret_cast<LPCITEMIDLIST>(parent.data()); }
    void SetUp() override
    {
        FolderMenu::SetUp();
        // The fake lists name nothing the shell knows: ask for no icons.
        ASSERT_TRUE(WriteTextFile(TestSettingsPath(), "[Icon]\r\nIconShow=0\r\n"));
        CaptureMenuLook();
        menu = CreatePopupMenu();
    }
};

// Every display-name form gives its text, under the items folder's list or the desktop's;
// faulty enumerators and names outside their item are left out, and every list the build
// took is freed once, none of the enumerator's own.
TEST_F(FakeFolderMenu, EveryDisplayNameFormGivesItsTextAndFaultyAnswersAreLeftOut)
{
    const size_t atSize = 2 + 1 + strlen("offset at size") + 1 + 2;  // the child's cb and terminator
    std::vector<FakeChild> children = {
        {STRRET_CSTR, "cstr name"},
        {STRRET_CSTR, "not written", 3, false, Answer::OkWithoutItem},
        {STRRET_OFFSET, "offset at size", atSize},
        {STRRET_CSTR, "none fetched", 3, false, Answer::WrittenButNoneFetched},
        {STRRET_OFFSET, "offset beyond", 4096},
        {STRRET_CSTR, "runs on", 3, true},
        {STRRET_OFFSET, "offset name"},
        {STRRET_WSTR, "ワイド名 & more"},
    };
    const size_t good[] = {0, 6, 7};
    for (LPCITEMIDLIST parentList : {Parent(), LPCITEMIDLIST(nullptr)}) {
        SCOPED_TRACE(parentList ? "items" : "desktop");
        CountingMalloc counting;
        FakeFolder folder(children);
        LaunchEntry* entries = nullptr;
        HMENU built = CreatePopupMenu();
        long listsBefore = g_live.idLists;
        ASSERT_TRUE(AppendFolderItems(built, &folder, parentList, &entries));
        EXPECT_EQ(static_cast<SHCONTF>(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS), folder.flagsSeen);
        EXPECT_EQ(0u, folder.refs) << "the enumerator is released";
        EXPECT_EQ((std::vector<std::string>{"cstr name", "offset name", Ansi(L"ワイド名 & more")}),
                  Names(g_launcher.recordListHead));
        ExpectSpokenNames(built, {L"cstr name", L"offset name", L"ワイド名 & more"});
        auto lists = folder.Lists();
        int i = 0;
        for (LaunchEntry* e = entries; e; e = e->next, ++i) {
            EXPECT_EQ(FIRST_LAUNCHER_ID + i, GetMenuItemID(built, i));
            std::vector<BYTE> expected(parent.begin(), parent.end() - 2);
            if (!parentList)
                expected.clear();
            expected.insert(expected.end(), lists[good[i]].begin(), lists[good[i]].end());
            EXPECT_EQ(expected, ListBytes(e->idList));
        }
        EXPECT_EQ(3, i);
        // The joined lists and the one the enumerator kept: children and wide names went back.
        EXPECT_EQ(3 + 1, counting.Live());
        FreeFolderMenu(built, entries);
        EXPECT_EQ(listsBefore, g_live.idLists);
        EXPECT_EQ(1, counting.Live()) << "a list freed twice, or one of the enumerator's own";
    }

    // One that answers S_OK without an item for ever is given up, not asked for ever.
    FakeFolder endless({{STRRET_CSTR, "a"}});
    endless.emptyForever = true;
    EXPECT_TRUE(AppendFolderItems(menu, &endless, nullptr, &head));
    EXPECT_EQ(0, GetMenuItemCount(menu));
    EXPECT_LT(endless.calls, 1000);
}

// No enumerator, an unknown name form or a failed name stops the build at that entry; an
// entry whose join fails is left out. Either way what the build took goes back.
TEST_F(FakeFolderMenu, ABadEntryStopsTheBuildOrIsLeftOutAndEverythingIsFreed)
{
    struct Row {
        const char* name;
        UINT type;
        HRESULT enumResult;
        int items;                 // appended before the build stopped, or without the bad one
        bool joinRefused = false;  // the second child's joined list
    } rows[] = {{"unknown form 5", 5, S_OK, 1}, {"GetDisplayNameOf fails", 0xFFFF, S_OK, 1},
                {"no enumerator", STRRET_CSTR, S_FALSE, 0}, {"its join fails", STRRET_WSTR, S_OK, 2, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CountingMalloc counting;
        FakeFolder folder({{STRRET_WSTR, "one"}, {row.type, "two, longer"}, {STRRET_CSTR, "three"}});
        folder.enumResult = row.enumResult;
        // The joined list of the second child has its own size: refuse exactly that one.
        if (row.joinRefused)
            counting.refuseSize = parent.size() - 2 + folder.Lists()[1].size();
        HMENU built = CreatePopupMenu();
        LaunchEntry* entries = nullptr;
        EXPECT_EQ(row.joinRefused, AppendFolderItems(built, &folder, Parent(), &entries));
        EXPECT_EQ(row.items, GetMenuItemCount(built)) << "the build stops at the bad entry";
        if (row.joinRefused) {
            EXPECT_EQ((std::vector<std::string>{"one", "three"}), Names(g_launcher.recordListHead));
            std::vector<LauncherRecord*> records = Records();
            ASSERT_EQ(2u, records.size());
            int i = 0;
            for (LaunchEntry* e = entries; e; e = e->next, ++i) {
                ASSERT_LT(i, 2);
                EXPECT_NE(nullptr, e->idList);
                EXPECT_EQ(e->id, records[i]->id);
                EXPECT_EQ(e->id, GetMenuItemID(built, i));
            }
            EXPECT_EQ(2, i);
        }
        FreeFolderMenu(built, entries);
        EXPECT_EQ(0, counting.Live()) << "a refused entry's child or wide name was kept";
        EXPECT_EQ(0u, folder.refs);
    }
}

std::string Utf8Repeat(const wchar_t* piece, int times)
{
    std::wstring wide = Repeat(piece, times);
    std::string utf8(wide.size() * 4, '\0');
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &utf8[0], static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(n - 1);  // without the terminator
    return utf8;
}

// Names of up to 255 UTF-16 units, which Windows's file systems hold (the one under these
// tests holds 255 bytes of UTF-8, so they come from the fake folder): a record keeps 255
// characters of a name in any code page, and never part of one.
TEST_F(FakeFolderMenu, LongNamesKeep255CharactersInAnyCodePage)
{
    std::string ascii(259, 'a');
    std::string names[] = {Utf8Repeat(L"名", 200), Utf8Repeat(L"表", 300), Utf8Repeat(L"\U0001F600", 130),
                           Utf8Repeat(L"\U0001F600", 300)};
    FakeFolder folder({{STRRET_WSTR, names[0].c_str()},
                       {STRRET_WSTR, names[1].c_str()},
                       {STRRET_WSTR, names[2].c_str()},
                       {STRRET_WSTR, names[3].c_str()},
                       {STRRET_CSTR, ascii.c_str()}});
    ASSERT_TRUE(AppendFolderItems(menu, &folder, nullptr, &head));
    auto records = Records();
    ASSERT_EQ(5u, records.size());
    // Whole, though it is 400 bytes in Shift-JIS and 600 in UTF-8.
    EXPECT_EQ(Ansi(Repeat(L"名", 200)), records[0]->text);
    EXPECT_EQ(Ansi(Repeat(L"表", 255)), records[1]->text);
    for (int i : {2, 3}) {
        int emoji = i == 2 ? 130 : 300;
        if (GetACP() == CP_UTF8) {
            // An emoji is one character of four bytes (two UTF-16 units): a full record
            // holds 255 of them.
            EXPECT_EQ(Repeat(L"\U0001F600", std::min(emoji, 255)), Wide(records[i]->text));
        } else {
            std::string substitutes = Ansi(Repeat(L"\U0001F600", emoji));
            EXPECT_EQ(0u, substitutes.rfind(records[i]->text, 0)) << "not a head of " << substitutes;
        }
    }
    if (GetACP() == CP_UTF8) {
        EXPECT_EQ(static_cast<size_t>(kRecordTextChars * 4), strlen(records[3]->text));
    }
    EXPECT_EQ(ascii.substr(0, 255), records[4]->text);
    // The spoken name is the name as shown.
    std::vector<std::wstring> spoken;
    for (auto* record : records)
        spoken.push_back(Wide(record->text));
    ExpectSpokenNames(menu, spoken);
}

}  // namespace
