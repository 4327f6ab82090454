/*
 * dib_test.cpp --
 *
 *	BMP files: the header records, initDIB_Bi, the probe (header sizes,
 *	palettes, georeference line, top-down rows, corrupt files), the
 *	header and palette writers, the row cache over both row orders, and
 *	interoperability with ImageMagick and netpbm (skipped when a tool is
 *	missing). Every file is made by the test in a temporary folder.
 */
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

#include <tcl.h>

#include "core/vocabulary.h"
#include "kit/fixture_kit.h"
#include "ramimage/console_capture.h"
#include "ramimage/formats/dib.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

namespace {

using fixture::Bytes;

void put16(Bytes &b, size_t at, uint32_t v)
{
    b[at] = (unsigned char)(v & 0xFF);
    b[at + 1] = (unsigned char)((v >> 8) & 0xFF);
}

void put32(Bytes &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++) {
        b[at + i] = (unsigned char)((v >> (8 * i)) & 0xFF);
    }
}

uint32_t get32(const Bytes &b, size_t at)
{
    return (uint32_t)b[at] | (uint32_t)b[at + 1] << 8 | (uint32_t)b[at + 2] << 16
           | (uint32_t)b[at + 3] << 24;
}

uint16_t get16(const Bytes &b, size_t at)
{
    return (uint16_t)(b[at] | b[at + 1] << 8);
}

/* A BMP as other programs write it: headers, palette, optional gap, rows. */
struct BmpSpec {
    uint32_t infoSize = 40;
    int32_t width = 3;
    int32_t height = 2;
    uint16_t bitCount = 8;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    Bytes palette;                  /* RGBQUADs */
    std::string gap;                /* bytes between palette and pixels */
    Bytes pixels;                   /* stored rows, padded */
};

int storedRowBytes(int bitCount, int width)
{
    return (bitCount * width + 31) / 32 * 4;
}

Bytes buildBmp(const BmpSpec &spec)
{
    size_t pixelOffset = 14 + spec.infoSize + spec.palette.size() + spec.gap.size();
    Bytes b(pixelOffset, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, (uint32_t)(pixelOffset + spec.pixels.size()));
    put32(b, 10, (uint32_t)pixelOffset);
    put32(b, 14, spec.infoSize);
    put32(b, 18, (uint32_t)spec.width);
    put32(b, 22, (uint32_t)spec.height);
    put16(b, 26, 1);
    put16(b, 28, spec.bitCount);
    put32(b, 30, spec.compression);
    put32(b, 46, spec.colorsUsed);
    std::copy(spec.palette.begin(), spec.palette.end(), b.begin() + 14 + spec.infoSize);
    std::copy(spec.gap.begin(), spec.gap.end(),
              b.begin() + 14 + spec.infoSize + spec.palette.size());
    b.insert(b.end(), spec.pixels.begin(), spec.pixels.end());
    return b;
}

/* count RGBQUADs whose entry i is (red 10 i, green 10 i + 1, blue 10 i + 2). */
Bytes rampQuads(int count)
{
    Bytes quads;
    for (int i = 0; i < count; i++) {
        quads.push_back((unsigned char)(10 * i + 2));
        quads.push_back((unsigned char)(10 * i + 1));
        quads.push_back((unsigned char)(10 * i));
        quads.push_back(0);
    }
    return quads;
}

/* 8-bit rows of width x rows: stored row s, column c holds 10 s + c. */
Bytes storedByteRows(int width, int rows)
{
    int rowBytes = storedRowBytes(8, width);
    Bytes pixels((size_t)rowBytes * rows, 0xEE);
    for (int s = 0; s < rows; s++) {
        for (int c = 0; c < width; c++) {
            pixels[(size_t)s * rowBytes + c] = (unsigned char)(10 * s + c);
        }
    }
    return pixels;
}

/* A head as the core hands it to the probe: zeroed, grey palette. */
ImageHead freshHead()
{
    ImageHead head;
    memset(&head, 0, sizeof(head));
    for (int i = 0; i < 256; i++) {
        head.palette[i][0] = head.palette[i][1] = head.palette[i][2] = (unsigned char)i;
    }
    head.dataFd = -1;
    return head;
}

ImageHead newImageHead(const std::string &file, int pixel, int nbands, int columns, int rows)
{
    ImageHead head = freshHead();
    snprintf(head.file, sizeof(head.file), "%s", file.c_str());
    head.imgid = IMGID_DIB;
    head.mapid = 1;
    head.pixel = pixel;
    head.nbands = nbands;
    head.columns = columns;
    head.rows = rows;
    head.dx = head.dy = 1.0;
    head.transparent = -1;
    return head;
}

using fixture::haveTool;

Bytes runCapture(const std::string &command)
{
    std::string out = fixture::commandOutput(command);
    return Bytes(out.begin(), out.end());
}

/* The RGB samples of a binary PPM ("P6", maximum 255); empty when it is
 * not one. */
Bytes ppmSamples(const Bytes &ppm, int *width, int *height)
{
    size_t at = 0;
    auto skipBlank = [&]() {
        while (at < ppm.size() && (isspace(ppm[at]) || ppm[at] == '#')) {
            if (ppm[at] == '#') {
                while (at < ppm.size() && ppm[at] != '\n') {
                    at++;
                }
            } else {
                at++;
            }
        }
    };
    auto number = [&]() {
        skipBlank();
        long value = 0;
        while (at < ppm.size() && isdigit(ppm[at])) {
            value = value * 10 + (ppm[at++] - '0');
        }
        return value;
    };
    if (ppm.size() < 2 || ppm[0] != 'P' || ppm[1] != '6') {
        return Bytes();
    }
    at = 2;
    *width = (int)number();
    *height = (int)number();
    long maxval = number();
    at++;
    size_t size = (size_t)*width * *height * 3;
    if (maxval != 255 || ppm.size() < at + size) {
        return Bytes();
    }
    return Bytes(ppm.begin() + at, ppm.begin() + at + size);
}

Bytes makePpm(int width, int height, const Bytes &rgb)
{
    std::string text = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    Bytes ppm(text.begin(), text.end());
    ppm.insert(ppm.end(), rgb.begin(), rgb.end());
    return ppm;
}

/* What an image shows: its RGB samples row by row, through the palette for
 * one-band images with colours, and bands 3, 2, 1 (red, green, blue) for
 * colour images, whose band 1 is blue. */
Bytes shownRgb(RAMIMG *image)
{
    int columns = image->head.columns;
    Bytes rgb;
    std::vector<unsigned char> row((size_t)columns);
    for (int r = 0; r < image->head.rows; r++) {
        if (image->head.nbands == 1) {
            getRowByte(image, r, 0, columns, 0, row.data());
            for (int c = 0; c < columns; c++) {
                for (int k = 0; k < 3; k++) {
                    rgb.push_back(image->head.nindices > 0 ? image->head.palette[row[c]][k]
                                                           : row[c]);
                }
            }
        } else {
            std::vector<unsigned char> blue(columns), green(columns), red(columns);
            getRowByte(image, r, 0, columns, 0, blue.data());
            getRowByte(image, r, 0, columns, 1, green.data());
            getRowByte(image, r, 0, columns, 2, red.data());
            for (int c = 0; c < columns; c++) {
                rgb.push_back(red[c]);
                rgb.push_back(green[c]);
                rgb.push_back(blue[c]);
            }
        }
    }
    return rgb;
}

class DibTest : public ::testing::Test {
protected:
    void SetUp() override { Tcl_FindExecutable(nullptr); }

    std::string path(const std::string &name) const { return folder + "/" + name; }

    void writeFile(const std::string &file, const Bytes &bytes)
    {
        ASSERT_TRUE(fixture::writeBytes(file, bytes));
    }

    Bytes readFile(const std::string &file) { return fixture::readBytes(file); }

    /* probeDib over a file; head receives what the probe left. */
    int probeFile(const std::string &file, ImageHead *head)
    {
        int fd = open(file.c_str(), O_RDONLY);
        EXPECT_GE(fd, 0);
        int result = probeDib(fd, head);
        close(fd);
        return result;
    }

    int probeBytes(const Bytes &bytes, ImageHead *head)
    {
        writeFile(path("probe.bmp"), bytes);
        return probeFile(path("probe.bmp"), head);
    }

    RAMIMG *openImage(const std::string &file)
    {
        int err = -1;
        RAMIMG *image = openRAMImage(NULL, file.c_str(), NULL, NULL, &err);
        EXPECT_NE(image, nullptr) << file << ": " << ramImageErrorText(err);
        return image;
    }

    /* Creates a DIB file for head and fills it through the row cache with
     * values(row, col, band). */
    template <typename Values>
    void createFilled(ImageHead head, Values values)
    {
        ASSERT_GT(createImageFile(&head), 0);
        RAMIMG *image = openImage(head.file);
        ASSERT_NE(image, nullptr);
        int columns = image->head.columns;
        std::vector<unsigned char> row((size_t)columns);
        for (int r = 0; r < image->head.rows; r++) {
            for (int b = 0; b < image->head.nbands; b++) {
                for (int c = 0; c < columns; c++) {
                    row[c] = values(r, c, b);
                }
                ASSERT_EQ(putRowByte(image, r, 0, columns, b, row.data()), columns);
            }
        }
        EXPECT_EQ(flushRamImage(image), 1);
        closeRAMImage(image, NULL);
    }

    fixture::ScratchDir scratch{"ovex-dib"};
    std::string folder = scratch.path();
};

/* ---- Records ---------------------------------------------------------------- */

TEST_F(DibTest, HeaderRecordsAreLittleEndianAtTheirOffsets)
{
    DibFileHeader file = {0x4D42, 0x01020304, 0, 0, 0x0A0B0C0D};
    DibInfoHeader info = {40, 0x11223344, -2, 1, 24, 0, 0x55667788, 7, -7, 300, 9};
    unsigned char bytes[54];
    encodeDibFileHeader(&file, bytes);
    encodeDibInfoHeader(&info, bytes + 14);
    const unsigned char expected[54] = {
        'B', 'M', 0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0, 0x0D, 0x0C, 0x0B, 0x0A,
        40, 0, 0, 0, 0x44, 0x33, 0x22, 0x11, 0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 24, 0,
        0, 0, 0, 0, 0x88, 0x77, 0x66, 0x55, 7, 0, 0, 0, 0xF9, 0xFF, 0xFF, 0xFF,
        0x2C, 0x01, 0, 0, 9, 0, 0, 0};
    EXPECT_EQ(0, memcmp(bytes, expected, sizeof expected));

    DibFileHeader fileBack;
    DibInfoHeader infoBack;
    decodeDibFileHeader(bytes, &fileBack);
    decodeDibInfoHeader(bytes + 14, &infoBack);
    EXPECT_EQ(fileBack.fileSize, file.fileSize);
    EXPECT_EQ(fileBack.pixelOffset, file.pixelOffset);
    EXPECT_EQ(infoBack.width, info.width);
    EXPECT_EQ(infoBack.height, -2);
    EXPECT_EQ(infoBack.bitCount, 24);
    EXPECT_EQ(infoBack.imageSize, info.imageSize);
    EXPECT_EQ(infoBack.yPixelsPerMeter, -7);
    EXPECT_EQ(infoBack.colorsUsed, 300u);
    EXPECT_EQ(infoBack.colorsImportant, 9u);
}

/* ---- initDIB_Bi and setDIBPalette ------------------------------------------ */

TEST_F(DibTest, InitDibBiDescribesEachBitCount)
{
    struct Case {
        int bitCount, width, height, colorsUsed;
        int pixel, nbands, nindices, msbf, block, encoding;
    } cases[] = {
        {1, 33, 4, 0, PIXEL_1BIT, 1, 2, 1, 8, 0},
        {4, 3, 2, 5, PIXEL_4BITS, 1, 5, 1, 4, 0},
        {8, 5, -3, 0, PIXEL_BYTE, 1, 256, 0, 8, DIB_TOP_DOWN},
        {8, 5, 3, 100, PIXEL_BYTE, 1, 100, 0, 8, 0},
        {24, 5, 2, 0, PIXEL_BYTE, 3, 0, 0, 16, 0},
        {24, 5, 2, 300, PIXEL_BYTE, 3, 0, 0, 16, 0},     /* no palette: count ignored */
        {32, 3, 1, 0, PIXEL_BYTE, 4, 0, 0, 12, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bitCount);
        ImageHead head = freshHead();
        head.mapid = 77;
        head.x0 = 5.0;
        DibInfoHeader info = {40, c.width, c.height, 1, (uint16_t)c.bitCount, 0, 0, 0, 0,
                              (uint32_t)c.colorsUsed, 0};
        ASSERT_EQ(initDIB_Bi(&head, &info), 1);
        EXPECT_EQ(head.imgid, IMGID_DIB);
        EXPECT_EQ(head.pixel, c.pixel);
        EXPECT_EQ(head.bits, bitsPerPixel(c.pixel));
        EXPECT_EQ(head.nbands, c.nbands);
        EXPECT_EQ(head.nindices, c.nindices);
        EXPECT_EQ(head.msbf, c.msbf);
        EXPECT_EQ(head.block, c.block);
        EXPECT_EQ(head.encoding, c.encoding);
        EXPECT_EQ(head.rows, c.height < 0 ? -c.height : c.height);
        EXPECT_EQ(head.columns, c.width);
        EXPECT_EQ(head.mapid, 1);
        EXPECT_EQ(head.offset, 0);
        EXPECT_EQ(head.transparent, -1);
        EXPECT_EQ(head.x0, 0.0);
        EXPECT_EQ(head.dx, 1.0);
        EXPECT_EQ(head.dy, 1.0);
    }
}

TEST_F(DibTest, InitDibBiRefusesOtherBitCountsWithItsMessage)
{
    console_capture::ConsoleCapture console;
    for (int bitCount : {0, 2, 16, 48}) {
        ImageHead head = freshHead();
        ImageHead before = head;
        DibInfoHeader info = {40, 4, 4, 1, (uint16_t)bitCount, 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(initDIB_Bi(&head, &info), 0) << bitCount;
        EXPECT_EQ(console.takeStderr(), "Error in initDIB_Bi: invalid BitCount.\n");
        EXPECT_EQ(0, memcmp(&head, &before, sizeof head));
    }
}

TEST_F(DibTest, InitDibBiRefusesSizesItCannotDescribe)
{
    struct Case {
        int bitCount;
        int32_t width, height;
        uint32_t colorsUsed;
    } cases[] = {
        {8, 0, 4, 0}, {8, -3, 4, 0}, {8, 4, 0, 0}, {8, 4, INT32_MIN, 0},
        {8, 4, 4, 257}, {1, 4, 4, 0xFFFFFFFFu}, {32, INT32_MAX, 1, 0},
    };
    for (const Case &c : cases) {
        ImageHead head = freshHead();
        DibInfoHeader info = {40, c.width, c.height, 1, (uint16_t)c.bitCount, 0, 0, 0, 0,
                              c.colorsUsed, 0};
        EXPECT_EQ(initDIB_Bi(&head, &info), 0) << c.width << "x" << c.height;
        EXPECT_EQ(head.imgid, 0);
    }
}

TEST_F(DibTest, SetDibPaletteTakesBlueGreenRedQuads)
{
    ImageHead head = freshHead();
    Bytes quads = rampQuads(3);
    setDIBPalette(&head, quads.data(), 3);
    EXPECT_EQ(head.nindices, 3);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(head.palette[i][0], 10 * i);
        EXPECT_EQ(head.palette[i][1], 10 * i + 1);
        EXPECT_EQ(head.palette[i][2], 10 * i + 2);
    }
    EXPECT_EQ(head.palette[3][0], 3);       /* the rest untouched */

    Bytes many((size_t)300 * 4, 9);
    setDIBPalette(&head, many.data(), 300);
    EXPECT_EQ(head.nindices, 256);
}

/* ---- Probe ----------------------------------------------------------------- */

TEST_F(DibTest, ProbeReadsPaletteAfterInformationHeadersOfEverySize)
{
    for (uint32_t infoSize : {40u, 56u, 108u, 124u}) {
        SCOPED_TRACE(infoSize);
        BmpSpec spec;
        spec.infoSize = infoSize;
        spec.colorsUsed = 4;
        spec.palette = rampQuads(4);
        spec.pixels = storedByteRows(3, 2);
        ImageHead head = freshHead();
        ASSERT_EQ(probeBytes(buildBmp(spec), &head), 1);
        EXPECT_EQ(head.nindices, 4);
        EXPECT_EQ(head.palette[3][0], 30);
        EXPECT_EQ(head.palette[3][2], 32);
        EXPECT_EQ(head.palette[4][0], 4);   /* beyond nindices: the grey ramp */
        EXPECT_EQ(head.offset, (int)(14 + infoSize + 16));
        EXPECT_EQ(head.mapid, 1);
        EXPECT_EQ(head.x0, 0.0);
        EXPECT_EQ(head.dx, 1.0);
    }
}

TEST_F(DibTest, ProbeKeepsTheGreyRampWhenThePaletteOverlapsThePixels)
{
    BmpSpec spec;
    spec.palette = rampQuads(2);            /* 256 announced, 2 stored */
    spec.pixels = storedByteRows(3, 2);
    ImageHead head = freshHead();
    ASSERT_EQ(probeBytes(buildBmp(spec), &head), 1);
    EXPECT_EQ(head.nindices, 256);
    EXPECT_EQ(head.palette[1][0], 1);
    EXPECT_EQ(head.palette[1][2], 1);
}

TEST_F(DibTest, ProbeRefusesCorruptHeadersAndLeavesTheHeadAlone)
{
    BmpSpec good;
    good.palette = rampQuads(256);
    good.pixels = storedByteRows(3, 2);
    const Bytes base = buildBmp(good);

    struct Case {
        const char *what;
        size_t at;                  /* field changed; SIZE_MAX: truncate to `value` bytes */
        int width;                  /* 2 or 4 */
        uint32_t value;
    } cases[] = {
        {"type", 0, 2, 'B' | 'A' << 8},
        {"short file header", SIZE_MAX, 0, 12},
        {"short information header", SIZE_MAX, 0, 50},
        {"core header", 14, 4, 12},
        {"header beyond the file", 14, 4, 0xFFFFFFF0u},
        {"compressed RLE8", 30, 4, 1},
        {"bit fields", 30, 4, 3},
        {"PNG inside", 30, 4, 5},
        {"257 colours", 46, 4, 257},
        {"width 0", 18, 4, 0},
        {"negative width", 18, 4, (uint32_t)-3},
        {"height 0", 22, 4, 0},
        {"most negative height", 22, 4, 0x80000000u},
        {"rows beyond the file", 22, 4, 0x7FFFFFFF},
        {"row length beyond 32 bits", 18, 4, 0x7FFFFFFF},
        {"pixels inside the header", 10, 4, 20},
        {"pixels beyond the file", 10, 4, 0xFFFFFFF0u},
        {"pixels beyond 31 bits", 10, 4, 0x80000000u},
        {"last row cut short", SIZE_MAX, 0, (uint32_t)base.size() - 1},
    };
    console_capture::ConsoleCapture console;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = base;
        if (c.at == SIZE_MAX) {
            bytes.resize(c.value);
        } else if (c.width == 2) {
            put16(bytes, c.at, c.value);
        } else {
            put32(bytes, c.at, c.value);
        }
        ImageHead head = freshHead();
        ImageHead before = head;
        EXPECT_EQ(probeBytes(bytes, &head), 0);
        EXPECT_EQ(0, memcmp(&head, &before, sizeof head));
    }
    console.takeStderr();
}

TEST_F(DibTest, ProbeNamesCompressionAndBitCountItCannotRead)
{
    console_capture::ConsoleCapture console;
    BmpSpec spec;
    spec.pixels = storedByteRows(3, 2);
    spec.palette = rampQuads(256);
    spec.compression = 1;
    ImageHead head = freshHead();
    EXPECT_EQ(probeBytes(buildBmp(spec), &head), 0);
    EXPECT_EQ(console.takeStderr(), "Error in probeDib: compression 1 is not supported.\n");

    BmpSpec sixteen;
    sixteen.bitCount = 16;
    sixteen.pixels = Bytes(16, 0);
    EXPECT_EQ(probeBytes(buildBmp(sixteen), &head), 0);
    EXPECT_EQ(console.takeStderr(), "Error in initDIB_Bi: invalid BitCount.\n");

    /* Not a DIB, so the probe goes on and nothing else recognises it. */
    int fd = open(path("probe.bmp").c_str(), O_RDONLY);
    ImageHead probed = freshHead();
    EXPECT_EQ(probeImageFile(fd, path("probe.bmp").c_str(), &probed, NULL), 0);
    close(fd);
    console.takeStderr();
}

TEST_F(DibTest, ProbeTakesTheGeoreferenceLineOnlyWhenOneFitsTheGap)
{
    struct Case {
        std::string gap;
        int mapid;
        double x0, dy;
    } cases[] = {
        {std::string("ovex proj:UTM33 x0:500000.5 y0:4100000 dx:0.1 dy:-0.1") + '\0',
         mapidFromName("UTM33"), 500000.5, -0.1},
        {std::string("ovex proj:PCS32633 x0:1 y0:2 dx:3 dy:4") + '\0', 32633, 1.0, 4.0},
        {std::string("ovex proj:NOSUCH x0:1 y0:2 dx:3 dy:4") + '\0', -1, 1.0, 4.0},
        {"ovex proj:UTM33 x0:1 y0:2", 1, 0.0, 1.0},            /* two numbers: no line */
        {"hello", 1, 0.0, 1.0},
        {std::string(257, 'x'), 1, 0.0, 1.0},                   /* longer than a line */
        /* No terminating zero right at the pixels: the line still reads. */
        {"ovex proj:UTM33 x0:7 y0:2 dx:3 dy:4", mapidFromName("UTM33"), 7.0, 4.0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.gap.substr(0, 40));
        BmpSpec spec;
        spec.palette = rampQuads(256);
        spec.gap = c.gap;
        spec.pixels = storedByteRows(3, 2);
        ImageHead head = freshHead();
        ASSERT_EQ(probeBytes(buildBmp(spec), &head), 1);
        EXPECT_EQ(head.mapid, c.mapid);
        EXPECT_EQ(head.x0, c.x0);
        EXPECT_EQ(head.dy, c.dy);
        EXPECT_EQ(head.offset, (int)(54 + 1024 + c.gap.size()));
    }
}

/* ---- Rows through the cache ------------------------------------------------- */

TEST_F(DibTest, RowsAreReadAndWrittenInTheirStoredOrder)
{
    for (int height : {3, -3}) {
        SCOPED_TRACE(height);
        BmpSpec spec;
        spec.width = 5;
        spec.height = height;
        spec.palette = rampQuads(256);
        spec.pixels = storedByteRows(5, 3);
        std::string file = path(height > 0 ? "bottom-up.bmp" : "top-down.bmp");
        writeFile(file, buildBmp(spec));

        RAMIMG *image = openImage(file);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->head.rows, 3);
        for (int r = 0; r < 3; r++) {
            int stored = height > 0 ? 2 - r : r;
            unsigned char row[5];
            getRowByte(image, r, 0, 5, 0, row);
            for (int c = 0; c < 5; c++) {
                EXPECT_EQ(row[c], 10 * stored + c) << "row " << r;
            }
        }
        unsigned char top[5] = {201, 202, 203, 204, 205};
        putRowByte(image, 0, 0, 5, 0, top);
        EXPECT_EQ(flushRamImage(image), 1);
        closeRAMImage(image, NULL);

        Bytes bytes = readFile(file);
        size_t firstRowAt = 54 + 1024 + (size_t)(height > 0 ? 2 : 0) * 8;
        EXPECT_EQ(0, memcmp(&bytes[firstRowAt], top, 5));
        EXPECT_EQ(bytes[firstRowAt + 5], 0xEE);     /* padding kept */
    }
}

TEST_F(DibTest, ChangedColourRowsGoBackTogetherInTheirStoredOrder)
{
    /* 40 rows through a cache of 6 per band: rows written back in runs
     * of several, forwards and backwards, some written twice, one band
     * of a row changed alone. */
    const int rows = 40, width = 7;
    auto value = [](int r, int c, int b, int pass) {
        return (unsigned char)(r * 5 + c * 3 + b * 71 + pass * 101);
    };
    for (int height : {rows, -rows}) {
        SCOPED_TRACE(height);
        BmpSpec spec;
        spec.width = width;
        spec.height = height;
        spec.bitCount = 24;
        int rowBytes = storedRowBytes(24, width);
        spec.pixels.assign((size_t)rowBytes * rows, 0x11);
        std::string file = path("runs.bmp");
        writeFile(file, buildBmp(spec));
        RAMIMG *image = openImage(file);
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(6, setRAMImageBuf(image, 6));
        std::vector<int> pass((size_t)rows, -1);
        auto put = [&](int r, int p, int onlyBand) {
            for (int b = 0; b < 3; b++) {
                if (onlyBand >= 0 && b != onlyBand) {
                    continue;
                }
                unsigned char row[width];
                for (int c = 0; c < width; c++) {
                    row[c] = value(r, c, b, p);
                }
                ASSERT_EQ(width, putRowByte(image, r, 0, width, b, row));
            }
            pass[(size_t)r] = p;
        };
        for (int r = 0; r < 30; r++) {
            put(r, 0, -1);
        }
        for (int r = 25; r >= 10; r--) {
            put(r, 1, -1);
        }
        put(35, 0, -1);
        put(36, 0, 1);          /* the other bands keep the file's 0x11 */
        EXPECT_EQ(flushRamImage(image), 1);
        closeRAMImage(image, NULL);

        Bytes bytes = readFile(file);
        size_t dataAt = 54;
        ASSERT_EQ(bytes.size(), dataAt + (size_t)rowBytes * rows);
        int wrong = 0;
        for (int r = 0; r < rows; r++) {
            size_t at = dataAt + (size_t)(height > 0 ? rows - 1 - r : r) * rowBytes;
            for (int c = 0; c < width; c++) {
                for (int b = 0; b < 3; b++) {
                    int p = pass[(size_t)r];
                    unsigned char want = p < 0 || (r == 36 && b != 1) ? 0x11 : value(r, c, b, p);
                    if (bytes[at + (size_t)c * 3 + b] != want && wrong++ < 5) {
                        ADD_FAILURE() << "row " << r << " column " << c << " band " << b;
                    }
                }
            }
        }
        EXPECT_EQ(0, wrong);
    }
}

TEST_F(DibTest, ColourBandsAreBlueGreenRedAndAFourth)
{
    for (int bitCount : {24, 32}) {
        SCOPED_TRACE(bitCount);
        int bands = bitCount / 8;
        BmpSpec spec;
        spec.width = 3;
        spec.height = -2;
        spec.bitCount = (uint16_t)bitCount;
        int rowBytes = storedRowBytes(bitCount, 3);
        spec.pixels.assign((size_t)rowBytes * 2, 0);
        for (int r = 0; r < 2; r++) {
            for (int c = 0; c < 3; c++) {
                for (int b = 0; b < bands; b++) {
                    spec.pixels[(size_t)r * rowBytes + c * bands + b] =
                        (unsigned char)(100 * r + 10 * c + b);
                }
            }
        }
        writeFile(path("colour.bmp"), buildBmp(spec));
        RAMIMG *image = openImage(path("colour.bmp"));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->head.nbands, bands);
        EXPECT_EQ(image->head.nindices, 0);
        for (int b = 0; b < bands; b++) {
            unsigned char row[3];
            getRowByte(image, 1, 0, 3, b, row);
            for (int c = 0; c < 3; c++) {
                EXPECT_EQ(row[c], 100 + 10 * c + b) << "band " << b;
            }
        }
        closeRAMImage(image, NULL);
    }
}

/* ---- Header writer -------------------------------------------------------------- */

TEST_F(DibTest, HeaderWriterLaysOutHeadersPaletteAndLine)
{
    struct Case {
        int pixel, nbands, columns, rows;
        int bitCount, entries, block, nbandsAfter;
    } cases[] = {
        {PIXEL_BYTE, 3, 5, 2, 24, 0, 16, 3},
        {PIXEL_1BIT, 1, 33, 2, 1, 2, 8, 1},
        {PIXEL_BYTE, 2, 4, 1, 24, 0, 12, 3},
        {PIXEL_BYTE, 4, 5, 1, 24, 0, 16, 3},
        {PIXEL_4BITS, 1, 3, 3, 4, 16, 4, 1},
        {PIXEL_BYTE, 1, 5, 2, 8, 256, 8, 1},
    };
    const std::string line = "ovex proj:GRID x0:0 y0:0 dx:1 dy:1";
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(pixelName(c.pixel)) + " x" + std::to_string(c.nbands));
        ImageHead head = newImageHead(path("new.bmp"), c.pixel, c.nbands, c.columns, c.rows);
        int offset = createImageFile(&head);
        int expectedOffset = 54 + 4 * c.entries + (int)line.size() + 1;
        ASSERT_EQ(offset, expectedOffset);

        Bytes bytes = readFile(path("new.bmp"));
        ASSERT_EQ(bytes.size(), (size_t)expectedOffset + (size_t)c.rows * c.block);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(get32(bytes, 2), bytes.size());
        EXPECT_EQ(get32(bytes, 10), (uint32_t)expectedOffset);
        EXPECT_EQ(get32(bytes, 14), 40u);
        EXPECT_EQ((int32_t)get32(bytes, 18), c.columns);
        EXPECT_EQ((int32_t)get32(bytes, 22), c.rows);
        EXPECT_EQ(get16(bytes, 26), 1);
        EXPECT_EQ(get16(bytes, 28), c.bitCount);
        for (size_t at = 30; at < 54; at++) {
            EXPECT_EQ(bytes[at], 0) << at;
        }
        EXPECT_EQ(std::string((const char *)&bytes[54 + 4 * c.entries]), line);

        ImageHead written = newImageHead(path("new.bmp"), c.pixel, c.nbands, c.columns, c.rows);
        int fd = open(path("again.bmp").c_str(), O_CREAT | O_TRUNC | O_RDWR, 0600);
        ASSERT_EQ(writeDibHeader(fd, 0, &written), expectedOffset);
        EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 0);       /* position kept */
        close(fd);
        EXPECT_EQ(written.block, c.block);
        EXPECT_EQ(written.offset, expectedOffset);
        EXPECT_EQ(written.nbands, c.nbandsAfter);
        EXPECT_EQ(written.msbf, c.bitCount < 8 ? 1 : 0);
    }
}

TEST_F(DibTest, NewPalettesAreTheHeadsColoursThenGreyFromBlackToWhite)
{
    struct Case {
        int pixel, nindices, entries;
        int at, red, green, blue;
    } cases[] = {
        {PIXEL_BYTE, 0, 256, 0, 0, 0, 0},
        {PIXEL_BYTE, 0, 256, 200, 200, 200, 200},
        {PIXEL_BYTE, 0, 256, 255, 255, 255, 255},
        {PIXEL_1BIT, 0, 2, 1, 255, 255, 255},       /* black and white */
        {PIXEL_4BITS, 0, 16, 1, 17, 17, 17},
        {PIXEL_4BITS, 0, 16, 15, 255, 255, 255},
        {PIXEL_BYTE, 2, 256, 1, 9, 8, 7},           /* the head's colour */
        {PIXEL_BYTE, 2, 256, 2, 2, 2, 2},           /* then the ramp */
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(pixelName(c.pixel)) + " entry " + std::to_string(c.at));
        ImageHead head = newImageHead(path("palette.bmp"), c.pixel, 1, 4, 2);
        head.nindices = c.nindices;
        head.palette[1][0] = 9;
        head.palette[1][1] = 8;
        head.palette[1][2] = 7;
        ASSERT_GT(createImageFile(&head), 0);
        ImageHead probed = freshHead();
        ASSERT_EQ(probeFile(path("palette.bmp"), &probed), 1);
        EXPECT_EQ(probed.nindices, c.entries);
        EXPECT_EQ(probed.palette[c.at][0], c.red);
        EXPECT_EQ(probed.palette[c.at][1], c.green);
        EXPECT_EQ(probed.palette[c.at][2], c.blue);
        Bytes bytes = readFile(path("palette.bmp"));
        EXPECT_EQ(bytes[54 + 4 * c.at + 3], 0);
    }
}

TEST_F(DibTest, GeoreferenceRoundTripsThroughANewFile)
{
    struct Case {
        int mapid;
        double x0, y0, dx, dy;
    } cases[] = {
        {mapidFromName("UTM33"), 500000.25, 4649776.22482, 0.1, -0.1},
        {32633, -1e-300, 1.0 / 3.0, 30.0, 2.5e10},
        {1, 0.0, 0.0, 1.0, 1.0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mapid);
        ImageHead head = newImageHead(path("geo.bmp"), PIXEL_BYTE, 3, 7, 3);
        head.mapid = c.mapid;
        head.x0 = c.x0;
        head.y0 = c.y0;
        head.dx = c.dx;
        head.dy = c.dy;
        ASSERT_GT(createImageFile(&head), 0);
        ImageHead probed = freshHead();
        ASSERT_EQ(probeFile(path("geo.bmp"), &probed), 1);
        EXPECT_EQ(probed.mapid, c.mapid);
        EXPECT_EQ(probed.x0, c.x0);
        EXPECT_EQ(probed.y0, c.y0);
        EXPECT_EQ(probed.dx, c.dx);
        EXPECT_EQ(probed.dy, c.dy);
        EXPECT_EQ(probed.offset, head.offset);
    }
}

TEST_F(DibTest, HeaderWriterRefusesWhatABmpCannotHold)
{
    console_capture::ConsoleCapture console;
    struct Case {
        int pixel, nbands, columns, rows;
        const char *message;
    } cases[] = {
        {PIXEL_FLOAT, 1, 4, 4,
         "Error in writeDibHeader: a BMP file cannot hold 1 band(s) of FLOAT pixels.\n"},
        {PIXEL_SHORT, 3, 4, 4,
         "Error in writeDibHeader: a BMP file cannot hold 3 band(s) of SHORT pixels.\n"},
        {PIXEL_1BIT, 2, 4, 4,
         "Error in writeDibHeader: a BMP file cannot hold 2 band(s) of 1BIT pixels.\n"},
        {PIXEL_BYTE, 0, 4, 4,
         "Error in writeDibHeader: a BMP file cannot hold 0 band(s) of BYTE pixels.\n"},
        {PIXEL_BYTE, 1, 70000, 70000,
         "Error in writeDibHeader: a BMP file of 70000 rows of 70000 bytes exceeds 4 GiB.\n"},
        {PIXEL_BYTE, 1, 0, 4, ""},
        {PIXEL_BYTE, 1, 4, 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        ImageHead head = newImageHead(path("refused.bmp"), c.pixel, c.nbands, c.columns, c.rows);
        ImageHead before = head;
        int fd = open(path("refused.bmp").c_str(), O_CREAT | O_TRUNC | O_RDWR, 0600);
        EXPECT_EQ(writeDibHeader(fd, 1, &head), -1);
        close(fd);
        EXPECT_EQ(console.takeStderr(), c.message);
        EXPECT_EQ(readFile(path("refused.bmp")).size(), 0u);
        EXPECT_EQ(0, memcmp(&head, &before, sizeof head));
    }
}

/* ---- Palette writer ---------------------------------------------------------------- */

TEST_F(DibTest, PaletteWriterReplacesColoursAndKeepsTheFourthByte)
{
    BmpSpec spec;
    spec.infoSize = 124;
    spec.colorsUsed = 16;
    spec.palette = rampQuads(16);
    spec.palette[4 * 5 + 3] = 0x77;
    spec.pixels = storedByteRows(3, 2);
    std::string file = path("palette.bmp");
    writeFile(file, buildBmp(spec));

    RAMIMG *image = openImage(file);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->head.nindices, 16);
    image->head.palette[5][0] = 1;
    image->head.palette[5][1] = 2;
    image->head.palette[5][2] = 3;
    EXPECT_EQ(flushImageTrailer(image->fd, &image->head, image->priv), 16);
    EXPECT_EQ(lseek(image->fd, 0, SEEK_CUR), 0);

    /* Heads that do not match the file write nothing. */
    ImageHead other = image->head;
    other.nindices = 256;
    EXPECT_EQ(writeDibPalette(image->fd, &other), 0);
    other = image->head;
    other.pixel = PIXEL_4BITS;
    EXPECT_EQ(writeDibPalette(image->fd, &other), 0);
    other = image->head;
    other.nbands = 3;
    EXPECT_EQ(writeDibPalette(image->fd, &other), 0);
    closeRAMImage(image, NULL);

    Bytes bytes = readFile(file);
    size_t entry5 = 14 + 124 + 4 * 5;
    EXPECT_EQ(bytes[entry5], 3);
    EXPECT_EQ(bytes[entry5 + 1], 2);
    EXPECT_EQ(bytes[entry5 + 2], 1);
    EXPECT_EQ(bytes[entry5 + 3], 0x77);
    EXPECT_EQ(bytes[entry5 + 4], 62);           /* entry 6 as it was */
    EXPECT_EQ(bytes.size(), buildBmp(spec).size());
}

TEST_F(DibTest, PaletteWriterIgnoresFilesThatAreNotOneBandBmps)
{
    writeFile(path("text.bmp"), Bytes(100, 'x'));
    int fd = open(path("text.bmp").c_str(), O_RDWR);
    ImageHead head = newImageHead(path("text.bmp"), PIXEL_BYTE, 1, 3, 2);
    head.nindices = 256;
    EXPECT_EQ(writeDibPalette(fd, &head), 0);
    close(fd);

    BmpSpec colour;
    colour.bitCount = 24;
    colour.pixels = Bytes(24, 0);
    writeFile(path("colour.bmp"), buildBmp(colour));
    fd = open(path("colour.bmp").c_str(), O_RDWR);
    EXPECT_EQ(writeDibPalette(fd, &head), 0);
    close(fd);
    EXPECT_EQ(readFile(path("colour.bmp")), buildBmp(colour));
}

/* ---- Other programs read our files ------------------------------------------------- */

struct WrittenCase {
    const char *name;
    int pixel, nbands, columns, rows, levels;   /* levels: values of a band */
};

const WrittenCase WRITTEN_CASES[] = {
    {"1bit", PIXEL_1BIT, 1, 13, 5, 2},
    {"4bit", PIXEL_4BITS, 1, 7, 4, 16},
    {"8bit", PIXEL_BYTE, 1, 6, 5, 256},
    {"24bit", PIXEL_BYTE, 3, 5, 3, 256},
};

unsigned char writtenValue(const WrittenCase &c, int r, int c_, int b)
{
    return (unsigned char)((r * 37 + c_ * 11 + b * 101) % c.levels);
}

TEST_F(DibTest, ToolsReadOurFilesWithTheSamePixels)
{
    bool magick = haveTool("convert"), netpbm = haveTool("bmptopnm") && haveTool("ppmtoppm");
    if (!magick && !netpbm) {
        GTEST_SKIP() << "neither ImageMagick convert nor netpbm bmptopnm is installed";
    }
    for (const WrittenCase &c : WRITTEN_CASES) {
        SCOPED_TRACE(c.name);
        std::string file = path(std::string(c.name) + ".bmp");
        ImageHead head = newImageHead(file, c.pixel, c.nbands, c.columns, c.rows);
        head.mapid = mapidFromName("UTM33");
        head.x0 = 500000.0;
        head.dx = 0.5;
        if (c.pixel == PIXEL_BYTE && c.nbands == 1) {
            head.nindices = 256;            /* a colour palette, not the ramp */
            for (int i = 0; i < 256; i++) {
                head.palette[i][0] = (unsigned char)i;
                head.palette[i][1] = (unsigned char)(255 - i);
                head.palette[i][2] = (unsigned char)(i * 7);
            }
        }
        createFilled(head, [&](int r, int col, int b) { return writtenValue(c, r, col, b); });

        RAMIMG *image = openImage(file);
        ASSERT_NE(image, nullptr);
        Bytes expected = shownRgb(image);
        closeRAMImage(image, NULL);
        /* The pattern itself, seen through the file's palette. */
        ASSERT_EQ(expected.size(), (size_t)c.columns * c.rows * 3);
        if (c.nbands == 3) {
            EXPECT_EQ(expected[2], writtenValue(c, 0, 0, 0));   /* band 1 is blue */
            EXPECT_EQ(expected[0], writtenValue(c, 0, 0, 2));
        }

        std::vector<std::string> commands;
        if (magick) {
            commands.push_back("convert '" + file + "' -depth 8 ppm:- 2>/dev/null");
        }
        if (netpbm) {
            commands.push_back("bmptopnm '" + file + "' 2>/dev/null | ppmtoppm");
        }
        for (const std::string &command : commands) {
            SCOPED_TRACE(command);
            int width = 0, height = 0;
            Bytes seen = ppmSamples(runCapture(command), &width, &height);
            EXPECT_EQ(width, c.columns);
            EXPECT_EQ(height, c.rows);
            EXPECT_EQ(seen, expected);
        }
    }
}

/* ---- We read other programs' files ----------------------------------------------- */

/* 11 x 7 pixels of `colours` distinct colours (at most 77). */
Bytes sourcePixels(int colours)
{
    Bytes rgb;
    for (int i = 0; i < 77; i++) {
        int k = i % colours;
        rgb.push_back((unsigned char)(k * 23 % 256));
        rgb.push_back((unsigned char)(255 - k * 9));
        rgb.push_back((unsigned char)(k * 61 % 256));
    }
    return rgb;
}

Bytes blackAndWhite()
{
    Bytes rgb;
    for (int i = 0; i < 77; i++) {
        unsigned char v = (i % 3 == 0 || i % 7 == 1) ? 255 : 0;
        rgb.insert(rgb.end(), {v, v, v});
    }
    return rgb;
}

TEST_F(DibTest, WeReadToolFilesWithTheirPixelsPaletteAndBandOrder)
{
    struct Case {
        const char *tool;
        const char *command;        /* %s source, %s target */
        int colours;                /* 0: black and white */
        int bitCount, nbands;
        uint32_t infoSize;
    } cases[] = {
        {"convert", "convert '%s' '%s'", 77, 24, 3, 124},
        {"convert", "convert '%s' bmp3:'%s'", 77, 24, 3, 40},
        {"convert", "convert '%s' -type palette -compress none '%s'", 40, 8, 1, 124},
        {"convert", "convert '%s' -type palette '%s'", 12, 4, 1, 124},
        {"convert", "convert '%s' -monochrome '%s'", 0, 1, 1, 108},
        {"ppmtobmp", "ppmtobmp -windows -bpp 24 '%s' > '%s' 2>/dev/null", 77, 24, 3, 40},
        {"ppmtobmp", "ppmtobmp -windows -bpp 8 '%s' > '%s' 2>/dev/null", 40, 8, 1, 40},
        {"ppmtobmp", "ppmtobmp -windows -bpp 4 '%s' > '%s' 2>/dev/null", 12, 4, 1, 40},
        {"ppmtobmp", "ppmtobmp -windows -bpp 1 '%s' > '%s' 2>/dev/null", 0, 1, 1, 40},
    };
    int index = 0;
    for (const Case &c : cases) {
        std::string name = std::string(c.tool) + " " + std::to_string(c.bitCount) + "-bit "
                           + std::to_string(c.infoSize);
        SCOPED_TRACE(name);
        if (!haveTool(c.tool)) {
            std::cout << "[  SKIPPED ] " << name << ": " << c.tool << " is not installed\n";
            continue;
        }
        Bytes source = c.colours > 0 ? sourcePixels(c.colours) : blackAndWhite();
        std::string ppm = path("source" + std::to_string(index) + ".ppm");
        std::string bmp = path("tool" + std::to_string(index) + ".bmp");
        index++;
        writeFile(ppm, makePpm(11, 7, source));
        char command[1024];
        snprintf(command, sizeof command, c.command, ppm.c_str(), bmp.c_str());
        ASSERT_EQ(system(command), 0);
        Bytes bytes = readFile(bmp);
        ASSERT_GE(bytes.size(), 54u);
        ASSERT_EQ(get16(bytes, 28), c.bitCount) << "the tool wrote another depth";
        ASSERT_EQ(get32(bytes, 14), c.infoSize);

        RAMIMG *image = openImage(bmp);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->head.imgid, IMGID_DIB);
        EXPECT_EQ(image->head.nbands, c.nbands);
        EXPECT_EQ(image->head.columns, 11);
        EXPECT_EQ(image->head.rows, 7);
        EXPECT_EQ(image->head.mapid, 1);
        EXPECT_EQ(image->head.x0, 0.0);
        EXPECT_EQ(image->head.dx, 1.0);
        EXPECT_EQ(shownRgb(image), source);     /* lossless: fewer colours than entries */
        closeRAMImage(image, NULL);
    }
}

TEST_F(DibTest, CompressedFilesFromToolsAreNotReadAsRawRows)
{
    if (!haveTool("convert")) {
        GTEST_SKIP() << "ImageMagick convert is not installed";
    }
    struct Case {
        const char *options;
        int colours;
        uint32_t compression;
    } cases[] = {
        {"-type palette", 40, 1},                           /* run-length, 8 bits */
        {"-alpha on -channel A -fx 0.5", 77, 3},            /* bit fields, 32 bits */
    };
    console_capture::ConsoleCapture console;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.options);
        writeFile(path("source.ppm"), makePpm(11, 7, sourcePixels(c.colours)));
        std::string command = "convert '" + path("source.ppm") + "' " + c.options + " '"
                              + path("packed.bmp") + "'";
        ASSERT_EQ(system(command.c_str()), 0);
        Bytes bytes = readFile(path("packed.bmp"));
        ASSERT_GE(bytes.size(), 54u);
        if (get32(bytes, 30) != c.compression) {
            std::cout << "[  SKIPPED ] this ImageMagick wrote compression " << get32(bytes, 30)
                      << " for " << c.options << "\n";
            continue;
        }
        int err = 0;
        EXPECT_EQ(openRAMImage(NULL, path("packed.bmp").c_str(), NULL, NULL, &err), nullptr);
        EXPECT_EQ(err, RAMIMG_EUNKNOWN_TYPE);
        EXPECT_EQ(console.takeStderr(), "Error in probeDib: compression "
                                            + std::to_string(c.compression)
                                            + " is not supported.\n");
    }
}

TEST_F(DibTest, TopDownFilesWeChangeStayRightForTools)
{
    if (!haveTool("convert")) {
        GTEST_SKIP() << "ImageMagick convert is not installed";
    }
    BmpSpec spec;
    spec.width = 4;
    spec.height = -3;
    spec.bitCount = 24;
    spec.pixels.assign((size_t)12 * 3, 0);
    std::string file = path("top-down.bmp");
    writeFile(file, buildBmp(spec));
    RAMIMG *image = openImage(file);
    ASSERT_NE(image, nullptr);
    unsigned char blue[4] = {255, 255, 255, 255};
    putRowByte(image, 0, 0, 4, 0, blue);        /* top row blue */
    EXPECT_EQ(flushRamImage(image), 1);
    closeRAMImage(image, NULL);

    int width = 0, height = 0;
    Bytes seen = ppmSamples(runCapture("convert '" + file + "' -depth 8 ppm:- 2>/dev/null"),
                            &width, &height);
    ASSERT_EQ(seen.size(), (size_t)4 * 3 * 3);
    EXPECT_EQ(seen[0], 0);
    EXPECT_EQ(seen[2], 255);                    /* the top row shows blue */
    EXPECT_EQ(seen[4 * 3 * 2 + 2], 0);          /* the bottom row stays black */
}

} // namespace
