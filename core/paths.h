/*
 * paths.h --
 *
 *	File-name helpers of the RAM-image core and the script-library
 *	commands. The buffer forms copy into a caller's buffer of outSize
 *	bytes and refuse (leaving an empty text) a result that does not fit.
 */
#ifndef OVEX_CORE_PATHS_H
#define OVEX_CORE_PATHS_H

#include <stddef.h>
#include <string>
#include <tcl.h>

/* Tilde expansion by Tcl into out. Returns out, or NULL after adding
 * "Fail to translate file name." to the interpreter's errorInfo. */
char *translateFileName(Tcl_Interp *interp, char *out, size_t outSize, const char *name);
/* The same into a string; false on failure (errorInfo as above). */
bool translateFileName(Tcl_Interp *interp, const char *name, std::string *out);

/* The canonical absolute form in which image file names are compared: an
 * absolute path unchanged, anything else joined to the current directory.
 * Returns 1, or 0 when the directory is unreadable or out is too small. */
int absolutePath(const char *path, char *out, size_t outSize);
/* The same with the directory given instead of the current one. */
int absolutePathFrom(const char *directory, const char *path, char *out, size_t outSize);
/* String form; empty when the current directory is unreadable. */
std::string absolutePath(const char *path);

/* The last element of the path as Tcl splits it; empty for an empty path.
 * Returns 1, or 0 when out is too small. */
int pathTail(const char *path, char *out, size_t outSize);
std::string pathTail(const char *path);

#endif /* OVEX_CORE_PATHS_H */
