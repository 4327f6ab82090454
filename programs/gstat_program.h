/*
 * gstat_program.h --
 *
 *	rimage gstat: gathers the mean and covariance of image bands over a
 *	window (optionally through a mask) into a class of a class
 *	statistics file.
 */
#ifndef OVEX_PROGRAMS_GSTAT_PROGRAM_H
#define OVEX_PROGRAMS_GSTAT_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageGstat;

#endif /* OVEX_PROGRAMS_GSTAT_PROGRAM_H */
