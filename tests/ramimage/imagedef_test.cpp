/*
 * imagedef_test.cpp --
 *
 *	IMAGEDEF headers (reader, writer, layouts, corrupt files), the format
 *	probe with its reader lists, the writers by imgid, image file
 *	creation and the file checks. Files live in a temporary folder; the
 *	big-endian fixture is tests/data/imagedef_msbf_short.img (made by
 *	tests/data/make_fixtures.py).
 */
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/package.h"
#include "kit/fixture_kit.h"
#include "ramimage/file_checks.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/formats/imagedef.h"
#include "ramimage/ramimg.h"

namespace {

typedef std::vector<unsigned char> Bytes;

/* A head as the core hands it to the probe: zeroed, grey palette. */
ImageHead greyHead()
{
    ImageHead head;
    memset(&head, 0, sizeof(head));
    for (int i = 0; i < 256; i++) {
        head.palette[i][0] = head.palette[i][1] = head.palette[i][2] = (unsigned char)i;
    }
    return head;
}

ImageHead layoutHead(const std::string &file, int imgid, int pixel, int rows, int columns,
                     int nbands)
{
    ImageHead head = greyHead();
    snprintf(head.file, sizeof(head.file), "%s", file.c_str());
    head.imgid = imgid;
    head.pixel = pixel;
    head.rows = rows;
    head.columns = columns;
    head.nbands = nbands;
    head.offset = 128;
    head.zscale = 1.0;
    head.dx = head.dy = 1.0;
    return head;
}

Bytes readBytes(const std::string &path)
{
    Bytes bytes;
    FILE *in = fopen(path.c_str(), "rb");
    if (in == NULL) {
        return bytes;
    }
    int c;
    while ((c = fgetc(in)) != EOF) {
        bytes.push_back((unsigned char)c);
    }
    fclose(in);
    return bytes;
}

void writeBytes(const std::string &path, const Bytes &bytes)
{
    FILE *out = fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    if (!bytes.empty()) {
        ASSERT_EQ(bytes.size(), fwrite(bytes.data(), 1, bytes.size(), out));
    }
    fclose(out);
}

void putLittle32(Bytes &bytes, size_t at, int32_t value)
{
    for (int i = 0; i < 4; i++) {
        bytes[at + i] = (unsigned char)(((uint32_t)value >> (8 * i)) & 0xFF);
    }
}

int32_t getLittle32(const Bytes &bytes, size_t at)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; i--) {
        value = (value << 8) | bytes[at + i];
    }
    return (int32_t)value;
}

bool allZero(const Bytes &bytes, size_t from, size_t to)
{
    for (size_t i = from; i < to; i++) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

std::string fixturePath(const char *name)
{
    const char *folder = getenv("OVEX_TEST_DATA");
    std::string base = folder ? std::string(folder)
                              : std::filesystem::path(__FILE__).parent_path().string() + "/../data";
    return base + "/" + name;
}

class ImagedefFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Tcl_FindExecutable(nullptr); }
    void TearDown() override { freeImageReaders(); }
    std::string path(const char *name) const { return folder + "/" + name; }

    /* A 4 x 3 two-band SHORT BIL file with distinct header values. */
    ImageHead sampleHead(const std::string &file)
    {
        ImageHead head = layoutHead(file, IMGID_BIL, PIXEL_SHORT, 3, 4, 2);
        head.msbf = 1;
        head.mapid = 7;
        head.imgtype = 3;
        head.top = -2;
        head.left = 9;
        head.x0 = 1234.5;
        head.y0 = -42.25;
        head.z0 = 0.125;
        head.zscale = 3.5;
        head.zmin = -100.0;
        head.zmax = 2500.75;
        head.dx = 30.0;
        head.dy = -15.0;
        head.nindices = 3;
        const unsigned char colours[3][3] = {{1, 2, 3}, {250, 128, 7}, {9, 99, 199}};
        memcpy(head.palette, colours, sizeof(colours));
        snprintf(head.imgdes, sizeof(head.imgdes), "%s", "sample description");
        return head;
    }

    int openFile(const std::string &file, int flags = O_RDWR)
    {
        int fd = open(file.c_str(), flags);
        EXPECT_GE(fd, 0) << file;
        return fd;
    }

    fixture::ScratchDir scratch{"imagedef_test"};
    std::string folder = scratch.path();
};

/* ---- Reading and writing IMAGEDEF headers ------------------------------- */

TEST_F(ImagedefFiles, WrittenHeaderIsHostOrderAndReadsBack)
{
    std::string file = path("sample.img");
    ImageHead written = sampleHead(file);
    ASSERT_EQ(1152, createImageFile(&written));
    EXPECT_EQ(1152, written.offset);
    EXPECT_EQ(8, written.block);

    Bytes bytes = readBytes(file);
    ASSERT_EQ(1152u + 3 * 2 * 8, bytes.size());
    EXPECT_EQ(0, memcmp(bytes.data(), "IMAGEDEF_MSBL\0\0\0", 16));
    EXPECT_EQ(1, getLittle32(bytes, 16));       /* msbf, carried as the head has it */
    EXPECT_EQ(2, getLittle32(bytes, 20));       /* imgid */
    EXPECT_EQ(1152, getLittle32(bytes, 32));    /* offset */
    EXPECT_EQ(3, getLittle32(bytes, 44));       /* rows */
    EXPECT_EQ(4, getLittle32(bytes, 48));       /* columns */
    EXPECT_EQ(3, getLittle32(bytes, 124));      /* nindices */
    EXPECT_EQ(Bytes({1, 2, 3, 250, 128, 7, 9, 99, 199}), Bytes(bytes.begin() + 128, bytes.begin() + 137));
    EXPECT_TRUE(allZero(bytes, 137, 896));
    EXPECT_STREQ("sample description", (const char *)bytes.data() + 896);
    EXPECT_TRUE(allZero(bytes, 896 + 18, bytes.size()));

    int fd = openFile(file);
    ImageHead read = greyHead();
    ASSERT_EQ(1, probeImagedef(fd, &read));
    close(fd);
    EXPECT_EQ(IMGID_BIL, read.imgid);
    EXPECT_EQ(PIXEL_SHORT, read.pixel);
    EXPECT_EQ(1, read.msbf);
    EXPECT_EQ(7, read.mapid);
    EXPECT_EQ(3, read.imgtype);
    EXPECT_EQ(1152, read.offset);
    EXPECT_EQ(2, read.nbands);
    EXPECT_EQ(3, read.rows);
    EXPECT_EQ(4, read.columns);
    EXPECT_EQ(-2, read.top);
    EXPECT_EQ(9, read.left);
    EXPECT_EQ(16, read.bits);
    EXPECT_EQ(8, read.block);
    EXPECT_EQ(-1, read.transparent);
    EXPECT_EQ(1234.5, read.x0);
    EXPECT_EQ(-42.25, read.y0);
    EXPECT_EQ(0.125, read.z0);
    EXPECT_EQ(3.5, read.zscale);
    EXPECT_EQ(-100.0, read.zmin);
    EXPECT_EQ(2500.75, read.zmax);
    EXPECT_EQ(30.0, read.dx);
    EXPECT_EQ(-15.0, read.dy);
    EXPECT_EQ(3, read.nindices);
    EXPECT_EQ(0, memcmp(read.palette, written.palette, 9));
    EXPECT_EQ(3, read.palette[3][0]);            /* beyond nindices: the grey ramp */
    EXPECT_EQ(255, read.palette[255][2]);
    EXPECT_STREQ("sample description", read.imgdes);
}

TEST_F(ImagedefFiles, BigEndianHeaderIsReadByReversingItsFields)
{
    int fd = openFile(fixturePath("imagedef_msbf_short.img"), O_RDONLY);
    ImageHead head = greyHead();
    ASSERT_EQ(1, probeImagedef(fd, &head));
    close(fd);
    EXPECT_EQ(1, head.msbf);
    EXPECT_EQ(IMGID_BIL, head.imgid);
    EXPECT_EQ(1, head.mapid);
    EXPECT_EQ(3, head.imgtype);
    EXPECT_EQ(1152, head.offset);
    EXPECT_EQ(PIXEL_SHORT, head.pixel);
    EXPECT_EQ(2, head.nbands);
    EXPECT_EQ(3, head.rows);
    EXPECT_EQ(4, head.columns);
    EXPECT_EQ(2, head.top);
    EXPECT_EQ(5, head.left);
    EXPECT_EQ(500000.5, head.x0);
    EXPECT_EQ(4200000.25, head.y0);
    EXPECT_EQ(1.5, head.z0);
    EXPECT_EQ(0.25, head.zscale);
    EXPECT_EQ(-3.0, head.zmin);
    EXPECT_EQ(7.0, head.zmax);
    EXPECT_EQ(30.0, head.dx);
    EXPECT_EQ(-30.0, head.dy);
    EXPECT_EQ(2, head.nindices);
    const unsigned char expected[3][3] = {{10, 20, 30}, {200, 150, 100}, {2, 2, 2}};
    EXPECT_EQ(0, memcmp(head.palette, expected, sizeof(expected)));
    EXPECT_STREQ("msbf short fixture", head.imgdes);
    EXPECT_EQ(8, head.block);
    EXPECT_EQ(16, head.bits);
}

TEST_F(ImagedefFiles, FileRowBytesFollowLayoutAndBits)
{
    struct Case {
        int imgid, pixel, columns, nbands, block;
    } cases[] = {
        {IMGID_BSQ, PIXEL_1BIT, 3, 1, 1},      {IMGID_BIP, PIXEL_1BIT, 3, 3, 3},
        {IMGID_BIL, PIXEL_1BIT, 9, 2, 2},      {IMGID_BSQ, PIXEL_4BITS, 3, 2, 2},
        {IMGID_BIL, PIXEL_SHORT, 5, 3, 10},    {IMGID_BIP, PIXEL_FLOAT, 10, 4, 160},
        {IMGID_BSQD, PIXEL_BYTE, 7, 2, 7},     {IMGID_BIPD, PIXEL_USHORT, 3, 2, 12},
        {IMGID_BILD, PIXEL_LONG, 2, 5, 8},
    };
    for (const Case &c : cases) {
        std::string file = path("rows.img");
        ImageHead head = layoutHead(file, c.imgid, c.pixel, 2, c.columns, c.nbands);
        ASSERT_GE(createImageFile(&head), 0) << c.imgid << " " << c.pixel;
        EXPECT_EQ(c.block, head.block) << c.imgid << " " << c.pixel;
        if (c.imgid <= IMGID_BIP) {
            int fd = openFile(file);
            ImageHead read = greyHead();
            ASSERT_EQ(1, probeImagedef(fd, &read));
            close(fd);
            EXPECT_EQ(c.block, read.block) << c.imgid << " " << c.pixel;
        }
    }
}

TEST_F(ImagedefFiles, CorruptOrTruncatedHeadersAreNotRecognised)
{
    std::string good = path("good.img");
    ImageHead head = layoutHead(good, IMGID_BSQ, PIXEL_BYTE, 4, 6, 2);
    ASSERT_EQ(1152, createImageFile(&head));
    const Bytes original = readBytes(good);

    struct Case {
        const char *what;
        int at;                 /* field changed, -1 for none */
        int32_t value;
        long cut;               /* bytes removed from the end */
    } cases[] = {
        {"imgid 0", 20, 0, 0},              {"imgid 4", 20, 4, 0},
        {"imgid BSQD", 20, IMGID_BSQD, 0},  {"pixel UNKNOWN", 36, 0, 0},
        {"pixel 10", 36, 10, 0},            {"pixel -1", 36, -1, 0},
        {"rows 0", 44, 0, 0},               {"rows -5", 44, -5, 0},
        {"columns 0", 48, 0, 0},            {"nbands 0", 40, 0, 0},
        {"offset 100", 32, 100, 0},         {"offset 1151", 32, 1151, 0},
        {"offset beyond the file", 32, INT32_MAX, 0},
        {"rows beyond the file", 44, 5, 0}, {"huge rows", 44, INT32_MAX, 0},
        {"huge columns", 48, INT32_MAX, 0}, {"huge bands", 40, INT32_MAX, 0},
        {"nindices 257", 124, 257, 0},      {"nindices -1", 124, -1, 0},
        {"data one byte short", -1, 0, 1},  {"header one byte short", -1, 0, 6 * 4 * 2 + 1},
        {"empty file", -1, 0, 1152 + 6 * 4 * 2},
    };
    for (const Case &c : cases) {
        Bytes bytes = original;
        if (c.at >= 0) {
            putLittle32(bytes, (size_t)c.at, c.value);
        }
        bytes.resize(bytes.size() - (size_t)c.cut);
        std::string file = path("corrupt.img");
        writeBytes(file, bytes);
        int fd = openFile(file);
        ImageHead probed = greyHead();
        const ImageHead before = probed;
        EXPECT_EQ(0, probeImagedef(fd, &probed)) << c.what;
        EXPECT_EQ(0, memcmp(&before, &probed, sizeof(ImageHead))) << c.what << ": head changed";
        void *priv = NULL;
        EXPECT_EQ(0, probeImageFile(fd, file.c_str(), &probed, &priv)) << c.what;
        close(fd);
    }

    /* A band row beyond 32 bits in a file big enough to hold it: the size
     * check alone would not catch it. */
    Bytes bytes = original;
    putLittle32(bytes, 36, PIXEL_LONG);
    putLittle32(bytes, 48, 600000000);
    putLittle32(bytes, 44, 1);
    putLittle32(bytes, 40, 1);
    std::string file = path("wide.img");
    writeBytes(file, bytes);
    ASSERT_EQ(0, truncate(file.c_str(), (off_t)1152 + 2400000000LL));
    int fd = openFile(file);
    ImageHead probed = greyHead();
    EXPECT_EQ(0, probeImagedef(fd, &probed));
    close(fd);
}

TEST_F(ImagedefFiles, MagicMustBeOneOfTheTwoTextsWithItsNul)
{
    std::string good = path("good.img");
    ImageHead head = layoutHead(good, IMGID_BSQ, PIXEL_BYTE, 2, 2, 1);
    ASSERT_EQ(1152, createImageFile(&head));
    const Bytes original = readBytes(good);
    const char *magics[] = {"IMAGEDEF_MSBX", "imagedef_msbl", "IMAGEDEF_MSB\0"};
    for (const char *magic : magics) {
        Bytes bytes = original;
        memcpy(bytes.data(), magic, 13);
        writeBytes(good, bytes);
        int fd = openFile(good);
        ImageHead probed = greyHead();
        EXPECT_EQ(0, probeImagedef(fd, &probed)) << magic;
        close(fd);
    }
    Bytes bytes = original;
    bytes[13] = 'X';            /* no terminating NUL */
    writeBytes(good, bytes);
    int fd = openFile(good);
    ImageHead probed = greyHead();
    EXPECT_EQ(0, probeImagedef(fd, &probed));
    close(fd);
}

TEST_F(ImagedefFiles, OffsetDecidesHeaderAndDataPosition)
{
    struct Case {
        int imgid;
        int offset;             /* requested */
        int result;             /* and the head's offset afterwards */
    } cases[] = {
        {IMGID_BSQ, 128, 1152},  {IMGID_BSQ, 1152, 1152}, {IMGID_BIL, 4096, 4096},
        {IMGID_BSQ, 0, 0},       {IMGID_BIP, -5, 0},      {IMGID_BSQD, 128, 0},
        {IMGID_BILD, 5000, 0},   {IMGID_BIPD, 0, 0},
    };
    const size_t data = 10 * 20 * 2;
    for (const Case &c : cases) {
        std::string file = path("offset.img");
        ImageHead head = layoutHead(file, c.imgid, PIXEL_BYTE, 10, 20, 2);
        head.offset = c.offset;
        head.nindices = 5;
        EXPECT_EQ(c.result, createImageFile(&head)) << c.imgid << " " << c.offset;
        EXPECT_EQ(c.result, head.offset);
        Bytes bytes = readBytes(file);
        ASSERT_EQ((size_t)c.result + data, bytes.size()) << c.imgid << " " << c.offset;
        if (c.result == 0) {
            EXPECT_TRUE(allZero(bytes, 0, bytes.size())) << "headerless file holds a header";
        } else {
            EXPECT_EQ(0, memcmp(bytes.data(), "IMAGEDEF_MSBL", 14));
            EXPECT_TRUE(allZero(bytes, 1152, bytes.size()));
        }
        if (c.imgid >= IMGID_BSQD) {
            EXPECT_EQ(0, head.nindices);
        }
    }
}

TEST_F(ImagedefFiles, HeaderWriterKeepsFilePositionAndRefusesBadGeometry)
{
    std::string file = path("position.img");
    int fd = open(file.c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(77, lseek(fd, 77, SEEK_SET));
    ImageHead head = layoutHead(file, IMGID_BSQ, PIXEL_BYTE, 2, 3, 1);
    EXPECT_EQ(1152, writeImagedefHeader(fd, &head));
    EXPECT_EQ(77, lseek(fd, 0, SEEK_CUR));

    struct Case {
        const char *what;
        int pixel, rows, columns, nbands;
    } bad[] = {
        {"pixel UNKNOWN", PIXEL_UNKNOWN, 2, 3, 1}, {"pixel 12", 12, 2, 3, 1},
        {"rows 0", PIXEL_BYTE, 0, 3, 1},           {"columns 0", PIXEL_BYTE, 2, 0, 1},
        {"nbands 0", PIXEL_BYTE, 2, 3, 0},         {"row beyond 32 bits", PIXEL_FLOAT, 2, INT_MAX, 1},
    };
    for (const Case &c : bad) {
        ImageHead wrong = layoutHead(file, IMGID_BIP, c.pixel, c.rows, c.columns, c.nbands);
        EXPECT_EQ(-1, writeImagedefHeader(fd, &wrong)) << c.what;
    }
    ImageHead wide = layoutHead(file, IMGID_BIP, PIXEL_BYTE, 2, 70000, 40000);
    EXPECT_EQ(-1, writeImagedefHeader(fd, &wide)) << "BIP row beyond 32 bits";
    close(fd);

    int readOnly = openFile(file, O_RDONLY);
    ImageHead head2 = layoutHead(file, IMGID_BSQ, PIXEL_BYTE, 2, 3, 1);
    EXPECT_EQ(-1, writeImagedefHeader(readOnly, &head2)) << "short write";
    close(readOnly);
}

TEST_F(ImagedefFiles, RewrittenHeaderLeavesTheRowsAlone)
{
    std::string file = path("rewrite.img");
    ImageHead head = layoutHead(file, IMGID_BSQ, PIXEL_BYTE, 2, 4, 1);
    ASSERT_EQ(1152, createImageFile(&head));
    int fd = openFile(file);
    const unsigned char pixels[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(8, pwrite(fd, pixels, 8, 1152));

    snprintf(head.imgdes, sizeof(head.imgdes), "%s", "changed");
    head.zmax = 99.5;
    EXPECT_EQ(1152, rewriteImageHeader(fd, &head));
    ImageHead read = greyHead();
    ASSERT_EQ(1, probeImagedef(fd, &read));
    EXPECT_STREQ("changed", read.imgdes);
    EXPECT_EQ(99.5, read.zmax);
    close(fd);
    Bytes bytes = readBytes(file);
    ASSERT_EQ(1160u, bytes.size());
    EXPECT_EQ(Bytes(pixels, pixels + 8), Bytes(bytes.begin() + 1152, bytes.end()));

    std::string raw = path("raw.img");
    ImageHead headerless = layoutHead(raw, IMGID_BSQD, PIXEL_BYTE, 2, 4, 1);
    ASSERT_EQ(0, createImageFile(&headerless));
    fd = openFile(raw);
    ASSERT_EQ(8, pwrite(fd, pixels, 8, 0));
    EXPECT_EQ(0, rewriteImageHeader(fd, &headerless));
    close(fd);
    EXPECT_EQ(Bytes(pixels, pixels + 8), readBytes(raw));
}

/* ---- Writers by imgid ----------------------------------------------------- */

TEST_F(ImagedefFiles, FormatsWithoutHeaderWriterAnswerMinusTwo)
{
    std::string file = path("none.img");
    int fd = open(file.c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    const int noWriter[] = {IMGID_UNKNOWN, IMGID_ELAS, IMGID_XBMP, IMGID_GIF87A, IMGID_GIF89A,
                            IMGID_JPEG, IMGID_FFT, IMGID_DICOM, IMGID_MBSQ, IMGID_MRGB1, 31};
    for (int imgid : noWriter) {
        ImageHead head = layoutHead(file, imgid, PIXEL_BYTE, 2, 2, 1);
        EXPECT_EQ(-2, writeImageHeader(fd, 1, &head)) << imgid;
    }
    const int noRewrite[] = {IMGID_UNKNOWN, IMGID_ELAS, IMGID_DIB, IMGID_TIFF, IMGID_PPM,
                             IMGID_GEOTIFF, IMGID_MBIL, IMGID_MRGB24};
    for (int imgid : noRewrite) {
        ImageHead head = layoutHead(file, imgid, PIXEL_BYTE, 2, 2, 1);
        EXPECT_EQ(-2, rewriteImageHeader(fd, &head)) << imgid;
    }
    struct stat info;
    ASSERT_EQ(0, fstat(fd, &info));
    EXPECT_EQ(0, info.st_size);
    close(fd);
}

TEST_F(ImagedefFiles, HundredByHundredByteBsqFile)
{
    std::string file = path("hundred.img");
    writeBytes(file, Bytes(20000, 0xFF));       /* an older, longer file is truncated */
    ASSERT_EQ(0, chmod(file.c_str(), 0644));
    ImageHead head = layoutHead(file, IMGID_BSQ, PIXEL_BYTE, 100, 100, 1);
    EXPECT_EQ(1152, createImageFile(&head));
    Bytes bytes = readBytes(file);
    ASSERT_EQ(1152u + 100 * 100, bytes.size());
    EXPECT_TRUE(allZero(bytes, 1152, bytes.size()));

    std::string fresh = path("fresh.img");
    ImageHead again = layoutHead(fresh, IMGID_BSQ, PIXEL_BYTE, 100, 100, 1);
    mode_t mask = umask(022);
    EXPECT_EQ(1152, createImageFile(&again));
    umask(mask);
    struct stat info;
    ASSERT_EQ(0, stat(fresh.c_str(), &info));
    EXPECT_EQ(0644, info.st_mode & 0777);
}

TEST_F(ImagedefFiles, CreateFailuresAnswerMinusOne)
{
    ImageHead missingFolder = layoutHead(path("no/such/folder.img"), IMGID_BSQ, PIXEL_BYTE, 2, 2, 1);
    EXPECT_EQ(-1, createImageFile(&missingFolder));

    ImageHead noRows = layoutHead(path("norows.img"), IMGID_BSQ, PIXEL_BYTE, 0, 2, 1);
    EXPECT_EQ(-1, createImageFile(&noRows));

    ImageHead unterminated = layoutHead(path("x.img"), IMGID_BSQ, PIXEL_BYTE, 2, 2, 1);
    memset(unterminated.file, 'a', sizeof(unterminated.file));
    EXPECT_EQ(-1, createImageFile(&unterminated));

    ImageHead empty = layoutHead("", IMGID_BSQ, PIXEL_BYTE, 2, 2, 1);
    EXPECT_EQ(-1, createImageFile(&empty));
}

TEST_F(ImagedefFiles, DataAreaSizeByLayout)
{
    struct Case {
        int imgid;
        int offset, block, rows, nbands;
        int64_t size;
    } cases[] = {
        {IMGID_BSQ, 1152, 10, 3, 2, 60},     {IMGID_BIL, 1152, 10, 3, 2, 60},
        {IMGID_BIP, 1152, 20, 3, 2, 60},     {IMGID_BIPD, 0, 20, 3, 2, 60},
        {IMGID_DIB, 54, 12, 4, 3, 48},       {IMGID_TIFF, 8, 30, 2, 3, 60},
        {IMGID_GEOTIFF, 8, 30, 2, 3, 60},    {IMGID_UNKNOWN, 128, 10, 3, 2, 60},
        {IMGID_E74, 128, 10, 3, 4, 120},     {IMGID_BSQ, 1152, 10, 0, 2, 0},
    };
    for (const Case &c : cases) {
        std::string file = path("area.img");
        /* Bytes already in the file inside the area become zero; those
         * before and after it stay. */
        size_t total = (size_t)(c.offset + c.size + 16);
        writeBytes(file, Bytes(total, 0xAB));
        int fd = openFile(file);
        ASSERT_EQ(5, lseek(fd, 5, SEEK_SET));
        ImageHead head = layoutHead(file, c.imgid, PIXEL_BYTE, c.rows, 1, c.nbands);
        head.offset = c.offset;
        head.block = c.block;
        EXPECT_EQ(c.offset, saveWholeImage(fd, &head)) << c.imgid;
        EXPECT_EQ(5, lseek(fd, 0, SEEK_CUR));
        close(fd);
        Bytes bytes = readBytes(file);
        ASSERT_EQ(total, bytes.size());
        for (size_t i = 0; i < total; i++) {
            bool inArea = i >= (size_t)c.offset && i < (size_t)(c.offset + c.size);
            ASSERT_EQ(inArea ? 0 : 0xAB, bytes[i]) << c.imgid << " byte " << i;
        }

        /* An empty file grows to the end of the area. */
        writeBytes(file, Bytes());
        fd = openFile(file);
        EXPECT_EQ(c.offset, saveWholeImage(fd, &head));
        close(fd);
        EXPECT_EQ((size_t)(c.size > 0 ? c.offset + c.size : 0), readBytes(file).size()) << c.imgid;
    }
}

TEST_F(ImagedefFiles, DataAreaFailures)
{
    std::string file = path("fail.img");
    writeBytes(file, Bytes(10, 1));
    int readOnly = openFile(file, O_RDONLY);
    ImageHead head = layoutHead(file, IMGID_BSQ, PIXEL_BYTE, 4, 4, 1);
    head.offset = 0;
    head.block = 4;
    EXPECT_EQ(-1, saveWholeImage(readOnly, &head)) << "short write";
    close(readOnly);

    int fd = openFile(file);
    struct Case {
        const char *what;
        int offset, block, rows, nbands;
    } bad[] = {
        {"negative block", 0, -4, 4, 1},   {"negative rows", 0, 4, -4, 1},
        {"negative bands", 0, 4, 4, -1},   {"negative offset", -8, 4, 4, 1},
        {"beyond 64 bits", INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
    };
    for (const Case &c : bad) {
        ImageHead wrong = layoutHead(file, IMGID_BSQ, PIXEL_BYTE, c.rows, 4, c.nbands);
        wrong.offset = c.offset;
        wrong.block = c.block;
        EXPECT_EQ(-1, saveWholeImage(fd, &wrong)) << c.what;
    }
    close(fd);
    EXPECT_EQ(Bytes(10, 1), readBytes(file));
}

TEST_F(ImagedefFiles, TrailerIsWrittenOnlyForPaletteFormats)
{
    ImageHead head = layoutHead(path("t.img"), IMGID_DIB, PIXEL_BYTE, 2, 2, 1);
    EXPECT_EQ(0, flushImageTrailer(-1, &head, NULL));
    std::string file = path("trailer.img");
    ImageHead bsq = layoutHead(file, IMGID_BSQ, PIXEL_BYTE, 2, 2, 1);
    bsq.nindices = 4;
    ASSERT_EQ(1152, createImageFile(&bsq));
    const Bytes before = readBytes(file);
    int fd = openFile(file);
    EXPECT_EQ(0, flushImageTrailer(fd, &bsq, NULL));
    close(fd);
    EXPECT_EQ(before, readBytes(file));
}

/* ---- The probe and its reader lists --------------------------------------- */

std::vector<std::string> readerCalls;

int acceptingReader(int fd, const char *fileName, ImageHead *head, void **priv)
{
    readerCalls.push_back("accept");
    head->rows = 42;
    return 42;
}

int decliningReader(int fd, const char *fileName, ImageHead *head, void **priv)
{
    readerCalls.push_back("decline");
    head->transparent = 77;
    head->palette[200][0] = 1;
    head->rows = -3;
    *priv = NULL;
    return 0;
}

int otherDecliningReader(int fd, const char *fileName, ImageHead *head, void **priv)
{
    readerCalls.push_back("other");
    return 0;
}

int failingReader(int fd, const char *fileName, ImageHead *head, void **priv)
{
    readerCalls.push_back("fail");
    return -3;
}

class ImageProbe : public ImagedefFiles {
protected:
    void SetUp() override
    {
        ImagedefFiles::SetUp();
        readerCalls.clear();
        imagedef = path("probe.img");
        ImageHead head = sampleHead(imagedef);
        ASSERT_EQ(1152, createImageFile(&head));
        unknown = path("unknown.dat");
        writeBytes(unknown, Bytes(2000, 0x5A));
    }

    int probe(const std::string &file, ImageHead *head, void **priv)
    {
        int fd = openFile(file);
        lseek(fd, 0, SEEK_END);             /* probes read from byte 0 anyway */
        int result = probeImageFile(fd, file.c_str(), head, priv);
        close(fd);
        return result;
    }

    std::string imagedef, unknown;
};

TEST_F(ImageProbe, ImagedefFileIsRecognisedAndHeadPrepared)
{
    ImageHead head = greyHead();
    head.dataFd = 12;
    head.frames = 3;
    head.encoding = 5;
    void *priv = &head;
    EXPECT_EQ(IMGID_BIL, probe(imagedef, &head, &priv));
    EXPECT_EQ(nullptr, priv);
    EXPECT_EQ(-1, head.dataFd);
    EXPECT_EQ(0, head.frames);
    EXPECT_EQ(0, head.encoding);
    EXPECT_EQ(3, head.rows);

    ImageHead other = greyHead();
    EXPECT_EQ(0, probe(unknown, &other, &priv));
}

TEST_F(ImageProbe, ReadersBeforeTheBuiltInFormatsComeFirst)
{
    ASSERT_EQ(1, addImageReader(otherDecliningReader, 0));
    ASSERT_EQ(1, addImageReader(decliningReader, 0));
    ImageHead head = greyHead();
    void *priv = NULL;
    EXPECT_EQ(IMGID_BIL, probe(imagedef, &head, &priv));
    EXPECT_EQ(std::vector<std::string>({"decline", "other"}), readerCalls);
    /* What a declining reader wrote is gone before the next format looks. */
    EXPECT_EQ(-1, head.transparent);
    EXPECT_EQ(200, head.palette[200][0]);
    EXPECT_EQ(3, head.rows);

    readerCalls.clear();
    ASSERT_EQ(1, addImageReader(acceptingReader, 0));
    head = greyHead();
    EXPECT_EQ(42, probe(imagedef, &head, &priv));
    EXPECT_EQ(std::vector<std::string>({"accept"}), readerCalls);
    EXPECT_EQ(42, head.rows);
}

TEST_F(ImageProbe, AFailingReaderEndsTheProbe)
{
    ASSERT_EQ(1, addImageReader(failingReader, 0));
    ASSERT_EQ(1, addImageReader(acceptingReader, 1));
    ImageHead head = greyHead();
    void *priv = NULL;
    EXPECT_EQ(-1, probe(imagedef, &head, &priv));
    EXPECT_EQ(std::vector<std::string>({"fail"}), readerCalls);

    readerCalls.clear();
    removeImageReader(failingReader);
    ASSERT_EQ(1, addImageReader(failingReader, 1));
    head = greyHead();
    EXPECT_EQ(42, probe(unknown, &head, &priv));
    EXPECT_EQ(std::vector<std::string>({"accept"}), readerCalls);
}

TEST_F(ImageProbe, ReadersAfterTheBuiltInFormatsComeLastInOrder)
{
    ASSERT_EQ(1, addImageReader(decliningReader, 1));
    ASSERT_EQ(1, addImageReader(otherDecliningReader, 1));
    ImageHead head = greyHead();
    void *priv = NULL;
    EXPECT_EQ(IMGID_BIL, probe(imagedef, &head, &priv));
    EXPECT_TRUE(readerCalls.empty());

    EXPECT_EQ(0, probe(unknown, &head, &priv));
    EXPECT_EQ(std::vector<std::string>({"decline", "other"}), readerCalls);

    /* An IMAGEDEF header of another layout is not IMAGEDEF: the probe goes
     * on to the after-list. */
    Bytes bytes = readBytes(imagedef);
    putLittle32(bytes, 20, IMGID_E73);
    writeBytes(imagedef, bytes);
    readerCalls.clear();
    ASSERT_EQ(1, addImageReader(acceptingReader, 1));
    head = greyHead();
    EXPECT_EQ(42, probe(imagedef, &head, &priv));
    EXPECT_EQ(std::vector<std::string>({"decline", "other", "accept"}), readerCalls);
}

TEST_F(ImageProbe, AReaderStandsOnceInBothListsTogether)
{
    ASSERT_EQ(1, addImageReader(decliningReader, 0));
    ASSERT_EQ(1, addImageReader(decliningReader, 1));
    ASSERT_EQ(1, addImageReader(decliningReader, 1));
    ImageHead head = greyHead();
    void *priv = NULL;
    EXPECT_EQ(IMGID_BIL, probe(imagedef, &head, &priv));
    EXPECT_TRUE(readerCalls.empty()) << "left in the before-list";
    EXPECT_EQ(0, probe(unknown, &head, &priv));
    EXPECT_EQ(std::vector<std::string>({"decline"}), readerCalls);

    readerCalls.clear();
    removeImageReader(decliningReader);
    removeImageReader(decliningReader);
    removeImageReader(otherDecliningReader);
    EXPECT_EQ(0, probe(unknown, &head, &priv));
    EXPECT_TRUE(readerCalls.empty());
    EXPECT_EQ(0, addImageReader(NULL, 0));
}

/* ---- Rows through the core ------------------------------------------------ */

TEST_F(ImagedefFiles, BigEndianShortRowsReachTheCacheInHostOrder)
{
    std::string file = path("msbf.img");
    writeBytes(file, readBytes(fixturePath("imagedef_msbf_short.img")));
    int err = -1;
    RAMIMG *image = openRamImageFile(file.c_str(), NULL, NULL, &err);
    ASSERT_NE(image, nullptr) << ramImageErrorText(err);
    EXPECT_EQ(0, err);
    EXPECT_EQ(IMGID_BIL, image->head.imgid);
    for (int band = 0; band < 2; band++) {
        for (int row = 0; row < 3; row++) {
            const int16_t *values = (const int16_t *)getRAMImageLine(image, row, band, 1);
            ASSERT_NE(values, nullptr);
            for (int column = 0; column < 4; column++) {
                EXPECT_EQ(band * 1000 - row * 100 + column * 7 - 150, values[column])
                    << "band " << band << " row " << row << " column " << column;
            }
        }
    }
    freeRamImage(image);
}

TEST_F(ImagedefFiles, CreatedFileOpensWithItsHeader)
{
    std::string file = path("created.img");
    ImageHead head = sampleHead(file);
    head.msbf = 0;
    ASSERT_EQ(1152, createImageFile(&head));
    int err = -1;
    RAMIMG *image = openRamImageFile(file.c_str(), NULL, NULL, &err);
    ASSERT_NE(image, nullptr) << ramImageErrorText(err);
    EXPECT_EQ(3, image->head.rows);
    EXPECT_EQ(4, image->head.columns);
    EXPECT_EQ(2, image->head.nbands);
    EXPECT_EQ(8, image->head.block);
    const int16_t *values = (const int16_t *)getRAMImageLine(image, 2, 1, 1);
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(0, values[0]);
    EXPECT_EQ(0, values[3]);
    freeRamImage(image);
}

/* ---- File checks ---------------------------------------------------------- */

TEST_F(ImagedefFiles, FileExistsWhateverItsRights)
{
    std::string plain = path("plain");
    writeBytes(plain, Bytes(3, 0));
    std::string locked = path("locked");
    writeBytes(locked, Bytes(3, 0));
    ASSERT_EQ(0, chmod(locked.c_str(), 0));
    std::string dangling = path("dangling");
    ASSERT_EQ(0, symlink(path("nowhere").c_str(), dangling.c_str()));
    struct Case {
        const char *what;
        std::string name;
        int expected;
    } cases[] = {
        {"file", plain, 0},         {"no rights", locked, 0},  {"folder", folder, 0},
        {"dangling link", dangling, 0}, {"missing", path("missing"), -1},
        {"missing folder", path("no/such"), -1}, {"empty", "", -1},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.expected, fileExists(c.name.c_str())) << c.what;
    }
    EXPECT_EQ(-1, fileExists(NULL));
}

TEST_F(ImagedefFiles, DiskFreeBytesOfFilesAndFolders)
{
    std::string plain = path("plain");
    writeBytes(plain, Bytes(3, 0));
    EXPECT_GT(diskFreeBytes(plain.c_str()), 0.0);
    EXPECT_GT(diskFreeBytes(folder.c_str()), 0.0);
    EXPECT_GT(diskFreeBytes(path("not-yet-created.img").c_str()), 0.0);
    EXPECT_GT(diskFreeBytes(""), 0.0);
    EXPECT_GT(diskFreeBytes(NULL), 0.0);

    /* The failure message reaches the console's standard error. */
    Tcl_Interp *interp = Tcl_CreateInterp();
    ASSERT_EQ(TCL_OK, Tcl_Eval(interp, "set ::out {}; rename puts tcl_puts;"
                                       " proc puts args {lappend ::out $args}"));
    Tcl_Interp *previous = setConsoleInterp(interp);
    int suppress = ovexState.suppressOutput;
    int tkConsole = ovexState.tkConsole;
    ovexState.suppressOutput = 0;
    ovexState.tkConsole = 0;
    EXPECT_EQ(-1.0, diskFreeBytes(path("no/such/folder/file.img").c_str()));
    ovexState.suppressOutput = suppress;
    ovexState.tkConsole = tkConsole;
    setConsoleInterp(previous);
    EXPECT_STREQ("{-nonewline stderr {Error in getdfree() call\n}}",
                 Tcl_GetVar(interp, "::out", TCL_GLOBAL_ONLY));
    Tcl_DeleteInterp(interp);
}

} // namespace
