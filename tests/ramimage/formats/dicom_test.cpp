/*
 * dicom_test.cpp --
 *
 *	DICOM files: the element walker (preamble, meta information and
 *	transfer syntax, long lengths, sequences), the probe and its refusals,
 *	palettes, frames (raw and run-length encoded), the row source, the
 *	values the dicom command lists, and dcmtk's img2dcm, dcmconv, dcmodify
 *	and dcmcrle as witnesses.
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
#include "ramimage/format_hooks.h"
#include "ramimage/formats/dicom.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/ramimg.h"

using console_capture::ConsoleCapture;

namespace {

using fixture::Bytes;

/* ---- Building data sets --------------------------------------------------------- */

void put16(Bytes &b, unsigned v)
{
    b.push_back((unsigned char)(v & 0xFF));
    b.push_back((unsigned char)((v >> 8) & 0xFF));
}

void put32(Bytes &b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

/* A text value padded to even length: UI with a zero, others a blank. */
Bytes text(const std::string &s, char pad = ' ')
{
    Bytes b(s.begin(), s.end());
    if (b.size() % 2) {
        b.push_back((unsigned char)pad);
    }
    return b;
}

Bytes words(const std::vector<unsigned> &values)
{
    Bytes b;
    for (unsigned v : values) {
        put16(b, v);
    }
    return b;
}

bool longLength(const std::string &vr)
{
    for (const char *name : {"OB", "OW", "OF", "SQ", "UN", "UT", "UC", "UR", "OD", "OL"}) {
        if (vr == name) {
            return true;
        }
    }
    return false;
}

/* A data set written element by element; group 0002 always explicit. */
struct DataSet {
    Bytes b;
    bool explicitVr = true;

    DataSet &preamble()
    {
        b.assign(128, 0);
        b.insert(b.end(), {'D', 'I', 'C', 'M'});
        return *this;
    }
    DataSet &meta(const std::string &syntax)
    {
        str(0x0002, 0x0010, "UI", syntax);
        return *this;
    }
    DataSet &element(unsigned g, unsigned e, const std::string &vr, const Bytes &value,
                     uint32_t length = 0, bool useLength = false)
    {
        uint32_t n = useLength ? length : (uint32_t)value.size();
        put16(b, g);
        put16(b, e);
        if (explicitVr || g == 0x0002) {
            b.push_back((unsigned char)vr[0]);
            b.push_back((unsigned char)vr[1]);
            if (longLength(vr)) {
                put16(b, 0);
                put32(b, n);
            } else {
                put16(b, n);
            }
        } else {
            put32(b, n);
        }
        b.insert(b.end(), value.begin(), value.end());
        return *this;
    }
    DataSet &us(unsigned g, unsigned e, unsigned v) { return element(g, e, "US", words({v})); }
    DataSet &str(unsigned g, unsigned e, const std::string &vr, const std::string &s)
    {
        return element(g, e, vr, text(s, vr == "UI" ? '\0' : ' '));
    }
    /* An item or delimitation head (group FFFE, always 8 bytes). */
    DataSet &marker(unsigned e, uint32_t length)
    {
        put16(b, 0xFFFE);
        put16(b, e);
        put32(b, length);
        return *this;
    }
    DataSet &image(int rows, int columns, int bits = 8, int bands = 1)
    {
        us(0x0028, 0x0002, bands);
        us(0x0028, 0x0010, rows);
        us(0x0028, 0x0011, columns);
        us(0x0028, 0x0100, bits);
        return *this;
    }
    DataSet &pixels(const Bytes &data) { return element(0x7FE0, 0x0010, "OW", data); }
};

const char EXPLICIT_LE[] = "1.2.840.10008.1.2.1";
const char IMPLICIT_LE[] = "1.2.840.10008.1.2";
const char RLE[] = "1.2.840.10008.1.2.5";

Bytes ramp(size_t n, int step = 1)
{
    Bytes b(n);
    for (size_t i = 0; i < n; i++) {
        b[i] = (unsigned char)(i * step);
    }
    return b;
}

/* PackBits of a plane: literal runs of at most 128 bytes. */
Bytes packLiteral(const Bytes &plane)
{
    Bytes out;
    for (size_t i = 0; i < plane.size(); i += 128) {
        size_t n = std::min<size_t>(128, plane.size() - i);
        out.push_back((unsigned char)(n - 1));
        out.insert(out.end(), plane.begin() + i, plane.begin() + i + n);
    }
    return out;
}

/* A run-length frame item's contents: the 64-byte header and segments. */
Bytes rleFrame(const std::vector<Bytes> &planes)
{
    Bytes header;
    put32(header, (uint32_t)planes.size());
    Bytes body;
    std::vector<uint32_t> offsets;
    for (const Bytes &plane : planes) {
        offsets.push_back(64 + (uint32_t)body.size());
        Bytes packed = packLiteral(plane);
        body.insert(body.end(), packed.begin(), packed.end());
    }
    for (int i = 0; i < 15; i++) {
        put32(header, i < (int)offsets.size() ? offsets[i] : 0);
    }
    header.insert(header.end(), body.begin(), body.end());
    if (header.size() % 2) {
        header.push_back(0);
    }
    return header;
}

/* Encapsulated pixel data of frames; with offsets, a full offset table. */
DataSet &encapsulated(DataSet &d, const std::vector<Bytes> &frames, bool offsets)
{
    d.element(0x7FE0, 0x0010, "OB", Bytes(), 0xFFFFFFFF, true);
    Bytes table;
    uint32_t at = 0;
    for (const Bytes &f : frames) {
        put32(table, at);
        at += 8 + (uint32_t)f.size();
    }
    if (!offsets) {
        table.clear();
    }
    d.marker(0xE000, (uint32_t)table.size());
    d.b.insert(d.b.end(), table.begin(), table.end());
    for (const Bytes &f : frames) {
        d.marker(0xE000, (uint32_t)f.size());
        d.b.insert(d.b.end(), f.begin(), f.end());
    }
    d.marker(0xE0DD, 0);
    return d;
}

/* ---- Files -------------------------------------------------------------------------- */

class DicomTest : public ::testing::Test {
protected:
    void SetUp() override { Tcl_FindExecutable(nullptr); }
    void TearDown() override
    {
        for (RAMIMG *image : opened) {
            closeRAMImage(image, NULL);
        }
    }

    std::string path(const std::string &name) const { return dir + "/" + name; }

    std::string write(const std::string &name, const Bytes &bytes)
    {
        std::string p = path(name);
        EXPECT_TRUE(fixture::writeBytes(p, bytes)) << p;
        return p;
    }

    /* probeDicom on the bytes; the table is deleted afterwards. */
    int probe(const Bytes &bytes, ImageHead *head)
    {
        std::string p = write("probe.dcm", bytes);
        int fd = open(p.c_str(), O_RDONLY);
        initImageHead(head);
        void *priv = NULL;
        int result = probeDicom(fd, head, &priv);
        close(fd);
        if (priv != NULL) {
            deleteDicomHashTable((Tcl_HashTable *)priv);
        }
        return result;
    }

    RAMIMG *openImage(const std::string &p)
    {
        int err = 0;
        RAMIMG *image = openRAMImage(NULL, p.c_str(), NULL, NULL, &err);
        if (image != NULL) {
            opened.push_back(image);
        }
        return image;
    }

    /* Band b of every row, as bytes of the cached rows. */
    static Bytes band(RAMIMG *image, int b)
    {
        Bytes all;
        for (int r = 0; r < image->head.rows; r++) {
            unsigned char *row = getRAMImageLine(image, r, b, 1);
            all.insert(all.end(), row, row + image->rowBytes);
        }
        return all;
    }

    fixture::ScratchDir scratch{"ovex-dicom"};
    std::string dir = scratch.path();
    std::vector<RAMIMG *> opened;
};

/* ---- Recognition ------------------------------------------------------------------------ */

TEST_F(DicomTest, RecognisesPreambleAndBareDataSets)
{
    struct Case {
        const char *what;
        Bytes bytes;
        int expected;
    };
    DataSet withPreamble;
    withPreamble.preamble().meta(EXPLICIT_LE).image(2, 3).pixels(ramp(6));
    DataSet bareImplicit;
    bareImplicit.explicitVr = false;
    bareImplicit.str(0x0008, 0x0060, "CS", "OT").image(2, 3).pixels(ramp(6));
    bareImplicit.b.resize(std::max<size_t>(bareImplicit.b.size(), 140), 0);
    DataSet bareExplicit;
    bareExplicit.str(0x0008, 0x0060, "CS", "OT").image(2, 3).pixels(ramp(6));
    bareExplicit.b.resize(std::max<size_t>(bareExplicit.b.size(), 140), 0);
    DataSet patientFirst;
    patientFirst.explicitVr = false;
    patientFirst.str(0x0010, 0x0010, "PN", "Doe").image(2, 3).pixels(ramp(200));
    DataSet noPixels;
    noPixels.preamble().meta(EXPLICIT_LE).image(2, 3);
    DataSet noRows;
    noRows.preamble().meta(EXPLICIT_LE).us(0x0028, 0x0011, 3).us(0x0028, 0x0100, 8).pixels(ramp(6));
    DataSet shortPixels;
    shortPixels.preamble().meta(EXPLICIT_LE).image(4, 3).pixels(ramp(6));
    DataSet twelveBits;
    twelveBits.preamble().meta(EXPLICIT_LE).image(2, 3, 12).pixels(ramp(10));

    const Case cases[] = {
        {"preamble, DICM, explicit meta", withPreamble.b, 1},
        {"data set at byte 0, group 0008, implicit", bareImplicit.b, 1},
        {"data set at byte 0, group 0008, explicit letters", bareExplicit.b, 1},
        {"data set at byte 0 starting with group 0010", patientFirst.b, 0},
        {"no pixel data", noPixels.b, 0},
        {"no Rows", noRows.b, 0},
        {"pixel data shorter than the image", shortPixels.b, 0},
        {"12 bits allocated", twelveBits.b, 0},
        {"shorter than a preamble", Bytes(100, 0), 0},
    };
    for (const Case &c : cases) {
        ImageHead head;
        EXPECT_EQ(probe(c.bytes, &head), c.expected) << c.what;
        if (c.expected == 1) {
            EXPECT_EQ(head.imgid, IMGID_DICOM) << c.what;
            EXPECT_EQ(head.rows, 2) << c.what;
            EXPECT_EQ(head.columns, 3) << c.what;
            EXPECT_EQ(head.block, 3) << c.what;
            EXPECT_EQ(head.pixel, PIXEL_BYTE) << c.what;
        }
    }
}

TEST_F(DicomTest, HeadFieldsFollowTheImageElements)
{
    struct Case {
        int bits;
        int sign;
        int pixel;
    };
    const Case cases[] = {
        {8, 0, PIXEL_BYTE}, {8, 1, PIXEL_SBYTE}, {16, 0, PIXEL_USHORT},
        {16, 1, PIXEL_SHORT}, {32, 0, PIXEL_ULONG}, {32, 1, PIXEL_LONG},
    };
    for (const Case &c : cases) {
        DataSet d;
        d.preamble().meta(EXPLICIT_LE).image(2, 5, c.bits, 1).us(0x0028, 0x0103, c.sign);
        d.us(0x0028, 0x0102, c.bits - 1).str(0x0028, 0x0030, "DS", "0.5\\0.25");
        d.pixels(ramp((size_t)2 * 5 * c.bits / 8));
        ImageHead head;
        ASSERT_EQ(probe(d.b, &head), 1) << c.bits;
        EXPECT_EQ(head.pixel, c.pixel) << c.bits << " " << c.sign;
        EXPECT_EQ(head.block, 5 * c.bits / 8);
        EXPECT_EQ(head.msbf, 0);
        /* Pixel Spacing: row spacing (dy), then column spacing (dx). */
        EXPECT_DOUBLE_EQ(head.dy, 0.5);
        EXPECT_DOUBLE_EQ(head.dx, 0.25);
        EXPECT_EQ(head.mapid, 1);
        EXPECT_EQ(head.transparent, -1);
        EXPECT_EQ(head.encoding, 0);
    }
}

/* ---- Element walker ------------------------------------------------------------------------ */

TEST_F(DicomTest, LongLengthRepresentationsKeepTheWalkInStep)
{
    /* Each value holds bytes that would read as an element head if the
     * walker took a 16-bit length; Rows after them must still be found. */
    for (const char *vr : {"OB", "UT", "UC", "UR", "OF", "UN"}) {
        DataSet d;
        d.preamble().meta(EXPLICIT_LE);
        Bytes value = text("ABCDEFGH");
        d.element(0x0009, 0x0010, vr, value);
        d.image(3, 2).pixels(ramp(6));
        ImageHead head;
        EXPECT_EQ(probe(d.b, &head), 1) << vr;
        EXPECT_EQ(head.rows, 3) << vr;
        EXPECT_EQ(head.offset, (int)d.b.size() - 6) << vr;
    }
}

TEST_F(DicomTest, TransferSyntaxDecidesTheDataSetEncoding)
{
    DataSet implicit;
    implicit.preamble().meta(IMPLICIT_LE);
    implicit.explicitVr = false;
    implicit.image(2, 4).pixels(ramp(8));
    ImageHead head;
    EXPECT_EQ(probe(implicit.b, &head), 1);
    EXPECT_EQ(head.columns, 4);

    ConsoleCapture console;
    struct Case {
        const char *syntax;
        const char *message;
    };
    const Case refused[] = {
        {"1.2.840.10008.1.2.2", "Unable to read big-endian DICOM image.\n"},
        {"1.2.840.10008.1.2.1.99", "Unable to read compressed DICOM image.\n"},
    };
    for (const Case &c : refused) {
        DataSet d;
        d.preamble().meta(c.syntax).image(2, 4).pixels(ramp(8));
        EXPECT_EQ(probe(d.b, &head), -1) << c.syntax;
        EXPECT_EQ(console.takeStderr(), c.message) << c.syntax;
    }
}

TEST_F(DicomTest, SequencesAreChainedAfterTheirElement)
{
    DataSet d;
    d.preamble().meta(EXPLICIT_LE);
    /* Undefined-length sequence of two items, one undefined and one of
     * defined length without a delimitation; then an empty sequence. */
    d.element(0x0008, 0x1140, "SQ", Bytes(), 0xFFFFFFFF, true);
    d.marker(0xE000, 0xFFFFFFFF).str(0x0008, 0x1150, "UI", "1.2.3").marker(0xE00D, 0);
    DataSet inner;
    inner.str(0x0008, 0x1155, "UI", "4.5.6");
    d.marker(0xE000, (uint32_t)inner.b.size());
    d.b.insert(d.b.end(), inner.b.begin(), inner.b.end());
    d.marker(0xE0DD, 0);
    d.element(0x0040, 0x0275, "SQ", Bytes(), 0xFFFFFFFF, true).marker(0xE0DD, 0);
    d.image(1, 2).pixels(ramp(2));

    std::string p = write("seq.dcm", d.b);
    int fd = open(p.c_str(), O_RDONLY);
    int64_t pixelPosition = 0;
    Tcl_HashTable *table = readDicomElements(fd, &pixelPosition);
    close(fd);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(pixelPosition, (int64_t)d.b.size() - 2);

    std::vector<std::string> chain;
    for (DicomElement *e = dicomFindElement(table, 0x0008, 0x1140); e != NULL;
         e = (DicomElement *)e->link.next) {
        char name[16];
        snprintf(name, sizeof name, "%04x,%04x", e->group, e->element);
        chain.push_back(name);
    }
    EXPECT_EQ(chain, (std::vector<std::string>{"0008,1140", "fffe,e000", "0008,1150", "fffe,e00d",
                                               "fffe,e000", "0008,1155", "fffe,e0dd"}));
    /* Back at the top level after both sequences. */
    EXPECT_NE(dicomFindElement(table, 0x0040, 0x0275), nullptr);
    EXPECT_NE(dicomFindElement(table, 0x0028, 0x0010), nullptr);
    EXPECT_EQ(dicomFindElement(table, 0x0008, 0x1150), nullptr);
    const unsigned char *syntax = dicomElementValue(table, 0x0002, 0x0010);
    ASSERT_NE(syntax, nullptr);
    EXPECT_EQ(std::string((const char *)syntax, 20), std::string("1.2.840.10008.1.2.1\0", 20));
    deleteDicomHashTable(table);
}

TEST_F(DicomTest, ElementReadAgainReplacesTheEarlierOne)
{
    DataSet d;
    d.preamble().meta(EXPLICIT_LE).us(0x0028, 0x0010, 9).image(2, 2).pixels(ramp(4));
    ImageHead head;
    ASSERT_EQ(probe(d.b, &head), 1);
    EXPECT_EQ(head.rows, 2);
}

TEST_F(DicomTest, MalformedFilesAreRefusedWithoutCrashing)
{
    DataSet good;
    good.preamble().meta(EXPLICIT_LE).str(0x0010, 0x0010, "PN", "Doe").image(4, 4).pixels(ramp(16));
    ImageHead head;
    ASSERT_EQ(probe(good.b, &head), 1);
    /* Every truncation, and a huge length in place of each element's. */
    for (size_t n = 0; n < good.b.size(); n++) {
        Bytes cut(good.b.begin(), good.b.begin() + n);
        EXPECT_EQ(probe(cut, &head), 0) << n;
    }
    DataSet huge;
    huge.preamble().meta(EXPLICIT_LE).element(0x0010, 0x0010, "UT", text("Doe"), 0x7FFFFFF0, true);
    huge.image(4, 4).pixels(ramp(16));
    EXPECT_EQ(probe(huge.b, &head), 0);
    DataSet deep;
    deep.preamble().meta(EXPLICIT_LE);
    for (int i = 0; i < 200; i++) {
        deep.element(0x0008, 0x1140, "SQ", Bytes(), 0xFFFFFFFF, true).marker(0xE000, 0xFFFFFFFF);
    }
    deep.image(4, 4).pixels(ramp(16));
    EXPECT_EQ(probe(deep.b, &head), 0);
    /* A DICOM start followed by zeros ends at the first group-0000 element. */
    DataSet zeros;
    zeros.preamble().meta(EXPLICIT_LE);
    zeros.b.resize(zeros.b.size() + (1 << 20), 0);
    EXPECT_EQ(probe(zeros.b, &head), 0);
}

/* ---- Palette ------------------------------------------------------------------------------------- */

TEST_F(DicomTest, PaletteTakesHighOrLowBytesAndAtMost256Entries)
{
    struct Case {
        unsigned count;
        unsigned bits;
        int entries;
        int red1;
    };
    const Case cases[] = {
        {3, 16, 3, 0x12},   /* 16-bit entries: high bytes */
        {3, 8, 3, 0x34},    /* 8-bit entries: low bytes */
        {300, 16, 256, 0x12},
        {0, 16, 256, 0x12}, /* 0 stands for 65536 */
    };
    for (const Case &c : cases) {
        DataSet d;
        d.preamble().meta(EXPLICIT_LE).str(0x0028, 0x0004, "CS", "PALETTE COLOR");
        d.element(0x0028, 0x1101, "US", words({c.count, 0, c.bits}));
        d.element(0x0028, 0x1102, "US", words({c.count, 0, c.bits}));
        d.element(0x0028, 0x1103, "US", words({c.count, 0, c.bits}));
        d.element(0x0028, 0x1201, "OW", words({0xFF00, 0x1234, 0x0001}));
        d.element(0x0028, 0x1202, "OW", words({0x0000, 0x5678, 0x0002}));
        d.element(0x0028, 0x1203, "OW", words({0x00FF, 0x9ABC, 0x0003}));
        d.image(1, 2).pixels(ramp(2));
        ImageHead head;
        ASSERT_EQ(probe(d.b, &head), 1);
        EXPECT_EQ(head.nindices, c.entries);
        EXPECT_EQ(head.palette[1][0], c.red1);
        EXPECT_EQ(head.palette[1][1], c.bits == 16 ? 0x56 : 0x78);
        EXPECT_EQ(head.palette[1][2], c.bits == 16 ? 0x9A : 0xBC);
        EXPECT_EQ(head.palette[3][0], 0);   /* beyond the data */
        EXPECT_EQ(head.encoding, 0);        /* plain rows stay plain */
    }
}

/* ---- Frames and rows --------------------------------------------------------------------------------- */

TEST_F(DicomTest, RawFramesFollowEachOther)
{
    DataSet d;
    d.preamble().meta(EXPLICIT_LE).str(0x0028, 0x0008, "IS", "3").str(0x0018, 0x1063, "DS", "40");
    d.image(2, 2, 16).pixels(ramp(3 * 2 * 2 * 2, 3));
    RAMIMG *image = openImage(write("frames.dcm", d.b));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->head.frames, 3);
    EXPECT_FLOAT_EQ(image->frameDelay, 40.0f);
    EXPECT_EQ(seekRamImage(image, 3), 3);
    Bytes third = band(image, 0);
    EXPECT_EQ(third, Bytes(d.b.end() - 8, d.b.end()));
    EXPECT_EQ(seekRamImage(image, 0), -2);
    EXPECT_EQ(seekRamImage(image, 1), 1);
    EXPECT_EQ(band(image, 0), Bytes(d.b.end() - 24, d.b.end() - 16));
}

TEST_F(DicomTest, NumberOfFramesBeyondTheFileIsCut)
{
    DataSet d;
    d.preamble().meta(EXPLICIT_LE).str(0x0028, 0x0008, "IS", "50").image(2, 2).pixels(ramp(8));
    ImageHead head;
    ASSERT_EQ(probe(d.b, &head), 1);
    EXPECT_EQ(head.frames, 2);
}

TEST_F(DicomTest, FrameTimeDefaultsTo33ms)
{
    DataSet d;
    d.preamble().meta(EXPLICIT_LE).image(1, 1).pixels(ramp(2));
    std::string p = write("t.dcm", d.b);
    int fd = open(p.c_str(), O_RDONLY);
    Tcl_HashTable *table = readDicomElements(fd, NULL);
    close(fd);
    ASSERT_NE(table, nullptr);
    EXPECT_FLOAT_EQ(dicomFrameTime(table), 33.333f);
    deleteDicomHashTable(table);
}

TEST_F(DicomTest, PlanarColourIsInterleavedOnReading)
{
    DataSet d;
    Bytes planes = {1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, 21, 22, 23, 24, 25, 26};
    d.preamble().meta(EXPLICIT_LE).image(2, 3, 8, 3).us(0x0028, 0x0006, 1).pixels(planes);
    RAMIMG *image = openImage(write("planar.dcm", d.b));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(band(image, 0), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(band(image, 1), (Bytes{11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(band(image, 2), (Bytes{21, 22, 23, 24, 25, 26}));
}

/* A run-length palette image of 3 frames of 4 x 5 pixels. */
DataSet rlePalette(bool offsets, std::vector<Bytes> *framesOut)
{
    DataSet d;
    d.preamble().meta(RLE).str(0x0028, 0x0004, "CS", "PALETTE COLOR");
    d.str(0x0028, 0x0008, "IS", "3");
    d.element(0x0028, 0x1101, "US", words({2, 0, 16}));
    d.element(0x0028, 0x1201, "OW", words({0x1000, 0x2000}));
    d.image(4, 5);
    std::vector<Bytes> frames;
    for (int k = 0; k < 3; k++) {
        framesOut->push_back(ramp(20, k + 1));
        frames.push_back(rleFrame({framesOut->back()}));
    }
    return encapsulated(d, frames, offsets);
}

TEST_F(DicomTest, RunLengthFramesStartAtTheirOffsetTableEntry)
{
    for (bool offsets : {true, false}) {
        std::vector<Bytes> frames;
        DataSet d = rlePalette(offsets, &frames);
        RAMIMG *image = openImage(write(offsets ? "rle.dcm" : "rle-no-table.dcm", d.b));
        ASSERT_NE(image, nullptr) << offsets;
        EXPECT_EQ(image->head.encoding, 2);
        EXPECT_EQ(image->head.nindices, 2);
        EXPECT_EQ(image->head.palette[1][0], 0x20);
        EXPECT_EQ(image->head.frames, 3);
        EXPECT_EQ(band(image, 0), frames[0]) << offsets;
        EXPECT_EQ(seekRamImage(image, 3), 3);
        EXPECT_EQ(band(image, 0), frames[2]) << offsets;
        EXPECT_EQ(seekRamImage(image, 2), 2);
        EXPECT_EQ(band(image, 0), frames[1]) << offsets;
    }
}

TEST_F(DicomTest, EncapsulatedDataOtherThanRunLengthPaletteIsRefused)
{
    ConsoleCapture console;
    DataSet jpeg;
    jpeg.preamble().meta("1.2.840.10008.1.2.4.50").image(4, 5);
    encapsulated(jpeg, {Bytes(40, 0xFF)}, false);
    DataSet rleGrey;
    rleGrey.preamble().meta(RLE).str(0x0028, 0x0004, "CS", "MONOCHROME2").image(4, 5);
    encapsulated(rleGrey, {rleFrame({ramp(20)})}, false);
    DataSet compressionCode;
    compressionCode.preamble().meta(EXPLICIT_LE).str(0x0028, 0x0060, "CS", "PACKBITS");
    compressionCode.image(1, 2).pixels(ramp(2));
    for (const Bytes *b : {&jpeg.b, &rleGrey.b, &compressionCode.b}) {
        ImageHead head;
        EXPECT_EQ(probe(*b, &head), -1);
        EXPECT_EQ(console.takeStderr(), "Unable to read compressed DICOM image.\n");
    }
}

TEST_F(DicomTest, RunLengthImagesAboveTheDecodingLimitAreRefused)
{
    ConsoleCapture console;
    std::vector<Bytes> frames;
    DataSet d = rlePalette(true, &frames);
    Tcl_SetVar2(console.interp, "env", "OVEX_MAX_DECODE", "19", TCL_GLOBAL_ONLY);
    ImageHead head;
    EXPECT_EQ(probe(d.b, &head), -1);
    EXPECT_EQ(console.takeStderr(),
              "DICOM image of 5 x 4 pixels is above the decoding limit of 19 bytes (OVEX_MAX_DECODE)\n");
    Tcl_SetVar2(console.interp, "env", "OVEX_MAX_DECODE", "20", TCL_GLOBAL_ONLY);
    EXPECT_EQ(probe(d.b, &head), 1);
    Tcl_UnsetVar2(console.interp, "env", "OVEX_MAX_DECODE", TCL_GLOBAL_ONLY);
}

TEST_F(DicomTest, RunLengthSegmentsFillTheirBytesOfEachSample)
{
    /* Two 16-bit samples per pixel: segments are sample 0 high, sample 0
     * low, sample 1 high, sample 1 low. */
    Bytes item = rleFrame({{0x01, 0x02}, {0x10, 0x20}, {0xA0, 0xB0}, {0x0A, 0x0B}});
    Bytes out(8, 0);
    ASSERT_EQ(dicomDecodeRle(item.data(), item.size(), out.data(), 2, 2, 2), 1);
    EXPECT_EQ(out, (Bytes{0x10, 0x01, 0x0A, 0xA0, 0x20, 0x02, 0x0B, 0xB0}));
    /* A segment offset beyond the item: not every segment decoded. */
    Bytes broken = item;
    broken[8] = 0xFF;
    broken[9] = 0xFF;
    EXPECT_EQ(dicomDecodeRle(broken.data(), broken.size(), out.data(), 2, 2, 2), 0);
    EXPECT_EQ(dicomDecodeRle(item.data(), 10, out.data(), 2, 2, 2), 0);
}

/* ---- Listed values ---------------------------------------------------------------------------------- */

TEST_F(DicomTest, ValuesAreShownByRepresentation)
{
    struct Case {
        int vr;
        Bytes value;
        const char *shown;
    };
    const Case cases[] = {
        {DICOM_VR_NONE, words({513}), "513"},
        {DICOM_VR_NONE, words({0xFFFF, 0xFFFF}), "-1"},
        {DICOM_VR_NONE, text("MONOCHROME2 "), "MONOCHROME2"},
        {DICOM_VR_CS, text(" ORIGINAL\\PRIMARY "), "ORIGINAL\\PRIMARY"},
        {DICOM_VR_LO, text("   name"), "name"},
        {DICOM_VR_US, words({512}), "512"},
        {DICOM_VR_OB, Bytes{1, 2, 3, 4}, "OB"},
        {DICOM_VR_SQ, Bytes(), "SQ"},
        {DICOM_VR_UNKNOWN, Bytes{'a', 1, 'b', 31, 'c', ' '}, "a.b.c"},
        {DICOM_VR_UNKNOWN, words({7}), "7"},
    };
    for (const Case &c : cases) {
        DicomElement *e = (DicomElement *)gmemAlloc(sizeof(DicomElement) + c.value.size());
        e->link.next = NULL;
        e->group = 0x0009;
        e->element = 0x0001;
        e->length = e->held = (uint32_t)c.value.size();
        e->vr = (uint16_t)c.vr;
        if (!c.value.empty()) {   /* an empty vector's data() may be NULL */
            memcpy(e->value, c.value.data(), c.value.size());
        }
        e->value[c.value.size()] = '\0';
        Tcl_Obj *shown = dicomFormatValue(e);
        Tcl_IncrRefCount(shown);
        EXPECT_STREQ(Tcl_GetString(shown), c.shown) << c.vr;
        Tcl_DecrRefCount(shown);
        gmemFree(e);
    }
}

TEST_F(DicomTest, RepresentationNamesAndCodes)
{
    EXPECT_STREQ(dicomVrName(0), "RT");
    EXPECT_STREQ(dicomVrName(18), "SQ");
    EXPECT_STREQ(dicomVrName(26), "UT");
    EXPECT_STREQ(dicomVrName(27), "??");
    EXPECT_STREQ(dicomVrName(-1), "??");
    EXPECT_EQ(dicomVrCode("US"), 25);
    EXPECT_EQ(dicomVrCode("AE"), 1);
    EXPECT_EQ(dicomVrCode("XX"), 0);
}

/* ---- dcmtk as witness ---------------------------------------------------------------------------------- */

bool haveTools(std::initializer_list<const char *> tools)
{
    for (const char *tool : tools) {
        if (!fixture::haveTool(tool)) {
            return false;
        }
    }
    return true;
}

/* Pixels of a P6 or P5 file made here: columns x rows x bands, a pattern. */
Bytes pattern(int columns, int rows, int bands)
{
    Bytes b;
    for (int r = 0; r < rows; r++) {
        for (int c = 0; c < columns; c++) {
            for (int k = 0; k < bands; k++) {
                b.push_back((unsigned char)((c * 37 + r * 11 + k * 85) & 0xFF));
            }
        }
    }
    return b;
}

TEST_F(DicomTest, FilesFromDcmtkOpenWithTheirPixels)
{
    if (!haveTools({"convert", "img2dcm", "dcmconv", "dcmodify"})) {
        GTEST_SKIP() << "needs ImageMagick convert and dcmtk img2dcm, dcmconv, dcmodify";
    }
    const int columns = 13, rows = 7;
    Bytes rgb = pattern(columns, rows, 3);
    Bytes ppm;
    std::string header = "P6\n13 7\n255\n";
    ppm.assign(header.begin(), header.end());
    ppm.insert(ppm.end(), rgb.begin(), rgb.end());
    write("in.ppm", ppm);
    std::string q = "'" + dir + "/";
    ASSERT_EQ(system(("convert " + q + "in.ppm' BMP3:" + q + "in.bmp'").c_str()), 0);
    ASSERT_EQ(system(("img2dcm -i BMP " + q + "in.bmp' " + q + "explicit.dcm'").c_str()), 0);
    ASSERT_EQ(system(("dcmconv +ti " + q + "explicit.dcm' " + q + "implicit.dcm'").c_str()), 0);
    ASSERT_EQ(system(("cp " + q + "implicit.dcm' " + q + "modified.dcm' && dcmodify -nb "
                      "-i '(0008,1140)[0].(0008,1150)=1.2.3' -i '(0010,0010)=Doe^John' "
                      "-i '(0028,0030)=0.5\\0.25' " + q + "modified.dcm'").c_str()), 0);
    for (const char *name : {"explicit.dcm", "implicit.dcm", "modified.dcm"}) {
        RAMIMG *image = openImage(path(name));
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(image->head.imgid, IMGID_DICOM);
        EXPECT_EQ(image->head.nbands, 3) << name;
        EXPECT_EQ(image->head.columns, columns) << name;
        EXPECT_EQ(image->head.rows, rows) << name;
        for (int b = 0; b < 3; b++) {
            Bytes expected;
            for (size_t i = b; i < rgb.size(); i += 3) {
                expected.push_back(rgb[i]);
            }
            EXPECT_EQ(band(image, b), expected) << name << " band " << b;
        }
    }
    EXPECT_DOUBLE_EQ(opened.back()->head.dy, 0.5);
    EXPECT_DOUBLE_EQ(opened.back()->head.dx, 0.25);
}

TEST_F(DicomTest, RunLengthPaletteFromDcmcrleOpensWithItsIndices)
{
    if (!haveTools({"dcmcrle", "dcmdump"})) {
        GTEST_SKIP() << "needs dcmtk dcmcrle and dcmdump";
    }
    /* A plain palette image written here, run-length encoded by dcmtk. */
    const int columns = 17, rows = 6;
    Bytes indices(columns * rows);
    for (size_t i = 0; i < indices.size(); i++) {
        indices[i] = (unsigned char)((i / 5) % 4);
    }
    DataSet d;
    d.preamble();
    d.element(0x0002, 0x0001, "OB", Bytes{0, 1});
    d.str(0x0002, 0x0002, "UI", "1.2.840.10008.5.1.4.1.1.7");
    d.str(0x0002, 0x0003, "UI", "1.2.3.4");
    d.meta(EXPLICIT_LE);
    d.str(0x0008, 0x0016, "UI", "1.2.840.10008.5.1.4.1.1.7");
    d.str(0x0008, 0x0018, "UI", "1.2.3.4");
    d.us(0x0028, 0x0002, 1).str(0x0028, 0x0004, "CS", "PALETTE COLOR");
    d.us(0x0028, 0x0010, rows).us(0x0028, 0x0011, columns).us(0x0028, 0x0100, 8);
    d.us(0x0028, 0x0101, 8).us(0x0028, 0x0102, 7).us(0x0028, 0x0103, 0);
    for (unsigned e = 0x1101; e <= 0x1103; e++) {
        d.element(0x0028, e, "US", words({4, 0, 16}));
    }
    d.element(0x0028, 0x1201, "OW", words({0x0000, 0xFF00, 0x0000, 0x8000}));
    d.element(0x0028, 0x1202, "OW", words({0x0000, 0x0000, 0xFF00, 0x8000}));
    d.element(0x0028, 0x1203, "OW", words({0x0000, 0x0000, 0x0000, 0xFF00}));
    d.pixels(indices);
    write("plain.dcm", d.b);
    std::string q = "'" + dir + "/";
    ASSERT_EQ(system(("dcmcrle " + q + "plain.dcm' " + q + "rle.dcm'").c_str()), 0);
    ASSERT_EQ(system(("dcmdump " + q + "rle.dcm' | grep -q RLELossless").c_str()), 0);

    RAMIMG *image = openImage(path("rle.dcm"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->head.encoding, 2);
    EXPECT_EQ(image->head.nindices, 4);
    EXPECT_EQ(image->head.palette[1][0], 0xFF);
    EXPECT_EQ(image->head.palette[2][1], 0xFF);
    EXPECT_EQ(image->head.palette[3][2], 0xFF);
    EXPECT_EQ(band(image, 0), indices);
    /* The plain file reads the same. */
    RAMIMG *plain = openImage(path("plain.dcm"));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(band(plain, 0), indices);
}

} // namespace
