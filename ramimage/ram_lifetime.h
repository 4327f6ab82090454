/*
 * ram_lifetime.h --
 *
 *	How the RAM-image core ends an image's life when the close that
 *	releases it runs inside a notification of that image's clients: the
 *	image is taken out of the list at once and freed when the outermost
 *	notification of it returns.
 */
#ifndef OVEX_RAMIMAGE_RAM_LIFETIME_H
#define OVEX_RAMIMAGE_RAM_LIFETIME_H

#include "ovex/ramimage.h"

/* 1 when a notification loop of the image is running: the image is then
 * marked to be discarded when that loop ends. 0 otherwise (nothing done). */
int deferRamImageFree(RAMIMG *image);

/* Writes back the dirty rows of an unlinked image (a failed write is
 * reported on standard error) and frees it. */
void discardRamImage(RAMIMG *image);

#endif /* OVEX_RAMIMAGE_RAM_LIFETIME_H */
