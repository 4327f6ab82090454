/*
 * gisoc_program.cpp --
 *
 *	rimage gisoc: iso clustering of the pixels of an image window. The
 *	clusters start from a feature file, the window's first pixel, equal
 *	shares or the most popular vectors of a pixel table, or spectral
 *	binning; passes over sampled pixels (or the distinct vectors of a
 *	pixel table) refine them until their means settle, and a last pass
 *	over every pixel writes the cluster numbers into the output band.
 *	Assignment, update and colours are the clustering core's.
 */
#include "programs/gisoc_program.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <ctime>
#include <unordered_map>
#include <vector>

#include "core/rounding.h"
#include "core/vocabulary.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/class_output.h"
#include "programs/feature_file.h"
#include "programs/iso_cluster.h"
#include "programs/pixel_table.h"
#include "ramimage/band_stats.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"
#include "ramimage/memory_layout.h"

static const ProgOption gisocOptions[] = {
    {"-in", NULL}, {"-out", NULL}, {"-b", NULL}, {"-nc", NULL}, {"-d", NULL},
    {"-cv", NULL}, {"-nr", NULL}, {"-sk", NULL}, {"-pt", NULL}, {"-f", NULL},
    {"-s", NULL}, {"-ini", NULL}, {"-ir", NULL}, {"-ic", NULL}, {"-r", NULL},
    {"-c", NULL}, {"-ob", NULL}, {"-or", NULL}, {"-oc", NULL}, {"-v", NULL},
    {"-imgid", NULL}, {NULL, NULL}
};

static const char *const gisocUsage[] = {
    "Usage: %s -in IN -out OUT -b BND -nc NC -d D -cv CV -nr NR -sk SK -pt PT -f FTR -s SO "
    "-ini INI -ir IR -ic IC -r R -c C -ob OB -or OR -oc OC -v VB -imgid IMGID\n",
    "    where\n",
    "    IN         input rimage;\n",
    "    OUT        output rimage;\n",
    "    BND        band numbers (b1,b2,...);\n",
    "    NC         number of classes requested (def: 128);\n",
    "    D          excluding distance (sqrt(nbands/nc));\n",
    "    CV         convergence value (0.05);\n",
    "    NR         number of iteration (10);\n",
    "    SK         skip factor for sampling (2);\n",
    "    PT         pixel table;\n",
    "    FTR        feature file name (iso.ftr);\n",
    "    SO         sorting order (b1,b2,....);\n",
    "    INI        initialization method (FIRST, EQ, POP, SB).\n",
    "    IR         input start row\n",
    "    IC         input start column\n",
    "    R          input rows\n",
    "    C          input columns\n",
    "    OB         output band\n",
    "    OR         output start row\n",
    "    OC         output start column\n",
    "    VB         verbose: y or n (n)\n",
    "    IMGID      output image id\n",
    NULL
};

/* Cluster numbers are written as bytes. */
static const int MAX_CLUSTERS = 256;

/* Passes of bin merging and of the palette clustering, which repeat
 * until the means settle: a bound so that a run always ends. */
static const int MERGE_PASS_LIMIT = 200;

/* Bins of spectral binning: k^m of them at most. */
static const double MAX_BIN_KEYS = 8388608.0;

enum GisocStart { START_FEATURES, START_FIRST, START_EQ, START_POP, START_SB };

/* The state of one gisoc call around the clustering run. */
struct GisocCall {
    IsoRun run;
    const char *featureFile;
    int start;
    int palette;                /* the input has colour indices */
    PTABLE *table;
    unsigned char *byteRow;     /* w x n bytes */
    float *floatRow;            /* w x n floats */
    unsigned char *classes;     /* w class bytes */
    unsigned char *indices;     /* w colour indices */
};

static void releaseCall(GisocCall *call)
{
    progReleaseImage(call->run.in);
    progReleaseImage(call->run.out);
    call->run.in = call->run.out = NULL;
    call->run.table = NULL;
    isoRunFree(&call->run);
    freePTable(call->table);
    gmemFree(call->byteRow);
    gmemFree(call->floatRow);
    gmemFree(call->classes);
    gmemFree(call->indices);
    call->table = NULL;
    call->byteRow = NULL;
    call->floatRow = NULL;
    call->classes = call->indices = NULL;
}

/* ---- Arguments ------------------------------------------------------------- */

/* How a failed create of the output is told. */
static const ClassOutputStyle kOutputStyle = {"Error in open:", false};

/*
 * chooseBands --
 *	The run's band list: the feature file's, the pixel table's, a -b list
 *	or every input band; a colour-indexed input clusters its three
 *	palette channels. Sets up the run for that many bands.
 * Returns: 1, or 0 after the message.
 */
static int chooseBands(GisocCall *call, const FeatureBlock *features, const char *b,
                       const char *pt)
{
    RAMIMG *in = call->run.in;
    int nbands = in->head.nbands;
    std::vector<int> bands;
    if (b != NULL && b[0] >= '0' && b[0] <= '9') {
        if (features != NULL || pt != NULL) {
            ovex_printf("Band(s) will be overwritten.\n");
        } else {
            std::vector<int> list((size_t)(nbands > 0 ? nbands : 1));
            int count = parseNumberList(b, list.data(), (int)list.size());
            if (count < 1 || count > nbands) {
                ovex_fprintf(stderr, "Illegal band number.\n");
                return 0;
            }
            for (int i = 0; i < count; i++) {
                if (list[i] < 1 || list[i] > nbands) {
                    ovex_fprintf(stderr, "Illegal band number.\n");
                    return 0;
                }
                bands.push_back(list[i] - 1);
            }
        }
    }
    if (features != NULL) {
        bands.clear();
        for (uint32_t i = 0; i < features->nBands; i++) {
            bands.push_back(featureBand(features, (int)i));
        }
    } else if (bands.empty()) {
        for (int i = 0; i < nbands; i++) {
            bands.push_back(i);
        }
    }

    if (call->palette) {
        bands.assign({0, 1, 2});
    } else if (pt != NULL) {
        call->table = getPTable(pt);
        if (call->table == NULL) {
            ovex_fprintf(stderr, "Error in getPTable...\n");
            return 0;
        }
        std::vector<int> tableBands;
        for (uint32_t i = 0; i < call->table->nBands; i++) {
            int band = (int)call->table->bands[i];
            if (band < 0 || band >= nbands) {
                ovex_fprintf(stderr, "Illegal band number.\n");
                return 0;
            }
            tableBands.push_back(band);
        }
        if (features == NULL) {
            bands = tableBands;
        } else if (bands != tableBands) {
            ovex_fprintf(stderr, "Inconsistant features with bands.\n");
            return 0;
        }
    } else if (features == NULL && bands.size() == 3 && in->head.pixel == PIXEL_BYTE) {
        call->table = makePTable(in, 3, bands.data());
        if (call->table == NULL) {
            ovex_fprintf(stderr, "Error in makePTable.\n");
            return 0;
        }
    }
    if (!call->palette) {
        for (int band : bands) {
            if (band < 0 || band >= nbands) {
                ovex_fprintf(stderr, "Illegal band number.\n");
                return 0;
            }
        }
    }
    if (bands.empty()) {
        ovex_fprintf(stderr, "Illegal band number.\n");
        return 0;
    }

    RAMIMG *out = call->run.out;
    if (!isoRunInit(&call->run, (int)bands.size())) {
        call->run.in = in;
        call->run.out = out;
        ovex_fprintf(stderr, "Error in gmemAlloc.\n");
        return 0;
    }
    call->run.in = in;
    call->run.out = out;
    for (size_t i = 0; i < bands.size(); i++) {
        call->run.bands[i] = bands[i];
    }
    if (call->table != NULL) {
        call->run.table = call->table;
        call->run.tableClass = (int16_t *)gmemAlloc(sizeof(int16_t) * (call->table->count + 1));
        if (call->run.tableClass == NULL) {
            ovex_fprintf(stderr, "Error in malloc cTable.\n");
            return 0;
        }
        memset(call->run.tableClass, 0xFF, sizeof(int16_t) * (call->table->count + 1));
    }
    return 1;
}

/*
 * settleWindows --
 *	The input window (start inside the input, size cut to it) and the
 *	output window (start up to the output's edge, size cut to it).
 * Returns: 1, or 0 after the message.
 */
static int settleWindows(IsoRun *run, const ProgOptions *options)
{
    const ImageHead *in = &run->in->head;
    const ImageHead *out = &run->out->head;
    run->inRow = progIntOption(options, "-ir", 0);
    run->inCol = progIntOption(options, "-ic", 0);
    if (run->inRow < 0 || run->inRow >= in->rows) {
        ovex_fprintf(stderr, "start input row out of range.\n");
        return 0;
    }
    if (run->inCol < 0 || run->inCol >= in->columns) {
        ovex_fprintf(stderr, "start input column out of range.\n");
        return 0;
    }
    int h = progIntOption(options, "-r", in->rows);
    int w = progIntOption(options, "-c", in->columns);
    run->h = h < in->rows - run->inRow ? h : in->rows - run->inRow;
    run->w = w < in->columns - run->inCol ? w : in->columns - run->inCol;
    if (run->h < 0) {
        run->h = 0;
    }
    if (run->w < 0) {
        run->w = 0;
    }
    run->outRow = progIntOption(options, "-or", 0);
    run->outCol = progIntOption(options, "-oc", 0);
    if (run->outRow < 0 || run->outRow > out->rows) {
        ovex_fprintf(stderr, "start output row out of range.\n");
        return 0;
    }
    if (run->outCol < 0 || run->outCol > out->columns) {
        ovex_fprintf(stderr, "start output column out of range.\n");
        return 0;
    }
    run->outRows = run->h < out->rows - run->outRow ? run->h : out->rows - run->outRow;
    run->outCols = run->w < out->columns - run->outCol ? run->w : out->columns - run->outCol;
    return 1;
}

/*
 * parseSortOrder --
 *	-s as 1-based positions in the band list, split at "," or "/", each
 *	named once; the positions not named follow in ascending order.
 * Returns: 1, or 0 after the message.
 */
static int parseSortOrder(IsoRun *run, const char *text)
{
    int n = run->n;
    std::vector<char> used((size_t)n, 0);
    int count = 0;
    const char *p = text != NULL ? text : "";
    while (*p != '\0') {
        while (*p == ',' || *p == '/' || *p == ' ') {
            p++;
        }
        if (*p == '\0') {
            break;
        }
        char *end = NULL;
        long value = strtol(p, &end, 10);
        if (end == p) {
            value = 0;
            while (*end != '\0' && *end != ',' && *end != '/') {
                end++;
            }
        }
        p = end;
        if (value < 1 || value > n) {
            ovex_fprintf(stderr, "Sorting variable is out of range: 1 - %d.\n", n);
            return 0;
        }
        if (used[(size_t)value - 1]) {
            ovex_fprintf(stderr, "Duplicated use of sorting variable.\n");
            return 0;
        }
        used[(size_t)value - 1] = 1;
        run->sortOrder[count++] = (int)value - 1;
    }
    for (int i = 0; i < n; i++) {
        if (!used[(size_t)i]) {
            run->sortOrder[count++] = i;
        }
    }
    return 1;
}

/* The -ini method, or -1. */
static int startMethod(const char *word)
{
    static const struct {
        const char *name;
        int method;
    } methods[] = {{"FIRST", START_FIRST}, {"EQ", START_EQ}, {"POP", START_POP},
                   {"SB", START_SB}};
    if (word == NULL) {
        return START_FIRST;
    }
    for (const auto &m : methods) {
        if (strcasecmp(word, m.name) == 0) {
            return m.method;
        }
    }
    return -1;
}

/*
 *----------------------------------------------------------------------
 *
 * gisocParseArgs --
 *
 *	Reads the options, the feature file, the images and the pixel table
 *	and settles the bands, windows, limits and the start.
 *
 * Results:
 *	1 to run; 0 after the message (or silently when -f was the only
 *	option); then nothing is held and the text of the last failed image
 *	open (if any) has been printed.
 *
 * Side effects:
 *	May create the output image and build a pixel table.
 *
 *----------------------------------------------------------------------
 */
static int gisocParseArgs(GisocCall *call, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, gisocOptions, argc, argv, stderr)) {
        return 0;
    }
    IsoRun *run = &call->run;
    int err = RAMIMG_OK;
    const char *v = progOptionValue(&options, "-v");
    int verbose = v != NULL && (v[0] == 'y' || v[0] == 'Y');
    const char *ftr = progOptionValue(&options, "-f");
    call->featureFile = ftr != NULL ? ftr : "iso.ftr";
    FeatureBlock *features = NULL;
    const char *inWord = progOptionValue(&options, "-in");
    const char *outWord = progOptionValue(&options, "-out");
    const char *word;
    int ncMax, outBand;
    double cv;

    if (ftr != NULL) {
        features = getFeature(ftr, FEATURE_ISO);
        if (features == NULL) {
            ovex_fprintf(stderr, "Error in opening ISOFEATURES.\n");
            return 0;
        }
        if (argc == 2) {
            freeFeature(features);
            return 0;
        }
    }
    if (inWord == NULL) {
        ovex_fprintf(stderr, "Input image file missing!\n");
        goto failed;
    }
    run->in = progOpenImage(inWord, &err);
    if (run->in == NULL) {
        ovex_fprintf(stderr, "Error in open:%s\n", inWord);
        goto failed;
    }
    if (outWord == NULL) {
        ovex_fprintf(stderr, "Missing output image file!\n");
        goto failed;
    }
    if (strcmp(outWord, inWord) == 0) {
        ovex_fprintf(stderr, "Illegal output file.\n");
        goto failed;
    }
    run->out = progOpenImage(outWord, &err);
    if (run->out == NULL) {
        run->out = createClassOutput(run->in, outWord, progOptionValue(&options, "-imgid"),
                                     kOutputStyle, &err);
        if (run->out == NULL) {
            goto failed;
        }
        err = RAMIMG_OK;
    }
    outBand = progIntOption(&options, "-ob", 1) - 1;
    if (outBand < 0 || outBand >= run->out->head.nbands) {
        ovex_fprintf(stderr, "output band out of range.\n");
        goto failed;
    }
    call->palette = run->in->head.nindices >= 1;
    if (!chooseBands(call, features, progOptionValue(&options, "-b"),
                     progOptionValue(&options, "-pt"))) {
        goto failed;
    }
    run->verbose = verbose;
    run->outBand = outBand;
    snprintf(run->source, sizeof run->source, "%s", inWord);

    cv = progRealOption(&options, "-cv", 0.05);
    if (!(cv >= 0.0 && cv <= 1.0)) {
        ovex_fprintf(stderr, "Illegal convergence value.\n");
        goto failed;
    }
    run->cv = (float)cv;
    ncMax = progIntOption(&options, "-nc", features != NULL ? (int)features->itemCount : 128);
    if (ncMax < 1 || ncMax > MAX_CLUSTERS) {
        ovex_fprintf(stderr, "Illegal number of classes: 1 - %d.\n", MAX_CLUSTERS);
        goto failed;
    }
    run->ncMax = ncMax;
    run->nr = progIntOption(&options, "-nr", 10);
    if (run->nr < 0) {
        run->nr = 0;
    }
    run->sk = progIntOption(&options, "-sk", 2);
    if (run->sk < 1) {
        ovex_fprintf(stderr, "Illegal skip factor.\n");
        goto failed;
    }
    if (!settleWindows(run, &options) || !parseSortOrder(run, progOptionValue(&options, "-s"))) {
        goto failed;
    }
    if (features != NULL) {
        int same = features->nBands == (uint32_t)run->n;
        for (int i = 0; same && i < run->n; i++) {
            same = featureBand(features, i) == run->bands[i];
        }
        if (!same) {
            ovex_fprintf(stderr, "Inconsistant features with bands.\n");
            goto failed;
        }
    }
    word = progOptionValue(&options, "-ini");
    call->start = startMethod(word);
    if (call->start < 0) {
        ovex_fprintf(stderr, "Illegal initial class.\n");
        goto failed;
    }
    if (features != NULL) {
        call->start = START_FEATURES;
    } else if (call->table == NULL && (call->start == START_EQ || call->start == START_POP)) {
        call->start = START_FIRST;
    }
    run->dis = (float)progRealOption(&options, "-d", 0.0);

    if (features != NULL) {
        if ((int)features->itemCount > MAX_CLUSTERS) {
            ovex_fprintf(stderr, "Illegal number of classes: 1 - %d.\n", MAX_CLUSTERS);
            goto failed;
        }
        run->block = features;
        features = NULL;
        run->nc = (int)run->block->itemCount;
        for (int k = 0; k < run->nc; k++) {
            isoItem(run->block, k)->count = 0;
            for (int i = 0; i < run->n; i++) {
                isoBand(run->block, k, i)->sum = 0.0;
            }
        }
    } else {
        std::vector<uint32_t> bandList(run->bands, run->bands + run->n);
        run->block = newFeature(FEATURE_ISO, bandList.data(), run->n, 12 + 16 * run->n, 1,
                                NULL, ISO_INFO_SIZE);
        if (run->block == NULL) {
            ovex_fprintf(stderr, "Error in gmemAlloc.\n");
            goto failed;
        }
    }
    {
        size_t w = (size_t)(run->w > 0 ? run->w : 1);
        call->byteRow = (unsigned char *)gmemAlloc(w * run->n);
        call->floatRow = (float *)gmemAlloc(w * run->n * sizeof(float));
        call->classes = (unsigned char *)gmemAlloc(w);
        call->indices = (unsigned char *)gmemAlloc(w);
        if (call->byteRow == NULL || call->floatRow == NULL || call->classes == NULL ||
            call->indices == NULL) {
            ovex_fprintf(stderr, "Error in gmemAlloc.\n");
            goto failed;
        }
    }
    return 1;

failed:
    freeFeature(features);
    releaseCall(call);
    printRamImageError(err);
    return 0;
}

/* ---- Passes ---------------------------------------------------------------- */

static void printMeans(const IsoRun *run, int deltas)
{
    for (int k = 0; k < run->nc; k++) {
        ovex_printf("%3d %8d:", k, isoItem(run->block, k)->nSamples);
        for (int i = 0; i < run->n; i++) {
            const IsoBand *band = isoBand(run->block, k, i);
            ovex_printf(" %9.3f", (double)(deltas ? band->dmean : band->mean));
        }
        ovex_printf("\n");
    }
}

static void showProgress(const IsoRun *run, float extra)
{
    meterSet("gisoc", run->progressBase + extra);
}

/* The colour of palette entry index as a vector of three channels. */
static void paletteColour(const RAMIMG *in, int index, float *x)
{
    for (int c = 0; c < 3; c++) {
        x[c] = (float)in->head.palette[index & 0xFF][c];
    }
}

/* Forgets what the pass under way gathered. */
static void dropGathered(IsoRun *run)
{
    for (int k = 0; k < run->nc; k++) {
        isoItem(run->block, k)->count = 0;
        for (int i = 0; i < run->n; i++) {
            isoBand(run->block, k, i)->sum = 0.0;
        }
    }
}

/* Cluster k as a class byte (a pixel no cluster took reads 0). */
static unsigned char classByte(int k)
{
    return (unsigned char)(k < 0 ? 0 : k);
}

/*
 *----------------------------------------------------------------------
 *
 * isoImageClassify --
 *
 *	One pass over every s-th pixel of every s-th row of the window,
 *	then the update of the clusters.
 *
 * Results:
 *	1, or 0 when the feature file could not be written.
 *
 * Side effects:
 *	With output, the class rows go to the output band; with s equal
 *	to the sampling step, the clusters to the feature file.
 *
 *----------------------------------------------------------------------
 */
static int isoImageClassify(GisocCall *call, int s, int create, int output)
{
    IsoRun *run = &call->run;
    int n = run->n;
    long hit = 0, find = 0;
    time_t started = time(NULL);
    int savedCreate = run->create;
    run->create = create;
    run->passes++;
    if (run->verbose) {
        ovex_printf("isoImageClassify...\n");
    }
    memset(run->colourClass, 0xFF, sizeof(run->colourClass));
    isoResetTableClasses(run);

    int sampledRows = run->h / s;
    int every = roundToInt(sampledRows * 0.1);
    if (every < 1) {
        every = 1;
    }
    float share = 1.0f / (float)(run->nr + 9);
    int samples = (run->w + s - 1) / s;
    int sampled = 0;
    float x[3];
    for (int r = 0; r < run->h; r += s) {
        int row = run->inRow + r;
        if (call->palette) {
            getRowByte(run->in, row, run->inCol, run->w, 0, call->indices);
            for (int j = 0, c = 0; c < run->w; j++, c += s) {
                int index = call->indices[c];
                int k = run->colourClass[index];
                paletteColour(run->in, index, x);
                if (k >= 0) {
                    isoGather(run, k, x, 1);
                } else {
                    k = isoAssign(run, x);
                    run->colourClass[index] = (int16_t)k;
                }
                call->classes[j] = classByte(k);
            }
        } else if (run->table != NULL) {
            getRowsBytesBands(run->in, row, run->inCol, run->w, s, n, run->bands, call->byteRow);
            for (int j = 0; j < samples; j++) {
                const unsigned char *vector = call->byteRow + (size_t)j * n;
                int32_t e = ptableLookup(run->table, vector);
                int k;
                if (e >= 0) {
                    hit++;
                    k = run->tableClass[e];
                    if (k >= 0) {
                        find++;
                        for (int i = 0; i < n; i++) {
                            run->scratch[i] = (float)vector[i];
                        }
                        isoGather(run, k, run->scratch, 1);
                    } else {
                        k = isoAssignBytes(run, vector);
                        run->tableClass[e] = (int16_t)k;
                    }
                } else {
                    k = isoAssignBytes(run, vector);
                }
                call->classes[j] = classByte(k);
            }
        } else {
            getRowsFloatBands(run->in, row, run->inCol, run->w, s, n, run->bands, call->floatRow);
            for (int j = 0; j < samples; j++) {
                call->classes[j] = classByte(isoAssign(run, call->floatRow + (size_t)j * n));
            }
        }
        if ((output || (s == 1 && !create)) && s == 1 && r < run->outRows && run->outCols > 0) {
            putRowByte(run->out, run->outRow + r, run->outCol, run->outCols, run->outBand,
                       call->classes);
        }
        sampled++;
        if (sampled % every == 0) {
            if (run->verbose) {
                ovex_printf("  %3ld percent done...\n", (long)(sampled / every * 10));
            }
            showProgress(run, share * 0.1f * (float)(sampled / every));
        }
    }
    run->progressBase += share;
    run->create = savedCreate;

    isoUpdateClusters(run);
    int ok = 1;
    if (s == run->sk) {
        ok = writeFeature(call->featureFile, run->block);
    }
    isoSpeed(run);
    if (s == 1) {
        isoSetColors(run);
    }
    if (run->verbose) {
        ovex_printf("ir %2d dt %ld wcv %5.3f cv %5.3f RMS %7.4f cvRMS %7.4f sk %2ld\n",
                    run->passes, (long)(time(NULL) - started), run->weightedRatio,
                    run->leastRatio, run->rms, (double)run->cv, (long)s);
        ovex_printf("nc %d ncMax %d DIS %.4f hit %ld find %ld total %ld\n", run->nc,
                    run->ncMax, (double)run->dis, hit, find, (long)run->total);
    }
    return ok;
}

/*
 * isoTableClassify --
 *	One pass over the distinct vectors of the pixel table, each assigned
 *	once and weighted by its pixel count, then the update.
 * Returns: 1, or 0 when the feature file could not be written.
 */
static int isoTableClassify(GisocCall *call)
{
    IsoRun *run = &call->run;
    PTABLE *table = run->table;
    int n = run->n;
    time_t started = time(NULL);
    if (run->verbose) {
        ovex_printf("isoTableClassify...\n");
    }
    int savedCreate = run->create, savedRepoint = run->repoint;
    run->create = 1;
    run->repoint = 0;
    run->passes++;
    uint32_t every = (uint32_t)roundToInt(table->count * 0.1);
    if (every < 1) {
        every = 1;
    }
    float share = 1.0f / (float)(run->nr + 9);
    for (uint32_t e = 0; e < table->count; e++) {
        const unsigned char *vector = table->vectors + (size_t)e * n;
        int k = isoAssignBytes(run, vector);
        run->tableClass[e] = (int16_t)k;
        if (k >= 0 && table->counts[e] > 1) {
            isoGather(run, k, run->scratch, (uint32_t)table->counts[e] - 1);
        }
        if ((e + 1) % every == 0) {
            if (run->verbose) {
                ovex_printf("  %3ld percent done...\n", (long)((e + 1) / every * 10));
            }
            showProgress(run, share * 0.1f * (float)((e + 1) / every));
        }
    }
    run->progressBase += share;
    isoUpdateClusters(run);
    isoSpeed(run);
    if (run->verbose) {
        printMeans(run, 1);
    }
    int ok = writeFeature(call->featureFile, run->block);
    run->create = savedCreate;
    run->repoint = savedRepoint;
    if (run->verbose) {
        ovex_printf("ir %2d dt %4ld wcv %5.3f cv %5.3f RMS %7.4f cvRMS %7.4f\n", run->passes,
                    (long)(time(NULL) - started), run->weightedRatio, run->leastRatio,
                    run->rms, (double)run->cv);
        ovex_printf("nc %d ncMax %d DIS %.4f nTuples: %d total: %d\n", run->nc, run->ncMax,
                    (double)run->dis, (int)table->count, (int)run->total);
    }
    isoSetColors(run);
    return ok;
}

/* ---- Initialisation ---------------------------------------------------------- */

/* Mean, deviation and extremes of run band i (a palette channel for a
 * colour-indexed input) over the whole input. */
static void bandSummary(IsoRun *run, int i, double *stdev, double *mean, double *lo, double *hi)
{
    *stdev = *mean = *lo = *hi = 0.0;
    bandStatsSummary(run->in, run->bands[i], stdev, mean, lo, hi);
}

/* Repeats passes over weighted vectors until the means settle, at most
 * MERGE_PASS_LIMIT times. gatherAll assigns every vector of one pass. */
template <typename GatherAll>
static void mergeUntilSettled(IsoRun *run, const char *what, GatherAll gatherAll)
{
    int pass = 0;
    float base = 8.0f / (float)(run->nr + 9);
    for (;;) {
        gatherAll();
        isoUpdateClusters(run);
        pass++;
        if (run->verbose) {
            ovex_printf("itr: %3d nc: %d rms: %7.4f total: %d\n", pass, run->nc, run->rms,
                        (int)run->total);
        }
        if (run->rms > 0.0) {
            float shown = (float)(run->cv / run->rms) * base;
            meterSet("gisoc", shown < base ? shown : base);
        }
        if (run->rms <= run->cv) {
            break;
        }
        if (pass >= MERGE_PASS_LIMIT) {
            ovex_printf("%s stopped after %d passes (rms %.4f).\n", what, pass, run->rms);
            break;
        }
    }
}

/*
 *----------------------------------------------------------------------
 *
 * isoSpecBinning --
 *
 *	Spectral binning: sampled pixels are binned over up to seven bands
 *	of the sort order (about 2.5 deviations around each band's mean),
 *	and the bins merged into clusters by weighted passes.
 *
 * Results:
 *	1, or 0 after the message when memory ran out.
 *
 * Side effects:
 *	The run's clusters.
 *
 *----------------------------------------------------------------------
 */
static int isoSpecBinning(GisocCall *call)
{
    IsoRun *run = &call->run;
    int n = run->n;
    int m = n < 7 ? n : 7;
    ovex_printf("isoSpecBinning...\n");
    int k = (int)floor(pow(MAX_BIN_KEYS, 1.0 / m) + 1e-9);
    while (k > 1 && pow((double)k, m) > MAX_BIN_KEYS) {
        k--;
    }
    while (pow((double)(k + 1), m) <= MAX_BIN_KEYS) {
        k++;
    }
    int b = k - 1;
    if (b < 1) {
        b = 1;
    }
    if (run->verbose) {
        ovex_printf("max id: %d\n", (int)pow((double)(b + 1), m));
    }
    std::vector<double> low((size_t)m), range((size_t)m);
    std::vector<int> place((size_t)m);
    std::vector<int64_t> weight((size_t)m);
    int deep = run->in->head.bits > 8;
    int64_t factor = 1;
    for (int j = m - 1; j >= 0; j--) {
        weight[(size_t)j] = factor;
        factor *= (b + 1);
    }
    for (int j = 0; j < m; j++) {
        int i = run->sortOrder[j];
        place[(size_t)j] = i;
        double stdev, mean, lo, hi;
        bandSummary(run, i, &stdev, &mean, &lo, &hi);
        double spread = stdev == 0.0 ? DBL_MAX : 2.5 * stdev;
        double l = mean - spread, h = mean + spread;
        if (l < lo) {
            l = lo;
        }
        if (h > hi) {
            h = hi;
        }
        low[(size_t)j] = l;
        range[(size_t)j] = h - l != 0.0 ? h - l : 1.0;
        if (run->verbose) {
            ovex_printf("bin: %d band: %d low: %8.3f high: %8.3f min: %8.3f max: %8.3f\n", b,
                        run->bands[i], l, h, lo, hi);
        }
    }

    std::unordered_map<int64_t, int> binOf;
    std::vector<double> sums;
    std::vector<uint32_t> counts;
    int s = run->sk;
    int samples = (run->w + s - 1) / s;
    int top = deep ? b : b - 1;
    for (int r = 0; r < run->h; r += s) {
        getRowsFloatBands(run->in, run->inRow + r, run->inCol, run->w, s, n, run->bands,
                          call->floatRow);
        for (int c = 0; c < samples; c++) {
            const float *x = call->floatRow + (size_t)c * n;
            int64_t key = 0;
            for (int j = 0; j < m; j++) {
                double t = (x[place[(size_t)j]] - low[(size_t)j]) / range[(size_t)j] * b;
                int bin = clampToInt(floor(t + 0.5));
                bin = bin < 0 ? 0 : (bin > top ? top : bin);
                key += bin * weight[(size_t)j];
            }
            auto found = binOf.find(key);
            int index;
            if (found == binOf.end()) {
                index = (int)counts.size();
                binOf.emplace(key, index);
                counts.push_back(0);
                sums.resize(sums.size() + (size_t)n, 0.0);
            } else {
                index = found->second;
            }
            for (int i = 0; i < n; i++) {
                sums[(size_t)index * n + i] += x[i];
            }
            counts[(size_t)index]++;
        }
    }
    int bins = (int)counts.size();
    if (run->verbose) {
        ovex_printf("init nc: %d\n", bins);
    }
    if (bins == 0) {
        return 1;
    }
    std::vector<float> means((size_t)bins * n);
    int64_t samplesTotal = 0;
    for (int e = 0; e < bins; e++) {
        for (int i = 0; i < n; i++) {
            means[(size_t)e * n + i] = (float)(sums[(size_t)e * n + i] / counts[(size_t)e]);
        }
        samplesTotal += counts[(size_t)e];
    }
    if (run->verbose) {
        ovex_printf("class: %d total Samples: %d\n", bins, (int)samplesTotal);
    }

    /* Bin merging from one cluster at the first bin's mean. */
    int savedCreate = run->create;
    run->create = 1;
    run->nc = 0;
    FeatureBlock *block = cutFeature(run->block, 1);
    if (block == NULL) {
        return 0;
    }
    run->block = block;
    memset(isoItem(block, 0), 0, block->itemSize);
    for (int i = 0; i < n; i++) {
        isoBand(block, 0, i)->mean = means[(size_t)i];
    }
    run->nc = 1;
    mergeUntilSettled(run, "Bin merging", [&]() {
        for (int e = 0; e < bins; e++) {
            const float *x = means.data() + (size_t)e * n;
            int cluster = isoAssign(run, x);
            if (cluster >= 0 && counts[(size_t)e] > 1) {
                isoGather(run, cluster, x, counts[(size_t)e] - 1);
            }
        }
    });
    run->progressBase = 8.0f / (float)(run->nr + 9);
    run->create = savedCreate;
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * isoInitClusters --
 *
 *	Band deviations, the excluding distance and the starting clusters
 *	by the chosen method.
 *
 * Results:
 *	1, or 0 after the message.
 *
 * Side effects:
 *	The run's clusters; FIRST runs eight sampled passes.
 *
 *----------------------------------------------------------------------
 */
static int isoInitClusters(GisocCall *call)
{
    IsoRun *run = &call->run;
    int n = run->n;
    double totalStd = 0.0;
    for (int i = 0; i < n; i++) {
        double stdev, mean, lo, hi;
        bandSummary(run, i, &stdev, &mean, &lo, &hi);
        run->std[i] = stdev == 0.0 ? FLT_MAX : (float)stdev;
        totalStd += stdev;
        if (run->verbose) {
            ovex_printf("std[%d]: %.3f\n", i, stdev);
        }
    }
    if (run->verbose) {
        ovex_printf("Total Std: %.3f\n", totalStd);
    }
    if (!(run->dis > 0.0f)) {
        run->dis = (float)sqrt((double)n / run->ncMax);
    }
    if (run->verbose) {
        ovex_printf("ncMax %d nc %d DIS %7.3f bands: %d\n", run->ncMax, run->nc,
                    (double)run->dis, n);
    }
    run->dis02 = 0.2f * run->dis;
    run->leastRatio = 0.0;
    if (call->palette) {
        return 1;
    }
    isoResetTableClasses(run);
    PTABLE *table = run->table;

    switch (call->start) {
    case START_FEATURES:
        ovex_printf("Initiate classes with features.\n");
        return 1;
    case START_FIRST: {
        ovex_printf("Initial classes with the first pixel.\n");
        getRowsFloatBands(run->in, run->inRow, run->inCol, 1, 1, n, run->bands, call->floatRow);
        memset(isoItem(run->block, 0), 0, run->block->itemSize);
        for (int i = 0; i < n; i++) {
            isoBand(run->block, 0, i)->mean = call->floatRow[i];
        }
        isoItem(run->block, 0)->nSamples = (int32_t)((int64_t)run->h * run->w > INT32_MAX
                                                         ? INT32_MAX : run->h * run->w);
        run->nc = 1;
        for (int pass = 0; pass < 8; pass++) {
            if (!isoImageClassify(call, pass < 5 ? run->sk + 2 : run->sk + 1, 1, 0)) {
                return 0;
            }
        }
        return 1;
    }
    case START_EQ: {
        ovex_printf("Initiate classes with equal number of pixels.\n");
        FeatureBlock *block = cutFeature(run->block, run->ncMax);
        if (block == NULL) {
            return 0;
        }
        run->block = block;
        memset(isoItem(block, 0), 0, (size_t)block->itemSize * run->ncMax);
        run->nc = run->ncMax;
        double total = 0.0;
        for (uint32_t e = 0; e < table->count; e++) {
            total += table->counts[e];
        }
        double a = 0.0;
        int current = 0;
        for (uint32_t e = 0; e < table->count; e++) {
            int target = total > 0.0 ? roundToInt(a * (run->ncMax - 1) / total) : 0;
            if (target > current) {
                current = target - current <= 1 ? target : current + 1;
            }
            const unsigned char *vector = table->vectors + (size_t)e * n;
            for (int i = 0; i < n; i++) {
                run->scratch[i] = (float)vector[i];
            }
            isoGather(run, current, run->scratch, table->counts[e]);
            a += table->counts[e];
        }
        for (int k = 0; k < run->nc; k++) {
            IsoItem *item = isoItem(block, k);
            for (int i = 0; i < n; i++) {
                IsoBand *band = isoBand(block, k, i);
                if (item->count > 0) {
                    band->mean = (float)(band->sum / item->count);
                }
                band->sum = 0.0;
            }
            item->count = 0;
        }
        if (run->verbose) {
            printMeans(run, 0);
        }
        return 1;
    }
    case START_POP: {
        ovex_printf("Initiate classes with popular pixels.\n");
        int nc = (int)table->count < run->ncMax ? (int)table->count : run->ncMax;
        FeatureBlock *block = cutFeature(run->block, nc > 0 ? nc : 1);
        if (block == NULL) {
            return 0;
        }
        run->block = block;
        memset(isoItem(block, 0), 0, (size_t)block->itemSize * (nc > 0 ? nc : 1));
        run->nc = nc;
        uint32_t every = (uint32_t)roundToInt(table->count * 0.1);
        if (every < 1) {
            every = 1;
        }
        for (uint32_t e = 0; e < table->count; e++) {
            const unsigned char *vector = table->vectors + (size_t)e * n;
            int k = (int)e;
            if (k >= nc) {
                k = -1;
                int32_t least = INT32_MAX;
                for (int j = 0; j < nc; j++) {
                    if (isoItem(block, j)->nSamples <= least) {
                        least = isoItem(block, j)->nSamples;
                        k = j;
                    }
                }
                if (k < 0 || table->counts[e] <= (uint32_t)least) {
                    k = -1;
                }
            }
            if (k >= 0) {
                for (int i = 0; i < n; i++) {
                    isoBand(block, k, i)->mean = (float)vector[i];
                }
                isoItem(block, k)->nSamples = table->counts[e];
            }
            if (run->verbose && (e + 1) % every == 0) {
                ovex_printf(" %3ld done...\n", (long)((e + 1) / every * 10));
            }
        }
        if (run->verbose) {
            printMeans(run, 0);
        }
        run->repoint = 1;
        return 1;
    }
    case START_SB:
        ovex_printf("Initial classes with spectral binning.\n");
        return isoSpecBinning(call);
    default:
        ovex_fprintf(stderr, "Error in isoInit: %d\n", call->start);
        return 0;
    }
}

/* ---- Run ---------------------------------------------------------------------- */

/*
 * clusterPalette --
 *	A colour-indexed input: the palette colours, weighted by their pixel
 *	counts, are clustered until the means settle; then each window row
 *	gets the classes of its indices.
 */
static int clusterPalette(GisocCall *call)
{
    IsoRun *run = &call->run;
    BandStats *stats = ramImageHist(run->in, HIST_REUSE, 1, 1);
    if (stats == NULL || stats[0].hist == NULL) {
        ovex_fprintf(stderr, "Error in gmemAlloc.\n");
        return 0;
    }
    std::vector<uint32_t> weights(256, 0);
    for (int i = 0; i < 256 && i < stats[0].nBins; i++) {
        weights[(size_t)i] = stats[0].hist[i];
    }
    /* The first entry in use starts the clusters. */
    float x[3];
    int first = 0;
    while (first < 255 && weights[(size_t)first] == 0) {
        first++;
    }
    paletteColour(run->in, first, x);
    memset(isoItem(run->block, 0), 0, run->block->itemSize);
    for (int i = 0; i < 3; i++) {
        isoBand(run->block, 0, i)->mean = x[i];
    }
    run->nc = 1;
    int savedCreate = run->create;
    run->create = 1;
    mergeUntilSettled(run, "Palette clustering", [&]() {
        for (int index = 0; index < 256; index++) {
            if (weights[(size_t)index] == 0) {
                continue;
            }
            paletteColour(run->in, index, x);
            int k = isoAssign(run, x);
            if (k >= 0 && weights[(size_t)index] > 1) {
                isoGather(run, k, x, weights[(size_t)index] - 1);
            }
        }
    });
    run->create = 0;
    int16_t classOf[256];
    for (int index = 0; index < 256; index++) {
        paletteColour(run->in, index, x);
        classOf[index] = (int16_t)isoAssign(run, x);
    }
    dropGathered(run);
    run->create = savedCreate;
    int ok = writeFeature(call->featureFile, run->block);
    for (int r = 0; r < run->h && r < run->outRows; r++) {
        getRowByte(run->in, run->inRow + r, run->inCol, run->w, 0, call->indices);
        for (int c = 0; c < run->w; c++) {
            call->classes[c] = classByte(classOf[call->indices[c]]);
        }
        if (run->outCols > 0) {
            putRowByte(run->out, run->outRow + r, run->outCol, run->outCols, 0, call->classes);
        }
    }
    isoSetColors(run);
    return ok;
}

/*
 *----------------------------------------------------------------------
 *
 * gisocRun --
 *
 *	The iterations over sampled pixels or table vectors, then the final
 *	pass over every pixel of the window.
 *
 * Results:
 *	1, or 0 when the feature file could not be written.
 *
 * Side effects:
 *	The output band, its colour table and the feature file; resets
 *	the output band's statistics and tells the output's clients.
 *
 *----------------------------------------------------------------------
 */
static int gisocRun(GisocCall *call)
{
    IsoRun *run = &call->run;
    if (call->palette) {
        return clusterPalette(call);
    }
    run->passes = 0;
    int ok = 1;
    int64_t sampled = (int64_t)(run->h / run->sk) * (run->w / run->sk);
    if (run->table == NULL || sampled < (int64_t)run->table->count) {
        for (int pass = 0; ok && pass < run->nr; pass++) {
            if (run->verbose) {
                ovex_printf("Iteration # %d updateFlag %d\n", pass + 1, 0);
            }
            ok = isoImageClassify(call, run->sk, 1, 0);
            if (run->rms <= run->cv) {
                break;
            }
        }
    } else {
        for (int pass = 0; ok && pass < run->nr; pass++) {
            if (run->verbose) {
                ovex_printf("Iteration # %d\n", pass + 1);
            }
            ok = isoTableClassify(call);
            if (run->rms <= run->cv) {
                break;
            }
        }
    }
    if (!ok) {
        return 0;
    }
    ovex_printf("Final...\n");
    ok = isoImageClassify(call, 1, 0, 1);
    if (run->verbose) {
        printMeans(run, 0);
    }
    ovex_printf("Total number of iterations: %d\n", run->passes - 1);
    if (run->out->stats != NULL && run->outBand < run->out->head.nbands) {
        resetBandStats(&run->out->stats[run->outBand]);
    }
    updateClient(run->out, 0, RAMIMG_NOTIFY_CONFIG);
    return ok;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageGisoc --
 *
 *	The program of rimage gisoc.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when the window is
 *	clustered; else PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	Writes the output band and colour table and the feature file; may
 *	create the output.
 *
 *----------------------------------------------------------------------
 */
int rimageGisoc(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, gisocUsage);
    }
    GisocCall call;
    memset(&call, 0, sizeof(call));
    if (!gisocParseArgs(&call, argc, argv)) {
        return PROGRAM_FAILED;
    }
    int ok = isoInitClusters(&call) && gisocRun(&call);
    releaseCall(&call);
    meterReset();
    return ok ? PROGRAM_DONE : PROGRAM_FAILED;
}
