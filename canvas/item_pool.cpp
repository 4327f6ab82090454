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

#include <sys/mman.h>

#include <cstdint>
#include <cstring>

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
#if defined(__SANITIZE_ADDRESS__)
/* Chunks from the allocator, which the leak checker scans. */
const size_t kChunkBytes = 64 * 1024;
const bool kChunksZeroed = false;
#else
/* Chunks mapped whole and faulted in by the kernel in one call: its pages
 * come zeroed, so a slot carved from them is written once, by the item. */
const size_t kChunkBytes = 1024 * 1024 - kLine;
const bool kChunksZeroed = true;
#endif

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
    char *raw;
    if (kChunksZeroed) {
        void *m = mmap(NULL, kChunkBytes + kLine, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (m != MAP_FAILED) {
            raw = (char *)m;
        } else {
            raw = (char *)ckalloc(kChunkBytes + kLine);
            memset(raw, 0, kChunkBytes + kLine);
        }
    } else {
        raw = (char *)ckalloc(kChunkBytes + kLine);
    }
    ChunkHead *head = (ChunkHead *)raw;
    head->previous = pool.chunks;
    pool.chunks = head;
    uintptr_t first = ((uintptr_t)raw + sizeof(ChunkHead) + kLine - 1) & ~(uintptr_t)(kLine - 1);
    pool.carve[cls] = (char *)first;
    pool.end[cls] = pool.carve[cls] + ((raw + kChunkBytes + kLine - pool.carve[cls]) / slot) * slot;
    POOL_POISON(pool.carve[cls], pool.end[cls] - pool.carve[cls]);
}

}  // namespace

void *itemPoolAllocZeroed(size_t size)
{
    if (size > kLargest) {
        void *block = ckalloc(size);
        memset(block, 0, size);
        return block;
    }
    size_t cls = size == 0 ? 1 : (size + kLine - 1) / kLine;
    bool fresh = pool.free[cls] == NULL;
    void *block = itemPoolAlloc(size);
    if (!fresh || !kChunksZeroed) {
        memset(block, 0, size);
    }
    return block;
}

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
