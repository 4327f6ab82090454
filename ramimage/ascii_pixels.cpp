/*
 * ascii_pixels.cpp --
 *
 *	Pixel values given as text, stored through the double writers (a
 *	float would drop the low bits of 32-bit integers). The
 *	counts in the text are never trusted for memory: values are walked
 *	one at a time, only the part of the window that lies inside the image
 *	is buffered (one row at most) and stored, and values that fall
 *	outside are read past.
 */
#include "ramimage/ascii_pixels.h"

#include "core/gmem.h"
#include "ramimage/pixel_access.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

bool isSeparator(char c)
{
    return c == ' ' || c == '\n';
}

/* A token copied with its terminator, so that the C conversions cannot run
 * on into the next token; longer tokens are cut (no number needs more). */
struct TokenText {
    char text[256];
};

/* Reads the next token into copy; returns its length, 0 at the end. */
int takeToken(const char **pos, TokenText *copy)
{
    int length = asciiNextToken(pos);
    if (length == 0) {
        return 0;
    }
    size_t kept = (size_t)length < sizeof copy->text ? (size_t)length : sizeof copy->text - 1;
    memcpy(copy->text, *pos, kept);
    copy->text[kept] = '\0';
    *pos += length;
    return length;
}

/*
 * ValueStream --
 *	The values after the header: each value read, or once the text has
 *	run out the last one read (0 when none was). Palette images get their
 *	values held to the palette's indices.
 */
class ValueStream {
public:
    ValueStream(const char *pos, int nindices) : pos_(pos), nindices_(nindices) {}

    double next()
    {
        if (!exhausted_) {
            double value;
            if (asciiNextDouble(&pos_, &value) == 0) {
                exhausted_ = true;
            } else {
                last_ = holdToPalette(value);
            }
        }
        return last_;
    }

    /* Reads past count values (stops early once the text has run out). */
    void skip(int64_t count)
    {
        for (; count > 0 && !exhausted_; count--) {
            next();
        }
    }

private:
    double holdToPalette(double value) const
    {
        if (nindices_ > 0) {
            if (value >= nindices_) {
                return (double)(nindices_ - 1);
            }
            if (value < 0.0) {
                return 0.0;
            }
        }
        return value;
    }

    const char *pos_;
    int nindices_;
    double last_ = 0.0;
    bool exhausted_ = false;
};

/* a x b without overflow: counts past INT64_MAX only mean "the rest". */
int64_t productCapped(int64_t a, int64_t b)
{
    if (a <= 0 || b <= 0) {
        return 0;
    }
    return a > INT64_MAX / b ? INT64_MAX : a * b;
}

/* Reads the next integer and checks it lies in [low, high]; prints message
 * on standard error and returns false when it does not. */
bool readChecked(const char **pos, int low, int high, const char *message, int *out)
{
    int value = 0;
    if (asciiNextInt(pos, &value) == 0 || value < low || value > high) {
        ovex_fprintf(stderr, "%s", message);
        return false;
    }
    *out = value;
    return true;
}

/* ---- Rectangle form --------------------------------------------------------- */

enum RectLayout { RECT_BSQ, RECT_BIL, RECT_BIP };

struct Rectangle {
    RectLayout layout;
    int firstBand;      /* 0-based */
    int nbands;         /* bands in the text */
    int x, y, width, height;
};

/*
 * storeRectangle --
 *	Stores the values of a rectangle text in its layout order. Only the
 *	bands, rows and columns inside the image are buffered and written;
 *	the text's other values are read past, so BIL and BIP values keep the
 *	positions the text gives them. Returns 1, or 0 when the row buffer
 *	cannot be had.
 */
int storeRectangle(RAMIMG *image, const Rectangle &rect, ValueStream *values)
{
    const ImageHead &head = image->head;
    int64_t bandsInside = (int64_t)head.nbands - rect.firstBand;
    if (bandsInside > rect.nbands) {
        bandsInside = rect.nbands;
    }
    int64_t colsInside = rect.x < head.columns ? (int64_t)head.columns - rect.x : 0;
    if (colsInside > rect.width) {
        colsInside = rect.width;
    }
    int64_t rowsInside = rect.y < head.rows ? (int64_t)head.rows - rect.y : 0;
    if (rowsInside > rect.height) {
        rowsInside = rect.height;
    }
    if (bandsInside <= 0 || colsInside <= 0 || rowsInside <= 0) {
        return 1;
    }
    int64_t bufferCount = rect.layout == RECT_BIP ? colsInside * bandsInside : colsInside;
    double *buffer = (double *)gmemAlloc((size_t)bufferCount * sizeof(double));
    if (buffer == NULL) {
        ovex_fprintf(stderr, "Malloc error in parseASCIIData\n");
        return 0;
    }
    int64_t colsOutside = rect.width - colsInside;
    int cols = (int)colsInside;

    switch (rect.layout) {
    case RECT_BSQ:
        for (int64_t i = 0; i < bandsInside; i++) {
            for (int64_t j = 0; j < rowsInside; j++) {
                for (int k = 0; k < cols; k++) {
                    buffer[k] = values->next();
                }
                values->skip(colsOutside);
                putRowDouble(image, (int)(rect.y + j), rect.x, cols, (int)(rect.firstBand + i),
                             buffer);
            }
            values->skip(productCapped(rect.height - rowsInside, rect.width));
        }
        break;
    case RECT_BIL:
        for (int64_t j = 0; j < rowsInside; j++) {
            for (int64_t i = 0; i < bandsInside; i++) {
                for (int k = 0; k < cols; k++) {
                    buffer[k] = values->next();
                }
                values->skip(colsOutside);
                putRowDouble(image, (int)(rect.y + j), rect.x, cols, (int)(rect.firstBand + i),
                             buffer);
            }
            values->skip(productCapped(rect.nbands - bandsInside, rect.width));
        }
        break;
    case RECT_BIP:
        for (int64_t j = 0; j < rowsInside; j++) {
            double *pixel = buffer;
            for (int k = 0; k < cols; k++) {
                for (int64_t i = 0; i < bandsInside; i++) {
                    *pixel++ = values->next();
                }
                values->skip(rect.nbands - bandsInside);
            }
            values->skip(productCapped(colsOutside, rect.nbands));
            putDoubleBIPData(image, rect.firstBand, (int)bandsInside, (int)(rect.y + j), rect.x,
                             cols, buffer);
        }
        break;
    }
    gmemFree(buffer);
    return 1;
}

int parseRectangle(RAMIMG *image, const char *text)
{
    const char *pos = text;
    TokenText word;
    if (takeToken(&pos, &word) != 3) {
        ovex_fprintf(stderr, "Error in parsing imgid\n");
        return 0;
    }
    Rectangle rect;
    if (strcmp(word.text, "BSQ") == 0) {
        rect.layout = RECT_BSQ;
    } else if (strcmp(word.text, "BIL") == 0) {
        rect.layout = RECT_BIL;
    } else if (strcmp(word.text, "BIP") == 0) {
        rect.layout = RECT_BIP;
    } else {
        ovex_fprintf(stderr, "imgid must be BSQ or BIL or BIP\n");
        return 0;
    }
    int startBand;
    if (!readChecked(&pos, 1, image->head.nbands, "Error in parsing startBand\n", &startBand)
        || !readChecked(&pos, 1, INT_MAX, "Error in parsing nbands\n", &rect.nbands)
        || !readChecked(&pos, 0, INT_MAX, "Error in parsing x\n", &rect.x)
        || !readChecked(&pos, 0, INT_MAX, "Error in parsing y\n", &rect.y)
        || !readChecked(&pos, 1, INT_MAX, "Error in parsing width\n", &rect.width)
        || !readChecked(&pos, 1, INT_MAX, "Error in parsing height\n", &rect.height)) {
        return 0;
    }
    rect.firstBand = startBand - 1;
    ValueStream values(pos, image->head.nindices);
    return storeRectangle(image, rect, &values);
}

/* ---- Box form --------------------------------------------------------------- */

/* One inclusive range walked from its first bound to its second. */
struct Span {
    int start;
    int step;
    int count;
};

Span spanOf(int from, int to)
{
    Span span;
    span.start = from;
    span.step = from <= to ? 1 : -1;
    span.count = (from <= to ? to - from : from - to) + 1;
    return span;
}

enum Axis { AXIS_BAND, AXIS_COLUMN, AXIS_ROW };

struct BoxLayout {
    const char *name;
    Axis order[3];      /* outermost first */
};

const BoxLayout kBoxLayouts[] = {
    {"BSQH", {AXIS_BAND, AXIS_ROW, AXIS_COLUMN}},
    {"BSQV", {AXIS_BAND, AXIS_COLUMN, AXIS_ROW}},
    {"BILH", {AXIS_ROW, AXIS_BAND, AXIS_COLUMN}},
    {"BILV", {AXIS_COLUMN, AXIS_BAND, AXIS_ROW}},
    {"BIPH", {AXIS_ROW, AXIS_COLUMN, AXIS_BAND}},
    {"BIPV", {AXIS_COLUMN, AXIS_ROW, AXIS_BAND}},
};

int parseBox(RAMIMG *image, const char *text)
{
    const char *pos = text;
    TokenText word;
    if (takeToken(&pos, &word) != 4) {
        ovex_fprintf(stderr, "Error in parsing imgid\n");
        return 0;
    }
    const BoxLayout *layout = NULL;
    for (const BoxLayout &candidate : kBoxLayouts) {
        if (strcmp(word.text, candidate.name) == 0) {
            layout = &candidate;
        }
    }
    if (layout == NULL) {
        ovex_fprintf(stderr, "imgid must be BSQH or BILH or BIPH or BSQV or BILV or BIPV\n");
        return 0;
    }
    const ImageHead &head = image->head;
    int b0, b1, x0, x1, y0, y1;
    if (!readChecked(&pos, 1, head.nbands, "Error in parsing b0\n", &b0)
        || !readChecked(&pos, 1, head.nbands, "Error in parsing b1\n", &b1)
        || !readChecked(&pos, 0, head.columns - 1, "Error in parsing x0\n", &x0)
        || !readChecked(&pos, 0, head.columns - 1, "Error in parsing x1\n", &x1)
        || !readChecked(&pos, 0, head.rows - 1, "Error in parsing y0\n", &y0)
        || !readChecked(&pos, 0, head.rows - 1, "Error in parsing y1\n", &y1)) {
        return 0;
    }
    Span spans[3];
    spans[AXIS_BAND] = spanOf(b0 - 1, b1 - 1);
    spans[AXIS_COLUMN] = spanOf(x0, x1);
    spans[AXIS_ROW] = spanOf(y0, y1);
    const Span &outer = spans[layout->order[0]];
    const Span &middle = spans[layout->order[1]];
    const Span &inner = spans[layout->order[2]];

    ValueStream values(pos, head.nindices);
    int at[3];
    for (int i = 0; i < outer.count; i++) {
        at[layout->order[0]] = outer.start + i * outer.step;
        for (int j = 0; j < middle.count; j++) {
            at[layout->order[1]] = middle.start + j * middle.step;
            for (int k = 0; k < inner.count; k++) {
                at[layout->order[2]] = inner.start + k * inner.step;
                double value = values.next();
                putRowDouble(image, at[AXIS_ROW], at[AXIS_COLUMN], 1, at[AXIS_BAND], &value);
            }
        }
    }
    return 1;
}

}  // namespace

/*
 * asciiNextToken --
 *	Moves *pos past blanks and line feeds to the next token. Returns the
 *	token's length, 0 at the end of the text.
 */
int asciiNextToken(const char **pos)
{
    const char *p = *pos;
    while (isSeparator(*p)) {
        p++;
    }
    *pos = p;
    const char *end = p;
    while (*end != '\0' && !isSeparator(*end)) {
        end++;
    }
    return (int)(end - p);
}

/*
 * asciiNextFloat --
 *	Reads the next token as a decimal number into *out and moves *pos past
 *	it. Returns the token's length, 0 (out untouched) at the end.
 */
int asciiNextFloat(const char **pos, float *out)
{
    TokenText token;
    int length = takeToken(pos, &token);
    if (length > 0) {
        *out = strtof(token.text, NULL);
    }
    return length;
}

/*
 * asciiNextDouble --
 *	asciiNextFloat in double precision, which holds every 32-bit integer.
 */
int asciiNextDouble(const char **pos, double *out)
{
    TokenText token;
    int length = takeToken(pos, &token);
    if (length > 0) {
        *out = strtod(token.text, NULL);
    }
    return length;
}

/*
 * asciiNextInt --
 *	Reads the next token's leading decimal digits into *out (held to the
 *	range of int) and moves *pos past it. Returns the token's length, 0
 *	(out untouched) at the end.
 */
int asciiNextInt(const char **pos, int *out)
{
    TokenText token;
    int length = takeToken(pos, &token);
    if (length > 0) {
        long value = strtol(token.text, NULL, 10);
        *out = value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : (int)value;
    }
    return length;
}

/*
 * parseASCIIData --
 *	Stores the values of text into image: the rectangle form when the
 *	fourth character is a blank, else the box form. Returns 1, or 0 after
 *	printing the first fault of the header on standard error, before
 *	anything is stored.
 */
int parseASCIIData(RAMIMG *image, const char *text)
{
    if (image == NULL) {
        return 0;
    }
    if (text == NULL) {
        text = "";
    }
    bool rectangle = text[0] != '\0' && text[1] != '\0' && text[2] != '\0' && text[3] == ' ';
    return rectangle ? parseRectangle(image, text) : parseBox(image, text);
}
