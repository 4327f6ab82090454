/*
 * data_range.cpp --
 *
 *	Parsing of data ranges "@COLUMNS,ROWS,BANDS" (see data_range.h).
 */
#include <ctype.h>
#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "ramimage/kit/data_range.h"

/* Longest part accepted. */
#define RANGE_PART_MAX 255

/* A decimal int filling text[0 .. length - 1] exactly; 0 when it does not. */
static int readBound(const char *text, size_t length, int *value)
{
    char buffer[RANGE_PART_MAX + 1];
    if (length == 0 || length > RANGE_PART_MAX) {
        return 0;
    }
    memcpy(buffer, text, length);
    buffer[length] = '\0';
    if (!isdigit((unsigned char)buffer[0]) && buffer[0] != '-' && buffer[0] != '+') {
        return 0;
    }
    char *end;
    errno = 0;
    long number = strtol(buffer, &end, 10);
    if (*end != '\0' || errno == ERANGE || number < INT_MIN || number > INT_MAX) {
        return 0;
    }
    *value = (int)number;
    return 1;
}

/* One part of length characters over a dimension of extent n. */
static int readPart(const char *part, size_t length, int n, int *low, int *high)
{
    if (length > RANGE_PART_MAX) {
        return 0;
    }
    if (length == 0 || (length == 1 && (part[0] == '*' || part[0] == ':'))) {
        *low = 0;
        *high = n - 1;
    } else {
        const char *colon = (const char *)memchr(part, ':', length);
        if (colon == NULL) {
            if (!readBound(part, length, low)) {
                return 0;
            }
            *high = *low;
        } else if (!readBound(part, (size_t)(colon - part), low)
                   || !readBound(colon + 1, length - (size_t)(colon - part) - 1, high)) {
            return 0;
        }
    }
    return *low >= 0 && *low < n && *high >= 0 && *high < n;
}

/*
 * parseDataRange --
 *	See data_range.h.
 */
int parseDataRange(const char *text, int columns, int rows, int bands, DataRange *range)
{
    if (text == NULL || text[0] != '@' || range == NULL) {
        return 0;
    }
    const int extents[3] = {columns, rows, bands};
    int *bounds[3][2] = {{&range->c0, &range->c1}, {&range->r0, &range->r1},
                         {&range->b0, &range->b1}};
    const char *part = text + 1;
    for (int k = 0; k < 3; k++) {
        size_t length = 0;
        if (part != NULL) {
            const char *comma = strchr(part, ',');
            length = comma != NULL ? (size_t)(comma - part) : strlen(part);
        }
        if (!readPart(part != NULL ? part : "", length, extents[k], bounds[k][0],
                      bounds[k][1])) {
            return 0;
        }
        if (part != NULL) {
            part = part[length] == ',' ? part + length + 1 : NULL;
        }
    }
    /* A fourth part is not a range of this image. */
    return part == NULL;
}
