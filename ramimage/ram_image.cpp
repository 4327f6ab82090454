/*
 * ram_image.cpp --
 *
 *	Building RAM-image records: from an image file (its format probed or
 *	described by a template head), in memory from a head, over an encoded
 *	file held in memory, and rebuilding an existing record in place; and
 *	the destructor.
 *
 *	A rebuild assembles the new state in a scratch record first. Only when
 *	its cache exists are the old rows written back (file images, with the
 *	old head, descriptor and cache) or dropped (images without a file),
 *	and the new state moved in. A failed rebuild leaves the record as it
 *	was, so a registered and held image is never left without a cache.
 */
#include "core/native_path.h"
#include "ramimage/ramimg.h"
#include "ramimage/band_stats.h"
#include "ramimage/format_hooks.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/ram_geometry.h"
#include "ramimage/ram_lifetime.h"
#include "core/gmem.h"
#include "core/error_note.h"
#include "core/paths.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <string.h>
#include <unistd.h>

#include <string>

/*
 * initImageHead --
 *	Every field zero and the palette a grey ramp (entry i is (i, i, i)).
 */
void initImageHead(ImageHead *head)
{
    memset(head, 0, sizeof(*head));
    for (int i = 0; i < 256; i++) {
        head->palette[i][0] = head->palette[i][1] = head->palette[i][2] = (unsigned char)i;
    }
}

/* A zeroed record without a file, or NULL when memory runs out. */
static RAMIMG *allocRecord(void)
{
    RAMIMG *image = (RAMIMG *)gmemAlloc(sizeof(RAMIMG));
    if (image == NULL) {
        return NULL;
    }
    memset(image, 0, sizeof(*image));
    image->fd = -1;
    return image;
}

/* A scratch copy of image for a rebuild: it shares image's private data,
 * buffers and descriptor but has no cache, statistics or clients. */
static RAMIMG *scratchCopy(const RAMIMG *image)
{
    RAMIMG *copy = allocRecord();
    if (copy == NULL) {
        return NULL;
    }
    *copy = *image;
    copy->cacheBlock = NULL;
    copy->rowIds = NULL;
    copy->dirtyBits = NULL;
    copy->slots = 0;
    copy->rowsPerBand = 0;
    copy->stats = NULL;
    copy->clients = NULL;
    copy->next = NULL;
    return copy;
}

static void chooseRowAccess(RAMIMG *image)
{
    if (image->head.imgid >= IMGID_MRGB32 && image->head.imgid <= IMGID_MRGB1) {
        image->rowLoader = loadMemoryRgbRow;
        image->rowFlusher = flushMemoryRgbRow;
    } else {
        image->rowLoader = getRAMImageLine;
        image->rowFlusher = flushCacheRow;
    }
}

/* Releases the format's private data through its own procedure. */
static void releasePrivate(RAMIMG *image)
{
    if (image->freeHook != NULL) {
        image->freeHook(image);
    } else {
        gmemFree(image->priv);
    }
    image->priv = NULL;
    image->freeHook = NULL;
    image->seekHook = NULL;
}

/* Frees the band statistics while nbands still counts them. */
static void releaseStats(RAMIMG *image)
{
    freeHist(image->stats, image->head.nbands);
    image->stats = NULL;
}

/*
 * writeBackRows --
 *	Writes the dirty rows back to the image's file; 1 on success, 0 after
 *	"Error in writing RAMIMG TAG: FILE" on standard error, so that a lost
 *	write is never silent.
 */
static unsigned long lostWriteBacks = 0;

unsigned long ramImageLostWriteBacks(void)
{
    return lostWriteBacks;
}

static int writeBackRows(RAMIMG *image)
{
    if (image->cacheBlock == NULL || image->slots <= 0 || flushRamImage(image)) {
        return 1;
    }
    lostWriteBacks++;
    ovex_fprintf(stderr, "Error in writing RAMIMG %s: %s\n", image->tag, image->head.file);
    return 0;
}

/*
 * retireCache --
 *	Ends the image's present cache before another replaces it: the dirty
 *	rows of a file image go back to its file with the present state, those
 *	of an image without a file are dropped; then the block is freed.
 */
static void retireCache(RAMIMG *image)
{
    if (image->fd >= 0) {
        writeBackRows(image);
    }
    gmemFree(image->cacheBlock);
    image->cacheBlock = NULL;
    image->rowIds = NULL;
    image->dirtyBits = NULL;
    image->slots = 0;
    image->rowsPerBand = 0;
}

static void takeCache(RAMIMG *to, const RAMIMG *from)
{
    to->cacheBlock = from->cacheBlock;
    to->rowIds = from->rowIds;
    to->dirtyBits = from->dirtyBits;
    to->slots = from->slots;
    to->rowsPerBand = from->rowsPerBand;
}

/* Frame selectors and release procedures of the formats that have them. */
static void installFormatHooks(RAMIMG *image)
{
    image->seekHook = NULL;
    image->freeHook = NULL;
    switch (image->head.imgid) {
    case IMGID_TIFF:
    case IMGID_GEOTIFF:
        image->seekHook = tiffSeekHook;
        image->freeHook = tiffFreeHook;
        break;
    case IMGID_GIF87A:
        image->frame = 0;
        break;
    case IMGID_GIF89A:
        image->seekHook = gifSeekHook;
        image->frame = 0;
        break;
    case IMGID_DICOM:
        image->seekHook = dicomSeekFrame;
        image->freeHook = dicomFreeHook;
        if (image->head.frames > 1 && image->priv != NULL) {
            image->frameDelay = dicomFrameTime(image->priv);
        }
        break;
    default:
        break;
    }
}

/* A GIF without a palette yet is decoded at once: the first image brings
 * its colours. */
static void decodeFirstGifImage(RAMIMG *image)
{
    int imgid = image->head.imgid;
    if ((imgid == IMGID_GIF87A || imgid == IMGID_GIF89A) && image->head.nindices == 0) {
        readGIF(image);
    }
}

/*
 * adoptFileState --
 *	Moves the file, head, cache and format state of a freshly built
 *	record into to, after the old rows of to were written back with its
 *	old state. Tag, list position, counters, flags and clients stay.
 */
static void adoptFileState(RAMIMG *to, RAMIMG *from)
{
    retireCache(to);
    releasePrivate(to);
    releaseStats(to);
    if (to->fd >= 0) {
        close(to->fd);
    }
    /* The file is the data source now, not an encoded copy in memory. */
    gmemFree(to->extBuffer);
    to->extBuffer = NULL;
    to->extSize = 0;

    to->head = from->head;
    to->fd = from->fd;
    to->rowBytes = from->rowBytes;
    to->frame = from->frame;
    to->frameCount = from->frameCount;
    to->dataOffset = from->dataOffset;
    to->frameDelay = from->frameDelay;
    to->priv = from->priv;
    to->seekHook = from->seekHook;
    to->freeHook = from->freeHook;
    to->rowLoader = from->rowLoader;
    to->rowFlusher = from->rowFlusher;
    takeCache(to, from);
}

/*
 *----------------------------------------------------------------------
 *
 * openRamImageFile --
 *
 *	Builds a file image from an image file: its format is probed when
 *	head is NULL, else head describes it. With reuse, that record is
 *	rebuilt in place.
 *
 * Results:
 *	The record, or NULL with *err set: 3 when the file cannot be opened,
 *	2 when no format recognises it, 8 when its reader fails or its
 *	attributes cannot be handled, 1 when memory runs out. On failure
 *	reuse is left as it was and every descriptor opened here is closed.
 *
 *----------------------------------------------------------------------
 */
RAMIMG *openRamImageFile(const char *file, ImageHead *head, RAMIMG *reuse, int *err)
{
    int localErr;
    if (err == NULL) {
        err = &localErr;
    }
    if (file == NULL || file[0] == '\0') {
        *err = RAMIMG_EOPEN;
        return NULL;
    }
    std::string path = absolutePath(file);
    if (path.empty()) {
        *err = RAMIMG_EOPEN;
        return NULL;
    }
    /* The record keeps the full path: a longer one is never cut. */
    if (path.size() >= RAMIMG_NAME_SIZE) {
        setRamImageOpenReason("path longer than 255 characters");
        *err = RAMIMG_ENAME;
        return NULL;
    }
    int fd = open(nativePath(path.c_str()).c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        fd = open(nativePath(path.c_str()).c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) {
        setRamImageOpenReason(strerror(errno));
        *err = RAMIMG_EOPEN;
        return NULL;
    }
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        close(fd);
        setRamImageOpenReason(strerror(EISDIR));
        *err = RAMIMG_EOPEN;
        return NULL;
    }

    RAMIMG *fresh = allocRecord();
    if (fresh == NULL) {
        close(fd);
        *err = RAMIMG_ENOMEM;
        return NULL;
    }
    ImageHead *h = &fresh->head;
    if (head != NULL) {
        *h = *head;
    } else {
        initImageHead(h);
        h->dataFd = -1;
        errorNoteListen();
        int imgid = probeImageFile(fd, path.c_str(), h, &fresh->priv);
        std::string note = imgid <= 0 ? errorNoteLast() : "";
        errorNoteStop();
        if (imgid <= 0) {
            setRamImageOpenReason(!note.empty() ? note.c_str() : "not an image file of a known format");
            if (h->dataFd >= 0 && h->dataFd != fd) {
                close(h->dataFd);
            }
            close(fd);
            gmemFree(fresh);
            *err = (imgid < 0) ? RAMIMG_EUNHANDLED : RAMIMG_EUNKNOWN_TYPE;
            return NULL;
        }
        if (h->dataFd >= 0 && h->dataFd != fd) {
            close(fd);
            fd = h->dataFd;
        }
    }
    fresh->fd = fd;
    fresh->frame = 1;
    fresh->frameCount = -1;
    fresh->frameDelay = 0.0f;
    /* Hooks first: a failure below releases the private data through them. */
    installFormatHooks(fresh);

    int code = settleFileHead(h, &fresh->rowBytes);
    if (code != 0) {
        setRamImageOpenReason("its attributes cannot be handled");
        freeRamImage(fresh);
        *err = code;
        return NULL;
    }
    strncpy(h->file, path.c_str(), RAMIMG_NAME_SIZE - 1);
    h->file[RAMIMG_NAME_SIZE - 1] = '\0';
    fresh->dataOffset = h->offset;
    chooseRowAccess(fresh);
    if (setRAMImageBuf(fresh, defaultCacheDepth(h->nbands, fresh->rowBytes)) <= 0) {
        freeRamImage(fresh);
        *err = RAMIMG_ENOMEM;
        return NULL;
    }

    /* A GIF is decoded whole anyway: its first image is decoded now, so
     * that data the decoder refuses fail the open instead of reading as
     * zeros later. */
    int imgid = h->imgid;
    bool gifDecoded = head == NULL && (imgid == IMGID_GIF87A || imgid == IMGID_GIF89A);
    if (gifDecoded) {
        errorNoteListen();
        int decoded = readGIF(fresh);
        std::string note = decoded == 0 ? errorNoteLast() : "";
        errorNoteStop();
        if (decoded == 0) {
            setRamImageOpenReason(!note.empty() ? note.c_str() : "its GIF data cannot be decoded");
            freeRamImage(fresh);
            *err = RAMIMG_EUNHANDLED;
            return NULL;
        }
    }

    RAMIMG *image = fresh;
    if (reuse != NULL) {
        adoptFileState(reuse, fresh);
        gmemFree(fresh);
        image = reuse;
    }
    if (!gifDecoded) {
        decodeFirstGifImage(image);
    }
    *err = RAMIMG_OK;
    return image;
}

/*
 *----------------------------------------------------------------------
 *
 * createRamImage --
 *
 *	Builds a memory image from head: every row of every band lives in
 *	the cache. With reuse, that record is rebuilt in place; it keeps its
 *	data offset, frame fields, private data, encoded buffer and hooks,
 *	and its old rows are dropped.
 *
 * Results:
 *	The record, or NULL with *err set: 2 for an unknown imgid or a NULL
 *	head, 1 for attributes no cache can hold or when memory runs out.
 *	On failure reuse is left as it was.
 *
 *----------------------------------------------------------------------
 */
RAMIMG *createRamImage(ImageHead *head, RAMIMG *reuse, int *err)
{
    int localErr;
    if (err == NULL) {
        err = &localErr;
    }
    if (head == NULL) {
        *err = RAMIMG_EUNKNOWN_TYPE;
        return NULL;
    }
    RAMIMG *fresh = (reuse != NULL) ? scratchCopy(reuse) : allocRecord();
    if (fresh == NULL) {
        *err = RAMIMG_ENOMEM;
        return NULL;
    }
    if (reuse == NULL) {
        fresh->dataOffset = head->offset;
    }
    fresh->head = *head;
    int code = settleMemoryHead(&fresh->head, &fresh->rowBytes);
    if (code != 0) {
        gmemFree(fresh);
        *err = code;
        return NULL;
    }
    chooseRowAccess(fresh);
    if (setRAMImageBuf(fresh, fresh->head.rows) <= 0) {
        gmemFree(fresh->cacheBlock);
        gmemFree(fresh);
        *err = RAMIMG_ENOMEM;
        return NULL;
    }
    if (reuse == NULL) {
        *err = RAMIMG_OK;
        return fresh;
    }
    retireCache(reuse);
    releaseStats(reuse);
    reuse->head = fresh->head;
    reuse->rowBytes = fresh->rowBytes;
    reuse->rowLoader = fresh->rowLoader;
    reuse->rowFlusher = fresh->rowFlusher;
    takeCache(reuse, fresh);
    gmemFree(fresh);
    *err = RAMIMG_OK;
    return reuse;
}

/*
 * reopenRamImage --
 *	Rebuilds image in place: from head when it has no file, else from the
 *	file (probed when head is NULL). An image without a file and without
 *	a head to rebuild it from is opened on the file instead. NULL with
 *	*err set on failure: 3 for no image, 4 for a locked one, else the
 *	code of the rebuild (the image then stays as it was).
 */
RAMIMG *reopenRamImage(const char *file, ImageHead *head, RAMIMG *image, int *err)
{
    int localErr;
    if (err == NULL) {
        err = &localErr;
    }
    if (image == NULL) {
        *err = RAMIMG_EOPEN;
        return NULL;
    }
    if (image->flags & RAMIMG_LOCKED) {
        *err = RAMIMG_ESYSTEM;
        return NULL;
    }
    if (image->fd < 0 && head != NULL) {
        return createRamImage(head, image, err);
    }
    return openRamImageFile(file, head, image, err);
}

/*
 * attachRamImageBuffer --
 *	Makes buffer, an encoded image file of size bytes, the image's data
 *	source in place of its file: the dirty rows go back to the file, the
 *	file is closed and a cache for every row is built. The record owns
 *	buffer from then on. Returns 1, or 0 when the cache cannot be built
 *	(the image is then unchanged and buffer still the caller's).
 */
int attachRamImageBuffer(RAMIMG *image, unsigned char *buffer, size_t size)
{
    if (image == NULL) {
        return 0;
    }
    RAMIMG *fresh = scratchCopy(image);
    if (fresh == NULL) {
        return 0;
    }
    fresh->fd = -1;
    fresh->extBuffer = buffer;
    fresh->extSize = size;
    if (setRAMImageBuf(fresh, image->head.rows) <= 0) {
        gmemFree(fresh->cacheBlock);
        gmemFree(fresh);
        return 0;
    }
    retireCache(image);
    if (image->fd >= 0) {
        close(image->fd);
        image->fd = -1;
    }
    if (image->extBuffer != buffer) {
        gmemFree(image->extBuffer);
    }
    image->extBuffer = buffer;
    image->extSize = size;
    takeCache(image, fresh);
    gmemFree(fresh);
    invalidateRowCache(image);

    if (image->head.imgid == IMGID_GIF87A || image->head.imgid == IMGID_GIF89A) {
        if (image->head.imgid == IMGID_GIF89A) {
            image->seekHook = gifSeekHook;
        }
        image->frame = 0;
        decodeFirstGifImage(image);
    }
    return 1;
}

/*
 * freeRamImage --
 *	Frees the record and everything it owns: private data (through the
 *	format's release procedure when it has one), band statistics, the
 *	descriptor, the cache and the encoded buffer. The caller has unlinked
 *	the record from the list and written back what it keeps.
 */
void freeRamImage(RAMIMG *image)
{
    if (image == NULL) {
        return;
    }
    releasePrivate(image);
    releaseStats(image);
    if (image->fd >= 0) {
        close(image->fd);
        image->fd = -1;
    }
    gmemFree(image->cacheBlock);
    gmemFree(image->extBuffer);
    gmemFree(image);
}

/*
 * discardRamImage --
 *	Writes back the dirty rows of an unlinked image (a failed write is
 *	reported) and frees it.
 */
void discardRamImage(RAMIMG *image)
{
    writeBackRows(image);
    jpegWriteBlankIfEmpty(image);
    freeRamImage(image);
}
