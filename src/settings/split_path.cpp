// Double-byte-aware path splitting, kept free of Win32 so it also runs under the sanitizers.
#include "settings/split_path.h"

#include <cstring>

namespace {

// Copies path[from, to) into out, cut to kSplitPartMax bytes without splitting a
// double-byte character.
void CopyPart(const char* path, size_t from, size_t to, LeadBytePredicate isLeadByte, char* out)
{
    if (!out)
        return;
    size_t end = from;
    while (end < to) {
        size_t width = (isLeadByte(static_cast<unsigned char>(path[end])) && end + 1 < to) ? 2 : 1;
        if (end + width - from > static_cast<size_t>(kSplitPartMax))
            break;
        end += width;
    }
    memcpy(out, path + from, end - from);
    out[end - from] = '\0';
}

}  // namespace

bool IsShiftJisLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

void SplitPathWith(const char* path, LeadBytePredicate isLeadByte, char* drive, char* directory,
                   char* baseName, char* extension)
{
    size_t length = strlen(path);
    size_t start = 0;
    if (length >= 2 && path[1] == ':')
        start = 2;
    CopyPart(path, 0, start, isLeadByte, drive);

    size_t componentStart = start;  // just after the last separator
    size_t lastDot = length;        // length: no dot seen
    bool sawDot = false;
    for (size_t i = start; i < length;) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (isLeadByte(c)) {
            if (path[i + 1] == '\0')
                break;
            i += 2;
            continue;
        }
        if (c == '\\' || c == '/')
            componentStart = i + 1;
        else if (c == '.') {
            lastDot = i;
            sawDot = true;
        }
        ++i;
    }

    CopyPart(path, start, componentStart, isLeadByte, directory);
    if (sawDot && lastDot >= componentStart) {
        CopyPart(path, componentStart, lastDot, isLeadByte, baseName);
        CopyPart(path, lastDot, length, isLeadByte, extension);
    } else {
        CopyPart(path, componentStart, length, isLeadByte, baseName);
        CopyPart(path, length, length, isLeadByte, extension);
    }
}
