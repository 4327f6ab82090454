/*
 * class_output.h --
 *
 *	The output image of the classifying programs (classify, gisoc): one
 *	BYTE band of 256 colour indices, shaped like the input.
 */
#ifndef OVEX_PROGRAMS_CLASS_OUTPUT_H
#define OVEX_PROGRAMS_CLASS_OUTPUT_H

#include "ramimage/ramimg.h"

/* How a program reports a failed create. */
struct ClassOutputStyle {
    const char *openLead;       /* "Error in open" and what stands before the name */
    bool refuseLongName;        /* a name too long for the header fails (else it is cut) */
};

/*
 * createClassOutput --
 *	A one-band BYTE image with 256 colour indices shaped like `in`, in
 *	the imgidName format (DIB when NULL), replacing any file there.
 * Returns: the image, or NULL after "Invalid imgid.\n" or the open
 *	message (openLead, the name, a newline) with *err from the create;
 *	a name refused for its length sets *err to RAMIMG_ENAME, silently.
 */
RAMIMG *createClassOutput(const RAMIMG *in, const char *word, const char *imgidName,
                          const ClassOutputStyle &style, int *err);

#endif /* OVEX_PROGRAMS_CLASS_OUTPUT_H */
