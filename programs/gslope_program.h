/*
 * gslope_program.h --
 *
 *	rimage gslope: the slope of a normalised DEM as the tangent of the
 *	slope angle times a scale, into a new image one row and one column
 *	smaller, with the slope statistics, the scale and the slope type in
 *	its header.
 */
#ifndef OVEX_PROGRAMS_GSLOPE_PROGRAM_H
#define OVEX_PROGRAMS_GSLOPE_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageGslope;

#endif /* OVEX_PROGRAMS_GSLOPE_PROGRAM_H */
