/*
 * xbm_test.cpp --
 *
 *	X bitmaps: the probe, the writer's text, decoding into the cache,
 *	the decoding cap, the whole-file write-back through a temporary
 *	file, and files exchanged with netpbm (pbmtoxbm, xbmtopbm).
 */
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "ramimage/format_hooks.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/formats/raw_fixtures.h"
#include "ramimage/whole_image_cap.h"

namespace {

using namespace raw_fixtures;

class Xbm : public RawFormatTest {
protected:
    void TearDown() override
    {
        Tcl_Eval(console, "unset -nocomplain ::env(OVEX_MAX_DECODE)");
        RawFormatTest::TearDown();
    }

    /* Pixel (row, column) of a decoded bitmap: bit c % 8 of byte c / 8. */
    int pixel(RAMIMG *image, int row, int column)
    {
        unsigned char *line = getRAMImageLine(image, row, 0, 1);
        return line == NULL ? -1 : (line[column / 8] >> (column % 8)) & 1;
    }
};

const char BLANK_13_BY_2[] =
    "#define xbmp_width 13\n#define xbmp_height 2\nstatic char xbmp_bits[] = {\n"
    " 0x00, 0x00, 0x00, 0x00};\n";

TEST_F(Xbm, ProbeTakesWidthHeightAndGivesTheTwoColourPalette)
{
    std::string file = write("a.xbm", textBytes(BLANK_13_BY_2));
    ImageHead head;
    ASSERT_EQ(IMGID_XBMP, probe(file, &head));
    EXPECT_EQ(13, head.columns);
    EXPECT_EQ(2, head.rows);
    EXPECT_EQ(2, head.block);
    EXPECT_EQ(1, head.nbands);
    EXPECT_EQ(PIXEL_1BIT, head.pixel);
    EXPECT_EQ(1, head.bits);
    EXPECT_EQ(0, head.offset);
    EXPECT_EQ(0, head.msbf);
    EXPECT_EQ(1, head.mapid);
    EXPECT_EQ(2, head.nindices);
    EXPECT_EQ(-1, head.transparent);
    EXPECT_EQ(255, head.palette[0][0]);
    EXPECT_EQ(255, head.palette[0][2]);
    EXPECT_EQ(0, head.palette[1][0]);
    EXPECT_EQ(0, head.palette[1][2]);
}

TEST_F(Xbm, TextsThatAreNotBitmapsOrAreTooShort)
{
    const char *cases[] = {
        "#define x_height 2\nstatic char x_bits[] = {0x00, 0x00};\n",
        "#define x_width 8\nstatic char x_bits[] = {0x00, 0x00};\n",
        "#define x_width\n#define x_height 2\n{0,0};\n",
        "#define x_width 0\n#define x_height 2\n{0,0};\n",
        "#define x_width 99999999999\n#define x_height 2\n{0,0};\n",
        /* 80 000 bytes announced by a text of a few dozen characters. */
        "#define x_width 8000\n#define x_height 80\n{0,0};\n",
        "",
    };
    for (const char *text : cases) {
        ImageHead head;
        EXPECT_EQ(0, probe(write("no.xbm", textBytes(text)), &head)) << text;
    }
}

TEST_F(Xbm, WriterTextAndLineBreaks)
{
    struct Case {
        int columns, rows;
        const char *items;
    } cases[] = {
        {13, 2, " 0x00, 0x00, 0x00, 0x00};\n"},
        {96, 1, " 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};\n"},
        {8, 13, " 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,\n"
                " 0x00};\n"},
    };
    for (const Case &c : cases) {
        std::string file = path("w.xbm");
        int fd = open(file.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0600);
        ASSERT_GE(fd, 0);
        ImageHead head;
        initImageHead(&head);
        head.columns = c.columns;
        head.rows = c.rows;
        head.nbands = 3;
        std::string opening = "#define xbmp_width " + std::to_string(c.columns)
                              + "\n#define xbmp_height " + std::to_string(c.rows)
                              + "\nstatic char xbmp_bits[] = {\n";
        EXPECT_EQ((int)opening.size(), writeXbm(fd, &head, NULL, 0));
        EXPECT_EQ(0, lseek(fd, 0, SEEK_CUR));
        close(fd);
        EXPECT_EQ(1, head.nbands);
        Bytes bytes = registry_fixtures::readFile(file);
        EXPECT_EQ(opening + c.items, std::string(bytes.begin(), bytes.end()));
    }
    /* Given bits: each row's bytes, read with the given stride. */
    std::string file = path("bits.xbm");
    int fd = open(file.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0600);
    ImageHead head;
    initImageHead(&head);
    head.columns = 9;
    head.rows = 2;
    const unsigned char bits[] = {0x01, 0xA5, 0x77, 0xFF, 0x80, 0x77};
    EXPECT_GT(writeXbm(fd, &head, bits, 3), 0);
    EXPECT_EQ(-1, writeXbm(fd, &head, bits, 1));
    close(fd);
    Bytes bytes = registry_fixtures::readFile(file);
    std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(std::string::npos, text.find("{\n 0x01, 0xa5, 0xff, 0x80};\n")) << text;
}

TEST_F(Xbm, ItemsDecodeInEveryBaseIntoTheirRows)
{
    /* 10 x 3: two bytes per row; hexadecimal, octal and decimal items,
     * blanks and line breaks anywhere, a trailing comma before "}". */
    std::string text =
        "/* a comment */\n#define icon_width 10\n#define icon_height 3\n"
        "static unsigned char icon_bits[] = {\n"
        "   0x01,0x02 ,\n 017, 3,\n  255 , 0XfE,\n};\n";
    RAMIMG *image = openFile(write("icon.xbm", textBytes(text)));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ((Bytes{0x01, 0x02}), rowOf(image, 0, 0));
    EXPECT_EQ((Bytes{017, 3}), rowOf(image, 1, 0));
    EXPECT_EQ((Bytes{255, 0xFE}), rowOf(image, 2, 0));
    EXPECT_EQ(1, pixel(image, 0, 0));
    EXPECT_EQ(0, pixel(image, 0, 1));
    EXPECT_EQ(1, pixel(image, 0, 9));
    EXPECT_EQ(1, readXbmRamImage(image));
    closeRAMImage(image, NULL);
}

TEST_F(Xbm, TextEndingEarlyLeavesTheRestWhite)
{
    std::string text = "#define t_width 8\n#define t_height 3\n{ 0xff, 0x0f";
    RAMIMG *image = openFile(write("short.xbm", textBytes(text)));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(0, readXbmRamImage(image));
    EXPECT_EQ((Bytes{0xFF}), rowOf(image, 0, 0));
    EXPECT_EQ((Bytes{0x0F}), rowOf(image, 1, 0));
    EXPECT_EQ((Bytes{0x00}), rowOf(image, 2, 0));
    closeRAMImage(image, NULL);
}

TEST_F(Xbm, DecodingCapComesFromTheConsoleEnvironment)
{
    EXPECT_EQ((int64_t)1 << 30, ovexWholeImageCap());
    const struct {
        const char *value;
        int64_t cap;
    } cases[] = {{"4096", 4096}, {" 77 ", 77}, {"0", (int64_t)1 << 30},
                 {"-5", (int64_t)1 << 30}, {"12k", (int64_t)1 << 30}, {"", (int64_t)1 << 30}};
    for (const auto &c : cases) {
        Tcl_SetVar2(console, "env", "OVEX_MAX_DECODE", c.value, TCL_GLOBAL_ONLY);
        EXPECT_EQ(c.cap, ovexWholeImageCap()) << "'" << c.value << "'";
    }

    /* A 64 x 16 bitmap holds 128 bytes: refused under a cap of 100. */
    Tcl_SetVar2(console, "env", "OVEX_MAX_DECODE", "100", TCL_GLOBAL_ONLY);
    std::string file = path("capped.xbm");
    int fd = open(file.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0600);
    ImageHead head;
    initImageHead(&head);
    head.columns = 64;
    head.rows = 16;
    ASSERT_GT(writeXbm(fd, &head, NULL, 0), 0);
    close(fd);
    int err = 0;
    EXPECT_EQ(nullptr, openRAMImage(NULL, file.c_str(), NULL, NULL, &err));
    EXPECT_EQ(RAMIMG_EUNHANDLED, err);
    EXPECT_EQ("X bitmap of 64 x 16 pixels needs 128 bytes, more than the decoding limit of "
              "100 bytes (OVEX_MAX_DECODE)\n",
              stderrText());
    Tcl_SetVar2(console, "env", "OVEX_MAX_DECODE", "128", TCL_GLOBAL_ONLY);
    RAMIMG *image = openFile(file);
    ASSERT_NE(image, nullptr);
    closeRAMImage(image, NULL);
}

TEST_F(Xbm, ChangedRowsRewriteTheWholeFileKeepingItsMode)
{
    std::string file = write("edit.xbm", textBytes(BLANK_13_BY_2));
    ASSERT_EQ(0, chmod(file.c_str(), 0640));
    RAMIMG *image = openFile(file);
    ASSERT_NE(image, nullptr);
    struct stat before;
    ASSERT_EQ(0, fstat(image->fd, &before));
    unsigned char *row = getRAMImageLine(image, 1, 0, 1);
    ASSERT_NE(row, nullptr);
    row[0] = 0x81;
    row[1] = 0x10;
    markRowDirty(image, 1, 0);
    ASSERT_EQ(1, flushRamImage(image));

    Bytes bytes = registry_fixtures::readFile(file);
    EXPECT_EQ("#define xbmp_width 13\n#define xbmp_height 2\nstatic char xbmp_bits[] = {\n"
              " 0x00, 0x00, 0x81, 0x10};\n",
              std::string(bytes.begin(), bytes.end()));
    struct stat after, named;
    ASSERT_EQ(0, stat(file.c_str(), &named));
    EXPECT_EQ(0640u, named.st_mode & 0777);
    /* The descriptor follows the new file, and the cache keeps the rows. */
    ASSERT_EQ(0, fstat(image->fd, &after));
    EXPECT_EQ(named.st_ino, after.st_ino);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ((Bytes{0x81, 0x10}), rowOf(image, 1, 0));
    EXPECT_EQ("", stderrText());

    /* A folder that is gone: nothing can be written, the failure is told. */
    int fd = image->fd;
    std::string command = "rm -rf '" + dir + "'";
    ASSERT_EQ(0, system(command.c_str()));
    markRowDirty(image, 0, 0);
    EXPECT_EQ(0, flushRamImage(image));
    EXPECT_EQ(fd, image->fd);
    EXPECT_EQ(0u, stderrText().find("Error in writing X bitmap " + file + ": "));
    closeRAMImage(image, NULL);
    ASSERT_EQ(0, mkdir(dir.c_str(), 0700));
}

TEST_F(Xbm, NetpbmBitmapsBothWays)
{
    if (!haveTool("pbmtoxbm") || !haveTool("xbmtopbm")) {
        GTEST_SKIP() << "netpbm not installed";
    }
    /* A 11 x 3 PBM (first pixel in the high bit, 1 black). */
    const int columns = 11, rows = 3;
    auto black = [](int r, int c) { return (r * 5 + c * 3) % 4 == 0 || c == 10; };
    Bytes pbm = textBytes("P4\n11 3\n");
    for (int r = 0; r < rows; r++) {
        unsigned char bytes[2] = {0, 0};
        for (int c = 0; c < columns; c++) {
            if (black(r, c)) {
                bytes[c / 8] |= (unsigned char)(0x80 >> (c % 8));
            }
        }
        pbm.push_back(bytes[0]);
        pbm.push_back(bytes[1]);
    }
    std::string source = write("source.pbm", pbm);
    std::string xbm = path("theirs.xbm");
    ASSERT_TRUE(runQuietly("pbmtoxbm < '" + source + "' > '" + xbm + "'"));
    RAMIMG *image = openFile(xbm);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(columns, image->head.columns);
    ASSERT_EQ(rows, image->head.rows);
    for (int r = 0; r < rows; r++) {
        for (int c = 0; c < columns; c++) {
            EXPECT_EQ(black(r, c) ? 1 : 0, pixel(image, r, c)) << r << "," << c;
        }
    }
    /* Flip one pixel and have netpbm read the file we write back. */
    unsigned char *line = getRAMImageLine(image, 2, 0, 1);
    ASSERT_NE(line, nullptr);
    line[0] ^= 0x02;
    markRowDirty(image, 2, 0);
    ASSERT_EQ(1, flushRamImage(image));
    closeRAMImage(image, NULL);

    std::string back = path("back.pbm");
    ASSERT_TRUE(runQuietly("xbmtopbm < '" + xbm + "' > '" + back + "'"));
    Bytes again = registry_fixtures::readFile(back);
    std::string header = "P4\n11 3\n";
    ASSERT_EQ(header.size() + 6, again.size());
    EXPECT_EQ(header, std::string(again.begin(), again.begin() + (long)header.size()));
    for (int r = 0; r < rows; r++) {
        for (int c = 0; c < columns; c++) {
            int bit = (again[header.size() + (size_t)r * 2 + (size_t)c / 8] >> (7 - c % 8)) & 1;
            bool expected = black(r, c) != (r == 2 && c == 1);
            EXPECT_EQ(expected ? 1 : 0, bit) << r << "," << c;
        }
    }
}

}  // namespace
