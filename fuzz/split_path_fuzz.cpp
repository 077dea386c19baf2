// Fuzzes the path splitter and the character cut over arbitrary terminated byte strings
// under Shift-JIS, single-byte and UTF-8 rules (the input's first byte picks one): no
// overrun, every part terminated within kSplitPartMax bytes, the parts of a path that fits
// join back to the path, and a cut ends on a character boundary within both its limits.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/char_step.h"
#include "settings/split_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const AnsiEncoding encodings[] = {kShiftJis, kSingleByte, kUtf8};
    AnsiEncoding encoding = encodings[data[0] % 3];
    size_t maxChars = data[1];
    size_t maxBytes = data[2] * 4u;
    std::string path(reinterpret_cast<const char*>(data + 3), size - 3);
    path = path.c_str();  // the splitter takes a terminated string

    static char drive[3], directory[kSplitPartMax + 1], baseName[kSplitPartMax + 1],
        extension[kSplitPartMax + 1];
    SplitPathWith(path.c_str(), encoding, drive, directory, baseName, extension);
    size_t lengths[] = {strlen(drive), strlen(directory), strlen(baseName), strlen(extension)};
    if (lengths[0] > 2 || lengths[1] > kSplitPartMax || lengths[2] > kSplitPartMax ||
        lengths[3] > kSplitPartMax)
        abort();
    if (path.size() <= static_cast<size_t>(kSplitPartMax)) {
        std::string joined = std::string(drive) + directory + baseName + extension;
        if (joined != path)
            abort();
    }

    size_t cut = CutAtCharBoundary(path.c_str(), path.size(), maxChars, maxBytes, encoding);
    if (cut > maxBytes || cut > path.size())
        abort();
    size_t at = 0, chars = 0;
    while (at < cut) {
        at += CharWidth(path.c_str(), at, path.size(), encoding);
        ++chars;
    }
    if (at != cut || chars > maxChars)
        abort();
    return 0;
}
