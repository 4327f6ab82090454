/*
 * tiff_window_test.cpp --
 *
 *	TIFF images larger than their row cache. A new file written through a
 *	window of a few rows holds exactly the bytes of one written with every
 *	row cached, whichever order its bands come in, and the window and its
 *	scratch areas keep the size they were given. The rows of a file whose
 *	strips lie out of order, with bytes between them, are read and written
 *	where their strip puts them and the bytes between strips stay; such a
 *	file still reads the same in libtiff and ImageMagick.
 */
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "../registry_fixtures.h"
#include "kit/fixture_kit.h"
#include "ramimage/cache_block.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

namespace {

using registry_fixtures::readFile;
using registry_fixtures::templateHead;
using registry_fixtures::writeFile;
using Bytes = std::vector<unsigned char>;

struct TypeCase {
    int pixel;
    int nbands;
    int width;                      /* bytes per sample */
    int modulus;                    /* values run below it */
};

float sampleValue(int r, int c, int b, int modulus, int salt = 0)
{
    return (float)((r * 131 + c * 7 + b * 17 + salt * 29) % modulus);
}

/* A sample as the file stores it on this (little-endian) host. */
uint32_t storedSample(const Bytes &file, size_t at, const TypeCase &t)
{
    uint32_t v = 0;
    for (int k = t.width - 1; k >= 0; k--) {
        v = (v << 8) | file[at + (size_t)k];
    }
    if (t.pixel == PIXEL_FLOAT) {
        float f;
        memcpy(&f, &v, 4);
        return (uint32_t)f;
    }
    return v;
}

class TiffCacheWindow : public registry_fixtures::RegistryTest {
protected:
    /* A new TIFF of rows x columns written with a cache of `window` rows
     * per band, bands inside rows or rows inside bands. */
    std::string writeNew(const char *name, const TypeCase &t, int rows, int columns, int window,
                         bool bandsInner)
    {
        ImageHead head = templateHead(IMGID_TIFF, t.pixel, rows, columns, t.nbands);
        snprintf(head.file, sizeof head.file, "%s", path(name).c_str());
        int err = 0;
        RAMIMG *image = openRAMImageNew(&head, NULL, 1, &err);
        EXPECT_NE(image, nullptr) << err;
        if (image == NULL) {
            return "";
        }
        EXPECT_EQ(window, setRAMImageBuf(image, window));
        std::vector<float> values((size_t)columns);
        auto put = [&](int r, int b) {
            for (int c = 0; c < columns; c++) {
                values[(size_t)c] = sampleValue(r, c, b, t.modulus);
            }
            putRowFloat(image, r, 0, columns, b, values.data());
        };
        if (bandsInner) {
            for (int r = 0; r < rows; r++)
                for (int b = 0; b < t.nbands; b++) put(r, b);
        } else {
            for (int b = 0; b < t.nbands; b++)
                for (int r = 0; r < rows; r++) put(r, b);
        }
        EXPECT_EQ(1, flushRamImage(image));
        /* The window and its scratch did not grow while the rows went by. */
        EXPECT_EQ(window, image->rowsPerBand);
        EXPECT_EQ(window * t.nbands, image->slots);
        if (window < rows) {
            size_t block = (size_t)image->head.block;
            EXPECT_LE(cacheTrailer(image)->flushBytes, block * (size_t)(window / 2));
            EXPECT_LE(cacheTrailer(image)->readBytes, block * (size_t)(window / 2));
        }
        closeRAMImage(image, NULL);
        return path(name);
    }
};

TEST_F(TiffCacheWindow, AWindowWritesTheBytesOfACacheOfEveryRow)
{
    const TypeCase cases[] = {
        {PIXEL_BYTE, 3, 1, 251},     {PIXEL_BYTE, 1, 1, 251},   {PIXEL_BYTE, 4, 1, 251},
        {PIXEL_BYTE, 5, 1, 251},     {PIXEL_USHORT, 3, 2, 65521}, {PIXEL_FLOAT, 2, 4, 65521},
    };
    const int rows = 700, columns = 211;
    for (const TypeCase &t : cases) {
        for (bool bandsInner : {true, false}) {
            SCOPED_TRACE(std::to_string(t.pixel) + " x" + std::to_string(t.nbands)
                         + (bandsInner ? " bands inner" : " rows inner"));
            Bytes whole = readFile(writeNew("whole.tif", t, rows, columns, rows, bandsInner));
            Bytes window = readFile(writeNew("window.tif", t, rows, columns, 8, bandsInner));
            ASSERT_EQ(whole, window);
            /* One strip from byte 8: every sample where it belongs. */
            size_t block = (size_t)columns * t.nbands * t.width;
            ASSERT_GE(window.size(), 8 + block * rows);
            for (int r = 0; r < rows; r++) {
                for (int c = 0; c < columns; c++) {
                    for (int b = 0; b < t.nbands; b++) {
                        size_t at = 8 + block * r + ((size_t)c * t.nbands + b) * t.width;
                        ASSERT_EQ((uint32_t)sampleValue(r, c, b, t.modulus),
                                  storedSample(window, at, t))
                            << r << "," << c << "," << b;
                    }
                }
            }
        }
    }
}

/* ---- A file whose strips lie last first, with bytes between them ---------- */

const int STRIP_ROWS = 5, ROWS = 23, COLUMNS = 10, BANDS = 3;
const unsigned char BETWEEN = 0xEE;

void putLe(Bytes &b, size_t at, int width, uint32_t v)
{
    for (int i = 0; i < width; i++) {
        b[at + (size_t)i] = (unsigned char)(v >> (8 * i));
    }
}

unsigned char patternA(int r, int c, int b) { return (unsigned char)(r * 9 + c * 3 + b + 1); }
unsigned char patternB(int r, int c, int b) { return (unsigned char)(200 - r * 5 - c - b * 7); }

/* Little-endian RGB file of ROWS x COLUMNS in strips of STRIP_ROWS rows,
 * strip k stored before strip k - 1, 7 bytes BETWEEN after each strip. */
Bytes scatteredStrips(std::vector<size_t> *stripAt)
{
    const int strips = (ROWS + STRIP_ROWS - 1) / STRIP_ROWS;
    const size_t rowBytes = (size_t)COLUMNS * BANDS;
    Bytes f(8, 0);
    f[0] = f[1] = 'I';
    putLe(f, 2, 2, 42);
    stripAt->assign((size_t)strips, 0);
    std::vector<uint32_t> counts((size_t)strips);
    for (int k = strips - 1; k >= 0; k--) {
        int first = k * STRIP_ROWS, n = std::min(STRIP_ROWS, ROWS - first);
        (*stripAt)[(size_t)k] = f.size();
        counts[(size_t)k] = (uint32_t)(n * rowBytes);
        for (int r = first; r < first + n; r++)
            for (int c = 0; c < COLUMNS; c++)
                for (int b = 0; b < BANDS; b++) f.push_back(patternA(r, c, b));
        f.insert(f.end(), 7, BETWEEN);
    }
    if (f.size() & 1) {
        f.push_back(BETWEEN);
    }
    size_t offsets = f.size(), countsAt = offsets + 4 * strips, bitsAt = countsAt + 4 * strips;
    f.resize(bitsAt + 6, 0);
    for (int k = 0; k < strips; k++) {
        putLe(f, offsets + 4 * k, 4, (uint32_t)(*stripAt)[(size_t)k]);
        putLe(f, countsAt + 4 * k, 4, counts[(size_t)k]);
    }
    for (int b = 0; b < BANDS; b++) {
        putLe(f, bitsAt + 2 * b, 2, 8);
    }
    struct Entry { int tag, type; uint32_t count, value; } entries[] = {
        {256, 3, 1, COLUMNS}, {257, 3, 1, ROWS}, {258, 3, BANDS, (uint32_t)bitsAt},
        {259, 3, 1, 1}, {262, 3, 1, 2}, {273, 4, (uint32_t)strips, (uint32_t)offsets},
        {277, 3, 1, BANDS}, {278, 3, 1, STRIP_ROWS}, {279, 4, (uint32_t)strips, (uint32_t)countsAt},
        {284, 3, 1, 1},
    };
    size_t dir = f.size();
    putLe(f, 4, 4, (uint32_t)dir);
    f.resize(dir + 2 + 12 * (sizeof entries / sizeof entries[0]) + 4, 0);
    putLe(f, dir, 2, sizeof entries / sizeof entries[0]);
    size_t at = dir + 2;
    for (const Entry &e : entries) {
        putLe(f, at, 2, (uint32_t)e.tag);
        putLe(f, at + 2, 2, (uint32_t)e.type);
        putLe(f, at + 4, 4, e.count);
        putLe(f, at + 8, e.type == 3 && e.count == 1 ? 2 : 4, e.value);
        at += 12;
    }
    return f;
}

TEST_F(TiffCacheWindow, StripsOutOfOrderAreReadAndWrittenWhereTheyLie)
{
    std::vector<size_t> stripAt;
    Bytes original = scatteredStrips(&stripAt);
    std::string file = path("scattered.tif");
    ASSERT_TRUE(writeFile(file, original));
    int err = 0;
    RAMIMG *image = openRAMImage(NULL, file.c_str(), NULL, NULL, &err);
    ASSERT_NE(image, nullptr) << err;
    /* 12 rows: reads and joined writes would run across strip ends. */
    ASSERT_EQ(12, setRAMImageBuf(image, 12));
    Bytes row((size_t)COLUMNS);
    for (int r = 0; r < ROWS; r++) {
        for (int b = 0; b < BANDS; b++) {
            getRowByte(image, r, 0, COLUMNS, b, row.data());
            for (int c = 0; c < COLUMNS; c++) {
                ASSERT_EQ(patternA(r, c, b), row[(size_t)c]) << r << "," << c << "," << b;
            }
        }
    }
    for (int r = 0; r < ROWS; r++) {
        for (int b = 0; b < BANDS; b++) {
            for (int c = 0; c < COLUMNS; c++) {
                row[(size_t)c] = patternB(r, c, b);
            }
            putRowByte(image, r, 0, COLUMNS, b, row.data());
        }
    }
    ASSERT_EQ(1, flushRamImage(image));
    EXPECT_EQ(12, image->rowsPerBand);
    closeRAMImage(image, NULL);

    /* Each row in its strip; every other byte as it was. */
    Bytes expected = original;
    for (int r = 0; r < ROWS; r++) {
        size_t at = stripAt[(size_t)(r / STRIP_ROWS)] + (size_t)(r % STRIP_ROWS) * COLUMNS * BANDS;
        for (int c = 0; c < COLUMNS; c++)
            for (int b = 0; b < BANDS; b++) expected[at + (size_t)c * BANDS + b] = patternB(r, c, b);
    }
    Bytes written = readFile(file);
    ASSERT_EQ(expected.size(), written.size());
    for (size_t i = 0; i < expected.size(); i++) {
        ASSERT_EQ(expected[i], written[i]) << "byte " << i;
    }

    if (!fixture::haveTool("tiffinfo") || !fixture::haveTool("convert")) {
        GTEST_SKIP() << "libtiff-tools or ImageMagick not installed: cross-tool check skipped";
    }
    std::string info = fixture::commandOutput("tiffinfo '" + file + "' 2>&1");
    EXPECT_EQ(std::string::npos, info.find("rror")) << info;
    EXPECT_NE(std::string::npos, info.find("Rows/Strip: 5")) << info;
    std::string pixels = fixture::commandOutput("convert '" + file + "' -depth 8 rgb:- 2>/dev/null");
    ASSERT_EQ((size_t)ROWS * COLUMNS * BANDS, pixels.size());
    for (int r = 0; r < ROWS; r++)
        for (int c = 0; c < COLUMNS; c++)
            for (int b = 0; b < BANDS; b++)
                ASSERT_EQ(patternB(r, c, b),
                          (unsigned char)pixels[((size_t)r * COLUMNS + c) * BANDS + b])
                    << r << "," << c << "," << b;
}

/* A tiled copy (tiffcp) changed band by band through a window of two tile
 * rows: a band row whose other bands left the window is joined with them
 * as the tiles hold them, and ImageMagick reads the changed picture. */
TEST_F(TiffCacheWindow, TilesChangedBandByBandKeepTheOtherBands)
{
    if (!fixture::haveTool("tiffcp") || !fixture::haveTool("convert")) {
        GTEST_SKIP() << "libtiff-tools or ImageMagick not installed: cross-tool check skipped";
    }
    const TypeCase rgb = {PIXEL_BYTE, 3, 1, 251};
    const int rows = 100, columns = 40;
    std::string plain = writeNew("plain.tif", rgb, rows, columns, rows, true);
    std::string tiled = path("tiled.tif");
    ASSERT_TRUE(fixture::runQuietly("tiffcp -t -w 16 -l 16 '" + plain + "' '" + tiled + "'"));
    int err = 0;
    RAMIMG *image = openRAMImage(NULL, tiled.c_str(), NULL, NULL, &err);
    ASSERT_NE(image, nullptr) << err;
    ASSERT_EQ(32, setRAMImageBuf(image, 8));
    Bytes row((size_t)columns);
    for (int b = 0; b < 3; b += 2) {            /* band 1 keeps the first values */
        for (int r = 0; r < rows; r++) {
            for (int c = 0; c < columns; c++) {
                row[(size_t)c] = (unsigned char)sampleValue(r, c, b, 251, 1);
            }
            putRowByte(image, r, 0, columns, b, row.data());
        }
    }
    ASSERT_EQ(1, flushRamImage(image));
    EXPECT_EQ(32, image->rowsPerBand);
    closeRAMImage(image, NULL);

    std::string pixels = fixture::commandOutput("convert '" + tiled + "' -depth 8 rgb:- 2>/dev/null");
    ASSERT_EQ((size_t)rows * columns * 3, pixels.size());
    for (int r = 0; r < rows; r++)
        for (int c = 0; c < columns; c++)
            for (int b = 0; b < 3; b++)
                ASSERT_EQ((unsigned char)sampleValue(r, c, b, 251, b == 1 ? 0 : 1),
                          (unsigned char)pixels[((size_t)r * columns + c) * 3 + b])
                    << r << "," << c << "," << b;
}

}  // namespace
