/*
 * gsfzoom_program.h --
 *
 *	rimage gsfzoom: a new image file enlarged by 2, 4 or 8 with a
 *	four-point interpolating subdivision (CC) or linear interpolation
 *	(BI), or shrunk by an integer factor by averaging blocks (AVG).
 */
#ifndef OVEX_PROGRAMS_GSFZOOM_PROGRAM_H
#define OVEX_PROGRAMS_GSFZOOM_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageGsfzoom;

#endif /* OVEX_PROGRAMS_GSFZOOM_PROGRAM_H */
