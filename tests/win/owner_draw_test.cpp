// The owner-drawn launcher items: measured with the captured menu font, painted into a
// memory DC whose pixels the tests read back.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/live_counts.h"
#include "app/tray_window.h"
#include "core/platform_calls.h"
#include "launcher/icon_pixels.h"
#include "launcher/launcher_records.h"
#include "launcher/launcher_state.h"
#include "launcher/menu_theme.h"
#include "launcher/owner_draw.h"
#include "test_support.h"
#include "tray/tray_icon.h"

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 24;
constexpr COLORREF kHighlight = RGB(0, 0, 200);
constexpr COLORREF kHighlightText = RGB(255, 255, 0);
constexpr COLORREF kBackground = RGB(0, 200, 0);
constexpr COLORREF kPoison = RGB(0xde, 0xad, 0xbe);

// This test program: an exe whose icon is Morvek's own, in colour.
std::string ThisProgram()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// An item's size, filled with a poison colour before each draw; its DC's background kBackground.
struct Canvas : DibCanvas {
    Canvas() : DibCanvas(kWidth, kHeight)
    {
        Fill(kPoison);
        SetBkColor(dc, kBackground);
    }
    void Fill(COLORREF colour, const RECT& r = {0, 0, kWidth, kHeight})
    {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                pixels[y * kWidth + x] = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    }
    COLORREF At(int x, int y) const
    {
        DWORD p = pixels[y * kWidth + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // The leftmost column in [from, to) with a pixel of the item's 20 rows not the background.
    int FirstInk(COLORREF background, int from = 0, int to = kWidth) const
    {
        for (int x = from; x < to; ++x)
            for (int y = 0; y < 20; ++y)
                if (At(x, y) != background)
                    return x;
        return -1;
    }
    int Count(COLORREF colour) const
    {
        int n = 0;
        for (int i = 0; i < kWidth * kHeight; ++i)
            n += At(i % kWidth, i / kWidth) == colour;
        return n;
    }
};

class OwnerDraw : public testing::Test {
protected:
    std::vector<LauncherRecord*> records;
    HWND window = nullptr;
    LiveCounts before = {};
    GdiCreations gdi;  // every font and brush made during the test
    void SetUp() override
    {
        DeleteFileA(TestSettingsPath().c_str());
        window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        CaptureMenuLook();
        g_launcher.menuLook.smallIconCx = g_launcher.menuLook.smallIconCy = 16;
        g_launcher.menuLook.highlight = kHighlight;
        g_launcher.menuLook.highlightText = kHighlightText;
        before = g_live;
    }
    void TearDown() override
    {
        g_launcher.recordListHead = nullptr;
        FreeRecords();
        DestroyWindow(window);
        DeleteFileA(TestSettingsPath().c_str());
        EXPECT_EQ(before.fonts, g_live.fonts);
        EXPECT_EQ(before.brushes, g_live.brushes);
        EXPECT_TRUE(gdi.Alive().empty()) << "a font or brush was not deleted";
    }
    void FreeRecords()
    {
        if (!records.empty())
            FreeLauncherRecords(records[0]);
        records.clear();
    }
    // Records with these texts and ids from 2000, the first one with an icon if asked.
    void MakeRecords(const std::vector<std::string>& texts, bool firstHasIcon = false)
    {
        FreeRecords();
        for (size_t i = 0; i < texts.size(); ++i) {
            records.push_back(NewLauncherRecord(2000 + static_cast<UINT>(i), texts[i].c_str()));
            ASSERT_NE(nullptr, records.back());
            if (i > 0)
                records[i - 1]->next = records[i];
        }
        if (firstHasIcon)
            records[0]->iconIndex = SmallIconIndexOf(ThisProgram());
        g_launcher.recordListHead = records.empty() ? nullptr : records[0];
    }
    // The setting as read for the menu: once per click, into the look. The file says the
    // opposite, so an item measured or drawn by what the file says now shows.
    void SetIconShow(bool on)
    {
        g_launcher.menuLook.iconShow = on;
        ASSERT_TRUE(WriteTextFile(TestSettingsPath(), on ? "[Icon]\r\nIconShow=0\r\n" : "[Icon]\r\nIconShow=1\r\n"));
    }
    void Draw(Canvas& canvas, UINT id, bool selected, int left = 0)
    {
        size_t made = gdi.brushes.size();
        DrawItem(window, id, DataOf(id), canvas.dc, {left, 0, kWidth, 20}, selected ? ODS_SELECTED : 0);
        ExpectMadeAndDeleted(gdi.brushes, made, id, "brush");
    }
    // The item data of the menu item with this id: its record, or none.
    static ULONG_PTR DataOf(UINT id)
    {
        for (LauncherRecord* r = g_launcher.recordListHead; r; r = r->next)
            if (r->id == id)
                return reinterpret_cast<ULONG_PTR>(r);
        return 0;
    }
    MEASUREITEMSTRUCT Measure(UINT id)
    {
        size_t made = gdi.fonts.size();
        MEASUREITEMSTRUCT mis = MeasureItem(window, id, DataOf(id));
        ExpectMadeAndDeleted(gdi.fonts, made, id, "font");
        return mis;
    }
    // For an id with a record objects[from] on were made, and the system knows none of them now.
    void ExpectMadeAndDeleted(const std::vector<HGDIOBJ>& objects, size_t from, UINT id, const char* kind)
    {
        if (DataOf(id)) {
            EXPECT_LT(from, objects.size()) << "no " << kind << " was made for item " << id;
        }
        for (size_t i = from; i < objects.size(); ++i)
            EXPECT_TRUE(GdiObjectDeleted(objects[i])) << "the " << kind << " for item " << id << " was not deleted";
    }
};

TEST_F(OwnerDraw, CaptureTakesTheSystemMenuLook)
{
    AppThemeSetting light(1);
    memset(&g_launcher.menuLook, 0xA5, sizeof(g_launcher.menuLook));
    CaptureMenuLook();
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof(metrics);
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
    EXPECT_EQ(0, memcmp(&metrics.lfMenuFont, &g_launcher.menuLook.menuFont, sizeof(LOGFONTA)));
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), g_launcher.menuLook.smallIconCx);
    EXPECT_EQ(GetSystemMetrics(SM_CYSMICON), g_launcher.menuLook.smallIconCy);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), g_launcher.menuLook.highlight);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHTTEXT), g_launcher.menuLook.highlightText);
    // "IconShow" is read with the look, once per click.
    ASSERT_TRUE(WriteTextFile(TestSettingsPath(), "[Icon]\r\nIconShow=0\r\n"));
    CaptureMenuLook();
    EXPECT_EQ(0u, g_launcher.menuLook.iconShow);
    DeleteFileA(TestSettingsPath().c_str());
    CaptureMenuLook();
    EXPECT_EQ(1u, g_launcher.menuLook.iconShow);
}

TEST_F(OwnerDraw, MeasureAddsTheIconColumnAndPadding)
{
    LOGFONTA small = g_launcher.menuLook.menuFont;
    small.lfHeight = 12;
    LOGFONTA large = small;
    large.lfHeight = 40;
    struct Row {
        const char* name;
        bool icons;
        LOGFONTA font;
        int extraWidth;   // beyond the text's own width
        int height;       // 0: the text's height + 4
    } rows[] = {
        {"icons on, small font", true, small, 16 + 14, 20},
        {"icons off, small font", false, small, 14, 0},
        {"icons on, font taller than the icon", true, large, 16 + 14, 0},
        {"icons off, large font", false, large, 14, 0},
    };
    for (const Row& row : rows) {
        // Each look is a new menu of new, unmeasured records.
        MakeRecords({"Notepad", "メモ帳 & more"});
        for (const LauncherRecord* record : records) {
            SCOPED_TRACE(std::string(row.name) + ": " + record->text);
            SetIconShow(row.icons);
            g_launcher.menuLook.menuFont = row.font;
            SIZE text = MenuTextExtent(record->wideText, row.font);
            ASSERT_GT(text.cx, 0);
            MEASUREITEMSTRUCT mis = Measure(record->id);
            EXPECT_EQ(static_cast<UINT>(text.cx + row.extraWidth), mis.itemWidth);
            EXPECT_EQ(static_cast<UINT>(row.height ? row.height : text.cy + 4), mis.itemHeight);
            // Asked again at a kept menu's next showing, the record answers as measured, not anew.
            g_launcher.menuLook.menuFont.lfHeight += 10;
            MEASUREITEMSTRUCT again = MeasureItem(window, mis.itemID, mis.itemData);
            EXPECT_EQ(mis.itemWidth, again.itemWidth);
            EXPECT_EQ(mis.itemHeight, again.itemHeight);
        }
    }
}

// The app theme is read at each capture: dark draws the dark menu colours whatever the DC
// holds, light the highlight colours when selected and the DC's background when not.
TEST_F(OwnerDraw, DarkAppThemeDrawsTheDarkColoursAndLightStaysAsItWas)
{
    MakeRecords({"MMMM"});
    AppThemeSetting theme(0);
    struct Row {
        const char* name;
        int light;
        bool selected;
        COLORREF fill;
        COLORREF text;
    } rows[] = {
        {"dark", 0, false, kDarkMenuBackground, kDarkMenuText},
        {"dark, selected", 0, true, kDarkMenuHighlight, kDarkMenuText},
        {"light", 1, false, kBackground, RGB(0, 0, 0)},
        {"light, selected", 1, true, kHighlight, kHighlightText},
        {"no value: light", -1, false, kBackground, RGB(0, 0, 0)},
        {"dark again", 0, false, kDarkMenuBackground, kDarkMenuText},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        theme.Set(row.light);
        CaptureMenuLook();
        EXPECT_EQ(row.light == 0, g_launcher.menuLook.dark);
        if (row.light != 0) {
            // As the fixture's system colours, so light shows as today's drawing.
            g_launcher.menuLook.highlight = kHighlight;
            g_launcher.menuLook.highlightText = kHighlightText;
        }
        SetIconShow(false);
        Canvas canvas;
        SetTextColor(canvas.dc, RGB(0, 0, 0));
        Draw(canvas, 2000, row.selected);
        EXPECT_EQ(row.fill, canvas.At(kWidth - 1, 19));
        EXPECT_EQ(row.fill, canvas.At(0, 0));
        EXPECT_GT(canvas.Count(row.text), 10) << "text not in its colour";
        int fillAndText = canvas.Count(row.fill) + canvas.Count(row.text);
        EXPECT_GT(fillAndText, kWidth * 20 * 9 / 10) << "other colours in the item";
        EXPECT_EQ(kPoison, canvas.At(0, 20)) << "painted outside the item";
        EXPECT_EQ(row.fill, GetBkColor(canvas.dc));
        EXPECT_EQ(row.text, GetTextColor(canvas.dc));
    }
}

// The dark separator: as high as the system's, no wider than the entries, a line of the dark
// palette across the middle of the dark background.
TEST_F(OwnerDraw, TheDarkSeparatorIsALineOfTheDarkPalette)
{
    MEASUREITEMSTRUCT mis = MeasureItem(window, 0, DarkSeparatorData());
    EXPECT_EQ(0u, mis.itemWidth);
    EXPECT_EQ(static_cast<UINT>(GetSystemMetrics(SM_CYMENUSIZE) / 2), mis.itemHeight);
    Canvas canvas;
    DrawItem(window, 0, DarkSeparatorData(), canvas.dc, {0, 0, kWidth, 9});
    EXPECT_EQ(kDarkMenuSeparator, canvas.At(kWidth / 2, 4));
    EXPECT_EQ(kDarkMenuBackground, canvas.At(kWidth / 2, 3));
    EXPECT_EQ(kWidth * 9, canvas.Count(kDarkMenuBackground) + canvas.Count(kDarkMenuSeparator));
    EXPECT_EQ(kPoison, canvas.At(0, 9)) << "painted outside the item";
}

// The dark menus' entry points are asked for only on a build that has them, both or neither used.
std::vector<WORD> g_asked;
WORD g_missingOrdinal = 0;
DWORD g_build = 0;
DWORD g_major = 0;
int g_preferredMode = -1;
int g_flushes = 0;

int WINAPI FakeSetPreferredAppMode(int mode)
{
    g_preferredMode = mode;
    return 0;
}

void WINAPI FakeFlushMenuThemes() { ++g_flushes; }

FARPROC WINAPI FakeGetProcAddress(HMODULE, LPCSTR name)
{
    if (!IS_INTRESOURCE(name))
        return nullptr;
    WORD ordinal = LOWORD(reinterpret_cast<ULONG_PTR>(name));
    g_asked.push_back(ordinal);
    if (ordinal == g_missingOrdinal)
        return nullptr;
    if (ordinal == kOrdinalSetPreferredAppMode)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(FakeSetPreferredAppMode));
    if (ordinal == kOrdinalFlushMenuThemes)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(FakeFlushMenuThemes));
    return nullptr;
}

BOOL WINAPI FakeGetVersionExA(LPOSVERSIONINFOA info)
{
    info->dwMajorVersion = g_major;
    info->dwMinorVersion = 0;
    info->dwBuildNumber = g_build;
    return TRUE;
}

TEST(DarkMenus, EntryPointsAreLookedUpOnlyWhereTheyExist)
{
    AppThemeSetting dark(0);
    PlatformCalls saved = g_platform;
    g_platform.GetProcAddress = FakeGetProcAddress;
    g_platform.GetVersionExA = FakeGetVersionExA;
    struct Row {
        const char* name;
        DWORD major;
        DWORD build;
        WORD missing;
        bool asked;
        bool found;
    } rows[] = {
        {"Windows 10 1809", 10, 17763, 0, false, false},
        {"Windows 8.1", 6, 9600, 0, false, false},
        {"Windows 10 1903", 10, 18362, 0, true, true},
        {"Windows 11", 10, 22631, 0, true, true},
        {"flush missing", 10, 19045, kOrdinalFlushMenuThemes, true, false},
        {"preferred mode missing", 10, 19045, kOrdinalSetPreferredAppMode, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        g_asked.clear();
        g_major = row.major;
        g_build = row.build;
        g_missingOrdinal = row.missing;
        DarkMenuCalls calls = LookUpDarkMenuCalls();
        if (row.asked) {
            EXPECT_EQ((std::vector<WORD>{kOrdinalSetPreferredAppMode, kOrdinalFlushMenuThemes}), g_asked);
        } else {
            EXPECT_TRUE(g_asked.empty()) << "looked up on a build without them";
        }
        EXPECT_EQ(row.found, calls.setPreferredAppMode != nullptr);
        EXPECT_EQ(row.found, calls.flushMenuThemes != nullptr);
        // The launcher is dark only where the system's own menus can be: the two agree.
        EXPECT_EQ(row.asked, ReadDarkMenuTheme());
    }
    // The system's menus are dark only while the launcher is (never in high contrast, where
    // the launcher is light); each change, and the first click, flushes their theme.
    g_build = 19045;
    g_missingOrdinal = 0;
    const struct { bool dark; int mode, flushes; } steps[] = {
        {false, 0, 1}, {false, 0, 1}, {true, 1, 2}, {true, 1, 2}, {false, 0, 3}};
    for (const auto& step : steps) {
        FollowSystemMenuTheme(step.dark);
        EXPECT_EQ(step.mode, g_preferredMode);
        EXPECT_EQ(step.flushes, g_flushes);
    }
    // The real system here (Wine) has no such exports: nothing is found and nothing fails.
    g_platform = saved;
    DarkMenuCalls real = LookUpDarkMenuCalls();
    EXPECT_EQ(nullptr, real.setPreferredAppMode);
    EXPECT_EQ(nullptr, real.flushMenuThemes);
}

TEST_F(OwnerDraw, TextStartsInOneColumnWithOrWithoutAnIcon)
{
    MakeRecords({"A&B", "A&B"}, true);
    // Icons on: the icon 2 pixels in where there is one, the text after the icon's column either way.
    SetIconShow(true);
    const int textLeft = 3 + 16 + 14;
    int firstInk[2] = {};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i == 0 ? "with an icon" : "without an icon");
        Canvas canvas;
        Draw(canvas, 2000 + i, false, 3);
        firstInk[i] = canvas.FirstInk(kBackground, textLeft);
        EXPECT_EQ(i == 0 ? 3 + 2 : -1, canvas.FirstInk(kBackground, 3, textLeft)) << "ink left of the text";
        EXPECT_EQ(-1, canvas.FirstInk(kBackground, 3 + 2 + 16, textLeft)) << "text too far left";
    }
    EXPECT_EQ(firstInk[0], firstInk[1]);
    EXPECT_GE(firstInk[0], textLeft);
    EXPECT_LE(firstInk[0], textLeft + 4);
    // Icons off: exactly the name drawn at the indent without mnemonics (an ampersand is part of it).
    SetIconShow(false);
    for (int i = 0; i < 2; ++i) {
        Canvas drawn, expected;
        Draw(drawn, 2000 + i, false, 3);
        expected.Fill(kBackground, {3, 0, kWidth, 20});
        RECT box = {3 + 14, 2, kWidth, 20};
        DrawTextA(expected.dc, "A&B", 3, &box, DT_NOPREFIX);
        EXPECT_EQ(0, memcmp(drawn.pixels, expected.pixels, kWidth * kHeight * 4)) << "entry " << i;
    }
}

// Each entry shows the pixels its system image list entry (exactly where opaque) and its icon handle
// draw, on every background, at 16 and at 24 pixels, taken once per index and again on the shell's word.
TEST_F(OwnerDraw, ImageListIconsDrawTheSamePixelsAsIconHandles)
{
    std::string dir = MakeScratchDir("image_list_icons");
    ASSERT_TRUE(MakeTree(dir, {"note.txt", "run.bat", "folder\\", "link.lnk>" + ThisProgram()}));
    const std::string paths[] = {ThisProgram(), dir + "\\note.txt", dir + "\\run.bat", dir + "\\folder",
                                 dir + "\\link.lnk"};
    const int cx = g_launcher.menuLook.smallIconCx = GetSystemMetrics(SM_CXSMICON);
    g_launcher.menuLook.smallIconCy = GetSystemMetrics(SM_CYSMICON);
    SetIconShow(true);
    // The same icons in a list of 24-pixel ones, as the small icons are at 144 DPI.
    HIMAGELIST large = ImageList_Create(24, 24, ILC_COLOR32 | ILC_MASK, 5, 0);
    // Version 6 of the common controls makes the list its own IImageList.
    auto* largeList = reinterpret_cast<IImageList*>(large);
    std::set<int> indices;
    for (const std::string& path : paths) {
        indices.insert(SmallIconIndexOf(path));
        HICON icon = SmallIconHandleOf(path);
        ASSERT_LE(0, ImageList_ReplaceIcon(large, -1, icon));
        DestroyIcon(icon);
    }
    // drawn's square at x, y against the list's (or the icon's) drawing on the same fill: the same
    // pixel where the icon hides the fill, a step of rounding at most where it shows through.
    auto expectIcon = [&](Canvas& drawn, IImageList* list, int index, COLORREF fill, int x, int y, int size,
                          HICON icon = nullptr) {
        Canvas expected, under;
        expected.Fill(fill);
        under.Fill(fill ^ 0xFFFFFF);
        IMAGELISTDRAWPARAMS params = {sizeof(params), nullptr, index, under.dc, x, y, 0, 0, 0, 0,
                                      CLR_DEFAULT, CLR_DEFAULT, ILD_NORMAL, SRCCOPY, 0, 0, 0};
        ASSERT_EQ(S_OK, list->Draw(&params));
        params.hdcDst = expected.dc;
        if (!icon)
            list->Draw(&params);
        else
            DrawIconEx(expected.dc, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
        for (int i = 0; i < size * size; ++i) {
            int px = x + i % size, py = y + i / size;
            COLORREF want = expected.At(px, py), got = drawn.At(px, py);
            int slack = !icon && want == under.At(px, py) ? 0 : 1;
            for (int shift = 0; shift <= 16; shift += 8)
                ASSERT_LE(abs(int(want >> shift & 0xFF) - int(got >> shift & 0xFF)), slack) << "at " << px << "," << py;
        }
    };
    struct { const char* name; bool dark; COLORREF fill, highlight; } looks[] = {{"light", false, kBackground, kHighlight},
                 {"dark", true, kDarkMenuBackground, kDarkMenuHighlight},
                 {"high contrast", false, RGB(0, 0, 0), RGB(0x1A, 0xEB, 0xFF)}};
    for (int round = 0; round < 2; ++round) {
        // Whatever was taken before is taken again once the shell says images changed.
        TrayWndProc(nullptr, kShellIconsChanged, 0, 0);
        long takes = IconPixelsHeld().takes;
        for (const std::string& path : paths) {
            MakeRecords({"x", "y"});  // two entries with one icon
            records[0]->iconIndex = records[1]->iconIndex = SmallIconIndexOf(path);
            HICON icon = SmallIconHandleOf(path);
            for (const auto& look : looks) {
                for (int drawing = 0; drawing < 4; ++drawing) {
                    bool selected = drawing & 1;
                    SCOPED_TRACE(path + ", " + look.name + (selected ? ", selected" : ""));
                    g_launcher.menuLook.dark = look.dark;
                    g_launcher.menuLook.highlight = look.highlight;
                    Canvas drawn;
                    SetBkColor(drawn.dc, look.fill);
                    Draw(drawn, 2000 + drawing / 2, selected);
                    COLORREF fill = selected ? look.highlight : look.fill;
                    expectIcon(drawn, SmallIconList(), records[0]->iconIndex, fill, kIconInset, kIconInset, cx);
                    expectIcon(drawn, SmallIconList(), records[0]->iconIndex, fill, kIconInset, kIconInset, cx, icon);
                }
            }
            DestroyIcon(icon);
        }
        // Each icon was taken once, however often its entries were drawn.
        EXPECT_EQ(static_cast<long>(indices.size()), IconPixelsHeld().takes - takes);
    }
    // The look of 144 DPI draws the 24-pixel icons at their own size.
    g_launcher.menuLook.smallIconCx = g_launcher.menuLook.smallIconCy = 24;
    long takes = IconPixelsHeld().takes;
    for (int i = 0; i < 5 * 3; ++i) {
        SCOPED_TRACE(std::string("24 pixels, ") + looks[i % 3].name + ", icon " + std::to_string(i / 3));
        Canvas drawn;
        drawn.Fill(looks[i % 3].fill);
        DrawIconPixels(drawn.dc, largeList, i / 3, kIconInset, 0, g_launcher.menuLook);
        expectIcon(drawn, largeList, i / 3, looks[i % 3].fill, kIconInset, 0, 24);
    }
    EXPECT_EQ(5, IconPixelsHeld().takes - takes);
    // A section and its DC for each icon size: the small icons' are kept beside these.
    EXPECT_EQ(4, IconPixelsHeld().gdiObjects);
    ImageList_Destroy(large);
    EXPECT_EQ(before.icons, g_live.icons);
    RemoveTree(dir);
}

TEST_F(OwnerDraw, AnIdWithoutARecordIsLeftAlone)
{
    MakeRecords({"only"});
    Canvas canvas;
    Draw(canvas, 1999, true);
    Draw(canvas, 2001, false);
    EXPECT_EQ(kWidth * kHeight, canvas.Count(kPoison));
    MEASUREITEMSTRUCT mis = Measure(2001);
    EXPECT_EQ(0xdeadbeefu, mis.itemWidth);
    EXPECT_EQ(0xdeadbeefu, mis.itemHeight);
    g_launcher.recordListHead = nullptr;
    Draw(canvas, 2000, true);
    EXPECT_EQ(0xdeadbeefu, Measure(2000).itemWidth);
    EXPECT_EQ(kWidth * kHeight, canvas.Count(kPoison));
}

}  // namespace
