/*
 * fuzz_dicom.cpp --
 *
 *	Fuzz target: DICOM data sets, every frame read row by row (RLE included).
 */
#include "fuzz/fuzz_harness.h"
#include "ramimage/formats/format_entry.h"

static int reader(int fd, const char *fileName, ImageHead *head, void **priv)
{
    (void)fileName;
    (void)priv;
    return probeDicom(fd, head, priv);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    std::string path = fuzzWriteFile("input.dcm", data, size);
    if (!path.empty()) {
        fuzzOpenAndRead(path.c_str(), reader);
    }
    return 0;
}
