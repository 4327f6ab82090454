/*
 * reader_faults_test.cpp --
 *
 *	The known faults of simple readers, each as a small damaged file
 *	opened through the real open path: the exact error (open code and
 *	what the reader printed), or for damage that is not an error the
 *	exact pixels. Also every header cut off at every byte, and sizes whose
 *	products overflow 32 and 64 bits.
 */
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ramimage/console_capture.h"
#include "kit/fixture_kit.h"
#include "ramimage/formats/gpz.h"
#include "ramimage/ramimg.h"

namespace {

typedef std::vector<unsigned char> Bytes;

Bytes text(const std::string &s)
{
    return Bytes(s.begin(), s.end());
}

void le16(Bytes &b, size_t at, uint32_t v)
{
    b[at] = (unsigned char)v;
    b[at + 1] = (unsigned char)(v >> 8);
}

void le32(Bytes &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++) {
        b[at + i] = (unsigned char)(v >> (8 * i));
    }
}

void be32(Bytes &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++) {
        b[at + i] = (unsigned char)(v >> (24 - 8 * i));
    }
}

/* What an open gave: the image (NULL on failure), its code and stderr. */
struct Opened {
    RAMIMG *image = nullptr;
    int err = -1;
    std::string stderrText;
};

class ReaderFaults : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (RAMIMG *image : opened) {
            freeRamImage(image);
        }
    }

    /* Writes the bytes as folder/name and opens them with the format probe. */
    Opened open(const std::string &name, const Bytes &bytes)
    {
        std::string path = folder + "/" + name;
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        EXPECT_GE(fd, 0);
        EXPECT_EQ((ssize_t)bytes.size(), write(fd, bytes.data(), bytes.size()));
        close(fd);
        Opened result;
        result.image = openRamImageFile(path.c_str(), NULL, NULL, &result.err);
        if (result.image != nullptr) {
            opened.push_back(result.image);
        }
        result.stderrText = console.takeStderr();
        return result;
    }

    /* The row of band 0 as bytes, rowBytes long. */
    Bytes row(RAMIMG *image, int r, int band = 0)
    {
        unsigned char *line = getRAMImageLine(image, r, band, 1);
        return line == nullptr ? Bytes() : Bytes(line, line + image->rowBytes);
    }

    fixture::ScratchDir scratch{"ovex-faults"};
    std::string folder = scratch.path();
    std::vector<RAMIMG *> opened;
    console_capture::ConsoleCapture console;
};

/* ---- Fixture builders ---------------------------------------------------- */

/* A BMP of the bit count with `colours` palette entries declared and
 * written, and the given pixel rows (already padded, bottom-up). */
Bytes bmpFile(int width, int height, int bits, uint32_t colours, const Bytes &pixels)
{
    uint32_t paletteEntries = bits <= 8 ? (colours != 0 ? colours : (1u << bits)) : 0;
    if (paletteEntries > 256) {
        paletteEntries = 256;
    }
    uint32_t offset = 14 + 40 + 4 * paletteEntries;
    Bytes b(offset, 0);
    b[0] = 'B';
    b[1] = 'M';
    le32(b, 2, offset + (uint32_t)pixels.size());
    le32(b, 10, offset);
    le32(b, 14, 40);
    le32(b, 18, (uint32_t)width);
    le32(b, 22, (uint32_t)height);
    le16(b, 26, 1);
    le16(b, 28, (uint32_t)bits);
    le32(b, 46, colours);
    for (uint32_t i = 0; i < paletteEntries; i++) {
        b[54 + 4 * i] = (unsigned char)(10 + i);      /* blue */
        b[54 + 4 * i + 1] = (unsigned char)(20 + i);  /* green */
        b[54 + 4 * i + 2] = (unsigned char)(30 + i);  /* red */
    }
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

/* LZW codes of `pixels` (values below 4) at minimum code size 2, with a
 * clear code before every second pixel so that every code stays 3 bits. */
Bytes gifLzw(const Bytes &pixels)
{
    std::vector<int> codes;
    for (size_t i = 0; i < pixels.size(); i++) {
        if (i % 2 == 0) {
            codes.push_back(4);
        }
        codes.push_back(pixels[i]);
    }
    codes.push_back(5);
    Bytes packed;
    uint32_t buffer = 0;
    int count = 0;
    for (int code : codes) {
        buffer |= (uint32_t)code << count;
        count += 3;
        while (count >= 8) {
            packed.push_back((unsigned char)buffer);
            buffer >>= 8;
            count -= 8;
        }
    }
    if (count > 0) {
        packed.push_back((unsigned char)buffer);
    }
    return packed;
}

/* A GIF87a of a screen with a four-colour palette and one image at
 * (left, top) of width x height whose data start with `codeSize`. */
Bytes gifFile(int screenW, int screenH, int left, int top, int width, int height, int codeSize,
              const Bytes &pixels)
{
    Bytes b = text("GIF87a");
    Bytes lsd(7, 0);
    le16(lsd, 0, (uint32_t)screenW);
    le16(lsd, 2, (uint32_t)screenH);
    lsd[4] = 0x80 | 0x01;  /* global colour table of 4 entries */
    b.insert(b.end(), lsd.begin(), lsd.end());
    const unsigned char palette[12] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    b.insert(b.end(), palette, palette + 12);
    Bytes des(10, 0);
    des[0] = 0x2C;
    le16(des, 1, (uint32_t)left);
    le16(des, 3, (uint32_t)top);
    le16(des, 5, (uint32_t)width);
    le16(des, 7, (uint32_t)height);
    b.insert(b.end(), des.begin(), des.end());
    b.push_back((unsigned char)codeSize);
    Bytes data = gifLzw(pixels);
    b.push_back((unsigned char)data.size());
    b.insert(b.end(), data.begin(), data.end());
    b.push_back(0);
    b.push_back(0x3B);
    return b;
}

/* A little-endian TIFF of one strip: width x height 8-bit grey pixels,
 * the strip of `strip` bytes at stripOffset (the bytes are appended when
 * stripOffset is 0), compression 1 or 32773 (PackBits). */
Bytes tiffFile(int width, int height, int compression, const Bytes &strip, uint32_t stripOffset = 0,
               uint32_t stripBytes = 0)
{
    const int entries = 8;
    Bytes b(8 + 2 + entries * 12 + 4, 0);
    b[0] = 'I';
    b[1] = 'I';
    le16(b, 2, 42);
    le32(b, 4, 8);
    le16(b, 8, entries);
    uint32_t dataAt = (uint32_t)b.size();
    struct Entry {
        uint16_t tag, type;
        uint32_t value;
    } list[entries] = {
        {256, 4, (uint32_t)width}, {257, 4, (uint32_t)height}, {258, 3, 8},
        {259, 3, (uint32_t)compression}, {262, 3, 1},
        {273, 4, stripOffset != 0 ? stripOffset : dataAt},
        {278, 4, (uint32_t)height},
        {279, 4, stripBytes != 0 ? stripBytes : (uint32_t)strip.size()},
    };
    for (int i = 0; i < entries; i++) {
        size_t at = 10 + 12 * i;
        le16(b, at, list[i].tag);
        le16(b, at + 2, list[i].type);
        le32(b, at + 4, 1);
        if (list[i].type == 3) {
            le16(b, at + 8, list[i].value);
        } else {
            le32(b, at + 8, list[i].value);
        }
    }
    b.insert(b.end(), strip.begin(), strip.end());
    return b;
}

/* An IMAGEDEF header (numbers most significant byte first) for the sizes,
 * followed by `data` bytes. */
Bytes imagedefFile(int32_t pixel, int32_t nbands, int32_t rows, int32_t columns, size_t data)
{
    Bytes b(1152, 0);
    memcpy(b.data(), "IMAGEDEF_MSBF", 14);
    be32(b, 16, 1);
    be32(b, 20, 1);     /* BSQ */
    be32(b, 24, 1);
    be32(b, 32, 1152);
    be32(b, 36, (uint32_t)pixel);
    be32(b, 40, (uint32_t)nbands);
    be32(b, 44, (uint32_t)rows);
    be32(b, 48, (uint32_t)columns);
    b.resize(1152 + data, 7);
    return b;
}

/* ---- PGM / PPM ----------------------------------------------------------- */

TEST_F(ReaderFaults, PnmMaxvalOutOfRangeAndTruncatedRowsAreNotImages)
{
    struct Case {
        const char *name;
        std::string header;
        size_t pixelBytes;
        int err;
    } cases[] = {
        {"maxval 0", "P5\n2 2\n0\n", 4, RAMIMG_EUNKNOWN_TYPE},
        {"maxval 65536", "P5\n2 2\n65536\n", 8, RAMIMG_EUNKNOWN_TYPE},
        {"maxval 99999999999", "P5\n2 2\n99999999999\n", 8, RAMIMG_EUNKNOWN_TYPE},
        {"last row short", "P6\n2 2\n255\n", 11, RAMIMG_EUNKNOWN_TYPE},
        {"16-bit row short", "P5\n2 2\n65535\n", 7, RAMIMG_EUNKNOWN_TYPE},
        {"maxval 65535 whole", "P5\n2 2\n65535\n", 8, RAMIMG_OK},
    };
    for (const Case &c : cases) {
        Bytes file = text(c.header);
        file.resize(file.size() + c.pixelBytes, 9);
        Opened o = open("a.pgm", file);
        EXPECT_EQ(c.err, o.err) << c.name;
        EXPECT_EQ("", o.stderrText) << c.name;
    }
}

/* ---- BMP ----------------------------------------------------------------- */

TEST_F(ReaderFaults, BmpIndexBeyondTheColourCountReadsAsStoredOverTheGreyRamp)
{
    /* 2 x 1 pixels of 8 bits, 2 colours declared, indices 1 and 200. */
    Opened o = open("a.bmp", bmpFile(2, 1, 8, 2, Bytes{1, 200, 0, 0}));
    ASSERT_NE(nullptr, o.image) << o.stderrText;
    EXPECT_EQ(2, o.image->head.nindices);
    EXPECT_EQ((Bytes{1, 200}), row(o.image, 0));
    /* Entry 1 is the file's; entry 200 lies beyond the count and keeps
     * the grey ramp of a head without a palette. */
    EXPECT_EQ(31, o.image->head.palette[1][0]);
    EXPECT_EQ(200, o.image->head.palette[200][0]);
    EXPECT_EQ(200, o.image->head.palette[200][1]);
    EXPECT_EQ(200, o.image->head.palette[200][2]);
}

TEST_F(ReaderFaults, BmpRefusedHeaders)
{
    struct Case {
        const char *name;
        Bytes file;
        int err;
    } cases[] = {
        {"height 0", bmpFile(2, 0, 8, 2, Bytes{}), RAMIMG_EUNKNOWN_TYPE},
        {"257 colours", bmpFile(2, 1, 8, 257, Bytes{1, 2, 0, 0}), RAMIMG_EUNKNOWN_TYPE},
        {"rows beyond the file", bmpFile(2, 3, 8, 2, Bytes{1, 2, 0, 0}), RAMIMG_EUNKNOWN_TYPE},
        {"width of 2^31 - 1", bmpFile(0x7FFFFFFF, 1, 24, 0, Bytes{1, 2, 3, 0}), RAMIMG_EUNKNOWN_TYPE},
    };
    for (const Case &c : cases) {
        Opened o = open("a.bmp", c.file);
        EXPECT_EQ(c.err, o.err) << c.name;
        EXPECT_EQ(nullptr, o.image) << c.name;
    }
}

/* ---- GIF ----------------------------------------------------------------- */

TEST_F(ReaderFaults, GifImageOutsideTheScreenIsClipped)
{
    /* A 3 x 3 image of 1, 2, 3 ... placed at (2, 2) on a 4 x 4 screen:
     * only its top-left 2 x 2 lands on the screen. */
    Opened o = open("a.gif", gifFile(4, 4, 2, 2, 3, 3, 2, Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3}));
    ASSERT_NE(nullptr, o.image) << o.stderrText;
    EXPECT_EQ(4, o.image->head.columns);
    EXPECT_EQ(4, o.image->head.rows);
    EXPECT_EQ((Bytes{0, 0, 0, 0}), row(o.image, 1));
    EXPECT_EQ((Bytes{0, 0, 1, 2}), row(o.image, 2));
    EXPECT_EQ((Bytes{0, 0, 1, 2}), row(o.image, 3));
    EXPECT_EQ("", o.stderrText);
}

TEST_F(ReaderFaults, GifImageEntirelyOffTheScreenLeavesItBlank)
{
    Opened o = open("a.gif", gifFile(2, 2, 60000, 60000, 2, 2, 2, Bytes{1, 1, 1, 1}));
    ASSERT_NE(nullptr, o.image) << o.stderrText;
    EXPECT_EQ((Bytes{0, 0}), row(o.image, 0));
    EXPECT_EQ((Bytes{0, 0}), row(o.image, 1));
}

TEST_F(ReaderFaults, GifLzwCodeSizeAboveTheLimit)
{
    /* Minimum code sizes up to 11 are decoded (gif.test); from 12 on the
     * clear code lies beyond the 4096-entry tables: the open is refused
     * with the decoder's reason, not a blank image. */
    for (int size : {12, 255}) {
        Opened o = open("a.gif", gifFile(2, 2, 0, 0, 2, 2, size, Bytes{1, 1, 1, 1}));
        EXPECT_EQ(nullptr, o.image) << size;
        EXPECT_EQ(RAMIMG_EUNHANDLED, o.err) << size;
        EXPECT_EQ("Error in GIF data: LZW code size " + std::to_string(size) + "\n", o.stderrText)
            << size;
        EXPECT_EQ(std::string("Error in GIF data: LZW code size ") + std::to_string(size),
                  ramImageOpenReason()) << size;
    }
}

TEST_F(ReaderFaults, GifZeroHeight)
{
    Opened screen = open("a.gif", gifFile(2, 0, 0, 0, 2, 0, 2, Bytes{}));
    EXPECT_EQ(nullptr, screen.image);
    EXPECT_EQ(RAMIMG_EUNKNOWN_TYPE, screen.err);
    EXPECT_EQ("GIF logical screen of 2 x 0 pixels holds no image\n", screen.stderrText);

    /* An image of no rows on a real screen decodes nothing. */
    Opened frame = open("b.gif", gifFile(2, 2, 0, 0, 2, 0, 2, Bytes{}));
    ASSERT_NE(nullptr, frame.image) << frame.stderrText;
    EXPECT_EQ((Bytes{0, 0}), row(frame.image, 0));
}

/* ---- TIFF ---------------------------------------------------------------- */

TEST_F(ReaderFaults, TiffStripOutsideTheFile)
{
    struct Case {
        const char *name;
        uint32_t offset, bytes;
        int compression;
    } cases[] = {
        {"offset beyond the end", 4000, 4, 1},
        {"offset near 2^32", 0xFFFFFFFFu, 4, 1},
        {"PackBits count beyond the end", 0, 0xFFFFFFF0u, 32773},
    };
    for (const Case &c : cases) {
        Opened o = open("a.tif", tiffFile(2, 2, c.compression, Bytes{0, 1, 2, 3}, c.offset, c.bytes));
        EXPECT_EQ(nullptr, o.image) << c.name;
        EXPECT_EQ(RAMIMG_EUNHANDLED, o.err) << c.name;
        EXPECT_EQ("imgTiff - Tiff strip 0 lies outside the file.\n", o.stderrText) << c.name;
    }
}

TEST_F(ReaderFaults, TiffPackBitsOutputStopsAtTheStrip)
{
    /* 2 x 2 pixels, but the run repeats 0x55 128 times: the decoder must
     * stop at the strip's 4 bytes. */
    Opened o = open("a.tif", tiffFile(2, 2, 32773, Bytes{(unsigned char)-127, 0x55, 0x80, 0x80}));
    ASSERT_NE(nullptr, o.image) << o.stderrText;
    EXPECT_EQ((Bytes{0x55, 0x55}), row(o.image, 0));
    EXPECT_EQ((Bytes{0x55, 0x55}), row(o.image, 1));
}

TEST_F(ReaderFaults, TiffPackBitsStripTooShortForItsRows)
{
    /* 3 bytes of PackBits give at most 192 bytes: not 100 x 100 pixels. */
    Opened o = open("a.tif", tiffFile(100, 100, 32773, Bytes{(unsigned char)-127, 0x55, 0x80}));
    EXPECT_EQ(nullptr, o.image);
    EXPECT_EQ(RAMIMG_EUNHANDLED, o.err);
    EXPECT_EQ("imgTiff - Tiff strip 0 of 3 bytes cannot hold its 10000 bytes of pixels.\n",
              o.stderrText);
}

/* ---- Sizes that overflow ------------------------------------------------- */

TEST_F(ReaderFaults, SizeProductsOverflowing32And64Bits)
{
    struct Case {
        const char *name;
        Bytes file;
    } cases[] = {
        /* 65536 x 65536 bytes: 2^32, wraps to 0 in 32 bits. */
        {"IMAGEDEF 2^32 bytes", imagedefFile(3, 1, 65536, 65536, 16)},
        /* (2^31 - 1)^2 x (2^31 - 1) x 4 bytes: beyond 64 bits. */
        {"IMAGEDEF beyond 2^64", imagedefFile(5, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 16)},
        {"IMAGEDEF negative rows", imagedefFile(3, 1, -1, 16, 16)},
        {"PPM 2^32 bytes", [] {
             Bytes b = text("P6\n65536 21846\n255\n");
             b.resize(b.size() + 16, 1);
             return b;
         }()},
        {"PPM beyond 2^64", [] {
             Bytes b = text("P6\n2147483647 2147483647\n65535\n");
             b.resize(b.size() + 16, 1);
             return b;
         }()},
        {"BMP 2^32 bytes", bmpFile(65536, 65536, 8, 2, Bytes{1, 2, 3, 4})},
        {"BMP 32 bits of 2^31 - 1 squared", bmpFile(0x7FFFFFFF, -0x7FFFFFFF, 32, 0, Bytes{1, 2, 3, 4})},
    };
    for (const Case &c : cases) {
        Opened o = open("big.img", c.file);
        EXPECT_EQ(nullptr, o.image) << c.name;
        EXPECT_EQ(RAMIMG_EUNKNOWN_TYPE, o.err) << c.name << ": " << o.stderrText;
    }
    /* The TIFF reader says why. */
    Opened t = open("big.tif", tiffFile(65536, 65536, 1, Bytes{1, 2, 3, 4}));
    EXPECT_EQ(nullptr, t.image);
    EXPECT_EQ("imgTiff - Tiff strip 0 lies outside the file.\n", t.stderrText);
}

/* ---- GPZ data file ------------------------------------------------------ */

TEST_F(ReaderFaults, GpzNamingAFifoIsRefusedWithoutWaiting)
{
    /* Opening a FIFO for reading waits for a writer: the reader must not. */
    std::string fifo = folder + "/pipe";
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    Bytes gpz(2064, 0);
    memcpy(gpz.data(), "GPZ", 3);
    memcpy(gpz.data() + 8, "pipe", 4);
    le32(gpz, 180, 4);
    le32(gpz, 184, 2);
    le32(gpz, 188, 1);
    le32(gpz, 192, 1);
    std::string path = folder + "/a.gpz";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ((ssize_t)gpz.size(), write(fd, gpz.data(), gpz.size()));
    ImageHead head;
    initImageHead(&head);
    EXPECT_EQ(-1, gpzReadHead(fd, path.c_str(), &head, NULL));
    close(fd);
    EXPECT_EQ("GPZ data file " + fifo + " does not hold 4 x 2 x 1 pixels.\n", console.takeStderr());
}

/* ---- Headers cut off ----------------------------------------------------- */

TEST_F(ReaderFaults, EveryHeaderCutOffAtEveryByteIsRefused)
{
    struct Case {
        const char *name;
        Bytes file;
        size_t headerBytes;
    } cases[] = {
        {"PPM", [] {
             Bytes b = text("P6\n2 2\n255\n");
             b.resize(b.size() + 12, 3);
             return b;
         }(), 11},
        {"BMP", bmpFile(2, 2, 8, 2, Bytes{1, 0, 0, 0, 0, 1, 0, 0}), 14 + 40 + 8},
        {"GIF", gifFile(2, 2, 0, 0, 2, 2, 2, Bytes{1, 2, 3, 0}), 13 + 12},
        {"TIFF", tiffFile(2, 2, 1, Bytes{0, 1, 2, 3}), 8 + 2 + 8 * 12 + 4},
        {"IMAGEDEF", imagedefFile(3, 1, 2, 2, 4), 1152},
    };
    for (const Case &c : cases) {
        Opened whole = open("whole", c.file);
        ASSERT_NE(nullptr, whole.image) << c.name << ": " << whole.stderrText;
        for (size_t length = 0; length < c.headerBytes; length++) {
            Opened o = open("cut", Bytes(c.file.begin(), c.file.begin() + (long)length));
            EXPECT_EQ(nullptr, o.image) << c.name << " cut at " << length;
            EXPECT_TRUE(o.err == RAMIMG_EUNKNOWN_TYPE || o.err == RAMIMG_EUNHANDLED)
                << c.name << " cut at " << length << ": " << o.err;
        }
    }
}

TEST_F(ReaderFaults, GifCutOffInsideItsImageOpensBlankOrWithTheRowsThatCame)
{
    /* 25 bytes of screen and palette, the image descriptor (10), the code
     * size (1), one block (1 + 3), its terminator and the trailer. The
     * first image is decoded by the open: data that end early open with
     * the rows that came; a descriptor cut short refuses the open. */
    Bytes file = gifFile(2, 2, 0, 0, 2, 2, 2, Bytes{1, 2, 3, 0});
    ASSERT_EQ(42u, file.size());
    const std::string eof = "Unexpected GIF EOF\n";
    for (size_t length = 25; length < file.size(); length++) {
        Opened o = open("cut.gif", Bytes(file.begin(), file.begin() + (long)length));
        std::string expected = length == 25   ? "Error in read GIF Introducer\n" + eof
                               : length < 36  ? "    Error in getGIFImgDes\n"
                               : length == 36 ? "Error in read GIF Block Size.\n" + eof
                               : length < 40  ? "Error in read GIF Block Data.\n" + eof
                                              : eof;
        if (length > 25 && length < 36) {
            EXPECT_EQ(nullptr, o.image) << length;
            EXPECT_EQ(RAMIMG_EUNHANDLED, o.err) << length;
            EXPECT_EQ(expected, o.stderrText) << length;
            continue;
        }
        ASSERT_NE(nullptr, o.image) << length;
        Bytes rows = row(o.image, 0);
        Bytes second = row(o.image, 1);
        rows.insert(rows.end(), second.begin(), second.end());
        EXPECT_EQ(expected, o.stderrText + console.takeStderr()) << length;
        EXPECT_EQ(length < 40 ? (Bytes{0, 0, 0, 0}) : (Bytes{1, 2, 3, 0}), rows) << length;
    }
}

}  // namespace
