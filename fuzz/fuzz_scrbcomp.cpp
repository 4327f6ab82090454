/*
 * fuzz_scrbcomp.cpp --
 *
 *	Fuzz target: script libraries ("SCRBCOMP") loaded by calc decompload.
 *
 *	A library that decodes is evaluated, so the target evaluates it in an
 *	interpreter without any command: whatever script the fuzzer builds
 *	cannot touch files, run programs or loop. Inputs without the magic
 *	would only be sourced as plain Tcl, which is Tcl's business; they are
 *	skipped.
 */
#include "fuzz/fuzz_harness.h"

#include <cstdlib>
#include <cstring>
#include <tcl.h>

#include "core/script_library.h"

/* An interpreter without namespaces or commands. The commands are deleted
 * from C: a script removing them would lose "if" and "foreach" on the way. */
static Tcl_Interp *commandlessInterp(void)
{
    Tcl_Interp *interp = Tcl_CreateInterp();
    if (Tcl_Eval(interp, "info commands") != TCL_OK) {
        abort();
    }
    Tcl_Obj *commands = Tcl_DuplicateObj(Tcl_GetObjResult(interp));
    Tcl_IncrRefCount(commands);
    Tcl_Eval(interp, "foreach ns [namespace children ::] {namespace delete $ns}");
    int count = 0;
    Tcl_Obj **names = NULL;
    Tcl_ListObjGetElements(NULL, commands, &count, &names);
    for (int i = 0; i < count; i++) {
        Tcl_DeleteCommand(interp, Tcl_GetString(names[i]));
    }
    Tcl_DecrRefCount(commands);
    /* Proof that nothing is left to run. */
    if (Tcl_Eval(interp, "set a 1") != TCL_ERROR || Tcl_Eval(interp, "info commands") != TCL_ERROR) {
        abort();
    }
    Tcl_ResetResult(interp);
    return interp;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    if (size < SCRIPT_LIB_HEADER_SIZE || memcmp(data, SCRIPT_LIB_MAGIC, SCRIPT_LIB_MAGIC_SIZE) != 0) {
        return 0;
    }
    static Tcl_Interp *interp = commandlessInterp();
    std::string path = fuzzWriteFile("input.lib", data, size);
    if (path.empty()) {
        return 0;
    }
    const char *argv[] = {"calc", "decompload", path.c_str(), NULL};
    calcDecompLoad(NULL, interp, 3, argv);
    Tcl_ResetResult(interp);
    return 0;
}
