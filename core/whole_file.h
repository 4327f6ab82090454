/*
 * whole_file.h --
 *
 *	Writing a whole buffer as the new contents of a file.
 */
#ifndef OVEX_CORE_WHOLE_FILE_H
#define OVEX_CORE_WHOLE_FILE_H

#include <stddef.h>

/* What writeNewFile did. */
enum {
    WHOLE_FILE_WRITTEN = 0,     /* every byte written and the file closed */
    WHOLE_FILE_OPEN_FAILED,     /* the file could not be created or opened */
    WHOLE_FILE_WRITE_FAILED     /* a write or the close failed */
};

/* Creates or truncates path (mode 0666 less the umask for a new file, close-on-exec) and
 * writes the count bytes, retrying interrupted and partial writes, then
 * closes it. On failure errno tells why the first failing step failed
 * (ENOSPC for a write that took nothing).
 * Returns: one of WHOLE_FILE_WRITTEN, WHOLE_FILE_OPEN_FAILED and
 * WHOLE_FILE_WRITE_FAILED. */
int writeNewFile(const char *path, const void *bytes, size_t count);

#endif /* OVEX_CORE_WHOLE_FILE_H */
