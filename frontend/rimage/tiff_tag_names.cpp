/*
 * tiff_tag_names.cpp --
 *
 *	The TIFF tag-name table: an integer-keyed hash table from tag number
 *	to a gmemAlloc'd name, one for the whole process (package state),
 *	created on first use and freed whole.
 */
#include "frontend/rimage/tiff_tag_names.h"

#include <cstdint>
#include <cstring>

#include "core/gmem.h"
#include "core/hash_tables.h"
#include "core/package.h"

static Tcl_HashTable *tagTable(bool create)
{
    if (ovexState.tiffTagNames == NULL && create) {
        ovexState.tiffTagNames = createIntHashTable();
    }
    return (Tcl_HashTable *)ovexState.tiffTagNames;
}

static const void *tagKey(int tag)
{
    return (const void *)(intptr_t)tag;
}

int tiffTagNameAdd(int tag, const char *name)
{
    Tcl_HashTable *table = tagTable(true);
    size_t length = strlen(name);
    char *copy = (char *)gmemAlloc(length + 1);
    if (table == NULL || copy == NULL) {
        gmemFree(copy);
        return 0;
    }
    memcpy(copy, name, length + 1);
    int isNew = 0;
    Tcl_HashEntry *entry = createHashEntry(table, tagKey(tag), &isNew);
    if (entry == NULL) {
        gmemFree(copy);
        return 0;
    }
    if (!isNew) {
        gmemFree(getHashValue(entry));
    }
    setHashValue(entry, copy);
    return 1;
}

const char *tiffTagName(int tag)
{
    Tcl_HashTable *table = tagTable(false);
    Tcl_HashEntry *entry = table != NULL ? findHashEntry(table, tagKey(tag)) : NULL;
    return entry != NULL ? (const char *)getHashValue(entry) : NULL;
}

int tiffTagNameCount(void)
{
    Tcl_HashTable *table = tagTable(false);
    return table != NULL ? countHashEntries(table) : 0;
}

int *tiffTagNameTags(int *count)
{
    *count = 0;
    Tcl_HashTable *table = tagTable(false);
    int n = table != NULL ? countHashEntries(table) : 0;
    if (n == 0) {
        return NULL;
    }
    void **keys = getHashKeys(table, intKeyCompare);
    int *tags = (int *)gmemAlloc((size_t)n * sizeof(int));
    if (keys == NULL || tags == NULL) {
        gmemFree(keys);
        gmemFree(tags);
        return NULL;
    }
    for (int i = 0; i < n; i++) {
        tags[i] = (int)(intptr_t)keys[i];
    }
    gmemFree(keys);
    *count = n;
    return tags;
}

void freeTiffTagNames(void)
{
    Tcl_HashTable *table = tagTable(false);
    if (table != NULL) {
        deleteHashTable(table, gmemFree);
        ovexState.tiffTagNames = NULL;
    }
}
