/*
 * base64_test.cpp --
 *
 *	Base64 encoding (line breaks, padding) and decoding of well-formed
 *	and malformed texts.
 */
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ovex/ovex.h"
#include "ramimage/kit/base64.h"
#include "../console_capture.h"

namespace {

using console_capture::ConsoleCapture;

std::string encode(const std::string &bytes)
{
    size_t length = 99;
    char *text = base64Encode(bytes.size(), (const unsigned char *)bytes.data(), &length);
    EXPECT_NE(text, nullptr);
    if (text == NULL) {
        return "(null)";
    }
    std::string result(text);
    EXPECT_EQ(result.size(), length) << "length counts every character before the NUL";
    gmemFree(text);
    return result;
}

std::string decode(const std::string &text)
{
    size_t length = 99;
    unsigned char *bytes = base64Decode(text.size(), text.data(), &length);
    EXPECT_NE(bytes, nullptr);
    if (bytes == NULL) {
        return "(null)";
    }
    std::string result((const char *)bytes, length);
    gmemFree(bytes);
    return result;
}

/* Bytes 0, 7, 14 ... (mod 256): every bit pattern of a group shows up. */
std::string sampleBytes(size_t n)
{
    std::string bytes;
    for (size_t i = 0; i < n; i++) {
        bytes += (char)(unsigned char)(i * 7);
    }
    return bytes;
}

TEST(Base64Encode, GroupsAndPadding)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"a", "YQ=="},
        {"ab", "YWI="},
        {"abc", "YWJj"},
        {"abcd", "YWJjZA=="},
        {std::string("\xff\xfe\x00", 3), "//4A"},
        {"\xfb\xef", "++8="},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.second, encode(c.first)) << c.first;
    }
}

TEST(Base64Encode, BreaksLinesAfter72Characters)
{
    std::string line = encode(std::string(54, 'a'));
    ASSERT_EQ(73u, line.size());
    EXPECT_EQ('\n', line[72]);
    EXPECT_EQ(72u, line.find('\n'));

    /* A padded last group is not followed by a break. */
    std::string more = encode(std::string(55, 'a'));
    EXPECT_EQ(77u, more.size());
    EXPECT_EQ("YQ==", more.substr(73));

    /* Two full lines, each broken. */
    std::string two = encode(std::string(108, 'a'));
    EXPECT_EQ(146u, two.size());
    EXPECT_EQ('\n', two[72]);
    EXPECT_EQ('\n', two[145]);
}

TEST(Base64, RoundTripsEveryLength)
{
    for (size_t n = 0; n <= 200; n++) {
        std::string bytes = sampleBytes(n);
        EXPECT_EQ(bytes, decode(encode(bytes))) << n << " bytes";
    }
}

TEST(Base64Decode, SkipsWhatIsNotInTheAlphabet)
{
    ConsoleCapture console;
    const std::pair<std::string, std::string> cases[] = {
        {"YQ==", "a"},
        {"YW\nJj", "abc"},
        {" YWJj \r\n YWI= ", "abcab"},
        {std::string("YW\0Jj", 5), "abc"},         /* NUL inside the given length */
        {"Y*W#J\xc3\xa9j", "abc"},                 /* other characters, bytes >= 128 */
        {"YQ==YWJj", "aabc"},                       /* padding in the middle */
        {"====", ""},
        {"", ""},
        {" \n\t", ""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.second, decode(c.first)) << c.first;
    }
    EXPECT_EQ("", console.takeStderr());
}

TEST(Base64Decode, ReportsATruncatedLastGroupAndKeepsItsBytes)
{
    ConsoleCapture console;
    const std::pair<std::string, std::string> cases[] = {
        {"Y", ""},
        {"YW", "a"},
        {"YWJ", "ab"},
        {"YWJjY", "abc"},
        {"YWJjYW", "abca"},
        {"YWJjYWJ", "abcab"},
        {"YWJjYQ=", "abca"},
        {"=", ""},
        {"==", ""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.second, decode(c.first)) << c.first;
        EXPECT_EQ("Invalid base64 data block detected.\n", console.takeStderr()) << c.first;
    }
}

TEST(Base64Decode, StopsAtTheGivenLength)
{
    size_t length = 0;
    unsigned char *bytes = base64Decode(4, "YWJjYWJj", &length);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(3u, length);
    EXPECT_EQ(0, memcmp(bytes, "abc", 3));
    gmemFree(bytes);

    bytes = base64Decode(0, NULL, &length);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(0u, length);
    gmemFree(bytes);
}

}  // namespace
