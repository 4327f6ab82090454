/*
 * hash_tables.cpp --
 *
 *	Keyed tables over Tcl's hash tables for modules and internal code.
 *	Table records come from gmemAlloc; Tcl owns the entries. Keys are
 *	pointer-sized words: the address of the key text for string tables,
 *	the value itself for one-word tables.
 */
#include "core/hash_tables.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

static Tcl_HashTable *createTable(int keyType)
{
    Tcl_HashTable *table = (Tcl_HashTable *)gmemAlloc(sizeof(Tcl_HashTable));
    if (table == NULL) {
        return NULL;
    }
    Tcl_InitHashTable(table, keyType);
    return table;
}

/*
 * createIntHashTable --
 *	A new table with one-word keys, or NULL when allocation fails.
 */
extern "C" Tcl_HashTable *createIntHashTable(void)
{
    return createTable(TCL_ONE_WORD_KEYS);
}

/*
 * createStrHashTable --
 *	A new table whose entries keep a copy of their key text, or NULL.
 */
extern "C" Tcl_HashTable *createStrHashTable(void)
{
    return createTable(TCL_STRING_KEYS);
}

/*
 * destroyHashTable --
 *	Deletes every entry and frees the table record; values are the
 *	caller's and are left alone.
 */
extern "C" void destroyHashTable(Tcl_HashTable *table)
{
    if (table == NULL) {
        return;
    }
    Tcl_DeleteHashTable(table);
    gmemFree(table);
}

/*
 * deleteHashTable --
 *	Calls freeProc (when given) on every value in search order, then
 *	destroys the table.
 */
extern "C" void deleteHashTable(Tcl_HashTable *table, OvexFreeProc *freeProc)
{
    if (table == NULL) {
        return;
    }
    if (freeProc != NULL) {
        Tcl_HashSearch search;
        for (Tcl_HashEntry *entry = Tcl_FirstHashEntry(table, &search); entry != NULL;
             entry = Tcl_NextHashEntry(&search)) {
            freeProc(Tcl_GetHashValue(entry));
        }
    }
    destroyHashTable(table);
}

/*
 * createHashEntry --
 *	The entry of key, created with value NULL when missing. *isNew (when
 *	isNew is not NULL) is set to 1 for a created entry, else 0.
 */
extern "C" Tcl_HashEntry *createHashEntry(Tcl_HashTable *table, const void *key, int *isNew)
{
    int created = 0;
    Tcl_HashEntry *entry = Tcl_CreateHashEntry(table, (const char *)key, &created);
    if (isNew != NULL) {
        *isNew = created;
    }
    return entry;
}

/*
 * findHashEntry --
 *	The entry of key, or NULL.
 */
extern "C" Tcl_HashEntry *findHashEntry(Tcl_HashTable *table, const void *key)
{
    return Tcl_FindHashEntry(table, (const char *)key);
}

extern "C" void *getHashValue(Tcl_HashEntry *entry)
{
    return Tcl_GetHashValue(entry);
}

extern "C" void setHashValue(Tcl_HashEntry *entry, void *value)
{
    Tcl_SetHashValue(entry, value);
}

/*
 * getHashKey --
 *	The key word of entry: the key itself for a one-word table, the
 *	address of the entry's key text for a string table.
 */
extern "C" void *getHashKey(Tcl_HashTable *table, Tcl_HashEntry *entry)
{
    return Tcl_GetHashKey(table, entry);
}

extern "C" int countHashEntries(Tcl_HashTable *table)
{
    return table->numEntries;
}

/*
 * createSearchEntry --
 *	A cleared search record for firstHashEntry, or NULL; freed with
 *	freeSearchEntry.
 */
extern "C" Tcl_HashSearch *createSearchEntry(void)
{
    Tcl_HashSearch *search = (Tcl_HashSearch *)gmemAlloc(sizeof(Tcl_HashSearch));
    if (search != NULL) {
        memset(search, 0, sizeof(Tcl_HashSearch));
    }
    return search;
}

extern "C" void freeSearchEntry(Tcl_HashSearch *search)
{
    gmemFree(search);
}

extern "C" Tcl_HashEntry *firstHashEntry(Tcl_HashTable *table, Tcl_HashSearch *search)
{
    return Tcl_FirstHashEntry(table, search);
}

extern "C" Tcl_HashEntry *nextHashEntry(Tcl_HashSearch *search)
{
    return Tcl_NextHashEntry(search);
}

/*
 * getHashKeys --
 *	A gmemAlloc array holding every key word of the table (as getHashKey
 *	gives them) in search order, sorted with compare when one is given.
 *	NULL when allocation fails; an empty table gives an array with no keys.
 */
extern "C" void **getHashKeys(Tcl_HashTable *table, OvexKeyCompare *compare)
{
    size_t count = (size_t)table->numEntries;
    /* One slot at least, so that NULL always means failure. */
    void **keys = (void **)gmemAlloc((count ? count : 1) * sizeof(void *));
    if (keys == NULL) {
        return NULL;
    }
    size_t index = 0;
    Tcl_HashSearch search;
    for (Tcl_HashEntry *entry = Tcl_FirstHashEntry(table, &search);
         entry != NULL && index < count; entry = Tcl_NextHashEntry(&search)) {
        keys[index++] = Tcl_GetHashKey(table, entry);
    }
    if (compare != NULL && count > 1) {
        qsort(keys, count, sizeof(void *), compare);
    }
    return keys;
}

/*
 * putToIntHashTable --
 *	Stores value under key (either key kind). A value the entry already
 *	held is freed with gmemFree, unless it is the value being stored.
 *	Returns 1 when the entry was created, else 0.
 */
extern "C" int putToIntHashTable(Tcl_HashTable *table, const void *key, void *value)
{
    int isNew = 0;
    Tcl_HashEntry *entry = Tcl_CreateHashEntry(table, (const char *)key, &isNew);
    if (!isNew) {
        void *previous = Tcl_GetHashValue(entry);
        if (previous != value) {
            gmemFree(previous);
        }
    }
    Tcl_SetHashValue(entry, value);
    return isNew;
}

/*
 * deleteDicomHashTable --
 *	Frees the chain of element records held by every entry, then
 *	destroys the table.
 */
extern "C" void deleteDicomHashTable(Tcl_HashTable *table)
{
    if (table == NULL) {
        return;
    }
    Tcl_HashSearch search;
    for (Tcl_HashEntry *entry = Tcl_FirstHashEntry(table, &search); entry != NULL;
         entry = Tcl_NextHashEntry(&search)) {
        DicomElementLink *element = (DicomElementLink *)Tcl_GetHashValue(entry);
        while (element != NULL) {
            DicomElementLink *next = element->next;
            gmemFree(element);
            element = next;
        }
    }
    destroyHashTable(table);
}

/*
 * intKeyCompare --
 *	-1, 0 or 1 as the key in slot a is below, equal to or above the key
 *	in slot b, both taken as unsigned pointer-sized numbers.
 */
int intKeyCompare(const void *a, const void *b)
{
    uintptr_t left = (uintptr_t)*(void *const *)a;
    uintptr_t right = (uintptr_t)*(void *const *)b;
    return left < right ? -1 : (left > right ? 1 : 0);
}
