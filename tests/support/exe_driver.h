// Driving the built exe as a person would: starting Morvek, the launch recorder, finding
// windows and message boxes, keys, the pointer, the Linux shell.
#pragma once
#include <initializer_list>

#include "files.h"
#include "tray/tray_icon.h"

// The Morvek.exe under test: the 64-bit build beside the tests, or MORVEK_EXE_UNDER_TEST.
const char* BuiltMorvek();

// The built exe copied into a folder and run in WorkingDir(); ended by handle on Stop.
struct MorvekProcess {
    PROCESS_INFORMATION info = {};
    std::string dir;
    bool Start(const std::string& folder, const char* builtExe = BuiltMorvek())
    {
        dir = folder;
        return StartAt(folder + "\\Morvek.exe", WorkingDir(), builtExe);
    }
    // Copied to exePath (of any length Windows takes) and started there.
    bool StartAt(const std::string& exePath, const std::string& workingDir, const char* builtExe = BuiltMorvek());
    // Started in the fresh scratch folder `name`, made ready by prepare and given this
    // settings file; true once its tray window is up.
    bool StartFresh(const std::string& name, const std::string& settings = "",
                    const std::function<bool(const std::string&)>& prepare = nullptr);
    HWND TrayWindow() const;  // its hidden "Morvek" window
    bool WaitForTrayWindow(DWORD timeoutMs = 15000) const
    {
        return WaitFor([&] { return TrayWindow() != nullptr; }, timeoutMs);
    }
    // False, and a test failure, when it does not end (it would keep the single-instance mutex).
    bool Stop();
    ~MorvekProcess() { Stop(); }
    static constexpr DWORD kStillRunning = 0xDEADBEEF;
    DWORD ExitCode(DWORD timeoutMs = 10000);  // kStillRunning when not ended by then
    bool Running() { return ExitCode(0) == kStillRunning; }

    // The tray callback, as the shell sends it.
    void Click(UINT mouseMessage) const { PostMessageA(TrayWindow(), kTrayCallbackMessage, kTrayIconId, mouseMessage); }
    // Its visible popup menu window ("#32768"), or null.
    HWND MenuWindow() const;
    HWND WaitForMenu(DWORD timeoutMs = 10000) const;
    bool WaitForNoMenu(DWORD timeoutMs = 10000) const
    {
        return WaitFor([&] { return MenuWindow() == nullptr; }, timeoutMs);
    }
    // Its visible dialog or message box of this caption (any when null): a message box is
    // shown once its text is set. WaitForDialog also waits for the control of this id.
    HWND Dialog(const wchar_t* caption) const;
    HWND WaitForDialog(const wchar_t* caption, int control = 0, DWORD timeoutMs = 10000) const;
    // One of its tray window's live counts (app/tray_window.h); -2 when it does not answer.
    long LiveCount(WPARAM which, DWORD timeoutMs = 10000) const;
    bool ClickGoingOn() const { return LiveCount(4, 2000) != 0; }  // the fifth count says so
    // The height of the next launcher menu's window, dismissed again; -1 without a menu.
    int LauncherMenuHeight() const;
};

// A second copy, started in the fresh scratch folder `name`, shows its box and no tray
// window, and ends with 0 once the box is answered.
void SecondCopySaysSoAndEnds(const std::string& name);

// The launch recorder (tests/helpers) in a scratch folder named after the test, outside
// every Morvek folder: its record changes nothing a Morvek watches.
struct LaunchRecorder {
    std::string dir;
    explicit LaunchRecorder(std::string name = "");
    std::string Exe() const { return dir + "\\recorder.exe"; }
    std::string RecordPath() const { return dir + "\\launched.txt"; }
    std::string Launched() const { return ReadTextFile(RecordPath()); }
    // The record once it holds this many whole lines, or as it was at the deadline.
    std::string WaitForLaunches(size_t lines, DWORD timeoutMs = 15000) const;
    void Forget() const { DeleteFileA(RecordPath().c_str()); }
    // For MakeItems: a shortcut "NAME.lnk" to the recorder passing NAME, for each name.
    std::vector<std::string> Shortcuts(const std::vector<std::string>& names) const;
};

// StartFresh with the recorder's items of these names (when given).
bool StartWithItems(MorvekProcess& morvek, const LaunchRecorder& recorder, const std::string& name,
                    const std::vector<std::string>& names, const std::string& settings = "");

// The menu a menu window ("#32768") shows, also another process's.
inline HMENU MenuOfWindow(HWND menuWindow)
{
    return reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
}
// Each key down and up, posted, as a menu's keys arrive.
void PostKeys(HWND window, std::initializer_list<WPARAM> keys);
// The pointer to the screen's top right: a menu opened there and its submenus lie left of
// it, so no hover moves the selection the keys drive.
inline void PointerToTopRight() { SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, 0); }

// Top-level windows of the class and process (0: any), of this caption unless null, in the
// system's order; an open menu and each open submenu is one "#32768" window.
HWND FindTopWindow(const wchar_t* className, const wchar_t* caption, DWORD processId = 0);
std::vector<HWND> VisibleWindows(const wchar_t* className, DWORD processId, const wchar_t* caption = nullptr);
inline int CountVisibleWindows(const wchar_t* className, DWORD processId, const wchar_t* caption = nullptr)
{
    return static_cast<int>(VisibleWindows(className, processId, caption).size());
}
std::wstring WindowTextW(HWND window);
inline std::wstring MessageBoxTextOf(HWND box) { return WindowTextW(GetDlgItem(box, 0xFFFF)); }
// Expects the window centred on the desktop, as Morvek's dialogs open.
void ExpectCentredOnDesktop(HWND window);

// A hidden top-level window of this class, registered at first use.
HWND MakeWindow(const wchar_t* className, WNDPROC proc, DWORD exStyle = WS_EX_TOOLWINDOW, DWORD style = WS_POPUP);
// A modeless dialog from the test program's own resources.
inline HWND OpenDialog(int templateId, DLGPROC proc, HWND parent = nullptr)
{
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), parent, proc, 0);
}
// WM_DPICHANGED to 1.5 times the DPI, back, and again: the dialog, its controls and font
// scale (back to their first pixels and font); once destroyed it leaves no font behind.
void ExpectDialogFollowsDpiChanges(HWND dialog);

// Shell_NotifyIconA on this window's tray icon: the shell holds it when modifying it succeeds;
// deleting it is what a lost shell does.
bool TrayIconCall(HWND window, DWORD what);
inline bool TrayIconExists(HWND window) { return TrayIconCall(window, NIM_MODIFY); }
inline bool DeleteTrayIcon(HWND window) { return TrayIconCall(window, NIM_DELETE); }

// A Linux shell command's exit status (-1: it did not start or end in time).
long RunUnixShell(const std::string& command, DWORD timeoutMs = 15000);
