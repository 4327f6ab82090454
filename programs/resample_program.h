/*
 * resample_program.h --
 *
 *	rimage resample: fills an existing output image from an input image
 *	of the same map projection through their georeferences, by nearest
 *	neighbour, bilinear blend or area-weighted average.
 */
#ifndef OVEX_PROGRAMS_RESAMPLE_PROGRAM_H
#define OVEX_PROGRAMS_RESAMPLE_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageResample;

/* The part of [b0, b1] that [a0, a1] covers, as a fraction of b1 - b0; 0
 * when they do not meet or [b0, b1] is empty. */
double overlapFraction(double a0, double a1, double b0, double b1);

#endif /* OVEX_PROGRAMS_RESAMPLE_PROGRAM_H */
