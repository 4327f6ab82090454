/*
 * fuzz_mtl.cpp --
 *
 *	Fuzz target: MTL material files of the oglm command, read through an
 *	OBJ model whose groups use several materials (some of which the MTL
 *	file may not define), then drawn, saved and read back.
 */
#include "fuzz/oglm_fuzz_model.h"

#include <unistd.h>

static const char model[] =
    "mtllib input.mtl\n"
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 1\n"
    "vt 0 0\nvt 1 0\nvt 0 1\n"
    "vn 0 0 1\n"
    "g a\nusemtl red\ns 1\nf 1/1/1 2/2/1 3/3/1\n"
    "g b\nusemtl missing\ns 2\nf 2/2/1 4/1/1 3/3/1\n"
    "g c\nusemtl blue\nf 1/1/1 4/2/1 2/3/1\n";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    static std::string obj;
    if (obj.empty()) {
        obj = fuzzWriteFile("input.obj", (const uint8_t *)model, sizeof model - 1);
        if (obj.empty()) {
            return 0;
        }
    }
    if (fuzzWriteFile("input.mtl", data, size).empty()) {
        return 0;
    }
    oglmfuzz::exercise(obj.c_str(), 0, 2, false, true);
    return 0;
}
