/*
 * fuzz_gcpobj.cpp --
 *
 *	Fuzz target: GCPOBJ files of the gcp objects. A set that loads is
 *	refitted at each power, every record transformed and formatted, the
 *	fit written as a georectification file and read back, and the set
 *	saved and loaded again.
 */
#include "fuzz/fuzz_harness.h"

#include "programs/gcp_set.h"
#include "programs/georect_reader.h"

static volatile double fuzzSink;

static void exercise(GcpSet *set)
{
    char text[4096];
    double sum = 0;
    for (int power = 0; power <= 3; power++) {
        if (!gcpFit(set, power)) {
            continue;
        }
        for (int i = 0; i < set->count; i++) {
            double y2 = 0, x2 = 0;
            gcpTransform(set, set->records[i].X1, set->records[i].Y1, &y2, &x2);
            sum += x2 + y2;
            formatGcpResidual(set, i, text, sizeof text);
        }
        formatJcoef(set, "%g", text, sizeof text);
        formatIcoef(set, "%g", text, sizeof text);
        formatGcpRms(set, "%g", text, sizeof text);
        if (gcpToGeorect(set, fuzzPath("fit.georect").c_str())) {
            GeorectParams params;
            readGeorectParams(fuzzPath("fit.georect").c_str(), &params);
        }
    }
    int index = 0;
    if (set->count > 0 && findGcp(set, set->records[set->count - 1].id, &index)) {
        deleteGcp(set, index);
    }
    gcpExchange(set);
    fuzzSink = sum;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    std::string path = fuzzWriteFile("input.gcp", data, size);
    if (path.empty()) {
        return 0;
    }
    GcpSet *set = loadGcpObj(path.c_str());
    if (set == NULL) {
        return 0;
    }
    GcpSet *copy = newGcpSet(set);
    exercise(set);
    std::string saved = fuzzPath("saved.gcp");
    if (saveGcpObj(copy, saved.c_str())) {
        freeGcpSet(loadGcpObj(saved.c_str()));
    }
    freeGcpSet(copy);
    freeGcpSet(set);
    return 0;
}
