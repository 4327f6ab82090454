/*
 * dist_program.h --
 *
 *	rimage dist: the distance of every pixel of a class image to the
 *	nearest pixel of a set of classes.
 */
#ifndef OVEX_PROGRAMS_DIST_PROGRAM_H
#define OVEX_PROGRAMS_DIST_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageDist;

#endif /* OVEX_PROGRAMS_DIST_PROGRAM_H */
