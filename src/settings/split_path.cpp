// Code-page-aware path splitting, kept free of Win32 so it also runs under the sanitizers.
#include "settings/split_path.h"

#include <cstring>

namespace {

// Copies path[from, to) into out, cut to kSplitPartMax bytes without splitting a character.
void CopyPart(const char* path, size_t from, size_t to, AnsiEncoding encoding, char* out)
{
    if (!out)
        return;
    size_t length = CutAtCharBoundary(path + from, to - from, to - from, kSplitPartMax, encoding);
    memcpy(out, path + from, length);
    out[length] = '\0';
}

}  // namespace

void SplitPathWith(const char* path, AnsiEncoding encoding, char* drive, char* directory,
                   char* baseName, char* extension)
{
    size_t length = strlen(path);
    size_t start = 0;
    if (length >= 2 && path[1] == ':')
        start = 2;
    CopyPart(path, 0, start, encoding, drive);

    size_t componentStart = start;  // just after the last separator
    size_t lastDot = length;        // length: no dot seen
    bool sawDot = false;
    // No byte after the first of a multi-byte character is taken for a separator or a dot.
    for (size_t i = start; i < length;) {
        size_t width = CharWidth(path, i, length, encoding);
        char c = path[i];
        if (width == 1 && (c == '\\' || c == '/'))
            componentStart = i + 1;
        else if (width == 1 && c == '.') {
            lastDot = i;
            sawDot = true;
        }
        i += width;
    }

    CopyPart(path, start, componentStart, encoding, directory);
    if (sawDot && lastDot >= componentStart) {
        CopyPart(path, componentStart, lastDot, encoding, baseName);
        CopyPart(path, lastDot, length, encoding, extension);
    } else {
        CopyPart(path, componentStart, length, encoding, baseName);
        CopyPart(path, length, length, encoding, extension);
    }
}
