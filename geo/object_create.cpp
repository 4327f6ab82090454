/*
 * object_create.cpp --
 *
 *	Shared steps of the geodata object creation commands.
 */
#include "geo/object_create.h"

#include <string.h>

#include "core/gmem.h"
#include "core/objects.h"

int objectCreateUsage(Tcl_Interp *interp, const char *argv0)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, argv0, " id options", (char *)NULL);
    return TCL_ERROR;
}

RAMOBJ *newObjectRecord(int type)
{
    RAMOBJ *obj = (RAMOBJ *)gmemAlloc(sizeof(RAMOBJ));
    if (obj == NULL) {
        return NULL;
    }
    memset(obj, 0, sizeof *obj);
    obj->magic = RAMOBJ_MAGIC;
    obj->type = type;
    obj->version = RAMOBJ_VERSION;
    return obj;
}

int registerAndConfigure(Tcl_Interp *interp, RAMOBJ *obj, const char *name, int optc,
                         const char **optv)
{
    objRegister(obj);
    Tcl_ResetResult(interp);
    if (objConfig(obj, interp, optc, optv, 0, NULL) != TCL_OK) {
        /* Deleting the command may touch the result: keep the message. */
        Tcl_Obj *message = Tcl_GetObjResult(interp);
        Tcl_IncrRefCount(message);
        Tcl_DeleteCommand(interp, name);
        Tcl_SetObjResult(interp, message);
        Tcl_DecrRefCount(message);
        return TCL_ERROR;
    }
    return TCL_OK;
}
