/*
 * terra_object.cpp --
 *
 *	Terra objects: the object command over one terra tile store. A
 *	script defines a new store or loads one through -file, moves tiles
 *	in and out as base64 text and asks for the store's vocabulary names,
 *	tile range, ground extent and title.
 *
 *	Messages other than the usage, "Undefined object" and "Unknown
 *	command" lines go to errorInfo with an empty result.
 */
#include <errno.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "core/gmem.h"
#include "core/inits.h"
#include "core/objects.h"
#include "core/package.h"
#include "geo/object_create.h"
#include "geo/terra/terra_store.h"
#include "ramimage/kit/base64.h"

/* A tileString word shorter than this names a global variable. */
#define TERRA_TILE_TEXT_MIN 128

static TerraCache *storeOf(RAMOBJ *obj)
{
    return (TerraCache *)obj->data;
}

static TerraCache *newStoreRecord(void)
{
    TerraCache *store = (TerraCache *)gmemAlloc(sizeof(TerraCache));
    if (store != NULL) {
        memset(store, 0, sizeof *store);
        store->fd = -1;
    }
    return store;
}

/* ---- Object procedures ---------------------------------------------------- */

static int terraObjCount(RAMOBJ *obj)
{
    return storeOf(obj) != NULL ? terraTilesPresent(storeOf(obj)) : 0;
}

static int terraObjIsSelected(RAMOBJ *, int)
{
    return 1;
}

static int terraObjSubtype(RAMOBJ *)
{
    return OBJ_TERRA;
}

static void *terraObjClone(void *data, int)
{
    const TerraCache *source = (const TerraCache *)data;
    TerraCache *copy = newStoreRecord();
    if (copy == NULL) {
        return NULL;
    }
    *copy = *source;
    copy->fd = -1;
    copy->block = (unsigned char *)gmemAlloc((size_t)source->capacity);
    if (copy->block == NULL) {
        gmemFree(copy);
        return NULL;
    }
    memcpy(copy->block, source->block, (size_t)source->capacity);
    return copy;
}

static int terraObjSave(RAMOBJ *obj, const char *fileName, int)
{
    return storeOf(obj) != NULL ? saveTerraFile(fileName, storeOf(obj)) : 0;
}

static void *terraObjLoad(const char *fileName, int *status)
{
    TerraCache *store = newStoreRecord();
    if (store == NULL || !openTerraFile(fileName, store)) {
        gmemFree(store);
        *status = 0;
        return NULL;
    }
    /* The whole store is in memory: the file is not needed any more. */
    close(store->fd);
    store->fd = -1;
    *status = 1;
    return store;
}

static void terraObjFree(void *data)
{
    TerraCache *store = (TerraCache *)data;
    if (store != NULL) {
        closeTerraCache(store);
        gmemFree(store);
    }
}

static int terraObjModified(RAMOBJ *obj)
{
    return storeOf(obj) != NULL ? storeOf(obj)->modified : 0;
}

/* ---- Command helpers ---------------------------------------------------------- */

static int failInfo(Tcl_Interp *interp, const char *message)
{
    Tcl_ResetResult(interp);
    ovexAddErrorInfo(interp, message);
    return TCL_ERROR;
}

static int failResult(Tcl_Interp *interp, const char *message)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(message, -1));
    return TCL_ERROR;
}

static int usage(Tcl_Interp *interp, const char **argv, const char *suffix)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1], suffix, (char *)NULL);
    return TCL_ERROR;
}

static int setFormatted(Tcl_Interp *interp, const char *format, ...) OVEX_PRINTF(2, 3);

static int setFormatted(Tcl_Interp *interp, const char *format, ...)
{
    char text[256];
    va_list ap;
    va_start(ap, format);
    vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    Tcl_SetObjResult(interp, Tcl_NewStringObj(text, -1));
    return TCL_OK;
}

/* How a tileId word reads. */
enum TileWord { TILE_NEITHER, TILE_INDEX, TILE_PAIR };

static int readInt(const char **p, long *value)
{
    char *end;
    errno = 0;
    long v = strtol(*p, &end, 10);
    if (end == *p || errno != 0 || v < INT32_MIN || v > INT32_MAX) {
        return 0;
    }
    *value = v;
    *p = end;
    return 1;
}

static const char *skipBlanks(const char *p)
{
    while (*p == ' ' || *p == '\t' || *p == '\n') {
        p++;
    }
    return p;
}

/*
 * readTileWord --
 *	One integer (a tile index) or two (tile coordinates, turned into the
 *	index, -1 outside the group) into *k.
 */
static TileWord readTileWord(const TerraCache *store, const char *word, int *k)
{
    const char *p = skipBlanks(word);
    long first, second;
    if (!readInt(&p, &first)) {
        return TILE_NEITHER;
    }
    p = skipBlanks(p);
    if (*p == '\0') {
        *k = (int)first;
        return TILE_INDEX;
    }
    if (!readInt(&p, &second) || *skipBlanks(p) != '\0') {
        return TILE_NEITHER;
    }
    *k = terraTileIndex(store, (int)first, (int)second);
    return TILE_PAIR;
}

/* A valid tile index from a tileId word, else "Invalid index". */
static int tileIndexOf(Tcl_Interp *interp, const TerraCache *store, const char *word, int *k)
{
    if (readTileWord(store, word, k) == TILE_NEITHER || *k < 0 || *k >= store->tileCapacity) {
        return failInfo(interp, "Invalid index");
    }
    return TCL_OK;
}

static int tilePresent(const TerraCache *store, int k, int32_t *length, int32_t *offset)
{
    terraIndexEntry(store, k, offset, length);
    return *length > 0;
}

/* ---- Subcommands -------------------------------------------------------------------- */

static int defineStore(RAMOBJ *obj, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 8) {
        return usage(interp, argv, " group theme scale scene x y");
    }
    int group = ovexLenientInt(argv[2]);
    int theme = terraThemeCode(argv[3]);
    int scale = terraScaleCode(argv[4]);
    int scene = ovexLenientInt(argv[5]);
    int x = ovexLenientInt(argv[6]);
    int y = ovexLenientInt(argv[7]);
    if (theme == 0) {
        return failInfo(interp, "Invalid theme");
    }
    if (scale == 0) {
        return failInfo(interp, "Invalid scale");
    }
    if (group < 1) {
        return failInfo(interp, "Invalid group");
    }
    if (x <= 0 || y <= 0) {
        return failInfo(interp, "Invalid group id");
    }
    TerraCache *store = newStoreRecord();
    if (store == NULL || !createTerraCache(store, theme, scale, scene, group, x, y, 0)) {
        gmemFree(store);
        return failInfo(interp, "Error in creating terra object");
    }
    terraObjFree(obj->data);
    obj->data = store;
    Tcl_ResetResult(interp);
    return TCL_OK;
}

static int existsTile(TerraCache *store, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) {
        return usage(interp, argv, " tileId");
    }
    int k;
    if (tileIndexOf(interp, store, argv[2], &k) != TCL_OK) {
        return TCL_ERROR;
    }
    int32_t length, offset;
    return setFormatted(interp, "%d", tilePresent(store, k, &length, &offset));
}

static int getTile(TerraCache *store, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3 && argc != 4) {
        return usage(interp, argv, " tileId [tileVar]");
    }
    int k;
    if (tileIndexOf(interp, store, argv[2], &k) != TCL_OK) {
        return TCL_ERROR;
    }
    int length = 0;
    const unsigned char *bytes = terraTileData(store, k, &length);
    Tcl_ResetResult(interp);
    if (bytes == NULL) {
        return TCL_OK;
    }
    size_t textLength = 0;
    char *text = base64Encode((size_t)length, bytes, &textLength);
    if (text == NULL) {
        return failInfo(interp, "Error in base64 encoding");
    }
    int code = TCL_OK;
    if (argc == 4) {
        if (Tcl_SetVar2Ex(interp, argv[3], NULL, Tcl_NewStringObj(text, (int)textLength),
                          TCL_LEAVE_ERR_MSG) == NULL) {
            code = TCL_ERROR;
        }
    } else {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(text, (int)textLength));
    }
    gmemFree(text);
    return code;
}

static int indexOf(TerraCache *store, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2) {
        return setFormatted(interp, "%d %d", (int)terraField(store, TERRA_AT_GX),
                            (int)terraField(store, TERRA_AT_GY));
    }
    int k;
    switch (readTileWord(store, argv[2], &k)) {
    case TILE_PAIR:
        if (k < 0) {
            return failInfo(interp, "Invalid index");
        }
        return setFormatted(interp, "%d", k);
    case TILE_INDEX: {
        int tx, ty;
        if (!terraTileXY(store, k, &tx, &ty)) {
            return failInfo(interp, "Invalid index");
        }
        return setFormatted(interp, "%d %d", tx, ty);
    }
    default:
        return usage(interp, argv, " [tileId]");
    }
}

static int putTile(RAMOBJ *obj, TerraCache *store, Tcl_Interp *interp, int argc,
                   const char **argv)
{
    if (argc != 4) {
        return usage(interp, argv, " tileId tileString");
    }
    int k;
    if (tileIndexOf(interp, store, argv[2], &k) != TCL_OK) {
        return TCL_ERROR;
    }
    int32_t length, offset;
    if (tilePresent(store, k, &length, &offset)) {
        return failInfo(interp, "tile already exists");
    }
    const char *text = argv[3];
    if (strlen(text) < TERRA_TILE_TEXT_MIN) {
        text = Tcl_GetVar2(interp, argv[3], NULL, TCL_GLOBAL_ONLY);
        if (text == NULL) {
            return failInfo(interp, "fail to find tile string");
        }
    }
    size_t byteCount = 0;
    unsigned char *bytes = base64Decode(strlen(text), text, &byteCount);
    if (bytes == NULL) {
        return failInfo(interp, "Error in base64 decoding");
    }
    int put = byteCount <= (size_t)INT32_MAX && putTerraTile(store, k, bytes, (int)byteCount);
    gmemFree(bytes);
    if (!put) {
        return failInfo(interp, "fail to put tile");
    }
    Tcl_ResetResult(interp);
    objUpdate(obj);
    return TCL_OK;
}

static int rangeOf(TerraCache *store, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2) {
        return setFormatted(interp, "%d %d %d %d", (int)store->x0, (int)store->y0,
                            (int)store->x1, (int)store->y1);
    }
    if (argc != 3 || strcmp(argv[2], "map") != 0) {
        return usage(interp, argv, " [map]");
    }
    double m = terraMetresPerPixel(terraField(store, TERRA_AT_SCALE));
    double side = ((double)TERRA_TILE_SIZE * terraN(store) - 1) * m;
    double xmin = (double)TERRA_TILE_SIZE * store->x0 * m;
    double ymin = (double)TERRA_TILE_SIZE * store->y0 * m;
    return setFormatted(interp, "%.3f %.3f %.3f %.3f", xmin, ymin, xmin + side, ymin + side);
}

static int tileInfo(TerraCache *store, Tcl_Interp *interp, int argc, const char **argv)
{
    int32_t length, offset;
    if (argc == 2) {
        Tcl_ResetResult(interp);
        for (int k = 0; k < store->tileCapacity; k++) {
            int tx, ty;
            if (tilePresent(store, k, &length, &offset) && terraTileXY(store, k, &tx, &ty)) {
                char item[128];
                snprintf(item, sizeof item, "%d %d %d %d %d", k, tx, ty, (int)length,
                         (int)offset);
                Tcl_AppendElement(interp, item);
            }
        }
        return TCL_OK;
    }
    int k;
    if (tileIndexOf(interp, store, argv[2], &k) != TCL_OK) {
        return TCL_ERROR;
    }
    if (!tilePresent(store, k, &length, &offset)) {
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    return setFormatted(interp, "%d %d", (int)length, (int)offset);
}

static int titleOf(TerraCache *store, Tcl_Interp *interp)
{
    return setFormatted(interp, "Terra.%s.%d.%s.%d.%d.%d",
                        terraThemeName(terraField(store, TERRA_AT_THEME)), (int)terraN(store),
                        terraScaleName(terraField(store, TERRA_AT_SCALE)),
                        (int)terraField(store, TERRA_AT_SCENE), (int)terraField(store, TERRA_AT_GX),
                        (int)terraField(store, TERRA_AT_GY));
}

/*
 *----------------------------------------------------------------------
 *
 * terraObjCmd --
 *
 *	The command of a terra object: the shared object subcommands, then
 *	define, then the store's own subcommands.
 *
 *----------------------------------------------------------------------
 */
static int terraObjCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMOBJ *obj = (RAMOBJ *)clientData;
    if (argc < 2) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Usage: ", argv[0],
                         " [config cget class clone close count define exists gettile group index "
                         "pixelsize puttile range save scale scene size theme tilecap tileinfo "
                         "title version]",
                         (char *)NULL);
        return TCL_ERROR;
    }
    int code = objDefCommand(clientData, interp, argc, argv);
    if (code != TCL_CONTINUE) {
        return code;
    }
    const char *word = argv[1];
    if (strcmp(word, "define") == 0) {
        return defineStore(obj, interp, argc, argv);
    }
    TerraCache *store = storeOf(obj);
    if (store == NULL) {
        return failResult(interp, "Undefined object");
    }
    switch (word[0]) {
    case 'e':
        if (ovexMatchWord(word, "exists", 4)) return existsTile(store, interp, argc, argv);
        break;
    case 'g':
        if (ovexMatchWord(word, "gettile", 4)) return getTile(store, interp, argc, argv);
        if (ovexMatchWord(word, "group", 4)) return setFormatted(interp, "%d", (int)terraN(store));
        break;
    case 'i':
        if (ovexMatchWord(word, "index", 4)) return indexOf(store, interp, argc, argv);
        break;
    case 'p':
        if (ovexMatchWord(word, "pixelsize", 4)) {
            return setFormatted(interp, "%.3f",
                                terraMetresPerPixel(terraField(store, TERRA_AT_SCALE)));
        }
        if (ovexMatchWord(word, "puttile", 4)) return putTile(obj, store, interp, argc, argv);
        break;
    case 'r':
        if (ovexMatchWord(word, "range", 4)) return rangeOf(store, interp, argc, argv);
        break;
    case 's':
        if (ovexMatchWord(word, "scale", 3)) {
            return setFormatted(interp, "%s", terraScaleName(terraField(store, TERRA_AT_SCALE)));
        }
        if (ovexMatchWord(word, "scene", 3)) {
            return setFormatted(interp, "%d", (int)terraField(store, TERRA_AT_SCENE));
        }
        if (ovexMatchWord(word, "size", 3)) {
            return setFormatted(interp, "%d",
                                (int)(terraDataEnd(store) - terraHeaderSize(store)));
        }
        break;
    case 't':
        if (ovexMatchWord(word, "theme", 3)) {
            return setFormatted(interp, "%s", terraThemeName(terraField(store, TERRA_AT_THEME)));
        }
        if (ovexMatchWord(word, "tileinfo", 3)) return tileInfo(store, interp, argc, argv);
        if (ovexMatchWord(word, "tilecap", 3)) {
            return setFormatted(interp, "%d", (int)store->tileCapacity);
        }
        if (ovexMatchWord(word, "title", 3)) return titleOf(store, interp);
        break;
    default:
        break;
    }
    return failResult(interp, "Unknown command");
}

/*
 * terraCreateCmd --
 *	terra.create name ?options?: a terra object command; -file loads a
 *	store file.
 */
static int terraCreateCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 2) {
        return objectCreateUsage(interp, argv[0]);
    }
    RAMOBJ *obj = newObjectRecord(OBJ_TERRA);
    if (obj == NULL) {
        return failResult(interp, "Error in create terra obj");
    }
    obj->count = terraObjCount;
    obj->isSelected = terraObjIsSelected;
    obj->subtype = terraObjSubtype;
    obj->clone = terraObjClone;
    obj->save = terraObjSave;
    obj->acquire = objAcquire;
    obj->release = objRelease;
    obj->close = objClose;
    obj->load = terraObjLoad;
    obj->freeData = terraObjFree;
    obj->command = terraObjCmd;
    obj->modified = terraObjModified;
    if (Tcl_CreateCommand(interp, argv[1], terraObjCmd, obj, objDelete) == NULL) {
        gmemFree(obj);
        return TCL_ERROR;
    }
    if (registerAndConfigure(interp, obj, argv[1], argc - 2, argv + 2) != TCL_OK) {
        return TCL_ERROR;
    }
    Tcl_SetObjResult(interp, Tcl_NewStringObj(argv[1], -1));
    return TCL_OK;
}

int Terra_Init(Tcl_Interp *interp)
{
    if (Tcl_CreateCommand(interp, "terra.create", terraCreateCmd, NULL, NULL) == NULL) {
        return TCL_ERROR;
    }
    return TCL_OK;
}
