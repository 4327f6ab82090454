/*
 * section_program.cpp --
 *
 *	rimage section: moves pixel values between a straight section (the
 *	line between two points) of one image and a row, a column or the
 *	bands of one pixel of another. ISECT samples the input's section and
 *	writes the samples along the output's row or column or into the
 *	bands of its pixel (a profile becomes a spectrum); OSECT reads the
 *	input's row, column or pixel bands and draws them along the output's
 *	section.
 */
#include "programs/section_program.h"

#include <limits.h>
#include <stdint.h>
#include <string.h>

#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "ramimage/band_stats.h"
#include "ramimage/kit/number_text.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"
#include "ramimage/kit/output_checks.h"

/* The operations. */
enum {
    SECTION_IN = 1,     /* ISECT: section of the input into the target */
    SECTION_OUT = 2     /* OSECT: the target's values along the output's section */
};

/* Kinds of target. */
enum {
    TARGET_ROW,
    TARGET_COL,
    TARGET_PIX
};

/* The state of one section call. */
struct SectionRun {
    RAMIMG *in;
    RAMIMG *out;
    float section[4];               /* x0, y0, x1, y1 */
    int method;                     /* SAMPLE_NEAREST or SAMPLE_BILINEAR */
    int target;
    int32_t sc, sr, np;
    int op;
    int nPairs;
    int pixelBands;                 /* output bands a pixel target receives */
    int inBands[MAX_BAND_PAIRS];    /* 0-based */
    int outBands[MAX_BAND_PAIRS];
};

static const ProgOption sectionOptions[] = {
    {"-in", NULL}, {"-out", NULL}, {"-b", NULL}, {"-op", NULL}, {"-sect", NULL},
    {"-row", NULL}, {"-col", NULL}, {"-pix", NULL}, {"-rs", NULL}, {NULL, NULL}
};

static const char *const sectionUsage[] = {
    "Usage: %s -in IN -out OUT -b B -op OP -sect SECT -row ROW|-col COL|-pix PIX -rs RSP\n",
    "where  IN     input image.\n",
    "       OUT    output image.\n",
    "       OP     option: ISECT or OSECT (def: ISECT).\n",
    "       B      band definition.\n",
    "       SECT   section specification: x0,y0,x1,y1.\n",
    "       ROW    row specification: sc,sr,np, or\n",
    "       COL    col specification: sc,sr,np, or\n",
    "       PIX    pixel specification: sc,sr,np.\n",
    "       RSP    option resampling: BI or NN (def: NN).\n",
    NULL
};

/* The target options in the order in which they win. */
static const struct {
    const char *option;
    int kind;
    const char *invalid;
} targetOptions[] = {
    {"-row", TARGET_ROW, "Invalid row specification.\n"},
    {"-col", TARGET_COL, "Invalid col specification.\n"},
    {"-pix", TARGET_PIX, "Invalid pix specification.\n"},
};

static void releaseSectionImages(SectionRun *run)
{
    progReleaseImage(run->in);
    progReleaseImage(run->out);
    run->in = run->out = NULL;
}

/*
 * sectionWithinReach --
 *	Whether every end of the section is finite and within 2^30 pixels
 *	of the origin: no image reaches further, and the samplers step past
 *	a point to its next pixel, which must stay an int.
 */
static int sectionWithinReach(const float *section)
{
    const float reach = 1073741824.0f;
    for (int k = 0; k < 4; k++) {
        if (!(section[k] >= -reach && section[k] <= reach)) {
            return 0;
        }
    }
    return 1;
}

/*
 * parseTarget --
 *	The first of -row, -col and -pix given, as sc,sr,np. A count below 1
 *	would size the transfer's buffer negative.
 * Returns: 1, or 0 after the message of the option, or after
 *	"Row, col or pix specification missing.\n" when none is given.
 */
static int parseTarget(SectionRun *run, const ProgOptions *options)
{
    for (const auto &target : targetOptions) {
        const char *text = progOptionValue(options, target.option);
        if (text == NULL) {
            continue;
        }
        int32_t values[3];
        if (passLongs(text, values, 3) != 3 || values[2] < 1) {
            ovex_fprintf(stderr, "%s", target.invalid);
            return 0;
        }
        run->target = target.kind;
        run->sc = values[0];
        run->sr = values[1];
        run->np = values[2];
        return 1;
    }
    ovex_fprintf(stderr, "Row, col or pix specification missing.\n");
    return 0;
}

/*
 * parseBands --
 *	The band pairs of -b. The band parser is silent about a band beyond
 *	an image's count, so the pairs are read first without limits and
 *	then held against the images.
 * Returns: 1, or 0 after "Error in band params.\n" (printed by the
 *	parser for a malformed group).
 */
static int parseBands(SectionRun *run, const char *spec)
{
    int nIn = run->in->head.nbands;
    int nOut = run->out->head.nbands;
    if (spec == NULL) {
        run->nPairs = parseBandParams(nIn, nOut, run->inBands, run->outBands, NULL);
        return run->nPairs > 0;
    }
    run->nPairs = parseBandParams(INT_MAX, INT_MAX, run->inBands, run->outBands, spec);
    for (int k = 0; k < run->nPairs; k++) {
        if (run->inBands[k] >= nIn || run->outBands[k] >= nOut) {
            ovex_fprintf(stderr, "Error in band params.\n");
            return 0;
        }
    }
    return run->nPairs > 0;
}

/*
 * pixelBands --
 *	A pixel target stands for np bands from the first input band f of
 *	the pairs, cut to the bands the input has: the input list becomes
 *	f, f + 1, ... and one pair is left. Its output bands are the first
 *	np entries of the output list, as many as the pairs gave.
 */
static void pixelBands(SectionRun *run)
{
    int first = run->inBands[0];
    int64_t limit = (int64_t)run->in->head.nbands - first;
    if (run->np > limit) {
        run->np = (int32_t)limit;
    }
    if (run->np > MAX_BAND_PAIRS) {
        run->np = MAX_BAND_PAIRS;
    }
    for (int k = 0; k < run->np; k++) {
        run->inBands[k] = first + k;
    }
    run->pixelBands = run->np < run->nPairs ? run->np : run->nPairs;
    run->nPairs = 1;
}

/*
 *----------------------------------------------------------------------
 *
 * sectionParseArgs --
 *
 *	Reads the options, opens both images and settles the band pairs.
 *
 * Results:
 *	1, or 0 after the message on standard error; then no image is held
 *	and the text of the last open error (if any) has been printed.
 *
 *----------------------------------------------------------------------
 */
static int sectionParseArgs(SectionRun *run, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, sectionOptions, argc, argv, stderr)) {
        return 0;
    }
    const char *value = progOptionValue(&options, "-op");
    if (value == NULL || strcmp(value, "ISECT") == 0) {
        run->op = SECTION_IN;
    } else if (strcmp(value, "OSECT") == 0) {
        run->op = SECTION_OUT;
    } else {
        ovex_fprintf(stderr, "Unknown option: %s\n", value);
        return 0;
    }
    value = progOptionValue(&options, "-rs");
    if (value == NULL || strcmp(value, "NN") == 0) {
        run->method = SAMPLE_NEAREST;
    } else if (strcmp(value, "BI") == 0) {
        run->method = SAMPLE_BILINEAR;
    } else {
        ovex_fprintf(stderr, "Invalid resampling option.\n");
        return 0;
    }
    value = progOptionValue(&options, "-sect");
    if (value == NULL) {
        ovex_fprintf(stderr, "Section specification missing.\n");
        return 0;
    }
    if (passFloats(value, run->section, 4) != 4 || !sectionWithinReach(run->section)) {
        ovex_fprintf(stderr, "Invalid section specification.\n");
        return 0;
    }
    if (!parseTarget(run, &options)) {
        return 0;
    }

    int err = RAMIMG_OK;
    const char *inWord = progOptionValue(&options, "-in");
    if (inWord == NULL) {
        ovex_fprintf(stderr, "Input image missing.\n");
        return 0;
    }
    run->in = progOpenImage(inWord, &err);
    if (run->in == NULL) {
        ovex_fprintf(stderr, "Error in open: %s\n", inWord);
        printRamImageError(err);
        return 0;
    }
    const char *outWord = progOptionValue(&options, "-out");
    if (outWord == NULL) {
        ovex_fprintf(stderr, "Output image missing.\n");
        releaseSectionImages(run);
        return 0;
    }
    run->out = progOpenImage(outWord, &err);
    if (run->out == NULL) {
        ovex_fprintf(stderr, "Error in open: %s\n", outWord);
        releaseSectionImages(run);
        printRamImageError(err);
        return 0;
    }
    if (progOutputIsInput(run->in, run->out, outWord)) {
        releaseSectionImages(run);
        return 0;
    }
    if (!parseBands(run, progOptionValue(&options, "-b"))) {
        releaseSectionImages(run);
        return 0;
    }
    if (run->target == TARGET_PIX) {
        pixelBands(run);
    }
    return 1;
}

/* ISECT: the samples of the input's section written into the target. */
static void sectionIntoTarget(SectionRun *run, float *values)
{
    const float *s = run->section;
    int nb = run->nPairs;
    sampleLineFloat(run->in, s[0], s[1], s[2], s[3], nb, run->inBands, values, run->np,
                    run->method);
    switch (run->target) {
    case TARGET_ROW:
        writeFloatBIPData(run->out, run->sr, run->sc, run->np, nb, run->outBands, values);
        break;
    case TARGET_COL:
        for (int k = 0; k < run->np && (int64_t)run->sr + k <= INT32_MAX; k++) {
            writeFloatBIPData(run->out, run->sr + k, run->sc, 1, nb, run->outBands,
                              values + (size_t)k * nb);
        }
        break;
    default:
        writeFloatBIPData(run->out, run->sr, run->sc, 1, run->pixelBands, run->outBands, values);
        break;
    }
}

/* OSECT: the target's values of the input drawn along the output's section. */
static void sectionFromTarget(SectionRun *run, float *values)
{
    int nb = run->nPairs;
    switch (run->target) {
    case TARGET_ROW:
        getRowsFloatBands(run->in, run->sr, run->sc, run->np, 1, nb, run->inBands, values);
        break;
    case TARGET_COL:
        for (int k = 0; k < run->np && (int64_t)run->sr + k <= INT32_MAX; k++) {
            getPixelBandsFloat(run->in, run->sc, run->sr + k, nb, run->inBands,
                               values + (size_t)k * nb);
        }
        break;
    default:
        getPixelBandsFloat(run->in, run->sc, run->sr, run->np, run->inBands, values);
        break;
    }
    const float *s = run->section;
    putLineFloat(run->out, s[0], s[1], s[2], s[3], nb, run->outBands, values, run->np,
                 run->method);
}

/* The band statistics of the output bands written start again. */
static void resetWrittenStats(SectionRun *run)
{
    if (run->out->stats == NULL) {
        return;
    }
    int written = (run->op == SECTION_IN && run->target == TARGET_PIX) ? run->pixelBands
                                                                        : run->nPairs;
    for (int k = 0; k < written; k++) {
        int band = run->outBands[k];
        if (band >= 0 && band < run->out->head.nbands) {
            resetBandStats(&run->out->stats[band]);
        }
    }
}

/*
 *----------------------------------------------------------------------
 *
 * sectRimg --
 *
 *	The transfer between the section and the target.
 *
 * Results:
 *	1, or 0 after "Error: gmemAlloc in sectRimg.\n".
 *
 * Side effects:
 *	Writes the output's rows (left in its row cache; its clients are not
 *	told); resets the statistics of the bands written; releases both
 *	images.
 *
 *----------------------------------------------------------------------
 */
static int sectRimg(SectionRun *run)
{
    size_t count = (size_t)run->np * (size_t)run->nPairs + 1;
    float *values = count <= SIZE_MAX / sizeof(float)
        ? (float *)gmemAlloc(count * sizeof(float)) : NULL;
    if (values == NULL) {
        ovex_fprintf(stderr, "Error: gmemAlloc in sectRimg.\n");
        releaseSectionImages(run);
        return 0;
    }
    memset(values, 0, count * sizeof(float));
    if (run->op == SECTION_IN) {
        sectionIntoTarget(run, values);
    } else {
        sectionFromTarget(run, values);
    }
    gmemFree(values);
    resetWrittenStats(run);
    releaseSectionImages(run);
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageSection --
 *
 *	The program of rimage section.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when the values moved;
 *	else PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	See sectRimg.
 *
 *----------------------------------------------------------------------
 */
int rimageSection(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, sectionUsage);
    }
    /* Two band lists of 8192 pairs: kept off the stack. */
    SectionRun *run = (SectionRun *)gmemAlloc(sizeof(SectionRun));
    if (run == NULL) {
        ovex_fprintf(stderr, "Error: gmemAlloc in sectRimg.\n");
        return PROGRAM_FAILED;
    }
    memset(run, 0, sizeof(*run));
    int status = PROGRAM_FAILED;
    if (sectionParseArgs(run, argc, argv) && sectRimg(run)) {
        status = PROGRAM_DONE;
    }
    gmemFree(run);
    return status;
}
