/*
 * rimage_cache.cpp --
 *
 *	rimage cache ?-imgid idList? ?-pct PCT?: reports how much of each
 *	image the row cache holds, or sizes the cache of the named images to
 *	a share of their rows.
 */
#include "frontend/rimage/rimage_maintenance.h"

#include <stdio.h>

#include "core/package.h"
#include "core/rounding.h"
#include "ramimage/kit/program_support.h"
#include "ramimage/ramimg.h"

/* Share of the image's rows that its cache holds, in percent. */
static double cachedPercent(const RAMIMG *image)
{
    if (image->head.rows < 1) {
        return 0.0;
    }
    return image->rowsPerBand * 100.0 / image->head.rows;
}

/* Appends "{NAME PCT} " to the result. */
static void appendCacheShare(Tcl_Interp *interp, const char *name, const RAMIMG *image)
{
    char percent[64];
    snprintf(percent, sizeof percent, " %.2f} ", cachedPercent(image));
    Tcl_AppendResult(interp, "{", name, percent, (char *)NULL);
}

static void setNotFound(Tcl_Interp *interp, const char *name)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Fail to find rimage: ", name, (char *)NULL);
}

/*
 * resizeCache --
 *	Rebuilds the image's cache for PCT percent of its rows per band (at
 *	least 1). An image without a file holds every row in its cache and its
 *	pixels live only there: rebuilding would erase them, so it is left as
 *	it is. Returns 1, or 0 when the cache could not be built.
 */
static int resizeCache(RAMIMG *image, double percent)
{
    if (image->fd < 0) {
        return 1;
    }
    int rowsWanted = roundToInt(image->head.rows * percent * 0.01);
    if (rowsWanted < 1) {
        rowsWanted = 1;
    }
    return setRAMImageBuf(image, rowsWanted) > 0;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageCache --
 *
 *	Without options: "{TAG PCT} " for every open image, newest first.
 *	-imgid alone: "{NAME PCT} " for each listed name. -imgid with -pct:
 *	each listed image's cache is rebuilt for PCT (0 to 100) percent of
 *	its rows; the first name that fails stops the walk.
 *
 * Results:
 *	TCL_OK, or TCL_ERROR with "Fail to find rimage: NAME", "Fail to set
 *	ramimg buffer: NAME", "image id missing!" or the usage text.
 *
 *----------------------------------------------------------------------
 */
int rimageCache(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    /* A table of this call's own: matchOptions writes into it. */
    ProgOption options[] = {{"-imgid", NULL}, {"-pct", NULL}, {NULL, NULL}};
    if (matchOptions(options, argc - 2, argv + 2) != 0) {
        setRimageUsage(interp, argv, " [-imgid idList] [-pct PCT]");
        return TCL_ERROR;
    }
    const char *idList = options[0].value;
    const char *pct = options[1].value;
    Tcl_ResetResult(interp);

    if (idList == NULL && pct == NULL) {
        for (RAMIMG *image = ramImageListHead(); image != NULL; image = image->next) {
            appendCacheShare(interp, image->tag, image);
        }
        return TCL_OK;
    }

    int count = 0;
    const char **names = NULL;
    if (idList != NULL && Tcl_SplitList(interp, idList, &count, &names) != TCL_OK) {
        return TCL_ERROR;
    }
    int status = TCL_OK;
    if (pct != NULL) {
        double percent = ovexLenientDouble(pct);
        percent = percent < 0.0 ? 0.0 : (percent > 100.0 ? 100.0 : percent);
        if (count == 0) {
            Tcl_SetObjResult(interp, Tcl_NewStringObj("image id missing!", -1));
            status = TCL_ERROR;
        }
        for (int i = 0; i < count && status == TCL_OK; i++) {
            RAMIMG *image = findOpenRamImage(names[i]);
            if (image == NULL) {
                setNotFound(interp, names[i]);
                status = TCL_ERROR;
            } else if (!resizeCache(image, percent)) {
                Tcl_ResetResult(interp);
                Tcl_AppendResult(interp, "Fail to set ramimg buffer: ", names[i], (char *)NULL);
                status = TCL_ERROR;
            }
        }
    } else {
        for (int i = 0; i < count && status == TCL_OK; i++) {
            RAMIMG *image = findOpenRamImage(names[i]);
            if (image == NULL) {
                setNotFound(interp, names[i]);
                status = TCL_ERROR;
            } else {
                appendCacheShare(interp, names[i], image);
            }
        }
    }
    if (names != NULL) {
        Tcl_Free((char *)names);
    }
    return status;
}
