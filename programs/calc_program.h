/*
 * calc_program.h --
 *
 *	rimage calc: band arithmetic of one image (ratios, stretch,
 *	de-vignetting, linear combination, average, normalisation) written as
 *	float values into bands of an output image.
 */
#ifndef OVEX_PROGRAMS_CALC_PROGRAM_H
#define OVEX_PROGRAMS_CALC_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageCalc;

/* Index of a module name (case ignored), 8 when none matches. */
int findCalcModule(const char *name);

#endif /* OVEX_PROGRAMS_CALC_PROGRAM_H */
