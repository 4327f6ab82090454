/*
 * file_checks.h --
 *
 *	File and disk queries shared by the image writers and the programs:
 *	whether a path exists, and how many bytes its file system still
 *	offers.
 */
#ifndef OVEX_RAMIMAGE_FILE_CHECKS_H
#define OVEX_RAMIMAGE_FILE_CHECKS_H

/* 0 when the path exists (whatever its access rights; a dangling symbolic
 * link exists too), -1 otherwise or for a NULL or empty path. */
int fileExists(const char *path);

/* Bytes available to unprivileged users on the file system that holds
 * path, or that would hold it when it does not exist yet (its folder; the
 * current folder for a NULL or empty path). -1.0 after
 * "Error in getdfree() call\n" on standard error. */
double diskFreeBytes(const char *path);

#endif /* OVEX_RAMIMAGE_FILE_CHECKS_H */
