/*
 * rimage_list.cpp --
 *
 *	The rimage subcommands that answer with lists: the open images, the
 *	names of the identifier vocabularies, and the package version.
 */
#include <string.h>

#include "frontend/rimage/rimage_command.h"
#include "ramimage/ramimg.h"
#include "core/package.h"
#include "core/vocabulary.h"

static void setUsage(Tcl_Interp *interp, const char **argv, const char *syntax)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1], syntax, (char *)NULL);
}

static int countClients(const RAMIMG *image)
{
    int count = 0;
    for (const RamImageClient *client = image->clients; client != NULL; client = client->next) {
        count++;
    }
    return count;
}

/*
 * rimageList --
 *	rimage list ?pair|name|tag|all?: one entry per open image, the most
 *	recently registered first. Returns TCL_OK, or TCL_ERROR with the
 *	usage.
 */
int rimageList(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    static const char *const forms[] = {"pair", "name", "tag", "all", NULL};
    int form = 0;
    if (argc > 3) {
        setUsage(interp, argv, " [pair|name|tag|all]");
        return TCL_ERROR;
    }
    if (argc == 3) {
        for (form = 0; forms[form] != NULL && strcmp(forms[form], argv[2]) != 0; form++) {
        }
        if (forms[form] == NULL) {
            setUsage(interp, argv, " [pair|name|tag|all]");
            return TCL_ERROR;
        }
    }

    Tcl_DString result;
    Tcl_DStringInit(&result);
    for (RAMIMG *image = ramImageListHead(); image != NULL; image = image->next) {
        Tcl_Obj *entry;
        switch (form) {
        case 0:
            entry = Tcl_ObjPrintf("{%s %s} ", image->tag, image->head.file);
            break;
        case 1:
            entry = Tcl_ObjPrintf("%s ", image->head.file);
            break;
        case 2:
            entry = Tcl_ObjPrintf("%s ", image->tag);
            break;
        default:
            entry = Tcl_ObjPrintf("{%s %s %d %d %d} ", image->tag, image->head.file,
                                  image->openCount, image->refCount, countClients(image));
            break;
        }
        Tcl_IncrRefCount(entry);
        Tcl_DStringAppend(&result, Tcl_GetString(entry), -1);
        Tcl_DecrRefCount(entry);
    }
    Tcl_DStringResult(interp, &result);
    return TCL_OK;
}

/* The names of codes 1 .. count - 1 as a Tcl list. */
static int listNames(Tcl_Interp *interp, int count, const char *(*nameOf)(int))
{
    Tcl_Obj *list = Tcl_NewListObj(0, NULL);
    for (int code = 1; code < count; code++) {
        Tcl_ListObjAppendElement(NULL, list, Tcl_NewStringObj(nameOf(code), -1));
    }
    Tcl_SetObjResult(interp, list);
    return TCL_OK;
}

/* rimage imgids: the file formats and memory layouts. */
int rimageImgids(ImageHead *, Tcl_Interp *interp, int, const char **)
{
    return listNames(interp, imgidCount, imgidName);
}

/* rimage imgtypes: the image types, GENERAL not listed. */
int rimageImgtypes(ImageHead *, Tcl_Interp *interp, int, const char **)
{
    return listNames(interp, imgtypeCount, imgtypeName);
}

/* rimage mapids: the named map projections (no numbered systems). */
int rimageMapids(ImageHead *, Tcl_Interp *interp, int, const char **)
{
    return listNames(interp, mapidCount, mapidName);
}

/* rimage pixelids: the pixel types. */
int rimagePixelids(ImageHead *, Tcl_Interp *interp, int, const char **)
{
    return listNames(interp, pixelCount, pixelName);
}

/* rimage version: the package version. */
int rimageVersion(ImageHead *, Tcl_Interp *interp, int, const char **)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(ovexVersionString(), -1));
    return TCL_OK;
}
