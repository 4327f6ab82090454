/*
 * gtop_program.h --
 *
 *	rimage gtop: perspective views of a ground image seen from a view
 *	point above it (with or without a DEM), polar resamplings around the
 *	view point, the conversions back to the ground, and orthoimages of
 *	a view over flat ground or a DEM.
 */
#ifndef OVEX_PROGRAMS_GTOP_PROGRAM_H
#define OVEX_PROGRAMS_GTOP_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageGtop;

#endif /* OVEX_PROGRAMS_GTOP_PROGRAM_H */
