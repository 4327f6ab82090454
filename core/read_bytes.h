/*
 * read_bytes.h --
 *
 *	Reading a known number of bytes from a descriptor at its current
 *	position, carrying on after short reads and interrupted calls: the
 *	one loop the file readers share.
 */
#ifndef OVEX_CORE_READ_BYTES_H
#define OVEX_CORE_READ_BYTES_H

#include <stddef.h>
#include <sys/types.h>

/* Reads up to count bytes. Returns: the bytes read, fewer only at the end
 * of the file; -1 when a read failed (errno tells why). */
ssize_t readUpTo(int fd, void *bytes, size_t count);

/* Returns: 1 when exactly count bytes were read, else 0 (end of file first
 * or a failed read). */
int readExactly(int fd, void *bytes, size_t count);

#endif /* OVEX_CORE_READ_BYTES_H */
