/*
 * comb_num_format.h --
 *
 *	The value format of a numeric entry: a printf format that is checked
 *	before it is handed a number.
 */
#ifndef OVEX_WIDGETS_COMB_COMB_NUM_FORMAT_H
#define OVEX_WIDGETS_COMB_COMB_NUM_FORMAT_H

#include <stddef.h>

/* Longest formatted value; longer texts are cut. */
#define NUM_TEXT_MAX 31

enum NumFormatKind {
    NUM_FORMAT_BAD,     /* anything but exactly one usable conversion */
    NUM_FORMAT_DOUBLE,  /* one of f e E g G a A */
    NUM_FORMAT_INT      /* one of d i o u x X */
};

/* The kind of format: a format holding the letter f takes a double, any
 * other an int; either must have exactly one conversion of its kind, with
 * flags, width and precision only ("%%" allowed anywhere). */
NumFormatKind numFormatKind(const char *format);

/* Formats value by a format of that kind into text (NUM_TEXT_MAX + 1
 * bytes). False for a bad format. */
bool numFormatValue(const char *format, float value, char *text, size_t size);

#endif /* OVEX_WIDGETS_COMB_COMB_NUM_FORMAT_H */
