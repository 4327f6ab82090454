/*
 * geocalc_console.h --
 *
 *	The geocalc console: an interactive line-command loop that builds,
 *	edits, fits and saves a ground control point set. Commands come from
 *	the console's standard input; prompts and tables go to standard
 *	output, messages to standard error. Shared by rimage geocalc and calc
 *	geocalc without arguments.
 */
#ifndef OVEX_PROGRAMS_GEOCALC_CONSOLE_H
#define OVEX_PROGRAMS_GEOCALC_CONSOLE_H

#include "programs/gcp_set.h"

/* Runs the console on set until "quit" or until no console is left to
 * read from. The set keeps whatever the commands made of it. */
void runGeocalcConsole(GcpSet *set);

/* Reads the GCP text file name (lines "id X1 Y1 X2 Y2"; "#" starts a
 * comment line) into set, after emptying it when over is non-zero. Each
 * line is echoed; a line of other words (a grid file's, for one) is
 * refused with "Invalid record:\n%s" and skipped, and reading stops at
 * "Buffer overflow" once the set is full. Returns 1, or 0 after "Error
 * in fopen.\n" and the system error text when the file cannot be opened. */
int loadGcpText(GcpSet *set, const char *name, int over);

/* Splits line into set->line, set->words (lower case) and set->wordList
 * at commas, blanks and newlines; the line is cut at 127 characters and
 * words past the 24th are dropped. */
void splitGeocalcLine(GcpSet *set, const char *line);

/* Runs the command held in set->wordList. Returns 0 for quit, else 1. */
int runGeocalcCommand(GcpSet *set);

#endif /* OVEX_PROGRAMS_GEOCALC_CONSOLE_H */
