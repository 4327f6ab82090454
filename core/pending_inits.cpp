/*
 * pending_inits.cpp --
 *
 *	Registration of package-core commands whose code is not in this build
 *	yet: rimage, dicom, tiff and gpz answer "not available"
 *	(rimage still answers its version, which scripts check on start-up).
 */
#include <string.h>

#include "core/inits.h"
#include "core/package.h"

/*
 * The rimage command: "rimage version" answers the package version; every
 * other form is refused.
 */
static int
rimagePendingCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2 && strcmp(argv[1], "version") == 0) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(ovexVersionString(), -1));
        return TCL_OK;
    }
    Tcl_SetObjResult(interp, Tcl_NewStringObj("rimage: not available in this build", -1));
    return TCL_ERROR;
}

/*
 * Creates rimage. Returns TCL_ERROR when it cannot be created, else TCL_OK.
 */
extern "C" OVEX_API int
Rimg_Init(Tcl_Interp *interp)
{
    if (Tcl_CreateCommand(interp, "rimage", rimagePendingCmd, NULL, NULL) == NULL) {
        return TCL_ERROR;
    }
    return TCL_OK;
}

extern "C" OVEX_API int
Dicom_Init(Tcl_Interp *interp)
{
    return ovexCreatePlaceholder(interp, "dicom") == TCL_OK ? TCL_OK : TCL_ERROR;
}

int
Tiff_Init(Tcl_Interp *interp)
{
    return ovexCreatePlaceholder(interp, "tiff") == TCL_OK ? TCL_OK : TCL_ERROR;
}

/*
 * Creates gpz. Returns TCL_ERROR with "Fail to create gpz command." when
 * it cannot be created, else TCL_OK.
 */
extern "C" OVEX_API int
Gpz_Init(Tcl_Interp *interp)
{
    if (ovexCreatePlaceholder(interp, "gpz") != TCL_OK) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj("Fail to create gpz command.", -1));
        return TCL_ERROR;
    }
    return TCL_OK;
}
