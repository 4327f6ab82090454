/*
 * geocalc_program.h --
 *
 *	rimage geocalc: the geocalc console on a fresh, empty GCP set.
 */
#ifndef OVEX_PROGRAMS_GEOCALC_PROGRAM_H
#define OVEX_PROGRAMS_GEOCALC_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageGeocalc;

#endif /* OVEX_PROGRAMS_GEOCALC_PROGRAM_H */
