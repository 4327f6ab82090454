/*
 * image_algebra.cpp --
 *
 *	The four row loops of the image algebra (see image_algebra.h). Each
 *	reads a row segment as floats through the row cache, runs the
 *	operator's kernel over it once and stores it back, clamped to the
 *	pixel type.
 */
#include <stdlib.h>
#include <string.h>

#include "core/gmem.h"
#include "ramimage/band_stats.h"
#include "frontend/rimage/image_algebra.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

static_assert(ALG_OPERANDS + ALG_MAX_CONSTANTS == ALG_CONTEXT_SIZE,
              "the constants fill the context to its end");

/* Float buffers of one call, freed together. */
struct RowBuffers {
    float *block;
};

/*
 * allocRows --
 *	Carves count buffers of n floats each out of one block; 0 when it
 *	cannot be allocated.
 */
static int allocRows(RowBuffers *buffers, int count, int n, float **out[])
{
    size_t each = n > 0 ? (size_t)n : 1;
    buffers->block = (float *)gmemAlloc(each * (size_t)count * sizeof(float));
    if (buffers->block == NULL) {
        return 0;
    }
    for (int k = 0; k < count; k++) {
        *out[k] = buffers->block + (size_t)k * each;
    }
    return 1;
}

static void freeRows(RowBuffers *buffers)
{
    gmemFree(buffers->block);
    buffers->block = NULL;
}

/*
 * fillContext --
 *	The slots a kernel reads besides the pixels: type, rows and columns
 *	of source (the operand image when there is one, else the bound
 *	image), the operand count and the constants, which follow the
 *	operand image's pixel when there is one.
 */
static void fillContext(float *context, const RAMIMG *source, int operandImage,
                        const AlgebraConstants *constants)
{
    memset(context, 0, ALG_CONTEXT_SIZE * sizeof(float));
    context[ALG_TYPE] = (float)source->head.pixel;
    context[ALG_ROWS] = (float)source->head.rows;
    context[ALG_COLUMNS] = (float)source->head.columns;
    int first = ALG_OPERANDS + (operandImage ? 1 : 0);
    int count = 0;
    if (constants != NULL) {
        count = constants->count;
        if (count > ALG_CONTEXT_SIZE - first) {
            count = ALG_CONTEXT_SIZE - first;
        }
        for (int k = 0; k < count; k++) {
            context[first + k] = constants->values[k];
        }
    }
    context[ALG_COUNT] = (float)(count + (operandImage ? 1 : 0));
}

/* The band's statistics no longer describe its pixels. */
static void resetStats(RAMIMG *image, int band)
{
    if (image->stats != NULL && band >= 0 && band < image->head.nbands) {
        resetBandStats(&image->stats[band]);
    }
}

static int hasBand(const RAMIMG *image, int band)
{
    return band >= 0 && band < image->head.nbands;
}

/* Bounds in increasing order. */
static void ordered(int a, int b, int *low, int *high)
{
    *low = a < b ? a : b;
    *high = a < b ? b : a;
}

/*
 *----------------------------------------------------------------------
 *
 * algebraConstantRoi --
 *
 *	Applies the kernel with constant operands over the ROI of each own
 *	band of the pairs; x and y count from the ROI origin.
 *
 * Results:
 *	1, or 0 when the row buffer cannot be allocated.
 *
 * Side effects:
 *	The pixels of the ROI, the band statistics, a configuration notice.
 *
 *----------------------------------------------------------------------
 */
int algebraConstantRoi(RAMIMG *image, const AlgebraRoi *roi, const int *ownBands, int pairs,
                       ImageOpKernel *kernel, const AlgebraConstants *constants)
{
    float *values, *xs;
    float **rows[] = {&values, &xs};
    RowBuffers buffers;
    if (!allocRows(&buffers, 2, roi->width, rows)) {
        return 0;
    }
    for (int j = 0; j < roi->width; j++) {
        xs[j] = (float)j;
    }
    float context[ALG_CONTEXT_SIZE];
    fillContext(context, image, 0, constants);

    for (int k = 0; k < pairs; k++) {
        int band = ownBands[k] - 1;
        if (!hasBand(image, band)) {
            continue;
        }
        for (int i = 0; i < roi->height; i++) {
            context[ALG_Y] = (float)i;
            getRowFloat(image, roi->y + i, roi->x, roi->width, band, values);
            kernel(context, values, NULL, xs, roi->width);
            putRowFloat(image, roi->y + i, roi->x, roi->width, band, values);
        }
        resetStats(image, band);
    }
    freeRows(&buffers);
    updateClient(image, 0, RAMIMG_NOTIFY_CONFIG);
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * algebraImageRoi --
 *
 *	Applies the kernel over the ROI with the operand image's pixels as
 *	first operand: own row y + i from column x meets operand row
 *	(srcy + i) modulo the operand's rows from column srcx.
 *
 * Results:
 *	1, or 0 when the row buffers cannot be allocated.
 *
 * Side effects:
 *	As algebraConstantRoi.
 *
 *----------------------------------------------------------------------
 */
int algebraImageRoi(RAMIMG *image, const AlgebraRoi *roi, const int *ownBands,
                    const int *operandBands, int pairs, RAMIMG *operand,
                    ImageOpKernel *kernel, const AlgebraConstants *constants)
{
    float *values, *operandValues, *xs;
    float **rows[] = {&values, &operandValues, &xs};
    RowBuffers buffers;
    if (!allocRows(&buffers, 3, roi->width, rows)) {
        return 0;
    }
    for (int j = 0; j < roi->width; j++) {
        xs[j] = (float)j;
    }
    float context[ALG_CONTEXT_SIZE];
    fillContext(context, operand, 1, constants);
    int operandRows = operand->head.rows;

    for (int k = 0; k < pairs && operandRows > 0; k++) {
        int band = ownBands[k] - 1;
        if (!hasBand(image, band)) {
            continue;
        }
        int operandBand = operandBands[k] - 1;
        for (int i = 0; i < roi->height; i++) {
            int operandRow = (int)(((int64_t)roi->srcy + i) % operandRows);
            context[ALG_Y] = (float)(i % operandRows);
            getRowFloat(operand, operandRow, roi->srcx, roi->width, operandBand, operandValues);
            getRowFloat(image, roi->y + i, roi->x, roi->width, band, values);
            kernel(context, values, operandValues, xs, roi->width);
            putRowFloat(image, roi->y + i, roi->x, roi->width, band, values);
        }
        resetStats(image, band);
    }
    freeRows(&buffers);
    updateClient(image, 0, RAMIMG_NOTIFY_CONFIG);
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * algebraConstantRange --
 *
 *	Applies the kernel with constant operands over a data range of the
 *	image; x and y are image coordinates.
 *
 * Results:
 *	1, or 0 when the row buffers cannot be allocated.
 *
 * Side effects:
 *	The pixels of the range, the band statistics, a configuration
 *	notice.
 *
 *----------------------------------------------------------------------
 */
int algebraConstantRange(RAMIMG *image, const DataRange *range, ImageOpKernel *kernel,
                         const AlgebraConstants *constants)
{
    int c0, c1, r0, r1, b0, b1;
    ordered(range->c0, range->c1, &c0, &c1);
    ordered(range->r0, range->r1, &r0, &r1);
    ordered(range->b0, range->b1, &b0, &b1);
    int width = c1 - c0 + 1;

    float *values, *xs;
    float **rows[] = {&values, &xs};
    RowBuffers buffers;
    if (!allocRows(&buffers, 2, width, rows)) {
        return 0;
    }
    for (int j = 0; j < width; j++) {
        xs[j] = (float)(c0 + j);
    }
    float context[ALG_CONTEXT_SIZE];
    fillContext(context, image, 0, constants);

    for (int band = b0; band <= b1; band++) {
        if (!hasBand(image, band)) {
            continue;
        }
        for (int row = r0; row <= r1; row++) {
            context[ALG_Y] = (float)row;
            getRowFloat(image, row, c0, width, band, values);
            kernel(context, values, NULL, xs, width);
            putRowFloat(image, row, c0, width, band, values);
        }
        resetStats(image, band);
    }
    freeRows(&buffers);
    updateClient(image, 0, RAMIMG_NOTIFY_CONFIG);
    return 1;
}

/* One dimension of a range walked from its first bound to its second. */
struct Walk {
    int first;
    int step;       /* +1 or -1 */
    int count;
};

static Walk walkOf(int first, int last)
{
    Walk walk;
    walk.first = first;
    walk.step = last >= first ? 1 : -1;
    walk.count = abs(last - first) + 1;
    return walk;
}

/* Position of the k-th step, the walk starting again after its end. */
static int walkAt(const Walk &walk, int k)
{
    return walk.first + walk.step * (k % walk.count);
}

/* Index in a segment read from the walk's lower bound. */
static int segmentIndex(const Walk &walk, int k)
{
    int i = k % walk.count;
    return walk.step > 0 ? i : walk.count - 1 - i;
}

/*
 *----------------------------------------------------------------------
 *
 * algebraRangePair --
 *
 *	Applies the kernel to a data range of the image with the pixels of
 *	a data range of the operand image as first operand. Both ranges are
 *	walked in the direction their bounds give; the operand range starts
 *	again after its end in each dimension (bands, then rows within each
 *	band, then columns within each row).
 *
 * Results:
 *	1, or 0 when the row buffers cannot be allocated.
 *
 * Side effects:
 *	The pixels of the own range, the band statistics, a configuration
 *	notice.
 *
 *----------------------------------------------------------------------
 */
int algebraRangePair(RAMIMG *image, const DataRange *ownRange, RAMIMG *operand,
                     const DataRange *operandRange, ImageOpKernel *kernel,
                     const AlgebraConstants *constants)
{
    Walk ownColumns = walkOf(ownRange->c0, ownRange->c1);
    Walk ownRows = walkOf(ownRange->r0, ownRange->r1);
    Walk ownBands = walkOf(ownRange->b0, ownRange->b1);
    Walk operandColumns = walkOf(operandRange->c0, operandRange->c1);
    Walk operandRows = walkOf(operandRange->r0, operandRange->r1);
    Walk operandBands = walkOf(operandRange->b0, operandRange->b1);
    int ownWidth = ownColumns.count;
    int operandWidth = operandColumns.count;
    int ownLeft = ownColumns.step > 0 ? ownColumns.first : ownRange->c1;
    int operandLeft = operandColumns.step > 0 ? operandColumns.first : operandRange->c1;

    /* ownSegment and operandSegment as read; values, operandValues and
     * xs in walking order. */
    float *ownSegment, *operandSegment, *values, *operandValues, *xs;
    float **rows[] = {&ownSegment, &values, &operandValues, &xs};
    RowBuffers buffers, operandBuffers;
    float **operandRowsOut[] = {&operandSegment};
    if (!allocRows(&buffers, 4, ownWidth, rows)) {
        return 0;
    }
    if (!allocRows(&operandBuffers, 1, operandWidth, operandRowsOut)) {
        freeRows(&buffers);
        return 0;
    }
    int *ownIndex = (int *)gmemAlloc(2 * (size_t)ownWidth * sizeof(int));
    if (ownIndex == NULL) {
        freeRows(&operandBuffers);
        freeRows(&buffers);
        return 0;
    }
    int *operandIndex = ownIndex + ownWidth;
    for (int j = 0; j < ownWidth; j++) {
        ownIndex[j] = segmentIndex(ownColumns, j);
        operandIndex[j] = segmentIndex(operandColumns, j);
        xs[j] = (float)walkAt(operandColumns, j);
    }
    float context[ALG_CONTEXT_SIZE];
    fillContext(context, operand, 1, constants);

    for (int t = 0; t < ownBands.count; t++) {
        int band = walkAt(ownBands, t);
        int operandBand = walkAt(operandBands, t);
        if (!hasBand(image, band)) {
            continue;
        }
        for (int u = 0; u < ownRows.count; u++) {
            int row = walkAt(ownRows, u);
            int operandRow = walkAt(operandRows, u);
            context[ALG_Y] = (float)operandRow;
            getRowFloat(operand, operandRow, operandLeft, operandWidth, operandBand,
                        operandSegment);
            getRowFloat(image, row, ownLeft, ownWidth, band, ownSegment);
            for (int j = 0; j < ownWidth; j++) {
                values[j] = ownSegment[ownIndex[j]];
                operandValues[j] = operandSegment[operandIndex[j]];
            }
            kernel(context, values, operandValues, xs, ownWidth);
            for (int j = 0; j < ownWidth; j++) {
                ownSegment[ownIndex[j]] = values[j];
            }
            putRowFloat(image, row, ownLeft, ownWidth, band, ownSegment);
        }
        resetStats(image, band);
    }
    gmemFree(ownIndex);
    freeRows(&operandBuffers);
    freeRows(&buffers);
    updateClient(image, 0, RAMIMG_NOTIFY_CONFIG);
    return 1;
}
