/*
 * gconv_program.cpp --
 *
 *	rimage gconv: convolution of a window of an image, band pair by band
 *	pair, into another image. Each output row comes from a ring of ny
 *	input rows held in memory, so every input row is read once and any
 *	image size is filtered in one pass. Rows and columns beyond the
 *	image repeat its edge rows and columns.
 *
 *	Kernels: "2D" weights every value of the nx x ny window; "1Ds"
 *	filters each input row across with nx weights and combines ny
 *	filtered rows with the other ny; "dynamic" stretches the window's
 *	centre by its local mean and deviation; "median" takes the window's
 *	median.
 */
#include "programs/gconv_program.h"

#include <math.h>
#include <stdint.h>
#include <string.h>
#include <strings.h>

#include <algorithm>

#include "core/package.h"
#include "core/rounding.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/conv_kernel.h"
#include "programs/conv_rows.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"
#include "ramimage/memory_layout.h"
#include "ramimage/kit/output_checks.h"

/* Bands a colour-indexed input offers: its palette's red, green and blue. */
static const int PALETTE_CHANNELS = 3;

/* Centre gain of the dynamic stretch. */
static const float DYNAMIC_GAIN = 2.5f;

/* The state of one gconv call. */
struct GconvContext {
    RAMIMG *in;
    RAMIMG *out;
    int inRow, inColumn;            /* first input row and column */
    int rows, columns;              /* processed */
    int outRow, outColumn;          /* first output row and column */
    int norm, feedback;
    ConvKernel kernel;
    int nPairs;
    int inBands[MAX_BAND_PAIRS];    /* 0-based */
    int outBands[MAX_BAND_PAIRS];
    char *kernelText;
    /* The work buffer of the run and its parts. */
    void *buffer;
    float *ring;                    /* ny slots of nPairs rows of slotLength */
    size_t slotLength;
    const float **window;           /* the ny ring rows of the current output row */
    float *padded;                  /* one input row with its edge copies */
    float *result;                  /* one output row */
    float *values;                  /* the window's values (median) */
    const float *taps[CONV_KERNEL_MAX_WEIGHTS];     /* the rows each weight multiplies */
    /* Byte rows under whole-number weights: the ring and the output row
     * hold bytes, summed in integers. */
    bool wholeBytes;
    short wholeWeights[CONV_KERNEL_MAX_WEIGHTS];
    const unsigned char *byteTaps[CONV_KERNEL_MAX_WEIGHTS];
};

static const ProgOption gconvOptions[] = {
    {"-in", NULL}, {"-out", NULL}, {"-ir", NULL}, {"-ic", NULL}, {"-r", NULL},
    {"-c", NULL}, {"-or", NULL}, {"-oc", NULL}, {"-b", NULL}, {"-kn", NULL},
    {"-norm", NULL}, {"-fb", NULL}, {NULL, NULL}
};

static const char *const gconvUsage[] = {
    "Usage: %s -in IN -out OUT -ir IR -ic IC -r R -c C -or OR -oc OC -b B -kn KN "
    "-norm NORM -fb FB\n",
    "     IN   input image id (file name or tag)\n",
    "     OUT  output image id (file name or tag)\n",
    "     IR   start input row (def:0)\n",
    "     IC   start input column (def:0)\n",
    "     R    number of rows to process.\n",
    "     C    number of columns to process.\n",
    "     OR   start output row (def:IR)\n",
    "     OC   start output column (def:IC)\n",
    "     B    image band specification:ib1:ob1;ib2:ob2....\n",
    "     KN   file name of weight list\n",
    "     NORM flag of normailzation (yes or no, def:no)\n",
    "     FB   flag of feed back to the original (yes or no, def:no)\n",
    NULL
};

/* ---- Arguments ------------------------------------------------------------- */

/*
 * yesNoOption --
 *	"yes" or "no" in any case; not given is no.
 * Returns: 1 when read, 0 after "<name> flag must be yes or no.\n".
 */
static int yesNoOption(const ProgOptions *options, const char *name, int *flag)
{
    const char *value = progOptionValue(options, name);
    if (value == NULL || strcasecmp(value, "no") == 0) {
        *flag = 0;
    } else if (strcasecmp(value, "yes") == 0) {
        *flag = 1;
    } else {
        ovex_fprintf(stderr, "%s flag must be yes or no.\n", name);
        return 0;
    }
    return 1;
}

/*
 * createOutput --
 *	An 8-bit DIB shaped like the input: three bands for an input of
 *	several, else one band over a grey palette of 256 entries. A name
 *	too long for the image record is refused rather than cut, which
 *	would create another file.
 * Returns: the image (one reference held), or NULL with *err.
 */
static RAMIMG *createOutput(const RAMIMG *in, const char *word, int *err)
{
    if (strlen(word) >= RAMIMG_NAME_SIZE) {
        *err = RAMIMG_ENAME;
        return NULL;
    }
    ImageHead head = in->head;
    strcpy(head.file, word);
    head.imgid = IMGID_DIB;
    head.pixel = PIXEL_BYTE;
    head.bits = 8;
    head.dataFd = -1;
    head.encoding = 0;
    if (in->head.nbands > 1) {
        head.nbands = 3;
        head.nindices = 0;
    } else {
        head.nbands = 1;
        head.nindices = 256;
        fillGreyRamp(&head);
    }
    return progCreateImage(&head, 0, err);
}

static void releaseImages(GconvContext *context)
{
    progReleaseImage(context->out);
    progReleaseImage(context->in);
    context->out = context->in = NULL;
}

/* 1 when start lies in 0 .. limit - 1, else 0 after message. */
static int startInside(int start, int limit, const char *message)
{
    if (start < 0 || start >= limit) {
        ovex_fprintf(stderr, "%s", message);
        return 0;
    }
    return 1;
}

/*
 * setWindow --
 *	Start points checked against their images, then the span cut to what
 *	both images hold from them.
 * Returns: 1, or 0 after the message.
 */
static int setWindow(GconvContext *context, const ProgOptions *options)
{
    const ImageHead *in = &context->in->head;
    const ImageHead *out = &context->out->head;
    context->inRow = progIntOption(options, "-ir", 0);
    context->inColumn = progIntOption(options, "-ic", 0);
    if (!startInside(context->inRow, in->rows, "Start input row out of range.\n")
        || !startInside(context->inColumn, in->columns, "Start input column out of range.\n")) {
        return 0;
    }
    context->outRow = progIntOption(options, "-or", context->inRow);
    context->outColumn = progIntOption(options, "-oc", context->inColumn);
    if (!startInside(context->outRow, out->rows, "Start output row out of range.\n")
        || !startInside(context->outColumn, out->columns,
                        "Start output column out of range.\n")) {
        return 0;
    }
    int rows = progIntOption(options, "-r", in->rows);
    rows = std::min(rows, in->rows - context->inRow);
    rows = std::min(rows, out->rows - context->outRow);
    int columns = progIntOption(options, "-c", in->columns);
    columns = std::min(columns, in->columns - context->inColumn);
    columns = std::min(columns, out->columns - context->outColumn);
    context->rows = std::max(rows, 0);
    context->columns = std::max(columns, 0);
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * gconvParseArgs --
 *
 *	Reads the options, opens (or creates) the images, settles the
 *	window and the band pairs and reads the kernel.
 *
 * Results:
 *	1, or 0 after the messages on standard error; then no image is held
 *	and the text of the last image-open error, if any, has been printed.
 *
 * Side effects:
 *	May create the output image file.
 *
 *----------------------------------------------------------------------
 */
static int gconvParseArgs(GconvContext *context, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, gconvOptions, argc, argv, stderr)) {
        return 0;
    }
    int err = RAMIMG_OK;
    const char *inWord = progOptionValue(&options, "-in");
    const char *outWord = progOptionValue(&options, "-out");
    const char *kernelWord;
    if (inWord == NULL) {
        ovex_fprintf(stderr, "missing input image file.\n");
        goto failed;
    }
    context->in = progOpenImage(inWord, &err);
    if (context->in == NULL) {
        ovex_fprintf(stderr, "Error in open input image: %s\n", inWord);
        goto failed;
    }
    if (outWord == NULL) {
        ovex_fprintf(stderr, "missing output image file.\n");
        goto failed;
    }
    context->out = progOpenImage(outWord, &err);
    if (context->out == NULL) {
        context->out = createOutput(context->in, outWord, &err);
        if (context->out == NULL) {
            ovex_fprintf(stderr, "Error in open output image: %s\n", outWord);
            goto failed;
        }
    }
    if (progOutputIsInput(context->in, context->out, outWord)) {
        goto failed;
    }
    if (!setWindow(context, &options)
        || !yesNoOption(&options, "-norm", &context->norm)
        || !yesNoOption(&options, "-fb", &context->feedback)) {
        goto failed;
    }

    context->nPairs = parseBandParams(
        context->in->head.nindices >= 1 ? PALETTE_CHANNELS : context->in->head.nbands,
        context->out->head.nbands, context->inBands, context->outBands,
        progOptionValue(&options, "-b"));
    if (context->nPairs < 1) {
        goto failed;
    }

    kernelWord = progOptionValue(&options, "-kn");
    if (kernelWord == NULL) {
        ovex_fprintf(stderr, "missing kernel.\n");
        goto failed;
    }
    context->kernelText = readConvKernelText(kernelWord);
    if (context->kernelText == NULL || !parseConvKernel(context->kernelText, &context->kernel)) {
        goto failed;
    }
    gmemFree(context->kernelText);
    context->kernelText = NULL;
    return 1;

failed:
    gmemFree(context->kernelText);
    context->kernelText = NULL;
    releaseImages(context);
    printRamImageError(err);
    return 0;
}

/* ---- Weights --------------------------------------------------------------- */

/* Divides n weights by their single-precision sum when it is not 0. */
static void normaliseWeights(float *weights, int n)
{
    float sum = 0.0f;
    for (int k = 0; k < n; k++) {
        sum += weights[k];
    }
    if (sum != 0.0f) {
        for (int k = 0; k < n; k++) {
            weights[k] /= sum;
        }
    }
}

/*
 * prepareWeights --
 *	-norm and -fb: "2D" as one matrix, "1Ds" list by list (the input
 *	pixel passes through both centres). The other kernels have none.
 */
static void prepareWeights(GconvContext *context)
{
    ConvKernel *kernel = &context->kernel;
    int nx = kernel->nx, ny = kernel->ny;
    if (kernel->type == CONV_KERNEL_2D) {
        if (context->norm) {
            normaliseWeights(kernel->weights, nx * ny);
        }
        if (context->feedback) {
            kernel->weights[(ny / 2) * nx + nx / 2] += 1.0f;
        }
    } else if (kernel->type == CONV_KERNEL_SEPARABLE) {
        float *across = kernel->weights, *down = kernel->weights + nx;
        if (context->norm) {
            normaliseWeights(across, nx);
            normaliseWeights(down, ny);
        }
        if (context->feedback) {
            across[nx / 2] += 1.0f;
            down[ny / 2] += 1.0f;
        }
    }
}

/* ---- The ring of rows ------------------------------------------------------ */

/* The floats of count parts of each size; 0 when they do not fit a size_t. */
static size_t floatsOf(size_t a, size_t b, size_t c)
{
    size_t ab, abc;
    if (__builtin_mul_overflow(a, b, &ab) || __builtin_mul_overflow(ab, c, &abc)) {
        return 0;
    }
    return abc;
}

/*
 * allocateWork --
 *	One block for the run: the window's row pointers, the ring (ny
 *	slots of nPairs rows of slotLength floats), paddedLength floats for
 *	a padded input row, an output row and valueCount window values.
 * Returns: 1, or 0 after "Error in memory allocation.\n" when the sizes
 *	cannot be represented or the memory cannot be had.
 */
static int allocateWork(GconvContext *context, size_t slotLength, size_t paddedLength,
                        size_t valueCount)
{
    size_t ny = (size_t)context->kernel.ny;
    size_t ringFloats = floatsOf(ny, (size_t)context->nPairs, slotLength);
    size_t floats = ringFloats + paddedLength + (size_t)context->columns + valueCount;
    size_t pointerBytes, floatBytes, total;
    if (ringFloats == 0 || floats < ringFloats
        || __builtin_mul_overflow(ny, sizeof(float *), &pointerBytes)
        || __builtin_mul_overflow(floats, sizeof(float), &floatBytes)
        || __builtin_add_overflow(pointerBytes, floatBytes, &total)
        || (context->buffer = gmemAlloc(total)) == NULL) {
        ovex_fprintf(stderr, "Error in memory allocation.\n");
        return 0;
    }
    /* Pointers first: the floats after them stay aligned. */
    context->window = (const float **)context->buffer;
    context->ring = (float *)((char *)context->buffer + pointerBytes);
    context->slotLength = slotLength;
    context->padded = context->ring + ringFloats;
    context->result = context->padded + paddedLength;
    context->values = context->result + context->columns;
    return 1;
}

static float *ringRow(const GconvContext *context, int slot, int pair)
{
    return context->ring
        + ((size_t)slot * (size_t)context->nPairs + (size_t)pair) * context->slotLength;
}

/* The input row of a window position, held to the image's rows. */
static int clampedInputRow(const GconvContext *context, int64_t row)
{
    int last = context->in->head.rows - 1;
    return row < 0 ? 0 : row > last ? last : (int)row;
}

/*
 * readPaddedRow --
 *	Input row `row` of the pair's input band, whole, into out with nx/2
 *	copies of its first value before it and copies of its last value
 *	after it up to input columns + nx values: window column m of output
 *	column j is then out[ic + j + m].
 */
static void readPaddedRow(const GconvContext *context, int row, int pair, float *out)
{
    int columns = context->in->head.columns;
    int half = context->kernel.nx / 2;
    size_t length = (size_t)columns + (size_t)context->kernel.nx;
    getRowFloatPal(context->in, row, 0, columns, context->inBands[pair], out + half);
    std::fill(out, out + half, out[half]);
    std::fill(out + half + columns, out + length, out[half + columns - 1]);
}

/* What a ring slot holds for an input row of a pair, and what an output
 * row of a pair is made of from the window's rows (context->window). */
typedef void (SlotFiller)(GconvContext *context, int row, int pair, float *slot);
typedef void (RowMaker)(GconvContext *context, int pair, float *result);

/*
 * runRing --
 *	The window of output row i is the input rows ir + i - ny/2 + k
 *	(k = 0 .. ny - 1); it lives in ring slots i mod ny, i + 1 mod ny ...
 *	and moves down by refilling the slot of its top row.
 */
static void runRing(GconvContext *context, SlotFiller *fill, RowMaker *make)
{
    int ny = context->kernel.ny;
    int64_t top = (int64_t)context->inRow - ny / 2;
    for (int k = 0; k < ny; k++) {
        for (int p = 0; p < context->nPairs; p++) {
            fill(context, clampedInputRow(context, top + k), p, ringRow(context, k, p));
        }
    }
    ProgMeter meter;
    progMeterStart(&meter, "gconv");
    for (int i = 0; i < context->rows; i++) {
        progMeterStep(&meter, i, context->rows);
        int first = i % ny;
        for (int p = 0; p < context->nPairs; p++) {
            for (int k = 0, slot = first; k < ny; k++) {
                context->window[k] = ringRow(context, slot, p);
                slot = slot == ny - 1 ? 0 : slot + 1;
            }
            make(context, p, context->result);
            if (context->wholeBytes) {
                putRowByte(context->out, context->outRow + i, context->outColumn,
                           context->columns, context->outBands[p],
                           (const unsigned char *)context->result);
            } else {
                putRowFloat(context->out, context->outRow + i, context->outColumn,
                            context->columns, context->outBands[p], context->result);
            }
        }
        if (i + 1 < context->rows) {
            int row = clampedInputRow(context, top + ny + i);
            for (int p = 0; p < context->nPairs; p++) {
                fill(context, row, p, ringRow(context, first, p));
            }
        }
    }
    progMeterEnd(&meter);
}

/* Band statistics of the bands written no longer hold. */
static void resetWrittenStats(GconvContext *context)
{
    RAMIMG *out = context->out;
    if (out->stats == NULL) {
        return;
    }
    for (int p = 0; p < context->nPairs; p++) {
        if (context->outBands[p] >= 0 && context->outBands[p] < out->head.nbands) {
            resetBandStats(&out->stats[context->outBands[p]]);
        }
    }
}

/* ---- Window kernels -------------------------------------------------------- */

static void fillPadded(GconvContext *context, int row, int pair, float *slot)
{
    readPaddedRow(context, row, pair, slot);
}

/* Weighted sum of the window, row by row and left to right within a row,
 * in single precision. */
static void makeWeighted(GconvContext *context, int pair, float *result)
{
    (void)pair;
    const ConvKernel *kernel = &context->kernel;
    int nx = kernel->nx;
    for (int k = 0; k < kernel->ny; k++) {
        for (int m = 0; m < nx; m++) {
            context->taps[k * nx + m] = context->window[k] + context->inColumn + m;
        }
    }
    weightedRowSum(context->columns, nx * kernel->ny, context->taps, kernel->weights, result);
}

/*
 * wholeBytesApply --
 *	True when a "2D" kernel may run on bytes: byte samples in (read as
 *	the float path reads them, through the palette if any), a byte pixel
 *	out, and whole-number weights whose absolute values add up to at most
 *	CONV_WHOLE_WEIGHT_LIMIT. Every product and partial sum is then a
 *	whole number below 2^15, exact in single precision, so the float sum
 *	is the integer sum and its stored byte the integer clamped to
 *	0 .. 255: the integer path gives the same bytes. Sets the weights as
 *	integers.
 */
static bool wholeBytesApply(GconvContext *context)
{
    const ConvKernel *kernel = &context->kernel;
    if (kernel->type != CONV_KERNEL_2D || context->in->head.pixel != PIXEL_BYTE
        || context->out->head.pixel != PIXEL_BYTE) {
        return false;
    }
    float total = 0.0f;
    int n = kernel->nx * kernel->ny;
    for (int k = 0; k < n; k++) {
        float weight = kernel->weights[k];
        if (!(fabsf(weight) <= (float)CONV_WHOLE_WEIGHT_LIMIT) || weight != truncf(weight)) {
            return false;           /* also NaN */
        }
        total += fabsf(weight);
        context->wholeWeights[k] = (short)clampToInt(weight);
    }
    return total <= (float)CONV_WHOLE_WEIGHT_LIMIT;
}

/* readPaddedRow as bytes. */
static void fillPaddedBytes(GconvContext *context, int row, int pair, float *slot)
{
    unsigned char *out = (unsigned char *)slot;
    int columns = context->in->head.columns;
    int half = context->kernel.nx / 2;
    size_t length = (size_t)columns + (size_t)context->kernel.nx;
    getRowBytePal(context->in, row, 0, columns, context->inBands[pair], out + half);
    memset(out, out[half], (size_t)half);
    memset(out + half + columns, out[half + columns - 1], length - (size_t)(half + columns));
}

/* makeWeighted on byte rows: the output row's bytes into result. */
static void makeWholeBytes(GconvContext *context, int pair, float *result)
{
    (void)pair;
    const ConvKernel *kernel = &context->kernel;
    int nx = kernel->nx;
    for (int k = 0; k < kernel->ny; k++) {
        const unsigned char *row = (const unsigned char *)context->window[k];
        for (int m = 0; m < nx; m++) {
            context->byteTaps[k * nx + m] = row + context->inColumn + m;
        }
    }
    wholeWeightedRowSum(context->columns, nx * kernel->ny, context->byteTaps,
                        context->wholeWeights, (unsigned char *)result);
}

/* The centre stretched by 2.5 local deviations from the local mean; a
 * window without variance leaves it as it is. */
static void makeDynamic(GconvContext *context, int pair, float *result)
{
    (void)pair;
    int nx = context->kernel.nx, ny = context->kernel.ny;
    float count = (float)nx * (float)ny;
    for (int j = 0; j < context->columns; j++) {
        size_t left = (size_t)context->inColumn + (size_t)j;
        float sum = 0.0f, squares = 0.0f;
        for (int k = 0; k < ny; k++) {
            const float *values = context->window[k] + left;
            for (int m = 0; m < nx; m++) {
                sum += values[m];
                squares += values[m] * values[m];
            }
        }
        float mean = sum / count;
        float variance = squares / count - mean * mean;
        float centre = context->window[ny / 2][left + nx / 2];
        result[j] = variance > 0.0f ? centre + DYNAMIC_GAIN * (centre - mean) / sqrtf(variance)
                                    : centre;
    }
}

/* NaN after every number, so that the order stays strict. */
static bool lessWithNanLast(float a, float b)
{
    return a < b || (!isnan(a) && isnan(b));
}

/* The window's median; of an even count the mean of the middle two. */
static void makeMedian(GconvContext *context, int pair, float *result)
{
    (void)pair;
    int nx = context->kernel.nx, ny = context->kernel.ny;
    size_t count = (size_t)nx * (size_t)ny;
    float *values = context->values;
    for (int j = 0; j < context->columns; j++) {
        size_t left = (size_t)context->inColumn + (size_t)j;
        for (int k = 0; k < ny; k++) {
            memcpy(values + (size_t)k * nx, context->window[k] + left, (size_t)nx * sizeof(float));
        }
        float *middle = values + count / 2;
        std::nth_element(values, middle, values + count, lessWithNanLast);
        float value = *middle;
        if (count % 2 == 0) {
            value = (value + *std::max_element(values, middle, lessWithNanLast)) / 2.0f;
        }
        result[j] = value;
    }
}

/*
 *----------------------------------------------------------------------
 *
 * gconvRun2D --
 *
 *	The window kernels: "2D", "dynamic" and "median". The ring holds
 *	padded input rows.
 *
 * Results:
 *	1, or 0 when the work buffer could not be had (after the message).
 *
 * Side effects:
 *	Writes the output rows; resets the written bands' statistics.
 *
 *----------------------------------------------------------------------
 */
static int gconvRun2D(GconvContext *context)
{
    const ConvKernel *kernel = &context->kernel;
    size_t paddedLength = (size_t)context->in->head.columns + (size_t)kernel->nx;
    size_t valueCount = kernel->type == CONV_KERNEL_MEDIAN
        ? floatsOf((size_t)kernel->nx, (size_t)kernel->ny, 1) : 0;
    if (!allocateWork(context, paddedLength, 0, valueCount)) {
        return 0;
    }
    prepareWeights(context);
    resetWrittenStats(context);
    context->wholeBytes = wholeBytesApply(context);
    if (context->wholeBytes) {
        runRing(context, fillPaddedBytes, makeWholeBytes);
        return 1;
    }
    RowMaker *make = kernel->type == CONV_KERNEL_DYNAMIC ? makeDynamic
        : kernel->type == CONV_KERNEL_MEDIAN ? makeMedian : makeWeighted;
    runRing(context, fillPadded, make);
    return 1;
}

/* ---- Separable kernel ------------------------------------------------------ */

/*
 * gconvRowFilter --
 *	An input row filtered across with the nx weights: slot[j] for the
 *	processed columns.
 */
static void gconvRowFilter(GconvContext *context, int row, int pair, float *slot)
{
    int nx = context->kernel.nx;
    readPaddedRow(context, row, pair, context->padded);
    for (int m = 0; m < nx; m++) {
        context->taps[m] = context->padded + context->inColumn + m;
    }
    weightedRowSum(context->columns, nx, context->taps, context->kernel.weights, slot);
}

/* The window's ny filtered rows combined down with the ny weights. */
static void gconvColumnFilter(GconvContext *context, int pair, float *result)
{
    (void)pair;
    weightedRowSum(context->columns, context->kernel.ny, context->window,
                   context->kernel.weights + context->kernel.nx, result);
}

/*
 *----------------------------------------------------------------------
 *
 * gconvRunSeparable --
 *
 *	The "1Ds" kernel: the ring holds input rows filtered across, so
 *	each row is filtered once however many windows it belongs to.
 *
 * Results:
 *	1, or 0 when the work buffer could not be had (after the message).
 *
 * Side effects:
 *	Writes the output rows; resets the written bands' statistics.
 *
 *----------------------------------------------------------------------
 */
static int gconvRunSeparable(GconvContext *context)
{
    size_t paddedLength = (size_t)context->in->head.columns + (size_t)context->kernel.nx;
    if (!allocateWork(context, (size_t)context->columns, paddedLength, 0)) {
        return 0;
    }
    prepareWeights(context);
    resetWrittenStats(context);
    runRing(context, gconvRowFilter, gconvColumnFilter);
    return 1;
}

/* ---- Program --------------------------------------------------------------- */

/*
 * gconvFinish --
 *	Frees the work buffer, tells the output's clients that its data
 *	changed and gives both images back.
 */
static void gconvFinish(GconvContext *context)
{
    gmemFree(context->buffer);
    context->buffer = NULL;
    meterReset();
    updateClient(context->out, 0, RAMIMG_NOTIFY_DATA);
    releaseImages(context);
}

/*
 *----------------------------------------------------------------------
 *
 * rimageGconv --
 *
 *	The program of rimage gconv.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when filtered; else
 *	PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	See gconvParseArgs and the runs.
 *
 *----------------------------------------------------------------------
 */
int rimageGconv(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, gconvUsage);
    }
    /* Two band lists of 8192 entries: kept off the stack. */
    GconvContext *context = (GconvContext *)gmemAlloc(sizeof(GconvContext));
    if (context == NULL) {
        ovex_fprintf(stderr, "Error in memory allocation.\n");
        return PROGRAM_FAILED;
    }
    memset(context, 0, sizeof(*context));
    int status = PROGRAM_FAILED;
    if (gconvParseArgs(context, argc, argv)) {
        int ran = 1;
        if (context->rows > 0 && context->columns > 0) {
            ran = context->kernel.type == CONV_KERNEL_SEPARABLE ? gconvRunSeparable(context)
                                                                 : gconvRun2D(context);
        }
        gconvFinish(context);
        status = ran ? PROGRAM_DONE : PROGRAM_FAILED;
    }
    gmemFree(context);
    return status;
}
