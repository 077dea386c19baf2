// The executable's directory and the paths built from it.
#include "settings/exe_paths.h"

#include <cstring>

namespace {

bool IsSystemLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}

}  // namespace

AnsiEncoding SystemAnsiEncoding()
{
    // Under code page 65001 CharNextA and IsDBCSLeadByte step single bytes: UTF-8 is
    // stepped by its own rules.
    if (GetACP() == CP_UTF8)
        return kUtf8;
    return AnsiEncoding{IsSystemLeadByte, false};
}

BOOL AnsiToWide(const char* ansi, wchar_t* wide, int units)
{
    // No MB_PRECOMPOSED: UTF-8 takes no flag but MB_ERR_INVALID_CHARS, and precomposed
    // is the default for the other code pages.
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi, -1, wide, units) > 0)
        return TRUE;
    if (units > 0)
        wide[0] = L'\0';
    return FALSE;
}

BOOL FitsMaxPath(const char* path)
{
    int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    return units > 0 && units <= MAX_PATH;
}

void SplitPath(const char* path, char* drive, char* directory, char* baseName, char* extension)
{
    SplitPathWith(path, SystemAnsiEncoding(), drive, directory, baseName, extension);
}

BOOL GetExeDir(char* buffer)
{
    char module[kPathBytes];
    buffer[0] = '\0';
    // A path that does not fit comes back cut (and, on older systems, unterminated).
    DWORD length = GetModuleFileNameA(nullptr, module, kPathBytes);
    if (length == 0 || length >= static_cast<DWORD>(kPathBytes))
        return FALSE;
    char drive[3];
    char directory[kSplitPartMax + 1];
    char baseName[kSplitPartMax + 1];
    char extension[kSplitPartMax + 1];
    SplitPath(module, drive, directory, baseName, extension);
    size_t driveLength = strlen(drive);
    size_t directoryLength = strlen(directory);
    // A cut part would name another folder.
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
    if (directoryLength + relativeLength >= static_cast<size_t>(kPathBytes)) {
        buffer[0] = '\0';
        return FALSE;
    }
    memcpy(buffer + directoryLength, relative, relativeLength + 1);
    if (!FitsMaxPath(buffer)) {
        buffer[0] = '\0';
        return FALSE;
    }
    return TRUE;
}
