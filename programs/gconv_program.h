/*
 * gconv_program.h --
 *
 *	rimage gconv: filters a window of an image band by band into another
 *	image with a kernel read from a text (a 2-D weight matrix, a
 *	separable pair of weight lists, a local-contrast stretch or a
 *	median). An output that does not open is created as an 8-bit DIB
 *	shaped like the input.
 */
#ifndef OVEX_PROGRAMS_GCONV_PROGRAM_H
#define OVEX_PROGRAMS_GCONV_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageGconv;

#endif /* OVEX_PROGRAMS_GCONV_PROGRAM_H */
