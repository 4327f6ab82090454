/*
 * item_pool_test.cpp --
 *
 *	The storage of canvas item records: records of one size lie side by
 *	side on cache lines (what keeps a walk over every item fast), given
 *	back records are reused, and every byte asked for is usable, across
 *	chunks and for sizes the pool hands to Tcl's allocator.
 */
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "canvas/item_pool.h"

namespace {

TEST(ItemPool, RecordsOfOneSizeLieSideBySideOnCacheLines)
{
    std::vector<char *> blocks;
    for (int i = 0; i < 50; i++) blocks.push_back((char *)itemPoolAlloc(440));
    int adjacent = 0;
    for (size_t i = 0; i < blocks.size(); i++) {
        EXPECT_EQ(0u, (uintptr_t)blocks[i] % 64) << i;
        if (i > 0 && blocks[i] - blocks[i - 1] == 448) adjacent++;
    }
    // A chunk boundary may fall between two of them, no more.
    EXPECT_GE(adjacent, 48);
    for (char *b : blocks) itemPoolFree(b, 440);
}

TEST(ItemPool, EveryByteIsUsableAndBlocksAreDistinctAcrossChunks)
{
    const size_t sizes[] = {0, 1, 63, 64, 65, 440, 4096, 4097, 20000};
    for (size_t size : sizes) {
        std::vector<unsigned char *> blocks;
        std::set<unsigned char *> seen;
        // Several chunks (up to 1 MiB each).
        size_t slot = size == 0 ? 64 : (size + 63) / 64 * 64;
        int count = size > 4096 ? 20 : (int)(3 * (1024 * 1024 / slot) + 10);
        for (int i = 0; i < count; i++) {
            unsigned char *b = (unsigned char *)itemPoolAlloc(size);
            ASSERT_NE(nullptr, b);
            EXPECT_TRUE(seen.insert(b).second) << size;
            memset(b, i & 255, size);
            blocks.push_back(b);
        }
        for (int i = 0; i < count; i++) {
            for (size_t k = 0; k < size; k++) {
                if (blocks[i][k] != (i & 255)) {
                    ADD_FAILURE() << "size " << size << " block " << i << " byte " << k << " overwritten";
                    break;
                }
            }
        }
        for (unsigned char *b : blocks) itemPoolFree(b, size);
    }
}

// A new item record starts all zero, whether its slot is new (from a
// chunk that came zeroed) or given back by an earlier record.
TEST(ItemPool, ZeroedRecordsAreZeroNewOrReused)
{
    const size_t sizes[] = {1, 200, 440, 4096, 5000};
    for (size_t size : sizes) {
        std::vector<unsigned char *> blocks;
        int count = size > 4096 ? 10 : (int)(2 * (1024 * 1024 / ((size + 63) / 64 * 64)) + 5);
        for (int round = 0; round < 2; round++) {
            for (int i = 0; i < count; i++) {
                unsigned char *b = (unsigned char *)itemPoolAllocZeroed(size);
                for (size_t k = 0; k < size; k++) {
                    if (b[k] != 0) {
                        ADD_FAILURE() << "size " << size << " round " << round << " block " << i
                                      << " byte " << k << " not zero";
                        break;
                    }
                }
                memset(b, 0xa5, size);
                blocks.push_back(b);
            }
            for (unsigned char *b : blocks) itemPoolFree(b, size);
            blocks.clear();
        }
    }
}

TEST(ItemPool, AGivenBackRecordIsReusedForTheSameSizeClass)
{
    void *a = itemPoolAlloc(300);
    itemPoolFree(a, 300);
    void *b = itemPoolAlloc(320);  // same 64-byte class as 300
    EXPECT_EQ(a, b);
    void *c = itemPoolAlloc(300);
    EXPECT_NE(b, c);
    itemPoolFree(b, 320);
    itemPoolFree(c, 300);
    itemPoolFree(nullptr, 300);  // nothing to give back
}

}  // namespace
