/*
 * number_text.h --
 *
 *	Number texts of program arguments: whether a word is an integer or a
 *	decimal number, and comma-separated lists of numbers.
 */
#ifndef OVEX_RAMIMAGE_NUMBER_TEXT_H
#define OVEX_RAMIMAGE_NUMBER_TEXT_H

#include <stdint.h>

/* 1 when text holds only decimal digits after an optional first blank or
 * sign ("", "+" and " 12" give 1; "12 " and "1-2" give 0), else 0. */
int isIntegerText(const char *text);

/* 1 when the standard text-to-double conversion takes the whole text (the
 * empty text too), else 0. */
int isDoubleText(const char *text);

/* Splits text at commas (empty fields are skipped) and stores the first
 * max fields as numbers. Returns the number of fields, those beyond max
 * included; 0 for NULL; -1 after "Error in passFloats: malloc\n" or
 * "Error in passLongs: malloc.\n" on standard error. passLongs keeps
 * 32-bit values, the ones beyond that range clamped. */
int passFloats(const char *text, float *out, int max);
int passLongs(const char *text, int32_t *out, int max);

#endif /* OVEX_RAMIMAGE_NUMBER_TEXT_H */
