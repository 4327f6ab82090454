/*
 * fft_image_test.cpp --
 *
 *	FFT image files opened as RAM images: the probe, the two FLOAT bands
 *	read through the cache, the header kept with the image, and the band
 *	statistics taken from the header without reading a row.
 */
#include <gtest/gtest.h>

#include <cmath>

#include "programs/fft_file.h"
#include "ramimage/band_stats.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/formats/raw_fixtures.h"

namespace {

using namespace raw_fixtures;

/* A 1024-byte header of rows x columns with statistics, then the elements
 * (r, c) = (r x columns + c, -(r x columns + c)). */
Bytes fftFile(int rows, int columns, size_t trim = 0)
{
    Bytes file(1024, 0);
    memcpy(file.data(), "FFT IMAGE FILE", 15);
    putLe32(file, 84, (uint32_t)rows);
    putLe32(file, 88, (uint32_t)columns);
    putLeDouble(file, 104, 1000.0);         /* count */
    putLeDouble(file, 112, 9.0);            /* max, min of band 1 */
    putLeDouble(file, 120, -4.0);
    putLeDouble(file, 128, 7.0);            /* max, min of band 2 */
    putLeDouble(file, 136, -8.0);
    putLeDouble(file, 144, 2.0);            /* means */
    putLeDouble(file, 152, -1.0);
    putLeDouble(file, 160, 3.0);            /* standard deviations */
    putLeDouble(file, 168, 0.5);
    for (int i = 0; i < rows * columns; i++) {
        Bytes pair(8);
        putLeFloat(pair, 0, (float)i);
        putLeFloat(pair, 4, -(float)i);
        append(file, pair);
    }
    file.resize(file.size() - trim);
    return file;
}

class FftImage : public RawFormatTest {};

TEST_F(FftImage, ProbeDescribesTwoFloatBandsAndKeepsTheHeader)
{
    std::string file = write("a.fft", fftFile(2, 4));
    ImageHead head;
    void *priv = NULL;
    ASSERT_EQ(IMGID_FFT, probe(file, &head, &priv));
    EXPECT_EQ(PIXEL_FLOAT, head.pixel);
    EXPECT_EQ(32, head.bits);
    EXPECT_EQ(2, head.nbands);
    EXPECT_EQ(2, head.rows);
    EXPECT_EQ(4, head.columns);
    EXPECT_EQ(32, head.block);
    EXPECT_EQ(1024, head.offset);
    EXPECT_EQ(1, head.mapid);
    EXPECT_EQ(0, head.msbf);
    EXPECT_EQ(1.0, head.dx);
    EXPECT_EQ(1.0, head.dy);
    EXPECT_EQ(0.0, head.x0);
    ASSERT_NE(priv, nullptr);
    EXPECT_EQ(0, memcmp(priv, registry_fixtures::readFile(file).data(), 1024));
    EXPECT_EQ(4, ((FftHeader *)priv)->columns);
    gmemFree(priv);
}

TEST_F(FftImage, MalformedFilesAreNotRecognised)
{
    Bytes otherMagic = fftFile(2, 2);
    otherMagic[3] = '-';
    Bytes noTerminator = fftFile(2, 2);
    noTerminator[14] = 'S';
    Bytes shortHeader = fftFile(0, 0);
    shortHeader.resize(1023);
    const struct {
        const char *name;
        Bytes file;
    } cases[] = {
        {"magic", otherMagic},
        {"unterminated magic", noTerminator},
        {"short header", shortHeader},
        {"no rows", fftFile(0, 2)},
        {"negative columns", [] { Bytes f = fftFile(2, 2); putLe32(f, 88, (uint32_t)-2); return f; }()},
        {"truncated", fftFile(2, 2, 1)},
        {"huge", [] { Bytes f = fftFile(2, 2); putLe32(f, 84, 1 << 30); putLe32(f, 88, 1 << 27); return f; }()},
    };
    for (const auto &c : cases) {
        ImageHead head;
        EXPECT_EQ(0, probe(write("bad.fft", c.file), &head)) << c.name;
    }
}

TEST_F(FftImage, BandsAreTheComponentsAndStatisticsComeFromTheHeader)
{
    RAMIMG *image = openFile(write("b.fft", fftFile(2, 4)));
    ASSERT_NE(image, nullptr);
    ASSERT_NE(image->priv, nullptr);
    float values[4];
    memcpy(values, getRAMImageLine(image, 1, 0, 1), sizeof values);
    EXPECT_EQ(4.0f, values[0]);
    EXPECT_EQ(7.0f, values[3]);
    memcpy(values, getRAMImageLine(image, 1, 1, 1), sizeof values);
    EXPECT_EQ(-5.0f, values[1]);

    /* The header's figures, not the pixels' (whose mean is 3.5). */
    invalidateRowCache(image);
    BandStats *stats = ramImageHist(image, HIST_RECOMPUTE, 1, 1);
    ASSERT_NE(stats, nullptr);
    EXPECT_EQ(1000.0, stats[0].count);
    EXPECT_DOUBLE_EQ(2.0, histMean(&stats[0]));
    EXPECT_DOUBLE_EQ(3.0, histStd(&stats[0]));
    EXPECT_EQ(-4.0, stats[0].min);
    EXPECT_EQ(9.0, stats[0].max);
    EXPECT_DOUBLE_EQ(-1.0, histMean(&stats[1]));
    EXPECT_DOUBLE_EQ(0.5, histStd(&stats[1]));
    EXPECT_EQ(-8.0, stats[1].min);
    EXPECT_EQ(7.0, stats[1].max);
    /* No row was read for them. */
    for (int s = 0; s < image->slots; s++) {
        EXPECT_EQ(-1, image->rowIds[s]) << s;
    }
    closeRAMImage(image, NULL);
}

TEST_F(FftImage, HeaderStatisticsOnlyForFftImagesWithACount)
{
    std::string file = write("c.fft", fftFile(1, 2));
    int fd = open(file.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ImageHead head;
    initImageHead(&head);
    head.nbands = 2;
    BandStats stats[2];
    memset(stats, 0, sizeof stats);
    head.imgid = IMGID_BIP;
    EXPECT_EQ(0, fftStatsFromHeader(fd, &head, stats));
    head.imgid = IMGID_FFT;
    EXPECT_EQ(1, fftStatsFromHeader(fd, &head, stats));
    EXPECT_DOUBLE_EQ(2000.0, stats[0].sum);
    EXPECT_DOUBLE_EQ((9.0 + 4.0) * 1000.0, stats[0].sumSq);
    EXPECT_DOUBLE_EQ(-1000.0, stats[1].sum);
    EXPECT_DOUBLE_EQ((0.25 + 1.0) * 1000.0, stats[1].sumSq);
    close(fd);

    /* A header whose run never counted anything: computed from the pixels. */
    Bytes uncounted = fftFile(1, 2);
    putLeDouble(uncounted, 104, 0.0);
    file = write("d.fft", uncounted);
    fd = open(file.c_str(), O_RDONLY);
    EXPECT_EQ(0, fftStatsFromHeader(fd, &head, stats));
    close(fd);
}

}  // namespace
