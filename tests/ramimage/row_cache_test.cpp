#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cache_fixtures.h"
#include "ramimage/format_hooks.h"
#include "ramimage/ramimg.h"
#include "ramimage/tiff_layout.h"

using namespace cache_fixtures;

namespace {

const unsigned char PAD = 0xEE;

/*
 * LayoutFile --
 *	The bytes of a raw image file of a geometry, with every sample given
 *	by a formula and padding bytes PAD, and where each sample lies.
 */
struct LayoutFile {
    Geometry g;
    int rowBytes;
    int block;
    int width;
    std::vector<unsigned char> bytes;

    explicit LayoutFile(const Geometry &geometry, int salt = 0) : g(geometry)
    {
        rowBytes = cachedRowBytes(g.pixel, g.columns);
        width = rowBytes / g.columns;
        int64_t fileRow = g.imgid == IMGID_BIP ? (int64_t)rowBytes * g.nbands : rowBytes;
        block = g.block > 0 ? g.block : (int)fileRow;
        int64_t rowsInFile = g.imgid == IMGID_BIP ? g.rows : (int64_t)g.rows * g.nbands;
        bytes.assign((size_t)(g.offset + rowsInFile * block), PAD);
        for (int r = 0; r < g.rows; r++) {
            for (int b = 0; b < g.nbands; b++) {
                for (int c = 0; c < g.columns; c++) {
                    put(r, b, c, value(r, b, c, salt));
                }
            }
        }
    }
    uint32_t value(int r, int b, int c, int salt) const
    {
        uint32_t v = (uint32_t)(r * 131 + b * 17 + c * 3 + 1 + salt * 7919);
        return width == 1 ? (v & 0xFF) : width == 2 ? (v & 0xFFFF) : v * 2654435761u;
    }
    size_t pos(int r, int b, int c) const
    {
        int64_t at;
        switch (g.imgid) {
        case IMGID_BSQ: at = ((int64_t)b * g.rows + r) * block + (int64_t)c * width; break;
        case IMGID_BIP: at = (int64_t)r * block + ((int64_t)c * g.nbands + b) * width; break;
        default: at = ((int64_t)r * g.nbands + b) * block + (int64_t)c * width; break;
        }
        return (size_t)(g.offset + at);
    }
    void put(int r, int b, int c, uint32_t v)
    {
        size_t at = pos(r, b, c);
        for (int k = 0; k < width; k++) {
            int shift = g.msbf ? 8 * (width - 1 - k) : 8 * k;
            bytes[at + k] = (unsigned char)(v >> shift);
        }
    }
};

uint32_t cachedValue(const unsigned char *row, int c, int width)
{
    uint32_t v = 0;
    if (width == 1) {
        v = row[c];
    } else if (width == 2) {
        uint16_t s;
        memcpy(&s, row + 2 * c, 2);
        v = s;
    } else {
        memcpy(&v, row + 4 * c, 4);
    }
    return v;
}

void storeValue(unsigned char *row, int c, int width, uint32_t v)
{
    if (width == 1) {
        row[c] = (unsigned char)v;
    } else if (width == 2) {
        uint16_t s = (uint16_t)v;
        memcpy(row + 2 * c, &s, 2);
    } else {
        memcpy(row + 4 * c, &v, 4);
    }
}

/* Accesses every (row, band) in several orders: file order, the other
 * nesting, backwards, and scattered. */
std::vector<std::pair<int, int>> accessOrders(const Geometry &g)
{
    std::vector<std::pair<int, int>> order;
    bool bandOuter = g.imgid == IMGID_BSQ;
    for (int pass = 0; pass < 2; pass++) {
        bool outer = pass == 0 ? bandOuter : !bandOuter;
        if (outer) {
            for (int b = 0; b < g.nbands; b++)
                for (int r = 0; r < g.rows; r++) order.push_back({r, b});
        } else {
            for (int r = 0; r < g.rows; r++)
                for (int b = 0; b < g.nbands; b++) order.push_back({r, b});
        }
    }
    for (int r = g.rows - 1; r >= 0; r--)
        for (int b = g.nbands - 1; b >= 0; b--) order.push_back({r, b});
    unsigned seed = 12345;
    for (int i = 0; i < g.rows * g.nbands; i++) {
        seed = seed * 1103515245u + 12345u;
        order.push_back({(int)((seed >> 8) % g.rows), (int)((seed >> 20) % g.nbands)});
    }
    return order;
}

const Geometry streamingCases[] = {
    /* imgid         pixel          rows cols nb block msbf offset */
    {IMGID_BSQ, PIXEL_BYTE, 50, 9, 1, 0, 0, 0},
    {IMGID_BSQ, PIXEL_SHORT, 40, 6, 3, 0, 1, 0},
    {IMGID_BSQ, PIXEL_BYTE, 33, 9, 2, 13, 0, 5},
    {IMGID_BIL, PIXEL_BYTE, 37, 5, 4, 0, 0, 0},
    {IMGID_BIL, PIXEL_SHORT, 30, 6, 3, 16, 1, 0},
    {IMGID_BIL, PIXEL_LONG, 25, 3, 2, 0, 1, 128},
    {IMGID_BIP, PIXEL_BYTE, 41, 7, 3, 0, 0, 0},
    {IMGID_BIP, PIXEL_USHORT, 29, 4, 2, 0, 1, 64},
    {IMGID_BIP, PIXEL_FLOAT, 23, 5, 3, 0, 1, 0},
};

class StreamingLayouts : public ::testing::TestWithParam<Geometry> {};

TEST_P(StreamingLayouts, EveryAccessOrderReadsTheFileValues)
{
    const Geometry g = GetParam();
    ScratchDir dir{"ovex-cache"};
    LayoutFile file(g);
    writeFile(dir.at("img"), file.bytes);
    CacheImage img(dir.at("img"), {g.imgid, g.pixel, g.rows, g.columns, g.nbands, file.block,
                                     g.msbf, g.offset}, 6);
    ASSERT_EQ(6, img.built);
    for (auto [r, b] : accessOrders(g)) {
        const unsigned char *row = ramRow(img.image, r, b, 1);
        ASSERT_NE(nullptr, row);
        for (int c = 0; c < g.columns; c++) {
            ASSERT_EQ(file.value(r, b, c, 0), cachedValue(row, c, file.width))
                << "row " << r << " band " << b << " column " << c;
        }
    }
}

TEST_P(StreamingLayouts, ChangedRowsReachTheFileAndPaddingIsKept)
{
    const Geometry g = GetParam();
    ScratchDir dir{"ovex-cache"};
    LayoutFile file(g);
    writeFile(dir.at("img"), file.bytes);
    {
        CacheImage img(dir.at("img"), {g.imgid, g.pixel, g.rows, g.columns, g.nbands,
                                         file.block, g.msbf, g.offset}, 6);
        /* Even rows in file order, odd rows backwards. */
        auto store = [&](int r, int b) {
            unsigned char *row = ramRow(img.image, r, b, 1);
            ASSERT_NE(nullptr, row);
            for (int c = 0; c < g.columns; c++) {
                storeValue(row, c, file.width, file.value(r, b, c, 1));
            }
            markRowDirty(img.image, r, b);
        };
        for (auto [r, b] : accessOrders(g)) {
            if (r % 2 == 0) {
                store(r, b);
            }
            if (r == g.rows - 1 && b == g.nbands - 1) {
                break;
            }
        }
        for (int r = g.rows - 1; r >= 0; r--) {
            for (int b = g.nbands - 1; b >= 0; b--) {
                if (r % 2 == 1) {
                    store(r, b);
                }
            }
        }
        EXPECT_EQ(1, flushRamImage(img.image));
        for (int k = 0; k < img.image->slots; k++) {
            EXPECT_FALSE(img.dirty(k)) << "slot " << k;
        }
        /* The cached rows are still in host order after the write-back. */
        for (int r = 0; r < g.rows; r++) {
            for (int b = 0; b < g.nbands; b++) {
                const unsigned char *row = ramRow(img.image, r, b, 1);
                ASSERT_EQ(file.value(r, b, g.columns - 1, 1),
                          cachedValue(row, g.columns - 1, file.width));
            }
        }
    }
    LayoutFile expected(g, 1);
    EXPECT_EQ(expected.bytes, readBytes(dir.at("img")));
}

INSTANTIATE_TEST_SUITE_P(RowCache, StreamingLayouts, ::testing::ValuesIn(streamingCases));

/* ---- The direct mapping -------------------------------------------------- */

class BsqThousandRows : public ::testing::Test {
protected:
    ScratchDir dir{"ovex-cache"};
    std::string path;
    std::vector<unsigned char> original;
    void SetUp() override
    {
        path = dir.at("bsq");
        original.resize(1000 * 100);
        for (size_t i = 0; i < original.size(); i++) {
            original[i] = (unsigned char)(i / 100 * 7 + i % 100);
        }
        writeFile(path, original);
    }
    void changeFileRow(int row, unsigned char value)
    {
        std::vector<unsigned char> bytes = readBytes(path);
        memset(bytes.data() + row * 100, value, 100);
        writeFile(path, bytes);
    }
};

TEST_F(BsqThousandRows, RowsOneWindowApartShareASlotAndAreReadAgain)
{
    CacheImage img(path, {IMGID_BSQ, PIXEL_BYTE, 1000, 100, 1, 0, 0, 0}, 8);
    ASSERT_EQ(8, img.image->rowsPerBand);
    ASSERT_EQ(8, img.image->slots);
    int n = img.image->rowsPerBand;
    EXPECT_EQ(img.slotOf(5, 0), img.slotOf(5 + n, 0));

    EXPECT_EQ(0, memcmp(ramRow(img.image, 5, 0, 1), &original[500], 100));
    changeFileRow(5, 0x5A);                 /* behind the cache's back */
    EXPECT_EQ(0, memcmp(ramRow(img.image, 5, 0, 1), &original[500], 100)) << "a hit reads nothing";
    EXPECT_EQ(0, memcmp(ramRow(img.image, 5 + n, 0, 1), &original[(5 + n) * 100], 100));
    EXPECT_EQ(5 + n, img.image->rowIds[img.slotOf(5, 0)]);
    const unsigned char *again = ramRow(img.image, 5, 0, 1);
    EXPECT_EQ(0x5A, again[0]) << "row 5 was read from the file a second time";
    EXPECT_EQ(0x5A, again[99]);
}

TEST_F(BsqThousandRows, AStoredRowIsWrittenBackBeforeItsSlotIsReused)
{
    CacheImage img(path, {IMGID_BSQ, PIXEL_BYTE, 1000, 100, 1, 0, 0, 0}, 8);
    int n = img.image->rowsPerBand;
    unsigned char *row = ramRow(img.image, 5, 0, 1);
    memset(row, 0xAB, 100);
    markRowDirty(img.image, 5, 0);
    EXPECT_TRUE(img.dirty(img.slotOf(5, 0)));
    EXPECT_EQ(original[500], readBytes(path)[500]) << "not written before the slot is needed";

    ramRow(img.image, 5 + n, 0, 1);
    std::vector<unsigned char> now = readBytes(path);
    EXPECT_EQ(0xAB, now[500]);
    EXPECT_EQ(0xAB, now[599]);
    EXPECT_FALSE(img.dirty(img.slotOf(5, 0)));
}

TEST_F(BsqThousandRows, ReadAheadNeverWritesOrDropsAChangedRow)
{
    CacheImage img(path, {IMGID_BSQ, PIXEL_BYTE, 1000, 100, 1, 0, 0, 0}, 8);
    int n = img.image->rowsPerBand;
    /* Row n + 2 changed in slot 2, then a stream starts at row 0 whose
     * following rows would use slots 1, 2, 3 ... */
    unsigned char *changed = ramRow(img.image, n + 2, 0, 1);
    memset(changed, 0xC3, 100);
    markRowDirty(img.image, n + 2, 0);
    for (int r = 0; r < 2; r++) {
        ASSERT_EQ(0, memcmp(ramRow(img.image, r, 0, 1), &original[r * 100], 100));
    }
    EXPECT_EQ(original[(n + 2) * 100], readBytes(path)[(n + 2) * 100]) << "written back early";
    EXPECT_EQ(n + 2, img.image->rowIds[2]);
    EXPECT_TRUE(img.dirty(2));
    EXPECT_EQ(0xC3, img.image->cacheBlock[2 * 100]);

    /* Dropping the cache drops the change: it never reached the file. */
    invalidateRowCache(img.image);
    EXPECT_EQ(1, flushRamImage(img.image));
    EXPECT_EQ(original, readBytes(path));
    EXPECT_EQ(0, memcmp(ramRow(img.image, n + 2, 0, 1), &original[(n + 2) * 100], 100));
}

TEST_F(BsqThousandRows, LoadZeroClaimsTheSlotWithoutReading)
{
    CacheImage img(path, {IMGID_BSQ, PIXEL_BYTE, 1000, 100, 1, 0, 0, 0}, 8);
    unsigned char *row = ramRow(img.image, 300, 0, 0);
    ASSERT_NE(nullptr, row);
    EXPECT_EQ(0, row[0]) << "a new cache is filled with 0 and nothing was read";
    memset(row, 0x11, 100);
    markRowDirty(img.image, 300, 0);
    EXPECT_EQ(1, flushRamImage(img.image));
    EXPECT_EQ(0x11, readBytes(path)[300 * 100 + 42]);
}

/* ---- Pixel-interleaved and DIB rows ---------------------------------------- */

TEST(RowCacheBip, ReadingOneBandFillsEveryBandAndWriteBackWritesTheWholeRow)
{
    ScratchDir dir{"ovex-cache"};
    Geometry g = {IMGID_BIP, PIXEL_BYTE, 20, 5, 3, 15, 0, 0};
    LayoutFile file(g);
    writeFile(dir.at("bip"), file.bytes);
    CacheImage img(dir.at("bip"), g, 4);

    unsigned char *band0 = ramRow(img.image, 9, 0, 1);
    ASSERT_NE(nullptr, band0);
    for (int b = 0; b < 3; b++) {
        EXPECT_TRUE(img.holds(9, b)) << "band " << b;
        const unsigned char *row = img.image->cacheBlock + (size_t)img.slotOf(9, b) * 5;
        for (int c = 0; c < 5; c++) {
            EXPECT_EQ(file.value(9, b, c, 0), row[c]);
        }
    }
    unsigned char *band1 = ramRow(img.image, 9, 1, 1);
    memset(band1, 0x77, 5);
    for (int b = 0; b < 3; b++) {
        markRowDirty(img.image, 9, b);
    }
    flushCacheRow(img.image, img.slotOf(9, 1));
    for (int b = 0; b < 3; b++) {
        EXPECT_FALSE(img.dirty(img.slotOf(9, b))) << "band " << b;
    }
    std::vector<unsigned char> now = readBytes(dir.at("bip"));
    for (int c = 0; c < 5; c++) {
        EXPECT_EQ(file.value(9, 0, c, 0), now[file.pos(9, 0, c)]);
        EXPECT_EQ(0x77, now[file.pos(9, 1, c)]);
        EXPECT_EQ(file.value(9, 2, c, 0), now[file.pos(9, 2, c)]);
    }
}

TEST(RowCacheDib, RowZeroIsTheLastFileRowAndBandsAreByteInterleaved)
{
    ScratchDir dir{"ovex-cache"};
    const int rows = 4, columns = 5, nbands = 3;
    const int block = ((nbands * columns * 8 + 31) / 32) * 4;     /* 16: one pad byte */
    std::vector<unsigned char> bytes((size_t)(rows * block), PAD);
    for (int r = 0; r < rows; r++) {
        for (int c = 0; c < columns; c++) {
            for (int b = 0; b < nbands; b++) {
                bytes[(size_t)((rows - r - 1) * block + c * nbands + b)] =
                    (unsigned char)(r * 40 + b * 10 + c);
            }
        }
    }
    writeFile(dir.at("dib"), bytes);
    CacheImage img(dir.at("dib"), {IMGID_DIB, PIXEL_BYTE, rows, columns, nbands, block, 0, 0}, 2);
    for (int r = 0; r < rows; r++) {
        for (int b = 0; b < nbands; b++) {
            const unsigned char *row = ramRow(img.image, r, b, 1);
            ASSERT_NE(nullptr, row);
            for (int c = 0; c < columns; c++) {
                EXPECT_EQ(r * 40 + b * 10 + c, row[c]) << r << " " << b << " " << c;
            }
        }
    }
    unsigned char *row = ramRow(img.image, 1, 2, 1);
    memset(row, 0x99, columns);
    markRowDirty(img.image, 1, 2);
    EXPECT_EQ(1, flushRamImage(img.image));
    std::vector<unsigned char> now = readBytes(dir.at("dib"));
    const int fileRow = rows - 1 - 1;
    for (int c = 0; c < columns; c++) {
        EXPECT_EQ(40 + c, now[(size_t)(fileRow * block + c * nbands + 0)]);
        EXPECT_EQ(50 + c, now[(size_t)(fileRow * block + c * nbands + 1)]);
        EXPECT_EQ(0x99, now[(size_t)(fileRow * block + c * nbands + 2)]);
    }
}

TEST(RowCacheDib, OneBandReadsRowBytesBottomUp)
{
    ScratchDir dir{"ovex-cache"};
    std::vector<unsigned char> bytes = {1, 2, 3, PAD, 4, 5, 6, PAD};   /* 2 rows of block 4 */
    writeFile(dir.at("dib"), bytes);
    CacheImage img(dir.at("dib"), {IMGID_DIB, PIXEL_BYTE, 2, 3, 1, 4, 0, 0}, 2);
    EXPECT_EQ(0, memcmp(ramRow(img.image, 0, 0, 1), "\x04\x05\x06", 3));
    EXPECT_EQ(0, memcmp(ramRow(img.image, 1, 0, 1), "\x01\x02\x03", 3));
}

/* ---- Byte order ----------------------------------------------------------- */

TEST(RowCacheByteOrder, ShortMsbfIsHostOrderInTheCacheAndMsbfInTheFile)
{
    ScratchDir dir{"ovex-cache"};
    std::vector<unsigned char> bytes = {0x12, 0x34, 0xFF, 0xFE, 0x00, 0x01,
                                        0x80, 0x00, 0x7F, 0xFF, 0x00, 0x00};
    writeFile(dir.at("short"), bytes);
    CacheImage img(dir.at("short"), {IMGID_BSQ, PIXEL_SHORT, 2, 3, 1, 0, 1, 0}, 2);
    int16_t values[3];
    memcpy(values, ramRow(img.image, 0, 0, 1), sizeof values);
    EXPECT_EQ(0x1234, values[0]);
    EXPECT_EQ(-2, values[1]);
    EXPECT_EQ(1, values[2]);

    int16_t stored[3] = {-32768, 0x0102, 300};
    memcpy(ramRow(img.image, 1, 0, 1), stored, sizeof stored);
    markRowDirty(img.image, 1, 0);
    EXPECT_EQ(1, flushRamImage(img.image));
    std::vector<unsigned char> now = readBytes(dir.at("short"));
    EXPECT_EQ((std::vector<unsigned char>{0x80, 0x00, 0x01, 0x02, 0x01, 0x2C}),
              std::vector<unsigned char>(now.begin() + 6, now.end()));
    memcpy(values, ramRow(img.image, 1, 0, 1), sizeof values);
    EXPECT_EQ(0x0102, values[1]) << "the cached row is back in host order";
}

TEST(RowCacheByteOrder, SwapRowBytesReversesEachValueOfMultiByteTypes)
{
    struct Case {
        int pixel;
        std::vector<unsigned char> in, out;
    } cases[] = {
        {PIXEL_SHORT, {1, 2, 3, 4}, {2, 1, 4, 3}},
        {PIXEL_USHORT, {1, 2, 3, 4}, {2, 1, 4, 3}},
        {PIXEL_LONG, {1, 2, 3, 4, 5, 6, 7, 8}, {4, 3, 2, 1, 8, 7, 6, 5}},
        {PIXEL_FLOAT, {1, 2, 3, 4, 5, 6, 7, 8}, {4, 3, 2, 1, 8, 7, 6, 5}},
        {PIXEL_BYTE, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {PIXEL_ULONG, {1, 2, 3, 4}, {4, 3, 2, 1}},
        {PIXEL_SBYTE, {1, 2, 3, 4}, {1, 2, 3, 4}},
    };
    for (auto &c : cases) {
        std::vector<unsigned char> row = c.in;
        int width = c.pixel == PIXEL_LONG || c.pixel == PIXEL_FLOAT || c.pixel == PIXEL_ULONG ? 4 : 2;
        swapRowBytes(c.pixel, (int)row.size() / width, row.data());
        EXPECT_EQ(c.out, row) << "pixel " << c.pixel;
    }
}

/* ---- Memory images --------------------------------------------------------- */

int loaderCalls = 0;
unsigned char *countingLoader(RAMIMG *image, int row, int band, int load)
{
    loaderCalls++;
    return getRAMImageLine(image, row, band, load);
}

TEST(RowCacheMemory, MbilHoldsEveryRowFromTheStartAndNeverReads)
{
    CacheImage img("", {IMGID_MBIL, PIXEL_BYTE, 10, 4, 3, 0, 0, 0}, 2, O_RDWR, countingLoader);
    ASSERT_EQ(10, img.built) << "a memory image keeps all its rows";
    loaderCalls = 0;
    for (int r = 0; r < 10; r++) {
        for (int b = 0; b < 3; b++) {
            unsigned char *row = ramRow(img.image, r, b, 1);
            ASSERT_EQ(img.image->cacheBlock + (size_t)(r * 3 + b) * 4, row);
            row[0] = (unsigned char)(r * 3 + b);
        }
    }
    EXPECT_EQ(0, loaderCalls);
    /* Emptied slots are claimed again without reading: the pixels stay. */
    markRowDirty(img.image, 4, 1);
    invalidateRowCache(img.image);
    EXPECT_EQ(13, getRAMImageLine(img.image, 4, 1, 1)[0]);
    EXPECT_EQ(1, flushRamImage(img.image));
}

TEST(RowCacheMemory, TransparentIndexFillsANewCache)
{
    Geometry g = {IMGID_MBIL, PIXEL_BYTE, 3, 4, 1, 0, 0, 0};
    CacheImage img("", g, 3);
    img.image->head.transparent = 7;
    ASSERT_EQ(3, setRAMImageBuf(img.image, 3));
    EXPECT_EQ(7, ramRow(img.image, 2, 0, 1)[3]);
}

TEST(RowCacheMemory, MbsqRowsLieBandAfterBand)
{
    CacheImage img("", {IMGID_MBSQ, PIXEL_BYTE, 5, 2, 3, 0, 0, 0}, 1);
    ASSERT_EQ(5, img.built);
    EXPECT_EQ(img.image->cacheBlock + (2 * 5 + 4) * 2, getRAMImageLine(img.image, 4, 2, 1));
}

/* ---- Refusals and failures ---------------------------------------------------- */

TEST(RowCacheFaults, RowsAndBandsOutsideTheImageAreNeverLoaded)
{
    ScratchDir dir{"ovex-cache"};
    writeFile(dir.at("img"), std::vector<unsigned char>(4 * 3 * 2, 1));
    struct Case {
        int imgid;
        const char *path;
    } images[] = {{IMGID_BSQ, "img"}, {IMGID_BIP, "img"}, {IMGID_MBSQ, ""}, {IMGID_MBIL, ""}};
    for (auto &c : images) {
        std::string path = *c.path ? dir.at(c.path) : "";
        CacheImage img(path, {c.imgid, PIXEL_BYTE, 4, 3, 2, 0, 0, 0}, 2);
        int coordinates[][2] = {{-1, 0}, {4, 0}, {0, -1}, {0, 2}, {INT32_MAX, 0}, {0, INT32_MAX}};
        for (auto &rc : coordinates) {
            EXPECT_EQ(nullptr, getRAMImageLine(img.image, rc[0], rc[1], 1))
                << "imgid " << c.imgid << " row " << rc[0] << " band " << rc[1];
        }
        EXPECT_NE(nullptr, getRAMImageLine(img.image, 3, 1, 1));
    }
}

TEST(RowCacheFaults, ARefusedRebuildKeepsTheOldCache)
{
    CacheImage img("", {IMGID_MBIL, PIXEL_BYTE, 10, 8, 2, 0, 0, 0}, 10);
    ramRow(img.image, 3, 1, 1)[5] = 0x42;
    unsigned char *block = img.image->cacheBlock;

    img.image->head.rows = INT32_MAX / 2 + 1;   /* ids would not fit an int */
    EXPECT_EQ(0, setRAMImageBuf(img.image, 10));
    EXPECT_EQ(block, img.image->cacheBlock);
    EXPECT_EQ(20, img.image->slots);
    EXPECT_EQ(10, img.image->rowsPerBand);
#ifndef OVEX_SYSTEM_MALLOC
    img.image->head.rows = 1 << 20;             /* 32 GiB: the allocator refuses */
    img.image->rowBytes = 1 << 14;
    EXPECT_EQ(0, setRAMImageBuf(img.image, 10));
    EXPECT_EQ(block, img.image->cacheBlock);
    EXPECT_EQ(20, img.image->slots);
    img.image->rowBytes = 8;
#endif
    img.image->head.rows = 10;
    EXPECT_EQ(0x42, ramRow(img.image, 3, 1, 1)[5]);
}

TEST(RowCacheFaults, AFailedWriteBackIsReportedOnce)
{
    ScratchDir dir{"ovex-cache"};
    writeFile(dir.at("ro"), std::vector<unsigned char>(20 * 4, 9));
    CacheImage img(dir.at("ro"), {IMGID_BIL, PIXEL_BYTE, 20, 4, 1, 0, 0, 0}, 4, O_RDONLY);
    ASSERT_GE(img.image->fd, 0);
    ramRow(img.image, 1, 0, 1)[0] = 1;
    markRowDirty(img.image, 1, 0);
    EXPECT_EQ(0, flushRamImage(img.image));
    EXPECT_EQ(1, flushRamImage(img.image));

    /* A write-back on a miss fails silently there and is reported by the
     * next flush. */
    ramRow(img.image, 2, 0, 1)[0] = 1;
    markRowDirty(img.image, 2, 0);
    ramRow(img.image, 2 + img.image->rowsPerBand, 0, 1);
    EXPECT_FALSE(img.dirty(img.slotOf(2, 0)));
    EXPECT_EQ(0, flushRamImage(img.image));
    EXPECT_EQ(std::vector<unsigned char>(20 * 4, 9), readBytes(dir.at("ro")));
}

/* ---- Resident images ----------------------------------------------------------- */

TEST(RowCacheResident, AResidentImageHitsEverywhereAndLeavesTheFileAlone)
{
    ScratchDir dir{"ovex-cache"};
    Geometry g = {IMGID_BSQ, PIXEL_BYTE, 30, 6, 2, 0, 0, 0};
    LayoutFile file(g);
    writeFile(dir.at("img"), file.bytes);
    CacheImage img(dir.at("img"), g, 4);
    ASSERT_EQ(8, img.image->slots);

    EXPECT_EQ(1, setRAMImageResident(img.image, 1));
    EXPECT_EQ(-1, img.image->fd);
    EXPECT_EQ(60, img.image->slots);
    for (int r = 0; r < 30; r++) {
        for (int b = 0; b < 2; b++) {
            ASSERT_TRUE(img.holds(r, b)) << r << " " << b;
            EXPECT_EQ(file.value(r, b, 5, 0), ramRow(img.image, r, b, 1)[5]);
        }
    }
    ramRow(img.image, 7, 1, 1)[0] = 0xFF;
    markRowDirty(img.image, 7, 1);
    EXPECT_EQ(1, flushRamImage(img.image));
    EXPECT_EQ(file.bytes, readBytes(dir.at("img")));

    EXPECT_EQ(1, setRAMImageResident(img.image, 0));
    ASSERT_GE(img.image->fd, 0);
    markRowDirty(img.image, 7, 1);
    EXPECT_EQ(1, flushRamImage(img.image));
    EXPECT_EQ(0xFF, readBytes(dir.at("img"))[file.pos(7, 1, 0)]);
}

TEST(RowCacheResident, AMemoryImageHasNoFileToReopen)
{
    CacheImage img("", {IMGID_MBIL, PIXEL_BYTE, 3, 3, 1, 0, 0, 0}, 3);
    EXPECT_EQ(1, setRAMImageResident(img.image, 1));
    EXPECT_EQ(0, setRAMImageResident(img.image, 0));
    EXPECT_EQ(-1, img.image->fd);
}

/* ---- Frames of raw files -------------------------------------------------------- */

TEST(RowCacheFrames, RawFramesFollowEachOther)
{
    ScratchDir dir{"ovex-cache"};
    std::vector<unsigned char> bytes(3 * 4 * 2);     /* 3 frames of 4 rows of 2 bytes */
    for (size_t i = 0; i < bytes.size(); i++) {
        bytes[i] = (unsigned char)(i / 8 + 1);       /* the frame number */
    }
    writeFile(dir.at("frames"), bytes);
    CacheImage img(dir.at("frames"), {IMGID_BSQ, PIXEL_BYTE, 4, 2, 1, 0, 0, 0}, 4);
    img.image->head.frames = 3;
    img.image->frame = 1;

    EXPECT_EQ(1, ramRow(img.image, 2, 0, 1)[0]);
    ramRow(img.image, 2, 0, 1)[0] = 0x10;
    markRowDirty(img.image, 2, 0);
    struct Step {
        int asked, result, frame;
    } steps[] = {{3, 3, 3}, {0, -2, 3}, {9, 3, 3}, {-1, 3, 3}, {1, 1, 1}, {0, 2, 2}};
    for (auto &s : steps) {
        EXPECT_EQ(s.result, seekRamImage(img.image, s.asked)) << "seek " << s.asked;
        EXPECT_EQ(s.frame, img.image->frame);
        EXPECT_EQ(s.frame, ramRow(img.image, 1, 0, 1)[1]);
    }
    EXPECT_EQ(0x10, readBytes(dir.at("frames"))[2 * 2]) << "frame 1's change written first";

    img.image->head.frames = 1;
    EXPECT_EQ(-2, seekRamImage(img.image, 2));
    EXPECT_EQ(1, img.image->frame);
}

/* ---- TIFF strips and tiles ------------------------------------------------------- */

void putLong(std::vector<unsigned char> &bytes, size_t at, uint32_t v, bool msbf)
{
    for (int k = 0; k < 4; k++) {
        bytes[at + k] = (unsigned char)(v >> (msbf ? 8 * (3 - k) : 8 * k));
    }
}

std::vector<unsigned char> packBitsLiteral(const std::vector<unsigned char> &raw)
{
    std::vector<unsigned char> out;
    for (size_t i = 0; i < raw.size();) {
        size_t n = std::min<size_t>(raw.size() - i, 128);
        if (n >= 3 && raw[i] == raw[i + 1] && raw[i] == raw[i + 2]) {
            size_t run = 3;
            while (i + run < raw.size() && run < 128 && raw[i + run] == raw[i]) run++;
            out.push_back((unsigned char)(1 - (int)run));
            out.push_back(raw[i]);
            i += run;
        } else {
            out.push_back((unsigned char)(n - 1));
            out.insert(out.end(), raw.begin() + (long)i, raw.begin() + (long)(i + n));
            i += n;
        }
        out.push_back(0x80);        /* a no-op between runs */
    }
    return out;
}

/* An image of 10 rows of 6 bytes (BYTE, 1 band): row r column c = r * 16 + c. */
unsigned char tiffSample(int r, int c) { return (unsigned char)(r * 16 + c); }

class TiffRows : public ::testing::Test {
protected:
    ScratchDir dir{"ovex-cache"};
    std::vector<unsigned char> file = std::vector<unsigned char>(4096, 0);
    std::unique_ptr<CacheImage> img;

    void open(int64_t dataOffset)
    {
        writeFile(dir.at("tif"), file);
        img.reset(new CacheImage(dir.at("tif"), {IMGID_TIFF, PIXEL_BYTE, 10, 6, 1, 6, 0, 0}, 4));
        img->image->dataOffset = dataOffset;
    }
    std::vector<unsigned char> rowsRead(const TiffLayout &layout, int row, int *first, int *count,
                                        size_t capacity = 60)
    {
        std::vector<unsigned char> rows(capacity, 0xCC), work(4096);
        *first = row;
        if (!readTiffRowsInto(img->image, &layout, first, count, rows.data(), rows.size(),
                              work.data(), work.size())) {
            return {};
        }
        rows.resize((size_t)*count * 6);
        return rows;
    }
    static std::vector<unsigned char> expectedRows(int first, int count)
    {
        std::vector<unsigned char> rows;
        for (int r = first; r < first + count; r++)
            for (int c = 0; c < 6; c++) rows.push_back(tiffSample(r, c));
        return rows;
    }
};

TEST_F(TiffRows, StripsAreFoundThroughTheOffsetsArray)
{
    /* Strips of 4 rows stored last first; offsets array at 16, big-endian. */
    const size_t at[3] = {1000, 600, 200};
    for (int s = 0; s < 3; s++) {
        putLong(file, 16 + 4 * s, (uint32_t)at[s], true);
        for (int r = s * 4; r < std::min(10, s * 4 + 4); r++)
            for (int c = 0; c < 6; c++) file[at[s] + (r - s * 4) * 6 + c] = tiffSample(r, c);
    }
    open(16);
    TiffLayout layout = {0, 0, 3, 4, 0, 1, 1};
    struct Case {
        int row, first, count;
    } cases[] = {{0, 0, 4}, {5, 4, 4}, {9, 8, 2}};
    for (auto &c : cases) {
        int first, count;
        EXPECT_EQ(expectedRows(c.first, c.count), rowsRead(layout, c.row, &first, &count))
            << "row " << c.row;
        EXPECT_EQ(c.first, first);
        EXPECT_EQ(c.count, count);
    }
    /* A short buffer reads from the row asked for. */
    int first, count;
    EXPECT_EQ(expectedRows(6, 2), rowsRead(layout, 6, &first, &count, 12));
    EXPECT_EQ(tiffCacheUnit(img->image), 0) << "no TIFF reader describes the image yet";
}

TEST_F(TiffRows, OneStripIsReadFromTheDataPosition)
{
    for (int r = 0; r < 10; r++)
        for (int c = 0; c < 6; c++) file[300 + r * 6 + c] = tiffSample(r, c);
    open(300);
    TiffLayout layout = {-1, -1, 1, 10, 60, 0, 0};
    int first, count;
    EXPECT_EQ(expectedRows(0, 10), rowsRead(layout, 7, &first, &count));
    EXPECT_EQ(expectedRows(7, 3), rowsRead(layout, 7, &first, &count, 30));
}

TEST_F(TiffRows, TilesAreJoinedAcrossAndCutAtTheRowEnd)
{
    /* Tiles 4 wide and 4 long: 2 across (the second half outside), 3 down. */
    const int across = 2, down = 3;
    for (int t = 0; t < across * down; t++) {
        size_t base = 400 + (size_t)t * 16;
        putLong(file, 40 + 4 * t, (uint32_t)base, false);
        int tileRow = t / across, tileCol = t % across;
        for (int line = 0; line < 4; line++)
            for (int k = 0; k < 4; k++) {
                int r = tileRow * 4 + line, c = tileCol * 4 + k;
                file[base + line * 4 + k] = c < 6 && r < 10 ? tiffSample(r, c) : 0xDD;
            }
    }
    open(40);
    TiffLayout layout = {4, 4, across * down, 0, 0, 1, 0};
    int first, count;
    EXPECT_EQ(expectedRows(4, 4), rowsRead(layout, 6, &first, &count));
    EXPECT_EQ(expectedRows(8, 2), rowsRead(layout, 9, &first, &count));
}

TEST_F(TiffRows, PackBitsStripsAreDecodedFromTheirStart)
{
    std::vector<unsigned char> strips[2];
    for (int r = 0; r < 10; r++)
        for (int c = 0; c < 6; c++) strips[r / 5].push_back(c < 3 ? 0x33 : tiffSample(r, c));
    size_t at = 200;
    for (int s = 0; s < 2; s++) {
        std::vector<unsigned char> packed = packBitsLiteral(strips[s]);
        putLong(file, 16 + 4 * s, (uint32_t)at, false);
        putLong(file, 32 + 4 * s, (uint32_t)packed.size(), false);
        std::copy(packed.begin(), packed.end(), file.begin() + (long)at);
        at += packed.size() + 5;
    }
    open(16);
    TiffLayout layout = {0, 0, 2, 5, 32, TIFF_COMPRESSION_PACKBITS, 0};
    int first, count;
    std::vector<unsigned char> rows = rowsRead(layout, 7, &first, &count);
    EXPECT_EQ(5, first);
    EXPECT_EQ(std::vector<unsigned char>(strips[1].begin(), strips[1].end()), rows);
    rows = rowsRead(layout, 8, &first, &count, 12);
    EXPECT_EQ(8, first);
    EXPECT_EQ(std::vector<unsigned char>(strips[1].begin() + 18, strips[1].end()), rows);
}

TEST(RowCacheTiff, WithoutATiffReaderNothingIsHandled)
{
    ScratchDir dir{"ovex-cache"};
    writeFile(dir.at("tif"), std::vector<unsigned char>(100, 3));
    CacheImage img(dir.at("tif"), {IMGID_TIFF, PIXEL_BYTE, 10, 6, 1, 6, 0, 0}, 4);
    int row = 2, count = 0;
    EXPECT_EQ(nullptr, readTiffStrips(img.image, &row, &count));
    EXPECT_EQ(0, tiffCacheUnit(img.image));
    unsigned char *cached = ramRow(img.image, 2, 0, 1);
    ASSERT_NE(nullptr, cached);
    EXPECT_EQ(0, cached[0]) << "no rows read";
    cached[0] = 9;
    markRowDirty(img.image, 2, 0);
    EXPECT_EQ(1, flushRamImage(img.image));
    EXPECT_EQ(std::vector<unsigned char>(100, 3), readBytes(dir.at("tif")));
}

}  // namespace
