/*
 * georef_program.h --
 *
 *	rimage georef: rectifies a window of an existing output image from an
 *	input image through the polynomials of a georectification file or an
 *	inline rotation, scale and shift.
 */
#ifndef OVEX_PROGRAMS_GEOREF_PROGRAM_H
#define OVEX_PROGRAMS_GEOREF_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageGeoref;

#endif /* OVEX_PROGRAMS_GEOREF_PROGRAM_H */
