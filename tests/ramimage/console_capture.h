/*
 * console_capture.h --
 *
 *	A console interpreter for tests of code that talks to the console:
 *	what the library writes to standard output and standard error is
 *	recorded apart, and standard input answers from a queue of lines
 *	(an empty line once the queue is used up, as at the end of input).
 */
#ifndef OVEX_TESTS_RAMIMAGE_CONSOLE_CAPTURE_H
#define OVEX_TESTS_RAMIMAGE_CONSOLE_CAPTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/package.h"

namespace console_capture {

class ConsoleCapture {
public:
    ConsoleCapture()
    {
        Tcl_FindExecutable(nullptr);
        interp = Tcl_CreateInterp();
        EXPECT_EQ(TCL_OK, Tcl_Eval(interp,
            "set ::stdout {}; set ::stderr {}; set ::input {}; set ::reads 0\n"
            "rename puts tcl_puts\n"
            "proc puts args {\n"
            "    set chan [expr {[llength $args] > 1 ? [lindex $args end-1] : {stdout}}]\n"
            "    if {$chan eq {stderr}} {append ::stderr [lindex $args end]} \\\n"
            "    else {append ::stdout [lindex $args end]}\n"
            "}\n"
            "rename gets tcl_gets\n"
            "proc gets args {\n"
            "    incr ::reads\n"
            "    set line [lindex $::input 0]\n"
            "    set ::input [lrange $::input 1 end]\n"
            "    return $line\n"
            "}\n"));
        savedTkConsole = ovexState.tkConsole;
        savedSuppress = ovexState.suppressOutput;
        ovexState.tkConsole = 0;
        ovexState.suppressOutput = 0;
        previousConsole = setConsoleInterp(interp);
    }

    ~ConsoleCapture()
    {
        setConsoleInterp(previousConsole);
        ovexState.tkConsole = savedTkConsole;
        ovexState.suppressOutput = savedSuppress;
        Tcl_DeleteInterp(interp);
    }

    ConsoleCapture(const ConsoleCapture &) = delete;
    ConsoleCapture &operator=(const ConsoleCapture &) = delete;

    /* Recorded output since the last call, which empties it. */
    std::string takeStdout() { return take("::stdout"); }
    std::string takeStderr() { return take("::stderr"); }

    /* Lines that the next reads of standard input give. */
    void queueInput(const std::vector<std::string> &lines)
    {
        Tcl_SetVar(interp, "::reads", "0", TCL_GLOBAL_ONLY);
        Tcl_UnsetVar(interp, "::input", TCL_GLOBAL_ONLY);
        for (const std::string &line : lines) {
            Tcl_SetVar(interp, "::input", line.c_str(),
                       TCL_GLOBAL_ONLY | TCL_LIST_ELEMENT | TCL_APPEND_VALUE);
        }
        if (lines.empty()) {
            Tcl_SetVar(interp, "::input", "", TCL_GLOBAL_ONLY);
        }
    }

    /* Lines read since queueInput. */
    int reads() { return atoi(Tcl_GetVar(interp, "::reads", TCL_GLOBAL_ONLY)); }

    Tcl_Interp *interp = nullptr;

private:
    std::string take(const char *name)
    {
        const char *text = Tcl_GetVar(interp, name, TCL_GLOBAL_ONLY);
        std::string result = text ? text : "";
        Tcl_SetVar(interp, name, "", TCL_GLOBAL_ONLY);
        return result;
    }

    Tcl_Interp *previousConsole = nullptr;
    int savedTkConsole = 0;
    int savedSuppress = 0;
};

}  // namespace console_capture

#endif /* OVEX_TESTS_RAMIMAGE_CONSOLE_CAPTURE_H */
