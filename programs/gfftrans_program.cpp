/*
 * gfftrans_program.cpp --
 *
 *	rimage gfftrans. Data never passes through the row cache of the
 *	output. When the whole complex array fits the memory budget it is
 *	read once into the work buffer, every pass works there, and the last
 *	pass writes it once. Otherwise each pass reads whole row blocks or
 *	column strips as wide as the budget holds (from the raw input band,
 *	the input FFT file, or the output file once an earlier pass of the
 *	run has written there), transforms or filters them and writes them
 *	to the output file. Only the last pass of a run folds its output
 *	into the header statistics.
 */
#include "programs/gfftrans_program.h"

#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include "core/gmem.h"
#include "core/package.h"
#include "ovex/ovexstdio.h"
#include "programs/fft_file.h"
#include "programs/fft_filters.h"
#include "programs/fft_kernel.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/option_checks.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"

/* The work buffer's ceiling, and so the longest row or column (of 8-byte
 * elements) a pass can hold. */
static const int64_t WORK_BYTES_MAX = 4194304;
static const int AXIS_MAX = (int)(WORK_BYTES_MAX / 8);

/*
 * fftMemoryBudget --
 *	Bytes a run may hold: env(OVEX_FFT_MEMORY) in bytes when set, else a
 *	quarter of the physical memory. An array that fits is read once,
 *	transformed in memory and written once; a larger one is streamed in
 *	strips as wide as the budget holds.
 */
static int64_t fftMemoryBudget(void)
{
    const char *text = ovex_getenv("OVEX_FFT_MEMORY");
    if (text != NULL && *text != '\0') {
        char *end = NULL;
        long long value = strtoll(text, &end, 10);
        return (end != text && value > 0) ? (int64_t)value : 0;
    }
    long pages = sysconf(_SC_PHYS_PAGES);
    long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) {
        return WORK_BYTES_MAX;
    }
    return (int64_t)pages / 4 * (int64_t)pageSize;
}

/*
 * gfftWorkBytes --
 *	The work buffer for an array of `bytes`: all of it when it fits the
 *	budget (one read, the passes in memory, one write), else the budget,
 *	never below the streaming buffer.
 */
size_t gfftWorkBytes(int64_t bytes, int64_t budget)
{
    int64_t limit = budget > WORK_BYTES_MAX ? budget : WORK_BYTES_MAX;
    if (limit > (int64_t)(SIZE_MAX / 2)) {
        limit = (int64_t)(SIZE_MAX / 2);
    }
    return (size_t)(bytes < limit ? bytes : limit);
}

/* Bands a colour-indexed input offers: its palette's red, green and blue. */
static const int PALETTE_CHANNELS = 3;

enum GfftOp {
    OP_NONE = -1, OP_XRI, OP_YRI, OP_XYRI, OP_XPP, OP_YPP, OP_XYPP, OP_XY, OP_XX, OP_YY,
    OP_FLTR, OP_RI, OP_PP
};

static const char *const opWords[] = {
    "XRI", "YRI", "XYRI", "XPP", "YPP", "XYPP", "XY", "XX", "YY", "FLTR", "RI", "PP", NULL
};

/* Where a pass finds its data. */
enum GfftSource {
    FROM_RAW,                       /* the band of a raw input image */
    FROM_INPUT,                     /* the input FFT file */
    FROM_OUTPUT,                    /* the output file, written by an earlier pass */
    FROM_BUFFER                     /* the work buffer: the whole array as an earlier
                                     * pass left it, not written yet */
};

/* The state of one run. */
struct GfftContext {
    RAMIMG *in;
    RAMIMG *out;
    FftHeader head;                 /* the output's header being built */
    float *buffer;
    size_t bufferBytes;
    float *sourceRow;               /* one row of the raw band */
    int band;                       /* 1-based; 0 the palette indices */
    int previousKind;               /* the input's kind, INIT for a raw input */
    int op;
    int newKind;
    int direction;
    int source;                     /* GfftSource */
    int sourcePP;                   /* what the source holds is in PP form */
    FftFilterKernel *kernel;
    FilterParams filter;
};

static const ProgOption gfftOptions[] = {
    {"-in", NULL}, {"-out", NULL}, {"-b", NULL}, {"-op", NULL}, {"-fp", NULL},
    {"-fa", NULL}, {NULL, NULL}
};

static const char *const gfftUsage[] = {
    "Usage: %s -in IN -out OUT -op OP -b BAND -fp FP -fa FA\n",
    "where IN    imageID of the input image\n",
    "      OUT   imageID of the output FFT image\n",
    "      OP    operation: XRI, YRI, XYRI, XPP, YPP, XYPP, XY, XX, YY, FLTR, RI, PP\n",
    "      BAND  band number\n",
    "      FP    filter parameters:\n",
    "                bell,r,n;\n",
    "                high,r,n,amp;\n",
    "                notch,r,n,amp,x,y\n",
    "      FA    rotation angle of the filter\n",
    NULL
};

/* ---- Kinds ---------------------------------------------------------------- */

static bool isPpKind(int kind)
{
    return kind == SFPP || kind == FSPP || kind == SFPPX || kind == SFPPY;
}

static bool isRiKind(int kind)
{
    return kind == SFRI || kind == FSRI || kind == SFRIX || kind == SFRIY;
}

/* Results of the kind table that are not kinds. */
enum {
    ERR_RAW = -1, ERR_SPATIAL = -2, ERR_SF = -3, ERR_X = -4, ERR_Y = -5, KEEP_KIND = -6
};

static const char *kindErrorText(int code)
{
    switch (code) {
    case ERR_RAW:
        return "Invalid op for a raw image.\n";
    case ERR_SPATIAL:
        return "Input image must be a frequency domain image.\n";
    case ERR_SF:
        return "Invalid op for a SFRI or SFPP image.\n";
    case ERR_X:
        return "Invalid op for a SFRIX or SFPPX image.\n";
    default:
        return "Invalid op for a SFRIY or a SFPPY image.\n";
    }
}

/* Columns of the kind table: the groups of input kinds. */
enum { GROUP_RAW, GROUP_SPATIAL, GROUP_BOTH, GROUP_X, GROUP_Y, GROUPS };

static int kindGroup(int kind, bool raw)
{
    if (raw) {
        return GROUP_RAW;
    }
    switch (kind) {
    case SFRI: case SFPP:
        return GROUP_BOTH;
    case SFRIX: case SFPPX:
        return GROUP_X;
    case SFRIY: case SFPPY:
        return GROUP_Y;
    default:
        return GROUP_SPATIAL;
    }
}

struct KindStep {
    int kind;                       /* the new kind, or an ERR_ or KEEP_KIND code */
    int direction;
};

/* The new kind and direction of each operation by input group. */
static const KindStep kindTable[][GROUPS] = {
    /* XRI */ {{SFRIX, 1}, {SFRIX, 1}, {SFRIY, -1}, {FSRI, -1}, {SFRI, 1}},
    /* YRI */ {{SFRIY, 1}, {SFRIY, 1}, {SFRIX, -1}, {SFRI, 1}, {FSRI, -1}},
    /* XYRI */ {{SFRI, 1}, {SFRI, 1}, {FSRI, -1}, {ERR_X, 1}, {ERR_Y, 1}},
    /* XPP */ {{SFPPX, 1}, {SFPPX, 1}, {SFPPY, -1}, {FSPP, -1}, {SFPP, 1}},
    /* YPP */ {{SFPPY, 1}, {SFPPY, 1}, {SFPPX, -1}, {SFPP, 1}, {FSPP, -1}},
    /* XYPP */ {{SFPP, 1}, {SFPP, 1}, {FSPP, -1}, {ERR_X, 1}, {ERR_Y, 1}},
    /* XY */ {{FSRI, 1}, {FSRI, 1}, {ERR_SF, 1}, {ERR_X, 1}, {ERR_Y, 1}},
    /* XX */ {{FSRI, 1}, {FSRI, 1}, {ERR_SF, 1}, {ERR_X, 1}, {ERR_Y, 1}},
    /* YY */ {{FSRI, 1}, {FSRI, 1}, {ERR_SF, 1}, {ERR_X, 1}, {ERR_Y, 1}},
    /* FLTR */ {{ERR_RAW, 1}, {ERR_SPATIAL, 1}, {KEEP_KIND, 1}, {KEEP_KIND, 1}, {ERR_Y, 1}},
    /* RI */ {{FSRI, 1}, {FSRI, 1}, {SFRI, 1}, {SFRIX, 1}, {SFRIY, 1}},
    /* PP */ {{FSPP, 1}, {FSPP, 1}, {SFPP, 1}, {SFPPX, 1}, {SFPPY, 1}},
};

/*
 * settleKind --
 *	The operation (the kind's default when none was given), the new kind
 *	and the direction of the run.
 * Returns: 1, or 0 after the message of a refused operation.
 */
static int settleKind(GfftContext *context, bool raw)
{
    int group = kindGroup(context->previousKind, raw);
    if (context->op == OP_NONE) {
        context->op = group == GROUP_X ? OP_XRI : group == GROUP_Y ? OP_YRI : OP_XYRI;
    }
    KindStep step = kindTable[context->op][group];
    if (step.kind == KEEP_KIND) {
        step.kind = context->previousKind;
    }
    if (step.kind < 0) {
        ovex_fprintf(stderr, "%s", kindErrorText(step.kind));
        return 0;
    }
    context->newKind = step.kind;
    context->direction = step.direction;
    context->head.kind = step.kind;
    return 1;
}

/* The operation named by word, compared without regard to case; -2 for an
 * unknown word, OP_NONE without one. */
static int opOfWord(const char *word)
{
    if (word == NULL) {
        return OP_NONE;
    }
    for (int k = 0; opWords[k] != NULL; k++) {
        if (strcasecmp(word, opWords[k]) == 0) {
            return k;
        }
    }
    return -2;
}

/*
 * selectFilterKernel --
 *	The kernel for data of kind, with the filter row name: both axes for
 *	SF data, one axis for data transformed along one, by the operation
 *	for FS data (filtered on the way there and back).
 * Returns: 1, or 0 when no kernel fits the kind.
 */
static int selectFilterKernel(GfftContext *context, int kind, int name)
{
    int axes;
    switch (kind) {
    case SFRI: case SFPP:
        axes = FFT_AXES_BOTH;
        break;
    case SFRIX: case SFPPX:
        axes = FFT_AXES_X;
        break;
    case SFRIY: case SFPPY:
        axes = FFT_AXES_Y;
        break;
    case FSRI: case FSPP:
        if (context->op == OP_XY) {
            axes = FFT_AXES_BOTH;
        } else if (context->op == OP_XX) {
            axes = FFT_AXES_X;
        } else if (context->op == OP_YY) {
            axes = FFT_AXES_Y;
        } else {
            return 0;
        }
        break;
    default:
        return 0;
    }
    context->kernel = fftFilterKernel(name, axes);
    return context->kernel != NULL;
}

/* ---- Element forms ---------------------------------------------------------- */

void riToPp(float *elements, int count)
{
    for (int i = 0; i < count; i++) {
        float re = elements[2 * i], im = elements[2 * i + 1];
        float magnitude = sqrtf(re * re + im * im);
        elements[2 * i] = magnitude;
        elements[2 * i + 1] = magnitude == 0.0f ? 0.0f : (float)atan2((double)im, (double)re);
    }
}

void ppToRi(float *elements, int count)
{
    for (int i = 0; i < count; i++) {
        double magnitude = elements[2 * i], phase = elements[2 * i + 1];
        elements[2 * i] = (float)(magnitude * cos(phase));
        elements[2 * i + 1] = (float)(magnitude * sin(phase));
    }
}

/* ---- Arguments ---------------------------------------------------------------- */

/* The smallest power of two not below n (n at most AXIS_MAX). */
static int32_t powerOfTwoAtLeast(int32_t n)
{
    int32_t p = 1;
    while (p < n) {
        p <<= 1;
    }
    return p;
}

static bool isPowerOfTwo(int32_t n)
{
    return n >= 1 && (n & (n - 1)) == 0;
}

/*
 * rawHeader --
 *	The header of a raw input's band: its size padded to powers of two.
 * Returns: 1, or 0 after the message for a wrong band (the caller then
 *	closes the input and returns at once: -1) or an image too large (0).
 */
static int rawHeader(GfftContext *context, const ProgOptions *options)
{
    const ImageHead *in = &context->in->head;
    bool palette = in->nindices >= 1;
    int limit = palette ? PALETTE_CHANNELS : in->nbands;
    const char *bandWord = progOptionValue(options, "-b");
    int band = bandWord != NULL ? ovexLenientInt(bandWord) : 1;
    if (!((band >= 1 && band <= limit) || (band == 0 && palette))) {
        ovex_fprintf(stderr, "Wrong band number: %d (max bands: %d).\n", band, limit);
        return -1;
    }
    if (in->rows < 1 || in->columns < 1 || in->rows > AXIS_MAX || in->columns > AXIS_MAX) {
        ovex_fprintf(stderr, "Image too large for the FFT work buffer.\n");
        return 0;
    }
    FftHeader *head = &context->head;
    memset(head, 0, sizeof(*head));
    memcpy(head->magic, FFT_MAGIC, FFT_MAGIC_SIZE);
    /* The first 64 characters; no terminator when the name is longer. */
    size_t nameLength = strnlen(in->file, sizeof(in->file));
    memcpy(head->source, in->file,
           nameLength < sizeof(head->source) ? nameLength : sizeof(head->source));
    head->band = band;
    head->sourceRows = in->rows;
    head->sourceColumns = in->columns;
    head->rows = powerOfTwoAtLeast(in->rows);
    head->columns = powerOfTwoAtLeast(in->columns);
    context->band = band;
    context->previousKind = INIT;
    context->source = FROM_RAW;
    context->sourcePP = 0;
    return 1;
}

/*
 * fftInputHeader --
 *	The header of an FFT input: the copy kept with the image. The form
 *	checks come before the kind table.
 * Returns: 1, or 0 after the message.
 */
static int fftInputHeader(GfftContext *context, const char *inWord)
{
    const FftHeader *kept = (const FftHeader *)context->in->priv;
    if (kept == NULL || context->in->fd < 0) {
        ovex_fprintf(stderr, "Error in open %s\n", inWord);
        return 0;
    }
    context->head = *kept;
    int kind = kept->kind;
    context->previousKind = kind;
    context->band = kept->band;
    if (context->op == OP_RI && isRiKind(kind)) {
        ovex_fprintf(stderr, "Input FFT is already in {real,image} format.\n");
        return 0;
    }
    if (context->op == OP_PP && isPpKind(kind)) {
        ovex_fprintf(stderr, "Input FFT is already in {power,phase} format.\n");
        return 0;
    }
    if (kind < INIT || kind > SFPPY) {
        ovex_fprintf(stderr, "Must be SFRI[X|Y], SFPP[X|Y], FSRI, FSPP or INIT file!\n");
        return 0;
    }
    /* The probe has checked that the rows lie in the file; the transforms
     * need powers of two that a pass can hold. */
    if (!isPowerOfTwo(kept->rows) || !isPowerOfTwo(kept->columns) || kept->rows > AXIS_MAX
        || kept->columns > AXIS_MAX) {
        ovex_fprintf(stderr, "Wrong size of FFT file: %d x %d.\n", (int)kept->rows,
                     (int)kept->columns);
        return 0;
    }
    context->source = FROM_INPUT;
    context->sourcePP = isPpKind(kind);
    return 1;
}

/*
 * openOutput --
 *	The output: an open FFT file of the header's size, or a new file of
 *	the header, full length, opened as an image.
 * Returns: 1, or 0 after the message.
 */
static int openOutput(GfftContext *context, const char *outWord, int *err)
{
    *err = RAMIMG_OK;
    context->out = progOpenImage(outWord, err);
    if (context->out != NULL) {
        const ImageHead *out = &context->out->head;
        if (out->imgid != IMGID_FFT || context->out->fd < 0 || context->out->priv == NULL
            || out->rows != context->head.rows || out->columns != context->head.columns) {
            ovex_fprintf(stderr, "Wrong type of output file.\n");
            return 0;
        }
        /* Rows written into its cache must not later overwrite the result. */
        flushRamImage(context->out);
        return 1;
    }
    FftHeader head = context->head;
    int fd = createFftFile(outWord, &head);
    /* The image probe wants every row inside the file. */
    if (fd < 0 || ftruncate(fd, (off_t)fftElementOffset(&head, head.rows, 0)) != 0) {
        if (fd >= 0) {
            close(fd);
        }
        ovex_fprintf(stderr, "Error in creating %s.\n", outWord);
        return 0;
    }
    close(fd);
    *err = RAMIMG_OK;
    context->out = progOpenImage(outWord, err);
    if (context->out == NULL) {
        ovex_fprintf(stderr, "Error in open %s\n", outWord);
        return 0;
    }
    return 1;
}

/* The filter of -fp and -fa, when given. Returns 1, or 0 after the
 * message. */
static int settleFilter(GfftContext *context, const ProgOptions *options)
{
    const char *fp = progOptionValue(options, "-fp");
    int op = context->op;
    if (fp != NULL && (op == OP_RI || op == OP_PP)) {
        ovex_fprintf(stderr, "Filter is not allowed for the specified op.\n");
        return 0;
    }
    if (fp == NULL && (op == OP_XY || op == OP_XX || op == OP_YY || op == OP_FLTR)) {
        ovex_fprintf(stderr, "Missing filter specification!\n");
        return 0;
    }
    const char *fa = progOptionValue(options, "-fa");
    float angle = fa != NULL ? (float)ovexLenientDouble(fa) : 0.0f;
    if (fp == NULL) {
        return 1;
    }
    int name;
    if (!parseFftFilter(fp, context->head.rows, context->head.columns, angle, &name,
                        &context->filter)) {
        ovex_fprintf(stderr, "Invalid filter specification.\n");
        return 0;
    }
    int kind = context->direction > 0 ? context->newKind : context->previousKind;
    if (!selectFilterKernel(context, kind, name)) {
        ovex_fprintf(stderr, "wrong type of FFT image for filtering.\n");
        return 0;
    }
    return 1;
}

static void releaseImages(GfftContext *context)
{
    progReleaseImage(context->in);
    progReleaseImage(context->out);
    context->in = context->out = NULL;
}

/*
 *----------------------------------------------------------------------
 *
 * gfftransMain --
 *
 *	Reads the options, opens the input and the output (creating it),
 *	settles the operation, kinds, direction and filter, and resets the
 *	header statistics.
 *
 * Results:
 *	1, or 0 after the messages on standard error; then no image is held
 *	and the text of the last image-open error, if any, has been printed.
 *
 * Side effects:
 *	May create the output file.
 *
 *----------------------------------------------------------------------
 */
static int gfftransMain(GfftContext *context, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, gfftOptions, argc, argv, stderr)) {
        return 0;
    }
    /* The filter's angle is read once the output exists: refuse it first. */
    double angle;
    if (!progCheckedReal(&options, "-fa", 0.0, PROG_REAL_FINITE, &angle)) {
        return 0;
    }
    int err = RAMIMG_OK;
    const char *inWord = progOptionValue(&options, "-in");
    const char *outWord = progOptionValue(&options, "-out");
    const char *opWord = progOptionValue(&options, "-op");
    int64_t bytes;
    if (inWord == NULL) {
        ovex_fprintf(stderr, "Input image missing!\n");
        goto failed;
    }
    if (outWord == NULL) {
        ovex_fprintf(stderr, "Output image missing!\n");
        goto failed;
    }
    context->in = progOpenImage(inWord, &err);
    if (context->in == NULL) {
        ovex_fprintf(stderr, "Error in open %s\n", inWord);
        goto failed;
    }
    context->op = opOfWord(opWord);
    if (context->op == -2) {
        ovex_fprintf(stderr, "Undefined operation: -op %s\n", opWord);
        goto failed;
    }
    if (context->in->head.imgid != IMGID_FFT) {
        int got = rawHeader(context, &options);
        if (got < 0) {
            releaseImages(context);
            return 0;
        }
        if (got == 0 || !settleKind(context, true)) {
            goto failed;
        }
    } else {
        /* Rows written into the input's cache belong to its data. */
        flushRamImage(context->in);
        if (!fftInputHeader(context, inWord) || !settleKind(context, false)) {
            goto failed;
        }
    }
    /* A filter that cannot be made is refused before any output is created. */
    if (!settleFilter(context, &options) || !openOutput(context, outWord, &err)) {
        goto failed;
    }

    context->head.count = 0.0;
    context->head.maxRe = context->head.maxIm = -INFINITY;
    context->head.minRe = context->head.minIm = INFINITY;
    context->head.meanRe = context->head.meanIm = 0.0;
    context->head.stdRe = context->head.stdIm = 0.0;

    bytes = (int64_t)context->head.rows * context->head.columns * 8;
    context->bufferBytes = gfftWorkBytes(bytes, fftMemoryBudget());
    return 1;

failed:
    releaseImages(context);
    printRamImageError(err);
    return 0;
}

/* The work buffer and, for a raw input, one row of its band. */
static int allocGFFT(GfftContext *context)
{
    context->buffer = (float *)gmemAlloc(context->bufferBytes);
    if (context->buffer != NULL && context->source == FROM_RAW) {
        context->sourceRow =
            (float *)gmemAlloc((size_t)context->head.sourceColumns * sizeof(float));
    }
    if (context->buffer == NULL || (context->source == FROM_RAW && context->sourceRow == NULL)) {
        ovex_fprintf(stderr, "Error in allocGFFT!\n");
        return 0;
    }
    return 1;
}

static void freeWork(GfftContext *context)
{
    gmemFree(context->buffer);
    gmemFree(context->sourceRow);
    context->buffer = NULL;
    context->sourceRow = NULL;
}

/* ---- Loading ------------------------------------------------------------------ */

/* Row r of the padded array in the raw source: rows past the last mirror
 * back, the last row repeated once. */
static int sourceRowOf(const FftHeader *head, int r)
{
    return r < head->sourceRows ? r : 2 * head->sourceRows - r - 1;
}

/* Column c in the raw source: mirrored about the last column, which is
 * not repeated. */
static int sourceColumnOf(const FftHeader *head, int c)
{
    return c < head->sourceColumns ? c : 2 * head->sourceColumns - c - 2;
}

/* The raw band's row r of the padded array, into the context's row. */
static const float *readSourceRow(GfftContext *context, int r)
{
    int channel = context->band - 1;    /* -1: the palette indices */
    return getRowFloatPal(context->in, sourceRowOf(&context->head, r), 0,
                          context->head.sourceColumns, channel, context->sourceRow);
}

/* count rows of the padded raw band from firstRow, imaginary parts 0: the
 * band's own columns in one run, then the mirrored ones. */
static void gfftLoadRows(GfftContext *context, int firstRow, int count)
{
    const FftHeader *head = &context->head;
    int own = head->sourceColumns < head->columns ? head->sourceColumns : head->columns;
    for (int j = 0; j < count; j++) {
        const float *row = readSourceRow(context, firstRow + j);
        float *to = context->buffer + (size_t)j * (size_t)head->columns * 2;
        for (int c = 0; c < own; c++) {
            to[2 * c] = row[c];
            to[2 * c + 1] = 0.0f;
        }
        for (int c = own; c < head->columns; c++) {
            to[2 * c] = row[sourceColumnOf(head, c)];
            to[2 * c + 1] = 0.0f;
        }
    }
}

/* count columns of the padded raw band from firstColumn, for every row. */
static void gfftLoadColumns(GfftContext *context, int firstColumn, int count)
{
    const FftHeader *head = &context->head;
    for (int r = 0; r < head->rows; r++) {
        const float *row = readSourceRow(context, r);
        float *to = context->buffer + (size_t)r * (size_t)count * 2;
        for (int j = 0; j < count; j++) {
            to[2 * j] = row[sourceColumnOf(head, firstColumn + j)];
            to[2 * j + 1] = 0.0f;
        }
    }
}

/* The FFT file a pass reads from. */
static int sourceFd(const GfftContext *context)
{
    return context->source == FROM_OUTPUT ? context->out->fd : context->in->fd;
}

/*
 * loadBlock, loadStrip --
 *	Rows (or columns) of the current source into the buffer, in RI form
 *	unless asItIs.
 * Returns: 1, or 0 after the read error's message.
 */
static int loadBlock(GfftContext *context, int firstRow, int count, bool asItIs)
{
    if (context->source == FROM_RAW) {
        gfftLoadRows(context, firstRow, count);
        return 1;
    }
    if (context->source != FROM_BUFFER
        && GetFFTFileBlock(&context->head, sourceFd(context), context->buffer, firstRow, count)
               == NULL) {
        return 0;
    }
    if (context->sourcePP && !asItIs) {
        ppToRi(context->buffer, count * context->head.columns);
    }
    return 1;
}

static int loadStrip(GfftContext *context, int firstColumn, int count)
{
    if (context->source == FROM_RAW) {
        gfftLoadColumns(context, firstColumn, count);
        return 1;
    }
    /* A strip of every column is the whole array: one read, or none when
     * the buffer holds it already. */
    bool whole = firstColumn == 0 && count == context->head.columns;
    if (context->source != FROM_BUFFER
        && (whole ? GetFFTFileBlock(&context->head, sourceFd(context), context->buffer, 0,
                                 context->head.rows)
               : GetFFTFileSeg(&context->head, sourceFd(context), context->buffer, firstColumn,
                               count))
        == NULL) {
        return 0;
    }
    if (context->sourcePP) {
        ppToRi(context->buffer, count * context->head.rows);
    }
    return 1;
}

/* ---- Passes ------------------------------------------------------------------- */

/* Twiddle tables of one pass: cosines then sines, n each. */
static double *allocTwiddles(int n, int direction)
{
    double *tables = (double *)gmemAlloc((size_t)n * 2 * sizeof(double));
    if (tables == NULL) {
        ovex_fprintf(stderr, "Error in malloc.\n");
        return NULL;
    }
    fftTwiddles(n, direction, tables, tables + n);
    return tables;
}

/* Rows per block of the row passes. */
static int blockRows(const GfftContext *context)
{
    int64_t rows = (int64_t)(context->bufferBytes / 8) / context->head.columns;
    return rows < 1 ? 1 : rows > context->head.rows ? context->head.rows : (int)rows;
}

/*
 * putBlock --
 *	Writes count rows of the buffer from first, folding them into the
 *	statistics when stats is non-zero. The whole array is the run's last
 *	write: the buffer's pages go back to the system as it is written, for
 *	the file's pages to take.
 */
static int putBlock(GfftContext *context, int first, int count, int stats)
{
    FftHeader *head = &context->head;
    if (first == 0 && count == head->rows) {
        return PutFFTFileBlockReleasing(head, context->out->fd, context->buffer, first, count,
                                        stats);
    }
    return PutFFTFileBlock(head, context->out->fd, context->buffer, first, count, stats);
}

/* Whether the work buffer holds the whole array. */
static bool wholeInBuffer(const GfftContext *context)
{
    return (int64_t)context->bufferBytes
           >= (int64_t)context->head.rows * context->head.columns * 8;
}

/* Whether a pass keeps its result in the buffer for the next pass instead
 * of writing it: when it is not the last and holds the whole array. */
static bool keepsResult(const GfftContext *context, int last)
{
    return !last && wholeInBuffer(context);
}

/* The data now lies in the output, or in the buffer when kept, in PP form
 * or not. */
static void sourceIsOutput(GfftContext *context, int pp, bool kept)
{
    context->source = kept ? FROM_BUFFER : FROM_OUTPUT;
    context->sourcePP = pp;
}

/*
 *----------------------------------------------------------------------
 *
 * gfftRowPass --
 *
 *	Transforms all rows in the direction, block by block, into the
 *	output. A kernel filters the spectrum: after a forward transform,
 *	before an inverse one (while the data is still frequencies).
 *
 * Results:
 *	1, or 0 after a read, write or memory error.
 *
 * Side effects:
 *	Writes the output's data; with last, folds it into the header
 *	statistics.
 *
 *----------------------------------------------------------------------
 */
static int gfftRowPass(GfftContext *context, int direction, int last,
                       FftFilterKernel *kernel)
{
    FftHeader *head = &context->head;
    int width = head->columns;
    double *tables = allocTwiddles(width, direction);
    if (tables == NULL) {
        return 0;
    }
    bool toPP = context->op == OP_XPP;
    bool keep = keepsResult(context, last);
    int step = blockRows(context);
    int ok = 1;
    context->filter.powerForm = 0;
    ProgMeter meter;
    progMeterStart(&meter, "gfftrans");
    for (int first = 0; ok && first < head->rows; first += step) {
        progMeterStep(&meter, first, head->rows);
        int count = step < head->rows - first ? step : head->rows - first;
        ok = loadBlock(context, first, count, false);
        if (ok && kernel != NULL && direction < 0) {
            kernel(&context->filter, context->buffer, 0, width, first, count);
        }
        ok = ok && fftRows(context->buffer, tables + width, tables, count, width, direction);
        if (ok && kernel != NULL && direction > 0) {
            kernel(&context->filter, context->buffer, 0, width, first, count);
        }
        if (ok && toPP) {
            riToPp(context->buffer, count * width);
        }
        ok = ok && (keep || putBlock(context, first, count, last));
    }
    progMeterEnd(&meter);
    gmemFree(tables);
    sourceIsOutput(context, toPP, keep);
    return ok;
}

/* The widest power-of-two strip of columns of height rows that `bytes`
 * holds. */
static int stripWidth(const FftHeader *head, int64_t bytes)
{
    int64_t fits = (bytes / 8) / head->rows;
    int step = 1;
    while ((int64_t)step * 2 <= fits && step * 2 <= head->columns) {
        step *= 2;
    }
    return step;
}

/*
 * putStrip --
 *	Writes a transformed strip (the whole array in one write when it
 *	spans every column). Its statistics are folded in the order of the
 *	streaming buffer's narrower strips, each row segment of each in turn,
 *	so that the header comes out the same whatever the work buffer.
 */
static int putStrip(GfftContext *context, int first, int count, int last)
{
    FftHeader *head = &context->head;
    int narrow = stripWidth(head, WORK_BYTES_MAX);
    if (last) {
        for (int s = 0; s < count; s += narrow) {
            int width = narrow < count - s ? narrow : count - s;
            fftHeaderStatsRows(head, head->rows, width, context->buffer + (size_t)s * 2,
                               (size_t)count);
        }
    }
    if (first == 0 && count == head->columns) {
        return putBlock(context, 0, head->rows, 0);
    }
    return PutFFTFileSeg(head, context->out->fd, context->buffer, first, count, 0);
}

/* gfftRowPass down the columns, in strips of a power-of-two width. */
static int gfftColumnPass(GfftContext *context, int direction, int last,
                          FftFilterKernel *kernel)
{
    FftHeader *head = &context->head;
    int height = head->rows;
    double *tables = allocTwiddles(height, direction);
    if (tables == NULL) {
        return 0;
    }
    bool toPP = isPpKind(context->newKind);
    bool keep = keepsResult(context, last);
    int step = stripWidth(head, (int64_t)context->bufferBytes);
    int ok = 1;
    context->filter.powerForm = 0;
    ProgMeter meter;
    progMeterStart(&meter, "gfftrans");
    for (int first = 0; ok && first < head->columns; first += step) {
        progMeterStep(&meter, first, head->columns);
        int count = step < head->columns - first ? step : head->columns - first;
        ok = loadStrip(context, first, count);
        if (ok && kernel != NULL && direction < 0) {
            kernel(&context->filter, context->buffer, first, count, 0, height);
        }
        ok = ok && fftColumns(context->buffer, tables + height, tables, height, count, direction);
        if (ok && kernel != NULL && direction > 0) {
            kernel(&context->filter, context->buffer, first, count, 0, height);
        }
        if (ok && toPP) {
            riToPp(context->buffer, count * height);
        }
        ok = ok && (keep || putStrip(context, first, count, last));
    }
    progMeterEnd(&meter);
    gmemFree(tables);
    sourceIsOutput(context, toPP, keep);
    return ok;
}

/* The selected kernel over the input's data as it is, into the output;
 * nothing without a kernel. */
static int gfftFilterPass(GfftContext *context, int last)
{
    if (context->kernel == NULL) {
        return 1;
    }
    FftHeader *head = &context->head;
    bool keep = keepsResult(context, last);
    int step = blockRows(context);
    int ok = 1;
    context->source = FROM_INPUT;
    context->sourcePP = isPpKind(context->previousKind);
    context->filter.powerForm = context->sourcePP;
    ProgMeter meter;
    progMeterStart(&meter, "gfftrans");
    for (int first = 0; ok && first < head->rows; first += step) {
        progMeterStep(&meter, first, head->rows);
        int count = step < head->rows - first ? step : head->rows - first;
        ok = loadBlock(context, first, count, true);
        if (ok) {
            context->kernel(&context->filter, context->buffer, 0, head->columns, first, count);
        }
        ok = ok && (keep || putBlock(context, first, count, last));
    }
    progMeterEnd(&meter);
    sourceIsOutput(context, context->sourcePP, keep);
    return ok;
}

/* All rows of the source into the output in PP form (toPP) or RI form. */
static int gfftFormPass(GfftContext *context, bool toPP, int last)
{
    FftHeader *head = &context->head;
    int step = blockRows(context);
    int ok = 1;
    ProgMeter meter;
    progMeterStart(&meter, "gfftrans");
    for (int first = 0; ok && first < head->rows; first += step) {
        progMeterStep(&meter, first, head->rows);
        int count = step < head->rows - first ? step : head->rows - first;
        int elements = count * head->columns;
        ok = loadBlock(context, first, count, true);
        if (ok && toPP && !context->sourcePP) {
            riToPp(context->buffer, elements);
        } else if (ok && !toPP && context->sourcePP) {
            ppToRi(context->buffer, elements);
        }
        ok = ok && putBlock(context, first, count, last);
    }
    progMeterEnd(&meter);
    sourceIsOutput(context, toPP, false);
    return ok;
}

static int gfftRiPass(GfftContext *context, int last)
{
    return gfftFormPass(context, false, last);
}

static int gfftPpPass(GfftContext *context, int last)
{
    return gfftFormPass(context, true, last);
}

/* The passes of the operation. Returns 1, or 0 when one failed. */
static int runPasses(GfftContext *context)
{
    int d = context->direction;
    FftFilterKernel *kernel = context->kernel;
    switch (context->op) {
    case OP_XRI: case OP_XPP:
        if (d > 0) {
            return gfftRowPass(context, 1, 1, kernel);
        }
        return gfftFilterPass(context, 0) && gfftRowPass(context, -1, 1, NULL);
    case OP_YRI: case OP_YPP:
        if (d > 0) {
            return gfftColumnPass(context, 1, 1, kernel);
        }
        return gfftFilterPass(context, 0) && gfftColumnPass(context, -1, 1, NULL);
    case OP_XYRI: case OP_XYPP:
        if (d > 0) {
            return gfftRowPass(context, 1, 0, NULL) && gfftColumnPass(context, 1, 1, kernel);
        }
        return gfftRowPass(context, -1, 0, kernel) && gfftColumnPass(context, -1, 1, NULL);
    case OP_XY:
        return gfftRowPass(context, 1, 0, NULL) && gfftColumnPass(context, 1, 0, kernel)
               && gfftRowPass(context, -1, 0, NULL) && gfftColumnPass(context, -1, 1, NULL);
    case OP_XX:
        return gfftRowPass(context, 1, 0, kernel) && gfftRowPass(context, -1, 1, NULL);
    case OP_YY:
        return gfftColumnPass(context, 1, 0, kernel) && gfftColumnPass(context, -1, 1, NULL);
    case OP_FLTR:
        return gfftFilterPass(context, 1);
    case OP_RI:
        return gfftRiPass(context, 1);
    default:
        return gfftPpPass(context, 1);
    }
}

/*
 *----------------------------------------------------------------------
 *
 * gfftFinish --
 *
 *	Turns the mean squares into deviations, writes the header, drops
 *	what the output image held of its old data, and releases both
 *	images.
 *
 * Results:
 *	1, or 0 when the header could not be written.
 *
 * Side effects:
 *	The output's clients are told its data changed.
 *
 *----------------------------------------------------------------------
 */
static int gfftFinish(GfftContext *context)
{
    freeWork(context);
    FftHeader *head = &context->head;
    double varRe = head->stdRe - head->meanRe * head->meanRe;
    double varIm = head->stdIm - head->meanIm * head->meanIm;
    head->stdRe = varRe > 0.0 ? sqrt(varRe) : 0.0;
    head->stdIm = varIm > 0.0 ? sqrt(varIm) : 0.0;
    RAMIMG *out = context->out;
    int ok = PutFFTHead(head, out->fd);
    invalidateRowCache(out);
    freeHist(out->stats, out->head.nbands);
    out->stats = NULL;
    /* A later run reads the kind from the copy kept with the image. */
    if (out->priv != NULL) {
        memcpy(out->priv, head, sizeof(*head));
    }
    progReleaseImage(context->in);
    updateClient(out, 0, RAMIMG_NOTIFY_DATA);
    progReleaseImage(out);
    context->in = context->out = NULL;
    return ok;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageGfftrans --
 *
 *	The program: a forward or inverse FFT, a form conversion or a
 *	filter from -in into the FFT file -out.
 *
 * Results:
 *	PROGRAM_USAGE without words, PROGRAM_DONE when the output is
 *	complete, PROGRAM_FAILED after a message on standard error.
 *
 * Side effects:
 *	Creates or rewrites the output file.
 *
 *----------------------------------------------------------------------
 */
int rimageGfftrans(const char *name, int argc, const char **argv)
{
    if (argc < 1) {
        return progPrintUsage(name, gfftUsage);
    }
    GfftContext context;
    memset(&context, 0, sizeof(context));
    if (!gfftransMain(&context, argc, argv)) {
        return PROGRAM_FAILED;
    }
    if (!allocGFFT(&context)) {
        freeWork(&context);
        releaseImages(&context);
        return PROGRAM_FAILED;
    }
    int passed = runPasses(&context);
    meterReset();
    if (!passed) {
        /* The output holds partly new data under its old header; its
         * cached rows are stale either way. The file messages before this
         * may end without a line end. */
        ovex_fprintf(stderr, "\nThe output %s is incomplete.\n", context.out->head.file);
        freeWork(&context);
        invalidateRowCache(context.out);
        releaseImages(&context);
        return PROGRAM_FAILED;
    }
    return gfftFinish(&context) ? PROGRAM_DONE : PROGRAM_FAILED;
}
