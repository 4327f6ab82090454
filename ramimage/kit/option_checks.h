/*
 * option_checks.h --
 *
 *	Numbers of program options that must make sense before a run: sizes,
 *	steps and scales above zero, angles and offsets finite. A program
 *	that took 0, a negative size, NaN or an overflowing scale would write
 *	an image of zeros and report success.
 */
#ifndef OVEX_RAMIMAGE_OPTION_CHECKS_H
#define OVEX_RAMIMAGE_OPTION_CHECKS_H

#include "ramimage/kit/program_kit.h"

/* What a number must be. */
enum ProgRealRule {
    PROG_REAL_FINITE,       /* any finite number of a sane magnitude */
    PROG_REAL_POSITIVE,     /* finite and above zero */
    PROG_REAL_NONZERO       /* finite and not zero (a scale that may flip) */
};

/* Magnitude beyond which a number is refused: products of it with pixel
 * values and sizes would overflow. */
#define PROG_REAL_LIMIT 1e15

/* The value of option name (fallback when it was not given) into *out
 * when it obeys rule; else 0 after "Invalid %s value: %s (RULE)\n" on
 * standard error, where RULE is "must be a finite number", "must be
 * above 0" or "must be a finite number other than 0". A fallback that
 * breaks the rule is refused the same way (with its value). */
int progCheckedReal(const ProgOptions *options, const char *name, double fallback, int rule,
                    double *out);

/* The same check of one value already read (word is its text, or NULL
 * to print the value): 1, or 0 after the message. For numbers inside a
 * list option. */
int progCheckReal(const char *name, const char *word, double value, int rule);

#endif /* OVEX_RAMIMAGE_OPTION_CHECKS_H */
