/*
 * number_text_test.cpp --
 *
 *	Integer and decimal tests of words and comma lists of numbers.
 */
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "ramimage/kit/number_text.h"

namespace {

TEST(NumberText, IntegerTexts)
{
    const std::pair<const char *, int> cases[] = {
        {"", 1}, {"+", 1}, {"-", 1}, {"12", 1}, {" 12", 1}, {"-7", 1}, {"+0042", 1},
        {"12 ", 0}, {"1-2", 0}, {"+-1", 0}, {"  1", 0}, {"1.0", 0}, {"1e3", 0}, {"x", 0},
        {"\t1", 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.second, isIntegerText(c.first)) << "\"" << c.first << "\"";
    }
    EXPECT_EQ(0, isIntegerText(NULL));
}

TEST(NumberText, DoubleTexts)
{
    const std::pair<const char *, int> cases[] = {
        {"1e3", 1}, {"1e3x", 0}, {"", 1}, {" 2.5", 1}, {"2.5 ", 0}, {"-.5", 1},
        {"abc", 0}, {"1,5", 0}, {"0x10", 1},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.second, isDoubleText(c.first)) << "\"" << c.first << "\"";
    }
    EXPECT_EQ(0, isDoubleText(NULL));
}

TEST(NumberText, PassLongsCountsEveryFieldAndStoresMax)
{
    std::vector<int32_t> out(4, -99);
    EXPECT_EQ(3, passLongs("1,2,3", out.data(), 2));
    EXPECT_EQ((std::vector<int32_t>{1, 2, -99, -99}), out);

    const struct {
        const char *text;
        int count;
        std::vector<int32_t> stored;
    } cases[] = {
        {",,4,,-5,", 2, {4, -5}},
        {"", 0, {}},
        {"12abc, 7", 2, {12, 7}},
        {"x", 1, {0}},
        {"99999999999,-99999999999", 2, {INT32_MAX, INT32_MIN}},
    };
    for (const auto &c : cases) {
        std::vector<int32_t> values(4, -99);
        EXPECT_EQ(c.count, passLongs(c.text, values.data(), 4)) << c.text;
        values.resize(c.stored.size());
        EXPECT_EQ(c.stored, values) << c.text;
    }
    EXPECT_EQ(0, passLongs(NULL, out.data(), 4));
    EXPECT_EQ(2, passLongs("1,2", NULL, 0));
}

TEST(NumberText, PassFloats)
{
    std::vector<float> out(4, -99.0f);
    EXPECT_EQ(4, passFloats("1.5,-2e3,,abc,0.1", out.data(), 3));
    EXPECT_EQ(1.5f, out[0]);
    EXPECT_EQ(-2000.0f, out[1]);
    EXPECT_EQ(0.0f, out[2]);
    EXPECT_EQ(-99.0f, out[3]);
    EXPECT_EQ(0, passFloats(NULL, out.data(), 3));
}

}  // namespace
