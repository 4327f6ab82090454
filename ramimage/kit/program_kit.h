/*
 * program_kit.h --
 *
 *	This folder is the program kit: what the analysis programs of
 *	programs/ share (option matching, band specifications, number text,
 *	bit maps, base64, data ranges). It stands on the engine and includes
 *	nothing of the rimage command or the bridges.
 *
 *	What every program of the rimage command does the same way: its
 *	option table filled per call, its usage, the images it opens and
 *	releases, the progress meter of its row loop, the -u update of the
 *	image it wrote, and its console questions and band listings.
 *
 *	A program declares one constant table and matches into a copy of it
 *	on each call: the meter and the pause poll pass events, and an event
 *	may run the same program again before this call has read its options.
 *
 *	    static const ProgOption slopeOptions[] = {
 *	        {"-in", NULL}, {"-out", NULL}, {"-scale", NULL}, {NULL, NULL}};
 *	    ProgOptions options;
 *	    if (!progMatchOptions(&options, slopeOptions, argc, argv, stderr))
 *	        return PROGRAM_FAILED;
 *	    const char *in = progOptionValue(&options, "-in");
 */
#ifndef OVEX_RAMIMAGE_PROGRAM_KIT_H
#define OVEX_RAMIMAGE_PROGRAM_KIT_H

#include <stdint.h>
#include <stdio.h>

#include "ovex/ramimage.h"
#include "ramimage/kit/program_support.h"

/* ---- Options and usage ---------------------------------------------------- */

/* Rows a program's option table may have (its end row not counted). */
#define PROG_OPTION_ROWS 64

/* One call's copy of a program's option table. */
struct ProgOptions {
    ProgOption rows[PROG_OPTION_ROWS + 1];
};

/* Copies table into options and matches argv into the copy. When words
 * match no row, prints "Error: %d unknown param(s).\n" on stream (stderr;
 * stdout for the programs that report there) and a line that names them
 * and lists the table's options ("Unknown option -outt; valid options:
 * -in -out ...", also "repeated option -in", "no value after -kn"), and
 * returns 0; else 1. The two lines are the run's error message also when
 * stream is stdout. */
int progMatchOptions(ProgOptions *options, const ProgOption *table, int argc,
                     const char *const *argv, FILE *stream);

/* The value of the first row named name, NULL when it was not given. */
const char *progOptionValue(const ProgOptions *options, const char *name);

/* The value of name read leniently as an integer or a real, fallback
 * when it was not given. */
int progIntOption(const ProgOptions *options, const char *name, int fallback);
double progRealOption(const ProgOptions *options, const char *name, double fallback);

/* Prints a usage on standard output: lines[0] is a format whose one "%s"
 * takes the program name, the lines after it (up to a NULL) are printed
 * as they are. Returns PROGRAM_USAGE. */
int progPrintUsage(const char *programName, const char *const *lines);

/* ---- Images --------------------------------------------------------------- */

/* The image named by word, a tag or a file name: an open image is found
 * by either, a file not open yet is opened. Takes a reference that
 * progReleaseImage gives back. NULL with *err (err may be NULL). */
RAMIMG *progOpenImage(const char *word, int *err);

/* Gives back the reference of progOpenImage (or of openRAMImageNew
 * without a client); NULL does nothing. */
void progReleaseImage(RAMIMG *image);

/* ---- Outputs a run creates ------------------------------------------------ */

/* Starts a program run: the files noted from now on belong to it (runs
 * nest). Returns the mark to give progEndRun. */
int progBeginRun(void);

/* Ends the run started with mark. When it failed, every file noted since
 * mark that is still a plain file and that no open image uses is
 * removed, and every memory image progCreateImage made since mark is
 * closed unless another open, a client or a lock holds it; an output
 * that existed before the run was never noted. */
void progEndRun(int mark, int failed);

/* Notes that the running program is about to create path: a path that
 * exists already (a file, a device, a link) is not noted. Nothing
 * happens outside a run. */
void progNoteOutputFile(const char *path);

/* openRAMImageNew without a client, for a program's output image: its
 * file is noted first (progNoteOutputFile), or a memory image made under
 * a new tag is noted once made. */
RAMIMG *progCreateImage(ImageHead *head, int overwrite, int *err);

/* ---- Row loop ------------------------------------------------------------- */

/* The meter of a loop: the label shown and the next fraction to show. */
struct ProgMeter {
    const char *label;
    float next;
};

/* Starts a loop's meter at threshold 0. */
void progMeterStart(ProgMeter *meter, const char *label);

/* After done of total units: when the fraction done reaches the
 * threshold, shows the threshold and raises it by the meter step. */
void progMeterStep(ProgMeter *meter, int64_t done, int64_t total);

/* Shows the loop as complete (1.0). */
void progMeterEnd(ProgMeter *meter);

/* Passes events and answers 1 when the user asked to abort, else 0. */
int progAborted(void);

/* ---- The -u update convention --------------------------------------------- */

/* The update flag of a -u value: defaultFlag when not given, the value
 * read as a decimal integer otherwise; -1 when that is not 0, 1 or 2. */
int progUpdateFlag(const char *value, int defaultFlag);

/* Applies update flag 0, 1 or 2 to an image a program wrote (after its
 * last row and meterReset): 0 nothing; 1 and 2 write the dirty rows back;
 * with 2, when the image holds band statistics, those of the bands
 * written (bands[0 .. nBands - 1], 0-based, -1 for the colour index
 * meaning band 0; every band when bands is NULL) are reset and the
 * clients told of a configuration change; otherwise with 1 or 2 they are
 * told of a data change. Returns 1, or 0 after "Error in writing %s.\n"
 * (the image's file) on standard error when a row could not be written. */
int progUpdateImage(RAMIMG *image, int update, const int *bands, int nBands);

/* ---- Console -------------------------------------------------------------- */

/* Prints "\n%s (Y/N) " and reads answers (folded to upper case) until Y
 * or N, ringing the bell after any other. One empty answer is skipped;
 * a further one (or the end of input) counts as N. Returns 1 for Y. */
int askYesNo(const char *prompt);

/* Lists the bands of a feature block on standard output: "Bands: %ld\n"
 * with their count, then each band plus one as "%10ld", a line end after
 * every 8 and at the end. block is the block's bytes (its head: u32 size
 * at 8, u32 band count at 28, u32 bands from 32); bands beyond its size
 * are not listed. */
void printBands(const void *block);

#endif /* OVEX_RAMIMAGE_PROGRAM_KIT_H */
