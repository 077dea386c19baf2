// The launcher's icons as pixels it keeps. Window thread only. Drawing from the image list
// costs a masked draw per icon; instead each icon is taken once, by drawing it as the menu
// did (ILD_NORMAL) onto black and onto white: where both agree the icon is opaque, and the
// difference gives how much of the background shows through, so the black drawing is the
// icon premultiplied by its alpha. Every kept icon is a slot of one 32-bit section, found
// from its image-list index through a table (entries sharing an icon share a slot); the
// first two squares, of the list's icon size, are where it is drawn on black and white. A
// slot is of the look's icon size: where the list's icons are larger (no list has the size a
// monitor's DPI asks for), they are scaled down by averaging the area each pixel covers. A
// section's slots are valid for one image list at one icon size and look size; a few such
// sections are kept, one per size in use (a monitor of another scale has its own), and the
// shell's word that images changed drops them all.
#include "launcher/icon_pixels.h"

#include <commoncontrols.h>

#include <cstring>

namespace {

constexpr int kScratchSquares = 2;  // black, then white
constexpr int kFirstSlots = 16;
constexpr int kFirstTable = 256;
// Sections kept at once: the icon sizes of as many monitors' scales; one more drops the one
// drawn from least lately.
constexpr int kSizesKept = 4;

struct IconPixels {
    IImageList* list;  // the list the slots were taken from, at cx by cy, for the look's size
    int cx;
    int cy;
    int lookCx;        // a slot's size
    int lookCy;
    int width;         // the section's, the wider of the two sizes
    HDC dc;            // holds the section while there is one
    HBITMAP section;
    HGDIOBJ previous;  // the DC's own bitmap, put back before the section is deleted
    DWORD* bits;       // top-down, width wide: the scratch squares (cy high), then the slots
    int capacity;      // slots the section has room for
    int used;
    int* slotOf;       // index -> slot + 1, 0 while not taken; tableSize entries
    int tableSize;
    unsigned lastUse;  // when it was last asked for (g_uses)
};
IconPixels g_pixels[kSizesKept];
long g_takes;
unsigned g_uses;

// The section's rows: the scratch squares, then slots slots.
int Rows(const IconPixels& p, int slots)
{
    return kScratchSquares * p.cy + slots * p.lookCy;
}

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
    info.bmiHeader.biWidth = p.width;
    info.bmiHeader.biHeight = -Rows(p, slots);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(p.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section)
        return false;
    GdiFlush();
    if (p.bits)
        memcpy(bits, p.bits, sizeof(DWORD) * p.width * Rows(p, p.used));
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

// As ImageList_Draw draws with ILD_NORMAL: the whole image, masked, default colours; at cx by
// cy when given.
void DrawFromList(IImageList* list, HDC dc, int index, int x, int y, int cx = 0, int cy = 0)
{
    IMAGELISTDRAWPARAMS params = {};
    params.cbSize = sizeof(params);
    params.i = index;
    params.hdcDst = dc;
    params.x = x;
    params.y = y;
    params.rgbBk = CLR_DEFAULT;
    params.rgbFg = CLR_DEFAULT;
    params.cx = cx;
    params.cy = cy;
    params.fStyle = cx ? ILD_NORMAL | ILD_SCALE : ILD_NORMAL;
    params.dwRop = SRCCOPY;
    list->Draw(&params);
}

// One channel of a pixel.
int Channel(DWORD pixel, int shift)
{
    return static_cast<int>((pixel >> shift) & 0xFF);
}

// Scales a square of premultiplied pixels, fromCx by fromCy, onto toCx by toCy, both
// stride pixels to a row: each target pixel is the average of the source area it covers. On
// a common axis a source pixel spans toCx units and a target pixel fromCx.
void Scale(const DWORD* from, int fromCx, int fromCy, DWORD* to, int toCx, int toCy, int stride)
{
    for (int ty = 0; ty < toCy; ++ty) {
        for (int tx = 0; tx < toCx; ++tx) {
            UINT64 sum[4] = {};
            for (int sy = ty * fromCy / toCy; sy * toCy < (ty + 1) * fromCy; ++sy) {
                int top = sy * toCy > ty * fromCy ? sy * toCy : ty * fromCy;
                int bottom = (sy + 1) * toCy < (ty + 1) * fromCy ? (sy + 1) * toCy : (ty + 1) * fromCy;
                for (int sx = tx * fromCx / toCx; sx * toCx < (tx + 1) * fromCx; ++sx) {
                    int left = sx * toCx > tx * fromCx ? sx * toCx : tx * fromCx;
                    int right = (sx + 1) * toCx < (tx + 1) * fromCx ? (sx + 1) * toCx : (tx + 1) * fromCx;
                    UINT64 weight = static_cast<UINT64>(right - left) * static_cast<UINT64>(bottom - top);
                    DWORD pixel = from[sy * stride + sx];
                    for (int c = 0; c < 4; ++c)
                        sum[c] += weight * Channel(pixel, 8 * c);
                }
            }
            UINT64 area = static_cast<UINT64>(fromCx) * static_cast<UINT64>(fromCy);
            DWORD pixel = 0;
            for (int c = 0; c < 4; ++c)
                pixel |= static_cast<DWORD>((sum[c] + area / 2) / area) << (8 * c);
            to[ty * stride + tx] = pixel;
        }
    }
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
    const int square = p.width * p.cy;
    DWORD* black = p.bits;
    DWORD* white = p.bits + square;
    GdiFlush();
    memset(black, 0x00, sizeof(DWORD) * square);
    memset(white, 0xFF, sizeof(DWORD) * square);
    DrawFromList(p.list, p.dc, index, 0, 0);
    DrawFromList(p.list, p.dc, index, 0, p.cy);
    GdiFlush();
    DWORD* slot = p.bits + p.width * Rows(p, p.used);
    // Of the list's size straight into the slot; otherwise in place, then scaled into it.
    bool scaled = p.cx != p.lookCx || p.cy != p.lookCy;
    DWORD* premultiplied = scaled ? black : slot;
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
        premultiplied[i] = pixel;
    }
    if (scaled)
        Scale(premultiplied, p.cx, p.cy, slot, p.lookCx, p.lookCy, p.width);
    p.slotOf[index] = ++p.used;
    ++g_takes;
    return p.used - 1;
}

void Drop(IconPixels& p)
{
    if (p.section) {
        SelectObject(p.dc, p.previous);
        DeleteObject(p.section);
    }
    if (p.dc)
        DeleteDC(p.dc);
    if (p.slotOf)
        HeapFree(GetProcessHeap(), 0, p.slotOf);
    ZeroMemory(&p, sizeof(p));
}

// The kept pixels of list at its size now and of look's size: those kept for them, or,
// dropping the ones drawn from least lately, a new place; null when the list gives no size.
IconPixels* KeepFor(IImageList* list, const MenuLook& look)
{
    int cx = 0, cy = 0;
    if (!list || list->GetIconSize(&cx, &cy) != S_OK || cx <= 0 || cy <= 0 || look.smallIconCx <= 0 ||
        look.smallIconCy <= 0)
        return nullptr;
    IconPixels* p = nullptr;
    for (IconPixels& kept : g_pixels) {
        if (kept.list == list && kept.cx == cx && kept.cy == cy && kept.lookCx == look.smallIconCx &&
            kept.lookCy == look.smallIconCy) {
            p = &kept;
            break;
        }
        if (!p || kept.lastUse < p->lastUse)
            p = &kept;
    }
    if (p->list != list || p->cx != cx || p->cy != cy || p->lookCx != look.smallIconCx ||
        p->lookCy != look.smallIconCy) {
        Drop(*p);
        p->list = list;
        p->cx = cx;
        p->cy = cy;
        p->lookCx = look.smallIconCx;
        p->lookCy = look.smallIconCy;
        p->width = cx > p->lookCx ? cx : p->lookCx;
    }
    p->lastUse = ++g_uses;
    return p;
}

}  // namespace

void TakeIconPixels(IImageList* list, const LauncherRecord* records, const MenuLook& look)
{
    IconPixels* p = KeepFor(list, look);
    if (!p)
        return;
    for (const LauncherRecord* record = records; record; record = record->next) {
        if (record->iconIndex >= 0)
            SlotOf(*p, record->iconIndex);
    }
}

void TakeIconPixelsOf(IImageList* list, int index, const MenuLook& look)
{
    IconPixels* p = index >= 0 ? KeepFor(list, look) : nullptr;
    if (p)
        SlotOf(*p, index);
}

void DrawIconPixels(HDC dc, IImageList* list, int index, int x, int y, const MenuLook& look)
{
    IconPixels* p = index >= 0 ? KeepFor(list, look) : nullptr;
    int slot = p ? SlotOf(*p, index) : -1;
    if (slot >= 0) {
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        GdiAlphaBlend(dc, x, y, p->lookCx, p->lookCy, p->dc, 0, Rows(*p, slot), p->lookCx, p->lookCy, blend);
        return;
    }
    if (list && index >= 0)
        DrawFromList(list, dc, index, x, y, look.smallIconCx, look.smallIconCy);
}

void DropIconPixels()
{
    for (IconPixels& p : g_pixels)
        Drop(p);
}

IconPixelFigures IconPixelsHeld()
{
    IconPixelFigures figures = {};
    figures.takes = g_takes;
    for (const IconPixels& p : g_pixels) {
        figures.slots += p.used;
        figures.bytes += sizeof(DWORD) * static_cast<SIZE_T>(p.width) * (p.section ? Rows(p, p.capacity) : 0) +
                         sizeof(int) * static_cast<SIZE_T>(p.tableSize);
        figures.gdiObjects += (p.dc ? 1 : 0) + (p.section ? 1 : 0);
    }
    return figures;
}
