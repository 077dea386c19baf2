// Files and folders for the tests under Wine: waiting with a deadline, scratch folders, files,
// shortcuts, trees, shell listings, desktop folders and the test program's code page.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

// Pumps this thread's messages until the condition holds or the deadline passes.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// In the test program's own code page: the system's, or UTF-8 under the UTF-8 manifest.
std::wstring Wide(const std::string& ansi);
std::string Ansi(const std::wstring& wide);
std::wstring Repeat(const std::wstring& piece, int times);

// A fresh, empty folder of this name under the test area; no trailing backslash.
std::string MakeScratchDir(const std::string& name);
void RemoveTree(const std::wstring& path);  // also a long "\\\\?\\" path
inline void RemoveTree(const std::string& path) { RemoveTree(Wide(path)); }

std::set<std::wstring> FilesIn(const std::wstring& dir);  // "." and ".." left out
std::set<std::string> FilesIn(const std::string& dir);

bool WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);   // "" when missing; CRs removed
std::string ReadFileBytes(const std::string& path);  // as they are; "(missing)" when missing
inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
// New content of the same size with the old time stamps: only a change notification sees it.
void RewriteKeepingTimes(const std::string& path, const char* content);

std::string TestExeDir();  // ending in '\\'
// The test program's and Morvek's working folder: never an exe's folder, so a path taken
// from it instead of the exe's goes wrong visibly. Must be empty when the program ends.
inline std::string WorkingDir()
{
    return std::string(MORVEK_TEST_TMP) + "\\working-" + std::to_string(GetCurrentProcessId());
}
// The items folder and settings file beside the test program, where the launcher code linked
// into it looks; their tests hold the ctest resource "beside_test_exe".
inline std::string TestItemsDir() { return TestExeDir() + "items"; }
inline std::string TestSettingsPath() { return TestExeDir() + "setting1.ini"; }

HRESULT MakeShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments = "");
// The target a shortcut holds (read through the wide link object); "" when it can't be loaded.
std::wstring ShortcutTarget(const std::wstring& linkPath);
inline std::string ShortcutTarget(const std::string& linkPath) { return Ansi(ShortcutTarget(Wide(linkPath))); }

// Makes each path under root in order: "name\\" a folder, "name.lnk>target" a shortcut (to
// target under root unless it holds a ':'; "target|arguments" passing arguments), anything
// else a small file. False at a failure.
bool MakeTree(const std::string& root, const std::vector<std::string>& paths);
// A fresh items folder (the one beside the test program unless named) holding these paths.
bool MakeItems(const std::vector<std::string>& paths, const std::string& items = TestItemsDir());

// A folder's entries in the shell's order, the launcher's: display name and item-ID list
// relative to the folder. An empty path lists the desktop.
struct ShellEntry {
    std::wstring name;
    std::vector<BYTE> child;
};
std::vector<ShellEntry> ShellListing(const std::wstring& path);
std::vector<std::string> ShellOrder(const std::string& path);  // just the names

// The prefix's CSIDL_DESKTOPDIRECTORY or CSIDL_COMMON_DESKTOPDIRECTORY, made when missing.
std::string DesktopDir(int csidl);

// A file deleted at the end: what a test puts on a desktop every program in the prefix shares.
struct RemovedAtEnd {
    std::string path;
    ~RemovedAtEnd() { DeleteFileA(path.c_str()); }
};

// A drop block as the shell hands it over (DROPFILES, the names, a final zero); its receiver
// frees it with DragFinish.
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
