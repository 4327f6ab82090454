// Identifier vocabularies: name/code conversions in both directions.
#include <gtest/gtest.h>  // before Tk: X11 defines None

#include "core/vocabulary.h"

#include <string>

namespace {

struct NameCase {
    const char *name;
    int code;
};

TEST(Vocabulary, MapidFromName)
{
    const NameCase cases[] = {
        {"PCS20000", 20000}, {"PCS65535", 65535}, {"PCS100", -1},     {"PCS19999", 19999},
        {"PCS3857", 3857},   {"PCS2056", 2056},   {"PCS1024", 1024},  {"PCS1023", -1},
        {"PCS65536", -1},    {"PCS", -1},         {"PCS2x000", -1},   {"PCS99999999999999", -1},
        {"UNKNOWN", -1},     {"GRID", 1},         {"UTM", 2},         {"UTM1", 3},
        {"UTM33", 35},       {"UTM60", 62},       {"POLAR", 63},      {"AEA", 64},
        {"LATLONG", 111},    {"LONGLAT", 112},    {"TMERC", 162},     {"WINTRI", 183},
        {"utm33", -1},       {"", -1},            {NULL, -1},
    };
    for (const NameCase &c : cases) {
        EXPECT_EQ(mapidFromName(c.name), c.code) << (c.name ? c.name : "(null)");
    }
}

TEST(Vocabulary, MapidName)
{
    const NameCase cases[] = {
        {"PCS65535", 65535}, {"PCS20000", 20000}, {"UNKNOWN", 184}, {"PCS19999", 19999},
        {"PCS3035", 3035},   {"PCS1024", 1024},   {"UNKNOWN", 1023},
        {"UNKNOWN", 65536},  {"UNKNOWN", -1},     {"UNKNOWN", 0},   {"UTM33", 35},
        {"WINTRI", 183},     {"LATLONG", 111},
    };
    for (const NameCase &c : cases) {
        EXPECT_STREQ(mapidName(c.code), c.name) << c.code;
    }
}

TEST(Vocabulary, MapidNameBufferIsSharedByLaterCalls)
{
    const char *first = mapidName(20001);
    EXPECT_STREQ(first, "PCS20001");
    mapidName(30000);
    EXPECT_STREQ(first, "PCS30000");
}

TEST(Vocabulary, EveryTableNameRoundTrips)
{
    struct Table {
        const char *name;
        int count;
        int firstAccepted;
        int (*toId)(const char *);
        const char *(*toName)(int);
    } tables[] = {
        {"imgid", imgidCount, 0, imgidFromName, imgidName},
        {"mapid", mapidCount, 1, mapidFromName, mapidName},
        {"pixel", pixelCount, 1, pixelFromName, pixelName},
        {"imgtype", imgtypeCount, 0, imgtypeFromName, imgtypeName},
        {"func", funcCount, 0, funcNameToId, funcIdToName},
        {"range", rangeCount, 0, rangeNameToId, rangeIdToName},
        {"rotationid", rotationCount, 0, rotationNameToId, rotationIdToName},
    };
    for (const Table &t : tables) {
        for (int code = t.firstAccepted; code < t.count; code++) {
            const char *name = t.toName(code);
            ASSERT_NE(name, nullptr) << t.name << " " << code;
            EXPECT_EQ(t.toId(name), code) << t.name << " " << name;
        }
        EXPECT_STREQ(t.toName(t.count), "UNKNOWN") << t.name;
        EXPECT_STREQ(t.toName(-1), "UNKNOWN") << t.name;
    }
}

TEST(Vocabulary, NamesOfChosenCodes)
{
    EXPECT_EQ(imgidFromName("UNKNOWN"), 0);
    EXPECT_EQ(imgidFromName("bsq"), -1);
    EXPECT_EQ(imgidFromName("BSQ"), 1);
    EXPECT_EQ(imgidFromName("GIF89a"), 11);
    EXPECT_EQ(imgidFromName("MRGB1"), 30);
    EXPECT_STREQ(imgidName(15), "GEOTIFF");
    EXPECT_STREQ(imgidName(31), "UNKNOWN");

    EXPECT_EQ(pixelFromName("UNKNOWN"), -1);
    EXPECT_STREQ(pixelName(0), "UNKNOWN");
    EXPECT_EQ(pixelFromName("SBYTE"), 9);

    EXPECT_STREQ(imgtypeName(100), "ELEVATION");
    EXPECT_STREQ(imgtypeName(101), "GENERAL");
    EXPECT_STREQ(imgtypeName(102), "SLOPE");
    EXPECT_STREQ(imgtypeName(7), "UNKNOWN");
    EXPECT_EQ(imgtypeFromName("CLASSIFICATION"), 6);

    EXPECT_EQ(funcNameToId("UNKNOWN"), 0);
    EXPECT_EQ(funcNameToId("HISTEQ"), 4);
    EXPECT_EQ(rangeNameToId("DETAIL"), 2);
    EXPECT_EQ(rotationNameToId("XZY"), 6);
    EXPECT_EQ(rotationNameToId("xyz"), -1);
}

TEST(Vocabulary, MemoryImgids)
{
    for (int code = -1; code <= 32; code++) {
        EXPECT_EQ(isMemoryImgid(code), code >= 21 && code <= 30 ? 1 : 0) << code;
    }
}

}  // namespace
