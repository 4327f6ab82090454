/*
 * program_kit.h --
 *
 *	What the projection programs share besides emess: reading data lines
 *	from files or the console, writing output a line at a time, the
 *	degree-minute-second writer, the parameter-list printout and the
 *	walk over a program's command words.
 */
#ifndef OVEX_GEO_PROJ_PROGRAM_KIT_H
#define OVEX_GEO_PROJ_PROGRAM_KIT_H

#include <stdio.h>

#include <functional>
#include <string>
#include <vector>

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
void programWrite(const char *text, size_t length);

/* Degrees-minutes-seconds text of an angle in radians, with hemisphere
 * letters pos/neg (0 for a signed number). */
std::string rtodms(double r, int pos, int neg);
/* The same text appended to out. */
void appendRtodms(std::string &out, double r, int pos, int neg);
/* Digits of the seconds fraction (0..8) and whether every field is
 * written at full width. */
void setRtodms(int fract, int fullWidth);

/* "#description" and "# +param ..." lines of a projection. */
std::string projParamListing(ProjHandle *P);

/* Names the program for emess from argv[0]; with no words after the name,
 * writes the release and "usage: NAME usage" to stderr and ends the run. */
void startProgram(int argc, const char **argv, const char *usage);

/* Opens each input in turn with mode and hands it to process, with the
 * file name and line count emess reports; a file that does not open is
 * told of and passed over. */
void forEachProgramInput(const std::vector<const char *> &inputs, const char *mode,
                         const std::function<void(ProgramInput &in)> &process);

/* What a program's own option letter did with the words. */
enum ProgramLetterStep {
    PROGRAM_NEXT_LETTER,    /* go on with the next letter of the word */
    PROGRAM_NEXT_WORD,      /* it took the next word: go on after that */
    PROGRAM_RETURN          /* the program returns at once */
};

/* One option letter at *p (which may move on over letters it reads);
 * moreWords tells whether words follow this one, nextWord takes the
 * following word as the letter's argument. */
typedef std::function<ProgramLetterStep(const char *&p, bool moreWords,
                                        const std::function<const char *()> &nextWord)>
    ProgramLetterProc;

/*
 * scanProgramWords --
 *	The words after a program's name: "-" alone and plain words are
 *	inputs, a word starting with "+" goes whole to plus, and each letter
 *	of a "-letters" word to letter, except those all programs share:
 *	-tC (the comment tag) and -wN/-WN (seconds digits). nextWord ends the
 *	run with "missing argument for -%c" when there is no word left.
 * Returns: false when a letter made the program return, else true.
 */
bool scanProgramWords(int argc, const char **argv, int *tag, std::vector<const char *> &inputs,
                      const std::function<void(const char *word)> &plus,
                      const ProgramLetterProc &letter);

#endif
