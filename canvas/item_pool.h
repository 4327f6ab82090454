/*
 * item_pool.h --
 *
 *	Storage for canvas item records. Searches and redraws walk every
 *	item of a canvas in display order, and with records scattered among
 *	the other blocks a create makes (strings of coordinates, option
 *	values, graphics contexts) each step of the walk missed the caches
 *	and the address translation buffer. Records of one size are carved
 *	here side by side from chunks of their own, each on a 64-byte cache
 *	line, so that the fields a walk reads share one line and the next
 *	record is near.
 */
#ifndef OVEX_CANVAS_ITEM_POOL_H
#define OVEX_CANVAS_ITEM_POOL_H

#include <cstddef>

/* A block of size bytes (not cleared), aligned to 64 bytes when size is at
 * most 4096; larger blocks come from Tcl's allocator. */
void *itemPoolAlloc(size_t size);

/* The same, all bytes zero: a slot never used before is zero already (its
 * chunk came zeroed), so only reused slots are cleared. */
void *itemPoolAllocZeroed(size_t size);

/* Gives back a block of itemPoolAlloc; size must be the size it was asked
 * for. The block is reused by a later record of the same size class. */
void itemPoolFree(void *block, size_t size);

#endif
