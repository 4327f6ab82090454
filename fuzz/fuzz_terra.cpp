/*
 * fuzz_terra.cpp --
 *
 *	Fuzz target: TERRA tile-store files read, every tile handed out,
 *	a tile added and the store saved again.
 */
#include "fuzz/fuzz_harness.h"

#include <cstring>

#include "geo/terra/terra_store.h"

/* Keeps the reads of the bytes from being optimised away. */
static volatile long fuzzSink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    std::string path = fuzzWriteFile("input.terra", data, size);
    if (path.empty()) {
        return 0;
    }
    TerraCache store;
    memset(&store, 0, sizeof store);
    store.fd = -1;
    if (!openTerraFile(path.c_str(), &store)) {
        return 0;
    }
    unsigned sum = 0;
    int absent = -1;
    for (int k = 0; k < store.tileCapacity; k++) {
        int length = 0;
        const unsigned char *bytes = terraTileData(&store, k, &length);
        if (bytes == NULL) {
            absent = absent < 0 ? k : absent;
            continue;
        }
        sum += bytes[0] + bytes[length - 1];
        int tx, ty;
        terraTileXY(&store, k, &tx, &ty);
        (void)terraTileIndex(&store, tx, ty);
        ImageHead head;
        terraTileGeoref(&store, k, &head);
    }
    if (absent >= 0) {
        putTerraTile(&store, absent, (const unsigned char *)"tile", 4);
    }
    saveTerraFile(fuzzPath("output.terra").c_str(), &store);
    closeTerraCache(&store);
    fuzzSink = sum;
    return 0;
}
