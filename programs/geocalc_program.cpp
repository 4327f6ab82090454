/*
 * geocalc_program.cpp --
 *
 *	rimage geocalc: takes no options; whatever it is given, it runs the
 *	console on an empty set and frees the set afterwards.
 */
#include "programs/geocalc_program.h"

#include "ovex/ovexstdio.h"
#include "programs/geocalc_console.h"

int rimageGeocalc(const char *programName, int argc, const char **argv)
{
    (void)programName;
    (void)argc;
    (void)argv;
    GcpSet *set = newGcpSet(NULL);
    if (set == NULL) {
        ovex_fprintf(stderr, "Error in malloc.\n");
        return PROGRAM_FAILED;
    }
    runGeocalcConsole(set);
    freeGcpSet(set);
    return PROGRAM_DONE;
}
