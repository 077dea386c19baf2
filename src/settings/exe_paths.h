// Paths beside the executable: the settings file and the items folder.
#pragma once
#include <windows.h>

constexpr char kSettingsFileName[] = "setting1.ini";
constexpr char kItemsFolderName[] = "items";
constexpr char kItemsFolderPrefix[] = "items\\";

// Fills a MAX_PATH buffer with the executable's drive and directory, ending in '\\'.
// On failure (the module path does not fit) the buffer is empty and the result FALSE.
BOOL GetExeDir(char* buffer);

// GetExeDir followed by relative. A result that would not fit MAX_PATH bytes is refused:
// the buffer is left empty and the result is FALSE, so no caller ever uses a cut path.
BOOL MakeExePath(char* buffer, const char* relative);

// SplitPath for the system's ANSI code page; any output may be null.
// drive needs 3 bytes, the others 256.
void SplitPath(const char* path, char* drive, char* directory, char* baseName, char* extension);
