/*
 * grass_driver.h --
 *
 *	The process-wide state of the GRASS raster driver and the interpreter
 *	the GRASS and vask interfaces evaluate their scripts in.
 */
#ifndef OVEX_GEO_GRASS_GRASS_DRIVER_H
#define OVEX_GEO_GRASS_GRASS_DRIVER_H

#include <tcl.h>

#include "ovex/grass.h"
#include "ovex/ramimage.h"

#define GRASS_PATH_SIZE 128

typedef struct GrassDriverState {
    char widget[GRASS_PATH_SIZE];       /* the virtual-display widget */
    char tag[RAMIMG_NAME_SIZE];         /* its RAM image, looked up on every call */
    int color;
    int penX, penY;
    int clipLeft, clipRight, clipTop, clipBottom;
    double textWidthScale, textHeightScale;
    double rotation, rotationSin, rotationCos;  /* radians */
    int colorCount;
    int colorOffset;
    unsigned char rgb[256][3];
} GrassDriverState;

extern GrassDriverState grassDriver;

/* The image drawn into while the driver is open and its image still
 * exists; NULL otherwise (every R_ function then does nothing). */
RAMIMG *grassDriverImage(void);

/* Loads the state of the widget named by virtural_display from _comb and
 * opens the driver; 0 after a message on standard error. */
int vdispOpenDriver(Tcl_Interp *interp);

/* The interpreter of the scripts; set by the grass registration and every
 * call of grass. */
Tcl_Interp *grassInterp(void);
void grassSetInterp(Tcl_Interp *interp);

#endif /* OVEX_GEO_GRASS_GRASS_DRIVER_H */
