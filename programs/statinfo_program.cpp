/*
 * statinfo_program.cpp --
 *
 *	rimage statinfo: the listing of a class statistics, eigenvector or
 *	iso-cluster file. The file is only read; inversions change the block
 *	in memory, so that the listings after one show the inverse.
 */
#include "programs/statinfo_program.h"

#include <string.h>

#include "core/rounding.h"
#include "ovex/ovexstdio.h"
#include "programs/feature_file.h"
#include "programs/feature_listings.h"
#include "programs/feature_stats.h"
#include "ramimage/kit/program_kit.h"

static const ProgOption statinfoOptions[] = {
    {"-in", NULL}, {"-stat", NULL}, {"-inv", NULL}, {"-info", NULL}, {NULL, NULL}
};

static const char *const statinfoUsage[] = {
    "Usage: %s -in IN -stat STAT -inv INV -info INFO\n",
    "where IN      name of the feature file\n",
    "      STAT    name of the feature\n",
    "      INV     flag of inverting: Y or N (def: N)\n",
    "      INFO    flag of stat info (MEAN|STD|COV|COR, ALL) (def: MEAN)\n",
    NULL
};

/* Characters that separate the words of an -info value. */
static const char INFO_SEPARATORS[] = "|,;:";

/* Longest -info word looked at; longer words are unknown anyway. */
static const size_t INFO_WORD_MAX = 16;

/*
 * statinfoSelection --
 *	The listing bits (STAT_LIST_*) of an -info value: MEAN, STD, COV and
 *	COR add their bit, ALL sets all four, DEF the means alone; an empty
 *	value selects nothing. -1 for an unknown word.
 */
static int statinfoSelection(const char *words)
{
    static const struct {
        const char *word;
        int bits;
        int replaces;               /* sets the selection instead of adding */
    } vocabulary[] = {
        {"MEAN", STAT_LIST_MEAN, 0}, {"STD", STAT_LIST_STD, 0}, {"COV", STAT_LIST_COV, 0},
        {"COR", STAT_LIST_COR, 0},   {"ALL", STAT_LIST_ALL, 1}, {"DEF", STAT_LIST_MEAN, 1},
    };
    int selection = 0;
    const char *p = words;
    while (*p != '\0') {
        size_t length = strcspn(p, INFO_SEPARATORS);
        if (length > 0) {
            char word[INFO_WORD_MAX + 1];
            size_t kept = length < INFO_WORD_MAX ? length : INFO_WORD_MAX;
            memcpy(word, p, kept);
            word[kept] = '\0';
            int found = -1;
            for (size_t v = 0; v < sizeof vocabulary / sizeof vocabulary[0]; v++) {
                if (length <= INFO_WORD_MAX && strcmpiNull(word, vocabulary[v].word) == 0) {
                    found = (int)v;
                    break;
                }
            }
            if (found < 0) {
                return -1;
            }
            selection = vocabulary[found].replaces ? vocabulary[found].bits
                                                   : selection | vocabulary[found].bits;
        }
        p += length;
        if (*p != '\0') {
            p++;
        }
    }
    return selection;
}

/*
 * listStatistics --
 *	The head, then every item (or the one named stat), each inverted
 *	first when invert is set. 1, or 0 after "Can't find the stat: %s".
 */
static int listStatistics(FeatureBlock *block, const char *stat, int invert, int selection)
{
    printStatPrivateInfo(block);
    printBands(block);
    int first = 0;
    int end = (int)block->itemCount;
    if (stat != NULL) {
        first = findStatByName(block, stat);
        if (first < 0) {
            ovex_fprintf(stderr, "Can't find the stat: %s", stat);
            return 0;
        }
        end = first + 1;
    }
    for (int k = first; k < end; k++) {
        if (invert) {
            double determinant = 0.0;
            if (invertStatCov(block, k, &determinant)) {
                ovex_printf("Det: %13.7e\n", determinant);
            } else {
                ovex_fprintf(stderr, "feature %d can not be inverted!\n", k);
            }
        }
        printStatInfo(block, k, selection);
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageStatinfo --
 *
 *	The program of rimage statinfo.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE after the listing;
 *	PROGRAM_FAILED after a message on standard error.
 *
 * Side effects:
 *	Listings on standard output; the file is never written.
 *
 *----------------------------------------------------------------------
 */
int rimageStatinfo(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, statinfoUsage);
    }
    ProgOptions options;
    if (!progMatchOptions(&options, statinfoOptions, argc, argv, stderr)) {
        return PROGRAM_FAILED;
    }
    const char *in = progOptionValue(&options, "-in");
    if (in == NULL) {
        ovex_fprintf(stderr, "Statistical file name missing.\n");
        return PROGRAM_FAILED;
    }
    FeatureBlock *block = getFeature(in, NULL);
    if (block == NULL) {
        ovex_fprintf(stderr, "Error in get features\n");
        return PROGRAM_FAILED;
    }

    int selection = STAT_LIST_MEAN;
    const char *info = progOptionValue(&options, "-info");
    if (info != NULL) {
        selection = statinfoSelection(info);
        if (selection < 0) {
            ovex_fprintf(stderr, "Unknown option for -info: %s\n", info);
            freeFeature(block);
            return PROGRAM_FAILED;
        }
    }
    int invert = 0;
    const char *inv = progOptionValue(&options, "-inv");
    if (inv != NULL && strcmpiNull(inv, "Y") == 0) {
        invert = 1;
        selection = STAT_LIST_ALL;
    }

    int status = PROGRAM_DONE;
    switch (featureKindOfTag(block->type)) {
    case FEATURE_KIND_STAT:
        if (!listStatistics(block, progOptionValue(&options, "-stat"), invert, selection)) {
            status = PROGRAM_FAILED;
        }
        break;
    case FEATURE_KIND_EIGEN:
        printEvInfo(block);
        printBands(block);
        printEigenVectors(block, selection != 0);
        break;
    case FEATURE_KIND_ISO:
        ovex_printf("ISO INFO - ");
        printIsoInfo(block);
        if (selection & STAT_LIST_MEAN) {
            isoPrint(block, ISO_LIST_MEAN);
        }
        if (selection & STAT_LIST_STD) {
            isoPrint(block, ISO_LIST_DMEAN);
        }
        break;
    default:
        break;
    }
    freeFeature(block);
    return status;
}
