/*
 * comb_num_format.cpp --
 *
 *	Checks the user's value format of a numeric entry, so that printf
 *	never receives a conversion that does not match its argument.
 */
#include <stdio.h>
#include <string.h>

#include "core/rounding.h"
#include "widgets/comb/comb_num_format.h"

NumFormatKind
numFormatKind(const char *format)
{
    bool wantsDouble = strchr(format, 'f') != NULL;
    const char *allowed = wantsDouble ? "feEgGaA" : "diouxX";
    int conversions = 0;
    for (const char *p = format; *p != '\0'; p++) {
        if (*p != '%') {
            continue;
        }
        p++;
        if (*p == '%') {
            continue;
        }
        while (*p != '\0' && strchr("-+ #0", *p) != NULL) {
            p++;
        }
        while (*p >= '0' && *p <= '9') {
            p++;
        }
        if (*p == '.') {
            p++;
            while (*p >= '0' && *p <= '9') {
                p++;
            }
        }
        if (*p == '\0' || strchr(allowed, *p) == NULL) {
            return NUM_FORMAT_BAD;
        }
        conversions++;
    }
    if (conversions != 1) {
        return NUM_FORMAT_BAD;
    }
    return wantsDouble ? NUM_FORMAT_DOUBLE : NUM_FORMAT_INT;
}

bool
numFormatValue(const char *format, float value, char *text, size_t size)
{
    int length;
    switch (numFormatKind(format)) {
    case NUM_FORMAT_DOUBLE:
        length = snprintf(text, size, format, (double)value);
        break;
    case NUM_FORMAT_INT:
        length = snprintf(text, size, format, roundToInt(value));
        break;
    default:
        return false;
    }
    return length >= 0;
}
