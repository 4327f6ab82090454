/*
 * image_algebra.h --
 *
 *	Image algebra: the table of pixel operators that view commands apply
 *	in place, and the four row loops that apply them over a region of
 *	interest with a band map, or over data ranges, with constant operands
 *	or a second image as operand.
 *
 *	An operator is found by its name and mode (the number of operands, an
 *	operand image counting as one). Its kernel works on one row segment at
 *	a time: the per-pixel computation is inlined into the kernel's loop,
 *	so the loops make one call per row, not per pixel.
 */
#ifndef OVEX_FRONTEND_RIMAGE_IMAGE_ALGEBRA_H
#define OVEX_FRONTEND_RIMAGE_IMAGE_ALGEBRA_H

#include "ovex/ramimage.h"
#include "ramimage/kit/data_range.h"

/* Slots of the kernel context: what a kernel reads besides the pixels. */
enum {
    ALG_TYPE = 0,       /* pixel type code (of the operand image when there is one) */
    ALG_X = 1,          /* column of the pixel, as each loop counts it */
    ALG_Y = 2,          /* row of the pixel */
    ALG_ROWS = 3,       /* rows (of the operand image when there is one) */
    ALG_COLUMNS = 4,    /* columns (likewise) */
    ALG_COUNT = 6,      /* number of operands n */
    ALG_PIXEL = 7,      /* the own pixel p */
    ALG_OPERANDS = 8,   /* a, b, c ...: the operand pixel q first when there is one */
    ALG_CONTEXT_SIZE = 15
};

/* Most constants one operator call takes (context slots 8 .. 14). */
#define ALG_MAX_CONSTANTS 7

/*
 * A kernel: replaces values[j] (the own pixels) for j below n by the
 * operator's value, with context[ALG_X] = xs[j], context[ALG_PIXEL] =
 * values[j] and, when operand is not NULL, context[ALG_OPERANDS] =
 * operand[j]. The caller fills every other slot.
 */
typedef void (ImageOpKernel)(float *context, float *values, const float *operand,
                             const float *xs, int n);

/* One row of the operator table. */
struct ImageOp {
    const char *name;
    int mode;
    ImageOpKernel *kernel;
};

/* The operator table, in its fixed order, ended by a row whose name is
 * NULL; IMAGE_OP_COUNT rows before the end. */
#define IMAGE_OP_COUNT 77
extern const ImageOp imageOps[];

/* The kernel of the first row with that name and mode; NULL for none. */
ImageOpKernel *findImageOp(const char *name, int mode);

/* Region of interest: its origin in the bound image, the origin of the
 * matching area in an operand image, and its size. */
struct AlgebraRoi {
    int x, y;
    int srcx, srcy;
    int width, height;
};

/* The constants of one call (at most ALG_MAX_CONSTANTS). */
struct AlgebraConstants {
    float values[ALG_MAX_CONSTANTS];
    int count;
};

/*
 * The row loops. Each stores its results through putRowFloat (clamped
 * to the pixel type), resets the band statistics of every own band it
 * wrote and finally tells the image's clients that its configuration
 * changed. Bands in the band lists are 1-based; pairs naming a band the
 * image does not have are skipped. Each returns 1, or 0 when its row
 * buffers cannot be allocated (nothing changed then).
 */

/* ROI loop with constants: [1], [2] count from the ROI origin. */
int algebraConstantRoi(RAMIMG *image, const AlgebraRoi *roi, const int *ownBands, int pairs,
                       ImageOpKernel *kernel, const AlgebraConstants *constants);

/* ROI loop with an operand image: the operand's rows repeat (row srcy + i
 * modulo its rows), its columns beyond its edge read as 0. */
int algebraImageRoi(RAMIMG *image, const AlgebraRoi *roi, const int *ownBands,
                    const int *operandBands, int pairs, RAMIMG *operand,
                    ImageOpKernel *kernel, const AlgebraConstants *constants);

/* Range loop with constants: [1], [2] are image coordinates. */
int algebraConstantRange(RAMIMG *image, const DataRange *range, ImageOpKernel *kernel,
                         const AlgebraConstants *constants);

/* Range loop with an operand image: each range is walked from its first
 * bound to its second (a reversed range flips); the operand range starts
 * again after its end, so a smaller one repeats and a larger one is cut.
 * [1], [2] are the operand's column and row. */
int algebraRangePair(RAMIMG *image, const DataRange *ownRange, RAMIMG *operand,
                     const DataRange *operandRange, ImageOpKernel *kernel,
                     const AlgebraConstants *constants);

#endif /* OVEX_FRONTEND_RIMAGE_IMAGE_ALGEBRA_H */
