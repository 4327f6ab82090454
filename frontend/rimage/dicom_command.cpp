/*
 * dicom_command.cpp --
 *
 *	The dicom command: the data dictionary that scripts fill and look up
 *	(add, get, index, count), and the listing of the elements of a DICOM
 *	file or of an open DICOM image (data). It changes no image.
 *
 *	The dictionary serves every interpreter; it is freed when the last
 *	dicom command goes or the package exits.
 */
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "core/gmem.h"
#include "core/inits.h"
#include "core/package.h"
#include "ramimage/formats/dicom.h"
#include "ramimage/ramimg.h"
#include "frontend/rimage/table_command.h"

namespace {

int liveCommands = 0;               /* dicom commands sharing the dictionary */

/* A whole hexadecimal number of at most 16 bits; false for anything else. */
bool readHex(const char *text, int *value)
{
    char *end = NULL;
    errno = 0;
    unsigned long v = strtoul(text, &end, 16);
    if (end == text || *end != '\0' || errno != 0 || v > 0xFFFF || text[0] == '-') {
        return false;
    }
    *value = (int)v;
    return true;
}

void setMessage(Tcl_Interp *interp, const char *message)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(message, -1));
}

/* The dictionary entry of key as one list element of result. */
void appendEntry(Tcl_Obj *result, int group, int element, const DicomDictEntry *entry)
{
    const char *vr = dicomVrName(entry->vr);
    Tcl_Obj *text = strchr(entry->name, ' ') != NULL
                        ? Tcl_ObjPrintf("%04x %04x %s %d %d \"%s\"", group, element, vr,
                                        entry->number1, entry->number2, entry->name)
                        : Tcl_ObjPrintf("%04x %04x %s %d %d %s", group, element, vr,
                                        entry->number1, entry->number2, entry->name);
    Tcl_ListObjAppendElement(NULL, result, text);
}

int addEntries(Tcl_Interp *interp, int argc, const char **argv)
{
    for (int i = 2; i < argc; i++) {
        int count = 0;
        const char **parts = NULL;
        if (Tcl_SplitList(NULL, argv[i], &count, &parts) != TCL_OK) {
            return TCL_ERROR;
        }
        int group, element;
        bool ok = count == 6 && readHex(parts[0], &group) && readHex(parts[1], &element)
                  && dicomDictAdd(group, element, dicomVrCode(parts[2]),
                                  ovexLenientInt(parts[3]) & 0xFF, ovexLenientInt(parts[4]) & 0xFF,
                                  parts[5]);
        Tcl_Free((char *)parts);
        if (!ok) {
            return TCL_ERROR;
        }
    }
    Tcl_SetObjResult(interp, Tcl_ObjPrintf("%d", dicomDictCount()));
    return TCL_OK;
}

int getEntry(Tcl_Interp *interp, int argc, const char **argv)
{
    int group, element;
    if (argc != 4 || !readHex(argv[2], &group) || !readHex(argv[3], &element)) {
        return TCL_ERROR;
    }
    Tcl_Obj *result = Tcl_NewListObj(0, NULL);
    const DicomDictEntry *entry = dicomDictFind(group, element);
    if (entry != NULL) {
        appendEntry(result, group, element, entry);
    }
    Tcl_SetObjResult(interp, result);
    return TCL_OK;
}

/* The keys of table in ascending order (gmemFree), NULL when it is empty. */
uintptr_t *sortedKeys(Tcl_HashTable *table, int *count)
{
    *count = table != NULL ? countHashEntries(table) : 0;
    if (*count == 0) {
        return NULL;
    }
    void **keys = getHashKeys(table, intKeyCompare);
    if (keys == NULL) {
        *count = 0;
    }
    return (uintptr_t *)keys;
}

int indexEntries(Tcl_Interp *interp, int argc, const char **argv)
{
    int first = argc > 2 ? ovexLenientInt(argv[2]) : 0;
    int last = argc > 3 ? ovexLenientInt(argv[3]) : first;
    int count = 0;
    uintptr_t *keys = sortedKeys(dicomDictionary(0), &count);
    Tcl_Obj *result = Tcl_NewListObj(0, NULL);
    for (int i = first < 0 ? 0 : first; i <= last && i < count; i++) {
        int group = (int)(keys[i] >> 16), element = (int)(keys[i] & 0xFFFF);
        appendEntry(result, group, element, dicomDictFind(group, element));
    }
    gmemFree(keys);
    Tcl_SetObjResult(interp, result);
    return TCL_OK;
}

/* ---- Element listing ------------------------------------------------------------ */

/*
 * openElements --
 *	The element table of the open DICOM image of that tag or file name,
 *	else of the file itself (*owned set: the caller deletes it). NULL
 *	with the message in the result on failure.
 */
Tcl_HashTable *openElements(Tcl_Interp *interp, const char *name, bool *owned)
{
    *owned = false;
    RAMIMG *image = getRAMImageByTag(name);
    if (image == NULL) {
        image = getRAMImageByName(name);
    }
    if (image != NULL) {
        if (image->head.imgid != IMGID_DICOM || image->priv == NULL) {
            Tcl_SetObjResult(interp, Tcl_ObjPrintf("Not a DICOM image: %s", name));
            return NULL;
        }
        return (Tcl_HashTable *)image->priv;
    }
    int fd = openListedFile(interp, name);
    if (fd < 0) {
        return NULL;
    }
    Tcl_HashTable *table = readDicomElements(fd, NULL);
    close(fd);
    if (table == NULL) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("Not a DICOM image: %s", name));
        return NULL;
    }
    *owned = true;
    return table;
}

/* Group, element, representation, dictionary name and value of each
 * element of the chain, "\n" between consecutive elements. */
void listChain(Tcl_Obj *result, const DicomElement *element)
{
    for (const DicomElement *e = element; e != NULL; e = (const DicomElement *)e->link.next) {
        if (e != element) {
            Tcl_ListObjAppendElement(NULL, result, Tcl_NewStringObj("\n", 1));
        }
        const DicomDictEntry *entry = dicomDictFind(e->group, e->element);
        Tcl_ListObjAppendElement(NULL, result, Tcl_ObjPrintf("%04x", e->group));
        Tcl_ListObjAppendElement(NULL, result, Tcl_ObjPrintf("%04x", e->element));
        Tcl_ListObjAppendElement(NULL, result, Tcl_NewStringObj(dicomVrName(e->vr), -1));
        Tcl_ListObjAppendElement(NULL, result,
                                 Tcl_NewStringObj(entry != NULL ? entry->name : "??", -1));
        Tcl_ListObjAppendElement(NULL, result, dicomFormatValue(e));
    }
}

int listData(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("Usage: %s %s imgid ?option?", argv[0], argv[1]));
        return TCL_ERROR;
    }
    if (argc > 5) {
        setMessage(interp, "Syntax error");
        return TCL_ERROR;
    }
    int group = 0, element = 0;
    if ((argc > 3 && !readHex(argv[3], &group)) || (argc > 4 && !readHex(argv[4], &element))) {
        return TCL_ERROR;
    }
    bool owned = false;
    Tcl_HashTable *table = openElements(interp, argv[2], &owned);
    if (table == NULL) {
        return TCL_ERROR;
    }
    Tcl_Obj *result = Tcl_NewListObj(0, NULL);
    if (argc == 5) {
        const DicomElement *e = dicomFindElement(table, group, element);
        if (e != NULL) {
            listChain(result, e);
        }
    } else {
        int count = 0;
        uintptr_t *keys = sortedKeys(table, &count);
        for (int i = 0; i < count; i++) {
            int g = (int)(keys[i] >> 16), el = (int)(keys[i] & 0xFFFF);
            if (argc == 3) {
                Tcl_ListObjAppendElement(NULL, result, Tcl_ObjPrintf("%04x %04x", g, el));
            } else if (g == group) {
                Tcl_ListObjAppendElement(NULL, result, Tcl_ObjPrintf("%04x", el));
            }
        }
        gmemFree(keys);
    }
    if (owned) {
        deleteDicomHashTable(table);
    }
    Tcl_SetObjResult(interp, result);
    return TCL_OK;
}

/*
 * dicomCmd --
 *	dicom add|get|index|count|data ...: see the file comment.
 */
int dicomCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    (void)clientData;
    static const TableCommandHandlers handlers = {addEntries, getEntry, indexEntries,
                                                  dicomDictCount, listData};
    return dispatchTableCommand(&handlers, interp, argc, argv);
}

/* Text of value bytes: each byte below 32 as ".". */
Tcl_Obj *printableText(const unsigned char *value, uint32_t length)
{
    Tcl_Obj *text = Tcl_NewStringObj("", 0);
    for (uint32_t i = 0; i < length; i++) {
        char c = value[i] < 32 ? '.' : (char)value[i];
        Tcl_AppendToObj(text, &c, 1);
    }
    return text;
}

/* The object's text without leading and trailing blanks; an unshared
 * object it replaces is freed. */
Tcl_Obj *trimmed(Tcl_Obj *text)
{
    int length = 0;
    const char *s = Tcl_GetStringFromObj(text, &length);
    int start = 0, end = length;
    while (start < end && s[start] == ' ') {
        start++;
    }
    while (end > start && s[end - 1] == ' ') {
        end--;
    }
    if (start == 0 && end == length) {
        return text;
    }
    Tcl_Obj *result = Tcl_NewStringObj(s + start, end - start);
    Tcl_IncrRefCount(text);
    Tcl_DecrRefCount(text);
    return result;
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * dicomFormatValue --
 *
 *	The value of an element as listed: by its own representation, or
 *	the dictionary's when it has none. Numbers for 2- and 4-byte values
 *	without a representation and for US, text for the textual ones, the
 *	representation's letters for binary ones, and bytes with controls
 *	shown as "." otherwise; without leading and trailing blanks.
 *
 * Results:
 *	A new object (reference count 0).
 *
 *----------------------------------------------------------------------
 */
Tcl_Obj *dicomFormatValue(const DicomElement *element)
{
    int vr = element->vr;
    if (vr == DICOM_VR_NONE || vr == DICOM_VR_UNKNOWN) {
        const DicomDictEntry *entry = dicomDictFind(element->group, element->element);
        if (entry != NULL) {
            vr = entry->vr;
        }
    }
    uint32_t length = element->held;
    if (length == 0xFFFF || length == DICOM_UNDEFINED_LENGTH) {
        length = 0;
    }
    const unsigned char *value = element->value;
    const char *text = (const char *)value;
    Tcl_Obj *result;
    switch (vr) {
    case DICOM_VR_NONE:
        if (length == 2) {
            result = Tcl_ObjPrintf("%d", (int)(value[0] | (value[1] << 8)));
        } else if (length == 4) {
            result = Tcl_ObjPrintf("%d", (int)(uint32_t)(value[0] | (value[1] << 8) | (value[2] << 16)
                                                         | ((uint32_t)value[3] << 24)));
        } else {
            result = Tcl_NewStringObj(text, (int)strnlen(text, length));
        }
        break;
    case DICOM_VR_AS: case DICOM_VR_CS: case DICOM_VR_DA: case DICOM_VR_DS: case DICOM_VR_IS:
    case DICOM_VR_LT: case DICOM_VR_PN: case DICOM_VR_SH: case DICOM_VR_TM: case DICOM_VR_UI:
        result = Tcl_NewStringObj(text, (int)strnlen(text, length));
        break;
    case DICOM_VR_LO: {
        size_t n = strnlen(text, length), skip = 0;
        while (skip < n && text[skip] == ' ') {
            skip++;
        }
        result = Tcl_NewStringObj(text + skip, (int)(n - skip));
        break;
    }
    case DICOM_VR_US:
        result = Tcl_ObjPrintf("%d", length >= 2 ? (int)(value[0] | (value[1] << 8)) : 0);
        break;
    case DICOM_VR_AE: case DICOM_VR_AT: case DICOM_VR_DT: case DICOM_VR_FL: case DICOM_VR_FD:
    case DICOM_VR_OB: case DICOM_VR_OW: case DICOM_VR_SL: case DICOM_VR_SQ: case DICOM_VR_SS:
    case DICOM_VR_ST: case DICOM_VR_UL: case DICOM_VR_UN: case DICOM_VR_UT:
        result = Tcl_NewStringObj(dicomVrName(vr), -1);
        break;
    default:
        if (length == 2) {
            result = Tcl_ObjPrintf("%d", (int)(value[0] | (value[1] << 8)));
        } else if (length == 4) {
            result = Tcl_ObjPrintf("%d", (int)(uint32_t)(value[0] | (value[1] << 8) | (value[2] << 16)
                                                         | ((uint32_t)value[3] << 24)));
        } else {
            result = printableText(value, length);
        }
        break;
    }
    return trimmed(result);
}

/*
 * dicomDeleteProc --
 *	Deletion of a dicom command: the last one takes the dictionary
 *	with it.
 */
void dicomDeleteProc(ClientData clientData)
{
    (void)clientData;
    if (liveCommands > 0 && --liveCommands == 0) {
        dicomFreeDictionary();
    }
}

/*
 * Dicom_Init --
 *	Creates the dicom command. TCL_OK, or TCL_ERROR when it cannot be
 *	created.
 */
extern "C" OVEX_API int Dicom_Init(Tcl_Interp *interp)
{
    if (Tcl_CreateCommand(interp, "dicom", dicomCmd, NULL, dicomDeleteProc) == NULL) {
        return TCL_ERROR;
    }
    liveCommands++;
    return TCL_OK;
}
