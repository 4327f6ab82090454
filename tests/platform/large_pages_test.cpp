/*
 * large_pages_test.cpp --
 *
 *	Released pages: the whole pages inside a block read as zeros
 *	afterwards, the partial pages at its ends keep their bytes.
 */
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/large_pages.h"

namespace {

TEST(LargePages, ReleaseClearsOnlyTheWholePagesInside)
{
    size_t page = (size_t)sysconf(_SC_PAGESIZE);
    size_t size = 8 * page;
    unsigned char *block = (unsigned char *)aligned_alloc(page, size);
    ASSERT_NE(nullptr, block);
    memset(block, 0x5A, size);
    /* From the middle of page 1 to the middle of page 6: pages 2 to 5 go. */
    releasePages(block + page + page / 2, 5 * page);
    for (size_t i = 0; i < size; i += page / 4) {
        bool inside = i >= 2 * page && i < 6 * page;
        EXPECT_EQ(inside ? 0 : 0x5A, block[i]) << "byte " << i;
    }
    releasePages(NULL, size);
    releasePages(block, page / 2);
    EXPECT_EQ(0x5A, block[0]);
    free(block);
}

}  // namespace
