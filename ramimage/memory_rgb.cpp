/*
 * memory_rgb.cpp --
 *
 *	The row loader and flusher of packed memory RGB images. Their pixels
 *	live in the extra area of the cache block, `rows` rows of `block`
 *	bytes, top row first: MRGB32 and MRGB24 hold 4 or 3 bytes per pixel,
 *	MRGB565 and MRGB555 one 16-bit word per pixel (least significant byte
 *	first), MRGB8/4/1 palette indices. The slots hold one band of a row
 *	converted to bytes; the index layouts are handed out as they are.
 */
#include "ramimage/ramimg.h"
#include "ramimage/cache_block.h"

/* Pixels of a packed row that fit its block. */
static int packedPixels(const RAMIMG *image, int bytesPerPixel)
{
    int64_t fit = image->head.block / bytesPerPixel;
    return (int)(fit < image->head.columns ? fit : image->head.columns);
}

static inline unsigned wordAt(const unsigned char *packed, int k)
{
    return packed[2 * k] | ((unsigned)packed[2 * k + 1] << 8);
}

static inline void setWordAt(unsigned char *packed, int k, unsigned w)
{
    packed[2 * k] = (unsigned char)w;
    packed[2 * k + 1] = (unsigned char)(w >> 8);
}

/*
 * unpackBand --
 *	Band `band` of every pixel of a packed row, as bytes, into `slot`.
 */
static void unpackBand(const RAMIMG *image, const unsigned char *packed, int band,
                       unsigned char *slot)
{
    switch (image->head.imgid) {
    case IMGID_MRGB32: {
        int n = packedPixels(image, 4);
        for (int k = 0; k < n; k++) {
            slot[k] = packed[4 * k + band];
        }
        break;
    }
    case IMGID_MRGB24: {
        int n = packedPixels(image, 3);
        for (int k = 0; k < n; k++) {
            slot[k] = packed[3 * k + band];
        }
        break;
    }
    case IMGID_MRGB565: {
        int n = packedPixels(image, 2);
        static const unsigned masks[3] = {0xF800, 0x07E0, 0x001F};
        unsigned mask = masks[band % 3];
        for (int k = 0; k < n; k++) {
            unsigned w = wordAt(packed, k) & mask;
            slot[k] = (unsigned char)(band == 0 ? w >> 8 : band == 1 ? w >> 3 : w << 3);
        }
        break;
    }
    case IMGID_MRGB555: {
        int n = packedPixels(image, 2);
        static const unsigned masks[3] = {0x7C00, 0x03E0, 0x001F};
        unsigned mask = masks[band % 3];
        for (int k = 0; k < n; k++) {
            unsigned w = wordAt(packed, k) & mask;
            slot[k] = (unsigned char)(band == 0 ? w >> 7 : band == 1 ? w >> 2 : w << 3);
        }
        break;
    }
    default:
        break;
    }
}

/*
 * packBand --
 *	Stores the bytes of `slot` as band `band` of every pixel of a packed
 *	row, keeping the other bands' bits.
 */
static void packBand(const RAMIMG *image, const unsigned char *slot, int band,
                     unsigned char *packed)
{
    switch (image->head.imgid) {
    case IMGID_MRGB32: {
        int n = packedPixels(image, 4);
        for (int k = 0; k < n; k++) {
            packed[4 * k + band] = slot[k];
        }
        break;
    }
    case IMGID_MRGB24: {
        int n = packedPixels(image, 3);
        for (int k = 0; k < n; k++) {
            packed[3 * k + band] = slot[k];
        }
        break;
    }
    case IMGID_MRGB565: {
        int n = packedPixels(image, 2);
        for (int k = 0; k < n; k++) {
            unsigned w = wordAt(packed, k), v = slot[k];
            if (band == 0) {
                w = (w & 0x07FF) | ((v & 0xF8) << 8);
            } else if (band == 1) {
                w = (w & 0xF81F) | ((v & 0xFC) << 3);
            } else {
                w = (w & 0xFFE0) | (v >> 3);
            }
            setWordAt(packed, k, w);
        }
        break;
    }
    case IMGID_MRGB555: {
        int n = packedPixels(image, 2);
        for (int k = 0; k < n; k++) {
            unsigned w = wordAt(packed, k), v = slot[k];
            if (band == 0) {
                w = (w & 0x03FF) | ((v & 0xF8) << 7);
            } else if (band == 1) {
                w = (w & 0xFC1F) | ((v & 0xF8) << 2);
            } else {
                w = (w & 0xFFE0) | (v >> 3);
            }
            setWordAt(packed, k, w);
        }
        break;
    }
    default:
        break;
    }
}

static unsigned char *packedRow(const RAMIMG *image, int row)
{
    return ramImageExtraArea(image) + (size_t)row * (size_t)image->head.block;
}

/*
 * loadMemoryRgbRow --
 *	The row loader of packed memory RGB images. Returns the packed row
 *	itself for the index layouts, else the slot holding band `band` (taken
 *	modulo the bands) of the row, converted on a miss when `load` is set;
 *	NULL for a row outside the image or a negative band.
 */
unsigned char *loadMemoryRgbRow(RAMIMG *image, int row, int band, int load)
{
    if (image == NULL || image->cacheBlock == NULL || image->slots < 1 || row < 0
        || row >= image->head.rows || band < 0 || image->head.nbands < 1) {
        return NULL;
    }
    if (cacheLayoutOf(image->head.imgid) == LAYOUT_MRGB_INDEX) {
        return packedRow(image, row);
    }
    band %= image->head.nbands;
    int64_t id = (int64_t)row * image->head.nbands + band;
    int slot = slotOf(image, id);
    unsigned char *cached = slotRow(image, slot);
    if (image->rowIds[slot] == id) {
        return cached;
    }
    if (slotDirty(image, slot)) {
        flushMemoryRgbRow(image, slot);
    }
    image->rowIds[slot] = (int)id;
    if (load) {
        unpackBand(image, packedRow(image, row), band, cached);
    }
    return cached;
}

/*
 * flushMemoryRgbRow --
 *	The row flusher of packed memory RGB images: clears the slot's dirty
 *	bit and packs its band back into its row.
 */
void flushMemoryRgbRow(RAMIMG *image, int slot)
{
    if (image == NULL || image->cacheBlock == NULL || slot < 0 || slot >= image->slots) {
        return;
    }
    clearSlotDirty(image, slot);
    int id = image->rowIds[slot];
    if (id < 0 || cacheLayoutOf(image->head.imgid) != LAYOUT_MRGB) {
        return;
    }
    int row = id / image->head.nbands, band = id % image->head.nbands;
    if (row >= image->head.rows) {
        return;
    }
    packBand(image, slotRow(image, slot), band, packedRow(image, row));
}
