/*
 * whole_image_cap.h --
 *
 *	The one limit on decoders that hold a whole image in memory: a file
 *	announcing more decoded bytes than this is refused with a clear error
 *	instead of an attempt at a huge allocation. Streamed layouts (raw rows
 *	read through the row cache) have no such limit.
 */
#ifndef OVEX_RAMIMAGE_WHOLE_IMAGE_CAP_H
#define OVEX_RAMIMAGE_WHOLE_IMAGE_CAP_H

#include <stdint.h>

/* Default cap: 1 GiB of decoded bytes. */
#define OVEX_DEFAULT_DECODE_CAP ((int64_t)1 << 30)

/* Most decoded bytes a whole-image decoder may hold: env(OVEX_MAX_DECODE)
 * of the console interpreter when it is a positive whole number of bytes,
 * else OVEX_DEFAULT_DECODE_CAP. */
int64_t ovexWholeImageCap(void);

#endif /* OVEX_RAMIMAGE_WHOLE_IMAGE_CAP_H */
