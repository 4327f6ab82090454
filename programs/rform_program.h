/*
 * rform_program.h --
 *
 *	rimage rform: redefines the imgid, georeference and file origin of
 *	an open image and rewrites its file's header.
 */
#ifndef OVEX_PROGRAMS_RFORM_PROGRAM_H
#define OVEX_PROGRAMS_RFORM_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageRform;

#endif /* OVEX_PROGRAMS_RFORM_PROGRAM_H */
