/*
 * number_text.cpp --
 *
 *	Integer and decimal tests of words, and comma lists of numbers.
 */
#include "ramimage/kit/number_text.h"

#include <stdlib.h>
#include <string.h>

#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"

/*
 * isIntegerText --
 *	A sign or a blank is accepted only as the first character.
 * Returns: 1 or 0.
 */
int isIntegerText(const char *text)
{
    if (text == NULL) {
        return 0;
    }
    for (const char *p = text; *p != '\0'; p++) {
        if (*p >= '0' && *p <= '9') {
            continue;
        }
        if (p == text && (*p == '+' || *p == '-' || *p == ' ')) {
            continue;
        }
        return 0;
    }
    return 1;
}

int isDoubleText(const char *text)
{
    if (text == NULL) {
        return 0;
    }
    char *end;
    (void)strtod(text, &end);
    return *end == '\0';
}

/* Converts one field into slot k of a number list. */
typedef void (FieldStore)(const char *field, void *out, int k);

static void storeFloat(const char *field, void *out, int k)
{
    ((float *)out)[k] = (float)strtod(field, NULL);
}

static void storeLong(const char *field, void *out, int k)
{
    long long value = strtoll(field, NULL, 10);
    if (value > INT32_MAX) {
        value = INT32_MAX;
    } else if (value < INT32_MIN) {
        value = INT32_MIN;
    }
    ((int32_t *)out)[k] = (int32_t)value;
}

/*
 * passNumbers --
 *	The comma list of passFloats and passLongs, on a copy of text so that
 *	each field can be ended in place.
 * Returns: the number of fields, or -1 after allocationMessage.
 * Changes: out[0 .. max - 1] (the fields present).
 */
static int passNumbers(const char *text, void *out, int max, FieldStore *store,
                       const char *allocationMessage)
{
    if (text == NULL) {
        return 0;
    }
    size_t length = strlen(text);
    char *copy = (char *)gmemAlloc(length + 1);
    if (copy == NULL) {
        ovex_fprintf(stderr, "%s", allocationMessage);
        return -1;
    }
    memcpy(copy, text, length + 1);

    int fields = 0;
    char *p = copy;
    while (*p != '\0') {
        char *comma = strchr(p, ',');
        char *next = comma != NULL ? comma + 1 : p + strlen(p);
        if (comma != NULL) {
            *comma = '\0';
        }
        if (*p != '\0') {
            if (fields < max) {
                store(p, out, fields);
            }
            fields++;
        }
        p = next;
    }
    gmemFree(copy);
    return fields;
}

int passFloats(const char *text, float *out, int max)
{
    return passNumbers(text, out, max, storeFloat, "Error in passFloats: malloc\n");
}

int passLongs(const char *text, int32_t *out, int max)
{
    return passNumbers(text, out, max, storeLong, "Error in passLongs: malloc.\n");
}
