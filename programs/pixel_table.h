/*
 * pixel_table.h --
 *
 *	Pixel tables: the distinct pixel vectors of chosen bands of a BYTE
 *	image, sorted as unsigned bytes from the first, each with the number
 *	of pixels that carry it, and their "PTABLEHD" files (host byte order):
 *
 *	    0     char[8]   "PTABLEHD"
 *	    8     u32       data offset = 2080 + 4 n, where the vectors begin
 *	    12    u32       capacity (written equal to the count)
 *	    16    u32       count c
 *	    20    i32[256]  first
 *	    1044  i32[256]  last
 *	    2068  u32[2]    reserved
 *	    2076  u32       nBands n
 *	    2080  u32[n]    bands
 *	    then  u8[c n]   vectors, and u16[c] counts
 *
 *	Tables are built a block of about 1 MiB of vector bytes at a time:
 *	only the vectors of a block not yet in the table are sorted and
 *	merged, and the search of a vector is narrowed by its first byte.
 */
#ifndef OVEX_PROGRAMS_PIXEL_TABLE_H
#define OVEX_PROGRAMS_PIXEL_TABLE_H

#include <stdint.h>

#include "ovex/ramimage.h"

#define PTABLE_MAGIC "PTABLEHD"
#define PTABLE_HEAD_SIZE 2080
/* Vector bytes of one block of pixels, and bytes of a whole table. */
#define PTABLE_BLOCK_BYTES 1048576
#define PTABLE_TABLE_BYTES 8388608
#define PTABLE_MAX_COUNT 65535

typedef struct PTABLE {
    uint32_t capacity;          /* vectors the table may hold */
    uint32_t count;             /* vectors held */
    int32_t first[256];         /* per first byte: index of its first vector, -1 for none */
    int32_t last[256];          /* and of its last, -2 for none */
    unsigned char *vectors;     /* capacity x nBands bytes, ascending */
    uint16_t *counts;           /* pixels per vector (at most 65535) */
    uint32_t nBands;
    uint32_t *bands;            /* 0-based image bands, in vector byte order */
} PTABLE;

/* A table with zeroed vectors and counts, count 0, first all -1 and last
 * all -2; bands may be NULL (then all 0). NULL when memory runs out. */
PTABLE *createPTable(uint32_t capacity, uint32_t nBands, const uint32_t *bands);
/* Frees the vectors and counts (the record stays). */
void freePTableData(PTABLE *table);
/* Frees the arrays and the record; NULL does nothing. */
void freePTable(PTABLE *table);

/* Index of the vector (nBands bytes) in the table, or -1. */
int32_t ptableLookup(const PTABLE *table, const unsigned char *vector);

/* Writes the file layout from offset 0 of fd. 1, or 0 when a write
 * failed (after putFileData's message). */
int putPTable(int fd, const PTABLE *table);

/* The table of a "PTABLEHD" file; its capacity is its count. NULL after a
 * message on standard error: "Error in open table:%s\n", "Wrong PTABLE
 * file ID %s.\n", "Corrupt PTABLE file %s.\n" (lengths or indices that
 * the file's size or count cannot hold), "Error in createPTable...\n" or
 * "Error of malloc in getPTable.\n". */
PTABLE *getPTable(const char *fileName);

/* Pixels of one block for an image of the given width and band count, and
 * the capacity of a table of that band count. */
int ptableBlockRows(int columns, int nBands);
uint32_t ptableCapacity(int nBands);

/* Fills the table from rows firstRow .. lastRow (0-based, included) of a
 * BYTE image, the vectors of bands (0-based, table->nBands of them), and
 * writes it to fd when fd >= 0. When the distinct vectors exceed the
 * capacity, the smallest of each block are kept and the pixels of the
 * others are counted as misses. Reports each block and the totals on
 * standard error. 1; 0 after "gptable error in gmemAlloc\n"; -1 when the
 * table could not be written. */
int countPixels(PTABLE *table, RAMIMG *image, const int *bands, int firstRow, int lastRow,
                int fd);

/* The table of a whole image; NULL on failure (after its message). */
PTABLE *makePTable(RAMIMG *image, int nBands, const int *bands);

#endif /* OVEX_PROGRAMS_PIXEL_TABLE_H */
