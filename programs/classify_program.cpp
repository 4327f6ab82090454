/*
 * classify_program.cpp --
 *
 *	rimage classify: assigns every pixel of a window to the nearest class
 *	of a class statistics file (or to "unknown", numbered after the last
 *	class) and writes the class numbers into one band of an output image.
 *	A new output is a one-band BYTE image whose colour table shows each
 *	class in the colour of its mean.
 */
#include "programs/classify_program.h"

#include <cfloat>
#include <cstring>

#include "core/package.h"
#include "core/rounding.h"
#include "core/vocabulary.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/class_output.h"
#include "programs/class_palette.h"
#include "programs/classifier_model.h"
#include "programs/feature_file.h"
#include "ramimage/band_stats.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"
#include "ramimage/memory_layout.h"
#include "ramimage/kit/output_checks.h"

static const ProgOption classifyOptions[] = {
    {"-in", NULL}, {"-out", NULL}, {"-stat", NULL}, {"-ib", NULL}, {"-ob", NULL},
    {"-o", NULL}, {"-norm", NULL}, {"-tshd", NULL}, {"-ir", NULL}, {"-ic", NULL},
    {"-or", NULL}, {"-oc", NULL}, {"-r", NULL}, {"-c", NULL}, {"-imgid", NULL},
    {NULL, NULL}
};

static const char *const classifyUsage[] = {
    "Usage: %s -in IN -out OUT -stat STAT -ib IB -ob OB -o OP -norm NORM -tshd TSHD "
    "-ir IR -ic IC -or OR -oc OC -r R -c C -imgid IMGID\n",
    "where  IN     input rimage ID\n",
    "       OUT    output rimage ID\n",
    "       STAT   statistical file name\n",
    "       IB     input image bands (i.e., 1:2:...n)\n",
    "       OB     output image band\n",
    "       OP     option of classifier: E, P, M, B\n",
    "       NORM   flag of normalization: Y for yes or N for No\n",
    "       TSHD   threshold for unknowns (def: 10)\n",
    "       IR     start row of the input image\n",
    "       IC     start column of the input image\n",
    "       OR     start row of the output image\n",
    "       OC     start column of the output image\n",
    "       R      the number of rows to process\n",
    "       C      the number of columns to process\n",
    "       IMGID  output image id\n",
    NULL
};

/* Default -tshd. */
static const double DEFAULT_THRESHOLD = 10.0;

/* Colour channels a class colour is made of. */

/* The state of one classify call. */
struct ClassifyRun {
    RAMIMG *in;
    RAMIMG *out;
    FeatureBlock *block;
    ClassifierModel *model;
    int rule;
    double t;                       /* -tshd */
    int outBand;                    /* 0-based */
    int inRow, inColumn, outRow, outColumn;
    int rows, columns;
    int n;
    int *bands;                     /* n chosen input bands, 0-based */
    int *positions;                 /* their places in the file's band list */
};

static void releaseRun(ClassifyRun *run)
{
    progReleaseImage(run->in);
    progReleaseImage(run->out);
    freeFeature(run->block);
    freeClusters(run->model);
    gmemFree(run->bands);
    gmemFree(run->positions);
    memset(run, 0, sizeof(*run));
}

/* How a failed create of the output is told. */
static const ClassOutputStyle kOutputStyle = {"Error in open ", true};

/*
 * chooseBands --
 *	The -ib list (when it starts with a digit) or the file's band list,
 *	each band located in the file's list.
 * Returns: 1, or 0 after the message.
 */
static int chooseBands(ClassifyRun *run, const char *ib)
{
    int nInBands = run->in->head.nbands;
    int fileBands = (int)run->block->nBands;
    int room = nInBands > fileBands ? nInBands : fileBands;
    run->bands = (int *)gmemAlloc((size_t)(room > 0 ? room : 1) * sizeof(int));
    run->positions = (int *)gmemAlloc((size_t)(room > 0 ? room : 1) * sizeof(int));
    if (run->bands == NULL || run->positions == NULL) {
        ovex_fprintf(stderr, "Error in gmemAlloc - createClusters.\n");
        return 0;
    }
    if (ib != NULL && ib[0] >= '0' && ib[0] <= '9') {
        int count = parseNumberList(ib, run->bands, nInBands > 0 ? nInBands : 1);
        if (count < 1 || count > nInBands) {
            ovex_fprintf(stderr, "Illegal band number.\n");
            return 0;
        }
        run->n = count;
        for (int i = 0; i < count; i++) {
            if (run->bands[i] < 1 || run->bands[i] > nInBands) {
                ovex_fprintf(stderr, "Illegal band number.\n");
                return 0;
            }
            run->bands[i]--;
        }
    } else {
        /* The file may name bands this image lacks; those would read as
         * zeros and classify every pixel wrongly. */
        run->n = fileBands;
        for (int i = 0; i < fileBands; i++) {
            run->bands[i] = featureBand(run->block, i);
            if (run->bands[i] < 0 || run->bands[i] >= nInBands) {
                ovex_fprintf(stderr, "Illegal band number.\n");
                return 0;
            }
        }
        if (run->n < 1) {
            ovex_fprintf(stderr, "Illegal band number.\n");
            return 0;
        }
    }
    for (int i = 0; i < run->n; i++) {
        for (int j = 0; j < i; j++) {
            if (run->bands[i] == run->bands[j]) {
                ovex_fprintf(stderr, "Duplicated input band.\n");
                return 0;
            }
        }
    }
    for (int i = 0; i < run->n; i++) {
        run->positions[i] = featureBandPosition(run->block, run->bands[i]);
        if (run->positions[i] < 0) {
            ovex_fprintf(stderr, "Input band %d is not found in features.\n", run->bands[i] + 1);
            return 0;
        }
    }
    return 1;
}

/*
 * settleWindow --
 *	The start positions checked against their images, then rows and
 *	columns cut to both.
 * Returns: 1, or 0 after the message.
 */
static int settleWindow(ClassifyRun *run, const ProgOptions *options)
{
    const ImageHead *in = &run->in->head;
    const ImageHead *out = &run->out->head;
    run->inRow = progIntOption(options, "-ir", 0);
    run->inColumn = progIntOption(options, "-ic", 0);
    run->outRow = progIntOption(options, "-or", 0);
    run->outColumn = progIntOption(options, "-oc", 0);
    const struct {
        int value;
        int limit;
        const char *message;
    } starts[] = {
        {run->inRow, in->rows, "input start row out of range.\n"},
        {run->inColumn, in->columns, "input start colum out of range.\n"},
        {run->outRow, out->rows, "output start row out of range.\n"},
        {run->outColumn, out->columns, "output start column out of range.\n"},
    };
    for (const auto &start : starts) {
        if (start.value < 0 || start.value >= start.limit) {
            ovex_fprintf(stderr, "%s", start.message);
            return 0;
        }
    }
    int rows = progIntOption(options, "-r", in->rows);
    int columns = progIntOption(options, "-c", in->columns);
    int rowsLeft = in->rows - run->inRow < out->rows - run->outRow
                       ? in->rows - run->inRow : out->rows - run->outRow;
    int columnsLeft = in->columns - run->inColumn < out->columns - run->outColumn
                          ? in->columns - run->inColumn : out->columns - run->outColumn;
    run->rows = rows < rowsLeft ? rows : rowsLeft;
    run->columns = columns < columnsLeft ? columns : columnsLeft;
    if (run->rows < 0) {
        run->rows = 0;
    }
    if (run->columns < 0) {
        run->columns = 0;
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * classifyParseArgs --
 *
 *	Reads the options, the statistics and the images, and settles the
 *	bands and the window.
 *
 * Results:
 *	1, or 0 after the message; then nothing is held and the text of the
 *	last failed image open (if any) has been printed.
 *
 * Side effects:
 *	May create the output image.
 *
 *----------------------------------------------------------------------
 */
static int classifyParseArgs(ClassifyRun *run, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, classifyOptions, argc, argv, stdout)) {
        return 0;
    }
    int err = RAMIMG_OK;
    const char *rule = progOptionValue(&options, "-o");
    run->rule = classifierRule(rule);
    if (run->rule == 0) {
        ovex_fprintf(stderr, "Unknown option: %s\n", rule);
        return 0;
    }
    const char *tshd = progOptionValue(&options, "-tshd");
    run->t = tshd != NULL ? ovexLenientDouble(tshd) : DEFAULT_THRESHOLD;

    const char *stat = progOptionValue(&options, "-stat");
    if (stat == NULL) {
        ovex_fprintf(stderr, "stat missing!\n");
        return 0;
    }
    run->block = getFeature(stat, FEATURE_STAT);
    if (run->block == NULL) {
        ovex_fprintf(stderr, "Error in open stat: %s\n", stat);
        return 0;
    }
    const char *inWord = progOptionValue(&options, "-in");
    const char *outWord = progOptionValue(&options, "-out");
    if (inWord == NULL) {
        ovex_fprintf(stderr, "Input image missing!\n");
        goto failed;
    }
    run->in = progOpenImage(inWord, &err);
    if (run->in == NULL) {
        ovex_fprintf(stderr, "Error in open %s\n", inWord);
        goto failed;
    }
    if (outWord == NULL) {
        ovex_fprintf(stderr, "Output image missing!\n");
        goto failed;
    }
    run->out = progOpenImage(outWord, &err);
    if (run->out == NULL) {
        run->out = createClassOutput(run->in, outWord, progOptionValue(&options, "-imgid"),
                                     kOutputStyle, &err);
        if (run->out == NULL) {
            goto failed;
        }
    }
    if (progOutputIsInput(run->in, run->out, outWord)) {
        goto failed;
    }
    run->outBand = progIntOption(&options, "-ob", 1) - 1;
    if (run->outBand < 0 || run->outBand >= run->out->head.nbands) {
        ovex_fprintf(stderr, "Output band out of range.\n");
        goto failed;
    }
    if (!chooseBands(run, progOptionValue(&options, "-ib")) || !settleWindow(run, &options)) {
        goto failed;
    }
    return 1;

failed:
    releaseRun(run);
    printRamImageError(err);
    return 0;
}

static double classMean(const void *data, int k, int c)
{
    const ClassifierModel *model = (const ClassifierModel *)data;
    return model->means[(size_t)k * model->nBands + c];
}

/*
 *----------------------------------------------------------------------
 *
 * setClassColors --
 *
 *	Colours each class's entry of the output's colour table from its
 *	mean over the first three chosen bands (stretched for inputs of
 *	more than 8 bits); the entries from the unknown class on are black.
 *
 * Results:
 *	None.
 *
 * Side effects:
 *	The output's palette, in memory and in its file.
 *
 *----------------------------------------------------------------------
 */
static void setClassColors(ClassifyRun *run)
{
    setClassPalette(run->out, run->in, run->bands, run->n, run->model->nClasses, classMean,
                    run->model);
}

/*
 * calcPrior --
 *	The pre-pass of the Bayes rule: the window assigned by city-block
 *	distance against t squared gives each class's prior term.
 * Returns: 1, or 0 after the message.
 */
static int calcPrior(ClassifyRun *run)
{
    int n = run->n;
    float *pixels = (float *)gmemAlloc(((size_t)run->columns * n + 1) * sizeof(float));
    if (pixels == NULL) {
        ovex_fprintf(stderr, "Error in gmemAlloc: calcPrior\n");
        return 0;
    }
    float threshold = (float)(run->t * run->t);
    ProgMeter meter;
    progMeterStart(&meter, "calcPrior");
    meter.next = 0.05f;
    for (int i = 0; i < run->rows; i++) {
        getRowsFloatBands(run->in, run->inRow + i, run->inColumn, run->columns, 1, n,
                          run->bands, pixels);
        for (int j = 0; j < run->columns; j++) {
            nearestClass(run->model, CLASSIFY_PARALLELPIPE, threshold, pixels + (size_t)j * n);
        }
        progMeterStep(&meter, (int64_t)i + 1, run->rows);
    }
    progMeterEnd(&meter);
    gmemFree(pixels);
    setPriorsFromHits(run->model, run->t);
    return 1;
}

/*
 * classifyGeneric --
 *	The row loop: each window row's pixel vectors assigned and the class
 *	numbers written into the output band.
 * Returns: 1, or 0 after the message.
 */
static int classifyGeneric(ClassifyRun *run)
{
    int n = run->n;
    size_t columns = (size_t)run->columns;
    float *pixels = (float *)gmemAlloc((columns * n + 1) * sizeof(float));
    float *classes = (float *)gmemAlloc((columns + 1) * sizeof(float));
    if (pixels == NULL || classes == NULL) {
        ovex_fprintf(stderr, "Error in gmemAlloc: classifyGeneric\n");
        gmemFree(pixels);
        gmemFree(classes);
        return 0;
    }
    ClassifierModel *model = run->model;
    ProgMeter meter;
    progMeterStart(&meter, "classify");
    meter.next = 0.05f;
    for (int i = 0; i < run->rows; i++) {
        getRowsFloatBands(run->in, run->inRow + i, run->inColumn, run->columns, 1, n,
                          run->bands, pixels);
        for (size_t j = 0; j < columns; j++) {
            classes[j] = (float)nearestClass(model, model->rule, model->threshold,
                                             pixels + j * n);
        }
        putRowFloat(run->out, run->outRow + i, run->outColumn, run->columns, run->outBand,
                    classes);
        progMeterStep(&meter, (int64_t)i + 1, run->rows);
    }
    progMeterEnd(&meter);
    gmemFree(pixels);
    gmemFree(classes);
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageClassify --
 *
 *	The program of rimage classify.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when classified; else
 *	PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	Writes the output band over the window and, for an output with
 *	colour indices, its colour table; may create the output.
 *
 *----------------------------------------------------------------------
 */
int rimageClassify(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, classifyUsage);
    }
    ClassifyRun run;
    memset(&run, 0, sizeof(run));
    if (!classifyParseArgs(&run, argc, argv)) {
        return PROGRAM_FAILED;
    }
    run.model = createClusters(run.block, run.positions, run.n, run.rule, run.t);
    int ok = run.model != NULL;
    if (ok && run.out->head.nindices >= 1) {
        setClassColors(&run);
    }
    if (ok && run.rule == CLASSIFY_BAYES) {
        ok = calcPrior(&run);
    }
    if (ok) {
        ok = classifyGeneric(&run);
    }
    releaseRun(&run);
    meterReset();
    return ok ? PROGRAM_DONE : PROGRAM_FAILED;
}
