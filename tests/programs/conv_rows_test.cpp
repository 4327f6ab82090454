/*
 * conv_rows_test.cpp --
 *
 *	Weighted sums of rows give, column by column, the bits of the plain
 *	loop that adds the taps in order from zero: for every length around
 *	the vector widths, one to many taps, weights of both signs, and
 *	values whose sum changes if the order of the taps changes.
 */
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

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
    return a.size() == b.size() && memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
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
                    v = (r % 3 == 0) ? (float)(r % 256) : (float)(r - 32768) * (r % 5 == 0 ? 317.3f : 0.013f);
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

}  // namespace
