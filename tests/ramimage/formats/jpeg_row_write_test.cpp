/*
 * jpeg_row_write_test.cpp --
 *
 *	New JPEG files written through a cache window smaller than the
 *	picture: rows written in order are encoded as they leave the window,
 *	into the very bytes the whole-image writer makes; rows written out of
 *	order before anything was encoded give the cache every row and the
 *	same bytes again; an encoded row asked for again is had from the
 *	finished file; the window never grows for an image above the decoding
 *	limit; other decoders read the files.
 */
#include <gtest/gtest.h>

#include <stdlib.h>

#include <functional>
#include <string>
#include <vector>

#include "../registry_fixtures.h"
#include "ramimage/cache_block.h"
#include "ramimage/formats/jpeg.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

namespace {

using registry_fixtures::readFile;
using registry_fixtures::templateHead;
using Bytes = std::vector<unsigned char>;

const int ROWS = 120;
const int COLUMNS = 70;

/* A smooth picture (the compressed values stay close to it): the value of
 * (row, column, band). */
unsigned char pixel(int r, int c, int b)
{
    return (unsigned char)(40 + r / 2 + c + b * 25 + ((r * c) >> 9));
}

Bytes pictureRow(int r, int b)
{
    Bytes row(COLUMNS);
    for (int c = 0; c < COLUMNS; c++) {
        row[(size_t)c] = pixel(r, c, b);
    }
    return row;
}

/* (row, band) pairs in the order a writer puts them. */
using Order = std::vector<std::pair<int, int>>;

Order inRowOrder(int nbands, int rows = ROWS)
{
    Order order;
    for (int r = 0; r < rows; r++) {
        for (int b = 0; b < nbands; b++) {
            order.push_back({r, b});
        }
    }
    return order;
}

class JpegRowWrite : public registry_fixtures::RegistryTest {
protected:
    /* A new JPEG with a window of `window` rows per band (0: every row,
     * the whole-image writer), written in `order`. Returns the image, still
     * open and not flushed. */
    RAMIMG *writeNew(const char *name, int nbands, int window, const Order &order)
    {
        ImageHead head = templateHead(IMGID_JPEG, PIXEL_BYTE, ROWS, COLUMNS, nbands);
        snprintf(head.file, sizeof head.file, "%s", path(name).c_str());
        unlink(head.file);
        int err = 0;
        RAMIMG *image = openRAMImageNew(&head, NULL, 0, &err);
        EXPECT_NE(image, nullptr) << err;
        if (image == NULL) {
            return NULL;
        }
        EXPECT_EQ(window > 0 ? window : ROWS, setRAMImageBuf(image, window > 0 ? window : ROWS));
        for (auto [r, b] : order) {
            Bytes row = pictureRow(r, b);
            EXPECT_EQ(COLUMNS, putRowByte(image, r, 0, COLUMNS, b, row.data()));
        }
        return image;
    }

    /* The file of a new JPEG written in `order`, flushed and closed. */
    Bytes fileOf(const char *name, int nbands, int window, const Order &order,
                 int *rowsPerBand = NULL)
    {
        RAMIMG *image = writeNew(name, nbands, window, order);
        if (image == NULL) {
            return Bytes();
        }
        if (rowsPerBand != NULL) {
            *rowsPerBand = image->rowsPerBand;
        }
        EXPECT_EQ(1, flushRamImage(image));
        closeRAMImage(image, NULL);
        return readFile(path(name));
    }

    /* Band b of row r of the file decoded whole. */
    Bytes decoded(const char *name, int nbands, int r, int b)
    {
        Bytes buffer((size_t)ROWS * nbands * COLUMNS);
        int fd = open(path(name).c_str(), O_RDONLY | O_CLOEXEC);
        EXPECT_EQ(1, readJpegFile(fd, buffer.data(), COLUMNS, ROWS, nbands, NULL, 0));
        close(fd);
        size_t at = ((size_t)r * nbands + b) * COLUMNS;
        return Bytes(buffer.begin() + at, buffer.begin() + at + COLUMNS);
    }

    Bytes read(RAMIMG *image, int r, int b)
    {
        Bytes row(COLUMNS, 0xEE);
        getRowByte(image, r, 0, COLUMNS, b, row.data());
        return row;
    }
};

int largestDifference(const Bytes &a, const Bytes &b)
{
    int most = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); i++) {
        most = std::max(most, abs((int)a[i] - (int)b[i]));
    }
    return most;
}

TEST_F(JpegRowWrite, EveryWritingOrderGivesTheBytesOfTheWholeImageWriter)
{
    struct Case {
        const char *what;
        int nbands;
        std::function<Order(int)> order;
    };
    const Case cases[] = {
        {"rows in order", 3, [](int n) { return inRowOrder(n); }},
        {"grey rows in order", 1, [](int n) { return inRowOrder(n); }},
        {"bands of a row in any order", 3,
         [](int n) {
             Order order;
             for (int r = 0; r < ROWS; r++) {
                 for (int b = n - 1; b >= 0; b--) {
                     order.push_back({r, b});
                 }
             }
             return order;
         }},
        {"rows from the bottom", 3,
         [](int n) {
             Order order = inRowOrder(n);
             std::reverse(order.begin(), order.end());
             return order;
         }},
        {"band after band", 3,
         [](int n) {
             Order order;
             for (int b = 0; b < n; b++) {
                 for (int r = 0; r < ROWS; r++) {
                     order.push_back({r, b});
                 }
             }
             return order;
         }},
        {"rows skipped (never written: zero)", 3,
         [](int n) {
             Order order;
             for (auto pair : inRowOrder(n)) {
                 if (pair.first % 17 != 5 && pair.first < ROWS - 9) {
                     order.push_back(pair);
                 }
             }
             return order;
         }},
        {"rows written twice inside the window", 3,
         [](int n) {
             Order order;
             for (int r = 0; r < ROWS; r++) {
                 for (int b = 0; b < n; b++) {
                     order.push_back({r, b});
                     if (r >= 3) {
                         order.push_back({r - 3, b});
                     }
                 }
             }
             return order;
         }},
        {"a jump back before anything left the window", 3,
         [](int n) {
             Order order = inRowOrder(n, 6);
             order.push_back({1, 2});
             for (auto pair : inRowOrder(n)) {
                 if (pair.first >= 6) {
                     order.push_back(pair);
                 }
             }
             return order;
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Order order = c.order(c.nbands);
        Bytes whole = fileOf("whole.jpg", c.nbands, 0, order);
        int window = 0;
        Bytes rows = fileOf("rows.jpg", c.nbands, 8, order, &window);
        ASSERT_GT(whole.size(), 500u);
        EXPECT_TRUE(whole == rows) << whole.size() << " " << rows.size();
        EXPECT_EQ("", stderrText());
        if (std::string(c.what).find("order") != std::string::npos
            && std::string(c.what).find("jump") == std::string::npos) {
            EXPECT_EQ(8, window);       /* written in order: the window never grew */
        }
    }
}

TEST_F(JpegRowWrite, RowsInTheWindowReadBackAsWrittenAndUnwrittenRowsAsZero)
{
    RAMIMG *image = writeNew("back.jpg", 3, 8, inRowOrder(3, 50));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(pictureRow(49, 1), read(image, 49, 1));
    EXPECT_EQ(pictureRow(43, 2), read(image, 43, 2));
    EXPECT_EQ(Bytes(COLUMNS, 0), read(image, 90, 0));   /* beyond what was written */
    EXPECT_EQ(8, image->rowsPerBand);
    for (auto [r, b] : inRowOrder(3)) {
        if (r >= 50) {
            Bytes row = pictureRow(r, b);
            putRowByte(image, r, 0, COLUMNS, b, row.data());
        }
    }
    ASSERT_EQ(1, flushRamImage(image));
    closeRAMImage(image, NULL);
    EXPECT_TRUE(readFile(path("back.jpg")) == fileOf("whole.jpg", 3, 0, inRowOrder(3)));
}

TEST_F(JpegRowWrite, AnEncodedRowAskedForAgainComesFromTheFinishedFile)
{
    /* Read back: the file is finished with the rows not yet written zero,
     * and the row reads as that file decodes it. */
    RAMIMG *image = writeNew("reread.jpg", 3, 8, inRowOrder(3, 60));
    ASSERT_NE(image, nullptr);
    Bytes again = read(image, 2, 1);
    EXPECT_LE(largestDifference(pictureRow(2, 1), again), 6);
    EXPECT_EQ(decoded("reread.jpg", 3, 2, 1), again);
    EXPECT_LE(largestDifference(Bytes(COLUMNS, 0), decoded("reread.jpg", 3, 100, 0)), 1);
    closeRAMImage(image, NULL);

    /* Rewritten: the finished file is changed as any JPEG, whole. */
    image = writeNew("rewrite.jpg", 3, 8, inRowOrder(3, 60));
    ASSERT_NE(image, nullptr);
    Bytes grey(COLUMNS, 128);
    for (int r = 0; r < 16; r++) {         /* the first row of 16 x 16 blocks */
        for (int b = 0; b < 3; b++) {
            ASSERT_EQ(COLUMNS, putRowByte(image, r, 0, COLUMNS, b, grey.data()));
        }
    }
    for (auto [r, b] : inRowOrder(3)) {
        if (r >= 60) {
            Bytes row = pictureRow(r, b);
            ASSERT_EQ(COLUMNS, putRowByte(image, r, 0, COLUMNS, b, row.data()));
        }
    }
    ASSERT_EQ(1, flushRamImage(image));
    closeRAMImage(image, NULL);
    EXPECT_EQ("", stderrText());
    EXPECT_LE(largestDifference(grey, decoded("rewrite.jpg", 3, 3, 2)), 2);
    /* The rows encoded before were compressed twice. */
    for (int r : {30, 59, 60, 119}) {
        EXPECT_LE(largestDifference(pictureRow(r, 0), decoded("rewrite.jpg", 3, r, 0)), 10) << r;
    }
}

TEST_F(JpegRowWrite, AFlushFinishesTheFileAndLaterRowsChangeItWhole)
{
    RAMIMG *image = writeNew("flushed.jpg", 1, 8, inRowOrder(1, 40));
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(1, flushRamImage(image));
    EXPECT_LE(largestDifference(pictureRow(39, 0), decoded("flushed.jpg", 1, 39, 0)), 6);
    EXPECT_LE(largestDifference(Bytes(COLUMNS, 0), decoded("flushed.jpg", 1, 80, 0)), 1);
    for (int r = 40; r < ROWS; r++) {
        Bytes row = pictureRow(r, 0);
        ASSERT_EQ(COLUMNS, putRowByte(image, r, 0, COLUMNS, 0, row.data()));
    }
    ASSERT_EQ(1, flushRamImage(image));
    closeRAMImage(image, NULL);
    for (int r : {0, 39, 40, 119}) {
        EXPECT_LE(largestDifference(pictureRow(r, 0), decoded("flushed.jpg", 1, r, 0)), 6) << r;
    }
}

TEST_F(JpegRowWrite, AFileThatCannotBeWrittenKeepsTheRowsAndSaysWhy)
{
    /* Rows written in order, none encoded yet (all still in the window),
     * on a descriptor open for reading only: the flush fails as the
     * whole-image writer does. */
    RAMIMG *image = writeNew("locked.jpg", 3, 8, inRowOrder(3, 6));
    ASSERT_NE(image, nullptr);
    Bytes before = readFile(path("locked.jpg"));
    int readOnly = open(path("locked.jpg").c_str(), O_RDONLY | O_CLOEXEC);
    close(image->fd);
    image->fd = readOnly;
    EXPECT_EQ(0, flushRamImage(image));
    EXPECT_NE(std::string::npos, stderrText().find("is open for reading only")) << stderrText();
    EXPECT_EQ(pictureRow(5, 2), read(image, 5, 2));
    EXPECT_EQ(pictureRow(0, 0), read(image, 0, 0));
    EXPECT_TRUE(before == readFile(path("locked.jpg")));
    closeRAMImage(image, NULL);
}

TEST_F(JpegRowWrite, NothingWrittenKeepsTheBlankPicture)
{
    Bytes blank = fileOf("blank.jpg", 3, 8, Order());
    ImageHead head = templateHead(IMGID_JPEG, PIXEL_BYTE, ROWS, COLUMNS, 3);
    snprintf(head.file, sizeof head.file, "%s", path("reference.jpg").c_str());
    ASSERT_EQ(0, createImageFile(&head));
    EXPECT_TRUE(blank == readFile(path("reference.jpg")));
}

TEST_F(JpegRowWrite, AFileCreatedEmptyForItsRowsEndsAsTheBlankOrTheWrittenPicture)
{
    /* A writer of every row has the file created empty (no blank encoded
     * first): the rows written give the bytes they give after the blank,
     * and with none written, or the window made resident, the file still
     * ends as the blank picture, windowed or whole. */
    const struct {
        const char *what;
        int nbands, window;
        bool rows, resident;
    } cases[] = {{"rows, window", 3, 8, true, false}, {"rows, whole", 3, 0, true, false},
                 {"grey rows, window", 1, 8, true, false}, {"none, window", 3, 8, false, false},
                 {"none, whole", 3, 0, false, false}, {"none, grey", 1, 8, false, false},
                 {"none, resident", 3, 8, false, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Order order = c.rows ? inRowOrder(c.nbands) : Order();
        Bytes expected = fileOf("expected.jpg", c.nbands, c.window, order);
        ASSERT_GT(expected.size(), 300u);
        jpegBlankDeferred = true;
        RAMIMG *image = writeNew("deferred.jpg", c.nbands, c.window, Order());
        jpegBlankDeferred = false;
        ASSERT_NE(image, nullptr);
        EXPECT_TRUE(readFile(path("deferred.jpg")).empty()) << "no blank encoded first";
        for (auto [r, b] : order) {
            Bytes row = pictureRow(r, b);
            EXPECT_EQ(COLUMNS, putRowByte(image, r, 0, COLUMNS, b, row.data()));
        }
        if (c.resident) {
            EXPECT_EQ(1, setRAMImageResident(image, 1));
        }
        EXPECT_EQ(1, flushRamImage(image));
        closeRAMImage(image, NULL);
        EXPECT_TRUE(expected == readFile(path("deferred.jpg")));
    }
}

TEST_F(JpegRowWrite, TheBlankPictureHasTheBytesOfZeroRowsEncoded)
{
    /* The blank writer encodes the blocks of a blank picture directly: its
     * bytes must be those of the encoder given zero rows. */
    const struct {
        int rows, columns, nbands;
    } sizes[] = {{1, 1, 1}, {1, 1, 3}, {7, 9, 3}, {16, 16, 3}, {17, 33, 3}, {100, 7, 1},
                 {33, 17, 1}, {250, 301, 3}, {31, 4001, 1}, {15, 15, 3}, {9, 700, 3}};
    for (auto size : sizes) {
        SCOPED_TRACE(std::to_string(size.rows) + " x " + std::to_string(size.columns) + " x "
                     + std::to_string(size.nbands));
        ImageHead head = templateHead(IMGID_JPEG, PIXEL_BYTE, size.rows, size.columns,
                                      size.nbands);
        snprintf(head.imgdes, sizeof head.imgdes, "blank %d", size.rows);
        head.x0 = 10.5;
        head.block = JPEG_DEFAULT_QUALITY;
        int blank = open(path("blank.jpg").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        int plain = open(path("plain.jpg").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_EQ(0, writeJpegBlank(blank, &head));
        Bytes zero((size_t)size.rows * size.nbands * size.columns, 0);
        ASSERT_EQ(1, writeJpegImage(plain, &head, zero.data(), size.columns));
        close(blank);
        close(plain);
        Bytes expected = readFile(path("plain.jpg"));
        ASSERT_GT(expected.size(), 300u);
        EXPECT_TRUE(expected == readFile(path("blank.jpg")));
    }
}

TEST_F(JpegRowWrite, APictureAboveTheDecodingLimitIsWrittenThroughTheWindow)
{
    /* The whole picture would need 25200 bytes: the limit refuses a cache
     * of every row, and rows written in order never need one. */
    Tcl_SetVar2(console, "env", "OVEX_MAX_DECODE", "20000", TCL_GLOBAL_ONLY);
    int window = 0;
    Bytes rows = fileOf("big.jpg", 3, 8, inRowOrder(3), &window);
    Tcl_UnsetVar2(console, "env", "OVEX_MAX_DECODE", TCL_GLOBAL_ONLY);
    EXPECT_EQ(8, window);
    EXPECT_EQ("", stderrText());
    EXPECT_TRUE(rows == fileOf("whole.jpg", 3, 0, inRowOrder(3)));
}

TEST_F(JpegRowWrite, ImageMagickReadsTheRowsEncodedInOrder)
{
    if (system("command -v convert > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "convert (imagemagick) is not installed";
    }
    fileOf("magick.jpg", 1, 8, inRowOrder(1));
    std::string pgm = path("magick.pgm");
    ASSERT_EQ(0, system(("convert '" + path("magick.jpg") + "' '" + pgm + "'").c_str()));
    Bytes bytes = readFile(pgm);
    ASSERT_EQ(0, memcmp(bytes.data(), "P5", 2));
    ASSERT_GT(bytes.size(), (size_t)ROWS * COLUMNS);
    size_t start = bytes.size() - (size_t)ROWS * COLUMNS;     /* after the header */
    for (int r : {0, 64, 119}) {
        Bytes theirs(bytes.begin() + start + r * COLUMNS, bytes.begin() + start + (r + 1) * COLUMNS);
        EXPECT_LE(largestDifference(decoded("magick.jpg", 1, r, 0), theirs), 1) << r;
    }
}

TEST_F(JpegRowWrite, DjpegReadsTheRowsEncodedInOrder)
{
    if (system("command -v djpeg > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "djpeg (libjpeg-turbo-progs) is not installed";
    }
    fileOf("seen.jpg", 3, 8, inRowOrder(3));
    std::string ppm = path("seen.ppm");
    ASSERT_EQ(0, system(("djpeg -pnm -outfile '" + ppm + "' '" + path("seen.jpg") + "'").c_str()));
    Bytes bytes = readFile(ppm);
    const std::string header = "P6\n70 120\n255\n";
    ASSERT_EQ(header.size() + (size_t)ROWS * COLUMNS * 3, bytes.size());
    for (int r : {0, 57, 119}) {
        for (int b = 0; b < 3; b++) {
            Bytes ours = decoded("seen.jpg", 3, r, b);
            for (int c = 0; c < COLUMNS; c++) {
                ASSERT_EQ(ours[(size_t)c],
                          bytes[header.size() + ((size_t)r * COLUMNS + c) * 3 + b])
                    << r << " " << c << " " << b;
            }
        }
    }
}

}  // namespace
