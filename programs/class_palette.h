/*
 * class_palette.h --
 *
 *	The colour table of a class image (classify, iso clustering): each
 *	class's entry shows its mean over up to three bands, stretched for
 *	inputs of more than 8 bits; the entries after the last class are
 *	black.
 */
#ifndef OVEX_PROGRAMS_CLASS_PALETTE_H
#define OVEX_PROGRAMS_CLASS_PALETTE_H

#include "ramimage/ramimg.h"

/* Colour channels a class palette shows at most. */
#define CLASS_PALETTE_CHANNELS 3

/* The mean of class k in colour channel c. */
typedef double ClassMeanProc(const void *data, int k, int c);

/*
 * setClassPalette --
 *	Fills out's palette from the means of nClasses classes over
 *	`channels` colour channels (at most 3; one channel is shown as
 *	grey). channelBands[c] is the band of `in` whose statistics stretch
 *	channel c when `in` has more than 8 bits; `in` may be NULL (no
 *	stretch). The header of out's file is rewritten.
 */
void setClassPalette(RAMIMG *out, RAMIMG *in, const int *channelBands, int channels, int nClasses,
                     ClassMeanProc *meanOf, const void *data);

#endif /* OVEX_PROGRAMS_CLASS_PALETTE_H */
