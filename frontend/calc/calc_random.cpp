/*
 * calc_random.cpp --
 *
 *	calc subcommands over the library's random generator (lcg_random.h):
 *	rand, rrand, srand and scramble.
 */
#include "frontend/calc/calc_handlers.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "core/lcg_random.h"
#include "core/package.h"
#include "core/rounding.h"

/*
 * calcRand --
 *	calc rand ?seed|max?
 * Returns: TCL_OK with the next value (after seeding with seed), or with
 *	the largest value for "max"; TCL_ERROR with the usage for more words.
 */
CALC_HANDLER(calcRand)
{
    if (argc > 3) {
        calcSetResult(interp, "Usage: %s %s [seed|max]", argv[0], argv[1]);
        return TCL_ERROR;
    }
    if (argc == 3) {
        if (strcmp(argv[2], "max") == 0) {
            calcSetResult(interp, "%d", OVEX_RAND_MAX);
            return TCL_OK;
        }
        ovexSrand((unsigned int)ovexLenientInt(argv[2]));
    }
    calcSetResult(interp, "%d", ovexRand());
    return TCL_OK;
}

/*
 * calcRrand --
 *	calc rrand ?density?
 * Returns: TCL_OK with "%.8f" of the mean of density values scaled to
 *	0..1; TCL_ERROR for a density below 1 or more words.
 */
CALC_HANDLER(calcRrand)
{
    if (argc > 3) {
        calcSetResult(interp, "Usage: %s %s [density]", argv[0], argv[1]);
        return TCL_ERROR;
    }
    int density = argc == 3 ? ovexLenientInt(argv[2]) : 1;
    if (density < 1) {
        Tcl_SetResult(interp, (char *)"density must be an integer.", TCL_STATIC);
        return TCL_ERROR;
    }
    double sum = 0.0;
    for (int k = 0; k < density; k++) {
        sum += ovexRand();
    }
    calcSetResult(interp, "%.8f", sum / density / OVEX_RAND_MAX);
    return TCL_OK;
}

/*
 * calcSrand --
 *	calc srand ?seed?
 * Changes: restarts the generator from seed, or from the current time
 *	in seconds for any other word count.
 */
CALC_HANDLER(calcSrand)
{
    if (argc == 3) {
        ovexSrand((unsigned int)ovexLenientInt(argv[2]));
    } else {
        ovexSrand((unsigned int)time(NULL));
    }
    return TCL_OK;
}

/*
 * shuffleIndices --
 *	Fills order with 0..n-1 and swaps each place with one drawn from the
 *	generator. The draw reaches at most place 255: the shuffle is the
 *	one scripts have always seen, not a uniform one.
 */
static void shuffleIndices(int *order, int n)
{
    for (int i = 0; i < n; i++) {
        order[i] = i;
    }
    /* 32-bit float like the draws; one element divides by zero into infinity. */
    float step = 32767.0f / (float)(n - 1);
    for (int i = 0; i < n; i++) {
        int j = roundToInt((double)((float)ovexRand() / step)) & 255;
        if (j >= n) {
            j = n - 1;
        }
        int kept = order[i];
        order[i] = order[j];
        order[j] = kept;
    }
}

/*
 * calcScramble --
 *	calc scramble n|list
 * Returns: TCL_OK with the numbers 0..n-1 (one element) or the list's
 *	elements (several) in shuffled order, joined by blanks; TCL_ERROR
 *	for a list that does not parse (Tcl's message), or with the fault in
 *	errorInfo for n below 1 or no memory.
 */
CALC_HANDLER(calcScramble)
{
    if (argc != 3) {
        ovex_fprintf(stdout, "Usage %s %s n|list\n", argv[0], argv[1]);
        return TCL_ERROR;
    }
    int count = 0;
    const char **elements = NULL;
    if (Tcl_SplitList(interp, argv[2], &count, &elements) != TCL_OK) {
        return TCL_ERROR;
    }
    int n = count == 1 ? ovexLenientInt(elements[0]) : count;
    if (n < 1) {
        Tcl_Free((char *)elements);
        ovexAddErrorInfo(interp, "Invalid scramble param.\n");
        return TCL_ERROR;
    }
    int *order = (int *)gmemAlloc((size_t)n * sizeof(int));
    if (order == NULL) {
        Tcl_Free((char *)elements);
        ovexAddErrorInfo(interp, "Error in malloc.\n");
        return TCL_ERROR;
    }
    shuffleIndices(order, n);

    Tcl_DString joined;
    Tcl_DStringInit(&joined);
    for (int i = 0; i < n; i++) {
        if (i > 0) {
            Tcl_DStringAppend(&joined, " ", 1);
        }
        if (count == 1) {
            char number[16];
            snprintf(number, sizeof number, "%d", order[i]);
            Tcl_DStringAppend(&joined, number, -1);
        } else {
            Tcl_DStringAppend(&joined, elements[order[i]], -1);
        }
    }
    gmemFree(order);
    Tcl_Free((char *)elements);
    Tcl_DStringResult(interp, &joined);
    return TCL_OK;
}
