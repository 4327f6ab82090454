/*
 * fuzz_gpz.cpp --
 *
 *	Fuzz target: GPZ headers and the data files they name.
 *
 *	Input: the first 2064 bytes are the GPZ file, the rest the data file
 *	"gpz.dat" beside it (the name the seeds store).
 */
#include "fuzz/fuzz_harness.h"

#include "ramimage/formats/gpz.h"

static const size_t GPZ_HEAD = 2064;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    size_t headBytes = size < GPZ_HEAD ? size : GPZ_HEAD;
    if (fuzzWriteFile("gpz.dat", data + headBytes, size - headBytes).empty()) {
        return 0;
    }
    std::string path = fuzzWriteFile("input.gpz", data, headBytes);
    if (!path.empty()) {
        fuzzOpenAndRead(path.c_str(), gpzReadHead);
    }
    return 0;
}
