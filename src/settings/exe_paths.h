// Paths beside the executable: the settings file and the items folder; and how the
// system's code page reads ANSI paths.
#pragma once
#include <windows.h>

#include "settings/split_path.h"

constexpr char kSettingsFileName[] = "setting1.ini";
constexpr char kItemsFolderName[] = "items";
constexpr char kItemsFolderPrefix[] = "items\\";

static_assert(kPathBytes == MAX_PATH * 3, "a MAX_PATH path in UTF-8");

// The system's ANSI code page: UTF-8 where the manifest's code page is honoured, the
// system's own (double-byte on a Japanese system) elsewhere.
AnsiEncoding SystemAnsiEncoding();

// Converts an ANSI string of the system code page into wide (units wide characters with
// the terminator). FALSE, with wide empty, when it does not fit or holds a sequence the
// code page does not define.
BOOL AnsiToWide(const char* ansi, wchar_t* wide, int units);

// A path Windows takes: under MAX_PATH UTF-16 units, however many bytes it spans.
BOOL FitsMaxPath(const char* path);

// Fills a kPathBytes buffer with the executable's drive and directory, ending in '\\'.
// On failure (the module path does not fit) the buffer is empty and the result FALSE.
BOOL GetExeDir(char* buffer);

// GetExeDir followed by relative, into a kPathBytes buffer. A result Windows would not
// take (MAX_PATH UTF-16 units or more) is refused: the buffer is left empty and the
// result is FALSE, so no caller ever uses a cut path.
BOOL MakeExePath(char* buffer, const char* relative);

// SplitPath for the system's ANSI code page; any output may be null.
// drive needs 3 bytes, the others kSplitPartMax + 1.
void SplitPath(const char* path, char* drive, char* directory, char* baseName, char* extension);
