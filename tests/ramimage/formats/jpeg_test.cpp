/*
 * jpeg_test.cpp --
 *
 *	JPEG files: the probe and its comment markers, the whole-image
 *	decoder, the encoders (quality, band counts), the write-back of a RAM
 *	image through the row cache, the limits on hostile files, and the
 *	independent tools (djpeg, cjpeg, rdjpgcom, ImageMagick) as witnesses.
 */
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "../console_capture.h"
#include "kit/fixture_kit.h"
#include "core/vocabulary.h"
#include "ramimage/format_hooks.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/formats/jpeg.h"
#include "ramimage/georef_line.h"
#include "ramimage/ramimg.h"

using console_capture::ConsoleCapture;

namespace {

using fixture::Bytes;

/* ---- Files and folders ------------------------------------------------------ */

using fixture::commandOutput;
using fixture::haveTool;
using fixture::readBytes;
using fixture::writeBytes;

/* ---- Pictures ----------------------------------------------------------------- */

/* Band-interleaved-by-line rows: row r of band b at (r x bands + b) x columns. */
struct Picture {
    int columns = 0, rows = 0, bands = 0;
    Bytes bil;

    Picture() = default;
    Picture(int c, int r, int b) : columns(c), rows(r), bands(b), bil((size_t)c * r * b, 0) {}
    unsigned char &at(int r, int b, int c) { return bil[((size_t)r * bands + b) * columns + c]; }
    unsigned char at(int r, int b, int c) const { return bil[((size_t)r * bands + b) * columns + c]; }
};

/* A smooth picture (JPEG keeps it within a few levels). */
Picture smoothPicture(int columns, int rows, int bands)
{
    Picture p(columns, rows, bands);
    for (int r = 0; r < rows; r++) {
        for (int b = 0; b < bands; b++) {
            for (int c = 0; c < columns; c++) {
                p.at(r, b, c) = (unsigned char)(20 + c * 120 / columns + r * 60 / rows + b * 25);
            }
        }
    }
    return p;
}

/* Pixels as a PPM (3 bands) or PGM (1 band) file. */
bool writePnm(const std::string &path, const Picture &p)
{
    std::string header = (p.bands == 3 ? "P6\n" : "P5\n") + std::to_string(p.columns) + " "
                         + std::to_string(p.rows) + "\n255\n";
    Bytes bytes(header.begin(), header.end());
    for (int r = 0; r < p.rows; r++) {
        for (int c = 0; c < p.columns; c++) {
            for (int b = 0; b < p.bands; b++) {
                bytes.push_back(p.at(r, b, c));
            }
        }
    }
    return writeBytes(path, bytes);
}

/* A binary PGM/PPM as a picture; bands 0 when it cannot be read. */
Picture readPnm(const Bytes &bytes)
{
    Picture none;
    if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) {
        return none;
    }
    int bands = bytes[1] == '6' ? 3 : 1;
    size_t at = 2;
    int numbers[3];
    for (int k = 0; k < 3; k++) {
        while (at < bytes.size() && isspace(bytes[at])) {
            at++;
        }
        int value = 0;
        while (at < bytes.size() && isdigit(bytes[at])) {
            value = value * 10 + (bytes[at++] - '0');
        }
        numbers[k] = value;
    }
    at++;
    Picture p(numbers[0], numbers[1], bands);
    if (bytes.size() < at + (size_t)p.columns * p.rows * bands) {
        return none;
    }
    for (int r = 0; r < p.rows; r++) {
        for (int c = 0; c < p.columns; c++) {
            for (int b = 0; b < bands; b++) {
                p.at(r, b, c) = bytes[at++];
            }
        }
    }
    return p;
}

/* Largest and mean absolute difference of two pictures of one size. */
void compare(const Picture &a, const Picture &b, int *maxDiff, double *meanDiff)
{
    ASSERT_EQ(a.bil.size(), b.bil.size());
    long sum = 0;
    int most = 0;
    for (size_t i = 0; i < a.bil.size(); i++) {
        int d = abs((int)a.bil[i] - (int)b.bil[i]);
        sum += d;
        most = d > most ? d : most;
    }
    *maxDiff = most;
    *meanDiff = a.bil.empty() ? 0.0 : (double)sum / (double)a.bil.size();
}

ImageHead jpegHead(int columns, int rows, int bands, int quality = 90)
{
    ImageHead head;
    initImageHead(&head);
    head.imgid = IMGID_JPEG;
    head.pixel = PIXEL_BYTE;
    head.bits = 8;
    head.columns = columns;
    head.rows = rows;
    head.nbands = bands;
    head.block = quality;
    head.mapid = 1;
    head.dx = head.dy = 1.0;
    head.transparent = -1;
    head.dataFd = -1;
    return head;
}

/* ---- Our codec over files ----------------------------------------------------- */

int encodeOurs(const std::string &path, const ImageHead &head, const Picture &p)
{
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) {
        return -99;
    }
    int result = writeJpegImage(fd, &head, p.bil.data(), p.columns);
    close(fd);
    return result;
}

int decodeOurs(const std::string &path, Picture *p)
{
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        return -99;
    }
    int result = readJpegFile(fd, p->bil.data(), p->columns, p->rows, p->bands, NULL, 0);
    close(fd);
    return result;
}

int probeFile(const std::string &path, ImageHead *head)
{
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        return -99;
    }
    int result = probeJpeg(fd, head, NULL, 0);
    close(fd);
    return result;
}

/* ---- Streams made with libjpeg directly (files "from elsewhere") --------------- */

struct EncodeOptions {
    int columns = 32, rows = 16, bands = 3;
    int quality = 90;
    bool progressive = false;
    std::vector<std::string> comments;     /* each written as given, no zero added */
};

Bytes encodeForeign(const EncodeOptions &o)
{
    struct jpeg_compress_struct cinfo;
    struct jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char *out = NULL;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = o.columns;
    cinfo.image_height = o.rows;
    cinfo.input_components = o.bands;
    cinfo.in_color_space = o.bands == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, o.quality, TRUE);
    if (o.progressive) {
        jpeg_simple_progression(&cinfo);
    }
    jpeg_start_compress(&cinfo, TRUE);
    for (const std::string &text : o.comments) {
        jpeg_write_marker(&cinfo, JPEG_COM, (const JOCTET *)text.data(), (unsigned)text.size());
    }
    Picture p = smoothPicture(o.columns, o.rows, o.bands);
    Bytes line((size_t)o.columns * o.bands);
    for (int r = 0; r < o.rows; r++) {
        for (int c = 0; c < o.columns; c++) {
            for (int b = 0; b < o.bands; b++) {
                line[(size_t)c * o.bands + b] = p.at(r, b, c);
            }
        }
        JSAMPROW row = line.data();
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes bytes(out, out + size);
    free(out);
    return bytes;
}

/* The first luminance quantisation value of a JPEG file: 3 at quality
 * 90, 1 at 100, 16 at 50 (the standard table scaled). */
int firstQuantValue(const std::string &path)
{
    Bytes bytes = readBytes(path);
    for (size_t i = 0; i + 5 < bytes.size(); i++) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDB && (bytes[i + 4] & 0x0F) == 0) {
            return bytes[i + 5];
        }
    }
    return -1;
}

std::string georefText(int mapid, double x0, double y0, double dx, double dy)
{
    ImageHead head = jpegHead(1, 1, 1);
    head.mapid = mapid;
    head.x0 = x0;
    head.y0 = y0;
    head.dx = dx;
    head.dy = dy;
    char line[GEOREF_LINE_SIZE];
    int n = formatGeorefLine(&head, line);
    return std::string(line, (size_t)n);
}

class JpegTest : public ::testing::Test {
protected:
    void SetUp() override { Tcl_FindExecutable(nullptr); }
    fixture::ScratchDir dir{"ovex-jpeg"};
};

/* ---- Signature and probe ---------------------------------------------------------- */

TEST_F(JpegTest, SignatureIsFFD8FF)
{
    struct Case {
        unsigned char bytes[3];
        int expected;
    } cases[] = {
        {{0xFF, 0xD8, 0xFF}, 1}, {{0xFF, 0xD8, 0xFE}, 0}, {{0xFF, 0xD9, 0xFF}, 0},
        {{0x00, 0xD8, 0xFF}, 0}, {{'G', 'I', 'F'}, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.expected, isJpegSignature(c.bytes)) << (int)c.bytes[0] << " " << (int)c.bytes[2];
    }
}

TEST_F(JpegTest, ProbeFillsTheHeadAndRoundTripsGeoreferenceAndDescription)
{
    ImageHead head = jpegHead(40, 24, 3);
    head.mapid = 32633;
    head.x0 = 512345.25;
    head.y0 = 5432109.125;
    head.dx = 0.1;
    head.dy = -0.1;
    strcpy(head.imgdes, "Harbour, morning flight");
    std::string path = dir.at("geo.jpg");
    ASSERT_EQ(1, encodeOurs(path, head, smoothPicture(40, 24, 3)));

    ImageHead found;
    initImageHead(&found);
    ASSERT_EQ(1, probeFile(path, &found));
    EXPECT_EQ(IMGID_JPEG, found.imgid);
    EXPECT_EQ(PIXEL_BYTE, found.pixel);
    EXPECT_EQ(8, found.bits);
    EXPECT_EQ(3, found.nbands);
    EXPECT_EQ(24, found.rows);
    EXPECT_EQ(40, found.columns);
    EXPECT_EQ(0, found.offset);
    EXPECT_EQ(0, found.top);
    EXPECT_EQ(0, found.left);
    EXPECT_EQ(0, found.nindices);
    EXPECT_EQ(-1, found.transparent);
    EXPECT_EQ(90, found.block);
    EXPECT_EQ(1, found.encoding);
    EXPECT_EQ(msbFirst(), found.msbf);
    EXPECT_EQ(32633, found.mapid);
    EXPECT_EQ(512345.25, found.x0);
    EXPECT_EQ(5432109.125, found.y0);
    EXPECT_EQ(0.1, found.dx);
    EXPECT_EQ(-0.1, found.dy);
    EXPECT_STREQ("Harbour, morning flight", found.imgdes);
}

TEST_F(JpegTest, CommentMarkersDecideGeoreferenceAndDescription)
{
    const std::string line = georefText(32633, 100.5, 200.5, 2.0, -2.0);
    const std::string longText(2000, 'd');
    struct Case {
        const char *name;
        std::vector<std::string> comments;
        bool georeferenced;
        std::string imgdes;
    } cases[] = {
        {"line then description", {line, std::string("a river\0", 8)}, true, "a river"},
        {"line as last marker", {line}, true, "kept"},
        {"ordinary comment", {"made by a scanner"}, false, "kept"},
        {"comment, line, description, later", {"first", line, "second", "third"}, true, "second"},
        {"line without its dx and dy", {"ovex proj:UTM x0:1 y0:2"}, false, "kept"},
        {"long description is cut", {line, longText}, true, std::string(255, 'd')},
        {"line without its zero", {line.substr(0, line.size() - 1), "d"}, true, "d"},
    };
    for (const Case &c : cases) {
        EncodeOptions o;
        o.comments = c.comments;
        Bytes bytes = encodeForeign(o);
        ImageHead found;
        initImageHead(&found);
        strcpy(found.imgdes, "kept");
        ASSERT_EQ(1, probeJpeg(-1, &found, bytes.data(), bytes.size())) << c.name;
        if (c.georeferenced) {
            EXPECT_EQ(32633, found.mapid) << c.name;
            EXPECT_EQ(100.5, found.x0) << c.name;
            EXPECT_EQ(200.5, found.y0) << c.name;
            EXPECT_EQ(2.0, found.dx) << c.name;
            EXPECT_EQ(-2.0, found.dy) << c.name;
        } else {
            EXPECT_EQ(1, found.mapid) << c.name;
            EXPECT_EQ(0.0, found.x0) << c.name;
            EXPECT_EQ(0.0, found.y0) << c.name;
            EXPECT_EQ(1.0, found.dx) << c.name;
            EXPECT_EQ(1.0, found.dy) << c.name;
        }
        EXPECT_EQ(c.imgdes, std::string(found.imgdes)) << c.name;
    }
}

TEST_F(JpegTest, ProbeRefusesWhatIsNotAJpegAndKeepsTheHead)
{
    Bytes good = encodeForeign(EncodeOptions());
    Bytes garbage = {0xFF, 0xD8, 0xFF, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05};
    struct Case {
        const char *name;
        Bytes bytes;
    } cases[] = {
        {"empty", {}},
        {"two bytes", {0xFF, 0xD8}},
        {"GIF", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}},
        {"signature then garbage", garbage},
        {"header cut short", Bytes(good.begin(), good.begin() + 40)},
    };
    ConsoleCapture console;
    for (const Case &c : cases) {
        std::string path = dir.at("not.jpg");
        ASSERT_TRUE(writeBytes(path, c.bytes));
        ImageHead head;
        initImageHead(&head);
        head.rows = 77;
        EXPECT_EQ(0, probeFile(path, &head)) << c.name;
        EXPECT_EQ(0, probeJpeg(-1, &head, c.bytes.empty() ? NULL : c.bytes.data(), c.bytes.size()))
            << c.name;
        EXPECT_EQ(77, head.rows) << c.name;
        EXPECT_EQ(0, head.imgid) << c.name;
    }
    console.takeStderr();
}

TEST_F(JpegTest, ProbeAndDecoderPutTheDescriptorPositionBack)
{
    EncodeOptions o;
    o.columns = 128;
    o.rows = 128;
    Bytes bytes = encodeForeign(o);
    std::string whole = dir.at("whole.jpg");
    std::string truncated = dir.at("cut.jpg");
    ASSERT_TRUE(writeBytes(whole, bytes));
    ASSERT_TRUE(writeBytes(truncated, Bytes(bytes.begin(), bytes.end() - 200)));
    ConsoleCapture console;
    for (const std::string &path : {whole, truncated}) {
        int fd = open(path.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(17, lseek(fd, 17, SEEK_SET));
        ImageHead head;
        initImageHead(&head);
        EXPECT_EQ(1, probeJpeg(fd, &head, NULL, 0)) << path;
        EXPECT_EQ(17, lseek(fd, 0, SEEK_CUR)) << path;
        Picture p(o.columns, o.rows, o.bands);
        EXPECT_EQ(1, readJpegFile(fd, p.bil.data(), p.columns, p.rows, p.bands, NULL, 0)) << path;
        EXPECT_EQ(17, lseek(fd, 0, SEEK_CUR)) << path;
        close(fd);
    }
    EXPECT_EQ("Premature end of JPEG file\n", console.takeStderr());
}

TEST_F(JpegTest, ProbeRefusesPicturesAboveTheDecodingCap)
{
    /* A real header whose frame claims 60000 x 60000 RGB (10.8 GB). */
    Bytes bytes = encodeForeign(EncodeOptions());
    size_t sof = 0;
    for (size_t i = 2; i + 9 < bytes.size(); i++) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            sof = i;
            break;
        }
    }
    ASSERT_GT(sof, 0u);
    bytes[sof + 5] = 60000 >> 8;
    bytes[sof + 6] = 60000 & 0xFF;
    bytes[sof + 7] = 60000 >> 8;
    bytes[sof + 8] = 60000 & 0xFF;
    std::string path = dir.at("huge.jpg");
    ASSERT_TRUE(writeBytes(path, bytes));

    ConsoleCapture console;
    ImageHead head;
    initImageHead(&head);
    EXPECT_EQ(-1, probeFile(path, &head));
    EXPECT_EQ(0, head.imgid);
    EXPECT_EQ(0, probeJpeg(-1, &head, bytes.data(), bytes.size()));
    EXPECT_EQ("JPEG image of 60000 x 60000 pixels and 3 components is above the decoding limit "
              "of 1073741824 bytes (OVEX_MAX_DECODE)\n"
              "JPEG image of 60000 x 60000 pixels and 3 components is above the decoding limit "
              "of 1073741824 bytes (OVEX_MAX_DECODE)\n",
              console.takeStderr());

    /* Through the format probe the open fails as "unhandled", not "unknown". */
    int fd = open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    initImageHead(&head);
    EXPECT_EQ(-1, probeImageFile(fd, path.c_str(), &head, NULL));
    close(fd);

    /* The cap is the console's OVEX_MAX_DECODE: a small picture above a
     * small cap is refused too. */
    Tcl_Eval(console.interp, "set env(OVEX_MAX_DECODE) 1000");
    Bytes small = encodeForeign(EncodeOptions());     /* 32 x 16 x 3 = 1536 bytes */
    EXPECT_EQ(0, probeJpeg(-1, &head, small.data(), small.size()));
    Tcl_Eval(console.interp, "set env(OVEX_MAX_DECODE) 1536");
    EXPECT_EQ(1, probeJpeg(-1, &head, small.data(), small.size()));
    Tcl_Eval(console.interp, "unset env(OVEX_MAX_DECODE)");
    console.takeStderr();
}

/* ---- Decoder ------------------------------------------------------------------------- */

TEST_F(JpegTest, ThreeComponentsDecodeAsRedThenGreenThenBlueRows)
{
    ImageHead head = jpegHead(16, 8, 3, 100);
    Picture solid(16, 8, 3);
    for (int r = 0; r < 8; r++) {
        for (int c = 0; c < 16; c++) {
            solid.at(r, 0, c) = 200;
            solid.at(r, 1, c) = 100;
            solid.at(r, 2, c) = 30;
        }
    }
    std::string path = dir.at("solid.jpg");
    ASSERT_EQ(1, encodeOurs(path, head, solid));
    Picture decoded(16, 8, 3);
    ASSERT_EQ(1, decodeOurs(path, &decoded));
    for (int c = 0; c < 16; c++) {
        EXPECT_NEAR(200, decoded.bil[c], 2) << c;
        EXPECT_NEAR(100, decoded.bil[16 + c], 2) << c;
        EXPECT_NEAR(30, decoded.bil[32 + c], 2) << c;
    }
}

TEST_F(JpegTest, DecoderRefusesAStreamThatDoesNotFitItsBuffer)
{
    EncodeOptions o;                    /* 32 x 16 x 3 */
    Bytes bytes = encodeForeign(o);
    struct Case {
        const char *name;
        int rowBytes, rows, bands;
        int expected;
    } cases[] = {
        {"fits exactly", 32, 16, 3, 1},
        {"wider rows are fine", 40, 16, 3, 1},
        {"rows too short", 31, 16, 3, 0},
        {"too few rows", 32, 15, 3, 0},
        {"one band", 32, 16, 1, 0},
        {"four bands", 32, 16, 4, 0},
    };
    ConsoleCapture console;
    for (const Case &c : cases) {
        size_t size = (size_t)c.rowBytes * c.rows * c.bands;
        Bytes buffer(size + 64, 0xEE);
        EXPECT_EQ(c.expected, readJpegFile(-1, buffer.data(), c.rowBytes, c.rows, c.bands,
                                           bytes.data(), bytes.size())) << c.name;
        for (size_t i = size; i < buffer.size(); i++) {
            ASSERT_EQ(0xEE, buffer[i]) << c.name << " wrote past the buffer at " << i;
        }
    }
    EXPECT_NE(std::string::npos,
              console.takeStderr().find("JPEG image of 32 x 16 pixels and 3 components does not "
                                        "fit 31 x 16 x 3\n"));
}

TEST_F(JpegTest, DecoderSaysWhenItIsNotGivenAJpeg)
{
    ConsoleCapture console;
    Bytes notJpeg = {'P', '5', '\n', '1', ' ', '1', '\n', '2', '5', '5', '\n', 0};
    std::string path = dir.at("p.pgm");
    ASSERT_TRUE(writeBytes(path, notJpeg));
    Picture p(1, 1, 1);
    EXPECT_EQ(0, decodeOurs(path, &p));
    EXPECT_EQ(0, readJpegFile(-1, p.bil.data(), 1, 1, 1, notJpeg.data(), notJpeg.size()));
    EXPECT_EQ(0, readJpegFile(-1, p.bil.data(), 1, 1, 1, NULL, 0));
    EXPECT_EQ("not a jpeg file...\nnot a jpeg file...\nnot a jpeg file...\n", console.takeStderr());
}

TEST_F(JpegTest, TruncatedStreamGivesItsRowsAndGreyAfterThem)
{
    EncodeOptions o;
    o.columns = 128;
    o.rows = 128;
    Bytes bytes = encodeForeign(o);
    Picture whole(o.columns, o.rows, o.bands);
    ASSERT_EQ(1, readJpegFile(-1, whole.bil.data(), whole.columns, whole.rows, whole.bands,
                              bytes.data(), bytes.size()));
    for (size_t kept : {bytes.size() - 200, bytes.size() / 2, (size_t)700}) {
        Bytes cut(bytes.begin(), bytes.begin() + kept);
        ConsoleCapture console;
        Picture p(o.columns, o.rows, o.bands);
        memset(p.bil.data(), 0xEE, p.bil.size());
        EXPECT_EQ(1, readJpegFile(-1, p.bil.data(), p.columns, p.rows, p.bands, cut.data(),
                                  cut.size())) << kept;
        EXPECT_EQ("Premature end of JPEG file\n", console.takeStderr()) << kept;
        /* The rows of the data that is there, grey where it ran out. */
        if (kept > 1000) {
            EXPECT_EQ(0, memcmp(whole.bil.data(), p.bil.data(), (size_t)o.columns * o.bands))
                << kept;
        }
        for (int b = 0; b < o.bands; b++) {
            EXPECT_EQ(128, p.at(o.rows - 1, b, o.columns - 1)) << kept;
        }
    }
}

TEST_F(JpegTest, StreamWithTooManyScansIsRefused)
{
    EncodeOptions o;
    o.progressive = true;
    Bytes bytes = encodeForeign(o);
    size_t lastScan = 0;
    for (size_t i = 2; i + 1 < bytes.size(); i++) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
            lastScan = i;
        }
    }
    ASSERT_GT(lastScan, 0u);
    ASSERT_EQ(0xD9, bytes.back());
    Bytes scan(bytes.begin() + lastScan, bytes.end() - 2);
    Bytes crafted(bytes.begin(), bytes.end() - 2);
    for (int k = 0; k < JPEG_MAX_SCANS + 10; k++) {
        crafted.insert(crafted.end(), scan.begin(), scan.end());
    }
    crafted.push_back(0xFF);
    crafted.push_back(0xD9);
    ConsoleCapture console;
    Picture p(o.columns, o.rows, o.bands);
    EXPECT_EQ(0, readJpegFile(-1, p.bil.data(), p.columns, p.rows, p.bands, crafted.data(),
                              crafted.size()));
    EXPECT_NE(std::string::npos,
              console.takeStderr().find("JPEG stream has more than 1000 scans\n"));
    EXPECT_EQ(1, readJpegFile(-1, p.bil.data(), p.columns, p.rows, p.bands, bytes.data(),
                              bytes.size()));
}

TEST_F(JpegTest, JpegMemLimitsTheLibrarysMemory)
{
    EncodeOptions o;
    o.columns = 256;
    o.rows = 256;
    o.progressive = true;               /* needs a whole-image coefficient buffer */
    Bytes bytes = encodeForeign(o);
    ConsoleCapture console;
    Picture p(o.columns, o.rows, o.bands);
    Tcl_Eval(console.interp, "set env(JPEGMEM) 10");       /* 10 000 bytes */
    EXPECT_EQ(0, readJpegFile(-1, p.bil.data(), p.columns, p.rows, p.bands, bytes.data(),
                              bytes.size()));
    EXPECT_EQ("Backing store not supported\n", console.takeStderr());
    Tcl_Eval(console.interp, "set env(JPEGMEM) 64M");
    EXPECT_EQ(1, readJpegFile(-1, p.bil.data(), p.columns, p.rows, p.bands, bytes.data(),
                              bytes.size()));
    Tcl_Eval(console.interp, "unset env(JPEGMEM)");
    EXPECT_EQ("", console.takeStderr());
}

/* ---- Encoders --------------------------------------------------------------------------- */

TEST_F(JpegTest, BlankFileHasOneOrThreeComponents)
{
    struct Case {
        int bands;
        int written;
    } cases[] = {{0, 1}, {1, 1}, {2, 3}, {3, 3}, {4, 3}};
    for (const Case &c : cases) {
        std::string path = dir.at("blank.jpg");
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(9, write(fd, "old bytes", 9));
        ImageHead head = jpegHead(20, 10, c.bands);
        head.nindices = 12;
        strcpy(head.imgdes, "blank");
        EXPECT_EQ(0, writeJpegBlank(fd, &head)) << c.bands;
        close(fd);
        EXPECT_EQ(c.written, head.nbands) << c.bands;
        EXPECT_EQ(0, head.nindices) << c.bands;
        ImageHead found;
        initImageHead(&found);
        ASSERT_EQ(1, probeFile(path, &found)) << c.bands;
        EXPECT_EQ(c.written, found.nbands) << c.bands;
        EXPECT_STREQ("blank", found.imgdes);
        Picture p(20, 10, c.written);
        std::fill(p.bil.begin(), p.bil.end(), 0x55);
        ASSERT_EQ(1, decodeOurs(path, &p)) << c.bands;
        for (unsigned char v : p.bil) {
            ASSERT_EQ(0, v) << c.bands;
        }
    }
}

TEST_F(JpegTest, BlockGivesTheQuality)
{
    struct Case {
        int block;
        int quality;
        int firstQuant;
    } cases[] = {{150, 100, 1}, {100, 100, 1}, {-1, 90, 3}, {90, 90, 3}, {50, 50, 16}};
    Picture p = smoothPicture(24, 16, 1);
    for (const Case &c : cases) {
        std::string asBlock = dir.at("block.jpg");
        std::string asQuality = dir.at("quality.jpg");
        ASSERT_EQ(1, encodeOurs(asBlock, jpegHead(24, 16, 1, c.block), p));
        ASSERT_EQ(1, encodeOurs(asQuality, jpegHead(24, 16, 1, c.quality), p));
        EXPECT_EQ(readBytes(asQuality), readBytes(asBlock)) << c.block;
        EXPECT_EQ(c.firstQuant, firstQuantValue(asBlock)) << c.block;
    }
}

TEST_F(JpegTest, OtherBandCountsWriteTheirFirstBandAsGrey)
{
    for (int bands : {2, 4, 5}) {
        Picture p(24, 16, bands);
        for (int r = 0; r < 16; r++) {
            for (int b = 0; b < bands; b++) {
                for (int c = 0; c < 24; c++) {
                    p.at(r, b, c) = b == 0 ? 180 : 10;
                }
            }
        }
        std::string path = dir.at("bands.jpg");
        ASSERT_EQ(1, encodeOurs(path, jpegHead(24, 16, bands, 100), p)) << bands;
        ImageHead found;
        initImageHead(&found);
        ASSERT_EQ(1, probeFile(path, &found));
        EXPECT_EQ(1, found.nbands) << bands;
        Picture grey(24, 16, 1);
        ASSERT_EQ(1, decodeOurs(path, &grey));
        for (unsigned char v : grey.bil) {
            ASSERT_NEAR(180, v, 1) << bands;
        }
    }
}

TEST_F(JpegTest, WriterRefusesRowsShorterThanThePicture)
{
    ConsoleCapture console;
    Picture p(10, 4, 1);
    std::string path = dir.at("short.jpg");
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ImageHead head = jpegHead(20, 4, 1);
    EXPECT_EQ(0, writeJpegImage(fd, &head, p.bil.data(), 10));
    close(fd);
    EXPECT_EQ("JPEG rows of 10 bytes cannot hold 20 columns of 1 bands\n", console.takeStderr());
}

TEST_F(JpegTest, LibraryErrorsFailTheWriters)
{
    ConsoleCapture console;
    std::string path = dir.at("bad.jpg");
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ImageHead head = jpegHead(70000, 2, 1);
    EXPECT_EQ(-1, writeJpegBlank(fd, &head));
    head.rows = 0;
    head.columns = 8;
    EXPECT_EQ(-1, writeJpegBlank(fd, &head));
    close(fd);
    EXPECT_EQ("Maximum supported image dimension is 65500 pixels\nEmpty JPEG image (DNL not "
              "supported)\n",
              console.takeStderr());
    /* A descriptor open for reading only cannot take the file. */
    int readOnly = open(path.c_str(), O_RDONLY);
    head = jpegHead(8, 8, 1);
    EXPECT_EQ(-1, writeJpegBlank(readOnly, &head));
    close(readOnly);
}

/* ---- RAM images ------------------------------------------------------------------------- */

TEST_F(JpegTest, RamImageOfAWideJpegIsWrittenBackAtQuality90)
{
    std::string path = dir.at("wide.jpg");
    ImageHead made = jpegHead(200, 40, 3);
    strcpy(made.imgdes, "wide");
    ASSERT_EQ(1, encodeOurs(path, made, smoothPicture(200, 40, 3)));
    ASSERT_EQ(0, chmod(path.c_str(), 0640));

    int err = -1;
    RAMIMG *image = openRAMImage("jpeg_wide", path.c_str(), NULL, NULL, &err);
    ASSERT_NE(nullptr, image) << err;
    EXPECT_EQ(IMGID_JPEG, image->head.imgid);
    EXPECT_EQ(90, image->head.block);
    /* One whole block row (16 rows) made light, so that chroma
     * subsampling cannot blur it into its neighbours. */
    for (int r = 16; r < 32; r++) {
        for (int b = 0; b < 3; b++) {
            unsigned char *row = getRAMImageLine(image, r, b, 1);
            ASSERT_NE(nullptr, row);
            memset(row, 250, 200);
            markRowDirty(image, r, b);
        }
    }
    EXPECT_EQ(1, flushRamImage(image));
    EXPECT_EQ(3, firstQuantValue(path));
    struct stat info;
    ASSERT_EQ(0, stat(path.c_str(), &info));
    EXPECT_EQ(0640u, info.st_mode & 0777);
    EXPECT_GE(image->fd, 0);

    /* The cache was emptied: the next access decodes the new file. */
    EXPECT_EQ(-1, image->rowIds[0]);
    unsigned char *row = getRAMImageLine(image, 20, 1, 1);
    ASSERT_NE(nullptr, row);
    EXPECT_NEAR(250, row[100], 3);
    ImageHead found;
    initImageHead(&found);
    ASSERT_EQ(1, probeFile(path, &found));
    EXPECT_STREQ("wide", found.imgdes);

    /* A quality a program set is kept. */
    image->head.block = 50;
    markRowDirty(image, 0, 0);
    EXPECT_EQ(1, flushRamImage(image));
    EXPECT_EQ(16, firstQuantValue(path));
    EXPECT_EQ(0, closeRAMImage(image, NULL));
}

TEST_F(JpegTest, RowWrittenWithoutLoadingKeepsTheOtherRows)
{
    std::string path = dir.at("grey.jpg");
    Picture original = smoothPicture(48, 32, 1);
    ASSERT_EQ(1, encodeOurs(path, jpegHead(48, 32, 1, 100), original));
    int err = -1;
    RAMIMG *image = openRAMImage("jpeg_grey", path.c_str(), NULL, NULL, &err);
    ASSERT_NE(nullptr, image) << err;
    unsigned char *row = getRAMImageLine(image, 3, 0, 0);
    ASSERT_NE(nullptr, row);
    memset(row, 255, 48);
    markRowDirty(image, 3, 0);
    EXPECT_EQ(1, flushRamImage(image));
    EXPECT_EQ(0, closeRAMImage(image, NULL));

    Picture back(48, 32, 1);
    ASSERT_EQ(1, decodeOurs(path, &back));
    for (int r = 0; r < 32; r++) {
        for (int c = 0; c < 48; c++) {
            int expected = r == 3 ? 255 : original.at(r, 0, c);
            ASSERT_NEAR(expected, back.at(r, 0, c), 6) << r << "," << c;
        }
    }
}

TEST_F(JpegTest, FailedWriteBackLeavesFileAndDescriptor)
{
    std::string folder = dir.at("sub");
    ASSERT_EQ(0, mkdir(folder.c_str(), 0700));
    std::string path = folder + "/keep.jpg";
    ASSERT_EQ(1, encodeOurs(path, jpegHead(16, 16, 1), smoothPicture(16, 16, 1)));
    Bytes before = readBytes(path);
    int err = -1;
    RAMIMG *image = openRAMImage("jpeg_keep", path.c_str(), NULL, NULL, &err);
    ASSERT_NE(nullptr, image) << err;
    unsigned char *row = getRAMImageLine(image, 0, 0, 1);
    ASSERT_NE(nullptr, row);
    row[0] = 0;
    markRowDirty(image, 0, 0);
    /* The folder goes away: no new file can be made beside the old one. */
    std::string moved = dir.at("moved");
    ASSERT_EQ(0, rename(folder.c_str(), moved.c_str()));
    int fd = image->fd;
    ConsoleCapture console;
    EXPECT_EQ(0, flushRamImage(image));
    EXPECT_EQ("Error in writing JPEG image " + path + ": No such file or directory\n",
              console.takeStderr());
    EXPECT_EQ(fd, image->fd);
    EXPECT_EQ(before, readBytes(moved + "/keep.jpg"));
    EXPECT_EQ(0, row[0]);               /* the cached rows stay */
    ASSERT_EQ(0, rename(moved.c_str(), folder.c_str()));
    closeRAMImage(image, NULL);
    console.takeStderr();
}

TEST_F(JpegTest, ReadJpegDecodesAnEncodedBuffer)
{
    EncodeOptions o;
    Bytes bytes = encodeForeign(o);
    ImageHead head;
    initImageHead(&head);
    ASSERT_EQ(1, probeJpeg(-1, &head, bytes.data(), bytes.size()));
    int err = -1;
    RAMIMG *image = openRAMImage("jpeg_buffer", NULL, &head, NULL, &err);
    ASSERT_NE(nullptr, image) << err;
    unsigned char *copy = (unsigned char *)gmemAlloc(bytes.size());
    memcpy(copy, bytes.data(), bytes.size());
    ASSERT_EQ(1, attachRamImageBuffer(image, copy, bytes.size()));
    Picture expected(o.columns, o.rows, o.bands);
    ASSERT_EQ(1, readJpegFile(-1, expected.bil.data(), o.columns, o.rows, o.bands, bytes.data(),
                              bytes.size()));
    for (int b = 0; b < 3; b++) {
        unsigned char *row = getRAMImageLine(image, 7, b, 1);
        ASSERT_NE(nullptr, row);
        EXPECT_EQ(0, memcmp(row, &expected.at(7, b, 0), (size_t)o.columns)) << b;
    }
    closeRAMImage(image, NULL);
}

/* ---- Independent tools ---------------------------------------------------------------------- */

TEST_F(JpegTest, OurFilesDecodeInDjpegAndShowCommentsInRdjpgcom)
{
    if (!haveTool("djpeg") || !haveTool("rdjpgcom")) {
        GTEST_SKIP() << "djpeg or rdjpgcom missing";
    }
    for (int bands : {1, 3}) {
        Picture source = smoothPicture(64, 48, bands);
        ImageHead head = jpegHead(64, 48, bands);
        head.mapid = 32633;
        head.x0 = 1000.5;
        head.y0 = 2000.25;
        head.dx = 0.5;
        head.dy = -0.5;
        strcpy(head.imgdes, "survey strip 7");
        std::string path = dir.at("ours.jpg");
        ASSERT_EQ(1, encodeOurs(path, head, source));
        std::string pnm = dir.at("ours.pnm");
        ASSERT_EQ(0, system(("djpeg -pnm -outfile '" + pnm + "' '" + path + "'").c_str()));
        Picture decoded = readPnm(readBytes(pnm));
        ASSERT_EQ(bands, decoded.bands);
        int most;
        double mean;
        compare(source, decoded, &most, &mean);
        EXPECT_LE(most, 12) << bands;
        EXPECT_LE(mean, 2.0) << bands;

        std::string comments = commandOutput("rdjpgcom '" + path + "'");
        char line[GEOREF_LINE_SIZE];
        formatGeorefLine(&head, line);
        EXPECT_NE(std::string::npos, comments.find(line)) << comments;
        EXPECT_NE(std::string::npos, comments.find("survey strip 7")) << comments;
    }
}

TEST_F(JpegTest, FilesFromCjpegAndImageMagickOpenWithDjpegsPixels)
{
    if (!haveTool("djpeg") || !haveTool("cjpeg")) {
        GTEST_SKIP() << "djpeg or cjpeg missing";
    }
    bool magick = haveTool("convert");
    struct Case {
        const char *name;
        int bands;
        std::string command;             /* IN (a PNM) to OUT (a JPEG) */
    } cases[] = {
        {"cjpeg grey", 1, "cjpeg -quality 85 -outfile OUT IN"},
        {"cjpeg RGB", 3, "cjpeg -quality 75 -outfile OUT IN"},
        {"cjpeg progressive RGB", 3, "cjpeg -progressive -outfile OUT IN"},
        {"cjpeg progressive grey", 1, "cjpeg -progressive -grayscale -outfile OUT IN"},
        {"ImageMagick RGB", 3, "convert IN -quality 80 OUT"},
        {"ImageMagick progressive RGB", 3, "convert IN -interlace Plane OUT"},
        {"ImageMagick grey", 1, "convert IN -colorspace Gray -type Grayscale OUT"},
    };
    for (Case &c : cases) {
        if (c.command.rfind("convert", 0) == 0 && !magick) {
            continue;
        }
        Picture source = smoothPicture(57, 33, c.bands);
        std::string in = dir.at(c.bands == 3 ? "in.ppm" : "in.pgm");
        std::string out = dir.at("tool.jpg");
        ASSERT_TRUE(writePnm(in, source));
        std::string command = c.command;
        command.replace(command.find("OUT"), 3, "'" + out + "'");
        command.replace(command.find("IN"), 2, "'" + in + "'");
        ASSERT_EQ(0, system(command.c_str())) << c.name;

        ImageHead head;
        initImageHead(&head);
        ASSERT_EQ(1, probeFile(out, &head)) << c.name;
        EXPECT_EQ(c.bands, head.nbands) << c.name;
        EXPECT_EQ(57, head.columns) << c.name;
        EXPECT_EQ(33, head.rows) << c.name;
        EXPECT_EQ(1, head.mapid) << c.name;

        Picture ours(57, 33, c.bands);
        ASSERT_EQ(1, decodeOurs(out, &ours)) << c.name;
        std::string pnm = dir.at("tool.pnm");
        ASSERT_EQ(0, system(("djpeg -pnm -outfile '" + pnm + "' '" + out + "'").c_str()));
        Picture theirs = readPnm(readBytes(pnm));
        EXPECT_EQ(theirs.bil, ours.bil) << c.name;
    }
}

} // namespace
