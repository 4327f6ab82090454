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

/* Free bytes of a drive numbered from 0 for A:. This system has no
 * drives, so a negative drive (the current one) gives diskFreeBytes of the
 * current folder and any other drive -1.0 after "Error in getdfree()
 * call\n" on standard error. */
double driveFreeBytes(int drive);

#endif /* OVEX_RAMIMAGE_FILE_CHECKS_H */
