/*
 * sample_width.h --
 *
 *	Whether a program's row loop must move an image's samples as floats:
 *	pixels wider than a byte, and signed bytes, whose negative values the
 *	byte path would turn into 129 .. 255.
 */
#ifndef OVEX_RAMIMAGE_SAMPLE_WIDTH_H
#define OVEX_RAMIMAGE_SAMPLE_WIDTH_H

#include "ovex/ramimage.h"

inline int progNeedsFloat(const ImageHead *head)
{
    return head->bits > 8 || head->pixel == PIXEL_SBYTE;
}

#endif /* OVEX_RAMIMAGE_SAMPLE_WIDTH_H */
