/*
 * gif_frames.cpp --
 *
 *	GIF images in the row cache: every row of the logical screen is held
 *	as one band of palette indices, and the images of an animation are
 *	painted over each other in it, so the cache shows the composed
 *	current frame. A changed image is written back as a whole new file
 *	holding that one frame.
 *
 *	Disposal methods act as viewers show them: a frame's method is carried
 *	out on its rectangle when the next frame is drawn (2: back to the
 *	transparent index, or 0; 3: back to what was there before it).
 */
#include "ramimage/format_hooks.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <unistd.h>

#include "core/gmem.h"
#include "core/rounding.h"
#include "core/safe_replace.h"
#include "ramimage/band_stats.h"
#include "ramimage/cache_block.h"
#include "ramimage/formats/gif.h"
#include "ramimage/georef_line.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"
#include "ramimage/whole_image_cap.h"

namespace {

/* What the last frame drawn asks to be done before the next one; kept as
 * the image's private data (a single block, freed with it). */
struct GifFrameState {
    int disposal;
    int left, top, width, height;   /* the frame's rectangle inside the screen */
    int fill;                       /* index that disposal 2 restores */
    size_t saved;                   /* bytes of the area kept for disposal 3 */
    unsigned char area[1];
};

GifFrameState *frameState(RAMIMG *image, size_t saved)
{
    size_t size = offsetof(GifFrameState, area) + (saved > 0 ? saved : 1);
    GifFrameState *state = (GifFrameState *)gmemRealloc(image->priv, size);
    if (state == NULL) {
        return NULL;
    }
    if (image->priv == NULL) {
        memset(state, 0, size);
    }
    image->priv = state;
    return state;
}

void forgetDisposal(RAMIMG *image)
{
    if (image->priv != NULL) {
        ((GifFrameState *)image->priv)->disposal = 0;
    }
}

int backgroundIndex(const RAMIMG *image)
{
    return image->head.transparent < 0 ? 0 : (image->head.transparent & 0xFF);
}

void fillRows(RAMIMG *image, int value)
{
    for (int r = 0; r < image->head.rows; r++) {
        memset(slotRow(image, r), value, (size_t)image->rowBytes);
    }
}

/* Copies the rectangle of the state between the cache and its area. */
void copyArea(RAMIMG *image, GifFrameState *state, bool restore)
{
    unsigned char *at = state->area;
    for (int y = 0; y < state->height; y++) {
        unsigned char *row = slotRow(image, state->top + y) + state->left;
        if (restore) {
            memcpy(row, at, (size_t)state->width);
        } else {
            memcpy(at, row, (size_t)state->width);
        }
        at += state->width;
    }
}

/* Carries out the disposal of the frame drawn last. */
void disposePrevious(RAMIMG *image)
{
    GifFrameState *state = (GifFrameState *)image->priv;
    if (state == NULL) {
        return;
    }
    if (state->disposal == 2) {
        for (int y = 0; y < state->height; y++) {
            memset(slotRow(image, state->top + y) + state->left, state->fill, (size_t)state->width);
        }
    } else if (state->disposal == 3
               && state->saved == (size_t)state->width * (size_t)state->height) {
        copyArea(image, state, true);
    }
    state->disposal = 0;
}

/* Records the disposal of the frame about to be drawn over the rectangle
 * (clipped to the screen); disposal 3 keeps what it will cover. */
void noteDisposal(RAMIMG *image, int disposal, const GifDescriptor *d, int fill)
{
    int left = d->left < image->head.columns ? d->left : image->head.columns;
    int top = d->top < image->head.rows ? d->top : image->head.rows;
    int right = d->left + d->width < image->head.columns ? d->left + d->width : image->head.columns;
    int bottom = d->top + d->height < image->head.rows ? d->top + d->height : image->head.rows;
    if (disposal != 2 && disposal != 3) {
        forgetDisposal(image);
        return;
    }
    size_t saved = disposal == 3 ? (size_t)(right - left) * (size_t)(bottom - top) : 0;
    GifFrameState *state = frameState(image, saved);
    if (state == NULL) {
        return;                     /* no room: the frame simply stays */
    }
    state->disposal = disposal;
    state->left = left;
    state->top = top;
    state->width = right - left;
    state->height = bottom - top;
    state->fill = fill;
    state->saved = saved;
    if (disposal == 3) {
        copyArea(image, state, false);
    }
}

/* Stores one decoded line of the image at screen row `row`. */
void storeLine(RAMIMG *image, const GifDescriptor *d, int row, const unsigned char *line, int count,
               int transparent)
{
    if (row >= image->head.rows || d->left >= image->head.columns) {
        return;
    }
    int n = d->left + count <= image->head.columns ? count : image->head.columns - d->left;
    unsigned char *out = slotRow(image, row) + d->left;
    if (transparent < 0) {
        memcpy(out, line, (size_t)n);
        return;
    }
    for (int i = 0; i < n; i++) {
        if (line[i] != transparent) {
            out[i] = line[i];
        }
    }
}

/*
 * decodeImage --
 *	Decodes the image whose descriptor was just read into the cache,
 *	row by row or in the four interlace passes. Returns false when the
 *	data are corrupt (the decoder reported it).
 */
bool decodeImage(RAMIMG *image, GifStream *s, int transparent, unsigned char *line)
{
    const GifDescriptor *d = &s->desc;
    static const int passStart[4] = {0, 4, 2, 1};
    static const int passStep[4] = {8, 8, 4, 2};
    int passes = d->interlace ? 4 : 1;
    bool more = d->width > 0;
    for (int p = 0; p < passes && more; p++) {
        int start = d->interlace ? passStart[p] : 0;
        int step = d->interlace ? passStep[p] : 1;
        for (int y = start; y < d->height && more; y += step) {
            int got = gifLzwReadPixels(s, line, d->width);
            storeLine(image, d, d->top + y, line, got, transparent);
            more = got == d->width;
        }
    }
    /* Whatever the data hold beyond the rectangle is read and dropped. */
    while (s->lzw.status == GIF_LZW_RUNNING && gifLzwReadPixels(s, line, 0xFFFF) > 0) {
    }
    return s->lzw.status != GIF_LZW_FAILED;
}

/*
 * readComment --
 *	A comment extension: a georeference line of at most 256 bytes before
 *	the first image sets the head's map coordinates.
 */
void readComment(RAMIMG *image, GifStream *s)
{
    unsigned char text[GEOREF_LINE_SIZE];
    int64_t length = gifReadExtensionText(s, text, 257);
    if (length > 0 && length <= 256 && image->frame == 0) {
        parseGeorefBytes(&image->head, text, (size_t)length);
    }
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * readGIF --
 *
 *	Decodes the next image of the GIF file (or extBuffer) from
 *	dataOffset over the cached rows.
 *
 * Results:
 *	1 when an image was decoded, 2 at the trailer or the end of the
 *	data, 0 on an error (reported on standard error; what was decoded
 *	stays in the cache).
 *
 * Side effects:
 *	The cache holds every row (rebuilt and filled with the transparent
 *	index when it did not); frame, frameCount, frameDelay, dataOffset,
 *	the head's transparent index and, before the first image, its
 *	georeference change.
 *
 *----------------------------------------------------------------------
 */
int readGIF(RAMIMG *image)
{
    if (image == NULL || (image->fd < 0 && image->extBuffer == NULL)) {
        return 0;
    }
    ImageHead *head = &image->head;
    if (head->nbands != 1 || head->pixel != PIXEL_BYTE || head->rows < 1 || head->columns < 1) {
        ovex_fprintf(stderr, "Error in readGIF: %s is not one band of byte indices.\n", image->tag);
        return 0;
    }
    if ((int64_t)head->rows * head->columns > ovexWholeImageCap()) {
        ovex_fprintf(stderr, "Error in readGIF: %d x %d pixels are above the decoding limit of %lld bytes.\n",
                     head->columns, head->rows, (long long)ovexWholeImageCap());
        return 0;
    }
    if (image->slots != head->rows || image->cacheBlock == NULL) {
        if (setRAMImageBuf(image, head->rows) <= 0 || image->slots != head->rows) {
            ovex_fprintf(stderr, "Error of malloc in readGIF.\n");
            return 0;
        }
        /* A new cache comes filled with the image's fill, which is the
         * background index: the frame buffer needs no second pass. */
    }
    GifStream *s = (GifStream *)gmemAlloc(sizeof(GifStream));
    unsigned char *line = (unsigned char *)gmemAlloc(0x10000);
    if (s == NULL || line == NULL) {
        ovex_fprintf(stderr, "Error of malloc in readGIF.\n");
        gmemFree(s);
        gmemFree(line);
        return 0;
    }
    gifStreamInit(image->fd, image->extBuffer, image->extSize, s);
    for (int r = 0; r < head->rows; r++) {
        image->rowIds[r] = r;
    }
    if (image->frame == 0) {
        forgetDisposal(image);
    }
    int transparent = -1;           /* transparency of the coming image, -1 when off */
    int disposal = 0;
    gifSeek(s, image->dataOffset, 0);

    int result = 0;
    for (;;) {
        int c = gifGetByte(s);
        if (c < 0) {
            ovex_fprintf(stderr, "Unexpected GIF EOF\n");
            image->frameCount = image->frame;
            result = 2;
            break;
        }
        if (c == '!') {
            int label = gifGetByte(s);
            if (label < 0) {
                ovex_fprintf(stderr, "Error in read GIF label\n");
                break;
            }
            if (label == 0x01 || label == 0xFF) {
                gifSkipSubBlocks(s);
            } else if (label == 0xF9) {
                GifGraphicControl control;
                if (gifReadGraphicControl(s, &control) > 0) {
                    disposal = control.disposal;
                    image->frameDelay = (float)(control.delay != 0 ? control.delay : 33);
                    transparent = -1;
                    if (control.transparentFlag) {
                        head->transparent = control.transparentIndex;
                        transparent = control.transparentIndex;
                    }
                }
            } else if (label == 0xFE) {
                readComment(image, s);
            } else {
                ovex_fprintf(stderr, "    Unknown label in extension block\n");
                break;
            }
        } else if (c == ',') {
            GifDescriptor *d = &s->desc;
            if (getGIFImgDes(s, d) == 0) {
                ovex_fprintf(stderr, "    Error in getGIFImgDes\n");
                break;
            }
            if (image->frame == 0 && head->nindices == 0 && d->colorCount > 0) {
                /* Only local tables: the first image's colours stand for the file's. */
                head->nindices = d->colorCount;
                memcpy(head->palette, d->palette, (size_t)d->colorCount * 3);
            }
            disposePrevious(image);
            noteDisposal(image, disposal, d, transparent >= 0 ? transparent : backgroundIndex(image));
            if (!gifLzwInit(s) || !decodeImage(image, s, transparent, line)) {
                break;
            }
            image->dataOffset = s->position;
            image->frame++;
            int next = gifGetByte(s);
            if (next < 0) {
                ovex_fprintf(stderr, "Unexpected GIF EOF\n");
                image->frameCount = image->frame;
                result = 2;
                break;
            }
            if (next == ';') {
                image->frameCount = image->frame;
            }
            result = 1;
            break;
        } else if (c == ';') {
            image->dataOffset = s->position - 1;
            image->frameCount = image->frame;
            result = 2;
            break;
        } else if (c != 0) {
            /* A stray zero (an extra block terminator) is passed over. */
            ovex_fprintf(stderr, "Unknown GIF Introducer: 0x%x.\n", c);
            break;
        }
    }
    gmemFree(line);
    gmemFree(s);
    return result;
}

/*
 *----------------------------------------------------------------------
 *
 * rewindGif --
 *
 *	Reads the GIF header again and decodes the first image on a cleared
 *	cache.
 *
 * Results:
 *	What readGIF returned; 0 when the image has no source, its file no
 *	longer reads as a GIF, or the screen size changed (reported).
 *
 *----------------------------------------------------------------------
 */
int rewindGif(RAMIMG *image)
{
    if (image->fd < 0 && image->extBuffer == NULL) {
        ovex_fprintf(stderr, "Can't rewind %s\n", image->tag);
        return 0;
    }
    ImageHead h = image->head;
    if (probeGif(image->extBuffer != NULL ? -1 : image->fd, &h, image->extBuffer, image->extSize) == 0) {
        ovex_fprintf(stderr, "Can't rewind %s\n", image->tag);
        return 0;
    }
    if (h.columns != image->head.columns || h.rows != image->head.rows) {
        ovex_fprintf(stderr, "Can't rewind %s: its size changed\n", image->tag);
        return 0;
    }
    image->head = h;
    image->dataOffset = h.offset;
    image->frame = 0;
    if (image->cacheBlock != NULL && image->slots == h.rows) {
        fillRows(image, backgroundIndex(image));
    }
    return readGIF(image);
}

/*
 *----------------------------------------------------------------------
 *
 * gifSeekHook --
 *
 *	The frame selector of GIF images: k 0 the next image, k above 0
 *	that image (rewinding when it lies behind), k negative the last.
 *
 * Results:
 *	The frame reached; -2 when k is 0 and no image follows; -1 on an
 *	error; 0 for an image with neither a file nor a buffer.
 *
 * Side effects:
 *	Decodes images into the cache; a new frame resets the band
 *	statistics.
 *
 *----------------------------------------------------------------------
 */
int gifSeekHook(RAMIMG *image, int k)
{
    if (image->fd < 0 && image->extBuffer == NULL) {
        return 0;
    }
    int before = image->frame;
    int result;
    if (k == 0) {
        int r = readGIF(image);
        result = r == 2 ? -2 : r == 0 ? -1 : image->frame;
    } else if (k > 0) {
        result = image->frame;
        if (image->frame != k) {
            if (image->frame > k && rewindGif(image) == 0) {
                result = -1;
            } else {
                result = image->frame;
                while (image->frame < k) {
                    int r = readGIF(image);
                    if (r == 0) {
                        result = -1;
                        break;
                    }
                    result = image->frame;
                    if (r == 2) {
                        break;
                    }
                }
            }
        }
    } else {
        result = image->frame;
        for (;;) {
            int r = readGIF(image);
            if (r == 0) {
                result = -1;
                break;
            }
            result = image->frame;
            if (r == 2) {
                break;
            }
        }
    }
    if (image->frame != before && image->stats != NULL) {
        for (int b = 0; b < image->head.nbands; b++) {
            resetBandStats(&image->stats[b]);
        }
    }
    return result;
}

/* ---- Write-back ------------------------------------------------------------------ */

namespace {

struct GifSave {
    RAMIMG *image;
    int64_t trailerAt;              /* in the new file */
    int blocksAt;                   /* where its blocks begin */
};

/*
 * writeGifFile --
 *	The new file: one image of the cached rows, with the palette reduced
 *	to its distinct colours and the indices mapped to them.
 */
int writeGifFile(int fd, void *clientData)
{
    GifSave *save = (GifSave *)clientData;
    RAMIMG *image = save->image;
    ImageHead *head = &image->head;
    int columns = head->columns, rows = head->rows;
    if (columns < 1 || columns > 0xFFFF || rows < 1 || rows > 0xFFFF) {
        errno = EFBIG;
        return 0;
    }

    int nindices = head->nindices < 0 ? 0 : (head->nindices > 256 ? 256 : head->nindices);
    unsigned char table[256][3];
    unsigned char map[256];
    memset(table, 0, sizeof(table));
    for (int i = 0; i < 256; i++) {
        map[i] = (unsigned char)i;
    }
    int length = 0;
    if (nindices >= 1) {
        memcpy(table[0], head->palette[0], 3);
        length = 1;
        for (int i = 1; i < nindices; i++) {
            int j = 0;
            while (j < length && memcmp(table[j], head->palette[i], 3) != 0) {
                j++;
            }
            if (j == length) {
                memcpy(table[length++], head->palette[i], 3);
            }
            map[i] = (unsigned char)j;
        }
    }

    unsigned char *row = (unsigned char *)gmemAlloc((size_t)columns);
    GifEncoder *encoder = (GifEncoder *)gmemAlloc(sizeof(GifEncoder));
    if (row == NULL || encoder == NULL) {
        gmemFree(row);
        gmemFree(encoder);
        errno = ENOMEM;
        return 0;
    }
    /* Indices beyond the palette must still fit the code size. */
    int highest = 0;
    for (int r = 0; r < rows; r++) {
        getRowByte(image, r, 0, columns, 0, row);
        for (int c = 0; c < columns; c++) {
            if (map[row[c]] > highest) {
                highest = map[row[c]];
            }
        }
    }
    int bits = nindices >= 1 ? gifBitsFor(length > highest ? length : highest + 1) : 8;
    int codeSize = gifCodeSizeFor(bits);
    int transparent = head->transparent >= 0 && head->transparent < 256 ? map[head->transparent] : -1;

    bool ok = gifWriteSignature(fd, head->imgid)
        && gifWriteScreen(fd, columns, rows, bits, nindices >= 1 ? table : NULL, transparent);
    if (ok && head->imgid == IMGID_GIF89A) {
        char line[GEOREF_LINE_SIZE];
        int n = formatGeorefLine(head, line);
        ok = gifWriteComment(fd, line, n);
    }
    ok = ok && gifWriteGraphicControl(fd, transparent, roundToInt(image->frameDelay), 0, 0)
         && gifWriteImageDesc(fd, 0, 0, columns, rows, codeSize, bits);
    if (ok) {
        gifEncInit(fd, codeSize, -1, encoder);
        for (int r = 0; r < rows; r++) {
            getRowByte(image, r, 0, columns, 0, row);
            for (int c = 0; c < columns; c++) {
                row[c] = map[row[c]];
            }
            gifEncodePixels(encoder, columns, row);
        }
        ok = gifEncFinish(encoder);
    }
    off_t trailerAt = ok ? lseek(fd, 0, SEEK_CUR) : -1;
    ok = ok && trailerAt >= 0 && gifWriteTrailer(fd);
    save->trailerAt = trailerAt;
    save->blocksAt = 13 + (nindices >= 1 ? 3 * (1 << bits) : 0);
    gmemFree(row);
    gmemFree(encoder);
    if (!ok && errno == 0) {
        errno = EIO;
    }
    return ok ? 1 : 0;
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * saveGifRamImage --
 *
 *	Writes the whole GIF file again from the cached rows: a temporary
 *	file beside it is renamed over it only when complete, and the
 *	image's descriptor moves to the new file.
 *
 * Side effects:
 *	On success the file holds one image (the current frame), which is
 *	frame 1 of 1; the cached rows stay. On failure the file and the
 *	descriptor are unchanged, the failure is reported on standard error
 *	and remembered for flushRamImage.
 *
 *----------------------------------------------------------------------
 */
void saveGifRamImage(RAMIMG *image)
{
    if (image == NULL || image->fd < 0 || image->cacheBlock == NULL) {
        return;
    }
    GifSave save = {image, -1, 0};
    errno = 0;
    if (!replaceFileSafely(image->head.file, writeGifFile, &save)) {
        ovex_fprintf(stderr, "Error in writing GIF file %s: %s\n", image->head.file, strerror(errno));
        noteWriteFailure(image);
        return;
    }
    reopenReplacedFile(image->head.file, &image->fd);
    image->head.offset = save.blocksAt;
    image->dataOffset = save.trailerAt;
    image->frame = 1;
    image->frameCount = 1;
    forgetDisposal(image);
}
