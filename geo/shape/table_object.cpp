/*
 * table_object.cpp --
 *
 *	The table object type: its record slots, the creation command
 *	gtable.create, gtable.info (the fields of a dBase file without
 *	loading it) and their registration.
 */
#include "geo/shape/table_object.h"

#include <string.h>

#include "core/inits.h"
#include "core/objects.h"
#include "geo/object_create.h"

/* ---- Record slots ------------------------------------------------------- */

static dBaseTable *tableOf(RAMOBJ *obj)
{
    return obj != NULL ? (dBaseTable *)obj->data : NULL;
}

/* Records held, those marked deleted included. */
static int gtableObjCount(RAMOBJ *obj)
{
    dBaseTable *table = tableOf(obj);
    return table != NULL ? (int)dbfGet32(table->head + DBF_HEAD_COUNT) : 0;
}

static int gtableObjIsSelected(RAMOBJ *obj, int record)
{
    dBaseTable *table = tableOf(obj);
    return table != NULL ? isdBaseSelected(table, record) : 0;
}

static int gtableObjSubtype(RAMOBJ *)
{
    return 256;
}

/* With selected, an exact copy (flags and order kept); without, every
 * record of every field, all selected. */
static void *gtableObjClone(void *data, int selected)
{
    dBaseTable *table = (dBaseTable *)data;
    return selected ? clonedBase(table) : copydBase(table, 0, NULL, 0);
}

static int gtableObjSave(RAMOBJ *obj, const char *fileName, int selected)
{
    dBaseTable *table = tableOf(obj);
    int status = 0;
    return table != NULL ? writedBase(fileName, table, selected, &status) : 0;
}

static void *gtableObjLoad(const char *fileName, int *status)
{
    int code = -1;
    dBaseTable *table = readdBase(fileName, &code);
    if (status != NULL) *status = code;
    if (table == NULL) objLoadFailure(dBaseReadFailure());
    return table;
}

/* A pass running over the table frees it when it ends. */
static void gtableObjFree(void *data)
{
    releasedBase((dBaseTable *)data);
}

static int gtableObjModified(RAMOBJ *obj)
{
    dBaseTable *table = tableOf(obj);
    return table != NULL ? table->modified : 0;
}

/* ---- Commands ----------------------------------------------------------- */

/*
 * gtableCreateCmd --
 *	gtable.create id ?options?: a table object, with the table of a
 *	dBase file given as -file, else without one until define.
 */
static int gtableCreateCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 2) {
        return objectCreateUsage(interp, argv[0]);
    }
    RAMOBJ *obj = newObjectRecord(OBJ_TABLE);
    if (obj == NULL) {
        gtableSetResult(interp, "Error in create dBase obj");
        return TCL_ERROR;
    }
    obj->update = 1;
    obj->count = gtableObjCount;
    obj->isSelected = gtableObjIsSelected;
    obj->subtype = gtableObjSubtype;
    obj->clone = gtableObjClone;
    obj->save = gtableObjSave;
    obj->acquire = objAcquire;
    obj->release = objRelease;
    obj->close = objClose;
    obj->load = gtableObjLoad;
    obj->freeData = gtableObjFree;
    obj->command = gtableObjCmd;
    obj->modified = gtableObjModified;
    obj->interface = NULL;
    if (Tcl_CreateCommand(interp, argv[1], gtableObjCmd, obj, objDelete) == NULL) {
        gmemFree(obj);
        return TCL_ERROR;
    }
    if (registerAndConfigure(interp, obj, argv[1], argc - 2, argv + 2) != TCL_OK) {
        return TCL_ERROR;
    }
    gtableSetResult(interp, argv[1]);
    return TCL_OK;
}

/*
 * gtableInfoCmd --
 *	gtable.info fileName: "dBase" and one "name type length decimals"
 *	per field, read from the header alone; empty when it cannot be read.
 */
static int gtableInfoCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 2) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Usage: ", argv[0], " fileName", (char *)NULL);
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    int length = 0;
    unsigned char *head = readdBaseHeadFile(argv[1], &length);
    if (head == NULL) {
        return TCL_OK;
    }
    Tcl_Obj *list = Tcl_NewListObj(0, NULL);
    Tcl_ListObjAppendElement(NULL, list, Tcl_NewStringObj("dBase", -1));
    int n = dBaseCountFields(head, length);
    for (int i = 0; i < n; i++) {
        const unsigned char *desc = head + DBF_HEAD_SIZE + i * DBF_DESC_SIZE;
        Tcl_ListObjAppendElement(
            NULL, list,
            Tcl_ObjPrintf("%s %c %d %d", dBaseDescName(desc).c_str(), dBaseDescType(desc),
                          dBaseDescLength(desc), dBaseDescDecimals(desc)));
    }
    gmemFree(head);
    Tcl_SetObjResult(interp, list);
    return TCL_OK;
}

int Gtable_Init(Tcl_Interp *interp)
{
    if (Tcl_CreateCommand(interp, "gtable.create", gtableCreateCmd, NULL, NULL) == NULL
        || Tcl_CreateCommand(interp, "gtable.info", gtableInfoCmd, NULL, NULL) == NULL) {
        return TCL_ERROR;
    }
    return TCL_OK;
}
