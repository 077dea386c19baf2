// Walking, measuring and joining item-ID lists as bytes.
#include "shell/idlist_walk.h"

#include <cstring>

unsigned IdItemSize(const unsigned char* p)
{
    // Read byte by byte: an item may start at any address.
    return static_cast<unsigned>(p[0]) | (static_cast<unsigned>(p[1]) << 8);
}

const unsigned char* IdBytesNext(const unsigned char* p)
{
    unsigned size = IdItemSize(p);
    if (size == 0)
        return nullptr;
    const unsigned char* q = p + size;
    return IdItemSize(q) != 0 ? q : nullptr;
}

size_t IdBytesSize(const unsigned char* p)
{
    if (!p)
        return 0;
    size_t total = 2;
    for (; p; p = IdBytesNext(p))
        total += IdItemSize(p);
    return total;
}

unsigned char* IdBytesConcat(const unsigned char* a, const unsigned char* b, IdBytesAlloc alloc,
                             void* context)
{
    if (!a || !b)
        return nullptr;
    size_t sizeA = IdBytesSize(a) - 2;
    size_t sizeB = IdBytesSize(b);
    auto* block = static_cast<unsigned char*>(alloc(sizeA + sizeB, context));
    if (!block)
        return nullptr;
    memcpy(block, a, sizeA);
    memcpy(block + sizeA, b, sizeB);
    return block;
}

const char* TextInside(const void* block, size_t size, size_t offset)
{
    if (!block || offset >= size)
        return nullptr;
    const char* text = static_cast<const char*>(block) + offset;
    return memchr(text, '\0', size - offset) ? text : nullptr;
}
