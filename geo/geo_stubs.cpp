/*
 * geo_stubs.cpp --
 *
 *	Registration of the geospatial object commands (GRASS, GCP sets,
 *	shapes, tables, terra tile stores, cameras), which
 *	answer "not available" until their objects are built.
 */
#include <stdio.h>

#include "core/inits.h"
#include "core/package.h"

/*
 * Creates the named commands in order, stopping at the first that cannot
 * be created. Returns TCL_OK, or TCL_ERROR with *failedName set.
 */
static int
createPlaceholders(Tcl_Interp *interp, const char *const *names, const char **failedName)
{
    for (; *names != NULL; names++) {
        if (ovexCreatePlaceholder(interp, *names) != TCL_OK) {
            if (failedName != NULL) {
                *failedName = *names;
            }
            return TCL_ERROR;
        }
    }
    return TCL_OK;
}

int
Gcp_Init(Tcl_Interp *interp)
{
    static const char *const names[] = {"gcp.create", NULL};
    return createPlaceholders(interp, names, NULL);
}

int
Shape_Init(Tcl_Interp *interp)
{
    static const char *const names[] = {"shape.create", "shape.info", NULL};
    return createPlaceholders(interp, names, NULL);
}

int
Gtable_Init(Tcl_Interp *interp)
{
    static const char *const names[] = {"gtable.create", "gtable.info", NULL};
    return createPlaceholders(interp, names, NULL);
}

int
Camera_Init(Tcl_Interp *interp)
{
    static const char *const names[] = {"camera.create", "pushbroom.create",
                                        "quaternion.slerp", NULL};
    return createPlaceholders(interp, names, NULL);
}
