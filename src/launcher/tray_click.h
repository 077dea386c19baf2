// Answering the mouse on the tray icon: the main menu, the launcher or the desktop list.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "launcher/click_route.h"

// The tray callback: lParam carries the mouse message, wParam the icon id. Returns 0.
LRESULT OnTrayNotify(HWND window, WPARAM wParam, LPARAM lParam);

// WM_HOTKEY: the launcher's hotkey opens the launcher at the mouse pointer with its first
// item selected, so the arrows and Return work at once. Returns 0.
LRESULT OnLauncherHotKey(HWND window, WPARAM id);

// The launcher built ahead arrived (lParam, see build_ahead.h): kept, and shown at once for
// a launcher click that came while it was being built. Returns 0.
LRESULT OnLauncherBuiltMessage(HWND window, LPARAM build);

// The modifier chosen by "DeskTopShow"/"Key" is held.
bool IsDesktopModifierDown();

// What a tray mouse message asks for, by the setting and the keys held now.
TrayAction TrayActionFor(LPARAM lParam);

// The verb that opens an entry as administrator (Ctrl+Shift with Return or a click).
constexpr char kVerbRunAs[] = "runas";

// Opens one absolute item-ID list with the verb, or the shell's default verb when null.
void OpenIdList(LPCITEMIDLIST list, const char* verb = nullptr);
