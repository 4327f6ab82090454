/*
 * fuzz_georect.cpp --
 *
 *	Fuzz target: "GOERECHD" georectification files. A block that reads
 *	is evaluated as the rectifier evaluates it: reduced along both axes
 *	at a few points and traced around an output extent.
 */
#include "fuzz/fuzz_harness.h"

#include "programs/georect_mapping.h"
#include "programs/georect_reader.h"

static volatile double fuzzSink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    std::string path = fuzzWriteFile("input.georect", data, size);
    if (path.empty()) {
        return 0;
    }
    GeorectParams block;
    if (!readGeorectParams(path.c_str(), &block)) {
        return 0;
    }
    PolyPair pairs[GEORECT_MAX_PAIRS];
    double sum = 0;
    int count = 2 * (int)block.degree + 2;
    for (int k = 0; k < 3; k++) {
        double x2 = 0, y2 = 0;
        reducePolyAtY(block.coef, pairs, block.meanY1 + k, block.degree);
        evalPoly2D(pairs, block.meanX1 - k, count, &x2, &y2);
        sum += x2 + y2;
        reducePolyAtX(block.coef, pairs, block.meanX1 + k, block.degree);
        evalPoly2D(pairs, block.meanY1 - k, count, &x2, &y2);
        sum += x2 + y2;
    }
    GeoExtent extent = {100.0, 0.0, 100.0, 0.0, 1.0, 1.0};
    PixelBox box;
    traceGeorectBox(&block, &extent, &box);
    fuzzSink = sum + box.xmin + box.ymax;
    return 0;
}
