/*
 * gfftrans_program.h --
 *
 *	rimage gfftrans: FFTs of an image band into an FFT image file, and
 *	further transforms, form conversions and frequency-domain filters of
 *	such files. The kind recorded in the output tells the next run what
 *	its data is and so which way each transform runs.
 */
#ifndef OVEX_PROGRAMS_GFFTRANS_PROGRAM_H
#define OVEX_PROGRAMS_GFFTRANS_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageGfftrans;

/* Converts count complex elements in place from (re, im) to (magnitude,
 * phase), and back. */
void riToPp(float *elements, int count);
void ppToRi(float *elements, int count);

#endif /* OVEX_PROGRAMS_GFFTRANS_PROGRAM_H */
