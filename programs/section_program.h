/*
 * section_program.h --
 *
 *	rimage section: pixel values moved between a straight section of one
 *	image and a row, a column or the band vector of one pixel of another
 *	(profiles across images, spectra built from or drawn as profiles).
 */
#ifndef OVEX_PROGRAMS_SECTION_PROGRAM_H
#define OVEX_PROGRAMS_SECTION_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageSection;

#endif /* OVEX_PROGRAMS_SECTION_PROGRAM_H */
