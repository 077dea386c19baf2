// The resources as the program loads them: menu 102, dialogs 104 and 106, icon 101 and
// the version block, all stored under the Japanese language.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <tuple>
#include <vector>

#include "resources/resource.h"

namespace {

const BYTE* RawResource(LPCWSTR type, int id, DWORD* size)
{
    HRSRC found = FindResourceExW(nullptr, type, MAKEINTRESOURCEW(id),
                                  MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    if (!found)
        return nullptr;
    *size = SizeofResource(nullptr, found);
    return static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
}

struct MenuRow {
    UINT id;  // 0: separator or submenu
    std::wstring text;
};

void ExpectMenu(HMENU menu, const std::vector<MenuRow>& expected)
{
    ASSERT_EQ(static_cast<int>(expected.size()), GetMenuItemCount(menu));
    for (UINT i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "item " << i);
        wchar_t text[256] = L"\x01";
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU | MIIM_STATE;
        info.dwTypeData = text;
        info.cch = 256;
        ASSERT_TRUE(GetMenuItemInfoW(menu, i, TRUE, &info));
        if (info.fType & MFT_SEPARATOR)
            text[0] = 0;
        else
            EXPECT_EQ(0u, info.fState & (MFS_GRAYED | MFS_CHECKED | MFS_DEFAULT));
        EXPECT_EQ(expected[i].id, info.hSubMenu ? 0u : info.wID);
        EXPECT_EQ(expected[i].text, text);
    }
}

TEST(Resources, TrayMenuItemsInOrder)
{
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU));
    ASSERT_TRUE(menu);
    ExpectMenu(menu, {{0, L"TASKTRAY"}});
    HMENU tray = GetSubMenu(menu, 0);
    ExpectMenu(tray, {{40003, L"Morvek を終了する "},
                      {40025, L"ランチャにショートカットを追加"},
                      {40023, L"設定"},
                      {0, L""},
                      {0, L"シャットダウン"},
                      {0, L"CD-ROMドライブ"},
                      {0, L""},
                      {40018, L"スクリーンセーバーを起動"},
                      {40022, L"全てのウインドウを最小化する"},
                      {0, L""},
                      {40010, L"ファイルの検索"},
                      {40020, L"マイコンピュータ"},
                      {40017, L"エクスプローラー"}});
    ExpectMenu(GetSubMenu(tray, 4), {{40019, L"スタンバイ"},
                                     {40006, L"ログオフ"},
                                     {40009, L"休止状態"},
                                     {40002, L"Windows 終了"},
                                     {40005, L"Windows 再起動"}});
    ExpectMenu(GetSubMenu(tray, 5), {{40007, L"開ける"}, {40008, L"閉じる"}});
    DestroyMenu(menu);
}

// A reader over a dialog template's words.
struct Words {
    const BYTE* p;
    WORD Word() { WORD w; memcpy(&w, p, 2); p += 2; return w; }
    DWORD Dword() { DWORD d; memcpy(&d, p, 4); p += 4; return d; }
    std::wstring SzOrOrd()
    {
        WORD first = Word();
        if (first == 0xFFFF)
            return L"#" + std::to_wstring(Word());
        std::wstring s;
        for (WORD w = first; w; w = Word())
            s += static_cast<wchar_t>(w);
        return s;
    }
    void AlignDword(const BYTE* base) { p += (4 - ((p - base) % 4)) % 4; }
};

struct Control {
    DWORD id, style, exStyle;
    short x, y, cx, cy;
    std::wstring cls, text;
};

struct Template {
    DWORD style, exStyle;
    short cx, cy;
    std::wstring caption, font;
    WORD points;
    std::vector<Control> controls;
};

Template ReadTemplate(int id)
{
    DWORD size = 0;
    const BYTE* base = RawResource(MAKEINTRESOURCEW(5), id, &size);
    Template t = {};
    if (!base) {
        ADD_FAILURE() << "no dialog " << id << " under LANG_JAPANESE";
        return t;
    }
    Words r = {base};
    bool extended = r.Word() == 1 && r.Word() == 0xFFFF;
    r.p = base + (extended ? 8 : 0);  // version, signature, help id
    // The extended forms store the extended style first.
    auto styles = [&](DWORD* style, DWORD* exStyle) {
        *(extended ? exStyle : style) = r.Dword();
        *(extended ? style : exStyle) = r.Dword();
    };
    styles(&t.style, &t.exStyle);
    WORD count = r.Word();
    r.Word(), r.Word();
    t.cx = static_cast<short>(r.Word());
    t.cy = static_cast<short>(r.Word());
    r.SzOrOrd();  // menu
    r.SzOrOrd();  // class
    t.caption = r.SzOrOrd();
    t.points = r.Word();
    if (extended)
        r.Word(), r.Word();  // weight, italic and charset
    t.font = r.SzOrOrd();
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword(base);
        Control c = {};
        if (extended)
            r.Dword();  // help id
        styles(&c.style, &c.exStyle);
        for (short* place : {&c.x, &c.y, &c.cx, &c.cy})
            *place = static_cast<short>(r.Word());
        c.id = extended ? r.Dword() : r.Word();
        c.cls = r.SzOrOrd();
        c.text = r.SzOrOrd();
        WORD extra = r.Word();  // creation data
        r.p += extra;
        t.controls.push_back(c);
    }
    return t;
}

struct ControlRow {
    DWORD id;
    const wchar_t* cls;  // "#128" button, "#130" static, or a class name
    DWORD kind;          // BS_ / SS_ low bits
    bool tabStop, group;
    short x, y, cx, cy;
    const wchar_t* text;
};

void ExpectControls(const Template& t, const std::vector<ControlRow>& rows)
{
    ASSERT_EQ(rows.size(), t.controls.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const ControlRow& want = rows[i];
        const Control& got = t.controls[i];
        SCOPED_TRACE(testing::Message() << "control " << i << " id " << want.id);
        EXPECT_EQ(want.id, got.id);
        std::wstring cls = got.cls;
        if (cls == L"Button" || cls == L"BUTTON")
            cls = L"#128";
        if (cls == L"Static" || cls == L"STATIC")
            cls = L"#130";
        EXPECT_EQ(std::wstring(want.cls), cls);
        EXPECT_EQ(want.kind, got.style & 0x1F);
        EXPECT_EQ(want.tabStop, (got.style & WS_TABSTOP) != 0);
        EXPECT_EQ(want.group, (got.style & WS_GROUP) != 0);
        EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE), got.style & (WS_CHILD | WS_VISIBLE));
        EXPECT_EQ(std::make_tuple(want.x, want.y, want.cx, want.cy), std::make_tuple(got.x, got.y, got.cx, got.cy));
        EXPECT_EQ(std::wstring(want.text), got.text);
    }
}

TEST(Resources, DialogTemplates)
{
    const DWORD check = BS_AUTOCHECKBOX, radio = BS_AUTORADIOBUTTON, push = BS_PUSHBUTTON;
    const struct {
        int id;
        DWORD style, exStyle;
        short cx, cy;
        const wchar_t* caption;
        std::vector<ControlRow> controls;
    } dialogs[] = {
        {IDD_SETTINGS, WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT, 0, 239, 137, L"Morvek の設定", {
            {1000, L"#128", check, true, false, 5, 8, 229, 21,
             L"Morevkメニューからマイコンピュータを起動時にフォルダビューを表示する"},
            {1006, L"#128", check, true, false, 5, 25, 226, 23, L"ランチャでそれぞれのアイテムのアイコンを表示する"},
            {1011, L"#128", check, true, false, 5, 48, 181, 14, L"Morevk 終了時に確認メッセージを表示"},
            {1014, L"#128", radio, false, false, 11, 87, 64, 14, L"Ctrl + 左クリック"},
            {1015, L"#128", radio, false, false, 83, 86, 62, 14, L"マウスの中ボタン"},
            {1016, L"#128", radio, false, false, 153, 87, 67, 13, L"Shift + 左クリック"},
            {1017, L"#128", push, true, false, 8, 115, 79, 16, L"設定を保存して閉じる"},
            {1012, L"#128", push, true, false, 90, 115, 69, 16, L"設定を保存"},
            {1013, L"#128", push, true, false, 163, 115, 66, 15, L"閉じる"},
            {0xFFFF, L"#128", BS_GROUPBOX, false, false, 7, 78, 218, 30, L"デスクトップのアイテムを列挙するマウス操作"},
        }},
        {IDD_DROP, WS_CAPTION | DS_MODALFRAME | DS_SETFONT, WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES, 167, 73, L"", {
            {8, L"#128", push, true, false, 85, 54, 76, 14, L"このダイアログを閉じる"},
            {0xFFFFFFFF, L"#130", SS_LEFT, false, true, 5, 5, 141, 18,
             L"\x3000ランチャに登録したいファイルをこのダイアログにドラッグアンドドロップしてください"},
            {0xFFFFFFFF, L"#130", SS_LEFT, false, true, 4, 25, 157, 17,
             L"\x3000ここにドロップされたファイルのショートカットを items フォルダに作成します"},
            {1018, L"#128", push, true, false, 5, 54, 76, 14, L"itemsフォルダを開く"},
        }},
    };
    for (const auto& want : dialogs) {
        SCOPED_TRACE(testing::Message() << "dialog " << want.id);
        Template t = ReadTemplate(want.id);
        EXPECT_EQ(want.style, t.style);
        EXPECT_EQ(want.exStyle, t.exStyle);
        EXPECT_EQ(std::make_pair(want.cx, want.cy), std::make_pair(t.cx, t.cy));
        EXPECT_EQ(want.caption, t.caption);
        EXPECT_EQ(9, t.points);
        EXPECT_EQ(L"ＭＳ Ｐゴシック", t.font);
        ExpectControls(t, want.controls);
    }
}

TEST(Resources, IconHasA32AndA16ImageOf16Colours)
{
    DWORD size = 0;
    const BYTE* group = RawResource(MAKEINTRESOURCEW(14), IDI_MORVEK, &size);
    ASSERT_TRUE(group);
    WORD count;
    memcpy(&count, group + 4, 2);
    ASSERT_EQ(2, count);
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) {
        const BYTE* entry = group + 6 + 14 * i;
        EXPECT_EQ(entry[0], entry[1]);
        EXPECT_EQ(16, entry[2]) << "colour count";
        WORD bits;
        memcpy(&bits, entry + 6, 2);
        EXPECT_EQ(4, bits);
        sizes.push_back(entry[0]);
    }
    EXPECT_EQ((std::vector<int>{32, 16}), sizes);
    HICON small = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MORVEK),
                                                IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    ASSERT_TRUE(small);
    DestroyIcon(small);
}

std::wstring VersionString(const BYTE* block, const wchar_t* name)
{
    std::wstring path = std::wstring(L"\\StringFileInfo\\041104b0\\") + name;
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block, path.c_str(), reinterpret_cast<void**>(&value), &length))
        return L"<missing>";
    return std::wstring(value, length ? length - 1 : 0);
}

TEST(Resources, VersionBlock)
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(exe, &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe, 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(MAKELONG(1, 0), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(0, 4), fixed->dwFileVersionLS);
    EXPECT_EQ(MAKELONG(1, 0), fixed->dwProductVersionMS);
    EXPECT_EQ(MAKELONG(0, 4), fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
    const struct {
        const wchar_t* name;
        const wchar_t* value;
    } strings[] = {{L"FileVersion", L"1. 4"}, {L"ProductVersion", L"1. 4"}, {L"Comments", L"Morvek"},
                   {L"InternalName", L"Morvek"}, {L"ProductName", L"Morvek"}, {L"FileDescription", L"Morvek"},
                   {L"CompanyName", L"Morvek developers"}, {L"LegalCopyright", L"Copyright (C) Morvek developers"},
                   {L"OriginalFilename", L"Morvek.exe"}, {L"LegalTrademarks", L""}, {L"PrivateBuild", L""},
                   {L"SpecialBuild", L""}};
    for (const auto& string : strings)
        EXPECT_EQ(string.value, VersionString(block.data(), string.name)) << string.name;
    DWORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(MAKELONG(0x411, 1200), *translation);
}

std::string ManifestOf(const char* exePath)
{
    std::string manifest;
    HMODULE exe = LoadLibraryExA(exePath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!exe)
        return manifest;
    HRSRC found = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    if (found)
        manifest.assign(static_cast<const char*>(LockResource(LoadResource(exe, found))), SizeofResource(exe, found));
    FreeLibrary(exe);
    return manifest;
}

// The manifest travels inside the built exe, not beside it.
TEST(Resources, BuiltExeCarriesItsManifest)
{
    std::string manifest = ManifestOf(MORVEK_EXE_PATH);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(std::string::npos, manifest.find("Microsoft.Windows.Common-Controls"));
    EXPECT_NE(std::string::npos, manifest.find("version=\"6.0.0.0\""));
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\""));
    // Per-monitor v2 where the system has it, system-aware before (dpiAware for the systems
    // before Windows 10 1607, "system" for 1607).
    EXPECT_NE(std::string::npos, manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/"
                                               "WindowsSettings\">true</dpiAware>"));
    EXPECT_NE(std::string::npos, manifest.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/"
                                               "WindowsSettings\">PerMonitorV2, system</dpiAwareness>"));
    EXPECT_NE(std::string::npos, manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"));
    EXPECT_NE(std::string::npos, manifest.find("{e2011457-1546-43c5-a5fe-008deee3d3f0}"));
    const std::string utf8 =
        "<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">UTF-8</activeCodePage>";
    size_t at = manifest.find(utf8);
    ASSERT_NE(std::string::npos, at);
    EXPECT_NE(std::string::npos, manifest.rfind("<windowsSettings>", at)) << "inside windowsSettings";
    // The build the tests run as the program on older systems, and the test programs of
    // the system code page, carry the same manifest without that entry.
    std::string systemCodePage = ManifestOf(MORVEK_SYSTEM_CP_EXE_PATH);
    EXPECT_EQ(std::string::npos, systemCodePage.find("activeCodePage"));
    size_t lineStart = manifest.rfind('\n', at) + 1;
    std::string without = manifest;
    without.erase(lineStart, manifest.find('\n', at) + 1 - lineStart);
    EXPECT_EQ(without, systemCodePage);
    char self[MAX_PATH * 3];
    GetModuleFileNameA(nullptr, self, sizeof(self));
    EXPECT_EQ(without, ManifestOf(self));
    EXPECT_NE(static_cast<UINT>(CP_UTF8), GetACP());
}

}  // namespace
