/*
 * trans_program.h --
 *
 *	rimage trans: copies a window of an image into another band by
 *	band, reduced by integer steps (block sums, block means or plain
 *	subsampling), or transformed through an eigenvector file (principal
 *	components, or bands rebuilt from chosen components).
 */
#ifndef OVEX_PROGRAMS_TRANS_PROGRAM_H
#define OVEX_PROGRAMS_TRANS_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageTrans;

#endif /* OVEX_PROGRAMS_TRANS_PROGRAM_H */
