/*
 * native_path.cpp --
 *
 *	File names converted between UTF-8 and the system's encoding as Tcl
 *	converts them (see native_path.h).
 */
#include "core/native_path.h"

#include <tcl.h>

namespace {

bool tclReady = false;

bool plainAscii(const char *text)
{
    for (const unsigned char *p = (const unsigned char *)text; *p != '\0'; p++) {
        if (*p >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace

void useTclFileNames(void)
{
    tclReady = true;
}

std::string nativePath(const char *utf8)
{
    if (utf8 == NULL) {
        return std::string();
    }
    if (!tclReady || plainAscii(utf8)) {
        return utf8;
    }
    Tcl_DString buffer;
    Tcl_UtfToExternalDString(NULL, utf8, -1, &buffer);
    std::string native(Tcl_DStringValue(&buffer), (size_t)Tcl_DStringLength(&buffer));
    Tcl_DStringFree(&buffer);
    return native;
}

std::string utf8Path(const char *native)
{
    if (native == NULL) {
        return std::string();
    }
    if (!tclReady || plainAscii(native)) {
        return native;
    }
    Tcl_DString buffer;
    Tcl_ExternalToUtfDString(NULL, native, -1, &buffer);
    std::string utf8(Tcl_DStringValue(&buffer), (size_t)Tcl_DStringLength(&buffer));
    Tcl_DStringFree(&buffer);
    return utf8;
}
