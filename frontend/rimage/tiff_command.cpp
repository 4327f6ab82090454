/*
 * tiff_command.cpp --
 *
 *	The tiff command: a table of tag names that scripts fill and look
 *	up, and the listing of the directory entries of a TIFF file or of an
 *	open TIFF image with their values. It changes no image.
 */
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "core/gmem.h"
#include "core/inits.h"
#include "core/package.h"
#include "ramimage/formats/tiff.h"
#include "ramimage/ramimg.h"
#include "frontend/rimage/table_command.h"
#include "frontend/rimage/tiff_tag_names.h"

namespace {

/* Reads a whole decimal integer; false for anything else. */
bool readDecimal(const char *text, int *value)
{
    char *end = NULL;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || v < INT_MIN || v > INT_MAX) {
        return false;
    }
    *value = (int)v;
    return true;
}

/* "%d %s", or "%d \"%s\"" when the name holds a blank, as one element. */
void appendNamedTag(Tcl_Obj *result, int tag, const char *name)
{
    Tcl_Obj *element = strchr(name, ' ') != NULL ? Tcl_ObjPrintf("%d \"%s\"", tag, name)
                                                 : Tcl_ObjPrintf("%d %s", tag, name);
    Tcl_ListObjAppendElement(NULL, result, element);
}

void setMessage(Tcl_Interp *interp, const char *message)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(message, -1));
}

int addNames(Tcl_Interp *interp, int argc, const char **argv)
{
    for (int i = 2; i < argc; i++) {
        int count = 0;
        const char **parts = NULL;
        int tag;
        if (Tcl_SplitList(NULL, argv[i], &count, &parts) != TCL_OK) {
            return TCL_ERROR;
        }
        bool ok = count == 2 && readDecimal(parts[0], &tag) && tiffTagNameAdd(tag, parts[1]);
        Tcl_Free((char *)parts);
        if (!ok) {
            return TCL_ERROR;
        }
    }
    Tcl_SetObjResult(interp, Tcl_ObjPrintf("%d", tiffTagNameCount()));
    return TCL_OK;
}

int getName(Tcl_Interp *interp, int argc, const char **argv)
{
    int tag;
    if (argc != 3 || !readDecimal(argv[2], &tag)) {
        return TCL_ERROR;
    }
    const char *name = tiffTagName(tag);
    Tcl_Obj *result = Tcl_NewListObj(0, NULL);
    if (name != NULL) {
        appendNamedTag(result, tag, name);
    }
    Tcl_SetObjResult(interp, result);
    return TCL_OK;
}

int indexNames(Tcl_Interp *interp, int argc, const char **argv)
{
    int first = argc > 2 ? ovexLenientInt(argv[2]) : 0;
    int last = argc > 3 ? ovexLenientInt(argv[3]) : first;
    int count = 0;
    int *tags = tiffTagNameTags(&count);
    Tcl_Obj *result = Tcl_NewListObj(0, NULL);
    for (int i = first < 0 ? 0 : first; i <= last && i < count; i++) {
        appendNamedTag(result, tags[i], tiffTagName(tags[i]));
    }
    gmemFree(tags);
    Tcl_SetObjResult(interp, result);
    return TCL_OK;
}

/* ---- Directory listing ----------------------------------------------------- */

/* The directories and descriptor of an open TIFF image or a TIFF file. */
struct Source {
    TiffDirList *list;
    int fd;
    bool ownsList;
    bool ownsFd;
};

void releaseSource(Source *source)
{
    if (source->ownsList) {
        freeTiffIFDs(source->list);
    }
    if (source->ownsFd && source->fd >= 0) {
        close(source->fd);
    }
}

/*
 * openSource --
 *	The open RAM image of that tag or file name (which must be TIFF),
 *	else the file itself. TCL_ERROR with the message on failure.
 */
int openSource(Tcl_Interp *interp, const char *name, Source *source)
{
    source->list = NULL;
    source->fd = -1;
    source->ownsList = source->ownsFd = false;
    RAMIMG *image = getRAMImageByTag(name);
    if (image == NULL) {
        image = getRAMImageByName(name);
    }
    if (image != NULL && image->fd >= 1) {
        if (image->head.imgid != IMGID_TIFF && image->head.imgid != IMGID_GEOTIFF) {
            setMessage(interp, "Not a TIFF image");
            return TCL_ERROR;
        }
        source->fd = image->fd;
        TiffState *state = (TiffState *)image->priv;
        if (state != NULL && state->magic == TIFF_STATE_MAGIC && state->list != NULL) {
            source->list = state->list;
            return TCL_OK;
        }
        /* Opened with a template head: its directories are read now. */
        source->list = readTiffIFDs(source->fd);
        source->ownsList = true;
        if (source->list == NULL) {
            setMessage(interp, "Error in open TIFF image");
            return TCL_ERROR;
        }
        return TCL_OK;
    }
    source->fd = openListedFile(interp, name);
    if (source->fd < 0) {
        return TCL_ERROR;
    }
    source->ownsFd = true;
    source->list = readTiffIFDs(source->fd);
    source->ownsList = true;
    if (source->list == NULL) {
        setMessage(interp, "Error in open TIFF image");
        return TCL_ERROR;
    }
    return TCL_OK;
}

const char *nameOrUnknown(int tag)
{
    const char *name = tiffTagName(tag);
    return name != NULL ? name : "??";
}

/* One element per entry: tag, type, count, value (or offset), name. */
void listDirectory(Tcl_Obj *result, const TiffDir *dir)
{
    for (int i = 0; i < dir->count; i++) {
        const TiffEntry *e = &dir->entries[i];
        bool inField = e->count < 5
                       && (e->count < 3 || (e->type != TIFF_SHORT && e->type != TIFF_SSHORT));
        long long value = inField ? (long long)tiffShortValue(e->type, e->value)
                                  : (long long)e->value;
        Tcl_ListObjAppendElement(NULL, result,
                                 Tcl_ObjPrintf("%d %d %u %lld %s", e->tag, e->type, e->count,
                                               value, nameOrUnknown(e->tag)));
    }
}

void appendValue(Tcl_Obj *result, Tcl_Obj *value)
{
    Tcl_ListObjAppendElement(NULL, result, value);
}

/* The values of one entry in host order as elements of result. */
void appendValues(Tcl_Obj *result, const TiffEntry *e, const unsigned char *values)
{
    for (uint32_t i = 0; i < e->count; i++) {
        switch (e->type) {
        case TIFF_BYTE:
        case TIFF_UNDEFINED:
            appendValue(result, Tcl_ObjPrintf("%d", values[i]));
            break;
        case TIFF_SHORT:
        case TIFF_SSHORT: {
            uint16_t v;
            memcpy(&v, values + 2 * (size_t)i, 2);
            appendValue(result, Tcl_ObjPrintf("%d", e->type == TIFF_SHORT ? (int)v : (int)(int16_t)v));
            break;
        }
        case TIFF_LONG:
        case TIFF_SLONG: {
            uint32_t v;
            memcpy(&v, values + 4 * (size_t)i, 4);
            appendValue(result, e->type == TIFF_LONG ? Tcl_ObjPrintf("%u", v)
                                                     : Tcl_ObjPrintf("%d", (int32_t)v));
            break;
        }
        case TIFF_RATIONAL:
        case TIFF_SRATIONAL: {
            uint32_t pair[2];
            memcpy(pair, values + 8 * (size_t)i, 8);
            appendValue(result, e->type == TIFF_RATIONAL
                                    ? Tcl_ObjPrintf("%u %u", pair[0], pair[1])
                                    : Tcl_ObjPrintf("%d %d", (int32_t)pair[0], (int32_t)pair[1]));
            break;
        }
        case TIFF_FLOAT: {
            float v;
            memcpy(&v, values + 4 * (size_t)i, 4);
            appendValue(result, Tcl_ObjPrintf("%f", (double)v));
            break;
        }
        case TIFF_DOUBLE: {
            double v;
            memcpy(&v, values + 8 * (size_t)i, 8);
            appendValue(result, Tcl_ObjPrintf("%f", v));
            break;
        }
        default:
            return;
        }
    }
}

/*
 * listTag --
 *	The name of the tag's entry, then its values: from the entry when
 *	they fit in its 4 bytes, else from the file. Nothing when the
 *	directory has no such entry; only the name when the values cannot be
 *	read.
 */
void listTag(Tcl_Obj *result, int fd, const TiffDir *dir, int tag, int byteOrder)
{
    int index = tiffFindTag(dir, tag);
    if (index < 0) {
        return;
    }
    const TiffEntry *e = &dir->entries[index];
    appendValue(result, Tcl_NewStringObj(nameOrUnknown(tag), -1));
    int size = e->type >= 1 && e->type <= 12 ? tiffTypeSize(e->type) : -1;
    if (size < 0 || e->type == TIFF_SBYTE) {
        if (e->count == 1) {
            appendValue(result, Tcl_ObjPrintf("%d", (int)e->value));
        }
        return;
    }
    uint64_t total = (uint64_t)e->count * (uint64_t)size;
    struct stat info;
    if (total > 4 && (fstat(fd, &info) != 0
                      || (S_ISREG(info.st_mode) && total > (uint64_t)info.st_size))) {
        return;
    }
    unsigned char *values = (unsigned char *)gmemAlloc((size_t)total + 1);
    if (values == NULL) {
        return;
    }
    if (tiffReadEntryValues(fd, e, byteOrder, values, (size_t)total)) {
        if (e->type == TIFF_ASCII) {
            values[total] = '\0';
            appendValue(result, Tcl_NewStringObj((const char *)values,
                                                 (int)strnlen((const char *)values, (size_t)total)));
        } else {
            appendValues(result, e, values);
        }
    }
    gmemFree(values);
}

int listData(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("Usage: %s %s imgid ?option?", argv[0], argv[1]));
        return TCL_ERROR;
    }
    bool volumeForm = argc >= 4 && strcmp(argv[3], "-volume") == 0;
    if (argc > 6 || (argc >= 5 && !volumeForm)) {
        setMessage(interp, "Syntax error");
        return TCL_ERROR;
    }
    Source source;
    if (openSource(interp, argv[2], &source) != TCL_OK) {
        releaseSource(&source);
        return TCL_ERROR;
    }
    const TiffDirList *list = source.list;
    int code = TCL_OK;
    Tcl_ResetResult(interp);
    if (volumeForm && argc == 4) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("%d", list->count));
    } else {
        int volume = volumeForm ? ovexLenientInt(argv[4]) : 1;
        if (volume < 1 || volume > list->count) {
            setMessage(interp, "Invalid TIFF volume");
            code = TCL_ERROR;
        } else {
            const TiffDir *dir = &list->dirs[volume - 1];
            const char *tagWord = volumeForm ? (argc == 6 ? argv[5] : NULL)
                                             : (argc == 4 ? argv[3] : NULL);
            Tcl_Obj *result = Tcl_NewListObj(0, NULL);
            if (tagWord == NULL) {
                listDirectory(result, dir);
            } else {
                listTag(result, source.fd, dir, ovexLenientInt(tagWord), list->byteOrder);
            }
            Tcl_SetObjResult(interp, result);
        }
    }
    releaseSource(&source);
    return code;
}

/*
 * tiffCmd --
 *	tiff add|get|index|count|data ...: see the table at the top.
 */
int tiffCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    (void)clientData;
    static const TableCommandHandlers handlers = {addNames, getName, indexNames,
                                                  tiffTagNameCount, listData};
    return dispatchTableCommand(&handlers, interp, argc, argv);
}

} // namespace

/*
 * tiffCmdDelete --
 *	Frees the tag-name table when the command goes (and at package exit).
 */
void tiffCmdDelete(ClientData clientData)
{
    (void)clientData;
    freeTiffTagNames();
}

/*
 * Tiff_Init --
 *	Creates the tiff command. TCL_OK, or TCL_ERROR when it cannot be
 *	created.
 */
int Tiff_Init(Tcl_Interp *interp)
{
    return Tcl_CreateCommand(interp, "tiff", tiffCmd, NULL, tiffCmdDelete) != NULL ? TCL_OK
                                                                                 : TCL_ERROR;
}
