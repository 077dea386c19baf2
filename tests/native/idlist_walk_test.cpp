// Item-ID list walking, measuring and joining on byte buffers, under the sanitizers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "shell/idlist_walk.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A list of items with these data lengths (cb = length + 2), data bytes 0xA0 + index.
Bytes MakeList(std::initializer_list<size_t> lengths)
{
    Bytes list;
    unsigned char fill = 0xA0;
    for (size_t length : lengths) {
        size_t cb = length + 2;
        list.push_back(static_cast<unsigned char>(cb & 0xFF));
        list.push_back(static_cast<unsigned char>(cb >> 8));
        list.insert(list.end(), length, fill++);
    }
    list.push_back(0);
    list.push_back(0);
    return list;
}

struct Allocs {
    int calls = 0;
    bool refuse = false;
    std::vector<void*> blocks;
    ~Allocs()
    {
        for (void* b : blocks)
            free(b);
    }
};

void* CountingAlloc(size_t size, void* context)
{
    auto* allocs = static_cast<Allocs*>(context);
    ++allocs->calls;
    if (allocs->refuse)
        return nullptr;
    void* block = malloc(size);
    memset(block, 0xEE, size);  // what a shell allocator might hand out
    allocs->blocks.push_back(block);
    return block;
}

TEST(IdListWalk, SizeCountsEveryItemAndTheTerminatorAtAnyAddress)
{
    struct Row {
        const char* name;
        Bytes list;
        size_t size;
    } rows[] = {
        {"terminator only", MakeList({}), 2},
        {"one item of cb 20", MakeList({18}), 22},
        {"three items", MakeList({1, 0, 300}), 3 + 2 + 302 + 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.size, IdBytesSize(row.list.data()));
    }
    EXPECT_EQ(0u, IdBytesSize(nullptr));
    // At an odd address, little-endian: cb 0x200, whose high byte matters.
    Bytes buffer(1, 0x55);
    Bytes list = MakeList({0x1FE});
    buffer.insert(buffer.end(), list.begin(), list.end());
    EXPECT_EQ(0x200u, IdItemSize(buffer.data() + 1));
    EXPECT_EQ(0x202u, IdBytesSize(buffer.data() + 1));
}

TEST(IdListWalk, NextStopsAtTheLastItem)
{
    Bytes list = MakeList({4, 1});
    const unsigned char* first = list.data();
    const unsigned char* second = IdBytesNext(first);
    ASSERT_EQ(first + 6, second);
    EXPECT_EQ(3u, IdItemSize(second));
    EXPECT_EQ(nullptr, IdBytesNext(second)) << "the last item has no next, terminator or not";
    Bytes empty = MakeList({});
    EXPECT_EQ(nullptr, IdBytesNext(empty.data()));
}

TEST(IdListWalk, ConcatJoinsWithOneTerminatorAndNullGivesNull)
{
    Bytes a = MakeList({3, 5});
    Bytes b = MakeList({7});
    Allocs allocs;
    unsigned char* joined = IdBytesConcat(a.data(), b.data(), CountingAlloc, &allocs);
    ASSERT_NE(nullptr, joined);
    EXPECT_EQ(1, allocs.calls);
    size_t size = IdBytesSize(joined);
    EXPECT_EQ(a.size() + b.size() - 2, size);
    Bytes expected(a.begin(), a.end() - 2);
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(expected, Bytes(joined, joined + size));
    // Joining onto an empty list copies the other; an empty second adds nothing.
    Bytes empty = MakeList({});
    unsigned char* same = IdBytesConcat(empty.data(), b.data(), CountingAlloc, &allocs);
    ASSERT_NE(nullptr, same);
    EXPECT_EQ(b, Bytes(same, same + b.size()));
    same = IdBytesConcat(a.data(), empty.data(), CountingAlloc, &allocs);
    ASSERT_NE(nullptr, same);
    EXPECT_EQ(a, Bytes(same, same + a.size()));
    // A null list allocates nothing; a refused allocation gives null.
    EXPECT_EQ(nullptr, IdBytesConcat(nullptr, a.data(), CountingAlloc, &allocs));
    EXPECT_EQ(nullptr, IdBytesConcat(a.data(), nullptr, CountingAlloc, &allocs));
    EXPECT_EQ(nullptr, IdBytesConcat(nullptr, nullptr, CountingAlloc, &allocs));
    EXPECT_EQ(3, allocs.calls) << "a null list allocated";
    allocs.refuse = true;
    EXPECT_EQ(nullptr, IdBytesConcat(a.data(), a.data(), CountingAlloc, &allocs));
    EXPECT_EQ(4, allocs.calls);
}

TEST(IdListWalk, TextInsideTakesOnlyATextThatEndsInItsBlock)
{
    // Copied into a block of its own size, so the sanitizer sees any read past the end.
    const char source[] = {'\x09', 0, 'n', 'a', 'm', 'e', 0, 'x', 'y', 0, 0};
    std::vector<char> block(source, source + sizeof(source));
    block.shrink_to_fit();
    struct Row {
        const char* name;
        size_t size, offset;
        const char* expected;
    } rows[] = {
        {"inside", block.size(), 2, "name"},
        {"empty at the terminator", block.size(), 9, ""},
        {"offset at the size", block.size(), block.size(), nullptr},
        {"offset beyond", block.size(), 4000, nullptr},
        {"runs past the size", 9, 7, nullptr},
        {"ends on the last byte", 7, 2, "name"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const char* text = TextInside(block.data(), row.size, row.offset);
        if (!row.expected) {
            EXPECT_EQ(nullptr, text);
        } else {
            ASSERT_NE(nullptr, text);
            EXPECT_STREQ(row.expected, text);
        }
    }
    EXPECT_EQ(nullptr, TextInside(nullptr, 4, 0));
}

}  // namespace
