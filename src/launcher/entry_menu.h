// What a person can do to one entry of an open folder menu besides opening it: open it as
// administrator (Ctrl+Shift with Return or a click), or ask for the shell's own context
// menu on it (the right button, the context-menu key, Shift+F10). The launcher owns the
// tracking state behind these for the length of one TrackFolderMenu call; the context
// menu's shell objects live only while that menu is shown. Window thread only.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "launcher/launcher.h"
#include "launcher/launcher_types.h"

// The Down posted as the launcher opens from the keyboard, to select its first entry: a
// repeat count of 0, which no typed key has. It is never taken for Ctrl+Down (a move), though
// the hotkey's own Ctrl may still be down.
constexpr LPARAM kOpeningDownLParam = 0;

// The item chosen in a folder menu (0: none), and whether to open it as administrator.
struct FolderChoice {
    UINT id;
    bool elevated;
};

// Tracks the folder menu (its entries from head) at point for window, with the same
// flags as any folder menu, while watching the keys and the right button on its entries.
FolderChoice TrackFolderMenu(HMENU menu, LaunchEntry* head, HWND window, POINT point);


// Shows the shell's context menu for the entry over the open folder menu, at point (screen),
// and runs the command chosen there; the folder menu then closes. A command that may change
// what the menus show where no watch sees it (one of no verb the launcher knows) marks the
// kept menus stale and builds the launcher ahead; open, copy, properties and the like mark
// nothing. Nothing chosen leaves the folder menu open.
// extendedVerbs adds the commands the shell shows with Shift held. When level (the menu the
// entry is shown in) has an order of its own, "元の順序に戻す" comes first and puts it back in
// the shell's order.
void ShowEntryContextMenu(HWND window, LPCITEMIDLIST list, POINT point, bool extendedVerbs,
                          HMENU level = nullptr);
