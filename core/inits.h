/*
 * inits.h --
 *
 *	Package inits that the registration chain calls, one per command
 *	family. Each init returns TCL_OK or TCL_ERROR; the chain
 *	stops at the first TCL_ERROR.
 */
#ifndef OVEX_CORE_INITS_H
#define OVEX_CORE_INITS_H

#include <tcl.h>

/* Package core (core/, ramimage/). */
int OvexTime_Init(Tcl_Interp *interp);     /* ovex.time */
extern "C" int Rimg_Init(Tcl_Interp *interp);  /* rimage */
int Calc_Init(Tcl_Interp *interp);         /* calc */
extern "C" int Dicom_Init(Tcl_Interp *interp); /* dicom */
int Tiff_Init(Tcl_Interp *interp);         /* tiff */
extern "C" int Gpz_Init(Tcl_Interp *interp);   /* gpz */

/* Image display (display/). */
int Tulx_Init(Tcl_Interp *interp);

/* Canvas widget (canvas/). */
extern "C" int Gcanvas_Init(Tcl_Interp *interp);

/* Geospatial objects (geo/). */
int Grass_Init(Tcl_Interp *interp);
int Gcp_Init(Tcl_Interp *interp);
int Shape_Init(Tcl_Interp *interp);
int Gtable_Init(Tcl_Interp *interp);
int Terra_Init(Tcl_Interp *interp);
int Proj_Init(Tcl_Interp *interp);
int Camera_Init(Tcl_Interp *interp);

/* 3-D graphics (gl/). */
int Glw_Init(Tcl_Interp *interp);

/* Widgets and devices (widgets/). */
int WinPatch_Init(Tcl_Interp *interp);
int Comb_Init(Tcl_Interp *interp);
int Etran_Init(Tcl_Interp *interp);
int Ddw_Init(Tcl_Interp *interp);
int Twain_Init(Tcl_Interp *interp);
int Printer_Init(Tcl_Interp *interp);

#endif /* OVEX_CORE_INITS_H */
