/*
 * comb_cmd_cache.cpp --
 *
 *	The process-wide table of directly called Tcl and Tk commands.
 */
#include "widgets/comb/comb_cmd_cache.h"

Tcl_CmdInfo combCmdCache[COMB_CMD_COUNT];

const char *const combCachedCommandNames[COMB_CMD_COUNT] = {
    "array", "bind", "button", "canvas", "destroy", "entry", "eval", "label",
    "listbox", "frame", "global", "grab", "grid", "image", "lower", "pack",
    "place", "raise", "scrollbar", "set", "toplevel", "update", "wm",
};

void
combFillCmdCache(Tcl_Interp *interp)
{
    for (int i = 0; i < COMB_CMD_COUNT; i++) {
        Tcl_CmdInfo info;
        /* Tk's commands are absent from a plain Tcl interpreter. */
        if (Tcl_GetCommandInfo(interp, combCachedCommandNames[i], &info)) {
            combCmdCache[i] = info;
        }
    }
}
