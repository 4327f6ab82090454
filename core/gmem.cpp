/*
 * gmem.cpp --
 *
 *	Allocation over Tcl's allocator, so that memory crossing the library
 *	boundary is always freed by the allocator that made it. Failures
 *	warn and return NULL: they never end the process.
 */
#include "core/gmem.h"
#include "core/package.h"
#include "platform/large_pages.h"

#include <climits>
#include <cstdlib>

/*
 * attemptAlloc, attemptRealloc --
 *	The block, or NULL when the allocator refuses. Tcl 8.6 takes unsigned
 *	int sizes, so larger requests are refused here instead of wrapping.
 */
static void *attemptAlloc(size_t size)
{
#ifdef OVEX_SYSTEM_MALLOC
    void *block = malloc(size ? size : 1);
#else
    if (size > UINT_MAX) {
        return NULL;
    }
    void *block = Tcl_AttemptAlloc((unsigned int)size);
#endif
    adviseLargePages(block, size);
    return block;
}

static void *attemptRealloc(void *block, size_t size)
{
#ifdef OVEX_SYSTEM_MALLOC
    /* realloc to 0 bytes may free the block and return NULL: keep one byte. */
    return realloc(block, size ? size : 1);
#else
    if (size > UINT_MAX) {
        return NULL;
    }
    return Tcl_AttemptRealloc((char *)block, (unsigned int)size);
#endif
}

/*
 * gmemAlloc --
 *	A block of size bytes (not cleared), or NULL after a panic warning
 *	on the console when the allocator refuses.
 */
extern "C" void *gmemAlloc(size_t size)
{
    void *block = attemptAlloc(size);
    if (block == NULL) {
        ovexPanicMessage("unable to alloc %zu bytes", size);
    }
    return block;
}

/*
 * gmemFree --
 *	Returns the block to the allocator; NULL is ignored.
 */
extern "C" void gmemFree(void *block)
{
    if (block == NULL) {
        return;
    }
#ifdef OVEX_SYSTEM_MALLOC
    free(block);
#else
    Tcl_Free((char *)block);
#endif
}

/*
 * gmemRealloc --
 *	The block grown or shrunk to size bytes (possibly moved), or NULL
 *	after a panic warning; on failure the old block is left untouched and
 *	still belongs to the caller. A NULL block allocates.
 */
extern "C" void *gmemRealloc(void *block, size_t size)
{
    void *grown = attemptRealloc(block, size);
    if (grown == NULL) {
        ovexPanicMessage("unable to realloc %zu bytes", size);
    }
    return grown;
}

void *tclAlloc(size_t size)
{
    return gmemAlloc(size);
}

void tclFree(void *block)
{
    gmemFree(block);
}

void *tclRealloc(void *block, size_t size)
{
    return gmemRealloc(block, size);
}

void tclFreeProc(char *block)
{
    gmemFree(block);
}
