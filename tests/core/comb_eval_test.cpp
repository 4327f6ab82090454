/*
 * comb_eval_test.cpp --
 *
 *	The direct evaluator and its abort protocol, the _comb store accessors
 *	and the command-information table, over a plain Tcl interpreter that
 *	is also the console (its puts records what is written per stream).
 */
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "core/inits.h"
#include "core/package.h"
#include "widgets/comb/comb_cmd_cache.h"
#include "core/comb_eval.h"

namespace {

struct ProcCall {
    int calls = 0;
    ClientData clientData = NULL;
    std::vector<std::string> words;
};

int recordingProc(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    ProcCall *call = static_cast<ProcCall *>(clientData);
    call->calls++;
    call->clientData = clientData;
    call->words.assign(argv, argv + argc);
    Tcl_SetResult(interp, const_cast<char *>("recorded"), TCL_STATIC);
    return TCL_OK;
}

/* A string command that appends to the result, as many Tk commands do. */
int appendingProc(ClientData, Tcl_Interp *interp, int, const char **)
{
    Tcl_AppendResult(interp, "fresh", (char *)NULL);
    return TCL_OK;
}

class CombEvalTest : public ::testing::Test {
protected:
    Tcl_Interp *interp = NULL;
    Tcl_Interp *previousConsole = NULL;
    bool landed = false;
    bool reachedNextStep = false;

    void SetUp() override
    {
        Tcl_FindExecutable(NULL);
        interp = Tcl_CreateInterp();
        previousConsole = setConsoleInterp(interp);
        /* Console writes are "puts -nonewline stdout|stderr TEXT". */
        ASSERT_EQ(TCL_OK, Tcl_Eval(interp,
            "array set ::out {stdout {} stderr {}}\n"
            "proc puts args {append ::out([lindex $args end-1]) [lindex $args end]}"));
        Tcl_CreateCommand(interp, "appending", appendingProc, NULL, NULL);
        Tcl_ResetResult(interp);
    }

    void TearDown() override
    {
        setConsoleInterp(previousConsole);
        Tcl_DeleteInterp(interp);
    }

    std::string written(const char *stream)
    {
        const char *value = Tcl_GetVar2(interp, "::out", stream, TCL_GLOBAL_ONLY);
        return value ? value : "";
    }

    std::string errorInfo()
    {
        const char *value = Tcl_GetVar(interp, "::errorInfo", TCL_GLOBAL_ONLY);
        return value ? value : "";
    }

    std::string result() { return Tcl_GetStringResult(interp); }

    /* Runs step under an abort point, noting whether it landed and whether
     * the step after it was reached. */
    template <typename Step>
    int underAbortPoint(Step step)
    {
        return combWithAbortPoint(
            [&](CombAbort *abortPoint) {
                int code = step(abortPoint);
                reachedNextStep = true;
                return code;
            },
            [&]() { landed = true; });
    }
};

bool endsWith(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(CombEvalTest, NoWordsFailsWithoutMessageOrTrace)
{
    ASSERT_EQ(TCL_ERROR, Tcl_Eval(interp, "error boom"));
    std::string before = errorInfo();

    EXPECT_EQ(TCL_ERROR, combEval(NULL, NULL, interp, NULL, (char *)NULL));
    EXPECT_EQ(before, errorInfo());

    int code = underAbortPoint([&](CombAbort *abortPoint) {
        return combEval(abortPoint, NULL, interp, NULL, (char *)NULL);
    });
    EXPECT_EQ(TCL_ERROR, code);
    EXPECT_FALSE(landed);
    EXPECT_EQ(before, errorInfo());
    EXPECT_EQ("", written("stdout"));
}

TEST_F(CombEvalTest, UnknownCommandWithoutAbortPointOnlyAppendsToErrorInfo)
{
    EXPECT_EQ(TCL_ERROR, combEval(NULL, NULL, interp, NULL, "nosuch", "a", (char *)NULL));
    EXPECT_EQ("\nnosuch does not exists!\nError from combEval: nosuch\n", errorInfo());
    EXPECT_EQ("", written("stdout"));
}

TEST_F(CombEvalTest, UnknownCommandUnderAbortPointPrintsTraceAndLands)
{
    Tcl_SetResult(interp, const_cast<char *>("earlier message"), TCL_STATIC);

    int code = underAbortPoint([&](CombAbort *abortPoint) {
        return combEval(abortPoint, NULL, interp, NULL, "nosuch", "a", "b c", (char *)NULL);
    });

    EXPECT_EQ(TCL_ERROR, code);
    EXPECT_TRUE(landed);
    EXPECT_FALSE(reachedNextStep);
    EXPECT_EQ("earlier message\nAbort at:\nnosuch a b c \nfrom combEval\n", written("stdout"));
    /* Tcl starts a fresh errorInfo with the result. */
    EXPECT_EQ("earlier message\nnosuch does not exists!\nError from combEval: nosuch\n",
              errorInfo());
    /* Printing on the console must not cost the command its message. */
    EXPECT_EQ("earlier message", result());
}

TEST_F(CombEvalTest, FailingStatusesAreFailures)
{
    struct Case {
        const char *command;
        const char *argument;
        int status;
    } cases[] = {
        {"error", "bad thing", TCL_ERROR},
        {"break", NULL, TCL_BREAK},
        {"continue", NULL, TCL_CONTINUE},
        {"return", NULL, TCL_RETURN},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        Tcl_ResetResult(interp);
        EXPECT_EQ(c.status, combEval(NULL, NULL, interp, NULL, c.command, c.argument, (char *)NULL));
        EXPECT_TRUE(endsWith(errorInfo(), std::string("\nError from combEval: ") + c.command + "\n"))
            << errorInfo();
    }
}

TEST_F(CombEvalTest, FailingCommandUnderAbortPointPrintsItsMessage)
{
    int code = underAbortPoint([&](CombAbort *abortPoint) {
        return combEval(abortPoint, NULL, interp, NULL, "error", "bad thing", (char *)NULL);
    });

    EXPECT_EQ(TCL_ERROR, code);
    EXPECT_TRUE(landed);
    EXPECT_FALSE(reachedNextStep);
    EXPECT_EQ("bad thing\nAbort at:\nerror bad thing \nfrom combEval\n", written("stdout"));
    EXPECT_EQ("bad thing", result());
}

TEST_F(CombEvalTest, BreakUnderAbortPointLands)
{
    int code = underAbortPoint([&](CombAbort *abortPoint) {
        return combEval(abortPoint, NULL, interp, NULL, "break", (char *)NULL);
    });
    EXPECT_EQ(TCL_ERROR, code);
    EXPECT_TRUE(landed);
    EXPECT_EQ("\nAbort at:\nbreak \nfrom combEval\n", written("stdout"));
}

TEST_F(CombEvalTest, SuccessLeavesTheCommandsResultAndGoesOn)
{
    int code = underAbortPoint([&](CombAbort *abortPoint) {
        return combEval(abortPoint, NULL, interp, NULL, "set", "x", "$y [z]", (char *)NULL);
    });
    EXPECT_EQ(TCL_OK, code);
    EXPECT_FALSE(landed);
    EXPECT_TRUE(reachedNextStep);
    /* Words are passed as they are, never substituted. */
    EXPECT_EQ("$y [z]", result());
    EXPECT_STREQ("$y [z]", Tcl_GetVar(interp, "x", TCL_GLOBAL_ONLY));
    EXPECT_EQ("", written("stdout"));
}

TEST_F(CombEvalTest, CommandStartsFromAnEmptyResult)
{
    Tcl_SetResult(interp, const_cast<char *>("stale"), TCL_STATIC);
    EXPECT_EQ(TCL_OK, combEval(NULL, NULL, interp, NULL, "appending", (char *)NULL));
    EXPECT_EQ("fresh", result());
}

TEST_F(CombEvalTest, GivenProcedureIsCalledWithItsClientData)
{
    ProcCall call;
    /* The first word need not name a command when the procedure is given. */
    EXPECT_EQ(TCL_OK, combEval(NULL, &call, interp, recordingProc, "nosuch", "-text", "a b",
                               (char *)NULL));
    EXPECT_EQ(1, call.calls);
    EXPECT_EQ(static_cast<ClientData>(&call), call.clientData);
    EXPECT_EQ((std::vector<std::string>{"nosuch", "-text", "a b"}), call.words);
    EXPECT_EQ("recorded", result());
}

TEST_F(CombEvalTest, LookedUpCommandGetsItsOwnClientData)
{
    ProcCall call;
    Tcl_CreateCommand(interp, "recorder", recordingProc, &call, NULL);
    EXPECT_EQ(TCL_OK, combEval(NULL, (ClientData)0x1234, interp, NULL, "recorder", "w",
                               (char *)NULL));
    EXPECT_EQ(static_cast<ClientData>(&call), call.clientData);
    EXPECT_EQ((std::vector<std::string>{"recorder", "w"}), call.words);
}

TEST_F(CombEvalTest, EvalVarUnknownCommandUsesItsOwnTexts)
{
    const char *words[] = {"nosuch", "a", NULL};
    EXPECT_EQ(TCL_ERROR, combEvalVar(NULL, interp, 2, words));
    EXPECT_EQ("\nnosuch dose not exist!\nError from combEvalVar: nosuch\n", errorInfo());
    EXPECT_EQ("", written("stdout"));

    Tcl_ResetResult(interp);
    Tcl_SetResult(interp, const_cast<char *>("not printed"), TCL_STATIC);
    int code = underAbortPoint([&](CombAbort *abortPoint) {
        return combEvalVar(abortPoint, interp, 2, words);
    });
    EXPECT_EQ(TCL_ERROR, code);
    EXPECT_TRUE(landed);
    EXPECT_FALSE(reachedNextStep);
    EXPECT_EQ("Abort at:\nnosuch a \nfrom combEvalVar\n", written("stdout"));
}

TEST_F(CombEvalTest, EvalVarStatusesAndSuccess)
{
    const char *none[] = {NULL};
    EXPECT_EQ(TCL_ERROR, combEvalVar(NULL, interp, 0, none));

    const char *brk[] = {"continue", NULL};
    EXPECT_EQ(TCL_CONTINUE, combEvalVar(NULL, interp, 1, brk));
    EXPECT_TRUE(endsWith(errorInfo(), "\nError from combEvalVar: continue\n")) << errorInfo();

    const char *set[] = {"set", "v", "1 2", NULL};
    EXPECT_EQ(TCL_OK, combEvalVar(NULL, interp, 3, set));
    EXPECT_EQ("1 2", result());
}

TEST_F(CombEvalTest, AbortWritesMessageAsTextAndLands)
{
    int code = underAbortPoint([&](CombAbort *abortPoint) {
        combAbort(abortPoint, "100% %s done\n");
        return TCL_OK;
    });
    EXPECT_EQ(TCL_ERROR, code);
    EXPECT_TRUE(landed);
    EXPECT_FALSE(reachedNextStep);
    EXPECT_EQ("100% %s done\n", written("stderr"));

    /* Without an abort point there is nowhere to go: it only writes. */
    combAbort(NULL, "again\n");
    EXPECT_EQ("100% %s done\nagain\n", written("stderr"));
}

TEST_F(CombEvalTest, StoreIsTheGlobalCombArrayFromAnyLevel)
{
    /* Read and write from inside a procedure: the store stays global. */
    Tcl_CreateCommand(interp, "storeProbe", [](ClientData, Tcl_Interp *in, int, const char **) {
        combSetVar(in, "fold", "%s,class", ".w");
        const char *value = combGetVar(in, "%s,cf%s", ".w", "-page");
        Tcl_SetResult(in, const_cast<char *>(value ? value : "<none>"), TCL_VOLATILE);
        return TCL_OK;
    }, NULL, NULL);
    ASSERT_EQ(TCL_OK, Tcl_Eval(interp, "set _comb(.w,cf-page) 3; proc p {} {storeProbe}; p"));
    EXPECT_EQ("3", result());
    EXPECT_STREQ("fold", Tcl_GetVar2(interp, "_comb", ".w,class", TCL_GLOBAL_ONLY));
    EXPECT_EQ(NULL, combGetVar(interp, "%s,class", ".missing"));

    /* Element names longer than the stack buffer, and far longer than the
     * work buffer, are not cut short; only %s conversions or others. */
    for (size_t length : {size_t(600), size_t(COMB_FORMAT_SIZE)}) {
        std::string longPath = "." + std::string(length, 'x');
        EXPECT_STREQ("v", combSetVar(interp, "v", "%s,class", longPath.c_str())) << length;
        EXPECT_STREQ("v", combGetVar(interp, "%s,class", longPath.c_str())) << length;
        EXPECT_EQ(NULL, combGetVar(interp, "%s,clas", longPath.c_str())) << length;
        EXPECT_STREQ("w", combSetVar(interp, "w", "%s,%d", longPath.c_str(), 7)) << length;
        EXPECT_STREQ("w", Tcl_GetVar2(interp, "_comb", (longPath + ",7").c_str(),
                                      TCL_GLOBAL_ONLY)) << length;
    }
}

TEST_F(CombEvalTest, SetVarRefusedWhenStoreIsScalar)
{
    ASSERT_EQ(TCL_OK, Tcl_Eval(interp, "set _comb scalar"));
    EXPECT_EQ(NULL, combSetVar(interp, "x", "%s,class", ".w"));
}

TEST_F(CombEvalTest, GlobalEvalAndAddErrorInfo)
{
    Tcl_CreateCommand(interp, "globalProbe", [](ClientData, Tcl_Interp *in, int, const char **) {
        return combGlobalEval(in, "set %s %d", "g", 5);
    }, NULL, NULL);
    ASSERT_EQ(TCL_OK, Tcl_Eval(interp, "proc p {} {globalProbe}; p"));
    EXPECT_STREQ("5", Tcl_GetVar(interp, "g", TCL_GLOBAL_ONLY));

    Tcl_ResetResult(interp);
    Tcl_SetResult(interp, const_cast<char *>("kept"), TCL_STATIC);
    combAddErrorInfo(interp, "\n%s - invalid ID", "frm.add");
    EXPECT_EQ("kept", result());
    EXPECT_TRUE(endsWith(errorInfo(), "\nfrm.add - invalid ID")) << errorInfo();
}

#define TEN_WORDS "w", "w", "w", "w", "w", "w", "w", "w", "w", "w"

TEST_F(CombEvalTest, LongWordListsReachTheCommandWhole)
{
    ProcCall call;
    Tcl_CreateCommand(interp, "recorder", recordingProc, &call, NULL);

    /* More words than the list keeps on the stack. */
    EXPECT_EQ(TCL_OK, combEval(NULL, NULL, interp, NULL, "recorder", TEN_WORDS, TEN_WORDS,
                               TEN_WORDS, TEN_WORDS, TEN_WORDS, TEN_WORDS, TEN_WORDS, "end",
                               (char *)NULL));
    ASSERT_EQ(72u, call.words.size());
    EXPECT_EQ("end", call.words.back());

    /* Spliced lists: called directly up to the word limit, through eval
     * beyond it; the command sees the same words either way. */
    for (int count : {100, COMB_MAX_WORDS + 10}) {
        std::string list;
        for (int i = 0; i < count; i++) {
            list += " e" + std::to_string(i);
        }
        call.words.clear();
        EXPECT_EQ(TCL_OK, combEvalSplit(NULL, interp, "recorder", "-first", list.c_str(),
                                        (char *)NULL)) << count;
        ASSERT_EQ(size_t(count + 2), call.words.size()) << count;
        EXPECT_EQ("-first", call.words[1]);
        EXPECT_EQ("e" + std::to_string(count - 1), call.words.back());
    }
}

TEST_F(CombEvalTest, SplicedWordsAreReadAsEvalReadsThem)
{
    ProcCall call;
    Tcl_CreateCommand(interp, "recorder", recordingProc, &call, NULL);
    ASSERT_EQ(TCL_OK, Tcl_Eval(interp, "set v 7"));

    struct Case {
        const char *command;
        const char *list;
        std::vector<std::string> words;
    } cases[] = {
        {"recorder", "-text {a b} -width 3", {"recorder", "-w", "-text", "a b", "-width", "3"}},
        {"recorder", "", {"recorder", "-w"}},
        {"recorder", "-text $v", {"recorder", "-w", "-text", "7"}},
        {"recorder", "-text [set v]", {"recorder", "-w", "-text", "7"}},
        {"recorder", "-text a;set w 1", {"recorder", "-w", "-text", "a"}},
        {"recorder {-x 1}", "-y", {"recorder", "-x 1", "-w", "-y"}},
    };
    for (const Case &c : cases) {
        call.words.clear();
        EXPECT_EQ(TCL_OK, combEvalSplit(NULL, interp, c.command, "-w", c.list, (char *)NULL))
            << c.list;
        EXPECT_EQ(c.words, call.words) << c.list;
    }
    EXPECT_STREQ("1", Tcl_GetVar(interp, "w", TCL_GLOBAL_ONLY));

    /* A missing command is eval's error. */
    EXPECT_EQ(TCL_ERROR, combEvalSplit(NULL, interp, "nosuch", "-w", "-x 1", (char *)NULL));
    EXPECT_EQ("invalid command name \"nosuch\"", result());
    EXPECT_TRUE(endsWith(errorInfo(), "\nError from combEval: eval\n")) << errorInfo();
}

TEST_F(CombEvalTest, WordsAreTakenFromTheirTextEachTime)
{
    /* The same buffer holding other words: list is an object command, so
     * the words reach it as objects the evaluator may keep. */
    char word[64];
    const char *texts[] = {"-alpha", "-beta", "-alphabet", "", "-alpha",
                           "-a-long-option-word-past-the-kept-length", ".path.like"};
    for (const char *text : texts) {
        strcpy(word, text);
        ASSERT_EQ(TCL_OK, combEval(NULL, NULL, interp, NULL, "list", word, "-alpha",
                                   (char *)NULL));
        std::string expected = text[0] == '\0' ? "{} -alpha" : std::string(text) + " -alpha";
        EXPECT_EQ(expected, result());
    }
}

/* A command that runs combEval on its arguments, from where it is called. */
int evalHereProc(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    return argc < 2 ? TCL_ERROR : combEvalVar(NULL, interp, argc - 1, argv + 1);
}

TEST_F(CombEvalTest, CommandsAreFoundAgainAfterTheyChange)
{
    Tcl_CreateCommand(interp, "evalHere", evalHereProc, NULL, NULL);
    ASSERT_EQ(TCL_OK, Tcl_Eval(interp, "proc probe args {return one}"));
    EXPECT_EQ(TCL_OK, combEval(NULL, NULL, interp, NULL, "probe", (char *)NULL));
    EXPECT_EQ("one", result());

    ASSERT_EQ(TCL_OK, Tcl_Eval(interp, "proc probe args {return two}"));
    EXPECT_EQ(TCL_OK, combEval(NULL, NULL, interp, NULL, "probe", (char *)NULL));
    EXPECT_EQ("two", result());

    /* Resolved from the namespace the caller runs in, then globally. */
    ASSERT_EQ(TCL_OK, Tcl_Eval(interp,
        "namespace eval ns {proc probe args {return ns}}; namespace eval ns {evalHere probe}"));
    EXPECT_EQ("ns", result());
    ASSERT_EQ(TCL_OK, Tcl_Eval(interp, "namespace eval other {evalHere probe}"));
    EXPECT_EQ("two", result());
    ASSERT_EQ(TCL_OK, Tcl_Eval(interp, "evalHere probe"));
    EXPECT_EQ("two", result());

    ASSERT_EQ(TCL_OK, Tcl_Eval(interp, "rename probe moved"));
    EXPECT_EQ(TCL_ERROR, combEval(NULL, NULL, interp, NULL, "probe", (char *)NULL));
    EXPECT_TRUE(endsWith(errorInfo(), "\nprobe does not exists!\nError from combEval: probe\n"))
        << errorInfo();
    Tcl_CmdInfo info;
    EXPECT_EQ(0, combCommandInfo(interp, "probe", &info));
    EXPECT_TRUE(info.proc == NULL);
    EXPECT_EQ(1, combCommandInfo(interp, "moved", &info));
}

TEST_F(CombEvalTest, CombInitFillsCacheAndKeepsEntriesOfMissingCommands)
{
    Tcl_CmdInfo marker = {};
    marker.clientData = (ClientData)0x5a5a;
    combCmdCache[COMB_CMD_BIND] = marker;  /* bind is a Tk command: absent here */
    combCmdCache[COMB_CMD_SET] = Tcl_CmdInfo();

    EXPECT_EQ(TCL_OK, Comb_Init(interp));

    EXPECT_EQ((ClientData)0x5a5a, combCmdCache[COMB_CMD_BIND].clientData);
    Tcl_CmdInfo set;
    ASSERT_TRUE(Tcl_GetCommandInfo(interp, "set", &set));
    EXPECT_EQ(set.objProc, combCmdCache[COMB_CMD_SET].objProc);
    EXPECT_TRUE(combCmdCache[COMB_CMD_SET].proc != NULL);
    EXPECT_STREQ("wm", combCachedCommandNames[COMB_CMD_WM]);
    EXPECT_STREQ("listbox", combCachedCommandNames[COMB_CMD_LISTBOX]);
}

} // namespace
