/*
 * library_folder.h --
 *
 *	Files shipped beside libovex.so (its run-time modules), found from
 *	where the library itself was loaded, so that a build folder and an
 *	installed package folder both work without a search path.
 */
#ifndef OVEX_PLATFORM_LIBRARY_FOLDER_H
#define OVEX_PLATFORM_LIBRARY_FOLDER_H

#include <string>

/* The path of file in the folder of the loaded library (in a program
 * linked with the library's code, the program's folder). */
std::string besideLibrary(const char *file);

#endif /* OVEX_PLATFORM_LIBRARY_FOLDER_H */
