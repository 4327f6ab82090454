/*
 * ptable_program.h --
 *
 *	rimage ptable: the pixel table of chosen bands over a range of rows of
 *	a BYTE image, written as a "PTABLEHD" file.
 */
#ifndef OVEX_PROGRAMS_PTABLE_PROGRAM_H
#define OVEX_PROGRAMS_PTABLE_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimagePtable;

#endif /* OVEX_PROGRAMS_PTABLE_PROGRAM_H */
