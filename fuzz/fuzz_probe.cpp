/*
 * fuzz_probe.cpp --
 *
 *	Fuzz target: the real open path. The format probe chooses the reader
 *	(every built-in format in its order), then every row of every band
 *	and frame is read.
 */
#include "fuzz/fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    std::string path = fuzzWriteFile("input.dat", data, size);
    if (!path.empty()) {
        fuzzOpenAndRead(path.c_str(), NULL);
    }
    return 0;
}
