/*
 * tiff_test.cpp --
 *
 *	TIFF and GeoTIFF files: the directory reader and its accessors, the
 *	probe (pixel types, strips, colour maps, georeference, refusals of
 *	malformed files), volume switching in the row cache, the writer, and
 *	files exchanged with libtiff-tools, GDAL and ImageMagick. Files are
 *	built byte by byte in a temporary folder.
 */
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/gmem.h"
#include "kit/fixture_kit.h"
#include "ramimage/format_hooks.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/formats/tiff.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"
#include "ramimage/console_capture.h"

namespace {

using fixture::Bytes;

/* ---- Building TIFF files --------------------------------------------------- */

struct Field {
    int tag;
    int type;
    std::vector<double> values;     /* RATIONALs: numerator, denominator pairs */
    std::string text;               /* ASCII */
};

/* A TIFF file assembled in memory in either byte order. */
class TiffFile {
public:
    explicit TiffFile(bool bigEndian) : big(bigEndian)
    {
        bytes = {(unsigned char)(big ? 'M' : 'I'), (unsigned char)(big ? 'M' : 'I'), 0, 0, 0, 0, 0, 0};
        put(2, 2, 42);
    }

    void put(size_t at, int width, uint64_t v)
    {
        for (int i = 0; i < width; i++) {
            bytes[at + (big ? width - 1 - i : i)] = (unsigned char)(v & 0xFF);
            v >>= 8;
        }
    }

    uint32_t append(const Bytes &data)
    {
        if (bytes.size() & 1) {
            bytes.push_back(0);
        }
        uint32_t at = (uint32_t)bytes.size();
        bytes.insert(bytes.end(), data.begin(), data.end());
        return at;
    }

    Bytes encode(const Field &f, uint32_t *count) const
    {
        Bytes out;
        if (f.type == TIFF_ASCII) {
            out.assign(f.text.begin(), f.text.end());
            out.push_back(0);
            *count = (uint32_t)out.size();
            return out;
        }
        static const int sizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
        int width = (f.type == TIFF_RATIONAL || f.type == TIFF_SRATIONAL) ? 4 : sizes[f.type];
        *count = (f.type == TIFF_RATIONAL || f.type == TIFF_SRATIONAL) ? (uint32_t)f.values.size() / 2
                                                                      : (uint32_t)f.values.size();
        for (double v : f.values) {
            uint64_t bits;
            if (f.type == TIFF_DOUBLE) {
                memcpy(&bits, &v, 8);
            } else if (f.type == TIFF_FLOAT) {
                float fv = (float)v;
                uint32_t b32;
                memcpy(&b32, &fv, 4);
                bits = b32;
            } else {
                bits = (uint64_t)(int64_t)v;
            }
            size_t at = out.size();
            out.resize(at + width);
            for (int i = 0; i < width; i++) {
                out[at + (big ? width - 1 - i : i)] = (unsigned char)(bits & 0xFF);
                bits >>= 8;
            }
        }
        return out;
    }

    /* Appends a directory of the fields (sorted by tag) and links it after
     * the previous one. Returns its offset. */
    uint32_t addIfd(std::vector<Field> fields)
    {
        std::stable_sort(fields.begin(), fields.end(),
                         [](const Field &a, const Field &b) { return a.tag < b.tag; });
        std::vector<Bytes> fieldBytes(fields.size());
        std::vector<uint32_t> counts(fields.size()), where(fields.size(), 0);
        for (size_t i = 0; i < fields.size(); i++) {
            fieldBytes[i] = encode(fields[i], &counts[i]);
            if (fieldBytes[i].size() > 4) {
                where[i] = append(fieldBytes[i]);
            }
        }
        Bytes ifd(2 + 12 * fields.size() + 4, 0);
        uint32_t at = append(ifd);
        put(at, 2, fields.size());
        for (size_t i = 0; i < fields.size(); i++) {
            size_t e = at + 2 + 12 * i;
            put(e, 2, (uint64_t)fields[i].tag);
            put(e + 2, 2, (uint64_t)fields[i].type);
            put(e + 4, 4, counts[i]);
            if (fieldBytes[i].size() > 4) {
                put(e + 8, 4, where[i]);
            } else {
                std::copy(fieldBytes[i].begin(), fieldBytes[i].end(), bytes.begin() + e + 8);
            }
        }
        if (ifds.empty()) {
            put(4, 4, at);
        } else {
            setNext(ifds.size() - 1, at);
        }
        ifds.push_back(at);
        counts_.push_back(fields.size());
        return at;
    }

    void setNext(size_t ifd, uint32_t to)
    {
        put(ifds[ifd] + 2 + 12 * counts_[ifd], 4, to);
    }

    bool big;
    Bytes bytes;
    std::vector<uint32_t> ifds;

private:
    std::vector<size_t> counts_;
};

Field num(int tag, int type, std::vector<double> values)
{
    return Field{tag, type, values, ""};
}

/* The fields of a plain image with one strip at offset. */
std::vector<Field> imageFields(int width, int height, int bits, int spp, uint32_t offset,
                               uint32_t byteCount, int widthType = TIFF_LONG)
{
    return {
        num(TIFFTAG_IMAGE_WIDTH, widthType, {(double)width}),
        num(TIFFTAG_IMAGE_LENGTH, TIFF_SHORT, {(double)height}),
        num(TIFFTAG_BITS_PER_SAMPLE, TIFF_SHORT, std::vector<double>(spp, bits)),
        num(TIFFTAG_COMPRESSION, TIFF_SHORT, {1}),
        num(TIFFTAG_PHOTOMETRIC, TIFF_SHORT, {1}),
        num(TIFFTAG_STRIP_OFFSETS, TIFF_LONG, {(double)offset}),
        num(TIFFTAG_SAMPLES_PER_PIXEL, TIFF_SHORT, {(double)spp}),
        num(TIFFTAG_ROWS_PER_STRIP, TIFF_LONG, {(double)height}),
        num(TIFFTAG_STRIP_BYTE_COUNTS, TIFF_LONG, {(double)byteCount}),
    };
}

void setField(std::vector<Field> &fields, const Field &f)
{
    for (Field &g : fields) {
        if (g.tag == f.tag) {
            g = f;
            return;
        }
    }
    fields.push_back(f);
}

void dropField(std::vector<Field> &fields, int tag)
{
    fields.erase(std::remove_if(fields.begin(), fields.end(), [tag](const Field &f) { return f.tag == tag; }),
                 fields.end());
}

/* Bytes 0, 1, 2 ... of an 8-bit image, row-major. */
Bytes rampPixels(size_t n, int start = 0)
{
    Bytes p(n);
    for (size_t i = 0; i < n; i++) {
        p[i] = (unsigned char)((start + i * 7) & 0xFF);
    }
    return p;
}

/* A one-strip 8-bit grey TIFF of width x height with the ramp pixels. */
TiffFile greyFile(bool big, int width, int height, int widthType = TIFF_LONG)
{
    TiffFile f(big);
    uint32_t at = f.append(rampPixels((size_t)width * height));
    f.addIfd(imageFields(width, height, 8, 1, at, (uint32_t)(width * height), widthType));
    return f;
}

/* ---- Files and tools ----------------------------------------------------- */

class TiffTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Tcl_FindExecutable(nullptr); }

    void TearDown() override
    {
        for (RAMIMG *image : opened) {
            image->openCount = 0;
            closeRAMImage(image, NULL);
        }
    }

    std::string path(const std::string &name) const { return dir + "/" + name; }

    std::string save(const std::string &name, const Bytes &bytes) const
    {
        std::string p = path(name);
        EXPECT_TRUE(fixture::writeBytes(p, bytes)) << p;
        return p;
    }

    /* imgTiff on the file's first volume: the result, the head and (kept
     * until the test ends) the state. */
    int probe(const std::string &file, ImageHead *head, TiffState **stateOut = NULL)
    {
        initImageHead(head);
        int fd = open(file.c_str(), O_RDONLY);
        EXPECT_GE(fd, 0);
        TiffState *state = NULL;
        int result = imgTiff(fd, head, 1, &state);
        close(fd);
        if (state != NULL) {
            states.push_back(state);
        }
        if (stateOut != NULL) {
            *stateOut = state;
        }
        return result;
    }

    RAMIMG *openImage(const std::string &file)
    {
        int err = 0;
        RAMIMG *image = openRAMImage(NULL, file.c_str(), NULL, NULL, &err);
        if (image != NULL) {
            opened.push_back(image);
        }
        return image;
    }

    static std::vector<float> row(RAMIMG *image, int r, int band = 0)
    {
        std::vector<float> out(image->head.columns);
        getRowFloat(image, r, 0, image->head.columns, band, out.data());
        return out;
    }

    static bool haveTool(const char *tool) { return fixture::haveTool(tool); }

    /* Standard output (and error when merged by the command) of a shell command. */
    static std::string run(const std::string &command, int *status = NULL)
    {
        std::string out;
        FILE *pipe = popen(command.c_str(), "r");
        if (pipe == NULL) {
            return out;
        }
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            out.append(buffer, n);
        }
        int rc = pclose(pipe);
        if (status != NULL) {
            *status = rc;
        }
        return out;
    }

    void TearDownStates()
    {
        for (TiffState *s : states) {
            freeTiffIFDs(s->list);
            gmemFree(s);
        }
        states.clear();
    }

    ~TiffTest() override { TearDownStates(); }

    console_capture::ConsoleCapture console;
    fixture::ScratchDir scratch{"ovex-tiff"};
    std::string dir = scratch.path();
    std::vector<RAMIMG *> opened;
    std::vector<TiffState *> states;
};

#define REQUIRE_TOOL(tool)                                                        \
    do {                                                                          \
        if (!haveTool(tool)) {                                                    \
            GTEST_SKIP() << tool " is not installed: cross-tool check skipped";   \
        }                                                                         \
    } while (0)

/* ======================================================================
 * Directory reader and accessors
 * ====================================================================== */

TEST_F(TiffTest, TypeSizesAndUnknownType)
{
    const int expected[13] = {-1, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    for (int type = 1; type <= 12; type++) {
        EXPECT_EQ(expected[type], tiffTypeSize(type)) << "type " << type;
    }
    console.takeStderr();
    EXPECT_EQ(-1, tiffTypeSize(13));
    EXPECT_EQ("Unknown data type: 13\n", console.takeStderr());
}

TEST_F(TiffTest, ShortValueByType)
{
    struct Case { int type; uint32_t field; int64_t value; } cases[] = {
        {TIFF_BYTE, 0x000000F0, 240}, {TIFF_ASCII, 0x000000F0, -16}, {TIFF_UNDEFINED, 0xFF, -1},
        {TIFF_SHORT, 0x0002FFFE, 65534}, {TIFF_SSHORT, 0x0000FFFE, -2},
        {TIFF_LONG, 0xFFFFFFFF, 4294967295LL}, {TIFF_SLONG, 0xFFFFFFFF, -1},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.value, tiffShortValue(c.type, c.field)) << "type " << c.type;
    }
}

/* Value fields of both byte orders come out alike: one SHORT in the low
 * half, two SHORTs in both halves, bytes from the least significant up. */
TEST_F(TiffTest, ValueFieldsConvertedAlikeInBothOrders)
{
    for (bool big : {false, true}) {
        TiffFile f(big);
        uint32_t at = f.append(rampPixels(12));
        std::vector<Field> fields = imageFields(3, 1, 16, 2, at, 12, TIFF_SHORT);
        fields.push_back(num(700, TIFF_BYTE, {1, 2, 3}));
        fields.push_back(Field{701, TIFF_ASCII, {}, "ab"});
        fields.push_back(num(702, TIFF_SSHORT, {-5}));
        f.addIfd(fields);
        std::string file = save(big ? "mm.tif" : "ii.tif", f.bytes);
        int fd = open(file.c_str(), O_RDONLY);
        TiffDirList *list = readTiffIFDs(fd);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(big ? TIFF_BIG_ENDIAN : TIFF_LITTLE_ENDIAN, list->byteOrder);
        EXPECT_EQ(42, list->version);
        ASSERT_EQ(1, list->count);
        const TiffDir *d = &list->dirs[0];
        int order = list->byteOrder;
        EXPECT_EQ(3, tiffImageWidth(d));
        EXPECT_EQ(0x00100010u, d->entries[tiffFindTag(d, TIFFTAG_BITS_PER_SAMPLE)].value);
        EXPECT_EQ(16, tiffArrayElement(fd, d, TIFFTAG_BITS_PER_SAMPLE, 1, order));
        EXPECT_EQ(-1, tiffArrayElement(fd, d, TIFFTAG_BITS_PER_SAMPLE, 2, order));
        EXPECT_EQ(0x030201u, d->entries[tiffFindTag(d, 700)].value);
        EXPECT_EQ(3, tiffArrayElement(fd, d, 700, 2, order));
        EXPECT_EQ('b', tiffArrayElement(fd, d, 701, 1, order));
        EXPECT_EQ(-5, tiffShortValue(TIFF_SSHORT, d->entries[tiffFindTag(d, 702)].value));
        close(fd);
        freeTiffIFDs(list);
    }
}

TEST_F(TiffTest, ArrayElementOfLargeArraysRationalsAndFloats)
{
    for (bool big : {false, true}) {
        TiffFile f(big);
        f.addIfd({num(600, TIFF_LONG, {7, 8, 9}), num(601, TIFF_SHORT, {1, 2, 3, 65535}),
                  num(602, TIFF_RATIONAL, {72, 1}), num(603, TIFF_DOUBLE, {1.5}),
                  num(604, TIFF_SBYTE, {1})});
        std::string file = save("arrays.tif", f.bytes);
        int fd = open(file.c_str(), O_RDONLY);
        TiffDirList *list = readTiffIFDs(fd);
        ASSERT_NE(list, nullptr);
        const TiffDir *d = &list->dirs[0];
        int order = list->byteOrder;
        EXPECT_EQ(9, tiffArrayElement(fd, d, 600, 2, order));
        EXPECT_EQ(65535, tiffArrayElement(fd, d, 601, 3, order));
        EXPECT_EQ(72, tiffArrayElement(fd, d, 602, 0, order));
        EXPECT_EQ(1, tiffArrayElement(fd, d, 602, 1, order));
        EXPECT_EQ(-1, tiffArrayElement(fd, d, 602, 2, order));
        EXPECT_EQ(-1, tiffArrayElement(fd, d, 603, 0, order));
        EXPECT_EQ(-1, tiffArrayElement(fd, d, 999, 0, order));
        EXPECT_EQ(9u, tiffReadLong(fd, order, d->entries[tiffFindTag(d, 600)].value, 2));
        console.takeStderr();
        EXPECT_EQ(-1, tiffArrayElement(fd, d, 604, 0, order));
        EXPECT_EQ("Unknown data type for array element at index: 0 tagged as: 604\n",
                  console.takeStderr());
        close(fd);
        freeTiffIFDs(list);
    }
}

TEST_F(TiffTest, NotTiffFiles)
{
    struct Case { const char *name; Bytes bytes; } cases[] = {
        {"empty", {}},
        {"short", {'I', 'I', 42}},
        {"mark", {'I', 'M', 42, 0, 8, 0, 0, 0}},
        {"bigtiff", {'I', 'I', 43, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"no directory", {'I', 'I', 42, 0, 100, 0, 0, 0}},
        {"cut directory", {'I', 'I', 42, 0, 8, 0, 0, 0, 5, 0, 0, 1}},
    };
    for (const Case &c : cases) {
        std::string file = save("bad.tif", c.bytes);
        int fd = open(file.c_str(), O_RDONLY);
        console.takeStderr();
        EXPECT_EQ(nullptr, readTiffIFDs(fd)) << c.name;
        TiffHeader header;
        EXPECT_EQ(0, getTiffInfo(fd, &header)) << c.name;
        console.takeStderr();
        close(fd);
        ImageHead head;
        console.takeStderr();
        EXPECT_EQ(0, probe(file, &head)) << c.name;
        console.takeStderr();
    }
}

TEST_F(TiffTest, LoopingChainStopsBeforeTheRepeat)
{
    TiffFile f(false);
    uint32_t at = f.append(rampPixels(4));
    f.addIfd(imageFields(2, 2, 8, 1, at, 4));
    f.addIfd(imageFields(2, 2, 8, 1, at, 4));
    f.addIfd(imageFields(2, 2, 8, 1, at, 4));
    f.setNext(2, f.ifds[1]);            /* third points back to the second */
    std::string file = save("loop.tif", f.bytes);
    int fd = open(file.c_str(), O_RDONLY);
    TiffDirList *list = readTiffIFDs(fd);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(3, list->count);
    TiffHeader header;
    EXPECT_EQ(27, getTiffInfo(fd, &header));
    EXPECT_EQ(f.ifds[0], header.firstOffset);
    freeTiffIFDs(list);

    f.setNext(0, f.ifds[0]);            /* the first points at itself */
    file = save("self.tif", f.bytes);
    close(fd);
    fd = open(file.c_str(), O_RDONLY);
    list = readTiffIFDs(fd);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(1, list->count);
    freeTiffIFDs(list);
    close(fd);
}

/* ======================================================================
 * Describing a volume
 * ====================================================================== */

TEST_F(TiffTest, ShortWidthInBothByteOrders)
{
    for (bool big : {false, true}) {
        std::string file = save("w.tif", greyFile(big, 300, 2, TIFF_SHORT).bytes);
        ImageHead head;
        ASSERT_EQ(1, probe(file, &head));
        EXPECT_EQ(300, head.columns);
        EXPECT_EQ(2, head.rows);
        EXPECT_EQ(IMGID_TIFF, head.imgid);
        EXPECT_EQ(1, head.mapid);
        EXPECT_EQ(PIXEL_BYTE, head.pixel);
        EXPECT_EQ(300, head.block);
        EXPECT_EQ(big ? 1 : 0, head.msbf);
        EXPECT_EQ(1, head.frames);
        EXPECT_EQ(-1, head.transparent);
        EXPECT_EQ(0, head.encoding);
        EXPECT_EQ(8, head.offset);
    }
}

TEST_F(TiffTest, PixelTypesByBitsAndSampleFormat)
{
    struct Case { int bits; int format; int spp; int pixel; int block; int result; } cases[] = {
        {8, -1, 3, PIXEL_BYTE, 3 * 10, 1},
        {8, 2, 1, PIXEL_SBYTE, 10, 1},
        {1, -1, 1, PIXEL_1BIT, 2, 1},
        {4, -1, 1, PIXEL_4BITS, 5, 1},
        {16, -1, 1, PIXEL_USHORT, 20, 1},
        {16, 2, 2, PIXEL_SHORT, 40, 1},
        {32, 1, 1, PIXEL_ULONG, 40, 1},
        {32, 2, 1, PIXEL_LONG, 40, 1},
        {32, 3, 1, PIXEL_FLOAT, 40, 1},
        {16, 3, 1, 0, 0, 0},            /* half floats have no type */
        {12, 1, 1, 0, 0, 0},            /* packed 12-bit samples neither */
        {24, 1, 1, 0, 0, 0},
        {1, -1, 3, 0, 0, 0},            /* sub-byte samples of several bands */
    };
    for (const Case &c : cases) {
        TiffFile f(false);
        uint32_t at = f.append(Bytes(400, 0));
        std::vector<Field> fields = imageFields(10, 2, c.bits, c.spp, at, 400);
        if (c.format >= 0) {
            fields.push_back(num(TIFFTAG_SAMPLE_FORMAT, TIFF_SHORT, std::vector<double>(c.spp, c.format)));
        }
        f.addIfd(fields);
        std::string file = save("p.tif", f.bytes);
        ImageHead head;
        console.takeStderr();
        int result = probe(file, &head);
        console.takeStderr();
        ASSERT_EQ(c.result, result) << c.bits << " bits, format " << c.format;
        if (result == 1) {
            EXPECT_EQ(c.pixel, head.pixel) << c.bits << " bits";
            EXPECT_EQ(c.block, head.block) << c.bits << " bits";
            EXPECT_EQ(c.bits, head.bits);
            EXPECT_EQ(c.spp, head.nbands);
        }
    }
}

TEST_F(TiffTest, RefusalsAndTheirMessages)
{
    struct Case {
        const char *name;
        void (*edit)(std::vector<Field> &);
        int result;
        const char *message;
    } cases[] = {
        {"lzw", [](std::vector<Field> &f) { setField(f, num(TIFFTAG_COMPRESSION, TIFF_SHORT, {5})); },
         -1, "imgTiff - Can't read the Tiff with a compression ID:5\n"},
        {"no strips", [](std::vector<Field> &f) { dropField(f, TIFFTAG_STRIP_OFFSETS); },
         -1, "imgTiff - Fail to find Tiff strip offset.\n"},
        {"planar", [](std::vector<Field> &f) {
             setField(f, num(TIFFTAG_SAMPLES_PER_PIXEL, TIFF_SHORT, {3}));
             setField(f, num(TIFFTAG_BITS_PER_SAMPLE, TIFF_SHORT, {8, 8, 8}));
             setField(f, num(TIFFTAG_PLANAR_CONFIG, TIFF_SHORT, {2}));
         }, -1, "imgTiff - Can't read a planar-separate Tiff of 3 samples.\n"},
        {"zero width", [](std::vector<Field> &f) { setField(f, num(TIFFTAG_IMAGE_WIDTH, TIFF_LONG, {0})); },
         0, "imgTiff - invalid col/row: 0/4\n"},
        {"no samples", [](std::vector<Field> &f) { setField(f, num(TIFFTAG_SAMPLES_PER_PIXEL, TIFF_SHORT, {0})); },
         0, "imgTiff - invalid nBands: 0\n"},
        {"12 bits", [](std::vector<Field> &f) { setField(f, num(TIFFTAG_BITS_PER_SAMPLE, TIFF_SHORT, {12})); },
         0, "imgTiff - invalid nBits: 12\n"},
        {"signed float 16", [](std::vector<Field> &f) {
             setField(f, num(TIFFTAG_BITS_PER_SAMPLE, TIFF_SHORT, {16}));
             setField(f, num(TIFFTAG_SAMPLE_FORMAT, TIFF_SHORT, {3}));
         }, 0, "imgTiff - invalid sample format:3\n"},
        {"strip past the end", [](std::vector<Field> &f) { setField(f, num(TIFFTAG_STRIP_OFFSETS, TIFF_LONG, {4000000000.0})); },
         -1, "imgTiff - Tiff strip 0 lies outside the file.\n"},
        {"too few strips", [](std::vector<Field> &f) { setField(f, num(TIFFTAG_ROWS_PER_STRIP, TIFF_LONG, {1})); setField(f, num(TIFFTAG_STRIP_OFFSETS, TIFF_LONG, {8, 8})); },
         -1, "imgTiff - Tiff has 2 strips of 4.\n"},
    };
    for (const Case &c : cases) {
        TiffFile f(true);
        uint32_t at = f.append(rampPixels(16));
        std::vector<Field> fields = imageFields(4, 4, 8, 1, at, 16);
        c.edit(fields);
        f.addIfd(fields);
        std::string file = save("r.tif", f.bytes);
        ImageHead head;
        console.takeStderr();
        int result = probe(file, &head);
        EXPECT_EQ(c.message, console.takeStderr()) << c.name;
        EXPECT_EQ(c.result, result) << c.name;
    }
}

TEST_F(TiffTest, TruncatedStripIsRefusedNotReadAsZeros)
{
    /* A directory that announces 100 pixel bytes where 50 remain at the
     * end of the file: built once to learn where the pixels land. */
    TiffFile probeLayout(false);
    probeLayout.addIfd(imageFields(10, 10, 8, 1, 0, 100));
    uint32_t at = probeLayout.append(rampPixels(50));
    TiffFile g(false);
    g.addIfd(imageFields(10, 10, 8, 1, at, 100));
    ASSERT_EQ(at, g.append(rampPixels(50)));
    std::string file = save("cut.tif", g.bytes);
    ImageHead head;
    console.takeStderr();
    EXPECT_EQ(-1, probe(file, &head));
    console.takeStderr();
    int err = 0;
    console.takeStderr();
    EXPECT_EQ(nullptr, openRAMImage(NULL, file.c_str(), NULL, NULL, &err));
    console.takeStderr();
    EXPECT_EQ(RAMIMG_EUNHANDLED, err);
}

TEST_F(TiffTest, PackBitsIsEncodingTwo)
{
    /* Rows of 4: a run of four 9s, then four literals. */
    TiffFile f(false);
    uint32_t at = f.append({0xFD, 9, 3, 1, 2, 3, 4});
    std::vector<Field> fields = imageFields(4, 2, 8, 1, at, 7);
    setField(fields, num(TIFFTAG_COMPRESSION, TIFF_SHORT, {32773}));
    f.addIfd(fields);
    std::string file = save("pb.tif", f.bytes);
    ImageHead head;
    ASSERT_EQ(1, probe(file, &head));
    EXPECT_EQ(2, head.encoding);
    RAMIMG *image = openImage(file);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ((std::vector<float>{9, 9, 9, 9}), row(image, 0));
    EXPECT_EQ((std::vector<float>{1, 2, 3, 4}), row(image, 1));
}

TEST_F(TiffTest, APackBitsStripThatDecodesToNothingGivesItsRowsAsZeroAtOnce)
{
    /* Only no-op bytes (-128): the strip is read, but yields no pixel. Its
     * rows are zero from that one read, not left unread for every row to
     * decode the strip again. */
    TiffFile f(false);
    uint32_t at = f.append(Bytes(64, 0x80));
    std::vector<Field> fields = imageFields(16, 8, 8, 1, at, 64);
    setField(fields, num(TIFFTAG_COMPRESSION, TIFF_SHORT, {32773}));
    f.addIfd(fields);
    RAMIMG *image = openImage(save("noop.tif", f.bytes));
    ASSERT_NE(image, nullptr);
    int row = 5, count = 0;
    unsigned char *rows = readTiffStrips(image, &row, &count);
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(0, row);
    EXPECT_EQ(8, count);
    EXPECT_EQ(Bytes(16 * 8, 0), Bytes(rows, rows + 16 * 8));
    gmemFree(rows);
}

TEST_F(TiffTest, AbsentRowsPerStripMeansAllRowsAndShortStripArrays)
{
    /* One strip without RowsPerStrip. */
    TiffFile f(true);
    uint32_t at = f.append(rampPixels(12));
    std::vector<Field> fields = imageFields(3, 4, 8, 1, at, 12);
    dropField(fields, TIFFTAG_ROWS_PER_STRIP);
    f.addIfd(fields);
    RAMIMG *image = openImage(save("one.tif", f.bytes));
    ASSERT_NE(image, nullptr);
    Bytes expect = rampPixels(12);
    for (int r = 0; r < 4; r++) {
        EXPECT_EQ(expect[3 * r + 2], row(image, r)[2]) << "row " << r;
    }

    /* Four strips of one row whose offsets and counts are SHORT arrays,
     * stored out of order. */
    for (bool big : {false, true}) {
        TiffFile g(big);
        Bytes pixels = rampPixels(12, 5);
        std::vector<double> offsets(4), counts(4, 3);
        for (int s = 3; s >= 0; s--) {
            offsets[s] = g.append(Bytes(pixels.begin() + 3 * s, pixels.begin() + 3 * s + 3));
        }
        std::vector<Field> h = imageFields(3, 4, 8, 1, 0, 0);
        setField(h, num(TIFFTAG_STRIP_OFFSETS, TIFF_SHORT, offsets));
        setField(h, num(TIFFTAG_STRIP_BYTE_COUNTS, TIFF_SHORT, counts));
        setField(h, num(TIFFTAG_ROWS_PER_STRIP, TIFF_SHORT, {1}));
        g.addIfd(h);
        image = openImage(save(big ? "short-mm.tif" : "short-ii.tif", g.bytes));
        ASSERT_NE(image, nullptr);
        for (int r = 0; r < 4; r++) {
            std::vector<float> got = row(image, r);
            for (int c = 0; c < 3; c++) {
                EXPECT_EQ(pixels[3 * r + c], got[c]) << "row " << r << " col " << c;
            }
        }
    }
}

TEST_F(TiffTest, SixteenBitSamplesInBothByteOrders)
{
    for (bool big : {false, true}) {
        TiffFile f(big);
        Field data = num(0, TIFF_SHORT, {1, 258, 65535, 4660, 7, 8});
        uint32_t count;
        uint32_t at = f.append(f.encode(data, &count));
        f.addIfd(imageFields(3, 2, 16, 1, at, 12));
        RAMIMG *image = openImage(save(big ? "mm16.tif" : "ii16.tif", f.bytes));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ((std::vector<float>{1, 258, 65535}), row(image, 0));
        EXPECT_EQ((std::vector<float>{4660, 7, 8}), row(image, 1));
    }
}

TEST_F(TiffTest, ColorMapsAndBilevelPalettes)
{
    /* A 4-entry SHORT map: each entry from the high bytes. */
    TiffFile f(true);
    uint32_t at = f.append(rampPixels(4));
    std::vector<Field> fields = imageFields(2, 2, 8, 1, at, 4);
    setField(fields, num(TIFFTAG_PHOTOMETRIC, TIFF_SHORT, {3}));
    fields.push_back(num(TIFFTAG_COLOR_MAP, TIFF_SHORT,
                         {0x1200, 0xFFFF, 0x0100, 0x0000, 0x3400, 0x00FF, 0x8000, 0x0000, 0x5600,
                          0x0000, 0x0000, 0xFF00}));
    f.addIfd(fields);
    ImageHead head;
    ASSERT_EQ(1, probe(save("map.tif", f.bytes), &head));
    EXPECT_EQ(4, head.nindices);
    const unsigned char expect[4][3] = {{0x12, 0x34, 0x56}, {0xFF, 0x00, 0x00}, {0x01, 0x80, 0x00},
                                        {0x00, 0x00, 0xFF}};
    for (int i = 0; i < 4; i++) {
        for (int c = 0; c < 3; c++) {
            EXPECT_EQ(expect[i][c], head.palette[i][c]) << i << "/" << c;
        }
    }
    EXPECT_EQ(4, head.palette[4][0]);   /* beyond the map: the head's own entries */

    /* Counts that are not 3n with n <= 256 are not a palette. */
    for (int values : {4, 3 * 257}) {
        TiffFile g(false);
        uint32_t p = g.append(rampPixels(4));
        std::vector<Field> h = imageFields(2, 2, 8, 1, p, 4);
        h.push_back(num(TIFFTAG_COLOR_MAP, TIFF_SHORT, std::vector<double>(values, 0xFF00)));
        g.addIfd(h);
        ASSERT_EQ(1, probe(save("badmap.tif", g.bytes), &head));
        EXPECT_EQ(0, head.nindices) << values << " values";
    }

    /* Bilevel without a map: which of 0 and 1 is black. */
    struct Case { int photometric; unsigned char zero; } cases[] = {{0, 255}, {1, 0}, {-1, 255}};
    for (const Case &c : cases) {
        TiffFile g(false);
        uint32_t p = g.append({0xA0, 0x50});
        std::vector<Field> h = imageFields(4, 2, 1, 1, p, 2);
        if (c.photometric < 0) {
            dropField(h, TIFFTAG_PHOTOMETRIC);
        } else {
            setField(h, num(TIFFTAG_PHOTOMETRIC, TIFF_SHORT, {(double)c.photometric}));
        }
        g.addIfd(h);
        ASSERT_EQ(1, probe(save("bw.tif", g.bytes), &head));
        EXPECT_EQ(2, head.nindices);
        EXPECT_EQ(c.zero, head.palette[0][0]) << "photometric " << c.photometric;
        EXPECT_EQ(255 - c.zero, head.palette[1][2]) << "photometric " << c.photometric;
        EXPECT_EQ(1, head.msbf);
    }
}

TEST_F(TiffTest, GeoreferenceFromModelTags)
{
    struct Case {
        bool scale;
        bool tie;
        int imgid;
        double x0, y0, dx, dy;
    } cases[] = {
        {true, true, IMGID_GEOTIFF, 500000.0, 4100000.0, 30.0, 30.0},
        {true, false, IMGID_TIFF, 0.0, 0.0, 30.0, 30.0},
        {false, true, IMGID_TIFF, 500000.0, 4100000.0, 1.0, 1.0},
        {false, false, IMGID_TIFF, 0.0, 0.0, 1.0, 1.0},
    };
    for (const Case &c : cases) {
        TiffFile f(true);
        uint32_t at = f.append(rampPixels(4));
        std::vector<Field> fields = imageFields(2, 2, 8, 1, at, 4);
        if (c.scale) {
            fields.push_back(num(TIFFTAG_MODEL_PIXEL_SCALE, TIFF_DOUBLE, {30, 30, 0}));
        }
        if (c.tie) {
            fields.push_back(num(TIFFTAG_MODEL_TIEPOINT, TIFF_DOUBLE, {0, 0, 0, 500000, 4100000, 0}));
        }
        f.addIfd(fields);
        ImageHead head;
        ASSERT_EQ(1, probe(save("geo.tif", f.bytes), &head));
        EXPECT_EQ(c.imgid, head.imgid);
        EXPECT_DOUBLE_EQ(c.x0, head.x0);
        EXPECT_DOUBLE_EQ(c.y0, head.y0);
        EXPECT_DOUBLE_EQ(c.dx, head.dx);
        EXPECT_DOUBLE_EQ(c.dy, head.dy);
    }

    /* A tie point at pixel (2, 3) moves the origin back by that many pixels. */
    TiffFile f(false);
    uint32_t at = f.append(rampPixels(4));
    std::vector<Field> fields = imageFields(2, 2, 8, 1, at, 4);
    fields.push_back(num(TIFFTAG_MODEL_PIXEL_SCALE, TIFF_DOUBLE, {10, 20, 0}));
    fields.push_back(num(TIFFTAG_MODEL_TIEPOINT, TIFF_DOUBLE, {2, 3, 0, 1000, 2000, 0}));
    f.addIfd(fields);
    ImageHead head;
    ASSERT_EQ(1, probe(save("tie.tif", f.bytes), &head));
    EXPECT_DOUBLE_EQ(980.0, head.x0);
    EXPECT_DOUBLE_EQ(1940.0, head.y0);
}

/* ======================================================================
 * Volumes
 * ====================================================================== */

TEST_F(TiffTest, VolumesSwitchHeadCacheAndStay)
{
    /* Page 1: 8-bit 4x3; page 2: 16-bit 2x5 in PackBits-free strips of 2 rows. */
    TiffFile f(false);
    uint32_t a = f.append(rampPixels(12));
    f.addIfd(imageFields(4, 3, 8, 1, a, 12));
    Field data = num(0, TIFF_SHORT, {100, 101, 102, 103, 104, 105, 106, 107, 108, 109});
    uint32_t count;
    Bytes words = f.encode(data, &count);
    uint32_t s0 = f.append(Bytes(words.begin(), words.begin() + 8));
    uint32_t s1 = f.append(Bytes(words.begin() + 8, words.begin() + 16));
    uint32_t s2 = f.append(Bytes(words.begin() + 16, words.end()));
    std::vector<Field> page2 = imageFields(2, 5, 16, 1, 0, 0);
    setField(page2, num(TIFFTAG_STRIP_OFFSETS, TIFF_LONG, {(double)s0, (double)s1, (double)s2}));
    setField(page2, num(TIFFTAG_STRIP_BYTE_COUNTS, TIFF_LONG, {8, 8, 4}));
    setField(page2, num(TIFFTAG_ROWS_PER_STRIP, TIFF_LONG, {2}));
    f.addIfd(page2);
    RAMIMG *image = openImage(save("pages.tif", f.bytes));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(2, image->head.frames);
    EXPECT_EQ(7.0f, row(image, 0)[1]);

    EXPECT_EQ(2, seekRamImage(image, 0));
    EXPECT_EQ(2, image->frame);
    EXPECT_EQ(5, image->head.rows);
    EXPECT_EQ(2, image->head.columns);
    EXPECT_EQ(PIXEL_USHORT, image->head.pixel);
    for (int r = 0; r < 5; r++) {
        EXPECT_EQ((std::vector<float>{100.0f + 2 * r, 101.0f + 2 * r}), row(image, r)) << "row " << r;
    }

    /* No volume after the last: answered -2 and the image stays. */
    EXPECT_EQ(-2, seekRamImage(image, 0));
    EXPECT_EQ(2, image->frame);
    EXPECT_EQ(108.0f, row(image, 4)[0]);
    TiffState *state = (TiffState *)image->priv;
    ImageHead head = image->head;
    EXPECT_EQ(0, imgTiff(image->fd, &head, 0, &state));
    EXPECT_EQ(2, state->volume);

    EXPECT_EQ(1, seekRamImage(image, 1));
    EXPECT_EQ(3, image->head.rows);
    EXPECT_EQ(PIXEL_BYTE, image->head.pixel);
    EXPECT_EQ(rampPixels(12)[11], row(image, 2)[3]);
    EXPECT_EQ(2, seekRamImage(image, 9));
}

/* ======================================================================
 * Writer
 * ====================================================================== */

class TiffWriterTest : public TiffTest {
protected:
    ImageHead newHead(const std::string &name, int imgid, int pixel, int columns, int rows,
                      int nbands)
    {
        ImageHead head;
        initImageHead(&head);
        snprintf(head.file, sizeof(head.file), "%s", path(name).c_str());
        head.imgid = imgid;
        head.pixel = pixel;
        head.columns = columns;
        head.rows = rows;
        head.nbands = nbands;
        head.transparent = -1;
        head.dx = head.dy = 1.0;
        head.mapid = 1;
        return head;
    }

    /* Writes only the header and directory of head into a new file. */
    TiffDirList *writeAndRead(ImageHead *head, int *fdOut)
    {
        int fd = open(head->file, O_CREAT | O_TRUNC | O_RDWR, 0600);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(8, writeTiffImage(fd, 1, head, head));
        TiffDirList *list = readTiffIFDs(fd);
        *fdOut = fd;
        return list;
    }

    /* Creates the file through the engine and fills every band row. */
    RAMIMG *createFilled(ImageHead *head, float (*value)(int r, int c, int b))
    {
        int err = 0;
        RAMIMG *image = openRAMImageNew(head, NULL, 1, &err);
        EXPECT_NE(image, nullptr) << "error " << err;
        if (image == NULL) {
            return NULL;
        }
        std::vector<float> values(head->columns);
        for (int b = 0; b < head->nbands; b++) {
            for (int r = 0; r < head->rows; r++) {
                for (int c = 0; c < head->columns; c++) {
                    values[c] = value(r, c, b);
                }
                putRowFloat(image, r, 0, head->columns, b, values.data());
            }
        }
        flushRamImage(image);
        return image;
    }
};

TEST_F(TiffWriterTest, DirectoryOfAPaletteByteImage)
{
    ImageHead head = newHead("pal.tif", IMGID_TIFF, PIXEL_BYTE, 5, 3, 1);
    head.nindices = 4;
    head.palette[1][0] = 255;
    head.palette[1][1] = 0;
    int fd;
    TiffDirList *list = writeAndRead(&head, &fd);
    ASSERT_NE(list, nullptr);
    const TiffDir *d = &list->dirs[0];
    int order = list->byteOrder;
    EXPECT_EQ(TIFF_LITTLE_ENDIAN, order);
    EXPECT_EQ(3, tiffPhotometric(d));
    EXPECT_EQ(8, tiffStripOffsets(d, NULL));
    EXPECT_EQ(15, tiffStripByteCounts(d));
    EXPECT_EQ(3, tiffRowsPerStrip(d));
    EXPECT_EQ(0, tiffArrayElement(fd, d, TIFFTAG_MIN_SAMPLE_VALUE, 0, order));
    EXPECT_EQ(255, tiffArrayElement(fd, d, TIFFTAG_MAX_SAMPLE_VALUE, 0, order));
    const TiffEntry *map = &d->entries[tiffFindTag(d, TIFFTAG_COLOR_MAP)];
    EXPECT_EQ(768u, map->count);
    EXPECT_EQ(65535, tiffArrayElement(fd, d, TIFFTAG_COLOR_MAP, 1, order));        /* red 1 */
    EXPECT_EQ(0, tiffArrayElement(fd, d, TIFFTAG_COLOR_MAP, 256 + 1, order));      /* green 1 */
    EXPECT_EQ(200 * 257, tiffArrayElement(fd, d, TIFFTAG_COLOR_MAP, 512 + 200, order)); /* grey beyond 4 */
    EXPECT_EQ(1, tiffSampleFormat(fd, d, order));
    /* Every array and the directory lie after the pixels, at even offsets. */
    EXPECT_GE(d->offset, 8 + 15);
    EXPECT_EQ(0, d->offset % 2);
    EXPECT_GE((int64_t)map->value, 8 + 15);
    EXPECT_EQ(0u, map->value % 2);
    EXPECT_EQ(0, d->next);

    /* The palette written back over the map. */
    head.palette[2][2] = 17;
    struct TiffState *none = NULL;
    EXPECT_EQ(768, tiffFlushColorMap(fd, &head, none));
    unsigned char palette[256][3];
    EXPECT_EQ(768, tiffReadColorMap(fd, d, palette, order));
    EXPECT_EQ(17, palette[2][2]);
    freeTiffIFDs(list);
    close(fd);
}

TEST_F(TiffWriterTest, BandArraysStandInTheEntryOrAfterThePixels)
{
    struct Case { int pixel; int nbands; int bits; int format; bool inEntry; int photometric; } cases[] = {
        {PIXEL_SHORT, 3, 16, 2, false, 2},
        {PIXEL_SHORT, 2, 16, 2, true, 1},
        {PIXEL_FLOAT, 1, 32, 3, true, 1},
        {PIXEL_LONG, 1, 32, 2, true, 1},
        {PIXEL_USHORT, 4, 16, 1, false, 1},
    };
    for (const Case &c : cases) {
        ImageHead head = newHead("bands.tif", IMGID_TIFF, c.pixel, 7, 2, c.nbands);
        int fd;
        TiffDirList *list = writeAndRead(&head, &fd);
        ASSERT_NE(list, nullptr);
        const TiffDir *d = &list->dirs[0];
        int order = list->byteOrder;
        int64_t pixelEnd = 8 + (int64_t)7 * c.nbands * c.bits / 8 * 2;
        EXPECT_EQ(7 * c.nbands * c.bits / 8, head.block);
        for (int tag : {TIFFTAG_BITS_PER_SAMPLE, TIFFTAG_SAMPLE_FORMAT}) {
            const TiffEntry *e = &d->entries[tiffFindTag(d, tag)];
            EXPECT_EQ((uint32_t)c.nbands, e->count);
            if (!c.inEntry) {
                EXPECT_GE((int64_t)e->value, pixelEnd) << "tag " << tag;
            }
            for (int b = 0; b < c.nbands; b++) {
                EXPECT_EQ(tag == TIFFTAG_BITS_PER_SAMPLE ? c.bits : c.format,
                          tiffArrayElement(fd, d, tag, b, order)) << "tag " << tag;
            }
        }
        EXPECT_EQ(c.photometric, tiffPhotometric(d));
        EXPECT_EQ(-1, tiffFindTag(d, TIFFTAG_MIN_SAMPLE_VALUE));
        freeTiffIFDs(list);
        close(fd);
    }
}

TEST_F(TiffWriterTest, OneBitRowsAndTheirColorMap)
{
    ImageHead head = newHead("bits.tif", IMGID_TIFF, PIXEL_1BIT, 100, 3, 1);
    head.nindices = 2;
    head.palette[0][0] = head.palette[0][1] = head.palette[0][2] = 0;
    head.palette[1][0] = head.palette[1][1] = head.palette[1][2] = 255;
    int fd;
    TiffDirList *list = writeAndRead(&head, &fd);
    ASSERT_NE(list, nullptr);
    const TiffDir *d = &list->dirs[0];
    EXPECT_EQ(13, head.block);
    EXPECT_EQ(39, tiffStripByteCounts(d));
    EXPECT_EQ(1, tiffSampleFormat(fd, d, list->byteOrder));
    EXPECT_EQ(6u, d->entries[tiffFindTag(d, TIFFTAG_COLOR_MAP)].count);
    freeTiffIFDs(list);
    close(fd);
}

TEST_F(TiffWriterTest, GeoTiffRoundTrip)
{
    ImageHead head = newHead("geo.tif", IMGID_GEOTIFF, PIXEL_BYTE, 4, 3, 1);
    head.x0 = 500000.0;
    head.y0 = 4100000.0;
    head.dx = head.dy = 30.0;
    head.mapid = 32633;
    snprintf(head.imgdes, sizeof(head.imgdes), "test scene");
    int fd;
    TiffDirList *list = writeAndRead(&head, &fd);
    ASSERT_NE(list, nullptr);
    const TiffDir *d = &list->dirs[0];
    int order = list->byteOrder;
    double scale[3], tie[6];
    EXPECT_EQ(3, tiffReadModelPixelScale(fd, d, order, scale));
    EXPECT_EQ(6, tiffReadModelTiepoint(fd, d, order, tie));
    EXPECT_EQ((std::vector<double>{30, 30, 0}), std::vector<double>(scale, scale + 3));
    EXPECT_EQ((std::vector<double>{0, 0, 0, 500000, 4100000, 0}), std::vector<double>(tie, tie + 6));
    const char citation[] = "PCS32633|test scene|";
    const TiffEntry *ascii = &d->entries[tiffFindTag(d, TIFFTAG_GEO_ASCII_PARAMS)];
    EXPECT_EQ(sizeof(citation), ascii->count);
    char text[64] = {0};
    ASSERT_TRUE(tiffReadEntryValues(fd, ascii, order, text, sizeof(text)));
    EXPECT_STREQ(citation, text);
    const int keys[20] = {1, 1, 0, 4, 1024, 0, 1, 1, 1025, 0, 1, 1, 3072, 0, 1, 32633,
                          3073, 34737, (int)sizeof(citation) - 1, 0};
    for (int k = 0; k < 20; k++) {
        EXPECT_EQ(keys[k], tiffArrayElement(fd, d, TIFFTAG_GEO_KEY_DIRECTORY, k, order)) << k;
    }
    freeTiffIFDs(list);
    close(fd);

    ImageHead back;
    ASSERT_EQ(1, probe(head.file, &back));
    EXPECT_EQ(IMGID_GEOTIFF, back.imgid);
    EXPECT_DOUBLE_EQ(500000.0, back.x0);
    EXPECT_DOUBLE_EQ(4100000.0, back.y0);
    EXPECT_DOUBLE_EQ(30.0, back.dx);
    EXPECT_EQ(32633, back.mapid);

    /* A system without a number is user-defined. */
    head.mapid = 2;
    head.imgdes[0] = '\0';
    list = writeAndRead(&head, &fd);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(32767, tiffArrayElement(fd, &list->dirs[0], TIFFTAG_GEO_KEY_DIRECTORY, 15, list->byteOrder));
    freeTiffIFDs(list);
    close(fd);
}

TEST_F(TiffWriterTest, InsufficientSpaceAndUnwritableHeads)
{
    ImageHead head = newHead("huge.tif", IMGID_TIFF, PIXEL_FLOAT, 60000, 60000, 1);
    ImageHead big = head;
    big.rows = 2000000000;
    big.columns = 100000;
    int fd = open(head.file, O_CREAT | O_TRUNC | O_RDWR, 0600);
    console.takeStderr();
    EXPECT_EQ(-1, writeTiffImage(fd, 1, &big, &head));
    std::string message = console.takeStderr();
    EXPECT_EQ(0u, message.find("Insufficient disk space.  Requested:")) << message;

    /* Beyond what 32-bit offsets address. */
    console.takeStderr();
    EXPECT_EQ(-1, writeTiffImage(fd, 0, &head, &head));
    EXPECT_EQ("writeTiffImage - image too large for a TIFF file.\n",
              console.takeStderr());
    close(fd);
}

/* ======================================================================
 * Files exchanged with other tools
 * ====================================================================== */

float gradient(int r, int c, int b)
{
    return (float)((r * 37 + c * 11 + b * 71) % 256);
}

float wide(int r, int c, int b)
{
    return (float)((r * 1031 + c * 257 + b * 4099) % 65536);
}

TEST_F(TiffWriterTest, WrittenFilesPassTiffinfoAndReadInImageMagick)
{
    REQUIRE_TOOL("tiffinfo");
    REQUIRE_TOOL("convert");
    struct Case { const char *name; int pixel; int nbands; int nindices; const char *format; int depth; } cases[] = {
        {"grey.tif", PIXEL_BYTE, 1, 0, "gray", 8},
        {"rgb.tif", PIXEL_BYTE, 3, 0, "rgb", 8},
        {"palette.tif", PIXEL_BYTE, 1, 256, "gray", 8},
        {"wide.tif", PIXEL_USHORT, 1, 0, "gray", 16},
    };
    for (const Case &c : cases) {
        ImageHead head = newHead(c.name, IMGID_TIFF, c.pixel, 9, 6, c.nbands);
        head.nindices = c.nindices;     /* a grey ramp palette */
        RAMIMG *image = createFilled(&head, c.depth == 8 ? gradient : wide);
        ASSERT_NE(image, nullptr);
        closeRAMImage(image, NULL);
        int status = 0;
        std::string info = run("tiffinfo '" + path(c.name) + "' 2>&1", &status);
        EXPECT_EQ(0, status) << info;
        EXPECT_EQ(std::string::npos, info.find("arning")) << info;
        EXPECT_EQ(std::string::npos, info.find("rror")) << info;
        std::string pixels = run("convert '" + path(c.name) + "' -depth " + std::to_string(c.depth)
                                 + " -endian LSB " + c.format + ":- 2>/dev/null");
        size_t bytesPerSample = c.depth / 8;
        int samples = std::string(c.format) == "rgb" ? 3 : 1;
        ASSERT_EQ((size_t)9 * 6 * samples * bytesPerSample, pixels.size()) << c.name;
        for (int r = 0; r < 6; r++) {
            for (int col = 0; col < 9; col++) {
                for (int b = 0; b < samples; b++) {
                    size_t at = ((size_t)(r * 9 + col) * samples + b) * bytesPerSample;
                    unsigned v = (unsigned char)pixels[at];
                    if (bytesPerSample == 2) {
                        v |= (unsigned)(unsigned char)pixels[at + 1] << 8;
                    }
                    float expect = c.depth == 8 ? gradient(r, col, b) : wide(r, col, b);
                    ASSERT_EQ((unsigned)expect, v) << c.name << " " << r << "," << col << "," << b;
                }
            }
        }
    }
}

TEST_F(TiffWriterTest, WrittenGeoTiffInGdal)
{
    REQUIRE_TOOL("gdalinfo");
    REQUIRE_TOOL("gdal_translate");
    ImageHead head = newHead("utm.tif", IMGID_GEOTIFF, PIXEL_BYTE, 5, 4, 1);
    head.x0 = 500000.0;
    head.y0 = 4100000.0;
    head.dx = 30.0;
    head.dy = 30.0;
    head.mapid = 32633;
    RAMIMG *image = createFilled(&head, gradient);
    ASSERT_NE(image, nullptr);
    closeRAMImage(image, NULL);
    std::string info = run("gdalinfo '" + path("utm.tif") + "' 2>&1");
    EXPECT_NE(std::string::npos, info.find("Origin = (500000.000000000000000,4100000.000000000000000)")) << info;
    EXPECT_NE(std::string::npos, info.find("Pixel Size = (30.000000000000000,-30.000000000000000)")) << info;
    EXPECT_NE(std::string::npos, info.find("32633")) << info;
    EXPECT_EQ(std::string::npos, info.find("ERROR")) << info;
    EXPECT_EQ(std::string::npos, info.find("Warning")) << info;

    std::string xyz = path("utm.xyz");
    run("gdal_translate -q -of XYZ '" + path("utm.tif") + "' '" + xyz + "' 2>&1");
    FILE *in = fopen(xyz.c_str(), "r");
    ASSERT_NE(in, nullptr);
    double x, y, v;
    int n = 0;
    while (fscanf(in, "%lf %lf %lf", &x, &y, &v) == 3) {
        int col = n % 5, r = n / 5;
        EXPECT_DOUBLE_EQ(500000.0 + 30.0 * col + 15.0, x);
        EXPECT_DOUBLE_EQ(4100000.0 - 30.0 * r - 15.0, y);
        EXPECT_EQ(gradient(r, col, 0), v) << r << "," << col;
        n++;
    }
    fclose(in);
    EXPECT_EQ(20, n);
}

/* A reference file of known pixels made here, copied by tiffcp in each of
 * its layouts, must read back the same. */
TEST_F(TiffTest, TiffcpLayoutsReadBack)
{
    REQUIRE_TOOL("tiffcp");
    const int width = 13, height = 9;
    struct Page { int bits; int spp; } pages[] = {{8, 1}, {8, 3}, {16, 1}};
    std::vector<std::string> sources;
    std::vector<Bytes> pixelsOf;
    for (const Page &p : pages) {
        TiffFile f(false);
        size_t n = (size_t)width * height * p.spp * (p.bits / 8);
        Bytes pixels = rampPixels(n, p.spp * 3 + p.bits);
        uint32_t at = f.append(pixels);
        std::vector<Field> fields = imageFields(width, height, p.bits, p.spp, at, (uint32_t)n);
        if (p.spp == 3) {
            setField(fields, num(TIFFTAG_PHOTOMETRIC, TIFF_SHORT, {2}));
        }
        f.addIfd(fields);
        sources.push_back(save("src" + std::to_string(p.bits) + "-" + std::to_string(p.spp) + ".tif", f.bytes));
        pixelsOf.push_back(pixels);
    }
    const char *variants[] = {"-B", "-L", "-c packbits", "-r 2", "-B -c packbits -r 4",
                              "-t -w 16 -l 16", "-B -t -w 16 -l 16"};
    for (size_t v = 0; v < sizeof(variants) / sizeof(variants[0]); v++) {
        for (size_t s = 0; s < sources.size(); s++) {
            std::string out = path("copy.tif");
            int status = 0;
            std::string log = run(std::string("tiffcp ") + variants[v] + " '" + sources[s] + "' '" + out + "' 2>&1", &status);
            ASSERT_EQ(0, status) << log;
            RAMIMG *image = openImage(out);
            ASSERT_NE(image, nullptr) << variants[v] << " " << sources[s];
            const Page &p = pages[s];
            ASSERT_EQ(width, image->head.columns);
            ASSERT_EQ(p.spp, image->head.nbands);
            for (int r = 0; r < height; r++) {
                for (int b = 0; b < p.spp; b++) {
                    std::vector<float> got = row(image, r, b);
                    for (int c = 0; c < width; c++) {
                        size_t k = ((size_t)r * width + c) * p.spp + b;
                        float expect = p.bits == 8 ? pixelsOf[s][k]
                                                   : (float)(pixelsOf[s][2 * k] | pixelsOf[s][2 * k + 1] << 8);
                        ASSERT_EQ(expect, got[c]) << variants[v] << " page " << s << " at " << r << "," << c << "," << b;
                    }
                }
            }
            opened.pop_back();
            image->openCount = 0;
            closeRAMImage(image, NULL);
        }
    }

    /* Three pages in one file, selected as volumes. */
    std::string multi = path("multi.tif");
    int status = 0;
    run("tiffcp -B '" + sources[0] + "' '" + sources[1] + "' '" + sources[2] + "' '" + multi + "' 2>&1", &status);
    ASSERT_EQ(0, status);
    RAMIMG *image = openImage(multi);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(3, image->head.frames);
    EXPECT_EQ(3, seekRamImage(image, 3));
    EXPECT_EQ(PIXEL_USHORT, image->head.pixel);
    EXPECT_EQ((float)(pixelsOf[2][2] | pixelsOf[2][3] << 8), row(image, 0)[1]);
    EXPECT_EQ(2, seekRamImage(image, 2));
    EXPECT_EQ(3, image->head.nbands);
    EXPECT_EQ(pixelsOf[1][(8 * width + 12) * 3 + 2], row(image, 8, 2)[12]);
}

TEST_F(TiffTest, GdalTranslateGeoTiffsReadBack)
{
    REQUIRE_TOOL("gdal_translate");
    TiffFile f(false);
    Bytes pixels = rampPixels(6 * 4);
    uint32_t at = f.append(pixels);
    f.addIfd(imageFields(6, 4, 8, 1, at, 24));
    std::string source = save("plain.tif", f.bytes);
    const char *options[] = {"", "-co COMPRESS=PACKBITS", "-co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16"};
    for (const char *option : options) {
        std::string out = path("geo.tif");
        int status = 0;
        std::string log = run(std::string("gdal_translate -q ") + option
                              + " -a_srs EPSG:32633 -a_ullr 500000 4100120 500180 4100000 '" + source
                              + "' '" + out + "' 2>&1", &status);
        ASSERT_EQ(0, status) << log;
        RAMIMG *image = openImage(out);
        ASSERT_NE(image, nullptr) << option;
        EXPECT_EQ(IMGID_GEOTIFF, image->head.imgid) << option;
        EXPECT_DOUBLE_EQ(500000.0, image->head.x0);
        EXPECT_DOUBLE_EQ(4100120.0, image->head.y0);
        EXPECT_DOUBLE_EQ(30.0, image->head.dx);
        EXPECT_DOUBLE_EQ(30.0, image->head.dy);
        EXPECT_EQ(32633, image->head.mapid);
        for (int r = 0; r < 4; r++) {
            std::vector<float> got = row(image, r);
            for (int c = 0; c < 6; c++) {
                ASSERT_EQ(pixels[r * 6 + c], got[c]) << option << " at " << r << "," << c;
            }
        }
        opened.pop_back();
        image->openCount = 0;
        closeRAMImage(image, NULL);
    }
}

} // namespace
