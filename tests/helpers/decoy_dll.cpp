// A library that stands in for a system one (winmm.dll) planted beside a program: a test
// shows that the program never loads it. It does nothing itself.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
