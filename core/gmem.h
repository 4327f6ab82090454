/*
 * gmem.h --
 *
 *	The allocator every part of the library uses. The exported gmem*
 *	functions are declared in ovex/ovex.h; the tcl* twins here behave the
 *	same and are what internal code that hands memory to Tcl or Tk uses.
 */
#ifndef OVEX_CORE_GMEM_H
#define OVEX_CORE_GMEM_H

#include <stddef.h>
#include <tcl.h>

#include "ovex/ovex.h"

void *tclAlloc(size_t size);
void tclFree(void *block);
void *tclRealloc(void *block, size_t size);

/* tclFree in the form Tcl and Tk expect of a free procedure: option print
 * procedures set *freeProcPtr to it for texts they made with tclAlloc. */
void tclFreeProc(char *block);

#endif /* OVEX_CORE_GMEM_H */
