/*
 * fuzz_tiff.cpp --
 *
 *	Fuzz target: TIFF and GeoTIFF files, every volume read strip by strip.
 */
#include "fuzz/fuzz_harness.h"
#include "ramimage/formats/format_entry.h"

static int reader(int fd, const char *fileName, ImageHead *head, void **priv)
{
    (void)fileName;
    (void)priv;
    struct TiffState *state = NULL;
    int result = imgTiff(fd, head, 1, &state);
    if (result > 0) {
        *priv = state;
    }
    return result;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    std::string path = fuzzWriteFile("input.tif", data, size);
    if (!path.empty()) {
        fuzzOpenAndRead(path.c_str(), reader);
    }
    return 0;
}
