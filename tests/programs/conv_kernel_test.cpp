/*
 * conv_kernel_test.cpp --
 *
 *	Kernel texts of rimage gconv: the accepted forms with their word
 *	separators, every refusal with its exact messages, the weight limit
 *	(including sides whose product wraps in 32 bits), and where the text
 *	comes from (inline after "@", or a whole file).
 */
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "../ramimage/console_capture.h"
#include "ovex/ovex.h"
#include "programs/conv_kernel.h"

namespace {

struct Parsed {
    int ok;
    ConvKernel kernel;
    std::string errors;
};

Parsed parse(console_capture::ConsoleCapture &console, const std::string &text)
{
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    Parsed parsed;
    parsed.ok = parseConvKernel(copy.data(), &parsed.kernel);
    parsed.errors = console.takeStderr();
    return parsed;
}

/* count numbers 1, 2, 3 ... as one text. */
std::string numbers(int count)
{
    std::string text;
    for (int k = 1; k <= count; k++) {
        text += " " + std::to_string(k);
    }
    return text;
}

TEST(ConvKernel, AcceptedForms)
{
    console_capture::ConsoleCapture console;
    struct Case {
        const char *text;
        int type, nx, ny;
        std::vector<float> weights;
    } cases[] = {
        {"2D 3 1 1 -2 0.5", CONV_KERNEL_2D, 3, 1, {1, -2, 0.5f}},
        {"2D,2;2\n1\n2,,3;;4\n", CONV_KERNEL_2D, 2, 2, {1, 2, 3, 4}},
        {"  1Ds 3 2  0.25 0.5 0.25  1e1 -1 ", CONV_KERNEL_SEPARABLE, 3, 2,
         {0.25f, 0.5f, 0.25f, 10, -1}},
        {"dynamic 5 7", CONV_KERNEL_DYNAMIC, 5, 7, {}},
        {"median;3;3;", CONV_KERNEL_MEDIAN, 3, 3, {}},
        /* a bad number reads as far as it goes */
        {"2D 2x 1 4abc -", CONV_KERNEL_2D, 2, 1, {4, 0}},
    };
    for (const Case &c : cases) {
        Parsed parsed = parse(console, c.text);
        ASSERT_EQ(1, parsed.ok) << c.text;
        EXPECT_EQ("", parsed.errors) << c.text;
        EXPECT_EQ(c.type, parsed.kernel.type) << c.text;
        EXPECT_EQ(c.nx, parsed.kernel.nx) << c.text;
        EXPECT_EQ(c.ny, parsed.kernel.ny) << c.text;
        ASSERT_EQ((int)c.weights.size(), parsed.kernel.count) << c.text;
        for (size_t k = 0; k < c.weights.size(); k++) {
            EXPECT_FLOAT_EQ(c.weights[k], parsed.kernel.weights[k]) << c.text << " weight " << k;
        }
    }
}

TEST(ConvKernel, RefusalsAndTheirMessages)
{
    console_capture::ConsoleCapture console;
    const std::string tail = "Error in parsing conv kernel.\n";
    struct Case {
        std::string text;
        std::string message;    /* before the closing line */
    } cases[] = {
        {"", ""},
        {" ,;\n", ""},
        {"2d 1 1 1", "Unknown kernel type: 2d"},
        {"2D\r\n1 1 1\r\n", "Unknown kernel type: 2D\r"},
        {"2D\t1 1 1", "Unknown kernel type: 2D\t1"},
        {"2D", ""},
        {"median 3", ""},
        {"2D 0 3", "Invalid kernel dimension (must be > 0) - nx:0 ny:3\n"},
        {"dynamic 3 -1", "Invalid kernel dimension (must be > 0) - nx:3 ny:-1\n"},
        {"2D 2 2 1 2 3", "Not enough kernel elements: 3 (expected: 4).\n"},
        {"1Ds 2 3 1 1 1 1", "Not enough kernel elements: 4 (expected: 5).\n"},
        {"2D 3 3" + numbers(9) + " 10", "Unexpected kernel end 10.\n"},
        {"dynamic 3 3 1", "Unexpected kernel end 1.\n"},
        {"2D 23 23", "Kernel size overflow: 23x23.\n"},
        {"1Ds 256 257", "Kernel size overflow: 256x257.\n"},
        /* 65536 x 65536 is 0 in 32 bits */
        {"2D 65536 65536 1", "Kernel size overflow: 65536x65536.\n"},
    };
    for (const Case &c : cases) {
        Parsed parsed = parse(console, c.text);
        EXPECT_EQ(0, parsed.ok) << c.text;
        EXPECT_EQ(c.message + tail, parsed.errors) << c.text;
    }
}

TEST(ConvKernel, WeightLimitAndLongSeparableLists)
{
    console_capture::ConsoleCapture console;
    Parsed full = parse(console, "1Ds 256 256" + numbers(512));
    EXPECT_EQ(1, full.ok);
    EXPECT_EQ(512, full.kernel.count);
    EXPECT_EQ(512.0f, full.kernel.weights[511]);

    /* more than 256 weights down */
    Parsed tall = parse(console, "1Ds 1 400" + numbers(401));
    EXPECT_EQ(1, tall.ok);
    EXPECT_EQ(401, tall.kernel.count);
    EXPECT_EQ("", console.takeStderr());

    Parsed square = parse(console, "2D 16 32" + numbers(512));
    EXPECT_EQ(1, square.ok);
}

TEST(ConvKernel, TextInlineOrFromAFile)
{
    console_capture::ConsoleCapture console;
    char *text = readConvKernelText("@2D 1 1 5");
    ASSERT_NE(nullptr, text);
    EXPECT_STREQ("2D 1 1 5", text);
    gmemFree(text);

    char path[] = "/tmp/conv-kernel-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    /* longer than one read, with a NUL-free body */
    std::string body = "2D 1 1\n" + std::string(10000, ' ') + "7\n";
    ASSERT_EQ((ssize_t)body.size(), write(fd, body.data(), body.size()));
    close(fd);
    text = readConvKernelText(path);
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(body, std::string(text));
    gmemFree(text);

    fd = open(path, O_WRONLY | O_TRUNC);
    close(fd);
    text = readConvKernelText(path);
    ASSERT_NE(nullptr, text);
    EXPECT_STREQ("", text);
    gmemFree(text);
    unlink(path);
    EXPECT_EQ("", console.takeStderr());

    EXPECT_EQ(nullptr, readConvKernelText("/ovex-no-such-folder/k.txt"));
    EXPECT_EQ("Error in open kernel file: /ovex-no-such-folder/k.txt.\n", console.takeStderr());
}

}  // namespace
