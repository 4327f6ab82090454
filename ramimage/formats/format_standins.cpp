/*
 * format_standins.cpp --
 *
 *	Entries of the image formats whose readers and writers are not part
 *	of the library yet: they recognise no file, have no header writer
 *	(-2), write no palette (0) and cannot write a whole file (-1). Each
 *	format's own file replaces its entries here.
 */
#include "ramimage/formats/format_entry.h"




