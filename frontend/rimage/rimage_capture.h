/*
 * rimage_capture.h --
 *
 *	The rimage subcommands that meet the display: canvas, clipboard and
 *	window captures, and drawing lines and polygons into an image. Each
 *	is a RimageHandler (rimage_command.h).
 */
#ifndef OVEX_FRONTEND_RIMAGE_RIMAGE_CAPTURE_H
#define OVEX_FRONTEND_RIMAGE_RIMAGE_CAPTURE_H

#include "frontend/rimage/rimage_command.h"

RimageHandler rimageCanvas;     /* CANVAS TAG ?x0 y0 width height? ?coordType? */
RimageHandler rimageClipboard;  /* TAG ?x y width height? | ? | ~ | palette */
RimageHandler rimageWindow;     /* TAG ?REGION? | PATH ?OPTIONS? */
RimageHandler rimageDraw;       /* NAME line|polygon COORDS ?value? ?band? */

#endif /* OVEX_FRONTEND_RIMAGE_RIMAGE_CAPTURE_H */
