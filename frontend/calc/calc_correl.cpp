/*
 * calc_correl.cpp --
 *
 *	calc correl: the offset at which a window of the longer of two series
 *	correlates best with the shorter, in 32-bit floats.
 */
#include "frontend/calc/calc_handlers.h"

#include <cmath>

#include "core/package.h"

/* Window length when none is given. */
#define CORREL_DEFAULT_N 4096

/*
 * readFloats --
 *	The list's elements as 32-bit floats in a new block (gmemFree).
 * Returns: TCL_OK, or TCL_ERROR with Tcl's message.
 */
static int readFloats(Tcl_Interp *interp, const char *list, float **values, int *count)
{
    int n = 0;
    const char **elements = NULL;
    if (Tcl_SplitList(interp, list, &n, &elements) != TCL_OK) {
        return TCL_ERROR;
    }
    float *out = (float *)gmemAlloc((size_t)(n > 0 ? n : 1) * sizeof(float));
    if (out == NULL) {
        Tcl_Free((char *)elements);
        Tcl_SetResult(interp, (char *)"Error in malloc.", TCL_STATIC);
        return TCL_ERROR;
    }
    for (int k = 0; k < n; k++) {
        double value;
        if (Tcl_GetDouble(interp, elements[k], &value) != TCL_OK) {
            Tcl_Free((char *)elements);
            gmemFree(out);
            return TCL_ERROR;
        }
        out[k] = (float)value;
    }
    Tcl_Free((char *)elements);
    *values = out;
    *count = n;
    return TCL_OK;
}

/*
 * pearsonSquared --
 *	r^2 of n pairs (a[k], b[k]) in 32-bit arithmetic.
 * Returns: 1 and *r2, or 0 when either series is constant.
 */
static int pearsonSquared(const float *a, const float *b, int n, float *r2)
{
    float sa = 0.0f, sb = 0.0f, sab = 0.0f, saa = 0.0f, sbb = 0.0f;
    for (int k = 0; k < n; k++) {
        sa += a[k];
        sb += b[k];
        sab += a[k] * b[k];
        saa += a[k] * a[k];
        sbb += b[k] * b[k];
    }
    float count = (float)n;
    float ma = sa / count, mb = sb / count;
    float sxx = saa - count * ma * ma;
    float syy = sbb - count * mb * mb;
    if (!(sxx * syy > 0.0f)) {
        return 0;
    }
    float r = (sab - count * ma * mb) / sqrtf(sxx) / sqrtf(syy);
    *r2 = r * r;
    return 1;
}

/*
 * calcCorrel --
 *	calc correl list1 list2 ?start ?n??
 *	start shortens both series (a negative start counts as 0) without
 *	moving where the comparison begins; n bounds the window. The first n
 *	values of the shorter series meet every window of the longer one.
 * Returns: TCL_OK with "%.8f %d" (best r^2, its offset; the later of
 *	equal ones), empty when no window has variance, "Empty input lists."
 *	when no values remain; TCL_ERROR for the usage or a list that does not
 *	parse.
 */
CALC_HANDLER(calcCorrel)
{
    if (argc < 4 || argc > 6) {
        calcSetResult(interp, "Usage: %s %s list1 list2 start n", argv[0], argv[1]);
        return TCL_ERROR;
    }
    float *first = NULL, *second = NULL;
    int firstCount = 0, secondCount = 0;
    if (readFloats(interp, argv[2], &first, &firstCount) != TCL_OK) {
        return TCL_ERROR;
    }
    if (readFloats(interp, argv[3], &second, &secondCount) != TCL_OK) {
        gmemFree(first);
        return TCL_ERROR;
    }
    int start = argc > 4 ? ovexLenientInt(argv[4]) : 0;
    int n = argc > 5 ? ovexLenientInt(argv[5]) : CORREL_DEFAULT_N;
    if (start < 0) {
        start = 0;
    }
    int firstLength = firstCount - start, secondLength = secondCount - start;
    if (firstLength < n) {
        n = firstLength;
    }
    if (secondLength < n) {
        n = secondLength;
    }
    if (n <= 0) {
        gmemFree(first);
        gmemFree(second);
        Tcl_SetResult(interp, (char *)"Empty input lists.", TCL_STATIC);
        return TCL_OK;
    }

    const float *shorter = first, *longer = second;
    int shorterLength = firstLength, longerLength = secondLength;
    if (secondLength < firstLength) {
        shorter = second;
        longer = first;
        shorterLength = secondLength;
        longerLength = firstLength;
    }
    int bestOffset = -1;
    float bestR2 = 0.0f;
    for (int offset = 0; shorterLength + offset <= longerLength; offset++) {
        float r2;
        if (pearsonSquared(shorter, longer + offset, n, &r2) && (bestOffset < 0 || r2 >= bestR2)) {
            bestR2 = r2;
            bestOffset = offset;
        }
    }
    gmemFree(first);
    gmemFree(second);
    Tcl_ResetResult(interp);
    if (bestOffset >= 0) {
        calcSetResult(interp, "%.8f %d", bestR2, bestOffset);
    }
    return TCL_OK;
}
