/*
 * gslope_program.cpp --
 *
 *	rimage gslope: the slope of each 2 x 2 cell of a normalised DEM.
 *	Heights are scaled to ground units by the DEM's zscale, so a cell
 *	whose height differences are u across and v down (each twice one
 *	pixel's step) has tan(slope) = sqrt(u^2 / (4 ex^2) + v^2 / (4 ey^2))
 *	with ex = dx / zscale and ey = dy / zscale. The cell left of and
 *	above pixel (c, r) of the DEM gives pixel (c - 1, r - 1) of the
 *	output, so the output is one row and one column smaller.
 */
#include "programs/gslope_program.h"

#include <float.h>
#include <math.h>
#include <string.h>
#include <strings.h>

#include "core/package.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/dem_support.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"

/* The state of one gslope call. */
struct GslopeContext {
    RAMIMG *dem;
    RAMIMG *out;
    double scale;
};

static const ProgOption gslopeOptions[] = {
    {"-in", NULL}, {"-out", NULL}, {"-scale", NULL}, {NULL, NULL}
};

static const char *const gslopeUsage[] = {
    "Usage: %s -in IN -out OUT -scale SCALE\n",
    "    where\n",
    "    IN     the input image file;\n",
    "    OUT    the output image file;\n",
    "    SCALE  the scale (100 or 256, defalt:100).\n",
    NULL
};

static void gslopeRelease(GslopeContext *ctx)
{
    progReleaseImage(ctx->out);
    progReleaseImage(ctx->dem);
    ctx->out = ctx->dem = NULL;
}

/*
 *----------------------------------------------------------------------
 *
 * gslopeParseArgs --
 *
 *	Reads the options, opens the DEM and creates the output from the
 *	DEM's head, one row and one column smaller.
 *
 * Results:
 *	1, or 0 after the message on standard error (no image held then).
 *
 * Side effects:
 *	Creates the output image; an existing file is never overwritten.
 *
 *----------------------------------------------------------------------
 */
static int gslopeParseArgs(int argc, const char **argv, GslopeContext *ctx)
{
    ProgOptions options;
    if (!progMatchOptions(&options, gslopeOptions, argc, argv, stderr)) {
        return 0;
    }
    const char *scale = progOptionValue(&options, "-scale");
    ctx->scale = scale != NULL ? ovexLenientDouble(scale) : 100.0;
    if (!(ctx->scale > 0.0) || !isfinite(ctx->scale)) {
        ovex_fprintf(stderr, "Scale should be greater than 0.\n");
        return 0;
    }
    const char *in = progOptionValue(&options, "-in");
    const char *out = progOptionValue(&options, "-out");
    if (in == NULL) {
        ovex_fprintf(stderr, "Input image file missing!\n");
        return 0;
    }
    if (out == NULL) {
        ovex_fprintf(stderr, "Output file missing!\n");
        return 0;
    }
    if (strcasecmp(in, out) == 0) {
        ovex_fprintf(stderr, "Input file must not be the same as the output.\n");
        return 0;
    }

    ctx->dem = progOpenImage(in, NULL);
    if (ctx->dem == NULL) {
        ovex_fprintf(stderr, "Error in open:%s\n", in);
        return 0;
    }
    if (ctx->dem->head.imgtype != IMGTYPE_NORMALISED_DEM) {
        ovex_fprintf(stderr, "Must be normalized DEM image.\n");
        gslopeRelease(ctx);
        return 0;
    }
    int err = RAMIMG_OK;
    const ImageHead *head = &ctx->dem->head;
    ctx->out = demCreateLike(head, out, head->rows - 1, head->columns - 1, 0, &err);
    if (ctx->out == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", out);
        gslopeRelease(ctx);
        return 0;
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * slopeImage --
 *
 *	The slope rows, then their statistics, the scale and the slope type
 *	in the output's head and file. The largest slope starts from the
 *	smallest positive double, not from 0.
 *
 * Results:
 *	1, or 0 after the message of a failed write.
 *
 * Side effects:
 *	Writes the output's rows and header.
 *
 *----------------------------------------------------------------------
 */
static int slopeImage(GslopeContext *ctx, float *previous, float *current, float *slopes)
{
    const ImageHead *dem = &ctx->dem->head;
    int rows = dem->rows, columns = dem->columns;
    double ex = demPixelSize(dem->dx) / dem->zscale;
    double ey = demPixelSize(dem->dy) / dem->zscale;
    double across = 4.0 * ex * ex, down = 4.0 * ey * ey;

    double least = DBL_MAX, most = DBL_MIN;
    float sum = 0.0f;
    ProgMeter meter;
    progMeterStart(&meter, "gslope");
    getRowFloat(ctx->dem, 0, 0, columns, 0, previous);
    for (int r = 1; r < rows; r++) {
        getRowFloat(ctx->dem, r, 0, columns, 0, current);
        for (int c = 1; c < columns; c++) {
            DemCell cell = demCell(previous, current, c);
            double u = cell.across, v = cell.down;
            double k = 1.0 / (v * v / down + u * u / across + 1.0);
            float slope = (float)(sqrt((1.0 - k) / k) * ctx->scale);
            slopes[c - 1] = slope;
            sum += slope;
            if (slope < least) {
                least = slope;
            }
            if (slope > most) {
                most = slope;
            }
        }
        putRowFloat(ctx->out, r - 1, 0, columns - 1, 0, slopes);
        float *swap = previous;
        previous = current;
        current = swap;
        progMeterStep(&meter, r, rows - 1);
    }
    progMeterEnd(&meter);
    meterReset();

    ImageHead *out = &ctx->out->head;
    out->z0 = sum / ((double)(rows - 1) * (double)(columns - 1));
    out->zmin = least;
    out->zmax = most;
    out->zscale = (float)ctx->scale;
    out->imgtype = IMGTYPE_SLOPE_IMAGE;
    int ok = demRewriteHeader(ctx->out);
    if (!flushRamImage(ctx->out)) {
        ovex_fprintf(stderr, "Error in writing %s.\n", out->file);
        ok = 0;
    }
    return ok;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageGslope --
 *
 *	The program of rimage gslope.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when the slope image is
 *	written; else PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	Creates and writes the slope image; its clients are not notified.
 *
 *----------------------------------------------------------------------
 */
int rimageGslope(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, gslopeUsage);
    }
    GslopeContext ctx;
    memset(&ctx, 0, sizeof(ctx));
    if (!gslopeParseArgs(argc, argv, &ctx)) {
        return PROGRAM_FAILED;
    }
    /* The output has columns - 1 >= 1 cells: the DEM has at least 2. */
    size_t columns = (size_t)ctx.dem->head.columns;
    float *lines = (float *)gmemAlloc(columns * 3 * sizeof(float));
    if (lines == NULL) {
        ovex_fprintf(stderr, "Error in malloc.\n");
        gslopeRelease(&ctx);
        return PROGRAM_FAILED;
    }
    int ok = slopeImage(&ctx, lines, lines + columns, lines + 2 * columns);
    gmemFree(lines);
    gslopeRelease(&ctx);
    return ok ? PROGRAM_DONE : PROGRAM_FAILED;
}
