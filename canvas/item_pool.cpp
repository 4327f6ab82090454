/*
 * item_pool.cpp --
 *
 *	Size classes of 64-byte steps up to 4096 bytes, each with a free
 *	list and a chunk being carved. Chunks stay with the thread (Tk's
 *	widgets live in one thread) and are reused by later records; they
 *	are linked from the pool so that a leak checker sees them reachable.
 *	Under AddressSanitizer free slots and the uncarved part of a chunk
 *	are poisoned, so a record used after it was given back is reported.
 */
#include "canvas/item_pool.h"

#include <tcl.h>

#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define POOL_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define POOL_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define POOL_POISON(p, n) ((void)(p), (void)(n))
#define POOL_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

const size_t kLine = 64;
const size_t kLargest = 4096;
const size_t kClasses = kLargest / kLine + 1;
const size_t kChunkBytes = 64 * 1024;

struct FreeSlot {
    FreeSlot *next;
};

struct ChunkHead {
    ChunkHead *previous;
};

struct Pool {
    FreeSlot *free[kClasses];
    char *carve[kClasses];
    char *end[kClasses];
    ChunkHead *chunks;
};

thread_local Pool pool;

/* A new chunk for slots of slot bytes: one line for the chunk link, the
 * rest aligned to the line. */
void newChunk(size_t cls, size_t slot)
{
    char *raw = (char *)ckalloc(kChunkBytes + kLine);
    ChunkHead *head = (ChunkHead *)raw;
    head->previous = pool.chunks;
    pool.chunks = head;
    uintptr_t first = ((uintptr_t)raw + sizeof(ChunkHead) + kLine - 1) & ~(uintptr_t)(kLine - 1);
    pool.carve[cls] = (char *)first;
    pool.end[cls] = pool.carve[cls] + ((raw + kChunkBytes + kLine - pool.carve[cls]) / slot) * slot;
    POOL_POISON(pool.carve[cls], pool.end[cls] - pool.carve[cls]);
}

}  // namespace

void *itemPoolAlloc(size_t size)
{
    if (size > kLargest) {
        return (void *)ckalloc(size);
    }
    size_t cls = size == 0 ? 1 : (size + kLine - 1) / kLine;
    size_t slot = cls * kLine;
    if (FreeSlot *f = pool.free[cls]) {
        POOL_UNPOISON(f, slot);
        pool.free[cls] = f->next;
        return f;
    }
    if (pool.carve[cls] == NULL || pool.carve[cls] + slot > pool.end[cls]) {
        newChunk(cls, slot);
    }
    char *block = pool.carve[cls];
    pool.carve[cls] += slot;
    POOL_UNPOISON(block, slot);
    return block;
}

void itemPoolFree(void *block, size_t size)
{
    if (block == NULL) {
        return;
    }
    if (size > kLargest) {
        ckfree((char *)block);
        return;
    }
    size_t cls = size == 0 ? 1 : (size + kLine - 1) / kLine;
    FreeSlot *f = (FreeSlot *)block;
    f->next = pool.free[cls];
    pool.free[cls] = f;
    POOL_POISON(f, cls * kLine);
}
