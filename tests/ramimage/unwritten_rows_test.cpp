/*
 * unwritten_rows_test.cpp --
 *
 *	New files larger than their row cache: rows never written read as
 *	zero without a file read (the cache keeps where the written rows end),
 *	written rows come back from the file once their slots were reused, and
 *	the cache block stays the size it was given. A whole band row of a
 *	new interleaved file is taken without reading the row, and its
 *	other bands still come back as written or zero. New JPEG files hold their
 *	blank rows without decoding them, and a JPEG cache that a decoder fills
 *	is cleared only where a failed decode did not reach.
 */
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "registry_fixtures.h"
#include "ramimage/cache_block.h"
#include "ramimage/formats/jpeg.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

namespace {

using registry_fixtures::templateHead;

unsigned char valueAt(int c, int r, int b)
{
    return (unsigned char)((c * 3 + r * 7 + b * 11) % 250 + 1);
}

std::vector<unsigned char> rowOf(int columns, int r, int b)
{
    std::vector<unsigned char> row((size_t)columns);
    for (int c = 0; c < columns; c++) {
        row[(size_t)c] = valueAt(c, r, b);
    }
    return row;
}

class UnwrittenRows : public registry_fixtures::RegistryTest {
protected:
    RAMIMG *create(const char *name, int imgid, int rows, int columns, int nbands)
    {
        ImageHead head = templateHead(imgid, PIXEL_BYTE, rows, columns, nbands);
        snprintf(head.file, sizeof head.file, "%s", path(name).c_str());
        int err = 0;
        RAMIMG *image = openRAMImageNew(&head, NULL, 0, &err);
        EXPECT_NE(image, nullptr) << name << " " << err;
        return image;
    }

    std::vector<unsigned char> read(RAMIMG *image, int r, int b)
    {
        std::vector<unsigned char> row((size_t)image->head.columns, 0xEE);
        getRowByte(image, r, 0, image->head.columns, b, row.data());
        return row;
    }
};

struct LayoutCase {
    const char *name;
    int imgid;
    int nbands;
};

TEST_F(UnwrittenRows, NeverWrittenRowsReadZeroAndWrittenOnesComeBackFromTheFile)
{
    const LayoutCase cases[] = {
        {"new.ppm", IMGID_PPM, 3}, {"new.bip", IMGID_BIP, 3}, {"new.bmp", IMGID_DIB, 3},
        {"grey.bmp", IMGID_DIB, 1}, {"grey.ppm", IMGID_PPM, 1}, {"new.tif", IMGID_TIFF, 3},
        {"grey.tif", IMGID_TIFF, 1},
    };
    const int rows = 600, columns = 50;
    const std::vector<unsigned char> zero((size_t)columns, 0);
    for (const LayoutCase &c : cases) {
        SCOPED_TRACE(c.name);
        RAMIMG *image = create(c.name, c.imgid, rows, columns, c.nbands);
        ASSERT_NE(image, nullptr);
        /* A cache of 10 rows per band for a file of 600: it stays that. */
        ASSERT_EQ(10, setRAMImageBuf(image, 10));
        EXPECT_EQ(0, cacheTrailer(image)->unwrittenFrom);

        for (int r : {500, 10, 400}) {
            for (int b = 0; b < c.nbands; b++) {
                std::vector<unsigned char> row = rowOf(columns, r, b);
                ASSERT_EQ(columns, putRowByte(image, r, 0, columns, b, row.data()));
            }
        }
        for (int r = 0; r < rows; r += 37) {        /* reuses every slot */
            EXPECT_EQ(zero, read(image, r == 10 ? 11 : r, c.nbands - 1)) << r;
        }
        EXPECT_EQ(rowOf(columns, 500, 0), read(image, 500, 0));
        EXPECT_EQ(rowOf(columns, 10, c.nbands - 1), read(image, 10, c.nbands - 1));
        ASSERT_EQ(1, flushRamImage(image));
        EXPECT_EQ(501, cacheTrailer(image)->unwrittenFrom);

        /* Emptied, every row comes from the file or, past row 500, is zero. */
        invalidateRowCache(image);
        EXPECT_EQ(rowOf(columns, 400, 0), read(image, 400, 0));
        EXPECT_EQ(zero, read(image, 300, 0));
        EXPECT_EQ(rowOf(columns, 10, 0), read(image, 10, 0));
        EXPECT_EQ(zero, read(image, 599, c.nbands - 1));
        EXPECT_EQ(rowOf(columns, 500, c.nbands - 1), read(image, 500, c.nbands - 1));
        EXPECT_EQ(10, image->rowsPerBand);
        EXPECT_EQ(10 * c.nbands, image->slots);
        closeRAMImage(image, NULL);
        if (c.imgid == IMGID_BIP) {
            continue;                   /* a headerless file is not opened by its name */
        }

        /* Opened again, the file holds exactly what was written. */
        int err = 0;
        RAMIMG *again = openRAMImage(NULL, path(c.name).c_str(), NULL, NULL, &err);
        ASSERT_NE(again, nullptr) << err;
        EXPECT_EQ(again->head.rows, cacheTrailer(again)->unwrittenFrom);
        EXPECT_EQ(rowOf(columns, 10, c.nbands - 1), read(again, 10, c.nbands - 1));
        EXPECT_EQ(zero, read(again, 11, 0));
        EXPECT_EQ(rowOf(columns, 500, 0), read(again, 500, 0));
        closeRAMImage(again, NULL);
    }
}

TEST_F(UnwrittenRows, AWholeBandRowOfANewFileKeepsTheOtherBandsOfItsRow)
{
    const LayoutCase cases[] = {
        {"new.ppm", IMGID_PPM, 3}, {"new.bip", IMGID_BIP, 3}, {"new.bmp", IMGID_DIB, 3},
        {"grey.bmp", IMGID_DIB, 1},
    };
    const int rows = 300, columns = 37;
    const std::vector<unsigned char> zero((size_t)columns, 0);
    for (const LayoutCase &c : cases) {
        SCOPED_TRACE(c.name);
        RAMIMG *image = create(c.name, c.imgid, rows, columns, c.nbands);
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(4, setRAMImageBuf(image, 4));
        int last = c.nbands - 1;
        /* What each (row, band) should hold; empty for zero. */
        std::vector<std::vector<std::vector<unsigned char>>> want(
            (size_t)rows, std::vector<std::vector<unsigned char>>((size_t)c.nbands, zero));
        auto put = [&](int r, int b, int col, int n, int salt) {
            std::vector<unsigned char> row = rowOf(columns, r + salt, b);
            ASSERT_EQ(n, putRowByte(image, r, col, n, b, row.data() + col));
            std::copy(row.begin() + col, row.begin() + col + n,
                      want[(size_t)r][(size_t)b].begin() + col);
        };
        put(100, last, 0, columns, 0);                  /* one band alone */
        put(200, 0, 0, columns, 0);                     /* written back, then another band */
        for (int r = 201; r < 220; r++) {
            read(image, r, 0);
        }
        put(200, last, 0, columns, 3);
        put(250, last, 5, 20, 0);                       /* part of a band, then a whole one */
        put(250, 0, 0, columns, 0);
        put(260, 0, 0, columns, 0);                     /* a band written twice */
        put(260, 0, 0, columns, 9);

        auto check = [&](RAMIMG *from) {
            for (int r : {99, 100, 101, 200, 250, 260, 299}) {
                for (int b = 0; b < c.nbands; b++) {
                    std::vector<unsigned char> got((size_t)columns, 0xEE);
                    getRowByte(from, r, 0, columns, b, got.data());
                    EXPECT_EQ(want[(size_t)r][(size_t)b], got) << "row " << r << " band " << b;
                }
            }
        };
        check(image);
        ASSERT_EQ(1, flushRamImage(image));
        invalidateRowCache(image);
        check(image);
        closeRAMImage(image, NULL);
        if (c.imgid == IMGID_BIP) {
            continue;                   /* a headerless file is not opened by its name */
        }
        int err = 0;
        RAMIMG *again = openRAMImage(NULL, path(c.name).c_str(), NULL, NULL, &err);
        ASSERT_NE(again, nullptr) << err;
        check(again);
        closeRAMImage(again, NULL);
    }
}

TEST_F(UnwrittenRows, ANewJpegHoldsItsBlankRowsWithoutDecodingThem)
{
    for (int nbands : {1, 3}) {
        SCOPED_TRACE(nbands);
        const char *name = nbands == 1 ? "grey.jpg" : "rgb.jpg";
        RAMIMG *image = create(name, IMGID_JPEG, 24, 40, nbands);
        ASSERT_NE(image, nullptr);
        int64_t all = (int64_t)image->head.rows * image->head.nbands;
        ASSERT_GE(image->slots, all);
        EXPECT_EQ(1, cacheTrailer(image)->blankRows);
        std::vector<unsigned char> zero((size_t)image->head.columns, 0);
        for (int r = 0; r < image->head.rows; r++) {
            for (int b = 0; b < nbands; b++) {
                ASSERT_EQ(zero, read(image, r, b)) << r << " " << b;
            }
        }
        /* Nothing was decoded: the rest of the block was never filled. */
        EXPECT_EQ(1, cacheTrailer(image)->uncleared);

        /* What the blank file decodes to is what the rows read. */
        size_t bytes = (size_t)all * (size_t)image->rowBytes;
        std::vector<unsigned char> decoded(bytes, 0xEE);
        ASSERT_EQ(1, readJpegFile(image->fd, decoded.data(), image->rowBytes, image->head.rows,
                                  image->head.nbands, NULL, 0));
        EXPECT_EQ(std::vector<unsigned char>(bytes, 0), decoded);

        /* The top 16 rows written grey: saved, the rows below stay blank. */
        for (int r = 0; r < 16; r++) {
            for (int b = 0; b < nbands; b++) {
                std::vector<unsigned char> row((size_t)image->head.columns, 160);
                putRowByte(image, r, 0, image->head.columns, b, row.data());
            }
        }
        ASSERT_EQ(1, flushRamImage(image));
        EXPECT_EQ(0, cacheTrailer(image)->blankRows);
        EXPECT_NEAR(160, read(image, 4, nbands - 1)[5], 2);
        EXPECT_NEAR(0, read(image, 20, nbands - 1)[5], 2);
        closeRAMImage(image, NULL);
    }
}

TEST_F(UnwrittenRows, AJpegCutShortKeepsItsDecodedRowsAndTheLibrarysGreyAfterThem)
{
    const int rows = 64, columns = 48;
    RAMIMG *image = create("cut.jpg", IMGID_JPEG, rows, columns, 1);
    ASSERT_NE(image, nullptr);
    for (int r = 0; r < rows; r++) {
        std::vector<unsigned char> row = rowOf(columns, r, 0);
        putRowByte(image, r, 0, columns, 0, row.data());
    }
    ASSERT_EQ(1, flushRamImage(image));
    closeRAMImage(image, NULL);
    std::string file = path("cut.jpg");
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    off_t size = lseek(fd, 0, SEEK_END);
    close(fd);
    ASSERT_EQ(0, truncate(file.c_str(), size * 3 / 4));

    int err = 0;
    RAMIMG *cut = openRAMImage(NULL, file.c_str(), NULL, NULL, &err);
    ASSERT_NE(cut, nullptr) << err;
    EXPECT_EQ(1, cacheTrailer(cut)->uncleared);         /* nothing decoded yet */
    std::vector<unsigned char> first = read(cut, 0, 0);
    EXPECT_EQ(0, cacheTrailer(cut)->uncleared);
    EXPECT_NEAR(valueAt(0, 0, 0), first[0], 8);
    EXPECT_EQ(std::vector<unsigned char>((size_t)columns, 128), read(cut, rows - 1, 0));
    closeRAMImage(cut, NULL);
}

}  // namespace
