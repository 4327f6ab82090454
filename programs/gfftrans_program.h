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

#include <stddef.h>
#include <stdint.h>

#include "ramimage/kit/program_support.h"

RimageProgram rimageGfftrans;

/* The work buffer of a transform of `bytes` under a memory budget: the
 * whole array when it fits, else the budget, never below the 4 MiB that
 * streams any axis. */
size_t gfftWorkBytes(int64_t bytes, int64_t budget);

/* Converts count complex elements in place from (re, im) to (magnitude,
 * phase), and back. */
void riToPp(float *elements, int count);
void ppToRi(float *elements, int count);

#endif /* OVEX_PROGRAMS_GFFTRANS_PROGRAM_H */
