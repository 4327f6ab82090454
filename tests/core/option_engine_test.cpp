// Option tables without a display: results, messages and errorInfo as
// Tk's Tk_ConfigureWidget family gives them.
#include <gtest/gtest.h>  // before Tk: X11 defines None

#include "core/option_engine.h"

#include "core/custom_options.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Record {
    int flag;
    int count;
    double ratio;
    char *name;
    char *comment;
    const char *kind;
    int limit;
    int userValue;
    XColor *background;
    int pixel;
    int bothA;
    int bothB;
};

const int kUserBit = TK_CONFIG_USER_BIT;

const Tk_ConfigSpec recordSpecs[] = {
    {TK_CONFIG_BOOLEAN, "-flag", "flag", "Flag", "0", offsetof(Record, flag), 0, NULL},
    {TK_CONFIG_INT, "-count", "count", "Count", "5", offsetof(Record, count), 0, NULL},
    {TK_CONFIG_DOUBLE, "-ratio", "ratio", "Ratio", "1.5", offsetof(Record, ratio), 0, NULL},
    {TK_CONFIG_STRING, "-name", "name", "Name", "anon", offsetof(Record, name), TK_CONFIG_NULL_OK,
     NULL},
    {TK_CONFIG_SYNONYM, "-label", "name", NULL, NULL, 0, 0, NULL},
    {TK_CONFIG_STRING, "-comment", "comment", "Comment", NULL, offsetof(Record, comment), 0, NULL},
    {TK_CONFIG_UID, "-kind", "kind", "Kind", "plain", offsetof(Record, kind), 0, NULL},
    {TK_CONFIG_INT, "-limit", "limit", "Limit", "7", offsetof(Record, limit),
     TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_INT, "-user", "user", "User", "9", offsetof(Record, userValue), kUserBit, NULL},
    {TK_CONFIG_COLOR, "-background", "background", "Background", NULL,
     offsetof(Record, background), 0, NULL},
    {TK_CONFIG_CUSTOM, "-pixel", "pixel", "Pixel", "BYTE", offsetof(Record, pixel), 0,
     &pixelOption},
    {TK_CONFIG_INT, "-both", "both", "Both", "2", offsetof(Record, bothA), 0, NULL},
    {TK_CONFIG_INT, NULL, NULL, NULL, NULL, offsetof(Record, bothB), 0, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL},
};

class OptionEngine : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Tcl_FindExecutable(nullptr); }
    void SetUp() override
    {
        interp = Tcl_CreateInterp();
        memset(&record, 0, sizeof(record));
    }
    void TearDown() override
    {
        ovexFreeOptions(recordSpecs, (char *)&record, 0);
        Tcl_DeleteInterp(interp);
    }

    int configure(std::vector<const char *> words, int flags = 0)
    {
        Tcl_ResetResult(interp);
        return ovexConfigure(interp, NULL, recordSpecs, (int)words.size(), words.data(),
                             (char *)&record, flags);
    }
    std::string result() const { return Tcl_GetStringResult(interp); }
    std::string errorInfo() const
    {
        Tcl_Obj *options = Tcl_GetReturnOptions(interp, TCL_ERROR);
        Tcl_IncrRefCount(options);
        Tcl_Obj *key = Tcl_NewStringObj("-errorinfo", -1);
        Tcl_IncrRefCount(key);
        Tcl_Obj *info = NULL;
        Tcl_DictObjGet(NULL, options, key, &info);
        std::string text = info ? Tcl_GetString(info) : "";
        Tcl_DecrRefCount(key);
        Tcl_DecrRefCount(options);
        return text;
    }
    std::string value(const char *option)
    {
        EXPECT_EQ(ovexConfigureValue(interp, NULL, recordSpecs, (char *)&record, option, 0), TCL_OK)
            << result();
        return result();
    }

    Tcl_Interp *interp = nullptr;
    Record record;
};

TEST_F(OptionEngine, FirstConfigureAppliesDefaultsOfOptionsNotGiven)
{
    ASSERT_EQ(configure({"-count", "3"}), TCL_OK) << result();
    EXPECT_EQ(record.count, 3);
    EXPECT_EQ(record.flag, 0);
    EXPECT_DOUBLE_EQ(record.ratio, 1.5);
    EXPECT_STREQ(record.name, "anon");
    EXPECT_EQ(record.comment, nullptr);     // no default value
    EXPECT_STREQ(record.kind, "plain");
    EXPECT_EQ(record.limit, 0);             // DONT_SET_DEFAULT
    EXPECT_EQ(record.userValue, 9);         // no flags asked for: every entry counts
    EXPECT_EQ(record.pixel, 3);             // BYTE through the custom parser
    EXPECT_EQ(record.bothA, 2);
    EXPECT_EQ(record.bothB, 2);
    EXPECT_EQ(result(), "");
}

TEST_F(OptionEngine, ArgvOnlyLeavesOtherFieldsAlone)
{
    record.count = 11;
    ASSERT_EQ(configure({"-ratio", "2.25"}, TK_CONFIG_ARGV_ONLY), TCL_OK) << result();
    EXPECT_DOUBLE_EQ(record.ratio, 2.25);
    EXPECT_EQ(record.count, 11);
    EXPECT_EQ(record.name, nullptr);
}

TEST_F(OptionEngine, ErrorsGiveTkMessagesAndErrorInfo)
{
    struct Case {
        std::vector<const char *> words;
        const char *message;
        const char *processing;  // option named in errorInfo, or NULL for none
    } cases[] = {
        {{"-foo", "1"}, "unknown option \"-foo\"", NULL},
        {{"-count"}, "value for \"-count\" missing", NULL},
        {{"-co", "1"}, "ambiguous option \"-co\"", NULL},
        {{"-", "1"}, "unknown option \"-\"", NULL},
        {{"", "1"}, "unknown option \"\"", NULL},
        {{"-count", "x"}, "expected integer but got \"x\"", "-count"},
        {{"-cou", "1.5"}, "expected integer but got \"1.5\"", "-count"},
        {{"-ratio", "abc"}, "expected floating-point number but got \"abc\"", "-ratio"},
        {{"-flag", "maybe"}, "expected boolean value but got \"maybe\"", "-flag"},
        {{"-background", "red"}, OVEX_OPTION_NEEDS_DISPLAY, "-background"},
        {{"-pixel", "UNKNOWN"}, "Invalid value: UNKNOWN for pixel", "-pixel"},
        {{"-label", "x", "-ratio", "y"}, "expected floating-point number but got \"y\"", "-ratio"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(configure(c.words, TK_CONFIG_ARGV_ONLY), TCL_ERROR) << c.message;
        EXPECT_EQ(result(), c.message);
        std::string info = errorInfo();
        if (c.processing != NULL) {
            std::string line = std::string("\n    (processing \"") + c.processing + "\" option)";
            EXPECT_NE(info.find(line), std::string::npos) << info;
        } else {
            EXPECT_EQ(info.find("(processing"), std::string::npos) << info;
        }
    }
}

TEST_F(OptionEngine, PairsBeforeAFailingOneStayApplied)
{
    record.pixel = 4;
    EXPECT_EQ(configure({"-count", "8", "-pixel", "nope", "-ratio", "3"}, TK_CONFIG_ARGV_ONLY),
              TCL_ERROR);
    EXPECT_EQ(record.count, 8);
    EXPECT_EQ(record.pixel, 4);  // a failed parse keeps the field
    EXPECT_DOUBLE_EQ(record.ratio, 0.0);
}

TEST_F(OptionEngine, DefaultThatFailsNamesItsOption)
{
    const Tk_ConfigSpec specs[] = {
        {TK_CONFIG_INT, "-size", "size", "Size", "big", 0, 0, NULL},
        {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL},
    };
    int size = 0;
    EXPECT_EQ(ovexConfigure(interp, NULL, specs, 0, NULL, (char *)&size, 0), TCL_ERROR);
    EXPECT_EQ(result(), "expected integer but got \"big\"");
    EXPECT_NE(errorInfo().find("(default value for \"size\")"), std::string::npos) << errorInfo();
}

TEST_F(OptionEngine, AbbreviationsSynonymsAndGroups)
{
    ASSERT_EQ(configure({"-rat", "0.5", "-label", "Ann", "-bo", "6", "-comm", "hi"},
                        TK_CONFIG_ARGV_ONLY),
              TCL_OK)
        << result();
    EXPECT_DOUBLE_EQ(record.ratio, 0.5);
    EXPECT_STREQ(record.name, "Ann");
    EXPECT_STREQ(record.comment, "hi");
    EXPECT_EQ(record.bothA, 6);
    EXPECT_EQ(record.bothB, 6);
    EXPECT_EQ(value("-label"), "Ann");
}

TEST_F(OptionEngine, EmptyValues)
{
    ASSERT_EQ(configure({"-name", "x", "-comment", "y"}, TK_CONFIG_ARGV_ONLY), TCL_OK);
    ASSERT_EQ(configure({"-name", "", "-comment", "", "-kind", ""}, TK_CONFIG_ARGV_ONLY), TCL_OK);
    EXPECT_EQ(record.name, nullptr);        // NULL_OK: empty means none
    EXPECT_STREQ(record.comment, "");       // without NULL_OK it is a text
    EXPECT_STREQ(record.kind, "");
    EXPECT_EQ(value("-name"), "");
}

TEST_F(OptionEngine, StringValuesAreCopiesAndChangeAddressWhenSet)
{
    std::string text = "first";
    const char *words[] = {"-name", text.c_str()};
    ASSERT_EQ(ovexConfigure(interp, NULL, recordSpecs, 2, words, (char *)&record,
                            TK_CONFIG_ARGV_ONLY),
              TCL_OK);
    text[0] = 'F';
    EXPECT_STREQ(record.name, "first");
    char *before = record.name;
    ASSERT_EQ(configure({"-name", "first"}, TK_CONFIG_ARGV_ONLY), TCL_OK);
    EXPECT_NE(record.name, before);
    ovexFreeOptions(recordSpecs, (char *)&record, 0);
    EXPECT_EQ(record.name, nullptr);
}

TEST_F(OptionEngine, UidsOfEqualTextsAreOneText)
{
    std::string a = "shared-kind", b = "shared-kind";
    Record other;
    memset(&other, 0, sizeof(other));
    const char *wordsA[] = {"-kind", a.c_str()};
    const char *wordsB[] = {"-kind", b.c_str()};
    ASSERT_EQ(ovexConfigure(interp, NULL, recordSpecs, 2, wordsA, (char *)&record, 1), TCL_OK);
    ASSERT_EQ(ovexConfigure(interp, NULL, recordSpecs, 2, wordsB, (char *)&other, 1), TCL_OK);
    EXPECT_EQ(record.kind, other.kind);
    EXPECT_STREQ(record.kind, "shared-kind");
}

TEST_F(OptionEngine, InfoOfOneOptionAndOfTheTable)
{
    ASSERT_EQ(configure({"-count", "3", "-name", "two words"}), TCL_OK) << result();
    struct Case {
        const char *option;
        const char *info;
    } cases[] = {
        {"-count", "-count count Count 5 3"},
        {"-name", "-name name Name anon {two words}"},
        {"-label", "-name name Name anon {two words}"},  // a synonym answers for its target
        {"-comm", "-comment comment Comment {} {}"},
        {"-pixel", "-pixel pixel Pixel BYTE BYTE"},
        {"-flag", "-flag flag Flag 0 0"},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(ovexConfigureInfo(interp, NULL, recordSpecs, (char *)&record, c.option, 0),
                  TCL_OK)
            << c.option;
        EXPECT_EQ(result(), c.info);
    }
    ASSERT_EQ(ovexConfigureInfo(interp, NULL, recordSpecs, (char *)&record, NULL, 0), TCL_OK);
    EXPECT_EQ(result(),
              "{-flag flag Flag 0 0} {-count count Count 5 3} {-ratio ratio Ratio 1.5 1.5} "
              "{-name name Name anon {two words}} {-label name} {-comment comment Comment {} {}} "
              "{-kind kind Kind plain plain} {-limit limit Limit 7 0} {-user user User 9 9} "
              "{-background background Background {} {}} {-pixel pixel Pixel BYTE BYTE} "
              "{-both both Both 2 2}");

    EXPECT_EQ(ovexConfigureInfo(interp, NULL, recordSpecs, (char *)&record, "-nope", 0), TCL_ERROR);
    EXPECT_EQ(result(), "unknown option \"-nope\"");
    EXPECT_EQ(ovexConfigureValue(interp, NULL, recordSpecs, (char *)&record, "-c", 0), TCL_ERROR);
    EXPECT_EQ(result(), "ambiguous option \"-c\"");
}

TEST_F(OptionEngine, NeedFlagsSelectEntries)
{
    ASSERT_EQ(configure({"-user", "4"}, kUserBit), TCL_OK) << result();
    EXPECT_EQ(record.userValue, 4);
    EXPECT_EQ(record.count, 0);  // entries without the bit take no defaults
    EXPECT_EQ(configure({"-count", "4"}, kUserBit), TCL_ERROR);
    EXPECT_EQ(result(), "unknown option \"-count\"");
    ASSERT_EQ(ovexConfigureInfo(interp, NULL, recordSpecs, (char *)&record, NULL, kUserBit), TCL_OK);
    EXPECT_EQ(result(), "{-user user User 9 4}");
}

TEST_F(OptionEngine, ObjectArguments)
{
    Tcl_Obj *words[] = {Tcl_NewStringObj("-count", -1), Tcl_NewIntObj(12)};
    for (Tcl_Obj *word : words) {
        Tcl_IncrRefCount(word);
    }
    EXPECT_EQ(ovexConfigure(interp, NULL, recordSpecs, 2, (const char **)words, (char *)&record,
                            TK_CONFIG_ARGV_ONLY | TK_CONFIG_OBJS),
              TCL_OK)
        << result();
    EXPECT_EQ(record.count, 12);
    for (Tcl_Obj *word : words) {
        Tcl_DecrRefCount(word);
    }
}

TEST_F(OptionEngine, TheTableIsNeverWritten)
{
    std::vector<Tk_ConfigSpec> before(std::begin(recordSpecs), std::end(recordSpecs));
    configure({"-count", "1", "-label", "x"});
    configure({"-ratio", "2"}, TK_CONFIG_ARGV_ONLY);
    configure({"-bad", "2"});
    ASSERT_EQ(before.size(), std::size(recordSpecs));
    EXPECT_EQ(memcmp(before.data(), recordSpecs, sizeof(recordSpecs)), 0);
}

TEST_F(OptionEngine, OptionGivenResolvesNamesLikeConfigure)
{
    const char *words[] = {"-rat", "1", "-label", "x", "-count"};
    struct Case {
        const char *option;
        int given;
    } cases[] = {
        {"-ratio", 1}, {"-name", 1}, {"-count", 0}, {"-flag", 0}, {"-rat", 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ovexOptionGiven(recordSpecs, 5, words, c.option, 0), c.given) << c.option;
    }
}

}  // namespace

namespace {

/* With a main window the display-bound types go to Tk. Needs a display:
 * run under xvfb-run to exercise it; skipped otherwise. */
struct Decoration {
    XColor *background;
    int width;
    int relief;
    Tk_Anchor anchor;
};

const Tk_ConfigSpec decorationSpecs[] = {
    {TK_CONFIG_COLOR, "-background", "background", "Background", "red",
     offsetof(Decoration, background), 0, NULL},
    {TK_CONFIG_PIXELS, "-width", "width", "Width", "3", offsetof(Decoration, width), 0, NULL},
    {TK_CONFIG_RELIEF, "-relief", "relief", "Relief", "flat", offsetof(Decoration, relief), 0,
     NULL},
    {TK_CONFIG_ANCHOR, "-anchor", "anchor", "Anchor", "center", offsetof(Decoration, anchor), 0,
     NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL},
};

TEST(OptionEngineWithDisplay, DisplayTypesGoToTk)
{
    if (getenv("DISPLAY") == NULL) {
        GTEST_SKIP() << "no display";
    }
    Tcl_FindExecutable(nullptr);
    Tcl_Interp *interp = Tcl_CreateInterp();
    ASSERT_EQ(Tcl_Init(interp), TCL_OK) << Tcl_GetStringResult(interp);
    ASSERT_EQ(Tk_Init(interp), TCL_OK) << Tcl_GetStringResult(interp);
    Tk_Window main = Tk_MainWindow(interp);
    Decoration decoration;
    memset(&decoration, 0, sizeof(decoration));

    const char *words[] = {"-relief", "sunken", "-width", "7"};
    ASSERT_EQ(ovexConfigure(interp, main, decorationSpecs, 4, words, (char *)&decoration, 0),
              TCL_OK)
        << Tcl_GetStringResult(interp);
    EXPECT_EQ(decoration.relief, TK_RELIEF_SUNKEN);
    EXPECT_EQ(decoration.width, 7);
    EXPECT_EQ(decoration.anchor, TK_ANCHOR_CENTER);
    ASSERT_NE(decoration.background, nullptr);
    ASSERT_EQ(ovexConfigureInfo(interp, main, decorationSpecs, (char *)&decoration, NULL, 0), TCL_OK);
    EXPECT_STREQ(Tcl_GetStringResult(interp),
                 "{-background background Background red red} {-width width Width 3 7} "
                 "{-relief relief Relief flat sunken} {-anchor anchor Anchor center center}");

    const char *bad[] = {"-relief", "wavy"};
    EXPECT_EQ(ovexConfigure(interp, main, decorationSpecs, 2, bad, (char *)&decoration,
                            TK_CONFIG_ARGV_ONLY),
              TCL_ERROR);
    EXPECT_STREQ(Tcl_GetStringResult(interp),
                 "bad relief \"wavy\": must be flat, groove, raised, ridge, solid, or sunken");

    ovexFreeOptions(decorationSpecs, (char *)&decoration, 0);
    EXPECT_EQ(decoration.background, nullptr);
    Tcl_DeleteInterp(interp);
}

}  // namespace
