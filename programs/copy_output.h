/*
 * copy_output.h --
 *
 *	What copy and trans share: their common options, the output made
 *	from the input's attributes when -out names no image, the -b
 *	band-pair list and the palette copy.
 */
#ifndef OVEX_PROGRAMS_COPY_OUTPUT_H
#define OVEX_PROGRAMS_COPY_OUTPUT_H

#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"

/* The options copy and trans read alike. */
struct CopySettings {
    int dx, dy;                 /* column and row intervals */
    int quality;                /* -cmp: a JPEG output's quality */
    int copyPalette;            /* -ind Y */
    int update;                 /* -u: 0, 1 or 2 */
    const char *in, *out;       /* -in and -out */
};

/*
 * readCopySettings --
 *	Reads -dx, -dy, -cmp, -ind, -u, -in and -out.
 * Returns: 1, or 0 after the message on standard error (a bad update
 *	flag, an interval below 1, a missing input or output).
 */
int readCopySettings(const ProgOptions *options, CopySettings *settings);

/* How the output made from an input is shaped. */
struct CopyOutputShape {
    int dx, dy;                 /* intervals: the size is divided by them */
    int bandCap;                /* bands at most before -nbands (-1: no cap) */
    int quality;                /* a JPEG output's quality */
    int dump;                   /* headered raw layouts take their rows from byte 0 */
};

/*
 * createCopyOutput --
 *	Makes the output word from the input's attributes: rows and columns
 *	divided by the intervals, then the -imgid, -pixel and -nbands
 *	options. Bits and row length follow the new pixel type and size,
 *	and an output of several bands keeps no palette in use, since only
 *	a one-band image is colour-indexed.
 * Returns: the new image, or NULL after "Invalid image ID\n", "Invalid
 *	pixel ID\n" (*err left as the failed open of the output set it) or
 *	"Error in open %s.\n" (*err from the create) on standard error.
 */
RAMIMG *createCopyOutput(const ImageHead *input, const CopyOutputShape *shape,
                         const ProgOptions *options, const char *word, int *err);

/*
 * parseBandPairList --
 *	The -b text split at ";", "," and blanks into groups of in[:out],
 *	appended to the pairs (1-based still).
 * Returns: 1, or 0 after "Invalid band specification.\n" (or the memory
 *	message).
 */
int parseBandPairList(const char *spec, int *inBands, int *outBands, int *nPairs);

/* Copies the colour entries both images have (256 at most) into out's
 * palette and its file. */
void copyPaletteEntries(RAMIMG *out, const RAMIMG *in);

#endif /* OVEX_PROGRAMS_COPY_OUTPUT_H */
