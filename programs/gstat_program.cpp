/*
 * gstat_program.cpp --
 *
 *	rimage gstat: samples chosen bands of an image over a window (every
 *	dx-th column of every dy-th row, optionally only where a mask image
 *	holds a given value) and pools their mean vector and covariance into
 *	a named class of a class statistics file, creating the file when it
 *	cannot be read. Repeated runs with one class name gather the samples
 *	of several windows or images into that class.
 */
#include "programs/gstat_program.h"

#include <climits>
#include <cstring>
#include <ctime>

#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/classifier_model.h"
#include "programs/feature_file.h"
#include "programs/feature_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"

static const ProgOption gstatOptions[] = {
    {"-in", NULL}, {"-out", NULL}, {"-mask", NULL}, {"-stat", NULL}, {"-sr", NULL},
    {"-sc", NULL}, {"-r", NULL}, {"-c", NULL}, {"-b", NULL}, {"-dx", NULL},
    {"-dy", NULL}, {"-maskid", NULL}, {NULL, NULL}
};

static const char *const gstatUsage[] = {
    "Usage: %s -in IN -out OUT -mask MASK -stat STAT -sr SR -sc SC -r R -c C -b B "
    "-dx DX -dy DY -maskid MASKID\n",
    "where IN   name of the image\n",
    "      OUT  name of the output stat file\n",
    "      MASK name of the mask image file\n",
    "      STAT name of the statistics\n",
    "      SR   start row\n",
    "      SC   start column\n",
    "      R    rows\n",
    "      C    columns\n",
    "      B    image bands\n",
    "      DX   column step (every DX-th column is sampled, def: 1)\n",
    "      DY   row step (every DY-th row is sampled, def: 1)\n",
    "      MASKID id of the mask value (default:1)\n",
    NULL
};

/* Samples gathered before a batch is pooled into the running moments. */
static const int BATCH_LIMIT = 16384;

/* Length of an asctime text without its newline. */
static const size_t TIME_TEXT_LENGTH = 24;

/* The state of one gstat call. */
struct GstatRun {
    RAMIMG *image;
    RAMIMG *mask;
    const char *out;
    const char *stat;
    int maskId;
    int startRow, startColumn;
    int rows, columns;
    int dx, dy;
    int nBands;
    int inBands[MAX_BAND_PAIRS];    /* 0-based */
    int outBands[MAX_BAND_PAIRS];
};

/* The running sums of a pass: moments over N samples and a batch of m. */
struct GstatSums {
    float *samples;                 /* nc vectors of n values */
    unsigned char *maskRow;         /* the window's columns of the mask */
    double *means, *second;         /* running, over N */
    double *sums, *cross;           /* batch, over m */
    int N, m;
};

static void releaseImages(GstatRun *run)
{
    progReleaseImage(run->image);
    progReleaseImage(run->mask);
    run->image = run->mask = NULL;
}

/*
 * parseGstatBands --
 *	The -b list against the image's bands. The parser reports only
 *	malformed groups; a list that names no band or a band the image
 *	lacks gets the same message here rather than failing silently.
 * Returns: 1, or 0 after "Error in band params.\n".
 */
static int parseGstatBands(GstatRun *run, const char *spec)
{
    int nbands = run->image->head.nbands;
    if (spec != NULL) {
        int wellFormed = parseBandParams(INT_MAX, INT_MAX, run->inBands, run->outBands, spec);
        if (wellFormed <= 0 && spec[strspn(spec, " \t;,")] != '\0') {
            return 0;       /* the parser has said so */
        }
    }
    run->nBands = parseBandParams(nbands, nbands, run->inBands, run->outBands, spec);
    if (run->nBands <= 0) {
        ovex_fprintf(stderr, "Error in band params.\n");
        return 0;
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * gstatParseArgs --
 *
 *	Reads the options, opens the image and the mask, and settles the
 *	bands, the window and the steps.
 *
 * Results:
 *	1, or 0 after the message; then no image is held and the text of the
 *	failed image open (if any) has been printed.
 *
 * Side effects:
 *	None beyond the images opened.
 *
 *----------------------------------------------------------------------
 */
static int gstatParseArgs(GstatRun *run, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, gstatOptions, argc, argv, stderr)) {
        return 0;
    }
    int err = RAMIMG_OK;
    const char *in = progOptionValue(&options, "-in");
    const char *mask = progOptionValue(&options, "-mask");
    if (in == NULL) {
        ovex_fprintf(stderr, "Image file missing.\n");
        return 0;
    }
    run->image = progOpenImage(in, &err);
    if (run->image == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", in);
        goto failed;
    }
    if (mask != NULL) {
        run->mask = progOpenImage(mask, &err);
        if (run->mask == NULL) {
            ovex_fprintf(stderr, "Error in open %s.\n", mask);
            goto failed;
        }
        if (run->mask->head.rows != run->image->head.rows
            || run->mask->head.columns != run->image->head.columns) {
            ovex_fprintf(stderr,
                         "Error: inconsistent row or/and columns between mask and data.\n");
            goto failed;
        }
    }
    run->stat = progOptionValue(&options, "-stat");
    run->out = progOptionValue(&options, "-out");
    if (run->stat == NULL) {
        ovex_fprintf(stderr, "Stat name missing.\n");
        goto failed;
    }
    if (run->out == NULL) {
        ovex_fprintf(stderr, "Output stat file missing.\n");
        goto failed;
    }
    {
        if (!parseGstatBands(run, progOptionValue(&options, "-b"))) {
            goto failed;
        }
        const ImageHead *head = &run->image->head;
        run->startRow = progIntOption(&options, "-sr", 0);
        run->startColumn = progIntOption(&options, "-sc", 0);
        if (run->startRow < 0 || run->startRow >= head->rows) {
            ovex_fprintf(stderr, "start row out of range.\n");
            goto failed;
        }
        if (run->startColumn < 0 || run->startColumn >= head->columns) {
            ovex_fprintf(stderr, "start column out of range.\n");
            goto failed;
        }
        int rows = progIntOption(&options, "-r", head->rows);
        int columns = progIntOption(&options, "-c", head->columns);
        run->rows = rows < head->rows - run->startRow ? rows : head->rows - run->startRow;
        run->columns = columns < head->columns - run->startColumn
                           ? columns : head->columns - run->startColumn;
        run->dx = progIntOption(&options, "-dx", 1);
        run->dy = progIntOption(&options, "-dy", 1);
        run->dx = run->dx < 1 ? 1 : run->dx;
        run->dy = run->dy < 1 ? 1 : run->dy;
        run->maskId = progIntOption(&options, "-maskid", 1);
    }
    return 1;

failed:
    releaseImages(run);
    printRamImageError(err);
    return 0;
}

/*
 * openStatBlock --
 *	The -out file's block with the class to update (found by name or
 *	appended), or a new block of one class over the -b bands. The file's
 *	band list, when it is read, must name bands the image has: others
 *	would be sampled as zeros.
 * Returns: the block with *item set, or NULL after the message.
 */
static FeatureBlock *openStatBlock(const GstatRun *run, int *item)
{
    FeatureBlock *block = getFeature(run->out, FEATURE_STAT);
    if (block != NULL) {
        for (uint32_t i = 0; i < block->nBands; i++) {
            int band = featureBand(block, (int)i);
            if (band < 0 || band >= run->image->head.nbands) {
                ovex_fprintf(stderr, "Error: band %u of %s is not in the image.\n",
                             featureBands(block)[i] + 1u, run->out);
                freeFeature(block);
                return NULL;
            }
        }
        *item = findStatByName(block, run->stat);
        if (*item < 0) {
            FeatureBlock *grown = addFeature(block, NULL);
            if (grown == NULL) {
                freeFeature(block);
                return NULL;
            }
            block = grown;
            *item = (int)block->itemCount - 1;
        }
        return block;
    }
    uint32_t bands[MAX_BAND_PAIRS];
    for (int i = 0; i < run->nBands; i++) {
        bands[i] = (uint32_t)run->inBands[i];
    }
    block = newFeature(FEATURE_STAT, bands, run->nBands, (int)statItemSize(run->nBands), 1,
                       NULL, STAT_INFO_SIZE);
    if (block == NULL) {
        return NULL;
    }
    StatInfo info;
    memset(&info, 0, sizeof(info));
    /* A longer path is cut to the field. */
    memcpy(info.source, run->image->head.file,
           strnlen(run->image->head.file, sizeof(info.source) - 1));
    strncpy(info.note, "Created by GSTATS", sizeof(info.note) - 1);
    setFeaturePrivateInfo(block, &info, (int)sizeof(info));
    *item = 0;
    return block;
}

/* Item k's index, name (cut to fit) and the local time as its note. */
static void labelItem(FeatureBlock *block, int k, const char *stat)
{
    StatItem *item = statItem(block, k);
    item->id = k;
    memset(item->name, 0, sizeof(item->name));
    strncpy(item->name, stat, sizeof(item->name) - 1);
    memset(item->note, 0, sizeof(item->note));
    time_t now = time(NULL);
    struct tm local;
    char text[64];
    if (localtime_r(&now, &local) != NULL && asctime_r(&local, text) != NULL) {
        memcpy(item->note, text, TIME_TEXT_LENGTH);
    }
}

static void freeSums(GstatSums *sums)
{
    gmemFree(sums->samples);
    gmemFree(sums->maskRow);
    gmemFree(sums->means);
    gmemFree(sums->second);
    gmemFree(sums->sums);
    gmemFree(sums->cross);
    memset(sums, 0, sizeof(*sums));
}

/* Zeroed doubles, or NULL. */
static double *doubleArray(size_t count)
{
    double *array = (double *)gmemAlloc((count > 0 ? count : 1) * sizeof(double));
    if (array != NULL) {
        memset(array, 0, (count > 0 ? count : 1) * sizeof(double));
    }
    return array;
}

/* The buffers of a pass over n bands and nc sampled columns; 1, or 0
 * after "Error in gmemAlloc.\n". */
static int allocSums(GstatSums *sums, int n, int nc, int columns)
{
    memset(sums, 0, sizeof(*sums));
    sums->samples = (float *)gmemAlloc(((size_t)nc * n + 1) * sizeof(float));
    sums->maskRow = (unsigned char *)gmemAlloc((size_t)columns + 1);
    sums->means = doubleArray((size_t)n);
    sums->second = doubleArray(packedSize(n));
    sums->sums = doubleArray((size_t)n);
    sums->cross = doubleArray(packedSize(n));
    if (sums->samples == NULL || sums->maskRow == NULL || sums->means == NULL
        || sums->second == NULL || sums->sums == NULL || sums->cross == NULL) {
        ovex_fprintf(stderr, "Error in gmemAlloc.\n");
        freeSums(sums);
        return 0;
    }
    return 1;
}

/* Pools the batch into the running moments and empties it. */
static void poolBatch(GstatSums *sums, int n)
{
    sums->N = mergeMoments(sums->N, n, sums->second, sums->means, sums->cross, sums->sums,
                           sums->m);
    sums->m = 0;
    memset(sums->sums, 0, (size_t)n * sizeof(double));
    memset(sums->cross, 0, packedSize(n) * sizeof(double));
}

/*
 * sampleRow --
 *	The kept vectors of image row r: every sampled column, or with a
 *	mask those whose mask value is the mask id, moved to the front.
 * Returns: the number kept (the image row is not read when it is 0).
 */
static int sampleRow(const GstatRun *run, GstatSums *sums, int r, int n, int nc, int *bands)
{
    if (run->mask != NULL) {
        getRowByte(run->mask, r, run->startColumn, run->columns, 0, sums->maskRow);
        int any = 0;
        for (int j = 0; j < nc && !any; j++) {
            any = sums->maskRow[(size_t)j * run->dx] == run->maskId;
        }
        if (!any) {
            return 0;
        }
    }
    getRowsFloatBands(run->image, r, run->startColumn, run->columns, run->dx, n, bands,
                      sums->samples);
    if (run->mask == NULL) {
        return nc;
    }
    int kept = 0;
    for (int j = 0; j < nc; j++) {
        if (sums->maskRow[(size_t)j * run->dx] == run->maskId) {
            if (kept != j) {
                memmove(sums->samples + (size_t)kept * n, sums->samples + (size_t)j * n,
                        (size_t)n * sizeof(float));
            }
            kept++;
        }
    }
    return kept;
}

/*
 *----------------------------------------------------------------------
 *
 * gstatRun --
 *
 *	The pass over the window and the update of the class.
 *
 * Results:
 *	PROGRAM_DONE, also when nothing was sampled (then the file is left
 *	as it is); PROGRAM_FAILED after the message when memory is short or
 *	the file cannot be written.
 *
 * Side effects:
 *	Writes the whole statistics file; shows the meter.
 *
 *----------------------------------------------------------------------
 */
static int gstatRun(GstatRun *run)
{
    int k = 0;
    FeatureBlock *block = openStatBlock(run, &k);
    if (block == NULL) {
        return PROGRAM_FAILED;
    }
    labelItem(block, k, run->stat);
    int n = (int)block->nBands;
    int *bands = (int *)gmemAlloc((size_t)(n > 0 ? n : 1) * sizeof(int));
    int nc = run->columns > 0 ? (run->columns + run->dx - 1) / run->dx : 0;
    GstatSums sums;
    if (bands == NULL || !allocSums(&sums, n, nc, run->columns)) {
        if (bands == NULL) {
            ovex_fprintf(stderr, "Error in gmemAlloc.\n");
        }
        gmemFree(bands);
        freeFeature(block);
        return PROGRAM_FAILED;
    }
    for (int i = 0; i < n; i++) {
        bands[i] = featureBand(block, i);
    }

    ProgMeter meter;
    progMeterStart(&meter, "gstats");
    meter.next = 0.05f;
    for (int r = run->startRow; r < run->startRow + run->rows; r += run->dy) {
        int kept = sampleRow(run, &sums, r, n, nc, bands);
        accumulateSamples(sums.cross, sums.sums, n, sums.samples, kept);
        sums.m += kept;
        if (sums.m > BATCH_LIMIT) {
            poolBatch(&sums, n);
        }
        progMeterStep(&meter, (int64_t)(r - run->startRow) + 1, run->rows);
    }
    poolBatch(&sums, n);
    progMeterEnd(&meter);

    int status = PROGRAM_DONE;
    if (sums.N > 0) {
        momentsToCovariance(sums.second, sums.means, n);
        updateStatItem(block, k, sums.second, sums.means, sums.N);
        if (!writeFeature(run->out, block)) {
            status = PROGRAM_FAILED;
        }
    }
    freeSums(&sums);
    gmemFree(bands);
    freeFeature(block);
    return status;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageGstat --
 *
 *	The program of rimage gstat.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE after the pass; else
 *	PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	See gstatRun.
 *
 *----------------------------------------------------------------------
 */
int rimageGstat(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, gstatUsage);
    }
    /* Two band lists of 8192 pairs: kept off the stack. */
    GstatRun *run = (GstatRun *)gmemAlloc(sizeof(GstatRun));
    if (run == NULL) {
        ovex_fprintf(stderr, "Error in gmemAlloc.\n");
        return PROGRAM_FAILED;
    }
    memset(run, 0, sizeof(*run));
    int status = PROGRAM_FAILED;
    if (gstatParseArgs(run, argc, argv)) {
        status = gstatRun(run);
        releaseImages(run);
        meterReset();
    }
    gmemFree(run);
    return status;
}
