/*
 * sample_width.h --
 *
 *	Whether a program's row loop must move an image's samples as floats:
 *	pixels wider than a byte, and signed bytes, whose negative values the
 *	byte path would turn into 129 .. 255; or as doubles: 32-bit integers.
 */
#ifndef OVEX_RAMIMAGE_SAMPLE_WIDTH_H
#define OVEX_RAMIMAGE_SAMPLE_WIDTH_H

#include "ovex/ramimage.h"

inline int progNeedsFloat(const ImageHead *head)
{
    return head->bits > 8 || head->pixel == PIXEL_SBYTE;
}

/* Samples a float cannot hold whole: 32-bit integers (a float has 24
 * bits of mantissa), which a row loop moves as doubles. */
inline int progNeedsDouble(const ImageHead *head)
{
    return head->pixel == PIXEL_LONG || head->pixel == PIXEL_ULONG;
}

#endif /* OVEX_RAMIMAGE_SAMPLE_WIDTH_H */
