/*
 * memory_layout.h --
 *
 *	The layouts of images held only in memory and the least row length
 *	of every layout: rules the rimage command and the programs share
 *	when they make a head for a new image.
 */
#ifndef OVEX_RAMIMAGE_MEMORY_LAYOUT_H
#define OVEX_RAMIMAGE_MEMORY_LAYOUT_H

#include <stdint.h>

#include "ovex/ramimage.h"

/* 1 for the memory layouts (imgid 21 to 30), else 0. */
int isSystemImgid(int imgid);

/* Applies the memory layout of head->imgid (24 to 30: bands, pixel type,
 * palette size and row length; 21 to 23 unchanged). */
void applyMemoryLayout(ImageHead *head);

/* Least file row length of head's layout (bytes); the block is raised to it. */
int64_t leastRowLength(const ImageHead *head);

/* Fills palette entries 0 .. nindices - 1 with a grey ramp. */
void fillGreyRamp(ImageHead *head);

#endif /* OVEX_RAMIMAGE_MEMORY_LAYOUT_H */
