/*
 * float_bytes_test.cpp --
 *
 *	Floats stored as bytes a vector at a time give the bytes of the
 *	double-precision rule (clamp, then the whole part of v + 0.5) for
 *	every kind of float: the neighbours of every half and whole number
 *	of the range, the specials, and a sweep over the whole bit space;
 *	for every count, so that the vector and the leftover paths both run.
 */
#include <gtest/gtest.h>

#include <math.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "core/rounding.h"
#include "ramimage/float_bytes.h"

namespace {

unsigned char expectedByte(float v)
{
    if (v >= 255.0f) {
        return 255;
    }
    if (v < 0.0f) {
        return 0;
    }
    return (unsigned char)clampToInt((double)v + 0.5);
}

/* Converts values in runs of every length up to 40, so each value is met
 * by the vector loop and by the leftover loop; checks every byte and
 * that nothing past a run is written. */
void expectConverted(const std::vector<float> &values)
{
    std::vector<unsigned char> out(values.size() + 1);
    for (size_t run = 1; run <= 40; run += 13) {
        for (size_t at = 0; at < values.size(); at += run) {
            size_t n = std::min(run, values.size() - at);
            out[at + n] = 0xA5;
            floatsToBytes(values.data() + at, (int)n, out.data() + at);
            ASSERT_EQ(0xA5, out[at + n]) << "wrote past " << n;
        }
        for (size_t k = 0; k < values.size(); k++) {
            ASSERT_EQ(expectedByte(values[k]), out[k])
                << "value " << values[k] << " bits " << std::hex
                << [&] { uint32_t b; memcpy(&b, &values[k], 4); return b; }() << " run " << run;
        }
    }
}

TEST(FloatBytes, NeighboursOfEveryHalfAndWholeNumberRoundAsInDouble)
{
    std::vector<float> values;
    for (int twice = -4; twice <= 520; twice++) {
        float centre = (float)twice / 2.0f;
        float below = centre, above = centre;
        values.push_back(centre);
        for (int step = 0; step < 24; step++) {
            below = nextafterf(below, -INFINITY);
            above = nextafterf(above, INFINITY);
            values.push_back(below);
            values.push_back(above);
        }
    }
    expectConverted(values);
}

TEST(FloatBytes, SpecialValuesClampOrBecomeZero)
{
    float tiny = 1e-45f;                 /* the smallest denormal */
    std::vector<float> values = {
        NAN, -NAN, INFINITY, -INFINITY, 0.0f, -0.0f, tiny, -tiny, 0.49999997f, 0.5f,
        254.49998f, 254.5f, 254.99998f, 255.0f, 255.5f, 256.0f, 1e30f, -1e30f, 3.4028235e38f,
    };
    expectConverted(values);
}

TEST(FloatBytes, ASweepOverTheWholeBitSpace)
{
    std::vector<float> values;
    values.reserve(1 << 20);
    for (uint64_t bits = 0; bits < (1ull << 32); bits += 4093) {
        uint32_t b = (uint32_t)bits;
        float v;
        memcpy(&v, &b, sizeof v);
        values.push_back(v);
    }
    expectConverted(values);
}

}  // namespace
