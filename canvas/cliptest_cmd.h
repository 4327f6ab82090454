/*
 * cliptest_cmd.h --
 *
 *	The cliptest command procedure.
 */
#ifndef OVEX_CANVAS_CLIPTEST_CMD_H
#define OVEX_CANVAS_CLIPTEST_CMD_H

#include <tcl.h>

int cliptestCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);

#endif /* OVEX_CANVAS_CLIPTEST_CMD_H */
