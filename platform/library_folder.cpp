/*
 * library_folder.cpp --
 *
 *	The folder of the loaded library, as the dynamic loader reports it.
 */
#include "platform/library_folder.h"

#include <dlfcn.h>
#include <string.h>

#include "core/gmem.h"

char *besideLibrary(const char *file)
{
    Dl_info info;
    const char *self = NULL;
    if (dladdr((void *)&besideLibrary, &info) != 0 && info.dli_fname != NULL) {
        self = info.dli_fname;
    }
    const char *slash = self != NULL ? strrchr(self, '/') : NULL;
    size_t dirLength = slash != NULL ? (size_t)(slash - self) + 1 : 0;
    size_t fileLength = strlen(file) + 1;
    char *name = (char *)gmemAlloc(dirLength + fileLength);
    if (name != NULL) {
        memcpy(name, self, dirLength);
        memcpy(name + dirLength, file, fileLength);
    }
    return name;
}
