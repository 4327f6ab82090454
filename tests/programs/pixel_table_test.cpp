/*
 * pixel_table_test.cpp --
 *
 *	Pixel tables: building over several blocks checked against a plain
 *	count, a full table that keeps the smallest vectors and counts the
 *	rest as misses, lookups, and files written and read back, including
 *	damaged files whose lengths or indices their size cannot hold.
 */
#include <gtest/gtest.h>

#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "../ramimage/registry_fixtures.h"
#include "programs/pixel_table.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

namespace {

using Vector = std::vector<unsigned char>;

class PixelTable : public registry_fixtures::RegistryTest {
protected:
    /* A two-band BYTE memory image whose rows are one block each. */
    RAMIMG *twoBandImage(int rows, int columns)
    {
        ImageHead head = memoryHead(IMGID_MBSQ, PIXEL_BYTE, rows, columns, 2);
        int err = 0;
        RAMIMG *image = openRAMImageNew(&head, NULL, 0, &err);
        EXPECT_NE(image, nullptr) << err;
        return image;
    }

    std::vector<Vector> vectorsOf(const PTABLE *table)
    {
        std::vector<Vector> out;
        for (uint32_t k = 0; k < table->count; k++) {
            const unsigned char *v = table->vectors + (size_t)k * table->nBands;
            out.push_back(Vector(v, v + table->nBands));
        }
        return out;
    }

    void writeBytes(const std::string &file, const std::vector<unsigned char> &bytes)
    {
        int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ((ssize_t)bytes.size(), write(fd, bytes.data(), bytes.size()));
        close(fd);
    }

    std::vector<unsigned char> readBytes(const std::string &file)
    {
        std::vector<unsigned char> bytes;
        FILE *f = fopen(file.c_str(), "rb");
        int c;
        while (f != NULL && (c = fgetc(f)) != EOF) {
            bytes.push_back((unsigned char)c);
        }
        if (f != NULL) {
            fclose(f);
        }
        return bytes;
    }

    /* A small table of vectors {1 7} x2, {5 2} x3, {9 0} x1 written to
     * file; its bytes. */
    std::vector<unsigned char> smallTableFile(const std::string &file)
    {
        RAMIMG *image = twoBandImage(1, 6);
        const unsigned char band0[6] = {5, 1, 5, 9, 5, 1};
        const unsigned char band1[6] = {2, 7, 2, 0, 2, 7};
        putRowByte(image, 0, 0, 6, 0, band0);
        putRowByte(image, 0, 0, 6, 1, band1);
        const uint32_t bands[2] = {0, 1};
        const int intBands[2] = {0, 1};
        PTABLE *table = createPTable(16, 2, bands);
        int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        EXPECT_EQ(1, countPixels(table, image, intBands, 0, 0, fd));
        close(fd);
        freePTable(table);
        return readBytes(file);
    }
};

/* Rows of 524288 columns and 2 bands are one block each; vectors spread
 * over all 65536 values so that later blocks insert before, between and
 * after the vectors already held, and under first bytes not seen yet. */
TEST_F(PixelTable, BlocksMergeIntoTheCountsOfAPlainTally)
{
    const int rows = 3, columns = 524288;
    ASSERT_EQ(1, ptableBlockRows(columns, 2));
    RAMIMG *image = twoBandImage(rows, columns);
    ASSERT_NE(image, nullptr);
    std::map<Vector, int> tally;
    std::vector<unsigned char> band0(columns), band1(columns);
    uint32_t seed = 12345;
    for (int r = 0; r < rows; r++) {
        for (int c = 0; c < columns; c++) {
            seed = seed * 1103515245u + 12345u;
            /* Row 0 only uses first bytes below 128. */
            band0[c] = (unsigned char)((seed >> 16) % (r == 0 ? 128 : 256));
            band1[c] = (unsigned char)(seed >> 24);
            tally[Vector{band0[c], band1[c]}]++;
        }
        putRowByte(image, r, 0, columns, 0, band0.data());
        putRowByte(image, r, 0, columns, 1, band1.data());
    }
    PTABLE *table = makePTable(image, 2, std::vector<int>{0, 1}.data());
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(tally.size(), table->count);
    const std::vector<Vector> held = vectorsOf(table);
    uint32_t k = 0;
    for (const auto &entry : tally) {
        ASSERT_EQ(entry.first, held[k]) << k;
        ASSERT_EQ(entry.second, table->counts[k]) << k;
        ASSERT_EQ((int32_t)k, ptableLookup(table, entry.first.data()));
        k++;
    }
    freePTable(table);
}

TEST_F(PixelTable, AFullTableKeepsTheSmallestAndCountsMisses)
{
    RAMIMG *image = twoBandImage(2, 3);
    ASSERT_NE(image, nullptr);
    /* Vectors (band 0, band 1): row 0 {3 1} {2 2} {3 1}, row 1 {1 0} {9 9} {2 2}. */
    const unsigned char rows[2][2][3] = {{{3, 2, 3}, {1, 2, 1}}, {{1, 9, 2}, {0, 9, 2}}};
    for (int r = 0; r < 2; r++) {
        putRowByte(image, r, 0, 3, 0, rows[r][0]);
        putRowByte(image, r, 0, 3, 1, rows[r][1]);
    }
    const uint32_t bands[2] = {0, 1};
    PTABLE *table = createPTable(2, 2, bands);
    ASSERT_NE(table, nullptr);
    const int intBands[2] = {0, 1};
    EXPECT_EQ(1, countPixels(table, image, intBands, 0, 1, -1));
    EXPECT_EQ((std::vector<Vector>{{1, 0}, {2, 2}}), vectorsOf(table));
    EXPECT_EQ(1, table->counts[0]);
    EXPECT_EQ(2, table->counts[1]);
    EXPECT_NE(std::string::npos, stderrText().find("Miss counting: 3\n"));
    /* A first byte that starts no vector, and one that does. */
    const unsigned char absent[2] = {3, 1}, missing[2] = {2, 3};
    EXPECT_EQ(-1, ptableLookup(table, absent));
    EXPECT_EQ(-1, ptableLookup(table, missing));
    freePTable(table);
}

TEST_F(PixelTable, FilesReadBackWithTheirCountAsCapacity)
{
    std::string file = path("t.lku");
    std::vector<unsigned char> bytes = smallTableFile(file);
    ASSERT_EQ(2080u + 8 + 3 * 2 + 3 * 2, bytes.size());
    uint32_t capacity;
    memcpy(&capacity, bytes.data() + 12, 4);
    EXPECT_EQ(3u, capacity);

    PTABLE *table = getPTable(file.c_str());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(3u, table->capacity);
    EXPECT_EQ((std::vector<Vector>{{1, 7}, {5, 2}, {9, 0}}), vectorsOf(table));
    EXPECT_EQ(2, table->counts[0]);
    EXPECT_EQ(3, table->counts[1]);
    EXPECT_EQ(1, table->counts[2]);
    EXPECT_EQ(1, table->first[5]);
    EXPECT_EQ(1, table->last[5]);
    EXPECT_EQ(-1, table->first[4]);
    EXPECT_EQ(-2, table->last[4]);
    EXPECT_EQ(2u, table->nBands);
    EXPECT_EQ(1u, table->bands[1]);
    freePTable(table);
}

TEST_F(PixelTable, DamagedFilesAreRefused)
{
    std::string good = path("good.lku");
    const std::vector<unsigned char> bytes = smallTableFile(good);
    auto patched = [&](int at, int32_t value) {
        std::vector<unsigned char> copy = bytes;
        memcpy(copy.data() + at, &value, 4);
        return copy;
    };
    struct Case {
        const char *name;
        std::vector<unsigned char> bytes;
        std::string message;
    };
    std::string corrupt = "Corrupt PTABLE file ";
    std::vector<unsigned char> wrongId = bytes;
    memcpy(wrongId.data(), "PTABLEXY", 8);
    const Case cases[] = {
        {"id", wrongId, "Wrong PTABLE file ID PTABLEXY.\n"},
        {"short", std::vector<unsigned char>(bytes.begin(), bytes.begin() + 4), ""},
        {"head", std::vector<unsigned char>(bytes.begin(), bytes.begin() + 2000), corrupt},
        {"truncated", std::vector<unsigned char>(bytes.begin(), bytes.end() - 1), corrupt},
        {"count", patched(16, 1000000), corrupt},
        {"huge", patched(16, -1), corrupt},
        {"bands", patched(2076, 0x40000000), corrupt},
        {"nobands", patched(2076, 0), corrupt},
        {"offset", patched(8, 2000), corrupt},
        {"first", patched(20 + 4 * 5, 7), corrupt},
        {"last", patched(1044 + 4 * 9, 3), corrupt},
        {"absent", patched(1044 + 4 * 4, 1), corrupt},
    };
    for (const Case &c : cases) {
        std::string file = path(c.name);
        writeBytes(file, c.bytes);
        Tcl_SetVar(console, "::stderr", "", TCL_GLOBAL_ONLY);
        EXPECT_EQ(nullptr, getPTable(file.c_str())) << c.name;
        std::string expected = c.message == corrupt ? corrupt + file + ".\n" : c.message;
        if (std::string(c.name) == "short") {
            expected = std::string("Wrong PTABLE file ID ") + ".\n";
        }
        EXPECT_EQ(expected, stderrText()) << c.name;
    }
    Tcl_SetVar(console, "::stderr", "", TCL_GLOBAL_ONLY);
    EXPECT_EQ(nullptr, getPTable(path("none.lku").c_str()));
    EXPECT_EQ("Error in open table:" + path("none.lku") + "\n", stderrText());
}

}  // namespace
