/*
 * fuzz_obj.cpp --
 *
 *	Fuzz target: Wavefront OBJ models of the oglm command.
 *
 *	Input: the OBJ file, and after its first zero byte (when there is
 *	one) the MTL file "input.mtl" that it may name with mtllib. The last
 *	byte picks the normal and smoothing modes and the reversal. The model
 *	is read, shaded, walked as drawing walks it, saved and read back.
 */
#include "fuzz/oglm_fuzz_model.h"

#include <string.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    const uint8_t *zero = size > 0 ? (const uint8_t *)memchr(data, 0, size) : NULL;
    size_t objSize = zero != NULL ? (size_t)(zero - data) : size;
    std::string obj = fuzzWriteFile("input.obj", data, objSize);
    if (zero != NULL) {
        fuzzWriteFile("input.mtl", zero + 1, size - objSize - 1);
    } else {
        unlink(fuzzPath("input.mtl").c_str());
    }
    if (obj.empty()) {
        return 0;
    }
    int modes = size > 0 ? data[size - 1] : 0;
    oglmfuzz::exercise(obj.c_str(), modes % 3, (modes / 3) % 3, (modes / 9) % 2 != 0, true);
    return 0;
}
