// The user's own order in the launcher's menus (the order file, order_file.h, held in
// g_launcher.order): a level put in its folder's stored order once it is built, the kept
// menu put in order again in place after a hand edit, an entry moved, a level's order
// forgotten. The launcher and every folder's submenu under it have an order of their own;
// the desktop list and its submenus keep the shell's. Window thread only.
#pragma once
#include <windows.h>

// The first position of the level's entries in menu (a folder's submenu starts with
// "このフォルダを開く" and a separator), or -1 when the level keeps the shell's order.
int FirstOrderedEntry(HMENU menu);

// Puts the level's entries (as FolderMenuLevel made them, or in any order since) in its
// folder's stored order, in place; in the shell's when the folder has none. Items keep their
// places and measures and take another entry's id, data and submenu, so an open menu shows
// the change once repainted. Asks the shell nothing when the folder has no stored order.
void ShowInStoredOrder(HMENU menu);

// At a click of the launcher: a hand edit of the order file since it was read is read, and
// the kept launcher menu (with the submenus it has filled) put in the new order in place.
void RefreshLauncherOrder();

// Moves the entry at position from of the level to position to (both entries of an ordered
// level) and saves the level's whole order. False, with nothing moved, when either is not.
bool MoveMenuEntry(HMENU menu, int from, int to);

// Whether the level has an order of its own; forgetting it puts the level in the shell's
// order and saves the file.
bool HasOwnOrder(HMENU menu);
void ForgetMenuOrder(HMENU menu);
