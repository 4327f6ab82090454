/*
 * jpeg_rows_test.cpp --
 *
 *	JPEG files read through a cache window smaller than the picture: rows
 *	decoded in file order into the window, an earlier row decoded again
 *	from the top, the values those of a whole decode, the window never
 *	grown for reading; a write turns the cache into one of every row so
 *	that the file can be written back; a file cut short reads what the
 *	library decodes of it; a damaged scan costs one decode, not one per
 *	row; a progressive file is decoded whole.
 */
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "../registry_fixtures.h"
#include "ramimage/cache_block.h"
#include "ramimage/formats/jpeg.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

namespace {

using registry_fixtures::templateHead;
using Bytes = std::vector<unsigned char>;

class JpegRows : public registry_fixtures::RegistryTest {
protected:
    /* A JPEG of rows x columns x nbands with a busy pattern, written by the
     * library itself. */
    std::string makeJpeg(const char *name, int rows, int columns, int nbands)
    {
        ImageHead head = templateHead(IMGID_JPEG, PIXEL_BYTE, rows, columns, nbands);
        snprintf(head.file, sizeof head.file, "%s", path(name).c_str());
        int err = 0;
        RAMIMG *image = openRAMImageNew(&head, NULL, 0, &err);
        EXPECT_NE(image, nullptr) << err;
        Bytes row((size_t)columns);
        for (int r = 0; r < rows; r++) {
            for (int b = 0; b < nbands; b++) {
                for (int c = 0; c < columns; c++) {
                    row[(size_t)c] = (unsigned char)((c * 5 + r * 3 + b * 40) & 255);
                }
                putRowByte(image, r, 0, columns, b, row.data());
            }
        }
        EXPECT_EQ(1, flushRamImage(image));
        closeRAMImage(image, NULL);
        return path(name);
    }

    RAMIMG *openFile(const std::string &file)
    {
        int err = 0;
        RAMIMG *image = openRAMImage(NULL, file.c_str(), NULL, NULL, &err);
        EXPECT_NE(image, nullptr) << err;
        return image;
    }

    /* Every band row of the whole decode, band b of row r at r x nbands + b. */
    std::vector<Bytes> wholeDecode(RAMIMG *image)
    {
        size_t rowBytes = (size_t)image->rowBytes;
        int64_t all = (int64_t)image->head.rows * image->head.nbands;
        Bytes buffer((size_t)all * rowBytes);
        EXPECT_EQ(1, readJpegFile(image->fd, buffer.data(), image->rowBytes, image->head.rows,
                                  image->head.nbands, NULL, 0));
        std::vector<Bytes> out;
        for (int64_t k = 0; k < all; k++) {
            out.push_back(Bytes(buffer.begin() + k * rowBytes,
                                buffer.begin() + k * rowBytes + image->head.columns));
        }
        return out;
    }

    Bytes read(RAMIMG *image, int r, int b)
    {
        Bytes row((size_t)image->head.columns, 0xEE);
        getRowByte(image, r, 0, image->head.columns, b, row.data());
        return row;
    }
};

TEST_F(JpegRows, AWindowReadsTheValuesOfAWholeDecodeInAnyOrder)
{
    for (int nbands : {1, 3}) {
        SCOPED_TRACE(nbands);
        std::string file = makeJpeg(nbands == 1 ? "grey.jpg" : "rgb.jpg", 300, 70, nbands);
        RAMIMG *image = openFile(file);
        ASSERT_NE(image, nullptr);
        std::vector<Bytes> whole = wholeDecode(image);
        ASSERT_EQ(8, setRAMImageBuf(image, 8));
        /* Forward, then back to earlier rows (decoded again from the top),
         * then jumps, each band. */
        const int order[] = {0, 1, 2, 150, 151, 299, 3, 149, 7, 298, 0, 200, 100};
        for (int r : order) {
            for (int b = nbands - 1; b >= 0; b--) {
                ASSERT_EQ(whole[(size_t)r * nbands + b], read(image, r, b)) << r << " " << b;
            }
        }
        for (int r = 0; r < 300; r++) {
            ASSERT_EQ(whole[(size_t)r * nbands], read(image, r, 0)) << r;
        }
        /* The window was never grown: memory stays that of 8 rows. */
        EXPECT_EQ(8, image->rowsPerBand);
        EXPECT_EQ(8 * nbands, image->slots);
        closeRAMImage(image, NULL);
    }
}

TEST_F(JpegRows, AWriteGivesTheCacheEveryRowAndTheFileIsWrittenBack)
{
    std::string file = makeJpeg("edit.jpg", 96, 64, 3);
    RAMIMG *image = openFile(file);
    ASSERT_NE(image, nullptr);
    std::vector<Bytes> before = wholeDecode(image);
    ASSERT_EQ(8, setRAMImageBuf(image, 8));
    EXPECT_EQ(before[3 * 50 + 1], read(image, 50, 1));
    Bytes grey(64, 128);
    for (int r = 0; r < 16; r++) {
        for (int b = 0; b < 3; b++) {
            ASSERT_EQ(64, putRowByte(image, r, 0, 64, b, grey.data()));
        }
    }
    EXPECT_EQ(96, image->rowsPerBand);
    ASSERT_EQ(1, flushRamImage(image));
    closeRAMImage(image, NULL);

    RAMIMG *again = openFile(file);
    ASSERT_NE(again, nullptr);
    std::vector<Bytes> after = wholeDecode(again);
    EXPECT_NEAR(128, after[3 * 4 + 2][10], 2);
    /* The rows not written kept their picture (once more compressed). */
    int difference = 0;
    for (int c = 0; c < 64; c++) {
        difference += abs((int)after[3 * 60][(size_t)c] - (int)before[3 * 60][(size_t)c]);
    }
    EXPECT_LE(difference, 64 * 4);
    closeRAMImage(again, NULL);
}

TEST_F(JpegRows, AFileCutShortReadsWhatTheLibraryDecodesThroughAWindow)
{
    std::string file = makeJpeg("cut.jpg", 200, 64, 1);
    RAMIMG *whole = openFile(file);
    ASSERT_NE(whole, nullptr);
    std::vector<Bytes> full = wholeDecode(whole);
    closeRAMImage(whole, NULL);
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    off_t size = lseek(fd, 0, SEEK_END);
    close(fd);
    ASSERT_EQ(0, truncate(file.c_str(), size / 2));

    /* The rows before the cut are the picture's, those after it the
     * library's grey: the same through a window as in a whole decode. */
    RAMIMG *image = openFile(file);
    ASSERT_NE(image, nullptr);
    std::vector<Bytes> cut = wholeDecode(image);
    EXPECT_EQ(full[0], cut[0]);
    EXPECT_EQ(Bytes(64, 128), cut[199]);
    ASSERT_EQ(8, setRAMImageBuf(image, 8));
    EXPECT_EQ(full[0], read(image, 0, 0));
    EXPECT_EQ(cut[199], read(image, 199, 0));
    EXPECT_EQ(cut[1], read(image, 1, 0));               /* from the top again */
    EXPECT_NE(std::string::npos, stderrText().find("Premature end of JPEG file"))
        << stderrText();
    closeRAMImage(image, NULL);
}

/* A JPEG of three components, each in a scan of its own, whose last scan
 * names a component the frame does not have. */
Bytes jpegWithABadLastScan(int rows, int columns)
{
    struct jpeg_compress_struct cinfo;
    struct jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char *out = NULL;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = (JDIMENSION)columns;
    cinfo.image_height = (JDIMENSION)rows;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    static jpeg_scan_info scans[3];
    for (int k = 0; k < 3; k++) {
        scans[k].comps_in_scan = 1;
        scans[k].component_index[0] = k;
        scans[k].Ss = 0;
        scans[k].Se = 63;
        scans[k].Ah = 0;
        scans[k].Al = 0;
    }
    cinfo.scan_info = scans;
    cinfo.num_scans = 3;
    jpeg_start_compress(&cinfo, TRUE);
    Bytes line((size_t)columns * 3);
    for (int r = 0; r < rows; r++) {
        for (size_t i = 0; i < line.size(); i++) {
            line[i] = (unsigned char)(r * 3 + i * 7);
        }
        JSAMPROW row = line.data();
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes bytes(out, out + size);
    free(out);
    size_t lastScan = 0;
    for (size_t i = 0; i + 5 < bytes.size(); i++) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
            lastScan = i;
        }
    }
    bytes[lastScan + 5] = 62;           /* FF DA, length, count, component id */
    return bytes;
}

TEST_F(JpegRows, ADamagedScanIsDecodedOnceNotOncePerRow)
{
    const int rows = 600;
    Bytes bytes = jpegWithABadLastScan(rows, 3);
    std::string file = path("damaged.jpg");
    FILE *f = fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(bytes.size(), fwrite(bytes.data(), 1, bytes.size(), f));
    fclose(f);
    RAMIMG *image = openFile(file);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(8, setRAMImageBuf(image, 8));
    for (int b = 0; b < 3; b++) {
        for (int r = 0; r < rows; r++) {
            ASSERT_EQ(Bytes(3, 0), read(image, r, b)) << r << " " << b;
        }
    }
    /* One decode said why it stopped; every later row was had without one. */
    std::string said = stderrText();
    EXPECT_EQ("Invalid component ID 62 in SOS\n", said);
    closeRAMImage(image, NULL);
}

TEST_F(JpegRows, AProgressiveFileIsDecodedWhole)
{
    std::string plain = makeJpeg("plain.jpg", 64, 48, 3);
    if (system("command -v jpegtran > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "jpegtran (libjpeg-turbo-progs) is not installed";
    }
    std::string file = path("progressive.jpg");
    ASSERT_EQ(0, system(("jpegtran -progressive -outfile '" + file + "' '" + plain + "'")
                            .c_str()));
    RAMIMG *image = openFile(file);
    ASSERT_NE(image, nullptr);
    std::vector<Bytes> whole = wholeDecode(image);
    ASSERT_EQ(4, setRAMImageBuf(image, 4));
    EXPECT_EQ(whole[3 * 40 + 2], read(image, 40, 2));
    EXPECT_EQ(64, image->rowsPerBand);
    EXPECT_EQ(whole[3 * 3], read(image, 3, 0));
    closeRAMImage(image, NULL);
}

}  // namespace
