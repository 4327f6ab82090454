/*
 * rimage_command.h --
 *
 *	The "rimage" command: its subcommand handlers share one signature,
 *	the attribute option table over ImageHead and the rules that every
 *	subcommand applies when options change a head.
 */
#ifndef OVEX_RAMIMAGE_RIMAGE_COMMAND_H
#define OVEX_RAMIMAGE_RIMAGE_COMMAND_H

#include <tcl.h>
#include <tk.h>

#include "ovex/ramimage.h"

/* A subcommand handler: tmpl is the command's attribute template, argv[0]
 * the command word ("rimage") and argv[1] the subcommand word as typed. */
typedef int (RimageHandler)(ImageHead *tmpl, Tcl_Interp *interp, int argc, const char **argv);

/* The attribute options over ImageHead (-file ... -nindices). */
extern const Tk_ConfigSpec rimageAttributeSpecs[];

/* Applies attribute options to head under the attribute rules; 0 on
 * success, 1 with a message in the result (head unchanged). With 0 words
 * the result lists every option, with 1 word that option. */
int rimageParseAttributes(ImageHead *head, Tcl_Interp *interp, int argc, const char **argv);

/* 1 for the memory layouts (imgid 21 to 30), else 0. */
int isSystemImgid(int imgid);

/* Applies the memory layout of head->imgid (24 to 30: bands, pixel type,
 * palette size and row length; 21 to 23 unchanged). */
void applyMemoryLayout(ImageHead *head);

/* Least file row length of head's layout (bytes); the block is raised to it. */
int64_t leastRowLength(const ImageHead *head);

/* Fills palette entries 0 .. nindices - 1 with a grey ramp. */
void fillGreyRamp(ImageHead *head);

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

#endif /* OVEX_RAMIMAGE_RIMAGE_COMMAND_H */
