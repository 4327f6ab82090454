/*
 * program_table.h --
 *
 *	The analysis programs that rimage runs as subcommands: one row per
 *	subcommand word with the program it runs. A program is written like
 *	a small command-line program: it gets its name ("rimage " + the full
 *	word) and the words after the subcommand, prints its usage, messages
 *	and reports on the console, and returns PROGRAM_USAGE (2),
 *	PROGRAM_DONE (1) or PROGRAM_FAILED (0, after an error on standard
 *	error).
 */
#ifndef OVEX_PROGRAMS_PROGRAM_TABLE_H
#define OVEX_PROGRAMS_PROGRAM_TABLE_H

#include "ramimage/kit/program_support.h"  /* RimageProgram */

struct RimageProgramEntry {
    const char *word;           /* the full subcommand word */
    RimageProgram *program;
};

/* The program of a full subcommand word, NULL when the word runs none. */
RimageProgram *findRimageProgram(const char *word);

/* Stands in for a program that is not in this build: writes
 * "NAME: not available in this build\n" on standard error and returns 0. */
int programNotBuilt(const char *name, int argc, const char **argv);

#endif /* OVEX_PROGRAMS_PROGRAM_TABLE_H */
