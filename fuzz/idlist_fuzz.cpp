// Fuzzes the item-ID list walking over arbitrary terminated byte buffers: the walk stays
// inside the buffer, the size matches a bounded reference walk, and a join holds both
// lists' bytes, and for well-formed lists their items in order with one terminator.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "shell/idlist_walk.h"

namespace {

// The size the walk should find, or 0 when following the sizes from p does not reach a
// zero size inside [p, end): such a buffer is no terminated list. wellFormed (optional)
// says whether every item is at least its own two size bytes long.
size_t BoundedSize(const unsigned char* p, const unsigned char* end, bool* wellFormed = nullptr)
{
    size_t total = 2;
    if (wellFormed)
        *wellFormed = true;
    for (;;) {
        if (end - p < 2)
            return 0;
        unsigned cb = p[0] | (p[1] << 8);
        if (cb == 0)
            return total;
        if (cb < 2 && wellFormed)
            *wellFormed = false;
        total += cb;
        if (static_cast<size_t>(end - p) < cb)
            return 0;
        p += cb;
    }
}

void* Alloc(size_t size, void*)
{
    return malloc(size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte splits the rest into two buffers, each copied to its own block so
    // the sanitizer sees any read past its end.
    size_t split = size > 1 ? data[0] % size : 0;
    std::vector<unsigned char> a(data + 1, data + 1 + (split ? split - 1 : 0));
    std::vector<unsigned char> b(data + 1 + a.size(), data + size);
    a.shrink_to_fit();
    b.shrink_to_fit();
    bool wellFormedA = false, wellFormedB = false;
    size_t sizeA = BoundedSize(a.data(), a.data() + a.size(), &wellFormedA);
    size_t sizeB = BoundedSize(b.data(), b.data() + b.size(), &wellFormedB);
    if (sizeA == 0 || sizeB == 0)
        return 0;
    if (IdBytesSize(a.data()) != sizeA || IdBytesSize(b.data()) != sizeB)
        abort();

    unsigned char* joined = IdBytesConcat(a.data(), b.data(), Alloc, nullptr);
    if (!joined)
        abort();
    if (memcmp(joined, a.data(), sizeA - 2) != 0 || memcmp(joined + sizeA - 2, b.data(), sizeB) != 0)
        abort();
    // An item shorter than its size field overlaps the next one's size: joining such a
    // list changes how it walks, so the item counts only hold for well-formed lists.
    if (!wellFormedA || !wellFormedB) {
        free(joined);
        return 0;
    }
    if (BoundedSize(joined, joined + sizeA - 2 + sizeB) != sizeA + sizeB - 2)
        abort();
    size_t itemsA = 0, itemsB = 0, itemsJoined = 0;
    for (const unsigned char* p = a.data(); p && IdItemSize(p); p = IdBytesNext(p))
        ++itemsA;
    for (const unsigned char* p = b.data(); p && IdItemSize(p); p = IdBytesNext(p))
        ++itemsB;
    for (const unsigned char* p = joined; p && IdItemSize(p); p = IdBytesNext(p))
        ++itemsJoined;
    if (itemsJoined != itemsA + itemsB)
        abort();
    free(joined);
    return 0;
}
