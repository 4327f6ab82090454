/*
 * native_path.h --
 *
 *	File names as the system knows them. Scripts give names in UTF-8;
 *	Tcl's own open, file and glob give them to the system in Tcl's system
 *	encoding (iso8859-1 under a Latin-1 locale, for one), and so does
 *	every path of the library that reaches the system, so that a file
 *	the library makes is the one `file exists` and `glob` find.
 */
#ifndef OVEX_CORE_NATIVE_PATH_H
#define OVEX_CORE_NATIVE_PATH_H

#include <string>

/* From the package's init on, names are converted through Tcl's system
 * encoding; before it (Tcl not set up) they pass as they are. */
void useTclFileNames(void);

/* The system's form of a UTF-8 file name (NULL gives ""). A name of
 * ASCII alone is the same in both. */
std::string nativePath(const char *utf8);

/* The UTF-8 form of a name the system gave (a folder listing). */
std::string utf8Path(const char *native);

#endif /* OVEX_CORE_NATIVE_PATH_H */
