/*
 * copy_crop.h --
 *
 *	rimage copy and rimage crop (one program): a window and a band
 *	selection of one RAM image copied into another, created from the
 *	input's attributes when it does not open, with column and row
 *	subsampling.
 */
#ifndef OVEX_PROGRAMS_COPY_CROP_H
#define OVEX_PROGRAMS_COPY_CROP_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageCopy;

#endif /* OVEX_PROGRAMS_COPY_CROP_H */
