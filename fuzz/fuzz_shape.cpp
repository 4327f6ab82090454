/*
 * fuzz_shape.cpp --
 *
 *	Fuzz target: shapefile main and index files.
 *
 *	Input: a 4-byte big-endian length L, then L bytes of the main file
 *	(fewer when the input ends first) and the rest as its index. A data
 *	set that opens is walked through every accessor, measured, copied and
 *	written back.
 */
#include "fuzz/fuzz_harness.h"

#include <string.h>

#include "geo/shape/shape_file.h"
#include "geo/shape/shape_measures.h"

static void walk(ShapeFile *sf)
{
    double sink = 0;
    for (int i = 0; i < getShapeRecordCount(sf); i++) {
        ShapeRecord *rec = getShapeRecord(sf, i);
        int n = 0, p = 0;
        const unsigned char *pts = getShapePoints(rec, &n);
        const unsigned char *parts = getShapeParts(rec, &p);
        const unsigned char *box = getShapeBBox(rec);
        double lo = 0, hi = 0;
        const unsigned char *z = getShapeZ(rec, &lo, &hi);
        const unsigned char *m = getShapeM(rec, &lo, &hi);
        if (pts != NULL && n > 0) {
            sink += shapePathLength(pts, n) + shapeRingArea(pts, n);
            sink += shapeGetDouble(pts + 16 * (n - 1));
        }
        if (parts != NULL && p > 0) sink += shapeGetInt(parts + 4 * (p - 1));
        if (box != NULL) sink += shapeGetDouble(box + 24);
        if (z != NULL) sink += shapeGetDouble(z);
        if (m != NULL) sink += shapeGetDouble(m);
        if (i % 2 == 0) unselectShape(sf, i);
    }
    updateShapeBounds(sf, 1);
    ShapeFile *copy = copySelectedShapes(sf);
    freeShapeFile(copy);
    writeShape(fuzzPath("out.shp").c_str(), sf, 0, NULL);
    if (sink == 12345.678) fuzzPath("never");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    if (size < 4) return 0;
    size_t mainBytes = ((size_t)data[0] << 24) | ((size_t)data[1] << 16) | ((size_t)data[2] << 8) | data[3];
    data += 4;
    size -= 4;
    if (mainBytes > size) mainBytes = size;
    std::string path = fuzzWriteFile("in.shp", data, mainBytes);
    if (path.empty() || fuzzWriteFile("in.shx", data + mainBytes, size - mainBytes).empty()) {
        return 0;
    }
    int status = 0;
    ShapeFile *sf = openShapeFile(path.c_str(), &status);
    if (sf != NULL) {
        walk(sf);
        freeShapeFile(sf);
    }
    return 0;
}
