/*
 * trans_program.cpp --
 *
 *	rimage trans: a window of one image into another, band pair by band
 *	pair, every dy-th row. BIN and AVG sum or average blocks of dx x dy
 *	pixels, RSP and CP keep every dx-th pixel, PC writes principal
 *	components of an eigenvector file and RPC rebuilds input bands from
 *	a subset of them. Band number 0 stands for the colour index of a
 *	colour-indexed image, 1 to 3 for its palette channels.
 */
#include "programs/trans_program.h"

#include <math.h>
#include <stdint.h>
#include <string.h>
#include <strings.h>

#include "core/package.h"
#include "core/vocabulary.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/copy_output.h"
#include "programs/feature_file.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"
#include "ramimage/memory_layout.h"
#include "ramimage/kit/output_checks.h"
#include "ramimage/kit/sample_width.h"

enum TransOperation { TRANS_BIN, TRANS_AVG, TRANS_RSP, TRANS_CP, TRANS_PC, TRANS_RPC };

/* Operation names (any case) and their meter labels, by TransOperation. */
static const struct {
    const char *name;
    const char *label;
} transOperations[] = {
    {"BIN", "bin"}, {"AVG", "avgbin"}, {"RSP", "rsp"}, {"CP", "copy"}, {"PC", "pct"},
    {"RPC", "rpct"},
};

enum { INPUT_INDEXED = 1, OUTPUT_INDEXED = 2 };

/* Numbers an indexed image offers besides its index: its palette channels. */
static const int PALETTE_CHANNELS = 3;

/* The first meter threshold of the row loop. */
static const float FIRST_METER_MARK = 0.05f;

struct TransRun {
    RAMIMG *in;
    RAMIMG *out;
    int inColumn, inRow;            /* input start */
    int outColumn, outRow;          /* output start */
    int rows, columns;              /* input window used */
    int dx, dy;                     /* steps, at least 1 */
    int operation;
    int update;
    int quality;                    /* JPEG quality */
    int copyPalette;
    int indexFlags;
    FeatureBlock *eigen;            /* PC and RPC */
    int nComponents;
    int components[MAX_BAND_PAIRS]; /* 0-based items of eigen */
    int nPairs;
    int inBands[MAX_BAND_PAIRS];    /* 0-based; -1 the colour index */
    int outBands[MAX_BAND_PAIRS];
};

static const ProgOption transOptions[] = {
    {"-in", NULL},  {"-out", NULL},   {"-ic", NULL},    {"-ir", NULL},     {"-oc", NULL},
    {"-or", NULL},  {"-r", NULL},     {"-c", NULL},     {"-b", NULL},      {"-o", NULL},
    {"-cmp", NULL}, {"-u", NULL},     {"-ind", NULL},   {"-imgid", NULL},  {"-pixel", NULL},
    {"-nbands", NULL}, {"-ev", NULL}, {"-pc", NULL},    {"-dx", NULL},     {"-dy", NULL},
    {NULL, NULL}
};

static const char *const transUsage[] = {
    "Usage: %s -in IN -out OUT -ic IC -ir IR -oc OC -or OR -r R -c C -b B -o O -cmp CMP -u U "
    "-ind IND -imgid IMG -pixel PX -nbands NB -ev EV -pc PC -dx DX -dy DY\n",
    "where IN    input image\n",
    "      OUT   output image\n",
    "      IC    input start column\n",
    "      IR    input start row\n",
    "      OC    output start column\n",
    "      OR    output start row\n",
    "      R     rows to copy\n",
    "      C     columns to copy\n",
    "      B     band selection: i1[[:o1];i2[:o2];...]\n",
    "      O     options: rsp, avg, bin, pc, rpc\n",
    "      CMP   compression rate for JPEG image\n",
    "      IND   flag of copy color indice: Y or N (def.: N).\n",
    "      U     flag of update image file after copy: 0,1,or 2 (def: 1)).\n",
    "      IMG   output image type.\n",
    "      PX    output pixel ID.\n",
    "      NB    output bands.\n",
    "      EV    eigen vector file.\n",
    "      PC    pc bands.\n",
    "      DX    column interval.\n",
    "      DY    row interval.\n",
    NULL
};

static const char LIST_SEPARATORS[] = ";, \t\n";

static int64_t smaller(int64_t a, int64_t b)
{
    return a < b ? a : b;
}

static int usesEigen(int operation)
{
    return operation == TRANS_PC || operation == TRANS_RPC;
}

static void releaseImages(TransRun *run)
{
    progReleaseImage(run->in);
    progReleaseImage(run->out);
    run->in = run->out = NULL;
}

/* The operation named by word, -1 for none. */
static int operationByName(const char *word)
{
    for (size_t k = 0; k < sizeof transOperations / sizeof transOperations[0]; k++) {
        if (strcasecmp(word, transOperations[k].name) == 0) {
            return (int)k;
        }
    }
    return -1;
}

/* A whole decimal number of at least one digit, no sign, else -1. */
static long strictNumber(const char *text, size_t length)
{
    if (length == 0 || length > 9) {
        return -1;
    }
    long value = 0;
    for (size_t i = 0; i < length; i++) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

/*
 * parseComponents --
 *	The -pc text: numbers a and ranges a-b, 1 <= a <= b <= count, each
 *	number of each entry appended in order. 1, or 0 when an entry is
 *	malformed or out of range or the list overflows.
 */
static int parseComponents(TransRun *run, const char *text, int count)
{
    run->nComponents = 0;
    const char *p = text;
    while (*p != '\0') {
        p += strspn(p, LIST_SEPARATORS);
        size_t length = strcspn(p, LIST_SEPARATORS);
        if (length == 0) {
            break;
        }
        const char *dash = (const char *)memchr(p, '-', length);
        long first, last;
        if (dash != NULL) {
            first = strictNumber(p, (size_t)(dash - p));
            last = strictNumber(dash + 1, length - (size_t)(dash - p) - 1);
        } else {
            first = last = strictNumber(p, length);
        }
        if (first < 1 || last < first || last > count
            || last - first + 1 > MAX_BAND_PAIRS - run->nComponents) {
            return 0;
        }
        for (long k = first; k <= last; k++) {
            run->components[run->nComponents++] = (int)k - 1;
        }
        p += length;
    }
    return 1;
}

/*
 * readOperation --
 *	-o, -ev and -pc: the operation, and for PC and RPC the eigenvector
 *	block and the component list. 1, or 0 after the message.
 */
static int readOperation(TransRun *run, const ProgOptions *options)
{
    const char *o = progOptionValue(options, "-o");
    const char *ev = progOptionValue(options, "-ev");
    run->operation = ev != NULL ? TRANS_PC : TRANS_CP;
    if (o != NULL) {
        run->operation = operationByName(o);
        if (run->operation < 0) {
            ovex_fprintf(stderr, "Unknown operation.\n");
            return 0;
        }
        if (ev != NULL && !usesEigen(run->operation)) {
            ovex_fprintf(stderr, "Invalid operation with the -ev option.\n");
            return 0;
        }
    }
    if (!usesEigen(run->operation)) {
        return 1;
    }
    if (ev == NULL) {
        ovex_fprintf(stderr, "Eigen vector file missing.\n");
        return 0;
    }
    run->eigen = getFeature(ev, FEATURE_EIGEN);
    if (run->eigen == NULL) {
        ovex_fprintf(stderr, "Error in get eigen features.\n");
        return 0;
    }
    int count = (int)run->eigen->itemCount;
    const char *pc = progOptionValue(options, "-pc");
    if (pc != NULL) {
        if (!parseComponents(run, pc, count)) {
            ovex_fprintf(stderr, "Error in parse pc bands.\n");
            return 0;
        }
    } else {
        run->nComponents = count < MAX_BAND_PAIRS ? count : MAX_BAND_PAIRS;
        for (int k = 0; k < run->nComponents; k++) {
            run->components[k] = k;
        }
    }
    return 1;
}

/*
 * settleWindow --
 *	Start points and the input window. 1, or 0 after the message.
 */
static int settleWindow(TransRun *run, const ProgOptions *options)
{
    const ImageHead *in = &run->in->head;
    const ImageHead *out = &run->out->head;
    run->inColumn = progIntOption(options, "-ic", 0);
    run->inRow = progIntOption(options, "-ir", 0);
    run->outColumn = progIntOption(options, "-oc", 0);
    run->outRow = progIntOption(options, "-or", 0);
    if (run->inRow < 0 || run->inRow >= in->rows || run->inColumn < 0
        || run->inColumn >= in->columns) {
        ovex_fprintf(stderr, "Start point is out of input region.");
        return 0;
    }
    if (run->outRow < 0 || run->outRow >= out->rows || run->outColumn < 0
        || run->outColumn >= out->columns) {
        ovex_fprintf(stderr, "Start point is out of output region.");
        return 0;
    }
    int64_t rowsLeft = (int64_t)(out->rows - run->outRow) * run->dy;
    int64_t columnsLeft = (int64_t)(out->columns - run->outColumn) * run->dx;
    const char *r = progOptionValue(options, "-r");
    const char *c = progOptionValue(options, "-c");
    int64_t rows = r != NULL ? (int64_t)ovexLenientInt(r) * run->dy : rowsLeft;
    int64_t columns = c != NULL ? (int64_t)ovexLenientInt(c) * run->dx : columnsLeft;
    columns = smaller(smaller(columns, columnsLeft), in->columns - run->inColumn);
    rows = smaller(smaller(rows, rowsLeft), in->rows - run->inRow);
    run->columns = columns > 0 ? (int)columns : 0;
    run->rows = rows > 0 ? (int)rows : 0;
    return 1;
}

/*
 * readBandPairs --
 *	The -b groups (1-based still), or the default pairs.
 * Returns: 1, or 0 after "Invalid band specification.\n".
 */
static int readBandPairs(TransRun *run, const char *spec, int inLimit, int outLimit)
{
    run->nPairs = 0;
    if (spec == NULL) {
        if (run->indexFlags == OUTPUT_INDEXED) {
            run->inBands[0] = 1;
            run->outBands[0] = 0;
            run->nPairs = 1;
        } else if (run->indexFlags == (INPUT_INDEXED | OUTPUT_INDEXED)) {
            run->inBands[0] = run->outBands[0] = 0;
            run->nPairs = 1;
        } else {
            int n = (int)smaller(smaller(inLimit, outLimit), MAX_BAND_PAIRS);
            for (int k = 0; k < n; k++) {
                run->inBands[k] = run->outBands[k] = k + 1;
            }
            run->nPairs = n > 0 ? n : 0;
        }
        return 1;
    }
    return parseBandPairList(spec, run->inBands, run->outBands, &run->nPairs);
}

/* The largest band number of the eigenvector file's band list. */
static int largestEigenBand(const FeatureBlock *eigen)
{
    int largest = -1;
    for (int i = 0; i < (int)eigen->nBands; i++) {
        if (featureBand(eigen, i) > largest) {
            largest = featureBand(eigen, i);
        }
    }
    return largest;
}

/*
 * checkBandPairs --
 *	Every pair against its images and the operation; the pairs become
 *	0-based. 1, or 0 after the message.
 */
static int checkBandPairs(TransRun *run, int inLimit, int outLimit)
{
    int inIndexed = (run->indexFlags & INPUT_INDEXED) != 0;
    int outIndexed = (run->indexFlags & OUTPUT_INDEXED) != 0;
    int op = run->operation;
    int largest = run->eigen != NULL ? largestEigenBand(run->eigen) : 0;
    for (int k = 0; k < run->nPairs; k++) {
        int in = run->inBands[k], out = run->outBands[k];
        if (in < 0 || in > inLimit || out < 0 || out > outLimit) {
            ovex_fprintf(stderr, "Error in band params.\n");
            return 0;
        }
        /* Components and rebuilt bands are counted from 1: no index there. */
        if ((in == 0 && (!inIndexed || usesEigen(op))) || (out == 0 && !outIndexed)) {
            ovex_fprintf(stderr, "Invalid indice.\n");
            return 0;
        }
        if (outIndexed && !inIndexed) {
            if (out != 0) {
                ovex_fprintf(stderr, "Invalid band number of an output index image.\n");
                return 0;
            }
            if (op == TRANS_BIN || op == TRANS_AVG || usesEigen(op)) {
                ovex_fprintf(stderr, "Index output image for the operation is not supported.\n");
                return 0;
            }
        }
        if (outIndexed && inIndexed) {
            if (in != 0 || out != 0) {
                ovex_fprintf(stderr, "Invalid band number of an input/output index image.\n");
                return 0;
            }
            if (op != TRANS_RSP && op != TRANS_CP) {
                ovex_fprintf(stderr, "Index image for the operation is not supported.\n");
                return 0;
            }
        }
        run->inBands[k] = --in;
        run->outBands[k] = out - 1;
        if (usesEigen(op)
            && (in > largest || (op == TRANS_RPC && in >= (int)run->eigen->nBands))) {
            ovex_fprintf(stderr,
                         "Invalid eigen vector features - nBands:%d k:%d bi:%d maxb:%d\n",
                         (int)run->eigen->nBands, k, in, largest);
            return 0;
        }
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * transParseArgs --
 *
 *	Reads the options, the eigenvector file and the images, and
 *	settles the window and the band pairs.
 *
 * Results:
 *	1, or 0 after the message on standard error; then no image is held
 *	and the text of the last open error (if any) has been printed.
 *
 * Side effects:
 *	May create the output; sets the block of a JPEG input or output.
 *
 *----------------------------------------------------------------------
 */
static int transParseArgs(TransRun *run, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, transOptions, argc, argv, stderr)
        || !readOperation(run, &options)) {
        return 0;
    }
    CopySettings settings;
    if (!readCopySettings(&options, &settings)) {
        return 0;
    }
    run->dx = settings.dx;
    run->dy = settings.dy;
    run->quality = settings.quality;
    run->copyPalette = settings.copyPalette;
    run->update = settings.update;
    const char *inWord = settings.in;
    const char *outWord = settings.out;
    int err = RAMIMG_OK;
    run->in = progOpenImage(inWord, &err);
    if (run->in == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", inWord);
        printRamImageError(err);
        return 0;
    }
    run->out = progOpenImage(outWord, &err);
    if (run->out == NULL) {
        CopyOutputShape shape = {run->dx, run->dy, run->operation == TRANS_PC ? run->nComponents : -1,
                                 run->quality, 0};
        run->out = createCopyOutput(&run->in->head, &shape, &options, outWord, &err);
        if (run->out == NULL) {
            goto failed;
        }
    }
    if (progOutputIsInput(run->in, run->out, outWord)) {
        goto failed;
    }
    if (run->in->head.imgid == IMGID_JPEG) {
        run->in->head.block = run->quality;
    }
    if (run->out->head.imgid == IMGID_JPEG) {
        run->out->head.block = run->quality;
    }
    if (!settleWindow(run, &options)) {
        goto failed;
    }
    {
        const ImageHead *in = &run->in->head;
        const ImageHead *out = &run->out->head;
        run->indexFlags = (in->nindices >= 1 ? INPUT_INDEXED : 0)
            | (out->nindices >= 1 ? OUTPUT_INDEXED : 0);
        int inLimit = run->operation == TRANS_PC ? run->nComponents
            : (run->indexFlags & INPUT_INDEXED) ? PALETTE_CHANNELS : in->nbands;
        int outLimit = (run->indexFlags & OUTPUT_INDEXED) ? PALETTE_CHANNELS : out->nbands;
        if (!readBandPairs(run, progOptionValue(&options, "-b"), inLimit, outLimit)
            || !checkBandPairs(run, inLimit, outLimit)) {
            goto failed;
        }
    }
    return 1;

failed:
    releaseImages(run);
    printRamImageError(err);
    return 0;
}

/* ---- The operations --------------------------------------------------------
 * Each writes the output row of the sampled input row r (a multiple of
 * dy); buffers come from transRows. */

struct TransBuffers {
    float *row;                     /* one input row of the window */
    float *sums;                    /* BIN and AVG: one output row */
    float *pixels;                  /* PC and RPC: pixel-interleaved bands */
    float *values;                  /* RPC: components of every pixel */
    double *vectors;                /* PC and RPC: weights per component */
    double *offsets;                /* PC and RPC: per component */
};

/* RSP and CP: every dx-th value of the window's columns. */
static void subsampleRow(TransRun *run, TransBuffers *b, int r)
{
    int n = run->columns;
    int kept = n > 0 ? (n - 1) / run->dx + 1 : 0;
    int inRow = run->inRow + r, outRow = run->outRow + r / run->dy;
    int useFloat = progNeedsFloat(&run->in->head) || progNeedsFloat(&run->out->head);
    /* 32-bit integers go through doubles, which keep their low bits: row
     * and sums lie side by side (8-byte aligned), room for n doubles. */
    int useDouble = progNeedsDouble(&run->in->head) || progNeedsDouble(&run->out->head);
    unsigned char *bytes = (unsigned char *)b->row;
    double *doubles = (double *)b->row;
    for (int k = 0; k < run->nPairs && n > 0; k++) {
        int outBand = run->outBands[k] < 0 ? 0 : run->outBands[k];
        if (useDouble) {
            getRowDoublePal(run->in, inRow, run->inColumn, n, run->inBands[k], doubles);
            for (int j = 1; run->dx > 1 && j < kept; j++) {
                doubles[j] = doubles[(size_t)j * run->dx];
            }
            putRowDouble(run->out, outRow, run->outColumn, kept, outBand, doubles);
        } else if (useFloat) {
            getRowFloatPal(run->in, inRow, run->inColumn, n, run->inBands[k], b->row);
            for (int j = 1; run->dx > 1 && j < kept; j++) {
                b->row[j] = b->row[(size_t)j * run->dx];
            }
            putRowFloat(run->out, outRow, run->outColumn, kept, outBand, b->row);
        } else {
            getRowBytePal(run->in, inRow, run->inColumn, n, run->inBands[k], bytes);
            for (int j = 1; run->dx > 1 && j < kept; j++) {
                bytes[j] = bytes[(size_t)j * run->dx];
            }
            putRowByte(run->out, outRow, run->outColumn, kept, outBand, bytes);
        }
    }
}

/* BIN and AVG: sums (or means) of dx x dy blocks; rows past the input
 * read as zeros, a last partial column group is left out. */
static void binRow(TransRun *run, TransBuffers *b, int r)
{
    int n = run->columns;
    int m = n / run->dx;
    int outRow = run->outRow + r / run->dy;
    float scale = run->operation == TRANS_AVG ? 1.0f / (float)(run->dx * run->dy) : 1.0f;
    for (int k = 0; k < run->nPairs && m > 0; k++) {
        int outBand = run->outBands[k] < 0 ? 0 : run->outBands[k];
        memset(b->sums, 0, (size_t)m * sizeof(float));
        for (int y = 0; y < run->dy; y++) {
            getRowFloatPal(run->in, run->inRow + r + y, run->inColumn, n, run->inBands[k],
                           b->row);
            for (int j = 0; j < m; j++) {
                const float *block = b->row + (size_t)j * run->dx;
                for (int x = 0; x < run->dx; x++) {
                    b->sums[j] += block[x];
                }
            }
        }
        if (scale != 1.0f) {
            for (int j = 0; j < m; j++) {
                b->sums[j] *= scale;
            }
        }
        putRowFloat(run->out, outRow, run->outColumn, m, outBand, b->sums);
    }
}

/* The shift that centres components in the output's pixel type. */
static double pixelShift(int pixel)
{
    switch (pixel) {
    case PIXEL_BYTE:
        return 127.5;
    case PIXEL_USHORT:
        return 32767.0;
    case PIXEL_ULONG:
        return 2147483647.5;
    case PIXEL_4BITS:
        return 7.5;
    default:
        return 0.0;
    }
}

/*
 * prepareComponents --
 *	The weights of every chosen component (divided by the band standard
 *	deviations when the file was normalised) and the offsets that
 *	subtract the means, PC adding the shift of the output's pixel type.
 */
static void prepareComponents(TransRun *run, TransBuffers *b)
{
    const FeatureBlock *eigen = run->eigen;
    int nb = (int)eigen->nBands;
    const EigenInfo *info = (const EigenInfo *)featurePrivateInfo(eigen);
    const EigenBand *bands = (const EigenBand *)(info + 1);
    double shift = run->operation == TRANS_PC ? pixelShift(run->out->head.pixel) : 0.0;
    for (int p = 0; p < run->nComponents; p++) {
        const float *vector = eigenVector(eigen, run->components[p]);
        double *weights = b->vectors + (size_t)p * nb;
        double offset = 0.0;
        for (int i = 0; i < nb; i++) {
            weights[i] = vector[i];
            if (info->normalised) {
                weights[i] /= sqrt((double)bands[i].variance);
            }
            offset -= weights[i] * bands[i].mean;
        }
        b->offsets[p] = offset + shift;
    }
}

/* Input row r at every dx-th column, in the file's band order; returns
 * the number of pixels the operation writes. */
static int gatherEigenPixels(TransRun *run, TransBuffers *b, const int *bandList, int r)
{
    getRowsFloatBands(run->in, run->inRow + r, run->inColumn, run->columns, run->dx,
                      (int)run->eigen->nBands, bandList, b->pixels);
    return run->columns / run->dx;
}

/* Component p of pixel j. */
static double componentValue(const TransRun *run, const TransBuffers *b, int p, int j)
{
    int nb = (int)run->eigen->nBands;
    const double *weights = b->vectors + (size_t)p * nb;
    const float *pixel = b->pixels + (size_t)j * nb;
    double value = b->offsets[p];
    for (int i = 0; i < nb; i++) {
        value += weights[i] * pixel[i];
    }
    return value;
}

/* PC: each pair's component (a position in the component list). */
static void pcRow(TransRun *run, TransBuffers *b, const int *bandList, int r)
{
    int m = gatherEigenPixels(run, b, bandList, r);
    int outRow = run->outRow + r / run->dy;
    for (int k = 0; k < run->nPairs && m > 0; k++) {
        for (int j = 0; j < m; j++) {
            b->row[j] = (float)componentValue(run, b, run->inBands[k], j);
        }
        putRowFloat(run->out, outRow, run->outColumn, m, run->outBands[k], b->row);
    }
}

/* RPC: each pair's band (a position in the file's band list) rebuilt
 * from the chosen components alone. */
static void rpcRow(TransRun *run, TransBuffers *b, const int *bandList, int r)
{
    int m = gatherEigenPixels(run, b, bandList, r);
    int outRow = run->outRow + r / run->dy;
    int nc = run->nComponents;
    for (int j = 0; j < m; j++) {
        for (int p = 0; p < nc; p++) {
            b->values[(size_t)j * nc + p] = (float)componentValue(run, b, p, j);
        }
    }
    const EigenInfo *info = (const EigenInfo *)featurePrivateInfo(run->eigen);
    const EigenBand *bands = (const EigenBand *)(info + 1);
    int nb = (int)run->eigen->nBands;
    for (int k = 0; k < run->nPairs && m > 0; k++) {
        int band = run->inBands[k];
        for (int j = 0; j < m; j++) {
            double value = bands[band].mean;
            for (int p = 0; p < nc; p++) {
                double coefficient = b->vectors[(size_t)p * nb + band];
                if (info->normalised) {
                    coefficient *= bands[band].variance;
                }
                value += coefficient * b->values[(size_t)j * nc + p];
            }
            b->row[j] = (float)value;
        }
        putRowFloat(run->out, outRow, run->outColumn, m, run->outBands[k], b->row);
    }
}

/*
 * allocBuffers --
 *	One allocation for every buffer the operation uses. 1, or 0 when it
 *	cannot be had (or its size does not fit).
 */
static int allocBuffers(TransRun *run, TransBuffers *b, void **block)
{
    uint64_t columns = run->columns > 0 ? (uint64_t)run->columns : 1;
    uint64_t nb = run->eigen != NULL ? run->eigen->nBands : 0;
    uint64_t nc = (uint64_t)run->nComponents;
    uint64_t sampled = (columns - 1) / (uint64_t)run->dx + 1;
    uint64_t floats = columns + columns;
    uint64_t doubles = 0;
    if (usesEigen(run->operation)) {
        floats += sampled * nb + sampled * nc + nb;     /* + the band list */
        doubles = nc * nb + nc;
    }
    uint64_t bytes = doubles * sizeof(double) + floats * sizeof(float);
    *block = bytes < ((uint64_t)1 << 40) ? gmemAlloc((size_t)bytes) : NULL;
    if (*block == NULL) {
        return 0;
    }
    b->vectors = (double *)*block;
    b->offsets = b->vectors + nc * nb;
    b->row = (float *)(b->offsets + nc);
    b->sums = b->row + columns;     /* right after row: RSP and CP read n doubles over both */
    b->pixels = b->sums + columns;
    b->values = b->pixels + sampled * nb;
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * transRows --
 *
 *	The row loop of the operation over every dy-th row of the window.
 *
 * Results:
 *	1, or 0 after "Error in memory allocation.\n" on standard output
 *	with both images released.
 *
 * Side effects:
 *	Writes the output's rows; shows the meter.
 *
 *----------------------------------------------------------------------
 */
static int transRows(TransRun *run)
{
    TransBuffers b;
    void *block = NULL;
    if (!allocBuffers(run, &b, &block)) {
        ovex_printf("Error in memory allocation.\n");
        releaseImages(run);
        return 0;
    }
    int *bandList = NULL;
    if (usesEigen(run->operation)) {
        /* The band list sits after the RPC values, as ints. */
        bandList = (int *)(b.values + (size_t)((run->columns > 0 ? run->columns - 1 : 0)
                                                   / run->dx + 1) * run->nComponents);
        for (int i = 0; i < (int)run->eigen->nBands; i++) {
            bandList[i] = featureBand(run->eigen, i);
        }
        prepareComponents(run, &b);
    }
    ProgMeter meter;
    progMeterStart(&meter, transOperations[run->operation].label);
    meter.next = FIRST_METER_MARK;
    for (int r = 0; r < run->rows; r += run->dy) {
        switch (run->operation) {
        case TRANS_BIN:
        case TRANS_AVG:
            binRow(run, &b, r);
            break;
        case TRANS_PC:
            pcRow(run, &b, bandList, r);
            break;
        case TRANS_RPC:
            rpcRow(run, &b, bandList, r);
            break;
        default:
            subsampleRow(run, &b, r);
            break;
        }
        progMeterStep(&meter, (int64_t)r + 1, run->rows);
    }
    progMeterEnd(&meter);
    gmemFree(block);
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageTrans --
 *
 *	The program of rimage trans.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when done; else
 *	PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	May create the output; writes its rows and applies -u to it.
 *
 *----------------------------------------------------------------------
 */
int rimageTrans(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, transUsage);
    }
    /* Three lists of 8192 entries: kept off the stack. */
    TransRun *run = (TransRun *)gmemAlloc(sizeof(TransRun));
    if (run == NULL) {
        ovex_printf("Error in memory allocation.\n");
        return PROGRAM_FAILED;
    }
    memset(run, 0, sizeof(*run));
    int status = PROGRAM_FAILED;
    if (transParseArgs(run, argc, argv)) {
        if (run->indexFlags == (INPUT_INDEXED | OUTPUT_INDEXED) && run->copyPalette) {
            copyPaletteEntries(run->out, run->in);
        }
        if (transRows(run)) {
            meterReset();
            progReleaseImage(run->in);
            run->in = NULL;
            if (progUpdateImage(run->out, run->update, run->outBands, run->nPairs)) {
                status = PROGRAM_DONE;
            }
            progReleaseImage(run->out);
            run->out = NULL;
        }
    }
    freeFeature(run->eigen);
    gmemFree(run);
    return status;
}
