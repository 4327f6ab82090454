/*
 * file_extent.h --
 *
 *	Whether the pixel area a header announces lies inside the file: the
 *	check every raw reader makes before it accepts a header.
 */
#ifndef OVEX_RAMIMAGE_FORMATS_FILE_EXTENT_H
#define OVEX_RAMIMAGE_FORMATS_FILE_EXTENT_H

#include <stdint.h>

/* Size in bytes of the regular file fd, or -1 when fd is not a regular
 * file (a pipe or device, whose length is not known in advance) or cannot
 * be examined (then *known is false when given). */
int64_t regularFileSize(int fd, bool *known);

/* True when offset and rowCount rows of rowBytes bytes each are all
 * non-negative, their end is representable in 64 bits, and that end lies
 * inside the file (files whose size is not known are trusted). */
bool areaFitsFile(int fd, int64_t offset, int64_t rowBytes, int64_t rowCount);

#endif /* OVEX_RAMIMAGE_FORMATS_FILE_EXTENT_H */
