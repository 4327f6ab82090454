/*
 * gdem_program.h --
 *
 *	rimage gdem: shaded relief or slope of a DEM (LAMBERT, SINE, TANG,
 *	and SL, HL, HLE with a view toward a focal point above the image),
 *	the calibration of another image by that shading, and NORM, which
 *	records a DEM's height statistics and marks it as normalised.
 */
#ifndef OVEX_PROGRAMS_GDEM_PROGRAM_H
#define OVEX_PROGRAMS_GDEM_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageGdem;

#endif /* OVEX_PROGRAMS_GDEM_PROGRAM_H */
