// Byte substitution and header checks of script-library files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/script_library.h"

namespace {

TEST(ByteSubst, WriterTableIsAPermutationUndoneByItsInverse)
{
    unsigned char bytes[256];
    for (int i = 0; i < 256; i++) {
        bytes[i] = (unsigned char)i;
    }
    EXPECT_EQ(byteSubst(SCRIPT_LIB_WRITE_SELECTOR, bytes, 256), 3);

    bool seen[256] = {};
    int unchanged = 0;
    for (int i = 0; i < 256; i++) {
        EXPECT_FALSE(seen[bytes[i]]) << "value " << (int)bytes[i] << " appears twice";
        seen[bytes[i]] = true;
        unchanged += (bytes[i] == i);
    }
    EXPECT_LT(unchanged, 16);

    EXPECT_EQ(byteSubst(3, bytes, 256), 2);
    for (int i = 0; i < 256; i++) {
        EXPECT_EQ(bytes[i], i);
    }
}

TEST(ByteSubst, UnknownTablesLeaveBytesAlone)
{
    for (int selector : {0, 1, 4, 5, 255, -1}) {
        unsigned char bytes[3] = {1, 2, 3};
        EXPECT_EQ(byteSubst(selector, bytes, 3), -1) << selector;
        EXPECT_EQ(bytes[0], 1);
        EXPECT_EQ(bytes[2], 3);
    }
}

// A header with the given selector and raw 12-byte length fields.
std::string header(int selector, const std::string &compressed, const std::string &text)
{
    std::string h(SCRIPT_LIB_HEADER_SIZE, '\0');
    memcpy(&h[0], SCRIPT_LIB_MAGIC, SCRIPT_LIB_MAGIC_SIZE);
    h[8] = (char)selector;
    h.replace(9, compressed.size(), compressed);
    h.replace(21, text.size(), text);
    return h;
}

struct HeaderCase {
    const char *what;
    std::string bytes;
    uint64_t fileSize;
    const char *fault;  // NULL: accepted
};

TEST(ScriptLibHeader, LengthsAreCheckedAgainstTheFile)
{
    const char *invalid = "Invalid script lib header.";
    const HeaderCase cases[] = {
        {"good", header(3, "20", "100"), 53, NULL},
        {"file longer than the stream", header(3, "20", "100"), 90, NULL},
        {"selector 0", header(0, "20", "100"), 53, "Invalid script lib version."},
        {"selector 1", header(1, "20", "100"), 53, "Invalid script lib version."},
        {"selector 4", header(4, "20", "100"), 53, "Unsupported script lib substitution table."},
        {"stream past the end", header(3, "21", "100"), 53, invalid},
        {"no compressed digits", header(3, "", "100"), 53, invalid},
        {"no text digits", header(3, "20", ""), 53, invalid},
        {"zero compressed", header(3, "0", "100"), 53, invalid},
        {"zero text", header(3, "20", "0"), 53, invalid},
        {"sign", header(3, "+20", "100"), 53, invalid},
        {"blank", header(3, "20", " 100"), 53, invalid},
        {"letter", header(3, "2x", "100"), 53, invalid},
        {"more than zlib can expand", header(3, "20", "21665"), 53, invalid},
        {"at zlib's expansion limit", header(3, "20", "21664"), 53, NULL},
        {"absurd text", header(3, "20", "999999999999"), 53, invalid},
        {"over the text limit", header(3, "2000000", "1073741825"), 2000033, invalid},
        {"at the text limit", header(3, "2000000", "1073741824"), 2000033, NULL},
        {"file shorter than a header", header(3, "1", "1"), 20, invalid},
    };
    for (const HeaderCase &c : cases) {
        ScriptLibHeader parsed;
        const char *fault = parseScriptLibHeader(
            (const unsigned char *)c.bytes.data(), c.fileSize, &parsed);
        if (c.fault == NULL) {
            EXPECT_EQ(fault, nullptr) << c.what << ": " << fault;
        } else {
            ASSERT_NE(fault, nullptr) << c.what;
            EXPECT_STREQ(fault, c.fault) << c.what;
        }
    }
}

TEST(ScriptLibHeader, FieldsEndAtTheirTwelfthByte)
{
    // No terminator inside the compressed field: the digits of the text
    // field that follows must not be read as part of it.
    std::string h = header(3, "000000000020", "100");
    ScriptLibHeader parsed;
    ASSERT_EQ(parseScriptLibHeader((const unsigned char *)h.data(), 53, &parsed), nullptr);
    EXPECT_EQ(parsed.selector, 3);
    EXPECT_EQ(parsed.compressedLength, 20u);
    EXPECT_EQ(parsed.textLength, 100u);

    // Bytes after a terminator are not significant.
    h = header(3, std::string("20\0junk", 7), std::string("100\0\xff", 5));
    ASSERT_EQ(parseScriptLibHeader((const unsigned char *)h.data(), 53, &parsed), nullptr);
    EXPECT_EQ(parsed.compressedLength, 20u);
    EXPECT_EQ(parsed.textLength, 100u);
}

}  // namespace
