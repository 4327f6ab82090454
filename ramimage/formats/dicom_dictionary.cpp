/*
 * dicom_dictionary.cpp --
 *
 *	The DICOM data dictionary: one integer-keyed table for the whole
 *	process (package state), keyed by group << 16 | element, whose
 *	entries (one gmemAlloc block each) hold a representation code, two
 *	small numbers and a name. Scripts fill it through the dicom command;
 *	element listings take names and representations from it.
 */
#include <cstring>

#include "core/gmem.h"
#include "core/package.h"
#include "ramimage/formats/dicom.h"

Tcl_HashTable *dicomDictionary(int create)
{
    if (ovexState.dicomDictionary == NULL && create) {
        ovexState.dicomDictionary = createIntHashTable();
    }
    return (Tcl_HashTable *)ovexState.dicomDictionary;
}

int dicomDictAdd(int group, int element, int vr, int number1, int number2, const char *name)
{
    Tcl_HashTable *table = dicomDictionary(1);
    size_t length = strlen(name);
    DicomDictEntry *entry = (DicomDictEntry *)gmemAlloc(sizeof(DicomDictEntry) + length);
    if (table == NULL || entry == NULL) {
        gmemFree(entry);
        return 0;
    }
    entry->vr = (uint16_t)vr;
    entry->number1 = (uint8_t)number1;
    entry->number2 = (uint8_t)number2;
    memcpy(entry->name, name, length + 1);
    putToIntHashTable(table, dicomKey(group, element), entry);  /* frees the one replaced */
    return 1;
}

DicomDictEntry *dicomDictFind(int group, int element)
{
    Tcl_HashTable *table = dicomDictionary(0);
    Tcl_HashEntry *entry = table != NULL ? findHashEntry(table, dicomKey(group, element)) : NULL;
    return entry != NULL ? (DicomDictEntry *)getHashValue(entry) : NULL;
}

int dicomDictCount(void)
{
    Tcl_HashTable *table = dicomDictionary(0);
    return table != NULL ? countHashEntries(table) : 0;
}

void dicomFreeDictionary(void)
{
    Tcl_HashTable *table = dicomDictionary(0);
    if (table != NULL) {
        ovexState.dicomDictionary = NULL;
        deleteHashTable(table, gmemFree);
    }
}
