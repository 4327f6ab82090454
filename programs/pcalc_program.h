/*
 * pcalc_program.h --
 *
 *	rimage pcalc: per-pixel polynomial calibration of an image with a
 *	parameter image (evaluation, inverse interpolation, regression).
 */
#ifndef OVEX_PROGRAMS_PCALC_PROGRAM_H
#define OVEX_PROGRAMS_PCALC_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimagePcalc;

#endif /* OVEX_PROGRAMS_PCALC_PROGRAM_H */
