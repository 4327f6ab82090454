/*
 * programs.h --
 *
 *	Main routines of the projection programs and the datum table the
 *	programs list.
 */
#ifndef OVEX_GEO_PROJ_PROGRAMS_H
#define OVEX_GEO_PROJ_PROGRAMS_H

#include <tcl.h>

/* Each ends its run through projExit. */
[[noreturn]] int projMain(int argc, const char **argv);
[[noreturn]] int cs2csMain(int argc, const char **argv);
[[noreturn]] int nad2nadMain(int argc, const char **argv);
/* Returns (1) only after a list option that is the last word. */
int geodMain(int argc, const char **argv);

/* The ten datum names that datum= accepts. */
struct ProgramDatum {
    const char *id, *definition, *ellps, *comments;
};
const ProgramDatum *programDatums(void);

/* The Tcl commands over the main routines. */
int projProgramCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv);
int cs2csProgramCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv);
int geodProgramCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv);
int nad2nadProgramCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv);

#endif
