// Driving the built exe under Wine.
#include "exe_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "app/tray_window.h"
#include "core/live_counts.h"
#include "recorders.h"

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
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    if ((!args->processId || pid == args->processId) && (!args->className || lstrcmpW(name, args->className) == 0) &&
        (!args->caption || WindowTextW(window) == args->caption))
        args->found.push_back(window);
    return TRUE;
}

std::vector<HWND> TopWindows(const wchar_t* className, const wchar_t* caption, DWORD processId)
{
    FindArgs args = {processId, className, caption, {}};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

// The first such window, when it is visible.
HWND VisibleTopWindow(const wchar_t* className, const wchar_t* caption, DWORD processId)
{
    HWND window = FindTopWindow(className, caption, processId);
    return window && IsWindowVisible(window) ? window : nullptr;
}

// Each control's rectangle in the dialog's client area.
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

const char* BuiltMorvek()
{
    const char* named = getenv("MORVEK_EXE_UNDER_TEST");
    return named && *named ? named : MORVEK_EXE_PATH;
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

bool MorvekProcess::StartFresh(const std::string& name, const std::string& settings,
                               const std::function<bool(const std::string&)>& prepare)
{
    std::string folder = MakeScratchDir(name);
    bool ready = (!prepare || prepare(folder)) &&
                 (settings.empty() || WriteTextFile(folder + "\\setting1.ini", settings));
    EXPECT_TRUE(ready) << "the folder " << folder << " was not made ready";
    return ready && Start(folder) && WaitForTrayWindow();
}

HWND MorvekProcess::TrayWindow() const
{
    return info.hProcess ? FindTopWindow(L"Morvek", nullptr, info.dwProcessId) : nullptr;
}

bool MorvekProcess::Stop()
{
    if (!info.hProcess)
        return true;
    TerminateProcess(info.hProcess, 99);  // refused, harmlessly, when it has ended
    bool ended = WaitForSingleObject(info.hProcess, 30000) == WAIT_OBJECT_0;
    if (!ended)
        ADD_FAILURE() << "Morvek (process " << info.dwProcessId << ") did not end when stopped";
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    info = {};
    return ended;
}

DWORD MorvekProcess::ExitCode(DWORD timeoutMs)
{
    DWORD code = kStillRunning;
    bool ended = info.hProcess && WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0 &&
                 GetExitCodeProcess(info.hProcess, &code);
    return ended ? code : kStillRunning;
}

HWND MorvekProcess::MenuWindow() const
{
    return info.hProcess ? VisibleTopWindow(L"#32768", nullptr, info.dwProcessId) : nullptr;
}

HWND MorvekProcess::WaitForMenu(DWORD timeoutMs) const
{
    HWND menu = nullptr;
    WaitFor([&] { return (menu = MenuWindow()) != nullptr; }, timeoutMs);
    return menu;
}

HWND MorvekProcess::Dialog(const wchar_t* caption) const
{
    return info.hProcess ? VisibleTopWindow(L"#32770", caption, info.dwProcessId) : nullptr;
}

HWND MorvekProcess::WaitForDialog(const wchar_t* caption, int control, DWORD timeoutMs) const
{
    HWND found = nullptr;
    WaitFor([&] {
        HWND dialog = Dialog(caption);
        found = dialog && (!control || GetDlgItem(dialog, control)) ? dialog : nullptr;
        return found != nullptr;
    }, timeoutMs);
    return found;
}

long MorvekProcess::LiveCount(WPARAM which, DWORD timeoutMs) const
{
    DWORD_PTR result = static_cast<DWORD_PTR>(0xdeadbeef);
    bool answered = SendMessageTimeoutA(TrayWindow(), kQueryLiveCount, which, 0, SMTO_BLOCK, timeoutMs, &result);
    return answered ? static_cast<long>(static_cast<LRESULT>(result)) : -2;
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

void ExpectCentredOnDesktop(HWND window)
{
    RECT desktop, own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    EXPECT_EQ((desktop.right - (own.right - own.left)) / 2, own.left);
    EXPECT_EQ((desktop.bottom - (own.bottom - own.top)) / 2, own.top);
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

std::string LaunchRecorder::WaitForLaunches(size_t lines, DWORD timeoutMs) const
{
    std::string text;
    WaitFor([&] {
        text = Launched();
        return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= lines;
    }, timeoutMs);
    return text;
}

std::vector<std::string> LaunchRecorder::Shortcuts(const std::vector<std::string>& names) const
{
    std::vector<std::string> paths;
    for (const std::string& name : names)
        paths.push_back(name + ".lnk>" + Exe() + "|" + name);
    return paths;
}

bool StartWithItems(MorvekProcess& morvek, const LaunchRecorder& recorder, const std::string& name,
                    const std::vector<std::string>& names, const std::string& settings)
{
    auto makeItems = [&](const std::string& dir) {
        return names.empty() || MakeItems(recorder.Shortcuts(names), dir + "\\items");
    };
    return morvek.StartFresh(name, settings, makeItems);
}

void PostKeys(HWND window, std::initializer_list<WPARAM> keys)
{
    for (WPARAM key : keys) {
        PostMessageA(window, WM_KEYDOWN, key, 1);
        PostMessageA(window, WM_KEYUP, key, 0xC0000001);
    }
}

HWND FindTopWindow(const wchar_t* className, const wchar_t* caption, DWORD processId)
{
    std::vector<HWND> found = TopWindows(className, caption, processId);
    return found.empty() ? nullptr : found.front();
}

std::vector<HWND> VisibleWindows(const wchar_t* className, DWORD processId, const wchar_t* caption)
{
    std::vector<HWND> visible = TopWindows(className, caption, processId);
    visible.erase(std::remove_if(visible.begin(), visible.end(), [](HWND w) { return !IsWindowVisible(w); }),
                  visible.end());
    return visible;
}

std::wstring WindowTextW(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
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
            // As the font's base units grow: half as much again, give or take a pixel of
            // rounding and the font's own proportions.
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

bool TrayIconCall(HWND window, DWORD what)
{
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = kTrayIconId;
    return Shell_NotifyIconA(what, &record) != FALSE;
}

long RunUnixShell(const std::string& command, DWORD timeoutMs)
{
    // The shell writes its status into a file when done; the test waits for that file.
    static int runs = 0;
    std::string status = std::string(MORVEK_TEST_TMP) + "\\shell-status-" + std::to_string(GetCurrentProcessId()) +
                         "-" + std::to_string(++runs);
    DeleteFileA(status.c_str());
    std::string unixStatus = status.substr(2);
    std::replace(unixStatus.begin(), unixStatus.end(), '\\', '/');
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
