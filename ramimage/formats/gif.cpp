/*
 * gif.cpp --
 *
 *	GIF87a and GIF89a files: block reader, descriptors, probe and block
 *	writers. Numbers are little-endian.
 *
 *	offset  size  field
 *	     0     6  signature "GIF87a" or "GIF89a"
 *	     6     2  logical screen width
 *	     8     2  logical screen height
 *	    10     1  packed: bit 7 global colour table, bits 6-4 colour
 *	              resolution - 1, bit 3 sort, bits 2-0 table bits - 1
 *	    11     1  background index
 *	    12     1  pixel aspect
 *	    13  3 x 2^(bits)  global colour table (red, green, blue), when flagged
 *
 *	Then blocks, each starting with an introducer byte:
 *	  "!" (0x21) extension: a label, then data sub-blocks (size 1 to 255
 *	      and the bytes) ended by a zero byte. Labels: 0xF9 graphic
 *	      control (4 bytes: packed (bits 4-2 disposal, bit 1 user input,
 *	      bit 0 transparency), delay in hundredths of a second, transparent
 *	      index), 0xFE comment, 0x01 plain text, 0xFF application.
 *	  "," (0x2C) image: left, top, width, height (2 bytes each), packed
 *	      (bit 7 local colour table, bit 6 interlace, bit 5 sort, bits 2-0
 *	      table bits - 1), the local colour table when flagged, the LZW
 *	      minimum code size byte and the LZW data sub-blocks.
 *	  ";" (0x3B) trailer.
 *
 *	This system writes a GIF89a comment holding the georeference line
 *	before the image.
 */
#include "ramimage/formats/gif.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "core/gmem.h"
#include "core/rounding.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/formats/le_fields.h"
#include "ramimage/georef_line.h"
#include "ramimage/ramimg.h"
#include "ramimage/whole_image_cap.h"

namespace {

const int SCREEN_BYTES = 13;         /* signature and logical screen descriptor */

bool writeAll(int fd, const void *data, size_t n)
{
    const unsigned char *bytes = (const unsigned char *)data;
    while (n > 0) {
        ssize_t done = write(fd, bytes, n);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return false;
        }
        bytes += done;
        n -= (size_t)done;
    }
    return true;
}

/* Reads exactly n bytes; false on a short read. */
bool readExactly(GifStream *s, void *buffer, int64_t n)
{
    return gifRead(s, buffer, n) == n;
}

/* Refills the read-ahead of a file stream at its position; false at the end. */
bool fillAhead(GifStream *s)
{
    s->aheadStart = s->position;
    s->aheadLength = 0;
    for (;;) {
        ssize_t n = pread(s->fd, s->ahead, sizeof(s->ahead), (off_t)s->position);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        s->aheadLength = (size_t)n;
        return true;
    }
}

/*
 * scanToImage --
 *	gifFindTransparent, which also reads a georeference comment into
 *	head when one is given (the probe's use).
 */
int64_t scanToImage(GifStream *s, int *transparent, ImageHead *head)
{
    for (;;) {
        int c = gifGetByte(s);
        if (c < 0) {
            ovex_fprintf(stderr, "Error in read GIF Introducer\n");
            return 0;
        }
        if (c == ',') {
            return s->position;
        }
        if (c != '!') {
            continue;
        }
        int label = gifGetByte(s);
        if (label < 0) {
            ovex_fprintf(stderr, "Error in read GIF label\n");
            return 0;
        }
        switch (label) {
        case 0xF9: {
            GifGraphicControl control;
            if (gifReadGraphicControl(s, &control) > 0 && control.transparentFlag) {
                *transparent = control.transparentIndex;
            }
            break;
        }
        case 0xFE:
            if (head != NULL) {
                unsigned char text[GEOREF_LINE_SIZE];
                int64_t length = gifReadExtensionText(s, text, sizeof(text));
                if (length > 0 && length <= 256) {
                    parseGeorefBytes(head, text, (size_t)length);
                }
                break;
            }
            gifSkipSubBlocks(s);
            break;
        case 0x01:
        case 0xFF:
            gifSkipSubBlocks(s);
            break;
        default:
            ovex_fprintf(stderr, "    Unknown label in extension block\n");
            return -1;
        }
    }
}

} // namespace

/* ---- Stream ----------------------------------------------------------------------- */

void gifStreamInit(int fd, const unsigned char *memory, size_t length, GifStream *stream)
{
    stream->fd = memory != NULL ? -1 : fd;
    stream->memory = memory;
    stream->length = memory != NULL ? length : 0;
    stream->position = 0;
    stream->aheadStart = 0;
    stream->aheadLength = 0;
    memset(&stream->desc, 0, sizeof(stream->desc));
    stream->lzw.status = GIF_LZW_ENDED;
    stream->lzw.stackTop = 0;
}

int64_t gifRead(GifStream *s, void *buffer, int64_t n)
{
    unsigned char *out = (unsigned char *)buffer;
    if (n <= 0) {
        return 0;
    }
    if (s->memory != NULL) {
        if (s->position >= (int64_t)s->length) {
            return 0;
        }
        int64_t left = (int64_t)s->length - s->position;
        int64_t count = n < left ? n : left;
        memcpy(out, s->memory + s->position, (size_t)count);
        s->position += count;
        return count;
    }
    if (s->fd < 0) {
        return -1;
    }
    int64_t done = 0;
    while (done < n) {
        int64_t offset = s->position - s->aheadStart;
        if (offset < 0 || offset >= (int64_t)s->aheadLength) {
            if (!fillAhead(s)) {
                return done;
            }
            offset = 0;
        }
        int64_t avail = (int64_t)s->aheadLength - offset;
        int64_t count = (n - done) < avail ? (n - done) : avail;
        memcpy(out + done, s->ahead + offset, (size_t)count);
        done += count;
        s->position += count;
    }
    return done;
}

int gifGetByte(GifStream *s)
{
    if (s->memory != NULL) {
        return s->position < (int64_t)s->length ? s->memory[s->position++] : -1;
    }
    int64_t offset = s->position - s->aheadStart;
    if (offset < 0 || offset >= (int64_t)s->aheadLength) {
        if (s->fd < 0 || !fillAhead(s)) {
            return -1;
        }
        offset = 0;
    }
    s->position++;
    return s->ahead[offset];
}

int64_t gifSeek(GifStream *s, int64_t offset, int whence)
{
    int64_t target = s->position;
    if (whence == 0) {
        target = offset;
    } else if (whence == 1) {
        target = s->position + offset;
    } else if (whence == 2) {
        if (s->memory != NULL) {
            target = (int64_t)s->length - offset;
        } else {
            struct stat info;
            target = (s->fd >= 0 && fstat(s->fd, &info) == 0) ? (int64_t)info.st_size + offset
                                                                : s->position;
        }
    }
    if (target < 0) {
        target = 0;
    }
    if (s->memory != NULL && target > (int64_t)s->length) {
        target = (int64_t)s->length;
    }
    s->position = target;
    return target;
}

/* ---- Header and blocks ----------------------------------------------------------------- */

int gifSignature(GifStream *s)
{
    unsigned char sig[6];
    if (!readExactly(s, sig, 6) || memcmp(sig, "GIF8", 4) != 0 || sig[5] != 'a') {
        return 0;
    }
    if (sig[4] == '7') {
        return IMGID_GIF87A;
    }
    return sig[4] == '9' ? IMGID_GIF89A : 0;
}

int getGifLSD(GifStream *s)
{
    unsigned char lsd[7];
    if (!readExactly(s, lsd, 7)) {
        return 0;
    }
    GifDescriptor *d = &s->desc;
    int packed = lsd[4];
    d->left = d->top = 0;
    d->width = leU16(lsd);
    d->height = leU16(lsd + 2);
    d->background = lsd[5];
    d->aspect = lsd[6];
    d->colorResolution = ((packed & 0x70) >> 4) + 1;
    d->sort = (packed >> 3) & 1;
    d->interlace = 0;
    if (packed & 0x80) {
        d->bits = (packed & 7) + 1;
        d->colorCount = 1 << d->bits;
        int64_t n = gifRead(s, d->palette, 3 * d->colorCount);
        if (n != 3 * d->colorCount) {
            ovex_fprintf(stderr, "Error in getGifLSD: count = %d n = %d\n", 3 * d->colorCount, (int)n);
            return 0;
        }
    } else {
        d->colorCount = 0;
        d->bits = 8;
    }
    return 1;
}

int getGIFImgDes(GifStream *s, GifDescriptor *d)
{
    unsigned char des[9];
    if (!readExactly(s, des, 9)) {
        return 0;
    }
    int packed = des[8];
    d->left = leU16(des);
    d->top = leU16(des + 2);
    d->width = leU16(des + 4);
    d->height = leU16(des + 6);
    d->interlace = (packed >> 6) & 1;
    d->sort = (packed >> 5) & 1;
    int result = 1;
    if (packed & 0x80) {
        d->bits = (packed & 7) + 1;
        d->colorCount = 1 << d->bits;
        if (!readExactly(s, d->palette, 3 * d->colorCount)) {
            return 0;
        }
        result = 2;
    } else {
        d->colorCount = 0;
        d->bits = 0;
    }
    int size = gifGetByte(s);
    if (size < 0) {
        return 0;
    }
    d->codeSize = size;
    return result;
}

int gifReadSubBlock(GifStream *s, unsigned char *buffer)
{
    int size = gifGetByte(s);
    if (size < 0) {
        ovex_fprintf(stderr, "Error in read GIF Block Size.\n");
        return -1;
    }
    if (size > 0 && !readExactly(s, buffer, size)) {
        ovex_fprintf(stderr, "Error in read GIF Block Data.\n");
        return -1;
    }
    return size;
}

int gifSkipSubBlocks(GifStream *s)
{
    for (;;) {
        int size = gifGetByte(s);
        if (size < 0) {
            return 0;
        }
        if (size == 0) {
            return 1;
        }
        gifSeek(s, size, 1);
    }
}

int gifReadGraphicControl(GifStream *s, GifGraphicControl *control)
{
    unsigned char data[256];
    memset(control, 0, sizeof(*control));
    control->transparentIndex = -1;
    int n = gifReadSubBlock(s, data);
    if (n <= 0) {
        return n;
    }
    memset(data + n, 0, sizeof(data) - (size_t)n);     /* a short block reads as zeros */
    control->disposal = (data[0] & 0x1C) >> 2;
    control->userInput = (data[0] >> 1) & 1;
    control->transparentFlag = data[0] & 1;
    control->delay = (data[2] * 256 + data[1]) * 10;
    if (control->transparentFlag) {
        control->transparentIndex = n >= 4 ? data[3] : 0;
    }
    return gifSkipSubBlocks(s) ? 1 : -1;
}

int64_t gifReadExtensionText(GifStream *s, unsigned char *text, int64_t room)
{
    int64_t length = 0;
    for (;;) {
        int n = gifReadSubBlock(s, s->block);
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            return length;
        }
        if (length < room) {
            int64_t keep = (room - length) < n ? (room - length) : n;
            memcpy(text + length, s->block, (size_t)keep);
        }
        length += n;
    }
}

int64_t gifFindTransparent(GifStream *s, int *transparent)
{
    return scanToImage(s, transparent, NULL);
}

/*
 *----------------------------------------------------------------------
 *
 * probeGif --
 *
 *	Recognises a GIF file or memory block and describes it as one band
 *	of byte palette indices of the logical screen's size.
 *
 * Results:
 *	10 or 11 by the signature; 0 when it is not a GIF, its screen
 *	descriptor is short or empty, or its decoded size is above the
 *	whole-image cap (reported on standard error).
 *
 * Side effects:
 *	Fills head only for a recognised GIF. The palette is the global
 *	colour table, or the first image's local table when there is none.
 *	A transparency and a georeference comment before the first image are
 *	taken. The file descriptor's offset is not moved.
 *
 *----------------------------------------------------------------------
 */
int probeGif(int fd, ImageHead *head, const unsigned char *memory, size_t length)
{
    if (head == NULL || (memory == NULL && fd < 0)) {
        return 0;
    }
    if (memory == NULL) {
        struct stat info;
        if (fstat(fd, &info) != 0 || info.st_size < SCREEN_BYTES) {
            return 0;
        }
    } else if (length < (size_t)SCREEN_BYTES) {
        return 0;
    }
    GifStream *s = (GifStream *)gmemAlloc(sizeof(GifStream));
    if (s == NULL) {
        return 0;
    }
    gifStreamInit(fd, memory, length, s);
    int imgid = gifSignature(s);
    if (imgid == 0 || !getGifLSD(s)) {
        gmemFree(s);
        return 0;
    }
    GifDescriptor *screen = &s->desc;
    int64_t decoded = (int64_t)screen->width * screen->height;
    if (screen->width < 1 || screen->height < 1) {
        ovex_fprintf(stderr, "GIF logical screen of %d x %d pixels holds no image\n", screen->width,
                     screen->height);
        gmemFree(s);
        return 0;
    }
    if (decoded > ovexWholeImageCap()) {
        ovex_fprintf(stderr, "GIF image of %d x %d pixels is above the decoding limit of %lld bytes\n",
                     screen->width, screen->height, (long long)ovexWholeImageCap());
        gmemFree(s);
        return 0;
    }

    ImageHead h = *head;
    h.imgid = imgid;
    h.columns = screen->width;
    h.rows = screen->height;
    h.nindices = screen->colorCount;
    memset(h.palette, 0, sizeof(h.palette));
    memcpy(h.palette, screen->palette, (size_t)screen->colorCount * 3);
    h.offset = SCREEN_BYTES + 3 * screen->colorCount;
    h.mapid = 1;
    h.bits = 8;
    h.pixel = PIXEL_BYTE;
    h.nbands = 1;
    h.block = 0;
    h.top = h.left = 0;
    h.x0 = h.y0 = 0.0;
    h.dx = h.dy = 1.0;
    h.msbf = msbFirst();
    h.encoding = 4;
    h.transparent = -1;

    int transparent = -1;
    if (scanToImage(s, &transparent, &h) > 0 && screen->colorCount == 0) {
        /* Only local tables: the first image's colours stand for the file's. */
        GifDescriptor first;
        if (getGIFImgDes(s, &first) == 2) {
            h.nindices = first.colorCount;
            memcpy(h.palette, first.palette, (size_t)first.colorCount * 3);
        }
    }
    h.transparent = transparent;
    *head = h;
    gmemFree(s);
    return imgid;
}

/* ---- Writers ------------------------------------------------------------------ */

int gifWriteSignature(int fd, int imgid)
{
    const char *sig = imgid == IMGID_GIF87A ? "GIF87a" : imgid == IMGID_GIF89A ? "GIF89a" : NULL;
    if (sig == NULL || lseek(fd, 0, SEEK_SET) != 0) {
        return 0;
    }
    return writeAll(fd, sig, 6) ? 1 : 0;
}

int gifWriteScreen(int fd, int width, int height, int bits, const unsigned char (*palette)[3],
                   int background)
{
    if (width < 0 || width > 0xFFFF || height < 0 || height > 0xFFFF || bits < 1 || bits > 8) {
        return 0;
    }
    unsigned char lsd[7];
    putLeU16(lsd, (uint16_t)width);
    putLeU16(lsd + 2, (uint16_t)height);
    lsd[4] = (unsigned char)((palette != NULL ? 0x80 : 0) | ((bits - 1) << 4) | (bits - 1));
    lsd[5] = (unsigned char)(background < 0 ? 0 : background);
    lsd[6] = 0;
    if (!writeAll(fd, lsd, sizeof(lsd))) {
        return 0;
    }
    return (palette == NULL || writeAll(fd, palette, 3 * ((size_t)1 << bits))) ? 1 : 0;
}

int gifWriteComment(int fd, const void *text, int length)
{
    static const unsigned char intro[2] = {'!', 0xFE};
    if (!writeAll(fd, intro, 2)) {
        return 0;
    }
    const unsigned char *bytes = (const unsigned char *)text;
    while (length > 0) {
        unsigned char size = (unsigned char)(length > 255 ? 255 : length);
        if (!writeAll(fd, &size, 1) || !writeAll(fd, bytes, size)) {
            return 0;
        }
        bytes += size;
        length -= size;
    }
    static const unsigned char terminator = 0;
    return writeAll(fd, &terminator, 1) ? 1 : 0;
}

int gifWriteGraphicControl(int fd, int transparent, int delayMs, int disposal, int userInput)
{
    int hundredths = roundToInt(delayMs * 0.1);
    if (hundredths < 0) {
        hundredths = 0;
    } else if (hundredths > 0xFFFF) {
        hundredths = 0xFFFF;
    }
    unsigned char gce[8] = {'!', 0xF9, 4, 0, 0, 0, 0, 0};
    gce[3] = (unsigned char)((transparent >= 0 ? 1 : 0) | ((disposal << 2) & 0x1C)
                             | ((userInput << 1) & 2));
    putLeU16(gce + 4, (uint16_t)hundredths);
    gce[6] = (unsigned char)(transparent >= 0 ? transparent : 0);
    return writeAll(fd, gce, sizeof(gce)) ? 1 : 0;
}

int gifWriteImageDesc(int fd, int top, int left, int width, int height, int codeSize, int bits)
{
    if (width < 0 || width > 0xFFFF || height < 0 || height > 0xFFFF) {
        return 0;
    }
    unsigned char des[11];
    des[0] = ',';
    putLeU16(des + 1, (uint16_t)left);
    putLeU16(des + 3, (uint16_t)top);
    putLeU16(des + 5, (uint16_t)width);
    putLeU16(des + 7, (uint16_t)height);
    des[9] = (unsigned char)((bits - 1) & 7);
    des[10] = (unsigned char)codeSize;
    return writeAll(fd, des, sizeof(des)) ? 1 : 0;
}

int gifWriteTrailer(int fd)
{
    static const unsigned char trailer = ';';
    return writeAll(fd, &trailer, 1) ? 1 : 0;
}

int gifBitsFor(int n)
{
    if (n <= 0 || n > 256) {
        return 8;
    }
    int bits = 1;
    while ((1 << bits) < n) {
        bits++;
    }
    return bits;
}

int gifCodeSizeFor(int bits)
{
    return bits < 2 ? 2 : bits;
}

/*
 *----------------------------------------------------------------------
 *
 * writeGifImage --
 *
 *	Writes a whole GIF file of a blank image (index 0 everywhere) of the
 *	head's size, palette and transparency; GIF89a files also carry the
 *	georeference line in a comment.
 *
 * Results:
 *	0, or -1 when a write failed or the head's size does not fit a GIF
 *	(1 to 65535 each way).
 *
 * Side effects:
 *	head->offset becomes the position of the LZW data.
 *
 *----------------------------------------------------------------------
 */
int writeGifImage(int fd, const void *ignored, ImageHead *head)
{
    (void)ignored;
    if (head == NULL || head->columns < 1 || head->columns > 0xFFFF || head->rows < 1
        || head->rows > 0xFFFF) {
        return -1;
    }
    int bits = gifBitsFor(head->nindices);
    int codeSize = gifCodeSizeFor(bits);
    /* A band without a palette is grey: readers need a table to show it. */
    unsigned char grey[256][3];
    for (int k = 0; k < 256; k++) {
        grey[k][0] = grey[k][1] = grey[k][2] = (unsigned char)k;
    }
    bool ok = gifWriteSignature(fd, head->imgid)
        && gifWriteScreen(fd, head->columns, head->rows, bits,
                          head->nindices > 0 ? head->palette : grey, head->transparent);
    if (ok && head->imgid == IMGID_GIF89A) {
        char line[GEOREF_LINE_SIZE];
        int length = formatGeorefLine(head, line);
        ok = gifWriteComment(fd, line, length);
    }
    ok = ok && gifWriteGraphicControl(fd, head->transparent, 0, 0, 0)
         && gifWriteImageDesc(fd, 0, 0, head->columns, head->rows, codeSize, bits);
    if (!ok) {
        return -1;
    }
    off_t where = lseek(fd, 0, SEEK_CUR);
    if (where < 0 || where > INT32_MAX) {
        return -1;
    }
    head->offset = (int32_t)where;

    GifEncoder *encoder = (GifEncoder *)gmemAlloc(sizeof(GifEncoder));
    if (encoder == NULL) {
        return -1;
    }
    unsigned char zeros[256] = {0};
    gifEncInit(fd, codeSize, -1, encoder);
    int64_t left = (int64_t)head->columns * head->rows;
    while (left > 0) {
        int n = left < (int64_t)sizeof(zeros) ? (int)left : (int)sizeof(zeros);
        gifEncodePixels(encoder, n, zeros);
        left -= n;
    }
    ok = gifEncFinish(encoder) && gifWriteTrailer(fd);
    gmemFree(encoder);
    return ok ? 0 : -1;
}
