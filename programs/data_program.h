/*
 * data_program.h --
 *
 *	rimage data: pixel values given as text scripts written into an
 *	image (the script forms are those of ramimage/ascii_pixels.h).
 */
#ifndef OVEX_PROGRAMS_DATA_PROGRAM_H
#define OVEX_PROGRAMS_DATA_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageData;

#endif /* OVEX_PROGRAMS_DATA_PROGRAM_H */
