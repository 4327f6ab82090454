/*
 * pcalc_program.cpp --
 *
 *	rimage pcalc: calibrates an image pixel by pixel with the bands of a
 *	parameter image. Evaluation turns each value v into sum c_k v^k with
 *	the pixel's coefficients; inverse interpolation turns it into the
 *	abscissa interpolated between the pixel's two responses around it;
 *	regression fits the known abscissae as a polynomial of each pixel's
 *	band values and writes the coefficients into the parameter image and
 *	the fit's residual into the output, so that evaluation applies them.
 *
 *	Layer XY: the parameter image has the input's rows and columns. Layer
 *	XZ: its rows stand for the input's bands, and it serves every input
 *	row. Regression always works in the XY manner.
 */
#include "programs/pcalc_program.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "core/numeric.h"
#include "core/package.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"
#include "ramimage/kit/output_checks.h"

enum { PCALC_INTERPOLATE = -1, PCALC_REGRESSION = -2 };
enum { PCALC_NORM_NONE = 0, PCALC_NORM_H = 1, PCALC_NORM_V = 2 };
enum { PCALC_LAYER_XZ = 3, PCALC_LAYER_XY = 4 };

#define PCALC_MAX_ABSCISSAE 128
#define PCALC_OP_SIZE 1024
/* Largest single-precision value: responses and band values at or above
 * it count as missing. */
#define PCALC_NO_THRESHOLD 3.4028235e38f

/* The state of one pcalc call. */
struct PcalcRun {
    RAMIMG *in;
    RAMIMG *par;
    RAMIMG *out;
    int mode;           /* order p >= 0, or PCALC_INTERPOLATE, PCALC_REGRESSION */
    int order;          /* of the regression */
    int nAbscissae;
    double abscissae[PCALC_MAX_ABSCISSAE];
    int norm;
    int layer;
    float threshold;
};

static const ProgOption pcalcOptions[] = {
    {"-in", NULL}, {"-out", NULL}, {"-par", NULL}, {"-op", NULL}, {"-norm", NULL},
    {"-layer", NULL}, {NULL, NULL}
};

static const char *const pcalcUsage[] = {
    "Usage: %s -in IN -out OUT -par PARIMG -op OP -norm NORM -layer LAYER\n",
    "where\n",
    "    IN     input image file.\n",
    "    OUT    output image file.\n",
    "    PARIMG parameter image file.\n",
    "    OP     operation type.\n",
    "    NORM   normalize: H, V, NONE (def: NONE).\n",
    "    LAYER  data layer: XZ or XY (def: XY).\n",
    NULL
};

/* Releases the three images and resets the meter. Returns 1. */
static int pcalcRelease(PcalcRun *run)
{
    progReleaseImage(run->out);
    progReleaseImage(run->par);
    progReleaseImage(run->in);
    run->in = run->par = run->out = NULL;
    meterReset();
    return 1;
}

/*
 * pcalcParseOp --
 *	-op: the order (or -1), the abscissae, optionally the threshold,
 *	checked against the band counts of the images.
 * Returns: 1, or 0 after the message.
 */
static int pcalcParseOp(PcalcRun *run, const char *op)
{
    int parBands = run->par->head.nbands;
    if (op == NULL) {
        run->mode = parBands - 1;
        return 1;
    }
    char text[PCALC_OP_SIZE];
    if (strlen(op) >= sizeof text) {
        ovex_fprintf(stderr, "Error in parsing operator.\n");
        return 0;
    }
    strcpy(text, op);
    /* One more than the abscissae: the threshold may follow them. */
    double numbers[PCALC_MAX_ABSCISSAE + 1];
    int k = 0, order = 0, haveOrder = 0;
    char *save = NULL;
    for (char *word = strtok_r(text, ", \t", &save); word != NULL;
         word = strtok_r(NULL, ", \t", &save)) {
        if (!haveOrder) {
            order = ovexLenientInt(word);
            haveOrder = 1;
        } else if (k > PCALC_MAX_ABSCISSAE) {
            ovex_fprintf(stderr, "Error in parsing operator.\n");
            return 0;
        } else {
            numbers[k++] = ovexLenientDouble(word);
        }
    }
    if (!haveOrder || order < PCALC_INTERPOLATE) {
        ovex_fprintf(stderr, "Error in parsing operator.\n");
        return 0;
    }
    if (order == PCALC_INTERPOLATE) {
        if (k > parBands) {
            run->threshold = (float)numbers[--k];
        }
        if (k != parBands) {
            ovex_fprintf(stderr, "Unmatched parameters in par image file.\n");
            return 0;
        }
        run->mode = PCALC_INTERPOLATE;
    } else if (k > 0) {
        int nBands = run->in->head.nbands;
        if (k != nBands) {
            run->threshold = (float)numbers[--k];
        }
        if (k != nBands) {
            ovex_fprintf(stderr, "Unmatched parameters in input image file.\n");
            return 0;
        }
        if (order >= k) {
            ovex_fprintf(stderr, "A lower order of a polynomial is expected.\n");
            return 0;
        }
        if (parBands != order + 1) {
            ovex_fprintf(stderr, "Unmatched parameters in par image file.\n");
            return 0;
        }
        run->mode = PCALC_REGRESSION;
        run->order = order;
    } else {
        if (parBands != order + 1) {
            ovex_fprintf(stderr, "Unmatched parameters in par image file.\n");
            return 0;
        }
        run->mode = order;
    }
    if (k > PCALC_MAX_ABSCISSAE) {
        ovex_fprintf(stderr, "Error in parsing operator.\n");
        return 0;
    }
    run->nAbscissae = k;
    memcpy(run->abscissae, numbers, (size_t)k * sizeof(double));
    return 1;
}

/*
 * pcalcCheckSizes --
 *	The loops index the parameter image by the input's counts: refuse
 *	images that do not agree rather than read past a row.
 */
static int pcalcCheckSizes(const PcalcRun *run)
{
    const ImageHead *in = &run->in->head, *par = &run->par->head, *out = &run->out->head;
    int parRows = run->layer == PCALC_LAYER_XZ && run->mode != PCALC_REGRESSION ? in->nbands
                                                                                : in->rows;
    if (par->rows != parRows || par->columns != in->columns
            || (run->mode == PCALC_REGRESSION
                && (out->rows != in->rows || out->columns != in->columns))) {
        ovex_fprintf(stderr, "Sizes of the images do not match.\n");
        return 0;
    }
    return 1;
}

static int pcalcParseArgs(PcalcRun *run, int argc, const char **argv)
{
    ProgOptions options;
    run->mode = 1;
    run->norm = PCALC_NORM_NONE;
    run->layer = PCALC_LAYER_XY;
    run->threshold = PCALC_NO_THRESHOLD;
    if (!progMatchOptions(&options, pcalcOptions, argc, argv, stderr)) {
        return 0;
    }
    int err = RAMIMG_OK;
    const char *inWord = progOptionValue(&options, "-in");
    const char *outWord = progOptionValue(&options, "-out");
    const char *parWord = progOptionValue(&options, "-par");
    const char *layer = progOptionValue(&options, "-layer");
    const char *norm = progOptionValue(&options, "-norm");
    if (inWord == NULL) {
        ovex_fprintf(stderr, "Input image missing.\n");
        goto failed;
    }
    if ((run->in = progOpenImage(inWord, &err)) == NULL) {
        ovex_fprintf(stderr, "Error in open: %s\n", inWord);
        goto failed;
    }
    if (outWord == NULL) {
        ovex_fprintf(stderr, "Output image missing.\n");
        goto failed;
    }
    if ((run->out = progOpenImage(outWord, &err)) == NULL) {
        ovex_fprintf(stderr, "Error in open: %s\n", outWord);
        goto failed;
    }
    if (progOutputIsInput(run->in, run->out, outWord)) {
        goto failed;
    }
    if (layer == NULL || strcasecmp(layer, "XY") == 0) {
        run->layer = PCALC_LAYER_XY;
    } else if (strcasecmp(layer, "XZ") == 0) {
        run->layer = PCALC_LAYER_XZ;
    } else {
        ovex_fprintf(stderr, "Unknown data layer.\n");
        goto failed;
    }
    if (parWord == NULL) {
        ovex_fprintf(stderr, "image of parameter missing.\n");
        goto failed;
    }
    if ((run->par = progOpenImage(parWord, &err)) == NULL) {
        ovex_fprintf(stderr, "Error in open: %s\n", parWord);
        goto failed;
    }
    if (!pcalcParseOp(run, progOptionValue(&options, "-op"))) {
        goto failed;
    }
    if (norm == NULL || strcasecmp(norm, "NONE") == 0) {
        run->norm = PCALC_NORM_NONE;
    } else if (strcasecmp(norm, "H") == 0) {
        run->norm = PCALC_NORM_H;
    } else if (strcasecmp(norm, "V") == 0) {
        run->norm = PCALC_NORM_V;
    } else {
        ovex_fprintf(stderr, "Unknown flag of normilze.\n");
        goto failed;
    }
    if (!pcalcCheckSizes(run)) {
        goto failed;
    }
    return 1;

failed:
    pcalcRelease(run);
    printRamImageError(err);
    return 0;
}

/* ---- Per-value operations ------------------------------------------------------ */

/* values[i] = sum over k < m of coefs[i * m + k] * values[i]^k, in single precision. */
static void pcalcPolyEval(float *values, int n, const float *coefs, int m)
{
    for (int i = 0; i < n; i++) {
        const float *c = coefs + (size_t)i * m;
        float v = values[i], power = 1.0f, sum = 0.0f;
        for (int k = 0; k < m; k++) {
            sum += c[k] * power;
            power *= v;
        }
        values[i] = sum;
    }
}

/*
 * pcalcInterpolate --
 *	Each value becomes the abscissa interpolated linearly between the two
 *	responses around it (the first or last valid segment beyond them).
 *	A pixel with fewer than two responses below the threshold has no
 *	segment: its value becomes the first abscissa.
 */
static void pcalcInterpolate(float *values, int n, const float *responses, int m,
                             const double *abscissae, float threshold)
{
    for (int v = 0; v < n; v++) {
        const float *r = responses + (size_t)v * m;
        float x = values[v];
        int k = 1;
        while (k < m && r[k] < threshold && x > r[k]) {
            k++;
        }
        int i = k - 2, j = k - 1;
        if (k < m && r[k] < threshold) {
            i = k - 1;
            j = k;
        }
        if (i < 0) {
            values[v] = (float)abscissae[0];
        } else if (r[j] != r[i]) {
            values[v] = (float)(((x - r[i]) * abscissae[j] + (r[j] - x) * abscissae[i])
                                / (r[j] - r[i]));
        } else {
            values[v] = (float)abscissae[i];
        }
    }
}

/* Applies the run's mode to n values with their parameter vectors. */
static void pcalcApply(const PcalcRun *run, float *values, int n, const float *params, int m)
{
    if (run->mode >= 0) {
        pcalcPolyEval(values, n, params, m);
    } else {
        pcalcInterpolate(values, n, params, m, run->abscissae, run->threshold);
    }
}

/* ---- Meter ------------------------------------------------------------------- */

struct PcalcMeter {
    const char *label;
    float next;
    float last;
};

static void pcalcMeterStep(PcalcMeter *meter, int row, int rows)
{
    meter->last = (float)(row + 1) / (float)rows;
    if (meter->last >= meter->next) {
        meterSet(meter->label, meter->last);
        meter->next += 0.1f;
    }
}

/* ---- Row loops --------------------------------------------------------------- */

static int pcalcMemoryShort(void)
{
    ovex_fprintf(stderr, "Error in memory allocation.\n");
    return 0;
}

/* Frees the buffers of a loop (NULL ones are skipped). */
static void pcalcFreeBuffers(void *a, void *b, void *c = NULL, void *d = NULL)
{
    gmemFree(a);
    gmemFree(b);
    gmemFree(c);
    gmemFree(d);
}

static int pcalcLayerXY(PcalcRun *run)
{
    const ImageHead *in = &run->in->head;
    int columns = in->columns, m = run->par->head.nbands;
    float *values = (float *)gmemAlloc((size_t)columns * sizeof(float));
    float *params = (float *)gmemAlloc((size_t)columns * m * sizeof(float));
    if (values == NULL || params == NULL) {
        pcalcFreeBuffers(values, params);
        return pcalcMemoryShort();
    }
    PcalcMeter meter = {"pcalc xy", 0.1f, 0.0f};
    for (int r = 0; r < in->rows; r++) {
        getRowsFloatBands(run->par, r, 0, columns, 1, m, NULL, params);
        for (int b = 0; b < in->nbands; b++) {
            getRowFloat(run->in, r, 0, columns, b, values);
            pcalcApply(run, values, columns, params, m);
            putRowFloat(run->out, r, 0, columns, b, values);
        }
        pcalcMeterStep(&meter, r, in->rows);
    }
    meterSet(meter.label, 1.0f);
    pcalcFreeBuffers(values, params);
    return 1;
}

/*
 * pcalcFactors --
 *	Normalisation factors of the XZ layer: per band (at the middle
 *	column) and per column (at the middle row), from the slope of the
 *	polynomial (evaluation) or the span of the responses (interpolation),
 *	each set divided by its largest value.
 */
static float pcalcFactor(const PcalcRun *run, const float *p, int m)
{
    if (run->mode >= 0) {
        /* pcalcSlopeFactors */
        float s = 0.0f;
        for (int k = 1; k < m; k++) {
            s += (float)k * p[k];
        }
        return 1.0f / (s == 0.0f ? 1e-8f : s);
    }
    /* pcalcSpanFactors */
    return p[m - 1] - p[0];
}

static void pcalcScaleToLargest(float *factors, int n)
{
    float largest = factors[0];
    for (int k = 1; k < n; k++) {
        if (factors[k] > largest) {
            largest = factors[k];
        }
    }
    if (largest != 0.0f) {
        for (int k = 0; k < n; k++) {
            factors[k] /= largest;
        }
    }
}

static void pcalcFactors(const PcalcRun *run, const float *par, int rows, int columns, int m,
                         float *bandFactors, float *columnFactors)
{
    int midRow = rows / 2, midColumn = columns / 2;
    for (int b = 0; b < rows; b++) {
        bandFactors[b] = pcalcFactor(run, par + ((size_t)b * columns + midColumn) * m, m);
    }
    for (int c = 0; c < columns; c++) {
        columnFactors[c] = pcalcFactor(run, par + ((size_t)midRow * columns + c) * m, m);
    }
    pcalcScaleToLargest(bandFactors, rows);
    pcalcScaleToLargest(columnFactors, columns);
}

static int pcalcLayerXZ(PcalcRun *run)
{
    const ImageHead *in = &run->in->head;
    int rows = run->par->head.rows, columns = in->columns, m = run->par->head.nbands;
    size_t cells = (size_t)rows * columns;
    float *par = (float *)gmemAlloc(cells * m * sizeof(float));
    float *values = (float *)gmemAlloc(cells * sizeof(float));
    float *bandFactors = (float *)gmemAlloc((size_t)rows * sizeof(float));
    float *columnFactors = (float *)gmemAlloc((size_t)columns * sizeof(float));
    if (par == NULL || values == NULL || bandFactors == NULL || columnFactors == NULL) {
        pcalcFreeBuffers(par, values, bandFactors, columnFactors);
        return pcalcMemoryShort();
    }
    for (int r = 0; r < rows; r++) {
        getRowsFloatBands(run->par, r, 0, columns, 1, m, NULL, par + (size_t)r * columns * m);
    }
    pcalcFactors(run, par, rows, columns, m, bandFactors, columnFactors);
    PcalcMeter meter = {"pcalc xz", 0.1f, 0.0f};
    for (int r = 0; r < in->rows; r++) {
        for (int b = 0; b < in->nbands; b++) {
            getRowFloat(run->in, r, 0, columns, b, values + (size_t)b * columns);
        }
        pcalcApply(run, values, (int)cells, par, m);
        for (int b = 0; b < in->nbands; b++) {
            float *row = values + (size_t)b * columns;
            for (int c = 0; run->norm != PCALC_NORM_NONE && c < columns; c++) {
                row[c] *= run->norm == PCALC_NORM_H ? columnFactors[c] : bandFactors[b];
            }
            putRowFloat(run->out, r, 0, columns, b, row);
        }
        pcalcMeterStep(&meter, r, in->rows);
    }
    meterSet(meter.label, 1.0f);
    pcalcFreeBuffers(par, values, bandFactors, columnFactors);
    return 1;
}

/*
 * pcalcFitPixel --
 *	Least squares of abscissae[0 .. m-1] as a polynomial of order p in
 *	x[0 .. m-1] into coefs[0 .. p]. work holds (p+1)^2 + 2(p+2) + 2p + 1
 *	doubles. A pixel with fewer values than coefficients, or whose values
 *	cannot determine them, gets zero coefficients and residual.
 * Returns: sqrt(v / m), v the residual variance the elimination leaves.
 */
static float pcalcFitPixel(const float *x, int m, const double *abscissae, int p, float *coefs,
                           double *work)
{
    int n = p + 1;
    double *matrix = work, *sums = matrix + (size_t)n * n, *vector = sums + (p + 2);
    double *sweep = vector + (p + 2), solution[PCALC_MAX_ABSCISSAE];
    memset(work, 0, ((size_t)n * n + 2 * (size_t)(p + 2)) * sizeof(double));
    if (m < n) {
        memset(coefs, 0, (size_t)n * sizeof(float));
        return 0.0f;
    }
    for (int j = 0; j < m; j++) {
        addObservation2D(x[j], abscissae[j], p, matrix, sums, vector);
    }
    scaleNormalMatrix(n, m, matrix, sums + 1);
    if (!resolve(matrix, p, n, sweep)) {
        memset(coefs, 0, (size_t)n * sizeof(float));
        return 0.0f;
    }
    extractSolution(solution, matrix, sums, n);
    for (int k = 0; k < n; k++) {
        coefs[k] = (float)solution[k];
    }
    double v = matrix[(size_t)n * n - 1];
    return (float)std::sqrt(v / m);
}

static int pcalcRegression(PcalcRun *run)
{
    const ImageHead *in = &run->in->head;
    int columns = in->columns, nBands = in->nbands, p = run->order;
    float *values = (float *)gmemAlloc((size_t)columns * nBands * sizeof(float));
    float *coefs = (float *)gmemAlloc((size_t)columns * (p + 1) * sizeof(float));
    float *residuals = (float *)gmemAlloc((size_t)columns * sizeof(float));
    double *work = (double *)gmemAlloc(
        ((size_t)(p + 1) * (p + 1) + 2 * (size_t)(p + 2) + 2 * (size_t)p + 1) * sizeof(double));
    if (values == NULL || coefs == NULL || residuals == NULL || work == NULL) {
        pcalcFreeBuffers(values, coefs, residuals, work);
        return pcalcMemoryShort();
    }
    PcalcMeter meter = {"pcalc reg", 0.1f, 0.0f};
    for (int r = 0; r < in->rows; r++) {
        getRowsFloatBands(run->in, r, 0, columns, 1, nBands, NULL, values);
        for (int c = 0; c < columns; c++) {
            const float *x = values + (size_t)c * nBands;
            int m = 0;
            while (m < nBands && x[m] < run->threshold) {
                m++;
            }
            residuals[c] = pcalcFitPixel(x, m, run->abscissae, p,
                                         coefs + (size_t)c * (p + 1), work);
        }
        writeFloatBIPData(run->out, r, 0, columns, 1, NULL, residuals);
        writeFloatBIPData(run->par, r, 0, columns, p + 1, NULL, coefs);
        pcalcMeterStep(&meter, r, in->rows);
    }
    meterSet(meter.label, meter.last);
    pcalcFreeBuffers(values, coefs, residuals, work);
    return 1;
}

int rimagePcalc(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, pcalcUsage);
    }
    PcalcRun *run = (PcalcRun *)gmemAlloc(sizeof(PcalcRun));
    if (run == NULL) {
        return pcalcMemoryShort();
    }
    memset(run, 0, sizeof(*run));
    int status = PROGRAM_FAILED;
    if (pcalcParseArgs(run, argc, argv)) {
        int done;
        if (run->mode == PCALC_REGRESSION) {
            done = pcalcRegression(run);
        } else if (run->layer == PCALC_LAYER_XY) {
            done = pcalcLayerXY(run);
        } else {
            done = pcalcLayerXZ(run);
        }
        pcalcRelease(run);
        status = done ? PROGRAM_DONE : PROGRAM_FAILED;
    }
    gmemFree(run);
    return status;
}
