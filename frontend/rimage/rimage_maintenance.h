/*
 * rimage_maintenance.h --
 *
 *	The maintenance subcommands of "rimage": making images from the
 *	attribute template, changing and reading attributes, sizing the row
 *	cache, band statistics, lock, flush and client notices, frames, and
 *	palettes. Each is a RimageHandler (rimage_command.h).
 */
#ifndef OVEX_FRONTEND_RIMAGE_RIMAGE_MAINTENANCE_H
#define OVEX_FRONTEND_RIMAGE_RIMAGE_MAINTENANCE_H

#include "frontend/rimage/rimage_command.h"

RimageHandler rimageCache;       /* ?-imgid idList? ?-pct PCT? */
RimageHandler rimageCget;        /* -option, or NAME -option */
RimageHandler rimageConfigure;   /* ?-option value ...?, or TAG ?-option value ...? */
RimageHandler rimageCreate;      /* ?overwrite? ?-option value ...? */
RimageHandler rimageFlush;       /* NAME */
RimageHandler rimageGetIndices;  /* NAME ?index ...? */
RimageHandler rimageHist;        /* -imgid NAME ?-dx? ?-dy? ?-u? ?-list stats|hist|sum? */
RimageHandler rimageLock;        /* NAME */
RimageHandler rimageResident;    /* NAME */
RimageHandler rimageSetIndices;  /* NAME ?{index r g b} ...? */
RimageHandler rimageUnlock;      /* NAME */
RimageHandler rimageUpdate;      /* NAME ?DISPLAY|CONFIG|ALL|DATA? */
RimageHandler rimageVolume;      /* NAME ?vID? */

/* ---- Shared by the maintenance subcommands ------------------------------- */

/* Sets the result to "Usage: " + argv[0] + " " + argv[1] + syntax. */
void setRimageUsage(Tcl_Interp *interp, const char **argv, const char *syntax);

/* The open image tagged name, else the one open on the file name; NULL
 * when neither is open. */
RAMIMG *findOpenRamImage(const char *name);

/* Opens name as a tag or a file for the length of one subcommand (the
 * caller releases it with closeRAMImage). On failure the open's error text
 * goes to errorInfo and the result is "Error in open " + name. */
RAMIMG *openRamImageForCommand(Tcl_Interp *interp, const char *name);

/* Writes back the image's changed rows. 1, or 0 with the result "Error in
 * writing RAMIMG TAG: FILE" when a write failed. */
int flushRamImageForCommand(Tcl_Interp *interp, RAMIMG *image);

#endif /* OVEX_FRONTEND_RIMAGE_RIMAGE_MAINTENANCE_H */
