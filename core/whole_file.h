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
    WHOLE_FILE_OPEN_FAILED,     /* the new file could not be created */
    WHOLE_FILE_WRITE_FAILED     /* a write, the flush or the rename failed */
};

/* Replaces path whole by the count bytes (core/safe_replace.h: a new file
 * beside it, renamed over it once every byte is written; the old file's
 * mode kept, 0666 less the umask for a new one), retrying interrupted and
 * partial writes. A failure leaves the old file as it was. On failure
 * errno tells why the first failing step failed (ENOSPC for a write that
 * took nothing).
 * Returns: one of WHOLE_FILE_WRITTEN, WHOLE_FILE_OPEN_FAILED and
 * WHOLE_FILE_WRITE_FAILED. */
int writeNewFile(const char *path, const void *bytes, size_t count);

#endif /* OVEX_CORE_WHOLE_FILE_H */
