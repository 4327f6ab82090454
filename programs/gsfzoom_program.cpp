/*
 * gsfzoom_program.cpp --
 *
 *	rimage gsfzoom: enlarges an image by 2, 4 or 8, or shrinks it by
 *	averaging blocks, into a new image file.
 *
 *	Enlargement inserts, level by level, new samples halfway between the
 *	existing ones, so every input sample stands unchanged in the output
 *	and n input samples become (n - 1) x s + 1. A new sample comes from
 *	its four neighbours a, b, c, d at -3i, -i, +i, +3i with the rule of
 *	the method: CC ((b + c) w - a - d) / ((w - 1) 2), BI (b + c) / 2.
 *	The first new sample of every level, and along a row also the last,
 *	is the plain midpoint since it lacks an outer neighbour.
 *
 *	Across rows the levels run as a pipeline over a fine grid of 3s + 1
 *	row slots (input rows at 0, s, 2s, 3s): each step loads one input
 *	row, computes the new rows of its slot table, emits s rows and moves
 *	the slots down by s. Past the last input row the rows are continued
 *	linearly. So at most 14 input-sized rows are held whatever the image
 *	height, and every row is read and written once.
 */
#include "programs/gsfzoom_program.h"

#include <stdint.h>
#include <string.h>
#include <strings.h>

#include "core/package.h"
#include "core/vocabulary.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "ramimage/file_checks.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/option_checks.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"
#include "ramimage/memory_layout.h"

/* Methods, with their codes. */
enum {
    ZOOM_CC = 100,
    ZOOM_BI = 200,
    ZOOM_AVG = 300
};

/* One new row of a pipeline step: slot target from slots a, b, c, d. */
struct SlotStep {
    int target, a, b, c, d;
};

static const SlotStep stepsBy2[] = {{3, 0, 2, 4, 6}};
static const SlotStep stepsBy4[] = {{6, 0, 4, 8, 12}, {3, 0, 2, 4, 6}, {5, 2, 4, 6, 8}};
static const SlotStep stepsBy8[] = {
    {12, 0, 8, 16, 24}, {6, 0, 4, 8, 12}, {10, 4, 8, 12, 16}, {3, 0, 2, 4, 6},
    {5, 2, 4, 6, 8}, {7, 4, 6, 8, 10}, {9, 6, 8, 10, 12}
};

/* Largest enlargement, its slot grid and the most row buffers any run holds. */
enum {
    MAX_ZOOM = 8,
    MAX_SLOTS = 3 * MAX_ZOOM + 1,
    MAX_ROW_BUFFERS = 14
};

/* Bands a colour-indexed input reads as: red, green, blue. */
static const int PALETTE_CHANNELS = 3;

/* The state of one zoom call. */
struct ZoomRun {
    RAMIMG *in;
    RAMIMG *out;
    int scale;
    int method;
    float weight;
    int columns;                    /* input columns */
    int bands;                      /* bands of a row buffer */
    int outColumns;
    int outRows;
    size_t rowFloats;               /* columns x bands */
    float *block;                   /* the buffers and the work row */
    float *pool[MAX_ROW_BUFFERS];   /* free row buffers, a stack */
    int poolSize;
    int poolTop;
    float *work;                    /* outColumns + scale floats */
};

static const ProgOption gsfzoomOptions[] = {
    {"-in", NULL}, {"-out", NULL}, {"-s", NULL}, {"-rs", NULL}, {"-pixel", NULL},
    {"-w", NULL}, {NULL, NULL}
};

static const char *const gsfzoomUsage[] = {
    "Usage: %s -in IN -out OUT -pixel PIXEL -s SCALE -rs RSP -w WEIGHT\n",
    "where\n",
    "    IN         the input file;\n",
    "    OUT        the output file;\n",
    "    PIXEL      the output pixel type (BYTE, SHORT, USHORT, LONG, FLOAT);\n",
    "    SCALE      the scale factor (2 or 4 or 8);\n",
    "    RSP        the method of resampling (CC or BI or AVG);\n",
    "               CC: cubic convolution (default); BI: bi-linear; AVG: average\n",
    "    WEIGHT     the weight for cubic convolution resampling (default: 5);\n",
    NULL
};

static void releaseZoomImages(ZoomRun *run)
{
    progReleaseImage(run->in);
    progReleaseImage(run->out);
    run->in = run->out = NULL;
}

/* ---- Options and images --------------------------------------------------- */

/* The method code of word (any case), 0 for another word. */
static int methodFromName(const char *word)
{
    if (strcasecmp(word, "CC") == 0) {
        return ZOOM_CC;
    }
    if (strcasecmp(word, "BI") == 0) {
        return ZOOM_BI;
    }
    return strcasecmp(word, "AVG") == 0 ? ZOOM_AVG : 0;
}

/* n samples enlarged by s: (n - 1) x s + 1; -1 when that exceeds int. */
static int32_t enlargedCount(int32_t n, int s)
{
    int64_t count = ((int64_t)n - 1) * s + 1;
    return count > INT32_MAX ? -1 : (int32_t)count;
}

/*
 * outputHead --
 *	The output's head: the input's with the -pixel type, the -out name,
 *	the size and pixel spacing of the zoom. A colour-indexed one-band
 *	input is read as red, green and blue, so its output holds those
 *	three bands without colours, as a DIB unless it is a TIFF or DIB
 *	already, of bytes when the type was 1BIT or 4BITS.
 * Returns: 1, or 0 after "Invalid pixel ID\n" or, for a size that no
 *	image can take, "Error in open %s.\n".
 */
static int outputHead(const ZoomRun *run, const char *pixel, const char *outWord, ImageHead *head)
{
    *head = run->in->head;
    if (pixel != NULL) {
        head->pixel = pixelFromName(pixel);
        if (head->pixel < 1) {
            ovex_fprintf(stderr, "Invalid pixel ID\n");
            return 0;
        }
    }
    /* A longer name would be cut into the name of another file. */
    if (strlen(outWord) >= RAMIMG_NAME_SIZE) {
        ovex_fprintf(stderr, "Error in open %s.\n", outWord);
        return 0;
    }
    strcpy(head->file, outWord);
    int s = run->scale;
    if (run->method == ZOOM_AVG) {
        head->dx *= s;
        head->dy *= s;
        head->rows /= s;
        head->columns /= s;
    } else {
        head->dx /= s;
        head->dy /= s;
        head->rows = enlargedCount(head->rows, s);
        head->columns = enlargedCount(head->columns, s);
    }
    if (run->in->head.nindices >= 1 && run->in->head.nbands == 1) {
        head->nindices = 0;
        head->nbands = PALETTE_CHANNELS;
        if (head->imgid != IMGID_TIFF && head->imgid != IMGID_DIB) {
            head->imgid = IMGID_DIB;
        }
        if (head->pixel == PIXEL_1BIT || head->pixel == PIXEL_4BITS) {
            head->pixel = PIXEL_BYTE;
        }
    }
    /* A new image: no separate pixel file, frames or encoding of the input's. */
    head->dataFd = -1;
    head->frames = 0;
    head->encoding = 0;
    head->bits = bitsPerPixel(head->pixel);
    int64_t least = leastRowLength(head);
    if (head->rows < 1 || head->columns < 1 || least < 1 || least > INT32_MAX) {
        ovex_fprintf(stderr, "Error in open %s.\n", outWord);
        return 0;
    }
    if (head->imgid != IMGID_JPEG) {   /* a JPEG's block is its quality */
        head->block = (int32_t)least;
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * gsfzoomParseArgs --
 *
 *	Reads the options, opens the input and creates the output.
 *
 * Results:
 *	1, or 0 after the message on standard error; then no image is held.
 *
 * Side effects:
 *	Creates the output image file.
 *
 *----------------------------------------------------------------------
 */
static int gsfzoomParseArgs(ZoomRun *run, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, gsfzoomOptions, argc, argv, stderr)) {
        return 0;
    }
    double weight;
    if (!progCheckedReal(&options, "-w", 5.0, PROG_REAL_FINITE, &weight)) {
        return 0;
    }
    run->weight = (float)weight;
    const char *value;
    if (!(run->weight > 0.0f)) {
        ovex_fprintf(stderr, "WEIGHT must be greater than zero.\n");
        return 0;
    }
    value = progOptionValue(&options, "-rs");
    run->method = value != NULL ? methodFromName(value) : ZOOM_CC;
    if (run->method == 0) {
        ovex_fprintf(stderr, "Unknown resampling method\n");
        return 0;
    }
    /* The rule's denominator (w - 1) x 2 vanishes. */
    if (run->method == ZOOM_CC && run->weight == 1.0f) {
        ovex_fprintf(stderr, "WEIGHT must not be 1 for cubic convolution.\n");
        return 0;
    }

    const char *inWord = progOptionValue(&options, "-in");
    const char *outWord = progOptionValue(&options, "-out");
    if (inWord == NULL) {
        ovex_fprintf(stderr, "Input image file missing!\n");
        return 0;
    }
    if (outWord == NULL) {
        ovex_fprintf(stderr, "Output image file missing!\n");
        return 0;
    }
    if (strcasecmp(inWord, outWord) == 0) {
        ovex_fprintf(stderr, "Input file must not be the same as the output.\n");
        return 0;
    }
    if (fileExists(outWord) == 0) {
        ovex_fprintf(stderr, "The output file already exists.\n");
        return 0;
    }

    value = progOptionValue(&options, "-s");
    run->scale = value != NULL ? ovexLenientInt(value) : 2;
    if (run->method != ZOOM_AVG) {
        if (run->scale != 2 && run->scale != 4 && run->scale != 8) {
            ovex_fprintf(stderr, "ZOOMSCALE must be 2 or 4 or 8.\n");
            return 0;
        }
    } else if (run->scale < 1) {
        /* The output's size is the input's divided by it. */
        ovex_fprintf(stderr, "ZOOMSCALE must be at least 1.\n");
        return 0;
    }

    int err = RAMIMG_OK;
    run->in = progOpenImage(inWord, &err);
    if (run->in == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", inWord);
        return 0;
    }
    ImageHead head;
    if (!outputHead(run, progOptionValue(&options, "-pixel"), outWord, &head)) {
        releaseZoomImages(run);
        return 0;
    }
    run->out = progCreateImage(&head, 0, &err);
    if (run->out == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", outWord);
        releaseZoomImages(run);
        return 0;
    }
    run->columns = run->in->head.columns;
    run->bands = run->in->head.nindices >= 1 ? PALETTE_CHANNELS : run->in->head.nbands;
    run->outColumns = run->out->head.columns;
    run->outRows = run->out->head.rows;
    return 1;
}

/* ---- Row buffers ---------------------------------------------------------- */

/*
 *----------------------------------------------------------------------
 *
 * AllocateMemmory --
 *
 *	The row buffers of the method (6, 9 or 14 for an enlargement by 2,
 *	4 or 8, 1 for AVG), each one input row of every band, and the work
 *	row, in one block.
 *
 * Results:
 *	1, or 0 after "Error in AllocateMemmory.\n".
 *
 *----------------------------------------------------------------------
 */
static int AllocateMemmory(ZoomRun *run)
{
    int count = 1;
    if (run->method != ZOOM_AVG) {
        count = run->scale == 2 ? 6 : (run->scale == 4 ? 9 : MAX_ROW_BUFFERS);
    }
    size_t rowFloats = 0, poolFloats = 0, floats = 0;
    size_t workFloats = (size_t)run->outColumns + (size_t)run->scale;
    if (__builtin_mul_overflow((size_t)run->columns, (size_t)run->bands, &rowFloats)
        || __builtin_mul_overflow(rowFloats, (size_t)count, &poolFloats)
        || __builtin_add_overflow(poolFloats, workFloats, &floats)
        || floats > SIZE_MAX / sizeof(float)) {
        ovex_fprintf(stderr, "Error in AllocateMemmory.\n");
        return 0;
    }
    run->block = (float *)gmemAlloc(floats * sizeof(float));
    if (run->block == NULL) {
        ovex_fprintf(stderr, "Error in AllocateMemmory.\n");
        return 0;
    }
    memset(run->block, 0, floats * sizeof(float));
    run->rowFloats = rowFloats;
    for (int k = 0; k < count; k++) {
        run->pool[k] = run->block + (size_t)k * rowFloats;
    }
    run->poolSize = run->poolTop = count;
    run->work = run->block + poolFloats;
    return 1;
}

/* A free row buffer, NULL after "Stack underflow (memPop)\n". */
static float *memPop(ZoomRun *run)
{
    if (run->poolTop <= 0) {
        ovex_fprintf(stderr, "Stack underflow (memPop)\n");
        return NULL;
    }
    return run->pool[--run->poolTop];
}

/* Gives a row buffer back; 0 after "Stack Overflow (memPush)\n". */
static int memPush(ZoomRun *run, float *buffer)
{
    if (run->poolTop >= run->poolSize) {
        ovex_fprintf(stderr, "Stack Overflow (memPush)\n");
        return 0;
    }
    run->pool[run->poolTop++] = buffer;
    return 1;
}

/* Input row row of every band (the palette channels of an indexed input),
 * band after band. */
static void gsfzoomLoadRow(const ZoomRun *run, int row, float *buffer)
{
    for (int band = 0; band < run->bands; band++) {
        getRowFloatPal(run->in, row, 0, run->columns, band, buffer + (size_t)band * run->columns);
    }
}

/* ---- Enlargement ---------------------------------------------------------- */

/* The four-point rules, in single precision: a new sample from its
 * neighbours a, b, c, d at -3i, -i, +i, +3i. */
struct CubicRule {
    float w;
    float operator()(float a, float b, float c, float d) const
    {
        return ((b + c) * w - a - d) / ((w - 1.0f) * 2.0f);
    }
};

struct LinearRule {
    float operator()(float, float b, float c, float) const
    {
        return (b + c) * 0.5f;
    }
};

/*
 * interpolateRow --
 *	The work row holds the input samples at 0, s, 2s ... W - 1; the
 *	levels fill the positions between. A single column has nothing
 *	between (and no second sample for the midpoints).
 */
template <class Rule>
static void interpolateRow(const ZoomRun *run, Rule rule, float *v)
{
    int width = run->outColumns;
    if (width < 2) {
        return;
    }
    for (int i = run->scale / 2; i >= 1; i /= 2) {
        v[i] = (v[0] + v[2 * i]) * 0.5f;
        for (int p = 3 * i; p < width - 3 * i; p += 2 * i) {
            v[p] = rule(v[p - 3 * i], v[p - i], v[p + i], v[p + 3 * i]);
        }
        v[width - 1 - i] = (v[width - 1] + v[width - 1 - 2 * i]) * 0.5f;
    }
}

/* Enlarges one row of the slots along the row and writes it as output row
 * row of every band. */
template <class Rule>
static void emitRow(ZoomRun *run, Rule rule, int row, const float *buffer)
{
    for (int band = 0; band < run->bands; band++) {
        const float *samples = buffer + (size_t)band * run->columns;
        for (int c = 0; c < run->columns; c++) {
            run->work[(size_t)c * run->scale] = samples[c];
        }
        interpolateRow(run, rule, run->work);
        putRowFloat(run->out, row, 0, run->outColumns, band, run->work);
    }
}

/* to = 2 x near - far, element by element: the rows continued linearly. */
static void extrapolate(const ZoomRun *run, float *to, const float *near, const float *far)
{
    for (size_t k = 0; k < run->rowFloats; k++) {
        to[k] = 2.0f * near[k] - far[k];
    }
}

/* to = (a + b) x 0.5, element by element. */
static void midpoint(const ZoomRun *run, float *to, const float *a, const float *b)
{
    for (size_t k = 0; k < run->rowFloats; k++) {
        to[k] = (a[k] + b[k]) * 0.5f;
    }
}

/*
 * fillInputSlot --
 *	Slot at gets input row row, or when the input has no such row the
 *	rows continued linearly from the two slots above it (an input of one
 *	row repeats that row).
 * Returns: 1, or 0 when no buffer was left.
 */
static int fillInputSlot(ZoomRun *run, float **slot, int at, int row)
{
    int s = run->scale;
    slot[at] = memPop(run);
    if (slot[at] == NULL) {
        return 0;
    }
    if (row < run->in->head.rows) {
        gsfzoomLoadRow(run, row, slot[at]);
    } else if (at == s) {
        memcpy(slot[at], slot[0], run->rowFloats * sizeof(float));
    } else {
        extrapolate(run, slot[at], slot[at - s], slot[at - 2 * s]);
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * gsfzoomEnlarge --
 *
 *	The pipeline across rows over the slot table of the scale.
 *
 * Results:
 *	1, or 0 when the buffer stack failed (after its message).
 *
 * Side effects:
 *	Writes every row of the output; shows the meter.
 *
 *----------------------------------------------------------------------
 */
template <class Rule>
static int gsfzoomEnlarge(ZoomRun *run, const SlotStep *steps, int nSteps, Rule rule)
{
    int s = run->scale;
    float *slot[MAX_SLOTS] = {NULL};
    if (!fillInputSlot(run, slot, 0, 0) || !fillInputSlot(run, slot, s, 1)
        || !fillInputSlot(run, slot, 2 * s, 2)) {
        return 0;
    }
    for (int i = s / 2; i >= 1; i /= 2) {
        if ((slot[i] = memPop(run)) == NULL) {
            return 0;
        }
        midpoint(run, slot[i], slot[0], slot[2 * i]);
    }

    ProgMeter meter;
    progMeterStart(&meter, "gsfzoom");
    int next = 3;
    for (int k = 0; k < run->outRows;) {
        int emit = 1;
        if (k < run->outRows - 1) {
            if (!fillInputSlot(run, slot, 3 * s, next++)) {
                return 0;
            }
            for (int t = 0; t < nSteps; t++) {
                const SlotStep *step = &steps[t];
                float *to = slot[step->target] = memPop(run);
                if (to == NULL) {
                    return 0;
                }
                const float *a = slot[step->a], *b = slot[step->b];
                const float *c = slot[step->c], *d = slot[step->d];
                for (size_t e = 0; e < run->rowFloats; e++) {
                    to[e] = rule(a[e], b[e], c[e], d[e]);
                }
            }
            emit = s;
        }
        for (int e = 0; e < emit; e++) {
            emitRow(run, rule, k++, slot[e]);
            if (!memPush(run, slot[e])) {
                return 0;
            }
            slot[e] = NULL;
        }
        for (int p = s; p <= 3 * s; p++) {
            slot[p - s] = slot[p];
            slot[p] = NULL;
        }
        progMeterStep(&meter, k, run->outRows);
    }
    progMeterEnd(&meter);
    return 1;
}

static int gsfzoomCC(ZoomRun *run, const SlotStep *steps, int nSteps)
{
    return gsfzoomEnlarge(run, steps, nSteps, CubicRule{run->weight});
}

static int gsfzoomBI(ZoomRun *run, const SlotStep *steps, int nSteps)
{
    return gsfzoomEnlarge(run, steps, nSteps, LinearRule{});
}

/* ---- Reduction ------------------------------------------------------------ */

/*
 *----------------------------------------------------------------------
 *
 * gsfzoomAverage --
 *
 *	Output pixel (j, o) of a band is the mean of the s x s input block
 *	from column j x s and row o x s; the rows and columns left over
 *	make no pixel.
 *
 * Results:
 *	1, or 0 when the buffer stack failed (after its message).
 *
 * Side effects:
 *	Writes every row of the output; shows the meter.
 *
 *----------------------------------------------------------------------
 */
static int gsfzoomAverage(ZoomRun *run)
{
    float *buffer = memPop(run);
    if (buffer == NULL) {
        return 0;
    }
    int s = run->scale;
    int width = run->outColumns;
    float factor = 1.0f / ((float)s * (float)s);
    ProgMeter meter;
    progMeterStart(&meter, "gsfzoom");
    for (int o = 0; o < run->outRows; o++) {
        for (int band = 0; band < run->bands; band++) {
            memset(run->work, 0, (size_t)width * sizeof(float));
            for (int r = 0; r < s; r++) {
                int64_t row = (int64_t)o * s + r;
                getRowFloatPal(run->in, (int)row, 0, width * s, band, buffer);
                for (int j = 0; j < width; j++) {
                    const float *cell = buffer + (size_t)j * s;
                    float sum = run->work[j];
                    for (int t = 0; t < s; t++) {
                        sum += cell[t];
                    }
                    run->work[j] = sum;
                }
            }
            for (int j = 0; j < width; j++) {
                run->work[j] *= factor;
            }
            putRowFloat(run->out, o, 0, width, band, run->work);
        }
        progMeterStep(&meter, (int64_t)o + 1, run->outRows);
    }
    progMeterEnd(&meter);
    return memPush(run, buffer);
}

/* ---- The program ---------------------------------------------------------- */

/*
 * gsfzoomRun --
 *	The zoom by method, then the output's rows written to its file: a
 *	write that fails is reported rather than lost at the close.
 * Returns: PROGRAM_DONE, or PROGRAM_FAILED after the message.
 */
static int gsfzoomRun(ZoomRun *run)
{
    const SlotStep *steps = stepsBy8;
    int nSteps = (int)(sizeof(stepsBy8) / sizeof(stepsBy8[0]));
    if (run->scale == 2) {
        steps = stepsBy2;
        nSteps = (int)(sizeof(stepsBy2) / sizeof(stepsBy2[0]));
    } else if (run->scale == 4) {
        steps = stepsBy4;
        nSteps = (int)(sizeof(stepsBy4) / sizeof(stepsBy4[0]));
    }
    int ok;
    if (run->method == ZOOM_AVG) {
        ok = gsfzoomAverage(run);
    } else if (run->method == ZOOM_CC) {
        ok = gsfzoomCC(run, steps, nSteps);
    } else {
        ok = gsfzoomBI(run, steps, nSteps);
    }
    meterReset();
    if (ok && !flushRamImage(run->out)) {
        ovex_fprintf(stderr, "Error in writing %s.\n", run->out->head.file);
        ok = 0;
    }
    return ok ? PROGRAM_DONE : PROGRAM_FAILED;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageGsfzoom --
 *
 *	The program of rimage gsfzoom.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when the output is
 *	written; else PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	Creates and writes the output image file; releases both images.
 *
 *----------------------------------------------------------------------
 */
int rimageGsfzoom(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, gsfzoomUsage);
    }
    ZoomRun run;
    memset(&run, 0, sizeof(run));
    if (!gsfzoomParseArgs(&run, argc, argv)) {
        return PROGRAM_FAILED;
    }
    int status = PROGRAM_FAILED;
    if (AllocateMemmory(&run)) {
        status = gsfzoomRun(&run);
    }
    gmemFree(run.block);
    releaseZoomImages(&run);
    return status;
}
