/*
 * cups_client.cpp --
 *
 *	libcups loaded with dlopen. Its major version has stayed 2 for the
 *	whole life of this interface, and the structures used (destinations
 *	and their options) are part of that stable interface.
 */
#include "widgets/print/cups_client.h"

#include <dlfcn.h>
#include <stdio.h>

namespace {

const char CUPS_LIBRARY[] = "libcups.so.2";

char failure[512];

template <typename Function>
bool bind(void *library, const char *name, Function *slot)
{
    *slot = (Function)dlsym(library, name);
    if (*slot == NULL) {
        snprintf(failure, sizeof(failure), "Error in loading CUPS: %s lacks %s", CUPS_LIBRARY,
                 name);
        return false;
    }
    return true;
}

const CupsClient *load(void)
{
    static CupsClient client;
    /* Kept loaded for the life of the process, as linking it would. */
    void *library = dlopen(CUPS_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        const char *why = dlerror();
        snprintf(failure, sizeof(failure), "Error in loading CUPS: %s",
                 why != NULL ? why : CUPS_LIBRARY);
        return NULL;
    }
    if (!bind(library, "cupsGetDests2", &client.getDests2)
        || !bind(library, "cupsGetOption", &client.getOption)
        || !bind(library, "cupsFreeDests", &client.freeDests)
        || !bind(library, "cupsPrintFile2", &client.printFile2)
        || !bind(library, "cupsLastErrorString", &client.lastErrorString)) {
        dlclose(library);
        return NULL;
    }
    return &client;
}

}  // namespace

const CupsClient *cupsClient(void)
{
    static const CupsClient *client = load();
    return client;
}

const char *cupsUnavailable(void)
{
    return cupsClient() == NULL ? failure : NULL;
}
