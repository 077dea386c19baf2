// Building the launcher menu ahead of the click. After start, and shortly after each burst
// of changes the items watch announces, a thread of its own lists items and fetches the
// icons of new or changed entries; the window takes the result from a posted message and
// keeps it as the launcher menu. The state here is the window thread's; the build thread
// owns only the build it was given until it posts it.
#pragma once
#include <windows.h>

#include "launcher/launcher.h"

// How long the items folder must stay quiet after a change before it is built anew: a burst
// of changes costs one build.
constexpr DWORD kQuietMs = 150;

// A build is running: the records of the kept menu are being read and must stay.
bool LauncherBuildRunning();

// kLauncherBuilt: keeps the build as the launcher menu (or frees it, and what was kept, when
// the folder could not be listed or quit came); held while a folder menu is open, until it
// closes. A build asked for meanwhile starts now, or, while a click waits for this one,
// after its menu.
void OnLauncherBuilt(HWND window, LPARAM build, bool clickWaiting);

// After a folder menu closed: keeps a build held while it was open (frees it after quit),
// and starts one that waited for it.
void AfterFolderMenuClosed(HWND window);
