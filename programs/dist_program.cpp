/*
 * dist_program.cpp --
 *
 *	rimage dist: turns a class image into a distance image. Every pixel
 *	gets its distance in pixels (0 .. 255) to the nearest pixel whose
 *	class is in a given set, optionally with a random dither. Two scans,
 *	top-down and bottom-up, keep per column the rows since the last pixel
 *	of the set and combine them along each row.
 */
#include "programs/dist_program.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/rounding.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/option_checks.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"
#include "ramimage/memory_layout.h"
#include "ramimage/kit/output_checks.h"

static const ProgOption distOptions[] = {
    {"-in", NULL}, {"-out", NULL}, {"-b", NULL}, {"-c", NULL}, {"-blur", NULL},
    {NULL, NULL}
};

static const char *const distUsage[] = {
    "Usage: %s -in IN -out OUT -b BAND -c CLASS -blur BLUR\n",
    "    where\n",
    "    IN         the input file.\n",
    "    OUT        the output file.\n",
    "    BAND       the band number.\n",
    "    CLASS      the class number(s) n1,n2,....\n",
    "    BLUR       the gain of bluring.\n",
    NULL
};

/* Classes are byte values. */
static const int CLASS_VALUES = 256;

/* Distances are stored as bytes. */
static const int MAX_DISTANCE = 255;

/* The dither draws from 0 .. DITHER_RANGE, as a 15-bit rand() would. */
static const int DITHER_RANGE = 32767;

/* The state of one dist call. */
struct DistRun {
    RAMIMG *in;
    RAMIMG *out;
    int band;                           /* 0-based */
    float blur;
    unsigned char classes[CLASS_VALUES];   /* 1 for a class of the set */
};

static void releaseRun(DistRun *run)
{
    progReleaseImage(run->in);
    progReleaseImage(run->out);
    run->in = run->out = NULL;
}

/*
 * createOutput --
 *	A one-band BYTE DIB shaped like the input whose palette fades from
 *	the brightest red (distance 1) to black; an existing file is kept.
 * Returns: the image, or NULL with *err.
 */
static RAMIMG *createOutput(const RAMIMG *in, const char *word, int *err)
{
    ImageHead head = in->head;
    if (strlen(word) >= RAMIMG_NAME_SIZE) {
        *err = RAMIMG_ENAME;
        return NULL;
    }
    strncpy(head.file, word, RAMIMG_NAME_SIZE - 1);
    head.file[RAMIMG_NAME_SIZE - 1] = '\0';
    head.imgid = IMGID_DIB;
    head.pixel = PIXEL_BYTE;
    head.bits = bitsPerPixel(PIXEL_BYTE);
    head.nbands = 1;
    head.nindices = CLASS_VALUES;
    head.dataFd = -1;
    head.frames = 0;
    head.encoding = 0;
    for (int i = 0; i < CLASS_VALUES; i++) {
        head.palette[i][0] = (unsigned char)((CLASS_VALUES - i) % CLASS_VALUES);
        head.palette[i][1] = 0;
        head.palette[i][2] = 0;
    }
    /* The input's block may be a JPEG quality or another layout's. */
    int64_t least = leastRowLength(&head);
    if (least < 1 || least > INT32_MAX) {
        *err = RAMIMG_EUNHANDLED;
        return NULL;
    }
    head.block = (int32_t)least;
    return progCreateImage(&head, 0, err);
}

/*
 * parseClasses --
 *	Each word of text (split at commas and blanks), a number a or a range
 *	a-b inside 0 .. 255, joins the class set.
 * Returns: 1, or 0 after the message.
 */
static int parseClasses(const char *text, unsigned char *classes)
{
    const char *p = text;
    for (;;) {
        while (*p == ',' || *p == ' ' || *p == '\t' || *p == '\n' || *p == '\r') {
            p++;
        }
        if (*p == '\0') {
            return 1;
        }
        char *end = NULL;
        long a = strtol(p, &end, 10);
        long b = a;
        int parsed = end != p;
        if (parsed && *end == '-') {
            const char *second = end + 1;
            b = strtol(second, &end, 10);
            parsed = end != second;
        }
        /* Trailing characters would otherwise name a class silently. */
        if (parsed && !(*end == '\0' || *end == ',' || *end == ' ' || *end == '\t'
                        || *end == '\n' || *end == '\r')) {
            parsed = 0;
        }
        if (!parsed) {
            ovex_fprintf(stderr, "Error in parsing class definition.\n");
            return 0;
        }
        if (a < 0 || b < a || b >= CLASS_VALUES) {
            ovex_fprintf(stderr, "Illigal class definition.\n");
            return 0;
        }
        for (long k = a; k <= b; k++) {
            classes[k] = 1;
        }
        p = end;
    }
}

/*
 *----------------------------------------------------------------------
 *
 * distParseArgs --
 *
 *	Reads the options, opens (or creates) the images and builds the
 *	class set.
 *
 * Results:
 *	1, or 0 after the message; then nothing is held and the text of the
 *	last failed image open (if any) has been printed.
 *
 * Side effects:
 *	May create the output image.
 *
 *----------------------------------------------------------------------
 */
static int distParseArgs(DistRun *run, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, distOptions, argc, argv, stderr)) {
        return 0;
    }
    double blur;
    if (!progCheckedReal(&options, "-blur", 0.0, PROG_REAL_FINITE, &blur)) {
        return 0;
    }
    int err = RAMIMG_OK;
    const char *inWord = progOptionValue(&options, "-in");
    const char *outWord = progOptionValue(&options, "-out");
    const char *classWord = progOptionValue(&options, "-c");
    if (inWord == NULL) {
        ovex_fprintf(stderr, "Input image file missing!\n");
        goto failed;
    }
    run->in = progOpenImage(inWord, &err);
    if (run->in == NULL) {
        ovex_fprintf(stderr, "Error in DIST - open:%s\n", inWord);
        goto failed;
    }
    run->band = progIntOption(&options, "-b", 1) - 1;
    if (run->band < 0 || run->band >= run->in->head.nbands) {
        ovex_fprintf(stderr, "band is out of range (1 to %d).\n", run->in->head.nbands);
        goto failed;
    }
    if (outWord == NULL) {
        ovex_fprintf(stderr, "Missing output image file!\n");
        goto failed;
    }
    if (strcmp(outWord, inWord) == 0) {
        ovex_fprintf(stderr, "Illegal output file.\n");
        goto failed;
    }
    run->out = progOpenImage(outWord, &err);
    if (run->out == NULL) {
        run->out = createOutput(run->in, outWord, &err);
        if (run->out == NULL) {
            ovex_fprintf(stderr, "Error in DIST - open: %s\n", outWord);
            goto failed;
        }
    }
    /* The input named another way (tag and file) would be overwritten
     * while it is still being read. */
    if (progSameImage(run->out, run->in)) {
        ovex_fprintf(stderr, "Illegal output file.\n");
        goto failed;
    }
    if (classWord == NULL) {
        ovex_fprintf(stderr, "Missing class number!");
        goto failed;
    }
    memset(run->classes, 0, sizeof(run->classes));
    if (!parseClasses(classWord, run->classes)) {
        goto failed;
    }
    run->blur = (float)blur;
    return 1;

failed:
    releaseRun(run);
    printRamImageError(err);
    return 0;
}

/*
 * updateRuns --
 *	Each column's rows since the last pixel of the class set: 0 on one,
 *	one more elsewhere.
 */
static void updateRuns(const DistRun *run, const unsigned char *row, unsigned *runs,
                       int columns)
{
    for (int c = 0; c < columns; c++) {
        if (run->classes[row[c]]) {
            runs[c] = 0;
        } else if (runs[c] < UINT32_MAX) {
            runs[c]++;
        }
    }
}

/*
 * searchSide --
 *	best lowered by the columns c + step, c + 2 step ... (step 1 or -1),
 *	dx squared plus their run squared, until dx alone reaches best.
 */
static int64_t searchSide(const unsigned *runs, int columns, int c, int step, int64_t best)
{
    for (int c2 = c + step; c2 >= 0 && c2 < columns; c2 += step) {
        int64_t dx = c2 - c;
        if (best <= dx * dx) {
            break;
        }
        int64_t candidate = dx * dx + (int64_t)runs[c2] * runs[c2];
        if (candidate < best) {
            best = candidate;
        }
    }
    return best;
}

/*
 * rowPass --
 *	Combines each column's vertical run and its earlier distance with the
 *	runs of the columns beside it; the result, dithered by up to blur,
 *	rounded and clamped, replaces the distance in place. Only the last
 *	scan dithers, so no value is dithered twice.
 */
static void rowPass(const DistRun *run, const unsigned *runs, unsigned char *row, int columns,
                    float blur)
{
    for (int c = 0; c < columns; c++) {
        int64_t nearest = runs[c] < row[c] ? (int64_t)runs[c] : (int64_t)row[c];
        int64_t best = searchSide(runs, columns, c, 1, nearest * nearest);
        best = searchSide(runs, columns, c, -1, best);
        double dither = 0.0;
        if (blur != 0.0f) {
            dither = (double)(rand() % (DITHER_RANGE + 1)) * blur / DITHER_RANGE;
        }
        int value = roundToInt(std::sqrt((double)best) + dither);
        row[c] = (unsigned char)(value < 0 ? 0 : (value > MAX_DISTANCE ? MAX_DISTANCE : value));
    }
}

/*
 *----------------------------------------------------------------------
 *
 * distTransform --
 *
 *	The two scans over the whole input: top-down from a row of 255s,
 *	then bottom-up over the rows the first scan wrote. A column's run
 *	starts at the row count, or at 255 when that is less.
 *
 * Results:
 *	1, or 0 after "Error in malloc.\n".
 *
 * Side effects:
 *	Band 1 of the output at the input's rows and columns; resets its
 *	first band's statistics and tells its clients of the new data.
 *
 *----------------------------------------------------------------------
 */
static int distTransform(DistRun *run)
{
    int rows = run->in->head.rows;
    int columns = run->in->head.columns;
    size_t width = (size_t)(columns > 0 ? columns : 1);
    unsigned char *inRow = (unsigned char *)gmemAlloc(width);
    unsigned char *outRow = (unsigned char *)gmemAlloc(width);
    unsigned *runs = (unsigned *)gmemAlloc(width * sizeof(unsigned));
    if (inRow == NULL || outRow == NULL || runs == NULL) {
        ovex_fprintf(stderr, "Error in malloc.\n");
        gmemFree(inRow);
        gmemFree(outRow);
        gmemFree(runs);
        return 0;
    }
    /* A column without a pixel of the set must not look nearer than the
     * largest distance stored, also in images of few rows. */
    unsigned start = rows > MAX_DISTANCE ? (unsigned)rows : (unsigned)MAX_DISTANCE;
    int64_t total = 2 * (int64_t)rows;
    ProgMeter meter;
    progMeterStart(&meter, "dist");
    meter.next = 0.05f;

    for (int c = 0; c < columns; c++) {
        runs[c] = start;
    }
    for (int r = 0; r < rows; r++) {
        getRowByte(run->in, r, 0, columns, run->band, inRow);
        updateRuns(run, inRow, runs, columns);
        memset(outRow, MAX_DISTANCE, width);
        rowPass(run, runs, outRow, columns, 0.0f);
        putRowByte(run->out, r, 0, columns, 0, outRow);
        progMeterStep(&meter, (int64_t)r + 1, total);
    }
    for (int c = 0; c < columns; c++) {
        runs[c] = start;
    }
    for (int r = rows - 1; r >= 0; r--) {
        getRowByte(run->in, r, 0, columns, run->band, inRow);
        updateRuns(run, inRow, runs, columns);
        getRowByte(run->out, r, 0, columns, 0, outRow);
        rowPass(run, runs, outRow, columns, run->blur);
        putRowByte(run->out, r, 0, columns, 0, outRow);
        progMeterStep(&meter, (int64_t)rows + (rows - r), total);
    }
    progMeterEnd(&meter);
    gmemFree(inRow);
    gmemFree(outRow);
    gmemFree(runs);

    if (run->out->stats != NULL) {
        resetBandStats(&run->out->stats[0]);
    }
    updateClient(run->out, 0, RAMIMG_NOTIFY_DATA);
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageDist --
 *
 *	The program of rimage dist.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when the distances are
 *	written; else PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	Writes band 1 of the output; may create the output.
 *
 *----------------------------------------------------------------------
 */
int rimageDist(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, distUsage);
    }
    DistRun run;
    memset(&run, 0, sizeof(run));
    if (!distParseArgs(&run, argc, argv)) {
        return PROGRAM_FAILED;
    }
    int ok = distTransform(&run);
    releaseRun(&run);
    meterReset();
    return ok ? PROGRAM_DONE : PROGRAM_FAILED;
}
