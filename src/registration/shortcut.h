// Writing a shortcut (.lnk) file through the shell link object.
#pragma once
#include <windows.h>

// Creates the shell link, sets its target and the rest (a null text leaves its field
// empty) and saves it to linkPath. The result is the save's, or the first failing
// call's; a text that does not convert whole from the system code page saves nothing.
// COM must be initialised on the calling thread.
HRESULT CreateShortcutFile(const char* linkPath, const char* target, const char* description,
                           const char* arguments, const char* workingDirectory, const char* iconPath,
                           int iconIndex, int showCommand);
