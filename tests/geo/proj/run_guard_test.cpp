// The projection run guard: exits become TCL_ERROR with the code kept,
// and nested guarded runs end at the innermost one.
#include <gtest/gtest.h>
#include <tcl.h>

#include <string>

#include "geo/proj/run_guard.h"

namespace {

struct GuardTest : ::testing::Test {
    Tcl_Interp *interp = Tcl_CreateInterp();
    ~GuardTest() override { Tcl_DeleteInterp(interp); }
};

TEST_F(GuardTest, NormalRunKeepsItsStatusAndClearsTheCode)
{
    projRunGuarded(interp, "first", [] () -> int { projExit(3); });
    EXPECT_EQ(projLastExitCode(), 3);
    EXPECT_EQ(projRunGuarded(interp, "second", [] { return TCL_OK; }), TCL_OK);
    EXPECT_EQ(projLastExitCode(), 0);
    EXPECT_STREQ(projLastModule(), "second");
    EXPECT_EQ(projInterp, interp);
}

TEST_F(GuardTest, ExitCodesAndZeroReportedAsOne)
{
    struct { int code, reported; } cases[] = {{3, 3}, {0, 1}, {1, 1}, {-2, -2}};
    for (const auto &c : cases) {
        int status = projRunGuarded(interp, "proj", [&] () -> int { projExit(c.code); });
        EXPECT_EQ(status, TCL_ERROR);
        EXPECT_EQ(projLastExitCode(), c.reported) << c.code;
        EXPECT_STREQ(projLastModule(), "proj");
    }
}

TEST_F(GuardTest, ExitEndsTheInnermostRunningGuard)
{
    bool outerContinued = false;
    int inner = TCL_OK;
    int outer = projRunGuarded(interp, "outer", [&] {
        inner = projRunGuarded(interp, "inner", [] () -> int { projExit(5); });
        outerContinued = true;
        return TCL_OK;
    });
    EXPECT_EQ(inner, TCL_ERROR);
    EXPECT_TRUE(outerContinued);
    EXPECT_EQ(outer, TCL_OK);
    /* The outer run finished after the inner one and left its own state. */
    EXPECT_STREQ(projLastModule(), "inner");
}

TEST_F(GuardTest, OuterExitAfterInnerReturned)
{
    int outer = projRunGuarded(interp, "outer", [&] () -> int {
        projRunGuarded(interp, "inner", [] { return TCL_OK; });
        projExit(7);
    });
    EXPECT_EQ(outer, TCL_ERROR);
    EXPECT_EQ(projLastExitCode(), 7);
    EXPECT_STREQ(projLastModule(), "outer");
}

}  // namespace
