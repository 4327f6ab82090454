/*
 * calc_text.cpp --
 *
 *	calc subcommands over texts: bands (a band specification read the
 *	way the programs read it) and chars (the byte codes of a text).
 */
#include "frontend/calc/calc_handlers.h"

#include <cstdio>
#include <cstring>

#include "core/package.h"
#include "ramimage/kit/program_support.h"

/* Band limits of the check: the most any image may have. */
#define CALC_BAND_LIMIT 8192

/* The pair lists are large and calc runs one command at a time. */
static int inBands[MAX_BAND_PAIRS];
static int outBands[MAX_BAND_PAIRS];

/*
 * calcBands --
 *	calc bands spec
 * Returns: TCL_OK; TCL_ERROR with the usage when spec is missing.
 * Changes: writes "in out" (0-based) per pair, or the parse error, to
 *	standard output.
 */
CALC_HANDLER(calcBands)
{
    if (argc < 3) {
        calcSetResult(interp, "Usage: %s %s bandSpec", argv[0], argv[1]);
        return TCL_ERROR;
    }
    int pairs = parseBandParams(CALC_BAND_LIMIT, CALC_BAND_LIMIT, inBands, outBands, argv[2]);
    if (pairs <= 0) {
        ovex_fprintf(stdout, "Error in parse bands: %s\n", argv[2]);
        return TCL_OK;
    }
    for (int k = 0; k < pairs; k++) {
        ovex_fprintf(stdout, "%d %d\n", inBands[k], outBands[k]);
    }
    return TCL_OK;
}

/*
 * calcChars --
 *	calc chars text ?offset?
 * Returns: TCL_OK with "code " for every byte of text (0..255 plus
 *	offset), or with the usage for other counts.
 */
CALC_HANDLER(calcChars)
{
    if (argc != 3 && argc != 4) {
        Tcl_SetResult(interp, (char *)"Usage: calc chars characters [offset]\n", TCL_STATIC);
        return TCL_OK;
    }
    long long offset = argc == 4 ? ovexLenientInt(argv[3]) : 0;
    Tcl_DString codes;
    Tcl_DStringInit(&codes);
    for (const unsigned char *p = (const unsigned char *)argv[2]; *p != '\0'; p++) {
        char code[32];
        snprintf(code, sizeof code, "%lld ", (long long)*p + offset);
        Tcl_DStringAppend(&codes, code, -1);
    }
    Tcl_DStringResult(interp, &codes);
    return TCL_OK;
}
