/*
 * program_support.h --
 *
 *	Pieces of the program kit that the analysis programs and the calc
 *	command share: the option table with its matcher, and band
 *	specifications of the form "i1[[:o1];i2[:o2];...]" (1-based numbers
 *	in the text, 0-based indices in the lists).
 */
#ifndef OVEX_RAMIMAGE_PROGRAM_SUPPORT_H
#define OVEX_RAMIMAGE_PROGRAM_SUPPORT_H

#include <string>

/* A program run by a rimage subcommand. programName is "rimage " and the
 * subcommand's full word; argv holds the words after the subcommand.
 * Returns 2 after printing the usage (no words), 1 when the run ended, 0
 * after printing an error on standard error. */
typedef int (RimageProgram)(const char *programName, int argc, const char **argv);

/* Results of a RimageProgram. */
enum {
    PROGRAM_FAILED = 0,
    PROGRAM_DONE = 1,
    PROGRAM_USAGE = 2
};

/* Room of each band pair list. */
#define MAX_BAND_PAIRS 8192

/* One row of a program's option table; a table ends with a row whose name
 * is NULL. value points at the caller's argument word (not copied), or is
 * NULL when the option was not given. */
struct ProgOption {
    const char *name;
    const char *value;
};

/* Fills table from argv taken as pairs of an exact option name and its
 * value; every value is reset to NULL first. Returns the number of words
 * that matched no free row (unknown or repeated names, and a last name
 * without a value). */
int matchOptions(ProgOption *table, int argc, const char *const *argv);

/* What matchOptions could not place in table, named, and the table's
 * options: "Unknown option -outt; valid options: -in -out ...", with
 * "repeated option -in" for a name given more often than the table takes
 * it and "no value after -kn" for a last name without its value. */
std::string unmatchedOptionsText(const ProgOption *table, int argc, const char *const *argv);

/* Parses spec (NULL: pairs (k, k) for k below the smaller of nIn and
 * nOut) into parallel lists of MAX_BAND_PAIRS entries. Every band must lie
 * in 1 .. nIn (input) and 1 .. nOut (output). Returns the number of
 * pairs; 0 on any error, after "Error in band params.\n" on standard
 * error for a malformed group. */
int parseBandParams(int nIn, int nOut, int *inBands, int *outBands, const char *spec);

/* One group "in[:out]" into at most max pairs (1-based as written); the
 * output side defaults to the input side. Returns the number of pairs, 0
 * when a side is wrong or empty or the two sides differ in count. */
int parseBandGroup(int *inList, int *outList, int max, const char *group);

/* A number list such as "4", "4,7" or "2-5" (a range may run downward)
 * into at most max entries. Returns the count, or -1 on a syntax error or
 * when the numbers do not fit. */
int parseNumberList(const char *text, int *out, int max);

#endif /* OVEX_RAMIMAGE_PROGRAM_SUPPORT_H */
