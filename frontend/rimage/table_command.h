/*
 * table_command.h --
 *
 *	What the tiff and dicom commands share: each keeps a table that
 *	scripts fill and look up (add, get, index, count) and lists the
 *	entries of a file or of an open image (data).
 */
#ifndef OVEX_FRONTEND_RIMAGE_TABLE_COMMAND_H
#define OVEX_FRONTEND_RIMAGE_TABLE_COMMAND_H

#include <tcl.h>

/* The handlers of one such command; each word handler gets the whole
 * command line. */
struct TableCommandHandlers {
    int (*add)(Tcl_Interp *interp, int argc, const char **argv);
    int (*get)(Tcl_Interp *interp, int argc, const char **argv);
    int (*index)(Tcl_Interp *interp, int argc, const char **argv);
    int (*count)(void);                 /* entries in the table */
    int (*data)(Tcl_Interp *interp, int argc, const char **argv);
};

/* Runs "cmd add|get|index|count|data ...": "Usage: cmd option" without an
 * option, the count as the result for count, the handler's code for the
 * others, and TCL_ERROR with no message for any other word. */
int dispatchTableCommand(const TableCommandHandlers *handlers, Tcl_Interp *interp, int argc,
                         const char **argv);

/* A descriptor of the file name, opened for reading and writing, else for
 * reading only (close-on-exec). -1 with "Error in open:NAME" in the
 * result when it cannot be opened. */
int openListedFile(Tcl_Interp *interp, const char *name);

#endif /* OVEX_FRONTEND_RIMAGE_TABLE_COMMAND_H */
