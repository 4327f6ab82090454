/*
 * georef_line.h --
 *
 *	The georeference line that formats without georeference fields of
 *	their own (DIB/BMP, GIF, JPEG) keep in their free text:
 *	"ovex proj:NAME x0:X0 y0:Y0 dx:DX dy:DY", NAME being the mapid name.
 */
#ifndef OVEX_RAMIMAGE_GEOREF_LINE_H
#define OVEX_RAMIMAGE_GEOREF_LINE_H

#include <stddef.h>

#include "ovex/ramimage.h"

/* Room that any line needs, terminating zero included. */
#define GEOREF_LINE_SIZE 300

/* Writes the line of head's mapid, x0, y0, dx and dy into buffer (at
 * least GEOREF_LINE_SIZE bytes). Returns the bytes to store: the line's
 * length plus its terminating zero. */
int formatGeorefLine(const ImageHead *head, char *buffer);

/* Reads a NUL-terminated line. When it holds all five values, sets head's
 * mapid (-1 for a projection name outside the vocabulary), x0, y0, dx and
 * dy and returns 1; otherwise returns 0 and leaves head alone. Text after
 * dy is ignored; a projection word above 95 characters is no line. */
int parseGeorefLine(ImageHead *head, const char *text);

/* parseGeorefLine over length bytes read from a file, which need not end
 * with a zero (only the first GEOREF_LINE_SIZE - 1 bytes are looked at). */
int parseGeorefBytes(ImageHead *head, const unsigned char *bytes, size_t length);

#endif /* OVEX_RAMIMAGE_GEOREF_LINE_H */
