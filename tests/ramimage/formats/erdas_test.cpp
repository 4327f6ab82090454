/*
 * erdas_test.cpp --
 *
 *	ERDAS 7.x headers: the probe (magics, packing codes, float sizes of
 *	7.3, mapid, refused headers), the header writer (packing, row bytes,
 *	space check) and files exchanged with GDAL's LAN driver both ways.
 */
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "ramimage/formats/format_entry.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/formats/raw_fixtures.h"

namespace {

using namespace raw_fixtures;

/* A 128-byte header; sizes as floats for "HEADER", else integers. */
Bytes erdasHeader(const char *magic, int packing, int nbands, int columns, int rows)
{
    Bytes header(128, 0);
    memcpy(header.data(), magic, 6);
    putLe16(header, 6, packing);
    putLe16(header, 8, nbands);
    if (strcmp(magic, "HEADER") == 0) {
        putLeFloat(header, 16, (float)columns);
        putLeFloat(header, 20, (float)rows);
    } else {
        putLe32(header, 16, (uint32_t)columns);
        putLe32(header, 20, (uint32_t)rows);
    }
    return header;
}

/* The header followed by `data` bytes of pixels. */
Bytes erdasFile(const Bytes &header, size_t data)
{
    Bytes file = header;
    file.resize(header.size() + data, 0);
    return file;
}

class Erdas : public RawFormatTest {};

TEST_F(Erdas, MagicAndPackingCodeDescribeTheImage)
{
    struct Case {
        const char *magic;
        int packing, columns;
        int imgid, pixel, bits, block, msbf;
    } cases[] = {
        {"HEADER", 0, 7, IMGID_E73, PIXEL_BYTE, 8, 7, 0},
        {"HEAD74", 1, 5, IMGID_E74, PIXEL_4BITS, 4, 3, 1},
        {"E74BSQ", 2, 3, IMGID_E74BSQ, PIXEL_USHORT, 16, 6, 0},
        {"HEAD74", 3, 3, IMGID_E74, PIXEL_LONG, 32, 12, 0},
        {"HEAD74", 4, 3, IMGID_E74, PIXEL_FLOAT, 32, 12, 0},
        {"HEAD74", 5, 3, IMGID_E74, PIXEL_SHORT, 16, 6, 0},
    };
    for (const Case &c : cases) {
        std::string file = write("a.lan", erdasFile(erdasHeader(c.magic, c.packing, 2, c.columns, 4),
                                                    (size_t)c.block * 2 * 4));
        ImageHead head;
        ASSERT_EQ(c.imgid, probe(file, &head)) << c.magic << " " << c.packing;
        EXPECT_EQ(c.pixel, head.pixel);
        EXPECT_EQ(c.bits, head.bits);
        EXPECT_EQ(c.block, head.block);
        EXPECT_EQ(c.msbf, head.msbf);
        EXPECT_EQ(c.columns, head.columns);
        EXPECT_EQ(4, head.rows);
        EXPECT_EQ(2, head.nbands);
        EXPECT_EQ(128, head.offset);
        EXPECT_EQ(0, head.nindices);
        EXPECT_EQ(-1, head.transparent);
    }
}

TEST_F(Erdas, FloatSizesOf73AreTruncatedAndThe74LayoutReadsIntegers)
{
    Bytes header = erdasHeader("HEADER", 0, 1, 0, 0);
    putLeFloat(header, 16, 512.0f);
    putLeFloat(header, 20, 2.75f);         /* a fraction is dropped */
    std::string file = write("float.lan", erdasFile(header, 512 * 2));
    ImageHead head;
    ASSERT_EQ(IMGID_E73, probe(file, &head));
    EXPECT_EQ(512, head.columns);
    EXPECT_EQ(2, head.rows);

    /* The same bytes as 7.4 give 1140850688 columns: far beyond the file. */
    memcpy(header.data(), "HEAD74", 6);
    file = write("float74.lan", erdasFile(header, 512 * 2));
    EXPECT_EQ(0, probe(file, &head));
}

TEST_F(Erdas, FieldsAndMapidZeroReadAsOne)
{
    Bytes header = erdasHeader("HEAD74", 0, 1, 2, 2);
    putLe16(header, 10, 3);
    putLeFloat(header, 12, 0.5f);
    putLe32(header, 24, (uint32_t)-4);
    putLe32(header, 28, 9);
    putLeFloat(header, 32, 1.5f);
    putLeFloat(header, 36, -2.0f);
    putLeFloat(header, 40, 250.0f);
    putLeFloat(header, 112, 500000.0f);
    putLeFloat(header, 116, 4100000.0f);
    putLeFloat(header, 120, 30.0f);
    putLeFloat(header, 124, 25.0f);
    for (int mapid : {0, 7}) {
        putLe16(header, 92, mapid);
        std::string file = write("fields.lan", erdasFile(header, 4));
        ImageHead head;
        ASSERT_EQ(IMGID_E74, probe(file, &head));
        EXPECT_EQ(mapid == 0 ? 1 : 7, head.mapid);
        EXPECT_EQ(3, head.imgtype);
        EXPECT_EQ(0.5, head.zscale);
        EXPECT_EQ(-4, head.left);
        EXPECT_EQ(9, head.top);
        EXPECT_EQ(1.5, head.z0);
        EXPECT_EQ(-2.0, head.zmin);
        EXPECT_EQ(250.0, head.zmax);
        EXPECT_EQ(500000.0, head.x0);
        EXPECT_EQ(4100000.0, head.y0);
        EXPECT_EQ(30.0, head.dx);
        EXPECT_EQ(25.0, head.dy);
    }
}

TEST_F(Erdas, MalformedHeadersAreNotRecognised)
{
    Bytes shortHeader = erdasHeader("HEAD74", 0, 1, 2, 2);
    shortHeader.pop_back();
    struct Case {
        const char *name;
        Bytes file;
    } cases[] = {
        {"short header", shortHeader},
        {"other magic", erdasFile(erdasHeader("HEAD75", 0, 1, 2, 2), 4)},
        {"packing 6", erdasFile(erdasHeader("HEAD74", 6, 1, 2, 2), 4)},
        {"packing -1", erdasFile(erdasHeader("HEAD74", -1, 1, 2, 2), 4)},
        {"no bands", erdasFile(erdasHeader("HEAD74", 0, 0, 2, 2), 4)},
        {"negative bands", erdasFile(erdasHeader("HEAD74", 0, -3, 2, 2), 4)},
        {"no columns", erdasFile(erdasHeader("HEAD74", 0, 1, 0, 2), 4)},
        {"negative rows", erdasFile(erdasHeader("HEAD74", 0, 1, 2, -2), 4)},
        {"truncated pixels", erdasFile(erdasHeader("HEAD74", 0, 2, 2, 2), 7)},
        {"row overflow", erdasFile(erdasHeader("HEAD74", 3, 1, INT_MAX, 1), 4)},
        {"huge product", erdasFile(erdasHeader("HEAD74", 0, 32767, INT_MAX / 2, INT_MAX), 4)},
    };
    for (const Case &c : cases) {
        std::string file = write("bad.lan", c.file);
        ImageHead head;
        EXPECT_EQ(0, probe(file, &head)) << c.name;
    }
    /* 7.3 sizes that are not finite or not positive. */
    for (float size : {NAN, -5.0f, 0.5f, INFINITY}) {
        Bytes header = erdasHeader("HEADER", 0, 1, 2, 2);
        putLeFloat(header, 16, size);
        std::string file = write("badfloat.lan", erdasFile(header, 64));
        ImageHead head;
        EXPECT_EQ(0, probe(file, &head)) << size;
    }
}

/* ---- Header writer ----------------------------------------------------- */

ImageHead writerHead(const std::string &file, int imgid, int pixel, int columns, int rows,
                     int nbands)
{
    ImageHead head;
    initImageHead(&head);
    snprintf(head.file, sizeof head.file, "%s", file.c_str());
    head.imgid = imgid;
    head.pixel = pixel;
    head.columns = columns;
    head.rows = rows;
    head.nbands = nbands;
    return head;
}

TEST_F(Erdas, WriterPacksEachPixelType)
{
    struct Case {
        int pixel, packing, block, msbf;
    } cases[] = {
        {PIXEL_4BITS, 1, 3, 1}, {PIXEL_BYTE, 0, 5, 0}, {PIXEL_SHORT, 5, 10, 0},
        {PIXEL_LONG, 3, 20, 0}, {PIXEL_FLOAT, 4, 20, 0}, {PIXEL_USHORT, 2, 10, 0},
    };
    for (const Case &c : cases) {
        std::string file = path("w.lan");
        int fd = open(file.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0600);
        ASSERT_GE(fd, 0);
        ImageHead head = writerHead(file, IMGID_E74, c.pixel, 5, 2, 1);
        head.msbf = 1 - c.msbf;
        EXPECT_EQ(128, writeErdasHeader(fd, 1, &head)) << c.pixel;
        EXPECT_EQ(0, lseek(fd, 0, SEEK_CUR));
        close(fd);
        EXPECT_EQ(c.block, head.block);
        EXPECT_EQ(c.msbf, head.msbf);
        EXPECT_EQ(128, head.offset);
        Bytes bytes = registry_fixtures::readFile(file);
        ASSERT_EQ(128u, bytes.size());
        EXPECT_EQ(0, memcmp(bytes.data(), "HEAD74", 6));
        EXPECT_EQ(c.packing, bytes[6] | (bytes[7] << 8));
    }
    for (int pixel : {PIXEL_1BIT, PIXEL_ULONG, PIXEL_SBYTE, PIXEL_UNKNOWN}) {
        std::string file = path("refused.lan");
        int fd = open(file.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0600);
        ImageHead head = writerHead(file, IMGID_E74, pixel, 5, 2, 1);
        EXPECT_EQ(-1, writeErdasHeader(fd, 0, &head)) << pixel;
        close(fd);
        EXPECT_TRUE(registry_fixtures::readFile(file).empty());
    }
}

TEST_F(Erdas, WrittenHeadersReadBackByMagic)
{
    const struct {
        int imgid;
        const char *magic;
    } cases[] = {{IMGID_E73, "HEADER"}, {IMGID_E74, "HEAD74"}, {IMGID_E74BSQ, "E74BSQ"}};
    for (const auto &c : cases) {
        std::string file = path("back.lan");
        ImageHead head = writerHead(file, c.imgid, PIXEL_SHORT, 300, 7, 3);
        head.offset = 128;
        head.mapid = 4;
        head.imgtype = 2;
        head.left = 11;
        head.top = -12;
        head.x0 = 1000.0;
        head.y0 = 2000.0;
        head.dx = 2.5;
        head.dy = 0.25;
        head.zscale = 0.125;
        ASSERT_EQ(128, createImageFile(&head));
        Bytes bytes = registry_fixtures::readFile(file);
        ASSERT_EQ(128u + 600 * 3 * 7, bytes.size());
        EXPECT_EQ(0, memcmp(bytes.data(), c.magic, 6));
        for (size_t at : {44, 60, 91, 94, 100, 111}) {
            EXPECT_EQ(0, bytes[at]) << at;
        }
        ImageHead read;
        ASSERT_EQ(c.imgid, probe(file, &read));
        EXPECT_EQ(PIXEL_SHORT, read.pixel);
        EXPECT_EQ(300, read.columns);
        EXPECT_EQ(7, read.rows);
        EXPECT_EQ(3, read.nbands);
        EXPECT_EQ(600, read.block);
        EXPECT_EQ(4, read.mapid);
        EXPECT_EQ(2, read.imgtype);
        EXPECT_EQ(11, read.left);
        EXPECT_EQ(-12, read.top);
        EXPECT_EQ(1000.0, read.x0);
        EXPECT_EQ(2000.0, read.y0);
        EXPECT_EQ(2.5, read.dx);
        EXPECT_EQ(0.25, read.dy);
        EXPECT_EQ(0.125, read.zscale);
    }
}

TEST_F(Erdas, SpaceCheckRefusesAFileLargerThanTheDisk)
{
    std::string file = path("huge.lan");
    int fd = open(file.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    ImageHead head = writerHead(file, IMGID_E74, PIXEL_FLOAT, 100000, 2000000000, 1);
    EXPECT_EQ(-1, writeErdasHeader(fd, 1, &head));
    EXPECT_EQ(0, stderrText().find("Insufficient disk space. Requested:800000000000128 Available:"))
        << stderrText();
    /* Without the check the header is written. */
    EXPECT_EQ(128, writeErdasHeader(fd, 0, &head));
    close(fd);
}

/* ---- Through the row cache, and with GDAL as witness ------------------- */

TEST_F(Erdas, BilAndBsqRowsReachTheirBands)
{
    for (const char *magic : {"HEAD74", "E74BSQ"}) {
        /* 2 bands, 2 rows, 3 columns; byte value = 100 x band + 10 x row + column. */
        Bytes file = erdasHeader(magic, 0, 2, 3, 2);
        bool bsq = strcmp(magic, "E74BSQ") == 0;
        for (int first = 0; first < 2; first++) {
            for (int second = 0; second < 2; second++) {
                int band = bsq ? first : second, row = bsq ? second : first;
                for (int c = 0; c < 3; c++) {
                    file.push_back((unsigned char)(100 * band + 10 * row + c));
                }
            }
        }
        RAMIMG *image = openFile(write("rows.lan", file));
        ASSERT_NE(image, nullptr);
        for (int b = 0; b < 2; b++) {
            for (int r = 0; r < 2; r++) {
                Bytes expected = {(unsigned char)(100 * b + 10 * r), (unsigned char)(100 * b + 10 * r + 1),
                                  (unsigned char)(100 * b + 10 * r + 2)};
                EXPECT_EQ(expected, rowOf(image, r, b)) << magic << " band " << b << " row " << r;
            }
        }
        closeRAMImage(image, NULL);
    }
}

TEST_F(Erdas, GdalLanFilesOpenWithTheirPixels)
{
    if (!haveTool("gdal_translate")) {
        GTEST_SKIP() << "gdal_translate not installed";
    }
    /* A 3-band 4 x 3 PPM turned into LAN by GDAL: Byte, then Int16. */
    Bytes ppm = textBytes("P6\n4 3\n255\n");
    for (int i = 0; i < 4 * 3 * 3; i++) {
        ppm.push_back((unsigned char)(i * 7 + 1));
    }
    std::string source = write("source.ppm", ppm);
    for (const char *type : {"Byte", "Int16"}) {
        std::string lan = path(type) + std::string(".lan");
        ASSERT_TRUE(runQuietly("gdal_translate -q -of LAN -ot " + std::string(type) + " '" + source
                               + "' '" + lan + "'"));
        RAMIMG *image = openFile(lan);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(IMGID_E74, image->head.imgid);
        EXPECT_EQ(strcmp(type, "Byte") == 0 ? PIXEL_BYTE : PIXEL_USHORT, image->head.pixel);
        ASSERT_EQ(3, image->head.nbands);
        ASSERT_EQ(4, image->head.columns);
        ASSERT_EQ(3, image->head.rows);
        for (int r = 0; r < 3; r++) {
            for (int b = 0; b < 3; b++) {
                Bytes row = rowOf(image, r, b);
                for (int c = 0; c < 4; c++) {
                    int expected = ppm[11 + (r * 4 + c) * 3 + b];
                    int value = image->head.pixel == PIXEL_BYTE ? row[c]
                                                                : row[2 * c] | (row[2 * c + 1] << 8);
                    EXPECT_EQ(expected, value) << type << " r" << r << " b" << b << " c" << c;
                }
            }
        }
        closeRAMImage(image, NULL);
    }
}

TEST_F(Erdas, LanFilesWeWriteOpenInGdal)
{
    if (!haveTool("gdal_translate")) {
        GTEST_SKIP() << "gdal_translate not installed";
    }
    for (int imgid : {IMGID_E73, IMGID_E74}) {
        std::string file = path(imgid == IMGID_E73 ? "ours73.lan" : "ours74.lan");
        ImageHead head = writerHead(file, imgid, PIXEL_BYTE, 5, 4, 3);
        head.offset = 128;
        int err = -1;
        RAMIMG *image = openRAMImageNew(&head, NULL, 1, &err);
        ASSERT_NE(image, nullptr) << ramImageErrorText(err);
        for (int r = 0; r < 4; r++) {
            for (int b = 0; b < 3; b++) {
                unsigned char *row = getRAMImageLine(image, r, b, 1);
                ASSERT_NE(row, nullptr);
                for (int c = 0; c < 5; c++) {
                    row[c] = (unsigned char)(50 * b + 5 * r + c);
                }
                markRowDirty(image, r, b);
            }
        }
        ASSERT_EQ(1, flushRamImage(image));
        closeRAMImage(image, NULL);

        std::string ppm = file + ".ppm";
        ASSERT_TRUE(runQuietly("gdal_translate -q -of PNM '" + file + "' '" + ppm + "'"));
        Pnm pnm;
        ASSERT_TRUE(parsePnm(registry_fixtures::readFile(ppm), &pnm));
        ASSERT_EQ(3, pnm.bands);
        ASSERT_EQ(5, pnm.columns);
        ASSERT_EQ(4, pnm.rows);
        for (int r = 0; r < 4; r++) {
            for (int c = 0; c < 5; c++) {
                for (int b = 0; b < 3; b++) {
                    EXPECT_EQ(50 * b + 5 * r + c, pnm.pixels[(size_t)(r * 5 + c) * 3 + b])
                        << imgid << " r" << r << " c" << c << " b" << b;
                }
            }
        }
    }
}

}  // namespace
