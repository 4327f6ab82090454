/*
 * positional_io.h --
 *
 *	Reads and writes at 64-bit file positions that never move the file
 *	offset and carry on after short transfers and interrupted calls.
 */
#ifndef OVEX_RAMIMAGE_POSITIONAL_IO_H
#define OVEX_RAMIMAGE_POSITIONAL_IO_H

#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>
#include <sys/uio.h>

/* Most iovecs one vectored call is given. */
enum { RAM_IO_MAX_VECTORS = 256 };

/* Bytes read at pos (fewer at the end of the file), or -1 when the first
 * read failed or pos is negative. */
ssize_t readAt(int fd, void *buffer, size_t length, int64_t pos);
/* The same over iovecs; the array is consumed (changed) as it is filled. */
ssize_t readvAt(int fd, struct iovec *vectors, int count, int64_t pos);

/* 1 when every byte was written at pos, else 0. */
int writeAt(int fd, const void *buffer, size_t length, int64_t pos);
/* The same over iovecs; the array is consumed as it is written. */
int writevAt(int fd, struct iovec *vectors, int count, int64_t pos);

#endif /* OVEX_RAMIMAGE_POSITIONAL_IO_H */
