/*
 * elas_test.cpp --
 *
 *	ELAS headers: the fields the probe takes, the headers it refuses, and
 *	band-interleaved rows with padded row lengths read through the cache.
 */
#include <gtest/gtest.h>

#include <climits>

#include "ramimage/formats/format_entry.h"
#include "ramimage/formats/raw_fixtures.h"

namespace {

using namespace raw_fixtures;

struct ElasGeometry {
    int32_t offset = 1024, block = 8, firstLine = 1, lastLine = 2, firstElement = 1,
            lastElement = 3, nbands = 2, mark = 4321;
};

Bytes elasHeader(const ElasGeometry &g)
{
    Bytes header(1024, 0);
    putLe32(header, 0, (uint32_t)g.offset);
    putLe32(header, 4, (uint32_t)g.block);
    putLe32(header, 8, (uint32_t)g.firstLine);
    putLe32(header, 12, (uint32_t)g.lastLine);
    putLe32(header, 16, (uint32_t)g.firstElement);
    putLe32(header, 20, (uint32_t)g.lastElement);
    putLe32(header, 24, (uint32_t)g.nbands);
    putLe32(header, 28, (uint32_t)g.mark);
    return header;
}

/* Header, then rows x nbands rows of `block` bytes: byte c of the row of
 * (row, band) is 100 x band + 10 x row + c. */
Bytes elasFile(const ElasGeometry &g, size_t trim = 0)
{
    Bytes file = elasHeader(g);
    file.resize((size_t)g.offset, 0);
    int rows = g.lastLine - g.firstLine + 1, columns = g.lastElement - g.firstElement + 1;
    for (int r = 0; r < rows; r++) {
        for (int b = 0; b < g.nbands; b++) {
            for (int c = 0; c < g.block; c++) {
                file.push_back(c < columns ? (unsigned char)(100 * b + 10 * r + c) : 0xEE);
            }
        }
    }
    file.resize(file.size() - trim);
    return file;
}

class Elas : public RawFormatTest {};

TEST_F(Elas, HeaderFieldsDescribeTheImage)
{
    ElasGeometry g;
    g.firstLine = 21;
    g.lastLine = 22;
    g.firstElement = 5;
    g.lastElement = 7;
    Bytes file = elasFile(g);
    putLe32(file, 36, (uint32_t)-300);
    putLe32(file, 44, 4000);
    putLeFloat(file, 48, 12.5f);
    putLeFloat(file, 52, 10.0f);
    ImageHead head;
    ASSERT_EQ(IMGID_ELAS, probe(write("a.elas", file), &head));
    EXPECT_EQ(PIXEL_BYTE, head.pixel);
    EXPECT_EQ(8, head.bits);
    EXPECT_EQ(1, head.mapid);
    EXPECT_EQ(1024, head.offset);
    EXPECT_EQ(8, head.block);
    EXPECT_EQ(21, head.top);
    EXPECT_EQ(2, head.rows);
    EXPECT_EQ(5, head.left);
    EXPECT_EQ(3, head.columns);
    EXPECT_EQ(2, head.nbands);
    EXPECT_EQ(-300.0, head.y0);
    EXPECT_EQ(4000.0, head.x0);
    EXPECT_EQ(12.5, head.dy);
    EXPECT_EQ(10.0, head.dx);
    EXPECT_EQ(0, head.nindices);
    EXPECT_EQ(-1, head.transparent);
}

TEST_F(Elas, MalformedHeadersAreNotRecognised)
{
    struct Case {
        const char *name;
        ElasGeometry g;
        size_t trim;
    } cases[] = {
        {"mark", [] { ElasGeometry g; g.mark = 1234; return g; }(), 0},
        {"no rows", [] { ElasGeometry g; g.lastLine = 0; return g; }(), 0},
        {"no columns", [] { ElasGeometry g; g.lastElement = -4; return g; }(), 0},
        {"no bands", [] { ElasGeometry g; g.nbands = 0; return g; }(), 0},
        {"row shorter than columns", [] { ElasGeometry g; g.block = 2; return g; }(), 0},
        {"negative offset", [] { ElasGeometry g; g.offset = -8; return g; }(), 0},
        {"span overflow", [] { ElasGeometry g; g.firstLine = INT_MIN; g.lastLine = INT_MAX; return g; }(), 0},
        {"truncated pixels", ElasGeometry(), 6},
    };
    for (const Case &c : cases) {
        Bytes file = elasHeader(c.g);
        file.resize(4096, 0);       /* room for the nominal rows */
        if (c.trim > 0) {
            file = elasFile(c.g, c.trim);
        }
        ImageHead head;
        EXPECT_EQ(0, probe(write("bad.elas", file), &head)) << c.name;
    }
    Bytes shortFile = elasHeader(ElasGeometry());
    shortFile.resize(1023);
    ImageHead head;
    EXPECT_EQ(0, probe(write("short.elas", shortFile), &head));
}

TEST_F(Elas, PaddedBandInterleavedRowsReadThroughTheCache)
{
    ElasGeometry g;
    g.offset = 1536;       /* a gap after the header */
    Bytes file = elasFile(g, 8 - 3);   /* the last row needs only its pixels */
    RAMIMG *image = openFile(write("rows.elas", file));
    ASSERT_NE(image, nullptr);
    for (int r = 0; r < 2; r++) {
        for (int b = 0; b < 2; b++) {
            Bytes expected = {(unsigned char)(100 * b + 10 * r), (unsigned char)(100 * b + 10 * r + 1),
                              (unsigned char)(100 * b + 10 * r + 2)};
            EXPECT_EQ(expected, rowOf(image, r, b)) << "row " << r << " band " << b;
        }
    }
    closeRAMImage(image, NULL);
}

}  // namespace
