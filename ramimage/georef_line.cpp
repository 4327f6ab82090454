/*
 * georef_line.cpp --
 *
 *	Writing and reading the georeference line. 32 significant digits
 *	make every double come back exactly.
 */
#include "ramimage/georef_line.h"

#include <stdio.h>
#include <string.h>

#include "core/vocabulary.h"

/* Longest projection word kept; a longer one makes the text no line. */
#define GEOREF_PROJ_SIZE 96

/*
 * formatGeorefLine --
 *	Returns: the line's length plus one.
 *	Changes: buffer (GEOREF_LINE_SIZE bytes at most).
 */
int formatGeorefLine(const ImageHead *head, char *buffer)
{
    int length = snprintf(buffer, GEOREF_LINE_SIZE,
                          "ovex proj:%s x0:%.32g y0:%.32g dx:%.32g dy:%.32g",
                          mapidName(head->mapid), head->x0, head->y0, head->dx, head->dy);
    if (length < 0) {
        buffer[0] = '\0';
        length = 0;
    } else if (length >= GEOREF_LINE_SIZE) {
        length = GEOREF_LINE_SIZE - 1;
    }
    return length + 1;
}

/*
 * parseGeorefLine --
 *	Blanks of the pattern match any run of white space, as formatted
 *	input does.
 * Returns: 1 when all five values were read, else 0.
 * Changes: head's mapid, x0, y0, dx, dy (only on success).
 */
int parseGeorefLine(ImageHead *head, const char *text)
{
    if (text == NULL) {
        return 0;
    }
    char proj[GEOREF_PROJ_SIZE];
    double x0, y0, dx, dy;
    if (sscanf(text, "ovex proj:%95s x0:%lg y0:%lg dx:%lg dy:%lg", proj, &x0, &y0, &dx, &dy)
            != 5) {
        return 0;
    }
    head->mapid = mapidFromName(proj);
    head->x0 = x0;
    head->y0 = y0;
    head->dx = dx;
    head->dy = dy;
    return 1;
}

int parseGeorefBytes(ImageHead *head, const unsigned char *bytes, size_t length)
{
    if (bytes == NULL) {
        return 0;
    }
    char text[GEOREF_LINE_SIZE];
    size_t kept = length < sizeof text - 1 ? length : sizeof text - 1;
    memcpy(text, bytes, kept);
    text[kept] = '\0';
    return parseGeorefLine(head, text);
}
