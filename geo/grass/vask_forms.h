/*
 * vask_forms.h --
 *
 *	The vask form interface: the exported V_ functions (ovex/grass.h), the
 *	_vask.parseInput command that stores an entry's text into a module's
 *	variable, and the sample form of "grass vaskTest".
 */
#ifndef OVEX_GEO_GRASS_VASK_FORMS_H
#define OVEX_GEO_GRASS_VASK_FORMS_H

#include <tcl.h>

int vaskParseInputCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);

/* Stores the text of field idText; 1 when stored (or left alone for an
 * empty text), 0 after a message on standard error. */
int vaskParseInput(Tcl_Interp *interp, const char *idText, const char *typeText,
                   const char *lenText);

/* Runs the sample form; 1 when it was confirmed. */
int vaskTest(void);

#endif /* OVEX_GEO_GRASS_VASK_FORMS_H */
