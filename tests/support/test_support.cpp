// Shared helpers for the tests that run under Wine.
#include "test_support.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include "app/tray_window.h"
#include "core/platform_calls.h"
#include "launcher/build_ahead.h"
#include "launcher/entry_menu.h"
#include "launcher/folder_menu.h"
#include "launcher/icon_fetch.h"
#include "launcher/launcher_state.h"
#include "tray/tray_icon.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}

namespace {
// Wide, so that names the test program's code page can't hold go too.
void RemoveTreeW(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTreeW(child);
            else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}
}  // namespace

void RemoveTree(const std::string& path)
{
    RemoveTreeW(Wide(path));
}

void RemoveTree(const std::wstring& path)
{
    RemoveTreeW(path);
}

std::string MakeScratchDir(const std::string& name)
{
    std::string base = MORVEK_TEST_TMP;
    CreateDirectoryA(base.c_str(), nullptr);
    std::string dir = base + "\\" + name;
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

std::set<std::wstring> FilesIn(const std::wstring& dir)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            names.insert(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

std::set<std::string> FilesIn(const std::string& dir)
{
    std::set<std::string> names;
    for (const std::wstring& name : FilesIn(Wide(dir)))
        names.insert(Ansi(name));
    return names;
}

bool WriteTextFile(const std::string& path, const std::string& text)
{
    // A running Morvek may be reading the file (its settings) at this moment: as an editor
    // saving it would, the write is tried again for a while.
    HANDLE file = INVALID_HANDLE_VALUE;
    WaitFor([&] {
        file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        return file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION;
    }, 2000);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

std::string ReadFileBytes(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "(missing)";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

std::string ReadTextFile(const std::string& path)
{
    std::string text = FileExists(path) ? ReadFileBytes(path) : "";
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string TestExeDir()
{
    char path[MAX_PATH * 3];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH * 3);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string WorkingDir()
{
    return std::string(MORVEK_TEST_TMP) + "\\working-" + std::to_string(GetCurrentProcessId());
}

std::string WaitForLines(const std::string& path, size_t lines, DWORD timeoutMs)
{
    std::string text;
    WaitFor([&] {
        text = ReadTextFile(path);
        return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= lines;
    }, timeoutMs);
    return text;
}

// Shortcuts go through the wide link object: the ANSI one may convert with the locale's
// code page rather than the program's.
HRESULT MakeShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments)
{
    HRESULT init = CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    if (SUCCEEDED(hr)) {
        link->SetPath(Wide(target).c_str());
        link->SetArguments(Wide(arguments).c_str());
        IPersistFile* file = nullptr;
        hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
        if (SUCCEEDED(hr)) {
            hr = file->Save(Wide(linkPath).c_str(), TRUE);
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return hr;
}

namespace {
// The fifth of the tray window's live counts says a launcher click is going on.
constexpr WPARAM kClickGoingOn = 4;
}  // namespace

const char* BuiltMorvek()
{
    const char* named = getenv("MORVEK_EXE_UNDER_TEST");
    return named && *named ? named : MORVEK_EXE_PATH;
}

bool MorvekProcess::Start(const std::string& folder, const char* builtExe)
{
    dir = folder;
    return StartAt(folder + "\\Morvek.exe", WorkingDir(), builtExe);
}

bool MorvekProcess::StartAt(const std::string& exe, const std::string& workingDir, const char* builtExe)
{
    Stop();
    if (!CopyFileW(Wide(builtExe).c_str(), Wide(exe).c_str(), FALSE)) {
        ADD_FAILURE() << "error " << GetLastError() << " copying the exe to " << exe;
        return false;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    std::string commandLine = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, workingDir.c_str(),
                        &startup, &info)) {
        ADD_FAILURE() << "error " << GetLastError() << " starting " << exe.size() << " bytes: " << exe;
        return false;
    }
    return true;
}

namespace {
struct FindArgs {
    DWORD processId;
    const wchar_t* className;
    const wchar_t* caption;
    std::vector<HWND> found;
};

BOOL CALLBACK FindProc(HWND window, LPARAM param)
{
    auto* args = reinterpret_cast<FindArgs*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (args->processId && pid != args->processId)
        return TRUE;
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    if (args->className && lstrcmpW(name, args->className) != 0)
        return TRUE;
    if (args->caption && WindowTextW(window) != args->caption)
        return TRUE;
    args->found.push_back(window);
    return TRUE;
}
}  // namespace

void PointerToTopRight()
{
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, 0);
}

std::vector<HWND> VisibleWindows(const wchar_t* className, DWORD processId, const wchar_t* caption)
{
    std::vector<HWND> visible;
    for (HWND window : TopWindows(className, caption, processId))
        if (IsWindowVisible(window))
            visible.push_back(window);
    return visible;
}

std::vector<HWND> TopWindows(const wchar_t* className, const wchar_t* caption, DWORD processId)
{
    FindArgs args = {processId, className, caption, {}};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

HWND OpenDialog(int templateId, DLGPROC proc, HWND parent)
{
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), parent, proc, 0);
}

namespace {

// Each control's rectangle in the dialog's client area, and the font of its first one.
std::vector<RECT> ControlRects(HWND dialog)
{
    std::vector<RECT> rects;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        rects.push_back(r);
    }
    return rects;
}

HFONT ControlFont(HWND dialog)
{
    return reinterpret_cast<HFONT>(SendMessageW(GetWindow(dialog, GW_CHILD), WM_GETFONT, 0, 0));
}

LONG FontHeight(HFONT font)
{
    LOGFONTW logFont = {};
    GetObjectW(font, sizeof(logFont), &logFont);
    return logFont.lfHeight;
}

}  // namespace

void ExpectDialogFollowsDpiChanges(HWND dialog)
{
    HDC screen = GetDC(nullptr);
    const int first = GetDeviceCaps(screen, LOGPIXELSY), other = first * 3 / 2;
    ReleaseDC(nullptr, screen);
    const std::vector<RECT> firstRects = ControlRects(dialog);
    const HFONT firstFont = ControlFont(dialog);
    const long fonts = g_live.fonts;
    RECT window;
    GetWindowRect(dialog, &window);
    for (int dpi : {other, first, other}) {
        SCOPED_TRACE(testing::Message() << "at " << dpi << " DPI");
        RECT suggested = {40, 30, 40 + MulDiv(window.right - window.left, dpi, first),
                          30 + MulDiv(window.bottom - window.top, dpi, first)};
        SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        RECT now;
        GetWindowRect(dialog, &now);
        EXPECT_TRUE(EqualRect(&suggested, &now));
        std::vector<RECT> rects = ControlRects(dialog);
        ASSERT_EQ(firstRects.size(), rects.size());
        EXPECT_EQ(MulDiv(FontHeight(firstFont), dpi, first), FontHeight(ControlFont(dialog)));
        for (size_t i = 0; i < rects.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "control " << i);
            const RECT& was = firstRects[i];
            if (dpi == first) {
                EXPECT_TRUE(EqualRect(&was, &rects[i]));
                continue;
            }
            // As the font's base units grow: about half as much again, give or take a pixel
            // of rounding and the font's own proportions.
            const LONG edges[][2] = {{was.left, rects[i].left}, {was.top, rects[i].top},
                                     {was.right - was.left, rects[i].right - rects[i].left},
                                     {was.bottom - was.top, rects[i].bottom - rects[i].top}};
            for (const auto& edge : edges)
                EXPECT_NEAR(edge[0] * 1.5, edge[1], 2 + edge[0] * 0.1) << "first " << edge[0];
        }
        // Back at the first DPI the dialog manager's own font again, and none of ours.
        if (dpi == first) {
            EXPECT_EQ(firstFont, ControlFont(dialog));
        }
        EXPECT_EQ(fonts + (dpi == first ? 0 : 1), g_live.fonts);
    }
    HFONT made = ControlFont(dialog);
    DestroyWindow(dialog);
    EXPECT_EQ(fonts, g_live.fonts);
    EXPECT_TRUE(GdiObjectDeleted(made));
}

HWND MakeWindow(const wchar_t* className, WNDPROC proc, DWORD exStyle, DWORD style)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(exStyle, className, L"", style, 0, 0, 0, 0, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    EXPECT_NE(nullptr, window) << "no window of class " << Ansi(className);
    return window;
}

HWND FindTopWindow(const wchar_t* className, const wchar_t* caption, DWORD processId)
{
    std::vector<HWND> found = TopWindows(className, caption, processId);
    return found.empty() ? nullptr : found.front();
}

HWND MorvekProcess::TrayWindow() const
{
    if (!info.hProcess)
        return nullptr;
    return FindTopWindow(L"Morvek", nullptr, info.dwProcessId);
}

bool MorvekProcess::WaitForTrayWindow(DWORD timeoutMs) const
{
    return WaitFor([&] { return TrayWindow() != nullptr; }, timeoutMs);
}

bool MorvekProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode)
{
    if (!info.hProcess || WaitForSingleObject(info.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(info.hProcess, exitCode);
    return true;
}

bool MorvekProcess::Stop()
{
    if (!info.hProcess)
        return true;
    bool ended = WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0;
    if (!ended) {
        TerminateProcess(info.hProcess, 99);
        ended = WaitForSingleObject(info.hProcess, 30000) == WAIT_OBJECT_0;
    }
    if (!ended)
        ADD_FAILURE() << "Morvek (process " << info.dwProcessId << ") did not end when stopped";
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    info = {};
    return ended;
}

void MorvekProcess::Click(UINT mouseMessage) const
{
    PostMessageA(TrayWindow(), kTrayCallbackMessage, kTrayIconId, mouseMessage);
}

HWND MorvekProcess::MenuWindow() const
{
    HWND menu = info.hProcess ? FindTopWindow(L"#32768", nullptr, info.dwProcessId) : nullptr;
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

HWND MorvekProcess::WaitForMenu(DWORD timeoutMs) const
{
    HWND menu = nullptr;
    WaitFor([&] { return (menu = MenuWindow()) != nullptr; }, timeoutMs);
    return menu;
}

bool MorvekProcess::WaitForNoMenu(DWORD timeoutMs) const
{
    return WaitFor([&] { return MenuWindow() == nullptr; }, timeoutMs);
}

HWND MorvekProcess::Dialog(const wchar_t* caption) const
{
    HWND dialog = info.hProcess ? FindTopWindow(L"#32770", caption, info.dwProcessId) : nullptr;
    return dialog && IsWindowVisible(dialog) ? dialog : nullptr;
}

HWND MorvekProcess::WaitForDialog(const wchar_t* caption, int control, DWORD timeoutMs) const
{
    HWND dialog = nullptr;
    WaitFor([&] {
        dialog = Dialog(caption);
        return dialog && (!control || GetDlgItem(dialog, control));
    }, timeoutMs);
    return dialog && (!control || GetDlgItem(dialog, control)) ? dialog : nullptr;
}

HMENU MenuOfWindow(HWND menuWindow)
{
    return reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
}

MENUITEMINFOA MenuItemAt(HMENU menu, UINT position, UINT mask)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = mask;
    info.dwItemData = 0xdeadbeef;
    info.hSubMenu = reinterpret_cast<HMENU>(0xdeadbeef);
    EXPECT_TRUE(GetMenuItemInfoA(menu, position, TRUE, &info)) << "item " << position << ", error " << GetLastError();
    return info;
}

long MorvekProcess::LiveCount(WPARAM which, DWORD timeoutMs) const
{
    DWORD_PTR result = static_cast<DWORD_PTR>(0xdeadbeef);
    if (!SendMessageTimeoutA(TrayWindow(), kQueryLiveCount, which, 0, SMTO_BLOCK, timeoutMs, &result))
        return -2;
    return static_cast<long>(static_cast<LRESULT>(result));
}

bool MorvekProcess::ClickGoingOn() const
{
    return LiveCount(kClickGoingOn, 2000) != 0;
}

int MorvekProcess::LauncherMenuHeight() const
{
    Click(WM_LBUTTONUP);
    HWND menu = WaitForMenu();
    RECT rect = {};
    if (!menu)
        return -1;
    GetWindowRect(menu, &rect);
    PostKeys(menu, {VK_ESCAPE});
    EXPECT_TRUE(WaitFor([&] { return !ClickGoingOn(); })) << "the click never ended";
    return rect.bottom - rect.top;
}

bool MorvekProcess::Running()
{
    return ExitCode(0) == kStillRunning;
}

DWORD MorvekProcess::ExitCode(DWORD timeoutMs)
{
    DWORD code = kStillRunning;
    return WaitForExit(timeoutMs, &code) ? code : kStillRunning;
}

bool MorvekProcess::StartFresh(const std::string& name, const std::string& settings,
                               const std::function<bool(const std::string&)>& prepare)
{
    std::string folder = MakeScratchDir(name);
    bool ready = (!prepare || prepare(folder)) &&
                 (settings.empty() || WriteTextFile(folder + "\\setting1.ini", settings));
    EXPECT_TRUE(ready) << "the folder " << folder << " was not made ready";
    return ready && Start(folder) && WaitForTrayWindow();
}

void SecondCopySaysSoAndEnds(const std::string& name)
{
    MorvekProcess second;
    ASSERT_TRUE(second.Start(MakeScratchDir(name)));
    HWND box = second.WaitForDialog(L"Morvek Error");
    ASSERT_NE(nullptr, box) << "the second copy showed no box";
    EXPECT_EQ(L"すでに起動しています．", MessageBoxTextOf(box));
    EXPECT_EQ(nullptr, second.TrayWindow());
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0u, second.ExitCode());
}

void PostKeys(HWND window, std::initializer_list<WPARAM> keys)
{
    for (WPARAM key : keys) {
        PostMessageA(window, WM_KEYDOWN, key, 1);
        PostMessageA(window, WM_KEYUP, key, 0xC0000001);
    }
}

LaunchRecorder::LaunchRecorder(std::string name)
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    if (name.empty())
        name = test ? std::string("recorder_") + test->test_suite_name() + "_" + test->name() : "recorder";
    for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c)) && c != '_')
            c = '_';
    dir = MakeScratchDir(name);
    EXPECT_TRUE(CopyFileA(MORVEK_RECORDER_PATH, Exe().c_str(), FALSE)) << "the recorder was not copied";
}

bool LaunchRecorder::MakeItems(const std::string& folder, const std::vector<std::string>& names) const
{
    std::string items = folder + "\\items";
    bool made = CreateDirectoryA(items.c_str(), nullptr) != FALSE;
    for (const std::string& name : names)
        made = made && MakeShortcut(items + "\\" + name + ".lnk", Exe(), name) == S_OK;
    EXPECT_TRUE(made) << "the shortcuts in " << items << " were not made";
    return made;
}

bool StartWithItems(MorvekProcess& morvek, const LaunchRecorder& recorder, const std::string& name,
                    const std::vector<std::string>& names, const std::string& settings)
{
    auto makeItems = [&](const std::string& dir) { return names.empty() || recorder.MakeItems(dir, names); };
    return morvek.StartFresh(name, settings, makeItems);
}

std::wstring WindowTextW(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring MessageBoxTextOf(HWND box)
{
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? WindowTextW(text) : std::wstring();
}

std::wstring Repeat(const std::wstring& piece, int times)
{
    std::wstring out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// The visible popup menu window ("#32768"), or null.
static HWND FindPopupMenuWindow()
{
    HWND menu = FindWindowW(L"#32768", nullptr);
    return (menu && IsWindowVisible(menu)) ? menu : nullptr;
}

long RunUnixShell(const std::string& command, DWORD timeoutMs)
{
    // The shell writes its status into a file when done; the test waits for that file.
    static int runs = 0;
    std::string status = std::string(MORVEK_TEST_TMP) + "\\shell-status-" + std::to_string(GetCurrentProcessId()) +
                         "-" + std::to_string(++runs);
    DeleteFileA(status.c_str());
    std::string unixStatus = status.substr(2);
    for (char& c : unixStatus)
        if (c == '\\')
            c = '/';
    std::string line = "\"Z:\\bin\\sh\" -c \"" + command + "; echo $? > '" + unixStatus + ".part' && mv '" +
                       unixStatus + ".part' '" + unixStatus + "'\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!WaitFor([&] { return FileExists(status); }, timeoutMs))
        return -1;
    long code = strtol(ReadTextFile(status).c_str(), nullptr, 10);
    DeleteFileA(status.c_str());
    return code;
}

namespace {

// What an owner made by CreateLauncherOwner forwards, and the LauncherOwner stepping it.
struct OwnerData {
    std::vector<UINT> forwarded;
    LauncherOwner* stepped;
};

LRESULT CALLBACK LauncherOwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* data = reinterpret_cast<OwnerData*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCDESTROY && data) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        delete data;
        data = nullptr;
    }
    LauncherOwner* owner = data ? data->stepped : nullptr;
    if (message == WM_INITMENUPOPUP && owner) {
        owner->menusOpened.push_back(reinterpret_cast<HMENU>(wParam));
        if (owner->whileOpen)
            owner->whileOpen(reinterpret_cast<HMENU>(wParam));
        if (owner->escapeAtOnce)
            PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    } else if (data && std::find(data->forwarded.begin(), data->forwarded.end(), message) != data->forwarded.end()) {
        return TrayWndProc(hwnd, message, wParam, lParam);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::function<void(HWND)> g_whenMenuOpens;
int g_ticksUntilEscape = 0;
UINT_PTR g_menuTimer = 0;

void CALLBACK MenuOpenTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND menu = FindPopupMenuWindow();
    if (g_whenMenuOpens) {
        if (!menu)
            return;
        auto act = std::move(g_whenMenuOpens);
        g_whenMenuOpens = nullptr;
        g_ticksUntilEscape = 150;
        act(menu);
        return;
    }
    // A menu that the keys left open is closed after a few seconds, so a failing test
    // does not wait for ever.
    if (!menu || --g_ticksUntilEscape <= 0) {
        KillTimer(nullptr, timer);
        g_menuTimer = 0;
        if (menu)
            PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 1);
    }
}

}  // namespace

HWND CreateLauncherOwner(std::initializer_list<UINT> forwarded)
{
    WNDCLASSW ownerClass = {};
    ownerClass.lpfnWndProc = LauncherOwnerProc;
    ownerClass.hInstance = GetModuleHandleW(nullptr);
    ownerClass.lpszClassName = L"MorvekLauncherOwner";
    RegisterClassW(&ownerClass);
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, ownerClass.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, ownerClass.hInstance, nullptr);
    if (window)
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new OwnerData{forwarded, nullptr}));
    return window;
}

void WhenMenuOpens(std::function<void(HWND menuWindow)> act)
{
    g_whenMenuOpens = std::move(act);
    // One timer at a time, also when act asks again from inside the timer.
    if (!g_menuTimer)
        g_menuTimer = SetTimer(nullptr, 0, 20, MenuOpenTimer);
}

namespace {

BOOL WINAPI Windows10Version(LPOSVERSIONINFOA info)
{
    info->dwMajorVersion = 10;
    info->dwMinorVersion = 0;
    info->dwBuildNumber = 19045;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    return TRUE;
}

}  // namespace

AppThemeSetting::AppThemeSetting(int light)
    : UserDwordSetting(L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", L"AppsUseLightTheme",
                       light),
      realVersion(g_platform.GetVersionExA)
{
    g_platform.GetVersionExA = Windows10Version;
}

AppThemeSetting::~AppThemeSetting()
{
    g_platform.GetVersionExA = realVersion;
}

UserDwordSetting::UserDwordSetting(const wchar_t* key, const wchar_t* name, int value) : key(key), name(name)
{
    DWORD size = sizeof(saved);
    hadValue = RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &saved, &size) == ERROR_SUCCESS;
    Set(value);
}

UserDwordSetting::~UserDwordSetting()
{
    Set(hadValue ? static_cast<int>(saved) : -1);
}

void UserDwordSetting::Set(int value)
{
    HKEY opened = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr));
    DWORD data = static_cast<DWORD>(value);
    if (value < 0)
        RegDeleteValueW(opened, name);
    else
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(opened, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                                sizeof(data)));
    RegCloseKey(opened);
}

std::wstring Wide(const std::string& ansi)
{
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> buffer(n > 0 ? n : 1);
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, buffer.data(), n);
    return buffer.data();
}

std::string Ansi(const std::wstring& wide)
{
    int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> buffer(n > 0 ? n : 1);
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, buffer.data(), n, nullptr, nullptr);
    return buffer.data();
}

bool MakeTree(const std::string& root, const std::vector<std::string>& paths)
{
    CreateDirectoryA(root.c_str(), nullptr);
    for (const std::string& path : paths) {
        size_t arrow = path.find('>');
        bool ok;
        if (arrow != std::string::npos) {
            std::string target = path.substr(arrow + 1);
            if (target.find(':') == std::string::npos)
                target = root + "\\" + target;
            ok = MakeShortcut(root + "\\" + path.substr(0, arrow), target) == S_OK;
        } else if (path.back() == '\\') {
            ok = CreateDirectoryA((root + "\\" + path).c_str(), nullptr) != FALSE;
        } else {
            ok = WriteTextFile(root + "\\" + path, "x");
        }
        if (!ok)
            return false;
    }
    return true;
}

std::vector<ShellEntry> ShellListing(const std::wstring& path)
{
    std::vector<ShellEntry> entries;
    IShellFolder* desktop = nullptr;
    if (SHGetDesktopFolder(&desktop) != S_OK)
        return entries;
    LPITEMIDLIST list = nullptr;
    IShellFolder* folder = nullptr;
    IEnumIDList* items = nullptr;
    std::wstring copy = path;
    if (path.empty())
        desktop->QueryInterface(IID_IShellFolder, reinterpret_cast<void**>(&folder));
    else if (desktop->ParseDisplayName(nullptr, nullptr, &copy[0], nullptr, &list, nullptr) == S_OK)
        desktop->BindToObject(list, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder));
    if (folder && folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items) == S_OK) {
        LPITEMIDLIST child = nullptr;
        while (items->Next(1, &child, nullptr) == S_OK) {
            STRRET name = {};
            wchar_t text[1024] = {};
            if (folder->GetDisplayNameOf(child, SHGDN_NORMAL, &name) == S_OK)
                StrRetToBufW(&name, child, text, 1024);
            auto* bytes = reinterpret_cast<const BYTE*>(child);
            entries.push_back({text, std::vector<BYTE>(bytes, bytes + ILGetSize(child))});
            CoTaskMemFree(child);
        }
    }
    if (items)
        items->Release();
    if (folder)
        folder->Release();
    CoTaskMemFree(list);
    desktop->Release();
    return entries;
}

std::string DesktopDir(int csidl)
{
    char path[MAX_PATH] = {};
    EXPECT_TRUE(SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE)) << "no desktop folder " << csidl;
    return path;
}

std::vector<std::string> ShellOrder(const std::string& path)
{
    std::vector<std::string> names;
    for (const ShellEntry& entry : ShellListing(Wide(path)))
        names.push_back(Ansi(entry.name));
    return names;
}

std::wstring ShortcutTarget(const std::wstring& linkPath)
{
    std::wstring target;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (file->Load(linkPath.c_str(), STGM_READ) == S_OK) {
            wchar_t path[MAX_PATH] = L"\xdead";
            if (link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH) == S_OK)
                target = path;
        }
        file->Release();
    }
    link->Release();
    return target;
}

int SmallIconIndexOf(const std::string& path)
{
    LPITEMIDLIST list = ILCreateFromPathW(Wide(path).c_str());
    int index = list ? FetchSmallIconIndex(list) : -1;
    ILFree(list);
    return index;
}

HICON SmallIconHandleOf(const std::string& path)
{
    SHFILEINFOA info = {};
    SHGetFileInfoA(path.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON);
    return info.hIcon;
}

namespace {

volatile LONG g_iconFetches = 0;
volatile LONG g_iconFlags = 0;
HANDLE g_iconRelease = nullptr;  // a manual-reset event each lookup waits for, or null
std::string g_stallOnly;          // "": every lookup waits

bool Stalls(LPCSTR path, UINT flags)
{
    if (g_stallOnly.empty())
        return true;
    char name[MAX_PATH] = {};
    if (!(flags & SHGFI_PIDL) || !SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(path), name))
        return false;
    std::string full = name;
    return full.size() >= g_stallOnly.size() &&
           full.compare(full.size() - g_stallOnly.size(), g_stallOnly.size(), g_stallOnly) == 0;
}

DWORD_PTR WINAPI CountedIconFetch(LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT size, UINT flags)
{
    InterlockedIncrement(&g_iconFetches);
    InterlockedOr(&g_iconFlags, static_cast<LONG>(flags));
    if (g_iconRelease && Stalls(path, flags))
        WaitForSingleObject(g_iconRelease, 60000);
    return ::SHGetFileInfoA(path, attributes, info, size, flags);
}

}  // namespace

IconFetches::IconFetches(bool stall, const char* stallOnly)
{
    g_stallOnly = stallOnly ? stallOnly : "";
    g_iconFetches = 0;
    g_iconFlags = 0;
    g_iconRelease = stall ? CreateEventW(nullptr, TRUE, FALSE, nullptr) : nullptr;
    g_platform.SHGetFileInfoA = CountedIconFetch;
}

IconFetches::~IconFetches()
{
    Release();
    g_platform.SHGetFileInfoA = ::SHGetFileInfoA;
}

long IconFetches::Count() const
{
    return g_iconFetches;
}

UINT IconFetches::FlagsSeen() const
{
    return static_cast<UINT>(g_iconFlags);
}

void IconFetches::Release()
{
    if (g_iconRelease)
        SetEvent(g_iconRelease);
}

int ThreadsOfProcess()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int threads = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        threads += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return threads;
}

LauncherOwner::LauncherOwner()
    : window(CreateLauncherOwner({WM_MENUCHAR, WM_MEASUREITEM, WM_DRAWITEM, kTrayCallbackMessage, kLauncherBuilt, kLauncherIconCame}))
{
    reinterpret_cast<OwnerData*>(GetWindowLongPtrW(window, GWLP_USERDATA))->stepped = this;
}

LauncherOwner::~LauncherOwner()
{
    // Late icons from its builds are dropped, not posted to a window that is gone.
    SendLateIconsTo(nullptr, 0);
    DestroyWindow(window);
}

bool LauncherOwner::Step(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    int exitCode = 0;
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        if (!TrayLoopStep(window, 20, &exitCode))
            return false;
    }
    return true;
}

std::string ShortcutTarget(const std::string& linkPath)
{
    return Ansi(ShortcutTarget(Wide(linkPath)));
}

void FreeMenuExpectingNothingLeft(HMENU menu, LaunchEntry* head, const LiveCounts& before)
{
    FreeFolderMenu(menu, head);
    EXPECT_EQ(nullptr, g_launcher.recordListHead);
    EXPECT_EQ(before.idLists, g_live.idLists) << "item-ID lists left over";
    EXPECT_EQ(before.icons, g_live.icons) << "icons left over";
}

bool GdiObjectDeleted(HGDIOBJ object)
{
    return GetObjectType(object) == 0;
}

namespace {

GdiCreations* g_gdiCreations;
HFONT(WINAPI* g_createFontIndirectA)(const LOGFONTA*);
HBRUSH(WINAPI* g_createSolidBrush)(COLORREF);

HFONT WINAPI RecordCreateFontIndirectA(const LOGFONTA* logFont)
{
    HFONT font = g_createFontIndirectA(logFont);
    if (g_gdiCreations && font)
        g_gdiCreations->fonts.push_back(font);
    return font;
}

HBRUSH WINAPI RecordCreateSolidBrush(COLORREF colour)
{
    HBRUSH brush = g_createSolidBrush(colour);
    if (g_gdiCreations && brush)
        g_gdiCreations->brushes.push_back(brush);
    return brush;
}

}  // namespace

// See "Import Address Table" in the PE format.
void* RedirectImport(const char* dll, const char* name, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; module->Name; ++module) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + module->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<char*>(byName->Name), name) != 0)
                continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &protection);
            void* previous = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), protection, &protection);
            return previous;
        }
    }
    return nullptr;
}

GdiCreations::GdiCreations()
{
    if (!g_createFontIndirectA) {
        g_createFontIndirectA = reinterpret_cast<decltype(g_createFontIndirectA)>(
            RedirectImport("gdi32.dll", "CreateFontIndirectA", reinterpret_cast<void*>(RecordCreateFontIndirectA)));
        g_createSolidBrush = reinterpret_cast<decltype(g_createSolidBrush)>(
            RedirectImport("gdi32.dll", "CreateSolidBrush", reinterpret_cast<void*>(RecordCreateSolidBrush)));
    }
    EXPECT_TRUE(g_createFontIndirectA && g_createSolidBrush) << "the program's GDI imports were not found";
    EXPECT_EQ(nullptr, g_gdiCreations) << "one GdiCreations at a time";
    g_gdiCreations = this;
}

GdiCreations::~GdiCreations()
{
    g_gdiCreations = nullptr;
}

std::vector<HGDIOBJ> GdiCreations::Alive() const
{
    std::vector<HGDIOBJ> alive;
    for (const auto* list : {&fonts, &brushes})
        for (HGDIOBJ object : *list)
            if (!GdiObjectDeleted(object))
                alive.push_back(object);
    return alive;
}

DibCanvas::DibCanvas(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels = static_cast<DWORD*>(bits);
    previous = SelectObject(dc, bitmap);
}

DibCanvas::~DibCanvas()
{
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

SIZE MenuTextExtent(const std::wstring& text, const LOGFONTA& font)
{
    HDC dc = GetDC(nullptr);
    HFONT made = CreateFontIndirectA(&font);
    HGDIOBJ previous = SelectObject(dc, made);
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    DeleteObject(made);
    ReleaseDC(nullptr, dc);
    return size;
}

MEASUREITEMSTRUCT MeasureItem(HWND owner, UINT id, ULONG_PTR data)
{
    MEASUREITEMSTRUCT mis = {ODT_MENU, 0, id, 0xdeadbeef, 0xdeadbeef, data};
    MeasureLauncherItem(owner, &mis);
    return mis;
}

void DrawItem(HWND owner, UINT id, ULONG_PTR data, HDC dc, const RECT& rect, UINT state)
{
    DRAWITEMSTRUCT dis = {ODT_MENU, 0, id, ODA_DRAWENTIRE, state, nullptr, dc, rect, data};
    DrawLauncherItem(owner, &dis);
}

std::string TestItemsDir()
{
    return TestExeDir() + "items";
}

bool MakeItems(const std::vector<std::string>& paths)
{
    RemoveTree(TestItemsDir());
    return MakeTree(TestItemsDir(), paths);
}

std::string TestSettingsPath()
{
    return TestExeDir() + "setting1.ini";
}

void HoldKey(int virtualKey)
{
    BYTE keys[256] = {};
    if (virtualKey)
        keys[virtualKey] = 0x80;
    SetKeyboardState(keys);
}

namespace {
BoxRecorder* g_boxRecorder;

int WINAPI RecordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    BoxRecorder* recorder = g_boxRecorder;
    recorder->shown.push_back({owner, text ? text : L"", caption ? caption : L"", type,
                               CountShortcuts(TestItemsDir())});
    RecordedBox box = recorder->shown.back();
    std::function<void()> during = std::move(recorder->duringNextBox);
    recorder->duringNextBox = nullptr;
    if (during)
        during();
    return recorder->onBox ? recorder->onBox(box) : IDOK;
}
}  // namespace

int CountShortcuts(const std::string& folder)
{
    int count = 0;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*.lnk").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do
        ++count;
    while (FindNextFileA(find, &data));
    FindClose(find);
    return count;
}

BoxRecorder::BoxRecorder()
{
    EXPECT_EQ(nullptr, g_boxRecorder) << "one BoxRecorder at a time";
    g_boxRecorder = this;
    g_platform.MessageBoxW = RecordBox;
}

BoxRecorder::~BoxRecorder()
{
    g_platform = RealPlatformCalls();
    g_boxRecorder = nullptr;
}

namespace {

bool TrayIconCall(HWND window, DWORD what)
{
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = kTrayIconId;
    return Shell_NotifyIconA(what, &record) != FALSE;
}

}  // namespace

bool TrayIconExists(HWND window)
{
    return TrayIconCall(window, NIM_MODIFY);
}

bool DeleteTrayIcon(HWND window)
{
    return TrayIconCall(window, NIM_DELETE);
}

void RewriteKeepingTimes(const std::string& path, const char* content)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    WriteTextFile(path, content);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, &data.ftCreationTime, &data.ftLastAccessTime, &data.ftLastWriteTime);
    CloseHandle(file);
}

bool TakeQuitMessage()
{
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}
