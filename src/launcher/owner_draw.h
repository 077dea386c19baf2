// The owner-drawn launcher items: the look captured before each menu, measure and draw.
// Owns nothing past a call but one reference to each system image list; window thread only.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <commoncontrols.h>

#include "launcher/launcher.h"
#include "launcher/launcher_types.h"

// Layout of an item at the system DPI, in pixels; at another DPI in proportion (MenuLook).
constexpr int kTextIndent = 14;  // from the item's left edge, or from the icon column's end
constexpr int kIconInset = 2;    // the icon's distance from the item's left and top edges
constexpr int kTextTop = 2;      // the text box's distance from the item's top
constexpr int kItemPadding = 4;  // added to the height of the icon or the text

// Takes the look for the DPI of the monitor under the cursor into g_launcher.menuLook, and
// that DPI as the last click's; returns the cursor's position, where the menu opens (read
// once: under Wine each read asks the X server). ReadMenuLook reads a look without
// touching either: for the DPI given, or for the last click's monitor (a build ahead; the
// system DPI before the first click).
POINT CaptureMenuLook();
MenuLook ReadMenuLook(UINT dpi);
MenuLook ReadMenuLook();
// The system's small-icon image list that records' iconIndex values index, or null when the
// shell gives none; held for the process's life.
IImageList* SmallIconList();
// The system image list the look's icons are drawn from: the one of its icon size, or where
// none is, the smallest larger one (its icons are scaled down as they are kept); the same
// index names one icon in every list. Null when the shell gives none.
IImageList* IconListOf(const MenuLook& look);

// Measures every record of the list not yet measured, for look, ahead of the menu's showing.
void MeasureLauncherRecords(LauncherRecord* records, const MenuLook& look);
// Draws the names of the list's first records (a screenful) with the look's font into a
// bitmap of its own, then frees it: the platform renders a character's glyph at its first
// drawing and keeps it for the font, and the menu's first showing after a build ahead then
// draws from glyphs rendered while Morvek was idle.
void RenderLauncherNames(const LauncherRecord* records, const MenuLook& look);
// Has the platform set up its menu code, which it does at the first menu a process shows
// (the menu font made and selected, the submenu arrow's bitmap loaded, the font's average
// character measured; under Wine the logo each menu window gets as its X icon loaded), by
// drawing a menu bar of one item into a memory DC of its own and loading the logo; once, while
// Morvek is idle, so that the first click does not wait for it. window: the menus' owner.
void PreparePlatformMenus(HWND window);
// Forgets the measures of every record of the list and of its filled submenus, at any depth:
// a kept menu opening at another DPI is measured again.
void ForgetMeasures(LauncherRecord* records);
