/*
 * fuzz_imagedef.cpp --
 *
 *	Fuzz target: IMAGEDEF files, and the headerless BSQD, BILD and BIPD
 *	layouts that a caller describes.
 *
 *	Input: byte 0 even: the rest is an IMAGEDEF file, probed. Byte 0 odd:
 *	bytes 1-8 describe a headerless file (layout, pixel type, columns,
 *	rows, bands, byte order, frames) and the rest is that file.
 */
#include "fuzz/fuzz_harness.h"

#include <cstring>

#include "ramimage/formats/imagedef.h"
#include "ramimage/ramimg.h"

static int reader(int fd, const char *fileName, ImageHead *head, void **priv)
{
    (void)fileName;
    (void)priv;
    return probeImagedef(fd, head);
}

static const int HEADERLESS[] = {IMGID_BSQD, IMGID_BILD, IMGID_BIPD};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    if (size < 1) {
        return 0;
    }
    if ((data[0] & 1) == 0) {
        std::string path = fuzzWriteFile("input.img", data + 1, size - 1);
        if (!path.empty()) {
            fuzzOpenAndRead(path.c_str(), reader);
        }
        return 0;
    }
    if (size < 9) {
        return 0;
    }
    ImageHead head;
    initImageHead(&head);
    head.imgid = HEADERLESS[data[0] / 2 % 3];
    head.pixel = data[1] % 10;
    head.columns = data[2] | (data[3] & 0x7F) << 8;
    head.rows = data[4] | (data[5] & 0x7F) << 8;
    head.nbands = data[6] % 8;
    head.msbf = data[7] & 1;
    head.frames = data[8] % 4;
    head.offset = 0;
    head.dataFd = -1;
    std::string path = fuzzWriteFile("input.raw", data + 9, size - 9);
    if (!path.empty()) {
        fuzzOpenDescribedAndRead(path.c_str(), &head);
    }
    return 0;
}
