/*
 * ramimg.h --
 *
 *	The RAM-image core inside the library: the registry, the constructors
 *	and the destructor, client notification, and the row cache with its
 *	fast path. Records are those of ovex/ramimage.h.
 *
 *	ramimage/ itself is the engine (records, cache, pixels, statistics,
 *	file checks) with formats/ beside it; command/, bridges/ and kit/
 *	are the layers above, and nothing here includes them.
 */
#ifndef OVEX_RAMIMAGE_RAMIMG_H
#define OVEX_RAMIMAGE_RAMIMG_H

#include <stdint.h>

#include "ovex/ramimage.h"

/* ---- Record, registry and clients -------------------------------------- */

RAMIMG *openRAMImage(const char *tag, const char *file, ImageHead *head,
                     RamImageClient *client, int *err);
RAMIMG *openRAMImageNew(ImageHead *head, RamImageClient *client, int overwrite, int *err);
int closeRAMImage(RAMIMG *image, RamImageClient *client);
unsigned int attrRAMImage(RAMIMG *image, unsigned int flags);
RAMIMG *getRAMImageByTag(const char *tag);
RAMIMG *getRAMImageByName(const char *name);
RAMIMG *ramImageListHead(void);
void registerRamImage(const char *tag, RAMIMG *image);
void unlinkRamImage(RAMIMG *image);
RAMIMG *openRamImageFile(const char *file, ImageHead *head, RAMIMG *reuse, int *err);
RAMIMG *createRamImage(ImageHead *head, RAMIMG *reuse, int *err);
RAMIMG *reopenRamImage(const char *file, ImageHead *head, RAMIMG *image, int *err);
int attachRamImageBuffer(RAMIMG *image, unsigned char *buffer, size_t size);
void freeRamImage(RAMIMG *image);
void initImageHead(ImageHead *head);
int addRamImageClient(RamImageClient *client, RAMIMG *image);
int removeRamImageClient(RamImageClient *client, RAMIMG *image);
RAMIMG *detachRamImageClient(RamImageClient *client);
void updateClient(RAMIMG *image, intptr_t excludedId, int mask);
void updateClientRect(RAMIMG *image, intptr_t excludedId, int x, int y, int width, int height);
const char *ramImageErrorText(int code);
/* Why the last open of a file failed, as far as the library knows (the
 * system's error text, the format reader's message); "" when unknown.
 * openRAMImage clears it. */
const char *ramImageOpenReason(void);
/* How many times dirty rows could not be written back when an image let
 * its cache go (closed, rebuilt or freed): a caller compares the count
 * before and after a run to know that the run lost data. */
unsigned long ramImageLostWriteBacks(void);
void setRamImageOpenReason(const char *text);
void printRamImageError(int code);
int msbFirst(void);
int bitsPerPixel(int pixel);
/* Bytes of one cached band row of n columns of the pixel type. */
int rowBytesFor(int pixel, int columns);

/* ---- Row cache ------------------------------------------------------------ */

int setRAMImageBuf(RAMIMG *image, int rowsWanted);
unsigned char *getRAMImageLine(RAMIMG *image, int row, int band, int load);
unsigned char *loadMemoryRgbRow(RAMIMG *image, int row, int band, int load);
void flushCacheRow(RAMIMG *image, int slot);
void flushMemoryRgbRow(RAMIMG *image, int slot);
/* Writes back every dirty slot; 0 when a write failed, else 1. */
int flushRamImage(RAMIMG *image);
void invalidateRowCache(RAMIMG *image);
/* Records that no row of the image's file has been written since it was
 * created zero-filled: such rows read as zero without reading the file. */
void markRowsUnwritten(RAMIMG *image);
/* For an existing file whose every row and band is about to be written
 * whole, in order: its old rows are not read first. */
void markRowsReplaced(RAMIMG *image);
/* True while a new whole-image file's rows are still its blank picture. */
int rowsStillBlank(const RAMIMG *image);
/* True for a row of a new pixel-interleaved or DIB file not written yet. */
int rowNeverWritten(const RAMIMG *image, int row);
/* Sets count slots from first to the image's fill (transparent index or 0). */
void clearRows(RAMIMG *image, int first, int count);
/* Called before `row` of the image is changed (see row_cache.cpp). */
void prepareRowWrite(RAMIMG *image, int row);
/* Gives an image whose cache is a window of rows a cache of every row,
 * keeping the rows it holds and their dirty bits; 1, or 0 when the block
 * cannot be had (the window stays). */
int widenRowCache(RAMIMG *image);
void markRowDirty(RAMIMG *image, int row, int band);
int setRAMImageResident(RAMIMG *image, int on);
void scatterRows(RAMIMG *image, int firstRow, int count, const unsigned char *buffer);
int packBitsDecode(const unsigned char *source, size_t sourceLength,
                   unsigned char *destination, size_t destinationLength);
void swapRowBytes(int pixel, int count, unsigned char *row);

/*
 * ramRow --
 *	The cached row of (row, band) through the image's row loader: the
 *	hit path is inline and calls nothing. Callers check that row and band
 *	lie inside the image.
 */
static inline unsigned char *ramRow(RAMIMG *image, int row, int band, int load)
{
    if (image->head.imgid != IMGID_MBSQ && image->slots > 0) {
        int64_t id = (int64_t)row * image->head.nbands + band;
        int slot = (int)(id % image->slots);
        if (image->rowIds[slot] == id) {
            return image->cacheBlock + (size_t)slot * (size_t)image->rowBytes;
        }
    }
    return image->rowLoader(image, row, band, load);
}

#endif /* OVEX_RAMIMAGE_RAMIMG_H */
