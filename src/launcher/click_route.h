// Which menu a mouse message on the tray icon shows, from the button, the modifier and
// the "DeskTopShow"/"Key" setting. Platform-free.
#pragma once

enum class TrayAction { Nothing, MainMenu, Launcher, Desktop };

// The mouse messages the tray icon reacts to (the window messages of the same values).
constexpr unsigned kMouseLeftUp = 0x0202;
constexpr unsigned kMouseRightDown = 0x0204;
constexpr unsigned kMouseMiddleUp = 0x0208;

// The virtual key whose being held turns a left click into the desktop list, or 0:
// Key 0 Ctrl, 2 Shift, 3 Alt; 1 (the middle button lists the desktop) and others none.
constexpr unsigned kKeyControl = 0x11;
constexpr unsigned kKeyShift = 0x10;
constexpr unsigned kKeyAlt = 0x12;
unsigned DesktopModifierKey(unsigned desktopKey);

// modifierDown: the key DesktopModifierKey names is held (read for a left click).
TrayAction RouteTrayClick(unsigned mouseMessage, unsigned desktopKey, bool modifierDown);
