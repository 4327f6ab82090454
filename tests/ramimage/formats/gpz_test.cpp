/*
 * gpz_test.cpp --
 *
 *	GPZ files: the reader hook (magic, header size, form, pixel codes,
 *	palette, the data file's path beside the header or in the current
 *	directory) and opening a GPZ file as a RAM image through the reader
 *	lists.
 */
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../console_capture.h"
#include "kit/fixture_kit.h"
#include "ramimage/formats/gpz.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/formats/le_fields.h"
#include "ramimage/ramimg.h"

using console_capture::ConsoleCapture;

namespace {

using fixture::Bytes;

/* A GPZ header of the given fields. */
Bytes gpzHeader(const std::string &dataName, int columns, int rows, int bands, int code,
                int colours = 0, int form = 0)
{
    Bytes b(2064, 0);
    memcpy(b.data(), "GPZ", 3);
    memcpy(b.data() + 8, dataName.c_str(), std::min<size_t>(dataName.size(), 136));
    putLeU32(b.data() + 144, (uint32_t)form);
    putLeU32(b.data() + 180, (uint32_t)columns);
    putLeU32(b.data() + 184, (uint32_t)rows);
    putLeU32(b.data() + 188, (uint32_t)bands);
    putLeU32(b.data() + 192, (uint32_t)code);
    putLeF64(b.data() + 272, 500000.5);
    putLeF64(b.data() + 280, 4100000.25);
    putLeF64(b.data() + 288, 30.0);
    putLeF64(b.data() + 296, -30.0);
    putLeU32(b.data() + 900, (uint32_t)colours);
    for (int i = 0; i < 256; i++) {
        b[1040 + 4 * i] = (unsigned char)(10 + i);      /* blue */
        b[1041 + 4 * i] = (unsigned char)(20 + i);      /* green */
        b[1042 + 4 * i] = (unsigned char)(30 + i);      /* red */
    }
    return b;
}

class GpzTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Tcl_FindExecutable(nullptr);
        char cwd[4096];
        savedCwd = getcwd(cwd, sizeof cwd) != NULL ? cwd : "/";
    }
    void TearDown() override
    {
        removeImageReader(gpzReadHead);
        if (chdir(savedCwd.c_str()) != 0) {
            ADD_FAILURE() << "cannot return to " << savedCwd;
        }
    }

    std::string path(const std::string &name) const { return dir + "/" + name; }

    void write(const std::string &name, const Bytes &bytes)
    {
        ASSERT_TRUE(fixture::writeBytes(path(name), bytes)) << name;
    }

    /* gpzReadHead on the file as named; the data file is closed after. */
    int readHead(const std::string &name, ImageHead *head)
    {
        int fd = open(name.c_str(), O_RDONLY);
        EXPECT_GE(fd, 0) << name;
        initImageHead(head);
        head->dataFd = -1;
        void *priv = NULL;
        int result = gpzReadHead(fd, name.c_str(), head, &priv);
        close(fd);
        if (head->dataFd >= 0) {
            close(head->dataFd);
        }
        return result;
    }

    fixture::ScratchDir scratch{"ovex-gpz"};
    std::string dir = scratch.path();
    std::string savedCwd;
};

TEST_F(GpzTest, RecognitionAndRefusals)
{
    ConsoleCapture console;
    write("pixels.raw", Bytes(4 * 3 * 2, 7));
    struct Case {
        const char *what;
        Bytes bytes;
        int expected;
        const char *message;
    };
    Bytes shortHead(100, 0);
    memcpy(shortHead.data(), "GPZ", 3);
    const Case cases[] = {
        {"empty file", Bytes(), 0, ""},
        {"two bytes", Bytes{'G', 'P'}, 0, ""},
        {"other magic", Bytes(2064, 'x'), 0, ""},
        {"magic alone", Bytes{'G', 'P', 'Z'}, -1, "Wrong GPZ head size.\n"},
        {"short header", shortHead, -1, "Wrong GPZ head size.\n"},
        {"form 1", gpzHeader("pixels.raw", 4, 3, 2, 1, 0, 1), -1, "Must be GPZFORM.\n"},
        {"pixel code 5", gpzHeader("pixels.raw", 4, 3, 2, 5), -1, "Unsupported GPZ pixel type:5\n"},
        {"pixel code 6", gpzHeader("pixels.raw", 4, 3, 2, 6), -1, "Unsupported GPZ pixel type:6\n"},
        {"missing data file", gpzHeader("absent.raw", 4, 3, 2, 1), -1, ""},
        {"no columns", gpzHeader("pixels.raw", 0, 3, 2, 1), -1, nullptr},
        {"data file too short", gpzHeader("pixels.raw", 4, 3, 3, 1), -1, nullptr},
        {"fits", gpzHeader("pixels.raw", 4, 3, 2, 1), 1, ""},
    };
    for (const Case &c : cases) {
        write("case.gpz", c.bytes);
        ImageHead head;
        EXPECT_EQ(readHead(path("case.gpz"), &head), c.expected) << c.what;
        std::string printed = console.takeStderr();
        if (c.message != nullptr) {
            EXPECT_EQ(printed, c.message) << c.what;
        } else {
            EXPECT_NE(printed.find("does not hold"), std::string::npos) << c.what;
        }
    }
}

TEST_F(GpzTest, PixelCodesAndHeadFields)
{
    struct Case {
        int code;
        int pixel;
        int bits;
    };
    const Case cases[] = {
        {0, PIXEL_1BIT, 1}, {1, PIXEL_BYTE, 8}, {2, PIXEL_SHORT, 16}, {3, PIXEL_LONG, 32},
        {4, PIXEL_FLOAT, 32}, {8, PIXEL_USHORT, 16}, {9, PIXEL_ULONG, 32},
    };
    write("pixels.raw", Bytes(9 * 2 * 4 * 3, 0));
    for (const Case &c : cases) {
        write("image.gpz", gpzHeader("pixels.raw", 9, 2, 3, c.code, 300));
        ImageHead head;
        ASSERT_EQ(readHead(path("image.gpz"), &head), 1) << c.code;
        EXPECT_EQ(head.pixel, c.pixel) << c.code;
        EXPECT_EQ(head.bits, c.bits) << c.code;
        EXPECT_EQ(head.imgid, IMGID_BSQ);
        EXPECT_EQ(head.columns, 9);
        EXPECT_EQ(head.rows, 2);
        EXPECT_EQ(head.nbands, 3);
        EXPECT_EQ(head.offset, 0);
        EXPECT_EQ(head.block, 0);
        EXPECT_EQ(head.mapid, 1);
        EXPECT_EQ(head.transparent, -1);
        EXPECT_DOUBLE_EQ(head.x0, 500000.5);
        EXPECT_DOUBLE_EQ(head.y0, 4100000.25);
        EXPECT_DOUBLE_EQ(head.dx, 30.0);
        EXPECT_DOUBLE_EQ(head.dy, -30.0);
        EXPECT_EQ(head.nindices, 256);      /* 300 clamped */
        EXPECT_EQ(head.palette[0][0], 30);  /* stored blue 10, green 20, red 30 */
        EXPECT_EQ(head.palette[0][1], 20);
        EXPECT_EQ(head.palette[0][2], 10);
        EXPECT_EQ(head.palette[255][0], (unsigned char)(30 + 255));
        EXPECT_EQ(std::string(head.file), path("pixels.raw"));
    }
}

TEST_F(GpzTest, DataFileIsFoundBesideTheHeader)
{
    ASSERT_EQ(system(("mkdir -p '" + path("sub") + "'").c_str()), 0);
    write("sub/data.raw", Bytes(6, 1));
    write("sub/a.gpz", gpzHeader("data.raw", 3, 2, 1, 1));
    write("abs.gpz", gpzHeader(path("sub/data.raw"), 3, 2, 1, 1));
    ImageHead head;
    ASSERT_EQ(readHead(path("sub/a.gpz"), &head), 1);
    EXPECT_EQ(std::string(head.file), path("sub/data.raw"));
    ASSERT_EQ(readHead(path("abs.gpz"), &head), 1);
    EXPECT_EQ(std::string(head.file), path("sub/data.raw"));
    /* A bare GPZ name is in the current directory. */
    ASSERT_EQ(chdir(path("sub").c_str()), 0);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(readHead("a.gpz", &head), 1);
    EXPECT_EQ(std::string(head.file), std::string(cwd) + "/data.raw");
}

TEST_F(GpzTest, OpensThroughTheReaderListsOnlyWhenRegistered)
{
    Bytes pixels;
    for (int i = 0; i < 2 * 3 * 4; i++) {
        pixels.push_back((unsigned char)(i * 5));
    }
    write("data.raw", pixels);
    write("image.gpz", gpzHeader("data.raw", 4, 3, 2, 1));
    int err = 0;
    EXPECT_EQ(openRAMImage(NULL, path("image.gpz").c_str(), NULL, NULL, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_EUNKNOWN_TYPE);

    for (int last : {0, 1}) {
        ASSERT_EQ(addImageReader(gpzReadHead, last), 1);
        RAMIMG *image = openRAMImage(NULL, path("image.gpz").c_str(), NULL, NULL, &err);
        ASSERT_NE(image, nullptr) << last;
        EXPECT_EQ(image->head.imgid, IMGID_BSQ);
        for (int band = 0; band < 2; band++) {
            for (int row = 0; row < 3; row++) {
                unsigned char *data = getRAMImageLine(image, row, band, 1);
                ASSERT_NE(data, nullptr);
                EXPECT_EQ(Bytes(data, data + 4),
                          Bytes(pixels.begin() + (band * 3 + row) * 4,
                                pixels.begin() + (band * 3 + row) * 4 + 4))
                    << band << " " << row;
            }
        }
        closeRAMImage(image, NULL);
    }
    /* Added twice, removed once: gone from both lists. */
    addImageReader(gpzReadHead, 0);
    addImageReader(gpzReadHead, 0);
    removeImageReader(gpzReadHead);
    EXPECT_EQ(openRAMImage(NULL, path("image.gpz").c_str(), NULL, NULL, &err), nullptr);
    /* A file shorter than the magic is still some other format's business. */
    addImageReader(gpzReadHead, 0);
    write("tiny", Bytes{'P', '5'});
    EXPECT_EQ(openRAMImage(NULL, path("tiny").c_str(), NULL, NULL, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_EUNKNOWN_TYPE);
}

} // namespace
