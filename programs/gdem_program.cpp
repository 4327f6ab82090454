/*
 * gdem_program.cpp --
 *
 *	rimage gdem: one output row from each pair of neighbouring DEM rows.
 *	A cell's surface normal comes from its height differences scaled by
 *	gx = -2 zs / dx and gy = 2 zs / dy; the light and the fixed view are
 *	unit vectors from their azimuth and elevation, the varying view of
 *	SL, HL and HLE points from each pixel to a focal point at height h
 *	above column xc and row yc. Each output value may be averaged over
 *	the four cells around its pixel, written to a shade band and used to
 *	calibrate the bands of another image.
 */
#include "programs/gdem_program.h"

#include <limits.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "core/package.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/dem_support.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/option_checks.h"
#include "ramimage/kit/output_checks.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"

enum GdemOperation {
    GDEM_LAMBERT, GDEM_SINE, GDEM_TANG, GDEM_NORM, GDEM_SL, GDEM_HL, GDEM_HLE
};

/* The state of one gdem call; angles in radians. */
struct GdemContext {
    RAMIMG *dem, *shade, *input, *calib;
    int op;
    int demBand, shadeBand;
    int calibBand;                  /* -1: every band */
    int columns, rows;
    int update, average, multiCentre;
    double dx, dy;
    double az, va, vaz, vva, hle;
    double vvaDegrees;
    double zs, s, h, xc, yc, p, off, g, fb;
};

/* What the row functions need, in single precision. */
struct GdemShading {
    float gx, gy;
    float lx, ly, lz;               /* toward the light */
    float vx, vy, vz;               /* toward the fixed view */
    float s, g, p, off;
    float h, xc, dx;
    float sinHle;
};

/* One output row of width cells (at least 2) from two DEM rows; y is the
 * focal point's offset from the row, dy x (yc - r). */
typedef void (GdemRowFunction)(const GdemShading *k, const float *previous,
                               const float *current, float *out, int width, float y);

static const ProgOption gdemOptions[] = {
    {"-dx", NULL}, {"-dy", NULL}, {"-dem", NULL}, {"-shade", NULL}, {"-img", NULL},
    {"-op", NULL}, {"-az", NULL}, {"-va", NULL}, {"-zs", NULL}, {"-b", NULL},
    {"-u", NULL}, {"-s", NULL}, {"-avg", NULL}, {"-vaz", NULL}, {"-vva", NULL},
    {"-h", NULL}, {"-xc", NULL}, {"-yc", NULL}, {"-p", NULL}, {"-off", NULL},
    {"-g", NULL}, {"-calib", NULL}, {"-cb", NULL}, {"-fb", NULL}, {"-m", NULL},
    {"-in", NULL}, {"-out", NULL}, {"-slope", NULL}, {NULL, NULL}
};

static const char *const gdemUsage[] = {
    "Usage: %s -dem DEM -shade SHADE -dx DX -dy DY -zs ZS -u U -s S -avg AVG -op OP -az AZ "
    "-va VA -vaz VAZ -vva VVA -h H -xc XC -yc YC -p P -off OFF -g GAIN -img IMG -calib CALIB "
    "-cb CB -fb FB -m M\n",
    "where DEM    input DEM image\n",
    "      SHADE  output shade image\n",
    "      DX     pixel width\n",
    "      DY     pixel height\n",
    "      ZS     z scale (1.0)\n",
    "      S      output scale (255.0)\n",
    "      U      flag of update (0)\n",
    "      AVG    flag of averaging (1)\n",
    "      OP     flag of operation: LAMBERT, SINE, TANG, NORM, SL, HL, HLE (LAMBERT)\n",
    "      AZ     azimuth (135)\n",
    "      VA     vertical angle (45)\n",
    "      VAZ    view azimuth (AZ)\n",
    "      VVA    view vertical angle (90)\n",
    "      H      height of focal point\n",
    "      XC     x of focal point\n",
    "      YC     y of focal point\n",
    "      P      power (1.0)\n",
    "      OFF    offset (0.0)\n",
    "      GAIN   gain (0.5)\n",
    "      IMG    the input image to be calibarated\n",
    "      CALIB  the calibarated image\n",
    "      CB     the band to be calibarated\n",
    "      FB     the feed back factor (-0.5)\n",
    "      M      flag of multi-centeral projection (0)\n",
    NULL
};

static const double DEGREE = M_PI / 180.0;

/* ---- Row functions -------------------------------------------------------- */

/* The normal of one cell: its gradient, N = |(gX, gY, -1)|^2 and the
 * normal's product with the light. */
struct GdemFacet {
    float gX, gY, n, nL;
};

static inline GdemFacet facetAt(const GdemShading *k, const float *previous,
                                const float *current, int c)
{
    DemCell cell = demCell(previous, current, c);
    GdemFacet f;
    f.gX = cell.across * k->gx;
    f.gY = cell.down * k->gy;
    f.n = f.gX * f.gX + f.gY * f.gY + 1.0f;
    f.nL = f.gX * k->lx + f.gY * k->ly - k->lz;
    return f;
}

/* The unit view from column c toward the focal point: (-X, -Y, h)/dist. */
struct GdemRay {
    float x, y, z;
};

static inline GdemRay towardFocus(const GdemShading *k, int c, float y)
{
    float x = ((float)c - k->xc) * k->dx;
    float dist = sqrtf(x * x + y * y + k->h * k->h);
    GdemRay v = {-x / dist, -y / dist, k->h / dist};
    return v;
}

/* The diffuse part of the focal models: (1 - g) x nV' x nL / N. */
static inline float diffuse(const GdemShading *k, const GdemFacet &f, const GdemRay &v)
{
    float nV = f.gX * v.x + f.gY * v.y - v.z;
    return (1.0f - k->g) * nV * f.nL / f.n;
}

static inline float lightDotView(const GdemShading *k, const GdemRay &v)
{
    return k->lx * v.x + k->ly * v.y + k->lz * v.z;
}

/*
 * shadeCells --
 *	out[c] = value(cell c's facet, c) for c = 1 .. width - 1; column 0
 *	has no cell of its own and repeats column 1.
 */
template <class CellValue>
static inline void shadeCells(const GdemShading *k, const float *previous, const float *current,
                              float *out, int width, CellValue value)
{
    for (int c = 1; c < width; c++) {
        out[c] = value(facetAt(k, previous, current, c), c);
    }
    out[0] = out[1];
}

static void gdemShadeLambert(const GdemShading *k, const float *previous, const float *current,
                             float *out, int width, float y)
{
    (void)y;
    shadeCells(k, previous, current, out, width, [k](const GdemFacet &f, int) {
        float nV = f.gX * k->vx + f.gY * k->vy - k->vz;
        return k->s * nV * f.nL / f.n;
    });
}

static void gdemSlopeSine(const GdemShading *k, const float *previous, const float *current,
                          float *out, int width, float y)
{
    (void)y;
    shadeCells(k, previous, current, out, width, [k](const GdemFacet &f, int) {
        return k->s * sqrtf(1.0f - 1.0f / f.n);
    });
}

static void gdemSlopeTangent(const GdemShading *k, const float *previous, const float *current,
                             float *out, int width, float y)
{
    (void)y;
    shadeCells(k, previous, current, out, width, [k](const GdemFacet &f, int) {
        return k->s * sqrtf(f.gX * f.gX + f.gY * f.gY);
    });
}

/* The mirror term 2 nL nV'/N - L.V' counts only where it is positive. */
static void gdemShadeSL(const GdemShading *k, const float *previous, const float *current,
                        float *out, int width, float y)
{
    shadeCells(k, previous, current, out, width, [k, y](const GdemFacet &f, int c) {
        GdemRay v = towardFocus(k, c, y);
        float nV = f.gX * v.x + f.gY * v.y - v.z;
        float q = 2.0f * f.nL * nV / f.n - lightDotView(k, v);
        float highlight = q > 0.0f ? k->g * powf(q, k->p) : 0.0f;
        return k->s * (highlight + diffuse(k, f, v)) + k->off;
    });
}

/* A negative L.V' has no real non-integer power: such a pixel gets no
 * highlight. */
static void gdemShadeHL(const GdemShading *k, const float *previous, const float *current,
                        float *out, int width, float y)
{
    bool integerPower = k->p == floorf(k->p);
    shadeCells(k, previous, current, out, width, [k, y, integerPower](const GdemFacet &f, int c) {
        GdemRay v = towardFocus(k, c, y);
        float lv = lightDotView(k, v);
        float highlight = (lv >= 0.0f || integerPower) ? k->g * powf(lv, k->p) : 0.0f;
        return k->s * (highlight + diffuse(k, f, v)) + k->off;
    });
}

static void gdemShadeHLE(const GdemShading *k, const float *previous, const float *current,
                         float *out, int width, float y)
{
    shadeCells(k, previous, current, out, width, [k, y](const GdemFacet &f, int c) {
        GdemRay v = towardFocus(k, c, y);
        float lv = lightDotView(k, v);
        float behind = lv < 0.0f ? lv : 0.0f;
        /* Rounding may carry |L.V'| a hair above 1. */
        float across = 1.0f - behind * behind;
        float spread = sqrtf(across > 0.0f ? across : 0.0f) / k->sinHle;
        float highlight = k->g * expf(-powf(spread, k->p));
        return k->s * (highlight + diffuse(k, f, v)) + k->off;
    });
}

static GdemRowFunction *rowFunctionOf(int op)
{
    switch (op) {
    case GDEM_SINE:
        return gdemSlopeSine;
    case GDEM_TANG:
        return gdemSlopeTangent;
    case GDEM_SL:
        return gdemShadeSL;
    case GDEM_HL:
        return gdemShadeHL;
    case GDEM_HLE:
        return gdemShadeHLE;
    default:
        return gdemShadeLambert;
    }
}

/*
 * gdemAverageRows --
 *	Output value c of a row function belongs to the cell left of and
 *	above pixel c; the mean of cells c and c + 1 of both rows centres it
 *	on the pixel. The end columns take the mean of their own column.
 */
static void gdemAverageRows(const float *previous, const float *current, float *out, int n)
{
    if (n < 1) {
        return;
    }
    out[0] = (previous[0] + current[0]) * 0.5f;
    for (int c = 1; c < n - 1; c++) {
        out[c] = (previous[c] + current[c] + previous[c + 1] + current[c + 1]) * 0.25f;
    }
    if (n >= 2) {
        out[n - 1] = (previous[n - 1] + current[n - 1]) * 0.5f;
    }
}

/*
 * gdemCalibrate --
 *	Every value v of the band (or of every band the calibrated image and
 *	the source share, band -1) becomes v + s + fb x shade[c]. Only the
 *	columns the shade row, the source and the calibrated image all have
 *	are calibrated; buffer holds columns floats.
 */
static void gdemCalibrate(RAMIMG *source, RAMIMG *calibrated, int band, int row, int column0,
                          int columns, double s, const float *shade, double fb, float *buffer)
{
    int n = columns;
    if (calibrated->head.columns - column0 < n) {
        n = calibrated->head.columns - column0;
    }
    if (source->head.columns - column0 < n) {
        n = source->head.columns - column0;
    }
    if (n <= 0) {
        return;
    }
    int bands = calibrated->head.nbands < source->head.nbands ? calibrated->head.nbands
                                                              : source->head.nbands;
    int first = band >= 0 ? band : 0;
    int last = band >= 0 ? band : bands - 1;
    for (int b = first; b <= last && b < bands; b++) {
        getRowFloat(source, row, column0, n, b, buffer);
        for (int c = 0; c < n; c++) {
            buffer[c] = (float)(buffer[c] + s + fb * shade[c]);
        }
        putRowFloat(calibrated, row, column0, n, b, buffer);
    }
}

/* ---- Options and images --------------------------------------------------- */

static void gdemRelease(GdemContext *ctx)
{
    progReleaseImage(ctx->dem);
    progReleaseImage(ctx->shade);
    progReleaseImage(ctx->input);
    progReleaseImage(ctx->calib);
    ctx->dem = ctx->shade = ctx->input = ctx->calib = NULL;
}

/*
 * parseOperation --
 *	The keyword, case counting; HLE may carry its angle in degrees right
 *	after it ("HLE30").
 * Returns: 1, or 0 for an unknown word.
 * Changes: ctx->op; *hleDegrees and *hleGiven for an HLE with an angle.
 */
static int parseOperation(GdemContext *ctx, const char *word, double *hleDegrees, int *hleGiven)
{
    static const struct {
        const char *word;
        int op;
    } words[] = {
        {"LAMBERT", GDEM_LAMBERT}, {"SINE", GDEM_SINE}, {"TANG", GDEM_TANG},
        {"NORM", GDEM_NORM}, {"SL", GDEM_SL}, {"HL", GDEM_HL},
    };
    *hleGiven = 0;
    if (word == NULL) {
        ctx->op = GDEM_LAMBERT;
        return 1;
    }
    for (const auto &entry : words) {
        if (strcmp(word, entry.word) == 0) {
            ctx->op = entry.op;
            return 1;
        }
    }
    if (strncmp(word, "HLE", 3) == 0) {
        ctx->op = GDEM_HLE;
        char *end = NULL;
        double angle = strtod(word + 3, &end);
        if (end != word + 3) {
            *hleDegrees = angle;
            *hleGiven = 1;
        }
        return 1;
    }
    return 0;
}

/* A long from strtol in the range of int: a band too large to exist
 * stays too large. */
static int clampLong(long value)
{
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : (int)value;
}

/*
 * parseBandPair --
 *	"dem:shade": two decimal integers (optional blanks and sign) around
 *	one colon, nothing after.
 * Returns: 1 with both stored, else 0.
 */
static int parseBandPair(const char *text, int *dem, int *shade)
{
    char *end = NULL;
    long first = strtol(text, &end, 10);
    if (end == text || *end != ':') {
        return 0;
    }
    const char *second = end + 1;
    long other = strtol(second, &end, 10);
    if (end == second || *end != '\0') {
        return 0;
    }
    *dem = clampLong(first);
    *shade = clampLong(other);
    return 1;
}

/*
 * openOrCreate --
 *	The image of word, or one made from model's head at the model's
 *	size. An existing file that does not open as an image is left alone.
 * Returns: the image, or NULL after "Error in open %s.\n" (*createErr set
 *	when the creation failed).
 */
static RAMIMG *openOrCreate(const char *word, const RAMIMG *model, int *createErr)
{
    RAMIMG *image = progOpenImage(word, NULL);
    if (image == NULL && model != NULL) {
        image = demCreateLike(&model->head, word, model->head.rows, model->head.columns, 0,
                              createErr);
    }
    if (image == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", word);
    }
    return image;
}

/* 1 for an image that is not colour-indexed, else 0 after the message. */
static int refuseIndexed(const RAMIMG *image)
{
    if (image->head.nindices >= 1) {
        ovex_fprintf(stderr, "Index image is not supported.\n");
        return 0;
    }
    return 1;
}

/* The DEM of word. Returns: 1, or 0 after the message. */
static int openDem(GdemContext *ctx, const char *word)
{
    ctx->dem = progOpenImage(word, NULL);
    if (ctx->dem == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", word);
        return 0;
    }
    return refuseIndexed(ctx->dem);
}

/*
 * openGdemImages --
 *	Steps 5 to 9 of the parse: the image to calibrate, the calibrated
 *	image, the DEM, the shade image, each with its checks.
 * Returns: 1, or 0 after the message.
 */
static int openGdemImages(GdemContext *ctx, const ProgOptions *options, const char *demWord,
                          const char *shadeWord, int *createErr)
{
    const char *imgWord = progOptionValue(options, "-img");
    const char *calibWord = progOptionValue(options, "-calib");
    if (imgWord != NULL) {
        ctx->input = progOpenImage(imgWord, NULL);
        if (ctx->input == NULL) {
            ovex_fprintf(stderr, "Error in open %s.\n", imgWord);
            return 0;
        }
    }
    ctx->calibBand = -1;
    if (calibWord != NULL) {
        ctx->calib = openOrCreate(calibWord, ctx->input, createErr);
        if (ctx->calib == NULL) {
            return 0;
        }
        if (ctx->calib->head.nindices >= 1) {
            ovex_fprintf(stderr, "Index image can not be calibarated.\n");
            return 0;
        }
        const char *cb = progOptionValue(options, "-cb");
        if (cb != NULL) {
            int band = ovexLenientInt(cb);
            if (band < 1 || band > ctx->calib->head.nbands) {
                ovex_fprintf(stderr, "Invalid band of the image to be calibarated\n");
                return 0;
            }
            ctx->calibBand = band - 1;
        }
    }

    if (!openDem(ctx, demWord)) {
        return 0;
    }

    if (shadeWord == NULL) {
        if (ctx->calib == NULL) {
            ovex_fprintf(stderr, "output image file(s) missing.\n");
            return 0;
        }
    } else {
        ctx->shade = openOrCreate(shadeWord, ctx->dem, createErr);
        if (ctx->shade == NULL || !refuseIndexed(ctx->shade)) {
            return 0;
        }
    }
    if (progSameImage(ctx->dem, ctx->shade)) {
        ovex_fprintf(stderr, "DEM image should not be the same as the shade or slope image.\n");
        return 0;
    }
    return 1;
}

/*
 * settleDefaults --
 *	Steps 10 to 12: size and pixel size from the reference image, the
 *	remaining defaults, the bands, angles in radians.
 * Returns: 1, or 0 after the message.
 */
static int settleDefaults(GdemContext *ctx, const ProgOptions *options, double hleDegrees,
                          int hleGiven)
{
    RAMIMG *reference = ctx->dem != NULL ? ctx->dem
                        : ctx->calib != NULL ? ctx->calib
                        : ctx->input != NULL ? ctx->input : ctx->shade;
    if (reference == NULL) {
        ovex_fprintf(stderr, "image file(s) missing.\n");
        return 0;
    }
    double demZscale = (ctx->dem != NULL && ctx->dem->head.imgtype == IMGTYPE_NORMALISED_DEM)
                           ? ctx->dem->head.zscale : 1.0;
    ctx->columns = reference->head.columns;
    ctx->rows = reference->head.rows;
    double az, va, vaz;
    /* Sizes and scales that would make a shade of zeros are refused. */
    if (!progCheckedReal(options, "-dx", demPixelSize(reference->head.dx), PROG_REAL_POSITIVE,
                         &ctx->dx)
        || !progCheckedReal(options, "-dy", demPixelSize(reference->head.dy),
                            PROG_REAL_POSITIVE, &ctx->dy)
        || !progCheckedReal(options, "-zs", demZscale, PROG_REAL_NONZERO, &ctx->zs)
        || !progCheckedReal(options, "-s", 255.0, PROG_REAL_POSITIVE, &ctx->s)
        || !progCheckedReal(options, "-az", 135.0, PROG_REAL_FINITE, &az)
        || !progCheckedReal(options, "-va", 45.0, PROG_REAL_FINITE, &va)
        || !progCheckedReal(options, "-vaz", az, PROG_REAL_FINITE, &vaz)
        || !progCheckedReal(options, "-vva", 90.0, PROG_REAL_FINITE, &ctx->vvaDegrees)
        || !progCheckedReal(options, "-h", ctx->columns * ctx->dx * 2.0, PROG_REAL_FINITE,
                            &ctx->h)
        || !progCheckedReal(options, "-xc", (ctx->columns - 1) / 2.0, PROG_REAL_FINITE,
                            &ctx->xc)
        || !progCheckedReal(options, "-yc", (ctx->rows - 1) / 2.0, PROG_REAL_FINITE, &ctx->yc)
        || !progCheckedReal(options, "-p", 1.0, PROG_REAL_FINITE, &ctx->p)
        || !progCheckedReal(options, "-off", 0.0, PROG_REAL_FINITE, &ctx->off)
        || !progCheckedReal(options, "-g", 0.5, PROG_REAL_FINITE, &ctx->g)
        || !progCheckedReal(options, "-fb", -0.5, PROG_REAL_FINITE, &ctx->fb)) {
        return 0;
    }
    ctx->update = progIntOption(options, "-u", 0);
    ctx->average = progIntOption(options, "-avg", 1);
    ctx->multiCentre = progIntOption(options, "-m", 0);

    const char *bands = progOptionValue(options, "-b");
    int demBand = 1, shadeBand = 1;
    if (bands != NULL && !parseBandPair(bands, &demBand, &shadeBand)) {
        ovex_fprintf(stderr, "Error in band specification.\n");
        return 0;
    }
    if (ctx->dem != NULL && (demBand < 1 || demBand > ctx->dem->head.nbands)) {
        ovex_fprintf(stderr, "Invalid DEM image band:%d\n", demBand);
        return 0;
    }
    if (ctx->shade != NULL && (shadeBand < 1 || shadeBand > ctx->shade->head.nbands)) {
        ovex_fprintf(stderr, "Invalid shade image band:%d\n", shadeBand);
        return 0;
    }
    ctx->demBand = demBand - 1;
    ctx->shadeBand = shadeBand - 1;

    ctx->az = az * DEGREE;
    ctx->va = va * DEGREE;
    ctx->vaz = vaz * DEGREE;
    ctx->vva = ctx->vvaDegrees * DEGREE;
    if (hleGiven) {
        ctx->hle = hleDegrees * DEGREE;
    } else {
        /* The focal point seen from the image's side edge. */
        ctx->hle = atan(ctx->h / ((ctx->columns / 2) * ctx->dx));
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * gdemParseArgs --
 *
 *	Reads the options, opens (or creates) the images and settles the
 *	defaults of one run. NORM writes no image: it opens the DEM only.
 *
 * Results:
 *	1, or 0 after the message on standard error (then no image is held
 *	and the text of a failed creation, if any, has followed).
 *
 * Side effects:
 *	May create the shade and the calibrated image.
 *
 *----------------------------------------------------------------------
 */
static int gdemParseArgs(GdemContext *ctx, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, gdemOptions, argc, argv, stderr)) {
        return 0;
    }
    double hleDegrees = 0.0;
    int hleGiven = 0;
    if (!parseOperation(ctx, progOptionValue(&options, "-op"), &hleDegrees, &hleGiven)) {
        ovex_fprintf(stderr, "Unknown operation.\n");
        return 0;
    }

    const char *demWord = progOptionValue(&options, "-dem");
    if (demWord == NULL) {
        demWord = progOptionValue(&options, "-in");
    }
    const char *shadeWord = progOptionValue(&options, "-shade");
    if (shadeWord == NULL) {
        shadeWord = progOptionValue(&options, "-out");
    }
    if (shadeWord == NULL) {
        shadeWord = progOptionValue(&options, "-slope");
    }

    switch (ctx->op) {
    case GDEM_SINE:
    case GDEM_TANG:
        if (demWord == NULL || shadeWord == NULL) {
            ovex_fprintf(stderr, "Missing DEM image or slope images!\n");
            return 0;
        }
        break;
    case GDEM_NORM:
        if (demWord == NULL) {
            ovex_fprintf(stderr, "Missing DEM image!\n");
            return 0;
        }
        break;
    default:
        if (demWord == NULL) {
            ovex_fprintf(stderr, "Missing DEM image!\n");
            return 0;
        }
        if (shadeWord == NULL && progOptionValue(&options, "-calib") == NULL) {
            ovex_fprintf(stderr, "Missing output shade/calib image(s)!\n");
            return 0;
        }
        break;
    }

    int createErr = RAMIMG_OK;
    int ok;
    if (ctx->op == GDEM_NORM) {
        ok = openDem(ctx, demWord);
    } else {
        ok = openGdemImages(ctx, &options, demWord, shadeWord, &createErr);
    }
    if (ok) {
        ok = settleDefaults(ctx, &options, hleDegrees, hleGiven);
    }
    if (!ok) {
        gdemRelease(ctx);
        printRamImageError(createErr);
    }
    return ok;
}

/* ---- The run -------------------------------------------------------------- */

static GdemShading shadingConstants(const GdemContext *ctx)
{
    GdemShading k;
    k.gx = (float)(-2.0 * ctx->zs / ctx->dx);
    k.gy = (float)(2.0 * ctx->zs / ctx->dy);
    k.lx = (float)(cos(ctx->va) * sin(ctx->az));
    k.ly = (float)(cos(ctx->va) * cos(ctx->az));
    k.lz = (float)sin(ctx->va);
    k.vx = (float)(cos(ctx->vva) * sin(ctx->vaz));
    k.vy = (float)(cos(ctx->vva) * cos(ctx->vaz));
    k.vz = (float)sin(ctx->vva);
    k.s = (float)ctx->s;
    k.g = (float)ctx->g;
    k.p = (float)ctx->p;
    k.off = (float)ctx->off;
    k.h = (float)ctx->h;
    k.xc = (float)ctx->xc;
    k.dx = (float)ctx->dx;
    k.sinHle = (float)sin(ctx->hle);
    return k;
}

/* A DEM row into a line of width cells; a one-column DEM is read as two
 * equal columns, flat across. */
static void readDemRow(const GdemContext *ctx, int row, float *line)
{
    getRowFloat(ctx->dem, row, 0, ctx->columns, ctx->demBand, line);
    if (ctx->columns == 1) {
        line[1] = line[0];
    }
}

/*
 * finishShade --
 *	A slope seen from straight above (SINE, TANG with the view at 90
 *	degrees) becomes a slope image: its statistics, scale and type go
 *	into its head and file. Then the shade band's statistics are stale.
 * Returns: 1, or 0 after the message of a failed write.
 */
static int finishShade(GdemContext *ctx)
{
    RAMIMG *shade = ctx->shade;
    int ok = 1;
    if (ctx->vvaDegrees == 90.0 && (ctx->op == GDEM_SINE || ctx->op == GDEM_TANG)) {
        ok = demImageStats(shade, ctx->shadeBand);
        if (ok) {
            shade->head.zscale = ctx->s;
            shade->head.imgtype = IMGTYPE_SLOPE_IMAGE;
            ok = demRewriteHeader(shade);
        }
    }
    if (shade->stats != NULL) {
        resetBandStats(&shade->stats[ctx->shadeBand]);
    }
    if (ctx->update) {
        return progUpdateImage(shade, 1, NULL, 0) && ok;
    }
    updateClient(shade, 0, RAMIMG_NOTIFY_DATA);
    return ok;
}

/* Every band of the calibrated image may have changed: it keeps no
 * statistics. */
static int finishCalibrated(GdemContext *ctx)
{
    RAMIMG *calib = ctx->calib;
    if (calib->stats != NULL) {
        freeHist(calib->stats, calib->head.nbands);
        calib->stats = NULL;
    }
    if (ctx->update) {
        return progUpdateImage(calib, 1, NULL, 0);
    }
    updateClient(calib, 0, RAMIMG_NOTIFY_DATA);
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * gdemRun --
 *
 *	The row loop: DEM rows r - 1 and r give output row r (row 0 pairs
 *	with itself), averaged with the output of row r - 1 when asked,
 *	written to the shade band and used for the calibration.
 *
 * Results:
 *	1, or 0 after "Error in gmemAlloc.\n" or a failed write.
 *
 * Side effects:
 *	Writes the shade and calibrated images, finishes them and releases
 *	every image.
 *
 *----------------------------------------------------------------------
 */
static int gdemRun(GdemContext *ctx)
{
    /* Lines: two DEM rows, two output rows, the averaged row, a row of
     * the image being calibrated. */
    int width = ctx->columns > 1 ? ctx->columns : 2;
    float *lines = (float *)gmemAlloc((size_t)width * 6 * sizeof(float));
    if (lines == NULL) {
        gdemRelease(ctx);
        ovex_fprintf(stderr, "Error in gmemAlloc.\n");
        return 0;
    }
    /* An image without columns reads nothing into its lines. */
    memset(lines, 0, (size_t)width * 6 * sizeof(float));
    float *previous = lines, *current = lines + width;
    float *shadePrevious = lines + 2 * (size_t)width, *shadeCurrent = lines + 3 * (size_t)width;
    float *averaged = lines + 4 * (size_t)width, *calibLine = lines + 5 * (size_t)width;

    GdemShading k = shadingConstants(ctx);
    GdemRowFunction *shadeRow = rowFunctionOf(ctx->op);
    RAMIMG *source = ctx->input != NULL ? ctx->input : ctx->calib;

    ProgMeter meter;
    progMeterStart(&meter, "gdem");
    readDemRow(ctx, 0, previous);
    for (int r = 0; r < ctx->rows; r++) {
        readDemRow(ctx, r, current);
        double y = ctx->multiCentre ? ctx->dy * ctx->yc : ctx->dy * (ctx->yc - r);
        shadeRow(&k, previous, current, shadeCurrent, width, (float)y);
        const float *written = shadeCurrent;
        if (ctx->average) {
            gdemAverageRows(r == 0 ? shadeCurrent : shadePrevious, shadeCurrent, averaged,
                            ctx->columns);
            written = averaged;
        }
        if (ctx->shade != NULL) {
            putRowFloat(ctx->shade, r, 0, ctx->columns, ctx->shadeBand, written);
        }
        if (ctx->calib != NULL) {
            gdemCalibrate(source, ctx->calib, ctx->calibBand, r, 0, ctx->columns, ctx->s,
                          written, ctx->fb, calibLine);
        }
        float *swap = previous;
        previous = current;
        current = swap;
        swap = shadePrevious;
        shadePrevious = shadeCurrent;
        shadeCurrent = swap;
        progMeterStep(&meter, (int64_t)r + 1, ctx->rows);
    }
    progMeterEnd(&meter);
    meterReset();
    gmemFree(lines);

    int ok = 1;
    if (ctx->shade != NULL) {
        ok = finishShade(ctx);
    }
    if (ctx->calib != NULL) {
        ok = finishCalibrated(ctx) && ok;
    }
    gdemRelease(ctx);
    return ok;
}

/*
 * gdemNormalise --
 *	NORM: band 1's mean, minimum and maximum and the normalised-DEM type
 *	into the DEM's head and file.
 * Returns: 1, or 0 after the message.
 */
static int gdemNormalise(GdemContext *ctx)
{
    RAMIMG *dem = ctx->dem;
    int ok = demImageStats(dem, 0);
    if (ok) {
        dem->head.imgtype = IMGTYPE_NORMALISED_DEM;
        ok = demRewriteHeader(dem);
        if (ctx->update) {
            updateClient(dem, 0, RAMIMG_NOTIFY_DATA);
        }
    }
    gdemRelease(ctx);
    return ok;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageGdem --
 *
 *	The program of rimage gdem.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when the run ended; else
 *	PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	See gdemRun and gdemNormalise.
 *
 *----------------------------------------------------------------------
 */
int rimageGdem(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, gdemUsage);
    }
    GdemContext ctx;
    memset(&ctx, 0, sizeof(ctx));
    if (!gdemParseArgs(&ctx, argc, argv)) {
        return PROGRAM_FAILED;
    }
    int ok = ctx.op == GDEM_NORM ? gdemNormalise(&ctx) : gdemRun(&ctx);
    return ok ? PROGRAM_DONE : PROGRAM_FAILED;
}
