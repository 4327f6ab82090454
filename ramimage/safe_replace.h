/*
 * safe_replace.h --
 *
 *	Replacing a file whole: the new contents go to a temporary file in the
 *	same folder, which is renamed over the target only when every byte was
 *	written. A failure leaves the target as it was.
 */
#ifndef OVEX_RAMIMAGE_SAFE_REPLACE_H
#define OVEX_RAMIMAGE_SAFE_REPLACE_H

/* Writes the new contents into fd (open for reading and writing, empty);
 * returns 1 on success, 0 on failure. */
typedef int (SafeReplaceWriter)(int fd, void *clientData);

/*
 * replaceFileSafely --
 *	Runs writer on a temporary file beside path, gives it the mode of the
 *	existing target (0666 less the umask when there is none), and renames it over path.
 * Results:
 *	1 on success; 0 on failure, with errno set and the temporary removed.
 */
int replaceFileSafely(const char *path, SafeReplaceWriter *writer, void *clientData);

/*
 * reopenReplacedFile --
 *	After path was replaced, gives *fd (when it is open) a descriptor on
 *	the new file, read-write when possible. Returns 1, or 0 when the new
 *	file cannot be opened (the old descriptor is kept then).
 */
int reopenReplacedFile(const char *path, int *fd);

#endif
