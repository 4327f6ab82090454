/*
 * xbm.cpp --
 *
 *	X bitmaps: C source text holding a one-band 1-bit image.
 *
 *	  #define NAME_width W
 *	  #define NAME_height H
 *	  static char NAME_bits[] = {
 *	   0x00, 0x1f, ... 0xff};
 *
 *	Only the first "_width" and "_height" and the items between "{" and
 *	"}" matter. Each row is (W + 7) / 8 items; the first pixel of a byte
 *	is its least significant bit, and a set bit is black. Items are C
 *	integers: "0x" hexadecimal, a leading 0 octal, else decimal.
 *
 *	This system writes "#define xbmp_width %d\n#define xbmp_height
 *	%d\nstatic char xbmp_bits[] = {\n", then " 0x%02x," per byte with a
 *	line break after every twelfth, the last byte as " 0x%02x};".
 *
 *	The text is decoded into the row cache whole (every row resident),
 *	so a bitmap larger than the decoding cap is refused, and the file is
 *	written whole again, through a temporary file, when a changed row is
 *	written back.
 */
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/safe_replace.h"
#include "ramimage/cache_block.h"
#include "ramimage/format_hooks.h"
#include "ramimage/formats/file_extent.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/positional_io.h"
#include "ramimage/ramimg.h"
#include "ramimage/whole_image_cap.h"

namespace {

const size_t PROBE_BYTES = 4096;
const size_t ITEM_LIMIT = 127;
const int ITEMS_PER_LINE = 12;

/* Bytes of one bitmap row of `columns` pixels. */
int64_t xbmRowBytes(int64_t columns)
{
    return (columns + 7) / 8;
}

/*
 * numberAfter --
 *	The decimal number that follows the first `key` in text, blanks
 *	allowed before it; -1 when key is missing, no digit follows or the
 *	number exceeds INT32_MAX.
 */
int64_t numberAfter(const char *text, const char *key)
{
    const char *at = strstr(text, key);
    if (at == NULL) {
        return -1;
    }
    at += strlen(key);
    while (*at == ' ' || *at == '\t') {
        at++;
    }
    if (*at < '0' || *at > '9') {
        return -1;
    }
    int64_t value = 0;
    for (; *at >= '0' && *at <= '9'; at++) {
        value = value * 10 + (*at - '0');
        if (value > INT32_MAX) {
            return -1;
        }
    }
    return value;
}

/*
 * TextWriter --
 *	Buffered writes from byte 0 of a file, at explicit positions so the
 *	file position never moves. failed() tells whether any write fell
 *	short.
 */
class TextWriter {
public:
    explicit TextWriter(int fd) : fd_(fd) {}

    void put(const char *text, size_t length)
    {
        if (used_ + length > sizeof(buffer_)) {
            flush();
        }
        memcpy(buffer_ + used_, text, length);
        used_ += length;
    }

    void flush()
    {
        if (used_ > 0 && !failed_ && !writeAt(fd_, buffer_, used_, position_)) {
            failed_ = true;
        }
        position_ += (int64_t)used_;
        used_ = 0;
    }

    bool failed() const { return failed_; }

private:
    int fd_;
    char buffer_[16384];
    size_t used_ = 0;
    int64_t position_ = 0;
    bool failed_ = false;
};

const char HEX_DIGITS[] = "0123456789abcdef";

/* " 0xNN" followed by `closing` (",", or "};" for the last item). */
void putItem(TextWriter *writer, unsigned char value, const char *closing)
{
    char item[8] = {' ', '0', 'x', HEX_DIGITS[value >> 4], HEX_DIGITS[value & 0xF]};
    size_t length = 5;
    for (const char *c = closing; *c != '\0'; c++) {
        item[length++] = *c;
    }
    writer->put(item, length);
}

/*
 * ItemReader --
 *	Collects the items of the bitmap's text from "{" on: line feeds and
 *	spaces are skipped, "," and "}" end an item, and "}" ends the list.
 */
class ItemReader {
public:
    explicit ItemReader(int fd) : fd_(fd) {}

    /* The next item's value in *value; false at the end of the list or
     * the text. Empty items (a trailing comma) are skipped. */
    bool next(unsigned long *value)
    {
        if (!opened_) {
            int c;
            while ((c = nextChar()) >= 0 && c != '{') {
            }
            if (c < 0) {
                return false;
            }
            opened_ = true;
        }
        size_t length = 0;
        char item[ITEM_LIMIT + 1];
        while (!ended_) {
            int c = nextChar();
            if (c < 0 || c == '}') {
                ended_ = true;
            } else if (c == '\n' || c == ' ') {
                continue;
            } else if (c != ',') {
                if (length < ITEM_LIMIT) {
                    item[length++] = (char)c;
                }
                continue;
            }
            if (length > 0) {
                item[length] = '\0';
                *value = strtoul(item, NULL, 0);
                return true;
            }
        }
        return false;
    }

private:
    int nextChar()
    {
        if (at_ == filled_) {
            ssize_t got = readAt(fd_, buffer_, sizeof(buffer_), position_);
            if (got <= 0) {
                return -1;
            }
            position_ += got;
            filled_ = (size_t)got;
            at_ = 0;
        }
        return buffer_[at_++];
    }

    int fd_;
    unsigned char buffer_[16384];
    size_t at_ = 0;
    size_t filled_ = 0;
    int64_t position_ = 0;
    bool opened_ = false;
    bool ended_ = false;
};

struct XbmWriteBack {
    ImageHead head;
    const unsigned char *rows;
    int rowBytes;
};

int writeXbmFromCache(int fd, void *clientData)
{
    XbmWriteBack *job = (XbmWriteBack *)clientData;
    return writeXbm(fd, &job->head, job->rows, job->rowBytes) >= 0;
}

/* True when every row of a one-band image sits in its own slot r. */
bool everyRowResident(const RAMIMG *image)
{
    if (image->cacheBlock == NULL || image->slots < image->head.rows) {
        return false;
    }
    for (int r = 0; r < image->head.rows; r++) {
        if (image->rowIds[r] != r) {
            return false;
        }
    }
    return true;
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * probeXbm --
 *
 *	Recognises an X bitmap by "_width" and "_height" numbers in the
 *	first 4095 bytes of its text.
 *
 * Results:
 *	1 for an X bitmap; 0 when the file is not one, or its text is too
 *	short to hold the bytes its sizes announce; -1 (after a message on
 *	standard error) when it is one but its decoded size is above the
 *	decoding cap.
 *
 * Side effects:
 *	On success fills the head: imgid 8, one band of 1BIT pixels, entry
 *	0 of the palette white and entry 1 black. Untouched otherwise.
 *
 *----------------------------------------------------------------------
 */
int probeXbm(int fd, ImageHead *head)
{
    char text[PROBE_BYTES];
    ssize_t got = (head == NULL) ? -1 : readAt(fd, text, sizeof(text), 0);
    if (got <= 0) {
        return 0;
    }
    text[got - 1] = '\0';      /* all but the last byte read */
    int64_t columns = numberAfter(text, "_width");
    int64_t rows = numberAfter(text, "_height");
    if (columns < 1 || rows < 1) {
        return 0;
    }
    int64_t bytes = xbmRowBytes(columns) * rows;
    /* Every byte takes at least two characters of text ("0,"). */
    if (!areaFitsFile(fd, 0, 2, bytes)) {
        return 0;
    }
    int64_t cap = ovexWholeImageCap();
    if (bytes > cap) {
        ovex_fprintf(stderr,
                     "X bitmap of %lld x %lld pixels needs %lld bytes, more than the "
                     "decoding limit of %lld bytes (OVEX_MAX_DECODE)\n",
                     (long long)columns, (long long)rows, (long long)bytes, (long long)cap);
        return -1;
    }

    head->imgid = IMGID_XBMP;
    head->mapid = 1;
    head->pixel = PIXEL_1BIT;
    head->bits = 1;
    head->nbands = 1;
    head->columns = (int32_t)columns;
    head->rows = (int32_t)rows;
    head->block = (int32_t)xbmRowBytes(columns);
    head->offset = 0;
    head->msbf = 0;
    head->top = head->left = 0;
    head->x0 = head->y0 = 0.0;
    head->dx = head->dy = 1.0;
    memset(head->palette[0], 255, 3);
    memset(head->palette[1], 0, 3);
    head->nindices = 2;
    head->transparent = -1;
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * writeXbm --
 *
 *	Writes a whole X bitmap file from byte 0: the three lines of the
 *	header, then every row's bytes as items. bits NULL writes a blank
 *	image; otherwise row r is read at bits + r x bytesPerRow.
 *
 * Results:
 *	The length of the three header lines; -1 when the image has no rows
 *	or columns, bytesPerRow is shorter than a bitmap row, or a write
 *	falls short.
 *
 * Side effects:
 *	Sets the head's nbands to 1. The file position is not moved.
 *
 *----------------------------------------------------------------------
 */
int writeXbm(int fd, ImageHead *head, const unsigned char *bits, int bytesPerRow)
{
    if (head == NULL || head->columns < 1 || head->rows < 1) {
        return -1;
    }
    int rowBytes = (int)xbmRowBytes(head->columns);
    if (bits != NULL && bytesPerRow < rowBytes) {
        return -1;
    }
    head->nbands = 1;

    char opening[160];
    int length = snprintf(opening, sizeof(opening),
                          "#define xbmp_width %d\n#define xbmp_height %d\n"
                          "static char xbmp_bits[] = {\n",
                          head->columns, head->rows);
    TextWriter writer(fd);
    writer.put(opening, (size_t)length);
    int64_t total = (int64_t)rowBytes * head->rows;
    int64_t item = 0;
    for (int r = 0; r < head->rows; r++) {
        const unsigned char *row = (bits != NULL) ? bits + (size_t)r * (size_t)bytesPerRow : NULL;
        for (int k = 0; k < rowBytes; k++) {
            item++;
            putItem(&writer, row != NULL ? row[k] : 0, item == total ? "};" : ",");
            if (item % ITEMS_PER_LINE == 0 || item == total) {
                writer.put("\n", 1);
            }
        }
    }
    writer.flush();
    return writer.failed() ? -1 : length;
}

/*
 *----------------------------------------------------------------------
 *
 * readXbmRamImage --
 *
 *	Decodes the whole X bitmap into the image's cache, every row
 *	resident.
 *
 * Results:
 *	1 when every row was filled; 0 when the text ended first (rows not
 *	reached stay white) or the cache cannot hold every row.
 *
 * Side effects:
 *	Rebuilds the cache for all rows (changed rows are written back
 *	first) and clears them.
 *
 *----------------------------------------------------------------------
 */
int readXbmRamImage(RAMIMG *image)
{
    if (image == NULL || image->fd < 0 || image->head.rows < 1 || image->head.nbands != 1) {
        return 0;
    }
    int rows = image->head.rows;
    int64_t cap = ovexWholeImageCap();
    if ((int64_t)image->rowBytes * rows > cap) {
        ovex_fprintf(stderr, "X bitmap %s is larger than the decoding limit of %lld bytes\n",
                     image->head.file, (long long)cap);
        return 0;
    }
    if (setRAMImageBuf(image, rows) < rows) {
        ovex_fprintf(stderr, "Error of malloc in readXbmRamImage.\n");
        return 0;
    }
    memset(image->cacheBlock, 0, (size_t)image->slots * (size_t)image->rowBytes);
    for (int r = 0; r < rows; r++) {
        image->rowIds[r] = r;
    }

    int64_t wanted = xbmRowBytes(image->head.columns);
    if (wanted > image->rowBytes) {
        wanted = image->rowBytes;
    }
    int64_t perRow = image->head.block > 0 ? image->head.block : wanted;
    ItemReader reader(image->fd);
    int row = 0;
    int64_t inRow = 0;
    unsigned long value;
    while (row < rows && reader.next(&value)) {
        if (inRow < wanted) {
            slotRow(image, row)[inRow] = (unsigned char)value;
        }
        if (++inRow == perRow) {
            row++;
            inRow = 0;
        }
    }
    return row == rows ? 1 : 0;
}

/*
 *----------------------------------------------------------------------
 *
 * writeXbmRamImage --
 *
 *	Writes the whole X bitmap file again from the image's cache. The
 *	text goes to a temporary file beside the original, which replaces
 *	it only when every byte was written; the image's descriptor then
 *	moves to the new file.
 *
 * Results:
 *	None.
 *
 * Side effects:
 *	On failure the original file and descriptor stay as they were, the
 *	failure is remembered for flushRamImage and reported on standard
 *	error.
 *
 *----------------------------------------------------------------------
 */
void writeXbmRamImage(RAMIMG *image)
{
    if (image == NULL || image->fd < 0) {
        return;
    }
    if (image->head.pixel != PIXEL_1BIT || image->head.nbands != 1 || !everyRowResident(image)) {
        /* Rows not in the cache would be written as blanks. */
        ovex_fprintf(stderr, "Error in writing X bitmap %s: the image is not decoded whole\n",
                     image->head.file);
        noteWriteFailure(image);
        return;
    }
    XbmWriteBack job;
    job.head = image->head;
    job.rows = image->cacheBlock;
    job.rowBytes = image->rowBytes;
    if (!replaceFileSafely(image->head.file, writeXbmFromCache, &job)) {
        ovex_fprintf(stderr, "Error in writing X bitmap %s: %s\n", image->head.file,
                     strerror(errno));
        noteWriteFailure(image);
        return;
    }
    if (!reopenReplacedFile(image->head.file, &image->fd)) {
        ovex_fprintf(stderr, "Error in reopening X bitmap %s: %s\n", image->head.file,
                     strerror(errno));
        noteWriteFailure(image);
    }
}
