// Splitting an ANSI path into drive, directory, base name and extension, aware of
// double-byte code pages (a trail byte may equal '\\', '/' or '.'). Platform-free.
#pragma once

// Each part holds at most this many bytes before its terminator.
constexpr int kSplitPartMax = 255;

using LeadBytePredicate = bool (*)(unsigned char byte);

// Any output may be null. drive needs 3 bytes; the other outputs kSplitPartMax + 1.
void SplitPathWith(const char* path, LeadBytePredicate isLeadByte, char* drive, char* directory,
                   char* baseName, char* extension);

// Lead bytes of Shift-JIS (code page 932), for callers and tests off Windows.
bool IsShiftJisLeadByte(unsigned char byte);
