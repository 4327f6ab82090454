/*
 * statinfo_program.h --
 *
 *	rimage statinfo: lists a feature file of any kind on standard
 *	output, optionally inverting each class covariance first.
 */
#ifndef OVEX_PROGRAMS_STATINFO_PROGRAM_H
#define OVEX_PROGRAMS_STATINFO_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageStatinfo;

#endif /* OVEX_PROGRAMS_STATINFO_PROGRAM_H */
