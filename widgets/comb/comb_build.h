/*
 * comb_build.h --
 *
 *	Steps shared by the create and add commands of the composite-widget
 *	classes.
 */
#ifndef OVEX_WIDGETS_COMB_COMB_BUILD_H
#define OVEX_WIDGETS_COMB_COMB_BUILD_H

#include <tcl.h>
#include <tk.h>

#include <functional>
#include <string>

#include "core/comb_eval.h"

/* Frees every field of path (comb.free called directly). */
void combFreePath(Tk_Window mainWindow, Tcl_Interp *interp, const char *path);

/* Destroys path for a create command's clean-up; the result and errorInfo
 * of the failure are kept. */
void combDestroyPath(Tcl_Interp *interp, const char *path);

/* Clean-up of list and popup creation: prints the global errorInfo after
 * "error: ", then destroys path. */
void combReportAndDestroy(Tcl_Interp *interp, const char *path);

/* A widget destroyed on path may still have its store's release waiting
 * ("after idle comb.free path"): that release is run now and taken off
 * the idle queue, so that it cannot wipe what a new widget made on the
 * same path records. Called by the create commands once path is known
 * to be free; the interpreter's result is kept. */
void combSettleDestroyedPath(Tk_Window mainWindow, Tcl_Interp *interp, const char *path);

/* Binds the window's <Destroy> so that its store is freed after it is gone. */
void combBindFreeAfterIdle(CombAbort *abortPoint, Tcl_Interp *interp, const char *path);

/* Where the add protocol puts the item and what it tells about it. */
struct CombItemSpec {
    const char *className;     /* class the container must have */
    const char *freeProc;      /* bound with "+" to the item's <Destroy> */
    std::string itemParent;    /* the item path is itemParent "." id-less-hyphen */
};

/*
 * The item-adding protocol from the class check to the <Destroy> binding:
 * container id creator ?opts?. place runs last, under the same abort point.
 * Returns TCL_OK with item set, or TCL_ERROR.
 */
int combAddItemSteps(Tk_Window mainWindow, Tcl_Interp *interp, const char *cmdName,
                     const char *container, const char *id, const char *creator,
                     const char *opts, const CombItemSpec &spec,
                     const std::function<void(CombAbort *, const std::string &)> &place,
                     std::string &item);

/* Text of an int. */
std::string combInt(long value);

#endif /* OVEX_WIDGETS_COMB_COMB_BUILD_H */
