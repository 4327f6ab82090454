/*
 * calc_program.cpp --
 *
 *	rimage calc: computes new pixel values from the bands of one image
 *	with one of eight fixed modules and writes them into bands of an
 *	output image, creating the output when it does not open. Works row by
 *	row over the rows and columns both images have: the chosen input
 *	bands of a row go into one pixel-interleaved float buffer, the
 *	module's results come out of a second one.
 */
#include "programs/calc_program.h"

#include <float.h>
#include <math.h>
#include <stdint.h>
#include <string.h>
#include <strings.h>

#include "core/package.h"
#include "core/vocabulary.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "ramimage/band_stats.h"
#include "ramimage/kit/number_text.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"
#include "ramimage/memory_layout.h"
#include "ramimage/kit/output_checks.h"

enum {
    CALC_DRATIO, CALC_RATIO, CALC_NRATIO, CALC_STRETCH, CALC_DEV, CALC_LINEAR, CALC_AVG,
    CALC_NORM, CALC_MODULES
};

#define CALC_MAX_PARS 16384
#define CALC_JPEG_QUALITY 100
/* Replaces a zero or not-a-number denominator. */
#define CALC_TINY 1e-30f

struct CalcModule {
    const char *name;
    const char *label;
    const char *usage;
};

static const CalcModule calcModules[CALC_MODULES] = {
    {"dratio", "dratio", "DRATIO    band differencial ratio"},
    {"ratio", "radio", "RATIO     two band ratio"},
    {"nratio", "nradio", "NRATIO    normalized two band ratio"},
    {"stretch", "stretch", "STRETCH   linear stretch;"},
    {"dev", "dev", "DEV       de-vignetting;"},
    {"linear", "linear", "LINEAR    linear combination;"},
    {"avg", "pavg", "AVG       averaging;"},
    {"norm", "normalize", "NORM      normalize"},
};

/* The state of one calc call. */
struct CalcRun {
    RAMIMG *in;
    RAMIMG *out;
    int module;
    int rows, columns;
    int inImageBands, outImageBands;
    int nIn, nOut, nNorm;
    int inBands[MAX_BAND_PAIRS];
    int outBands[MAX_BAND_PAIRS];
    int normBands[MAX_BAND_PAIRS];
    float par[CALC_MAX_PARS];
    float *inRow;       /* columns x nIn, then the output row */
    float *outRow;      /* columns x nOut */
};

static const ProgOption calcOptions[] = {
    {"-in", NULL},  {"-out", NULL},   {"-ob", NULL},    {"-b", NULL},      {"-par", NULL},
    {"-f", NULL},   {"-imgid", NULL}, {"-pixel", NULL}, {"-nbands", NULL}, {NULL, NULL}
};

int findCalcModule(const char *name)
{
    int k = 0;
    while (k < CALC_MODULES && (name == NULL || strcasecmp(name, calcModules[k].name) != 0)) {
        k++;
    }
    return k;
}

static int calcUsage(const char *programName)
{
    ovex_printf("Usage: %s -in IN -out OUT -f FNM -b BNDS -ob OBNDS -par PARS\n", programName);
    ovex_printf("    where\n");
    ovex_printf("    IN        the input image file;\n");
    ovex_printf("    OUT       the output image file;\n");
    ovex_printf("    FNM       the name of the function module:\n");
    for (int k = 0; k < CALC_MODULES; k++) {
        ovex_printf("                 %s\n", calcModules[k].usage);
    }
    ovex_printf("    BNDS      the input bands: b1,b2,... (module dependent);\n");
    ovex_printf("    OBNDS     the band of the output file;\n");
    ovex_printf("    PARS      the input parametes: p1,p2...(module depedent);\n");
    return PROGRAM_USAGE;
}

static int calcFail(const char *message)
{
    ovex_fprintf(stderr, "%s", message);
    return 0;
}

/* ---- Option checks of the modules ------------------------------------------ */

/*
 * readBandList --
 *	A comma-separated list of 1-based bands into 0-based list entries.
 *	A list longer than room would leave entries unset: its count is
 *	returned as it is so that the caller refuses it.
 * Returns: the count of items given, -1 after a malloc message.
 */
static int readBandList(const char *text, int *list, int room)
{
    int32_t numbers[MAX_BAND_PAIRS];
    int n = passLongs(text, numbers, room < MAX_BAND_PAIRS ? room : MAX_BAND_PAIRS);
    for (int k = 0; k < n && k < room && k < MAX_BAND_PAIRS; k++) {
        list[k] = numbers[k] < 1 ? -1 : (int)numbers[k] - 1;
    }
    return n;
}

/* 1 when every band of list lies in 0 .. limit - 1. */
static int bandsInRange(const int *list, int n, int limit)
{
    for (int k = 0; k < n; k++) {
        if (list[k] < 0 || list[k] >= limit) {
            return 0;
        }
    }
    return 1;
}

/* Messages and counts that set the modules 0 to 6 apart. */
struct CalcBandRule {
    int exactIn;            /* 0: up to the input's band count */
    const char *inCount;
    const char *inRange;
    const char *outMessage;
    const char *outRange;   /* stretch and dev; NULL for the single-band modules */
    const char *parMessage;
};

static const CalcBandRule calcRules[CALC_NORM] = {
    {4, "dratio: Input bands must be four.\n", "dratio: Input band out of range.\n",
     "dratio: Output band must be 1.\n", NULL, "dratio: Invalid parameter(s).\n"},
    {2, "ratio: Input bands must be two.\n", "ratio: Input band out of range.\n",
     "ratio: invalid output band.\n", NULL, "ratio: Invalid parameter(s).\n"},
    {2, "nratio: Input bands must be two.\n", "nratio: Input band out of range.\n",
     "nratio: invalid output band.\n", NULL, "nratio: Invalid parameter(s).\n"},
    {0, "stretch: Too many input bands.\n", "stretch: Input band out of range.\n",
     "stretch: Inconsistant output and input bands.\n", "stretch: Output band is out of range.\n",
     "stretch: Invalide parameter(s).\n"},
    {0, "DEV: Too many input bands.\n", "DEV: Input band out of range.\n",
     "DEV: Inconsistant output and input bands.\n", "DEV: Output band is out of range.\n",
     "DEV: Invalid parameter(s).\n"},
    {0, "linear: Too many input bands.\n", "linear: Input band out of range.\n",
     "linear: output band must be 1.\n", NULL, "linear: invalide parameter(s).\n"},
    {0, "avg: Too many input bands.\n", "avg: Input band out of range.\n",
     "avg: output band must be 1.\n", NULL, "avg: invalide parameter(s).\n"},
};

/* -b of the modules 0 to 6; the default is 1 .. exactIn or every band,
 * checked against the input like a given list. */
static int checkInputBands(CalcRun *run, const CalcBandRule *rule, const char *text)
{
    int limit = run->inImageBands;
    if (text == NULL) {
        run->nIn = rule->exactIn > 0 ? rule->exactIn : limit;
        for (int k = 0; k < run->nIn; k++) {
            run->inBands[k] = k;
        }
    } else {
        run->nIn = readBandList(text, run->inBands, rule->exactIn > 0 ? rule->exactIn : limit);
        if (run->nIn < 0) {
            return 0;
        }
        if (rule->exactIn > 0 ? run->nIn != rule->exactIn : run->nIn > limit) {
            return calcFail(rule->inCount);
        }
    }
    if (run->nIn < 1 || !bandsInRange(run->inBands, run->nIn, limit)) {
        return calcFail(rule->inRange);
    }
    return 1;
}

/* -ob of the modules 0 to 6. */
static int checkOutputBands(CalcRun *run, const CalcBandRule *rule, const char *text)
{
    if (rule->outRange != NULL) {
        /* stretch, dev: one output band per input band */
        if (text == NULL) {
            run->nOut = run->nIn;
            for (int k = 0; k < run->nOut; k++) {
                run->outBands[k] = k;
            }
        } else {
            run->nOut = readBandList(text, run->outBands, run->nIn);
            if (run->nOut < 0) {
                return 0;
            }
            if (run->nOut != run->nIn) {
                return calcFail(rule->outMessage);
            }
        }
        if (!bandsInRange(run->outBands, run->nOut, run->inImageBands)) {
            return calcFail(rule->outRange);
        }
        return 1;
    }
    run->nOut = 1;
    run->outBands[0] = 0;
    if (text != NULL) {
        int n = readBandList(text, run->outBands, 1);
        if (n < 0) {
            return 0;
        }
        int fixedRange = run->module <= CALC_NRATIO;
        if (n > 1 || (n == 0 && fixedRange) || run->outBands[0] < 0
                || (fixedRange && run->outBands[0] >= run->outImageBands)) {
            return calcFail(rule->outMessage);
        }
        if (n == 0) {
            run->outBands[0] = 0;
        }
    }
    return 1;
}

/* Sets the module's default parameters. */
static void defaultParameters(CalcRun *run)
{
    float *p = run->par;
    int n = run->nIn;
    switch (run->module) {
    case CALC_DRATIO:
    case CALC_RATIO:
        p[0] = 1.0f;
        break;
    case CALC_NRATIO:
        p[2] = 1.0f;
        p[3] = 1.0f;
        break;
    case CALC_STRETCH:
        for (int k = 0; k < n; k++) {
            p[2 * k] = 1.0f;
        }
        break;
    case CALC_DEV:
        p[0] = 2.0f;
        p[1] = 1.5f;
        p[2] = 50.0f;
        p[3] = 8.0f;
        p[4] = 0.0068f;
        p[5] = 0.0068f;
        p[6] = (float)run->columns * 0.5f;
        p[7] = (float)run->rows * 0.5f;
        break;
    case CALC_LINEAR:
        for (int k = 0; k < n; k++) {
            p[k] = 1.0f / (float)n;
        }
        break;
    case CALC_AVG:
        p[0] = FLT_MAX;
        break;
    }
}

/* 1 when count values of -par suit the module. */
static int parameterCountFits(const CalcRun *run, int count)
{
    int n = run->nIn;
    switch (run->module) {
    case CALC_DRATIO: return count == 2;
    case CALC_RATIO: return count == 2 || count == 4;
    case CALC_NRATIO: return count <= 5;
    case CALC_STRETCH: return count % 2 == 0 && count <= 2 * n;
    case CALC_DEV: return count <= 8;
    case CALC_LINEAR: return count == 0 || count == n + 1;
    case CALC_AVG: return count <= 1;
    }
    return 0;
}

static int checkModuleOptions(CalcRun *run, const ProgOptions *options)
{
    const CalcBandRule *rule = &calcRules[run->module];
    if (!checkInputBands(run, rule, progOptionValue(options, "-b"))
        || !checkOutputBands(run, rule, progOptionValue(options, "-ob"))) {
        return 0;
    }
    defaultParameters(run);
    const char *text = progOptionValue(options, "-par");
    if (text != NULL) {
        float given[CALC_MAX_PARS];
        int count = passFloats(text, given, CALC_MAX_PARS);
        if (count < 0) {
            return 0;
        }
        if (count > CALC_MAX_PARS || !parameterCountFits(run, count)) {
            return calcFail(rule->parMessage);
        }
        memcpy(run->par, given, (size_t)count * sizeof(float));
    }
    if (run->module == CALC_DEV) {
        run->par[0] *= 2.0f;
    }
    return 1;
}

/* A list of norm with ranges, 1-based numbers into 0-based entries;
 * fallback entries 0 .. fallback - 1 when text is NULL. -1 on a fault. */
static int readNormList(const char *text, int *list, int fallback)
{
    if (text == NULL) {
        for (int k = 0; k < fallback && k < MAX_BAND_PAIRS; k++) {
            list[k] = k;
        }
        return fallback <= MAX_BAND_PAIRS ? fallback : -1;
    }
    int n = parseNumberList(text, list, MAX_BAND_PAIRS);
    for (int k = 0; k < n; k++) {
        list[k] = list[k] < 1 ? -1 : list[k] - 1;
    }
    return n;
}

static int checkNormOptions(CalcRun *run, const ProgOptions *options)
{
    run->nIn = readNormList(progOptionValue(options, "-b"), run->inBands, run->inImageBands);
    run->nOut = readNormList(progOptionValue(options, "-ob"), run->outBands,
                             run->outImageBands);
    if (run->nIn < 1 || run->nIn > run->inImageBands || run->nOut != run->nIn
            || run->nOut > run->outImageBands) {
        return calcFail("invalid input/output bands\n");
    }
    if (!bandsInRange(run->inBands, run->nIn, run->inImageBands)) {
        return calcFail("input band out of range\n");
    }
    if (!bandsInRange(run->outBands, run->nOut, run->outImageBands)) {
        return calcFail("output band out of range\n");
    }
    run->nNorm = readNormList(progOptionValue(options, "-par"), run->normBands,
                              run->inImageBands);
    if (run->nNorm < 1) {
        return calcFail("invalid par specification\n");
    }
    /* The normalising bands are positions among the selected bands. */
    if (!bandsInRange(run->normBands, run->nNorm, run->inImageBands)
            || !bandsInRange(run->normBands, run->nNorm, run->nIn)) {
        return calcFail("par band out of range\n");
    }
    return 1;
}

/* ---- Images ------------------------------------------------------------------ */

/*
 * createOutput --
 *	A copy of the input's head under the -out word, with -imgid, -pixel
 *	(FLOAT by default) and -nbands; its file is created and opened.
 *	Names outside the vocabularies and a name too long for the record
 *	(cutting it would create another file) are refused.
 * Returns: the image (one reference held), or NULL after the message.
 */
static RAMIMG *createOutput(const CalcRun *run, const ProgOptions *options, const char *word,
                            int *err)
{
    ImageHead head = run->in->head;
    if (strlen(word) >= RAMIMG_NAME_SIZE) {
        *err = RAMIMG_ENAME;
        ovex_fprintf(stderr, "Error in create %s.\n", word);
        return NULL;
    }
    strcpy(head.file, word);
    const char *imgid = progOptionValue(options, "-imgid");
    if (imgid != NULL && (head.imgid = imgidFromName(imgid)) < 1) {
        ovex_fprintf(stderr, "Invalid image ID\n");
        return NULL;
    }
    const char *pixel = progOptionValue(options, "-pixel");
    head.pixel = pixelFromName(pixel != NULL ? pixel : "FLOAT");
    if (head.pixel < 1) {
        ovex_fprintf(stderr, "Invalid pixel ID\n");
        return NULL;
    }
    head.nbands = progIntOption(options, "-nbands", head.nbands);
    head.bits = bitsPerPixel(head.pixel);
    head.dataFd = -1;
    head.encoding = 0;
    if (head.nbands != 1 || head.pixel != PIXEL_BYTE) {
        head.nindices = 0;      /* only a one-band byte image is colour-indexed */
    }
    int64_t least = head.imgid == IMGID_JPEG ? CALC_JPEG_QUALITY : leastRowLength(&head);
    if (head.nbands < 1 || least < 1 || least > INT32_MAX) {
        *err = RAMIMG_EUNHANDLED;
        ovex_fprintf(stderr, "Error in create %s.\n", word);
        return NULL;
    }
    head.block = (int32_t)least;
    RAMIMG *image = progCreateImage(&head, 0, err);
    if (image == NULL) {
        ovex_fprintf(stderr, "Error in create %s.\n", word);
    }
    return image;
}

static void calcRelease(CalcRun *run)
{
    progReleaseImage(run->out);
    progReleaseImage(run->in);
    run->in = run->out = NULL;
}

static int calcParseArgs(CalcRun *run, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, calcOptions, argc, argv, stderr)) {
        return 0;
    }
    int err = RAMIMG_OK;
    const char *inWord = progOptionValue(&options, "-in");
    const char *outWord = progOptionValue(&options, "-out");
    const char *moduleName = progOptionValue(&options, "-f");
    if (inWord == NULL) {
        return calcFail("Input image file missing!\n");
    }
    if ((run->in = progOpenImage(inWord, &err)) == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", inWord);
        goto failed;
    }
    run->inImageBands = run->in->head.nbands;
    if (moduleName == NULL) {
        calcFail("Module Name missing!\n");
        goto failed;
    }
    if (outWord == NULL) {
        calcFail("Output file missing!\n");
        goto failed;
    }
    if ((run->out = progOpenImage(outWord, &err)) == NULL
            && (run->out = createOutput(run, &options, outWord, &err)) == NULL) {
        goto failed;
    }
    if (progOutputIsInput(run->in, run->out, outWord)) {
        goto failed;
    }
    run->outImageBands = run->out->head.nbands;
    if (run->in->head.imgid == IMGID_JPEG) {
        run->in->head.block = CALC_JPEG_QUALITY;
    }
    if (run->out->head.imgid == IMGID_JPEG) {
        run->out->head.block = CALC_JPEG_QUALITY;
    }
    run->rows = run->in->head.rows < run->out->head.rows ? run->in->head.rows
                                                         : run->out->head.rows;
    run->columns = run->in->head.columns < run->out->head.columns ? run->in->head.columns
                                                                  : run->out->head.columns;
    run->module = findCalcModule(moduleName);
    if (run->module == CALC_MODULES) {
        calcFail("Undefined module.\n");
        goto failed;
    }
    if (run->module == CALC_NORM ? !checkNormOptions(run, &options)
                                 : !checkModuleOptions(run, &options)) {
        goto failed;
    }
    return 1;

failed:
    calcRelease(run);
    printRamImageError(err);
    return 0;
}

/* The two row buffers in one block, the input's first. */
static int AllocateMem(CalcRun *run)
{
    uint64_t bytes = (uint64_t)run->columns * 4 * ((uint64_t)run->nIn + run->nOut);
    run->inRow = bytes > 0 && bytes < ((uint64_t)1 << 40) ? (float *)gmemAlloc((size_t)bytes)
                                                          : NULL;
    if (run->inRow == NULL) {
        return calcFail("Error of malloc in AllocateMem.\n");
    }
    run->outRow = run->inRow + (size_t)run->columns * run->nIn;
    return 1;
}

/* ---- Row kernels --------------------------------------------------------------- */

static inline float guarded(float d)
{
    return d == 0.0f || d != d ? CALC_TINY : d;
}

/* Computes the output row of row r from the input row. */
static void calcKernel(const CalcRun *run, int r)
{
    const float *p = run->par;
    int nIn = run->nIn, nOut = run->nOut;
    /* dev: the radial distance uses a guarded squared scale */
    float f2 = guarded(p[3] * p[3]), fy = ((float)r - p[7]) * p[5];
    for (int c = 0; c < run->columns; c++) {
        const float *x = run->inRow + (size_t)c * nIn;
        float *y = run->outRow + (size_t)c * nOut;
        switch (run->module) {
        case CALC_DRATIO:
            y[0] = (x[0] - x[1]) / guarded(x[2] - x[3]) * p[0] + p[1];
            break;
        case CALC_RATIO:
            y[0] = (x[0] - p[2]) / guarded(x[1] - p[3]) * p[0] + p[1];
            break;
        case CALC_NRATIO: {
            float a = x[0] - p[0], b = (x[1] - p[1]) * p[2];
            y[0] = (a - b) / guarded(a + b) * p[3] + p[4];
            break;
        }
        case CALC_STRETCH:
            for (int k = 0; k < nIn; k++) {
                y[k] = (x[k] - p[2 * k + 1]) * p[2 * k];
            }
            break;
        case CALC_DEV: {
            float fx = (p[6] - (float)c) * p[4];
            float radius = sqrtf((fx * fx + fy * fy + f2) / f2);
            for (int k = 0; k < nIn; k++) {
                y[k] = (x[k] - p[1]) * expf(p[k] * (radius - 1.0f)) + p[1];
            }
            break;
        }
        case CALC_LINEAR: {
            float sum = p[nIn];
            for (int k = 0; k < nIn; k++) {
                sum += x[k] * p[k];
            }
            y[0] = sum;
            break;
        }
        case CALC_AVG: {
            float sum = 0.0f;
            int k = 0;
            while (k < nIn && x[k] < p[0]) {
                sum += x[k++];
            }
            y[0] = k == nIn ? sum / (float)nIn : p[0];
            break;
        }
        case CALC_NORM: {
            float sum = 0.0f;
            for (int j = 0; j < run->nNorm; j++) {
                sum += x[run->normBands[j]];
            }
            float m = sum / (float)run->nNorm;
            for (int k = 0; k < nIn; k++) {
                y[k] = x[k] / m;
            }
            break;
        }
        }
    }
}

/* stretch over a BSQ image: band after band, row after row. */
static void stretchBandwise(CalcRun *run, ProgMeter *meter)
{
    int64_t total = (int64_t)run->nIn * run->rows;
    for (int k = 0; k < run->nIn; k++) {
        float gain = run->par[2 * k], offset = run->par[2 * k + 1];
        for (int r = 0; r < run->rows; r++) {
            getRowFloat(run->in, r, 0, run->columns, run->inBands[k], run->inRow);
            for (int c = 0; c < run->columns; c++) {
                run->inRow[c] = (run->inRow[c] - offset) * gain;
            }
            if (run->outBands[k] < run->outImageBands) {
                putRowFloat(run->out, r, 0, run->columns, run->outBands[k], run->inRow);
            }
            progMeterStep(meter, (int64_t)(k + 1) * (r + 1), total);
        }
    }
}

static void calcRun(CalcRun *run)
{
    ProgMeter meter;
    progMeterStart(&meter, calcModules[run->module].label);
    if (run->module == CALC_STRETCH
            && (run->in->head.imgid == IMGID_BSQ || run->out->head.imgid == IMGID_BSQ)) {
        stretchBandwise(run, &meter);
    } else {
        for (int r = 0; r < run->rows; r++) {
            getRowsFloatBands(run->in, r, 0, run->columns, 1, run->nIn, run->inBands,
                              run->inRow);
            calcKernel(run, r);
            writeFloatBIPData(run->out, r, 0, run->columns, run->nOut, run->outBands,
                              run->outRow);
            progMeterStep(&meter, (int64_t)r + 1, run->rows);
        }
    }
    progMeterEnd(&meter);
    if (run->out->stats != NULL) {
        for (int k = 0; k < run->nOut; k++) {
            if (run->outBands[k] < run->outImageBands) {
                resetBandStats(&run->out->stats[run->outBands[k]]);
            }
        }
    }
    updateClient(run->out, 0, RAMIMG_NOTIFY_DATA);
    meterReset();
}

int rimageCalc(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return calcUsage(programName);
    }
    CalcRun *run = (CalcRun *)gmemAlloc(sizeof(CalcRun));
    if (run == NULL) {
        return calcFail("Error of malloc in AllocateMem.\n");
    }
    memset(run, 0, sizeof(*run));
    int status = PROGRAM_FAILED;
    if (calcParseArgs(run, argc, argv)) {
        if (AllocateMem(run)) {
            calcRun(run);
            status = PROGRAM_DONE;
        }
        gmemFree(run->inRow);
        calcRelease(run);
    }
    gmemFree(run);
    return status;
}
