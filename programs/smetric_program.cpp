/*
 * smetric_program.cpp --
 *
 *	rimage smetric: systematic radiometric calibration. The averaging
 *	options measure a brightness profile from a sample area of the input
 *	(per column, per row or per radius about a centre), smooth it over a
 *	window and remove it by subtraction (ADD) or division (MULTI); the
 *	exponential options remove a pattern a0 exp(-a1 (d/r)^p) given by its
 *	parameters; Z remaps the grey levels of byte images so that each input
 *	band's histogram follows the output band's.
 */
#include "programs/smetric_program.h"

#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <algorithm>

#include "core/package.h"
#include "core/rounding.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/option_checks.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"

enum {
    OPT_X = 0, OPT_Y = 1, OPT_XY = 2, OPT_R = 3, OPT_Z = 4, OPT_EX = 5, OPT_EY = 6,
    OPT_EXY = 7
};
enum { MODEL_ADD = 8, MODEL_MULTI = 9 };

/* Rays of the radial profile. */
#define SMETRIC_RAYS 120

/* The state of one smetric call. */
struct SmetricRun {
    RAMIMG *in;
    RAMIMG *out;
    int option;
    int model;
    int columns, rows;              /* common to both images */
    int nPairs;
    int *inBands;                   /* MAX_BAND_PAIRS each, one block */
    int *outBands;
    int sr, nr, sc, nc;
    int window;
    double low, high, dark;
    double p, r, a0, a1, c;
    float *inRow;                   /* the work buffer: an input row ... */
    float *outRow;                  /* ... and an output row */
};

static const ProgOption smetricOptions[] = {
    {"-o", NULL}, {"-in", NULL}, {"-out", NULL}, {"-sr", NULL}, {"-nr", NULL},
    {"-sc", NULL}, {"-nc", NULL}, {"-l", NULL}, {"-h", NULL}, {"-dark", NULL},
    {"-p", NULL}, {"-m", NULL}, {"-b", NULL}, {"-w", NULL}, {NULL, NULL}
};

static const char *const smetricUsage[] = {
    "Usage: %s -in IN -out OUT -o OPT -sr SR -nr NR -sc SC -nc NC -l LOW -h HIGH -m MD "
    "-dark DARK -p PAR -b B -w WIN\n",
    "    where\n",
    "    IN      the input image ID;\n",
    "    OUT     the output image ID;\n",
    "    OPT     the option for sysmetric calibaration:\n",
    "                X:   avg horizontal calibration\n",
    "                Y:   avg vertical calibration\n",
    "                XY:  avg X-Y 2D calibration\n",
    "                R:   avg X-Y 2D calibration\n",
    "                Z:   hist Z calibration\n",
    "                EX:  exp. horizontal calibartion\n",
    "                EY:  exp. vertical calibration\n",
    "                EXY: exp. X-Y 2D calibration\n",
    "    SC      the start column of the input sample area\n",
    "    SR      the start row of the input sample area\n",
    "    NC      the number of columns or start angle\n",
    "    NR      the number of rows or end angle\n",
    "    LOW     the low boundary\n",
    "    HIGH    the high boundary\n",
    "    MD      the optione of model: add or multi\n",
    "    DARK    the dark value\n",
    "    PAR     the additional parameters: p,r,a0,a1,c\n",
    "                p:power; r:radius; a0:amp; a1:gain; c:const\n",
    "                def: 1.0,128,1.0,1.0,0.0\n",
    "    B       band selection: i1[[:o1];i2[:o2];...]\n",
    "    WIN     width of window (def: 32)\n",
    NULL
};

/* The option words, ignoring case. */
static const struct {
    const char *word;
    int option;
} optionWords[] = {
    {"X", OPT_X}, {"Y", OPT_Y}, {"XY", OPT_XY}, {"YX", OPT_XY}, {"R", OPT_R},
    {"Z", OPT_Z}, {"EX", OPT_EX}, {"EY", OPT_EY}, {"EXY", OPT_EXY}, {"EYX", OPT_EXY},
    {NULL, 0}
};

static void smetricRelease(SmetricRun *run)
{
    progReleaseImage(run->out);
    progReleaseImage(run->in);
    run->in = run->out = NULL;
    gmemFree(run->inBands);
    gmemFree(run->inRow);
    run->inBands = run->outBands = NULL;
    run->inRow = run->outRow = NULL;
}

/*
 * openOutput --
 *	The output named by word; when it does not open, a new image made
 *	from the input's head under that name. An existing file that did
 *	not open as an image is not overwritten.
 * Returns: the image, or NULL after "Error in create %s.\n" or "Error in
 *	open %s.\n" with *err set.
 */
static RAMIMG *openOutput(const SmetricRun *run, const char *word, int *err)
{
    RAMIMG *image = progOpenImage(word, err);
    if (image != NULL) {
        return image;
    }
    if (strlen(word) >= RAMIMG_NAME_SIZE) {
        *err = RAMIMG_ENAME;
        ovex_fprintf(stderr, "Error in create %s.\n", word);
        return NULL;
    }
    ImageHead head = run->in->head;
    strcpy(head.file, word);
    head.dataFd = -1;
    head.frames = 0;
    head.encoding = 0;
    image = progCreateImage(&head, 0, err);
    if (image == NULL) {
        int created = *err != RAMIMG_ECREATE && *err != RAMIMG_EEXISTS;
        ovex_fprintf(stderr, created ? "Error in open %s.\n" : "Error in create %s.\n", word);
    }
    return image;
}

/* A number option read leniently into field when it was given. */
static void optionInt(const ProgOptions *options, const char *name, int *field)
{
    const char *value = progOptionValue(options, name);
    if (value != NULL) {
        *field = ovexLenientInt(value);
    }
}

static void optionDouble(const ProgOptions *options, const char *name, double *field)
{
    const char *value = progOptionValue(options, name);
    if (value != NULL) {
        *field = ovexLenientDouble(value);
    }
}

/*
 * parseParameters --
 *	-p: exactly five comma-separated numbers p, r, a0, a1, c.
 * Returns: 1, or 0 after the message.
 */
static int parseParameters(SmetricRun *run, const char *text)
{
    double values[5];
    int count = 0;
    const char *piece = text;
    for (;;) {
        if (count < 5) {
            values[count] = ovexLenientDouble(piece);
        }
        count++;
        const char *comma = strchr(piece, ',');
        if (comma == NULL) {
            break;
        }
        piece = comma + 1;
    }
    if (count != 5) {
        ovex_fprintf(stderr, "invalid syntax for par: must be p,r,a0,a1,c\n");
        return 0;
    }
    for (int k = 0; k < 5; k++) {
        if (!progCheckReal("-p", text, values[k], PROG_REAL_FINITE)) {
            return 0;
        }
    }
    run->p = values[0];
    run->r = values[1];
    run->a0 = values[2];
    run->a1 = values[3];
    run->c = values[4];
    if (run->a0 < 0.0) {
        ovex_fprintf(stderr, "invalid negative amplitude.\n");
        return 0;
    }
    if (run->a1 < 0.0) {
        ovex_fprintf(stderr, "invalid negative gain.\n");
        return 0;
    }
    if (run->r == 0.0) {
        ovex_fprintf(stderr, "invalid radius.\n");
        return 0;
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * smetricParseArgs --
 *
 *	Reads the options, opens the input and the output (creating it from
 *	the input's head when it does not open), parses the band pairs and
 *	allocates the work buffer.
 *
 * Results:
 *	1, or 0 after the message on standard error and the text of the last
 *	open error; then no image is held.
 *
 * Side effects:
 *	May create the output image; its pixels are not touched.
 *
 *----------------------------------------------------------------------
 */
static int smetricParseArgs(SmetricRun *run, int argc, const char **argv)
{
    run->option = OPT_X;
    run->model = MODEL_ADD;
    run->window = 32;
    run->low = -3.40282347e38;
    run->high = 3.40282347e38;
    run->p = 1.0;
    run->r = 128.0;
    run->a0 = 1.0;
    run->a1 = 1.0;

    ProgOptions options;
    if (!progMatchOptions(&options, smetricOptions, argc, argv, stderr)) {
        return 0;
    }
    const char *inWord = progOptionValue(&options, "-in");
    if (inWord == NULL) {
        ovex_fprintf(stderr, "Input image missing!.\n");
        return 0;
    }
    int err = RAMIMG_OK;
    const char *value;
    run->in = progOpenImage(inWord, &err);
    if (run->in == NULL) {
        ovex_fprintf(stderr, "Error in open: %s\n", inWord);
        goto failed;
    }

    value = progOptionValue(&options, "-o");
    if (value != NULL) {
        int k = 0;
        while (optionWords[k].word != NULL && strcasecmp(optionWords[k].word, value) != 0) {
            k++;
        }
        if (optionWords[k].word == NULL) {
            ovex_fprintf(stderr, "Unknown option: %s (-o takes X, Y, XY, R, Z, EX, EY or EXY).\n",
                         value);
            goto failed;
        }
        run->option = optionWords[k].option;
    }
    if (run->option == OPT_R) {
        run->sc = run->in->head.columns / 2;
        run->sr = run->in->head.rows / 2;
        run->low = 1.0;
        run->nc = 0;
        run->nr = 360;
    }

    optionInt(&options, "-w", &run->window);
    if (run->window < 1) {
        run->window = 8;
    }

    /* The dark level is taken from every pixel: NaN would fill the output. */
    if (!progCheckedReal(&options, "-dark", run->dark, PROG_REAL_FINITE, &run->dark)) {
        goto failed;
    }
    if ((value = progOptionValue(&options, "-p")) != NULL && !parseParameters(run, value)) {
        goto failed;
    }

    value = progOptionValue(&options, "-out");
    run->out = openOutput(run, value != NULL ? value : inWord, &err);
    if (run->out == NULL) {
        goto failed;
    }

    optionDouble(&options, "-l", &run->low);
    optionDouble(&options, "-h", &run->high);
    if ((value = progOptionValue(&options, "-m")) != NULL) {
        if (strcasecmp(value, "ADD") == 0) {
            run->model = MODEL_ADD;
        } else if (strcasecmp(value, "MULTI") == 0) {
            run->model = MODEL_MULTI;
        } else {
            ovex_fprintf(stderr, "Unknown model.\n");
            goto failed;
        }
    }
    optionInt(&options, "-nr", &run->nr);
    optionInt(&options, "-sr", &run->sr);
    optionInt(&options, "-nc", &run->nc);
    optionInt(&options, "-sc", &run->sc);

    run->inBands = (int *)gmemAlloc(2 * MAX_BAND_PAIRS * sizeof(int));
    if (run->inBands == NULL) {
        ovex_fprintf(stderr, "Error in malloc.\n");
        goto failed;
    }
    run->outBands = run->inBands + MAX_BAND_PAIRS;
    run->nPairs = parseBandParams(run->in->head.nbands, run->out->head.nbands, run->inBands,
                                  run->outBands, progOptionValue(&options, "-b"));
    if (run->nPairs <= 0) {
        goto failed;
    }

    {
        const ImageHead *in = &run->in->head, *out = &run->out->head;
        run->columns = std::max(std::min(in->columns, out->columns), 0);
        run->rows = std::max(std::min(in->rows, out->rows), 0);
        /* "Y" and "XY" read whole sample rows of the input, "Z" output rows
         * of bytes; the output row follows the longest input row. */
        size_t inLength = (size_t)std::max(std::max(in->columns, out->columns), 1);
        run->inRow = (float *)gmemAlloc(2 * inLength * sizeof(float));
        if (run->inRow == NULL) {
            ovex_fprintf(stderr, "Error in malloc.\n");
            goto failed;
        }
        memset(run->inRow, 0, 2 * inLength * sizeof(float));
        run->outRow = run->inRow + inLength;
    }
    return 1;

failed:
    smetricRelease(run);
    printRamImageError(err);
    return 0;
}

/* ---- Profiles ------------------------------------------------------------- */

/* Sums and counts of accepted samples per profile position. */
struct Profile {
    int length;
    double *sums;
    int64_t *counts;
};

static int profileAlloc(Profile *profile, int length)
{
    profile->length = length;
    size_t n = (size_t)std::max(length, 1);
    profile->sums = (double *)gmemAlloc(n * (sizeof(double) + sizeof(int64_t)));
    if (profile->sums == NULL) {
        ovex_fprintf(stderr, "Error in malloc.\n");
        return 0;
    }
    profile->counts = (int64_t *)(profile->sums + n);
    return 1;
}

static void profileClear(Profile *profile)
{
    size_t n = (size_t)std::max(profile->length, 1);
    memset(profile->sums, 0, n * sizeof(double));
    memset(profile->counts, 0, n * sizeof(int64_t));
}

static void profileAdd(Profile *profile, int position, double v, const SmetricRun *run)
{
    if (v >= run->low && v <= run->high) {
        profile->sums[position] += v;
        profile->counts[position]++;
    }
}

/*
 * smoothProfile --
 *	Position i receives the sums and counts of the w positions
 *	i - h + 1 ... i + w - h (h = w / 2), each clamped into the profile;
 *	the window slides one position at a time. w = 1 leaves it as it is.
 */
static int smoothProfile(Profile *profile, int window)
{
    int n = profile->length;
    if (window == 1 || n <= 0) {
        return 1;
    }
    Profile smooth;
    if (!profileAlloc(&smooth, n)) {
        return 0;
    }
    int h = window / 2;
    double sum = 0.0;
    int64_t count = 0;
    for (int k = -h; k <= window - 1 - h; k++) {
        int at = std::min(std::max(k, 0), n - 1);
        sum += profile->sums[at];
        count += profile->counts[at];
    }
    for (int i = 0; i < n; i++) {
        int leaving = std::min(std::max(i - h, 0), n - 1);
        int entering = std::min(std::max(i + window - h, 0), n - 1);
        sum += profile->sums[entering] - profile->sums[leaving];
        count += profile->counts[entering] - profile->counts[leaving];
        smooth.sums[i] = sum;
        smooth.counts[i] = count;
    }
    memcpy(profile->sums, smooth.sums, (size_t)n * sizeof(double));
    memcpy(profile->counts, smooth.counts, (size_t)n * sizeof(int64_t));
    gmemFree(smooth.sums);
    return 1;
}

/*
 * profileModel --
 *	Smooths the profile and turns it into offsets m_i - M (ADD) or
 *	factors m_i / M (MULTI) in model[], m_i the mean less the dark value
 *	(1e-32 for an exact 0) and M the average of the means. For the
 *	radial profile the means are taken in single precision.
 * Returns: -1, or the first position without samples (-2 when memory
 *	ran out, after its message).
 */
static int profileModel(Profile *profile, const SmetricRun *run, int single, double *model)
{
    if (!smoothProfile(profile, run->window)) {
        return -2;
    }
    int n = profile->length;
    double total = 0.0;
    for (int i = 0; i < n; i++) {
        if (profile->counts[i] == 0) {
            return i;
        }
        double mean;
        if (single) {
            mean = (float)profile->sums[i] / (float)profile->counts[i] - (float)run->dark;
        } else {
            mean = profile->sums[i] / (double)profile->counts[i] - run->dark;
        }
        model[i] = mean == 0.0 ? 1e-32 : mean;
        total += model[i];
    }
    double average = n > 0 ? total / n : 0.0;
    for (int i = 0; i < n; i++) {
        model[i] = run->model == MODEL_ADD ? model[i] - average : model[i] / average;
    }
    return -1;
}

/* Reports a position without samples; the calibration then stops. */
static int profileFailed(int position, const char *where, const char *fmt, int pair)
{
    if (position >= 0) {
        ovex_fprintf(stderr, "Failed to find pixel in %s.\n", where);
        ovex_fprintf(stderr, fmt, pair, position);
    }
    return 0;
}

/*
 * xStats --
 *	Per pair, the column profile of the sample rows sr ... sr + nr - 1
 *	into model[k * columns ...].
 * Returns: 1, or 0 after the message.
 */
static int xStats(SmetricRun *run, double *model)
{
    int inRows = run->in->head.rows;
    int sr = run->sr, nr = run->nr;
    if (sr < 0 || sr >= inRows) {
        sr = 0;
    }
    if (nr <= 0 || (int64_t)sr + nr > inRows) {
        nr = inRows - sr;
    }
    Profile profile;
    if (!profileAlloc(&profile, run->columns)) {
        return 0;
    }
    int ok = 1;
    for (int k = 0; k < run->nPairs && ok; k++) {
        profileClear(&profile);
        for (int row = sr; row < sr + nr; row++) {
            getRowFloat(run->in, row, 0, run->columns, run->inBands[k], run->inRow);
            for (int j = 0; j < run->columns; j++) {
                profileAdd(&profile, j, run->inRow[j], run);
            }
        }
        int failed = profileModel(&profile, run, 0, model + (size_t)k * run->columns);
        if (failed != -1) {
            ok = profileFailed(failed, "xStats", "b: %d  j: %d\n", k);
        }
    }
    gmemFree(profile.sums);
    return ok;
}

/*
 * yStats --
 *	Per pair, the row profile of the sample columns sc ... sc + nc - 1
 *	over the common rows into model[k * rows ...].
 * Returns: 1, or 0 after the message.
 */
static int yStats(SmetricRun *run, double *model)
{
    int inColumns = run->in->head.columns;
    int sc = run->sc, nc = run->nc;
    if (sc < 0 || sc >= inColumns) {
        sc = 0;
    }
    if (nc <= 0 || (int64_t)sc + nc >= inColumns) {
        nc = inColumns - sc;
    }
    Profile profile;
    if (!profileAlloc(&profile, run->rows)) {
        return 0;
    }
    int ok = 1;
    for (int k = 0; k < run->nPairs && ok; k++) {
        profileClear(&profile);
        for (int row = 0; row < run->rows; row++) {
            getRowFloat(run->in, row, sc, nc, run->inBands[k], run->inRow);
            for (int j = 0; j < nc; j++) {
                profileAdd(&profile, row, run->inRow[j], run);
            }
        }
        int failed = profileModel(&profile, run, 0, model + (size_t)k * run->rows);
        if (failed != -1) {
            ok = profileFailed(failed, "yStats", "b: %d  i: %d\n", k);
        }
    }
    gmemFree(profile.sums);
    return ok;
}

/* ---- Applying the averaged profiles --------------------------------------- */

/*
 * applyProfiles --
 *	Every common row of every pair: x (input) becomes x - (o_x + o_y)
 *	(ADD) or (x - dark) / (f_x f_y) + dark (MULTI). A missing profile
 *	counts as offset 0 or factor 1.
 */
static void applyProfiles(SmetricRun *run, const double *xModel, const double *yModel)
{
    int add = run->model == MODEL_ADD;
    for (int row = 0; row < run->rows; row++) {
        for (int k = 0; k < run->nPairs; k++) {
            const double *xs = xModel != NULL ? xModel + (size_t)k * run->columns : NULL;
            double y = yModel != NULL ? yModel[(size_t)k * run->rows + row] : (add ? 0.0 : 1.0);
            getRowFloat(run->in, row, 0, run->columns, run->inBands[k], run->inRow);
            for (int j = 0; j < run->columns; j++) {
                double x = xs != NULL ? xs[j] : (add ? 0.0 : 1.0);
                double v = run->inRow[j];
                run->outRow[j] = (float)(add ? v - (x + y) : (v - run->dark) / (x * y) + run->dark);
            }
            putRowFloat(run->out, row, 0, run->columns, run->outBands[k], run->outRow);
        }
    }
}

/*
 * smetricAveraged --
 *	"X", "Y" and "XY": the profiles, then their removal; nothing is
 *	written when a profile fails.
 */
static int smetricAveraged(SmetricRun *run)
{
    int wantX = run->option != OPT_Y, wantY = run->option != OPT_X;
    size_t xLength = wantX ? (size_t)run->nPairs * run->columns : 0;
    size_t yLength = wantY ? (size_t)run->nPairs * run->rows : 0;
    double *models = (double *)gmemAlloc(std::max<size_t>(xLength + yLength, 1) * sizeof(double));
    if (models == NULL) {
        ovex_fprintf(stderr, "Error in malloc.\n");
        return 0;
    }
    double *xModel = wantX ? models : NULL;
    double *yModel = wantY ? models + xLength : NULL;
    int ok = (!wantX || xStats(run, xModel)) && (!wantY || yStats(run, yModel));
    if (ok) {
        applyProfiles(run, xModel, yModel);
    }
    gmemFree(models);
    return ok;
}

/* ---- Radial profile ------------------------------------------------------- */

static double squaredDistance(double x0, double y0, double x1, double y1)
{
    return (x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0);
}

/*
 * rSysMetric --
 *	"R": 120 rays from the centre (sc, sr) sampled at L points each,
 *	each pair's samples counted at radius 0, 1, ... up to the first one
 *	outside low ... high; then each pixel's radius takes the profile's
 *	offset or factor. A pixel whose radius truncates to L takes the
 *	value of radius L - 1.
 */
static int rSysMetric(SmetricRun *run)
{
    double xc = run->sc, yc = run->sr;
    double width = run->in->head.columns, height = run->in->head.rows;
    double farthest = std::max(std::max(xc * xc + yc * yc, squaredDistance(xc, yc, 0, height)),
                               std::max(squaredDistance(xc, yc, width, 0),
                                        squaredDistance(xc, yc, width, height)));
    int length = std::max(clampToInt(sqrt(farthest)), 1);
    int nPairs = run->nPairs;

    Profile *profiles = (Profile *)gmemAlloc((size_t)nPairs * sizeof(Profile));
    float *samples = (float *)gmemAlloc((size_t)length * nPairs * sizeof(float));
    double *model = (double *)gmemAlloc((size_t)length * nPairs * sizeof(double));
    int ok = profiles != NULL && samples != NULL && model != NULL;
    int made = 0;
    if (!ok) {
        ovex_fprintf(stderr, "Error in malloc.\n");
    }
    for (; ok && made < nPairs; made++) {
        ok = profileAlloc(&profiles[made], length);
        if (ok) {
            profileClear(&profiles[made]);
        }
    }

    double start = run->nc, end = run->nr;
    double step = (end - start) / SMETRIC_RAYS;
    for (int ray = 0; ok && ray < SMETRIC_RAYS; ray++) {
        double angle = start + ray * step;
        if (!(angle < end)) {
            break;
        }
        double a = angle * M_PI / 180.0;
        sampleLineFloat(run->in, xc, yc, xc + length * sin(a), yc - length * cos(a), nPairs,
                        run->inBands, samples, length, SAMPLE_NEAREST);
        for (int k = 0; k < nPairs; k++) {
            for (int i = 0; i < length; i++) {
                double v = trunc(samples[(size_t)i * nPairs + k]);
                if (!(v >= run->low && v <= run->high)) {
                    break;
                }
                profiles[k].sums[i] += v;
                profiles[k].counts[i]++;
            }
        }
    }
    for (int k = 0; ok && k < nPairs; k++) {
        int failed = profileModel(&profiles[k], run, 1, model + (size_t)k * length);
        if (failed != -1) {
            ok = profileFailed(failed, "rSysMetric", "b: %d  j: %d\n", k);
        }
    }

    int add = run->model == MODEL_ADD;
    for (int row = 0; ok && row < run->rows; row++) {
        for (int k = 0; k < nPairs; k++) {
            const double *m = model + (size_t)k * length;
            getRowFloat(run->in, row, 0, run->columns, run->inBands[k], run->inRow);
            for (int j = 0; j < run->columns; j++) {
                int index = clampToInt(sqrt(squaredDistance(xc, yc, j, row)));
                double value = m[std::min(index, length - 1)];
                double v = run->inRow[j];
                run->outRow[j] = (float)(add ? v - value : (v - run->dark) / value + run->dark);
            }
            putRowFloat(run->out, row, 0, run->columns, run->outBands[k], run->outRow);
        }
    }

    for (int k = 0; profiles != NULL && k < made; k++) {
        gmemFree(profiles[k].sums);
    }
    gmemFree(profiles);
    gmemFree(samples);
    gmemFree(model);
    return ok;
}

/* ---- Histogram matching --------------------------------------------------- */

#define LEVELS 256

/* Running sums of a band's 256 histogram counts. */
static void cumulativeHist(const BandStats *stats, double *cumulative)
{
    double sum = 0.0;
    for (int v = 0; v < LEVELS; v++) {
        sum += stats->hist[v];
        cumulative[v] = sum;
    }
}

/* The first level at which the running sums reach their total. */
static int fullLevel(const double *cumulative)
{
    int level = 0;
    while (level < LEVELS - 1 && cumulative[level] < cumulative[LEVELS - 1]) {
        level++;
    }
    return level;
}

/*
 * matchHistLevels --
 *	The level table that moves the input's running sums a onto the
 *	output's b: each used input level takes the first nearest output
 *	level at or after the previous one; the levels from where a is
 *	complete are spread linearly over those from where b is. Levels below
 *	the input's first hold no pixel and map to 0.
 */
static void matchHistLevels(const double *a, const double *b, unsigned char *table)
{
    int fa = 0, fb = 0;
    while (fa < LEVELS && a[fa] == 0.0) {
        fa++;
    }
    while (fb < LEVELS && b[fb] == 0.0) {
        fb++;
    }
    memset(table, 0, LEVELS);
    int j = fb > 0 ? fb - 1 : 0;
    for (int v = fa; v < LEVELS; v++) {
        int best = j;
        for (int w = j + 1; w < LEVELS; w++) {
            if (fabs(a[v] - b[w]) < fabs(a[v] - b[best])) {
                best = w;
            }
        }
        table[v] = (unsigned char)best;
        j = best;
    }
    int la = fullLevel(a), lb = fullLevel(b);
    for (int v = la; v < LEVELS; v++) {
        /* The spread may reach 256 when lb lies above la: kept at 255. */
        double level = (double)(v - la) * (LEVELS - lb) / (LEVELS - la) + 0.5 + lb;
        table[v] = (unsigned char)std::min(std::max(clampToInt(level), 0), LEVELS - 1);
    }
}

/*
 * zSysMetric --
 *	"Z": each pair's input band remapped by the table that matches its
 *	histogram to the output band's, over every output row and column
 *	(pixels beyond the input read as 0).
 */
static int zSysMetric(SmetricRun *run)
{
    if (run->in->head.pixel != PIXEL_BYTE || run->out->head.pixel != PIXEL_BYTE) {
        ovex_fprintf(stderr, "Images must be of byte pixels\n");
        return 0;
    }
    BandStats *inStats = ramImageHist(run->in, HIST_UPDATE, 1, 1);
    BandStats *outStats = inStats != NULL ? ramImageHist(run->out, HIST_UPDATE, 1, 1) : NULL;
    if (outStats != NULL && run->in == run->out) {
        inStats = outStats;
    }
    int nPairs = run->nPairs;
    double *cumulative = (double *)gmemAlloc(2 * LEVELS * sizeof(double));
    unsigned char *tables = (unsigned char *)gmemAlloc((size_t)nPairs * LEVELS);
    if (inStats == NULL || outStats == NULL || cumulative == NULL || tables == NULL) {
        ovex_fprintf(stderr, "malloc error in zSysMetric\n");
        gmemFree(cumulative);
        gmemFree(tables);
        return 0;
    }
    for (int k = 0; k < nPairs; k++) {
        const BandStats *a = &inStats[run->inBands[k]], *b = &outStats[run->outBands[k]];
        if (a->hist == NULL || a->nBins < LEVELS || b->hist == NULL || b->nBins < LEVELS) {
            ovex_fprintf(stderr, "malloc error in zSysMetric\n");
            gmemFree(cumulative);
            gmemFree(tables);
            return 0;
        }
        cumulativeHist(a, cumulative);
        cumulativeHist(b, cumulative + LEVELS);
        matchHistLevels(cumulative, cumulative + LEVELS, tables + (size_t)k * LEVELS);
    }

    int rows = run->out->head.rows, columns = run->out->head.columns;
    unsigned char *bytes = (unsigned char *)run->inRow;
    for (int row = 0; row < rows; row++) {
        for (int k = 0; k < nPairs; k++) {
            const unsigned char *table = tables + (size_t)k * LEVELS;
            getRowByte(run->in, row, 0, columns, run->inBands[k], bytes);
            for (int j = 0; j < columns; j++) {
                bytes[j] = table[bytes[j]];
            }
            putRowByte(run->out, row, 0, columns, run->outBands[k], bytes);
        }
    }
    gmemFree(cumulative);
    gmemFree(tables);
    return 1;
}

/* ---- Exponential patterns ------------------------------------------------- */

/* The pattern at distance d: a0 exp(-a1 (d/r)^p) plus c (ADD) or 1 (MULTI). */
static double patternAt(const SmetricRun *run, double d)
{
    double g = exp(-run->a1 * pow(fabs(d / run->r), run->p));
    return run->a0 * g + (run->model == MODEL_ADD ? run->c : 1.0);
}

/*
 * eSysmetric --
 *	"EX", "EY", "EXY": the pattern about (sc, sr) removed from every
 *	common pixel: x - P (ADD) or (x - c) / P + c (MULTI).
 */
static int eSysmetric(SmetricRun *run)
{
    int option = run->option;
    int length = option == OPT_EX ? run->columns : option == OPT_EY ? run->rows : 0;
    double *profile = NULL;
    if (length > 0) {
        profile = (double *)gmemAlloc((size_t)length * sizeof(double));
        if (profile == NULL) {
            ovex_fprintf(stderr, "malloc error in eSysmetric\n");
            return 0;
        }
        int centre = option == OPT_EX ? run->sc : run->sr;
        for (int i = 0; i < length; i++) {
            profile[i] = patternAt(run, fabs((double)i - centre));
        }
    }
    int add = run->model == MODEL_ADD;
    for (int row = 0; row < run->rows; row++) {
        for (int k = 0; k < run->nPairs; k++) {
            getRowFloat(run->in, row, 0, run->columns, run->inBands[k], run->inRow);
            for (int j = 0; j < run->columns; j++) {
                double pattern;
                if (option == OPT_EX) {
                    pattern = profile[j];
                } else if (option == OPT_EY) {
                    pattern = profile[row];
                } else {
                    pattern = patternAt(run, sqrt(squaredDistance(run->sc, run->sr, j, row)));
                }
                double v = run->inRow[j];
                run->outRow[j] = (float)(add ? v - pattern : (v - run->c) / pattern + run->c);
            }
            putRowFloat(run->out, row, 0, run->columns, run->outBands[k], run->outRow);
        }
    }
    gmemFree(profile);
    return 1;
}

/*
 * smetricFinish --
 *	After every calibration: the output's band statistics reset, its
 *	clients told of changed data, both images released.
 */
static void smetricFinish(SmetricRun *run)
{
    RAMIMG *out = run->out;
    if (out->stats != NULL) {
        for (int b = 0; b < out->head.nbands; b++) {
            resetBandStats(&out->stats[b]);
        }
    }
    updateClient(out, 0, RAMIMG_NOTIFY_DATA);
    smetricRelease(run);
}

/*
 *----------------------------------------------------------------------
 *
 * rimageSmetric --
 *
 *	The program of rimage smetric.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when the calibration
 *	was written; else PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	Writes the output's rows (through the row cache; not flushed),
 *	resets its band statistics and notifies its clients.
 *
 *----------------------------------------------------------------------
 */
int rimageSmetric(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, smetricUsage);
    }
    SmetricRun run;
    memset(&run, 0, sizeof(run));
    if (!smetricParseArgs(&run, argc, argv)) {
        return PROGRAM_FAILED;
    }
    int ok;
    switch (run.option) {
    case OPT_R:
        ok = rSysMetric(&run);
        break;
    case OPT_Z:
        ok = zSysMetric(&run);
        break;
    case OPT_EX:
    case OPT_EY:
    case OPT_EXY:
        ok = eSysmetric(&run);
        break;
    default:
        ok = smetricAveraged(&run);
        break;
    }
    smetricFinish(&run);
    return ok ? PROGRAM_DONE : PROGRAM_FAILED;
}
