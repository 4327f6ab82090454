/*
 * comb_num_format_test.cpp --
 *
 *	The value format check of the numeric entry: which formats are handed
 *	a number, and how long the text may grow.
 */
#include <gtest/gtest.h>

#include <string>

#include "widgets/comb/comb_num_format.h"

namespace {

struct FormatCase {
    const char *format;
    NumFormatKind kind;
};

TEST(NumFormat, KindOfEachFormat)
{
    const FormatCase cases[] = {
        {"%.0f", NUM_FORMAT_DOUBLE},  {"%f", NUM_FORMAT_DOUBLE},
        {"%-+ #012.4f", NUM_FORMAT_DOUBLE}, {"%e of %f", NUM_FORMAT_BAD},
        {"%g (f)", NUM_FORMAT_DOUBLE}, {"%.2f%%", NUM_FORMAT_DOUBLE},
        {"%d", NUM_FORMAT_INT},       {"%i", NUM_FORMAT_INT},
        {"%05x", NUM_FORMAT_INT},     {"%%%o", NUM_FORMAT_INT},
        {"%X", NUM_FORMAT_INT},       {"%u", NUM_FORMAT_INT},
        {"%s", NUM_FORMAT_BAD},       {"%n", NUM_FORMAT_BAD},
        {"%e", NUM_FORMAT_BAD},       {"%g", NUM_FORMAT_BAD},
        {"%d %d", NUM_FORMAT_BAD},    {"%f %f", NUM_FORMAT_BAD},
        {"%ld", NUM_FORMAT_BAD},      {"%lf", NUM_FORMAT_BAD},
        {"%*d", NUM_FORMAT_BAD},      {"%.*f", NUM_FORMAT_BAD},
        {"%", NUM_FORMAT_BAD},        {"100%", NUM_FORMAT_BAD},
        {"", NUM_FORMAT_BAD},         {"%%", NUM_FORMAT_BAD},
        {"%c", NUM_FORMAT_BAD},       {"%p", NUM_FORMAT_BAD},
        {"%1$d", NUM_FORMAT_BAD},     {"%fs", NUM_FORMAT_DOUBLE},
    };
    for (const FormatCase &c : cases) {
        EXPECT_EQ(c.kind, numFormatKind(c.format)) << c.format;
    }
}

TEST(NumFormat, ValuesAndTheTextLimit)
{
    char text[NUM_TEXT_MAX + 1];
    ASSERT_TRUE(numFormatValue("%d", 2.5f, text, sizeof(text)));
    EXPECT_EQ(std::string("3"), text);
    ASSERT_TRUE(numFormatValue("%d", -2.5f, text, sizeof(text)));
    EXPECT_EQ(std::string("-3"), text);
    ASSERT_TRUE(numFormatValue("%.9f", 0.1f, text, sizeof(text)));
    EXPECT_EQ(std::string("0.100000001"), text);
    ASSERT_TRUE(numFormatValue("%0200.100f", 1.0f, text, sizeof(text)));
    EXPECT_EQ(std::string(NUM_TEXT_MAX, '0'), text);
    EXPECT_FALSE(numFormatValue("%s", 1.0f, text, sizeof(text)));
}

}  // namespace
