/*
 * fuzz_feature.cpp --
 *
 *	Fuzz target: feature files (class statistics, eigenvectors, iso
 *	clusters). The last input byte picks the kind the reader is asked
 *	for, as each program asks (any kind, or one tag). A block that reads
 *	is listed as statinfo lists it, and its class covariances inverted.
 */
#include "fuzz/fuzz_harness.h"

#include <string.h>

#include "programs/feature_file.h"
#include "programs/feature_listings.h"
#include "programs/feature_stats.h"
#include "ramimage/kit/program_kit.h"

static void exercise(FeatureBlock *block)
{
    printBands(block);
    featureInfo(block, FEATURE_ITEM_COUNT);
    switch (featureKindOfTag(block->type)) {
    case FEATURE_KIND_STAT:
        printStatPrivateInfo(block);
        for (int k = 0; k < (int)block->itemCount; k++) {
            printStatInfo(block, k, STAT_LIST_ALL);
            char name[STAT_NAME_SIZE + 1] = {0};
            memcpy(name, statItem(block, k)->name, STAT_NAME_SIZE);
            findStatByName(block, name);
            double determinant = 0.0;
            invertStatCov(block, k, &determinant);
        }
        break;
    case FEATURE_KIND_EIGEN:
        printEvInfo(block);
        printEigenVectors(block, 1);
        break;
    case FEATURE_KIND_ISO:
        printIsoInfo(block);
        isoPrint(block, ISO_LIST_MEAN);
        isoPrint(block, ISO_LIST_DMEAN);
        isoPrint(block, ISO_LIST_SUM);
        break;
    default:
        break;
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    std::string path = fuzzWriteFile("input.ftr", data, size);
    if (path.empty()) {
        return 0;
    }
    static const char *const kinds[] = {NULL, FEATURE_STAT, FEATURE_EIGEN, FEATURE_ISO};
    const char *kind = kinds[size > 0 ? data[size - 1] % 4 : 0];
    FeatureBlock *block = getFeature(path.c_str(), kind);
    if (block != NULL) {
        exercise(block);
        freeFeature(block);
    }
    return 0;
}
