/*
 * custom_options.h --
 *
 *	The custom option types of image, view and object option tables:
 *	identifier vocabularies (ParseID/GetIDStr over an IDConverter, see
 *	vocabulary.h), file names, image descriptions, palettes and band
 *	combinations. Option tables name the records below in their
 *	TK_CONFIG_CUSTOM entries; the stored layout of each is given there.
 */
#ifndef OVEX_CORE_CUSTOM_OPTIONS_H
#define OVEX_CORE_CUSTOM_OPTIONS_H

#include <tcl.h>
#include <tk.h>

#include "ovex/ovex.h"

/* Size of the text fields of the file and imgdes options (so at most 255
 * characters). */
#define OVEX_OPTION_TEXT_SIZE 256

/* Field of a palette option: levels -1 for the default palette, n > 0 for
 * n grey levels, 0 for a colour cube of red x green x blue levels. */
typedef struct PaletteLevels {
    int levels;
    int red;
    int green;
    int blue;
} PaletteLevels;

/* Field of a comb option: count bands (1 to 3) to show; unused ones 0. */
typedef struct BandCombination {
    int count;
    int band[3];
} BandCombination;

/* Identifier options: an int field holding the code of a name. */
extern Tk_CustomOption imgidOption;       /* file format */
extern Tk_CustomOption mapidOption;       /* map projection, or PCS1024..PCS65535 */
extern Tk_CustomOption pixelOption;       /* pixel type other than UNKNOWN */
extern Tk_CustomOption imgtypeOption;     /* meaning of the pixel values */
extern Tk_CustomOption funcOption;        /* display stretch function */
extern Tk_CustomOption rangeOption;       /* display stretch range */
extern Tk_CustomOption rotationidOption;  /* rotation axis order */
/* Text options: a char[OVEX_OPTION_TEXT_SIZE] field. */
extern Tk_CustomOption imgdesOption;      /* image description */
extern Tk_CustomOption fileOption;        /* file name after tilde expansion */
/* Structured options. */
extern Tk_CustomOption paletteOption;     /* PaletteLevels field */
extern Tk_CustomOption combOption;        /* BandCombination field */

/* Parse and print procedures of the options above (ParseID and GetIDStr
 * are exported and declared in ovex/ovex.h). Print procedures hand back
 * texts made by tclAlloc with tclFreeProc as their free procedure. */
int parseImgDesc(ClientData clientData, Tcl_Interp *interp, Tk_Window tkwin, const char *value,
                 char *record, int offset);
const char *printImgDesc(ClientData clientData, Tk_Window tkwin, char *record, int offset,
                         Tcl_FreeProc **freeProcPtr);
int parseFileOption(ClientData clientData, Tcl_Interp *interp, Tk_Window tkwin,
                    const char *value, char *record, int offset);
const char *printFileOption(ClientData clientData, Tk_Window tkwin, char *record, int offset,
                            Tcl_FreeProc **freeProcPtr);
int parsePalette(ClientData clientData, Tcl_Interp *interp, Tk_Window tkwin, const char *value,
                 char *record, int offset);
const char *printPalette(ClientData clientData, Tk_Window tkwin, char *record, int offset,
                         Tcl_FreeProc **freeProcPtr);
int parseComb(ClientData clientData, Tcl_Interp *interp, Tk_Window tkwin, const char *value,
              char *record, int offset);
const char *printComb(ClientData clientData, Tk_Window tkwin, char *record, int offset,
                      Tcl_FreeProc **freeProcPtr);

#endif /* OVEX_CORE_CUSTOM_OPTIONS_H */
