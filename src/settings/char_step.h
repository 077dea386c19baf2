// Stepping over the characters of an ANSI string in the system's code page: a double-byte
// code page marks a character's first byte (its lead byte), UTF-8 (code page 65001) marks
// a sequence's length in its first byte, and a single-byte code page does neither.
// Platform-free.
#pragma once
#include <cstddef>

using LeadBytePredicate = bool (*)(unsigned char byte);

// How the code page lays characters out in bytes.
struct AnsiEncoding {
    LeadBytePredicate isLeadByte;  // double-byte code pages; null for the others
    bool utf8;                     // code page 65001
};

// The bytes of the character at text[at] (at < end), never reaching past end: 1 for a
// byte that starts no whole character (a cut or malformed sequence), so a walk always
// moves on.
size_t CharWidth(const char* text, size_t at, size_t end, AnsiEncoding encoding);

// The length of the longest head of text[0, length) that holds at most maxChars
// characters in at most maxBytes bytes and ends at a character boundary.
size_t CutAtCharBoundary(const char* text, size_t length, size_t maxChars, size_t maxBytes,
                         AnsiEncoding encoding);

// Lead bytes of Shift-JIS (code page 932), for callers and tests off Windows.
bool IsShiftJisLeadByte(unsigned char byte);

constexpr AnsiEncoding kShiftJis = {IsShiftJisLeadByte, false};
constexpr AnsiEncoding kSingleByte = {nullptr, false};
constexpr AnsiEncoding kUtf8 = {nullptr, true};
