/*
 * program_support_test.cpp --
 *
 *	Option tables and band specifications of the program kit.
 */
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "../console_capture.h"
#include "core/package.h"
#include "ramimage/file_checks.h"
#include "ramimage/kit/program_support.h"

namespace {

/* ---- matchOptions ------------------------------------------------------- */

TEST(MatchOptions, FillsRowsFromNamesAndValues)
{
    ProgOption table[] = {{"-in", "stale"}, {"-out", NULL}, {"-u", NULL}, {NULL, NULL}};
    const char *argv[] = {"-out", "b", "-in", "-a"};
    EXPECT_EQ(0, matchOptions(table, 4, argv));
    EXPECT_STREQ("-a", table[0].value);  /* a value may begin with "-" */
    EXPECT_STREQ("b", table[1].value);
    EXPECT_EQ(nullptr, table[2].value);
    EXPECT_EQ(argv[1], table[1].value);  /* the word itself, not a copy */

    EXPECT_EQ(0, matchOptions(table, 0, argv));
    EXPECT_EQ(nullptr, table[0].value);  /* reset by every call */
}

TEST(MatchOptions, CountsUnknownWords)
{
    ProgOption table[] = {{"-in", NULL}, {"-out", NULL}, {NULL, NULL}};
    struct Case {
        std::vector<const char *> words;
        int unknown;
        const char *in;
    } cases[] = {
        {{"-in", "a", "-in", "b"}, 1, "a"},         /* a repeat */
        {{"-in"}, 1, NULL},                           /* a name without value */
        {{"-x", "-in", "-out", "c"}, 1, NULL},        /* an unknown name eats -in */
        {{"-IN", "a"}, 1, NULL},                      /* case matters */
        {{"-i", "a"}, 1, NULL},                       /* whole words only */
        {{"-out", "c", "-in", "a", "-y"}, 1, "a"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.unknown, matchOptions(table, (int)c.words.size(), c.words.data()))
            << c.words[0];
        if (c.in == NULL) {
            EXPECT_EQ(nullptr, table[0].value) << c.words[0];
        } else {
            EXPECT_STREQ(c.in, table[0].value);
        }
    }
}

TEST(MatchOptions, TwoRowsOfOneNameTakeBothValues)
{
    ProgOption table[] = {{"-in", NULL}, {"-in", NULL}, {NULL, NULL}};
    const char *argv[] = {"-in", "a", "-in", "b", "-in", "c"};
    EXPECT_EQ(1, matchOptions(table, 6, argv));
    EXPECT_STREQ("a", table[0].value);
    EXPECT_STREQ("b", table[1].value);
}

/* ---- parseNumberList ---------------------------------------------------- */

typedef std::vector<int> Numbers;

Numbers numbersOf(const char *text, int max, int *count)
{
    Numbers out((size_t)max + 4, -99);
    *count = parseNumberList(text, out.data(), max);
    out.resize(*count > 0 ? (size_t)*count : 0);
    return out;
}

TEST(ParseNumberList, ListsAndRanges)
{
    const std::pair<const char *, Numbers> cases[] = {
        {"4", {4}},
        {"4,7", {4, 7}},
        {"2-5", {2, 3, 4, 5}},
        {"3,5,9-7", {3, 5, 9, 8, 7}},
        {"5-5", {5}},
        {"3,", {3}},
        {"", {}},
        {"0012", {12}},
    };
    for (const auto &c : cases) {
        int count;
        EXPECT_EQ(c.second, numbersOf(c.first, 16, &count)) << c.first;
        EXPECT_EQ((int)c.second.size(), count) << c.first;
    }
}

TEST(ParseNumberList, SyntaxErrorsAndOverflow)
{
    const std::pair<const char *, int> cases[] = {
        {"3,a", 16}, {"2-a", 16}, {"2-", 16}, {"a", 16}, {"-3", 16}, {"3x", 16},
        {"1-3x", 16}, {"1--3", 16}, {"3,,4", 16}, {"1 2", 16},
        {"1,2,3", 2}, {"1-3", 2}, {"4-1", 3},
    };
    for (const auto &c : cases) {
        int count;
        numbersOf(c.first, c.second, &count);
        EXPECT_EQ(-1, count) << c.first << " max " << c.second;
    }
    /* A list may fill its room exactly. */
    int count;
    EXPECT_EQ((Numbers{1, 2, 3}), numbersOf("1-3", 3, &count));
    EXPECT_EQ((Numbers{1, 2}), numbersOf("1,2", 2, &count));
}

/* ---- parseBandParams ---------------------------------------------------- */

class BandParams : public ::testing::Test {
protected:
    void SetUp() override
    {
        Tcl_FindExecutable(NULL);
        interp = Tcl_CreateInterp();
        ASSERT_EQ(TCL_OK, Tcl_Eval(interp, "set ::printed {}; rename puts tcl_puts;"
                                           "proc puts args {append ::printed [lindex $args end]}"));
        previousConsole = setConsoleInterp(interp);
        savedTkConsole = ovexState.tkConsole;
        ovexState.tkConsole = 0;
        inBands.assign(MAX_BAND_PAIRS, -1);
        outBands.assign(MAX_BAND_PAIRS, -1);
    }

    void TearDown() override
    {
        ovexState.tkConsole = savedTkConsole;
        setConsoleInterp(previousConsole);
        Tcl_DeleteInterp(interp);
    }

    std::string printed()
    {
        std::string text = Tcl_GetVar(interp, "printed", TCL_GLOBAL_ONLY);
        Tcl_SetVar(interp, "printed", "", TCL_GLOBAL_ONLY);
        return text;
    }

    /* The pairs as "in:out" words, or the failure as "0". */
    std::string pairs(int nIn, int nOut, const char *spec)
    {
        int n = parseBandParams(nIn, nOut, inBands.data(), outBands.data(), spec);
        if (n <= 0) {
            return std::to_string(n);
        }
        std::string text;
        for (int k = 0; k < n; k++) {
            text += (k ? " " : "") + std::to_string(inBands[k]) + ":" + std::to_string(outBands[k]);
        }
        return text;
    }

    Tcl_Interp *interp = nullptr;
    Tcl_Interp *previousConsole = nullptr;
    int savedTkConsole = 0;
    std::vector<int> inBands, outBands;
};

TEST_F(BandParams, SpecificationsGiveZeroBasedPairs)
{
    struct Case {
        int nIn, nOut;
        const char *spec;
        const char *pairs;
    } cases[] = {
        {7, 7, "1-3:4-6;7", "0:3 1:4 2:5 6:6"},
        {3, 1, "2:1", "1:0"},
        {4, 4, "1,2 ;;3", "0:0 1:1 2:2"},
        {3, 3, "3-1", "2:2 1:1 0:0"},
        {5, 2, NULL, "0:0 1:1"},
        {0, 4, NULL, "0"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.pairs, pairs(c.nIn, c.nOut, c.spec)) << (c.spec ? c.spec : "(none)");
    }
    EXPECT_EQ("", printed());
}

TEST_F(BandParams, BandsOutOfRangeFailSilently)
{
    const struct {
        int nIn, nOut;
        const char *spec;
    } cases[] = {{3, 3, "4"}, {3, 1, "2:2"}, {3, 3, "0"}, {3, 3, "1;9"}};
    for (const auto &c : cases) {
        EXPECT_EQ("0", pairs(c.nIn, c.nOut, c.spec)) << c.spec;
    }
    EXPECT_EQ("", printed());
}

TEST_F(BandParams, MalformedGroupsFailWithTheMessage)
{
    for (const char *spec : {"1-3:1-2", "a", "1:", ":1", "1-:2"}) {
        EXPECT_EQ("0", pairs(8, 8, spec)) << spec;
        EXPECT_EQ("Error in band params.\n", printed()) << spec;
    }
}

TEST_F(BandParams, ListsStopAtTheirRoom)
{
    int n = parseBandParams(9000, 9000, inBands.data(), outBands.data(), "1-8192;8193");
    EXPECT_EQ(MAX_BAND_PAIRS, n);
    EXPECT_EQ(8191, inBands[MAX_BAND_PAIRS - 1]);
    EXPECT_EQ("0", pairs(9000, 9000, "1-8193"));
}

/* ---- Free space ----------------------------------------------------------- */

TEST(FreeSpace, CurrentDriveAndFoldersOfNewFiles)
{
    console_capture::ConsoleCapture console;
    EXPECT_GT(driveFreeBytes(-1), 0.0);
    EXPECT_GT(diskFreeBytes("/tmp"), 0.0);
    EXPECT_GT(diskFreeBytes("/tmp/ovex-no-such-file.img"), 0.0);
    EXPECT_EQ("", console.takeStderr());
}

TEST(FreeSpace, FailuresAreReported)
{
    console_capture::ConsoleCapture console;
    EXPECT_EQ(-1.0, driveFreeBytes(2));  /* no lettered drives here */
    EXPECT_EQ("Error in getdfree() call\n", console.takeStderr());
    EXPECT_EQ(-1.0, diskFreeBytes("/ovex-no-such-folder/new.img"));
    EXPECT_EQ("Error in getdfree() call\n", console.takeStderr());
}

}  // namespace
