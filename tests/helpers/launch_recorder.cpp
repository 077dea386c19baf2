// A stand-in for a launched program: appends its command line (after the program name)
// and a newline to "launched.txt" beside itself, then ends. The line goes out in one
// write, so a reader sees either none of it or all of it.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    char* slash = strrchr(path, '\\');
    if (!slash || (slash - path) + sizeof("\\launched.txt") > MAX_PATH)
        return 1;
    strcpy(slash, "\\launched.txt");
    DWORD lineLength = static_cast<DWORD>(strlen(commandLine)) + 1;
    char* line = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, lineLength));
    if (!line)
        return 1;
    memcpy(line, commandLine, lineLength - 1);
    line[lineLength - 1] = '\n';
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    BOOL ok = WriteFile(file, line, lineLength, &written, nullptr);
    CloseHandle(file);
    return ok && written == lineLength ? 0 : 1;
}
