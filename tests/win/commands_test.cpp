// The main menu's commands in process: recorders stand in for the session, power, token,
// version, CD and message-box calls; the screen saver and the taskbar are real windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/platform_calls.h"
#include "app/tray_window.h"
#include "commands/dispatch.h"
#include "commands/power.h"
#include "commands/shell_actions.h"
#include "test_support.h"

namespace {

// What the recorders saw, one line per call, and how they answer.
std::vector<std::wstring> g_log;
HWND g_boxOwner;
int g_boxAnswer;
DWORD g_platformId;
BOOL g_tokenOpens;
DWORD g_adjustError;
BOOL g_exitSucceeds;
HANDLE const kFakeToken = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x7e57));
HWND const kNoBoxOwner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0xdeadbeef));

std::wstring Number(unsigned long long value) { return std::to_wstring(value); }
std::wstring Ptr(const void* pointer) { return pointer ? L"ptr" : L"null"; }

std::wstring Hex(unsigned long long value)
{
    wchar_t text[32];
    wsprintfW(text, L"0x%x", static_cast<unsigned>(value));
    return text;
}

int WINAPI RecordMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    g_boxOwner = owner;
    g_log.push_back(L"MessageBoxW(" + std::wstring(text) + L"|" + caption + L"|" + Hex(type) + L")");
    return g_boxAnswer;
}

BOOL WINAPI RecordExitWindowsEx(UINT flags, DWORD reason)
{
    g_log.push_back(L"ExitWindowsEx(" + Number(flags) + L"," + Number(reason) + L")");
    if (!g_exitSucceeds)
        SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return g_exitSucceeds;
}

BOOL WINAPI RecordSetSystemPowerState(BOOL suspend, BOOL force)
{
    g_log.push_back(L"SetSystemPowerState(" + Number(suspend) + L"," + Number(force) + L")");
    return TRUE;
}

BOOL WINAPI RecordOpenProcessToken(HANDLE process, DWORD access, PHANDLE token)
{
    g_log.push_back(L"OpenProcessToken(" + std::wstring(process == GetCurrentProcess() ? L"self" : L"other") +
                    L"," + Hex(access) + L")");
    if (!g_tokenOpens) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    *token = kFakeToken;
    return TRUE;
}

BOOL WINAPI RecordLookupPrivilegeValueA(LPCSTR system, LPCSTR name, PLUID luid)
{
    g_log.push_back(L"LookupPrivilegeValueA(" + Ptr(system) + L"," + Wide(name) + L")");
    luid->LowPart = 19;
    luid->HighPart = 0;
    return TRUE;
}

BOOL WINAPI RecordAdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES state, DWORD length,
                                        PTOKEN_PRIVILEGES previous, PDWORD returned)
{
    g_log.push_back(L"AdjustTokenPrivileges(" + std::wstring(token == kFakeToken ? L"token" : L"other") + L"," +
                    Number(disableAll) + L",{" + Number(state->PrivilegeCount) + L"," +
                    Number(state->Privileges[0].Luid.LowPart) + L"," + Number(state->Privileges[0].Attributes) +
                    L"}," + Number(length) + L"," + Ptr(previous) + L"," + Ptr(returned) + L")");
    // Like the real call: success, with the last error telling whether it took.
    SetLastError(g_adjustError);
    return TRUE;
}

BOOL WINAPI RecordCloseHandle(HANDLE handle)
{
    g_log.push_back(L"CloseHandle(" + std::wstring(handle == kFakeToken ? L"token" : L"other") + L")");
    return TRUE;
}

BOOL WINAPI RecordGetVersionExA(LPOSVERSIONINFOA info)
{
    g_log.push_back(L"GetVersionExA(" + Number(info->dwOSVersionInfoSize) + L")");
    info->dwMajorVersion = 5;
    info->dwPlatformId = g_platformId;
    return TRUE;
}

MCIERROR WINAPI RecordMciSendStringA(LPCSTR command, LPSTR result, UINT length, HWND callback)
{
    g_log.push_back(L"mciSendStringA(" + Wide(command) + L"," + Ptr(result) + L"," + Number(length) + L"," +
                    Ptr(callback) + L")");
    return 0;
}

std::wstring Lines(const std::vector<std::wstring>& lines)
{
    std::wstring text;
    for (const auto& line : lines)
        text += line + L"\n";
    return text;
}

// Every SC_SCREENSAVE that reaches the test's window; the screen saver itself is not started.
int g_screenSaveRequests;

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_SCREENSAVE) {
        ++g_screenSaveRequests;
        return 0;
    }
    // Only the command goes through the tray window's procedure: its WM_CREATE and
    // WM_DESTROY would add a tray icon and post the quit message.
    if (message == WM_COMMAND)
        return TrayWndProc(hwnd, message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

const std::wstring kPrivilegeCalls[] = {
    L"OpenProcessToken(self,0x28)",
    L"LookupPrivilegeValueA(null,SeShutdownPrivilege)",
    L"AdjustTokenPrivileges(token,0,{1,19,2},0,null,null)",
    L"CloseHandle(token)",
};

std::vector<std::wstring> OnNT(std::vector<std::wstring> action)
{
    std::vector<std::wstring> calls = {L"GetVersionExA(148)"};
    calls.insert(calls.end(), std::begin(kPrivilegeCalls), std::end(kPrivilegeCalls));
    calls.insert(calls.end(), action.begin(), action.end());
    return calls;
}

class Commands : public testing::Test {
protected:
    PlatformCalls saved = g_platform;
    std::string settingsPath = TestExeDir() + "setting1.ini";
    HWND window = nullptr;

    void SetUp() override
    {
        g_platform.MessageBoxW = RecordMessageBox;
        g_platform.ExitWindowsEx = RecordExitWindowsEx;
        g_platform.SetSystemPowerState = RecordSetSystemPowerState;
        g_platform.OpenProcessToken = RecordOpenProcessToken;
        g_platform.LookupPrivilegeValueA = RecordLookupPrivilegeValueA;
        g_platform.AdjustTokenPrivileges = RecordAdjustTokenPrivileges;
        g_platform.CloseHandle = RecordCloseHandle;
        g_platform.GetVersionExA = RecordGetVersionExA;
        g_platform.mciSendStringA = RecordMciSendStringA;
        Reset();
        DeleteFileA(settingsPath.c_str());
        window = MakeWindow(L"MorvekCommandsTest", TestWindowProc);
        ASSERT_NE(nullptr, window);
    }

    void TearDown() override
    {
        g_platform = saved;
        DeleteFileA(settingsPath.c_str());
        DestroyWindow(window);
        TakeQuitMessage();
    }

    void Reset()
    {
        g_log.clear();
        g_boxOwner = kNoBoxOwner;
        g_boxAnswer = IDOK;
        g_platformId = VER_PLATFORM_WIN32_NT;
        g_tokenOpens = TRUE;
        g_adjustError = ERROR_SUCCESS;
        g_exitSucceeds = TRUE;
        g_screenSaveRequests = 0;
    }

    void Command(unsigned id) { SendMessageA(window, WM_COMMAND, id, 0); }
};

struct CommandRow {
    WPARAM wParam;
    const char* settings;                // the settings file; null: none
    const wchar_t* question;             // null: runs without asking
    std::vector<std::wstring> onOk;      // the recorded calls after the question
    bool exitRefused = false;            // ExitWindowsEx fails
};

TEST_F(Commands, EachCommandAsksThenActsOnlyOnOk)
{
    const char* const kAsks = "[Exit]\r\nMessage=1\r\n[MyComputer]\r\nFolderView=1\r\n";
    const CommandRow rows[] = {
        {40002, nullptr, L"シャットダウンしますか？", OnNT({L"ExitWindowsEx(8,0)"})},
        {40005, nullptr, L"再起動しますか？", OnNT({L"ExitWindowsEx(2,0)"})},
        {40006, nullptr, L"ログオフしますか？", {L"ExitWindowsEx(0,0)"}},
        {40006, nullptr, L"ログオフしますか？",
         {L"ExitWindowsEx(0,0)", L"MessageBoxW(ログオフは拒否されました。|Morvek Error|0x30)"}, true},
        {40009, nullptr, L"休止状態にしますか？", OnNT({L"SetSystemPowerState(0,0)"})},
        {40019, nullptr, nullptr, OnNT({L"SetSystemPowerState(1,0)"})},
        {40007, nullptr, nullptr,
         {L"mciSendStringA(stop cdaudio,null,0,null)", L"mciSendStringA(close cdaudio,null,0,null)",
          L"mciSendStringA(set cdaudio door open,null,0,null)"}},
        {40008, nullptr, nullptr, {L"mciSendStringA(set cdaudio door closed,null,0,null)"}},
        // The quit question follows the settings file, read when the command runs. (The
        // dialog commands would wait for a person; the others are checked on real windows.)
        {40003, nullptr, nullptr, {}},
        {40003, "[Exit]\r\nMessage=0\r\n", nullptr, {}},
        {40003, "[Exit]\r\nMessage=1\r\n", L"Morvekを終了しますか？", {}},
        {40003, "[EXIT]\r\nMessage=2\r\n", L"Morvekを終了しますか？", {}},
        // Ids without a command do nothing, whatever the file says; only the low 16 bits are
        // the command, a notification code above them changes nothing.
        {1013, kAsks, nullptr, {}}, {1017, kAsks, nullptr, {}}, {2000, kAsks, nullptr, {}}, {0, kAsks, nullptr, {}},
        {40004, kAsks, nullptr, {}}, {MAKEWPARAM(1013, BN_CLICKED), kAsks, nullptr, {}},
        {MAKEWPARAM(0, 1), kAsks, nullptr, {}},
        {MAKEWPARAM(40008, 1), nullptr, nullptr, {L"mciSendStringA(set cdaudio door closed,null,0,null)"}},
    };
    for (const CommandRow& row : rows) {
        for (int answer : {IDCANCEL, IDOK}) {
            SCOPED_TRACE(testing::Message() << "wParam " << row.wParam << " settings "
                                            << (row.settings ? row.settings : "none") << " answer " << answer);
            Reset();
            g_boxAnswer = answer;
            g_exitSucceeds = !row.exitRefused;
            if (row.settings)
                ASSERT_TRUE(WriteTextFile(settingsPath, row.settings));
            else
                DeleteFileA(settingsPath.c_str());
            HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr);
            g_app.instanceMutex = mutex;
            EXPECT_EQ(0, SendMessageA(window, WM_COMMAND, row.wParam, 0));
            std::vector<std::wstring> expected;
            if (row.question)
                expected.push_back(L"MessageBoxW(" + std::wstring(row.question) + L"|確認 by Morvek|0x21)");
            bool runs = !row.question || answer == IDOK;
            if (runs)
                expected.insert(expected.end(), row.onOk.begin(), row.onOk.end());
            EXPECT_EQ(Lines(expected), Lines(g_log));
            EXPECT_EQ(row.question ? window : kNoBoxOwner, g_boxOwner);
            bool quits = row.wParam == 40003 && runs;
            EXPECT_EQ(quits, TakeQuitMessage());
            EXPECT_EQ(quits, g_app.instanceMutex == nullptr);
            EXPECT_EQ(0, g_screenSaveRequests);
            EXPECT_TRUE(IsWindow(window));
            if (!quits) {
                ReleaseMutex(mutex);
                CloseHandle(mutex);
            }
            g_app.instanceMutex = nullptr;
        }
    }
}

struct PowerRow {
    const char* name;
    DWORD platform;
    BOOL tokenOpens;
    DWORD adjustError;
    BOOL exitSucceeds;
    int (*call)();
    std::vector<std::wstring> calls;
    int result;
};

TEST_F(Commands, PowerAsksForThePrivilegeOnNTOnlyAndStopsWhenRefused)
{
    const DWORD nt = VER_PLATFORM_WIN32_NT, win9x = VER_PLATFORM_WIN32_WINDOWS;
    auto powerOff = [] { return PowerOffSystem(FALSE); };
    auto powerOffForced = [] { return PowerOffSystem(TRUE); };
    auto reboot = [] { return RebootSystem(FALSE); };
    auto rebootForced = [] { return RebootSystem(TRUE); };
    const std::wstring version = L"GetVersionExA(148)";
    const std::wstring openToken = kPrivilegeCalls[0];
    const PowerRow rows[] = {
        {"off nt forced", nt, TRUE, 0, TRUE, powerOffForced, OnNT({L"ExitWindowsEx(12,0)"}), 0},
        {"off 9x", win9x, TRUE, 0, TRUE, powerOff, {version, L"ExitWindowsEx(1,0)"}, 0},
        {"off 9x forced", win9x, TRUE, 0, TRUE, powerOffForced, {version, L"ExitWindowsEx(5,0)"}, 0},
        {"off win32s", VER_PLATFORM_WIN32s, TRUE, 0, TRUE, powerOff, {version, L"ExitWindowsEx(1,0)"}, 0},
        {"off refused", nt, TRUE, 0, FALSE, powerOff, OnNT({L"ExitWindowsEx(8,0)"}), ERROR_PRIVILEGE_NOT_HELD},
        {"reboot nt forced", nt, TRUE, 0, TRUE, rebootForced, OnNT({L"ExitWindowsEx(6,0)"}), 0},
        {"reboot 9x", win9x, TRUE, 0, TRUE, reboot, {version, L"ExitWindowsEx(2,0)"}, 0},
        {"hibernate 9x", win9x, TRUE, 0, TRUE, HibernateSystem, {version, L"SetSystemPowerState(0,0)"}, 1},
        {"standby 9x", win9x, TRUE, 0, TRUE, StandbySystem, {version, L"SetSystemPowerState(1,0)"}, 1},
        // Privilege not granted: the token is closed and nothing else happens.
        {"off not assigned", nt, TRUE, ERROR_NOT_ALL_ASSIGNED, TRUE, powerOff, OnNT({}), -1},
        {"hibernate not assigned", nt, TRUE, ERROR_NOT_ALL_ASSIGNED, TRUE, HibernateSystem, OnNT({}), -1},
        {"standby not assigned", nt, TRUE, ERROR_NOT_ALL_ASSIGNED, TRUE, StandbySystem, OnNT({}), -1},
        // No token at all: nothing to close.
        {"off no token", nt, FALSE, 0, TRUE, powerOff, {version, openToken}, -1},
        {"standby no token", nt, FALSE, 0, TRUE, StandbySystem, {version, openToken}, -1},
    };
    for (const PowerRow& row : rows) {
        SCOPED_TRACE(row.name);
        Reset();
        g_platformId = row.platform;
        g_tokenOpens = row.tokenOpens;
        g_adjustError = row.adjustError;
        g_exitSucceeds = row.exitSucceeds;
        SetLastError(0xdeadbeef);
        EXPECT_EQ(row.result, row.call());
        EXPECT_EQ(Lines(row.calls), Lines(g_log));
    }
}

TEST_F(Commands, PrivilegeResults)
{
    EXPECT_EQ(0, EnableShutdownPrivilege());
    g_adjustError = ERROR_NOT_ALL_ASSIGNED;
    EXPECT_EQ(1, EnableShutdownPrivilege());
    g_tokenOpens = FALSE;
    EXPECT_EQ(-1, EnableShutdownPrivilege());
}

// Restores the screen saver switch the test changes.
struct ScreenSaverSwitch {
    BOOL original = FALSE;
    ScreenSaverSwitch() { SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &original, 0); }
    ~ScreenSaverSwitch() { SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, original, nullptr, 0); }
};

TEST_F(Commands, ScreenSaverStartsOnlyWhenOneIsActive)
{
    ScreenSaverSwitch restore;
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0));
    Command(40018);
    EXPECT_EQ(0, g_screenSaveRequests);
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0));
    Command(40018);
    EXPECT_EQ(1, g_screenSaveRequests);
    EXPECT_EQ(L"", Lines(g_log));
}

// A stand-in taskbar that records the commands posted to it.
std::vector<std::pair<WPARAM, LPARAM>> g_taskbarCommands;

LRESULT CALLBACK TaskbarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        g_taskbarCommands.emplace_back(wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(Commands, MinimizeAllPostsTheTaskbarItsCommand)
{
    // Wine's desktop has a taskbar window of its own; a topmost one comes first.
    HWND taskbar = MakeWindow(L"Shell_TrayWnd", TaskbarProc, WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    ASSERT_NE(nullptr, taskbar);
    ASSERT_EQ(taskbar, FindWindowA("Shell_TrayWnd", nullptr));
    g_taskbarCommands.clear();
    Command(40022);
    EXPECT_TRUE(WaitFor([] { return !g_taskbarCommands.empty(); }, 5000));
    ASSERT_EQ(1u, g_taskbarCommands.size());
    EXPECT_EQ(415u, g_taskbarCommands[0].first);
    EXPECT_EQ(0, g_taskbarCommands[0].second);
    DestroyWindow(taskbar);
    UnregisterClassW(L"Shell_TrayWnd", GetModuleHandleW(nullptr));
}

// On a desktop of its own, where no taskbar was ever created, the thread's queue stays
// empty: nothing is posted to a null window.
DWORD WINAPI MinimizeWithoutTaskbar(void* result)
{
    char name[64];
    wsprintfA(name, "morvek_no_taskbar_%lu_%lu", GetCurrentProcessId(), GetTickCount());
    HDESK desktop = CreateDesktopA(name, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    auto* outcome = static_cast<int*>(result);
    if (!desktop || !SetThreadDesktop(desktop)) {
        *outcome = -1;
        return 0;
    }
    if (FindWindowA("Shell_TrayWnd", nullptr)) {
        *outcome = -2;
    } else {
        MinimizeAllWindows();
        MSG msg;
        *outcome = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) ? 1 : 0;
    }
    return 0;
}

TEST(MinimizeAll, WithoutATaskbarNothingIsPosted)
{
    int outcome = 0xdeadbeef;
    HANDLE thread = CreateThread(nullptr, 0, MinimizeWithoutTaskbar, &outcome, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 30000));
    CloseHandle(thread);
    EXPECT_EQ(0, outcome) << "-1: no desktop, -2: the new desktop has a taskbar, 1: a message was posted";
}

TEST(OpenSpecialFolder, FalseWhenTheShellHasNoSuchFolder)
{
    EXPECT_FALSE(OpenSpecialFolder("open", 0xFE));
}

}  // namespace

TEST(PlatformCalls, TheMultimediaCallComesFromTheSystemFolderOnFirstUse)
{
    // Not imported: nothing has loaded the library before the first CD command. A decoy
    // lies beside the program, where a plain search would find it first.
    EXPECT_EQ(nullptr, GetModuleHandleW(L"winmm.dll"));
    std::string decoy = TestExeDir() + "winmm.dll";
    ASSERT_TRUE(CopyFileA(MORVEK_DECOY_DLL_PATH, decoy.c_str(), FALSE));
    RealPlatformCalls().mciSendStringA("status cdaudio ready", nullptr, 0, nullptr);
    EXPECT_TRUE(DeleteFileA(decoy.c_str())) << "the decoy is in use";
    HMODULE winmm = GetModuleHandleW(L"winmm.dll");
    ASSERT_NE(nullptr, winmm);
    wchar_t loaded[MAX_PATH] = L"poison", system[MAX_PATH] = L"";
    GetModuleFileNameW(winmm, loaded, MAX_PATH);
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(CSTR_EQUAL, CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, loaded, length, system, length))
        << Ansi(loaded);
}
