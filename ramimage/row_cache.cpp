/*
 * row_cache.cpp --
 *
 *	The row cache of RAM images: a direct-mapped set of slots, each one
 *	row of one band in host byte order. (row, band) has the id
 *	row x nbands + band and lives in slot id % slots. A miss writes the
 *	slot's changed row back and reads the wanted one by the file layout;
 *	memory images keep every row in the cache. The block layout is in
 *	cache_block.h.
 *
 *	Streaming reads: when the row before the one missed is still cached,
 *	the miss also reads the rows that follow in the file, in one call, up
 *	to half the window (so rows just behind the reader stay cached) and
 *	only into slots that are empty or hold an unchanged row: read-ahead
 *	never writes a changed row back early.
 */
#include "core/native_path.h"
#include "ramimage/ramimg.h"

#include <climits>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "core/gmem.h"
#include "core/vocabulary.h"
#include "platform/large_pages.h"
#include "ramimage/band_interleave.h"
#include "ramimage/cache_block.h"
#include "ramimage/format_hooks.h"
#include "ramimage/formats/dib.h"
#include "ramimage/positional_io.h"
#include "ramimage/tiff_layout.h"

/* buildFileRow's position when the caller has read the file row itself. */
static const int64_t FILE_ROW_IN_BUFFER = -2;
/* Bands split from or joined into a file row in one pass. */
static const int MAX_JOINED_BANDS = 4;
/* Scratch kept for reading several pixel-interleaved rows at once. */
static const size_t pixelReadAheadBytes = 256u << 10;

/*
 * attemptBlock --
 *	A block of size bytes from the allocator gmemFree returns to, or NULL
 *	without a warning (setRAMImageBuf retries smaller and reports once).
 */
static unsigned char *attemptBlock(size_t size)
{
#ifdef OVEX_SYSTEM_MALLOC
    unsigned char *block = (unsigned char *)malloc(size ? size : 1);
#else
    if (size > UINT_MAX) {
        return NULL;
    }
    unsigned char *block = (unsigned char *)Tcl_AttemptAlloc((unsigned int)size);
#endif
    adviseLargePages(block, size);
    return block;
}

/* ---- Element copies, one switch per row ---------------------------------- */

template <typename T>
static void deinterleave(const unsigned char *source, int stride, unsigned char *row, int n)
{
    for (int k = 0; k < n; k++) {
        T value;
        memcpy(&value, source + (size_t)k * (size_t)stride * sizeof(T), sizeof(T));
        memcpy(row + (size_t)k * sizeof(T), &value, sizeof(T));
    }
}

template <typename T>
static void interleave(const unsigned char *row, int stride, unsigned char *target, int n)
{
    for (int k = 0; k < n; k++) {
        T value;
        memcpy(&value, row + (size_t)k * sizeof(T), sizeof(T));
        memcpy(target + (size_t)k * (size_t)stride * sizeof(T), &value, sizeof(T));
    }
}

static void deinterleaveElements(int width, const unsigned char *source, int stride,
                                 unsigned char *row, int n)
{
    switch (width) {
    case 1: deinterleave<uint8_t>(source, stride, row, n); break;
    case 2: deinterleave<uint16_t>(source, stride, row, n); break;
    case 4: deinterleave<uint32_t>(source, stride, row, n); break;
    default: break;
    }
}

static void interleaveElements(int width, const unsigned char *row, int stride,
                               unsigned char *target, int n)
{
    switch (width) {
    case 1: interleave<uint8_t>(row, stride, target, n); break;
    case 2: interleave<uint16_t>(row, stride, target, n); break;
    case 4: interleave<uint32_t>(row, stride, target, n); break;
    default: break;
    }
}

template <typename T, T (*Swap)(T)>
static void swapElements(unsigned char *row, int count)
{
    for (int k = 0; k < count; k++) {
        T value;
        memcpy(&value, row + (size_t)k * sizeof(T), sizeof(T));
        value = Swap(value);
        memcpy(row + (size_t)k * sizeof(T), &value, sizeof(T));
    }
}

static uint16_t swap16(uint16_t v) { return __builtin_bswap16(v); }
static uint32_t swap32(uint32_t v) { return __builtin_bswap32(v); }

/*
 * swapRowBytes --
 *	Reverses the bytes of each of count values in place: pairs for SHORT
 *	and USHORT, groups of four for LONG and FLOAT; other types unchanged.
 */
void swapRowBytes(int pixel, int count, unsigned char *row)
{
    if (row == NULL || count <= 0) {
        return;
    }
    switch (pixel) {
    case PIXEL_SHORT: case PIXEL_USHORT:
        swapElements<uint16_t, swap16>(row, count);
        break;
    case PIXEL_LONG: case PIXEL_FLOAT: case PIXEL_ULONG:
        swapElements<uint32_t, swap32>(row, count);
        break;
    default:
        break;
    }
}

/* ---- Small helpers -------------------------------------------------------- */

static bool needsSwap(const RAMIMG *image)
{
    return image->head.msbf && pixelHasByteOrder(image->head.pixel);
}

static int64_t fileBlock(const RAMIMG *image)
{
    return image->head.block > 0 ? image->head.block : 0;
}

static int64_t bandRowPosition(const RAMIMG *image, CacheLayout layout, int64_t id)
{
    int64_t nbands = image->head.nbands;
    int64_t index = layout == LAYOUT_BSQ ? (id % nbands) * image->head.rows + id / nbands : id;
    return image->dataOffset + index * image->head.block;
}

/* True when every band of the row is cached. */
static bool rowGroupHeld(const RAMIMG *image, int row)
{
    int64_t id = (int64_t)row * image->head.nbands;
    for (int b = 0; b < image->head.nbands; b++) {
        if (image->rowIds[slotOf(image, id + b)] != id + b) {
            return false;
        }
    }
    return true;
}

/* True when a slot of the row's bands is changed or already holds its band. */
static bool rowGroupBusy(const RAMIMG *image, int row)
{
    int64_t id = (int64_t)row * image->head.nbands;
    for (int b = 0; b < image->head.nbands; b++) {
        int slot = slotOf(image, id + b);
        if (slotDirty(image, slot) || image->rowIds[slot] == id + b) {
            return true;
        }
    }
    return false;
}

/* Writes back the changed slots that the bands of `row` are about to fill. */
static void flushRowGroup(RAMIMG *image, int row)
{
    int64_t id = (int64_t)row * image->head.nbands;
    for (int b = 0; b < image->head.nbands; b++) {
        int slot = slotOf(image, id + b);
        if (slotDirty(image, slot)) {
            flushCacheRow(image, slot);
        }
    }
}

static void swapRowGroup(RAMIMG *image, int row)
{
    int64_t id = (int64_t)row * image->head.nbands;
    for (int b = 0; b < image->head.nbands; b++) {
        swapRowBytes(image->head.pixel, image->head.columns, slotRow(image, slotOf(image, id + b)));
    }
}

/* True when file row `row` was never written since the file was created. */
static bool rowUnwritten(const RAMIMG *image, int row)
{
    CacheTrailer *trailer = cacheTrailer(image);
    return trailer != NULL && row >= trailer->unwrittenFrom;
}

/* Reads size bytes of file row `row` at pos into buffer; a row never
 * written reads as zero without touching the file. */
static ssize_t readFileRows(const RAMIMG *image, int row, unsigned char *buffer, size_t size,
                            int64_t pos)
{
    if (rowUnwritten(image, row)) {
        memset(buffer, 0, size);
        return (ssize_t)size;
    }
    return readAt(image->fd, buffer, size, pos);
}

static void noteRowWritten(RAMIMG *image, int row)
{
    CacheTrailer *trailer = cacheTrailer(image);
    if (trailer != NULL && row >= trailer->unwrittenFrom) {
        trailer->unwrittenFrom = row + 1;
    }
}

/* True for a JPEG file whose cache is a window of rows (decoded row by row). */
static bool jpegRowWindow(const RAMIMG *image)
{
    return image->head.imgid == IMGID_JPEG && image->fd >= 0 && image->extBuffer == NULL
        && image->cacheBlock != NULL
        && (int64_t)image->slots < (int64_t)image->head.rows * image->head.nbands;
}

/* ---- Building the cache --------------------------------------------------- */

/*
 * clearRows --
 *	Sets count slots from `first` to the image's fill: its transparent
 *	index, else 0.
 */
void clearRows(RAMIMG *image, int first, int count)
{
    if (image == NULL || image->cacheBlock == NULL || first < 0 || count <= 0
        || first >= image->slots) {
        return;
    }
    if (count > image->slots - first) {
        count = image->slots - first;
    }
    int fill = image->head.transparent < 0 ? 0 : (image->head.transparent & 0xFF);
    memset(slotRow(image, first), fill, (size_t)count * (size_t)image->rowBytes);
}

struct BlockPlan {
    size_t rowsBytes;               /* rows and extra area */
    size_t idsOffset;
    size_t dirtyOffset;
    size_t trailerOffset;
    size_t total;
    CacheTrailer sizes;
};

/*
 * pixelRowScratch --
 *	Scratch of a file whose rows hold every band and lie one after the
 *	other: up to half the window of rows (and at most 256 KiB) read at
 *	once, and as many changed rows joined into one write.
 */
static void pixelRowScratch(size_t block, int n, CacheTrailer *sizes)
{
    size_t rows = (size_t)(n / 2 > 1 ? n / 2 : 1);
    size_t fit = block > 0 ? pixelReadAheadBytes / block : 1;
    if (rows > fit) {
        rows = fit > 1 ? fit : 1;
    }
    sizes->flushBytes = block * rows;
    sizes->readBytes = block * rows;
}

/*
 * scratchFor --
 *	The scratch areas a layout needs for n rows per band (cache_block.h).
 */
static void scratchFor(RAMIMG *image, int n, CacheTrailer *sizes)
{
    size_t block = (size_t)fileBlock(image);
    size_t rowBytes = (size_t)image->rowBytes;
    sizes->flushBytes = sizes->readBytes = sizes->workBytes = 0;
    switch (cacheLayoutOf(image->head.imgid)) {
    case LAYOUT_BSQ: case LAYOUT_BIL:
        sizes->readBytes = block > rowBytes ? block - rowBytes : 0;
        break;
    case LAYOUT_BIP:
        pixelRowScratch(block, n, sizes);
        break;
    case LAYOUT_DIB:
        pixelRowScratch(block, n, sizes);   /* rows written back together */
        sizes->readBytes = block;
        break;
    case LAYOUT_TIFF: {
        if (tiffRowsAddressable(image)) {
            pixelRowScratch(block, n, sizes);
            break;
        }
        const TiffLayout *layout = tiffLayoutOf(image);
        sizes->flushBytes = block;
        tiffScratchBytes(layout, image, tiffLayoutUnit(layout, image), &sizes->readBytes,
                         &sizes->workBytes);
        break;
    }
    case LAYOUT_DICOM:
        sizes->flushBytes = block;
        break;
    default:
        break;
    }
}

/*
 * planBlock --
 *	The offsets and total size of a cache block of n rows per band and
 *	`extra` bytes. Returns false when a size does not fit in size_t.
 */
static bool planBlock(RAMIMG *image, int n, size_t extra, BlockPlan *plan)
{
    size_t slots = (size_t)image->head.nbands * (size_t)n;
    size_t rows, ids, scratch;
    scratchFor(image, n, &plan->sizes);
    if (__builtin_mul_overflow(slots, (size_t)image->rowBytes, &rows)
        || __builtin_add_overflow(rows, extra, &plan->rowsBytes)
        || __builtin_add_overflow(plan->rowsBytes, (size_t)7, &rows)
        || __builtin_mul_overflow(slots, sizeof(int), &ids)
        || __builtin_add_overflow(plan->sizes.flushBytes, plan->sizes.readBytes, &scratch)
        || __builtin_add_overflow(scratch, plan->sizes.workBytes, &scratch)) {
        return false;
    }
    plan->idsOffset = alignUp(plan->rowsBytes, 8);
    plan->dirtyOffset = plan->idsOffset + ids;
    if (plan->dirtyOffset < ids || plan->dirtyOffset > SIZE_MAX - slots / 8 - 1 - 16) {
        return false;
    }
    plan->trailerOffset = alignUp(plan->dirtyOffset + slots / 8 + 1, 16);
    size_t trailerEnd = plan->trailerOffset + sizeof(CacheTrailer);
    return !__builtin_add_overflow(trailerEnd, scratch, &plan->total);
}

/*
 * chooseRowsPerBand --
 *	The rows per band the layout keeps for `wanted`, and its extra area.
 */
static int chooseRowsPerBand(RAMIMG *image, int wanted, size_t *extra)
{
    int rows = image->head.rows;
    bool hasFile = image->fd >= 0;
    *extra = 0;
    if (wanted < 1) {
        wanted = 1;
    }
    switch (image->head.imgid) {
    case IMGID_TIFF: case IMGID_GEOTIFF: {
        int unit = tiffCacheUnit(image);
        if (!hasFile) {
            return rows;
        }
        if (tiffRowsAddressable(image)) {
            break;                  /* rows come and go singly, as in a raw file */
        }
        if (unit > 0) {
            int64_t n = (int64_t)unit * ((wanted + (int64_t)unit - 1) / unit);
            if (n < 2 * (int64_t)unit) {
                n = 2 * (int64_t)unit;
            }
            return (int)(n < rows ? n : rows);
        }
        break;
    }
    case IMGID_JPEG:
        /* Decoded row by row into a window when read from a file. */
        if (!hasFile || image->extBuffer != NULL) {
            return rows;
        }
        break;
    case IMGID_GIF87A: case IMGID_GIF89A: case IMGID_DICOM:
        return rows;
    case IMGID_MRGB32: case IMGID_MRGB24: case IMGID_MRGB565: case IMGID_MRGB555:
        *extra = (size_t)fileBlock(image) * (size_t)rows;
        return 3;
    case IMGID_MRGB8: case IMGID_MRGB4: case IMGID_MRGB1:
        *extra = (size_t)fileBlock(image) * (size_t)rows;
        return 1;
    default:
        break;
    }
    return (rows < wanted || !hasFile) ? rows : wanted;
}

/*
 * setRAMImageBuf --
 *	(Re)builds the image's cache for `rowsWanted` rows per band after
 *	writing its changed rows back. The new block is allocated before the
 *	old one is freed: on failure the image keeps its old cache. Returns the
 *	rows per band obtained, or 0 when no block could be had (after
 *	printing "Fatal error of malloc in: setRAMImageBuf").
 */
int setRAMImageBuf(RAMIMG *image, int rowsWanted)
{
    if (image == NULL) {
        return 0;
    }
    /* A write that fails now is reported by the next flush of the new cache. */
    int writeFailed = image->cacheBlock != NULL && !flushRamImage(image);
    int nbands = image->head.nbands;
    int rows = image->head.rows;
    size_t extra = 0;
    int n = chooseRowsPerBand(image, rowsWanted, &extra);
    bool refused = nbands < 1 || rows < 1 || n < 1 || image->rowBytes < 0
        || (int64_t)rows * nbands > INT_MAX || (int64_t)n * nbands > INT_MAX;

    BlockPlan plan;
    unsigned char *block = NULL;
    while (!refused) {
        if (!planBlock(image, n, extra, &plan)) {
            break;
        }
        block = attemptBlock(plan.total);
        if (block != NULL || image->fd < 0 || n - nbands < 1) {
            break;
        }
        n -= nbands;
    }
    if (block == NULL) {
        if (!refused) {
            ovex_fprintf(stderr, "Fatal error of malloc in: setRAMImageBuf\n");
        }
        if (writeFailed) {
            noteWriteFailure(image);
        }
        return 0;
    }

    CacheTrailer *previous = cacheTrailer(image);
    /* Only a file still being written keeps its extent: another volume of
     * a file read before (rows of its own) has every row in the file. */
    int unwrittenFrom = (previous != NULL && previous->unwrittenFrom < previous->madeForRows)
                            ? previous->unwrittenFrom
                            : rows;
    int blankRows = previous != NULL ? previous->blankRows : 0;
    int slots = nbands * n;
    int fill = image->head.transparent < 0 ? 0 : (image->head.transparent & 0xFF);
    /* A JPEG with data decodes every row before one is used: clearing
     * them first would only cost a pass over the whole picture. */
    bool filledBeforeUse = image->head.imgid == IMGID_JPEG && extra == 0
        && (image->fd >= 0 || image->extBuffer != NULL);
    if (!filledBeforeUse) {
        memset(block, fill, plan.rowsBytes);
    }
    int *rowIds = (int *)(block + plan.idsOffset);
    bool resident = image->fd < 0 && extra == 0 && image->extBuffer == NULL;
    for (int k = 0; k < slots; k++) {
        rowIds[k] = resident ? k : -1;
    }
    memset(block + plan.dirtyOffset, 0, (size_t)slots / 8 + 1);
    CacheTrailer *trailer = (CacheTrailer *)(block + plan.trailerOffset);
    *trailer = plan.sizes;
    trailer->writeFailed = writeFailed;
    trailer->unwrittenFrom = unwrittenFrom;
    trailer->madeForRows = rows;
    trailer->uncleared = filledBeforeUse;
    trailer->blankRows = blankRows;

    gmemFree(image->cacheBlock);
    image->cacheBlock = block;
    image->rowIds = rowIds;
    image->dirtyBits = block + plan.dirtyOffset;
    image->rowsPerBand = n;
    image->slots = slots;
    return n;
}

/*
 * widenRowCache --
 *	A cache of every row for an image whose cache is a window, built
 *	without writing anything back: the rows held move to their slots with
 *	their dirty bits; the others are left unfilled for the loader (the
 *	block is not cleared). Returns 1, or 0 when the block cannot be had.
 */
int widenRowCache(RAMIMG *image)
{
    if (image == NULL || image->cacheBlock == NULL) {
        return 0;
    }
    int rows = image->head.rows;
    int nbands = image->head.nbands;
    if (image->slots >= (int64_t)rows * nbands) {
        return 1;
    }
    if ((int64_t)rows * nbands > INT_MAX) {
        return 0;
    }
    BlockPlan plan;
    if (!planBlock(image, rows, 0, &plan)) {
        return 0;
    }
    unsigned char *block = attemptBlock(plan.total);
    if (block == NULL) {
        return 0;
    }
    int slots = rows * nbands;
    int *rowIds = (int *)(block + plan.idsOffset);
    unsigned char *dirtyBits = block + plan.dirtyOffset;
    memset(dirtyBits, 0, (size_t)slots / 8 + 1);
    for (int k = 0; k < slots; k++) {
        rowIds[k] = -1;
    }
    size_t rowBytes = (size_t)image->rowBytes;
    for (int k = 0; k < image->slots; k++) {
        int id = image->rowIds[k];
        if (id < 0 || id >= slots) {
            continue;
        }
        memcpy(block + (size_t)id * rowBytes, slotRow(image, k), rowBytes);
        rowIds[id] = id;
        if (slotDirty(image, k)) {
            dirtyBits[id >> 3] |= (unsigned char)(1u << (id & 7));
        }
    }
    CacheTrailer *previous = cacheTrailer(image);
    CacheTrailer *trailer = (CacheTrailer *)(block + plan.trailerOffset);
    *trailer = plan.sizes;
    trailer->writeFailed = previous->writeFailed;
    trailer->unwrittenFrom = previous->unwrittenFrom;
    trailer->madeForRows = rows;
    trailer->uncleared = 1;
    trailer->blankRows = previous->blankRows;

    gmemFree(image->cacheBlock);
    image->cacheBlock = block;
    image->rowIds = rowIds;
    image->dirtyBits = dirtyBits;
    image->rowsPerBand = rows;
    image->slots = slots;
    return 1;
}

/* ---- Loading rows ------------------------------------------------------------ */

/*
 * loadBandRows --
 *	Reads the band row `id` of a band-sequential or band-interleaved-by-
 *	line file into `slot`, and when the reader streams, the band rows that
 *	follow it in the file: the same band's next rows (BSQ) or the next ids
 *	(BIL), each `block` bytes further on.
 */
static void loadBandRows(RAMIMG *image, CacheLayout layout, int64_t id, int slot)
{
    int nbands = image->head.nbands;
    int64_t block = image->head.block;
    size_t rowBytes = (size_t)image->rowBytes;
    size_t gap = block > (int64_t)rowBytes ? (size_t)block - rowBytes : 0;
    int64_t step = layout == LAYOUT_BSQ ? nbands : 1;
    int64_t endId = (int64_t)image->head.rows * nbands;

    int ahead = 0;
    bool streaming = id < nbands
        || image->rowIds[slotOf(image, id - nbands)] == id - nbands
        || (layout == LAYOUT_BIL && image->rowIds[slotOf(image, id - 1)] == id - 1);
    if (streaming && block >= (int64_t)rowBytes && cacheTrailer(image)->readBytes >= gap) {
        int64_t limit = layout == LAYOUT_BSQ ? image->rowsPerBand / 2 : image->slots / 2;
        if (limit > RAM_IO_MAX_VECTORS / 2) {
            limit = RAM_IO_MAX_VECTORS / 2;
        }
        for (int64_t i = 1; i < limit; i++) {
            int64_t next = id + i * step;
            if (next >= endId) {
                break;
            }
            int s = slotOf(image, next);
            if (slotDirty(image, s) || image->rowIds[s] == next) {
                break;
            }
            ahead = (int)i;
        }
    }

    struct iovec vectors[RAM_IO_MAX_VECTORS];
    int count = 0;
    for (int i = 0; i <= ahead; i++) {
        unsigned char *target = slotRow(image, slotOf(image, id + i * step));
        if (i > 0 && gap > 0) {
            vectors[count].iov_base = cacheReadArea(image);
            vectors[count++].iov_len = gap;
        }
        if (gap == 0 && count > 0
            && (unsigned char *)vectors[count - 1].iov_base + vectors[count - 1].iov_len == target) {
            vectors[count - 1].iov_len += rowBytes;
        } else {
            vectors[count].iov_base = target;
            vectors[count++].iov_len = rowBytes;
        }
    }
    ssize_t got = readvAt(image->fd, vectors, count, bandRowPosition(image, layout, id));
    bool swap = needsSwap(image);
    if (got > 0 && swap) {
        swapRowBytes(image->head.pixel, image->head.columns, slotRow(image, slot));
    }
    for (int i = 1; i <= ahead; i++) {
        int64_t next = id + i * step;
        int s = slotOf(image, next);
        if (got >= (int64_t)i * block + (int64_t)rowBytes) {
            image->rowIds[s] = (int)next;
            if (swap) {
                swapRowBytes(image->head.pixel, image->head.columns, slotRow(image, s));
            }
        } else {
            image->rowIds[s] = -1;      /* partly overwritten: no longer its old row */
        }
    }
}

/*
 * zeroUnwrittenRow --
 *	A pixel-interleaved row never written is zero in every band: its
 *	slots are cleared as a read of the zero file row would fill them.
 *	False when the row was written, or its bands do not fill their
 *	slots exactly (then it is read as usual).
 */
static bool zeroUnwrittenRow(RAMIMG *image, int row)
{
    if (!rowUnwritten(image, row)) {
        return false;
    }
    int nbands = image->head.nbands;
    int64_t block = image->head.block;
    int64_t width = interleavedElementBytes(image->head.pixel);
    size_t bytes = (size_t)image->rowBytes;
    if (nbands == 1) {
        bytes = (size_t)(image->rowBytes < block ? image->rowBytes : block);
    } else if (width == 0 || width * image->head.columns != image->rowBytes
               || width * image->head.columns * nbands > block) {
        return false;
    }
    int64_t id = (int64_t)row * nbands;
    for (int b = 0; b < nbands; b++) {
        int s = slotOf(image, id + b);
        memset(slotRow(image, s), 0, bytes);
        image->rowIds[s] = (int)(id + b);
    }
    return true;
}

/*
 * loadPixelRows --
 *	Reads file row `row` (at pos) of a file whose rows hold every band
 *	and spreads it over the slots of its bands; a streaming reader also
 *	gets the following rows whose slots are free, in the same read, of
 *	the `rowsLeft` rows (this one included) that follow each other in the
 *	file from pos.
 */
static void loadPixelRows(RAMIMG *image, int row, int64_t pos, int rowsLeft)
{
    int64_t block = image->head.block;
    CacheTrailer *trailer = cacheTrailer(image);
    if (block < 1 || trailer->readBytes < (size_t)block) {
        return;
    }
    flushRowGroup(image, row);
    if (zeroUnwrittenRow(image, row)) {
        return;
    }
    int ahead = 0;
    if (row == 0 || rowGroupHeld(image, row - 1)) {
        int64_t limit = (int64_t)(trailer->readBytes / (size_t)block);
        if (limit > image->rowsPerBand / 2) {
            limit = image->rowsPerBand / 2;
        }
        for (int i = 1; i < limit && i < rowsLeft && row + i < image->head.rows; i++) {
            if (rowGroupBusy(image, row + i)) {
                break;
            }
            ahead = i;
        }
    }
    unsigned char *buffer = cacheReadArea(image);
    ssize_t got = readFileRows(image, row, buffer, (size_t)((ahead + 1) * block), pos);
    if (got <= 0) {
        return;
    }
    if (got < block) {
        memset(buffer + got, 0, (size_t)(block - got));     /* past the end of the file */
    }
    bool swap = needsSwap(image);
    for (int i = 0; i <= ahead && (i == 0 || got >= (i + 1) * block); i++) {
        scatterRows(image, row + i, 1, buffer + (size_t)i * (size_t)block);
        if (swap) {
            swapRowGroup(image, row + i);
        }
    }
}

/*
 * loadDibRow --
 *	Reads a DIB row from where dibRowPosition puts it (bottom-up, or
 *	top-down): one band straight into its slot, several bands
 *	byte-interleaved into the slots of each band.
 */
static void loadDibRow(RAMIMG *image, int row, int slot)
{
    int nbands = image->head.nbands;
    int64_t block = image->head.block;
    int64_t pos = dibRowPosition(image, row);
    bool swap = needsSwap(image);
    if (nbands == 1) {
        if (readFileRows(image, row, slotRow(image, slot), (size_t)image->rowBytes, pos) > 0
            && swap) {
            swapRowBytes(image->head.pixel, image->head.columns, slotRow(image, slot));
        }
        return;
    }
    if (block < 1 || cacheTrailer(image)->readBytes < (size_t)block) {
        return;
    }
    flushRowGroup(image, row);
    unsigned char *buffer = cacheReadArea(image);
    ssize_t got = readFileRows(image, row, buffer, (size_t)block, pos);
    if (got <= 0) {
        return;
    }
    memset(buffer + got, 0, (size_t)(block - got));
    int64_t fit = block / nbands;
    int n = (int)(fit < image->head.columns ? fit : image->head.columns);
    if (n > image->rowBytes) {
        n = image->rowBytes;
    }
    int64_t id = (int64_t)row * nbands;
    if (nbands <= MAX_JOINED_BANDS) {
        unsigned char *bands[MAX_JOINED_BANDS];
        for (int b = 0; b < nbands; b++) {
            int s = slotOf(image, id + b);
            bands[b] = slotRow(image, s);
            image->rowIds[s] = (int)(id + b);
        }
        splitBands(1, nbands, buffer, bands, n);
    } else {
        for (int b = 0; b < nbands; b++) {
            int s = slotOf(image, id + b);
            deinterleaveElements(1, buffer + b, nbands, slotRow(image, s), n);
            image->rowIds[s] = (int)(id + b);
        }
    }
    if (swap) {
        swapRowGroup(image, row);
    }
}

/*
 * scatterLoadedRows --
 *	Puts consecutive file rows [first, first + count) read by a strip or
 *	frame reader into the cache: at most one window of rows, holding
 *	`row`. Rows already wholly cached keep their (possibly changed) slots;
 *	changed slots that are overwritten are written back first.
 */
static void scatterLoadedRows(RAMIMG *image, int row, int first, int count,
                              const unsigned char *buffer, bool swap)
{
    int n = image->rowsPerBand;
    int lo = first, hi = first + count;
    if (count > n) {
        lo = row < hi - n ? row : hi - n;
        hi = lo + n;
    }
    if (lo < 0) {
        lo = 0;
    }
    if (hi > image->head.rows) {
        hi = image->head.rows;
    }
    for (int q = lo; q < hi; q++) {
        if (q != row && rowGroupHeld(image, q)) {
            continue;
        }
        flushRowGroup(image, q);
        scatterRows(image, q, 1, buffer + (size_t)(q - first) * (size_t)image->head.block);
        if (swap) {
            swapRowGroup(image, q);
        }
    }
}

static void loadTiffRows(RAMIMG *image, int row)
{
    const TiffLayout *layout = tiffLayoutOf(image);
    CacheTrailer *trailer = cacheTrailer(image);
    int first = row, count = 0;
    if (tiffRowsAddressable(image)) {
        /* Uncompressed strips: rows are read as from a raw file. */
        int64_t pos;
        int rowsLeft;
        if (tiffRowPosition(image, layout, row, &pos, &rowsLeft)) {
            loadPixelRows(image, row, pos, rowsLeft);
        }
        return;
    }
    if (rowUnwritten(image, row) && image->head.block > 0) {
        /* Rows of a new file not written yet: zero, without a read. */
        int64_t fit = (int64_t)(trailer->readBytes / (size_t)image->head.block);
        int64_t left = (int64_t)image->head.rows - row;
        count = (int)(fit < left ? fit : left);
        if (count < 1) {
            return;
        }
        memset(cacheReadArea(image), 0, (size_t)count * (size_t)image->head.block);
        scatterLoadedRows(image, row, row, count, cacheReadArea(image), false);
        return;
    }
    if (layout == NULL
        || !readTiffRowsInto(image, layout, &first, &count, cacheReadArea(image),
                             trailer->readBytes, cacheWorkArea(image), trailer->workBytes)) {
        return;
    }
    scatterLoadedRows(image, row, first, count, cacheReadArea(image), needsSwap(image));
}

static void loadDicomRows(RAMIMG *image, int row)
{
    int first = row, count = 0;
    unsigned char *buffer = dicomReadRows(image, &first, &count);
    if (buffer == NULL) {
        return;
    }
    if (first <= row && row < first + count) {
        scatterLoadedRows(image, row, first, count, buffer, false);
    }
    gmemFree(buffer);
}

/*
 * decodeWholeImage --
 *	Decodes a whole-image format into the cache; the cache may be rebuilt
 *	on the way.
 */
static void decodeWholeImage(RAMIMG *image, int row)
{
    switch (image->head.imgid) {
    case IMGID_XBMP: readXbmRamImage(image); break;
    case IMGID_GIF87A: readGIF(image); break;
    case IMGID_GIF89A: seekRamImage(image, 1); break;
    case IMGID_JPEG:
        if (jpegRowWindow(image)) {
            loadJpegRow(image, row);
        } else {
            readJPEG(image);
        }
        break;
    default: break;
    }
}

/*
 * prepareRowWrite --
 *	Before `row` of the image is changed: a new JPEG written in order
 *	keeps its window, unless the row was encoded already (the file is then
 *	finished first); any other JPEG read row by row through a window gets
 *	a cache of every row, which its write-back needs.
 */
void prepareRowWrite(RAMIMG *image, int row)
{
    if (jpegWritesRowByRow(image)) {
        if (row >= jpegRowsEncoded(image)) {
            return;
        }
        jpegFinishRows(image);
    }
    if (image != NULL && jpegRowWindow(image)) {
        dropJpegStream(image);
        setRAMImageBuf(image, image->head.rows);
    }
}

/*
 * getRAMImageLine --
 *	The row loader of file images and plain memory images. Returns the
 *	cached row of (row, band), read on a miss by the file's layout; with
 *	load 0 the slot is only claimed where the layout allows. NULL for a
 *	row or band outside the image or an image without a cache. The row
 *	stays valid until the next cache operation on the image.
 */
unsigned char *getRAMImageLine(RAMIMG *image, int row, int band, int load)
{
    if (image == NULL || image->cacheBlock == NULL || image->slots < 1 || row < 0
        || row >= image->head.rows || band < 0 || band >= image->head.nbands) {
        return NULL;
    }
    if (image->head.imgid == IMGID_MBSQ) {
        int64_t index = (int64_t)band * image->head.rows + row;
        return index < image->slots ? slotRow(image, (int)index) : NULL;
    }
    int64_t id = (int64_t)row * image->head.nbands + band;
    int slot = slotOf(image, id);
    if (image->rowIds[slot] == id) {
        return slotRow(image, slot);
    }
    if (jpegWritesRowByRow(image)) {
        /* May encode rows, give the cache every row or end the new file. */
        jpegBeforeMiss(image, row, slot);
        if (image->cacheBlock == NULL || image->slots < 1) {
            return NULL;
        }
        slot = slotOf(image, id);
        if (image->rowIds[slot] == id) {
            return slotRow(image, slot);
        }
    }

    if (slotDirty(image, slot)) {
        flushCacheRow(image, slot);
    }
    image->rowIds[slot] = (int)id;
    CacheLayout layout = cacheLayoutOf(image->head.imgid);
    if (layout == LAYOUT_WHOLE && cacheTrailer(image)->blankRows) {
        if (load) {                 /* a row stored whole needs no clearing */
            clearRows(image, slot, 1);
        }
        return slotRow(image, slot);
    }
    if (!load && (image->head.nbands == 1 || layout == LAYOUT_BSQ || layout == LAYOUT_BIL
                  || rowNeverWritten(image, row))) {
        if (cacheTrailer(image)->uncleared) {
            clearRows(image, slot, 1);
        }
        return slotRow(image, slot);
    }
    if (layout == LAYOUT_WHOLE) {
        decodeWholeImage(image, row);
        if (image->cacheBlock == NULL || image->slots < 1) {
            return NULL;
        }
        return slotRow(image, slotOf(image, id));
    }
    if (image->fd < 0) {
        return slotRow(image, slot);    /* memory and resident images read nothing */
    }
    switch (layout) {
    case LAYOUT_BSQ: case LAYOUT_BIL: loadBandRows(image, layout, id, slot); break;
    case LAYOUT_BIP:
        loadPixelRows(image, row, image->dataOffset + (int64_t)row * image->head.block,
                      image->head.rows - row);
        break;
    case LAYOUT_DIB: loadDibRow(image, row, slot); break;
    case LAYOUT_TIFF: loadTiffRows(image, row); break;
    case LAYOUT_DICOM: loadDicomRows(image, row); break;
    default: break;
    }
    return slotRow(image, slot);
}

/*
 * scatterRows --
 *	Copies `count` consecutive file rows (block bytes apart, bands
 *	interleaved by pixel) into the slots of every band of those rows and
 *	gives the slots their ids. Several bands are split for BYTE, SHORT,
 *	USHORT, LONG and FLOAT pixels only.
 */
void scatterRows(RAMIMG *image, int firstRow, int count, const unsigned char *buffer)
{
    if (image == NULL || image->cacheBlock == NULL || image->slots < 1 || buffer == NULL) {
        return;
    }
    int nbands = image->head.nbands;
    int64_t block = fileBlock(image);
    int width = interleavedElementBytes(image->head.pixel);
    for (int i = 0; i < count; i++) {
        int row = firstRow + i;
        if (row < 0 || row >= image->head.rows) {
            continue;
        }
        const unsigned char *source = buffer + (size_t)i * (size_t)block;
        int64_t id = (int64_t)row * nbands;
        if (nbands == 1) {
            int s = slotOf(image, id);
            memcpy(slotRow(image, s), source,
                   (size_t)(image->rowBytes < block ? image->rowBytes : block));
            image->rowIds[s] = (int)id;
            continue;
        }
        if (width == 0) {
            continue;
        }
        int64_t fit = block / ((int64_t)width * nbands);
        int n = (int)(fit < image->head.columns ? fit : image->head.columns);
        if (nbands <= MAX_JOINED_BANDS) {
            unsigned char *bands[MAX_JOINED_BANDS];
            for (int b = 0; b < nbands; b++) {
                int s = slotOf(image, id + b);
                bands[b] = slotRow(image, s);
                image->rowIds[s] = (int)(id + b);
            }
            splitBands(width, nbands, source, bands, n);
            continue;
        }
        for (int b = 0; b < nbands; b++) {
            int s = slotOf(image, id + b);
            deinterleaveElements(width, source + (size_t)b * width, nbands, slotRow(image, s), n);
            image->rowIds[s] = (int)(id + b);
        }
    }
}

/* ---- Writing rows back -------------------------------------------------- */

/*
 * writeSlot --
 *	Writes one cached band row at pos in file byte order.
 */
static void writeSlot(RAMIMG *image, int slot, int64_t pos)
{
    unsigned char *row = slotRow(image, slot);
    bool swap = needsSwap(image);
    if (swap) {
        swapRowBytes(image->head.pixel, image->head.columns, row);
    }
    if (!writeAt(image->fd, row, (size_t)image->rowBytes, pos)) {
        noteWriteFailure(image);
    }
    if (swap) {
        swapRowBytes(image->head.pixel, image->head.columns, row);
    }
}

/*
 * buildFileRow --
 *	Interleaves the cached bands of `row` into one file row of block
 *	bytes at `buffer` (in the flush area), in file byte order, and clears
 *	their dirty bits: by element for pixel-interleaved files, by byte for
 *	DIB files. A band that is not cached keeps the file's bytes (read at
 *	`pos` when pos is not negative; already in `buffer` when pos is
 *	FILE_ROW_IN_BUFFER). Returns the row, or NULL when it cannot be made.
 */
static unsigned char *buildFileRow(RAMIMG *image, int row, bool byBytes, int64_t pos,
                                   unsigned char *buffer)
{
    int nbands = image->head.nbands;
    int64_t block = image->head.block;
    if (block < 1) {
        return NULL;
    }
    bool single = nbands == 1 && !byBytes;
    int width = byBytes ? 1 : interleavedElementBytes(image->head.pixel);
    if (!single && width == 0) {
        return NULL;                /* these types are not interleaved */
    }
    /* Pixels per band and the bytes of the file row they cover. */
    int n;
    int64_t covered;
    if (single) {
        n = image->head.columns;
        covered = image->rowBytes < block ? image->rowBytes : block;
    } else {
        int64_t fit = block / ((int64_t)width * nbands);
        n = (int)(fit < image->head.columns ? fit : image->head.columns);
        if (byBytes && n > image->rowBytes) {
            n = image->rowBytes;
        }
        covered = (int64_t)n * width * nbands;
    }
    bool swap = needsSwap(image) && !byBytes;
    int swapCount = (int)(covered / (interleavedElementBytes(image->head.pixel) > 0
                                         ? interleavedElementBytes(image->head.pixel) : 1));

    bool held = rowGroupHeld(image, row);
    if (!held || (!byBytes && covered < block)) {
        /* Bytes no cached band supplies keep what the file holds. */
        if (pos == FILE_ROW_IN_BUFFER) {
            /* read by the caller */
        } else if (pos < 0) {
            return NULL;
        } else {
            memset(buffer, 0, (size_t)block);
            if (!rowUnwritten(image, row)) {
                readAt(image->fd, buffer, (size_t)block, pos);
            }
        }
        if (swap) {
            swapRowBytes(image->head.pixel, swapCount, buffer);
        }
    } else if (covered < block) {
        memset(buffer + covered, 0, (size_t)(block - covered));     /* DIB row padding */
    }
    int64_t id = (int64_t)row * nbands;
    /* DIB rows go byte by byte, which is the element join of width 1
     * unless their samples must be swapped first. */
    if (held && !single && nbands <= MAX_JOINED_BANDS && (!byBytes || !needsSwap(image))) {
        const unsigned char *bands[MAX_JOINED_BANDS];
        for (int b = 0; b < nbands; b++) {
            int s = slotOf(image, id + b);
            clearSlotDirty(image, s);
            bands[b] = slotRow(image, s);
        }
        joinBands(width, nbands, bands, buffer, n);
        if (swap) {
            swapRowBytes(image->head.pixel, swapCount, buffer);
        }
        return buffer;
    }
    for (int b = 0; b < nbands; b++) {
        int s = slotOf(image, id + b);
        if (image->rowIds[s] != id + b) {
            continue;
        }
        clearSlotDirty(image, s);
        unsigned char *cached = slotRow(image, s);
        if (single) {
            memcpy(buffer, cached, (size_t)covered);
        } else if (byBytes) {
            /* DIB rows are interleaved byte by byte, in file order. */
            bool swapSlot = needsSwap(image);
            if (swapSlot) {
                swapRowBytes(image->head.pixel, image->head.columns, cached);
            }
            interleaveElements(1, cached, nbands, buffer + b, n);
            if (swapSlot) {
                swapRowBytes(image->head.pixel, image->head.columns, cached);
            }
        } else {
            interleaveElements(width, cached, nbands, buffer + (size_t)b * width, n);
        }
    }
    if (swap) {
        swapRowBytes(image->head.pixel, swapCount, buffer);
    }
    return buffer;
}

static void writeFileRow(RAMIMG *image, int row, bool byBytes, int64_t pos)
{
    if (cacheTrailer(image)->flushBytes < (size_t)image->head.block) {
        return;
    }
    unsigned char *buffer = buildFileRow(image, row, byBytes, pos, cacheFlushArea(image));
    if (buffer == NULL) {
        return;
    }
    noteRowWritten(image, row);
    if (!writeAt(image->fd, buffer, (size_t)image->head.block, pos)) {
        noteWriteFailure(image);
    }
}

/* True when a slot of the row's bands holds a change. */
static bool rowGroupChanged(const RAMIMG *image, int row)
{
    int64_t id = (int64_t)row * image->head.nbands;
    for (int b = 0; b < image->head.nbands; b++) {
        if (slotDirty(image, slotOf(image, id + b))) {
            return true;
        }
    }
    return false;
}

/*
 * writePixelRows --
 *	Writes back file row `row` (at pos) of a file whose rows hold every
 *	band, joined in one write with the changed rows that follow it while
 *	they are wholly cached, lie next in the file (`rowsLeft` rows from pos,
 *	this one included) and fit the flush area: a writer going down the
 *	image writes half a window at a time instead of row by row. Rows of a
 *	bottom-up file (`upwards`) lie before each other in the file; the area
 *	holds them in file order. Bands of the first row that are no longer
 *	cached keep the file's values.
 */
static void writePixelRows(RAMIMG *image, int row, int64_t pos, int rowsLeft, bool byBytes,
                           bool upwards)
{
    int64_t block = image->head.block;
    size_t fit = block > 0 ? cacheTrailer(image)->flushBytes / (size_t)block : 0;
    if (fit < 1) {
        return;
    }
    int count = 1;
    while ((size_t)count < fit && count < rowsLeft && row + count < image->head.rows
           && rowGroupHeld(image, row + count) && rowGroupChanged(image, row + count)) {
        count++;
    }
    unsigned char *area = cacheFlushArea(image);
    int built = 0;
    for (; built < count; built++) {
        int64_t at = upwards ? count - 1 - built : built;
        int64_t rowPos = upwards ? pos - built * block : pos + built * block;
        if (buildFileRow(image, row + built, byBytes, rowPos, area + at * block) == NULL) {
            break;
        }
    }
    if (built == 0) {
        return;
    }
    noteRowWritten(image, row + built - 1);
    unsigned char *first = upwards ? area + (int64_t)(count - built) * block : area;
    int64_t start = upwards ? pos - (int64_t)(built - 1) * block : pos;
    if (!writeAt(image->fd, first, (size_t)built * (size_t)block, start)) {
        noteWriteFailure(image);
    }
}

static void writeTiffFileRow(RAMIMG *image, int row)
{
    const TiffLayout *layout = tiffLayoutOf(image);
    if (image->head.encoding != 0 || layout == NULL
        || (layout->compression != 0 && layout->compression != TIFF_COMPRESSION_NONE)) {
        return;                     /* compressed rows are not rewritten in place */
    }
    int64_t pos;
    int rowsLeft;
    if (tiffRowsAddressable(image)) {
        if (!tiffRowPosition(image, layout, row, &pos, &rowsLeft)) {
            noteWriteFailure(image);
            return;
        }
        writePixelRows(image, row, pos, rowsLeft, false, false);
        return;
    }
    CacheTrailer *trailer = cacheTrailer(image);
    unsigned char *area = cacheFlushArea(image);
    if (trailer->flushBytes < (size_t)image->head.block) {
        noteWriteFailure(image);
        return;
    }
    pos = -1;
    if (!rowGroupHeld(image, row)) {
        /* Bands whose slots went to other rows keep what the file holds:
         * the row is read from its tiles first. */
        int first = row, count = 0;
        if (!readTiffRowsInto(image, layout, &first, &count, area, (size_t)image->head.block,
                              cacheWorkArea(image), trailer->workBytes)
            || first != row) {
            noteWriteFailure(image);
            return;
        }
        pos = FILE_ROW_IN_BUFFER;
    }
    unsigned char *buffer = buildFileRow(image, row, false, pos, area);
    if (buffer != NULL) {
        noteRowWritten(image, row);
    }
    if (buffer == NULL || !writeTiffRow(image, layout, row, buffer)) {
        noteWriteFailure(image);
    }
}

static void writeWholeImage(RAMIMG *image)
{
    switch (image->head.imgid) {
    case IMGID_XBMP: writeXbmRamImage(image); break;
    case IMGID_GIF87A: case IMGID_GIF89A: saveGifRamImage(image); break;
    case IMGID_JPEG: writeJpegRamImage(image); break;
    default: break;
    }
    /* The whole file now holds every row. */
    if (image->cacheBlock != NULL) {
        memset(image->dirtyBits, 0, (size_t)image->slots / 8 + 1);
    }
}

/*
 * flushCacheRow --
 *	The row flusher of file images: clears the slot's dirty bit and
 *	writes its row back by the file's layout (the whole file row for
 *	interleaved layouts, clearing the dirty bits of its other bands). A
 *	failed write is remembered for flushRamImage.
 */
void flushCacheRow(RAMIMG *image, int slot)
{
    if (image == NULL || image->cacheBlock == NULL || slot < 0 || slot >= image->slots) {
        return;
    }
    clearSlotDirty(image, slot);
    int id = image->rowIds[slot];
    if (image->fd < 0 || id < 0 || image->head.nbands < 1) {
        return;
    }
    int row = id / image->head.nbands;
    if (row >= image->head.rows) {
        return;
    }
    int64_t block = image->head.block;
    CacheLayout layout = cacheLayoutOf(image->head.imgid);
    switch (layout) {
    case LAYOUT_BSQ: case LAYOUT_BIL:
        writeSlot(image, slot, bandRowPosition(image, layout, id));
        break;
    case LAYOUT_DIB: {
        int64_t pos = dibRowPosition(image, row);
        if (image->head.nbands == 1) {
            noteRowWritten(image, row);
            writeSlot(image, slot, pos);
        } else {
            bool upwards = image->head.encoding != DIB_TOP_DOWN;
            writePixelRows(image, row, pos, image->head.rows - row, true, upwards);
        }
        break;
    }
    case LAYOUT_TIFF:
        writeTiffFileRow(image, row);
        break;
    case LAYOUT_DICOM:
        if (image->head.encoding == 0) {
            writeFileRow(image, row, false, image->dataOffset + (int64_t)row * block);
        }
        break;
    case LAYOUT_BIP:
        writePixelRows(image, row, image->dataOffset + (int64_t)row * block,
                       image->head.rows - row, false, false);
        break;
    case LAYOUT_WHOLE:
        if (jpegWritesRowByRow(image)) {
            jpegFinishRows(image);      /* a new JPEG is written in order or whole */
        } else {
            writeWholeImage(image);
        }
        break;
    default:
        break;
    }
}

/*
 * flushBandRuns --
 *	Writes back the changed rows of a band file whose rows follow each
 *	other without gaps, joining rows that are consecutive in the file
 *	into one write. BSQ files are walked band by band so that a band's
 *	rows meet.
 */
static void flushBandRuns(RAMIMG *image, CacheLayout layout)
{
    struct iovec vectors[RAM_IO_MAX_VECTORS];
    int runSlots[RAM_IO_MAX_VECTORS];
    int count = 0;
    int64_t runStart = 0, runEnd = 0;
    size_t rowBytes = (size_t)image->rowBytes;
    bool swap = needsSwap(image);
    int nbands = image->head.nbands;
    int passes = layout == LAYOUT_BSQ ? nbands : 1;
    int step = layout == LAYOUT_BSQ ? nbands : 1;

    auto writeRun = [&]() {
        if (count == 0) {
            return;
        }
        if (!writevAt(image->fd, vectors, count, runStart)) {
            noteWriteFailure(image);
        }
        if (swap) {
            for (int k = 0; k < count; k++) {
                swapRowBytes(image->head.pixel, image->head.columns, slotRow(image, runSlots[k]));
            }
        }
        count = 0;
    };

    for (int pass = 0; pass < passes; pass++) {
        for (int slot = pass; slot < image->slots; slot += step) {
            if (!slotDirty(image, slot)) {
                continue;
            }
            clearSlotDirty(image, slot);
            int id = image->rowIds[slot];
            if (id < 0 || id / nbands >= image->head.rows) {
                continue;
            }
            int64_t pos = bandRowPosition(image, layout, id);
            if (count > 0 && (pos != runEnd || count == RAM_IO_MAX_VECTORS)) {
                writeRun();
            }
            if (count == 0) {
                runStart = pos;
            }
            unsigned char *row = slotRow(image, slot);
            if (swap) {
                swapRowBytes(image->head.pixel, image->head.columns, row);
            }
            vectors[count].iov_base = row;
            vectors[count].iov_len = rowBytes;
            runSlots[count++] = slot;
            runEnd = pos + (int64_t)rowBytes;
        }
        writeRun();
    }
}

/*
 * flushRamImage --
 *	Writes back every changed slot (rowFlusher in slot order; runs of a
 *	band file in one write each). Returns 1, or 0 when a write-back of
 *	this image failed since the last call.
 */
int flushRamImage(RAMIMG *image)
{
    if (image == NULL || image->cacheBlock == NULL) {
        return 1;
    }
    CacheLayout layout = cacheLayoutOf(image->head.imgid);
    if (image->rowFlusher == flushCacheRow && image->fd >= 0
        && (layout == LAYOUT_BSQ || layout == LAYOUT_BIL) && image->rowBytes > 0
        && image->head.block == image->rowBytes) {
        flushBandRuns(image, layout);
    } else if (image->rowFlusher == flushCacheRow && jpegWritesRowByRow(image)) {
        jpegFinishRows(image);
    } else {
        for (int slot = 0; image->cacheBlock != NULL && slot < image->slots; slot++) {
            if (!slotDirty(image, slot)) {
                continue;
            }
            if (image->rowFlusher != NULL) {
                image->rowFlusher(image, slot);
            } else {
                clearSlotDirty(image, slot);
            }
        }
    }
    CacheTrailer *trailer = cacheTrailer(image);
    if (trailer == NULL) {
        return 1;
    }
    int ok = !trailer->writeFailed;
    trailer->writeFailed = 0;
    return ok;
}

/*
 * invalidateRowCache --
 *	Marks every slot empty and drops unwritten changes: every row is read
 *	again on its next use.
 */
void invalidateRowCache(RAMIMG *image)
{
    if (image == NULL || image->cacheBlock == NULL) {
        return;
    }
    for (int k = 0; k < image->slots; k++) {
        image->rowIds[k] = -1;
    }
    memset(image->dirtyBits, 0, (size_t)image->slots / 8 + 1);
}

/*
 * markRowsUnwritten --
 *	For a file just created zero-filled in a pixel-interleaved or DIB
 *	layout: its rows read as zero until written, without a read each.
 */
void markRowsUnwritten(RAMIMG *image)
{
    if (image == NULL) {
        return;
    }
    CacheTrailer *trailer = cacheTrailer(image);
    if (trailer == NULL || image->fd < 0 || image->extBuffer != NULL || image->head.dataFd > 0) {
        return;
    }
    CacheLayout layout = cacheLayoutOf(image->head.imgid);
    if (layout == LAYOUT_BIP || layout == LAYOUT_DIB
        || (layout == LAYOUT_TIFF && tiffRowsAddressable(image))) {
        trailer->unwrittenFrom = 0;
    }
    /* A new JPEG file holds a blank picture, whose rows decode to zero:
     * each row is cleared when first used instead of decoding the file. */
    if (image->head.imgid == IMGID_JPEG && image->head.transparent < 0) {
        trailer->blankRows = 1;
    }
}

/*
 * markRowsReplaced --
 *	For an existing file whose every row and band the caller is about to
 *	write whole, in order (a copy covering the whole output): its old
 *	rows are not read or decoded first. Rows of pixel-interleaved, DIB
 *	and addressable TIFF files are taken as unwritten (a row not written
 *	yet keeps its old bytes in the file); a JPEG is taken as holding the
 *	blank picture, so that it is encoded row by row as a new file is.
 */
void markRowsReplaced(RAMIMG *image)
{
    if (image == NULL || image->fd < 0 || image->extBuffer != NULL || image->head.dataFd > 0
        || cacheTrailer(image) == NULL) {
        return;
    }
    CacheLayout layout = cacheLayoutOf(image->head.imgid);
    bool interleaved = layout == LAYOUT_BIP || layout == LAYOUT_DIB
        || (layout == LAYOUT_TIFF && tiffRowsAddressable(image));
    bool jpeg = image->head.imgid == IMGID_JPEG && image->priv == NULL && image->freeHook == NULL;
    if (!interleaved && !jpeg) {
        return;
    }
    /* Rows cached already were read for nothing; changed ones go out first. */
    if (!flushRamImage(image)) {
        return;
    }
    invalidateRowCache(image);
    CacheTrailer *trailer = cacheTrailer(image);
    if (interleaved) {
        trailer->unwrittenFrom = 0;
    } else {
        trailer->blankRows = 1;
    }
}

int rowNeverWritten(const RAMIMG *image, int row)
{
    if (image == NULL || image->cacheBlock == NULL || image->fd < 0) {
        return 0;
    }
    CacheLayout layout = cacheLayoutOf(image->head.imgid);
    return (layout == LAYOUT_BIP || layout == LAYOUT_DIB) && rowUnwritten(image, row);
}

int rowsStillBlank(const RAMIMG *image)
{
    const CacheTrailer *trailer = image != NULL ? cacheTrailer(image) : NULL;
    return trailer != NULL && cacheLayoutOf(image->head.imgid) == LAYOUT_WHOLE
        && trailer->blankRows;
}

/*
 * markRowDirty --
 *	Sets the dirty bit of the slot of (row, band); coordinates outside
 *	the image change nothing (memory RGB bands are taken modulo the
 *	bands, as their loader takes them).
 */
void markRowDirty(RAMIMG *image, int row, int band)
{
    if (image == NULL || image->dirtyBits == NULL || image->slots < 1 || row < 0
        || row >= image->head.rows || band < 0 || image->head.nbands < 1) {
        return;
    }
    if (cacheLayoutOf(image->head.imgid) == LAYOUT_MRGB) {
        band %= image->head.nbands;
    } else if (band >= image->head.nbands) {
        return;
    }
    setSlotDirty(image, slotOf(image, (int64_t)row * image->head.nbands + band));
}

/*
 * setRAMImageResident --
 *	on 1: reads every row of a file image into a cache that holds them
 *	all and closes the file (fd -1); nothing to do without a file. on 0:
 *	reopens the file of a resident image for reading and writing. Returns
 *	1, or 0 when the cache cannot hold every row or the file cannot be
 *	reopened (the image is then left as it was).
 */
int setRAMImageResident(RAMIMG *image, int on)
{
    if (image == NULL) {
        return 0;
    }
    if (!on) {
        if (image->fd >= 0) {
            return 1;
        }
        /* A memory image has no file, and a separate data file has no name
         * here: opening head.file would write pixels into the wrong file. */
        if (isMemoryImgid(image->head.imgid) || image->head.dataFd > 0) {
            return 0;
        }
        int fd = open(nativePath(image->head.file).c_str(), O_RDWR);
        if (fd < 0) {
            return 0;
        }
        image->fd = fd;
        return 1;
    }
    if (image->fd < 0) {
        return 1;
    }
    int64_t all = (int64_t)image->head.rows * image->head.nbands;
    if (image->slots < all) {
        setRAMImageBuf(image, image->head.rows);
        if (image->slots < all) {
            return 0;               /* closing the file now would lose rows */
        }
    }
    for (int b = 0; b < image->head.nbands; b++) {
        for (int r = 0; r < image->head.rows; r++) {
            image->rowLoader(image, r, b, 1);
        }
    }
    jpegWriteBlankIfEmpty(image);
    close(image->fd);
    image->fd = -1;
    return 1;
}
