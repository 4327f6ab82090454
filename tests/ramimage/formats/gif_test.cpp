/*
 * gif_test.cpp --
 *
 *	GIF files: the stream, the LZW decoder and encoder (round trips of
 *	many random images, code sequences, corrupt data), the probe, the
 *	block writers, frames in the row cache, write-back, and the files of
 *	independent tools (giftopnm, ImageMagick, netpbm) both ways.
 */
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <random>

#include "../registry_fixtures.h"
#include "core/gmem.h"
#include "ramimage/format_hooks.h"
#include "ramimage/formats/gif.h"
#include "ramimage/pixel_access.h"

using registry_fixtures::readFile;
using registry_fixtures::writeFile;
using Bytes = std::vector<unsigned char>;

namespace {

/* ---- Helpers --------------------------------------------------------------- */

/* Codes packed the way GIF data are, the width following the decoder's
 * rules (grow after defining the entry that reaches a power of two). */
class CodeWriter {
public:
    explicit CodeWriter(int minSize) : minSize_(minSize) { reset(); }

    void put(int code)
    {
        acc_ |= (uint64_t)code << nbits_;
        nbits_ += size_;
        while (nbits_ >= 8) {
            bytes_.push_back((unsigned char)acc_);
            acc_ >>= 8;
            nbits_ -= 8;
        }
        int clear = 1 << minSize_;
        if (code == clear) {
            reset();
            return;
        }
        if (first_) {
            first_ = false;
            return;
        }
        if (next_ < 4096) {
            next_++;
            if (next_ >= (1 << size_) && size_ < 12) {
                size_++;
            }
        }
    }

    /* The data as sub-blocks of at most 255 bytes and the terminator. */
    Bytes blocks()
    {
        Bytes data = bytes_;
        if (nbits_ > 0) {
            data.push_back((unsigned char)acc_);
        }
        Bytes out;
        for (size_t i = 0; i < data.size(); i += 255) {
            size_t n = std::min<size_t>(255, data.size() - i);
            out.push_back((unsigned char)n);
            out.insert(out.end(), data.begin() + i, data.begin() + i + n);
        }
        out.push_back(0);
        return out;
    }

private:
    void reset()
    {
        size_ = minSize_ + 1;
        next_ = (1 << minSize_) + 2;
        first_ = true;
    }

    int minSize_, size_ = 0, next_ = 0, nbits_ = 0;
    bool first_ = true;
    uint64_t acc_ = 0;
    Bytes bytes_;
};

/* Joins sub-blocks; false when their structure is broken (a size byte
 * past the end, or bytes after the terminator). */
bool joinSubBlocks(const Bytes &blocks, Bytes *data, std::vector<int> *sizes = nullptr)
{
    size_t i = 0;
    while (i < blocks.size()) {
        int n = blocks[i++];
        if (n == 0) {
            return i == blocks.size();
        }
        if (sizes) {
            sizes->push_back(n);
        }
        if (i + n > blocks.size()) {
            return false;
        }
        data->insert(data->end(), blocks.begin() + i, blocks.begin() + i + n);
        i += n;
    }
    return false;
}

/* The code sequence of joined data, read with the decoder's width rules;
 * stops after the end code. */
std::vector<int> readCodes(const Bytes &data, int minSize)
{
    std::vector<int> codes;
    int clear = 1 << minSize, size = minSize + 1, next = clear + 2;
    bool first = true;
    uint64_t acc = 0;
    int nbits = 0;
    size_t at = 0;
    for (;;) {
        while (nbits < size && at < data.size()) {
            acc |= (uint64_t)data[at++] << nbits;
            nbits += 8;
        }
        if (nbits < size) {
            return codes;
        }
        int code = (int)(acc & ((1u << size) - 1));
        acc >>= size;
        nbits -= size;
        codes.push_back(code);
        if (code == clear + 1) {
            return codes;
        }
        if (code == clear) {
            size = minSize + 1;
            next = clear + 2;
            first = true;
        } else if (first) {
            first = false;
        } else if (next < 4096) {
            next++;
            if (next >= (1 << size) && size < 12) {
                size++;
            }
        }
    }
}

/* Decodes LZW sub-blocks from memory: the indices, and the decoder's
 * final status. */
Bytes decodeBlocks(const Bytes &blocks, int minSize, int *status = nullptr, size_t limit = 1 << 24)
{
    GifStream *s = (GifStream *)gmemAlloc(sizeof(GifStream));
    gifStreamInit(-1, blocks.data(), blocks.size(), s);
    s->desc.codeSize = minSize;
    gifLzwInit(s);
    Bytes out;
    unsigned char chunk[1000];
    int n;
    while (out.size() < limit && (n = gifLzwReadPixels(s, chunk, sizeof chunk)) > 0) {
        out.insert(out.end(), chunk, chunk + n);
    }
    if (status) {
        *status = s->lzw.status;
    }
    gmemFree(s);
    return out;
}

/* Encodes pixels through a file and returns the sub-blocks written. */
Bytes encodeToBlocks(const std::string &path, int minSize, const Bytes &pixels)
{
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    EXPECT_GE(fd, 0);
    GifEncoder *e = (GifEncoder *)gmemAlloc(sizeof(GifEncoder));
    gifEncInit(fd, minSize, -1, e);
    gifEncodePixels(e, (int)pixels.size(), pixels.data());
    EXPECT_EQ(1, gifEncFinish(e));
    gmemFree(e);
    close(fd);
    return readFile(path);
}

Bytes randomPixels(std::mt19937 &rng, size_t n, int bits, bool runs)
{
    Bytes pixels(n);
    std::uniform_int_distribution<int> value(0, (1 << bits) - 1);
    std::uniform_int_distribution<int> runLength(1, 40);
    for (size_t i = 0; i < n;) {
        int v = value(rng);
        int k = runs ? runLength(rng) : 1;
        for (; k > 0 && i < n; k--) {
            pixels[i++] = (unsigned char)v;
        }
    }
    return pixels;
}

typedef unsigned char Palette[256][3];

void randomPalette(std::mt19937 &rng, int n, Palette palette)
{
    memset(palette, 0, sizeof(Palette));
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < n; i++) {
        for (int c = 0; c < 3; c++) {
            palette[i][c] = (unsigned char)byte(rng);
        }
    }
}

/* A whole one-image GIF written with our block writers and encoder. */
bool writeOurGif(const std::string &path, int imgid, int width, int height, int bits,
                 const Palette palette, const Bytes &pixels, int transparent = -1,
                 const char *comment = nullptr)
{
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) {
        return false;
    }
    int codeSize = gifCodeSizeFor(bits);
    bool ok = gifWriteSignature(fd, imgid) && gifWriteScreen(fd, width, height, bits, palette, 0);
    if (ok && comment) {
        ok = gifWriteComment(fd, comment, (int)strlen(comment) + 1);
    }
    ok = ok && gifWriteGraphicControl(fd, transparent, 0, 0, 0)
         && gifWriteImageDesc(fd, 0, 0, width, height, codeSize, bits);
    GifEncoder *e = (GifEncoder *)gmemAlloc(sizeof(GifEncoder));
    gifEncInit(fd, codeSize, -1, e);
    gifEncodePixels(e, (int)pixels.size(), pixels.data());
    ok = ok && gifEncFinish(e) && gifWriteTrailer(fd);
    gmemFree(e);
    return close(fd) == 0 && ok;
}

/* A GIF assembled from parts: header with an optional global table, then
 * raw blocks. */
Bytes gifHeader(const char *sig, int width, int height, int tableBits, const Palette palette)
{
    Bytes b(sig, sig + 6);
    b.push_back((unsigned char)width);
    b.push_back((unsigned char)(width >> 8));
    b.push_back((unsigned char)height);
    b.push_back((unsigned char)(height >> 8));
    b.push_back(tableBits > 0 ? (unsigned char)(0x80 | (tableBits - 1)) : 0);
    b.push_back(0);
    b.push_back(0);
    for (int i = 0; tableBits > 0 && i < (1 << tableBits); i++) {
        b.insert(b.end(), palette[i], palette[i] + 3);
    }
    return b;
}

void appendImage(Bytes *b, int left, int top, int width, int height, int minSize, const Bytes &pixels,
                 std::vector<unsigned char> localTable = {}, bool interlace = false)
{
    b->push_back(',');
    for (int v : {left, top, width, height}) {
        b->push_back((unsigned char)v);
        b->push_back((unsigned char)(v >> 8));
    }
    int packed = interlace ? 0x40 : 0;
    if (!localTable.empty()) {
        int bits = 1;
        while ((3 << bits) < (int)localTable.size()) {
            bits++;
        }
        packed |= 0x80 | (bits - 1);
        localTable.resize(3u << bits, 0);
    }
    b->push_back((unsigned char)packed);
    b->insert(b->end(), localTable.begin(), localTable.end());
    b->push_back((unsigned char)minSize);
    CodeWriter w(minSize);
    w.put(1 << minSize);
    for (unsigned char p : pixels) {
        w.put(p);
    }
    w.put((1 << minSize) + 1);
    Bytes blocks = w.blocks();
    b->insert(b->end(), blocks.begin(), blocks.end());
}

void appendControl(Bytes *b, int disposal, int delay, int transparent)
{
    Bytes gce = {'!', 0xF9, 4,
                 (unsigned char)(((disposal & 7) << 2) | (transparent >= 0 ? 1 : 0)),
                 (unsigned char)delay, (unsigned char)(delay >> 8),
                 (unsigned char)(transparent >= 0 ? transparent : 0), 0};
    b->insert(b->end(), gce.begin(), gce.end());
}

/* A P5/P6 file: width, height and the samples (3 per pixel for P6). */
struct Pnm {
    int width = 0, height = 0, channels = 0;
    Bytes samples;
};

bool readPnm(const Bytes &file, Pnm *out)
{
    size_t at = 0;
    auto token = [&]() {
        std::string t;
        while (at < file.size()) {
            if (file[at] == '#') {
                while (at < file.size() && file[at] != '\n') {
                    at++;
                }
            } else if (isspace(file[at])) {
                if (!t.empty()) {
                    break;
                }
                at++;
            } else {
                t += (char)file[at++];
            }
        }
        return t;
    };
    std::string magic = token();
    if (magic != "P6" && magic != "P5") {
        return false;
    }
    out->channels = magic == "P6" ? 3 : 1;
    out->width = atoi(token().c_str());
    out->height = atoi(token().c_str());
    if (atoi(token().c_str()) != 255) {
        return false;
    }
    at++;
    size_t n = (size_t)out->width * out->height * out->channels;
    if (file.size() < at + n) {
        return false;
    }
    out->samples.assign(file.begin() + at, file.begin() + at + n);
    return true;
}

using fixture::haveTool;

bool run(const std::string &command)
{
    return system((command + " 2>/dev/null").c_str()) == 0;
}

/* A random P6 file of at most `colours` distinct colours. */
void writeRandomPpm(std::mt19937 &rng, const std::string &path, int width, int height, int colours)
{
    Palette palette;
    randomPalette(rng, colours, palette);
    std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    Bytes file(header.begin(), header.end());
    Bytes pixels = randomPixels(rng, (size_t)width * height, 8, true);
    for (unsigned char p : pixels) {
        int k = p % colours;
        file.insert(file.end(), palette[k], palette[k] + 3);
    }
    ASSERT_TRUE(writeFile(path, file));
}

class GifTest : public registry_fixtures::RegistryTest {
protected:
    RAMIMG *openGif(const std::string &file)
    {
        int err = 0;
        RAMIMG *image = openRAMImage(NULL, file.c_str(), NULL, NULL, &err);
        EXPECT_NE(image, nullptr) << file << " err " << err << " " << stderrText();
        return image;
    }

    /* The image's rows as colours through its palette. */
    Bytes colours(RAMIMG *image)
    {
        Bytes out;
        Bytes row(image->head.columns);
        for (int r = 0; r < image->head.rows; r++) {
            getRowByte(image, r, 0, image->head.columns, 0, row.data());
            for (unsigned char p : row) {
                out.insert(out.end(), image->head.palette[p], image->head.palette[p] + 3);
            }
        }
        return out;
    }

    Bytes indices(RAMIMG *image)
    {
        Bytes out((size_t)image->head.columns * image->head.rows);
        for (int r = 0; r < image->head.rows; r++) {
            getRowByte(image, r, 0, image->head.columns, 0, out.data() + (size_t)r * image->head.columns);
        }
        return out;
    }

    void setEnv(const char *name, const char *value)
    {
        if (value) {
            Tcl_SetVar2(console, "env", name, value, TCL_GLOBAL_ONLY);
        } else {
            Tcl_UnsetVar2(console, "env", name, TCL_GLOBAL_ONLY);
        }
    }
};

/* ---- Stream ---------------------------------------------------------------- */

TEST_F(GifTest, MemorySeekStaysInsideTheBlock)
{
    Bytes block(20, 7);
    GifStream *s = (GifStream *)gmemAlloc(sizeof(GifStream));
    gifStreamInit(-1, block.data(), block.size(), s);
    struct { int64_t offset; int whence; int64_t expected; } cases[] = {
        {3, 2, 17}, {5, 0, 5}, {4, 1, 9}, {-100, 1, 0}, {100, 0, 20}, {-5, 2, 20}, {30, 2, 0},
    };
    for (auto &c : cases) {
        EXPECT_EQ(c.expected, gifSeek(s, c.offset, c.whence)) << c.offset << " " << c.whence;
    }
    gifSeek(s, 18, 0);
    unsigned char buffer[8];
    EXPECT_EQ(2, gifRead(s, buffer, 8));
    EXPECT_EQ(0, gifRead(s, buffer, 8));
    EXPECT_EQ(-1, gifGetByte(s));
    gmemFree(s);
}

TEST(GifBits, BitsAndCodeSizeOfPaletteSizes)
{
    struct { int colours, bits, codeSize; } cases[] = {
        {2, 1, 2}, {1, 1, 2}, {3, 2, 2}, {5, 3, 3}, {16, 4, 4}, {17, 5, 5}, {256, 8, 8}, {0, 8, 8},
        {-1, 8, 8},
    };
    for (auto &c : cases) {
        EXPECT_EQ(c.bits, gifBitsFor(c.colours)) << c.colours;
        EXPECT_EQ(c.codeSize, gifCodeSizeFor(gifBitsFor(c.colours))) << c.colours;
    }
}

/* ---- LZW ----------------------------------------------------------------------- */

TEST_F(GifTest, RandomImagesRoundTripThroughTheCodec)
{
    std::mt19937 rng(144);
    for (int k = 0; k < 400; k++) {
        int bits = 1 + k % 8;
        int minSize = gifCodeSizeFor(bits);
        size_t n = std::uniform_int_distribution<size_t>(0, k % 50 == 0 ? 200000 : 6000)(rng);
        Bytes pixels = randomPixels(rng, n, bits, k % 3 == 0);
        Bytes blocks = encodeToBlocks(path("lzw"), minSize, pixels);
        Bytes data;
        std::vector<int> sizes;
        ASSERT_TRUE(joinSubBlocks(blocks, &data, &sizes)) << "image " << k;
        int status = 0;
        ASSERT_EQ(pixels, decodeBlocks(blocks, minSize, &status)) << "image " << k << " n " << n;
        EXPECT_EQ(GIF_LZW_ENDED, status);
    }
}

TEST_F(GifTest, NoSubBlockExceeds255BytesWhateverTheLength)
{
    /* Lengths whose last codes end just past a full block overflowed the
     * size byte when the final block was written in one piece. */
    std::mt19937 rng(7);
    Bytes source = randomPixels(rng, 5000, 8, false);
    int overflowCases = 0;
    for (size_t n = 200; n <= 5000; n += 1) {
        Bytes pixels(source.begin(), source.begin() + n);
        Bytes blocks = encodeToBlocks(path("sub"), 8, pixels);
        Bytes data;
        std::vector<int> sizes;
        ASSERT_TRUE(joinSubBlocks(blocks, &data, &sizes)) << n;
        for (size_t i = 0; i + 1 < sizes.size(); i++) {
            ASSERT_EQ(255, sizes[i]) << n;
        }
        overflowCases += sizes.size() >= 2 && sizes.back() <= 2;
        ASSERT_EQ(pixels, decodeBlocks(blocks, 8)) << n;
    }
    EXPECT_GT(overflowCases, 0);
}

TEST_F(GifTest, RunOfOnePixelGivesGrowingStrings)
{
    Bytes blocks = encodeToBlocks(path("run"), 2, Bytes(10, 0));
    Bytes data;
    ASSERT_TRUE(joinSubBlocks(blocks, &data));
    /* clear, "0", "00" (6), "000" (7), "0000" (8), end */
    EXPECT_EQ((std::vector<int>{4, 0, 6, 7, 8, 5}), readCodes(data, 2));
}

TEST_F(GifTest, EncoderClearsWhenItWouldNeedCode4096)
{
    std::mt19937 rng(11);
    Bytes pixels = randomPixels(rng, 30000, 8, false);
    Bytes blocks = encodeToBlocks(path("full"), 8, pixels);
    Bytes data;
    ASSERT_TRUE(joinSubBlocks(blocks, &data));
    std::vector<int> codes = readCodes(data, 8);
    std::vector<size_t> clears;
    for (size_t i = 0; i < codes.size(); i++) {
        ASSERT_LT(codes[i], 4096);
        if (codes[i] == 256) {
            clears.push_back(i);
        }
    }
    ASSERT_GE(clears.size(), 3u);
    /* 3838 entries (258 .. 4095), each after one code, then one more code. */
    EXPECT_EQ(3839u, clears[1] - clears[0] - 1);
    EXPECT_EQ(3839u, clears[2] - clears[1] - 1);
    EXPECT_EQ(pixels, decodeBlocks(blocks, 8));
}

TEST_F(GifTest, LeadingClearCodeIsOptional)
{
    CodeWriter with(2), without(2);
    with.put(4);
    for (int code : {1, 2, 3, 6, 5}) {
        with.put(code);
        without.put(code);
    }
    Bytes expected = {1, 2, 3, 1, 2};
    EXPECT_EQ(expected, decodeBlocks(with.blocks(), 2));
    EXPECT_EQ(expected, decodeBlocks(without.blocks(), 2));
}

TEST_F(GifTest, FullTableKeepsTwelveBitsUntilAClear)
{
    /* Literals only: the table fills after 3839 codes; more literals follow
     * at 12 bits without a clear (a deferred clear), then a clear. */
    CodeWriter w(8);
    Bytes expected;
    w.put(256);
    for (int i = 0; i < 3839 + 50; i++) {
        w.put(i % 251);
        expected.push_back((unsigned char)(i % 251));
    }
    w.put(256);
    for (int i = 0; i < 20; i++) {
        w.put(i);
        expected.push_back((unsigned char)i);
    }
    w.put(257);
    int status = 0;
    EXPECT_EQ(expected, decodeBlocks(w.blocks(), 8, &status));
    EXPECT_EQ(GIF_LZW_ENDED, status);
}

TEST_F(GifTest, CorruptCodesEndWithAnError)
{
    struct Case { const char *name; std::vector<int> codes; Bytes pixels; const char *message; };
    Case cases[] = {
        {"above next free", {4, 1, 7}, {1}, "Error in GIF data: code 7 above the next free code 6\n"},
        {"string first", {4, 6}, {}, "Error in GIF data: code 6 where a pixel must come\n"},
    };
    for (auto &c : cases) {
        Tcl_SetVar(console, "::stderr", "", TCL_GLOBAL_ONLY);
        CodeWriter w(2);
        for (int code : c.codes) {
            w.put(code);
        }
        int status = 0;
        EXPECT_EQ(c.pixels, decodeBlocks(w.blocks(), 2, &status)) << c.name;
        EXPECT_EQ(GIF_LZW_FAILED, status) << c.name;
        EXPECT_EQ(c.message, stderrText()) << c.name;
    }
}

TEST_F(GifTest, TruncatedDataEndWithoutReadingPastThem)
{
    std::mt19937 rng(3);
    Bytes pixels = randomPixels(rng, 4000, 8, false);
    Bytes blocks = encodeToBlocks(path("cut"), 8, pixels);
    for (size_t cut : {(size_t)0, (size_t)1, (size_t)100, blocks.size() / 2, blocks.size() - 2}) {
        Bytes part(blocks.begin(), blocks.begin() + cut);
        int status = 0;
        Bytes got = decodeBlocks(part, 8, &status);
        EXPECT_EQ(GIF_LZW_ENDED, status) << cut;
        ASSERT_LE(got.size(), pixels.size());
        EXPECT_TRUE(std::equal(got.begin(), got.end(), pixels.begin())) << cut;
    }
}

TEST_F(GifTest, BadCodeSizeYieldsNothing)
{
    /* 1 to 11 have a clear code inside the 4096-entry tables. */
    for (int size : {0, 12, 13}) {
        Bytes blocks = {1, 0, 0};
        int status = 0;
        EXPECT_TRUE(decodeBlocks(blocks, size, &status).empty()) << size;
        EXPECT_EQ(GIF_LZW_FAILED, status) << size;
    }
}

/* ---- Writers ---------------------------------------------------------------- */

TEST_F(GifTest, CommentOf300BytesIsTwoSubBlocks)
{
    int fd = open(path("c").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    std::string text(300, 'x');
    ASSERT_EQ(1, gifWriteComment(fd, text.data(), 300));
    close(fd);
    Bytes file = readFile(path("c"));
    ASSERT_EQ(2u + 1 + 255 + 1 + 45 + 1, file.size());
    EXPECT_EQ(0x21, file[0]);
    EXPECT_EQ(0xFE, file[1]);
    EXPECT_EQ(255, file[2]);
    EXPECT_EQ(45, file[2 + 256]);
    EXPECT_EQ(0, file.back());
}

TEST_F(GifTest, GraphicControlAndScreenBytes)
{
    int fd = open(path("g").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_EQ(1, gifWriteGraphicControl(fd, 7, 125, 2, 1));
    ASSERT_EQ(1, gifWriteGraphicControl(fd, -1, 0, 0, 0));
    ASSERT_EQ(0, gifWriteScreen(fd, 70000, 1, 8, NULL, 0));
    close(fd);
    EXPECT_EQ((Bytes{'!', 0xF9, 4, 1 | 8 | 2, 13, 0, 7, 0, '!', 0xF9, 4, 0, 0, 0, 0, 0}),
              readFile(path("g")));
    fd = open(path("s").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_EQ(1, gifWriteSignature(fd, IMGID_GIF87A));
    ASSERT_EQ(1, gifWriteScreen(fd, 300, 2, 3, NULL, -1));
    ASSERT_EQ(0, gifWriteSignature(fd, IMGID_JPEG));
    close(fd);
    EXPECT_EQ((Bytes{'G', 'I', 'F', '8', '7', 'a', 44, 1, 2, 0, 0x22, 0, 0}), readFile(path("s")));
}

TEST_F(GifTest, BlankFileOpensWithItsPaletteAndGeoreference)
{
    ImageHead head = registry_fixtures::templateHead(IMGID_GIF89A, PIXEL_BYTE, 9, 13);
    snprintf(head.file, sizeof head.file, "%s", path("blank.gif").c_str());
    head.nindices = 5;
    head.palette[0][0] = 10;
    head.palette[4][2] = 200;
    head.transparent = 4;
    head.mapid = 3;
    head.x0 = 500000.25;
    head.y0 = 4100000.5;
    head.dx = 0.1;
    head.dy = -0.1;
    ASSERT_EQ(0, createImageFile(&head));
    Bytes file = readFile(path("blank.gif"));
    EXPECT_EQ(0x80 | 0x22, file[10]);      /* 5 colours: 3 bits */
    EXPECT_EQ(4, file[11]);                /* background = transparent */

    RAMIMG *image = openGif(path("blank.gif"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(IMGID_GIF89A, image->head.imgid);
    EXPECT_EQ(13, image->head.columns);
    EXPECT_EQ(9, image->head.rows);
    EXPECT_EQ(8, image->head.nindices);
    EXPECT_EQ(10, image->head.palette[0][0]);
    EXPECT_EQ(200, image->head.palette[4][2]);
    EXPECT_EQ(4, image->head.transparent);
    EXPECT_EQ(3, image->head.mapid);
    EXPECT_EQ(500000.25, image->head.x0);
    EXPECT_EQ(0.1, image->head.dx);
    EXPECT_EQ(-0.1, image->head.dy);
    EXPECT_EQ(Bytes(9 * 13, 0), indices(image));
    closeRAMImage(image, NULL);
}

/* ---- Probe ---------------------------------------------------------------------- */

TEST_F(GifTest, ProbeRefusesWhatItCannotHold)
{
    Palette pal = {};
    Bytes good = gifHeader("GIF89a", 4, 3, 1, pal);
    appendImage(&good, 0, 0, 4, 3, 2, Bytes(12, 1));
    good.push_back(';');
    struct Case { const char *name; Bytes bytes; int expected; } cases[] = {
        {"good", good, IMGID_GIF89A},
        {"short header", Bytes(good.begin(), good.begin() + 12), 0},
        {"short table", Bytes(good.begin(), good.begin() + 15), 0},
        {"bad magic", [&] { Bytes b = good; b[4] = '8'; return b; }(), 0},
        {"zero width", gifHeader("GIF87a", 0, 3, 0, pal), 0},
        {"zero height", gifHeader("GIF87a", 3, 0, 0, pal), 0},
    };
    for (auto &c : cases) {
        ImageHead head;
        initImageHead(&head);
        EXPECT_EQ(c.expected, probeGif(-1, &head, c.bytes.data(), c.bytes.size())) << c.name;
        ASSERT_TRUE(writeFile(path("p.gif"), c.bytes));
        int fd = open(path("p.gif").c_str(), O_RDONLY);
        initImageHead(&head);
        EXPECT_EQ(c.expected, probeGif(fd, &head, NULL, 0)) << c.name;
        EXPECT_EQ(0, lseek(fd, 0, SEEK_CUR)) << c.name;
        close(fd);
    }
}

TEST_F(GifTest, ProbeRefusesSizesAboveTheDecodeCap)
{
    Palette pal = {};
    Bytes bytes = gifHeader("GIF89a", 1000, 1000, 1, pal);
    ImageHead head;
    initImageHead(&head);
    setEnv("OVEX_MAX_DECODE", "999999");
    EXPECT_EQ(0, probeGif(-1, &head, bytes.data(), bytes.size()));
    EXPECT_EQ("GIF image of 1000 x 1000 pixels is above the decoding limit of 999999 bytes\n",
              stderrText());
    setEnv("OVEX_MAX_DECODE", "1000000");
    EXPECT_EQ(IMGID_GIF89A, probeGif(-1, &head, bytes.data(), bytes.size()));
    setEnv("OVEX_MAX_DECODE", nullptr);
}

TEST_F(GifTest, ProbeTransparencyAndLocalTables)
{
    Palette pal = {};
    struct Case { const char *name; int flag; int expected; } cases[] = {
        {"flag set", 1, 3}, {"flag clear", 0, -1},
    };
    for (auto &c : cases) {
        Bytes b = gifHeader("GIF89a", 2, 2, 2, pal);
        Bytes gce = {'!', 0xF9, 4, (unsigned char)c.flag, 0, 0, 3, 0};
        b.insert(b.end(), gce.begin(), gce.end());
        appendImage(&b, 0, 0, 2, 2, 2, Bytes(4, 0));
        b.push_back(';');
        ImageHead head;
        initImageHead(&head);
        ASSERT_EQ(IMGID_GIF89A, probeGif(-1, &head, b.data(), b.size()));
        EXPECT_EQ(c.expected, head.transparent) << c.name;
        EXPECT_EQ(4, head.nindices);
        EXPECT_EQ(13 + 12, head.offset);
        EXPECT_EQ(4, head.encoding);
    }

    Bytes b = gifHeader("GIF87a", 2, 2, 0, pal);
    appendImage(&b, 0, 0, 2, 2, 2, Bytes{0, 1, 2, 1}, {9, 8, 7, 6, 5, 4, 3, 2, 1});
    b.push_back(';');
    ImageHead head;
    initImageHead(&head);
    ASSERT_EQ(IMGID_GIF87A, probeGif(-1, &head, b.data(), b.size()));
    EXPECT_EQ(4, head.nindices);
    EXPECT_EQ(13, head.offset);
    EXPECT_EQ((Bytes{9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0}),
              Bytes(&head.palette[0][0], &head.palette[0][0] + 12));
}

/* ---- Frames ---------------------------------------------------------------- */

/* Three 4 x 3 frames: a full one of 1s, a 2 x 2 patch of 2s at (1, 1) with
 * index 0 transparent in its corner, and a full one of 3s with disposal 2. */
Bytes threeFrames(int delay)
{
    Palette pal = {};
    for (int i = 0; i < 4; i++) {
        pal[i][0] = (unsigned char)(i * 60);
    }
    Bytes b = gifHeader("GIF89a", 4, 3, 2, pal);
    appendControl(&b, 0, delay, -1);
    appendImage(&b, 0, 0, 4, 3, 2, Bytes(12, 1));
    appendControl(&b, 2, 5, 0);
    appendImage(&b, 1, 1, 2, 2, 2, Bytes{0, 2, 2, 2});
    appendControl(&b, 0, 7, -1);
    appendImage(&b, 0, 0, 4, 3, 2, Bytes(12, 3));
    b.push_back(';');
    return b;
}

TEST_F(GifTest, AnimatedFramesSeekForwardRewindAndLast)
{
    ASSERT_TRUE(writeFile(path("anim.gif"), threeFrames(0)));
    RAMIMG *image = openGif(path("anim.gif"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(Bytes(12, 1), indices(image));
    EXPECT_EQ(1, image->frame);
    EXPECT_EQ(33.0f, image->frameDelay);

    EXPECT_EQ(2, seekRamImage(image, 2));
    EXPECT_EQ((Bytes{1, 1, 1, 1, 1, 1, 2, 1, 1, 2, 2, 1}), indices(image));
    EXPECT_EQ(50.0f, image->frameDelay);
    EXPECT_EQ(-1, image->frameCount);

    EXPECT_EQ(1, seekRamImage(image, 1));
    EXPECT_EQ(Bytes(12, 1), indices(image));
    EXPECT_EQ(3, seekRamImage(image, 3));
    EXPECT_EQ(Bytes(12, 3), indices(image));
    EXPECT_EQ(3, image->frameCount);
    EXPECT_EQ(-2, seekRamImage(image, 0));
    EXPECT_EQ(1, seekRamImage(image, 1));
    EXPECT_EQ(3, seekRamImage(image, -1));
    EXPECT_EQ(3, seekRamImage(image, 9));
    closeRAMImage(image, NULL);
}

TEST_F(GifTest, DisposalActsBeforeTheNextFrame)
{
    /* Frame 2 (disposal 2) shows its patch; frame 3 starts from the
     * patch cleared to index 0, drawn with 5s only at row 0. */
    Palette pal = {};
    Bytes f = gifHeader("GIF89a", 4, 3, 3, pal);
    appendImage(&f, 0, 0, 4, 3, 3, Bytes(12, 1));
    appendControl(&f, 2, 1, -1);
    appendImage(&f, 1, 1, 2, 2, 3, Bytes{2, 2, 2, 2});
    appendControl(&f, 3, 1, -1);
    appendImage(&f, 0, 0, 4, 1, 3, Bytes(4, 5));
    appendImage(&f, 3, 2, 1, 1, 3, Bytes{6});
    f.push_back(';');
    ASSERT_TRUE(writeFile(path("dispose.gif"), f));
    RAMIMG *image = openGif(path("dispose.gif"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(2, seekRamImage(image, 2));
    EXPECT_EQ((Bytes{1, 1, 1, 1, 1, 2, 2, 1, 1, 2, 2, 1}), indices(image));
    EXPECT_EQ(3, seekRamImage(image, 3));
    EXPECT_EQ((Bytes{5, 5, 5, 5, 1, 0, 0, 1, 1, 0, 0, 1}), indices(image));
    EXPECT_EQ(4, seekRamImage(image, 4));     /* frame 3 (disposal 3) gives its row back */
    EXPECT_EQ((Bytes{1, 1, 1, 1, 1, 0, 0, 1, 1, 0, 0, 6}), indices(image));
    closeRAMImage(image, NULL);
}

TEST_F(GifTest, UnknownIntroducerIsAnErrorNotALoop)
{
    Palette pal = {};
    Bytes f = gifHeader("GIF89a", 4, 3, 2, pal);
    appendImage(&f, 0, 0, 4, 3, 2, Bytes(12, 1));
    f.push_back(0x99);
    appendImage(&f, 0, 0, 4, 3, 2, Bytes(12, 2));
    f.push_back(';');
    ASSERT_TRUE(writeFile(path("stray.gif"), f));
    RAMIMG *image = openGif(path("stray.gif"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(1, seekRamImage(image, 1));
    EXPECT_EQ(-1, seekRamImage(image, 2));
    EXPECT_EQ(-1, seekRamImage(image, -1));
    EXPECT_NE(std::string::npos, stderrText().find("Unknown GIF Introducer: 0x99.\n"));
    EXPECT_NE(std::string::npos, stderrText().find("Error in seek image: "));
    closeRAMImage(image, NULL);
}

TEST_F(GifTest, GeoreferenceCommentCountsOnlyBeforeTheFirstImage)
{
    Palette pal = {};
    const char *line = "ovex proj:UTM x0:100 y0:200 dx:2 dy:-2";
    const char *late = "ovex proj:UTM x0:7 y0:8 dx:9 dy:-9";
    Bytes b = gifHeader("GIF89a", 2, 2, 1, pal);
    auto comment = [&](const char *text) {
        b.push_back('!');
        b.push_back(0xFE);
        b.push_back((unsigned char)(strlen(text) + 1));
        b.insert(b.end(), text, text + strlen(text) + 1);
        b.push_back(0);
    };
    comment(line);
    appendImage(&b, 0, 0, 2, 2, 2, Bytes(4, 1));
    comment(late);
    appendImage(&b, 0, 0, 2, 2, 2, Bytes(4, 0));
    b.push_back(';');
    ASSERT_TRUE(writeFile(path("geo.gif"), b));
    RAMIMG *image = openGif(path("geo.gif"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(100.0, image->head.x0);
    EXPECT_EQ(-2.0, image->head.dy);
    EXPECT_EQ(2, seekRamImage(image, 2));
    EXPECT_EQ(100.0, image->head.x0);
    EXPECT_EQ(-2.0, image->head.dy);
    closeRAMImage(image, NULL);
}

TEST_F(GifTest, InterlacedImageRowsLandInPlace)
{
    Palette pal = {};
    Bytes b = gifHeader("GIF87a", 3, 11, 4, pal);
    /* Data rows in pass order 0 8 | 4 | 2 6 10 | 1 3 5 7 9, each row's value its row. */
    Bytes pixels;
    for (int r : {0, 8, 4, 2, 6, 10, 1, 3, 5, 7, 9}) {
        pixels.insert(pixels.end(), 3, (unsigned char)r);
    }
    appendImage(&b, 0, 0, 3, 11, 4, pixels, {}, true);
    b.push_back(';');
    ASSERT_TRUE(writeFile(path("inter.gif"), b));
    RAMIMG *image = openGif(path("inter.gif"));
    ASSERT_NE(image, nullptr);
    Bytes expected;
    for (int r = 0; r < 11; r++) {
        expected.insert(expected.end(), 3, (unsigned char)r);
    }
    EXPECT_EQ(expected, indices(image));
    closeRAMImage(image, NULL);
}

TEST_F(GifTest, DamagedFilesGiveErrorsNotCrashes)
{
    /* Every byte of a small animation is in turn cut off or changed; each
     * damaged file is opened and run to its last frame. */
    Bytes good = threeFrames(3);
    std::mt19937 rng(99);
    for (size_t i = 0; i < good.size(); i++) {
        for (int variant = 0; variant < 3; variant++) {
            Bytes bad = good;
            if (variant == 0) {
                bad.resize(i);
            } else {
                bad[i] = variant == 1 ? (unsigned char)(bad[i] ^ (1 << (rng() % 8))) : 0xFF;
            }
            ASSERT_TRUE(writeFile(path("bad.gif"), bad));
            int err = 0;
            RAMIMG *image = openRAMImage(NULL, path("bad.gif").c_str(), NULL, NULL, &err);
            if (image != NULL) {
                int last = seekRamImage(image, -1);
                EXPECT_GE(last, -1) << i;
                EXPECT_LE(last, 3) << i;
                seekRamImage(image, 1);
                indices(image);
                closeRAMImage(image, NULL);
            }
        }
    }
}

/* ---- Write-back ---------------------------------------------------------------- */

TEST_F(GifTest, WriteBackReducesRepeatedColours)
{
    Palette pal = {};
    unsigned char colours[4][3] = {{10, 20, 30}, {10, 20, 30}, {40, 50, 60}, {40, 50, 60}};
    memcpy(pal, colours, sizeof colours);
    ASSERT_TRUE(writeOurGif(path("four.gif"), IMGID_GIF89A, 4, 2, 2, pal, Bytes{0, 1, 2, 3, 3, 2, 1, 0}));
    chmod(path("four.gif").c_str(), 0640);
    RAMIMG *image = openGif(path("four.gif"));
    ASSERT_NE(image, nullptr);
    image->head.mapid = 3;
    image->head.x0 = 1.5;
    unsigned char three = 3;
    ASSERT_EQ(1, putRowByte(image, 0, 0, 1, 0, &three));
    ASSERT_EQ(1, flushRamImage(image));

    Bytes file = readFile(path("four.gif"));
    EXPECT_EQ(0x80, file[10]);      /* global table of 1 bit */
    struct stat info;
    ASSERT_EQ(0, stat(path("four.gif").c_str(), &info));
    EXPECT_EQ(0640u, info.st_mode & 0777);
    ImageHead head;
    initImageHead(&head);
    ASSERT_EQ(IMGID_GIF89A, probeGif(-1, &head, file.data(), file.size()));
    EXPECT_EQ(2, head.nindices);
    EXPECT_EQ(3, head.mapid);
    EXPECT_EQ(1.5, head.x0);
    /* The descriptor follows the file: a later decode reads the new file. */
    EXPECT_EQ(1, image->frame);
    EXPECT_EQ(1, rewindGif(image));
    EXPECT_EQ((Bytes{1, 0, 1, 1, 1, 1, 0, 0}), indices(image));
    closeRAMImage(image, NULL);
}

TEST_F(GifTest, FailedWriteBackIsReportedAndKeepsTheDescriptor)
{
    Palette pal = {};
    std::string sub = path("sub");
    ASSERT_EQ(0, mkdir(sub.c_str(), 0700));
    std::string file = sub + "/x.gif";
    ASSERT_TRUE(writeOurGif(file, IMGID_GIF87A, 2, 2, 1, pal, Bytes{0, 1, 1, 0}));
    RAMIMG *image = openGif(file);
    ASSERT_NE(image, nullptr);
    int fd = image->fd;
    unsigned char one = 1;
    putRowByte(image, 0, 0, 1, 0, &one);
    unlink(file.c_str());
    rmdir(sub.c_str());
    EXPECT_EQ(0, flushRamImage(image));
    EXPECT_NE(std::string::npos, stderrText().find("Error in writing GIF file " + file));
    EXPECT_EQ(fd, image->fd);
    unlinkRamImage(image);
    freeRamImage(image);
}

/* ---- Independent tools ------------------------------------------------------------------ */

TEST_F(GifTest, OurGifsReadTheSameInGiftopnmAndImageMagick)
{
    bool giftopnm = haveTool("giftopnm"), convert = haveTool("convert");
    if (!giftopnm && !convert) {
        GTEST_SKIP() << "neither giftopnm nor convert is installed";
    }
    std::mt19937 rng(1441);
    for (int k = 0; k < 40; k++) {
        int bits = 1 + k % 8;
        int width = std::uniform_int_distribution<int>(1, 300)(rng);
        int height = std::uniform_int_distribution<int>(1, 120)(rng);
        Palette pal;
        randomPalette(rng, 1 << bits, pal);
        Bytes pixels = randomPixels(rng, (size_t)width * height, bits, k % 2 == 0);
        Bytes expected;
        for (unsigned char p : pixels) {
            expected.insert(expected.end(), pal[p], pal[p] + 3);
        }
        std::string gif = path("ours.gif"), ppm = path("ours.ppm");
        ASSERT_TRUE(writeOurGif(gif, k % 2 ? IMGID_GIF87A : IMGID_GIF89A, width, height, bits, pal, pixels));
        Pnm pnm;
        if (giftopnm) {
            ASSERT_TRUE(run("giftopnm '" + gif + "' > '" + ppm + "'")) << "image " << k;
            ASSERT_TRUE(readPnm(readFile(ppm), &pnm)) << "image " << k;
            Bytes got = pnm.samples;
            if (pnm.channels == 1) {
                got.clear();
                for (unsigned char v : pnm.samples) {
                    got.insert(got.end(), 3, v);
                }
            }
            EXPECT_EQ(expected, got) << "giftopnm, image " << k << " " << width << "x" << height;
        }
        if (convert) {
            ASSERT_TRUE(run("convert '" + gif + "' -depth 8 'ppm:" + ppm + "'")) << "image " << k;
            ASSERT_TRUE(readPnm(readFile(ppm), &pnm)) << "image " << k;
            Bytes got = pnm.samples;
            if (pnm.channels == 1) {
                got.clear();
                for (unsigned char v : pnm.samples) {
                    got.insert(got.end(), 3, v);
                }
            }
            EXPECT_EQ(expected, got) << "convert, image " << k;
        }
    }
}

TEST_F(GifTest, GifsOfOtherToolsOpenWithTheirPixels)
{
    struct Tool { const char *name; const char *need; const char *command; };
    Tool tools[] = {
        {"ppmtogif", "ppmtogif", "ppmtogif IN > OUT"},
        {"ppmtogif -interlace", "ppmtogif", "ppmtogif -interlace IN > OUT"},
        {"pamtogif", "pamtogif", "pamtogif IN > OUT"},
        {"convert", "convert", "convert IN OUT"},
        {"convert -interlace", "convert", "convert IN -interlace GIF OUT"},
        {"convert GIF87", "convert", "convert IN GIF87:OUT"},
    };
    std::mt19937 rng(42);
    bool giftopnm = haveTool("giftopnm");
    int ran = 0;
    for (auto &tool : tools) {
        if (!haveTool(tool.need)) {
            continue;
        }
        for (int k = 0; k < 4; k++) {
            int width = std::uniform_int_distribution<int>(1, 200)(rng);
            int height = std::uniform_int_distribution<int>(1, 90)(rng);
            int count = 1 + (int)(rng() % 200);
            std::string in = path("in.ppm"), out = path("tool.gif");
            writeRandomPpm(rng, in, width, height, count);
            std::string command = tool.command;
            command.replace(command.find("IN"), 2, "'" + in + "'");
            command.replace(command.find("OUT"), 3, "'" + out + "'");
            ASSERT_TRUE(run(command)) << command;
            /* The file's own pixels, as the netpbm decoder reads them: some
             * ImageMagick versions write small interlaced images with rows
             * that differ from their source. */
            Pnm pnm;
            if (giftopnm) {
                ASSERT_TRUE(run("giftopnm '" + out + "' > '" + path("ref.ppm") + "'"));
                ASSERT_TRUE(readPnm(readFile(path("ref.ppm")), &pnm));
                ASSERT_EQ(3, pnm.channels);
            } else {
                ASSERT_TRUE(readPnm(readFile(in), &pnm));
            }
            RAMIMG *image = openGif(out);
            ASSERT_NE(image, nullptr) << tool.name;
            EXPECT_EQ(width, image->head.columns);
            EXPECT_EQ(height, image->head.rows);
            EXPECT_EQ(pnm.samples, colours(image)) << tool.name << " " << width << "x" << height;
            closeRAMImage(image, NULL);
            ran++;
        }
    }
    if (ran == 0) {
        GTEST_SKIP() << "no GIF writer (netpbm, ImageMagick) is installed";
    }
}

TEST_F(GifTest, AnimationOfImageMagickOpensFrameByFrame)
{
    if (!haveTool("convert")) {
        GTEST_SKIP() << "ImageMagick convert is not installed";
    }
    std::mt19937 rng(5);
    std::vector<Pnm> frames(3);
    std::string list;
    for (int i = 0; i < 3; i++) {
        std::string in = path(("f" + std::to_string(i) + ".ppm").c_str());
        writeRandomPpm(rng, in, 37, 23, 12);
        ASSERT_TRUE(readPnm(readFile(in), &frames[i]));
        list += " '" + in + "'";
    }
    std::string out = path("anim.gif");
    ASSERT_TRUE(run("convert -delay 20 -loop 0" + list + " +map '" + out + "'"));
    RAMIMG *image = openGif(out);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(frames[0].samples, colours(image));
    EXPECT_EQ(200.0f, image->frameDelay);
    EXPECT_EQ(3, seekRamImage(image, 3));
    EXPECT_EQ(frames[2].samples, colours(image));
    EXPECT_EQ(2, seekRamImage(image, 2));
    EXPECT_EQ(frames[1].samples, colours(image));
    EXPECT_EQ(3, seekRamImage(image, -1));
    EXPECT_EQ(3, image->frameCount);
    closeRAMImage(image, NULL);
}

TEST_F(GifTest, TransparencyOfImageMagick)
{
    if (!haveTool("convert")) {
        GTEST_SKIP() << "ImageMagick convert is not installed";
    }
    std::string out = path("t.gif");
    ASSERT_TRUE(run("convert -size 5x4 xc:red -fill blue -draw 'point 2,1' -transparent red '" + out + "'"));
    RAMIMG *image = openGif(out);
    ASSERT_NE(image, nullptr);
    ASSERT_GE(image->head.transparent, 0);
    Bytes px = indices(image);
    for (size_t i = 0; i < px.size(); i++) {
        unsigned char *c = image->head.palette[px[i]];
        if (i == 1 * 5 + 2) {
            EXPECT_EQ((Bytes{0, 0, 255}), Bytes(c, c + 3));
        } else {
            EXPECT_EQ(image->head.transparent, px[i]) << i;
        }
    }
    closeRAMImage(image, NULL);
}

}  // namespace
