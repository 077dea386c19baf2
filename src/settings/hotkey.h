// The launcher's hotkey: "HotKey"/"Launcher" in the settings file, registered for the tray
// window at start and given back at quit.
#pragma once
#include <windows.h>

constexpr int kLauncherHotKeyId = 1;

// Reads the value and registers it. An empty or missing value is no hotkey; a value that
// does not read as one, or a chord another program holds, is reported once and left out.
void RegisterLauncherHotKey(HWND window);

void UnregisterLauncherHotKey(HWND window);
