/*
 * photo_bridge.h --
 *
 *	Tk photo images as RAM images and back.
 */
#ifndef OVEX_DISPLAY_PHOTO_BRIDGE_H
#define OVEX_DISPLAY_PHOTO_BRIDGE_H

#include <stddef.h>

#include <tcl.h>
#include <tk.h>

#include "ovex/ramimage.h"

/* The photo named name, or NULL (also without Tk). */
Tk_PhotoHandle findPhoto(Tcl_Interp *interp, const char *name);

/* Copies the Tk photo photoName into a 3-band BYTE memory image (MBSQ;
 * bands red, green, blue) described otherwise by tmpl, tagged tag, or
 * photoName + ".photo" when tag is NULL. Returns the image with one
 * reference taken, or NULL when there is no such photo, it is empty, or
 * the image cannot be made. */
RAMIMG *photoToRAMImage(Tcl_Interp *interp, const char *photoName, const ImageHead *tmpl,
                        const char *tag);

/* Reads an image through a temporary photo made by "image create photo
 * optionWord optionValue" (e.g. -file NAME), converted as photoToRAMImage
 * without a tag; the photo is deleted again. NULL (result reset) when the
 * photo cannot be made. */
RAMIMG *loadPhotoFile(Tcl_Interp *interp, const char *optionWord, const char *optionValue,
                      const ImageHead *tmpl);

/* Makes a new photo, named by name when it is not empty (else by Tk, the
 * name then copied into name, nameSize bytes), and the memory image
 * tagged name + ".ramimg" of head. Returns the image with one reference
 * taken, or NULL. */
RAMIMG *createPhotoRAMImage(Tcl_Interp *interp, char *name, size_t nameSize, ImageHead *head);

/* Sets the photo photoName to the image: colours through the palette when
 * the image has one (first band as indices), else the first three bands
 * as red, green, blue (a band the image lacks repeats its last band).
 * Returns 0, 1 when there is no such photo, 2 when memory runs out. */
int ramImageToPhoto(Tcl_Interp *interp, RAMIMG *image, const char *photoName);

#endif /* OVEX_DISPLAY_PHOTO_BRIDGE_H */
