/*
 * fuzz_convkernel.cpp --
 *
 *	Fuzz target: convolution kernel texts, read from a file as gconv's
 *	-kn reads a kernel file, then parsed; a kernel that parses has every
 *	weight it claims read.
 */
#include "fuzz/fuzz_harness.h"

#include "ovex/ovex.h"
#include "programs/conv_kernel.h"

static volatile float fuzzSink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    std::string path = fuzzWriteFile("input.kernel", data, size);
    if (path.empty()) {
        return 0;
    }
    char *text = readConvKernelText(path.c_str());
    if (text == NULL) {
        return 0;
    }
    ConvKernel kernel;
    if (parseConvKernel(text, &kernel)) {
        float sum = 0;
        for (int k = 0; k < kernel.count; k++) {
            sum += kernel.weights[k];
        }
        fuzzSink = sum;
    }
    gmemFree(text);
    return 0;
}
