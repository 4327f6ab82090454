/*
 * whole_image_cap.cpp --
 *
 *	The decoded-size cap of whole-image decoders, read afresh on every
 *	call so that a script can lower or raise it between opens.
 */
#include "ramimage/whole_image_cap.h"

#include <cerrno>
#include <cstdlib>

#include "ovex/ovexstdio.h"

int64_t ovexWholeImageCap(void)
{
    const char *text = ovex_getenv("OVEX_MAX_DECODE");
    if (text == NULL || *text == '\0') {
        return OVEX_DEFAULT_DECODE_CAP;
    }
    char *end = NULL;
    errno = 0;
    long long value = strtoll(text, &end, 10);
    while (end != NULL && (*end == ' ' || *end == '\t')) {
        end++;
    }
    if (errno != 0 || end == text || *end != '\0' || value <= 0) {
        return OVEX_DEFAULT_DECODE_CAP;     /* a malformed setting never lifts the cap */
    }
    return (int64_t)value;
}
