/*
 * fuzz_geocalc.cpp --
 *
 *	Fuzz target: the text files of the geocalc console, GCP lists and the
 *	grid files it writes, read by its load command (over, then appended
 *	once more). The points that load are fitted at each power and the
 *	fit evaluated at every point.
 */
#include "fuzz/fuzz_harness.h"

#include "programs/gcp_set.h"
#include "programs/geocalc_console.h"

static volatile double fuzzSink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    std::string path = fuzzWriteFile("input.txt", data, size);
    if (path.empty()) {
        return 0;
    }
    GcpSet *set = newGcpSet(NULL);
    if (set == NULL) {
        return 0;
    }
    double sum = 0;
    if (loadGcpText(set, path.c_str(), 1) && loadGcpText(set, path.c_str(), 0)) {
        for (int power = 0; power <= 2; power++) {
            if (!gcpFit(set, power)) {
                continue;
            }
            for (int i = 0; i < set->count; i++) {
                double y2 = 0, x2 = 0;
                gcpTransform(set, set->records[i].X1, set->records[i].Y1, &y2, &x2);
                sum += x2 + y2;
            }
        }
    }
    freeGcpSet(set);
    fuzzSink = sum;
    return 0;
}
