// Answering a click on the tray icon or the hotkey with a folder menu: the launcher or the
// desktop list, tracked at the cursor and its choice opened. Window thread only.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "launcher/launcher.h"

// The modifier chosen by "DeskTopShow"/"Key" is held.
bool IsDesktopModifierDown();

// The verb that opens an entry as administrator (Ctrl+Shift with Return or a click).
constexpr char kVerbRunAs[] = "runas";
