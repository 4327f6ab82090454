/*
 * egv_program.h --
 *
 *	rimage egv: the principal components of one class of a class
 *	statistics file, written as an eigenvector file.
 */
#ifndef OVEX_PROGRAMS_EGV_PROGRAM_H
#define OVEX_PROGRAMS_EGV_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageEgv;

#endif /* OVEX_PROGRAMS_EGV_PROGRAM_H */
