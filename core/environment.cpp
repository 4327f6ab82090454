/*
 * environment.cpp --
 *
 *	ovex_getenv: environment lookups of the library and the modules linked
 *	with it read the console interpreter's env array, so that a script
 *	can set PROJ_LIB, JPEGMEM, OVEX_DOC ... for them.
 */
#include "core/package.h"

/*
 *----------------------------------------------------------------------
 *
 * ovex_getenv --
 *
 *	Looks name up in the global env array of the console interpreter.
 *
 * Results:
 *	The value, valid until the element changes; NULL when it is not set
 *	or there is no console interpreter (whatever the process environment
 *	holds).
 *
 *----------------------------------------------------------------------
 */
char *ovex_getenv(const char *name)
{
    Tcl_Interp *interp = getConsoleInterp();
    if (interp == NULL || name == NULL) {
        return NULL;
    }
    Tcl_Preserve(interp);
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    const char *value = Tcl_GetVar2(interp, "env", name, TCL_GLOBAL_ONLY);
    Tcl_RestoreInterpState(interp, saved);
    Tcl_Release(interp);
    return (char *)value;
}
