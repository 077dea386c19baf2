// Writing a shortcut (.lnk) file through the shell link object.
#pragma once
#include <windows.h>

// Creates the shell link, sets its target and the rest (null strings are passed on as
// they are) and saves it to linkPath. The result is the save's, or the first failing
// call's. COM must be initialised on the calling thread.
HRESULT CreateShortcutFile(const char* linkPath, const char* target, const char* description,
                           const char* arguments, const char* workingDirectory, const char* iconPath,
                           int iconIndex, int showCommand);
