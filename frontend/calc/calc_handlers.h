/*
 * calc_handlers.h --
 *
 *	The subcommands of calc, one family per file (calc_*.cpp), and the
 *	small result helpers they share. Every handler is a Tcl_CmdProc that
 *	receives the whole command line: argv[0] is the command word, argv[1]
 *	the subcommand word as typed, the arguments follow.
 */
#ifndef OVEX_FRONTEND_CALC_CALC_HANDLERS_H
#define OVEX_FRONTEND_CALC_CALC_HANDLERS_H

#include <tcl.h>

#include "ovex/ovexstdio.h"

#define CALC_HANDLER(name) \
    int name(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)

/* Sets (or appends to) the interpreter's result with printf formatting. */
void calcSetResult(Tcl_Interp *interp, const char *format, ...) OVEX_PRINTF(2, 3);
void calcAppendResult(Tcl_Interp *interp, const char *format, ...) OVEX_PRINTF(2, 3);

/* Writes errorInfo to standard error while Ovex_Debug is "1". */
void calcDebugErrorInfo(Tcl_Interp *interp);

/* calc_text.cpp */
CALC_HANDLER(calcBands);
CALC_HANDLER(calcChars);

/* calc_bitmap.cpp */
CALC_HANDLER(calcBitmap);

/* calc_geometry.cpp */
CALC_HANDLER(calcDegToRad);
CALC_HANDLER(calcRadToDeg);
CALC_HANDLER(calcFplane);
CALC_HANDLER(calcXyzRotate);
CALC_HANDLER(calcRefImgCoord);

/* calc_random.cpp */
CALC_HANDLER(calcRand);
CALC_HANDLER(calcRrand);
CALC_HANDLER(calcSrand);
CALC_HANDLER(calcScramble);

/* calc_correl.cpp */
CALC_HANDLER(calcCorrel);

/* calc_geocalc.cpp */
CALC_HANDLER(calcGeocalc);

/* calc_console.cpp */
CALC_HANDLER(calcClrscr);
CALC_HANDLER(calcGotoxy);
CALC_HANDLER(calcMeter);
CALC_HANDLER(calcPanic);
CALC_HANDLER(calcTest);

/* calc_memory.cpp */
CALC_HANDLER(calcMemory);
CALC_HANDLER(calcHandles);
CALC_HANDLER(calcMalloc);
CALC_HANDLER(calcRealloc);
CALC_HANDLER(calcGalloc);
CALC_HANDLER(calcGfree);
CALC_HANDLER(calcMemid);

/* calc_files.cpp */
CALC_HANDLER(calcFgets);
CALC_HANDLER(calcFscanf);
CALC_HANDLER(calcLoadtime);
CALC_HANDLER(calcFreeDisk);

/* calc_scangif.cpp */
CALC_HANDLER(calcScanGif);

/* calc_time.cpp */
CALC_HANDLER(calcFtime);
CALC_HANDLER(calcStime);

#endif /* OVEX_FRONTEND_CALC_CALC_HANDLERS_H */
