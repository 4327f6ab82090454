/*
 * band_stats_test.cpp --
 *
 *	Band statistics: records, accumulation of every pixel type, mean and
 *	standard deviation, whole-image statistics and their reuse, palette
 *	summaries, and statistics restricted to a mask image or to spans.
 *	Images here serve their rows from memory through their own row
 *	loader, which counts the rows it is asked for.
 */
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include <tcl.h>

#include "core/point_list.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();

class StatsEnvironment : public ::testing::Environment {
public:
    void SetUp() override { Tcl_FindExecutable(NULL); }
};
::testing::Environment *const statsEnvironment =
    ::testing::AddGlobalTestEnvironment(new StatsEnvironment);

/*
 * A RAM image whose band rows are held in memory. Slots are 0, so every
 * row goes through the loader, which records the (row, band) asked for.
 */
struct MemoryImage {
    RAMIMG image;
    std::vector<std::vector<unsigned char>> rows;   /* row * nbands + band */
    std::vector<std::pair<int, int>> loads;

    MemoryImage(int pixel, int imgid, int columns, int rowCount, int nbands)
    {
        memset(&image, 0, sizeof image);
        static const int bits[] = {0, 1, 4, 8, 16, 32, 32, 16, 32, 8};
        image.head.pixel = pixel;
        image.head.imgid = imgid;
        image.head.columns = columns;
        image.head.rows = rowCount;
        image.head.nbands = nbands;
        image.head.bits = bits[pixel];
        image.head.transparent = -1;
        image.head.dataFd = -1;
        for (int i = 0; i < 256; i++) {
            image.head.palette[i][0] = image.head.palette[i][1] = image.head.palette[i][2] =
                (unsigned char)i;
        }
        image.fd = -1;
        image.rowBytes = rowBytesForType(pixel, columns);
        image.priv = this;
        image.rowLoader = loadRow;
        rows.assign((size_t)rowCount * nbands, std::vector<unsigned char>(image.rowBytes));
    }
    ~MemoryImage() { freeHist(image.stats, image.head.nbands); }

    static int rowBytesForType(int pixel, int n)
    {
        switch (pixel) {
        case PIXEL_1BIT: return (n + 7) / 8;
        case PIXEL_4BITS: return (4 * n + 4) / 8;
        case PIXEL_SHORT: case PIXEL_USHORT: return 2 * n;
        case PIXEL_LONG: case PIXEL_FLOAT: return 4 * n;
        default: return n;
        }
    }

    static unsigned char *loadRow(RAMIMG *image, int row, int band, int load)
    {
        MemoryImage *self = (MemoryImage *)image->priv;
        self->loads.push_back({row, band});
        return self->rows[(size_t)row * image->head.nbands + band].data();
    }

    template <typename T>
    void setRow(int row, int band, std::vector<T> values)
    {
        memcpy(rows[(size_t)row * image.head.nbands + band].data(), values.data(),
               values.size() * sizeof(T));
    }

    int loadsOfBand(int band) const
    {
        int n = 0;
        for (const auto &l : loads) {
            n += (l.second == band);
        }
        return n;
    }
};

BandStats accumulated(int pixel, int n, int step, const void *row)
{
    BandStats *stats = createHist(1, 256);
    accumulateHist(stats, pixel, n, step, row);
    BandStats copy = *stats;
    copy.hist = NULL;
    freeHist(stats, 1);
    return copy;
}

} // namespace

/* ---- Records ---------------------------------------------------------------- */

TEST(BandStatsRecord, CreateGivesEmptyRecords)
{
    BandStats *stats = createHist(3, 16);
    ASSERT_TRUE(stats != NULL);
    for (int b = 0; b < 3; b++) {
        EXPECT_EQ(0.0, stats[b].sum);
        EXPECT_EQ(0.0, stats[b].sumSq);
        EXPECT_EQ(0.0, stats[b].count);
        EXPECT_EQ(kInf, stats[b].min);
        EXPECT_EQ(-kInf, stats[b].max);
        EXPECT_EQ(0u, stats[b].valid);
        EXPECT_EQ(16, stats[b].nBins);
        ASSERT_TRUE(stats[b].hist != NULL);
        for (int i = 0; i < 16; i++) {
            EXPECT_EQ(0u, stats[b].hist[i]);
        }
    }
    freeHist(stats, 3);

    BandStats *plain = createHist(2, 0);
    ASSERT_TRUE(plain != NULL);
    EXPECT_TRUE(plain[0].hist == NULL && plain[1].hist == NULL);
    EXPECT_EQ(0, plain[1].nBins);
    freeHist(plain, 2);

    EXPECT_TRUE(createHist(0, 256) == NULL);
    freeHist(NULL, 4);
}

TEST(BandStatsRecord, BinsByPixelType)
{
    const int expected[] = {0, 2, 16, 256, 0, 0, 0, 0, 0, 0};
    for (int pixel = 0; pixel <= PIXEL_SBYTE; pixel++) {
        EXPECT_EQ(expected[pixel], histBinsFor(pixel)) << pixel;
    }
}

TEST(BandStatsRecord, ResetEmptiesTheRecord)
{
    BandStats *stats = createHist(1, 256);
    const unsigned char row[] = {5, 3, 9};
    accumulateHist(stats, PIXEL_BYTE, 3, 1, row);
    stats->valid = 1;
    resetBandStats(stats);
    EXPECT_EQ(0.0, stats->sum);
    EXPECT_EQ(0.0, stats->sumSq);
    EXPECT_EQ(0.0, stats->count);
    EXPECT_EQ(kInf, stats->min);
    EXPECT_EQ(-kInf, stats->max);
    EXPECT_EQ(0u, stats->valid);
    EXPECT_EQ(0u, stats->hist[3] + stats->hist[5] + stats->hist[9]);
    freeHist(stats, 1);
}

/* ---- Accumulation ------------------------------------------------------------- */

TEST(BandStatsAccumulate, ByteValuesAndHistogram)
{
    BandStats *stats = createHist(1, 256);
    const unsigned char row[] = {5, 3, 9};
    accumulateHist(stats, PIXEL_BYTE, 3, 1, row);
    EXPECT_EQ(3.0, stats->min);
    EXPECT_EQ(9.0, stats->max);
    EXPECT_EQ(3.0, stats->count);
    EXPECT_EQ(17.0, stats->sum);
    EXPECT_EQ(115.0, stats->sumSq);
    EXPECT_DOUBLE_EQ(17.0 / 3.0, histMean(stats));
    for (int i = 0; i < 256; i++) {
        EXPECT_EQ((i == 3 || i == 5 || i == 9) ? 1u : 0u, stats->hist[i]) << i;
    }
    freeHist(stats, 1);
}

/* Long byte rows (the whole-number path with four part tables) give the
 * same record as one sample after the other, for every step, with and
 * without a full histogram, and once the sums near 2^53. */
TEST(BandStatsAccumulate, LongByteRowsMatchSampleBySample)
{
    std::vector<unsigned char> row(10007);
    unsigned int seed = 12345;
    for (size_t i = 0; i < row.size(); i++) {
        seed = seed * 1103515245u + 12345u;
        row[i] = (i % 7 < 3) ? 200 : (unsigned char)(seed >> 16);   /* runs of equal bytes */
    }
    const double nearLimit = 9007199254740992.0 - 1000.0;
    for (int bins : {256, 100}) {
        for (int step : {1, 3}) {
            for (double startSum : {0.0, nearLimit}) {
                BandStats *stats = createHist(1, bins);
                stats->sum = startSum;
                stats->sumSq = startSum;
                accumulateHist(stats, PIXEL_BYTE, (int)row.size(), step, row.data());
                double sum = startSum, sumSq = startSum, lowest = kInf, highest = -kInf,
                       count = 0;
                std::vector<uint32_t> hist(bins, 0);
                for (size_t x = 0; x < row.size(); x += step) {
                    double v = row[x];
                    sum += v;
                    sumSq += v * v;
                    lowest = v < lowest ? v : lowest;
                    highest = v > highest ? v : highest;
                    count++;
                    if (row[x] < bins) {
                        hist[row[x]]++;
                    }
                }
                SCOPED_TRACE(testing::Message() << "bins " << bins << " step " << step
                                                << " start " << startSum);
                EXPECT_EQ(sum, stats->sum);
                EXPECT_EQ(sumSq, stats->sumSq);
                EXPECT_EQ(lowest, stats->min);
                EXPECT_EQ(highest, stats->max);
                EXPECT_EQ(count, stats->count);
                for (int v = 0; v < bins; v++) {
                    ASSERT_EQ(hist[v], stats->hist[v]) << v;
                }
                freeHist(stats, 1);
            }
        }
    }
}

TEST(BandStatsAccumulate, EveryPixelType)
{
    const int16_t shorts[] = {-5, -3};
    const int16_t oneShort[] = {-7};
    const int32_t longs[] = {-100000, 7, 2000000000};
    const float floats[] = {1.5f, -0.25f, 3.0f};
    const uint16_t ushorts[] = {65535, 2};
    const unsigned char bits[] = {0x05};            /* columns 0..2: 1, 0, 1 */
    const unsigned char nibbles[] = {0x3A, 0x70};   /* columns 0..2: 3, 10, 7 */
    const unsigned char bytes[] = {0, 255, 4, 1, 8};
    struct Case {
        const char *name;
        int pixel;
        int n;
        int step;
        const void *row;
        double count, sum, sumSq, min, max;
    } cases[] = {
        {"SHORT negatives", PIXEL_SHORT, 2, 1, shorts, 2, -8, 34, -5, -3},
        {"SHORT one value", PIXEL_SHORT, 1, 1, oneShort, 1, -7, 49, -7, -7},
        {"LONG", PIXEL_LONG, 3, 1, longs, 3, 1999900007.0,
         1e10 + 49 + 4e18, -100000, 2000000000},
        {"FLOAT", PIXEL_FLOAT, 3, 1, floats, 3, 4.25, 2.25 + 0.0625 + 9, -0.25, 3.0},
        {"USHORT is unsigned", PIXEL_USHORT, 2, 1, ushorts, 2, 65537, 65535.0 * 65535 + 4, 2,
         65535},
        {"1BIT least significant first", PIXEL_1BIT, 3, 1, bits, 3, 2, 2, 0, 1},
        {"4BITS high nibble first", PIXEL_4BITS, 3, 1, nibbles, 3, 20, 9 + 100 + 49, 3, 10},
        {"BYTE step 2 over 5", PIXEL_BYTE, 5, 2, bytes, 3, 12, 80, 0, 8},
        {"BYTE step 0 counts as 1", PIXEL_BYTE, 5, 0, bytes, 5, 268, 65025 + 16 + 1 + 64, 0,
         255},
        {"BYTE step beyond row", PIXEL_BYTE, 5, 100, bytes, 1, 0, 0, 0, 0},
        {"ULONG is unsigned", PIXEL_ULONG, 2, 1, longs, 2, 4294867303.0,
         4294867296.0 * 4294867296.0 + 49, 7, 4294867296.0},
        {"SBYTE is signed", PIXEL_SBYTE, 2, 1, bytes, 2, -1, 1, -1, 0},
        {"UNKNOWN adds nothing", PIXEL_UNKNOWN, 2, 1, bytes, 0, 0, 0, kInf, -kInf},
        {"empty row", PIXEL_BYTE, 0, 1, bytes, 0, 0, 0, kInf, -kInf},
    };
    for (const Case &c : cases) {
        BandStats s = accumulated(c.pixel, c.n, c.step, c.row);
        EXPECT_EQ(c.count, s.count) << c.name;
        EXPECT_DOUBLE_EQ(c.sum, s.sum) << c.name;
        EXPECT_DOUBLE_EQ(c.sumSq, s.sumSq) << c.name;
        EXPECT_EQ(c.min, s.min) << c.name;
        EXPECT_EQ(c.max, s.max) << c.name;
    }
}

TEST(BandStatsAccumulate, SmallTypesFillTheirHistogram)
{
    BandStats *bitStats = createHist(1, 2);
    const unsigned char bits[] = {0x05, 0x01};      /* 1 0 1 0 0 0 0 0 1 */
    accumulateHist(bitStats, PIXEL_1BIT, 9, 1, bits);
    EXPECT_EQ(6u, bitStats->hist[0]);
    EXPECT_EQ(3u, bitStats->hist[1]);
    freeHist(bitStats, 1);

    BandStats *nibbleStats = createHist(1, 16);
    const unsigned char nibbles[] = {0x3A, 0x73};   /* 3 10 7 3 */
    accumulateHist(nibbleStats, PIXEL_4BITS, 4, 1, nibbles);
    EXPECT_EQ(2u, nibbleStats->hist[3]);
    EXPECT_EQ(1u, nibbleStats->hist[10]);
    EXPECT_EQ(1u, nibbleStats->hist[7]);
    freeHist(nibbleStats, 1);
}

TEST(BandStatsAccumulate, ValuesBeyondTheBinsAreNotCounted)
{
    // Byte values fed to a 1-bit record (as the mask pass may) stay in range.
    BandStats *stats = createHist(1, 2);
    const unsigned char bytes[] = {1, 200, 0};
    accumulateHist(stats, PIXEL_BYTE, 3, 1, bytes);
    EXPECT_EQ(1u, stats->hist[0]);
    EXPECT_EQ(1u, stats->hist[1]);
    EXPECT_EQ(3.0, stats->count);
    EXPECT_EQ(200.0, stats->max);
    freeHist(stats, 1);

    BandStats *none = createHist(1, 0);
    accumulateHist(none, PIXEL_BYTE, 3, 1, bytes);
    EXPECT_EQ(201.0, none->sum);
    freeHist(none, 1);
}

/* ---- Mean and standard deviation ---------------------------------------------- */

TEST(BandStatsMoments, MeanAndStd)
{
    BandStats *stats = createHist(1, 0);
    const float values[] = {2, 4, 4, 4, 5, 5, 7, 9};
    accumulateHist(stats, PIXEL_FLOAT, 8, 1, values);
    EXPECT_DOUBLE_EQ(2.0, histStd(stats));
    EXPECT_DOUBLE_EQ(5.0, stats->mean);
    EXPECT_DOUBLE_EQ(5.0, histMean(stats));
    EXPECT_DOUBLE_EQ(2.0, stats->std);
    freeHist(stats, 1);
}

TEST(BandStatsMoments, EqualValuesGiveZeroStd)
{
    // For these the variance rounds a little below 0.
    const float values[] = {0.1f, 0.7f, 3.3f, 123.456f};
    for (float v : values) {
        std::vector<float> row(100, v);
        BandStats *stats = createHist(1, 0);
        accumulateHist(stats, PIXEL_FLOAT, 100, 1, row.data());
        double mean = stats->sum / stats->count;
        EXPECT_LT(stats->sumSq / stats->count - mean * mean, 0.0) << v;
        EXPECT_EQ(0.0, histStd(stats)) << v;
        EXPECT_DOUBLE_EQ(v, histMean(stats)) << v;
        freeHist(stats, 1);
    }
    BandStats *one = createHist(1, 0);
    const int32_t single[] = {42};
    accumulateHist(one, PIXEL_LONG, 1, 1, single);
    EXPECT_EQ(0.0, histStd(one));
    freeHist(one, 1);
}

TEST(BandStatsMoments, EmptyRecordGivesZeros)
{
    BandStats *stats = createHist(1, 0);
    EXPECT_EQ(0.0, histMean(stats));
    EXPECT_EQ(0.0, histStd(stats));
    freeHist(stats, 1);
}

/* ---- Whole-image statistics --------------------------------------------------- */

TEST(BandStatsImage, ComputesEveryBandOnce)
{
    MemoryImage m(PIXEL_BYTE, IMGID_BIL, 3, 2, 2);
    m.setRow<unsigned char>(0, 0, {5, 3, 9});
    m.setRow<unsigned char>(1, 0, {1, 1, 1});
    m.setRow<unsigned char>(0, 1, {10, 20, 30});
    m.setRow<unsigned char>(1, 1, {40, 50, 60});

    BandStats *stats = ramImageHist(&m.image, HIST_REUSE, 1, 1);
    ASSERT_TRUE(stats != NULL);
    EXPECT_EQ(stats, m.image.stats);
    EXPECT_EQ(6.0, stats[0].count);
    EXPECT_EQ(20.0, stats[0].sum);
    EXPECT_EQ(1.0, stats[0].min);
    EXPECT_EQ(9.0, stats[0].max);
    EXPECT_EQ(3u, stats[0].hist[1]);
    EXPECT_EQ(210.0, stats[1].sum);
    EXPECT_EQ(1u, stats[0].valid);
    EXPECT_EQ(1u, stats[1].valid);
    EXPECT_EQ(256, stats[1].nBins);
    EXPECT_EQ(4u, m.loads.size());

    EXPECT_EQ(stats, ramImageHist(&m.image, HIST_REUSE, 1, 1));
    EXPECT_EQ(4u, m.loads.size());
}

TEST(BandStatsImage, OnlyResetBandsAreReadAgain)
{
    MemoryImage m(PIXEL_SHORT, IMGID_BIL, 2, 3, 3);
    m.setRow<int16_t>(0, 1, {-4, 4});
    BandStats *stats = ramImageHist(&m.image, HIST_REUSE, 1, 1);
    ASSERT_TRUE(stats != NULL);
    EXPECT_EQ(0.0, stats[1].sum);
    EXPECT_EQ(-4.0, stats[1].min);
    m.loads.clear();

    m.setRow<int16_t>(2, 1, {100, 0});
    resetBandStats(&stats[1]);
    EXPECT_EQ(stats, ramImageHist(&m.image, HIST_REUSE, 1, 1));
    EXPECT_EQ(0, m.loadsOfBand(0));
    EXPECT_EQ(3, m.loadsOfBand(1));
    EXPECT_EQ(0, m.loadsOfBand(2));
    EXPECT_EQ(100.0, stats[1].sum);
    EXPECT_EQ(6.0, stats[1].count);
    EXPECT_EQ(100.0, stats[1].max);
    EXPECT_EQ(0.0, stats[0].max);
}

TEST(BandStatsImage, InvalidBandIsComputedAfresh)
{
    // A band marked invalid without a reset does not count its rows twice.
    MemoryImage m(PIXEL_BYTE, IMGID_BIL, 2, 1, 1);
    m.setRow<unsigned char>(0, 0, {2, 6});
    BandStats *stats = ramImageHist(&m.image, HIST_REUSE, 1, 1);
    stats[0].valid = 0;
    stats = ramImageHist(&m.image, HIST_UPDATE, 1, 1);
    EXPECT_EQ(2.0, stats[0].count);
    EXPECT_EQ(8.0, stats[0].sum);
    EXPECT_EQ(1u, stats[0].hist[6]);
}

TEST(BandStatsImage, ModesDecideWhatIsReadAgain)
{
    MemoryImage m(PIXEL_BYTE, IMGID_BIP, 2, 2, 2);
    m.setRow<unsigned char>(1, 1, {7, 8});
    ramImageHist(&m.image, HIST_REUSE, 1, 1);
    m.loads.clear();

    ramImageHist(&m.image, HIST_UPDATE, 1, 1);      /* everything valid: nothing read */
    EXPECT_EQ(0u, m.loads.size());

    BandStats *stats = ramImageHist(&m.image, HIST_RECOMPUTE, 1, 1);
    ASSERT_TRUE(stats != NULL);
    EXPECT_EQ(4u, m.loads.size());
    EXPECT_EQ(15.0, stats[1].sum);
    EXPECT_EQ(4.0, stats[1].count);
}

TEST(BandStatsImage, RowOrderFollowsTheLayout)
{
    typedef std::vector<std::pair<int, int>> Loads;
    const Loads bandByBand = {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}};
    const Loads rowByRow = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}};
    struct Case {
        int imgid;
        const Loads *expected;
    } cases[] = {
        {IMGID_BSQ, &bandByBand}, {IMGID_E74BSQ, &bandByBand}, {IMGID_BSQD, &bandByBand},
        {IMGID_BIL, &rowByRow}, {IMGID_BIP, &rowByRow}, {IMGID_E74, &rowByRow},
        {IMGID_MBSQ, &rowByRow},
    };
    for (const Case &c : cases) {
        MemoryImage m(PIXEL_BYTE, c.imgid, 2, 3, 2);
        ASSERT_TRUE(ramImageHist(&m.image, HIST_REUSE, 1, 1) != NULL);
        EXPECT_EQ(*c.expected, m.loads) << c.imgid;
    }
}

TEST(BandStatsImage, StepsSampleRowsAndColumns)
{
    MemoryImage m(PIXEL_BYTE, IMGID_BIL, 5, 5, 1);
    for (int r = 0; r < 5; r++) {
        m.setRow<unsigned char>(r, 0, {(unsigned char)(10 * r), 1, 2, 3, 4});
    }
    BandStats *stats = ramImageHist(&m.image, HIST_REUSE, 2, 2);
    ASSERT_TRUE(stats != NULL);
    EXPECT_EQ(3u, m.loads.size());
    EXPECT_EQ(9.0, stats[0].count);
    EXPECT_EQ(0 + 20 + 40 + 3 * (2 + 4), stats[0].sum);

    // Steps below 1 count as 1.
    MemoryImage z(PIXEL_BYTE, IMGID_BIL, 4, 3, 1);
    stats = ramImageHist(&z.image, HIST_REUSE, 0, -1);
    ASSERT_TRUE(stats != NULL);
    EXPECT_EQ(12.0, stats[0].count);
    EXPECT_EQ(3u, z.loads.size());
}

TEST(BandStatsImage, WideTypesHaveNoHistogram)
{
    MemoryImage m(PIXEL_FLOAT, IMGID_BIL, 2, 1, 1);
    m.setRow<float>(0, 0, {-1.5f, 2.5f});
    BandStats *stats = ramImageHist(&m.image, HIST_REUSE, 1, 1);
    ASSERT_TRUE(stats != NULL);
    EXPECT_EQ(0, stats[0].nBins);
    EXPECT_TRUE(stats[0].hist == NULL);
    EXPECT_EQ(-1.5, stats[0].min);
    EXPECT_EQ(2.5, stats[0].max);
}

TEST(BandStatsImage, RowsTheLoaderCannotGiveAddNothing)
{
    MemoryImage m(PIXEL_BYTE, IMGID_BIL, 2, 2, 1);
    m.setRow<unsigned char>(0, 0, {3, 4});
    m.image.rowLoader = [](RAMIMG *image, int row, int band, int load) -> unsigned char * {
        MemoryImage *self = (MemoryImage *)image->priv;
        return row == 0 ? self->rows[0].data() : NULL;
    };
    BandStats *stats = ramImageHist(&m.image, HIST_REUSE, 1, 1);
    ASSERT_TRUE(stats != NULL);
    EXPECT_EQ(2.0, stats[0].count);
    EXPECT_EQ(7.0, stats[0].sum);
}

TEST(BandStatsImage, NoBandsGivesNull)
{
    MemoryImage m(PIXEL_BYTE, IMGID_BIL, 2, 2, 1);
    m.image.head.nbands = 0;
    EXPECT_TRUE(ramImageHist(&m.image, HIST_REUSE, 1, 1) == NULL);
    EXPECT_EQ(0, bandStatsSummary(&m.image, 0, NULL, NULL, NULL, NULL));
    m.image.head.nbands = 1;
    EXPECT_TRUE(ramImageHist(NULL, HIST_REUSE, 1, 1) == NULL);
}

/* ---- Summaries ------------------------------------------------------------------ */

TEST(BandStatsSummary, PlainBands)
{
    MemoryImage m(PIXEL_SHORT, IMGID_BIL, 2, 1, 2);
    m.setRow<int16_t>(0, 0, {-5, -3});
    m.setRow<int16_t>(0, 1, {10, 30});
    struct Case {
        int band;
        double std, mean, min, max;
    } cases[] = {
        {0, 1, -4, -5, -3},
        {1, 10, 20, 10, 30},
        {3, 10, 20, 10, 30},    /* modulo the band count */
        {-2, 1, -4, -5, -3},    /* negative: band 0 */
    };
    for (const Case &c : cases) {
        double deviation = -1, mean = -1, lowest = -1, highest = -1;
        ASSERT_EQ(1, bandStatsSummary(&m.image, c.band, &deviation, &mean, &lowest, &highest));
        EXPECT_DOUBLE_EQ(c.std, deviation) << c.band;
        EXPECT_DOUBLE_EQ(c.mean, mean) << c.band;
        EXPECT_EQ(c.min, lowest) << c.band;
        EXPECT_EQ(c.max, highest) << c.band;
    }
    EXPECT_EQ(1, bandStatsSummary(&m.image, 1, NULL, NULL, NULL, NULL));
    EXPECT_EQ(0, bandStatsSummary(NULL, 0, NULL, NULL, NULL, NULL));
}

TEST(BandStatsSummary, PaletteChannels)
{
    MemoryImage m(PIXEL_BYTE, IMGID_BIL, 3, 1, 1);
    m.image.head.nindices = 2;
    const unsigned char entry0[3] = {10, 20, 30};
    const unsigned char entry1[3] = {40, 50, 60};
    memcpy(m.image.head.palette[0], entry0, 3);
    memcpy(m.image.head.palette[1], entry1, 3);
    m.setRow<unsigned char>(0, 0, {0, 1, 1});
    struct Case {
        int band;
        double mean, std, min, max;
    } cases[] = {
        // Extremes run over every palette entry (entries 2 .. 255 are grey).
        {0, 30, std::sqrt(200.0), 2, 255},
        {1, 40, std::sqrt(200.0), 2, 255},
        {5, 50, std::sqrt(200.0), 2, 255},
    };
    for (const Case &c : cases) {
        double deviation, mean, lowest, highest;
        ASSERT_EQ(1, bandStatsSummary(&m.image, c.band, &deviation, &mean, &lowest, &highest));
        EXPECT_DOUBLE_EQ(c.mean, mean) << c.band;
        EXPECT_NEAR(c.std, deviation, 1e-9) << c.band;
        EXPECT_EQ(c.min, lowest) << c.band;
        EXPECT_EQ(c.max, highest) << c.band;
    }
    // A negative band gives the statistics of the indices themselves.
    double mean;
    ASSERT_EQ(1, bandStatsSummary(&m.image, -1, NULL, &mean, NULL, NULL));
    EXPECT_DOUBLE_EQ(2.0 / 3.0, mean);
}

/* ---- Mask and span statistics -------------------------------------------------- */

TEST(BandStatsRestricted, MaskSelectsPixels)
{
    MemoryImage m(PIXEL_BYTE, IMGID_BIL, 4, 3, 2);
    MemoryImage mask(PIXEL_BYTE, IMGID_BIL, 4, 2, 1);  /* row 2 lies outside the mask */
    m.setRow<unsigned char>(0, 0, {1, 2, 3, 4});
    m.setRow<unsigned char>(1, 0, {5, 6, 7, 8});
    m.setRow<unsigned char>(2, 0, {9, 9, 9, 9});
    m.setRow<unsigned char>(0, 1, {10, 20, 30, 40});
    m.setRow<unsigned char>(1, 1, {50, 60, 70, 80});
    mask.setRow<unsigned char>(0, 0, {0, 1, 0, 255});
    mask.setRow<unsigned char>(1, 0, {3, 0, 0, 0});

    BandStats *stats = ramImageHistWithMask(&m.image, &mask.image, 1, 1, 0);
    ASSERT_TRUE(stats != NULL);
    EXPECT_TRUE(m.image.stats == NULL);
    EXPECT_EQ(3.0, stats[0].count);
    EXPECT_EQ(2.0 + 4 + 5, stats[0].sum);
    EXPECT_EQ(1u, stats[0].hist[4]);
    EXPECT_EQ(110.0, stats[1].sum);
    EXPECT_EQ(1u, stats[0].valid);
    EXPECT_EQ(1u, stats[1].valid);
    freeHist(stats, 2);

    // Column step 2 keeps columns 0 and 2; row 0 has no mark there.
    m.loads.clear();
    stats = ramImageHistWithMask(&m.image, &mask.image, 2, 1, 0);
    ASSERT_TRUE(stats != NULL);
    EXPECT_EQ(1.0, stats[0].count);
    EXPECT_EQ(5.0, stats[0].sum);
    EXPECT_EQ(1, m.loadsOfBand(0));
    freeHist(stats, 2);
}

TEST(BandStatsRestricted, MaskOfWideImageUsesFloats)
{
    MemoryImage m(PIXEL_SHORT, IMGID_BIL, 3, 1, 1);
    MemoryImage mask(PIXEL_BYTE, IMGID_BIL, 3, 1, 1);
    m.setRow<int16_t>(0, 0, {-300, 7, 1000});
    mask.setRow<unsigned char>(0, 0, {1, 0, 1});
    BandStats *stats = ramImageHistWithMask(&m.image, &mask.image, 1, 1, 0);
    ASSERT_TRUE(stats != NULL);
    EXPECT_EQ(2.0, stats[0].count);
    EXPECT_EQ(-300.0, stats[0].min);
    EXPECT_EQ(1000.0, stats[0].max);
    freeHist(stats, 1);
}

TEST(BandStatsRestricted, KeepReplacesTheImageStatistics)
{
    MemoryImage m(PIXEL_BYTE, IMGID_BIL, 2, 1, 1);
    MemoryImage mask(PIXEL_BYTE, IMGID_BIL, 2, 1, 1);
    m.setRow<unsigned char>(0, 0, {4, 6});
    mask.setRow<unsigned char>(0, 0, {0, 1});
    ASSERT_TRUE(ramImageHist(&m.image, HIST_REUSE, 1, 1) != NULL);

    BandStats *kept = ramImageHistWithMask(&m.image, &mask.image, 1, 1, 1);
    ASSERT_TRUE(kept != NULL);
    EXPECT_EQ(kept, m.image.stats);
    EXPECT_EQ(6.0, kept[0].sum);
    m.loads.clear();
    EXPECT_EQ(kept, ramImageHist(&m.image, HIST_REUSE, 1, 1));
    EXPECT_EQ(0u, m.loads.size());

    PointList *spans = polyNew(2);
    spans->points[0] = PolyPoint{0, 0};
    spans->points[1] = PolyPoint{1, 0};
    BandStats *roi = ramImageHistWithROI(&m.image, spans, 1);
    ASSERT_TRUE(roi != NULL);
    EXPECT_EQ(roi, m.image.stats);
    EXPECT_EQ(4.0, roi[0].sum);
    polyFree(spans);
}

TEST(BandStatsRestricted, SpansAreClippedToTheImage)
{
    MemoryImage m(PIXEL_BYTE, IMGID_BIL, 4, 2, 2);
    m.setRow<unsigned char>(0, 0, {1, 2, 3, 4});
    m.setRow<unsigned char>(1, 0, {5, 6, 7, 8});
    m.setRow<unsigned char>(1, 1, {10, 20, 30, 40});
    PointList *spans = polyNew(1);
    spans->count = 0;
    const int pairs[][3] = {
        {-2, 0, 2},     /* columns 0, 1 of row 0 */
        {3, 1, 9},      /* column 3 of row 1 */
        {1, 1, 1},      /* empty */
        {0, -1, 4},     /* row above the image */
        {0, 2, 4},      /* row below */
        {4, 0, 6},      /* starts right of the image */
        {-5, 1, 0},     /* ends left of it */
    };
    for (const auto &p : pairs) {
        polyAppend(spans, p[0], p[1]);
        polyAppend(spans, p[2], p[1]);
    }
    polyAppend(spans, 0, 0);    /* a lone point is no span */

    BandStats *stats = ramImageHistWithROI(&m.image, spans, 0);
    ASSERT_TRUE(stats != NULL);
    EXPECT_TRUE(m.image.stats == NULL);
    EXPECT_EQ(3.0, stats[0].count);
    EXPECT_EQ(1.0 + 2 + 8, stats[0].sum);
    EXPECT_EQ(40.0, stats[1].sum);
    EXPECT_EQ(1u, stats[1].valid);
    freeHist(stats, 2);
    polyFree(spans);
}

TEST(BandStatsRestricted, SpansOfWideImageUseFloats)
{
    MemoryImage m(PIXEL_FLOAT, IMGID_BIL, 3, 1, 1);
    m.setRow<float>(0, 0, {0.5f, -2.25f, 9.0f});
    PointList *spans = polyNew(2);
    spans->points[0] = PolyPoint{1, 0};
    spans->points[1] = PolyPoint{3, 0};
    BandStats *stats = ramImageHistWithROI(&m.image, spans, 0);
    ASSERT_TRUE(stats != NULL);
    EXPECT_EQ(2.0, stats[0].count);
    EXPECT_EQ(6.75, stats[0].sum);
    EXPECT_EQ(-2.25, stats[0].min);
    freeHist(stats, 1);
    polyFree(spans);
}

TEST(BandStatsRestricted, SpansOutsideTheImageGiveNull)
{
    MemoryImage m(PIXEL_BYTE, IMGID_BIL, 4, 2, 1);
    ASSERT_TRUE(ramImageHist(&m.image, HIST_REUSE, 1, 1) != NULL);
    PointList *spans = polyNew(4);
    spans->points[0] = PolyPoint{0, 5};
    spans->points[1] = PolyPoint{3, 5};
    spans->points[2] = PolyPoint{-4, 1};
    spans->points[3] = PolyPoint{0, 1};
    EXPECT_TRUE(ramImageHistWithROI(&m.image, spans, 0) == NULL);
    EXPECT_TRUE(m.image.stats != NULL);

    // With keep the previous statistics are gone and not left dangling.
    EXPECT_TRUE(ramImageHistWithROI(&m.image, spans, 1) == NULL);
    EXPECT_TRUE(m.image.stats == NULL);
    EXPECT_TRUE(ramImageHistWithROI(&m.image, NULL, 0) == NULL);
    polyFree(spans);
}

/* ---- Through the row cache of a memory image ------------------------------------ */

TEST(BandStatsMemoryImage, StatisticsOfCachedRows)
{
    ImageHead head;
    initImageHead(&head);
    strcpy(head.file, "statsmem");
    head.pixel = PIXEL_SHORT;
    head.imgid = IMGID_BIL;
    head.bits = 16;
    head.rows = 3;
    head.columns = 4;
    head.nbands = 2;
    head.transparent = -1;
    head.dataFd = -1;
    int err = -1;
    RAMIMG *image = createRamImage(&head, NULL, &err);
    ASSERT_TRUE(image != NULL) << err;
    // Signed writers round halves away from zero: -5.5 stores -6.
    const float band0[3][4] = {{-5.5f, -3.5f, 0, 2}, {1, 1, 1, 1}, {7, 8, 9, -10.5f}};
    for (int r = 0; r < 3; r++) {
        ASSERT_EQ(4, putRowFloat(image, r, 0, 4, 0, band0[r]));
    }
    BandStats *stats = ramImageHist(image, HIST_REUSE, 1, 1);
    ASSERT_TRUE(stats != NULL);
    EXPECT_EQ(12.0, stats[0].count);
    EXPECT_EQ(9.0, stats[0].sum);
    EXPECT_EQ(-11.0, stats[0].min);
    EXPECT_EQ(9.0, stats[0].max);
    EXPECT_EQ(0.0, stats[1].max);

    PointList *spans = polyNew(4);
    spans->points[0] = PolyPoint{-1, 2};
    spans->points[1] = PolyPoint{2, 2};
    spans->points[2] = PolyPoint{3, 0};
    spans->points[3] = PolyPoint{30, 0};
    BandStats *roi = ramImageHistWithROI(image, spans, 0);
    ASSERT_TRUE(roi != NULL);
    EXPECT_EQ(3.0, roi[0].count);
    EXPECT_EQ(7.0 + 8 + 2, roi[0].sum);
    freeHist(roi, 2);
    polyFree(spans);
    freeRamImage(image);
}
