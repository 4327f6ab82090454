/*
 * view_object.h --
 *
 *	View commands bound to open RAM images ("rimage bind"): a Tcl command
 *	through which a script reads and writes single pixels and applies the
 *	image algebra in place over a region of interest (ROI) and a band map.
 *	A view is a client of its image and refits itself whenever the image
 *	announces a change of its configuration.
 */
#ifndef OVEX_FRONTEND_RIMAGE_VIEW_OBJECT_H
#define OVEX_FRONTEND_RIMAGE_VIEW_OBJECT_H

#include <tcl.h>

#include "ovex/ramimage.h"
#include "frontend/rimage/rimage_command.h"

/* The record behind a view command, owned by the command. */
struct RimgObj {
    RAMIMG *image;              /* the bound image, held by client */
    RamImageClient client;      /* id and clientData: the record itself */
    int columns, rows, bands;   /* the geometry the view last fitted itself to */
    int x, y;                   /* ROI origin in the bound image */
    int width, height;          /* ROI size */
    int srcx, srcy;             /* origin of the matching area in an operand image */
    int pairs;                  /* band pairs in use */
    int maxOperandBand;         /* largest operand band of the pairs */
    int *operandBands;          /* 1-based operand band of each pair; with ownBands */
    int *ownBands;              /* one block of 2 x bands ints, operand bands first */
};

/* Longest band map text. */
#define BAND_SPEC_MAX 16383

/* "desx desy srcx srcy width height": six integers; the ROI must lie in
 * an image of columns x rows, and the operand origin must not be
 * negative. Returns 1 with the values stored, or 0 (nothing stored). */
int parseROI(const char *text, int columns, int rows, int *x, int *y, int *srcx, int *srcy,
             int *width, int *height);

/* A band map: blank-separated pairs "a:b" (own band a from operand band
 * b) or "a-b:c-d" (ranges of equal length, either direction), every
 * number at least 1, own bands at most bands, at most bands pairs in all.
 * The lists need room for bands entries. Returns the number of pairs, 0
 * on any error (the lists may then be partly written). */
int parseBandSpec(const char *text, int bands, int *ownBands, int *operandBands,
                  int *maxOperandBand);

/* Fits the view to its image: keeps the ROI and band map while the image
 * keeps its band count and does not shrink; otherwise moves and cuts the
 * ROI into the image and keeps the pairs whose own band the image still
 * has (a new view gets the identity map). Returns 1. */
int rimgObjConfigChanged(RimgObj *obj);

/* Binds the record to image, whose reference the record's client takes
 * over, and fits the view to it. Returns 1, or 0 when the band map could
 * not be allocated. */
int rimgObjAttach(RimgObj *obj, RAMIMG *image);

/* The view command named name in interp, NULL when name is not a view. */
RimgObj *findRimgObj(Tcl_Interp *interp, const char *name);

/* The view command's procedure and its delete procedure (releases the
 * client from the image, frees the band map and the record). */
int rimgObjCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);
void rimgObjDelete(ClientData clientData);

/* rimage bind -file FILE ?-obj NAME? ?-roi ROI? ?-bands MAP?: makes or
 * rebinds a view command and answers its name. */
RimageHandler rimageBind;

#endif /* OVEX_FRONTEND_RIMAGE_VIEW_OBJECT_H */
