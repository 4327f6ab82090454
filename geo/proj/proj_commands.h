/*
 * proj_commands.h --
 *
 *	Command procedures of the projection commands, registered together
 *	by Proj_Init.
 */
#ifndef OVEX_GEO_PROJ_PROJ_COMMANDS_H
#define OVEX_GEO_PROJ_PROJ_COMMANDS_H

#include <tcl.h>

int projInfoCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv);
int projCreateCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv);
int cs2csCreateCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv);
int geodCreateCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv);
int nad2nadCreateCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv);

#endif
