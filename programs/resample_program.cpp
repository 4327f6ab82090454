/*
 * resample_program.cpp --
 *
 *	rimage resample: every pixel of an existing output image is mapped
 *	through the two images' georeferences to a position in the input
 *	(same map projection) and takes the nearest input pixel (NN), a
 *	bilinear blend of four (BI), or the area-weighted sum of the input
 *	pixels its footprint covers (AVG). Map x grows with the column, map
 *	y falls with the row; x0, y0 are the map coordinates of pixel (0, 0).
 *	A colour-indexed image is read through its palette, bands 1 to 3
 *	being its red, green and blue.
 */
#include "programs/resample_program.h"

#include <algorithm>
#include <string.h>
#include <strings.h>

#include "core/package.h"
#include "core/rounding.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"
#include "ramimage/kit/output_checks.h"
#include "ramimage/kit/sample_width.h"

/* Methods, by their codes. */
enum {
    RESAMPLE_NN = 1,
    RESAMPLE_BI = 2,
    RESAMPLE_AVG = 3
};

static const char *const methodNames[] = {NULL, "NN", "BI", "AVG"};

/* Bands of a colour-indexed image as the band list sees them. */
static const int PALETTE_CHANNELS = 3;

/* The band read for the colour index itself. */
static const int INDEX_BAND = -1;

static const char *const METER_LABEL = "Rimage resample";

static const ProgOption resampleOptions[] = {
    {"-in", NULL}, {"-out", NULL}, {"-b", NULL}, {"-rsp", NULL}, {"-u", NULL}, {NULL, NULL}
};

static const char *const resampleUsage[] = {
    "Usage: %s -in IN -out OUT -b B -rsp RSP\n",
    "where IN    input image\n",
    "      OUT   output image\n",
    "      B     band selection: i1[[:o1];i2[:o2];...]\n",
    "      RSP   resampling method: NN, BI, AVG\n",
    NULL
};

/* The state of one resample call. */
struct ResampleRun {
    RAMIMG *in;
    RAMIMG *out;
    int method;
    int update;
    int nPairs;
    int inBands[MAX_BAND_PAIRS];    /* 0-based; INDEX_BAND the colour index */
    int outBands[MAX_BAND_PAIRS];
    float *values;                  /* one output pixel: nPairs values */
    float *samples;                 /* input pixels read: 4 x nPairs */
    /* Nearest neighbour a row at a time: */
    int *columnOf;                  /* input column of each output column, -1 none */
    float *inputRow;                /* one input row of one band */
    float *outputRow;               /* one output row of one band */
    int wide;                       /* 32-bit integers: the rows are doubles */
};

/* Computes the values of output pixel (column j, row i). */
typedef void (PixelSampler)(ResampleRun *run, int j, int i);

static void releaseRunImages(ResampleRun *run)
{
    progReleaseImage(run->in);
    progReleaseImage(run->out);
    run->in = run->out = NULL;
}

static int isIndexed(const RAMIMG *image)
{
    return image->head.nindices >= 1;
}

/* The highest band number (1-based) the band list may name. */
static int bandLimit(const RAMIMG *image)
{
    return isIndexed(image) ? PALETTE_CHANNELS : image->head.nbands;
}

/* The method named by word (any case), 0 for none. */
static int methodOf(const char *word)
{
    for (int k = RESAMPLE_NN; k <= RESAMPLE_AVG; k++) {
        if (strcasecmp(methodNames[k], word) == 0) {
            return k;
        }
    }
    return 0;
}

static int isGroupSeparator(char c)
{
    return c == ';' || c == ',' || c == ' ' || c == '\t' || c == '\n';
}

/*
 * splitBandGroups --
 *	The -b text cut at ";", "," and blanks into groups of in[:out],
 *	each adding its pairs (1-based still) while the lists have room. A
 *	text without any group selects nothing and is refused too.
 * Returns: 1, or 0 after "Invalid band specification.\n" (or the memory
 *	message).
 */
static int splitBandGroups(ResampleRun *run, const char *spec)
{
    size_t length = strlen(spec);
    char *text = (char *)gmemAlloc(length + 1);
    if (text == NULL) {
        ovex_fprintf(stderr, "Error in memory allocation.\n");
        return 0;
    }
    memcpy(text, spec, length + 1);
    int ok = 1;
    char *p = text;
    while (run->nPairs < MAX_BAND_PAIRS) {
        while (*p != '\0' && isGroupSeparator(*p)) {
            p++;
        }
        if (*p == '\0') {
            break;
        }
        char *group = p;
        while (*p != '\0' && !isGroupSeparator(*p)) {
            p++;
        }
        char *next = *p != '\0' ? p + 1 : p;
        *p = '\0';
        int added = parseBandGroup(run->inBands + run->nPairs, run->outBands + run->nPairs,
                                   MAX_BAND_PAIRS - run->nPairs, group);
        if (added <= 0) {
            ok = 0;
            break;
        }
        run->nPairs += added;
        p = next;
    }
    gmemFree(text);
    if (ok && run->nPairs == 0) {
        ok = 0;
    }
    if (!ok) {
        ovex_fprintf(stderr, "Invalid band specification.\n");
    }
    return ok;
}

/*
 * settleBandPairs --
 *	The pairs of -b, or without it: the three palette channels of an
 *	indexed input into a plain output, index to index between indexed
 *	images, else band k to band k as far as both reach. Between two
 *	indexed images the input's indices themselves are read, since its
 *	red channel is no index of the output's palette.
 * Returns: 1, or 0 after the message.
 * Changes: the run's band lists (0-based) and pair count.
 */
static int settleBandPairs(ResampleRun *run, const char *spec)
{
    int inLimit = bandLimit(run->in);
    int outLimit = bandLimit(run->out);
    int indexToIndex = isIndexed(run->in) && isIndexed(run->out);
    run->nPairs = 0;
    if (spec != NULL) {
        if (!splitBandGroups(run, spec)) {
            return 0;
        }
    } else {
        int n = indexToIndex ? 1 : std::min(inLimit, outLimit);
        n = std::min(std::max(n, 0), MAX_BAND_PAIRS);
        for (int k = 0; k < n; k++) {
            run->inBands[k] = run->outBands[k] = k + 1;
        }
        run->nPairs = n;
    }
    for (int k = 0; k < run->nPairs; k++) {
        if (run->inBands[k] < 1 || run->inBands[k] > inLimit || run->outBands[k] < 1
            || run->outBands[k] > outLimit) {
            ovex_fprintf(stderr, "Invalid band specification.\n");
            return 0;
        }
        run->inBands[k] = indexToIndex ? INDEX_BAND : run->inBands[k] - 1;
        run->outBands[k]--;
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * resampleParseArgs --
 *
 *	Reads the options, opens both images, checks that they can be
 *	resampled into each other and settles the band pairs.
 *
 * Results:
 *	1, or 0 after the message on standard error; then no image is held.
 *
 * Side effects:
 *	None on the images.
 *
 *----------------------------------------------------------------------
 */
static int resampleParseArgs(ResampleRun *run, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, resampleOptions, argc, argv, stderr)) {
        return 0;
    }
    const char *rsp = progOptionValue(&options, "-rsp");
    run->method = rsp != NULL ? methodOf(rsp) : RESAMPLE_AVG;
    if (run->method == 0) {
        ovex_fprintf(stderr, "Unknown resample method.\n");
        return 0;
    }
    const char *update = progOptionValue(&options, "-u");
    run->update = update != NULL ? ovexLenientInt(update) : 1;

    const char *inWord = progOptionValue(&options, "-in");
    const char *outWord = progOptionValue(&options, "-out");
    if (inWord == NULL) {
        ovex_fprintf(stderr, "Missing input file.\n");
        return 0;
    }
    if (outWord == NULL) {
        ovex_fprintf(stderr, "Missing output file.\n");
        return 0;
    }
    run->in = progOpenImage(inWord, NULL);
    if (run->in == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", inWord);
        return 0;
    }
    run->out = progOpenImage(outWord, NULL);
    if (run->out == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", outWord);
        goto failed;
    }
    if (progOutputIsInput(run->in, run->out, outWord)) {
        goto failed;
    }
    if (run->in->head.mapid != run->out->head.mapid) {
        ovex_fprintf(stderr, "Inconsistent mapID of input/output images");
        goto failed;
    }
    /* Blended indices would name other colours. */
    if (isIndexed(run->in) && isIndexed(run->out) && run->method != RESAMPLE_NN) {
        ovex_fprintf(stderr, "Output image should not be of color index image");
        goto failed;
    }
    if (!settleBandPairs(run, progOptionValue(&options, "-b"))) {
        goto failed;
    }
    return 1;

failed:
    releaseRunImages(run);
    return 0;
}

/* ---- Pixel samplers -------------------------------------------------------- */

double overlapFraction(double a0, double a1, double b0, double b1)
{
    double span = b1 - b0;
    double lo = std::max(a0, b0);
    double hi = std::min(a1, b1);
    if (!(span > 0.0) || !(hi > lo)) {
        return 0.0;
    }
    return (hi - lo) / span;
}

/* The input position (column u, row v) of output pixel (column j, row i). */
static void inputPosition(const ResampleRun *run, int j, int i, double *u, double *v)
{
    const ImageHead *in = &run->in->head;
    const ImageHead *out = &run->out->head;
    double x = out->x0 + j * out->dx;
    double y = out->y0 - i * out->dy;
    *u = (x - in->x0) / in->dx;
    *v = (in->y0 - y) / in->dy;
}

/*
 * farOutside --
 *	A position more than a pixel off the input (or none at all, NaN):
 *	every pixel around it reads as 0, and its integer neighbours could
 *	lie beyond the int range.
 */
static int farOutside(const ResampleRun *run, double u, double v)
{
    const ImageHead *in = &run->in->head;
    return !(u > -2.0 && u < in->columns + 1.0 && v > -2.0 && v < in->rows + 1.0);
}

static void clearValues(ResampleRun *run)
{
    std::fill(run->values, run->values + run->nPairs, 0.0f);
}

/* The input pixel nearest to the position, halves away from zero. */
static void sampleNearest(ResampleRun *run, int j, int i)
{
    double u, v;
    inputPosition(run, j, i, &u, &v);
    if (farOutside(run, u, v)) {
        clearValues(run);
        return;
    }
    getPixelBandsFloat(run->in, roundToInt(u), roundToInt(v), run->nPairs, run->inBands,
                       run->values);
}

/* The four input pixels from the position truncated toward zero,
 * blended in single precision. */
static void sampleBilinear(ResampleRun *run, int j, int i)
{
    double u, v;
    inputPosition(run, j, i, &u, &v);
    if (farOutside(run, u, v)) {
        clearValues(run);
        return;
    }
    int iu = clampToInt(u);
    int iv = clampToInt(v);
    float fu = (float)(u - iu);
    float fv = (float)(v - iv);
    int n = run->nPairs;
    float *p00 = run->samples;
    float *p10 = p00 + n;
    float *p01 = p10 + n;
    float *p11 = p01 + n;
    getPixelBandsFloat(run->in, iu, iv, n, run->inBands, p00);
    getPixelBandsFloat(run->in, iu + 1, iv, n, run->inBands, p10);
    getPixelBandsFloat(run->in, iu, iv + 1, n, run->inBands, p01);
    getPixelBandsFloat(run->in, iu + 1, iv + 1, n, run->inBands, p11);
    for (int k = 0; k < n; k++) {
        run->values[k] = p00[k] * (1.0f - fu) * (1.0f - fv) + p10[k] * fu * (1.0f - fv)
                         + p01[k] * (1.0f - fu) * fv + p11[k] * fu * fv;
    }
}

/*
 * sampleAverage --
 *	The input pixels under the output pixel's footprint [x, x + dx] by
 *	[y - dy, y], each weighted by the part of the footprint it covers;
 *	the sum is not divided by the total weight, so a footprint only
 *	partly over the input gets that part of the value. Pixels beyond the
 *	input read as 0, so the visit stops at its edges.
 */
static void sampleAverage(ResampleRun *run, int j, int i)
{
    const ImageHead *in = &run->in->head;
    const ImageHead *out = &run->out->head;
    double x = out->x0 + j * out->dx;
    double y = out->y0 - i * out->dy;
    int firstColumn = std::max(clampToInt((x - in->x0) / in->dx), 0);
    int lastColumn = std::min(clampToInt((x + out->dx - in->x0) / in->dx), in->columns - 1);
    int firstRow = std::max(clampToInt((in->y0 - y) / in->dy), 0);
    int lastRow = std::min(clampToInt((in->y0 - (y - out->dy)) / in->dy), in->rows - 1);

    int n = run->nPairs;
    clearValues(run);
    for (int r = firstRow; r <= lastRow; r++) {
        double top = in->y0 - r * in->dy;
        double wy = overlapFraction(top - in->dy, top, y - out->dy, y);
        if (wy == 0.0) {
            continue;
        }
        for (int c = firstColumn; c <= lastColumn; c++) {
            double left = in->x0 + c * in->dx;
            float weight = (float)(overlapFraction(left, left + in->dx, x, x + out->dx) * wy);
            if (weight == 0.0f) {
                continue;
            }
            getPixelBandsFloat(run->in, c, r, n, run->inBands, run->samples);
            for (int k = 0; k < n; k++) {
                run->values[k] += run->samples[k] * weight;
            }
        }
    }
}

/* ---- Nearest neighbour by rows --------------------------------------------- */

/*
 * buildColumnTable --
 *	The input column that sampleNearest takes for each output column,
 *	which depends on the column alone: -1 where the position lies off the
 *	input (the pixel reads as 0).
 */
static void buildColumnTable(ResampleRun *run)
{
    const ImageHead *in = &run->in->head;
    for (int j = 0; j < run->out->head.columns; j++) {
        double u, v;
        inputPosition(run, j, 0, &u, &v);
        int column = -1;
        if (u > -2.0 && u < in->columns + 1.0) {
            column = roundToInt(u);
            if (column < 0 || column >= in->columns) {
                column = -1;
            }
        }
        run->columnOf[j] = column;
    }
}

/* Whole rows as floats, or as doubles for 32-bit integers. */
static const float *readRowAs(RAMIMG *image, int row, int n, int band, float *out)
{
    return getRowFloatPal(image, row, 0, n, band, out);
}
static const double *readRowAs(RAMIMG *image, int row, int n, int band, double *out)
{
    return getRowDoublePal(image, row, 0, n, band, out);
}
static void writeRowAs(RAMIMG *image, int row, int n, int band, const float *in)
{
    putRowFloat(image, row, 0, n, band, in);
}
static void writeRowAs(RAMIMG *image, int row, int n, int band, const double *in)
{
    putRowDouble(image, row, 0, n, band, in);
}

/*
 * nearestRow --
 *	Output row i as sampleNearest fills it pixel by pixel: per band pair
 *	one read of the input row it maps to, one gather through the column
 *	table and one write.
 */
template <typename T>
static void nearestRowAs(ResampleRun *run, int i, T *inputRow, T *outputRow)
{
    const ImageHead *in = &run->in->head;
    int columns = run->out->head.columns;
    double u, v;
    inputPosition(run, 0, i, &u, &v);
    int row = -1;
    if (v > -2.0 && v < in->rows + 1.0) {
        row = roundToInt(v);
        if (row < 0 || row >= in->rows) {
            row = -1;
        }
    }
    const int *columnOf = run->columnOf;
    for (int p = 0; p < run->nPairs; p++) {
        T *__restrict target = outputRow;
        if (row < 0) {
            std::fill(target, target + columns, (T)0);
        } else {
            const T *__restrict source = readRowAs(run->in, row, in->columns, run->inBands[p], inputRow);
            for (int j = 0; j < columns; j++) {
                target[j] = columnOf[j] >= 0 ? source[columnOf[j]] : (T)0;
            }
        }
        writeRowAs(run->out, i, columns, run->outBands[p], target);
    }
}

static void nearestRow(ResampleRun *run, int i)
{
    if (run->wide) {
        nearestRowAs(run, i, (double *)run->inputRow, (double *)run->outputRow);
    } else {
        nearestRowAs(run, i, run->inputRow, run->outputRow);
    }
}

/*
 * prepareNearestRows --
 *	The tables of the row-at-a-time nearest neighbour, for distinct
 *	images (an image resampled into itself reads rows it has already
 *	written, pixel by pixel). Returns the block to free, or NULL to go
 *	pixel by pixel.
 */
static void *prepareNearestRows(ResampleRun *run)
{
    if (run->method != RESAMPLE_NN || run->in == run->out || run->in->head.columns < 1) {
        return NULL;
    }
    size_t outColumns = (size_t)run->out->head.columns;
    size_t inColumns = (size_t)run->in->head.columns;
    /* 32-bit integers move as doubles, which keep their low bits. */
    run->wide = progNeedsDouble(&run->in->head) || progNeedsDouble(&run->out->head);
    size_t cell = run->wide ? sizeof(double) : sizeof(float);
    void *block = gmemAlloc(outColumns * (sizeof(int) + cell) + inColumns * cell);
    if (block == NULL) {
        return NULL;
    }
    run->inputRow = (float *)block;
    run->outputRow = (float *)((char *)block + inColumns * cell);
    run->columnOf = (int *)((char *)run->outputRow + outColumns * cell);
    buildColumnTable(run);
    return block;
}

/* ---- The row loop ---------------------------------------------------------- */

/*
 *----------------------------------------------------------------------
 *
 * resampleRows --
 *
 *	Visits the output rows top to bottom, each row's columns left to
 *	right, and writes one value per band pair of every pixel.
 *
 * Results:
 *	None.
 *
 * Side effects:
 *	Writes the output's pixels; shows the meter; with the update flag
 *	tells the output's clients of the progress, and at the end resets
 *	the band statistics of the bands written and tells them again.
 *
 *----------------------------------------------------------------------
 */
static void resampleRows(ResampleRun *run, PixelSampler *sample)
{
    RAMIMG *out = run->out;
    int rows = out->head.rows;
    int columns = out->head.columns;
    ProgMeter meter;
    progMeterStart(&meter, METER_LABEL);
    for (int i = 0; i < rows; i++) {
        if (run->columnOf != NULL) {
            nearestRow(run, i);
        } else {
            for (int j = 0; j < columns; j++) {
                sample(run, j, i);
                putPixelBandsFloat(out, j, i, run->nPairs, run->outBands, run->values);
            }
        }
        /* The rows done so far count from 0, so the first row shows at once. */
        if (run->update != 0 && (float)i / (float)rows >= meter.next) {
            updateClient(out, 0, RAMIMG_NOTIFY_DATA);
        }
        progMeterStep(&meter, i, rows);
    }
    progMeterEnd(&meter);
    if (run->update != 0) {
        for (int k = 0; out->stats != NULL && k < run->nPairs; k++) {
            if (run->outBands[k] < out->head.nbands) {
                resetBandStats(&out->stats[run->outBands[k]]);
            }
        }
        updateClient(out, 0, RAMIMG_NOTIFY_DATA);
    }
}

/*
 *----------------------------------------------------------------------
 *
 * rimageResample --
 *
 *	The program of rimage resample.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when the output was
 *	filled; else PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	See resampleRows; releases both images.
 *
 *----------------------------------------------------------------------
 */
int rimageResample(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, resampleUsage);
    }
    /* Two band lists of 8192 pairs: kept off the stack. */
    ResampleRun *run = (ResampleRun *)gmemAlloc(sizeof(ResampleRun));
    if (run == NULL) {
        ovex_fprintf(stderr, "Error in memory allocation.\n");
        return PROGRAM_FAILED;
    }
    memset(run, 0, sizeof(*run));
    int status = PROGRAM_FAILED;
    if (resampleParseArgs(run, argc, argv)) {
        /* One pixel's values, then the four input pixels a blend reads. */
        float *buffer = (float *)gmemAlloc((size_t)run->nPairs * 5 * sizeof(float));
        if (buffer == NULL) {
            ovex_fprintf(stderr, "Error in memory allocation.\n");
        } else {
            run->values = buffer;
            run->samples = buffer + run->nPairs;
            PixelSampler *sample = run->method == RESAMPLE_NN   ? sampleNearest
                                   : run->method == RESAMPLE_BI ? sampleBilinear
                                                                : sampleAverage;
            void *rowTables = prepareNearestRows(run);
            resampleRows(run, sample);
            gmemFree(rowTables);
            meterReset();
            gmemFree(buffer);
            status = PROGRAM_DONE;
        }
        releaseRunImages(run);
    }
    gmemFree(run);
    return status;
}
