/*
 * smetric_program.h --
 *
 *	rimage smetric: removes systematic brightness patterns from an image
 *	(fall-off along columns, rows or radii measured from the image
 *	itself, exponential vignetting of a given shape, or a histogram
 *	mismatch with another image).
 */
#ifndef OVEX_PROGRAMS_SMETRIC_PROGRAM_H
#define OVEX_PROGRAMS_SMETRIC_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageSmetric;

#endif /* OVEX_PROGRAMS_SMETRIC_PROGRAM_H */
