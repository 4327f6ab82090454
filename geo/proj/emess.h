/*
 * emess.h --
 *
 *	The message printer of the projection programs and its shared state.
 */
#ifndef OVEX_GEO_PROJ_EMESS_H
#define OVEX_GEO_PROJ_EMESS_H

#include "ovex/ovexstdio.h"

/* Release text the programs show in messages and usage texts. */
#define PROJ_RELEASE_TEXT "Rel. 4.4.5, 9 January 2002"

struct EmessState {
    const char *programName;  /* after the last "/" of the first word */
    const char *fileName;     /* input being read, or NULL */
    int lineNumber;           /* line of that input, from 1 */
};
extern EmessState emessState;

/* Sets programName from the first word of a run. */
void emessSetProgram(const char *word);

/* Writes a message to standard error; a severity above 0 then ends the
 * run through projExit. */
void emess(int severity, const char *format, ...) OVEX_PRINTF(2, 3);

#endif
