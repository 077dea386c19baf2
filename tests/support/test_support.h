// Helpers shared by the tests that run under Wine: waiting with a deadline, scratch
// folders, files, shell listings, running and driving the built exe, finding its windows
// and message boxes, recorders for the platform calls. The objects declared here belong to
// the test that makes them and undo what they did when it ends (a Morvek is stopped, the
// platform calls put back).
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/live_counts.h"
#include "launcher/folder_menu.h"
#include "launcher/launcher.h"

// Polls the condition every few milliseconds until it holds or the deadline passes.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// A fresh, empty folder under the build tree's test area; returns its path with no
// trailing backslash.
std::string MakeScratchDir(const std::string& name);
void RemoveTree(const std::string& path);
void RemoveTree(const std::wstring& path);  // of any length in its long form ("\\\\?\\...")

// The names in a folder, "." and ".." left out.
std::set<std::wstring> FilesIn(const std::wstring& dir);
std::set<std::string> FilesIn(const std::string& dir);

bool WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);  // "" when missing; CRs removed
std::string ReadFileBytes(const std::string& path);  // as they are; "(missing)" when missing
bool FileExists(const std::string& path);

// The directory of the running test program, ending in '\\'.
std::string TestExeDir();

// The working folder the test program runs in and starts Morvek in: a folder of its own
// under the test area, never the folder of any exe, so that a path taken from the working
// folder instead of the exe's folder goes wrong visibly. No trailing backslash. The test
// program fails when anything is left in it.
std::string WorkingDir();

// Waits until the file holds at least `lines` complete lines (each ended by a newline) and
// returns its text, or the text seen when the deadline passed.
std::string WaitForLines(const std::string& path, size_t lines, DWORD timeoutMs = 15000);

// Creates a shortcut (.lnk) at linkPath pointing at target, with arguments.
HRESULT MakeShortcut(const std::string& linkPath, const std::string& target,
                     const std::string& arguments = "");

// Makes each path under root, in order: a name ending in '\\' a folder, "name.lnk>target"
// a shortcut to target (under root unless it holds a ':'), any other name a small file.
// False at the first one that fails.
bool MakeTree(const std::string& root, const std::vector<std::string>& paths);

// A folder's entries in the shell's enumeration order, the order the launcher lists them
// in: each display name, wide, and its item-ID list relative to the folder. An empty path
// lists the desktop, as the desktop list does.
struct ShellEntry {
    std::wstring name;
    std::vector<BYTE> child;
};
std::vector<ShellEntry> ShellListing(const std::wstring& path);
// Their display names in the test program's code page.
std::vector<std::string> ShellOrder(const std::string& path);

// A desktop folder of the prefix the tests run in (CSIDL_DESKTOPDIRECTORY for the user's,
// CSIDL_COMMON_DESKTOPDIRECTORY for the public one), made when missing; no trailing
// backslash.
std::string DesktopDir(int csidl);

// A file deleted when the object ends: what a test puts on a desktop, which every program
// in the prefix shares.
struct RemovedAtEnd {
    std::string path;
    ~RemovedAtEnd() { DeleteFileA(path.c_str()); }
};

// The target a shortcut file holds, read back through the wide shell link object; "" when
// it can't be loaded.
std::string ShortcutTarget(const std::string& linkPath);
std::wstring ShortcutTarget(const std::wstring& linkPath);

// Frees a built folder menu as its owner does (FreeFolderMenu), then checks that the
// records and every icon they held are gone and that the launcher holds the item-ID lists
// and icons it held before.
void FreeMenuExpectingNothingLeft(HMENU menu, LaunchEntry* head, const LiveCounts& before);

// A drop block as the shell hands it over: DROPFILES, then the names (ANSI or wide), each
// ending in a zero, and a final zero. WM_DROPFILES's receiver frees it with DragFinish.
template <typename Char>
HDROP MakeDrop(const std::vector<std::basic_string<Char>>& names)
{
    size_t chars = 1;
    for (const auto& name : names)
        chars += name.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(Char));
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = sizeof(Char) == sizeof(wchar_t);
    Char* at = reinterpret_cast<Char*>(files + 1);
    for (const auto& name : names) {
        memcpy(at, name.c_str(), (name.size() + 1) * sizeof(Char));
        at += name.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// A memory DC over a 32-bit top-down DIB section whose pixels are read directly.
struct DibCanvas {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    DWORD* pixels = nullptr;
    DibCanvas(int width, int height);
    ~DibCanvas();
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;
};

// The extent of text in font on the screen, measured wide as the launcher measures names.
SIZE MenuTextExtent(const std::wstring& text, const LOGFONTA& font);

// A launcher item measured as its owner's WM_MEASUREITEM does it, over poisoned sizes, and
// drawn as WM_DRAWITEM does it (the whole item, in this state) into dc across rect.
MEASUREITEMSTRUCT MeasureItem(HWND owner, UINT id, ULONG_PTR data);
void DrawItem(HWND owner, UINT id, ULONG_PTR data, HDC dc, const RECT& rect, UINT state = 0);

// The Morvek.exe under test: the 64-bit build beside the tests, or the one the environment
// names in MORVEK_EXE_UNDER_TEST (the test command's round over the 32-bit build).
const char* BuiltMorvek();

// The built Morvek.exe (or the system code page build, MORVEK_SYSTEM_CP_EXE_PATH), copied
// into dir and started with WorkingDir() as its working folder. Ends it by handle on Stop.
struct MorvekProcess {
    PROCESS_INFORMATION info = {};
    std::string dir;
    bool Start(const std::string& folder, const char* builtExe = BuiltMorvek());
    // The built exe copied to exePath (of any length Windows takes) and started there.
    bool StartAt(const std::string& exePath, const std::string& workingDir, const char* builtExe = BuiltMorvek());
    HWND TrayWindow() const;                 // the hidden "Morvek" window of this process
    bool WaitForTrayWindow(DWORD timeoutMs = 15000) const;
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);
    // Ends the process if it still runs and waits for it: a test failure, and false, when
    // it does not end (it would still hold the single-instance mutex).
    bool Stop();
    ~MorvekProcess() { Stop(); }

    // The tray callback with a mouse message, as the shell sends it.
    void Click(UINT mouseMessage) const;
    // Its visible popup menu window ("#32768"), or null; WaitForMenu waits for one.
    HWND MenuWindow() const;
    HWND WaitForMenu(DWORD timeoutMs = 10000) const;
    bool WaitForNoMenu(DWORD timeoutMs = 10000) const;
    // Its visible dialog or message box ("#32770") with this caption (any caption when null),
    // or null. A message box exists before its text is set and is shown once complete.
    HWND Dialog(const wchar_t* caption) const;
    // Waits for that dialog, and for its control of this id when one is given.
    HWND WaitForDialog(const wchar_t* caption, int control = 0, DWORD timeoutMs = 10000) const;
    // One of the launcher's live counts its tray window reports (app/tray_window.h), or -2
    // when it does not answer.
    long LiveCount(WPARAM which, DWORD timeoutMs = 10000) const;
    // Whether its tray window says a launcher click is still going on (or does not answer).
    bool ClickGoingOn() const;
    // The height of the next launcher menu's window, dismissed again; -1 without a menu.
    int LauncherMenuHeight() const;
    // Not ended yet.
    bool Running();
    // The exit code once it has ended, waiting up to the time given; kStillRunning if not.
    static constexpr DWORD kStillRunning = 0xDEADBEEF;
    DWORD ExitCode(DWORD timeoutMs = 10000);
    // Started in the fresh scratch folder `name`, made ready by prepare and given this
    // settings file (when given); true once its tray window is up.
    bool StartFresh(const std::string& name, const std::string& settings = "",
                    const std::function<bool(const std::string&)>& prepare = nullptr);
};

// What a menu holds of its item at this position, for the fields of mask, read over a
// poisoned record (its data and submenu 0xdeadbeef); a test failure when it can't be read.
MENUITEMINFOA MenuItemAt(HMENU menu, UINT position, UINT mask);

// The menu a menu window ("#32768") shows, also another process's: its handle tells a
// kept menu shown again from one built anew.
HMENU MenuOfWindow(HWND menuWindow);

// Starts a second copy in the fresh scratch folder `name` while one runs: it shows its box
// and no tray window of its own, and ends with 0 once the box is answered.
void SecondCopySaysSoAndEnds(const std::string& name);

// Posts each key down and up to the window, as a menu's keys arrive.
void PostKeys(HWND window, std::initializer_list<WPARAM> keys);

// The launch recorder (tests/helpers/launch_recorder.cpp) in a scratch folder of the
// running test's own, outside every Morvek folder: its record of launches then changes
// nothing a Morvek watches, so the next click may show the kept launcher menu. The folder
// is named after the test unless a name is given.
struct LaunchRecorder {
    std::string dir;
    explicit LaunchRecorder(std::string name = "");
    std::string Exe() const { return dir + "\\recorder.exe"; }
    std::string RecordPath() const { return dir + "\\launched.txt"; }
    std::string Launched() const { return ReadTextFile(RecordPath()); }  // as it is now
    // The record once it holds this many whole lines (or as it was at the deadline).
    std::string WaitForLaunches(size_t lines, DWORD timeoutMs = 15000) const
    {
        return WaitForLines(RecordPath(), lines, timeoutMs);
    }
    void Forget() const { DeleteFileA(RecordPath().c_str()); }
    // An items folder in folder holding a shortcut "NAME.lnk" to the recorder for each name,
    // passing the name; false (with a test failure) when one can't be made.
    bool MakeItems(const std::string& folder, const std::vector<std::string>& names) const;
};

// Morvek in the fresh scratch folder `name` with items of the recorder's (when names are
// given) and the settings file (when given); true once its tray window is up.
bool StartWithItems(MorvekProcess& morvek, const LaunchRecorder& recorder, const std::string& name,
                    const std::vector<std::string>& names, const std::string& settings = "");

// The items folder and the settings file beside the test program, where the program's
// code linked into it looks for them; tests that use them hold the ctest resource
// "beside_test_exe".
std::string TestItemsDir();
std::string TestSettingsPath();
// A fresh items folder there holding these paths (as MakeTree makes them).
bool MakeItems(const std::vector<std::string>& paths);

// Holds this one key in the thread's keyboard state (0: none), as GetKeyState sees it.
void HoldKey(int virtualKey);

// One message box as the recorder saw it.
struct RecordedBox {
    HWND owner;
    std::wstring text, caption;
    UINT type;
    int shortcutsSeen;  // .lnk files in TestItemsDir() when it came up
};

// While it lives, the program's message boxes (g_platform.MessageBoxW) are recorded in
// shown and answered by onBox (IDOK when unset), which runs inside the box as a person's
// answer would; duringNextBox runs inside the next box only. It then puts every platform
// call back.
struct BoxRecorder {
    std::vector<RecordedBox> shown;
    std::function<int(const RecordedBox&)> onBox;
    std::function<void()> duringNextBox;
    BoxRecorder();
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;
};

// The .lnk files in a folder.
int CountShortcuts(const std::string& folder = TestItemsDir());

// Points this program's own import of dll!name at replacement and returns what it pointed
// at, or null when the program does not import it. Every call the program's code (the
// launcher's among it) makes through the import then reaches the replacement; redirect
// it again to what was returned to put it back.
void* RedirectImport(const char* dll, const char* name, void* replacement);

// True when the shell holds the tray icon of this window: modifying it succeeds.
bool TrayIconExists(HWND window);
// Takes the icon away as a shell that lost it would; false when there was none.
bool DeleteTrayIcon(HWND window);

// Writes new content of the same size into a file and puts its time stamps back: a change
// that only a change notification can see.
void RewriteKeepingTimes(const std::string& path, const char* content);

// Takes a WM_QUIT that a quit inside the test program posted, so that no later modal loop
// of the test ends on it; whether there was one.
bool TakeQuitMessage();

// True once the system no longer knows the GDI object (a deleted font or brush).
bool GdiObjectDeleted(HGDIOBJ object);

// The small icon the shell gives a path, both ways the launcher could hold it: its index
// in the system's small image list, as the launcher fetches it (-1 when none), and an icon
// handle of its own (the caller destroys it; null when none).
int SmallIconIndexOf(const std::string& path);
HICON SmallIconHandleOf(const std::string& path);

// Counts the launcher's icon lookups (g_platform.SHGetFileInfoA, on any thread) while it
// lives, and holds each one (or, with stallOnly, each of a path ending so) until Release when
// made with stall. One at a time.
struct IconFetches {
    explicit IconFetches(bool stall = false, const char* stallOnly = nullptr);
    ~IconFetches();
    long Count() const;
    UINT FlagsSeen() const;  // every flag any lookup asked with
    void Release();          // lets stalled lookups (and later ones) go on
};

// The threads this process has now, as the system counts them.
int ThreadsOfProcess();

// A stand-in for the tray window in-process: the launcher's messages (tray clicks, the built
// launcher, measure, draw, menu characters) go to the tray window's procedure, and every
// popup menu that opens is noted and closed again with Escape. Step runs the program's own
// message loop until the condition holds or the deadline passes.
struct LauncherOwner {
    HWND window = nullptr;
    std::vector<HMENU> menusOpened;
    std::function<void(HMENU)> whileOpen;  // when set, runs inside each menu as it opens
    bool escapeAtOnce = true;              // false: the test closes the menus itself
    LauncherOwner();
    ~LauncherOwner();
    bool Step(const std::function<bool()>& condition, DWORD timeoutMs = 15000);
};

// Records every font and brush this test program makes through CreateFontIndirectA and
// CreateSolidBrush while it lives, by pointing the program's own imports of the two at
// recorders, so a test can ask the system whether each one was deleted. One at a time.
struct GdiCreations {
    std::vector<HGDIOBJ> fonts;
    std::vector<HGDIOBJ> brushes;
    GdiCreations();
    ~GdiCreations();
    // The recorded objects the system still knows.
    std::vector<HGDIOBJ> Alive() const;
};

// A modeless dialog from the program's own template (the test program carries its
// resources), with its procedure.
HWND OpenDialog(int templateId, DLGPROC proc, HWND parent = nullptr);

// Sends the dialog WM_DPICHANGED as a move to a monitor of half as many DPI again and back
// would, checking each time that it takes the suggested rectangle and that its controls
// and their font scale with the DPI (back at the first, to their first pixels and font);
// then moves it once more and destroys it, checking that it leaves no font behind.
void ExpectDialogFollowsDpiChanges(HWND dialog);

// A hidden top-level window of a class of this name (registered at its first use) whose
// procedure is proc; destroy it with DestroyWindow.
HWND MakeWindow(const wchar_t* className, WNDPROC proc, DWORD exStyle = WS_EX_TOOLWINDOW, DWORD style = WS_POPUP);

// A top-level window of the given class and process (0: any process) whose caption is
// the given text, or null.
HWND FindTopWindow(const wchar_t* className, const wchar_t* caption, DWORD processId = 0);
// All of them, in the system's order.
std::vector<HWND> TopWindows(const wchar_t* className, const wchar_t* caption, DWORD processId = 0);
std::wstring WindowTextW(HWND window);

// Puts the pointer at the screen's top right corner: a menu opened at the pointer then lies
// left of it and its submenus open leftwards, never under it, so that no hover moves the
// selection that keys are driving.
void PointerToTopRight();

// The visible top-level windows of the class and process (0: any process), of this caption
// unless it is null, in the system's order: an open menu and each of its open submenus is
// one "#32768" window.
std::vector<HWND> VisibleWindows(const wchar_t* className, DWORD processId, const wchar_t* caption = nullptr);
inline int CountVisibleWindows(const wchar_t* className, DWORD processId, const wchar_t* caption = nullptr)
{
    return static_cast<int>(VisibleWindows(className, processId, caption).size());
}

// The text shown by a message box (its static control 0xFFFF).
std::wstring MessageBoxTextOf(HWND box);

// Runs a command of the Linux shell (Wine starts Linux programs, but gives no handle to
// wait on) and waits for it to end: its exit status, or -1 when it did not start or did
// not end in time.
long RunUnixShell(const std::string& command, DWORD timeoutMs = 15000);

// The piece this many times over.
std::wstring Repeat(const std::wstring& piece, int times);

// A hidden window that stands in for the tray window as the launcher's owner: the messages
// named go through the tray window's procedure, the rest to the default one (the tray
// window's WM_CREATE would add an icon). By default the menu messages: measure, draw, menu
// characters, submenus opening, the shell's menu on an entry.
HWND CreateLauncherOwner(std::initializer_list<UINT> forwarded = {WM_MENUCHAR, WM_MEASUREITEM, WM_DRAWITEM,
                                                                  WM_INITMENUPOPUP, kShowEntryContextMenu});

// Runs act once, from inside the next modal loop of this thread (a menu being tracked),
// as soon as a visible menu window is there; act gets the topmost one. A menu still open
// three seconds later is closed with Escape.
void WhenMenuOpens(std::function<void(HWND menuWindow)> act);

// A DWORD value under HKCU for the life of the object (-1: no value); the value found
// before is put back at the end.
struct UserDwordSetting {
    UserDwordSetting(const wchar_t* key, const wchar_t* name, int value);
    ~UserDwordSetting();
    void Set(int value);
    UserDwordSetting(const UserDwordSetting&) = delete;
    UserDwordSetting& operator=(const UserDwordSetting&) = delete;
private:
    const wchar_t* key;
    const wchar_t* name;
    bool hadValue = false;
    DWORD saved = 0;
};

// The user's app theme as the system keeps it: 0 dark, 1 light, -1 no value (light). For
// its life the program's platform table says the system is Windows 10 22H2, one whose own
// menus can be dark (the Wine prefix says Windows 7, where the launcher stays light).
struct AppThemeSetting : UserDwordSetting {
    explicit AppThemeSetting(int light);
    ~AppThemeSetting();
private:
    BOOL(WINAPI* realVersion)(LPOSVERSIONINFOA);
};

// Conversions in the test program's own code page: the system's, or UTF-8 for the
// programs built with the UTF-8 manifest.
std::wstring Wide(const std::string& ansi);
std::string Ansi(const std::wstring& wide);
