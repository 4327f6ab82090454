/*
 * georect_reader.h --
 *
 *	Reading a "GOERECHD" georectification file (layout in
 *	georect_file.h) into a block held in a fixed place.
 */
#ifndef OVEX_PROGRAMS_GEORECT_READER_H
#define OVEX_PROGRAMS_GEORECT_READER_H

#include "programs/georect_file.h"

/* Reads fileName into block. Returns 1 when the whole file was read; else
 * 0 after one of "%s open error.", "%s read error.", "%s is not a
 * georectification parameter file.", "%s has too many coefficients." or
 * "%s has coefficients that do not match its degree." (the file name for
 * "%s", no newline) on standard error. block is then partly filled. */
int readGeorectParams(const char *fileName, GeorectParams *block);

#endif /* OVEX_PROGRAMS_GEORECT_READER_H */
