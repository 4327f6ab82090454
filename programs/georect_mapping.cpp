/*
 * georect_mapping.cpp --
 *
 *	Evaluation of georectification polynomials and the extents around it
 *	(see georect_mapping.h).
 */
#include "programs/georect_mapping.h"

#include <cmath>

#include "core/rounding.h"

uint32_t georectTermCount(uint32_t degree)
{
    if (degree == 0) {
        return 4;
    }
    if (degree > GEORECT_MAX_DEGREE) {
        return 0;
    }
    return (degree + 1) * (degree + 2) / 2;
}

int polyTermIndex(int i, int j)
{
    int d = i + j;
    return d * (d + 1) / 2 + j;
}

/* Degree 0 (bilinear): a fixed value of the coordinate whose terms sit at
 * indices fixedTerm and 3 folds into two pairs over the other one. */
static void reduceBilinear(const double *coef, PolyPair *pairs, double fixed, int fixedTerm,
                           int freeTerm)
{
    const double *icoef = coef, *jcoef = coef + 4;
    pairs[0].i = icoef[0] + icoef[fixedTerm] * fixed;
    pairs[0].j = jcoef[0] + jcoef[fixedTerm] * fixed;
    pairs[1].i = icoef[freeTerm] + icoef[3] * fixed;
    pairs[1].j = jcoef[freeTerm] + jcoef[3] * fixed;
}

/* Pair k = sum over the fixed coordinate's powers m of the coefficients of
 * the term with power k of the free coordinate, times fixed^m. */
static void reduceGeneral(const double *coef, PolyPair *pairs, double fixed, uint32_t degree,
                          int freeIsX)
{
    int p = (int)degree;
    const double *icoef = coef, *jcoef = coef + georectTermCount(degree);
    for (int k = 0; k <= p; k++) {
        double isum = 0.0, jsum = 0.0, power = 1.0;
        for (int m = 0; m <= p - k; m++) {
            int index = freeIsX ? polyTermIndex(k, m) : polyTermIndex(m, k);
            isum += icoef[index] * power;
            jsum += jcoef[index] * power;
            power *= fixed;
        }
        pairs[k].i = isum;
        pairs[k].j = jsum;
    }
}

void reducePolyAtY(const double *coef, PolyPair *pairs, double y, uint32_t degree)
{
    if (degree == 0) {
        reduceBilinear(coef, pairs, y, 2, 1);
    } else {
        reduceGeneral(coef, pairs, y, degree, 1);
    }
}

void reducePolyAtX(const double *coef, PolyPair *pairs, double x, uint32_t degree)
{
    if (degree == 0) {
        reduceBilinear(coef, pairs, x, 1, 2);
    } else {
        reduceGeneral(coef, pairs, x, degree, 0);
    }
}

void evalPoly2D(const PolyPair *pairs, double v, int count, double *x2, double *y2)
{
    double isum = pairs[0].i + pairs[1].i * v;
    double jsum = pairs[0].j + pairs[1].j * v;
    double power = v;
    for (int k = 2; k < count / 2; k++) {
        power *= v;
        isum += pairs[k].i * power;
        jsum += pairs[k].j * power;
    }
    *x2 = jsum;
    *y2 = isum;
}

/* Widens box by the point; a coordinate that is not a number is skipped. */
static void widenBox(PixelBox *box, double x2, double y2)
{
    if (x2 > box->xmax) {
        box->xmax = clampToInt(std::ceil(x2));
    }
    if (x2 < box->xmin) {
        box->xmin = clampToInt(std::floor(x2));
    }
    if (y2 > box->ymax) {
        box->ymax = clampToInt(std::ceil(y2));
    }
    if (y2 < box->ymin) {
        box->ymin = clampToInt(std::floor(y2));
    }
}

/*
 * traceEdge --
 *	Reduces at the fixed coordinate, then samples from the smaller to the
 *	larger end. Positions are taken as lo + k * step rather than summed,
 *	so the far end is met exactly; a step that cannot advance samples
 *	both ends once.
 */
static void traceEdge(const GeorectParams *block, PixelBox *box, int freeIsX, double fixed,
                      double a, double b, double step)
{
    PolyPair pairs[GEORECT_MAX_PAIRS];
    int count = 2 * (int)block->degree + 2;
    double fixedCentred = fixed - (freeIsX ? block->meanY1 : block->meanX1);
    double centre = freeIsX ? block->meanX1 : block->meanY1;
    if (freeIsX) {
        reducePolyAtY(block->coef, pairs, fixedCentred, block->degree);
    } else {
        reducePolyAtX(block->coef, pairs, fixedCentred, block->degree);
    }
    double lo = a < b ? a : b, hi = a < b ? b : a;
    step = std::fabs(step);
    double x2, y2;
    if (!(step > 0.0) || !std::isfinite(step) || !std::isfinite(lo) || !std::isfinite(hi)
            || (hi - lo) / step > 1e9) {
        evalPoly2D(pairs, lo - centre, count, &x2, &y2);
        widenBox(box, x2, y2);
        evalPoly2D(pairs, hi - centre, count, &x2, &y2);
        widenBox(box, x2, y2);
        return;
    }
    double slack = step * 1e-9;
    for (int64_t k = 0;; k++) {
        double v = lo + (double)k * step;
        if (v > hi + slack) {
            break;
        }
        evalPoly2D(pairs, v - centre, count, &x2, &y2);
        widenBox(box, x2, y2);
    }
}

void traceGeorectBox(const GeorectParams *block, const GeoExtent *extent, PixelBox *box)
{
    box->xmin = box->ymin = 2147483647;
    box->xmax = box->ymax = -2147483647;
    traceEdge(block, box, 1, extent->yEnd, extent->xStart, extent->xEnd, extent->dx);
    traceEdge(block, box, 1, extent->yStart, extent->xStart, extent->xEnd, extent->dx);
    traceEdge(block, box, 0, extent->xStart, extent->yStart, extent->yEnd, extent->dy);
    traceEdge(block, box, 0, extent->xEnd, extent->yStart, extent->yEnd, extent->dy);
}

int64_t georectInputBox(const GeorectParams *block, GeoExtent *window, PixelBox *box,
                        const GeoExtent *extent, const PixelBox *imageBox, int startRow,
                        int startColumn, int rows, int columns)
{
    window->xStart = (double)(startColumn - (int64_t)imageBox->xmin) * extent->dx + extent->xStart;
    window->yStart = (double)(imageBox->ymin - (int64_t)startRow) * extent->dy + extent->yStart;
    window->xEnd = (double)(columns - 1) * extent->dx + window->xStart;
    window->yEnd = window->yStart - (double)(rows - 1) * extent->dy;
    window->dx = extent->dx;
    window->dy = extent->dy;
    traceGeorectBox(block, window, box);
    if (box->xmin > box->xmax || box->ymin > box->ymax) {
        return 0;
    }
    return ((int64_t)box->xmax - box->xmin + 1) * ((int64_t)box->ymax - box->ymin + 1);
}

void imageBox(const ImageHead *head, PixelBox *box)
{
    box->xmin = head->left;
    box->ymin = head->top;
    box->xmax = head->left + head->columns - 1;
    box->ymax = head->top + head->rows - 1;
}

void imageGeoExtent(const ImageHead *head, GeoExtent *extent)
{
    extent->xStart = head->x0;
    extent->yStart = head->y0;
    extent->dx = head->dx;
    extent->dy = head->dy;
    extent->xEnd = head->x0 + (head->columns - 1) * head->dx;
    extent->yEnd = head->y0 - (head->rows - 1) * head->dy;
}

void imagePixelExtent(const ImageHead *head, GeoExtent *extent)
{
    extent->xStart = head->left;
    extent->yStart = head->top;
    extent->dx = 1.0;
    extent->dy = -1.0;
    extent->xEnd = (double)head->left + head->columns - 1;
    extent->yEnd = (double)head->top + head->rows - 1;
}
