/*
 * pixel_table.cpp --
 *
 *	Pixel tables in memory and in "PTABLEHD" files, and their building
 *	from the rows of a BYTE image block by block.
 */
#include "core/native_path.h"
#include "programs/pixel_table.h"

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/fft_file.h"
#include "ramimage/pixel_access.h"

/* Offsets of the file head. */
enum {
    AT_DATA_OFFSET = 8, AT_CAPACITY = 12, AT_COUNT = 16, AT_FIRST = 20, AT_LAST = 1044,
    AT_NBANDS = 2076
};

PTABLE *createPTable(uint32_t capacity, uint32_t nBands, const uint32_t *bands)
{
    PTABLE *table = (PTABLE *)gmemAlloc(sizeof(PTABLE) + (size_t)nBands * sizeof(uint32_t));
    if (table == NULL) {
        return NULL;
    }
    memset(table, 0, sizeof(PTABLE));
    table->capacity = capacity;
    table->nBands = nBands;
    table->bands = (uint32_t *)(table + 1);
    for (uint32_t k = 0; k < nBands; k++) {
        table->bands[k] = bands != NULL ? bands[k] : 0;
    }
    for (int b = 0; b < 256; b++) {
        table->first[b] = -1;
        table->last[b] = -2;
    }
    size_t vectorBytes = (size_t)capacity * nBands;
    table->vectors = (unsigned char *)gmemAlloc(std::max<size_t>(vectorBytes, 1));
    table->counts = (uint16_t *)gmemAlloc(std::max<size_t>(capacity, 1) * sizeof(uint16_t));
    if (table->vectors == NULL || table->counts == NULL) {
        freePTable(table);
        return NULL;
    }
    memset(table->vectors, 0, vectorBytes);
    memset(table->counts, 0, (size_t)capacity * sizeof(uint16_t));
    return table;
}

void freePTableData(PTABLE *table)
{
    gmemFree(table->vectors);
    gmemFree(table->counts);
    table->vectors = NULL;
    table->counts = NULL;
}

void freePTable(PTABLE *table)
{
    if (table != NULL) {
        freePTableData(table);
        gmemFree(table);
    }
}

static const unsigned char *vectorAt(const PTABLE *table, uint32_t k)
{
    return table->vectors + (size_t)k * table->nBands;
}

/*
 * searchRange --
 *	Binary search of vector between indices lo and hi.
 * Returns: its index, or -1 with *insert the index of the first stored
 *	vector greater than it.
 */
static int32_t searchRange(const PTABLE *table, const unsigned char *vector, int32_t lo,
                           int32_t hi, int32_t *insert)
{
    while (lo <= hi) {
        int32_t mid = lo + (hi - lo) / 2;
        int order = memcmp(vectorAt(table, (uint32_t)mid), vector, table->nBands);
        if (order < 0) {
            lo = mid + 1;
        } else if (order > 0) {
            hi = mid - 1;
        } else {
            return mid;
        }
    }
    *insert = lo;
    return -1;
}

int32_t ptableLookup(const PTABLE *table, const unsigned char *vector)
{
    int32_t insert;
    unsigned char b = vector[0];
    return searchRange(table, vector, table->first[b], table->last[b], &insert);
}

/* ---- Files ---------------------------------------------------------------- */

static void putU32(unsigned char *head, int at, uint32_t value)
{
    memcpy(head + at, &value, sizeof value);
}

static uint32_t getU32(const unsigned char *head, int at)
{
    uint32_t value;
    memcpy(&value, head + at, sizeof value);
    return value;
}

int putPTable(int fd, const PTABLE *table)
{
    int64_t bandBytes = (int64_t)table->nBands * 4;
    int64_t headBytes = PTABLE_HEAD_SIZE + bandBytes;
    unsigned char *head = (unsigned char *)gmemAlloc((size_t)headBytes);
    if (head == NULL) {
        ovex_fprintf(stderr, "gptable error in gmemAlloc\n");
        return 0;
    }
    memset(head, 0, (size_t)headBytes);
    memcpy(head, PTABLE_MAGIC, 8);
    putU32(head, AT_DATA_OFFSET, (uint32_t)headBytes);
    putU32(head, AT_CAPACITY, table->count);
    putU32(head, AT_COUNT, table->count);
    memcpy(head + AT_FIRST, table->first, sizeof table->first);
    memcpy(head + AT_LAST, table->last, sizeof table->last);
    putU32(head, AT_NBANDS, table->nBands);
    memcpy(head + PTABLE_HEAD_SIZE, table->bands, (size_t)bandBytes);
    int64_t vectorBytes = (int64_t)table->count * table->nBands;
    int64_t countBytes = (int64_t)table->count * 2;
    int ok = putFileData(fd, head, headBytes, 0) == headBytes
        && putFileData(fd, table->vectors, vectorBytes, headBytes) == vectorBytes
        && putFileData(fd, table->counts, countBytes, headBytes + vectorBytes) == countBytes;
    gmemFree(head);
    return ok;
}

/*
 * headFits --
 *	Whether the head's lengths and indices fit the file's size and the
 *	table's count, so that nothing read or looked up runs past them.
 */
static int headFits(const unsigned char *head, int64_t fileSize)
{
    uint64_t count = getU32(head, AT_COUNT);
    uint64_t nBands = getU32(head, AT_NBANDS);
    uint64_t dataOffset = getU32(head, AT_DATA_OFFSET);
    if (nBands < 1 || PTABLE_HEAD_SIZE + 4 * nBands > dataOffset
            || dataOffset + count * (nBands + 2) > (uint64_t)fileSize) {
        return 0;
    }
    for (int b = 0; b < 256; b++) {
        int32_t first, last;
        memcpy(&first, head + AT_FIRST + 4 * b, 4);
        memcpy(&last, head + AT_LAST + 4 * b, 4);
        int absent = first == -1 && last == -2;
        if (!absent && !(first >= 0 && first <= last && (uint64_t)last < count)) {
            return 0;
        }
    }
    return 1;
}

PTABLE *getPTable(const char *fileName)
{
    int fd = open(nativePath(fileName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        ovex_fprintf(stderr, "Error in open table:%s\n", fileName);
        return NULL;
    }
    unsigned char head[PTABLE_HEAD_SIZE];
    memset(head, 0, sizeof head);
    struct stat info;
    int64_t size = fstat(fd, &info) == 0 ? (int64_t)info.st_size : 0;
    int64_t got = size >= 8 ? getFileData(fd, head, std::min<int64_t>(size, sizeof head), 0) : 0;
    if (memcmp(head, PTABLE_MAGIC, 8) != 0) {
        ovex_fprintf(stderr, "Wrong PTABLE file ID %.8s.\n", (const char *)head);
        close(fd);
        return NULL;
    }
    if (got < PTABLE_HEAD_SIZE || !headFits(head, size)) {
        ovex_fprintf(stderr, "Corrupt PTABLE file %s.\n", fileName);
        close(fd);
        return NULL;
    }
    uint32_t count = getU32(head, AT_COUNT), nBands = getU32(head, AT_NBANDS);
    uint32_t dataOffset = getU32(head, AT_DATA_OFFSET);
    PTABLE *table = createPTable(count, nBands, NULL);
    if (table == NULL) {
        ovex_fprintf(stderr, "Error in createPTable...\n");
        close(fd);
        return NULL;
    }
    /* The capacity stays the count allocated, whatever the file says. */
    table->count = count;
    memcpy(table->first, head + AT_FIRST, sizeof table->first);
    memcpy(table->last, head + AT_LAST, sizeof table->last);
    int64_t bandBytes = (int64_t)nBands * 4;
    int64_t vectorBytes = (int64_t)count * nBands, countBytes = (int64_t)count * 2;
    int ok = getFileData(fd, table->bands, bandBytes, PTABLE_HEAD_SIZE) == bandBytes
        && getFileData(fd, table->vectors, vectorBytes, dataOffset) == vectorBytes
        && getFileData(fd, table->counts, countBytes, (int64_t)dataOffset + vectorBytes)
               == countBytes;
    close(fd);
    if (!ok) {
        ovex_fprintf(stderr, "Corrupt PTABLE file %s.\n", fileName);
        freePTable(table);
        return NULL;
    }
    return table;
}

/* ---- Building ------------------------------------------------------------- */

int ptableBlockRows(int columns, int nBands)
{
    int64_t rowBytes = (int64_t)std::max(columns, 1) * std::max(nBands, 1);
    return (int)std::max<int64_t>(PTABLE_BLOCK_BYTES / rowBytes, 1);
}

uint32_t ptableCapacity(int nBands)
{
    int64_t capacity = PTABLE_TABLE_BYTES / ((int64_t)std::max(nBands, 1) + 2) - 2;
    return (uint32_t)std::max<int64_t>(capacity, 0);
}

/* Seconds since start. */
static double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

/*
 * rebuildIndex --
 *	first and last of every first byte from the stored vectors. With
 *	insertPoints, last of a byte that starts no vector becomes the index
 *	where such vectors belong (the first vector of the next byte that
 *	starts one, or the count), first staying -1.
 */
static void rebuildIndex(PTABLE *table, int insertPoints)
{
    for (int b = 0; b < 256; b++) {
        table->first[b] = -1;
        table->last[b] = -2;
    }
    for (uint32_t k = 0; k < table->count; k++) {
        unsigned char b = vectorAt(table, k)[0];
        if (table->first[b] == -1) {
            table->first[b] = (int32_t)k;
        }
        table->last[b] = (int32_t)k;
    }
    if (insertPoints) {
        int32_t next = (int32_t)table->count;
        for (int b = 255; b >= 0; b--) {
            if (table->first[b] == -1) {
                table->last[b] = next;
            } else {
                next = table->first[b];
            }
        }
    }
}

/* Prints "# %ld " and the bytes of a vector. */
static void printVector(int32_t index, const unsigned char *vector, uint32_t nBands)
{
    ovex_fprintf(stderr, "# %d ", index);
    for (uint32_t j = 0; j < nBands; j++) {
        ovex_fprintf(stderr, "%3d ", vector[j]);
    }
    ovex_fprintf(stderr, "\n");
}

/* The work of one countPixels call. */
struct CountRun {
    PTABLE *table;
    RAMIMG *image;
    const int *bands;
    int columns;
    int blockRows;
    unsigned char *pixels;      /* a block's vectors */
    int32_t *order;             /* the new pixels' indices */
    int32_t *insert;            /* per pixel: insert position when new */
};

static void readBlock(CountRun *run, int row, int rows)
{
    size_t rowBytes = (size_t)run->columns * run->table->nBands;
    for (int r = 0; r < rows; r++) {
        getRowsBytesBands(run->image, row + r, 0, run->columns, 1, (int)run->table->nBands,
                          run->bands, run->pixels + r * rowBytes);
    }
}

/*
 * addBlock --
 *	Ranks a block's vectors against the table, sorts the new ones, keeps
 *	one per distinct vector and merges the smallest that fit.
 * Returns: the number of new pixels; *distinct the distinct new vectors,
 *	*rankSeconds the time spent ranking.
 */
static int32_t addBlock(CountRun *run, int32_t nPixels, int32_t *distinct, double *rankSeconds)
{
    auto start = std::chrono::steady_clock::now();
    PTABLE *table = run->table;
    uint32_t n = table->nBands;
    const unsigned char *pixels = run->pixels;
    int32_t nNew = 0;
    for (int32_t p = 0; p < nPixels; p++) {
        const unsigned char *vector = pixels + (size_t)p * n;
        int32_t at = 0;
        if (table->count > 0) {
            unsigned char b = vector[0];
            if (table->first[b] == -1) {
                at = table->last[b];
            } else if (searchRange(table, vector, table->first[b], table->last[b], &at) >= 0) {
                continue;
            }
        }
        run->insert[p] = at;
        run->order[nNew++] = p;
    }
    *rankSeconds = secondsSince(start);
    std::sort(run->order, run->order + nNew, [pixels, n](int32_t a, int32_t b) {
        return memcmp(pixels + (size_t)a * n, pixels + (size_t)b * n, n) < 0;
    });
    int32_t unique = 0;
    for (int32_t k = 0; k < nNew; k++) {
        const unsigned char *vector = pixels + (size_t)run->order[k] * n;
        if (unique > 0) {
            const unsigned char *kept = pixels + (size_t)run->order[unique - 1] * n;
            int order = memcmp(kept, vector, n);
            if (order > 0) {
                ovex_fprintf(stderr, "sort wrong at %d\n", k);
                printVector(unique - 1, kept, n);
                printVector(k, vector, n);
            }
            if (order == 0) {
                continue;
            }
        }
        run->order[unique++] = run->order[k];
    }
    *distinct = unique;

    /* Merge from the end: new vector j goes before stored vector insert. */
    int64_t room = (int64_t)table->capacity - table->count;
    int32_t entering = (int32_t)std::min<int64_t>(room, unique);
    int64_t old = (int64_t)table->count - 1;
    int64_t to = old + entering;
    for (int32_t j = entering - 1; j >= 0; j--) {
        int32_t p = run->order[j];
        while (old >= 0 && old >= run->insert[p]) {
            memcpy(table->vectors + to * n, table->vectors + old * n, n);
            to--;
            old--;
        }
        memcpy(table->vectors + to * n, pixels + (size_t)p * n, n);
        to--;
    }
    table->count += (uint32_t)entering;
    rebuildIndex(table, 1);
    return nNew;
}

/* Counts every pixel of the rows on its vector; returns the misses. */
static int64_t countBlocks(CountRun *run, int firstRow, int lastRow)
{
    PTABLE *table = run->table;
    memset(table->counts, 0, (size_t)table->capacity * sizeof(uint16_t));
    int64_t misses = 0;
    for (int row = firstRow; row <= lastRow; row += run->blockRows) {
        int rows = std::min(run->blockRows, lastRow - row + 1);
        readBlock(run, row, rows);
        int64_t nPixels = (int64_t)rows * run->columns;
        for (int64_t p = 0; p < nPixels; p++) {
            int32_t k = ptableLookup(table, run->pixels + p * table->nBands);
            if (k < 0) {
                misses++;
            } else if (table->counts[k] < PTABLE_MAX_COUNT) {
                table->counts[k]++;
            }
        }
    }
    return misses;
}

int countPixels(PTABLE *table, RAMIMG *image, const int *bands, int firstRow, int lastRow,
                int fd)
{
    CountRun run;
    run.table = table;
    run.image = image;
    run.bands = bands;
    run.columns = std::max(image->head.columns, 0);
    run.blockRows = ptableBlockRows(run.columns, (int)table->nBands);
    size_t blockPixels = (size_t)run.blockRows * std::max(run.columns, 1);
    run.pixels = (unsigned char *)gmemAlloc(blockPixels * table->nBands);
    run.order = (int32_t *)gmemAlloc(blockPixels * 2 * sizeof(int32_t));
    if (run.pixels == NULL || run.order == NULL) {
        ovex_fprintf(stderr, "gptable error in gmemAlloc\n");
        gmemFree(run.pixels);
        gmemFree(run.order);
        return 0;
    }
    run.insert = run.order + blockPixels;
    firstRow = std::max(firstRow, 0);
    lastRow = std::min(lastRow, image->head.rows - 1);
    rebuildIndex(table, 1);

    double ioTime = 0.0, rankTime = 0.0, mergeTime = 0.0;
    int64_t read = 0, distinctSum = 0;
    for (int row = firstRow; row <= lastRow; row += run.blockRows) {
        int rows = std::min(run.blockRows, lastRow - row + 1);
        auto start = std::chrono::steady_clock::now();
        readBlock(&run, row, rows);
        double readSeconds = secondsSince(start);
        start = std::chrono::steady_clock::now();
        int32_t nPixels = rows * run.columns, distinct = 0;
        double rankSeconds = 0.0;
        int32_t nNew = addBlock(&run, nPixels, &distinct, &rankSeconds);
        double mergeSeconds = std::max(secondsSince(start) - rankSeconds, 0.0);
        read += nPixels;
        distinctSum += distinct;
        ioTime += readSeconds;
        rankTime += rankSeconds;
        mergeTime += mergeSeconds;
        ovex_fprintf(stderr, "T:%7d IN:%6d NEW:%6d U:%6d Rd:%5.2f Rank:%5.2f Merge:%5.2f\n",
                     (int32_t)table->count, nPixels, nNew, distinct, readSeconds, rankSeconds,
                     mergeSeconds);
    }
    for (uint32_t k = 1; k < table->count; k++) {
        if (memcmp(vectorAt(table, k - 1), vectorAt(table, k), table->nBands) >= 0) {
            ovex_fprintf(stderr, "Wrong order at %8d\n", (int32_t)k);
            printVector((int32_t)k - 1, vectorAt(table, k - 1), table->nBands);
            printVector((int32_t)k, vectorAt(table, k), table->nBands);
        }
    }
    rebuildIndex(table, 0);
    ovex_fprintf(stderr, "\nN = %d U = %d Ratio = %6.3f\n", (int32_t)read, (int32_t)distinctSum,
                 distinctSum > 0 ? (double)read / (double)distinctSum : 0.0);
    ovex_fprintf(stderr, "ioTime: %10.3f  rankTime: %10.3f  mergeTime: %10.3f\n", ioTime,
                 rankTime, mergeTime);

    ovex_fprintf(stderr, "\nPixel counting...\n");
    auto start = std::chrono::steady_clock::now();
    int64_t misses = countBlocks(&run, firstRow, lastRow);
    ovex_fprintf(stderr, "Time used for counting: %7.3f Miss counting: %d\n",
                 secondsSince(start), (int32_t)misses);
    gmemFree(run.pixels);
    gmemFree(run.order);
    return fd < 0 || putPTable(fd, table) ? 1 : -1;
}

PTABLE *makePTable(RAMIMG *image, int nBands, const int *bands)
{
    if (nBands < 1) {
        return NULL;
    }
    uint32_t *tableBands = (uint32_t *)gmemAlloc((size_t)nBands * sizeof(uint32_t));
    if (tableBands == NULL) {
        ovex_fprintf(stderr, "gptable error in gmemAlloc\n");
        return NULL;
    }
    for (int k = 0; k < nBands; k++) {
        tableBands[k] = (uint32_t)bands[k];
    }
    PTABLE *table = createPTable(ptableCapacity(nBands), (uint32_t)nBands, tableBands);
    gmemFree(tableBands);
    if (table == NULL) {
        ovex_fprintf(stderr, "gptable error in gmemAlloc\n");
        return NULL;
    }
    if (countPixels(table, image, bands, 0, image->head.rows - 1, -1) != 1) {
        freePTable(table);
        return NULL;
    }
    return table;
}
