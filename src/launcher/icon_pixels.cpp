// The launcher's icons as pixels it keeps. Window thread only. Drawing from the image list
// costs a masked draw per icon; instead each icon is taken once, by drawing it as the menu
// did (ILD_NORMAL) onto black and onto white: where both agree the icon is opaque, and the
// difference gives how much of the background shows through, so the black drawing is the
// icon premultiplied by its alpha. Every kept icon is a square slot of one 32-bit section, found
// from its image-list index through a table (entries sharing an icon share a slot); the
// first two squares are where it is drawn on black and white. Slots are valid for one image
// list at one icon size and look: anything else, or the shell's word that images changed,
// drops them all.
#include "launcher/icon_pixels.h"

#include <commoncontrols.h>

#include <cstring>

namespace {

constexpr int kScratchSquares = 2;  // black, then white
constexpr int kFirstSlots = 16;
constexpr int kFirstTable = 256;

struct IconPixels {
    IImageList* list;  // the list the slots were taken from, at cx by cy, for the look's size
    int cx;
    int cy;
    int lookCx;
    int lookCy;
    HDC dc;            // holds the section while there is one
    HBITMAP section;
    HGDIOBJ previous;  // the DC's own bitmap, put back before the section is deleted
    DWORD* bits;       // top-down, cx wide: the scratch squares, then the slots
    int capacity;      // slots the section has room for
    int used;
    int* slotOf;       // index -> slot + 1, 0 while not taken; tableSize entries
    int tableSize;
    long takes;
};
IconPixels g_pixels;

// The section for slots slots; what it held is copied over.
bool Grow(IconPixels& p, int slots)
{
    if (!p.dc) {
        p.dc = CreateCompatibleDC(nullptr);
        if (!p.dc)
            return false;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = p.cx;
    info.bmiHeader.biHeight = -(kScratchSquares + slots) * p.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(p.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section)
        return false;
    GdiFlush();
    if (p.bits)
        memcpy(bits, p.bits, sizeof(DWORD) * p.cx * p.cy * (kScratchSquares + p.used));
    HGDIOBJ previous = SelectObject(p.dc, section);
    if (p.section)
        DeleteObject(p.section);
    else
        p.previous = previous;
    p.section = section;
    p.bits = static_cast<DWORD*>(bits);
    p.capacity = slots;
    return true;
}

bool GrowTable(IconPixels& p, int index)
{
    int size = p.tableSize ? p.tableSize : kFirstTable;
    while (size <= index)
        size *= 2;
    SIZE_T bytes = sizeof(int) * static_cast<SIZE_T>(size);
    void* table = p.slotOf ? HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, p.slotOf, bytes)
                           : HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
    if (!table)
        return false;
    p.slotOf = static_cast<int*>(table);
    p.tableSize = size;
    return true;
}

// As ImageList_Draw draws with ILD_NORMAL: the whole image, masked, default colours.
void DrawFromList(IImageList* list, HDC dc, int index, int x, int y)
{
    IMAGELISTDRAWPARAMS params = {};
    params.cbSize = sizeof(params);
    params.i = index;
    params.hdcDst = dc;
    params.x = x;
    params.y = y;
    params.rgbBk = CLR_DEFAULT;
    params.rgbFg = CLR_DEFAULT;
    params.fStyle = ILD_NORMAL;
    params.dwRop = SRCCOPY;
    list->Draw(&params);
}

// One channel of a pixel.
int Channel(DWORD pixel, int shift)
{
    return static_cast<int>((pixel >> shift) & 0xFF);
}

// The slot of index, taken now if it is not kept; -1 when it can't be.
int SlotOf(IconPixels& p, int index)
{
    if (index < p.tableSize && p.slotOf[index])
        return p.slotOf[index] - 1;
    if (index >= p.tableSize && !GrowTable(p, index))
        return -1;
    if (p.used == p.capacity && !Grow(p, p.capacity ? p.capacity + p.capacity / 2 : kFirstSlots))
        return -1;
    const int square = p.cx * p.cy;
    DWORD* black = p.bits;
    DWORD* white = p.bits + square;
    GdiFlush();
    memset(black, 0x00, sizeof(DWORD) * square);
    memset(white, 0xFF, sizeof(DWORD) * square);
    DrawFromList(p.list, p.dc, index, 0, 0);
    DrawFromList(p.list, p.dc, index, 0, p.cy);
    GdiFlush();
    DWORD* slot = p.bits + square * (kScratchSquares + p.used);
    for (int i = 0; i < square; ++i) {
        int through = 0;  // how much of the background shows, 0 to 255, from the three channels
        for (int shift = 0; shift <= 16; shift += 8) {
            int d = Channel(white[i], shift) - Channel(black[i], shift);
            through += d < 0 ? 0 : d;
        }
        int alpha = 255 - (through + 1) / 3;
        DWORD pixel = static_cast<DWORD>(alpha) << 24;
        for (int shift = 0; shift <= 16; shift += 8) {
            int c = Channel(black[i], shift);
            pixel |= static_cast<DWORD>(c < alpha ? c : alpha) << shift;
        }
        slot[i] = pixel;
    }
    p.slotOf[index] = ++p.used;
    ++p.takes;
    return p.used - 1;
}

// Makes the kept pixels those of list at its size now and of look's size, dropping them
// when they were not; false when the list gives no size.
bool KeepFor(IconPixels& p, IImageList* list, const MenuLook& look)
{
    int cx = 0, cy = 0;
    if (!list || list->GetIconSize(&cx, &cy) != S_OK || cx <= 0 || cy <= 0)
        return false;
    if (list != p.list || cx != p.cx || cy != p.cy || look.smallIconCx != p.lookCx ||
        look.smallIconCy != p.lookCy) {
        DropIconPixels();
        p.list = list;
        p.cx = cx;
        p.cy = cy;
        p.lookCx = look.smallIconCx;
        p.lookCy = look.smallIconCy;
    }
    return true;
}

}  // namespace

void TakeIconPixels(IImageList* list, const LauncherRecord* records, const MenuLook& look)
{
    if (!KeepFor(g_pixels, list, look))
        return;
    for (const LauncherRecord* record = records; record; record = record->next) {
        if (record->iconIndex >= 0)
            SlotOf(g_pixels, record->iconIndex);
    }
}

void TakeIconPixelsOf(IImageList* list, int index, const MenuLook& look)
{
    if (index >= 0 && KeepFor(g_pixels, list, look))
        SlotOf(g_pixels, index);
}

void DrawIconPixels(HDC dc, IImageList* list, int index, int x, int y, const MenuLook& look)
{
    IconPixels& p = g_pixels;
    int slot = index >= 0 && KeepFor(p, list, look) ? SlotOf(p, index) : -1;
    if (slot >= 0) {
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        GdiAlphaBlend(dc, x, y, p.cx, p.cy, p.dc, 0, (kScratchSquares + slot) * p.cy, p.cx, p.cy, blend);
        return;
    }
    if (list && index >= 0)
        DrawFromList(list, dc, index, x, y);
}

void DropIconPixels()
{
    IconPixels& p = g_pixels;
    if (p.section) {
        SelectObject(p.dc, p.previous);
        DeleteObject(p.section);
    }
    if (p.dc)
        DeleteDC(p.dc);
    if (p.slotOf)
        HeapFree(GetProcessHeap(), 0, p.slotOf);
    long takes = p.takes;
    ZeroMemory(&p, sizeof(p));
    p.takes = takes;
}

IconPixelFigures IconPixelsHeld()
{
    const IconPixels& p = g_pixels;
    IconPixelFigures figures = {};
    figures.slots = p.used;
    figures.takes = p.takes;
    figures.bytes = sizeof(DWORD) * static_cast<SIZE_T>(p.cx) * p.cy * (p.section ? kScratchSquares + p.capacity : 0) +
                    sizeof(int) * static_cast<SIZE_T>(p.tableSize);
    figures.gdiObjects = (p.dc ? 1 : 0) + (p.section ? 1 : 0);
    return figures;
}
