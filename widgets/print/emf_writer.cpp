/*
 * emf_writer.cpp --
 *
 *	Writing the records of a one-picture enhanced metafile.
 */
#include "widgets/print/emf_writer.h"

#include <stddef.h>

namespace {

const uint32_t EMR_HEADER = 1;
const uint32_t EMR_EOF = 14;
const uint32_t EMR_STRETCHDIBITS = 81;
const uint32_t HEADER_SIZE = 88;
const uint32_t STRETCH_FIXED_SIZE = 80;
const uint32_t BITMAPINFOHEADER_SIZE = 40;
const uint32_t EOF_SIZE = 20;
const uint32_t SRCCOPY = 0x00CC0020;

struct Out {
    std::vector<unsigned char> &bytes;
    void u32(uint32_t v)
    {
        for (int i = 0; i < 4; i++) {
            bytes.push_back((unsigned char)(v >> (8 * i)));
        }
    }
    void i32(int32_t v) { u32((uint32_t)v); }
    void u16(uint16_t v)
    {
        bytes.push_back((unsigned char)v);
        bytes.push_back((unsigned char)(v >> 8));
    }
    void rect(int32_t left, int32_t top, int32_t right, int32_t bottom)
    {
        i32(left);
        i32(top);
        i32(right);
        i32(bottom);
    }
};

}  // namespace

std::vector<unsigned char> buildEmf(const uint32_t *pixels, int width, int height,
                                    const EmfDevice &device)
{
    uint32_t rowBytes = ((uint32_t)width * 3u + 3u) & ~3u;
    uint32_t bitsBytes = rowBytes * (uint32_t)height;
    uint32_t stretchSize = STRETCH_FIXED_SIZE + BITMAPINFOHEADER_SIZE + bitsBytes;
    uint32_t total = HEADER_SIZE + stretchSize + EOF_SIZE;

    std::vector<unsigned char> bytes;
    bytes.reserve(total);
    Out out{bytes};

    int64_t frameRight = device.widthPixels > 0
                             ? (int64_t)width * device.widthMM * 100 / device.widthPixels : 0;
    int64_t frameBottom = device.heightPixels > 0
                              ? (int64_t)height * device.heightMM * 100 / device.heightPixels : 0;
    out.u32(EMR_HEADER);
    out.u32(HEADER_SIZE);
    out.rect(0, 0, width - 1, height - 1);                     /* bounds */
    out.rect(0, 0, (int32_t)frameRight, (int32_t)frameBottom); /* frame */
    out.u32(0x464D4520);                                       /* " EMF" */
    out.u32(0x10000);
    out.u32(total);
    out.u32(3);                                                /* records */
    out.u16(1);                                                /* handles */
    out.u16(0);
    out.u32(0);                                                /* description */
    out.u32(0);
    out.u32(0);                                                /* palette entries */
    out.i32(device.widthPixels);
    out.i32(device.heightPixels);
    out.i32(device.widthMM);
    out.i32(device.heightMM);

    out.u32(EMR_STRETCHDIBITS);
    out.u32(stretchSize);
    out.rect(0, 0, width - 1, height - 1);
    out.i32(0);                                                /* xDest, yDest */
    out.i32(0);
    out.i32(0);                                                /* xSrc, ySrc */
    out.i32(0);
    out.i32(width);                                            /* cxSrc, cySrc */
    out.i32(height);
    out.u32(STRETCH_FIXED_SIZE);                               /* offBmiSrc */
    out.u32(BITMAPINFOHEADER_SIZE);
    out.u32(STRETCH_FIXED_SIZE + BITMAPINFOHEADER_SIZE);       /* offBitsSrc */
    out.u32(bitsBytes);
    out.u32(0);                                                /* DIB_RGB_COLORS */
    out.u32(SRCCOPY);
    out.i32(width);                                            /* cxDest, cyDest */
    out.i32(height);
    /* BITMAPINFOHEADER */
    out.u32(BITMAPINFOHEADER_SIZE);
    out.i32(width);
    out.i32(height);                                           /* positive: bottom-up */
    out.u16(1);
    out.u16(24);
    out.u32(0);                                                /* BI_RGB */
    out.u32(bitsBytes);
    out.i32(0);
    out.i32(0);
    out.u32(0);
    out.u32(0);
    for (int y = height - 1; y >= 0; y--) {
        const uint32_t *row = pixels + (size_t)y * (size_t)width;
        for (int x = 0; x < width; x++) {
            bytes.push_back((unsigned char)row[x]);            /* blue */
            bytes.push_back((unsigned char)(row[x] >> 8));     /* green */
            bytes.push_back((unsigned char)(row[x] >> 16));    /* red */
        }
        for (uint32_t pad = (uint32_t)width * 3u; pad < rowBytes; pad++) {
            bytes.push_back(0);
        }
    }

    out.u32(EMR_EOF);
    out.u32(EOF_SIZE);
    out.u32(0);                                                /* palette entries */
    out.u32(16);                                               /* their offset */
    out.u32(EOF_SIZE);                                         /* nSizeLast */
    return bytes;
}
