/*
 * georef_program.cpp --
 *
 *	rimage georef: every pixel of a window of the output is mapped by the
 *	georectification polynomials to a position in the input, sampled
 *	there by nearest neighbour or bilinear interpolation. The output's
 *	coordinates are its pixel positions in overlay mode, else its
 *	georeferenced ones; input positions are always (column, row) in the
 *	input's frame.
 *
 *	The input pixels a window part needs are read once per band pair as
 *	one block; a block over 4 MB splits the part in halves until it fits.
 */
#include "programs/georef_program.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "core/package.h"
#include "core/rounding.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/georect_mapping.h"
#include "programs/georect_reader.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/option_checks.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"
#include "ramimage/kit/output_checks.h"
#include "ramimage/kit/sample_width.h"

enum { GEOREF_BILINEAR = 2, GEOREF_NEAREST = 3 };

/* Largest input block read at once. */
#define GEOREF_BLOCK_LIMIT 4194304

/* The state of one georef call. */
struct GeorefRun {
    RAMIMG *in;
    RAMIMG *out;
    int startRow, startColumn, endRow, endColumn, rows, columns;  /* output frame */
    int overlay;
    int zeroFill;
    int nPairs;
    int inBands[MAX_BAND_PAIRS];    /* 0-based */
    int outBands[MAX_BAND_PAIRS];
    int method;
    PixelBox inBox, outBox;
    GeoExtent outExtent;
    GeorectParams params;
};

/* One window part with the input block it needs. */
struct GeorefPart {
    int startRow, startColumn, rows, columns;
    GeoExtent extent;               /* the part's extent in output coordinates */
    PixelBox box;                   /* the input block, inside the input */
    int boxColumns;
    void *window;                   /* the block of one band */
    void *row;                      /* one output row segment */
};

static const ProgOption georefOptions[] = {
    {"-in", NULL}, {"-out", NULL}, {"-sr", NULL}, {"-sc", NULL}, {"-r", NULL},
    {"-c", NULL}, {"-b", NULL}, {"-p", NULL}, {"-o", NULL}, {"-ov", NULL},
    {"-rs", NULL}, {NULL, NULL}
};

static const char *const georefUsage[] = {
    "Usage: %s -in IN -out OUT -p PAR -sc SC -sr SR -r R -c C -b B -ov OV -o O -rs RSP\n",
    "where IN    input image\n",
    "      OUT   output image\n",
    "      PAR   geo-reference parameter file\n",
    "      SC    start column of the output\n",
    "      SR    start row of the output\n",
    "      R     rows to copy\n",
    "      C     columns to copy\n",
    "      B     band selection: i1[[:o1],i2[:o2],...]\n",
    "      OV    flag of overlay: Y or N\n",
    "      O     flag of overwritten with zero: Y or N\n",
    "      RSP   resampling method: NN (Nearest NB); BI (Bilinear).\n",
    NULL
};

static void georefRelease(GeorefRun *run)
{
    progReleaseImage(run->out);
    progReleaseImage(run->in);
    run->out = run->in = NULL;
}

/*
 * georefInlineParams --
 *	A degree-1 block that turns the input by angle degrees about its
 *	centre, magnifies it scale times and puts its centre at the output's
 *	centre moved by u columns right and v rows up. The input centre is in
 *	the input's pixel frame (where the row loops sample); the output
 *	centre is the middle of the output's extent, so without overlay the
 *	output's ground units count as input pixels.
 */
static void georefInlineParams(GeorefRun *run, double angle, double u, double v, double scale)
{
    const ImageHead *in = &run->in->head;
    double xcIn = in->left + (in->columns - 1) / 2.0;
    double ycIn = in->top + (in->rows - 1) / 2.0;
    double xcOut = (run->outExtent.xStart + run->outExtent.xEnd) / 2.0;
    double ycOut = (run->outExtent.yStart + run->outExtent.yEnd) / 2.0;
    double theta = angle * M_PI / 180.0;
    GeorectParams *p = &run->params;
    memcpy(p->id, GEORECT_MAGIC, GEORECT_MAGIC_SIZE);
    p->degree = 1;
    p->nCoef = 3;
    p->meanX1 = xcOut;
    p->meanY1 = ycOut;
    p->meanX2 = xcIn - u;
    p->meanY2 = ycIn + v;
    double *icoef = p->coef, *jcoef = p->coef + 3;
    icoef[0] = ycIn + v;
    icoef[1] = -std::sin(theta) / scale;
    icoef[2] = std::cos(theta) / scale;
    jcoef[0] = xcIn - u;
    jcoef[1] = std::cos(theta) / scale;
    jcoef[2] = std::sin(theta) / scale;
}

/* -ov: *overlay from "Y" or "N" in any case, fallback when not given. */
static int overlayOption(const char *value, int fallback, int *overlay)
{
    if (value == NULL) {
        *overlay = fallback;
    } else if (strcasecmp(value, "Y") == 0) {
        *overlay = 1;
    } else if (strcasecmp(value, "N") == 0) {
        *overlay = 0;
    } else {
        ovex_fprintf(stderr, "Illegal params for 'ov'.\n");
        return 0;
    }
    return 1;
}

/*
 * georefParseArgs --
 *	Options, parameter set, images, window and bands.
 * Returns: 1, or 0 after the message (no image held then).
 */
static int georefParseArgs(GeorefRun *run, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, georefOptions, argc, argv, stderr)) {
        return 0;
    }
    const char *inWord = progOptionValue(&options, "-in");
    const char *outWord = progOptionValue(&options, "-out");
    if (inWord == NULL) {
        ovex_fprintf(stderr, "input image is missing!\n");
        return 0;
    }
    if (outWord == NULL) {
        ovex_fprintf(stderr, "Output file is missing!\n");
        return 0;
    }
    const char *zero = progOptionValue(&options, "-o");
    run->zeroFill = zero != NULL && zero[0] == 'Y';
    const char *par = progOptionValue(&options, "-p");
    if (par == NULL) {
        ovex_fprintf(stderr, "rectification parameter missing!\n");
        return 0;
    }
    int inlineSet = par[0] == '@';
    float angle = 0.0f, scale = 1.0f, u = 0.0f, v = 0.0f;
    if (inlineSet) {
        /* Without any number the set is the identity (angle 0). */
        sscanf(par + 1, "%f,%f,%f,%f", &angle, &scale, &u, &v);
        if (!progCheckReal("-p", par, angle, PROG_REAL_FINITE)
            || !progCheckReal("-p", par, scale, PROG_REAL_NONZERO)
            || !progCheckReal("-p", par, u, PROG_REAL_FINITE)
            || !progCheckReal("-p", par, v, PROG_REAL_FINITE)) {
            return 0;
        }
    } else if (!readGeorectParams(par, &run->params)) {
        return 0;
    }
    const char *method = progOptionValue(&options, "-rs");
    if (method == NULL || strcasecmp(method, "NN") == 0) {
        run->method = GEOREF_NEAREST;
    } else if (strcasecmp(method, "BI") == 0) {
        run->method = GEOREF_BILINEAR;
    } else {
        ovex_fprintf(stderr, "Illegal parameter for rs.\n");
        return 0;
    }

    int err = RAMIMG_OK;
    run->in = progOpenImage(inWord, &err);
    if (run->in == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", inWord);
        goto failed;
    }
    run->out = progOpenImage(outWord, &err);
    if (run->out == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", outWord);
        goto failed;
    }
    if (progOutputIsInput(run->in, run->out, outWord)) {
        goto failed;
    }
    imageBox(&run->in->head, &run->inBox);
    imageBox(&run->out->head, &run->outBox);
    if (!overlayOption(progOptionValue(&options, "-ov"), inlineSet, &run->overlay)) {
        goto failed;
    }
    if (run->overlay) {
        imagePixelExtent(&run->out->head, &run->outExtent);
    } else {
        imageGeoExtent(&run->out->head, &run->outExtent);
    }
    if (inlineSet) {
        georefInlineParams(run, angle, u, v, scale);
    }

    {
        const ImageHead *out = &run->out->head;
        run->startRow = progIntOption(&options, "-sr", out->top);
        run->startColumn = progIntOption(&options, "-sc", out->left);
        run->rows = progIntOption(&options, "-r", out->rows);
        run->columns = progIntOption(&options, "-c", out->columns);
        /* 64-bit ends: a start and a count near the int limits must not wrap. */
        int64_t endRow = (int64_t)run->startRow + run->rows - 1;
        int64_t endColumn = (int64_t)run->startColumn + run->columns - 1;
        if (run->startRow < run->outBox.ymin) run->startRow = run->outBox.ymin;
        if (run->startColumn < run->outBox.xmin) run->startColumn = run->outBox.xmin;
        if (endRow > run->outBox.ymax) endRow = run->outBox.ymax;
        if (endColumn > run->outBox.xmax) endColumn = run->outBox.xmax;
        run->endRow = (int)(endRow < INT32_MIN ? INT32_MIN : endRow);
        run->endColumn = (int)(endColumn < INT32_MIN ? INT32_MIN : endColumn);
        int64_t rows = endRow - run->startRow + 1, columns = endColumn - run->startColumn + 1;
        run->rows = rows > 0 ? (int)rows : 0;
        run->columns = columns > 0 ? (int)columns : 0;
    }

    run->nPairs = parseBandParams(run->in->head.nbands, run->out->head.nbands, run->inBands,
                                  run->outBands, progOptionValue(&options, "-b"));
    if (run->nPairs < 1) {
        goto failed;
    }
    return 1;

failed:
    georefRelease(run);
    printRamImageError(err);
    return 0;
}

/* ---- Input blocks ---------------------------------------------------------- */

/* Band band of the part's input block (inside the input) into its window. */
static void georefReadFloat(const GeorefRun *run, GeorefPart *part, int band)
{
    const ImageHead *in = &run->in->head;
    float *window = (float *)part->window;
    for (int y = part->box.ymin; y <= part->box.ymax; y++) {
        getRowFloat(run->in, y - in->top, part->box.xmin - in->left, part->boxColumns, band,
                    window + (size_t)(y - part->box.ymin) * part->boxColumns);
    }
}

static void georefReadByte(const GeorefRun *run, GeorefPart *part, int band)
{
    const ImageHead *in = &run->in->head;
    unsigned char *window = (unsigned char *)part->window;
    for (int y = part->box.ymin; y <= part->box.ymax; y++) {
        getRowByte(run->in, y - in->top, part->box.xmin - in->left, part->boxColumns, band,
                   window + (size_t)(y - part->box.ymin) * part->boxColumns);
    }
}

/* ---- Row loops -------------------------------------------------------------- */

/* Where one output pixel samples the input block. */
struct GeorefSample {
    int valid;          /* 0: the pixel keeps its row value */
    size_t at;          /* offset of (col, row) in the window */
    size_t right;       /* offset from it to the right neighbour */
    size_t down;        /* offset from it to the lower neighbour */
    float fx, fy;
};

/*
 * georefLocate --
 *	The sample of input position (x2, y2). Bilinear samples of a float
 *	block need their right and lower neighbours inside it; those of a
 *	byte block may sit on its last column or row, whose neighbours are
 *	themselves.
 */
static GeorefSample georefLocate(const GeorefRun *run, const GeorefPart *part, double x2,
                                 double y2, int repeatEdges)
{
    GeorefSample s = {0, 0, 0, 0, 0.0f, 0.0f};
    const PixelBox *b = &part->box;
    int col, row;
    /* Rounded down, not toward zero: a position left of or above the
     * first pixel lies outside rather than on it. */
    if (run->method == GEOREF_NEAREST) {
        col = clampToInt(std::floor(x2 + 0.5));
        row = clampToInt(std::floor(y2 + 0.5));
        s.valid = col >= b->xmin && col <= b->xmax && row >= b->ymin && row <= b->ymax;
    } else {
        col = clampToInt(std::floor(x2));
        row = clampToInt(std::floor(y2));
        s.fx = (float)(x2 - col);
        s.fy = (float)(y2 - row);
        if (repeatEdges) {
            s.valid = col >= b->xmin && col <= b->xmax && row >= b->ymin && row <= b->ymax;
            s.right = col < b->xmax ? 1 : 0;
            s.down = row < b->ymax ? (size_t)part->boxColumns : 0;
        } else {
            s.valid = col >= b->xmin && col < b->xmax && row >= b->ymin && row < b->ymax;
            s.right = 1;
            s.down = (size_t)part->boxColumns;
        }
    }
    if (s.valid) {
        s.at = (size_t)(row - b->ymin) * part->boxColumns + (size_t)(col - b->xmin);
    }
    return s;
}

template <typename T>
static float georefBilinear(const T *window, const GeorefSample &s)
{
    const T *p = window + s.at;
    float fx = s.fx, fy = s.fy;
    return (1 - fx) * (1 - fy) * p[0] + fx * (1 - fy) * p[s.right] + (1 - fx) * fy * p[s.down]
           + fx * fy * p[s.down + s.right];
}

/*
 * georefRows --
 *	The row loop of every pixel kind: Window is the block's sample type,
 *	Cell the row's (float for outputs or inputs over 8 bits, else byte).
 */
template <typename Window, typename Cell>
static void georefRows(const GeorefRun *run, GeorefPart *part)
{
    const ImageHead *out = &run->out->head;
    const GeorectParams *p = &run->params;
    int count = 2 * (int)p->degree + 2;
    int repeatEdges = sizeof(Window) == 1 && sizeof(Cell) == 1;
    int haveBlock = part->box.xmin <= part->box.xmax && part->box.ymin <= part->box.ymax;
    Cell *cells = (Cell *)part->row;
    const Window *window = (const Window *)part->window;
    int outColumn = part->startColumn - out->left;
    PolyPair pairs[GEORECT_MAX_PAIRS];
    ProgMeter meter;
    progMeterStart(&meter, "georef");
    for (int k = 0; k < run->nPairs; k++) {
        if (haveBlock) {
            if (sizeof(Window) == 1) {
                georefReadByte(run, part, run->inBands[k]);
            } else {
                georefReadFloat(run, part, run->inBands[k]);
            }
        }
        int band = run->outBands[k];
        double y = part->extent.yStart - p->meanY1;
        for (int r = 0; r < part->rows; r++) {
            reducePolyAtY(p->coef, pairs, y, p->degree);
            y -= part->extent.dy;
            double x = part->extent.xStart - p->meanX1;
            int outRow = part->startRow + r - out->top;
            if (run->zeroFill) {
                memset(cells, 0, (size_t)part->columns * sizeof(Cell));
            } else if (sizeof(Cell) == 1) {
                getRowByte(run->out, outRow, outColumn, part->columns, band,
                           (unsigned char *)cells);
            } else {
                getRowFloat(run->out, outRow, outColumn, part->columns, band, (float *)cells);
            }
            for (int c = 0; haveBlock && c < part->columns; c++) {
                double x2, y2;
                evalPoly2D(pairs, x, count, &x2, &y2);
                x += part->extent.dx;
                GeorefSample s = georefLocate(run, part, x2, y2, repeatEdges);
                if (!s.valid) {
                    continue;
                }
                if (run->method == GEOREF_NEAREST) {
                    cells[c] = (Cell)window[s.at];
                } else if (sizeof(Cell) == 1) {
                    int value = roundToInt(georefBilinear(window, s));
                    cells[c] = (Cell)(value < 0 ? 0 : value > 255 ? 255 : value);
                } else {
                    cells[c] = (Cell)georefBilinear(window, s);
                }
            }
            if (sizeof(Cell) == 1) {
                putRowByte(run->out, outRow, outColumn, part->columns, band,
                           (const unsigned char *)cells);
            } else {
                putRowFloat(run->out, outRow, outColumn, part->columns, band,
                            (const float *)cells);
            }
            progMeterStep(&meter, (int64_t)(k + 1) * (r + 1), (int64_t)run->nPairs * part->rows);
        }
    }
    progMeterEnd(&meter);
}

/* ---- Window parts ------------------------------------------------------------ */

/*
 * georefPart --
 *	One part of the window: its input block, clipped to the input (pixels
 *	outside it would read as 0 and are left to the output instead), split
 *	in halves while it exceeds the limit.
 * Returns: 1, or 0 after a message when memory is short.
 */
static int georefPart(GeorefRun *run, int startRow, int startColumn, int rows, int columns,
                      int direction)
{
    int wide = progNeedsFloat(&run->in->head);
    size_t sampleBytes = wide ? sizeof(float) : 1;
    GeorefPart part;
    memset(&part, 0, sizeof part);
    part.startRow = startRow;
    part.startColumn = startColumn;
    part.rows = rows;
    part.columns = columns;
    georectInputBox(&run->params, &part.extent, &part.box, &run->outExtent, &run->outBox,
                    startRow, startColumn, rows, columns);
    PixelBox *b = &part.box;
    if (b->xmin < run->inBox.xmin) b->xmin = run->inBox.xmin;
    if (b->ymin < run->inBox.ymin) b->ymin = run->inBox.ymin;
    if (b->xmax > run->inBox.xmax) b->xmax = run->inBox.xmax;
    if (b->ymax > run->inBox.ymax) b->ymax = run->inBox.ymax;
    int64_t area = 0;
    if (b->xmin <= b->xmax && b->ymin <= b->ymax) {
        part.boxColumns = b->xmax - b->xmin + 1;
        area = (int64_t)part.boxColumns * (b->ymax - b->ymin + 1);
    }
    int64_t size = area * (int64_t)sampleBytes;
    if (size > GEOREF_BLOCK_LIMIT && (rows > 1 || columns > 1)) {
        if (direction == 0 && rows < 2) direction = 1;
        if (direction == 1 && columns < 2) direction = 0;
        if (direction == 0) {
            int half = rows / 2;
            return georefPart(run, startRow, startColumn, half, columns, 1)
                   && georefPart(run, startRow + half, startColumn, rows - half, columns, 1);
        }
        int half = columns / 2;
        return georefPart(run, startRow, startColumn, rows, half, 0)
               && georefPart(run, startRow, startColumn + half, rows, columns - half, 0);
    }
    /* An empty block still runs the rows: zero fill applies to them. */
    part.window = gmemAlloc(size > 0 ? (size_t)size : 1);
    part.row = gmemAlloc((size_t)columns * sizeof(float));
    if (part.window == NULL || part.row == NULL) {
        gmemFree(part.window);
        gmemFree(part.row);
        ovex_fprintf(stderr, "Error in memory allocation.\n");
        return 0;
    }
    int wideOut = progNeedsFloat(&run->out->head);
    if (wide) {
        georefRows<float, float>(run, &part);
    } else if (wideOut) {
        georefRows<unsigned char, float>(run, &part);
    } else {
        georefRows<unsigned char, unsigned char>(run, &part);
    }
    gmemFree(part.window);
    gmemFree(part.row);
    return 1;
}

/*
 * georefRun --
 *	The whole window, split first across the longer side; then the
 *	output's clients are told of the new data. Rows are written back by
 *	the image's own rules, not flushed here.
 */
static int georefRun(GeorefRun *run)
{
    int done = 1;
    if (run->rows > 0 && run->columns > 0) {
        done = georefPart(run, run->startRow, run->startColumn, run->rows, run->columns,
                          run->rows <= run->columns ? 0 : 1);
    }
    progReleaseImage(run->in);
    run->in = NULL;
    updateClient(run->out, 0, RAMIMG_NOTIFY_DATA);
    progReleaseImage(run->out);
    run->out = NULL;
    meterReset();
    return done;
}

int rimageGeoref(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, georefUsage);
    }
    /* Two band lists of 8192 entries and a parameter block: off the stack. */
    GeorefRun *run = (GeorefRun *)gmemAlloc(sizeof(GeorefRun));
    if (run == NULL) {
        ovex_fprintf(stderr, "Error in memory allocation.\n");
        return PROGRAM_FAILED;
    }
    memset(run, 0, sizeof(*run));
    int status = PROGRAM_FAILED;
    if (georefParseArgs(run, argc, argv)) {
        status = georefRun(run) ? PROGRAM_DONE : PROGRAM_FAILED;
    }
    gmemFree(run);
    return status;
}
