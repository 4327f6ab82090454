/*
 * egv_program.cpp --
 *
 *	rimage egv: eigenvalues and unit eigenvectors of one class's
 *	covariance (or correlation) matrix, largest first, written as an
 *	"EIGENID" file for rimage trans and rimage statinfo.
 */
#include "programs/egv_program.h"

#include <stdio.h>
#include <string.h>

#include "core/package.h"
#include "core/rounding.h"
#include "ovex/ovexstdio.h"
#include "programs/eigen_features.h"
#include "programs/feature_file.h"
#include "programs/feature_stats.h"
#include "ramimage/kit/program_kit.h"

static const ProgOption egvOptions[] = {
    {"-in", NULL}, {"-out", NULL}, {"-stat", NULL}, {"-id", NULL}, {"-negvs", NULL},
    {"-o", NULL},  {"-iter", NULL}, {"-err", NULL}, {NULL, NULL}
};

static const char *const egvUsage[] = {
    "Usage: %s -in IN -out OUT -stat STAT -id ID -negvs NEGVS -o OPT -iter ITER -err ERR\n",
    "where IN    name of the input stat file\n",
    "      OUT   name of the output eigen vector file\n",
    "      STAT  name of the stat\n",
    "      ID    id number of the stat\n",
    "      NEGVS number of eigen vectors\n",
    "      OPT   NORM or NONNORM (def:NONORM)\n",
    "      ITER  iteration number (def:512)\n",
    "      ERR   error of convergence (def:0.0000000001)\n",
    NULL
};

static const int DEFAULT_ITERATIONS = 512;
static const double DEFAULT_TOLERANCE = 1e-10;

/*
 * chooseClass --
 *	The class item of the run: -id when given (it wins over -stat), else
 *	the item named by -stat, else the first.
 * Returns: the 0-based item index, or -1 after the message.
 */
static int chooseClass(const FeatureBlock *stat, const char *id, const char *name)
{
    if (id != NULL || name == NULL) {
        int index = id != NULL ? ovexLenientInt(id) : 0;
        if (index < 0 || index >= (int)stat->itemCount) {
            ovex_fprintf(stderr, "Invalid statID %s\n", id != NULL ? id : "0");
            return -1;
        }
        return index;
    }
    int index = findStatByName(stat, name);
    if (index < 0) {
        ovex_fprintf(stderr, "Couldn't find stat: %s\n", name);
    }
    return index;
}

/*
 * normaliseFlag --
 *	1 for "NORM", 0 for "NONNORM" (or no -o), either in any case; -1
 *	after the message for any other value.
 */
static int normaliseFlag(const char *option)
{
    if (option == NULL || strcmpiNull(option, "NONNORM") == 0) {
        return 0;
    }
    if (strcmpiNull(option, "NORM") == 0) {
        return 1;
    }
    ovex_fprintf(stderr, "Undefined option: %s\n", option);
    return -1;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageEgv --
 *
 *	The program of rimage egv.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when the file is
 *	written; else PROGRAM_FAILED after the message on standard error.
 *
 * Side effects:
 *	Creates or replaces the -out file; shows and resets the meter.
 *
 *----------------------------------------------------------------------
 */
int rimageEgv(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, egvUsage);
    }
    ProgOptions options;
    if (!progMatchOptions(&options, egvOptions, argc, argv, stderr)) {
        return PROGRAM_FAILED;
    }
    const char *in = progOptionValue(&options, "-in");
    if (in == NULL) {
        ovex_fprintf(stderr, "Input stat file missing!\n");
        return PROGRAM_FAILED;
    }
    FeatureBlock *stat = getFeature(in, FEATURE_STAT);
    if (stat == NULL) {
        ovex_fprintf(stderr, "Fail to get feature file: %s\n", in);
        return PROGRAM_FAILED;
    }
    FeatureBlock *eigen = NULL;
    int status = PROGRAM_FAILED;
    const char *out = progOptionValue(&options, "-out");
    const char *negvs = progOptionValue(&options, "-negvs");
    const char *iter = progOptionValue(&options, "-iter");
    const char *err = progOptionValue(&options, "-err");
    int index, normalised, count;
    if (out == NULL) {
        ovex_fprintf(stderr, "output eigen vector file missing!\n");
        goto done;
    }
    index = chooseClass(stat, progOptionValue(&options, "-id"),
                        progOptionValue(&options, "-stat"));
    if (index < 0) {
        goto done;
    }
    normalised = normaliseFlag(progOptionValue(&options, "-o"));
    if (normalised < 0) {
        goto done;
    }
    /* A negative count would make no block; the band count bounds it above. */
    count = negvs != NULL ? ovexLenientInt(negvs) : (int)stat->nBands;
    if (count < 0) {
        ovex_fprintf(stderr, "Invalid number of eigen vectors: %s\n", negvs);
        goto done;
    }
    eigen = calcEigenFeatures(count, stat, normalised, index,
                              (float)(err != NULL ? ovexLenientDouble(err) : DEFAULT_TOLERANCE),
                              iter != NULL ? ovexLenientInt(iter) : DEFAULT_ITERATIONS);
    if (eigen == NULL) {
        goto done;
    }
    {
        EigenInfo *info = (EigenInfo *)featurePrivateInfo(eigen);
        char name[STAT_NAME_SIZE + 1];
        memcpy(name, statItem(stat, index)->name, STAT_NAME_SIZE);
        name[STAT_NAME_SIZE] = '\0';
        snprintf(info->text, sizeof info->text, "%s %s %d", in, name, index);
    }
    if (writeFeature(out, eigen)) {
        status = PROGRAM_DONE;
    }

done:
    freeFeature(eigen);
    freeFeature(stat);
    return status;
}
