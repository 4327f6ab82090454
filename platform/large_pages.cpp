/*
 * large_pages.cpp --
 *
 *	Huge-page advice for large blocks.
 */
#include "platform/large_pages.h"

#include <stdint.h>
#include <sys/mman.h>
#include <unistd.h>

void adviseLargePages(void *block, size_t size)
{
#ifdef MADV_HUGEPAGE
    const uintptr_t huge = (uintptr_t)2 << 20;
    if (block == NULL || size < LARGE_PAGE_THRESHOLD) {
        return;
    }
    uintptr_t start = ((uintptr_t)block + huge - 1) & ~(huge - 1);
    uintptr_t end = ((uintptr_t)block + size) & ~(huge - 1);
    if (end > start) {
        /* Advice only: a kernel without transparent huge pages refuses it
         * and the block works as it is. */
        (void)madvise((void *)start, end - start, MADV_HUGEPAGE);
    }
#else
    (void)block;
    (void)size;
#endif
}

void releasePages(void *block, size_t size)
{
    long pageSize = sysconf(_SC_PAGESIZE);
    if (block == NULL || pageSize <= 0) {
        return;
    }
    uintptr_t page = (uintptr_t)pageSize;
    uintptr_t start = ((uintptr_t)block + page - 1) & ~(page - 1);
    uintptr_t end = ((uintptr_t)block + size) & ~(page - 1);
    if (end > start) {
        (void)madvise((void *)start, end - start, MADV_DONTNEED);
    }
}
