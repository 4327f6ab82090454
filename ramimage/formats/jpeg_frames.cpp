/*
 * jpeg_frames.cpp --
 *
 *	JPEG images in the row cache: the whole picture is decoded into a
 *	cache that holds every row of every band on the first miss, and a
 *	changed image is written back as a whole new file, which replaces the
 *	old one only once it is complete. After a write-back the cache is
 *	emptied, so the next access shows the compressed result.
 */
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>

#include "core/gmem.h"
#include "core/safe_replace.h"
#include "ovex/ovexstdio.h"
#include "ramimage/cache_block.h"
#include "ramimage/format_hooks.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/formats/jpeg.h"
#include "ramimage/ramimg.h"
#include "ramimage/whole_image_cap.h"

namespace {

/* Band rows of the whole image, or -1 when the image has none. */
int64_t bandRowCount(const RAMIMG *image)
{
    if (image->head.rows < 1 || image->head.nbands < 1) {
        return -1;
    }
    return (int64_t)image->head.rows * image->head.nbands;
}

/* Decodes the image's file or encoded buffer into buffer (every band row,
 * rowBytes apart in slot order). */
int decodeInto(RAMIMG *image, unsigned char *buffer, int *decoded)
{
    const unsigned char *block = image->extBuffer;
    return readJpegRows(block != NULL ? -1 : image->fd, buffer, image->rowBytes,
                        image->head.rows, image->head.nbands, block, image->extSize, decoded);
}

/*
 * fillMissingRows --
 *	Before the whole file is written, the band rows the cache does not
 *	hold (never decoded: a row claimed for writing alone does not decode
 *	the picture) are decoded from the file, so that writing back one row
 *	never blanks the others. Returns false when they cannot be had.
 */
bool fillMissingRows(RAMIMG *image, int64_t all)
{
    int64_t missing = 0;
    for (int64_t k = 0; k < all; k++) {
        if (image->rowIds[k] != k) {
            missing++;
        }
    }
    if (missing == 0) {
        return true;
    }
    if (cacheTrailer(image)->blankRows) {
        /* The file is blank: its rows are zero without decoding it. */
        for (int64_t k = 0; k < all; k++) {
            if (image->rowIds[k] != k) {
                clearRows(image, (int)k, 1);
                image->rowIds[k] = (int)k;
            }
        }
        return true;
    }
    size_t rowBytes = (size_t)image->rowBytes;
    int64_t bytes = all * (int64_t)rowBytes;
    unsigned char *decoded = NULL;
    if (bytes <= ovexWholeImageCap()) {
        decoded = (unsigned char *)gmemAlloc((size_t)bytes);
    }
    int decodedRows = 0;
    if (decoded == NULL || !decodeInto(image, decoded, &decodedRows)) {
        ovex_fprintf(stderr, "Can't write JPEG image %s: its rows outside the cache cannot be read\n",
                     image->tag);
        gmemFree(decoded);
        return false;
    }
    for (int64_t k = 0; k < all; k++) {
        if (image->rowIds[k] != k) {
            memcpy(slotRow(image, (int)k), decoded + (size_t)k * rowBytes, rowBytes);
            image->rowIds[k] = (int)k;
        }
    }
    gmemFree(decoded);
    return true;
}

void jpegStreamFreeHook(RAMIMG *image)
{
    closeJpegRowStream((JpegRowStream *)image->priv);
    image->priv = NULL;
}

JpegRowStream *currentStream(const RAMIMG *image)
{
    return image->freeHook == jpegStreamFreeHook ? (JpegRowStream *)image->priv : NULL;
}

/* Band rows a streamed row is split into at most; more go through the
 * whole-image decoder. */
const int STREAM_BANDS_MAX = 16;

/* Clears the slots of rows [first, last] and gives them their ids. */
void clearRowGroups(RAMIMG *image, int first, int last)
{
    int nbands = image->head.nbands;
    for (int r = first; r <= last; r++) {
        for (int b = 0; b < nbands; b++) {
            int64_t id = (int64_t)r * nbands + b;
            int slot = slotOf(image, id);
            clearRows(image, slot, 1);
            image->rowIds[slot] = (int)id;
        }
    }
}

/* "Error in writing JPEG image FILE", with the cause when a call gave
 * one (err, an errno). */
void reportWriteError(const RAMIMG *image, int err)
{
    if (err != 0) {
        ovex_fprintf(stderr, "Error in writing JPEG image %s: %s\n", image->head.file,
                     strerror(err));
    } else {
        ovex_fprintf(stderr, "Error in writing JPEG image %s\n", image->head.file);
    }
}

/* ---- New files encoded row by row ------------------------------------------ */

/* A new JPEG file being encoded as its rows leave the cache in order. The
 * sink is opened with the first row encoded, on a new file beside the old
 * one (the file keeps its old picture, blank or not, until the new one is
 * complete and renamed over it); rows before `next` are encoded and no
 * longer changeable. */
struct JpegRowWrite {
    JpegRowSink *sink = NULL;
    FileReplacement file;           /* the new file the sink writes */
    int next = 0;
    unsigned char *zero = NULL;     /* a row of zeros: a band never written */
    int failedErrno = 0;            /* errno of the first call that failed */
};

void jpegWriteFreeHook(RAMIMG *image)
{
    JpegRowWrite *write = (JpegRowWrite *)image->priv;
    if (write != NULL) {
        abandonJpegRowSink(write->sink);
        gmemFree(write->zero);
        delete write;               /* removes the new file when not committed */
    }
    image->priv = NULL;
}

JpegRowWrite *currentWrite(const RAMIMG *image)
{
    return image->freeHook == jpegWriteFreeHook ? (JpegRowWrite *)image->priv : NULL;
}

void endWrite(RAMIMG *image)
{
    if (currentWrite(image) != NULL) {
        jpegWriteFreeHook(image);
        image->freeHook = NULL;
    }
}

/* The image's write state, made on first use; NULL when memory runs out. */
JpegRowWrite *takeWrite(RAMIMG *image)
{
    JpegRowWrite *write = currentWrite(image);
    if (write == NULL) {
        write = new (std::nothrow) JpegRowWrite;
        unsigned char *zero = (unsigned char *)gmemAlloc((size_t)image->rowBytes);
        if (write == NULL || zero == NULL) {
            delete write;
            gmemFree(zero);
            return NULL;
        }
        memset(zero, 0, (size_t)image->rowBytes);
        write->zero = zero;
        image->priv = write;
        image->freeHook = jpegWriteFreeHook;
    }
    return write;
}

bool anyRowDirty(const RAMIMG *image)
{
    for (int k = 0; k < image->slots / 8 + 1; k++) {
        if (image->dirtyBits[k] != 0) {
            return true;
        }
    }
    return false;
}

/* How many bands of `row` the cache holds. */
int bandsHeld(const RAMIMG *image, int row)
{
    int held = 0;
    int64_t id = (int64_t)row * image->head.nbands;
    for (int b = 0; b < image->head.nbands; b++) {
        held += image->rowIds[slotOf(image, id + b)] == id + b;
    }
    return held;
}

/*
 * encodeRow --
 *	Encodes the next row: its cached bands (their dirty bits cleared, as
 *	their values are now in the file), zero for a band not cached, which
 *	was never written.
 */
bool encodeRow(RAMIMG *image, JpegRowWrite *write)
{
    const unsigned char *bands[3];
    int nbands = image->head.nbands;
    int64_t id = (int64_t)write->next * nbands;
    for (int b = 0; b < nbands && b < 3; b++) {
        int slot = slotOf(image, id + b);
        if (image->rowIds[slot] == id + b) {
            bands[b] = slotRow(image, slot);
            clearSlotDirty(image, slot);
        } else {
            bands[b] = write->zero;
        }
    }
    if (!jpegRowSinkWrite(write->sink, bands)) {
        if (write->failedErrno == 0) {
            write->failedErrno = errno;
        }
        return false;
    }
    write->next++;
    return true;
}

bool openSink(RAMIMG *image, JpegRowWrite *write)
{
    if (write->sink != NULL) {
        return true;
    }
    int mode = fcntl(image->fd, F_GETFL);
    if (mode < 0 || (mode & O_ACCMODE) == O_RDONLY) {
        return false;
    }
    if (write->file.fd() < 0 && !write->file.open(image->head.file)) {
        if (write->failedErrno == 0) {
            write->failedErrno = errno;
        }
        return false;
    }
    write->sink = openJpegRowSink(write->file.fd(), &image->head);
    if (write->sink == NULL && write->failedErrno == 0) {
        write->failedErrno = errno;
    }
    return write->sink != NULL;
}

/*
 * encodeThrough --
 *	Encodes the rows from the next one to `last`, each wholly cached or
 *	not cached at all (never written: zero). False, encoding nothing
 *	more, at a row only some of whose bands are cached, or when the
 *	encoder cannot go on.
 */
bool encodeThrough(RAMIMG *image, JpegRowWrite *write, int last)
{
    int nbands = image->head.nbands;
    while (write->next <= last) {
        int held = bandsHeld(image, write->next);
        if (held != 0 && held != nbands) {
            return false;
        }
        if (!openSink(image, write) || !encodeRow(image, write)) {
            return false;
        }
    }
    return true;
}

/* widenRowCache for a picture whose rows fit the whole-image cap. */
bool widenWithinCap(RAMIMG *image)
{
    int64_t all = (int64_t)image->head.rows * image->head.nbands;
    return all * image->rowBytes <= ovexWholeImageCap() && widenRowCache(image);
}

struct JpegWriteJob {
    const ImageHead *head;
    const unsigned char *rows;
    int rowBytes;
};

int writeJob(int fd, void *clientData)
{
    const JpegWriteJob *job = (const JpegWriteJob *)clientData;
    return writeJpegImage(fd, job->head, job->rows, job->rowBytes);
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * readJPEG --
 *
 *	Decodes the whole JPEG image (its file, or its encoded buffer when it
 *	has one) into the cache, band b of row r into the slot of (r, b).
 *
 * Results:
 *	1; 0 when the cache cannot hold every row (after "Error of malloc in
 *	readJPEG.\n" on standard output) or would be above the whole-image
 *	cap. A decoding error leaves what was decoded in the cache.
 *
 * Side effects:
 *	The cache may be rebuilt; every slot is marked as holding its row.
 *
 *----------------------------------------------------------------------
 */
int readJPEG(RAMIMG *image)
{
    if (image == NULL) {
        return 0;
    }
    int64_t all = bandRowCount(image);
    if (all < 0 || image->rowBytes < 1) {
        return 0;
    }
    if (image->slots < all || image->cacheBlock == NULL) {
        int64_t cap = ovexWholeImageCap();
        if (all * image->rowBytes > cap) {
            ovex_fprintf(stderr,
                         "JPEG image %s needs %lld bytes decoded, above the limit of %lld "
                         "bytes (OVEX_MAX_DECODE)\n",
                         image->tag, (long long)(all * image->rowBytes), (long long)cap);
            return 0;
        }
        if (setRAMImageBuf(image, image->head.rows) <= 0 || image->slots < all) {
            ovex_printf("Error of malloc in readJPEG.\n");
            return 0;
        }
    }
    for (int k = 0; k < image->slots; k++) {
        image->rowIds[k] = (k < all) ? k : -1;
    }
    int decoded = 0;
    if (image->fd >= 0 || image->extBuffer != NULL) {
        decodeInto(image, image->cacheBlock, &decoded);
    }
    /* Rows a failed decode did not reach hold nothing yet in a block that
     * was not cleared. */
    CacheTrailer *trailer = cacheTrailer(image);
    if (trailer->uncleared) {
        int64_t first = (int64_t)decoded * image->head.nbands;
        clearRows(image, (int)first, image->slots - (int)first);
        trailer->uncleared = 0;
    }
    return 1;
}

void dropJpegStream(RAMIMG *image)
{
    if (image != NULL && currentStream(image) != NULL) {
        jpegStreamFreeHook(image);
        image->freeHook = NULL;
    }
}

/*
 *----------------------------------------------------------------------
 *
 * loadJpegRow --
 *
 *	Brings `row` of a JPEG image whose cache is a window of rows into the
 *	cache: the file's decoder (kept with the image) goes on to that row,
 *	each row it passes taking the slots of its bands; a row before the
 *	decoder's restarts it from the top. A progressive file, or an image
 *	whose private data is taken, is decoded whole instead (readJPEG).
 *	A decoder that failed is kept: the rows after the one it stopped at
 *	read as zero, so that a damaged file costs one decode, not one per
 *	row.
 *
 * Results:
 *	1; 0 when the row reads as zero after a decoding error (the rows
 *	decoded before it keep their values, as in a whole decode).
 *
 *----------------------------------------------------------------------
 */
int loadJpegRow(RAMIMG *image, int row)
{
    int nbands = image->head.nbands;
    JpegRowStream *stream = currentStream(image);
    if (stream != NULL && jpegRowStreamPosition(stream) > row) {
        dropJpegStream(image);
        stream = NULL;
    }
    if (stream == NULL) {
        if (image->priv != NULL || image->freeHook != NULL || nbands > STREAM_BANDS_MAX) {
            return readJPEG(image);
        }
        int progressive = 0;
        stream = openJpegRowStream(image->fd, image->rowBytes, image->head.rows, nbands,
                                   &progressive);
        if (stream == NULL) {
            if (progressive) {
                return readJPEG(image);
            }
            clearRowGroups(image, row, row);
            return 0;
        }
        image->priv = stream;
        image->freeHook = jpegStreamFreeHook;
    }
    if (jpegRowStreamFailed(stream)) {
        /* Rows past a decoding error read as zero, without decoding the
         * file again for each of them. */
        clearRowGroups(image, row, row);
        return 0;
    }
    unsigned char *targets[STREAM_BANDS_MAX];
    while (jpegRowStreamPosition(stream) <= row) {
        int r = jpegRowStreamPosition(stream);
        for (int b = 0; b < nbands; b++) {
            int64_t id = (int64_t)r * nbands + b;
            int slot = slotOf(image, id);
            targets[b] = slotRow(image, slot);
            image->rowIds[slot] = (int)id;
        }
        if (jpegRowStreamNext(stream, targets) < 0) {
            /* What the decoder did not reach reads as zero. */
            clearRowGroups(image, r, row);
            return 0;
        }
    }
    if (jpegRowStreamPosition(stream) >= image->head.rows) {
        dropJpegStream(image);          /* every row passed: nothing more to keep */
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * writeJpegRamImage --
 *
 *	Writes the whole JPEG file again from the cache, at the quality in
 *	the head's block. The new file is written beside the old one and
 *	renamed over it only when complete, keeping the file's mode; the
 *	image's descriptor is then reopened on it.
 *
 * Side effects:
 *	On success the dirty bits are cleared and the cache emptied (the
 *	next access decodes the new file). On failure the file and the
 *	descriptor stay as they were, the message goes to standard error and
 *	the failure is remembered for flushRamImage; the cached rows stay.
 *
 *----------------------------------------------------------------------
 */
void writeJpegRamImage(RAMIMG *image)
{
    if (image == NULL || image->fd < 0 || image->cacheBlock == NULL) {
        return;
    }
    int64_t all = bandRowCount(image);
    if (all < 0 || image->slots < all) {
        ovex_fprintf(stderr, "Can't write JPEG image %s: the cache does not hold every row\n",
                     image->tag);
        noteWriteFailure(image);
        return;
    }
    int mode = fcntl(image->fd, F_GETFL);
    if (mode < 0 || (mode & O_ACCMODE) == O_RDONLY) {
        ovex_fprintf(stderr, "Can't write JPEG image %s: %s is open for reading only\n",
                     image->tag, image->head.file);
        noteWriteFailure(image);
        return;
    }
    if (!fillMissingRows(image, all)) {
        noteWriteFailure(image);
        return;
    }

    JpegWriteJob job = {&image->head, image->cacheBlock, image->rowBytes};
    errno = 0;
    if (!replaceFileSafely(image->head.file, writeJob, &job)) {
        reportWriteError(image, errno);
        noteWriteFailure(image);
        return;
    }
    if (!reopenReplacedFile(image->head.file, &image->fd)) {
        ovex_fprintf(stderr, "Can't reopen JPEG image %s: %s\n", image->head.file,
                     strerror(errno));
    }
    memset(image->dirtyBits, 0, (size_t)image->slots / 8 + 1);
    invalidateRowCache(image);
    cacheTrailer(image)->blankRows = 0;     /* the file now holds the rows written */
    dropJpegStream(image);                  /* it read the old file */
}

/*
 *----------------------------------------------------------------------
 *
 * jpegWritesRowByRow --
 *
 *	True for a new JPEG file (its picture still the blank one, or being
 *	encoded) of one or three bands whose cache is a window of rows.
 *
 *----------------------------------------------------------------------
 */
int jpegWritesRowByRow(const RAMIMG *image)
{
    if (image == NULL || image->head.imgid != IMGID_JPEG || image->fd < 0
        || image->extBuffer != NULL || image->cacheBlock == NULL
        || (image->head.nbands != 1 && image->head.nbands != 3)
        || (int64_t)image->slots >= (int64_t)image->head.rows * image->head.nbands
        || !cacheTrailer(image)->blankRows) {
        return 0;
    }
    /* Private data of another kind keeps the image on the whole-image path. */
    return currentWrite(image) != NULL || (image->priv == NULL && image->freeHook == NULL);
}

int jpegRowsEncoded(const RAMIMG *image)
{
    const JpegRowWrite *write = currentWrite(image);
    return write != NULL ? write->next : 0;
}

/*
 *----------------------------------------------------------------------
 *
 * jpegFinishRows --
 *
 *	Encodes the rows not encoded yet from the cache (a row or band never
 *	written is zero) and ends the file. Nothing is done while no row was
 *	written: the file still holds its blank picture.
 *
 * Results:
 *	1, or 0 after "Error in writing JPEG image FILE" on standard error
 *	(remembered for flushRamImage).
 *
 * Side effects:
 *	The image then reads its file as any JPEG: dirty bits cleared, cache
 *	emptied, the file no longer blank.
 *
 *----------------------------------------------------------------------
 */
int jpegFinishRows(RAMIMG *image)
{
    if (!jpegWritesRowByRow(image)) {
        return 1;
    }
    JpegRowWrite *write = currentWrite(image);
    if (write == NULL && !anyRowDirty(image)) {
        return 1;
    }
    write = takeWrite(image);
    if (write != NULL && write->sink == NULL && !openSink(image, write)
        && widenWithinCap(image)) {
        /* Nothing encoded yet: the whole-image writer says why it cannot
         * write, and keeps the rows. */
        endWrite(image);
        writeJpegRamImage(image);
        return !cacheTrailer(image)->writeFailed;
    }
    bool ok = write != NULL;
    int err = write == NULL ? ENOMEM : 0;
    while (ok && write->next < image->head.rows) {
        ok = openSink(image, write) && encodeRow(image, write);
    }
    if (write != NULL) {
        errno = 0;
        bool finished = finishJpegRowSink(write->sink) != 0;
        write->sink = NULL;
        if (!finished && ok && write->failedErrno == 0) {
            write->failedErrno = errno;
        }
        /* The new file replaces the old one only now, whole. */
        errno = 0;
        if (ok && finished && !write->file.commit() && write->failedErrno == 0) {
            write->failedErrno = errno;
            finished = false;
        }
        ok = ok && finished;
        if (ok && !reopenReplacedFile(image->head.file, &image->fd)) {
            ovex_fprintf(stderr, "Can't reopen JPEG image %s: %s\n", image->head.file,
                         strerror(errno));
        }
        err = write->failedErrno;
    }
    /* A failure removes the new file: the image reads its old file again. */
    endWrite(image);
    memset(image->dirtyBits, 0, (size_t)image->slots / 8 + 1);
    invalidateRowCache(image);
    dropJpegStream(image);
    cacheTrailer(image)->blankRows = 0;
    if (!ok) {
        reportWriteError(image, err);
        noteWriteFailure(image);
        return 0;
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * jpegWriteBlankIfEmpty --
 *
 *	For a JPEG file created empty (jpegBlankDeferred) none of whose rows
 *	was encoded: writes the blank picture into it, as a new JPEG holds
 *	one. A failure is remembered for flushRamImage.
 *
 *----------------------------------------------------------------------
 */
void jpegWriteBlankIfEmpty(RAMIMG *image)
{
    if (image == NULL || image->head.imgid != IMGID_JPEG || image->fd < 0
        || image->extBuffer != NULL || cacheTrailer(image) == NULL
        || !cacheTrailer(image)->blankRows || currentWrite(image) != NULL) {
        return;
    }
    struct stat status;
    if (fstat(image->fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size != 0) {
        return;
    }
    ImageHead head = image->head;
    if (writeJpegBlank(image->fd, &head) != 0) {
        ovex_fprintf(stderr, "Error in writing JPEG image %s\n", image->head.file);
        noteWriteFailure(image);
    }
}

/*
 *----------------------------------------------------------------------
 *
 * jpegBeforeMiss --
 *
 *	Before the cache of a JPEG written row by row misses `row` into
 *	`slot`: an encoded row is only had back from the finished file; a
 *	changed row leaving the slot is encoded with the rows before it when
 *	they come in order and `row` comes after them. Otherwise the rows are
 *	not written in order: with nothing encoded yet the cache takes every
 *	row, as for any changed JPEG; else the file is finished now.
 *
 *----------------------------------------------------------------------
 */
void jpegBeforeMiss(RAMIMG *image, int row, int slot)
{
    if (!jpegWritesRowByRow(image)) {
        return;
    }
    JpegRowWrite *write = currentWrite(image);
    int next = write != NULL ? write->next : 0;
    if (row < next) {
        jpegFinishRows(image);
        return;
    }
    if (!slotDirty(image, slot) || image->rowIds[slot] < 0) {
        return;
    }
    int leaving = image->rowIds[slot] / image->head.nbands;
    if (leaving < row) {
        write = takeWrite(image);
        if (write != NULL && encodeThrough(image, write, leaving)) {
            return;
        }
        next = write != NULL ? write->next : 0;
    }
    if (next == 0 && (write == NULL || write->sink == NULL) && widenWithinCap(image)) {
        endWrite(image);
        return;
    }
    jpegFinishRows(image);
}
