/*
 * objects.h --
 *
 *	Internal side of the object records (the exported functions are in
 *	ovex/ovex.h). A creation command of an object type builds its RAMOBJ,
 *	creates the object command with objDelete (or a delete procedure that
 *	ends by calling objDelete) and then calls objRegister before
 *	objConfig, so that openObject accepts the record and the record is
 *	never freed while its command exists. objConfig registers too, for
 *	types that leave it to objConfig.
 */
#ifndef OVEX_CORE_OBJECTS_H
#define OVEX_CORE_OBJECTS_H

#include "ovex/ovex.h"

/* Marks obj as the record of an existing object command. */
void objRegister(RAMOBJ *obj);

/* 1 while obj is a registered record that has not been freed. */
int objIsRegistered(RAMOBJ *obj);

/* Called by a load procedure that fails: why the file cannot be taken
 * ("no such file or directory", "not a shapefile"). objConfig puts it
 * after the file name of its "Error in creating object" message. */
void objLoadFailure(const char *why);

#endif /* OVEX_CORE_OBJECTS_H */
