/*
 * tulx_stub.cpp --
 *
 *	The part of the image display that the package entry and exit rely
 *	on, until the "tulx" image type itself is built: the once-per-process
 *	init, the tulx command (which answers its version), the image listing
 *	and teardown, and the release of palette colours.
 */
#include <string.h>

#include <X11/Xlib.h>

#include "core/inits.h"
#include "core/package.h"

static int tulxInitialised = 0;

/*
 *----------------------------------------------------------------------
 *
 * Tulx_Init --
 *
 *	Once per process prepares the "tulx" image type. No image type is
 *	registered yet, so there is nothing to allocate.
 *
 * Results:
 *	TCL_OK.
 *
 *----------------------------------------------------------------------
 */
int
Tulx_Init(Tcl_Interp *interp)
{
    if (!tulxInitialised) {
        tulxInitialised = 1;
    }
    return TCL_OK;
}

/*
 *----------------------------------------------------------------------
 *
 * tulxCmd --
 *
 *	The tulx command: "tulx version" answers the package version; every
 *	other form is refused.
 *
 * Results:
 *	TCL_OK with the version, or TCL_ERROR.
 *
 *----------------------------------------------------------------------
 */
int
tulxCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2 && strcmp(argv[1], "version") == 0) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(ovexVersionString(), -1));
        return TCL_OK;
    }
    Tcl_SetObjResult(interp, Tcl_NewStringObj("tulx: not available in this build", -1));
    return TCL_ERROR;
}

/*
 *----------------------------------------------------------------------
 *
 * tulxCmdDelete --
 *
 *	Delete procedure of the tulx command: the palette colours it
 *	allocated go back to the display.
 *
 *----------------------------------------------------------------------
 */
void
tulxCmdDelete(ClientData clientData)
{
    tulxFreePaletteColors();
}

/*
 *----------------------------------------------------------------------
 *
 * tulxListNames --
 *
 *	Appends the name of every "tulx" image to the interpreter's result.
 *	No such image can exist yet, so nothing is appended.
 *
 * Results:
 *	TCL_OK.
 *
 *----------------------------------------------------------------------
 */
int
tulxListNames(Tcl_Interp *interp)
{
    return TCL_OK;
}

/*
 *----------------------------------------------------------------------
 *
 * tulxDeleteAll --
 *
 *	Deletes every "tulx" image and the image registry; there are none.
 *
 *----------------------------------------------------------------------
 */
void
tulxDeleteAll(void)
{
}

/*
 *----------------------------------------------------------------------
 *
 * tulxFreePaletteColors --
 *
 *	Gives the palette colours of the package state back to the recorded
 *	display and colormap (plane mask 0), then frees the list.
 *
 * Side effects:
 *	ovexState.paletteColors becomes NULL and paletteCount 0.
 *
 *----------------------------------------------------------------------
 */
void
tulxFreePaletteColors(void)
{
    if (ovexState.paletteColors == NULL) {
        ovexState.paletteCount = 0;
        return;
    }
    /* Without a recorded display the pixels belong to nobody we can reach. */
    if (ovexState.display != NULL && ovexState.paletteCount > 0) {
        XFreeColors(ovexState.display, ovexState.colormap, ovexState.paletteColors,
                    ovexState.paletteCount, 0);
    }
    gmemFree(ovexState.paletteColors);
    ovexState.paletteColors = NULL;
    ovexState.paletteCount = 0;
}
