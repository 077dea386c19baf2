// Character stepping for double-byte, single-byte and UTF-8 code pages, kept free of
// Win32 so it also runs under the sanitizers and the fuzzer.
#include "settings/char_step.h"

namespace {

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length a UTF-8 sequence's first byte announces, with the ranges of its second byte
// that keep it the shortest form of a code point up to U+10FFFF; 1 for any other byte.
size_t Utf8Width(const unsigned char* bytes, size_t available)
{
    unsigned char first = bytes[0];
    size_t width = 1;
    unsigned char low = 0x80, high = 0xBF;
    if (first >= 0xC2 && first <= 0xDF) {
        width = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        width = 3;
        if (first == 0xE0)
            low = 0xA0;
        else if (first == 0xED)
            high = 0x9F;  // no UTF-16 surrogate halves
    } else if (first >= 0xF0 && first <= 0xF4) {
        width = 4;
        if (first == 0xF0)
            low = 0x90;
        else if (first == 0xF4)
            high = 0x8F;
    }
    if (width == 1 || width > available || bytes[1] < low || bytes[1] > high)
        return 1;
    for (size_t i = 2; i < width; ++i) {
        if (!IsContinuation(bytes[i]))
            return 1;
    }
    return width;
}

}  // namespace

bool IsShiftJisLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

size_t CharWidth(const char* text, size_t at, size_t end, AnsiEncoding encoding)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text) + at;
    if (encoding.utf8)
        return Utf8Width(bytes, end - at);
    if (encoding.isLeadByte && encoding.isLeadByte(bytes[0]) && at + 1 < end)
        return 2;
    return 1;
}

size_t CutAtCharBoundary(const char* text, size_t length, size_t maxChars, size_t maxBytes,
                         AnsiEncoding encoding)
{
    size_t end = 0;
    for (size_t chars = 0; end < length && chars < maxChars; ++chars) {
        size_t width = CharWidth(text, end, length, encoding);
        if (end + width > maxBytes)
            break;
        end += width;
    }
    return end;
}
