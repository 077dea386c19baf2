// The launcher's icons as pixels it keeps, drawn with one blend each. Window thread only:
// the section, its DC and the index table belong to the thread that draws the menus.
#pragma once
#include <windows.h>

#include <commctrl.h>

#include "launcher/launcher_types.h"

// Takes the pixels of every record's icon not yet kept, from list, at the look's icon size
// (scaled down from the list's where the two differ), so that a menu about to be kept draws
// its first showing from kept pixels. Nothing for a null list or records without an icon.
void TakeIconPixels(IImageList* list, const LauncherRecord* records, const MenuLook& look);

// Takes the pixels of one icon, index of list, when not yet kept (a late icon that came).
void TakeIconPixelsOf(IImageList* list, int index, const MenuLook& look);

// Draws icon index of list at x, y, at the look's icon size, as IImageList::Draw draws it
// with ILD_NORMAL (and ILD_SCALE where the sizes differ), from its kept pixels (taken now if
// they are not kept yet); drawn by the list itself when they can't be kept (out of memory).
void DrawIconPixels(HDC dc, IImageList* list, int index, int x, int y, const MenuLook& look);

// Forgets every kept icon and frees what holds them: the shell announced changed images, or
// quit. Icons drawn later are taken again.
void DropIconPixels();

// What the kept pixels hold now, and how many icons were taken since start.
struct IconPixelFigures {
    int slots;         // icons kept
    long takes;        // icons taken from an image list since start
    SIZE_T bytes;      // the section's pixels and the index table
    int gdiObjects;    // a section and its DC for each icon size with kept pixels
};
IconPixelFigures IconPixelsHeld();
