/*
 * classify_program.h --
 *
 *	rimage classify: supervised classification of an image window by
 *	the classes of a class statistics file.
 */
#ifndef OVEX_PROGRAMS_CLASSIFY_PROGRAM_H
#define OVEX_PROGRAMS_CLASSIFY_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageClassify;

#endif /* OVEX_PROGRAMS_CLASSIFY_PROGRAM_H */
