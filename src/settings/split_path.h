// Splitting an ANSI path into drive, directory, base name and extension, aware of the
// code page's characters (a double-byte character's trail byte may equal '\\', '/' or
// '.'). Platform-free.
#pragma once
#include "settings/char_step.h"

// A path Windows takes holds at most 260 UTF-16 units with its terminator; in UTF-8 each
// unit takes at most three bytes. A buffer of this many bytes holds any such ANSI path.
constexpr int kPathBytes = 260 * 3;

// Each part holds at most this many bytes before its terminator: any part of such a path.
constexpr int kSplitPartMax = kPathBytes - 1;

// Any output may be null. drive needs 3 bytes; the other outputs kSplitPartMax + 1.
// A longer part is cut at a character boundary.
void SplitPathWith(const char* path, AnsiEncoding encoding, char* drive, char* directory,
                   char* baseName, char* extension);
