// Item-ID lists as plain bytes: walking, measuring and joining. Platform-free, so the
// sanitizers and the fuzzer run over it; the Win32 side passes ITEMIDLIST pointers.
//
// A list is a run of items, each starting with its size `cb` (2 bytes, little-endian,
// the two bytes included), ended by a `cb` of 0.
#pragma once
#include <cstddef>

// The `cb` of the item at p.
unsigned IdItemSize(const unsigned char* p);

// The item after p, or null when p is the terminator or the last item.
const unsigned char* IdBytesNext(const unsigned char* p);

// The whole list's size in bytes with its terminator; 0 for null.
size_t IdBytesSize(const unsigned char* p);

using IdBytesAlloc = void* (*)(size_t size, void* context);

// a without its terminator followed by b with its own, in a zero-filled block from
// alloc; null when either list is null (nothing is allocated) or alloc fails.
unsigned char* IdBytesConcat(const unsigned char* a, const unsigned char* b, IdBytesAlloc alloc,
                             void* context);

// The zero-terminated text that starts offset bytes into a block of size bytes, or null
// when the offset lies outside the block or no terminator follows it inside the block.
const char* TextInside(const void* block, size_t size, size_t offset);
