/*
 * library_folder.cpp --
 *
 *	The folder of the loaded library, as the dynamic loader reports it.
 */
#include "platform/library_folder.h"

#include <dlfcn.h>
#include <string.h>

std::string besideLibrary(const char *file)
{
    Dl_info info;
    std::string path;
    if (dladdr((void *)&besideLibrary, &info) != 0 && info.dli_fname != NULL) {
        const char *slash = strrchr(info.dli_fname, '/');
        if (slash != NULL) {
            path.assign(info.dli_fname, (size_t)(slash - info.dli_fname) + 1);
        }
    }
    return path + file;
}
