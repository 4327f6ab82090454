/*
 * hash_tables.h --
 *
 *	Internal companions of the exported hash-table interface (ovex/ovex.h).
 */
#ifndef OVEX_CORE_HASH_TABLES_H
#define OVEX_CORE_HASH_TABLES_H

#include "ovex/ovex.h"

/* Every DICOM element record begins with this link: deleteDicomHashTable
 * frees a table value by following next and freeing each record with
 * gmemFree, so the records must be single gmemAlloc blocks. */
struct DicomElementLink {
    struct DicomElementLink *next;
};

/* Compare procedure for getHashKeys over one-word keys: a and b point to
 * two key slots; the keys compare as unsigned pointer-sized numbers.
 * Returns -1, 0 or 1. */
int intKeyCompare(const void *a, const void *b);

#endif /* OVEX_CORE_HASH_TABLES_H */
