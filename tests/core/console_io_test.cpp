/*
 * console_io_test.cpp --
 *
 *	Console output, input, the standard-I/O replacements, the meter, the
 *	pause/abort poll, getenv, fmt and tclUpdate. A Tcl interpreter with
 *	recording stand-ins of the console commands is the console.
 */
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/console_io.h"
#include "core/package.h"

namespace {

typedef std::vector<std::string> Words;

/* Every console command appends its name and arguments to ::calls; input
 * commands take their lines from ::inputs. */
const char RECORDING_CONSOLE[] = R"TCL(
    set ::calls {}
    set ::inputs {}
    proc nextInput {} {
        if {![llength $::inputs]} {return -code error "no input"}
        set line [lindex $::inputs 0]
        set ::inputs [lrange $::inputs 1 end]
        return $line
    }
    rename puts tcl_puts
    rename gets tcl_gets
    proc puts args {lappend ::calls [list puts {*}$args]}
    proc gets channel {lappend ::calls [list gets $channel]; nextInput}
    proc tkConsoleOutput {channel text} {lappend ::calls [list tkConsoleOutput $channel $text]}
    proc tkConsoleInput args {
        lappend ::calls [list tkConsoleInput {*}$args]
        set ::consoleCmdLine [nextInput]
    }
    proc tkConsoleXY {x y} {lappend ::calls [list tkConsoleXY $x $y]}
    proc clear {} {lappend ::calls clear}
    proc bell {} {lappend ::calls bell}
    proc meter.reset widget {lappend ::calls [list meter.reset $widget]}
    proc meter.set {widget fraction label} {lappend ::calls [list meter.set $widget $fraction $label]}
    proc ovex.pause {} {lappend ::calls ovex.pause}
    proc ovex.abort {} {lappend ::calls ovex.abort}
)TCL";

class ConsoleIoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Tcl_FindExecutable(NULL);
        savedState = ovexState;
        interp = Tcl_CreateInterp();
        ASSERT_EQ(TCL_OK, Tcl_Eval(interp, RECORDING_CONSOLE)) << Tcl_GetStringResult(interp);
        previousConsole = setConsoleInterp(interp);
        ovexState.tkConsole = 0;
        ovexState.suppressOutput = 0;
        ovexState.eventPass = 0;
        ovexState.pauseAbort = 0;
        ovexState.meterStep = 0.0f;
    }

    void TearDown() override
    {
        setConsoleInterp(previousConsole);
        Tcl_DeleteInterp(interp);
        Tcl_Interp *console = ovexState.consoleInterp;
        ovexState = savedState;
        ovexState.consoleInterp = console;
    }

    void run(const char *script)
    {
        ASSERT_EQ(TCL_OK, Tcl_Eval(interp, script)) << Tcl_GetStringResult(interp);
    }

    /* The recorded console commands, each as its words. */
    std::vector<Words> calls()
    {
        std::vector<Words> result;
        Tcl_Obj *list = Tcl_GetVar2Ex(interp, "calls", NULL, TCL_GLOBAL_ONLY);
        int count = 0;
        Tcl_Obj **items = NULL;
        if (list == NULL || Tcl_ListObjGetElements(interp, list, &count, &items) != TCL_OK) {
            ADD_FAILURE() << "calls is not a list";
            return result;
        }
        for (int i = 0; i < count; i++) {
            int wordCount = 0;
            Tcl_Obj **words = NULL;
            Tcl_ListObjGetElements(interp, items[i], &wordCount, &words);
            Words call;
            for (int w = 0; w < wordCount; w++) {
                call.push_back(Tcl_GetString(words[w]));
            }
            result.push_back(call);
        }
        return result;
    }

    void setInputs(const Words &lines)
    {
        Tcl_Obj *list = Tcl_NewListObj(0, NULL);
        for (const std::string &line : lines) {
            Tcl_ListObjAppendElement(NULL, list, Tcl_NewStringObj(line.c_str(), (int)line.size()));
        }
        Tcl_SetVar2Ex(interp, "inputs", NULL, list, TCL_GLOBAL_ONLY);
    }

    std::string global(const char *name)
    {
        const char *value = Tcl_GetVar(interp, name, TCL_GLOBAL_ONLY);
        return value ? value : "<unset>";
    }

    Tcl_Interp *interp = NULL;
    Tcl_Interp *previousConsole = NULL;
    PackageState savedState;
};

/* A scratch file holding bytes; removed by the caller. */
std::string writeScratchFile(const char *bytes, size_t length)
{
    char name[] = "/tmp/ovex-console-io-XXXXXX";
    int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    FILE *file = fdopen(fd, "wb");
    fwrite(bytes, 1, length, file);
    fclose(file);
    return name;
}

// ---- Output ---------------------------------------------------------------

TEST_F(ConsoleIoTest, OutputChoosesCommandByChannelAndTkConsoleFlag)
{
    struct Case {
        int tkConsole;
        FILE *stream;
        Words expected;
    } cases[] = {
        {0, stdout, {"puts", "-nonewline", "stdout", "hi"}},
        {0, stderr, {"puts", "-nonewline", "stderr", "hi"}},
        {1, stdout, {"tkConsoleOutput", "stdout", "hi"}},
        {1, stderr, {"tkConsoleOutput", "stderr", "hi"}},
    };
    for (const Case &c : cases) {
        run("set ::calls {}");
        ovexState.tkConsole = c.tkConsole;
        EXPECT_EQ(2, ovex_fprintf(c.stream, "%s", "hi"));
        EXPECT_EQ(std::vector<Words>{c.expected}, calls());
    }
}

TEST_F(ConsoleIoTest, StderrTextReachesTkConsoleAsOneWordWhateverItHolds)
{
    ovexState.tkConsole = 1;
    const char *text = "a {b [exit 3] $x\\n} \"q\" }{\n";
    EXPECT_EQ((int)strlen(text), ovex_fprintf(stderr, "%s", text));
    EXPECT_EQ((std::vector<Words>{{"tkConsoleOutput", "stderr", text}}), calls());
}

TEST_F(ConsoleIoTest, ConsoleChannelNumbersOtherThanStderrAreStdout)
{
    EXPECT_EQ(1, consolePuts(TCL_STDERR, "e", 1));
    EXPECT_EQ(1, consolePuts(2, "o", 1));
    EXPECT_EQ(2, consolePuts(TCL_STDOUT, "xyz", 2));
    EXPECT_EQ((std::vector<Words>{{"puts", "-nonewline", "stderr", "e"},
                                  {"puts", "-nonewline", "stdout", "o"},
                                  {"puts", "-nonewline", "stdout", "xy"}}),
              calls());
}

TEST_F(ConsoleIoTest, BellRingsBeforeTheTextAndIsNotShown)
{
    EXPECT_EQ(5, ovex_printf("a\007b\007c"));
    EXPECT_EQ((std::vector<Words>{{"bell"}, {"bell"}, {"puts", "-nonewline", "stdout", "abc"}}), calls());
}

TEST_F(ConsoleIoTest, NulByteIsKeptInsideTheText)
{
    EXPECT_EQ(3, consolePuts(TCL_STDOUT, "a\0b", 3));
    std::vector<Words> recorded = calls();
    ASSERT_EQ(1u, recorded.size());
    run("set ::text [lindex $::calls 0 3]; set ::len [string length $::text]; "
        "set ::mid [scan [string index $::text 1] %c]");
    EXPECT_EQ("3", global("len"));
    EXPECT_EQ("0", global("mid"));
}

TEST_F(ConsoleIoTest, OutputIsDroppedButReportedWithoutConsoleOrWhileSuppressed)
{
    ovexState.suppressOutput = 1;
    EXPECT_EQ(5, ovex_printf("hello"));
    ovexState.suppressOutput = 0;
    setConsoleInterp(NULL);
    EXPECT_EQ(5, ovex_fprintf(stderr, "hello"));
    EXPECT_EQ(4, consolePuts(TCL_STDOUT, "text", 4));
    setConsoleInterp(interp);
    EXPECT_TRUE(calls().empty());
}

TEST_F(ConsoleIoTest, CharacterAndLineWritersReturnWhatTheyPromise)
{
    EXPECT_EQ('x', ovex_fputc('x', stdout));
    EXPECT_EQ(200, ovex_fputc(200, stderr));
    EXPECT_EQ('y', ovex_putchar('y'));
    EXPECT_EQ(4, ovex_fputs("text", stderr));
    EXPECT_EQ(4, ovex_puts("line"));
    std::vector<Words> recorded = calls();
    ASSERT_EQ(6u, recorded.size());
    EXPECT_EQ((Words{"puts", "-nonewline", "stdout", "x"}), recorded[0]);
    EXPECT_EQ("stderr", recorded[1][2]);
    EXPECT_EQ((Words{"puts", "-nonewline", "stdout", "y"}), recorded[2]);
    EXPECT_EQ((Words{"puts", "-nonewline", "stderr", "text"}), recorded[3]);
    EXPECT_EQ((Words{"puts", "-nonewline", "stdout", "line"}), recorded[4]);
    EXPECT_EQ((Words{"puts", "-nonewline", "stdout", "\n"}), recorded[5]);
}

TEST_F(ConsoleIoTest, LongMessageIsWrittenWhole)
{
    std::string text(5000, 'm');
    text += "end";
    EXPECT_EQ((int)text.size(), ovex_fprintf(stdout, "%s", text.c_str()));
    std::vector<Words> recorded = calls();
    ASSERT_EQ(1u, recorded.size());
    EXPECT_EQ(text, recorded[0][3]);
}

TEST_F(ConsoleIoTest, OtherStreamsGoToTheFile)
{
    std::string name = writeScratchFile("", 0);
    FILE *file = fopen(name.c_str(), "w");
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(5, ovex_fprintf(file, "n=%d;", 42));
    EXPECT_EQ(3, ovex_fputs("abc", file));
    EXPECT_EQ('z', ovex_fputc('z', file));
    fclose(file);
    char content[32] = {0};
    file = fopen(name.c_str(), "r");
    fread(content, 1, sizeof content - 1, file);
    fclose(file);
    remove(name.c_str());
    EXPECT_STREQ("n=42;abcz", content);
    EXPECT_TRUE(calls().empty());
}

TEST_F(ConsoleIoTest, WritingToAReadOnlyStreamFails)
{
    std::string name = writeScratchFile("data", 4);
    FILE *file = fopen(name.c_str(), "r");
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(-1, ovex_fprintf(file, "x"));
    EXPECT_EQ(-1, ovex_fputs("x", file));
    EXPECT_EQ(-1, ovex_fputc('x', file));
    fclose(file);
    remove(name.c_str());
}

TEST_F(ConsoleIoTest, CallerResultAndErrorInformationSurviveConsoleUse)
{
    /* The console commands fail and the event pass resets the result: the
     * caller must see none of it. */
    run("proc puts args {error boom-puts {} {OUT FAIL}}; proc gets args {error boom-gets}; "
        "proc meter.set args {error boom-meter}; proc bell {} {error boom-bell}; "
        "proc ovex.pause {} {error boom-pause}");
    ovexState.eventPass = 1;
    ovexState.meterStep = 0.1f;
    ovexState.pauseAbort = 2;
    ASSERT_EQ(TCL_ERROR, Tcl_Eval(interp, "error caller-message caller-info {CALLER CODE}"));
    std::string callerInfo = global("errorInfo");
    ASSERT_EQ(0u, callerInfo.find("caller-info"));

    ovex_fprintf(stderr, "warning\007\n");
    ovex_printf("x");
    EXPECT_EQ(TCL_ERROR, meterSet("label", 0.5f));
    EXPECT_EQ(nullptr, conGets(NULL));
    EXPECT_EQ(0, consoleGetchar());
    EXPECT_EQ(2, pollPauseAbort());
    ovex_getenv("HOME");

    EXPECT_STREQ("caller-message", Tcl_GetStringResult(interp));
    EXPECT_EQ(callerInfo, global("errorInfo"));
    EXPECT_EQ("CALLER CODE", global("errorCode"));
}

TEST_F(ConsoleIoTest, BatchWritesTheStandardChannelInOrderAndKeepsTheCallerState)
{
    /* Tcl's own puts and a standard output that is a fully buffered file:
     * the output is written into the channel itself. */
    run("rename puts {}; rename tcl_puts puts");
    char name[] = "/tmp/ovex-console-out-XXXXXX";
    int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    Tcl_Channel file = Tcl_OpenFileChannel(interp, name, "w", 0644);
    ASSERT_NE(nullptr, file);
    Tcl_RegisterChannel(interp, file);
    Tcl_SetChannelOption(NULL, file, "-buffering", "full");
    Tcl_SetChannelOption(NULL, file, "-translation", "lf");
    Tcl_Channel previous = Tcl_GetStdChannel(TCL_STDOUT);
    Tcl_SetStdChannel(file, TCL_STDOUT);

    ASSERT_EQ(TCL_ERROR, Tcl_Eval(interp, "error caller-message caller-info {CALLER CODE}"));
    std::string callerInfo = global("errorInfo");

    consoleBatchBegin();
    ovex_printf("a\n");
    ovex_fprintf(stdout, "b%cb\n", 0);
    consoleEval(interp, "puts -nonewline stdout c\\n", -1);
    ovex_fputs("d\n", stdout);
    consoleBatchEnd();

    /* Read back through the C library: all of it is out already. */
    FILE *in = fopen(name, "rb");
    ASSERT_NE(nullptr, in);
    char buffer[64];
    size_t n = fread(buffer, 1, sizeof buffer, in);
    fclose(in);
    EXPECT_EQ(std::string("a\nb\0b\nc\nd\n", 10), std::string(buffer, n));

    EXPECT_STREQ("caller-message", Tcl_GetStringResult(interp));
    EXPECT_EQ(callerInfo, global("errorInfo"));
    EXPECT_EQ("CALLER CODE", global("errorCode"));

    Tcl_SetStdChannel(previous, TCL_STDOUT);
    Tcl_UnregisterChannel(interp, file);
    unlink(name);
}

TEST_F(ConsoleIoTest, EventPassFlagRunsPendingEventsAfterEachWrite)
{
    run("after idle {set ::idleRan 1}");
    ovex_printf("no pass");
    EXPECT_EQ("<unset>", global("idleRan"));
    ovexState.eventPass = 1;
    ovex_printf("pass");
    EXPECT_EQ("1", global("idleRan"));
}

// ---- Input ------------------------------------------------------------------

TEST_F(ConsoleIoTest, ConGetsReadsWithGetsOrTkConsoleInput)
{
    setInputs({"first line", "second"});
    int length = -1;
    EXPECT_STREQ("first line", conGets(&length));
    EXPECT_EQ(10, length);
    ovexState.tkConsole = 1;
    EXPECT_STREQ("second", conGets(&length));
    EXPECT_EQ(6, length);
    EXPECT_EQ((std::vector<Words>{{"gets", "stdin"}, {"tkConsoleInput"}}), calls());
}

TEST_F(ConsoleIoTest, ConGetsGivesNothingForEmptyFailedOrMissingInput)
{
    setInputs({""});
    int length = -1;
    EXPECT_EQ(nullptr, conGets(&length));
    EXPECT_EQ(0, length);
    /* The input command fails: neither its message nor a stale line. */
    run("set ::consoleCmdLine stale");
    ovexState.tkConsole = 1;
    EXPECT_EQ(nullptr, conGets(&length));
    ovexState.tkConsole = 0;
    EXPECT_EQ(nullptr, conGets(&length));
    EXPECT_EQ(0, length);
    setConsoleInterp(NULL);
    length = -1;
    EXPECT_EQ(nullptr, conGets(&length));
    EXPECT_EQ(0, length);
    EXPECT_EQ(0, consoleGetchar());
    EXPECT_EQ(-1, ovex_fgetc(stdin));
    setConsoleInterp(interp);
}

TEST_F(ConsoleIoTest, ConsoleFgetsKeepsNMinusOneCharactersAndDropsTheRest)
{
    char buffer[16];
    memset(buffer, '#', sizeof buffer);
    setInputs({"abcdef", "next", "ab", ""});
    EXPECT_EQ(buffer, ovex_fgets(buffer, 4, stdin));
    EXPECT_STREQ("abc", buffer);
    EXPECT_EQ(buffer, ovex_fgets(buffer, 8, stdin));
    EXPECT_STREQ("next", buffer);
    EXPECT_EQ(buffer, ovex_fgets(buffer, 3, stdin)) << "line exactly n - 1 long";
    EXPECT_STREQ("ab", buffer);
    EXPECT_EQ(nullptr, ovex_fgets(buffer, 8, stdin)) << "empty line";
}

TEST_F(ConsoleIoTest, ConsoleCharacterReaders)
{
    setInputs({"xyz", "", "q", "abc"});
    EXPECT_EQ('x', ovex_fgetc(stdin));
    EXPECT_EQ(-1, ovex_getc(stdin)) << "empty line is the end";
    EXPECT_EQ('q', ovex_getch());
    ovexState.tkConsole = 1;
    EXPECT_EQ('a', consoleGetchar());
    EXPECT_EQ((Words{"tkConsoleInput", "1"}), calls().back());
}

TEST_F(ConsoleIoTest, GetsRemovesTheTrailingNewline)
{
    setInputs({"hello\n", "plain", ""});
    char buffer[32];
    EXPECT_EQ(buffer, ovex_gets(buffer));
    EXPECT_STREQ("hello", buffer);
    EXPECT_STREQ("plain", ovex_gets(NULL));
    EXPECT_EQ(nullptr, ovex_gets(buffer));
}

TEST_F(ConsoleIoTest, ScanfScansOneConsoleLine)
{
    setInputs({"12 3.5 word", "7"});
    int number = 0;
    double value = 0;
    char word[16] = {0};
    EXPECT_EQ(3, ovex_scanf("%d %lf %15s", &number, &value, word));
    EXPECT_EQ(12, number);
    EXPECT_DOUBLE_EQ(3.5, value);
    EXPECT_STREQ("word", word);
    EXPECT_EQ(1, ovex_fscanf(stdin, "%d", &number));
    EXPECT_EQ(7, number);
    EXPECT_EQ(EOF, ovex_scanf("%d", &number)) << "no line";
    EXPECT_EQ(EOF, ovex_fscanf(stdin, "%d", &number)) << "no line";
}

TEST_F(ConsoleIoTest, RealFileFgetsStopsAtNMinusOneAndKeepsTheRest)
{
    std::string name = writeScratchFile("abcdef\nsecond\n", 14);
    FILE *file = fopen(name.c_str(), "rb");
    ASSERT_NE(nullptr, file);
    char buffer[16];
    EXPECT_EQ(buffer, ovex_fgets(buffer, 4, file));
    EXPECT_STREQ("abc", buffer);
    EXPECT_EQ('d', ovex_fgetc(file));
    EXPECT_EQ(buffer, ovex_fgets(buffer, sizeof buffer, file));
    EXPECT_STREQ("ef\n", buffer);
    EXPECT_EQ(buffer, ovex_fgets(buffer, sizeof buffer, file));
    EXPECT_STREQ("second\n", buffer);
    EXPECT_EQ(nullptr, ovex_fgets(buffer, sizeof buffer, file));
    fclose(file);
    remove(name.c_str());
    EXPECT_TRUE(calls().empty());
}

TEST_F(ConsoleIoTest, RealFileFgetcGivesHighBytesAndMinusOneOnlyAtTheEnd)
{
    const char bytes[] = {(char)200, (char)255};
    std::string name = writeScratchFile(bytes, 2);
    FILE *file = fopen(name.c_str(), "rb");
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(200, ovex_fgetc(file));
    EXPECT_EQ(255, ovex_getc(file));
    EXPECT_EQ(-1, ovex_fgetc(file));
    fclose(file);
    remove(name.c_str());
}

TEST_F(ConsoleIoTest, RealFileFscanfUsesTheFile)
{
    std::string name = writeScratchFile("41 rest", 7);
    FILE *file = fopen(name.c_str(), "r");
    int number = 0;
    EXPECT_EQ(1, ovex_fscanf(file, "%d", &number));
    EXPECT_EQ(41, number);
    fclose(file);
    remove(name.c_str());
    EXPECT_TRUE(calls().empty());
}

TEST_F(ConsoleIoTest, MemoryStreamIsReadAsAFile)
{
    char data[] = "mem line\n";
    FILE *memory = fmemopen(data, strlen(data), "r");
    ASSERT_NE(nullptr, memory);
    char buffer[16];
    EXPECT_EQ(buffer, ovex_fgets(buffer, sizeof buffer, memory));
    EXPECT_STREQ("mem line\n", buffer);
    fclose(memory);
    EXPECT_TRUE(calls().empty());
}

// ---- Cursor and clear ---------------------------------------------------------

TEST_F(ConsoleIoTest, GotoXYAndClear)
{
    consoleGotoXY(3, -4);
    consoleClear();
    EXPECT_EQ((std::vector<Words>{{"tkConsoleXY", "3", "-4"}, {"clear"}}), calls());
}

// ---- Meter and poll -------------------------------------------------------------

TEST_F(ConsoleIoTest, MeterDoesNothingWithStepZero)
{
    ovexState.meterLast = 0.75f;
    EXPECT_EQ(0, meterSet("label", 0.5f));
    EXPECT_EQ(0, meterReset());
    EXPECT_FLOAT_EQ(0.0f, meterInc());
    EXPECT_FLOAT_EQ(0.75f, ovexState.meterLast);
    EXPECT_TRUE(calls().empty());
}

TEST_F(ConsoleIoTest, MeterSetPassesFractionAndLabelAsWords)
{
    ovexState.meterStep = 0.25f;
    EXPECT_FLOAT_EQ(0.25f, meterInc());
    EXPECT_EQ(TCL_OK, meterSet("Reading {a} [b] $c", 0.5f));
    EXPECT_FLOAT_EQ(0.5f, ovexState.meterLast);
    EXPECT_EQ(TCL_OK, meterReset());
    EXPECT_FLOAT_EQ(0.0f, ovexState.meterLast);
    EXPECT_EQ((std::vector<Words>{{"meter.set", ".status.info.meter", "0.500000", "Reading {a} [b] $c"},
                                  {"meter.reset", ".status.info.meter"}}),
              calls());
    run("proc meter.reset args {error broken}");
    EXPECT_EQ(TCL_ERROR, meterReset());
}

TEST_F(ConsoleIoTest, PollRunsPauseOrAbortByState)
{
    struct Case {
        int state;
        std::vector<Words> expected;
    } cases[] = {
        {0, {}},
        {1, {}},
        {2, {{"ovex.pause"}}},
        {3, {{"ovex.abort"}}},
    };
    for (const Case &c : cases) {
        run("set ::calls {}");
        ovexState.pauseAbort = c.state;
        EXPECT_EQ(c.state, pollPauseAbort());
        EXPECT_EQ(c.expected, calls()) << "state " << c.state;
    }
    setConsoleInterp(NULL);
    EXPECT_EQ(0, pollPauseAbort()) << "no console";
    setConsoleInterp(interp);
}

TEST_F(ConsoleIoTest, PollReadsTheStateAgainAfterTheEventPass)
{
    ovexState.pauseAbort = 2;
    Tcl_CreateTimerHandler(0, [](ClientData) { ovexState.pauseAbort = 3; }, NULL);
    EXPECT_EQ(3, pollPauseAbort());
    EXPECT_EQ((std::vector<Words>{{"ovex.abort"}}), calls());
}

// ---- getenv, fmt, tclUpdate ---------------------------------------------------------

TEST_F(ConsoleIoTest, GetenvReadsTheConsoleEnvArrayOnly)
{
    setenv("OVEX_CONSOLE_IO_PROCESS_ONLY", "process", 1);
    setConsoleInterp(NULL);
    EXPECT_EQ(nullptr, ovex_getenv("OVEX_CONSOLE_IO_PROCESS_ONLY"));
    EXPECT_EQ(nullptr, ovex_getenv("HOME"));
    setConsoleInterp(interp);
    run("set ::env(OVEX_CONSOLE_IO_SCRIPT) {from script}");
    EXPECT_STREQ("from script", ovex_getenv("OVEX_CONSOLE_IO_SCRIPT"));
    run("unset ::env(OVEX_CONSOLE_IO_SCRIPT)");
    EXPECT_EQ(nullptr, ovex_getenv("OVEX_CONSOLE_IO_SCRIPT"));
    unsetenv("OVEX_CONSOLE_IO_PROCESS_ONLY");
}

TEST(FormatRing, FormatsIntoSuccessivePlaces)
{
    char *first = fmt("%d-%s", 7, "seven");
    char *second = fmt("%.2f", 1.5);
    EXPECT_STREQ("7-seven", first);
    EXPECT_STREQ("1.50", second);
}

TEST(FormatRing, RestartsOnlyWhenThePositionPasses15360)
{
    /* Find the ring's start: fill with long texts until a result lands
     * below the one before. */
    std::string block(999, 'b');
    char *previous = fmt("%s", block.c_str());
    char *start = NULL;
    for (int i = 0; i < 40 && start == NULL; i++) {
        char *next = fmt("%s", block.c_str());
        if (next < previous) {
            start = next;
        }
        previous = next;
    }
    ASSERT_NE(nullptr, start);
    /* Now at start + 1000. Fill to exactly 15360 with 14 more texts of
     * 1000 bytes and one of 360; the next result still goes there, and
     * with its 1023 characters fills the ring to the end. */
    for (int i = 0; i < 14; i++) {
        fmt("%s", block.c_str());
    }
    fmt("%s", std::string(359, 'c').c_str());
    std::string longest(1023, 'L');
    char *atLimit = fmt("%s", longest.c_str());
    EXPECT_EQ(start + 15360, atLimit);
    EXPECT_EQ(longest, atLimit);
    /* Position 16384 is past the limit: back to the start. */
    EXPECT_EQ(start, fmt("w"));

    /* Just above the limit restarts too: 2 + 15 * 1000 + 359 = 15361. */
    for (int i = 0; i < 15; i++) {
        fmt("%s", block.c_str());
    }
    fmt("%s", std::string(358, 'c').c_str());
    char *wrapped = fmt("%s", "again");
    EXPECT_EQ(start, wrapped);
    EXPECT_STREQ("again", wrapped);
}

TEST(FormatRing, CutsAResultAtTheRoomLeft)
{
    std::string huge(20000, 'h');
    char *text = fmt("%s", huge.c_str());
    size_t length = strlen(text);
    EXPECT_GE(length, 1023u);
    EXPECT_LT(length, 16384u);
    EXPECT_EQ(std::string(length, 'h'), text);
    EXPECT_STREQ("after", fmt("after"));
}

TEST_F(ConsoleIoTest, TclUpdateRunsPendingEventsAndResetsTheResult)
{
    run("after idle {set ::idle 1}; after 0 {set ::timer 1}");
    Tcl_SetResult(interp, (char *)"left over", TCL_STATIC);
    tclUpdate(interp, TCL_ALL_EVENTS);
    EXPECT_EQ("1", global("idle"));
    EXPECT_EQ("1", global("timer"));
    EXPECT_STREQ("", Tcl_GetStringResult(interp));
    run("after idle {set ::idle 2}");
    tclUpdate(NULL, TCL_ALL_EVENTS);
    EXPECT_EQ("2", global("idle"));
}

} // namespace
