/*
 * band_interleave_test.cpp --
 *
 *	Interleaved samples split into their band rows and joined back, for
 *	every sample width and band count the cache uses and every length
 *	around the vector widths: each byte lands where the plain element copy
 *	puts it and nothing past the rows changes.
 */
#include <gtest/gtest.h>

#include <vector>

#include "ramimage/band_interleave.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST(BandInterleave, SplitAndJoinPutEveryByteWhereTheElementCopyDoes)
{
    const unsigned char fence = 0x5A;
    for (int width : {1, 2, 4}) {
        for (int nbands = 2; nbands <= 4; nbands++) {
            for (int n = 0; n <= 100; n++) {
                SCOPED_TRACE(testing::Message() << width << "x" << nbands << " n=" << n);
                size_t pixel = (size_t)width * nbands;
                Bytes pixels(pixel * (size_t)n + pixel, fence);
                for (size_t k = 0; k < pixel * (size_t)n; k++) {
                    pixels[k] = (unsigned char)(k * 37 + n);
                }
                std::vector<Bytes> rows((size_t)nbands, Bytes((size_t)width * (n + 1), fence));
                unsigned char *out[4];
                const unsigned char *in[4];
                for (int b = 0; b < nbands; b++) {
                    out[b] = rows[(size_t)b].data();
                    in[b] = rows[(size_t)b].data();
                }
                splitBands(width, nbands, pixels.data(), out, n);
                for (int b = 0; b < nbands; b++) {
                    for (int k = 0; k < n; k++) {
                        for (int i = 0; i < width; i++) {
                            ASSERT_EQ(pixels[pixel * k + (size_t)b * width + i],
                                      rows[(size_t)b][(size_t)k * width + i])
                                << b << " " << k;
                        }
                    }
                    for (int i = 0; i < width; i++) {
                        EXPECT_EQ(fence, rows[(size_t)b][(size_t)n * width + i]);
                    }
                }

                Bytes joined(pixel * (size_t)n + pixel, fence);
                joinBands(width, nbands, in, joined.data(), n);
                EXPECT_EQ(pixels, joined);
            }
        }
    }
}

}  // namespace
