/*
 * tiff_tag_names.h --
 *
 *	The process-wide table of TIFF tag names that scripts fill through
 *	the tiff command, kept in the package state.
 */
#ifndef OVEX_FRONTEND_RIMAGE_TIFF_TAG_NAMES_H
#define OVEX_FRONTEND_RIMAGE_TIFF_TAG_NAMES_H

/* Stores a copy of name under tag, replacing an earlier name. 1, or 0
 * when memory runs out (the table is created on first use). */
int tiffTagNameAdd(int tag, const char *name);
/* The name of tag, or NULL. */
const char *tiffTagName(int tag);
/* Number of names. */
int tiffTagNameCount(void);
/* The tags with a name in ascending order (count through *count), freed
 * with gmemFree; NULL when the table is empty or memory runs out. */
int *tiffTagNameTags(int *count);
/* Frees every name and the table (command deletion, package exit). */
void freeTiffTagNames(void);

#endif /* OVEX_FRONTEND_RIMAGE_TIFF_TAG_NAMES_H */
