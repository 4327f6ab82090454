/*
 * gisoc_program.h --
 *
 *	rimage gisoc: unsupervised iso clustering of an image window into a
 *	class band with a colour table of the cluster means, the clusters
 *	kept in an "ISOFEATU" file from which a later run can start.
 */
#ifndef OVEX_PROGRAMS_GISOC_PROGRAM_H
#define OVEX_PROGRAMS_GISOC_PROGRAM_H

#include "ramimage/kit/program_support.h"

RimageProgram rimageGisoc;

#endif /* OVEX_PROGRAMS_GISOC_PROGRAM_H */
