/*
 * console_channels_test.cpp --
 *
 *	The console channels: lines handed over in pieces, the end of input,
 *	output by channel, and the channels as the standard channels of an
 *	interpreter whose console commands are recording stand-ins.
 */
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/console_channels.h"
#include "core/package.h"

namespace {

/* Input commands take their lines from ::inputs (an error when none is
 * left); output commands append {channel text} to ::outputs. */
const char RECORDING_CONSOLE[] = R"TCL(
    set ::inputs {}
    set ::outputs {}
    proc nextInput {} {
        if {![llength $::inputs]} {return -code error "no input"}
        set line [lindex $::inputs 0]
        set ::inputs [lrange $::inputs 1 end]
        return $line
    }
    proc tkConsoleInput args {set ::consoleCmdLine [nextInput]}
    proc tkConsoleOutput {channel text} {lappend ::outputs [list $channel $text]}
)TCL";

ClientData channelData(int standardType)
{
    return (ClientData)(intptr_t)standardType;
}

class ConsoleChannelsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Tcl_FindExecutable(NULL);
        savedState = ovexState;
        interp = Tcl_CreateInterp();
        ASSERT_EQ(TCL_OK, Tcl_Eval(interp, RECORDING_CONSOLE)) << Tcl_GetStringResult(interp);
        previousConsole = setConsoleInterp(interp);
        ovexState.tkConsole = 1;
        ovexState.suppressOutput = 0;
        ovexState.eventPass = 0;
        conDropPendingInput();
    }

    void TearDown() override
    {
        conDropPendingInput();
        setConsoleInterp(previousConsole);
        Tcl_DeleteInterp(interp);
        Tcl_Interp *console = ovexState.consoleInterp;
        ovexState = savedState;
        ovexState.consoleInterp = console;
    }

    void setInputs(const std::vector<std::string> &lines)
    {
        Tcl_Obj *list = Tcl_NewListObj(0, NULL);
        for (const std::string &line : lines) {
            Tcl_ListObjAppendElement(NULL, list, Tcl_NewStringObj(line.c_str(), (int)line.size()));
        }
        Tcl_SetVar2Ex(interp, "inputs", NULL, list, TCL_GLOBAL_ONLY);
    }

    std::string eval(const char *script)
    {
        EXPECT_EQ(TCL_OK, Tcl_Eval(interp, script)) << Tcl_GetStringResult(interp);
        return Tcl_GetStringResult(interp);
    }

    /* One read of at most size bytes. */
    std::string readPiece(int size, int *count)
    {
        std::string buffer((size_t)size, '#');
        int error = -1;
        *count = consoleChannelInput(channelData(TCL_STDIN), &buffer[0], size, &error);
        EXPECT_EQ(0, error);
        return buffer.substr(0, *count > 0 ? (size_t)*count : 0);
    }

    Tcl_Interp *interp = NULL;
    Tcl_Interp *previousConsole = NULL;
    PackageState savedState;
};

TEST_F(ConsoleChannelsTest, LongLineIsHandedOverInPiecesWithItsNewline)
{
    std::string line;
    for (int i = 0; i < 5000; i++) {
        line += (char)('a' + i % 26);
    }
    setInputs({line, "next"});
    int count = 0;
    std::string first = readPiece(4096, &count);
    EXPECT_EQ(4096, count);
    EXPECT_EQ(line.substr(0, 4096), first);
    std::string rest = readPiece(4096, &count);
    EXPECT_EQ(905, count);
    EXPECT_EQ(line.substr(4096) + "\n", rest);
    EXPECT_EQ("next\n", readPiece(4096, &count)) << "the following line starts a new read";
}

TEST_F(ConsoleChannelsTest, ReadSmallerThanTheLineLosesNothing)
{
    setInputs({"abcdefg"});
    int count = 0;
    std::string pieces;
    for (int i = 0; i < 4; i++) {
        pieces += readPiece(3, &count);
    }
    EXPECT_EQ("abcdefg\n", pieces);
    EXPECT_EQ(0, count) << "nothing after the line: the console had no more input";
}

TEST_F(ConsoleChannelsTest, NoLineIsTheEndOfInput)
{
    struct Case {
        const char *what;
        std::vector<std::string> inputs;
        int tkConsole;
    } cases[] = {
        {"input command fails", {}, 1},
        {"empty line from tkConsoleInput", {""}, 1},
    };
    for (const Case &c : cases) {
        setInputs(c.inputs);
        ovexState.tkConsole = c.tkConsole;
        int count = -1;
        readPiece(100, &count);
        EXPECT_EQ(0, count) << c.what;
    }
    setConsoleInterp(NULL);
    int count = -1;
    readPiece(100, &count);
    EXPECT_EQ(0, count) << "no console";
    setConsoleInterp(interp);
}

TEST_F(ConsoleChannelsTest, LineWithItsOwnNewlineGetsNoSecond)
{
    setInputs({"typed\n"});
    int count = 0;
    EXPECT_EQ("typed\n", readPiece(64, &count));
}

TEST_F(ConsoleChannelsTest, OutputGoesToTheConsoleByChannel)
{
    int error = -1;
    EXPECT_EQ(3, consoleChannelOutput(channelData(TCL_STDOUT), "out", 3, &error));
    EXPECT_EQ(4, consoleChannelOutput(channelData(TCL_STDERR), "err\n", 4, &error));
    EXPECT_EQ(0, error);
    EXPECT_EQ("{stdout out} {stderr {err\n}}", eval("set ::outputs"));
}

/* The channels as standard channels. The process's standard channels are
 * replaced by scratch files first, so that what passes through to "the
 * previous standard channel" can be read back. */
TEST_F(ConsoleChannelsTest, StandardChannelsReachTheConsoleAndRestore)
{
    char outName[] = "/tmp/ovex-console-out-XXXXXX";
    int fd = mkstemp(outName);
    ASSERT_GE(fd, 0);
    close(fd);
    Tcl_Channel originalOut = Tcl_GetStdChannel(TCL_STDOUT);
    Tcl_Channel originalIn = Tcl_GetStdChannel(TCL_STDIN);
    Tcl_Channel originalErr = Tcl_GetStdChannel(TCL_STDERR);
    Tcl_Channel scratchOut = Tcl_OpenFileChannel(NULL, outName, "w", 0644);
    ASSERT_NE(nullptr, scratchOut);
    Tcl_RegisterChannel(NULL, scratchOut);
    Tcl_SetStdChannel(scratchOut, TCL_STDOUT);
    char inName[] = "/tmp/ovex-console-in-XXXXXX";
    fd = mkstemp(inName);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(20, write(fd, "from the real input\n", 20));
    close(fd);
    Tcl_Channel scratchIn = Tcl_OpenFileChannel(NULL, inName, "r", 0);
    ASSERT_NE(nullptr, scratchIn);
    Tcl_RegisterChannel(NULL, scratchIn);
    Tcl_SetStdChannel(scratchIn, TCL_STDIN);

    conCreateChannels(interp);
    EXPECT_EQ("lf none utf-8", eval("list [fconfigure stdin -translation]"
                                    " [fconfigure stdout -buffering] [fconfigure stderr -encoding]"));
    std::string line(5000, 'q');
    setInputs({line, "second"});
    EXPECT_EQ("5000 1 second", eval("set a [gets stdin]; set b [gets stdin];"
                                    "list [string length $a] [string equal $a [string repeat q 5000]] $b"));
    EXPECT_EQ("-1 1", eval("list [gets stdin line] [eof stdin]")) << "no more input is the end";
    setInputs({"again"});
    EXPECT_EQ("again", eval("gets stdin")) << "the end of input is not sticky";

    /* The console's output command writing to stdout itself reaches the
     * previous standard output instead of looping. */
    eval("proc tkConsoleOutput {channel text} {"
         "  lappend ::outputs [list $channel $text]; puts -nonewline stdout <$text>}");
    eval("puts hello; puts stderr oops");
    EXPECT_EQ("{stdout hello} {stdout {\n}} {stderr oops} {stderr {\n}}", eval("set ::outputs"));

    /* Without a Tk-style console the console reads with "gets stdin",
     * which then reads the previous standard input. */
    ovexState.tkConsole = 0;
    EXPECT_EQ("from the real input", eval("gets stdin"));

    Tcl_Flush(scratchOut);
    conRestoreStdChannels(NULL);
    EXPECT_EQ(scratchOut, Tcl_GetStdChannel(TCL_STDOUT));
    EXPECT_EQ(scratchIn, Tcl_GetStdChannel(TCL_STDIN));
    EXPECT_EQ(originalErr, Tcl_GetStdChannel(TCL_STDERR));
    Tcl_SetStdChannel(originalOut, TCL_STDOUT);
    Tcl_SetStdChannel(originalIn, TCL_STDIN);
    setConsoleInterp(interp);
    Tcl_UnregisterChannel(NULL, scratchOut);
    Tcl_UnregisterChannel(NULL, scratchIn);
    remove(inName);

    FILE *written = fopen(outName, "r");
    ASSERT_NE(nullptr, written);
    char text[64] = {0};
    size_t length = fread(text, 1, sizeof text - 1, written);
    fclose(written);
    remove(outName);
    EXPECT_EQ("<hello><\n><oops><\n>", std::string(text, length));
}

} // namespace
