/*
 * shape_object.h --
 *
 *	Shape objects: RAMOBJ records of type OBJ_SHAPE holding a ShapeFile,
 *	the procedure table they publish in their interface slot (declared
 *	in core/shape_access.h, where the canvas reads it), and the shape
 *	type and geometry-class vocabularies.
 */
#ifndef OVEX_GEO_SHAPE_SHAPE_OBJECT_H
#define OVEX_GEO_SHAPE_SHAPE_OBJECT_H

#include <tcl.h>

#include "core/shape_access.h"
#include "geo/shape/shape_file.h"
#include "ovex/ovex.h"

extern const ShapeAccessTable shapeAccessTable;

/* Vocabularies. */
int shapeTypeFromName(const char *name);       /* -1 when unknown (case matters) */
const char *shapeTypeName(int type);           /* NULL when unknown */
const char *shapeTypeNameAt(int position);     /* table order, NULL after the last */
int shapeTypeFromClass(int classCode);         /* -1 when unknown */
int shapeClassOfType(int type);                /* 0x100, 0x200, 0x400 or 0 */

/* RAMOBJ slots of shape objects. */
int shapeObjCount(RAMOBJ *obj);
int shapeObjSubtype(RAMOBJ *obj);
void *shapeObjClone(void *data, int selectedOnly);
int shapeObjSave(RAMOBJ *obj, const char *fileName, int selectedOnly);
void *shapeObjLoad(const char *fileName, int *status);
void shapeObjFree(void *data);
int shapeObjModified(RAMOBJ *obj);
int shapeObjCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);

/* The header list shape.info and the info subcommand give. */
void shapeAppendHeadInfo(Tcl_Interp *interp, const ShapeHead *head);

#endif
