// Building the launcher menu ahead of the click. After start, and shortly after each burst
// of changes the items watch announces, a thread of its own lists items and fetches the
// icons of new or changed entries; the window takes the result from a posted message and
// keeps it as the launcher menu. The state here is the window thread's; the build thread
// owns only the build it was given until it posts it.
#pragma once
#include <windows.h>

// Posted by the build thread to the window; lParam is the finished build, which
// OnLauncherBuilt takes over.
constexpr UINT kLauncherBuilt = WM_APP + 8;

// How long the items folder must stay quiet after a change before it is built anew: a burst
// of changes costs one build.
constexpr DWORD kQuietMs = 150;

// Starts a build now unless one runs or a folder menu is open (it then follows them);
// nothing when items can't be watched (nothing would be kept: the click builds).
void StartLauncherBuildAhead(HWND window);

// At quit: frees what the launcher keeps (the kept menus, their change notifications, the
// dark menu background) now, or, while a folder menu is open or a build runs, when it ends.
void FreeLauncherAtQuit();

// A build is running: the records of the kept menu are being read and must stay.
bool LauncherBuildRunning();

// A build is running or still to come (before the first was asked for, in a quiet time,
// after an open menu): the program is not idle yet.
bool LauncherBuildPending();

// kLauncherBuilt: keeps the build as the launcher menu (or frees it, and what was kept, when
// the folder could not be listed or quit came); held while a folder menu is open, until it
// closes. A build asked for meanwhile starts now, or, while a click waits for this one,
// after its menu.
void OnLauncherBuilt(HWND window, LPARAM build, bool clickWaiting);

// After a folder menu closed: keeps a build held while it was open (frees it after quit),
// and starts one that waited for it.
void AfterFolderMenuClosed(HWND window);

// For the message loop: the watch on items to wait on (null: none), and how long to wait
// before a quiet folder is built anew (INFINITE while nothing changed).
HANDLE LauncherWatchHandle();
DWORD LauncherQuietWait();
// The watch fired (or a wait on it failed): build again once the folder is quiet.
void OnLauncherWatchSignalled();
// Something the menu shows changed (the shell announced new icons): build again once quiet.
void OnLauncherSourceChanged();
// The quiet time passed.
void OnLauncherQuiet(HWND window);
