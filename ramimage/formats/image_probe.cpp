/*
 * image_probe.cpp --
 *
 *	Which format an image file is in, and the writers that act by a
 *	head's imgid. Registered readers come first (before-list), then the
 *	built-in formats in a fixed order, then the readers registered to
 *	come last (after-list); the first that recognises the file fills the
 *	head. The order decides, not the file name.
 */
#include "core/native_path.h"
#include "core/safe_replace.h"
#include "ramimage/formats/image_probe.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/gmem.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/formats/imagedef.h"

namespace {

ImageReaderHook *beforeList = NULL;
ImageReaderHook *afterList = NULL;

/* Removes every node of reader from the list. */
void unlinkReader(ImageReaderHook **list, ImageReaderProc *reader)
{
    while (*list != NULL) {
        if ((*list)->reader == reader) {
            ImageReaderHook *gone = *list;
            *list = gone->next;
            gmemFree(gone);
        } else {
            list = &(*list)->next;
        }
    }
}

void freeList(ImageReaderHook **list)
{
    while (*list != NULL) {
        ImageReaderHook *gone = *list;
        *list = gone->next;
        gmemFree(gone);
    }
}

/* The built-in formats in probe order. Each answers positive when it
 * recognised the file and filled the head, 0 when the file is not its
 * format, negative when it must not be opened at all. */
typedef int (BuiltinProbe)(int fd, ImageHead *head, void **priv);

struct BuiltinFormat {
    const char *name;
    BuiltinProbe *probe;
};

int tryTiff(int fd, ImageHead *head, void **priv)
{
    struct TiffState *state = NULL;
    int result = imgTiff(fd, head, 1, &state);
    if (result > 0) {
        *priv = state;
    }
    return result;
}

const BuiltinFormat BUILTIN_FORMATS[] = {
    {"DICOM", [](int fd, ImageHead *head, void **priv) { return probeDicom(fd, head, priv); }},
    {"DIB", [](int fd, ImageHead *head, void **) { return probeDib(fd, head); }},
    {"XBMP", [](int fd, ImageHead *head, void **) { return probeXbm(fd, head); }},
    {"ERDAS", [](int fd, ImageHead *head, void **) { return probeErdas(fd, head); }},
    {"GIF", [](int fd, ImageHead *head, void **) { return probeGif(fd, head, NULL, 0); }},
    {"FFT", [](int fd, ImageHead *head, void **priv) { return probeFft(fd, head, priv); }},
    {"ELAS", [](int fd, ImageHead *head, void **) { return probeElas(fd, head); }},
    {"TIFF", tryTiff},
    {"JPEG", [](int fd, ImageHead *head, void **) { return probeJpeg(fd, head, NULL, 0); }},
    {"IMAGEDEF", [](int fd, ImageHead *head, void **) { return probeImagedef(fd, head); }},
    {"PPM", [](int fd, ImageHead *head, void **) { return probePpm(fd, head); }},
};

/*
 * tryReaders --
 *	Asks each reader of the list in turn. A positive answer is the
 *	result; a negative one gives -1; 0 from all gives 0. A reader that
 *	declines leaves the head as the next one must find it.
 */
int tryReaders(ImageReaderHook *list, int fd, const char *fileName, ImageHead *head, void **priv,
               const ImageHead &fresh)
{
    for (ImageReaderHook *hook = list; hook != NULL;) {
        ImageReaderHook *next = hook->next;
        int result = hook->reader(fd, fileName, head, priv);
        if (result > 0) {
            return result;
        }
        if (result < 0) {
            return -1;
        }
        *head = fresh;
        hook = next;
    }
    return 0;
}

/* Formats whose file rows hold every band. */
bool rowsHoldAllBands(int imgid)
{
    return imgid == IMGID_BIP || imgid == IMGID_DIB || imgid == IMGID_TIFF
           || imgid == IMGID_GEOTIFF || imgid == IMGID_BIPD || imgid == IMGID_PPM
           || imgid == IMGID_FFT;
}

bool isImagedefFamily(int imgid)
{
    return (imgid >= IMGID_BSQ && imgid <= IMGID_BIP) || (imgid >= IMGID_BSQD && imgid <= IMGID_BIPD);
}

bool isErdas(int imgid)
{
    return imgid == IMGID_E73 || imgid == IMGID_E74 || imgid == IMGID_E74BSQ;
}

/* Writes size zero bytes at position; false on a short write. */
bool writeZeros(int fd, off_t position, int64_t size)
{
    static const unsigned char zeros[1 << 16] = {0};
    while (size > 0) {
        size_t piece = (size < (int64_t)sizeof(zeros)) ? (size_t)size : sizeof(zeros);
        ssize_t n = pwrite(fd, zeros, piece, position);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        position += n;
        size -= n;
    }
    return true;
}

/*
 * zeroStoredBytes --
 *	Overwrites with zeros the bytes of [start, end) that the file stores;
 *	holes already read as zero and are left alone (a new TIFF file's
 *	pixel area lies in a hole below its directory). Where the file system
 *	cannot tell holes from data, every byte counts as stored.
 */
static bool zeroStoredBytesFrom(int fd, int64_t start, int64_t end)
{
    int64_t at = start;
    while (at < end) {
        off_t data = lseek(fd, (off_t)at, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO) {
                return true;        /* nothing stored from here on */
            }
            return writeZeros(fd, (off_t)at, end - at);
        }
        if ((int64_t)data >= end) {
            return true;
        }
        off_t hole = lseek(fd, data, SEEK_HOLE);
        int64_t stop = (hole < 0 || (int64_t)hole > end) ? end : (int64_t)hole;
        if (stop <= (int64_t)data) {
            return writeZeros(fd, data, end - (int64_t)data);
        }
        if (!writeZeros(fd, data, stop - (int64_t)data)) {
            return false;
        }
        at = stop;
    }
    return true;
}

/* The same, leaving the file position where it was (the seeks move it). */
static bool zeroStoredBytes(int fd, int64_t start, int64_t end)
{
    off_t position = lseek(fd, 0, SEEK_CUR);
    bool ok = zeroStoredBytesFrom(fd, start, end);
    if (position >= 0) {
        lseek(fd, position, SEEK_SET);
    }
    return ok;
}

/*
 * zeroFill --
 *	Makes the bytes [start, end) of the file zero: what the file already
 *	stores is overwritten, and a regular file is extended with ftruncate,
 *	whose new bytes read as zero, so a large data area costs no writes.
 */
bool zeroFill(int fd, int64_t start, int64_t end)
{
    struct stat info;
    if (fstat(fd, &info) != 0) {
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        return writeZeros(fd, (off_t)start, end - start);
    }
    int64_t size = (int64_t)info.st_size;
    int64_t existingEnd = (size < end) ? size : end;
    if (existingEnd > start && !zeroStoredBytes(fd, start, existingEnd)) {
        return false;
    }
    if (size >= end) {
        return true;
    }
    if (ftruncate(fd, (off_t)end) == 0) {
        return true;
    }
    int64_t from = (size > start) ? size : start;
    return writeZeros(fd, (off_t)from, end - from);
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * probeImageFile --
 *
 *	Finds the reader that recognises the open image file: the
 *	before-list, the built-in formats in their order, the after-list.
 *
 * Results:
 *	The imgid of the recognised file, 0 when nothing recognises it, -1
 *	when a reader recognised the file but cannot read it.
 *
 * Side effects:
 *	*priv is set to NULL, then to the recognising format's private data.
 *	The head's dataFd becomes -1, frames and encoding 0; a recognising
 *	reader fills the rest. Readers that decline see the head as it was
 *	before the first of them.
 *
 *----------------------------------------------------------------------
 */
int probeImageFile(int fd, const char *fileName, ImageHead *head, void **priv)
{
    void *unused = NULL;
    if (priv == NULL) {
        priv = &unused;
    }
    *priv = NULL;
    if (head == NULL) {
        return 0;
    }
    head->dataFd = -1;
    head->frames = 0;
    head->encoding = 0;
    const ImageHead fresh = *head;

    int result = tryReaders(beforeList, fd, fileName, head, priv, fresh);
    if (result != 0) {
        return result;
    }
    for (const BuiltinFormat &format : BUILTIN_FORMATS) {
        result = format.probe(fd, head, priv);
        if (result > 0) {
            return (head->imgid > 0) ? head->imgid : result;
        }
        if (result < 0) {
            return -1;
        }
        *head = fresh;
    }
    return tryReaders(afterList, fd, fileName, head, priv, fresh);
}

/*
 * addImageReader --
 *	Registers reader once: first in the before-list (last 0) or last in
 *	the after-list. Returns 1, or 0 (lists unchanged) for a NULL reader
 *	or a failed allocation.
 */
int addImageReader(ImageReaderProc *reader, int last)
{
    if (reader == NULL) {
        return 0;
    }
    ImageReaderHook *hook = (ImageReaderHook *)gmemAlloc(sizeof(ImageReaderHook));
    if (hook == NULL) {
        return 0;
    }
    removeImageReader(reader);
    hook->reader = reader;
    hook->next = NULL;
    if (last == 0) {
        hook->next = beforeList;
        beforeList = hook;
    } else {
        ImageReaderHook **tail = &afterList;
        while (*tail != NULL) {
            tail = &(*tail)->next;
        }
        *tail = hook;
    }
    return 1;
}

void removeImageReader(ImageReaderProc *reader)
{
    unlinkReader(&beforeList, reader);
    unlinkReader(&afterList, reader);
}

void freeImageReaders(void)
{
    freeList(&beforeList);
    freeList(&afterList);
}

/*
 *----------------------------------------------------------------------
 *
 * writeImageHeader --
 *
 *	Writes the header of a new image file by the head's imgid.
 *
 * Results:
 *	The data offset or the header bytes written (at least 0); -1 on
 *	failure; -2 for formats without a header writer.
 *
 * Side effects:
 *	The format's writer may adjust the head's offset, block, nbands,
 *	nindices and msbf.
 *
 *----------------------------------------------------------------------
 */
int writeImageHeader(int fd, int checkSpace, ImageHead *head)
{
    if (head == NULL) {
        return -1;
    }
    int imgid = head->imgid;
    if (isImagedefFamily(imgid)) {
        return writeImagedefHeader(fd, head);
    }
    if (isErdas(imgid)) {
        return writeErdasHeader(fd, checkSpace, head);
    }
    switch (imgid) {
    case IMGID_DIB:
        return writeDibHeader(fd, checkSpace, head);
    case IMGID_TIFF:
    case IMGID_GEOTIFF:
        return writeTiffImage(fd, checkSpace, head, head);
    case IMGID_PPM:
        return writePpmHeader(fd, head);
    default:
        return -2;
    }
}

/*
 * rewriteImageHeader --
 *	Writes an existing image's header again after its head changed:
 *	IMAGEDEF family and ERDAS (no space check: the file is there).
 *	Results as writeImageHeader; -2 for every other imgid.
 */
int rewriteImageHeader(int fd, ImageHead *head)
{
    if (head == NULL) {
        return -1;
    }
    if (isImagedefFamily(head->imgid)) {
        return writeImagedefHeader(fd, head);
    }
    if (isErdas(head->imgid)) {
        return writeErdasHeader(fd, 0, head);
    }
    return -2;
}

/*
 * flushImageTrailer --
 *	Writes a changed palette into the file: one-band DIB, TIFF and
 *	GeoTIFF. Returns the entries or values written; 0 for a negative fd,
 *	a format that keeps no palette in the file, or a file without one.
 */
int flushImageTrailer(int fd, ImageHead *head, void *context)
{
    if (fd < 0 || head == NULL) {
        return 0;
    }
    int written = 0;
    switch (head->imgid) {
    case IMGID_DIB:
        if (head->nbands == 1) {
            written = writeDibPalette(fd, head);
        }
        break;
    case IMGID_TIFF:
    case IMGID_GEOTIFF:
        written = tiffFlushColorMap(fd, head, (struct TiffState *)context);
        break;
    default:
        break;
    }
    return (written > 0) ? written : 0;
}

/*
 *----------------------------------------------------------------------
 *
 * saveWholeImage --
 *
 *	Writes what follows a new file's header: a whole file of a blank
 *	image for X bitmap, GIF and JPEG; zero bytes over the data area for
 *	every other format.
 *
 * Results:
 *	The whole-file writer's result, or the head's offset; -1 on a short
 *	write, or when the data area's size (block x rows, times nbands
 *	unless the rows hold every band) is negative or beyond 64 bits.
 *
 * Side effects:
 *	Writes the file; its position is left where it was.
 *
 *----------------------------------------------------------------------
 */
int saveWholeImage(int fd, ImageHead *head)
{
    if (head == NULL) {
        return -1;
    }
    switch (head->imgid) {
    case IMGID_XBMP:
        return writeXbm(fd, head, NULL, (head->columns > 0) ? (head->columns - 1) / 8 + 1 : 0);
    case IMGID_GIF87A:
    case IMGID_GIF89A:
        return writeGifImage(fd, NULL, head);
    case IMGID_JPEG:
        return writeJpegBlank(fd, head);
    default:
        break;
    }

    if (head->offset < 0 || head->block < 0 || head->rows < 0 || head->nbands < 0) {
        return -1;
    }
    int64_t size = (int64_t)head->block * head->rows;
    if (!rowsHoldAllBands(head->imgid)) {
        if (head->nbands > 0 && size > (INT64_MAX - head->offset) / head->nbands) {
            return -1;
        }
        size *= head->nbands;
    }
    if (size > 0 && !zeroFill(fd, head->offset, head->offset + size)) {
        return -1;
    }
    return head->offset;
}

/*
 *----------------------------------------------------------------------
 *
 * createImageFile --
 *
 *	Creates the image file named by the head: header (with the space
 *	check), then data area or whole file.
 *
 * Results:
 *	What saveWholeImage returned (the data offset for formats with a
 *	data area), or -1 when the file cannot be created or closed or its
 *	header writer fails. A format without a header writer (-2) still
 *	gets its data area.
 *
 * Side effects:
 *	Creates the file, or replaces an existing one whole (keeping its
 *	mode; 0666 less the umask for a new one); on failure nothing is
 *	made and an existing file is left byte for byte. The head may be
 *	adjusted by the header writer.
 *
 *----------------------------------------------------------------------
 */
thread_local bool jpegBlankDeferred = false;

int createImageFile(ImageHead *head)
{
    if (head == NULL || head->file[0] == '\0' || memchr(head->file, '\0', sizeof(head->file)) == NULL) {
        return -1;
    }
    /* The new file is made beside an old one and renamed over it once
     * whole: a failure (a full disk, a kill) leaves the old file as it
     * was, and a file no writer takes is not left behind. */
    /* Only a new file may stand empty until its rows come: an old file is
     * replaced by a whole picture, never by an empty one. */
    struct stat existing;
    bool deferBlank = head->imgid == IMGID_JPEG && jpegBlankDeferred && head->transparent < 0
                      && head->columns > 0 && head->rows > 0
                      && stat(nativePath(head->file).c_str(), &existing) != 0 && errno == ENOENT;
    FileReplacement file;
    if (!file.open(head->file)) {
        return -1;
    }
    int result = -1;
    if (writeImageHeader(file.fd(), 1, head) != -1) {
        if (deferBlank) {
            /* Every row is about to be written: the picture is encoded
             * once, from them; the blank is written only should no row
             * come (jpegWriteBlankIfEmpty). */
            head->nbands = (head->nbands < 2) ? 1 : 3;
            head->nindices = 0;
            head->offset = 0;
            result = 0;
        } else {
            result = saveWholeImage(file.fd(), head);
        }
    }
    if (result == -1 || !file.commit()) {
        return -1;
    }
    return result;
}
