// Moving an entry of an open launcher menu to a place of the user's choosing: dragged with
// the left button, or moved one place with Ctrl+Up and Ctrl+Down. Platform menus offer a drag
// only through MNS_DRAGDROP, which Wine does not implement, so the folder menu's message
// filter (entry_menu.cpp) hands the mouse and these keys here first. Window thread only; the
// state of a drag lives from the button's press to its release within one tracked menu.
#pragma once
#include <windows.h>

// The menu window ("#32768") of this thread under a point on the screen, and its menu; null
// when none is there.
HWND MenuWindowAt(POINT point, HMENU* menu);

// A mouse message (or Escape) of the folder menu's loop: true when it belongs to a drag and is
// taken from the menu. A press on an entry is left to the menu; once the pointer has moved
// beyond the system's drag distance, the moves, the release (which then moves the entry to the
// line shown, highlighted, and launches nothing) and Escape (which ends the drag alone) are
// the drag's. owner: the menu's owner window.
bool OnEntryDragMessage(const MSG& msg, HWND owner);

// Ctrl+Up (step -1) or Ctrl+Down (+1) with the entry at index of menu highlighted: the entry
// is moved one place. True when the key is to be taken from the menu (the entry can go no
// further); false to let the menu move the highlight after it, as the arrow does.
bool MoveHighlightedEntry(HMENU menu, int index, int step);

// The folder menu's tracking ends: a drag under way is forgotten.
void EndEntryDrag();

// Repaints the open window of menu, if any, after its entries moved.
void RepaintMenu(HMENU menu);
