/*
 * table_command.cpp --
 *
 *	The option words and file opening shared by the tiff and dicom
 *	commands.
 */
#include "core/native_path.h"
#include "frontend/rimage/table_command.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

int dispatchTableCommand(const TableCommandHandlers *handlers, Tcl_Interp *interp, int argc,
                         const char **argv)
{
    if (argc < 2) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("Usage: %s option", argv[0]));
        return TCL_ERROR;
    }
    const char *option = argv[1];
    if (strcmp(option, "add") == 0) {
        return handlers->add(interp, argc, argv);
    }
    if (strcmp(option, "get") == 0) {
        return handlers->get(interp, argc, argv);
    }
    if (strcmp(option, "index") == 0) {
        return handlers->index(interp, argc, argv);
    }
    if (strcmp(option, "count") == 0) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("%d", handlers->count()));
        return TCL_OK;
    }
    if (strcmp(option, "data") == 0) {
        return handlers->data(interp, argc, argv);
    }
    return TCL_ERROR;
}

int openListedFile(Tcl_Interp *interp, const char *name)
{
    int fd = open(nativePath(name).c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        fd = open(nativePath(name).c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("Error in open:%s", name));
    }
    return fd;
}
