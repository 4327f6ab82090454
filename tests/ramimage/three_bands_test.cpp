/*
 * three_bands_test.cpp --
 *
 *	Three interleaved byte bands split into their rows and joined back,
 *	for every length around the vector widths: each byte lands where
 *	the plain element copy puts it and nothing past the rows changes.
 */
#include <gtest/gtest.h>

#include <vector>

#include "ramimage/three_bands.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST(ThreeBands, SplitAndJoinPutEveryByteWhereTheElementCopyDoes)
{
    const unsigned char fence = 0x5A;
    for (int n = 0; n <= 100; n++) {
        SCOPED_TRACE(n);
        Bytes pixels(3 * (size_t)n + 3, fence);
        for (size_t k = 0; k < 3 * (size_t)n; k++) {
            pixels[k] = (unsigned char)(k * 37 + n);
        }
        Bytes rows[3] = {Bytes((size_t)n + 1, fence), Bytes((size_t)n + 1, fence),
                         Bytes((size_t)n + 1, fence)};
        splitThreeBands(pixels.data(), rows[0].data(), rows[1].data(), rows[2].data(), n);
        for (int b = 0; b < 3; b++) {
            for (int k = 0; k < n; k++) {
                ASSERT_EQ(pixels[3 * (size_t)k + b], rows[b][(size_t)k]) << b << " " << k;
            }
            EXPECT_EQ(fence, rows[b][(size_t)n]);
        }

        Bytes joined(3 * (size_t)n + 3, fence);
        joinThreeBands(rows[0].data(), rows[1].data(), rows[2].data(), joined.data(), n);
        EXPECT_EQ(pixels, joined);
    }
}

}  // namespace
