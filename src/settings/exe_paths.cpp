// The executable's directory and the paths built from it.
#include "settings/exe_paths.h"

#include <cstring>

#include "settings/split_path.h"

namespace {
bool IsSystemLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}
}  // namespace

void SplitPath(const char* path, char* drive, char* directory, char* baseName, char* extension)
{
    SplitPathWith(path, IsSystemLeadByte, drive, directory, baseName, extension);
}

BOOL GetExeDir(char* buffer)
{
    char module[MAX_PATH];
    buffer[0] = '\0';
    // A path that does not fit comes back cut (and, on older systems, unterminated).
    DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return FALSE;
    char drive[3];
    char directory[kSplitPartMax + 1];
    char baseName[kSplitPartMax + 1];
    char extension[kSplitPartMax + 1];
    SplitPath(module, drive, directory, baseName, extension);
    size_t driveLength = strlen(drive);
    size_t directoryLength = strlen(directory);
    // A part longer than 255 bytes comes back cut; a cut directory names another folder.
    if (driveLength + directoryLength + strlen(baseName) + strlen(extension) != length)
        return FALSE;
    memcpy(buffer, drive, driveLength);
    memcpy(buffer + driveLength, directory, directoryLength + 1);
    return TRUE;
}

BOOL MakeExePath(char* buffer, const char* relative)
{
    if (!GetExeDir(buffer))
        return FALSE;
    size_t directoryLength = strlen(buffer);
    size_t relativeLength = strlen(relative);
    if (directoryLength + relativeLength >= MAX_PATH) {
        buffer[0] = '\0';
        return FALSE;
    }
    memcpy(buffer + directoryLength, relative, relativeLength + 1);
    return TRUE;
}
