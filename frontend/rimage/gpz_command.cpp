/*
 * gpz_command.cpp --
 *
 *	The gpz command: puts the GPZ reader into the reader lists ahead of
 *	the built-in formats (add) or after them (append), or takes it out
 *	(remove). The reader is in neither list until the command adds it.
 */
#include <cstring>

#include "core/inits.h"
#include "core/package.h"
#include "ramimage/formats/gpz.h"
#include "ramimage/formats/image_probe.h"

namespace {

int gpzCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    (void)clientData;
    if (argc == 2) {
        bool add = strcmp(argv[1], "add") == 0;
        if (add || strcmp(argv[1], "append") == 0) {
            if (!addImageReader(gpzReadHead, add ? 0 : 1)) {
                Tcl_SetObjResult(interp, Tcl_NewStringObj("Out of memory", -1));
                return TCL_ERROR;
            }
            return TCL_OK;
        }
        if (strcmp(argv[1], "remove") == 0) {
            removeImageReader(gpzReadHead);
            return TCL_OK;
        }
    }
    Tcl_SetObjResult(interp, Tcl_ObjPrintf("Usage: %s add|append|remove", argv[0]));
    return TCL_ERROR;
}

} // namespace

/*
 * Gpz_Init --
 *	Creates the gpz command. TCL_ERROR with "Fail to create gpz
 *	command." when it cannot be created, else TCL_OK.
 */
extern "C" OVEX_API int Gpz_Init(Tcl_Interp *interp)
{
    if (Tcl_CreateCommand(interp, "gpz", gpzCmd, NULL, NULL) == NULL) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj("Fail to create gpz command.", -1));
        return TCL_ERROR;
    }
    return TCL_OK;
}
