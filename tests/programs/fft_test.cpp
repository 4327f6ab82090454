/*
 * fft_test.cpp --
 *
 *	The FFT kernel (transforms, centring, the row and column passes) and
 *	FFT image files (creating, opening, blocks of rows, column segments,
 *	header statistics), and the chunked block reader and writer.
 */
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <vector>

#include "programs/fft_file.h"
#include "programs/fft_kernel.h"
#include "programs/fft_lanes.h"
#include "ramimage/formats/raw_fixtures.h"

namespace {

using namespace raw_fixtures;
typedef std::vector<float> Floats;

/* Tables of both kinds for n. */
struct Twiddles {
    std::vector<double> cosTable, sinTable;
    Twiddles(int n, int direction) : cosTable((size_t)n), sinTable((size_t)n)
    {
        fftTwiddles(n, direction, cosTable.data(), sinTable.data());
    }
};

/* The direct sum X(j) = sum x(k) e^(+2 pi i jk / n). */
Floats directTransform(const Floats &x)
{
    int n = (int)x.size() / 2;
    Floats out(x.size());
    for (int j = 0; j < n; j++) {
        std::complex<double> sum = 0;
        for (int k = 0; k < n; k++) {
            sum += std::complex<double>(x[2 * k], x[2 * k + 1])
                   * std::polar(1.0, 2.0 * M_PI * j * k / n);
        }
        out[2 * j] = (float)sum.real();
        out[2 * j + 1] = (float)sum.imag();
    }
    return out;
}

Floats ramp(int n, unsigned seed)
{
    Floats x((size_t)n * 2);
    for (size_t i = 0; i < x.size(); i++) {
        x[i] = (float)((i * 37 + seed * 11) % 23) - 11.0f;
    }
    return x;
}

TEST(FftKernel, TwiddleTablesHoldTheAnglesOfEveryLength)
{
    Twiddles forward(8, 1), inverse(8, -1);
    for (int k = 1; k <= 8; k++) {
        EXPECT_DOUBLE_EQ(cos(2.0 * 3.141592653589793 / k), forward.cosTable[k - 1]);
        EXPECT_DOUBLE_EQ(sin(2.0 * 3.141592653589793 / k), forward.sinTable[k - 1]);
        EXPECT_DOUBLE_EQ(-forward.sinTable[k - 1], inverse.sinTable[k - 1]);
    }
}

TEST(FftKernel, ForwardMatchesTheDirectSumAndInverseGivesTheInputBack)
{
    for (int n : {1, 2, 4, 8, 64}) {
        Floats x = ramp(n, (unsigned)n);
        Floats y = x;
        Twiddles forward(n, 1), inverse(n, -1);
        fftComplex(n, y.data(), 1, forward.cosTable.data(), forward.sinTable.data());
        Floats expected = directTransform(x);
        for (size_t i = 0; i < y.size(); i++) {
            EXPECT_NEAR(expected[i], y[i], 1e-3 * n) << "n " << n << " at " << i;
        }
        fftComplex(n, y.data(), -1, inverse.cosTable.data(), inverse.sinTable.data());
        for (size_t i = 0; i < y.size(); i++) {
            EXPECT_NEAR(x[i], y[i], 1e-4) << "n " << n << " at " << i;
        }
    }
}

TEST(FftKernel, RowPassCentresAConstantLine)
{
    const int n = 8;
    Twiddles forward(n, 1), inverse(n, -1);
    Floats line((size_t)n * 2);
    for (int k = 0; k < n; k++) {
        line[2 * k] = 3.0f;
        line[2 * k + 1] = -1.0f;
    }
    ASSERT_EQ(1, fftRows(line.data(), forward.sinTable.data(), forward.cosTable.data(), 1, n, 1));
    for (int j = 0; j < n; j++) {
        EXPECT_FLOAT_EQ(j == n / 2 ? 24.0f : 0.0f, line[2 * j]) << j;
        EXPECT_FLOAT_EQ(j == n / 2 ? -8.0f : 0.0f, line[2 * j + 1]) << j;
    }
    ASSERT_EQ(1, fftRows(line.data(), inverse.sinTable.data(), inverse.cosTable.data(), 1, n, -1));
    for (int k = 0; k < n; k++) {
        EXPECT_FLOAT_EQ(3.0f, line[2 * k]);
        EXPECT_FLOAT_EQ(-1.0f, line[2 * k + 1]);
    }
}

TEST(FftKernel, LinesOfLengthOneAreUnchanged)
{
    Twiddles forward(1, 1), inverse(1, -1);
    Floats data = {2.5f, -7.0f, 4.0f, 1.0f};
    Floats original = data;
    fftRows(data.data(), forward.sinTable.data(), forward.cosTable.data(), 2, 1, 1);
    fftColumns(data.data(), inverse.sinTable.data(), inverse.cosTable.data(), 1, 2, -1);
    EXPECT_EQ(original, data);
}

TEST(FftKernel, TwoDimensionalRoundTripAndCentredZeroFrequency)
{
    const int rows = 4, columns = 8;
    Floats data((size_t)rows * columns * 2);
    for (size_t i = 0; i < data.size(); i += 2) {
        data[i] = 1.0f;
    }
    Floats original = ramp(rows * columns, 3);
    Twiddles rowsForward(columns, 1), rowsInverse(columns, -1);
    Twiddles colsForward(rows, 1), colsInverse(rows, -1);

    /* A constant image: all its energy at (rows/2, columns/2). */
    fftRows(data.data(), rowsForward.sinTable.data(), rowsForward.cosTable.data(), rows, columns, 1);
    fftColumns(data.data(), colsForward.sinTable.data(), colsForward.cosTable.data(), rows, columns, 1);
    for (int r = 0; r < rows; r++) {
        for (int c = 0; c < columns; c++) {
            bool centre = r == rows / 2 && c == columns / 2;
            EXPECT_FLOAT_EQ(centre ? 32.0f : 0.0f, data[2 * (r * columns + c)]) << r << "," << c;
        }
    }

    data = original;
    fftRows(data.data(), rowsForward.sinTable.data(), rowsForward.cosTable.data(), rows, columns, 1);
    fftColumns(data.data(), colsForward.sinTable.data(), colsForward.cosTable.data(), rows, columns, 1);
    fftColumns(data.data(), colsInverse.sinTable.data(), colsInverse.cosTable.data(), rows, columns, -1);
    fftRows(data.data(), rowsInverse.sinTable.data(), rowsInverse.cosTable.data(), rows, columns, -1);
    for (size_t i = 0; i < data.size(); i++) {
        EXPECT_NEAR(original[i], data[i], 1e-4) << i;
    }
}

/* ---- The vector kernels against the plain radix-2 transform ------------ */

/*
 * plainTransform --
 *	The transform as the FFT image files were always written: the
 *	centring swap of an inverse, bit reversal, radix-2 stages whose
 *	twiddle advances by one double-precision complex multiplication from
 *	the tabulated step, products rounded to float before they meet the
 *	data, the division of an inverse, the centring swap of a forward
 *	transform. Every kernel set must give these bits.
 */
Floats plainTransform(const Floats &line, int direction)
{
    int n = (int)line.size() / 2, half = n / 2;
    Twiddles tables(n, direction);
    Floats x((size_t)n * 2);
    for (int p = 0; p < n; p++) {
        int to = direction > 0 ? p : (p + half) % n;
        x[2 * to] = line[2 * p];
        x[2 * to + 1] = line[2 * p + 1];
    }
    for (int i = 1, j = 0; i < n; i++) {
        int bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(x[2 * i], x[2 * j]);
            std::swap(x[2 * i + 1], x[2 * j + 1]);
        }
    }
    for (int length = 2; length <= n; length <<= 1) {
        int h = length / 2;
        double stepRe = tables.cosTable[length - 1], stepIm = tables.sinTable[length - 1];
        double wRe = 1.0, wIm = 0.0;
        for (int m = 0; m < h; m++) {
            for (int base = 0; base < n; base += length) {
                float *low = &x[2 * (size_t)(base + m)], *high = &x[2 * (size_t)(base + m + h)];
                volatile double pr = wRe * high[0], pi = wIm * high[1];
                volatile double qr = wRe * high[1], qi = wIm * high[0];
                float tRe = (float)(pr - pi), tIm = (float)(qr + qi);
                float aRe = low[0], aIm = low[1];
                high[0] = aRe - tRe;
                high[1] = aIm - tIm;
                low[0] = aRe + tRe;
                low[1] = aIm + tIm;
            }
            double previous = wRe;
            volatile double a = wRe * stepRe, b = wIm * stepIm;
            volatile double c = wIm * stepRe, d = previous * stepIm;
            wRe = a - b;
            wIm = c + d;
        }
    }
    Floats out((size_t)n * 2);
    for (int j = 0; j < n; j++) {
        int to = direction > 0 ? (j + half) % n : j;
        out[2 * to] = direction > 0 ? x[2 * j] : x[2 * j] / (float)n;
        out[2 * to + 1] = direction > 0 ? x[2 * j + 1] : x[2 * j + 1] / (float)n;
    }
    return out;
}

/* Values of every magnitude and sign, zeros of both signs among them. */
Floats mixedValues(size_t count, unsigned seed)
{
    Floats values(count);
    unsigned state = seed * 2654435761u + 1;
    for (size_t i = 0; i < count; i++) {
        state = state * 1664525u + 1013904223u;
        int kind = (int)(state >> 28);
        float fraction = (float)((state >> 8) & 0xffff) / 65536.0f;
        float magnitude = std::ldexp(fraction, (int)(state % 24) - 8);
        values[i] = kind == 0 ? 0.0f : kind == 1 ? -0.0f : (kind & 1) ? -magnitude : magnitude;
    }
    return values;
}

bool sameBits(const Floats &a, const Floats &b)
{
    return a.size() == b.size() && memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

TEST(FftLanes, EveryKernelSetGivesThePlainTransformsBits)
{
    ASSERT_GE(fftLaneKernelCount(), 1);
    EXPECT_STREQ("portable", fftLaneKernelAt(0)->name);
    EXPECT_EQ(fftLaneKernelAt(fftLaneKernelCount() - 1), fftLaneKernel());
    /* Line lengths with odd and even stage counts; line counts of full
     * groups, partial groups and both. */
    struct Shape {
        int length, lines;
    } shapes[] = {{1, 3},   {1, 16},  {2, 16}, {4, 5},   {4, 16},   {8, 16},   {8, 17},
                  {16, 33}, {32, 16}, {64, 20}, {128, 1}, {512, 32}, {1024, 18}};
    for (int k = 0; k < fftLaneKernelCount(); k++) {
        const FftLaneKernel *kernel = fftLaneKernelAt(k);
        for (const Shape &shape : shapes) {
            for (int direction : {1, -1}) {
                SCOPED_TRACE(std::string(kernel->name) + " length " + std::to_string(shape.length)
                             + " lines " + std::to_string(shape.lines) + " direction "
                             + std::to_string(direction));
                int n = shape.length, count = shape.lines;
                Twiddles tables(n, direction);
                Floats data = mixedValues((size_t)n * count * 2, (unsigned)(n + count));
                /* Rows: line q is row q. */
                Floats rows = data;
                ASSERT_EQ(1, fftRowsWith(kernel, rows.data(), tables.sinTable.data(),
                                         tables.cosTable.data(), count, n, direction));
                for (int q = 0; q < count; q++) {
                    Floats line(data.begin() + 2 * (size_t)q * n,
                                data.begin() + 2 * (size_t)(q + 1) * n);
                    Floats got(rows.begin() + 2 * (size_t)q * n,
                               rows.begin() + 2 * (size_t)(q + 1) * n);
                    ASSERT_TRUE(sameBits(plainTransform(line, direction), got)) << "row " << q;
                }
                /* Columns: the same values as an n x count array. */
                Floats columns = data;
                ASSERT_EQ(1, fftColumnsWith(kernel, columns.data(), tables.sinTable.data(),
                                            tables.cosTable.data(), n, count, direction));
                for (int q = 0; q < count; q++) {
                    Floats line((size_t)n * 2), got((size_t)n * 2);
                    for (int p = 0; p < n; p++) {
                        size_t at = 2 * ((size_t)p * count + q);
                        line[2 * p] = data[at];
                        line[2 * p + 1] = data[at + 1];
                        got[2 * p] = columns[at];
                        got[2 * p + 1] = columns[at + 1];
                    }
                    ASSERT_TRUE(sameBits(plainTransform(line, direction), got)) << "column " << q;
                }
            }
        }
    }
}

TEST(FftLanes, LinesTooLongForTheWorkAreaGoOneAtATimeWithTheSameBits)
{
    const int n = 131072;
    for (int direction : {1, -1}) {
        Twiddles tables(n, direction);
        Floats data = mixedValues((size_t)n * 2 * 2, 7);
        Floats rows = data;
        ASSERT_EQ(1, fftRows(rows.data(), tables.sinTable.data(), tables.cosTable.data(), 2, n,
                             direction));
        for (int q = 0; q < 2; q++) {
            Floats line(data.begin() + 2 * (size_t)q * n, data.begin() + 2 * (size_t)(q + 1) * n);
            Floats got(rows.begin() + 2 * (size_t)q * n, rows.begin() + 2 * (size_t)(q + 1) * n);
            EXPECT_TRUE(sameBits(plainTransform(line, direction), got)) << direction << " " << q;
        }
    }
}

TEST(FftLanes, NonSquareArrayMatchesTheDirectTwoDimensionalSum)
{
    /* 8 rows of 16: X(u, v) = sum x(r, c) e^(+2 pi i (u r / 8 + v c / 16)),
     * zero frequency at (4, 8). */
    const int rows = 8, columns = 16;
    Floats x = ramp(rows * columns, 5);
    for (int k = 0; k < fftLaneKernelCount(); k++) {
        const FftLaneKernel *kernel = fftLaneKernelAt(k);
        SCOPED_TRACE(kernel->name);
        Floats data = x;
        Twiddles rowTables(columns, 1), columnTables(rows, 1);
        fftRowsWith(kernel, data.data(), rowTables.sinTable.data(), rowTables.cosTable.data(),
                    rows, columns, 1);
        fftColumnsWith(kernel, data.data(), columnTables.sinTable.data(),
                       columnTables.cosTable.data(), rows, columns, 1);
        for (int u = 0; u < rows; u++) {
            for (int v = 0; v < columns; v++) {
                std::complex<double> sum = 0;
                for (int r = 0; r < rows; r++) {
                    for (int c = 0; c < columns; c++) {
                        size_t at = 2 * ((size_t)r * columns + c);
                        sum += std::complex<double>(x[at], x[at + 1])
                               * std::polar(1.0, 2.0 * M_PI * ((double)u * r / rows
                                                               + (double)v * c / columns));
                    }
                }
                size_t at = 2 * ((size_t)((u + rows / 2) % rows) * columns
                                 + (size_t)((v + columns / 2) % columns));
                EXPECT_NEAR(sum.real(), data[at], 1e-3) << u << "," << v;
                EXPECT_NEAR(sum.imag(), data[at + 1], 1e-3) << u << "," << v;
            }
        }
        /* And back. */
        Twiddles rowInverse(columns, -1), columnInverse(rows, -1);
        fftColumnsWith(kernel, data.data(), columnInverse.sinTable.data(),
                       columnInverse.cosTable.data(), rows, columns, -1);
        fftRowsWith(kernel, data.data(), rowInverse.sinTable.data(), rowInverse.cosTable.data(),
                    rows, columns, -1);
        for (size_t i = 0; i < x.size(); i++) {
            EXPECT_NEAR(x[i], data[i], 1e-4) << i;
        }
    }
}

/* ---- FFT image files --------------------------------------------------- */

class FftFile : public RawFormatTest {
protected:
    FftHeader header(int rows, int columns)
    {
        FftHeader head;
        memset(&head, 0, sizeof head);
        memcpy(head.magic, FFT_MAGIC, FFT_MAGIC_SIZE);
        snprintf(head.source, sizeof head.source, "source.img");
        head.band = 1;
        head.rows = rows;
        head.columns = columns;
        head.sourceRows = rows - 1;
        head.sourceColumns = columns - 1;
        head.kind = SFRI;
        head.maxRe = head.maxIm = -INFINITY;
        head.minRe = head.minIm = INFINITY;
        return head;
    }
};

TEST_F(FftFile, BlocksAndSegmentsLandAtTheirElements)
{
    std::string file = path("a.fft");
    FftHeader head = header(4, 4);
    int fd = createFftFile(file.c_str(), &head);
    ASSERT_GE(fd, 0) << stderrText();
    EXPECT_EQ(SFRI, head.kind);

    /* Rows 1 and 2 as a block: element (r, c) = (10r + c, -(10r + c)). */
    Floats block(2 * 4 * 2);
    for (int r = 1; r <= 2; r++) {
        for (int c = 0; c < 4; c++) {
            block[(size_t)((r - 1) * 4 + c) * 2] = (float)(10 * r + c);
            block[(size_t)((r - 1) * 4 + c) * 2 + 1] = -(float)(10 * r + c);
        }
    }
    ASSERT_EQ(1, PutFFTFileBlock(&head, fd, block.data(), 1, 2, 0));
    /* Column 3 of every row as a segment. */
    Floats segment = {100, 101, 110, 111, 120, 121, 130, 131};
    ASSERT_EQ(1, PutFFTFileSeg(&head, fd, segment.data(), 3, 1, 0));
    ASSERT_EQ(1, PutFFTHead(&head, fd));

    Bytes bytes = registry_fixtures::readFile(file);
    ASSERT_EQ(1024u + 4 * 4 * 8, bytes.size());
    float value;
    memcpy(&value, &bytes[(size_t)fftElementOffset(&head, 2, 1)], 4);
    EXPECT_EQ(21.0f, value);
    memcpy(&value, &bytes[(size_t)fftElementOffset(&head, 2, 3) + 4], 4);
    EXPECT_EQ(121.0f, value);

    Floats read(2 * 4 * 2);
    ASSERT_EQ(read.data(), GetFFTFileBlock(&head, fd, read.data(), 1, 2));
    EXPECT_EQ(11.0f, read[2]);
    EXPECT_EQ(-22.0f, read[(4 + 2) * 2 + 1]);
    EXPECT_EQ(110.0f, read[3 * 2]);
    Floats column(4 * 2 * 2);
    ASSERT_EQ(column.data(), GetFFTFileSeg(&head, fd, column.data(), 2, 2));
    EXPECT_EQ((Floats{0, 0, 100, 101, 12, -12, 110, 111, 22, -22, 120, 121, 0, 0, 130, 131}), column);
    close(fd);
    EXPECT_EQ("", stderrText());
}

TEST_F(FftFile, ABlockWrittenAndReleasedLandsAsAPlainBlockWrite)
{
    /* 96 rows of 4096 values, 3 MiB: more than one piece, pieces ending
     * on 2 MiB boundaries of the buffer. */
    const int rows = 96, columns = 4096;
    Floats values = mixedValues((size_t)rows * columns * 2, 3);
    std::string plainFile = path("plain.fft"), releasedFile = path("released.fft");
    FftHeader plain = header(rows, columns), released = header(rows, columns);
    int plainFd = createFftFile(plainFile.c_str(), &plain);
    int releasedFd = createFftFile(releasedFile.c_str(), &released);
    ASSERT_GE(plainFd, 0);
    ASSERT_GE(releasedFd, 0);
    ASSERT_EQ(1, PutFFTFileBlock(&plain, plainFd, values.data(), 0, rows, 1));
    Floats buffer = values;
    ASSERT_EQ(1, PutFFTFileBlockReleasing(&released, releasedFd, buffer.data(), 0, rows, 1));
    ASSERT_EQ(1, PutFFTHead(&plain, plainFd));
    ASSERT_EQ(1, PutFFTHead(&released, releasedFd));
    close(plainFd);
    close(releasedFd);
    EXPECT_TRUE(registry_fixtures::readFile(plainFile)
                == registry_fixtures::readFile(releasedFile));
    /* The buffer's whole pages are gone. */
    size_t middle = buffer.size() / 2, nonzero = 0;
    for (size_t i = middle; i < middle + 1024; i++) {
        nonzero += values[i] != 0.0f;
        EXPECT_EQ(0.0f, buffer[i]) << i;
    }
    EXPECT_GT(nonzero, 512u);
    EXPECT_EQ("", stderrText());
}

TEST_F(FftFile, StatisticsFoldRowsIntoRunningMeans)
{
    FftHeader head = header(1, 4);
    Floats rising = {1, 10, 2, 20, 3, 30};
    fftHeaderStats(&head, 3, rising.data());
    EXPECT_EQ(1.0, head.minRe);
    EXPECT_EQ(3.0, head.maxRe);
    EXPECT_EQ(10.0, head.minIm);
    EXPECT_EQ(30.0, head.maxIm);
    EXPECT_EQ(3.0, head.count);
    EXPECT_DOUBLE_EQ(2.0, head.meanRe);
    EXPECT_DOUBLE_EQ(20.0, head.meanIm);
    EXPECT_DOUBLE_EQ(14.0 / 3.0, head.stdRe);      /* mean square while accumulating */
    Floats more = {-6, 0};
    fftHeaderStats(&head, 1, more.data());
    EXPECT_EQ(-6.0, head.minRe);
    EXPECT_EQ(4.0, head.count);
    EXPECT_DOUBLE_EQ(0.0, head.meanRe);
    EXPECT_DOUBLE_EQ(15.0, head.meanIm);
    EXPECT_DOUBLE_EQ(50.0 / 4.0, head.stdRe);

    /* Written blocks fold their rows in. */
    std::string file = path("s.fft");
    FftHeader written = header(2, 2);
    int fd = createFftFile(file.c_str(), &written);
    ASSERT_GE(fd, 0);
    Floats rows = {1, 0, 2, 0, 3, 0, 4, 0};
    ASSERT_EQ(1, PutFFTFileBlock(&written, fd, rows.data(), 0, 2, 1));
    EXPECT_EQ(4.0, written.count);
    EXPECT_DOUBLE_EQ(2.5, written.meanRe);
    Floats segment = {8, 1, 9, 1};
    ASSERT_EQ(1, PutFFTFileSeg(&written, fd, segment.data(), 1, 1, 1));
    EXPECT_EQ(6.0, written.count);
    EXPECT_EQ(9.0, written.maxRe);
    close(fd);
}

/* The statistics one value at a time, as the header always folded them. */
void plainStats(FftHeader *head, int count, const float *elements)
{
    double sumRe = 0.0, sumIm = 0.0, sumSqRe = 0.0, sumSqIm = 0.0;
    for (int i = 0; i < count; i++) {
        float x = elements[2 * i], y = elements[2 * i + 1];
        if (x > head->maxRe) {
            head->maxRe = x;
        }
        if (x < head->minRe) {
            head->minRe = x;
        }
        if (y > head->maxIm) {
            head->maxIm = y;
        }
        if (y < head->minIm) {
            head->minIm = y;
        }
        sumRe += x;
        sumIm += y;
        sumSqRe += (double)x * x;
        sumSqIm += (double)y * y;
    }
    double before = head->count, after = before + count;
    head->meanRe = head->meanRe * (before / after) + sumRe / count * (count / after);
    head->meanIm = head->meanIm * (before / after) + sumIm / count * (count / after);
    head->stdRe = head->stdRe * (before / after) + sumSqRe / count * (count / after);
    head->stdIm = head->stdIm * (before / after) + sumSqIm / count * (count / after);
    head->count = after;
}

TEST_F(FftFile, RunsSummedSideBySideGiveTheStatisticsOfOneValueAtATime)
{
    /* Run counts below, at and past the sixteen summed at once; run
     * lengths with and without a tail past a multiple of eight; zeros of
     * both signs (the first of equal extremes is kept), infinities and,
     * in the last case, a NaN. */
    struct Case {
        int runs, length, stride;
        bool nan, zeroExtremes;
    } cases[] = {{1, 5, 5, false, false},    {3, 8, 8, false, false},
                 {16, 8, 8, false, true},    {17, 13, 20, false, false},
                 {35, 128, 4096, false, false}, {40, 3, 3, false, true},
                 {32, 24, 24, false, true},  {20, 64, 64, true, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.runs) + " runs of " + std::to_string(c.length));
        Floats values =
            mixedValues((size_t)c.runs * c.stride * 2, (unsigned)(c.runs * 31 + c.length));
        if (c.zeroExtremes) {
            /* Real parts not below zero, imaginary parts not above: the
             * smallest real part and the largest imaginary part are zeros
             * of either sign. */
            for (size_t i = 0; i < values.size(); i++) {
                if (values[i] != 0.0f) {
                    values[i] = (i & 1) ? -std::fabs(values[i]) : std::fabs(values[i]);
                }
            }
        } else {
            values[3] = INFINITY;
            values[(size_t)c.stride * 2 * (c.runs - 1)] = -INFINITY;
        }
        if (c.nan) {
            values[values.size() / 2 & ~(size_t)1] = NAN;
        }
        FftHeader expected = header(4, 4), got = header(4, 4);
        /* What earlier runs left. */
        expected.count = got.count = 6;
        expected.meanRe = got.meanRe = 0.5;
        for (int r = 0; r < c.runs; r++) {
            plainStats(&expected, c.length, values.data() + 2 * (size_t)r * c.stride);
        }
        fftHeaderStatsRows(&got, c.runs, c.length, values.data(), (size_t)c.stride);
        EXPECT_EQ(0, memcmp(&expected, &got, sizeof expected));
        EXPECT_EQ(std::signbit(expected.maxIm), std::signbit(got.maxIm));
        EXPECT_EQ(std::signbit(expected.minRe), std::signbit(got.minRe));
    }
}

TEST_F(FftFile, OpenRefusesShortFilesAndOtherMagics)
{
    std::string shortFile = write("short.fft", Bytes(1000, 0));
    FftHeader head;
    EXPECT_EQ(-1, openFftFile(shortFile.c_str(), &head));
    EXPECT_EQ(shortFile + ": Unexpected end of file\n", stderrText());

    Tcl_Eval(console, "set ::stderr {}");
    Bytes other(1024, 0);
    memcpy(other.data(), "FFT IMAGE FILF", 14);
    std::string otherFile = write("other.fft", other);
    EXPECT_EQ(-1, openFftFile(otherFile.c_str(), &head));
    EXPECT_EQ("Not an FFT image file!\n", stderrText());

    Tcl_Eval(console, "set ::stderr {}");
    std::string missing = path("missing.fft");
    EXPECT_EQ(-1, openFftFile(missing.c_str(), &head));
    EXPECT_EQ(missing + ": No such file or directory\n", stderrText());
}

TEST_F(FftFile, CreateOnATooSmallDiskLeavesAnEmptyFile)
{
    Bytes old(5000, 7);
    memcpy(old.data(), "FFT IMAGE FILE", 15);
    std::string file = write("full.fft", old);
    FftHeader head = header(1 << 30, 1 << 20);
    EXPECT_EQ(-1, createFftFile(file.c_str(), &head));
    EXPECT_EQ(0u, stderrText().find("Insufficient disk space.\nRquest: 9007199254742016  Available: "))
        << stderrText();
    EXPECT_TRUE(registry_fixtures::readFile(file).empty());
}

TEST_F(FftFile, ReadsAndWritesOutsideTheFileAreRefused)
{
    std::string file = path("r.fft");
    FftHeader head = header(2, 2);
    int fd = createFftFile(file.c_str(), &head);
    ASSERT_GE(fd, 0);
    Floats buffer(64);
    EXPECT_EQ(nullptr, GetFFTFileBlock(&head, fd, buffer.data(), 1, 2));
    EXPECT_EQ(nullptr, GetFFTFileBlock(&head, fd, buffer.data(), -1, 1));
    EXPECT_EQ(nullptr, GetFFTFileSeg(&head, fd, buffer.data(), 1, 2));
    EXPECT_EQ(0, PutFFTFileBlock(&head, fd, buffer.data(), 2, 1, 0));
    EXPECT_EQ(0, PutFFTFileSeg(&head, fd, buffer.data(), -1, 1, 0));
    /* Rows the file does not hold yet read short. */
    Tcl_Eval(console, "set ::stderr {}");
    EXPECT_EQ(nullptr, GetFFTFileBlock(&head, fd, buffer.data(), 0, 1));
    EXPECT_EQ("read error in GetFFTFileBlock", stderrText());
    close(fd);
}

TEST_F(FftFile, ChunkedReadsStopAtTheFirstShortChunk)
{
    Bytes data(2 * 32768 + 100);
    for (size_t i = 0; i < data.size(); i++) {
        data[i] = (unsigned char)(i * 13);
    }
    std::string file = write("chunks.bin", data);
    int fd = open(file.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    Bytes buffer(data.size() + 1000);
    EXPECT_EQ((int64_t)data.size(), getFileData(fd, buffer.data(), (int64_t)data.size(), 0));
    EXPECT_EQ(0, memcmp(data.data(), buffer.data(), data.size()));
    /* Asking for more: the third chunk reads short and is not counted. */
    EXPECT_EQ(65536, getFileData(fd, buffer.data(), (int64_t)data.size() + 1000, 0));
    EXPECT_EQ("read in getFileData: Unexpected end of file\n", stderrText());
    /* -1 reads at the current position. */
    ASSERT_EQ(10, lseek(fd, 10, SEEK_SET));
    EXPECT_EQ(5, getFileData(fd, buffer.data(), 5, -1));
    EXPECT_EQ(data[10], buffer[0]);

    Bytes fresh(40000, 0x5A);
    EXPECT_EQ(40000, putFileData(fd, fresh.data(), 40000, 100));
    Bytes after = registry_fixtures::readFile(file);
    EXPECT_EQ(0x5A, after[100]);
    EXPECT_EQ(0x5A, after[40099]);
    EXPECT_EQ(data[40100], after[40100]);
    EXPECT_EQ(0, getFileData(fd, buffer.data(), -1, 0));
    close(fd);

    Tcl_Eval(console, "set ::stderr {}");
    int full = open("/dev/full", O_WRONLY);
    if (full >= 0) {
        EXPECT_EQ(0, putFileData(full, fresh.data(), 40000, -1));
        EXPECT_EQ("putFileData error in write\n", stderrText());
        close(full);
    }
}

}  // namespace
