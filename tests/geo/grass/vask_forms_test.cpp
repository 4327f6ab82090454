// vask forms without Tk: the scripts the V_ functions evaluate, the shown
// texts of the field types, and what _vask.parseInput stores or refuses.
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>
#include <tcl.h>

#include <string>

#include "core/inits.h"
#include "geo/grass/grass_driver.h"
#include "geo/grass/vask_forms.h"

namespace {

struct Vask : ::testing::Test {
    Tcl_Interp *interp = Tcl_CreateInterp();

    void SetUp() override
    {
        ASSERT_EQ(Grass_Init(interp), TCL_OK);
        // The form procedures record their words; _vask.ques answers an
        // entry path, and no Tk means its binding fails harmlessly.
        eval("set calls {}\n"
             "foreach p {_vask.clear _vask.line _vask.const _vask.call _vask.intrpt_GD_OK "
             "_vask.intrp_msg} {proc $p args \"lappend ::calls \\[list $p {*}\\$args\\]\"}\n"
             "proc _vask.ques args {lappend ::calls [list _vask.ques {*}$args]; return .e}\n"
             "proc bind args {lappend ::calls [list bind {*}$args]}");
    }
    ~Vask() override
    {
        V_clear();
        V_float_accuracy(0);
        Tcl_DeleteInterp(interp);
    }
    void eval(const char *script)
    {
        ASSERT_EQ(Tcl_Eval(interp, script), TCL_OK) << Tcl_GetStringResult(interp);
    }
    std::string calls() { return Tcl_GetVar(interp, "calls", TCL_GLOBAL_ONLY); }
    void clearCalls() { Tcl_SetVar(interp, "calls", "", TCL_GLOBAL_ONLY); }
    // The id V_ques handed out for the last field.
    int lastId()
    {
        eval("lindex [lsearch -inline -all -index 0 $calls _vask.ques] end 1");
        return atoi(Tcl_GetStringResult(interp));
    }
    // Types text into field id and runs the parse command as the binding would.
    int type(int id, const char *text, const char *typeWord, int len)
    {
        Tcl_SetVar2(interp, "_vask", std::to_string(id).c_str(), text, TCL_GLOBAL_ONLY);
        std::string script = "_vask.parseInput " + std::to_string(id) + " " + typeWord + " "
            + std::to_string(len);
        return Tcl_Eval(interp, script.c_str());
    }
};

TEST_F(Vask, ScriptsOfTheFormFunctions)
{
    double value = 3.14159;
    int32_t count = 7;
    EXPECT_EQ(V_clear(), TCL_OK);
    EXPECT_EQ(V_line(5, "Enter a value"), TCL_OK);
    EXPECT_EQ(V_const(&count, 'i', 1, 2, 3), TCL_OK);
    EXPECT_EQ(V_float_accuracy(2), 0);
    EXPECT_EQ(V_ques(&value, 'd', 5, 30, 8), 0);
    int id = lastId();
    EXPECT_EQ(V_float_accuracy(0), 2);
    V_ques(&value, 'd', 6, 30, 8);
    EXPECT_EQ(V_intrpt_msg(NULL), TCL_OK);
    EXPECT_EQ(V_intrpt_msg("stop now"), TCL_OK);
    EXPECT_EQ(V_intrpt_GD_OK(), TCL_OK);
    std::string expected = "_vask.clear {_vask.line 5 {Enter a value}} {_vask.const 7 i 1 2 3} "
        "{_vask.ques " + std::to_string(id) + " 3.14 d 5 30 8} "
        "{bind .e <KeyRelease> {+_vask.parseInput " + std::to_string(id) + " d 8}} "
        "{_vask.ques " + std::to_string(id + 1) + " 3.141590 d 6 30 8} "
        "{bind .e <KeyRelease> {+_vask.parseInput " + std::to_string(id + 1) + " d 8}} "
        "_vask.intrp_msg {_vask.intrp_msg {stop now}} _vask.intrpt_GD_OK";
    EXPECT_EQ(calls(), expected);
}

TEST_F(Vask, CallAnswersTheFormsOutcome)
{
    eval("proc _vask.call {} {set ::_vask(return) 1}");
    EXPECT_EQ(V_call(), 1);
    eval("proc _vask.call {} {set ::_vask(return) 0}");
    EXPECT_EQ(V_call(), 0);
}

TEST_F(Vask, TypedTextsAreCheckedAndStored)
{
    int32_t number = 4;
    float decimal = 2.1f;
    double wide = 0;
    int32_t longWord = 0;
    char text[8];
    memset(text, '#', sizeof text);
    V_clear();
    V_ques(&number, 'i', 1, 1, 5);
    int idNumber = lastId();
    V_ques(&decimal, 'f', 2, 1, 5);
    int idDecimal = lastId();
    V_ques(&wide, 'd', 3, 1, 9);
    int idWide = lastId();
    V_ques(&longWord, 'l', 4, 1, 9);
    int idLong = lastId();
    V_ques(text, 's', 5, 1, 5);
    int idText = lastId();

    EXPECT_EQ(type(idNumber, "12x", "i", 5), TCL_ERROR);
    EXPECT_EQ(number, 4);
    EXPECT_EQ(type(idNumber, "12  ", "i", 5), TCL_OK);
    EXPECT_EQ(number, 12);
    EXPECT_EQ(type(idNumber, "", "i", 5), TCL_OK);
    EXPECT_EQ(number, 12);
    EXPECT_EQ(type(idNumber, "-99999999999", "i", 5), TCL_ERROR);
    EXPECT_EQ(number, 12);
    EXPECT_EQ(type(idDecimal, "0.5", "f", 5), TCL_OK);
    EXPECT_FLOAT_EQ(decimal, 0.5f);
    EXPECT_EQ(type(idDecimal, "1.5 ", "f", 5), TCL_ERROR);
    EXPECT_EQ(type(idWide, "-2.25e2", "d", 9), TCL_OK);
    EXPECT_DOUBLE_EQ(wide, -225.0);
    EXPECT_EQ(type(idLong, "-42", "l", 9), TCL_OK);
    EXPECT_EQ(longWord, -42);
    EXPECT_EQ(type(idText, "hello world", "s", 5), TCL_OK);
    EXPECT_EQ(std::string(text, 8), "hello###");
    EXPECT_EQ(type(idText, "hi", "s", 5), TCL_OK);
    EXPECT_EQ(std::string(text, 8), std::string("hi\0\0\0###", 8));
    EXPECT_STREQ(Tcl_GetStringResult(interp), "");
}

TEST_F(Vask, OnlyFieldsOfTheOpenFormAreReached)
{
    int32_t number = 4;
    char text[4] = "abc";
    V_clear();
    V_ques(&number, 'i', 1, 1, 5);
    int id = lastId();
    V_ques(text, 's', 2, 1, 3);
    int idText = lastId();
    // Ids never handed out, and words that do not describe the field.
    EXPECT_EQ(type(id + 100, "5", "i", 5), TCL_ERROR);
    EXPECT_EQ(type(0, "5", "i", 5), TCL_ERROR);
    EXPECT_EQ(type(id, "5", "d", 5), TCL_ERROR);
    EXPECT_EQ(type(id, "5", "x", 5), TCL_ERROR);
    EXPECT_EQ(type(idText, "overflowing", "s", 400), TCL_ERROR);
    EXPECT_EQ(number, 4);
    EXPECT_STREQ(text, "abc");
    // No text in _vask for the field.
    eval("unset -nocomplain ::_vask");
    EXPECT_EQ(Tcl_Eval(interp, ("_vask.parseInput " + std::to_string(id) + " i 5").c_str()),
              TCL_ERROR);
    // A finished form closes its fields.
    eval("proc _vask.call {} {set ::_vask(return) 1}");
    V_call();
    EXPECT_EQ(type(id, "5", "i", 5), TCL_ERROR);
    V_ques(&number, 'i', 1, 1, 5);
    int again = lastId();
    V_clear();
    EXPECT_EQ(type(again, "5", "i", 5), TCL_ERROR);
    EXPECT_EQ(number, 4);
    EXPECT_EQ(Tcl_Eval(interp, "_vask.parseInput 1 i"), TCL_ERROR);
    EXPECT_STREQ(Tcl_GetStringResult(interp), "");
}

}  // namespace
