/*
 * pixel_access.cpp --
 *
 *	Float and byte access to the pixels of a RAM image. Rows come from the
 *	row cache (ramRow); each row segment is converted by one loop chosen
 *	once per segment, a template instance per pixel type, so that the
 *	per-sample work has no dispatch. Rows and bands outside the image are
 *	checked before the cache is touched: they read as zeros and take no
 *	stores.
 */
#include "ramimage/pixel_access.h"

#include "core/rounding.h"
#include "ramimage/float_bytes.h"
#include "ramimage/ramimg.h"

#include <cmath>
#include <cstring>
#include <stddef.h>

namespace {

/* ---- Geometry ------------------------------------------------------------ */

bool insideRowBand(const RAMIMG *image, int row, int band)
{
    return image != NULL && row >= 0 && row < image->head.rows && band >= 0
           && band < image->head.nbands;
}

bool insidePixel(const RAMIMG *image, int col, int row)
{
    return col >= 0 && col < image->head.columns && row >= 0 && row < image->head.rows;
}

/* Pixel types that have a float and byte conversion. */
bool hasConversion(int pixel)
{
    return pixel >= PIXEL_1BIT && pixel <= PIXEL_SBYTE;
}

/* The band of list entry i: the list's, or i itself. */
inline int listedBand(const int *bands, int i)
{
    return bands != NULL ? bands[i] : i;
}

/* The cached row of (row, band), NULL when the image has no row source. */
unsigned char *fetchRow(RAMIMG *image, int row, int band, int load)
{
    if (image->rowLoader == NULL) {
        return NULL;
    }
    return ramRow(image, row, band, load);
}

/*
 * The part [lo, hi) of the columns col .. col + n - 1 that lies inside the
 * image; empty (lo >= hi) when none does. 64-bit so that col + n cannot
 * overflow.
 */
struct ColumnRange {
    int64_t lo;
    int64_t hi;
};

ColumnRange clipColumns(const RAMIMG *image, int col, int n)
{
    ColumnRange range;
    range.lo = col < 0 ? 0 : col;
    range.hi = (int64_t)col + n;
    if (range.hi > image->head.columns) {
        range.hi = image->head.columns;
    }
    return range;
}

/* ---- Sample readers: column x of a cached row ----------------------------- */

struct Bit1Msb {
    static int get(const unsigned char *r, int x) { return (r[x >> 3] >> (7 - (x & 7))) & 1; }
};
struct Bit1Lsb {
    static int get(const unsigned char *r, int x) { return (r[x >> 3] >> (x & 7)) & 1; }
};
struct Nibble4Msb {
    static int get(const unsigned char *r, int x)
    {
        return (x & 1) ? (r[x >> 1] & 0x0f) : (r[x >> 1] >> 4);
    }
};
struct Nibble4Lsb {
    static int get(const unsigned char *r, int x)
    {
        return (x & 1) ? (r[x >> 1] >> 4) : (r[x >> 1] & 0x0f);
    }
};
struct Byte8 {
    static int get(const unsigned char *r, int x) { return r[x]; }
};
struct Short16 {
    static int get(const unsigned char *r, int x)
    {
        int16_t v;
        memcpy(&v, r + 2 * (size_t)x, sizeof v);
        return v;
    }
};
struct UShort16 {
    static int get(const unsigned char *r, int x)
    {
        uint16_t v;
        memcpy(&v, r + 2 * (size_t)x, sizeof v);
        return v;
    }
};
struct Long32 {
    static int get(const unsigned char *r, int x)
    {
        int32_t v;
        memcpy(&v, r + 4 * (size_t)x, sizeof v);
        return v;
    }
};
struct SByte8 {
    static int get(const unsigned char *r, int x) { return (int8_t)r[x]; }
};
/* Unsigned 32-bit values beyond the int range come as doubles. */
struct ULong32 {
    static double get(const unsigned char *r, int x)
    {
        uint32_t v;
        memcpy(&v, r + 4 * (size_t)x, sizeof v);
        return (double)v;
    }
};
struct Float32 {
    static float get(const unsigned char *r, int x)
    {
        float v;
        memcpy(&v, r + 4 * (size_t)x, sizeof v);
        return v;
    }
};

/* A sample as the caller's type: integers as floats, or their low byte;
 * floats as themselves, or truncated toward zero and then their low byte. */
inline void convertOut(int v, float *out) { *out = (float)v; }
inline void convertOut(int v, unsigned char *out) { *out = (unsigned char)v; }
inline void convertOut(float v, float *out) { *out = v; }
inline void convertOut(float v, unsigned char *out) { *out = (unsigned char)clampToInt(v); }
inline void convertOut(double v, float *out) { *out = (float)v; }
inline void convertOut(double v, unsigned char *out) { *out = (unsigned char)(uint32_t)v; }
/* Doubles hold every sample of every type exactly. */
inline void convertOut(int v, double *out) { *out = (double)v; }
inline void convertOut(float v, double *out) { *out = (double)v; }
inline void convertOut(double v, double *out) { *out = v; }

template <class Reader, class Out>
void readLoop(const unsigned char *row, int first, int count, Out *out, ptrdiff_t stride)
{
    for (int k = 0; k < count; k++) {
        convertOut(Reader::get(row, first + k), out + k * stride);
    }
}

/* Converts count samples from column first of a cached row. */
template <class Out>
void convertFromRow(int pixel, int msbf, const unsigned char *row, int first, int count,
                    Out *out, ptrdiff_t stride)
{
    switch (pixel) {
    case PIXEL_1BIT:
        if (msbf) {
            readLoop<Bit1Msb>(row, first, count, out, stride);
        } else {
            readLoop<Bit1Lsb>(row, first, count, out, stride);
        }
        break;
    case PIXEL_4BITS:
        if (msbf) {
            readLoop<Nibble4Msb>(row, first, count, out, stride);
        } else {
            readLoop<Nibble4Lsb>(row, first, count, out, stride);
        }
        break;
    case PIXEL_BYTE:
        readLoop<Byte8>(row, first, count, out, stride);
        break;
    case PIXEL_SHORT:
        readLoop<Short16>(row, first, count, out, stride);
        break;
    case PIXEL_LONG:
        readLoop<Long32>(row, first, count, out, stride);
        break;
    case PIXEL_FLOAT:
        readLoop<Float32>(row, first, count, out, stride);
        break;
    case PIXEL_USHORT:
        readLoop<UShort16>(row, first, count, out, stride);
        break;
    case PIXEL_ULONG:
        readLoop<ULong32>(row, first, count, out, stride);
        break;
    case PIXEL_SBYTE:
        readLoop<SByte8>(row, first, count, out, stride);
        break;
    default:
        break;
    }
}

template <class Out>
void zeroSamples(Out *out, int64_t from, int64_t to, ptrdiff_t stride)
{
    for (int64_t k = from; k < to; k++) {
        out[k * stride] = 0;
    }
}

/*
 * readSamples --
 *	The n samples of (row, band) from column col into out[k * stride]:
 *	converted inside the image, 0 outside it and for pixel types without
 *	a conversion. One cache fetch for the whole segment.
 */
template <class Out>
void readSamples(RAMIMG *image, int row, int col, int n, int band, Out *out, ptrdiff_t stride)
{
    if (n <= 0 || out == NULL) {
        return;
    }
    const unsigned char *data = NULL;
    ColumnRange range = {0, 0};
    if (insideRowBand(image, row, band) && hasConversion(image->head.pixel)) {
        range = clipColumns(image, col, n);
        if (range.lo < range.hi) {
            data = fetchRow(image, row, band, 1);
        }
    }
    if (data == NULL) {
        zeroSamples(out, 0, n, stride);
        return;
    }
    int64_t firstOut = range.lo - col;
    int64_t endOut = range.hi - col;
    zeroSamples(out, 0, firstOut, stride);
    convertFromRow(image->head.pixel, image->head.msbf, data, (int)range.lo,
                   (int)(range.hi - range.lo), out + firstOut * stride, stride);
    zeroSamples(out, endOut, n, stride);
}

/* ---- Storing: the stored value of each caller type per pixel type --------- */

/* Floats: clamped to the type, then rounded to the nearest integer. The
 * unsigned types take the integer part of v + 0.5; the signed ones round
 * halves away from zero (roundToInt), so a whole negative value is stored
 * as itself: -2.0 stays -2 through a float round trip. NaN fails every
 * comparison and reaches clampToInt, which makes it 0. */
struct FromFloat {
    typedef float In;
    static bool bit(float v) { return v > 0.0f; }
    static unsigned char nibble(float v)
    {
        if (v > 15.0f) {
            return 15;
        }
        if (v < 0.0f) {
            return 0;
        }
        return (unsigned char)clampToInt((double)v + 0.5);
    }
    static unsigned char byte(float v)
    {
        if (v >= 255.0f) {
            return 255;
        }
        if (v < 0.0f) {
            return 0;
        }
        return (unsigned char)clampToInt((double)v + 0.5);
    }
    static uint16_t s16(float v)
    {
        if (v > 32767.0f) {
            return (uint16_t)32767;
        }
        if (v < -32768.0f) {
            return (uint16_t)(int16_t)-32768;
        }
        return (uint16_t)(int16_t)roundToInt((double)v);
    }
    static uint32_t s32(float v)
    {
        if ((double)v > 2147483647.0) {
            return (uint32_t)INT32_MAX;
        }
        if ((double)v < -2147483648.0) {
            return (uint32_t)INT32_MIN;
        }
        return (uint32_t)roundToInt((double)v);
    }
    static float f32(float v) { return v; }
    static uint16_t u16(float v)
    {
        if (v > 65535.0f) {
            return 65535;
        }
        if (v < 0.0f) {
            return 0;
        }
        return (uint16_t)clampToInt((double)v + 0.5);
    }
    static uint32_t u32(float v)
    {
        if ((double)v >= 4294967295.0) {
            return UINT32_MAX;
        }
        if (!(v > 0.0f)) {
            return 0;
        }
        return (uint32_t)((double)v + 0.5);
    }
    static unsigned char s8(float v)
    {
        if (v > 127.0f) {
            return 127;
        }
        if (v < -128.0f) {
            return (unsigned char)(int8_t)-128;
        }
        return (unsigned char)(int8_t)roundToInt((double)v);
    }
};

/* Doubles: as floats are stored, with the comparisons and rounding in
 * doubles, so that every 32-bit integer comes through whole; a FLOAT
 * pixel takes the nearest float once. */
struct FromDouble {
    typedef double In;
    static bool bit(double v) { return v > 0.0; }
    static unsigned char nibble(double v)
    {
        if (v > 15.0) {
            return 15;
        }
        if (v < 0.0) {
            return 0;
        }
        return (unsigned char)clampToInt(v + 0.5);
    }
    static unsigned char byte(double v)
    {
        if (v >= 255.0) {
            return 255;
        }
        if (v < 0.0) {
            return 0;
        }
        return (unsigned char)clampToInt(v + 0.5);
    }
    static uint16_t s16(double v)
    {
        if (v > 32767.0) {
            return (uint16_t)32767;
        }
        if (v < -32768.0) {
            return (uint16_t)(int16_t)-32768;
        }
        return (uint16_t)(int16_t)roundToInt(v);
    }
    static uint32_t s32(double v)
    {
        if (v > 2147483647.0) {
            return (uint32_t)INT32_MAX;
        }
        if (v < -2147483648.0) {
            return (uint32_t)INT32_MIN;
        }
        return (uint32_t)roundToInt(v);
    }
    static float f32(double v) { return (float)v; }
    static uint16_t u16(double v)
    {
        if (v > 65535.0) {
            return 65535;
        }
        if (v < 0.0) {
            return 0;
        }
        return (uint16_t)clampToInt(v + 0.5);
    }
    static uint32_t u32(double v)
    {
        if (v >= 4294967295.0) {
            return UINT32_MAX;
        }
        if (!(v > 0.0)) {
            return 0;
        }
        return (uint32_t)(v + 0.5);
    }
    static unsigned char s8(double v)
    {
        if (v > 127.0) {
            return 127;
        }
        if (v < -128.0) {
            return (unsigned char)(int8_t)-128;
        }
        return (unsigned char)(int8_t)roundToInt(v);
    }
};

/* Bytes: the value itself, its low four bits for a nibble. */
struct FromByte {
    typedef unsigned char In;
    static bool bit(unsigned char u) { return u != 0; }
    static unsigned char nibble(unsigned char u) { return u & 0x0f; }
    static unsigned char byte(unsigned char u) { return u; }
    static uint16_t s16(unsigned char u) { return u; }
    static uint32_t s32(unsigned char u) { return u; }
    static float f32(unsigned char u) { return (float)u; }
    static uint16_t u16(unsigned char u) { return u; }
    static uint32_t u32(unsigned char u) { return u; }
    static unsigned char s8(unsigned char u) { return u; }
};

/* Unsigned 16-bit values: the low byte for bytes and nibbles, the bits
 * themselves for SHORT, zero-extended for LONG. */
struct FromUShort {
    typedef uint16_t In;
    static bool bit(uint16_t u) { return u != 0; }
    static unsigned char nibble(uint16_t u) { return u & 0x0f; }
    static unsigned char byte(uint16_t u) { return (unsigned char)(u & 0xff); }
    static uint16_t s16(uint16_t u) { return u; }
    static uint32_t s32(uint16_t u) { return u; }
    static float f32(uint16_t u) { return (float)u; }
    static uint16_t u16(uint16_t u) { return u; }
    static uint32_t u32(uint16_t u) { return u; }
    static unsigned char s8(uint16_t u) { return (unsigned char)(u & 0xff); }
};

/* ---- Sample writers: column x of a cached row ----------------------------- */

template <class C> struct PutBit1Msb {
    static void put(unsigned char *r, int x, typename C::In v)
    {
        unsigned char mask = (unsigned char)(0x80 >> (x & 7));
        r[x >> 3] = C::bit(v) ? (r[x >> 3] | mask) : (r[x >> 3] & ~mask);
    }
};
template <class C> struct PutBit1Lsb {
    static void put(unsigned char *r, int x, typename C::In v)
    {
        unsigned char mask = (unsigned char)(1 << (x & 7));
        r[x >> 3] = C::bit(v) ? (r[x >> 3] | mask) : (r[x >> 3] & ~mask);
    }
};
template <class C> struct PutNibble4Msb {
    static void put(unsigned char *r, int x, typename C::In v)
    {
        unsigned char q = C::nibble(v);
        unsigned char *p = r + (x >> 1);
        *p = (x & 1) ? ((*p & 0xf0) | q) : ((*p & 0x0f) | (q << 4));
    }
};
template <class C> struct PutNibble4Lsb {
    static void put(unsigned char *r, int x, typename C::In v)
    {
        unsigned char q = C::nibble(v);
        unsigned char *p = r + (x >> 1);
        *p = (x & 1) ? ((*p & 0x0f) | (q << 4)) : ((*p & 0xf0) | q);
    }
};
template <class C> struct PutByte8 {
    static void put(unsigned char *r, int x, typename C::In v) { r[x] = C::byte(v); }
};
template <class C> struct PutShort16 {
    static void put(unsigned char *r, int x, typename C::In v)
    {
        uint16_t bits = C::s16(v);
        memcpy(r + 2 * (size_t)x, &bits, sizeof bits);
    }
};
template <class C> struct PutUShort16 {
    static void put(unsigned char *r, int x, typename C::In v)
    {
        uint16_t bits = C::u16(v);
        memcpy(r + 2 * (size_t)x, &bits, sizeof bits);
    }
};
template <class C> struct PutULong32 {
    static void put(unsigned char *r, int x, typename C::In v)
    {
        uint32_t bits = C::u32(v);
        memcpy(r + 4 * (size_t)x, &bits, sizeof bits);
    }
};
template <class C> struct PutSByte8 {
    static void put(unsigned char *r, int x, typename C::In v) { r[x] = C::s8(v); }
};
template <class C> struct PutLong32 {
    static void put(unsigned char *r, int x, typename C::In v)
    {
        uint32_t bits = C::s32(v);
        memcpy(r + 4 * (size_t)x, &bits, sizeof bits);
    }
};
template <class C> struct PutFloat32 {
    static void put(unsigned char *r, int x, typename C::In v)
    {
        float f = C::f32(v);
        memcpy(r + 4 * (size_t)x, &f, sizeof f);
    }
};

template <class Writer, class In>
void storeLoop(unsigned char *row, int first, int count, const In *in, ptrdiff_t stride)
{
    for (int k = 0; k < count; k++) {
        Writer::put(row, first + k, in[k * stride]);
    }
}

/* A run of bytes from values, each as C::byte makes it. */
template <class C>
inline void storeBytes(unsigned char *__restrict row, int count, const typename C::In *__restrict in)
{
    for (int k = 0; k < count; k++) {
        row[k] = C::byte(in[k]);
    }
}

/* Floats as FromFloat::byte makes each, a vector at a time. */
template <>
inline void storeBytes<FromFloat>(unsigned char *__restrict row, int count,
                                  const float *__restrict in)
{
    floatsToBytes(in, count, row);
}

/* Stores count values in[k * stride] from column first of a cached row. */
template <class C>
void convertToRow(int pixel, int msbf, unsigned char *row, int first, int count,
                  const typename C::In *in, ptrdiff_t stride)
{
    switch (pixel) {
    case PIXEL_1BIT:
        if (msbf) {
            storeLoop<PutBit1Msb<C>>(row, first, count, in, stride);
        } else {
            storeLoop<PutBit1Lsb<C>>(row, first, count, in, stride);
        }
        break;
    case PIXEL_4BITS:
        if (msbf) {
            storeLoop<PutNibble4Msb<C>>(row, first, count, in, stride);
        } else {
            storeLoop<PutNibble4Lsb<C>>(row, first, count, in, stride);
        }
        break;
    case PIXEL_BYTE:
        if (stride == 1) {
            storeBytes<C>(row + first, count, in);
        } else {
            storeLoop<PutByte8<C>>(row, first, count, in, stride);
        }
        break;
    case PIXEL_SHORT:
        storeLoop<PutShort16<C>>(row, first, count, in, stride);
        break;
    case PIXEL_LONG:
        storeLoop<PutLong32<C>>(row, first, count, in, stride);
        break;
    case PIXEL_FLOAT:
        storeLoop<PutFloat32<C>>(row, first, count, in, stride);
        break;
    case PIXEL_USHORT:
        storeLoop<PutUShort16<C>>(row, first, count, in, stride);
        break;
    case PIXEL_ULONG:
        storeLoop<PutULong32<C>>(row, first, count, in, stride);
        break;
    case PIXEL_SBYTE:
        storeLoop<PutSByte8<C>>(row, first, count, in, stride);
        break;
    default:
        break;
    }
}

/*
 * claimsWithoutReading --
 *	True when a store that covers the whole row may take the slot without
 *	reading the row first: whole-byte pixels, and a layout whose loader
 *	claims one band's slot alone (band-sequential and by line), or a
 *	pixel-interleaved or DIB row of a new file never written yet (its
 *	other bands are zero, which the write-back supplies).
 */
bool claimsWithoutReading(const RAMIMG *image, int row, int64_t count)
{
    if (count != image->head.columns || image->rowLoader != getRAMImageLine) {
        return false;
    }
    int pixel = image->head.pixel;
    if (pixel == PIXEL_1BIT || pixel == PIXEL_4BITS) {
        return false;
    }
    switch (image->head.imgid) {
    case IMGID_BSQ: case IMGID_E74BSQ: case IMGID_BSQD:
    case IMGID_BIL: case IMGID_E73: case IMGID_E74: case IMGID_ELAS: case IMGID_BILD:
        return true;
    case IMGID_JPEG:                /* a new picture's rows hold nothing yet */
        return rowsStillBlank(image);
    case IMGID_BIP: case IMGID_PPM: case IMGID_BIPD: case IMGID_DIB:
        return rowNeverWritten(image, row);
    default:
        return false;
    }
}

/*
 * writeSamples --
 *	Stores in[k * stride] into column col + k of (row, band) for the
 *	columns inside the image and marks the row dirty. Returns the number
 *	stored; 0, touching nothing, for a row or band outside the image or a
 *	pixel type without a conversion.
 */
template <class C>
int writeSamples(RAMIMG *image, int row, int col, int n, int band, const typename C::In *in,
                 ptrdiff_t stride)
{
    if (n <= 0 || in == NULL || !insideRowBand(image, row, band)
        || !hasConversion(image->head.pixel)) {
        return 0;
    }
    ColumnRange range = clipColumns(image, col, n);
    if (range.lo >= range.hi) {
        return 0;
    }
    int count = (int)(range.hi - range.lo);
    prepareRowWrite(image, row);
    int load = claimsWithoutReading(image, row, count) ? 0 : 1;
    unsigned char *data = fetchRow(image, row, band, load);
    if (data == NULL) {
        return 0;
    }
    convertToRow<C>(image->head.pixel, image->head.msbf, data, (int)range.lo, count,
                    in + (range.lo - col) * stride, stride);
    markRowDirty(image, row, band);
    return count;
}

/* Palette images answer the palette readers with band 0's indices. An
 * image of several bands holds samples in each, whatever grey ramp its
 * head carries: reading band 0 for every channel would lose the others. */
bool hasPalette(const RAMIMG *image)
{
    return image != NULL && image->head.nindices >= 1 && image->head.nbands == 1;
}

bool isColourChannel(int channel)
{
    return channel >= 0 && channel <= 2;
}

/* Columns read per pass by the band gatherers: a stack buffer, so that
 * gathering allocates nothing. */
const int kGatherChunk = 1024;

/*
 * gatherBands --
 *	The common walk of getRowsBytesBands and getRowsFloatBands: for each
 *	listed band, the samples at offsets 0, step, 2 step ... below n read
 *	by the palette reader in chunks and stored pixel-interleaved.
 */
template <class Out, class ReadPal, class BandOf>
void gatherBands(RAMIMG *image, int row, int col, int n, int step, int nb, Out *out,
                 ReadPal readPal, BandOf bandOf)
{
    if (out == NULL || n <= 0 || nb <= 0) {
        return;
    }
    if (step < 1) {
        step = 1;
    }
    Out buffer[kGatherChunk];
    int perChunk = step >= kGatherChunk ? 1 : kGatherChunk / step;
    for (int i = 0; i < nb; i++) {
        int band = bandOf(i);
        int64_t sample = 0;
        for (int64_t offset = 0; offset < n; offset += (int64_t)perChunk * step) {
            int64_t span = (int64_t)(perChunk - 1) * step + 1;
            int64_t length = (n - offset < span) ? n - offset : span;
            int64_t start = (int64_t)col + offset;
            if (start > INT32_MAX) {
                start = INT32_MAX;   /* beyond every image: reads zeros */
            }
            readPal(image, row, (int)start, (int)length, band, buffer);
            for (int64_t k = 0; k < length; k += step, sample++) {
                out[i + sample * nb] = buffer[k];
            }
        }
    }
}

/* The sample of (col, row, band) for the bilinear mixes: 0 outside. */
inline double pixelAt(RAMIMG *image, int col, int row, int band)
{
    return getPixelFloat(image, col, row, band);
}

}  // namespace

/* ---- Reading -------------------------------------------------------------- */

/*
 * getRowFloat --
 *	Returns out, holding n float samples of band from column col of row;
 *	0 where the columns, row or band lie outside the image.
 */
float *getRowFloat(RAMIMG *image, int row, int col, int n, int band, float *out)
{
    readSamples(image, row, col, n, band, out, 1);
    return out;
}

/*
 * getRowByte --
 *	Returns out, holding n byte samples as getRowFloat reads them.
 */
unsigned char *getRowByte(RAMIMG *image, int row, int col, int n, int band,
                          unsigned char *out)
{
    readSamples(image, row, col, n, band, out, 1);
    return out;
}

/*
 * getRowBytesStride --
 *	Returns out, holding the k-th byte sample at out[k * stride]; the
 *	bytes between are left as they were.
 */
unsigned char *getRowBytesStride(RAMIMG *image, int row, int col, int n, int band,
                                 unsigned char *out, int stride)
{
    readSamples(image, row, col, n, band, out, stride);
    return out;
}

/*
 * getPixelVector --
 *	Returns out, holding the sample of every band at (col, row); left as
 *	it was for pixel types without a conversion.
 */
float *getPixelVector(RAMIMG *image, int row, int col, float *out)
{
    if (image == NULL || out == NULL || !hasConversion(image->head.pixel)) {
        return out;
    }
    for (int band = 0; band < image->head.nbands; band++) {
        readSamples(image, row, col, 1, band, out + band, 1);
    }
    return out;
}

/*
 * getPixelFloat --
 *	Returns the sample of (col, row, band), 0 outside the image.
 */
float getPixelFloat(RAMIMG *image, int col, int row, int band)
{
    float value = 0.0f;
    readSamples(image, row, col, 1, band, &value, 1);
    return value;
}

/*
 * getRowBytePal --
 *	Returns out. A palette image gives band 0's indices, each replaced by
 *	its entry's channel when channel is 0, 1 or 2 (any other channel
 *	keeps the indices, so that no look-up strays past an entry). Other
 *	images give band `channel`.
 */
unsigned char *getRowBytePal(RAMIMG *image, int row, int col, int n, int channel,
                             unsigned char *out)
{
    if (!hasPalette(image)) {
        return getRowByte(image, row, col, n, channel, out);
    }
    getRowByte(image, row, col, n, 0, out);
    if (out != NULL && isColourChannel(channel)) {
        for (int k = 0; k < n; k++) {
            out[k] = image->head.palette[out[k]][channel];
        }
    }
    return out;
}

/*
 * widenPaletteRow --
 *	Returns out: the palette image's indices (or, for a colour channel,
 *	their colours) as T. The indices are read as bytes into the front of
 *	out and widened from the end backwards, so no second buffer is needed.
 */
template <typename T>
static T *widenPaletteRow(RAMIMG *image, int row, int col, int n, int channel, T *out)
{
    if (out == NULL || n <= 0) {
        return out;
    }
    unsigned char *indices = (unsigned char *)out;
    getRowByte(image, row, col, n, 0, indices);
    bool colour = isColourChannel(channel);
    for (int k = n - 1; k >= 0; k--) {
        unsigned char index = indices[k];
        out[k] = colour ? (T)image->head.palette[index][channel] : (T)index;
    }
    return out;
}

/*
 * getRowFloatPal --
 *	Returns out: getRowBytePal as floats.
 */
float *getRowFloatPal(RAMIMG *image, int row, int col, int n, int channel, float *out)
{
    if (!hasPalette(image)) {
        return getRowFloat(image, row, col, n, channel, out);
    }
    return widenPaletteRow(image, row, col, n, channel, out);
}

/*
 * getRowDouble --
 *	Returns out, holding n samples as doubles, which keep every 32-bit
 *	integer whole; 0 outside the image.
 */
double *getRowDouble(RAMIMG *image, int row, int col, int n, int band, double *out)
{
    readSamples(image, row, col, n, band, out, 1);
    return out;
}

/*
 * getRowDoublePal --
 *	Returns out: getRowFloatPal as doubles.
 */
double *getRowDoublePal(RAMIMG *image, int row, int col, int n, int channel, double *out)
{
    if (!hasPalette(image)) {
        return getRowDouble(image, row, col, n, channel, out);
    }
    return widenPaletteRow(image, row, col, n, channel, out);
}

/*
 * getRowsBytesBands --
 *	Returns out, holding for i < nb the samples of band bands[i] (without
 *	a list, i modulo nbands) at column offsets 0, step, ... below n at
 *	out[i], out[i + nb] ...
 */
unsigned char *getRowsBytesBands(RAMIMG *image, int row, int col, int n, int step, int nb,
                                 const int *bands, unsigned char *out)
{
    int nbands = image != NULL ? image->head.nbands : 0;
    gatherBands(image, row, col, n, step, nb, out, getRowBytePal, [&](int i) {
        if (bands != NULL) {
            return bands[i];
        }
        return nbands > 0 ? i % nbands : i;
    });
    return out;
}

/*
 * getRowsFloatBands --
 *	Returns out: getRowsBytesBands as floats; without a list band i.
 */
float *getRowsFloatBands(RAMIMG *image, int row, int col, int n, int step, int nb,
                         const int *bands, float *out)
{
    gatherBands(image, row, col, n, step, nb, out, getRowFloatPal,
                [&](int i) { return listedBand(bands, i); });
    return out;
}

/*
 * getPixelBandsFloat --
 *	Returns out, holding the samples of the nb listed bands at (col, row).
 */
float *getPixelBandsFloat(RAMIMG *image, int col, int row, int nb, const int *bands,
                          float *out)
{
    if (out == NULL) {
        return out;
    }
    for (int i = 0; i < nb; i++) {
        getRowFloatPal(image, row, col, 1, listedBand(bands, i), out + i);
    }
    return out;
}

/* ---- Writing -------------------------------------------------------------- */

/*
 * putRowFloat --
 *	Stores in[k] into column col + k of (row, band) for the columns inside
 *	the image, clamped and rounded to the pixel type. Returns the number
 *	stored.
 */
int putRowFloat(RAMIMG *image, int row, int col, int n, int band, const float *in)
{
    return writeSamples<FromFloat>(image, row, col, n, band, in, 1);
}

/*
 * putRowDouble --
 *	Stores in[k] as putRowFloat does, the comparisons and rounding in
 *	doubles: 32-bit integers are stored whole. Returns the number stored.
 */
int putRowDouble(RAMIMG *image, int row, int col, int n, int band, const double *in)
{
    return writeSamples<FromDouble>(image, row, col, n, band, in, 1);
}

/*
 * putRowByte --
 *	Stores the bytes in[k] as putRowFloat stores floats. Returns the
 *	number stored.
 */
int putRowByte(RAMIMG *image, int row, int col, int n, int band, const unsigned char *in)
{
    return writeSamples<FromByte>(image, row, col, n, band, in, 1);
}

/*
 * putUSHORTBILData --
 *	Stores unsigned 16-bit values. Returns the number stored.
 */
int putUSHORTBILData(RAMIMG *image, int row, int col, int n, int band, const uint16_t *in)
{
    return writeSamples<FromUShort>(image, row, col, n, band, in, 1);
}

/*
 * putPixelBandsFloat --
 *	Stores in[i] into band bands[i] (or i) at (col, row), for i < nb.
 */
void putPixelBandsFloat(RAMIMG *image, int col, int row, int nb, const int *bands,
                        const float *in)
{
    if (in == NULL) {
        return;
    }
    for (int i = 0; i < nb; i++) {
        putRowFloat(image, row, col, 1, listedBand(bands, i), in + i);
    }
}

/*
 * putFloatBIPData --
 *	Stores n pixel-interleaved pixels of nb bands into bands band0 ..
 *	min(band0 + nb, nbands) - 1, straight from in (no copy). Returns the
 *	count stored into the last band, 0 when none.
 */
int putFloatBIPData(RAMIMG *image, int band0, int nb, int row, int col, int n,
                    const float *in)
{
    if (image == NULL || in == NULL || nb <= 0) {
        return 0;
    }
    int64_t end = (int64_t)band0 + nb;
    if (end > image->head.nbands) {
        end = image->head.nbands;
    }
    int stored = 0;
    for (int64_t band = band0; band < end; band++) {
        stored = writeSamples<FromFloat>(image, row, col, n, (int)band, in + (band - band0), nb);
    }
    return stored;
}

/*
 * putDoubleBIPData --
 *	putFloatBIPData from doubles: 32-bit integers are stored whole.
 */
int putDoubleBIPData(RAMIMG *image, int band0, int nb, int row, int col, int n,
                     const double *in)
{
    if (image == NULL || in == NULL || nb <= 0) {
        return 0;
    }
    int64_t end = (int64_t)band0 + nb;
    if (end > image->head.nbands) {
        end = image->head.nbands;
    }
    int stored = 0;
    for (int64_t band = band0; band < end; band++) {
        stored = writeSamples<FromDouble>(image, row, col, n, (int)band, in + (band - band0), nb);
    }
    return stored;
}

/*
 * writeFloatBIPData --
 *	Stores value i of each of n pixels (nb values each) into band
 *	bands[i] (or i) when the image has that band. Returns the count
 *	stored into the last band, 0 when none.
 */
int writeFloatBIPData(RAMIMG *image, int row, int col, int n, int nb, const int *bands,
                      const float *in)
{
    if (image == NULL || in == NULL || nb <= 0) {
        return 0;
    }
    int stored = 0;
    for (int i = 0; i < nb; i++) {
        int band = listedBand(bands, i);
        if (band >= 0 && band < image->head.nbands) {
            stored = writeSamples<FromFloat>(image, row, col, n, band, in + i, nb);
        }
    }
    return stored;
}

/* ---- Lines ---------------------------------------------------------------- */

/*
 * sampleAlongAngle --
 *	Returns out, holding n samples of band along the direction (cos angle,
 *	-sin angle), the first start away from (x, y), step apart: the nearest
 *	pixel (mode 1) or the bilinear mix of four (mode 2), 0 outside the
 *	image and at points that are not finite. Other modes leave out as it
 *	was.
 */
float *sampleAlongAngle(RAMIMG *image, double x, double y, int band, double angle,
                        double step, double start, float *out, int n, int mode)
{
    if (image == NULL || out == NULL || (mode != SAMPLE_NEAREST && mode != SAMPLE_BILINEAR)) {
        return out;
    }
    double c = cos(angle);
    double s = sin(angle);
    for (int k = 0; k < n; k++) {
        double distance = start + (double)k * step;
        double px = x + distance * c;
        double py = y - distance * s;
        float value = 0.0f;
        if (std::isfinite(px) && std::isfinite(py)) {
            if (mode == SAMPLE_NEAREST) {
                value = getPixelFloat(image, roundToInt(px), roundToInt(py), band);
            } else {
                int xi = clampToInt(px);
                int yi = clampToInt(py);
                if (insidePixel(image, xi, yi)) {
                    /* Neighbours past the last column or row read as 0. */
                    double fx = px - xi;
                    double fy = py - yi;
                    value = (float)((1 - fx) * (1 - fy) * pixelAt(image, xi, yi, band)
                                    + fx * (1 - fy) * pixelAt(image, xi + 1, yi, band)
                                    + (1 - fx) * fy * pixelAt(image, xi, yi + 1, band)
                                    + fx * fy * pixelAt(image, xi + 1, yi + 1, band));
                }
            }
        }
        out[k] = value;
    }
    return out;
}

/*
 * sampleLineFloat --
 *	Returns out, holding for n evenly spaced points from (x0, y0) to
 *	(x1, y1) the samples of the nb listed bands (out[k * nb + j]): the
 *	nearest pixel (mode 1) or the bilinear mix with the edge pixel
 *	repeated (mode 2); 0 outside the image.
 */
float *sampleLineFloat(RAMIMG *image, double x0, double y0, double x1, double y1, int nb,
                       const int *bands, float *out, int n, int mode)
{
    if (image == NULL || out == NULL || nb <= 0
        || (mode != SAMPLE_NEAREST && mode != SAMPLE_BILINEAR)) {
        return out;
    }
    double sx = x1 - x0;
    double sy = y1 - y0;
    if (n - 1 > 1) {
        sx /= (n - 1);
        sy /= (n - 1);
    }
    int lastColumn = image->head.columns - 1;
    int lastRow = image->head.rows - 1;
    for (int k = 0; k < n; k++) {
        double x = x0 + k * sx;
        double y = y0 + k * sy;
        float *point = out + (size_t)k * nb;
        if (!std::isfinite(x) || !std::isfinite(y)) {
            for (int j = 0; j < nb; j++) {
                point[j] = 0.0f;
            }
            continue;
        }
        if (mode == SAMPLE_NEAREST) {
            int xi = clampToInt(x + 0.5);
            int yi = clampToInt(y + 0.5);
            bool inside = insidePixel(image, xi, yi);
            for (int j = 0; j < nb; j++) {
                point[j] = inside ? getPixelFloat(image, xi, yi, listedBand(bands, j)) : 0.0f;
            }
            continue;
        }
        int xi = clampToInt(x);
        int yi = clampToInt(y);
        if (xi < -1 || yi < -1 || xi > lastColumn || yi > lastRow) {
            /* Outside the image; also keeps xi + 1 from overflowing. */
            for (int j = 0; j < nb; j++) {
                point[j] = 0.0f;
            }
            continue;
        }
        double fx = x - xi;
        double fy = y - yi;
        int xn = (xi == lastColumn) ? xi : xi + 1;
        int yn = (yi == lastRow) ? yi : yi + 1;
        if (xi == -1) {
            xi = 0;
        }
        if (yi == -1) {
            yi = 0;
        }
        bool inside = insidePixel(image, xi, yi);
        for (int j = 0; j < nb; j++) {
            int band = listedBand(bands, j);
            point[j] = !inside ? 0.0f
                : (float)((1 - fx) * (1 - fy) * pixelAt(image, xi, yi, band)
                          + fx * (1 - fy) * pixelAt(image, xn, yi, band)
                          + (1 - fx) * fy * pixelAt(image, xi, yn, band)
                          + fx * fy * pixelAt(image, xn, yn, band));
        }
    }
    return out;
}

namespace {

/*
 * narrowWalk --
 *	Narrows [*first, *last] to the walk indices i at which the coordinate
 *	origin + i * delta can round into 0 .. size - 1 (one index of margin
 *	each side), so that a line far longer than the image costs only the
 *	pixels it crosses.
 */
void narrowWalk(double origin, double delta, int size, double *first, double *last)
{
    /* trunc(v + 0.5) lies in 0 .. size - 1 exactly when v is in (-1.5, size - 0.5). */
    double low = -1.5;
    double high = size - 0.5;
    if (delta == 0.0) {
        if (!(origin > low && origin < high)) {
            *last = *first - 1;
        }
        return;
    }
    double a = (low - origin) / delta;
    double b = (high - origin) / delta;
    if (a > b) {
        double swap = a;
        a = b;
        b = swap;
    }
    if (floor(a) - 1 > *first) {
        *first = floor(a) - 1;
    }
    if (ceil(b) + 1 < *last) {
        *last = ceil(b) + 1;
    }
}

}  // namespace

/*
 * putLineFloat --
 *	Draws the n samples of values (nb per sample, pixel-interleaved)
 *	along the line from (x0, y0) to (x1, y1) into the listed bands,
 *	walking half a pixel per step along the longer axis and drawing each
 *	pixel once: the nearest sample (mode 1) or the mix of the two samples
 *	around the position (mode 2). Returns the number of samples the line
 *	was divided into (1 for a line of length 0).
 */
int putLineFloat(RAMIMG *image, double x0, double y0, double x1, double y1, int nb,
                 const int *bands, const float *values, int n, int mode)
{
    if (n <= 0) {
        return 0;
    }
    double ex = x0 - x1;
    double ey = y0 - y1;
    bool point = (ex == 0.0 && ey == 0.0);
    int m = point ? 0 : n - 1;
    if (image == NULL || values == NULL || nb <= 0
        || (mode != SAMPLE_NEAREST && mode != SAMPLE_BILINEAR)
        || !std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(ex)
        || !std::isfinite(ey)) {
        return m + 1;
    }
    double dx = 0.0, dy = 0.0, dt = 1.0, lastIndex = 0.0;
    if (!point) {
        if (fabs(ex) <= fabs(ey)) {
            dy = (y1 > y0) ? 0.5 : -0.5;
            dx = (x1 - x0) / (2 * fabs(ey));
        } else {
            dx = (x1 > x0) ? 0.5 : -0.5;
            dy = (y1 - y0) / (2 * fabs(ex));
        }
        if (m >= 1) {
            dt = m * hypot(dx, dy) / hypot(ex, ey);
            /* The last walk step whose position still reaches t = m;
             * the tolerance keeps the end sample that rounding would drop. */
            lastIndex = floor(m / dt + 1e-9);
        }
    }
    double first = 0.0;
    double last = lastIndex;
    narrowWalk(x0, dx, image->head.columns, &first, &last);
    narrowWalk(y0, dy, image->head.rows, &first, &last);

    if (!(first <= last)) {
        return m + 1;
    }
    /* Past the narrowing only pathological origins near the limits of
     * double are unbounded; no such walk can reach the image. */
    const double walkLimit = 4611686018427387904.0;   /* 2^62 */
    int64_t firstIndex = clampToInt64(first);
    int64_t lastIndex64 = clampToInt64(last < walkLimit ? last : walkLimit);

    int lastX = -3000000, lastY = -3000000;
    for (int64_t i = firstIndex; i <= lastIndex64; i++) {
        double t = i * dt;
        if (t > m) {
            t = m;
        }
        int px = clampToInt(x0 + i * dx + 0.5);
        int py = clampToInt(y0 + i * dy + 0.5);
        if ((px == lastX && py == lastY) || !insidePixel(image, px, py)) {
            continue;
        }
        for (int j = 0; j < nb; j++) {
            float value;
            if (mode == SAMPLE_NEAREST) {
                value = values[(size_t)clampToInt(t + 0.5) * nb + j];
            } else {
                int k = clampToInt(t);
                double f = t - k;
                value = (k >= m) ? values[(size_t)k * nb + j]
                    : (float)((1 - f) * values[(size_t)k * nb + j]
                              + f * values[(size_t)(k + 1) * nb + j]);
            }
            putRowFloat(image, py, px, 1, listedBand(bands, j), &value);
        }
        lastX = px;
        lastY = py;
    }
    return m + 1;
}
