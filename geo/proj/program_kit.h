/*
 * program_kit.h --
 *
 *	What the projection programs share besides emess: reading data lines
 *	from files or the console, writing output a line at a time, the
 *	degree-minute-second writer and the parameter-list printout.
 */
#ifndef OVEX_GEO_PROJ_PROGRAM_KIT_H
#define OVEX_GEO_PROJ_PROGRAM_KIT_H

#include <stdio.h>

#include <string>

#include "geo/proj/proj_library.h"

/* Longest data line kept (characters, newline included). */
#define PROGRAM_MAX_LINE 200

/* One input of a run: a file of ours, or the console. Closes a file
 * when it goes, also when the run ends through projExit. */
class ProgramInput {
public:
    ProgramInput() = default;
    ~ProgramInput() { close(); }
    /* Opens name ("-" is the console); false (errno set) when it cannot. */
    bool open(const char *name, const char *mode);
    void close();
    bool isConsole() const { return console_; }
    FILE *file() const { return file_; }
    /* Reads one data line of at most PROGRAM_MAX_LINE - 1 characters
     * ending in "\n" (the rest of a longer line is dropped). */
    bool readLine(char *buffer);

private:
    FILE *file_ = nullptr;
    bool console_ = false;
};

/* Writes text to standard output, each line in one call. */
void programWrite(const std::string &text);

/* Degrees-minutes-seconds text of an angle in radians, with hemisphere
 * letters pos/neg (0 for a signed number). */
std::string rtodms(double r, int pos, int neg);
/* Digits of the seconds fraction (0..8) and whether every field is
 * written at full width. */
void setRtodms(int fract, int fullWidth);

/* "#description" and "# +param ..." lines of a projection. */
std::string projParamListing(ProjHandle *P);

#endif
