/*
 * conv_rows_test.cpp --
 *
 *	Weighted sums of rows give, column by column, the bits of the plain
 *	loop that adds the taps in order from zero: for every length around
 *	the vector widths, one to many taps, weights of both signs, and
 *	values whose sum changes if the order of the taps changes. Byte rows
 *	under whole-number weights give the bytes the float sums store as,
 *	up to the largest weights allowed.
 */
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "core/rounding.h"
#include "programs/conv_rows.h"

namespace {

std::vector<float> plainSums(int n, int taps, const float *const *rows, const float *weights)
{
    std::vector<float> out((size_t)n);
    for (int j = 0; j < n; j++) {
        float sum = 0.0f;
        for (int t = 0; t < taps; t++) {
            sum += weights[t] * rows[t][j];
        }
        out[(size_t)j] = sum;
    }
    return out;
}

bool sameBits(const std::vector<float> &a, const std::vector<float> &b)
{
    return a.size() == b.size()
        && (a.empty() || memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

TEST(ConvRows, EveryColumnHasTheBitsOfThePlainLoop)
{
    unsigned state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return (int)((state >> 8) & 0xFFFF);
    };
    for (int taps : {1, 2, 3, 9, 25}) {
        for (int n = 0; n <= 70; n++) {
            SCOPED_TRACE(std::to_string(taps) + " taps, " + std::to_string(n) + " columns");
            /* Values from tiny to 1e7 and weights of both signs, so that
             * rounding depends on the order of the additions. */
            std::vector<std::vector<float>> data((size_t)taps, std::vector<float>((size_t)n + 2));
            std::vector<const float *> rows;
            std::vector<float> weights;
            for (int t = 0; t < taps; t++) {
                for (float &v : data[(size_t)t]) {
                    int r = next();
                    float scale = r % 5 == 0 ? 317.3f : 0.013f;
                    v = (r % 3 == 0) ? (float)(r % 256) : (float)(r - 32768) * scale;
                }
                rows.push_back(data[(size_t)t].data() + t % 3);     /* shifted, unaligned */
                weights.push_back((float)(next() - 32768) / 4099.0f);
            }
            std::vector<float> got((size_t)n + 1, -7.0f);
            weightedRowSum(n, taps, rows.data(), weights.data(), got.data());
            EXPECT_EQ(-7.0f, got[(size_t)n]) << "wrote past the row";
            got.resize((size_t)n);
            EXPECT_TRUE(sameBits(plainSums(n, taps, rows.data(), weights.data()), got));
        }
    }
}

TEST(ConvRows, TapsAreAddedInTheirOrder)
{
    /* 1e8 + 1 - 1e8 + 1 is 1 in single precision taken left to right (the
     * first 1 is lost), 0 taken right to left. */
    std::vector<float> big(40, 1e8f), one(40, 1.0f), minus(40, -1e8f);
    const float *rows[4] = {big.data(), one.data(), minus.data(), one.data()};
    const float weights[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    std::vector<float> got(40, -7.0f);
    weightedRowSum(40, 4, rows, weights, got.data());
    EXPECT_EQ(std::vector<float>(40, 1.0f), got);
}

/* A float stored into a byte pixel: clamped, halves rounded up. */
unsigned char storedByte(float v)
{
    if (v >= 255.0f) {
        return 255;
    }
    if (v < 0.0f) {
        return 0;
    }
    return (unsigned char)clampToInt((double)v + 0.5);
}

TEST(ConvRows, WholeWeightsOnBytesStoreAsTheFloatSumsDo)
{
    unsigned state = 99;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return (int)((state >> 8) & 0xFFFF);
    };
    /* Weight lists up to the limit of their absolute sum, from one tap to 25. */
    std::vector<std::vector<short>> weightLists = {
        {128}, {-128}, {64, -64}, {-64, 64}, {1, 2, 1, 2, 4, 2, 1, 2, 1},
        {-1, -1, -1, -1, 8, -1, -1, -1, -1}, {0, 0, 0}, {127, -1}, {-100, 28},
    };
    for (int taps : {2, 9, 25}) {
        for (int round = 0; round < 4; round++) {
            std::vector<short> weights;
            int room = CONV_WHOLE_WEIGHT_LIMIT;
            for (int t = 0; t < taps; t++) {
                int w = room > 0 ? next() % (room + 1) : 0;
                room -= w;
                weights.push_back((short)(next() % 2 ? -w : w));
            }
            weightLists.push_back(weights);
        }
    }
    for (const std::vector<short> &weights : weightLists) {
        int taps = (int)weights.size();
        std::vector<float> floatWeights(weights.begin(), weights.end());
        for (int n : {0, 1, 15, 16, 17, 31, 32, 33, 70}) {
            SCOPED_TRACE(std::to_string(taps) + " taps, weights from " + std::to_string(weights[0])
                         + ", " + std::to_string(n) + " columns");
            /* Random bytes, with runs of 0 and 255 to reach the extreme sums. */
            std::vector<std::vector<unsigned char>> data((size_t)taps,
                                                         std::vector<unsigned char>((size_t)n + 2));
            std::vector<std::vector<float>> asFloats((size_t)taps);
            std::vector<const unsigned char *> rows;
            std::vector<const float *> floatRows;
            for (int t = 0; t < taps; t++) {
                for (size_t k = 0; k < data[(size_t)t].size(); k++) {
                    int kind = (int)(k / 8 + t) % 3;
                    data[(size_t)t][k] = kind == 0 ? 255 : kind == 1 ? 0 : (unsigned char)next();
                    if (weights[(size_t)t] < 0 && kind == 0) {
                        data[(size_t)t][k] = 0;
                    }
                }
                asFloats[(size_t)t].assign(data[(size_t)t].begin(), data[(size_t)t].end());
                rows.push_back(data[(size_t)t].data() + t % 2);
                floatRows.push_back(asFloats[(size_t)t].data() + t % 2);
            }
            std::vector<float> sums((size_t)n);
            weightedRowSum(n, taps, floatRows.data(), floatWeights.data(), sums.data());
            std::vector<unsigned char> want((size_t)n);
            for (int j = 0; j < n; j++) {
                want[(size_t)j] = storedByte(sums[(size_t)j]);
            }
            for (auto sum : {wholeWeightedRowSum, wholeWeightedRowSumPortable}) {
                std::vector<unsigned char> got((size_t)n + 1, 0xA5);
                sum(n, taps, rows.data(), weights.data(), got.data());
                EXPECT_EQ(0xA5, got[(size_t)n]) << "wrote past the row";
                got.resize((size_t)n);
                EXPECT_EQ(want, got);
            }
        }
    }
}

}  // namespace
