// Fuzzes the path splitter over arbitrary terminated byte strings: no overrun, every part
// terminated within its 255 bytes, and the parts of a short path join back to the path.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/split_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path(reinterpret_cast<const char*>(data), size);
    path = path.c_str();  // the splitter takes a terminated string
    char drive[3], directory[256], baseName[256], extension[256];
    SplitPathWith(path.c_str(), IsShiftJisLeadByte, drive, directory, baseName, extension);
    size_t lengths[] = {strlen(drive), strlen(directory), strlen(baseName), strlen(extension)};
    if (lengths[0] > 2 || lengths[1] > 255 || lengths[2] > 255 || lengths[3] > 255)
        abort();
    if (path.size() <= 255) {
        std::string joined = std::string(drive) + directory + baseName + extension;
        if (joined != path)
            abort();
    }
    return 0;
}
