/*
 * proj_objects.h --
 *
 *	Details of a set-up projection as the info subcommands answer them.
 */
#ifndef OVEX_GEO_PROJ_PROJ_OBJECTS_H
#define OVEX_GEO_PROJ_PROJ_OBJECTS_H

#include <tcl.h>

#include "geo/proj/proj_library.h"

/* Appends the eleven {name value} elements of projection to the result. */
void projObjInfo(Tcl_Interp *interp, ProjHandle *projection);

#endif
