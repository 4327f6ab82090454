/*
 * mask_bitmap.cpp --
 *
 *	1-bit mask bitmaps (a set bit means "shown") with rows padded to
 *	16-bit units, their row operations, and the fills of point lists and
 *	span lists into them.
 */
#include <stdlib.h>
#include <string.h>

#include "core/gmem.h"
#include "display/tulx/tulx.h"
#include "ramimage/ramimg.h"

static int strideOf(int width)
{
    return ((width + 15) / 16) * 2;
}

static inline int bitIndex(const MaskBitmap *bitmap, int x)
{
    return bitmap->bitOrder ? 7 - (x & 7) : (x & 7);
}

void maskBitmapInit(MaskBitmap *bitmap)
{
    memset(bitmap, 0, sizeof(*bitmap));
    bitmap->bitOrder = msbFirst();
    bitmap->unit = 16;
}

MaskBitmap *newMaskBitmap(int width, int height, int fill)
{
    MaskBitmap *bitmap = (MaskBitmap *)tclAlloc(sizeof(MaskBitmap));
    if (bitmap == NULL) {
        return NULL;
    }
    maskBitmapInit(bitmap);
    if (bitmapAlloc(bitmap, width, height, fill) == NULL) {
        tclFree(bitmap);
        return NULL;
    }
    return bitmap;
}

void deleteMaskBitmap(MaskBitmap *bitmap)
{
    if (bitmap != NULL) {
        bitmapFree(bitmap);
        tclFree(bitmap);
    }
}

MaskBitmap *bitmapAlloc(MaskBitmap *bitmap, int width, int height, int fill)
{
    if (bitmap->bits != NULL && !bitmap->borrowed) {
        tclFree(bitmap->bits);
    }
    bitmap->bits = NULL;
    bitmap->borrowed = 0;
    bitmap->bitOrder = msbFirst();
    bitmap->unit = 16;
    if (width < 1 || height < 1) {
        bitmap->width = bitmap->height = bitmap->stride = 0;
        return NULL;
    }
    int stride = strideOf(width);
    size_t size = (size_t)stride * (size_t)height;
    bitmap->bits = (unsigned char *)tclAlloc(size);
    if (bitmap->bits == NULL) {
        bitmap->width = bitmap->height = bitmap->stride = 0;
        return NULL;
    }
    memset(bitmap->bits, fill, size);
    bitmap->width = width;
    bitmap->height = height;
    bitmap->stride = stride;
    return bitmap;
}

void bitmapFree(MaskBitmap *bitmap)
{
    if (bitmap->bits != NULL && !bitmap->borrowed) {
        tclFree(bitmap->bits);
    }
    maskBitmapInit(bitmap);
}

void maskBitmapBorrow(MaskBitmap *bitmap, RAMIMG *image)
{
    bitmapFree(bitmap);
    bitmap->bits = image->cacheBlock;
    bitmap->stride = image->rowBytes;
    bitmap->bitOrder = image->head.msbf ? 1 : 0;
    bitmap->width = image->head.columns;
    bitmap->height = image->head.rows;
    bitmap->borrowed = 1;
}

void maskBitmapCopyRow(MaskBitmap *bitmap, int from, int to)
{
    if (from < 0 || to < 0 || from >= bitmap->height || to >= bitmap->height || from == to) {
        return;
    }
    memcpy(bitmap->bits + (size_t)to * bitmap->stride, bitmap->bits + (size_t)from * bitmap->stride,
           (size_t)bitmap->stride);
}

static inline void setBit(MaskBitmap *bitmap, int x, int y)
{
    bitmap->bits[(size_t)y * bitmap->stride + x / 8] |= (unsigned char)(1 << bitIndex(bitmap, x));
}

int maskBitmapGetBit(const MaskBitmap *bitmap, int x, int y)
{
    if (bitmap->bits == NULL || x < 0 || y < 0 || x >= bitmap->width || y >= bitmap->height) {
        return 0;
    }
    return (bitmap->bits[(size_t)y * bitmap->stride + x / 8] >> bitIndex(bitmap, x)) & 1;
}

void maskBitmapSetFromFlags(MaskBitmap *bitmap, int pos, const unsigned char *flags, int rotate)
{
    if (bitmap->bits == NULL) {
        return;
    }
    if (rotate == 0) {
        if (pos < 0 || pos >= bitmap->height) {
            return;
        }
        for (int x = 0; x < bitmap->width; x++) {
            if (flags[x]) {
                setBit(bitmap, x, pos);
            }
        }
    } else if (rotate > 0) {
        int x = bitmap->width - pos - 1;
        if (x < 0 || x >= bitmap->width) {
            return;
        }
        for (int y = 0; y < bitmap->height; y++) {
            if (flags[y]) {
                setBit(bitmap, x, y);
            }
        }
    } else {
        if (pos < 0 || pos >= bitmap->width) {
            return;
        }
        for (int y = 0; y < bitmap->height; y++) {
            if (flags[y]) {
                setBit(bitmap, pos, bitmap->height - y - 1);
            }
        }
    }
}

void maskBitmapRowToFlags(const MaskBitmap *bitmap, int row, int first, int last,
                          const ZoomMap *map, unsigned char *flags)
{
    for (int i = 0; i < map->n; i++) {
        flags[i] = (i >= first && i < last) ? (unsigned char)maskBitmapGetBit(bitmap, map->index[i], row)
                                            : 0;
    }
}

void maskBitmapGetBits(const MaskBitmap *bitmap, int row, int x0, int x1, unsigned char *out)
{
    for (int x = x0; x < x1; x++) {
        out[x - x0] = (unsigned char)maskBitmapGetBit(bitmap, x, row);
    }
}

void maskBitmapFillSpan(MaskBitmap *bitmap, int row, int x0, int x1)
{
    if (bitmap->bits == NULL || row < 0 || row >= bitmap->height || x1 < 0
            || x0 >= bitmap->width) {
        return;
    }
    if (x0 < 0) {
        x0 = 0;
    }
    if (x1 > bitmap->width) {
        x1 = bitmap->width;
    }
    unsigned char *line = bitmap->bits + (size_t)row * bitmap->stride;
    int x = x0;
    while (x < x1 && (x & 7) != 0) {
        line[x / 8] |= (unsigned char)(1 << bitIndex(bitmap, x));
        x++;
    }
    while (x + 8 <= x1) {
        line[x / 8] = 255;
        x += 8;
    }
    while (x < x1) {
        line[x / 8] |= (unsigned char)(1 << bitIndex(bitmap, x));
        x++;
    }
}

/*
 * maskBitmapCombine --
 *	dst AND (or OR) src over the rows and columns both bitmaps share;
 *	bits of dst beyond src are hidden by AND and kept by OR.
 */
void maskBitmapCombine(MaskBitmap *dst, const MaskBitmap *src, int andOp)
{
    if (dst->bits == NULL || src->bits == NULL) {
        return;
    }
    bool sameLayout = dst->width == src->width && dst->stride == src->stride
        && dst->bitOrder == src->bitOrder;
    for (int y = 0; y < dst->height; y++) {
        unsigned char *d = dst->bits + (size_t)y * dst->stride;
        if (y >= src->height) {
            if (andOp) {
                memset(d, 0, (size_t)dst->stride);
            }
            continue;
        }
        const unsigned char *s = src->bits + (size_t)y * src->stride;
        if (sameLayout) {
            for (int i = 0; i < dst->stride; i++) {
                d[i] = andOp ? (unsigned char)(d[i] & s[i]) : (unsigned char)(d[i] | s[i]);
            }
            continue;
        }
        for (int x = 0; x < dst->width; x++) {
            int a = maskBitmapGetBit(dst, x, y);
            int b = x < src->width ? maskBitmapGetBit(src, x, y) : 0;
            int v = andOp ? (a & b) : (a | b);
            unsigned char bit = (unsigned char)(1 << bitIndex(dst, x));
            if (v) {
                d[x / 8] |= bit;
            } else {
                d[x / 8] &= (unsigned char)~bit;
            }
        }
    }
}

void spansFillBitmap(const PointList *spans, MaskBitmap *bitmap)
{
    if (spans == NULL || bitmap == NULL) {
        return;
    }
    for (int i = 0; i + 1 < spans->count; i += 2) {
        maskBitmapFillSpan(bitmap, spans->points[i].y, spans->points[i].x, spans->points[i + 1].x);
    }
}

void polyFillEach(const PointList *chain, MaskBitmap *bitmap)
{
    for (const PointList *p = chain; p != NULL; p = p->next) {
        PointList *spans = polyToSpans(p);
        spansFillBitmap(spans, bitmap);
        polyFree(spans);
    }
}

void polyFillBitmap(const PointList *chain, MaskBitmap *bitmap, int evenOdd)
{
    if (chain == NULL) {
        return;
    }
    if (evenOdd) {
        PointList *spans = polyChainSpans(chain);
        if (spans != NULL) {
            spansFillBitmap(spans, bitmap);
            polyFree(spans);
        }
    } else {
        polyFillEach(chain, bitmap);
    }
}
