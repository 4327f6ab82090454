/*
 * fuzz_dib.cpp --
 *
 *	Fuzz target: DIB/BMP files opened and read row by row.
 */
#include "fuzz/fuzz_harness.h"
#include "ramimage/formats/format_entry.h"

static int reader(int fd, const char *fileName, ImageHead *head, void **priv)
{
    (void)fileName;
    (void)priv;
    return probeDib(fd, head);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    std::string path = fuzzWriteFile("input.bmp", data, size);
    if (!path.empty()) {
        fuzzOpenAndRead(path.c_str(), reader);
    }
    return 0;
}
