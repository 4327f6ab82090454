#include <gtest/gtest.h>

#include <vector>

#include "ramimage/packbits.h"
#include "ramimage/ramimg.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Case {
    const char *name;
    Bytes source;
    size_t room;
    Bytes decoded;
};

const Case cases[] = {
    {"run of three", {0xFE, 0xAA}, 16, {0xAA, 0xAA, 0xAA}},
    {"literal of three", {0x02, 1, 2, 3}, 16, {1, 2, 3}},
    {"-128 is skipped", {0x80, 0x00, 5, 0x80}, 16, {5}},
    {"longest run", {0x81, 7}, 200, Bytes(128, 7)},
    {"run cut at the end of the output", {0xFD, 0x11, 0x00, 9}, 2, {0x11, 0x11}},
    {"literal cut at the end of the output", {0x03, 1, 2, 3, 4}, 3, {1, 2, 3}},
    {"source ends inside a literal", {0x03, 1, 2}, 16, {1, 2}},
    {"source ends before a run byte", {0xFE}, 16, {}},
    {"mixed", {0x01, 9, 8, 0xFF, 4, 0x80, 0x00, 3}, 16, {9, 8, 4, 4, 3}},
};

TEST(PackBits, DecodesControlBytesAndStopsAtEitherEnd)
{
    for (const Case &c : cases) {
        Bytes out(c.room, 0xEE);
        int produced = packBitsDecode(c.source.data(), c.source.size(), out.data(), out.size());
        ASSERT_EQ((int)c.decoded.size(), produced) << c.name;
        out.resize((size_t)produced);
        EXPECT_EQ(c.decoded, out) << c.name;
    }
}

TEST(PackBits, FeedingByteByByteDecodesTheSameAsAtOnce)
{
    for (const Case &c : cases) {
        Bytes out(c.room, 0xEE);
        PackBitsDecoder decoder;
        packBitsInit(&decoder, out.data(), out.size(), 0);
        for (unsigned char byte : c.source) {
            packBitsFeed(&decoder, &byte, 1);
        }
        out.resize(decoder.produced);
        EXPECT_EQ(c.decoded, out) << c.name;
    }
}

TEST(PackBits, LeadingOutputCanBeDropped)
{
    Bytes source = {0xFD, 0x11, 0x02, 1, 2, 3, 0xFE, 0x22};   /* 11 11 11 11 01 02 03 22 22 22 */
    Bytes out(4, 0);
    PackBitsDecoder decoder;
    packBitsInit(&decoder, out.data(), out.size(), 5);
    EXPECT_EQ(1, packBitsFeed(&decoder, source.data(), source.size()));
    EXPECT_EQ((Bytes{2, 3, 0x22, 0x22}), out);
}

}  // namespace
