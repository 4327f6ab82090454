/*
 * rimage_command.h --
 *
 *	The "rimage" command: its subcommand handlers share one signature,
 *	the attribute option table over ImageHead and the rules that every
 *	subcommand applies when options change a head.
 */
#ifndef OVEX_FRONTEND_RIMAGE_RIMAGE_COMMAND_H
#define OVEX_FRONTEND_RIMAGE_RIMAGE_COMMAND_H

#include <tcl.h>
#include <tk.h>

#include "ovex/ramimage.h"
#include "ramimage/memory_layout.h"

/* A subcommand handler: tmpl is the command's attribute template, argv[0]
 * the command word ("rimage") and argv[1] the subcommand word as typed. */
typedef int (RimageHandler)(ImageHead *tmpl, Tcl_Interp *interp, int argc, const char **argv);

/* The attribute options over ImageHead (-file ... -nindices). */
extern const Tk_ConfigSpec rimageAttributeSpecs[];

/* Applies attribute options to head under the attribute rules; 0 on
 * success, 1 with a message in the result (head unchanged). With 0 words
 * the result lists every option, with 1 word that option. */
int rimageParseAttributes(ImageHead *head, Tcl_Interp *interp, int argc, const char **argv);

/* The command procedure, and its template's delete procedure. */
int rimageCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);
void rimageDeleteProc(ClientData clientData);

/* Own subcommands. */
RimageHandler rimageOpen;
RimageHandler rimageClose;
RimageHandler rimageList;
RimageHandler rimageIsOpened;
RimageHandler rimageIsValid;
RimageHandler rimageImgids;
RimageHandler rimageImgtypes;
RimageHandler rimageMapids;
RimageHandler rimagePixelids;
RimageHandler rimageSave;
RimageHandler rimageVersion;

#endif /* OVEX_FRONTEND_RIMAGE_RIMAGE_COMMAND_H */
