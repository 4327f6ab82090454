/*
 * point_list_parse.h --
 *
 *	Reading the coordinates of lines and polygons: x y values as words
 *	or as one list, optionally followed by a list of part (ring) sizes.
 *	Every size is checked before any coordinate is read, so no part
 *	reaches beyond the values given.
 */
#ifndef OVEX_CANVAS_POINT_LIST_PARSE_H
#define OVEX_CANVAS_POINT_LIST_PARSE_H

#include <tcl.h>

typedef int GcReadCoordProc(ClientData clientData, Tcl_Interp *interp, Tcl_Obj *obj, double *out);

typedef struct ParsedPoints {
    int numPoints;
    double *points;     /* ckalloc'd, 2 * numPoints doubles (NULL when none) */
    int numParts;
    int *sizes;         /* ckalloc'd, numParts counts (NULL when none) */
} ParsedPoints;

enum { POINTS_POLYLINE = 0, POINTS_POLYGON = 1 };

/* Reads objc words (one word: its list elements). A polyline's parts
 * hold at least 1 point, a polygon's rings at least 3. On error the
 * message is in interp, out holds nothing and TCL_ERROR is returned. */
int parsePointList(Tcl_Interp *interp, int objc, Tcl_Obj *const objv[], int kind,
                   GcReadCoordProc *readCoord, ClientData clientData, ParsedPoints *out);
void freeParsedPoints(ParsedPoints *p);

#endif /* OVEX_CANVAS_POINT_LIST_PARSE_H */
