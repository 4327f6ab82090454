/*
 * pnm_test.cpp --
 *
 *	Binary PGM and PPM: the header scanner (comments, blanks, the offset
 *	of the pixels), 16-bit samples, refused headers, the header writer,
 *	and files exchanged with netpbm both ways.
 */
#include <gtest/gtest.h>

#include "ramimage/formats/format_entry.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/formats/raw_fixtures.h"

namespace {

using namespace raw_fixtures;

class Pnm : public RawFormatTest {};

/* The header text followed by `pixels` bytes 0, 1, 2 ... */
Bytes pnmFile(const std::string &header, size_t pixels)
{
    Bytes file = textBytes(header);
    for (size_t i = 0; i < pixels; i++) {
        file.push_back((unsigned char)i);
    }
    return file;
}

TEST_F(Pnm, HeaderTokensCommentsAndOffset)
{
    struct Case {
        const char *header;
        int nbands, columns, rows, offset;
    } cases[] = {
        {"P5\n# made by hand\n3 2\n255\n", 1, 3, 2, 26},
        {"P5\n# made by hand\n3     2\n255\n", 1, 3, 2, 30},
        {"P6 4 1 255 ", 3, 4, 1, 11},
        {"P6\t4\r\n1\n#c\n255\r", 3, 4, 1, 15},
        {"P5\n1 1\n1\n", 1, 1, 1, 9},
    };
    for (const Case &c : cases) {
        std::string text = c.header;
        ASSERT_EQ((size_t)c.offset, text.size());
        std::string file = write("a.pgm", pnmFile(text, (size_t)(c.nbands * c.columns * c.rows)));
        ImageHead head;
        ASSERT_EQ(IMGID_PPM, probe(file, &head)) << c.header;
        EXPECT_EQ(c.nbands, head.nbands);
        EXPECT_EQ(c.columns, head.columns);
        EXPECT_EQ(c.rows, head.rows);
        EXPECT_EQ(c.offset, head.offset);
        EXPECT_EQ(c.nbands * c.columns, head.block);
        EXPECT_EQ(PIXEL_BYTE, head.pixel);
        EXPECT_EQ(0, head.msbf);
        EXPECT_EQ(1, head.mapid);
        EXPECT_EQ(1.0, head.dx);
        EXPECT_EQ(1.0, head.dy);
    }
}

TEST_F(Pnm, PixelsStartRightAfterTheMaximumValue)
{
    /* The pixel right after "255\n" is a newline byte (10): it is data. */
    Bytes file = textBytes("P5\n# c\n3 2\n255\n");
    for (unsigned char v : {10, 32, 35, 1, 2, 3}) {
        file.push_back(v);
    }
    RAMIMG *image = openFile(write("data.pgm", file));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ((Bytes{10, 32, 35}), rowOf(image, 0, 0));
    EXPECT_EQ((Bytes{1, 2, 3}), rowOf(image, 1, 0));
    closeRAMImage(image, NULL);
}

TEST_F(Pnm, MaximaAbove255GiveSixteenBitSamplesMostSignificantFirst)
{
    /* 2 x 1 PGM: 0x0102 and 0xFFFE. */
    Bytes file = textBytes("P5 2 1 65535\n");
    for (unsigned char v : {0x01, 0x02, 0xFF, 0xFE}) {
        file.push_back(v);
    }
    std::string name = write("wide.pgm", file);
    ImageHead head;
    ASSERT_EQ(IMGID_PPM, probe(name, &head));
    EXPECT_EQ(PIXEL_USHORT, head.pixel);
    EXPECT_EQ(16, head.bits);
    EXPECT_EQ(1, head.msbf);
    EXPECT_EQ(4, head.block);
    RAMIMG *image = openFile(name);
    ASSERT_NE(image, nullptr);
    unsigned char *row = getRAMImageLine(image, 0, 0, 1);
    ASSERT_NE(row, nullptr);
    uint16_t values[2];
    memcpy(values, row, sizeof values);
    EXPECT_EQ(0x0102, values[0]);
    EXPECT_EQ(0xFFFE, values[1]);
    closeRAMImage(image, NULL);

    /* A 16-bit PPM whose pixels are one byte short is refused. */
    std::string shortFile = write("short16.ppm", pnmFile("P6 2 1 256\n", 11));
    EXPECT_EQ(0, probe(shortFile, &head));
}

TEST_F(Pnm, MalformedHeadersAreNotRecognised)
{
    const struct {
        const char *header;
        size_t pixels;
    } cases[] = {
        {"P4\n2 2\n", 2},                   /* bitmaps are not read */
        {"P2\n2 2\n255\n", 4},              /* nor plain text */
        {"P5\n2 2\n", 0},                   /* three tokens */
        {"P5\n0 2\n255\n", 4},
        {"P5\n2 -2\n255\n", 4},
        {"P5\n2 2\n0\n", 4},
        {"P5\n2 2\n65536\n", 8},
        {"P5\n2x 2\n255\n", 4},
        {"P5\n2 2\n255\n", 3},              /* a pixel short */
        {"P6\n2 2\n255\n", 11},
        {"P5\n99999999999 1\n255\n", 4},
        {"P5\n4000000000 4000000000\n255\n", 4},
        /* The tokens with one blank between them reach 32 characters. */
        {"P5\n0000000000000000000000002 2\n255\n", 4},
    };
    for (const auto &c : cases) {
        std::string file = write("bad.pgm", pnmFile(c.header, c.pixels));
        ImageHead head;
        EXPECT_EQ(0, probe(file, &head)) << c.header;
    }
    /* 32 characters of tokens are still read. */
    std::string file = write("long.pgm", pnmFile("P5\n00000000000000000000002 2\n255\n", 4));
    ImageHead head;
    EXPECT_EQ(IMGID_PPM, probe(file, &head));
    EXPECT_EQ(2, head.columns);
}

TEST_F(Pnm, HeaderWriterText)
{
    const struct {
        int nbands;
        const char *text;
        int block;
    } cases[] = {
        {0, "P5\n7 3\n255\n", 7}, {1, "P5\n7 3\n255\n", 7}, {2, "P6\n7 3\n255\n", 21},
        {3, "P6\n7 3\n255\n", 21}, {4, "P6\n7 3\n255\n", 21},
    };
    for (const auto &c : cases) {
        std::string file = path("w.ppm");
        int fd = open(file.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0600);
        ASSERT_GE(fd, 0);
        ImageHead head;
        initImageHead(&head);
        head.columns = 7;
        head.rows = 3;
        head.nbands = c.nbands;
        head.pixel = PIXEL_SHORT;
        head.msbf = 1;
        head.nindices = 5;
        int length = (int)strlen(c.text);
        EXPECT_EQ(length, writePpmHeader(fd, &head));
        EXPECT_EQ(0, lseek(fd, 0, SEEK_CUR));
        close(fd);
        EXPECT_EQ(textBytes(c.text), registry_fixtures::readFile(file));
        EXPECT_EQ(c.nbands < 2 ? 1 : 3, head.nbands);
        EXPECT_EQ(length, head.offset);
        EXPECT_EQ(c.block, head.block);
        EXPECT_EQ(PIXEL_BYTE, head.pixel);
        EXPECT_EQ(IMGID_PPM, head.imgid);
        EXPECT_EQ(0, head.msbf);
        EXPECT_EQ(0, head.nindices);
    }
}

TEST_F(Pnm, NetpbmFilesOpenWithTheirPixels)
{
    if (!haveTool("pnmtopnm") && !haveTool("pamtopnm")) {
        GTEST_SKIP() << "netpbm not installed";
    }
    const char *converter = haveTool("pnmtopnm") ? "pnmtopnm" : "pamtopnm";
    /* Plain (text) files turned into binary ones by netpbm, with a comment. */
    const struct {
        const char *plain;
        int nbands, maxval;
        std::vector<int> samples;
    } cases[] = {
        {"P2\n# grey\n3 2\n255\n", 1, 255, {0, 128, 255, 1, 2, 3}},
        {"P3\n2 1\n255\n", 3, 255, {255, 0, 0, 10, 20, 30}},
        {"P2\n2 2\n65535\n", 1, 65535, {0, 300, 65535, 4660}},
    };
    for (const auto &c : cases) {
        std::string text = c.plain;
        for (int v : c.samples) {
            text += std::to_string(v) + " ";
        }
        text += "\n";
        std::string plain = write("plain.pnm", textBytes(text));
        std::string binary = path("binary.pnm");
        ASSERT_TRUE(runQuietly(std::string(converter) + " < '" + plain + "' > '" + binary + "'"));
        RAMIMG *image = openFile(binary);
        ASSERT_NE(image, nullptr) << c.plain;
        ASSERT_EQ(c.nbands, image->head.nbands);
        int columns = image->head.columns;
        for (size_t i = 0; i < c.samples.size(); i++) {
            int pixel = (int)i / c.nbands, band = (int)i % c.nbands;
            int r = pixel / columns, col = pixel % columns;
            unsigned char *row = getRAMImageLine(image, r, band, 1);
            ASSERT_NE(row, nullptr);
            int value;
            if (c.maxval > 255) {
                uint16_t v;
                memcpy(&v, row + 2 * col, 2);
                value = v;
            } else {
                value = row[col];
            }
            EXPECT_EQ(c.samples[i], value) << c.plain << " sample " << i;
        }
        closeRAMImage(image, NULL);
    }
}

TEST_F(Pnm, FilesWeWriteOpenInNetpbm)
{
    if (!haveTool("pnmtoplainpnm") && !haveTool("pamtopnm")) {
        GTEST_SKIP() << "netpbm not installed";
    }
    for (int nbands : {1, 3}) {
        std::string file = path(nbands == 1 ? "ours.pgm" : "ours.ppm");
        ImageHead head;
        initImageHead(&head);
        snprintf(head.file, sizeof head.file, "%s", file.c_str());
        head.imgid = IMGID_PPM;
        head.pixel = PIXEL_BYTE;
        head.columns = 4;
        head.rows = 2;
        head.nbands = nbands;
        head.offset = 1;
        int err = -1;
        RAMIMG *image = openRAMImageNew(&head, NULL, 1, &err);
        ASSERT_NE(image, nullptr) << ramImageErrorText(err);
        for (int r = 0; r < 2; r++) {
            for (int b = 0; b < nbands; b++) {
                unsigned char *row = getRAMImageLine(image, r, b, 1);
                ASSERT_NE(row, nullptr);
                for (int c = 0; c < 4; c++) {
                    row[c] = (unsigned char)(60 * b + 10 * r + c);
                }
                markRowDirty(image, r, b);
            }
        }
        closeRAMImage(image, NULL);
        /* Exactly the header and the pixels: netpbm reads what follows as
         * another image. */
        EXPECT_EQ(11u + 8u * nbands, registry_fixtures::readFile(file).size());

        std::string plain = file + ".txt";
        std::string command = haveTool("pnmtoplainpnm") ? "pnmtoplainpnm" : "pamtopnm -plain";
        ASSERT_TRUE(runQuietly(command + " < '" + file + "' > '" + plain + "'"));
        Bytes text = registry_fixtures::readFile(plain);
        std::string expected = std::string(nbands == 1 ? "P2" : "P3") + " 4 2 255";
        std::vector<int> numbers;
        std::string words(text.begin(), text.end()), word, magic;
        size_t at = 0;
        while (at < words.size()) {
            while (at < words.size() && isspace((unsigned char)words[at])) {
                at++;
            }
            size_t start = at;
            while (at < words.size() && !isspace((unsigned char)words[at])) {
                at++;
            }
            if (at > start) {
                if (magic.empty()) {
                    magic = words.substr(start, at - start);
                } else {
                    numbers.push_back(atoi(words.substr(start, at - start).c_str()));
                }
            }
        }
        EXPECT_EQ(nbands == 1 ? "P2" : "P3", magic);
        ASSERT_EQ((size_t)(3 + 8 * nbands), numbers.size());
        EXPECT_EQ(4, numbers[0]);
        EXPECT_EQ(2, numbers[1]);
        EXPECT_EQ(255, numbers[2]);
        for (int r = 0; r < 2; r++) {
            for (int c = 0; c < 4; c++) {
                for (int b = 0; b < nbands; b++) {
                    EXPECT_EQ(60 * b + 10 * r + c, numbers[3 + (size_t)((r * 4 + c) * nbands + b)]);
                }
            }
        }
    }
}

}  // namespace
