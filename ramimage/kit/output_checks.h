/*
 * output_checks.h --
 *
 *	The checks a program makes before it writes: that an output file
 *	which is there already is one of the kind it writes, that an output
 *	image is not its input under another name, and that a name fits the
 *	image record.
 */
#ifndef OVEX_RAMIMAGE_OUTPUT_CHECKS_H
#define OVEX_RAMIMAGE_OUTPUT_CHECKS_H

#include "ovex/ramimage.h"

/* 1 when path may be written by a program whose files begin with one of
 * magics (a NULL-ended list): it does not exist, it is a device or a
 * pipe, or it is a regular file that begins with one of them. Else 0 after "%s: File already exists\n"
 * on standard error. */
int progOutputFileAllowed(const char *path, const char *const *magics);

/* 1 when a and b are the same image, or their files are the same file
 * (device and inode, whatever the spelling of the path). */
int progSameImage(const RAMIMG *a, const RAMIMG *b);

/* 1 after "%s: the output is the input image\n" (word) on standard error
 * when out is in (progSameImage), else 0. */
int progOutputIsInput(const RAMIMG *in, const RAMIMG *out, const char *word);

/* 1 when word fits an image record's name field; else 0 after
 * "%s: name too long (%d characters, at most %d)\n" on standard error. */
int progNameFits(const char *word);

#endif /* OVEX_RAMIMAGE_OUTPUT_CHECKS_H */
