/*
 * gtop_program.cpp --
 *
 *	rimage gtop: the options, the choice of the operation, the images
 *	and the eight operations over the view geometry of gtop_geometry.
 *
 *	op 0 polar resampling of the ground around the view point; 1 the
 *	same with relief displacement and hiding; 2 a polar image back to
 *	the ground; 3 a polar image to a perspective view; 4 op 1 into a
 *	memory image, then op 3; 5 a perspective view with relief by
 *	adaptive ray casting; 6 the orthoimage of a view of flat ground;
 *	7 the orthoimage of a view with the DEM.
 */
#include "programs/gtop_program.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/numeric.h"
#include "core/rounding.h"
#include "core/vocabulary.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/gtop_geometry.h"
#include "ramimage/memory_layout.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

static const ProgOption gtopOptions[] = {
    {"-in", NULL}, {"-out", NULL}, {"-dem", NULL}, {"-zs", NULL}, {"-xc", NULL},
    {"-yc", NULL}, {"-zc", NULL}, {"-tx", NULL}, {"-ty", NULL}, {"-tz", NULL},
    {"-nr", NULL}, {"-nc", NULL}, {"-b", NULL}, {"-nbands", NULL}, {"-imgid", NULL},
    {"-pixel", NULL}, {"-rs", NULL}, {"-hrs", NULL}, {"-ov", NULL}, {"-op", NULL},
    {"-ro", NULL}, {"-gp", NULL}, {"-off", NULL}, {NULL, NULL}
};

static const char *const gtopUsage[] = {
    "Usage: %s -in IN -out OUT -dem DEM -tx TX -ty TY -tz TZ -xc XC -yc YC -zc ZC -ro RO "
    "-zs ZS -nr NR -nc NC -b B -rs RS -hrs HRS -nbands NB -pixel PIXEL -ov OV -op OP -gp GP "
    "-off OFF\n",
    "where IN     input image name\n",
    "      OUT    output image name\n",
    "      DEM    DEM image name\n",
    "      TX     x of the target\n",
    "      TY     y of the target\n",
    "      TZ     z of the target\n",
    "      XC     x of the view (focal) point\n",
    "      YC     y of the view (focal) point\n",
    "      ZC     z of the view (focal) point\n",
    "      RO     parameters of the image focal plane\n",
    "      ZS     scale of DEM\n",
    "      NR     number of rows\n",
    "      NC     number of columns\n",
    "      NB     number of output bands\n",
    "      PIXEL  pixel of output image\n",
    "      B      band specification\n",
    "      RS     resampling method: NN or BI: (def: NN)\n",
    "      HRS    resampling method for DEM: NN or BI (def: NN)\n",
    "      OV     flag of over writing output image: Y or N (def: N)\n",
    "      OP     option: ORTHOR, GTOP3D, GFP3D, GTOGR\n",
    "      GP     resampling gap (0.5-1.0) def: 0.9.\n",
    "      OFF    output offset (offx,offy)\n",
    NULL
};

enum {
    OP_POLAR = 0, OP_POLAR_RELIEF = 1, OP_PTOG = 2, OP_PTOG_VIEW = 3, OP_GTOP3D = 4,
    OP_GFP3D = 5, OP_GTOGR = 6, OP_ORTHOR = 7
};

static const int MAPID_GRID = 1;
static const int MAPID_LAST_MAP = 61;       /* UTM59 */
static const int MAPID_POLAR = 63;
static const int32_t GTOP_DATA_OFFSET = 1416;

/* The state of one run. */
struct GtopContext {
    RAMIMG *input, *output, *dem;
    double xc, yc, zc, zs, tx, ty, tz, dist;
    double angleX, angleY, angleZ;
    double dx, dy, dz;
    int inRows, inCols, outRows, outCols;
    int resample, demResample, op, overwrite, oriented;
    double rmin, rmax, amin, amax, gap;
    float offX, offY;
    int nBands;
    int inBands[MAX_BAND_PAIRS];
    int outBands[MAX_BAND_PAIRS];
    double matrix[9];
    GtopAngleProc *angleOf;
};

static void releaseImages(GtopContext *ctx)
{
    progReleaseImage(ctx->input);
    progReleaseImage(ctx->output);
    progReleaseImage(ctx->dem);
    ctx->input = ctx->output = ctx->dem = NULL;
}

/* ---- Set-up ------------------------------------------------------------------ */

/* "NN" 1, "BI" 2, absent 1, else 0. */
static int resampleCode(const char *word)
{
    if (word == NULL || strcmp(word, "NN") == 0) {
        return 1;
    }
    return strcmp(word, "BI") == 0 ? 2 : 0;
}

static double realOr(const ProgOptions *options, const char *name, double fallback)
{
    return progRealOption(options, name, fallback);
}

/* The transpose of a 3 x 3 matrix. */
static void transpose3(const double *m, double *t)
{
    for (int i = 0; i < 3; i++) {
        for (int j = 0; j < 3; j++) {
            t[i * 3 + j] = m[j * 3 + i];
        }
    }
}

/*
 * createOutput --
 *	The output made from head under name (overwriting when asked).
 * Returns: the image, or NULL after "Error in open %s.\n".
 */
static RAMIMG *createOutput(ImageHead *head, const char *name, int overwrite, int *err)
{
    strncpy(head->file, name, RAMIMG_NAME_SIZE - 1);
    head->file[RAMIMG_NAME_SIZE - 1] = '\0';
    head->dataFd = -1;
    head->frames = 0;
    head->encoding = 0;
    head->nindices = 0;
    int64_t least = leastRowLength(head);
    RAMIMG *image = NULL;
    if (least >= 1 && least <= INT32_MAX) {
        head->block = (int32_t)least;
        image = progCreateImage(head, overwrite, err);
    } else {
        *err = RAMIMG_EUNHANDLED;
    }
    if (image == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", name);
    }
    return image;
}

/*
 *----------------------------------------------------------------------
 *
 * gtopSetup --
 *
 *	Reads the options, opens the images, chooses the operation and
 *	settles the view geometry.
 *
 * Results:
 *	1, or 0 after the message; then the images are released and the
 *	text of the last image error (if any) printed.
 *
 * Side effects:
 *	May create the output.
 *
 *----------------------------------------------------------------------
 */
static int gtopSetup(GtopContext *ctx, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, gtopOptions, argc, argv, stderr)) {
        return 0;
    }
    int err = RAMIMG_OK;
    const char *word;
    const char *op = progOptionValue(&options, "-op");
    const char *inWord = progOptionValue(&options, "-in");
    const char *outWord = progOptionValue(&options, "-out");
    const char *demWord = progOptionValue(&options, "-dem");
    ImageHead head;
    int mapInput;

    ctx->zc = realOr(&options, "-zc", 4096.0);
    ctx->zs = realOr(&options, "-zs", 1.0);
    ctx->tz = 0.0;
    ctx->gap = realOr(&options, "-gp", 0.9);
    ctx->gap = ctx->gap > 1.0 ? 1.0 : (ctx->gap < 0.5 ? 0.5 : ctx->gap);
    if (!(ctx->gap >= 0.5)) {
        ctx->gap = 0.9;
    }
    word = progOptionValue(&options, "-ov");
    if (word == NULL || strcmp(word, "N") == 0) {
        ctx->overwrite = 0;
    } else if (strcmp(word, "Y") == 0) {
        ctx->overwrite = 1;
    } else {
        ovex_fprintf(stderr, "Unknown over writing flag.\n");
        return 0;
    }
    ctx->resample = resampleCode(progOptionValue(&options, "-rs"));
    ctx->demResample = resampleCode(progOptionValue(&options, "-hrs"));
    if (ctx->resample == 0 || ctx->demResample == 0) {
        ovex_fprintf(stderr, "Invalid resampling option.\n");
        return 0;
    }

    /* Malformed orientation or offset texts are refused before any image
     * is opened or created. */
    {
        double q[4];
        float f[2];
        word = progOptionValue(&options, "-ro");
        if (word != NULL && sscanf(word, "%lf,%lf,%lf,%lf", &q[0], &q[1], &q[2], &q[3]) != 4) {
            ovex_fprintf(stderr, "Error in parsing orientation params.\n");
            return 0;
        }
        word = progOptionValue(&options, "-off");
        if (word != NULL && sscanf(word, "%f,%f", &f[0], &f[1]) != 2) {
            ovex_fprintf(stderr, "Error parsing output image center.\n");
            return 0;
        }
    }
    if (inWord == NULL) {
        ovex_fprintf(stderr, "Input image file missing.\n");
        return 0;
    }
    ctx->input = progOpenImage(inWord, &err);
    if (ctx->input == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", inWord);
        goto failed;
    }
    if (ctx->input->head.nindices >= 1) {
        ovex_fprintf(stderr, "Index image is not supported.\n");
        goto failed;
    }
    ctx->inRows = ctx->input->head.rows;
    ctx->inCols = ctx->input->head.columns;
    ctx->tx = realOr(&options, "-tx", (ctx->inCols - 1) * 0.5);
    ctx->ty = realOr(&options, "-ty", (ctx->inRows - 1) * 0.5);
    ctx->tz = realOr(&options, "-tz", 0.0);

    head = ctx->input->head;
    head.imgid = IMGID_BIP;
    word = progOptionValue(&options, "-imgid");
    if (word != NULL) {
        head.imgid = imgidFromName(word);
    }
    word = progOptionValue(&options, "-pixel");
    if (word != NULL) {
        int pixel = pixelFromName(word);
        if (pixel < 0) {
            ovex_fprintf(stderr, "Invalid pixel type.\n");
            goto failed;
        }
        head.pixel = pixel;
        head.bits = bitsPerPixel(pixel);
    }
    head.nbands = progIntOption(&options, "-nbands", head.nbands);
    if (head.nbands < 1 || head.nbands > MAX_BAND_PAIRS) {
        ovex_fprintf(stderr, "Invalid number of bands.\n");
        goto failed;
    }
    head.rows = progIntOption(&options, "-nr", ctx->inRows);
    head.columns = progIntOption(&options, "-nc", ctx->inCols);
    if (head.rows < 1 || head.columns < 1) {
        ovex_fprintf(stderr, "Invalid output size.\n");
        goto failed;
    }

    mapInput = ctx->input->head.mapid >= MAPID_GRID && ctx->input->head.mapid <= MAPID_LAST_MAP;
    if (!mapInput) {
        if (op == NULL || strcmp(op, "PTOG") != 0) {
            ovex_fprintf(stderr, "Invalid option\n");
            goto failed;
        }
        ctx->op = progOptionValue(&options, "-zc") != NULL ? OP_PTOG_VIEW : OP_PTOG;
        ctx->xc = ctx->input->head.x0;
        ctx->yc = ctx->input->head.y0;
        head.mapid = MAPID_GRID;
        head.x0 = head.y0 = 0.0;
        head.dx = head.dy = 1.0;
        head.top = head.left = 0;
        ctx->outRows = ctx->inRows;
        ctx->outCols = ctx->inCols;
        ctx->tx = realOr(&options, "-tx", (ctx->inCols - 1) * 0.5);
        ctx->ty = realOr(&options, "-ty", (ctx->inRows - 1) * 0.5);
    } else {
        ctx->xc = realOr(&options, "-xc", ctx->inCols * 0.5);
        ctx->yc = realOr(&options, "-yc", ctx->inRows * 0.5);
        int allowed = head.imgid == IMGID_BSQ || head.imgid == IMGID_BIL ||
                      head.imgid == IMGID_BIP || head.imgid == IMGID_MBSQ ||
                      head.imgid == IMGID_MBIL || head.imgid == IMGID_MBIP;
        if (!allowed) {
            ovex_fprintf(stderr, "A valid imgid should be BIP or BIL or BSQ\n");
            goto failed;
        }
        head.x0 = ctx->xc;
        head.y0 = ctx->yc;
        head.top = ctx->inRows;
        head.left = ctx->inCols;
        head.offset = GTOP_DATA_OFFSET;
        ctx->outRows = head.rows;
        ctx->outCols = head.columns;
        if (demWord == NULL) {
            ctx->op = OP_GTOGR;
            head.mapid = MAPID_GRID;
            if (op != NULL && strcmp(op, "POLAR") == 0) {
                ctx->op = OP_POLAR;
                head.mapid = MAPID_POLAR;
            } else if (op != NULL && strcmp(op, "GTOGR") != 0) {
                ovex_fprintf(stderr, "Invalid option.\n");
                goto failed;
            }
        } else {
            ctx->dem = progOpenImage(demWord, &err);
            if (ctx->dem == NULL) {
                ovex_fprintf(stderr, "Error in open %s.\n", demWord);
                goto failed;
            }
            if (ctx->dem->head.rows != ctx->inRows || ctx->dem->head.columns != ctx->inCols) {
                ovex_fprintf(stderr, "DEM does not match the input image\n");
                goto failed;
            }
            ctx->op = OP_GFP3D;
            head.mapid = MAPID_GRID;
            if (op == NULL || strcmp(op, "GFP3D") == 0) {
            } else if (strcmp(op, "POLAR") == 0) {
                ctx->op = OP_POLAR_RELIEF;
                head.mapid = MAPID_POLAR;
            } else if (strcmp(op, "ORTHOR") == 0) {
                ctx->op = OP_ORTHOR;
            } else if (strcmp(op, "GTOP3D") == 0) {
                ctx->op = OP_GTOP3D;
            } else {
                ovex_fprintf(stderr, "Invalid option.\n");
                goto failed;
            }
        }
    }

    if (outWord == NULL) {
        ovex_fprintf(stderr, "output file missing.\n");
        goto failed;
    }
    if (strcmp(outWord, inWord) == 0 || (demWord != NULL && strcmp(outWord, demWord) == 0)) {
        ovex_fprintf(stderr, "Illegal output file.\n");
        goto failed;
    }
    if (!ctx->overwrite) {
        int openErr = RAMIMG_OK;
        ctx->output = progOpenImage(outWord, &openErr);
    }
    if (ctx->output == NULL) {
        ctx->output = createOutput(&head, outWord, ctx->overwrite, &err);
        if (ctx->output == NULL) {
            goto failed;
        }
    } else if (ctx->op == OP_POLAR || ctx->op == OP_POLAR_RELIEF || ctx->op == OP_GTOP3D ||
               ctx->op == OP_GFP3D) {
        ctx->outRows = ctx->output->head.rows;
        ctx->outCols = ctx->output->head.columns;
    }
    if (ctx->output == ctx->input || ctx->output == ctx->dem) {
        ovex_fprintf(stderr, "Illegal output file.\n");
        goto failed;
    }

    ctx->nBands = parseBandParams(ctx->input->head.nbands, ctx->output->head.nbands,
                                  ctx->inBands, ctx->outBands, progOptionValue(&options, "-b"));
    if (ctx->nBands == 0) {
        goto failed;
    }

    ctx->dx = ctx->tx - ctx->xc;
    ctx->dy = ctx->ty - ctx->yc;
    ctx->dz = ctx->tz - ctx->zc;
    ctx->dist = viewAngles(ctx->matrix, ctx->dx, ctx->dy, ctx->zc - ctx->tz, &ctx->angleX,
                           &ctx->angleZ);
    word = progOptionValue(&options, "-ro");
    if (word != NULL) {
        double ax, ay, az, d;
        if (sscanf(word, "%lf,%lf,%lf,%lf", &ax, &ay, &az, &d) != 4) {
            ovex_fprintf(stderr, "Error in parsing orientation params.\n");
            goto failed;
        }
        ctx->angleX = ax;
        ctx->angleY = ay;
        ctx->angleZ = az;
        ctx->dist = d;
        rotateMatrix3(ctx->matrix, ROTATE_IDENTITY, 0.0);
        rotateMatrix3(ctx->matrix, ROTATE_ABOUT_Z, az);
        rotateMatrix3(ctx->matrix, ROTATE_ABOUT_Y, ay);
        rotateMatrix3(ctx->matrix, ROTATE_ABOUT_X, ax);
        double N[9];
        transpose3(ctx->matrix, N);
        ctx->zc = N[8] * d + ctx->tz;
        ctx->dz = ctx->tz - ctx->zc;
        ctx->dx = N[2] * d;
        ctx->dy = N[5] * d;
        ctx->xc = ctx->tx - ctx->dx;
        ctx->yc = ctx->ty - ctx->dy;
        if (ctx->op == OP_GTOP3D || ctx->op == OP_GFP3D) {
            ctx->dist = viewAngles(ctx->matrix, ctx->dx, ctx->dy, ctx->zc - ctx->tz,
                                   &ctx->angleX, &ctx->angleZ);
            ctx->angleY = 0.0;
        }
        ctx->oriented = 1;
    }
    ctx->angleOf = polarExtent(0, 0, ctx->inCols - 1, ctx->inRows - 1, ctx->xc, ctx->yc,
                               &ctx->rmin, &ctx->rmax, &ctx->amin, &ctx->amax);
    if (ctx->op == OP_POLAR_RELIEF || ctx->op == OP_GTOP3D) {
        ctx->rmax += (ctx->rmax - ctx->rmin) / 2;
    }
    word = progOptionValue(&options, "-off");
    if (word != NULL && sscanf(word, "%f,%f", &ctx->offX, &ctx->offY) != 2) {
        ovex_fprintf(stderr, "Error parsing output image center.\n");
        goto failed;
    }
    {
        double values[] = {ctx->xc, ctx->yc, ctx->zc, ctx->tx, ctx->ty, ctx->tz, ctx->zs,
                           ctx->offX, ctx->offY, ctx->rmin, ctx->rmax};
        for (double v : values) {
            if (!std::isfinite(v)) {
                ovex_fprintf(stderr, "Invalid view geometry.\n");
                goto failed;
            }
        }
    }
    return 1;

failed:
    releaseImages(ctx);
    printRamImageError(err);
    return 0;
}

/* ---- Shared pieces ----------------------------------------------------------- */

/* Row caches that hold whole images, backing off 32 rows at a time. */
static void enlargeCache(RAMIMG *image)
{
    if (image == NULL || isMemoryImgid(image->head.imgid) || image->fd < 0) {
        return;
    }
    for (int rows = image->head.rows; rows > 0; rows -= 32) {
        if (setRAMImageBuf(image, rows)) {
            return;
        }
    }
}

/* Writes row r of n band-interleaved samples with the output offset. */
static void writeOffsetRow(GtopContext *ctx, int r, const float *samples, int n)
{
    int row = r + clampToInt(ctx->offY + 0.5);
    int shift = clampToInt(ctx->offX + 0.5);
    RAMIMG *out = ctx->output;
    if (row < 0 || row >= out->head.rows) {
        return;
    }
    int first = 0;
    if (shift < 0) {
        first = -shift;
        shift = 0;
    }
    int count = n - first;
    if (count > out->head.columns - shift) {
        count = out->head.columns - shift;
    }
    if (count > 0) {
        writeFloatBIPData(out, row, shift, count, ctx->nBands, ctx->outBands,
                          samples + (size_t)first * ctx->nBands);
    }
}

static void zeroRows(RAMIMG *image, int nBands, const int *bands)
{
    std::vector<float> zeros((size_t)image->head.columns * nBands + 1, 0.0f);
    for (int r = 0; r < image->head.rows; r++) {
        writeFloatBIPData(image, r, 0, image->head.columns, nBands, bands, zeros.data());
    }
}

/* The pixel of the input at (row, column) in every band, or zeros. */
static void copyPixel(GtopContext *ctx, RAMIMG *in, int row, int column, float *to)
{
    if (row < 0 || row >= in->head.rows || column < 0 || column >= in->head.columns) {
        for (int b = 0; b < ctx->nBands; b++) {
            to[b] = 0.0f;
        }
        return;
    }
    for (int b = 0; b < ctx->nBands; b++) {
        to[b] = getPixelFloat(in, column, row, ctx->inBands[b]);
    }
}

/* (int)(v + 0.5) through the clamp helper. */
static int nearestIndex(double v)
{
    return clampToInt(v + 0.5);
}

/* The middle of the view positions of every 8th DEM pixel. */
static void projectedDemCentre(GtopContext *ctx, const double *N, double *cu, double *cv)
{
    double umin = HUGE_VAL, umax = -HUGE_VAL, vmin = HUGE_VAL, vmax = -HUGE_VAL;
    for (int r = 0; r < ctx->dem->head.rows; r += 8) {
        for (int c = 0; c < ctx->dem->head.columns; c += 8) {
            double h = getPixelFloat(ctx->dem, c, r, 0) * ctx->zs;
            double u, v;
            centralProjectionSolve(N, ctx->zc, c - ctx->xc, r - ctx->yc, h, ctx->tx - ctx->xc,
                                   ctx->ty - ctx->yc, ctx->tz, &u, &v);
            if (std::isfinite(u) && std::isfinite(v)) {
                umin = fmin(umin, u);
                umax = fmax(umax, u);
                vmin = fmin(vmin, v);
                vmax = fmax(vmax, v);
            }
        }
    }
    *cu = umin <= umax ? (umin + umax) / 2 : 0.0;
    *cv = vmin <= vmax ? (vmin + vmax) / 2 : 0.0;
}

/* The view centre of an output, shifted by the projected DEM centre when
 * the orientation was given. */
static void viewCentre(GtopContext *ctx, const double *N, double *cx, double *cy)
{
    *cx = (ctx->output->head.columns - 1) / 2.0;
    *cy = (ctx->output->head.rows - 1) / 2.0;
    if (ctx->oriented && ctx->dem != NULL) {
        double cu, cv;
        projectedDemCentre(ctx, N, &cu, &cv);
        double sign = ctx->dy > 0 ? 1.0 : -1.0;
        *cx += sign * cu;
        *cy += sign * cv;
    }
}

/* ---- Operations -------------------------------------------------------------- */

/* Op 0: polar resampling around the view point. */
static int gtopConvert(GtopContext *ctx)
{
    int rows = ctx->output->head.rows, cols = ctx->output->head.columns;
    std::vector<float> line((size_t)cols * ctx->nBands + 1);
    double step = rows > 1 ? (ctx->amax - ctx->amin) / (rows - 1) : 0.0;
    ProgMeter meter;
    progMeterStart(&meter, "gtop");
    for (int r = 0; r < rows; r++) {
        double theta = ctx->amin + r * step;
        double c = cos(theta), s = sin(theta);
        sampleLineFloat(ctx->input, ctx->xc + ctx->rmin * c, ctx->yc + ctx->rmin * s,
                        ctx->xc + ctx->rmax * c, ctx->yc + ctx->rmax * s, ctx->nBands,
                        ctx->inBands, line.data(), cols, ctx->resample);
        writeFloatBIPData(ctx->output, r, 0, cols, ctx->nBands, ctx->outBands, line.data());
        progMeterStep(&meter, r + 1, rows);
    }
    return 1;
}

/* Op 1: polar resampling with relief displacement, into target. */
static int polarReliefConvert(GtopContext *ctx, RAMIMG *target)
{
    int rows = target->head.rows, cols = target->head.columns;
    int nb = ctx->nBands;
    zeroRows(target, nb, ctx->outBands);
    int longest = clampToInt(ctx->rmax + 2);
    if (longest < 2) {
        longest = 2;
    }
    std::vector<float> values((size_t)longest * nb), heights((size_t)longest),
        out((size_t)cols * nb + nb);
    int demBand = 0;
    double step = rows > 1 ? (ctx->amax - ctx->amin) / (rows - 1) : 0.0;
    for (int r = 0; r < rows; r++) {
        double theta = ctx->amin + r * step;
        double a0 = 0, b0 = 0, a1 = ctx->rmax * cos(theta), b1 = ctx->rmax * sin(theta);
        if (!clipSegment(&a0, &b0, &a1, &b1, -ctx->yc, ctx->inRows - 1 - ctx->yc, -ctx->xc,
                         ctx->inCols - 1 - ctx->xc)) {
            continue;
        }
        int s0 = clampToInt(hypot(a0, b0) + 0.5);
        int s1 = clampToInt(hypot(a1, b1) + 0.5);
        int n = s1 - s0 + 1;
        if (n < 1 || n > longest) {
            continue;
        }
        double c = cos(theta), s = sin(theta);
        sampleLineFloat(ctx->input, ctx->xc + s0 * c, ctx->yc + s0 * s, ctx->xc + s1 * c,
                        ctx->yc + s1 * s, nb, ctx->inBands, values.data(), n, ctx->resample);
        sampleLineFloat(ctx->dem, ctx->xc + s0 * c, ctx->yc + s0 * s, ctx->xc + s1 * c,
                        ctx->yc + s1 * s, 1, &demBand, heights.data(), n, ctx->demResample);
        int start = s0;
        int count = reliefProfile(values.data(), heights.data(), n, ctx->zs, out.data(), cols,
                                  nb, ctx->zc, &start);
        int column = start - clampToInt(ctx->rmin);
        int first = 0;
        if (column < 0) {
            first = -column;
            column = 0;
        }
        if (count - first > cols - column) {
            count = cols - column + first;
        }
        if (count - first > 0) {
            writeFloatBIPData(target, r, column, count - first, nb, ctx->outBands,
                              out.data() + (size_t)first * nb);
        }
    }
    return 1;
}

/* Op 2: a polar image back to the ground grid. */
static int ptogConvert(GtopContext *ctx)
{
    int nb = ctx->nBands;
    ovex_printf("ptogConvert size: %d\n", ctx->outCols * nb);
    double astep = ctx->outRows > 1 ? (ctx->amax - ctx->amin) / (ctx->outRows - 1) : 1.0;
    double rstep = ctx->outCols > 1 ? (ctx->rmax - ctx->rmin) / (ctx->outCols - 1) : 1.0;
    if (astep == 0.0) {
        astep = 1.0;
    }
    if (rstep == 0.0) {
        rstep = 1.0;
    }
    std::vector<float> row((size_t)ctx->outCols * nb + nb);
    for (int r = 0; r < ctx->outRows; r++) {
        for (int c = 0; c < ctx->outCols; c++) {
            double a = c - ctx->xc, b = r - ctx->yc;
            double rho = hypot(a, b);
            double theta = ctx->angleOf((float)a, (float)b, (float)rho);
            copyPixel(ctx, ctx->input, nearestIndex((theta - ctx->amin) / astep),
                      nearestIndex((rho - ctx->rmin) / rstep), row.data() + (size_t)c * nb);
        }
        writeOffsetRow(ctx, r, row.data(), ctx->outCols);
    }
    return 1;
}

/* Op 3: a polar image (the input) to a perspective view. */
static int ptogPerspective(GtopContext *ctx)
{
    int nb = ctx->nBands;
    RAMIMG *in = ctx->input;
    int rows = ctx->output->head.rows, cols = ctx->output->head.columns;
    double astep = in->head.rows > 1 ? (ctx->amax - ctx->amin) / (in->head.rows - 1) : 1.0;
    double rstep = in->head.columns > 1 ? (ctx->rmax - ctx->rmin) / (in->head.columns - 1) : 1.0;
    if (astep == 0.0) {
        astep = 1.0;
    }
    if (rstep == 0.0) {
        rstep = 1.0;
    }
    double N[9];
    transpose3(ctx->matrix, N);
    double cx, cy;
    viewCentre(ctx, N, &cx, &cy);
    double sign = ctx->dy > 0 ? -1.0 : 1.0;
    std::vector<float> row((size_t)cols * nb + nb);
    for (int r = 0; r < rows; r++) {
        for (int c = 0; c < cols; c++) {
            double p[3] = {sign * (c - cx), sign * (r - cy), 0.0}, w[3];
            mat3MulVec(N, p, w);
            double below = ctx->zc - w[2] - ctx->tz;
            double X = (w[0] + ctx->tx - ctx->xc) * ctx->zc / below;
            double Y = (w[1] + ctx->ty - ctx->yc) * ctx->zc / below;
            double rho = hypot(X, Y);
            double theta = ctx->angleOf((float)X, (float)Y, (float)rho);
            float *to = row.data() + (size_t)c * nb;
            if (std::isfinite(rho) && rho >= ctx->rmin && rho <= ctx->rmax &&
                theta >= ctx->amin && theta <= ctx->amax) {
                copyPixel(ctx, in, nearestIndex((theta - ctx->amin) / astep),
                          nearestIndex((rho - ctx->rmin) / rstep), to);
            } else {
                for (int b = 0; b < nb; b++) {
                    to[b] = 0.0f;
                }
            }
        }
        writeOffsetRow(ctx, r, row.data(), cols);
    }
    return 1;
}

/* Op 4: op 1 into a memory image, then op 3 from it. */
static int gtop3D(GtopContext *ctx)
{
    ovex_printf("gtop3D...\n");
    double step = 2.0 / (ctx->rmax + ctx->rmin);
    ImageHead head = ctx->output->head;
    head.mapid = MAPID_POLAR;
    head.imgid = IMGID_MBIP;
    head.nindices = 0;
    int rows = clampToInt((ctx->amax - ctx->amin) / step);
    int cols = clampToInt(ctx->rmax - ctx->rmin);
    if (rows > head.rows) {
        head.rows = ctx->outRows = rows;
    }
    if (cols > head.columns) {
        head.columns = ctx->outCols = cols;
    }
    char name[RAMIMG_NAME_SIZE + 8];
    snprintf(name, sizeof name, "%s.gtop3D", ctx->output->head.file);
    if (strlen(name) >= RAMIMG_NAME_SIZE) {
        ovex_fprintf(stderr, "Error in open %s.\n", name);
        return 0;
    }
    head.dataFd = -1;
    head.frames = 0;
    head.encoding = 0;
    int err = RAMIMG_OK;
    int64_t least = leastRowLength(&head);
    RAMIMG *polar = NULL;
    if (least >= 1 && least <= INT32_MAX) {
        strncpy(head.file, name, RAMIMG_NAME_SIZE - 1);
        head.file[RAMIMG_NAME_SIZE - 1] = '\0';
        head.block = (int32_t)least;
        polar = progCreateImage(&head, 1, &err);
    }
    if (polar == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", name);
        return 0;
    }
    /* The intermediate image carries the output's bands. */
    std::vector<int> saved(ctx->inBands, ctx->inBands + ctx->nBands);
    polarReliefConvert(ctx, polar);
    progReleaseImage(ctx->input);
    ctx->input = polar;
    for (int b = 0; b < ctx->nBands; b++) {
        ctx->inBands[b] = ctx->outBands[b];
    }
    return ptogPerspective(ctx);
}

/* Lowest and highest height of the DEM (times the scale); 0 and 0
 * without one. */
static void demRange(GtopContext *ctx, double *low, double *high)
{
    *low = *high = 0.0;
    if (ctx->dem == NULL) {
        return;
    }
    std::vector<float> row((size_t)ctx->dem->head.columns + 1);
    bool first = true;
    for (int r = 0; r < ctx->dem->head.rows; r++) {
        getRowFloat(ctx->dem, r, 0, ctx->dem->head.columns, 0, row.data());
        for (int c = 0; c < ctx->dem->head.columns; c++) {
            double h = row[(size_t)c] * ctx->zs;
            if (!std::isfinite(h)) {
                continue;
            }
            if (first || h < *low) {
                *low = h;
            }
            if (first || h > *high) {
                *high = h;
            }
            first = false;
        }
    }
}

/* The height of the ground at (x, y), 0 outside the DEM or without one. */
static double groundHeight(GtopContext *ctx, double x, double y)
{
    if (ctx->dem == NULL) {
        return 0.0;
    }
    int demBand = 0;
    float h = 0.0f;
    sampleLineFloat(ctx->dem, x, y, x, y, 1, &demBand, &h, 1, ctx->demResample);
    return h * ctx->zs;
}

/*
 * firstGroundHit --
 *	Where the sight line V + t D (t > 0) first meets the ground: marched
 *	from the top of the DEM in steps of half a ground pixel, the crossing
 *	refined between the last step above and the first below.
 * Returns: 1 with (*x, *y) the ground position, 0 when the line leaves
 *	the ground or looks up.
 */
static int firstGroundHit(GtopContext *ctx, const double *V, const double *D, double low,
                          double high, double *x, double *y)
{
    if (!(D[2] < 0.0)) {
        return 0;
    }
    double t = (V[2] - high) / -D[2];
    double tEnd = (V[2] - low) / -D[2];
    if (t < 0.0) {
        t = 0.0;
    }
    double horizontal = hypot(D[0], D[1]);
    double dt = horizontal > 0.0 ? 0.5 / horizontal : tEnd - t;
    if (!(dt > 0.0)) {
        dt = 1.0;
    }
    double previousT = t, previousAbove = 0.0;
    bool havePrevious = false;
    /* Every step moves half a pixel or ends the march, and the line
     * leaves the ground after finitely many: the loop ends. */
    for (;;) {
        double px = V[0] + t * D[0], py = V[1] + t * D[1];
        double above = V[2] + t * D[2] - groundHeight(ctx, px, py);
        if (above <= 0.0) {
            if (havePrevious && previousAbove > 0.0) {
                double f = previousAbove / (previousAbove - above);
                t = previousT + f * (t - previousT);
            }
            *x = V[0] + t * D[0];
            *y = V[1] + t * D[1];
            return 1;
        }
        if (t >= tEnd) {
            return 0;
        }
        bool outside = px < -1.0 || py < -1.0 || px > ctx->inCols || py > ctx->inRows;
        bool leaving = (px < -1.0 && D[0] < 0) || (px > ctx->inCols && D[0] > 0) ||
                       (py < -1.0 && D[1] < 0) || (py > ctx->inRows && D[1] > 0);
        if (outside && leaving) {
            return 0;
        }
        previousT = t;
        previousAbove = above;
        havePrevious = true;
        double next = t + dt < tEnd ? t + dt : tEnd;
        if (!(next > t)) {
            return 0;           /* a step too small to move */
        }
        t = next;
    }
}

/*
 *----------------------------------------------------------------------
 *
 * centerProjection --
 *
 *	Op 5: the perspective view of the ground with relief and hidden
 *	parts. The sight line of every view pixel (through its place on the
 *	image plane, which passes through the target perpendicular to the
 *	line of sight) is followed to the first ground it meets, whose
 *	pixel it shows; a view of flat ground from straight above shows the
 *	ground pixel for pixel, and the orthoimage of a view with its DEM
 *	gives the ground back where it was seen.
 *
 * Results:
 *	1.
 *
 * Side effects:
 *	The output's pixels (those that see no ground are 0 unless -ov Y
 *	left the output as it was).
 *
 *----------------------------------------------------------------------
 */
static int centerProjection(GtopContext *ctx)
{
    RAMIMG *out = ctx->output;
    int nb = ctx->nBands;
    int rows = out->head.rows, cols = out->head.columns;
    double N[9];
    transpose3(ctx->matrix, N);
    double cx, cy;
    viewCentre(ctx, N, &cx, &cy);
    double sign = ctx->dy > 0 ? -1.0 : 1.0;
    double low, high;
    demRange(ctx, &low, &high);
    double V[3] = {ctx->xc, ctx->yc, ctx->zc};
    std::vector<float> row((size_t)cols * nb + nb);
    std::vector<char> seen((size_t)cols + 1);
    ProgMeter meter;
    progMeterStart(&meter, "gtop");
    for (int r = 0; r < rows; r++) {
        for (int c = 0; c < cols; c++) {
            /* The view is drawn shifted by the output offset. */
            double p[3] = {sign * (c - ctx->offX - cx), sign * (r - ctx->offY - cy), 0.0}, w[3];
            mat3MulVec(N, p, w);
            double D[3] = {ctx->tx + w[0] - V[0], ctx->ty + w[1] - V[1], ctx->tz + w[2] - V[2]};
            double x, y;
            float *to = row.data() + (size_t)c * nb;
            seen[(size_t)c] = firstGroundHit(ctx, V, D, low, high, &x, &y);
            if (seen[(size_t)c]) {
                if (ctx->resample == 2) {
                    sampleLineFloat(ctx->input, x, y, x, y, nb, ctx->inBands, to, 1, 2);
                } else {
                    copyPixel(ctx, ctx->input, nearestIndex(y), nearestIndex(x), to);
                }
            } else {
                for (int b = 0; b < nb; b++) {
                    to[b] = 0.0f;
                }
            }
        }
        if (ctx->overwrite) {
            /* A view drawn over an output kept as it was changes only the
             * pixels that see ground. */
            for (int c = 0; c < cols; c++) {
                if (seen[(size_t)c]) {
                    writeFloatBIPData(out, r, c, 1, nb, ctx->outBands, row.data() + (size_t)c * nb);
                }
            }
        } else {
            writeFloatBIPData(out, r, 0, cols, nb, ctx->outBands, row.data());
        }
        progMeterStep(&meter, r + 1, rows);
    }
    return 1;
}

/* Ops 6 and 7: the orthoimage of a view, over flat ground or the DEM. */
static int orthoimage(GtopContext *ctx, bool withDem)
{
    int nb = ctx->nBands;
    RAMIMG *in = ctx->input;
    if (!withDem) {
        ovex_printf("rOrient size: %d\n", ctx->outCols * nb);
        zeroRows(ctx->output, nb, ctx->outBands);
    }
    double N[9];
    transpose3(ctx->matrix, N);
    double cx = (in->head.columns - 1) / 2.0, cy = (in->head.rows - 1) / 2.0;
    double ex = ctx->tx - ctx->xc, ey = ctx->ty - ctx->yc;
    std::vector<float> row((size_t)ctx->outCols * nb + nb), heights((size_t)ctx->outCols + 1);
    ProgMeter meter;
    progMeterStart(&meter, withDem ? "othorC" : "rOrient");
    for (int r = 0; r < ctx->outRows; r++) {
        bool demRow = withDem && r < ctx->dem->head.rows;
        if (demRow) {
            int columns = ctx->outCols < ctx->dem->head.columns ? ctx->outCols
                                                                : ctx->dem->head.columns;
            std::fill(heights.begin(), heights.end(), 0.0f);
            getRowFloat(ctx->dem, r, 0, columns, 0, heights.data());
        }
        for (int c = 0; c < ctx->outCols; c++) {
            double h = demRow ? heights[(size_t)c] * ctx->zs : 0.0;
            double u, v;
            centralProjectionSolve(N, ctx->zc, c - ctx->xc, r - ctx->yc, h, ex, ey, ctx->tz,
                                   &u, &v);
            u += cx;
            v += cy;
            float *to = row.data() + (size_t)c * nb;
            if (u >= 0 && u <= in->head.columns - 1 && v >= 0 && v <= in->head.rows - 1) {
                copyPixel(ctx, in, nearestIndex(v), nearestIndex(u), to);
            } else {
                for (int b = 0; b < nb; b++) {
                    to[b] = 0.0f;
                }
            }
        }
        writeOffsetRow(ctx, r, row.data(), ctx->outCols);
        progMeterStep(&meter, r + 1, ctx->outRows);
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageGtop --
 *
 *	The program of rimage gtop.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE after the operation;
 *	else PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	Writes the output (may create it); its clients hear of new data.
 *
 *----------------------------------------------------------------------
 */
int rimageGtop(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, gtopUsage);
    }
    GtopContext *ctx = (GtopContext *)gmemAlloc(sizeof(GtopContext));
    if (ctx == NULL) {
        ovex_fprintf(stderr, "Error in gmemAlloc.\n");
        return PROGRAM_FAILED;
    }
    memset(ctx, 0, sizeof(*ctx));
    if (!gtopSetup(ctx, argc, argv)) {
        gmemFree(ctx);
        return PROGRAM_FAILED;
    }
    /* The input and the DEM are read in no particular row order; the
     * output is written row after row, and the orthoimage reads its DEM
     * row after row too. */
    enlargeCache(ctx->input);
    if (ctx->op != OP_ORTHOR) {
        enlargeCache(ctx->dem);
    }
    int ok = 0;
    switch (ctx->op) {
    case OP_POLAR: ok = gtopConvert(ctx); break;
    case OP_POLAR_RELIEF: ok = polarReliefConvert(ctx, ctx->output); break;
    case OP_PTOG: ok = ptogConvert(ctx); break;
    case OP_PTOG_VIEW: ok = ptogPerspective(ctx); break;
    case OP_GTOP3D: ok = gtop3D(ctx); break;
    case OP_GFP3D: ok = centerProjection(ctx); break;
    case OP_GTOGR: ok = orthoimage(ctx, false); break;
    default: ok = orthoimage(ctx, true); break;
    }
    meterReset();
    if (ok) {
        updateClient(ctx->output, 0, RAMIMG_NOTIFY_DATA);
    }
    releaseImages(ctx);
    gmemFree(ctx);
    return ok ? PROGRAM_DONE : PROGRAM_FAILED;
}
