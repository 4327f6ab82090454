/*
 * rimage_open.cpp --
 *
 *	rimage open, close, isopened and isvalid: opening image files under
 *	tags, making and rebuilding memory images (by layout, from a template
 *	image, with options, or from an encoded image in base64 text or a
 *	terra tile), and the open count that keeps an image a script opened
 *	alive until as many closes were made.
 */
#include <stdio.h>
#include <string.h>

#include "frontend/rimage/rimage_command.h"
#include "ramimage/ramimg.h"
#include "ramimage/kit/base64.h"
#include "ramimage/kit/data_range.h"
#include "display/photo_bridge.h"
#include "ramimage/formats/format_entry.h"
#include "core/gmem.h"
#include "core/package.h"
#include "core/vocabulary.h"
#include "geo/terra/terra_store.h"

static void setUsage(Tcl_Interp *interp, const char **argv, const char *syntax)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1], syntax, (char *)NULL);
}

static void setResult(Tcl_Interp *interp, const char *text)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(text, -1));
}

/*
 * addOpenErrorInfo --
 *	Ends an error report whose message is in the result: the text of the
 *	open's error code goes to errorInfo after it.
 */
static void addOpenErrorInfo(Tcl_Interp *interp, int err)
{
    ovexAddErrorInfo(interp, ramImageErrorText(err));
}

/* The image named by NAME as a file, else as a tag. */
static RAMIMG *findByNameOrTag(const char *name)
{
    RAMIMG *image = getRAMImageByName(name);
    return image != NULL ? image : getRAMImageByTag(name);
}

/* The image named by NAME as a tag, else as a file. */
static RAMIMG *findByTagOrName(const char *name)
{
    RAMIMG *image = getRAMImageByTag(name);
    return image != NULL ? image : getRAMImageByName(name);
}

/*
 * Reference bookkeeping around openRAMImage: the open's reference becomes
 * an open count. An image rebuilt in place from a new file comes back
 * without a new reference; then nothing is given back, so that the
 * counts stay true.
 */
struct OpenWatch {
    RAMIMG *prior;
    int refCount;
};

static OpenWatch watchTag(const char *tag)
{
    OpenWatch watch;
    watch.prior = getRAMImageByTag(tag);
    watch.refCount = watch.prior != NULL ? watch.prior->refCount : 0;
    return watch;
}

static void giveBackOpenReference(RAMIMG *image, const OpenWatch &watch)
{
    if (image != watch.prior || image->refCount != watch.refCount) {
        image->refCount--;
    }
}

/*
 * holdOpened --
 *	Counts one more open of image by the script; the result is its tag.
 */
static int holdOpened(Tcl_Interp *interp, RAMIMG *image)
{
    image->openCount++;
    setResult(interp, image->tag);
    return TCL_OK;
}

/*
 * openByName --
 *	rimage open NAME: NAME is a file (probed, new "rimg%d" tag), a tag
 *	beginning with "@" (the template's file under that tag, described by
 *	the template), or a Tk photo (copied into NAME.photo).
 */
static int openByName(Tcl_Interp *interp, ImageHead *h, const char *name)
{
    int err = RAMIMG_OK;
    RAMIMG *image;
    OpenWatch watch;
    if (name[0] == '@') {
        watch = watchTag(name);
        image = openRAMImage(name, h->file, h, NULL, &err);
    } else {
        watch = watchTag(NULL);
        image = openRAMImage(NULL, name, NULL, NULL, &err);
        if (image == NULL) {
            image = photoToRAMImage(interp, name, h, NULL);
        }
    }
    if (image == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Error in open ", name, (char *)NULL);
        /* The template describes only a file opened under an "@" tag; a
         * probed file is named with the reason its open failed. */
        if (name[0] == '@') {
            Tcl_AppendResult(interp, " with file: ", h->file, " of ", imgidName(h->imgid),
                             (char *)NULL);
        }
        const char *reason = ramImageOpenReason();
        if (reason[0] == '\0') {
            reason = ramImageErrorText(err);
        }
        if (reason[0] != '\0') {
            Tcl_AppendResult(interp, ": ", reason, (char *)NULL);
        }
        addOpenErrorInfo(interp, err);
        return TCL_ERROR;
    }
    giveBackOpenReference(image, watch);
    return holdOpened(interp, image);
}

/*
 * openTagOnFile --
 *	rimage open TAG FILE: the file (or a Tk photo of that name) opened
 *	under TAG.
 */
static int openTagOnFile(Tcl_Interp *interp, ImageHead *h, const char *tag, const char *file)
{
    int err = RAMIMG_OK;
    OpenWatch watch = watchTag(tag);
    RAMIMG *image = openRAMImage(tag, file, NULL, NULL, &err);
    if (image == NULL) {
        /* A failed open took no reference: the watch still holds. */
        image = photoToRAMImage(interp, file, h, tag);
    }
    if (image == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Error in open: ", file, (char *)NULL);
        addOpenErrorInfo(interp, err);
        return TCL_ERROR;
    }
    giveBackOpenReference(image, watch);
    return holdOpened(interp, image);
}

/*
 * probeEncodedImage --
 *	Recognises bytes as a JPEG, then a GIF file, filling h. Returns 1
 *	when one of them does.
 */
static int probeEncodedImage(ImageHead *h, const unsigned char *bytes, size_t length)
{
    ImageHead probed = *h;
    if (probeJpeg(-1, &probed, bytes, length) || probeGif(-1, &probed, bytes, length)) {
        *h = probed;
        return 1;
    }
    return 0;
}

/* An image being made: its head, and the encoded bytes (owned) of the
 * base64 and binary forms. */
struct MemoryRequest {
    ImageHead head;
    int paletteKept;
    unsigned char *bytes;
    size_t length;
};

/*
 * decodeBase64Form --
 *	rimage open NAME base64 TEXT. Returns TCL_OK with the decoded image
 *	described in request, else TCL_ERROR with the message.
 */
static int decodeBase64Form(Tcl_Interp *interp, int argc, const char **argv,
                            MemoryRequest *request)
{
    if (argc != 5) {
        setResult(interp, "Syntax error. Should be rimage open imgID base64 string.\n");
        return TCL_ERROR;
    }
    size_t length = 0;
    unsigned char *bytes = base64Decode(strlen(argv[4]), argv[4], &length);
    if (bytes == NULL) {
        setResult(interp, ramImageErrorText(RAMIMG_ENOMEM));
        return TCL_ERROR;
    }
    if (!probeEncodedImage(&request->head, bytes, length)) {
        gmemFree(bytes);
        setResult(interp, "Unrecognized base64 image string.\n");
        return TCL_ERROR;
    }
    request->bytes = bytes;
    request->length = length;
    request->paletteKept = request->head.nindices > 0;
    return TCL_OK;
}

/*
 * readTileId --
 *	A tile of the store from a tileId word: one number is the tile
 *	index, anything else is read as tile coordinates "x y". -1 when it
 *	names no tile of the store.
 */
static int readTileId(const TerraCache *store, const char *word)
{
    int k;
    if (Tcl_GetInt(NULL, word, &k) == TCL_OK) {
        return k;
    }
    int tx, ty;
    char rest;
    if (sscanf(word, "%d %d %c", &tx, &ty, &rest) != 2) {
        return -1;
    }
    return terraTileIndex(store, tx, ty);
}

/*
 * decodeBinaryForm --
 *	rimage open NAME binary TERRA TILE: a tile of a terra tile store,
 *	decoded like the base64 form and placed on the ground by the store.
 */
static int decodeBinaryForm(Tcl_Interp *interp, int argc, const char **argv,
                            MemoryRequest *request)
{
    if (argc != 6) {
        setResult(interp, "Syntax error. Should be rimage open imgID binary terrObj tileId.\n");
        return TCL_ERROR;
    }
    RAMOBJ *object = NULL;
    if (openObject(interp, OBJ_TERRA, argv[4], &object) != TCL_OK) {
        return TCL_ERROR;
    }
    const TerraCache *store = (const TerraCache *)object->data;
    int k = store != NULL ? readTileId(store, argv[5]) : -1;
    if (store == NULL || k < 0 || k >= store->tileCapacity) {
        closeObject(object);
        setResult(interp, "Invalid tileId");
        return TCL_ERROR;
    }
    int length = 0;
    const unsigned char *tile = terraTileData(store, k, &length);
    if (tile == NULL) {
        closeObject(object);
        setResult(interp, "terra object has no data");
        return TCL_ERROR;
    }
    unsigned char *bytes = (unsigned char *)gmemAlloc((size_t)length);
    if (bytes == NULL) {
        closeObject(object);
        setResult(interp, ramImageErrorText(RAMIMG_ENOMEM));
        return TCL_ERROR;
    }
    memcpy(bytes, tile, (size_t)length);
    if (!probeEncodedImage(&request->head, bytes, (size_t)length)) {
        gmemFree(bytes);
        closeObject(object);
        setResult(interp, "Unrecognized binary image tile.\n");
        return TCL_ERROR;
    }
    terraTileGeoref(store, k, &request->head);
    closeObject(object);
    request->bytes = bytes;
    request->length = (size_t)length;
    request->paletteKept = request->head.nindices > 0;
    return TCL_OK;
}

/*
 * describeFromTemplate --
 *	rimage open NAME MEMID TEMPLATE ?RANGE?: the attributes of the
 *	template image, sized by the data range when one is given.
 */
static int describeFromTemplate(Tcl_Interp *interp, int argc, const char **argv,
                                MemoryRequest *request)
{
    int err = RAMIMG_OK;
    RAMIMG *source = openRAMImage(argv[4], argv[4], NULL, NULL, &err);
    if (source == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Fail to open the template: ", argv[4], (char *)NULL);
        addOpenErrorInfo(interp, err);
        return TCL_ERROR;
    }
    request->head = source->head;
    request->paletteKept = request->head.nindices > 0;
    if (argc == 6) {
        DataRange range;
        if (!parseDataRange(argv[5], source->head.columns, source->head.rows,
                            source->head.nbands, &range)) {
            closeRAMImage(source, NULL);
            setResult(interp, "Invalid data range");
            return TCL_ERROR;
        }
        request->head.columns = (range.c1 > range.c0 ? range.c1 - range.c0 : range.c0 - range.c1) + 1;
        request->head.rows = (range.r1 > range.r0 ? range.r1 - range.r0 : range.r0 - range.r1) + 1;
        request->head.nbands = (range.b1 > range.b0 ? range.b1 - range.b0 : range.b0 - range.b1) + 1;
    }
    closeRAMImage(source, NULL);
    return TCL_OK;
}

/*
 * describeMemoryLayout --
 *	rimage open NAME MEMID ?...?: the head of the memory image of layout
 *	memid. *done is set when NAME is already such an image and nothing
 *	is to change.
 */
static int describeMemoryLayout(Tcl_Interp *interp, int argc, const char **argv, int memid,
                                RAMIMG *open, MemoryRequest *request, int *done)
{
    if (open != NULL && open->head.imgid != memid) {
        setResult(interp, "Incompatible rimage ID.\n");
        return TCL_ERROR;
    }
    if (open != NULL && argc == 4) {
        *done = 1;
        return TCL_OK;
    }
    if ((argc == 5 || argc == 6) && argv[4][0] != '-') {
        if (describeFromTemplate(interp, argc, argv, request) != TCL_OK) {
            return TCL_ERROR;
        }
    } else {
        if (open != NULL) {
            request->head = open->head;
        } else {
            request->head.imgid = memid;
        }
        /* A lone option word (five words) is ignored. */
        if (argc >= 6) {
            if (rimageParseAttributes(&request->head, interp, argc - 4, argv + 4) != 0) {
                return TCL_ERROR;
            }
            if (request->head.imgid != memid) {
                setResult(interp, "conflicting -imgid option");
                return TCL_ERROR;
            }
        }
    }
    request->head.imgid = memid;
    applyMemoryLayout(&request->head);
    return TCL_OK;
}

/*
 * createMemoryImage --
 *	Makes the memory image tagged name from request (or rebuilds the one
 *	of that tag), with the encoded bytes as its data source when it has
 *	any. Frees the bytes on every failure.
 */
static int createMemoryImage(Tcl_Interp *interp, const char *name, MemoryRequest *request)
{
    ImageHead *h = &request->head;
    if (!request->paletteKept) {
        fillGreyRamp(h);
    }
    /* Nothing of a template's file comes along into memory. */
    h->dataFd = -1;

    int err = RAMIMG_OK;
    OpenWatch watch = watchTag(name);
    RAMIMG *image = openRAMImage(name, NULL, h, NULL, &err);
    int encoded = h->imgid == IMGID_JPEG || h->imgid == IMGID_GIF87A || h->imgid == IMGID_GIF89A;
    if (image != NULL && encoded && request->bytes != NULL) {
        if (attachRamImageBuffer(image, request->bytes, request->length)) {
            request->bytes = NULL;
        } else {
            /* The memory form always takes a reference: give it back. */
            closeRAMImage(image, NULL);
            image = NULL;
            err = RAMIMG_ENOMEM;
        }
    }
    gmemFree(request->bytes);
    request->bytes = NULL;
    if (image == NULL) {
        Tcl_ResetResult(interp);
        setResult(interp, "Error in creating a new memory resident rimage.\n");
        addOpenErrorInfo(interp, err);
        return TCL_ERROR;
    }
    giveBackOpenReference(image, watch);
    strncpy(image->head.file, name, RAMIMG_NAME_SIZE - 1);
    image->head.file[RAMIMG_NAME_SIZE - 1] = '\0';
    holdOpened(interp, image);
    updateClient(image, 0, RAMIMG_NOTIFY_CONFIG);
    return TCL_OK;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageOpen --
 *
 *	rimage open NAME ?imgID ?template ?dataRange?? | options?: opens a
 *	file or makes a memory image (see the file comment).
 *
 * Results:
 *	TCL_OK with the image's tag, or TCL_ERROR with the message.
 *
 * Side effects:
 *	The image's openCount goes up by one; a memory form rebuilds an
 *	open memory image of that tag in place.
 *
 *----------------------------------------------------------------------
 */
int rimageOpen(ImageHead *tmpl, Tcl_Interp *interp, int argc, const char **argv)
{
    MemoryRequest request;
    request.head = *tmpl;
    request.paletteKept = 0;
    request.bytes = NULL;
    request.length = 0;

    if (argc < 3) {
        setUsage(interp, argv, " FILE|TAG [imgID [[template [dataRange]] | options]]");
        return TCL_ERROR;
    }
    const char *name = argv[2];
    RAMIMG *open = findByNameOrTag(name);

    if (argc == 3) {
        if (open != NULL) {
            return holdOpened(interp, open);
        }
        return openByName(interp, &request.head, name);
    }

    if (strcmp(argv[3], "base64") == 0) {
        if (decodeBase64Form(interp, argc, argv, &request) != TCL_OK) {
            return TCL_ERROR;
        }
    } else if (strcmp(argv[3], "binary") == 0) {
        if (decodeBinaryForm(interp, argc, argv, &request) != TCL_OK) {
            return TCL_ERROR;
        }
    } else {
        int memid = imgidFromName(argv[3]);
        if (!isSystemImgid(memid)) {
            if (argc == 4) {
                return openTagOnFile(interp, &request.head, name, argv[3]);
            }
            setResult(interp, "Invalid image ID for a memory resident rimage.");
            return TCL_ERROR;
        }
        int done = 0;
        if (describeMemoryLayout(interp, argc, argv, memid, open, &request, &done) != TCL_OK) {
            return TCL_ERROR;
        }
        if (done) {
            return holdOpened(interp, open);
        }
    }
    return createMemoryImage(interp, name, &request);
}

/*
 * rimageClose --
 *	rimage close NAME: gives back one open of the image. Returns TCL_OK
 *	with the remaining open count, or TCL_ERROR with the message.
 *	Frees the image when nothing else holds it and it is not locked.
 */
int rimageClose(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) {
        setUsage(interp, argv, " TAG | FILE");
        return TCL_ERROR;
    }
    RAMIMG *image = findByTagOrName(argv[2]);
    if (image == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Not found RAMIMG:", argv[2], (char *)NULL);
        return TCL_ERROR;
    }
    if (image->openCount < 1) {
        setResult(interp, "Unmatched close");
        return TCL_ERROR;
    }
    image->openCount--;
    Tcl_SetObjResult(interp, Tcl_NewIntObj(image->openCount));
    /* Released as a holder of one reference. */
    image->refCount++;
    closeRAMImage(image, NULL);
    return TCL_OK;
}

/*
 * rimageIsOpened --
 *	rimage isopened NAME: "1" when NAME is the tag or file of an open
 *	image, else "0".
 */
int rimageIsOpened(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) {
        setUsage(interp, argv, " imgid");
        return TCL_ERROR;
    }
    setResult(interp, findByTagOrName(argv[2]) != NULL ? "1" : "0");
    return TCL_OK;
}

/*
 * rimageIsValid --
 *	rimage isvalid NAME: "1" when NAME is open or can be opened as an
 *	image (it is released again at once), else "0".
 */
int rimageIsValid(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) {
        setUsage(interp, argv, " imgid");
        return TCL_ERROR;
    }
    const char *name = argv[2];
    if (name[0] == '\0') {
        setResult(interp, "0");
        return TCL_OK;
    }
    if (findByTagOrName(name) != NULL) {
        setResult(interp, "1");
        return TCL_OK;
    }
    int err = RAMIMG_OK;
    RAMIMG *image = openRAMImage(name, name, NULL, NULL, &err);
    if (image == NULL) {
        /* Not an error: the reason is left in errorInfo alone. */
        Tcl_ResetResult(interp);
        addOpenErrorInfo(interp, err);
        setResult(interp, "0");
        return TCL_OK;
    }
    closeRAMImage(image, NULL);
    setResult(interp, "1");
    return TCL_OK;
}
