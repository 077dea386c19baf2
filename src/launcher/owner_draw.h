// The owner-drawn launcher items: the look captured before each menu, measure and draw.
// Owns nothing past a call but the system image list's one reference; window thread only.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <commoncontrols.h>

#include "launcher/launcher.h"
#include "launcher/launcher_types.h"

// Layout of an item, in pixels.
constexpr int kTextIndent = 14;  // from the item's left edge, or from the icon column's end
constexpr int kIconInset = 2;    // the icon's distance from the item's left and top edges
constexpr int kTextTop = 2;      // the text box's distance from the item's top
constexpr int kItemPadding = 4;  // added to the height of the icon or the text

// Takes the menu font, small-icon size, highlight colours and the "IconShow" setting into
// g_launcher.menuLook; ReadMenuLook reads them without touching it (a build ahead).
void CaptureMenuLook();
MenuLook ReadMenuLook();
// The system's small-icon image list that records' iconIndex values index, or null when the
// shell gives none; held for the process's life.
IImageList* SmallIconList();

// Measures every record of the list not yet measured, for look, ahead of the menu's showing.
void MeasureLauncherRecords(LauncherRecord* records, const MenuLook& look);
