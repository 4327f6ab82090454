/*
 * pnm.cpp --
 *
 *	Reader and writer of binary PGM and PPM headers (netpbm "P5" and
 *	"P6").
 *
 *	Header: four text tokens separated by blanks and newlines, with "#"
 *	comments running to the end of their line where a token would begin:
 *
 *	  magic      "P5" one band (grey) or "P6" three bands (red, green, blue)
 *	  width      decimal, at least 1
 *	  height     decimal, at least 1
 *	  maxval     decimal, 1 to 65535
 *
 *	Exactly one blank or newline follows maxval; the pixels start after
 *	it, row after row, bands interleaved by pixel. A sample is one byte
 *	when maxval is below 256, else two bytes, most significant first.
 *	This system writes "P5\n%d %d\n255\n" or "P6\n%d %d\n255\n".
 */
#include <climits>
#include <cstdio>
#include <cstring>

#include "ramimage/formats/file_extent.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/positional_io.h"

namespace {

const int TOKEN_COUNT = 4;
/* The gathered tokens, one blank between them, stay below this length. */
const int TOKENS_TEXT_LIMIT = 32;
const int MAX_SAMPLE_VALUE = 65535;

bool isSeparator(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

/*
 * HeaderScanner --
 *	Hands out the header's bytes one at a time from a small buffer
 *	filled with pread, so that a long comment costs no more than its
 *	length and the file position never moves.
 */
class HeaderScanner {
public:
    explicit HeaderScanner(int fd) : fd_(fd) {}

    /* The next byte, or -1 at the end of the file or on a read error. */
    int next()
    {
        if (at_ == filled_) {
            ssize_t got = readAt(fd_, buffer_, sizeof(buffer_), position_);
            if (got <= 0) {
                return -1;
            }
            filled_ = (size_t)got;
            at_ = 0;
            position_ += got;
        }
        consumed_++;
        return buffer_[at_++];
    }

    /* Bytes handed out so far. */
    int64_t consumed() const { return consumed_; }

private:
    int fd_;
    unsigned char buffer_[512];
    size_t at_ = 0;
    size_t filled_ = 0;
    int64_t position_ = 0;
    int64_t consumed_ = 0;
};

struct PnmHeader {
    char tokens[TOKEN_COUNT][TOKENS_TEXT_LIMIT + 1];
    int count = 0;
    int64_t offset = 0;
};

/*
 * scanHeader --
 *	Gathers the header tokens. Stops after the fourth token (and the one
 *	separator after it), at the end of the file, or when the tokens
 *	gathered so far, one blank between them, reach the length limit.
 *	Returns false in the last case.
 */
bool scanHeader(int fd, PnmHeader *header)
{
    HeaderScanner scanner(fd);
    int textLength = 0;         /* tokens with one blank between them */
    int tokenLength = 0;
    bool inComment = false;
    for (;;) {
        int c = scanner.next();
        if (c < 0) {
            if (tokenLength > 0) {
                header->tokens[header->count][tokenLength] = '\0';
                header->count++;
            }
            break;
        }
        if (inComment) {
            inComment = c != '\n' && c != '\r';
            continue;
        }
        if (isSeparator(c)) {
            if (tokenLength > 0) {
                header->tokens[header->count][tokenLength] = '\0';
                header->count++;
                tokenLength = 0;
                if (header->count == TOKEN_COUNT) {
                    break;
                }
            }
            continue;
        }
        if (c == '#' && tokenLength == 0) {
            inComment = true;
            continue;
        }
        if (tokenLength == 0 && header->count > 0) {
            textLength++;       /* the blank before this token */
        }
        if (textLength >= TOKENS_TEXT_LIMIT) {
            return false;
        }
        header->tokens[header->count][tokenLength++] = (char)c;
        textLength++;
    }
    header->offset = scanner.consumed();
    return true;
}

/* A decimal token of 1 to `limit`, or -1. */
int64_t positiveDecimal(const char *token, int64_t limit)
{
    if (*token == '\0') {
        return -1;
    }
    int64_t value = 0;
    for (const char *p = token; *p != '\0'; p++) {
        if (*p < '0' || *p > '9') {
            return -1;
        }
        value = value * 10 + (*p - '0');
        if (value > limit) {
            return -1;
        }
    }
    return value >= 1 ? value : -1;
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * probePpm --
 *
 *	Recognises a binary PGM ("P5") or PPM ("P6") header at the start of
 *	the file.
 *
 * Results:
 *	1 when the header is complete, its sizes and maximum value are in
 *	range and the pixel rows lie inside the file; 0 otherwise.
 *
 * Side effects:
 *	On success fills the head: imgid 12, one or three bands, BYTE
 *	samples, or USHORT samples most significant byte first when the
 *	maximum value is above 255. Untouched otherwise.
 *
 *----------------------------------------------------------------------
 */
int probePpm(int fd, ImageHead *head)
{
    PnmHeader header;
    if (head == NULL || !scanHeader(fd, &header) || header.count != TOKEN_COUNT) {
        return 0;
    }
    int nbands;
    if (strcmp(header.tokens[0], "P5") == 0) {
        nbands = 1;
    } else if (strcmp(header.tokens[0], "P6") == 0) {
        nbands = 3;
    } else {
        return 0;
    }
    int64_t width = positiveDecimal(header.tokens[1], INT32_MAX);
    int64_t height = positiveDecimal(header.tokens[2], INT32_MAX);
    int64_t maxval = positiveDecimal(header.tokens[3], MAX_SAMPLE_VALUE);
    if (width < 0 || height < 0 || maxval < 0) {
        return 0;
    }
    bool wide = maxval > 255;
    int sampleBytes = wide ? 2 : 1;
    int64_t block = width * nbands * sampleBytes;
    if (block > INT32_MAX || !areaFitsFile(fd, header.offset, block, height)
        || header.offset > INT32_MAX) {
        return 0;
    }

    head->imgid = IMGID_PPM;
    head->pixel = wide ? PIXEL_USHORT : PIXEL_BYTE;
    head->bits = 8 * sampleBytes;
    head->msbf = wide ? 1 : 0;
    head->mapid = 1;
    head->nbands = nbands;
    head->columns = (int32_t)width;
    head->rows = (int32_t)height;
    head->block = (int32_t)block;
    head->offset = (int32_t)header.offset;
    head->nindices = 0;
    head->transparent = -1;
    head->top = head->left = 0;
    head->x0 = head->y0 = 0.0;
    head->dx = head->dy = 1.0;
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * writePpmHeader --
 *
 *	Writes the header of a new PGM (fewer than two bands) or PPM (three
 *	bands) file at byte 0.
 *
 * Results:
 *	The header's length, which is the data offset; -1 when the image has
 *	no rows or columns, its rows do not fit 32 bits, or the write fails.
 *
 * Side effects:
 *	Sets the head's nbands (1 or 3), offset, pixel (BYTE), bits, imgid,
 *	block, nindices and msbf. The file position is not moved.
 *
 *----------------------------------------------------------------------
 */
int writePpmHeader(int fd, ImageHead *head)
{
    if (head == NULL || head->columns < 1 || head->rows < 1) {
        return -1;
    }
    int nbands = (head->nbands < 2) ? 1 : 3;
    if ((int64_t)head->columns * nbands > INT32_MAX) {
        return -1;
    }
    char text[64];
    int length = snprintf(text, sizeof(text), "%s\n%d %d\n255\n", nbands == 1 ? "P5" : "P6",
                          head->columns, head->rows);
    if (length <= 0 || !writeAt(fd, text, (size_t)length, 0)) {
        return -1;
    }
    head->nbands = nbands;
    head->offset = length;
    head->pixel = PIXEL_BYTE;
    head->bits = 8;
    head->imgid = IMGID_PPM;
    head->block = head->columns * nbands;
    head->nindices = 0;
    head->msbf = 0;
    return length;
}
