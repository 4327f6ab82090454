/*
 * row_convert.cpp --
 *
 *	One view line at a time: a RAM-image row sampled through a column
 *	map into 8-bit values (through a display table or raw), the row
 *	filter of -sharpness and -emboss, and the error-diffusion dithering
 *	of -dither. Wide pixel types are scaled into 0..255 through the
 *	channel's low and high bounds.
 */
#include <math.h>
#include <stdint.h>
#include <string.h>

#include "display/tulx/tulx.h"
#include "ramimage/ramimg.h"

/* The value of column c of a fetched row as a double (wide types). */
static double wideValue(const unsigned char *row, int pixel, int c)
{
    switch (pixel) {
    case PIXEL_SHORT: {
        int16_t v;
        memcpy(&v, row + 2 * (size_t)c, 2);
        return v;
    }
    case PIXEL_USHORT: {
        uint16_t v;
        memcpy(&v, row + 2 * (size_t)c, 2);
        return v;
    }
    case PIXEL_LONG: {
        int32_t v;
        memcpy(&v, row + 4 * (size_t)c, 4);
        return v;
    }
    case PIXEL_ULONG: {
        uint32_t v;
        memcpy(&v, row + 4 * (size_t)c, 4);
        return v;
    }
    case PIXEL_FLOAT: {
        float v;
        memcpy(&v, row + 4 * (size_t)c, 4);
        return v;
    }
    case PIXEL_SBYTE:
        return (signed char)row[c];
    default:
        return 0;
    }
}

static bool isWide(int pixel)
{
    return pixel == PIXEL_SHORT || pixel == PIXEL_USHORT || pixel == PIXEL_LONG
        || pixel == PIXEL_ULONG || pixel == PIXEL_FLOAT || pixel == PIXEL_SBYTE;
}

/* Value of a narrow pixel (1, 4 or 8 bits) at column c. */
static int narrowValue(const unsigned char *row, int pixel, int msbf, int c)
{
    if (pixel == PIXEL_1BIT) {
        int byte = row[c / 8];
        int bit = msbf ? 7 - (c % 8) : c % 8;
        return (byte >> bit) & 1;
    }
    if (pixel == PIXEL_4BITS) {
        int byte = row[c / 2];
        bool high = msbf ? (c % 2) == 0 : (c % 2) == 1;
        return high ? byte >> 4 : byte & 15;
    }
    return row[c];
}

/* Fetches the row, or NULL outside the image. */
static const unsigned char *fetchRow(RAMIMG *image, int row, int band)
{
    if (image == NULL || row < 0 || row >= image->head.rows || band < 0
            || band >= image->head.nbands) {
        return NULL;
    }
    return ramRow(image, row, band, 1);
}

const unsigned char *tulxRowBytes(RAMIMG *image, int row, int band)
{
    return fetchRow(image, row, band);
}

/* Columns that step by one from the first: a plain stretch of the row. */
static bool isConsecutive(const int *columns, int n)
{
    int mismatch = 0;
    for (int i = 1; i < n; i++) {
        mismatch |= columns[i] - columns[0] - i;
    }
    return mismatch == 0;
}

static bool isIdentity(const unsigned char *table)
{
    for (int v = 0; v < 256; v++) {
        if (table[v] != v) {
            return false;
        }
    }
    return true;
}

/*
 * convertRow --
 *	The shared body of both conversions: table NULL gives raw values
 *	(wide types rounded to the nearest step), else table entries.
 */
static unsigned char *convertRow(RAMIMG *image, int row, int band, const int *columns, int first,
                                 int last, int n, int *lastValue, float low, float high,
                                 const unsigned char *table, unsigned char *out)
{
    unsigned char filler = table != NULL ? table[0] : 0;
    if (first < 0) {
        first = 0;
    }
    if (last > n) {
        last = n;
    }
    for (int i = 0; i < first && i < n; i++) {
        out[i] = filler;
    }
    for (int i = last > 0 ? last : 0; i < n; i++) {
        out[i] = filler;
    }
    if (first >= last) {
        return out;
    }
    int pixel = image->head.pixel;
    if (pixel < PIXEL_1BIT || pixel > PIXEL_SBYTE) {
        return NULL;
    }
    const unsigned char *data = fetchRow(image, row, band);
    if (data == NULL) {
        memset(out + first, filler, (size_t)(last - first));
        return out;
    }
    int columnsInImage = image->head.columns;
    int value = 0;
    if (!isWide(pixel)) {
        int c0 = columns[first];
        if (pixel == PIXEL_BYTE && table != NULL && c0 >= 0
                && columns[last - 1] == c0 + (last - 1 - first) && columns[last - 1] < columnsInImage
                && isConsecutive(columns + first, last - first)) {
            /* An unzoomed stretch of bytes: one look-up each, or a copy
             * through an identity table. */
            const unsigned char *in = data + c0;
            int count = last - first;
            if (isIdentity(table)) {
                memcpy(out + first, in, (size_t)count);
            } else {
                for (int i = 0; i < count; i++) {
                    out[first + i] = table[in[i]];
                }
            }
            value = in[count - 1];
        } else {
            int previous = -1;
            unsigned char cached = 0;
            for (int i = first; i < last; i++) {
                int c = columns[i];
                if (c != previous) {
                    value = (c >= 0 && c < columnsInImage)
                        ? narrowValue(data, pixel, image->head.msbf, c) : 0;
                    cached = table != NULL ? table[value] : (unsigned char)value;
                    previous = c;
                }
                out[i] = cached;
            }
        }
    } else {
        double s, o, d = (high - low) / 255.0;
        if (high == low) {
            s = 0;
            o = 255;
        } else {
            s = 255.0 / (high - low);
            o = -low * s + 0.5;
        }
        int previous = -1;
        unsigned char cached = 0;
        for (int i = first; i < last; i++) {
            int c = columns[i];
            if (c != previous) {
                double v = (c >= 0 && c < columnsInImage) ? wideValue(data, pixel, c) : 0;
                int level;
                if (v != v) {
                    level = 0;
                } else if (table != NULL) {
                    level = v < low ? 0 : (v >= high ? 255 : (int)(v * s + o));
                } else {
                    level = v < low ? 0 : (v > high ? 255 : (d != 0 ? (int)((v - low) / d + 0.5)
                                                                    : 255));
                }
                level = level < 0 ? 0 : (level > 255 ? 255 : level);
                value = level;
                cached = table != NULL ? table[level] : (unsigned char)level;
                previous = c;
            }
            out[i] = cached;
        }
    }
    if (lastValue != NULL) {
        *lastValue = value;
    }
    return out;
}

unsigned char *tulxRowToIndex(RAMIMG *image, int row, int band, const int *columns, int first,
                              int last, int n, int *lastValue, float low, float high,
                              const unsigned char table[256], unsigned char *out)
{
    return convertRow(image, row, band, columns, first, last, n, lastValue, low, high, table, out);
}

unsigned char *tulxRowToRaw(RAMIMG *image, int row, int band, const int *columns, int first,
                            int last, int n, float low, float high, unsigned char *out)
{
    return convertRow(image, row, band, columns, first, last, n, NULL, low, high, NULL, out);
}

static int clampByte(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

unsigned char *tulxFilterRow(int n, unsigned char *line, unsigned char *previous, float factor,
                             int background, int firstLine, int direction)
{
    if (firstLine) {
        memcpy(previous, line, (size_t)n);
    }
    int left = n > 0 ? line[0] : 0;
    double w = factor < -708.39f ? 0.25 : exp(factor) * 0.75 + 0.25;
    for (int i = 0; i < n; i++) {
        int v = line[i];
        int up = previous[i];
        int upLeft = i > 0 ? previous[i - 1] : previous[0];
        int out;
        if (background < 0) {
            out = (int)((3 * v - left - upLeft - up) * factor + 0.5) + 192;
        } else if (factor < 0) {
            out = (int)(left * w + (v + upLeft + up) * (1 - w) / 3 + 0.5);
        } else {
            int base = background != 0 ? background : v;
            int d;
            float used = 3 * factor;
            switch (direction) {
            case 1: d = left - v; break;
            case 2: d = left - up; break;
            case 3: d = v - up; break;
            case 4: d = v - upLeft; break;
            default: d = 3 * v - left - upLeft - up; used = factor; break;
            }
            out = (int)(d * used + 0.5) + base;
        }
        /* The pixel above the next one is read before it is replaced. */
        if (i > 0) {
            previous[i - 1] = (unsigned char)left;
        }
        left = v;
        line[i] = (unsigned char)clampByte(out);
        if (i == n - 1) {
            previous[i] = (unsigned char)v;
        }
    }
    return line;
}

unsigned char *ditherRow(int n, unsigned char *out, const unsigned char *values,
                         const unsigned char table[256], const unsigned char indices[256],
                         const signed char errors[256], signed char *carry, int mode,
                         int oddLine)
{
    int left = carry[0];
    int upLeft = carry[0];
    for (int i = 0; i < n; i++) {
        int up = carry[i];
        int upRight = carry[i + 1];
        int e;
        switch (mode) {
        case 0: e = 0; break;
        case 1: e = oddLine ? up : left; break;
        case 2: e = (left + up) / 2; break;
        case 3: e = ((left + up) * 20 + upLeft * 14) / 54; break;
        default: e = ((left + up) * 20 + (upRight + upLeft) * 14) / 68; break;
        }
        int t = clampByte(table[values[i]] + e);
        out[i] = (unsigned char)(out[i] + indices[t]);
        if (mode != 0) {
            carry[i] = errors[t];
            left = errors[t];
        }
        upLeft = up;
    }
    return out;
}
