/*
 * rotate_program.h --
 *
 *	rimage rotate: a quarter turn to the left or right, or a mirror
 *	left-right, top-bottom or both, of every band of one RAM image into
 *	another, created when it does not open.
 */
#ifndef OVEX_PROGRAMS_ROTATE_PROGRAM_H
#define OVEX_PROGRAMS_ROTATE_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageRotate;

#endif /* OVEX_PROGRAMS_ROTATE_PROGRAM_H */
