/*
 * package_home.cpp --
 *
 *	The package version and the variables that name the application's
 *	home directory and script libraries, read by the package entry, the
 *	console manager and every interpreter they set up.
 */
#include <string>

#include "core/package.h"

const char *ovexVersionString(void)
{
    return OVEX_PACKAGE_VERSION;
}

/*
 * getTulxHome --
 *	The home directory: the first that exists of the variable tulxHome,
 *	env(THOME), the variable ovexHome and env(OVEX); a value found in the
 *	last three is stored into tulxHome. With none, the current directory.
 */
const char *getTulxHome(Tcl_Interp *interp)
{
    const char *home = Tcl_GetVar(interp, "tulxHome", TCL_GLOBAL_ONLY);
    if (home != NULL) {
        return home;
    }
    home = Tcl_GetVar2(interp, "env", "THOME", TCL_GLOBAL_ONLY);
    if (home == NULL) {
        home = Tcl_GetVar(interp, "ovexHome", TCL_GLOBAL_ONLY);
    }
    if (home == NULL) {
        home = Tcl_GetVar2(interp, "env", "OVEX", TCL_GLOBAL_ONLY);
    }
    if (home != NULL) {
        std::string copy = home;
        return Tcl_SetVar(interp, "tulxHome", copy.c_str(), TCL_GLOBAL_ONLY);
    }
    Tcl_InterpState state = Tcl_SaveInterpState(interp, TCL_OK);
    Tcl_GlobalEval(interp, "set tulxHome [pwd]");
    Tcl_RestoreInterpState(interp, state);
    return Tcl_GetVar(interp, "tulxHome", TCL_GLOBAL_ONLY);
}

/*
 * conCopyHomeVars --
 *	Gives interpreter to the home directory and script lists of from,
 *	with their defaults where from has none.
 */
void conCopyHomeVars(Tcl_Interp *from, Tcl_Interp *to)
{
    std::string home;
    const char *value = getTulxHome(from);
    if (value != NULL) {
        home = value;
    }
    const char *app = Tcl_GetVar(from, "ovexAppScripts", TCL_GLOBAL_ONLY);
    std::string appScripts = app ? app : OVEX_DEFAULT_APP_SCRIPTS;
    const char *con = Tcl_GetVar(from, "ovexConScripts", TCL_GLOBAL_ONLY);
    std::string conScripts = con ? con : OVEX_DEFAULT_CON_SCRIPTS;

    Tcl_SetVar(to, "tulxHome", home.c_str(), TCL_GLOBAL_ONLY);
    Tcl_SetVar(to, "ovexAppScripts", appScripts.c_str(), TCL_GLOBAL_ONLY);
    Tcl_SetVar(to, "ovexConScripts", conScripts.c_str(), TCL_GLOBAL_ONLY);
}

