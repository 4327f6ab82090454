/*
 * comb_cmd_cache.h --
 *
 *	Command information of the Tcl and Tk commands that composite widgets
 *	call directly. The Tk procedures (bind, canvas, destroy, frame, grab,
 *	grid, lower, pack, place, raise, toplevel, wm) are called with the
 *	caller's own client data, the application's main window. The table is
 *	shared by every interpreter and refreshed by each Comb_Init.
 */
#ifndef OVEX_WIDGETS_COMB_COMB_CMD_CACHE_H
#define OVEX_WIDGETS_COMB_COMB_CMD_CACHE_H

#include <tcl.h>

enum CombCachedCommand {
    COMB_CMD_ARRAY, COMB_CMD_BIND, COMB_CMD_BUTTON, COMB_CMD_CANVAS,
    COMB_CMD_DESTROY, COMB_CMD_ENTRY, COMB_CMD_EVAL, COMB_CMD_LABEL,
    COMB_CMD_LISTBOX, COMB_CMD_FRAME, COMB_CMD_GLOBAL, COMB_CMD_GRAB,
    COMB_CMD_GRID, COMB_CMD_IMAGE, COMB_CMD_LOWER, COMB_CMD_PACK,
    COMB_CMD_PLACE, COMB_CMD_RAISE, COMB_CMD_SCROLLBAR, COMB_CMD_SET,
    COMB_CMD_TOPLEVEL, COMB_CMD_UPDATE, COMB_CMD_WM,
    COMB_CMD_COUNT
};

/* Indexed by CombCachedCommand; an entry whose proc is NULL was never found. */
extern Tcl_CmdInfo combCmdCache[COMB_CMD_COUNT];

/* The command name of each entry. */
extern const char *const combCachedCommandNames[COMB_CMD_COUNT];

/* Fills each entry from the interpreter's command of that name; a name that
 * is not a command there leaves its entry as it was. */
void combFillCmdCache(Tcl_Interp *interp);

#endif /* OVEX_WIDGETS_COMB_COMB_CMD_CACHE_H */
