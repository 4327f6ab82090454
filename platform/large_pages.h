/*
 * large_pages.h --
 *
 *	Asks the kernel to back a large block with huge pages. A whole-image
 *	block of 75 MB is otherwise first touched one 4 KiB page fault at a
 *	time, which costs more than filling it.
 */
#ifndef OVEX_PLATFORM_LARGE_PAGES_H
#define OVEX_PLATFORM_LARGE_PAGES_H

#include <stddef.h>

/* Blocks below this size are left as the allocator gave them. */
#define LARGE_PAGE_THRESHOLD ((size_t)8 << 20)

/* Advises huge pages for the 2 MiB-aligned part of [block, block + size);
 * nothing for small blocks or where the kernel does not offer them. */
void adviseLargePages(void *block, size_t size);

/* Gives the whole pages inside [block, block + size) back to the system:
 * their contents are lost (they read as zeros afterwards). A block that
 * is written out and freed piece by piece so lends its pages to what the
 * writing needs next, instead of the system finding fresh ones. */
void releasePages(void *block, size_t size);

#endif /* OVEX_PLATFORM_LARGE_PAGES_H */
