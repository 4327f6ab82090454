/*
 * object_create.h --
 *
 *	The steps the creation commands of geodata object types share: the
 *	usage answer, a fresh record of a type, and the naming, registration
 *	and first configuration of a new object.
 */
#ifndef OVEX_GEO_OBJECT_CREATE_H
#define OVEX_GEO_OBJECT_CREATE_H

#include <tcl.h>

#include "ovex/ovex.h"

/* Sets the result to argv0 " id options"; returns TCL_ERROR. */
int objectCreateUsage(Tcl_Interp *interp, const char *argv0);

/* A zeroed record of the given type with magic and version set; NULL
 * when memory runs out. */
RAMOBJ *newObjectRecord(int type);

/* Registers obj, whose command name has just been made, and applies the
 * options. When an option fails the command is deleted again and the
 * option's message stays the result. The result is otherwise what the
 * options left (empty for none). */
int registerAndConfigure(Tcl_Interp *interp, RAMOBJ *obj, const char *name, int optc,
                         const char **optv);

#endif /* OVEX_GEO_OBJECT_CREATE_H */
