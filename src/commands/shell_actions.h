// The main menu's hand-offs to the rest of the system: special folders through the
// shell, the CD-ROM tray, the screen saver and the taskbar's minimise-all.
#pragma once
#include <windows.h>

// Opens the special folder csidl with the verb; false when a step before the shell
// call failed.
bool OpenSpecialFolder(const char* verb, int csidl);

void OpenCdDoor();
void CloseCdDoor();

// Starts the screen saver through window's default processing, when one is active.
void StartScreenSaver(HWND window);

// Asks the taskbar, if there is one, to minimise all windows.
void MinimizeAllWindows();
