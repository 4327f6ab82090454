/*
 * view_object.cpp --
 *
 *	View commands made by "rimage bind": the view record and how it
 *	follows its image, the ROI and band map texts, and the view command
 *	with its subcommands (configure, cget, bands, roi, unbind, vget, vset)
 *	and its operators, which run the image algebra over the view's ROI
 *	and band map or over data ranges.
 */
#include "frontend/rimage/view_object.h"

#include <ctype.h>
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/option_engine.h"
#include "core/package.h"
#include "ramimage/kit/data_range.h"
#include "frontend/rimage/image_algebra.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"
#include "frontend/rimage/rimage_command.h"
#include "frontend/rimage/rimage_maintenance.h"

/* ---- ROI and band map texts ----------------------------------------------- */

/*
 * readNumber --
 *	A run of decimal digits at *text (no sign) as an int; advances *text
 *	past it. 0 when there is none or it does not fit.
 */
static int readNumber(const char **text, int *value)
{
    const char *start = *text;
    if (!isdigit((unsigned char)*start)) {
        return 0;
    }
    char *end;
    errno = 0;
    long number = strtol(start, &end, 10);
    if (errno != 0 || number > INT_MAX) {
        return 0;
    }
    *value = (int)number;
    *text = end;
    return 1;
}

/*
 * parseROI --
 *	Reads "desx desy srcx srcy width height". Returns 1 with the values
 *	stored when there are exactly six integers, the ROI is at least one
 *	pixel and lies inside columns x rows, and the operand origin is not
 *	negative; 0 otherwise.
 */
int parseROI(const char *text, int columns, int rows, int *x, int *y, int *srcx, int *srcy,
             int *width, int *height)
{
    long values[6];
    const char *p = text;
    int count = 0;
    while (1) {
        while (isspace((unsigned char)*p)) {
            p++;
        }
        if (*p == '\0') {
            break;
        }
        if (count == 6) {
            return 0;
        }
        char *end;
        errno = 0;
        long value = strtol(p, &end, 10);
        if (end == p || errno != 0 || value < INT_MIN || value > INT_MAX
                || (*end != '\0' && !isspace((unsigned char)*end))) {
            return 0;
        }
        values[count++] = value;
        p = end;
    }
    if (count != 6) {
        return 0;
    }
    for (int k = 0; k < 4; k++) {
        if (values[k] < 0) {
            return 0;
        }
    }
    if (values[4] < 1 || values[5] < 1 || values[0] + values[4] > columns
            || values[1] + values[5] > rows) {
        return 0;
    }
    *x = (int)values[0];
    *y = (int)values[1];
    *srcx = (int)values[2];
    *srcy = (int)values[3];
    *width = (int)values[4];
    *height = (int)values[5];
    return 1;
}

/* One side of a pair: a band or a range of bands. */
struct BandSide {
    int first, last;
};

/*
 * readSide --
 *	"n" or "n-m" at *text, every number at least 1; advances *text.
 */
static int readSide(const char **text, BandSide *side)
{
    if (!readNumber(text, &side->first) || side->first < 1) {
        return 0;
    }
    side->last = side->first;
    if (**text == '-') {
        (*text)++;
        if (!readNumber(text, &side->last) || side->last < 1) {
            return 0;
        }
    }
    return 1;
}

/*
 * parseBandSpec --
 *	Reads a band map into the parallel lists. Returns the number of
 *	pairs with *maxOperandBand the largest operand band, or 0 when the
 *	text is empty, too long or malformed, a side is a range while the
 *	other is not, the ranges differ in length, an own band exceeds bands
 *	or there are more than bands pairs.
 */
int parseBandSpec(const char *text, int bands, int *ownBands, int *operandBands,
                  int *maxOperandBand)
{
    if (text == NULL || strlen(text) > BAND_SPEC_MAX) {
        return 0;
    }
    int pairs = 0;
    int largest = 0;
    const char *p = text;
    while (1) {
        while (isspace((unsigned char)*p)) {
            p++;
        }
        if (*p == '\0') {
            break;
        }
        BandSide own, operand;
        if (!readSide(&p, &own) || *p++ != ':' || !readSide(&p, &operand)
                || (*p != '\0' && !isspace((unsigned char)*p))) {
            return 0;
        }
        int ownRange = own.first != own.last;
        int operandRange = operand.first != operand.last;
        int length = abs(own.last - own.first) + 1;
        if (ownRange != operandRange || length != abs(operand.last - operand.first) + 1
                || (own.first > bands || own.last > bands) || length > bands - pairs) {
            return 0;
        }
        int ownStep = own.last >= own.first ? 1 : -1;
        int operandStep = operand.last >= operand.first ? 1 : -1;
        for (int k = 0; k < length; k++) {
            ownBands[pairs] = own.first + ownStep * k;
            operandBands[pairs] = operand.first + operandStep * k;
            if (operandBands[pairs] > largest) {
                largest = operandBands[pairs];
            }
            pairs++;
        }
    }
    if (pairs > 0) {
        *maxOperandBand = largest;
    }
    return pairs;
}

/* ---- The record and its image --------------------------------------------- */

/*
 * refitBandMap --
 *	New band lists of room bands: a view that had a map keeps its first
 *	pairs whose own band the image still has; a new view gets the
 *	identity map. Returns 0 when memory runs out (the old lists then stay,
 *	cut to the bands the image has).
 */
static int refitBandMap(RimgObj *obj, int bands)
{
    int room = bands > 0 ? bands : 0;
    int *block = room > 0 ? (int *)gmemAlloc(2 * (size_t)room * sizeof(int)) : NULL;
    int *operandBands = block;
    int *ownBands = block != NULL ? block + room : NULL;
    if (block == NULL) {
        if (obj->ownBands == NULL) {
            obj->pairs = obj->maxOperandBand = 0;
            return room == 0;
        }
        /* Filter in place: the old lists are at least as long. */
        operandBands = obj->operandBands;
        ownBands = obj->ownBands;
    }

    int pairs = 0;
    int largest = 0;
    if (obj->ownBands != NULL) {
        for (int k = 0; k < obj->pairs && pairs < room; k++) {
            if (obj->ownBands[k] >= 1 && obj->ownBands[k] <= bands) {
                ownBands[pairs] = obj->ownBands[k];
                operandBands[pairs] = obj->operandBands[k];
                if (operandBands[pairs] > largest) {
                    largest = operandBands[pairs];
                }
                pairs++;
            }
        }
    } else {
        for (int k = 0; k < room; k++) {
            ownBands[k] = operandBands[k] = k + 1;
        }
        pairs = largest = room;
    }
    if (block != NULL) {
        gmemFree(obj->operandBands);
        obj->operandBands = operandBands;
        obj->ownBands = ownBands;
    }
    obj->pairs = pairs;
    obj->maxOperandBand = largest;
    return block != NULL;
}

/*
 * fitView --
 *	rimgObjConfigChanged with the outcome of the band map's allocation:
 *	1, or 0 when a map could not be allocated.
 */
static int fitView(RimgObj *obj)
{
    RAMIMG *image = obj->image;
    if (image == NULL) {
        return 1;
    }
    int columns = image->head.columns;
    int rows = image->head.rows;
    int bands = image->head.nbands;
    if (obj->ownBands != NULL && bands == obj->bands && columns >= obj->columns
            && rows >= obj->rows) {
        obj->columns = columns;
        obj->rows = rows;
        return 1;
    }
    obj->columns = columns;
    obj->rows = rows;
    obj->bands = bands;
    if (obj->x >= columns) {
        obj->x = 0;
    }
    if (obj->y >= rows) {
        obj->y = 0;
    }
    if (obj->width == 0 || obj->x + obj->width > columns) {
        obj->width = columns - obj->x;
    }
    if (obj->height == 0 || obj->y + obj->height > rows) {
        obj->height = rows - obj->y;
    }
    return refitBandMap(obj, bands);
}

/*
 * rimgObjConfigChanged --
 *	Refits the view after its image announced a configuration change
 *	(and when it is bound). Returns 1.
 */
int rimgObjConfigChanged(RimgObj *obj)
{
    fitView(obj);
    return 1;
}

static void viewConfigChanged(void *clientData)
{
    rimgObjConfigChanged((RimgObj *)clientData);
}

/*
 * rimgObjAttach --
 *	Makes image the view's image: the client takes over the caller's
 *	reference, and the view fits itself. Returns 1, or 0 when the band
 *	map could not be allocated (the view is bound all the same).
 */
int rimgObjAttach(RimgObj *obj, RAMIMG *image)
{
    obj->image = image;
    obj->client.configChanged = viewConfigChanged;
    obj->client.dataChanged = NULL;
    obj->client.rectChanged = NULL;
    obj->client.id = (intptr_t)obj;
    obj->client.clientData = obj;
    addRamImageClient(&obj->client, image);
    return fitView(obj);
}

RimgObj *findRimgObj(Tcl_Interp *interp, const char *name)
{
    Tcl_CmdInfo info;
    if (!Tcl_GetCommandInfo(interp, name, &info) || info.isNativeObjectProc
            || info.proc != rimgObjCmd) {
        return NULL;
    }
    return (RimgObj *)info.clientData;
}

static void freeRimgObj(char *block)
{
    RimgObj *obj = (RimgObj *)block;
    gmemFree(obj->operandBands);
    gmemFree(obj);
}

/*
 * rimgObjDelete --
 *	The view command was deleted: its client leaves the image (which is
 *	freed when nothing else holds it), and the record goes once no
 *	running subcommand uses it.
 */
void rimgObjDelete(ClientData clientData)
{
    RimgObj *obj = (RimgObj *)clientData;
    RAMIMG *image = obj->image;
    obj->image = NULL;
    if (image != NULL) {
        closeRAMImage(image, &obj->client);
    }
    Tcl_EventuallyFree(clientData, freeRimgObj);
}

/* ---- Messages ------------------------------------------------------------- */

static int fail(Tcl_Interp *interp, const char *message)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(message, -1));
    return TCL_ERROR;
}

/* "Usage: " + the first word (+ the second when withSubcommand) + syntax. */
static int usage(Tcl_Interp *interp, const char **argv, int withSubcommand, const char *syntax)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", argv[0], (char *)NULL);
    if (withSubcommand) {
        Tcl_AppendResult(interp, " ", argv[1], (char *)NULL);
    }
    Tcl_AppendResult(interp, syntax, (char *)NULL);
    return TCL_ERROR;
}

/* ---- Subcommands ---------------------------------------------------------- */

/*
 * viewConfigure --
 *	Applies the options to a copy of the image's attributes (listing
 *	them for no word or one word). A new file reopens the image on that
 *	file, its format probed, after its changed rows went back. Every
 *	client is then told that the configuration changed, once for each
 *	client the image has. The image keeps its other attributes.
 */
static int viewConfigure(RimgObj *obj, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMIMG *image = obj->image;
    ImageHead h = image->head;
    if (rimageParseAttributes(&h, interp, argc - 2, argv + 2) != 0) {
        return TCL_ERROR;
    }
    if (strcmp(h.file, image->head.file) != 0) {
        if (!flushRamImageForCommand(interp, image)) {
            return TCL_ERROR;
        }
        int err = RAMIMG_OK;
        if (reopenRamImage(h.file, NULL, image, &err) == NULL) {
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "Update ramimg error in open file: ", h.file, (char *)NULL);
            ovexAddErrorInfo(interp, ramImageErrorText(err));
            return TCL_ERROR;
        }
    }
    int clients = 0;
    for (RamImageClient *c = image->clients; c != NULL; c = c->next) {
        clients++;
    }
    for (int k = 0; k < clients; k++) {
        updateClient(image, 0, RAMIMG_NOTIFY_CONFIG);
    }
    return TCL_OK;
}

static int viewCget(RimgObj *obj, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Usage: \"", argv[0], " cget option\"", (char *)NULL);
        return TCL_ERROR;
    }
    return ovexConfigureValue(interp, NULL, rimageAttributeSpecs, (char *)&obj->image->head,
                              argv[2], 0);
}

static int viewUnbind(RimgObj *, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 2) {
        return usage(interp, argv, 0, " unbind");
    }
    if (findRimgObj(interp, argv[0]) == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, argv[0], " is not a rimgObj name", (char *)NULL);
        return TCL_ERROR;
    }
    Tcl_DeleteCommand(interp, argv[0]);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

static int viewRoi(RimgObj *obj, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2) {
        char text[6 * 12 + 6];
        snprintf(text, sizeof text, "%d %d %d %d %d %d", obj->x, obj->y, obj->srcx, obj->srcy,
                 obj->width, obj->height);
        Tcl_SetObjResult(interp, Tcl_NewStringObj(text, -1));
        return TCL_OK;
    }
    if (argc != 3) {
        return usage(interp, argv, 0, " roi {desx desy srcx srcy width height}");
    }
    if (!parseROI(argv[2], obj->image->head.columns, obj->image->head.rows, &obj->x, &obj->y,
                  &obj->srcx, &obj->srcy, &obj->width, &obj->height)) {
        return fail(interp, "Invalid ROI.");
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

static int viewBands(RimgObj *obj, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2) {
        Tcl_ResetResult(interp);
        for (int k = 0; k < obj->pairs; k++) {
            char pair[32];
            snprintf(pair, sizeof pair, "%d:%d", obj->ownBands[k], obj->operandBands[k]);
            Tcl_AppendResult(interp, pair, (char *)NULL);
        }
        return TCL_OK;
    }
    if (argc != 3) {
        return usage(interp, argv, 0, " bands bandSpec");
    }
    /* Parsed into scratch lists so that a bad map leaves the view's own. */
    int bands = obj->image->head.nbands;
    int *scratch = (int *)gmemAlloc(2 * (size_t)(bands > 0 ? bands : 1) * sizeof(int));
    if (scratch == NULL) {
        return fail(interp, "Error: malloc");
    }
    int largest = 0;
    int pairs = parseBandSpec(argv[2], bands, scratch + bands, scratch, &largest);
    if (pairs == 0) {
        gmemFree(scratch);
        return fail(interp, "Invalid band specification");
    }
    gmemFree(obj->operandBands);
    obj->operandBands = scratch;
    obj->ownBands = scratch + bands;
    obj->bands = bands;
    obj->pairs = pairs;
    obj->maxOperandBand = largest;
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/*
 * pixelCoordinates --
 *	The column and row words, read leniently; 0 with "Invalid pixel
 *	coordinates" when they lie outside the image.
 */
static int pixelCoordinates(Tcl_Interp *interp, RAMIMG *image, const char **argv, int *x,
                            int *y)
{
    *x = ovexLenientInt(argv[2]);
    *y = ovexLenientInt(argv[3]);
    if (*x < 0 || *x >= image->head.columns || *y < 0 || *y >= image->head.rows) {
        fail(interp, "Invalid pixel coordinates");
        return 0;
    }
    return 1;
}

/* A 1-based band word as a 0-based band of the image; -1 when outside. */
static int bandOf(RAMIMG *image, const char *word)
{
    int band = ovexLenientInt(word);
    return band >= 1 && band <= image->head.nbands ? band - 1 : -1;
}

/* A sample as text: integer pixels whole (doubles hold every 32-bit
 * value), float pixels as "%g" gives them. */
static void formatPixel(RAMIMG *image, int x, int y, int band, char *text, size_t size)
{
    double value = 0.0;
    getRowDouble(image, y, x, 1, band, &value);
    int pixel = image->head.pixel;
    if (pixel == PIXEL_FLOAT) {
        snprintf(text, size, "%g", (double)(float)value);
    } else {
        snprintf(text, size, "%.10g", value);
    }
}

static void appendPixel(Tcl_Interp *interp, RAMIMG *image, int x, int y, int band)
{
    char text[TCL_DOUBLE_SPACE + 8];
    formatPixel(image, x, y, band, text, sizeof text);
    Tcl_AppendElement(interp, text);
}

static int viewVget(RimgObj *obj, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 4 && argc != 5) {
        return usage(interp, argv, 1, " x y ?bandList?");
    }
    RAMIMG *image = obj->image;
    int x, y;
    if (!pixelCoordinates(interp, image, argv, &x, &y)) {
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    if (argc == 4) {
        char text[TCL_DOUBLE_SPACE + 8];
        formatPixel(image, x, y, 0, text, sizeof text);
        Tcl_SetObjResult(interp, Tcl_NewStringObj(text, -1));
        return TCL_OK;
    }
    int count;
    const char **words;
    if (Tcl_SplitList(NULL, argv[4], &count, &words) != TCL_OK) {
        return fail(interp, "Error in parsing band list");
    }
    for (int k = 0; k < count; k++) {
        int band = bandOf(image, words[k]);
        if (band < 0) {
            Tcl_Free((char *)words);
            return fail(interp, "Invalid band list");
        }
        appendPixel(interp, image, x, y, band);
    }
    Tcl_Free((char *)words);
    return TCL_OK;
}

/* Stores one value, read leniently; rounded once to the pixel type (a
 * 32-bit integer is stored whole). */
static void storeValue(RAMIMG *image, int x, int y, int band, const char *word)
{
    double value = ovexLenientDouble(word);
    putRowDouble(image, y, x, 1, band, &value);
}

static int viewVset(RimgObj *obj, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 5 && argc != 6) {
        return usage(interp, argv, 1, " x y valuelist ?bandList?");
    }
    RAMIMG *image = obj->image;
    int x, y;
    if (!pixelCoordinates(interp, image, argv, &x, &y)) {
        return TCL_ERROR;
    }
    int count;
    const char **values;
    if (Tcl_SplitList(NULL, argv[4], &count, &values) != TCL_OK) {
        return fail(interp, "Error in parsing valuelist");
    }
    int status = TCL_OK;
    if (argc == 5) {
        if (count > image->head.nbands) {
            status = fail(interp, "Too many values");
        } else {
            for (int k = 0; k < count; k++) {
                storeValue(image, x, y, k, values[k]);
            }
        }
    } else {
        int bandCount;
        const char **bands;
        if (Tcl_SplitList(NULL, argv[5], &bandCount, &bands) != TCL_OK) {
            Tcl_Free((char *)values);
            return fail(interp, "Error in parsing bandlist");
        }
        if (bandCount != count) {
            status = fail(interp, "Bands and values are not match");
        }
        for (int k = 0; k < count && status == TCL_OK; k++) {
            int band = bandOf(image, bands[k]);
            if (band < 0) {
                status = fail(interp, "Invalid band list");
            } else {
                storeValue(image, x, y, band, values[k]);
            }
        }
        Tcl_Free((char *)bands);
    }
    Tcl_Free((char *)values);
    if (status == TCL_OK) {
        Tcl_ResetResult(interp);
    }
    return status;
}

/* ---- Operators ------------------------------------------------------------ */

/*
 * viewOperator --
 *	NAME ?@range? OPERATOR ?operand ...?: checks every word, then runs
 *	the row loop that fits (constants or an operand image; the view's ROI
 *	and band map, or data ranges), writes the changed rows back and
 *	answers the view's name. An operand image opened here is released on
 *	every path.
 */
static int viewOperator(RimgObj *obj, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMIMG *image = obj->image;
    int opIndex = 1;
    DataRange ownRange;
    int ownRanged = argv[1][0] == '@';
    if (ownRanged) {
        if (!parseDataRange(argv[1], image->head.columns, image->head.rows, image->head.nbands,
                            &ownRange)) {
            return fail(interp, "Invalid data range");
        }
        opIndex = 2;
    }
    int first = opIndex + 1;
    int mode = argc - first;
    if (first + 1 < argc && argv[first + 1][0] == '@') {
        mode--;
    }
    ImageOpKernel *kernel = opIndex < argc ? findImageOp(argv[opIndex], mode) : NULL;
    if (kernel == NULL) {
        return fail(interp, "Unknown rimage operation or syntax error.");
    }

    RAMIMG *operand = NULL;
    int next = first;
    if (first < argc && !isdigit((unsigned char)argv[first][0])) {
        operand = openRAMImage(argv[first], argv[first], NULL, NULL, NULL);
        if (operand != NULL) {
            next++;
        }
    }
    DataRange operandRange;
    int operandRanged = operand != NULL && next < argc && argv[next][0] == '@';
    if (operandRanged) {
        if (!parseDataRange(argv[next], operand->head.columns, operand->head.rows,
                            operand->head.nbands, &operandRange)) {
            closeRAMImage(operand, NULL);
            return fail(interp, "Invalid data range");
        }
        next++;
    }
    AlgebraConstants constants;
    constants.count = 0;
    for (; next < argc; next++) {
        double value;
        if (constants.count == ALG_MAX_CONSTANTS
                || Tcl_GetDouble(NULL, argv[next], &value) != TCL_OK) {
            closeRAMImage(operand, NULL);
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "invalid operand:", argv[next], (char *)NULL);
            return TCL_ERROR;
        }
        constants.values[constants.count++] = (float)value;
    }
    if (operand != NULL && !ownRanged && !operandRanged
            && operand->head.nbands < obj->maxOperandBand) {
        closeRAMImage(operand, NULL);
        return fail(interp, "In consistent operand rimage");
    }

    AlgebraRoi roi = {obj->x, obj->y, obj->srcx, obj->srcy, obj->width, obj->height};
    int done;
    if (operand == NULL) {
        done = ownRanged ? algebraConstantRange(image, &ownRange, kernel, &constants)
                         : algebraConstantRoi(image, &roi, obj->ownBands, obj->pairs, kernel,
                                              &constants);
    } else if (!ownRanged && !operandRanged) {
        done = algebraImageRoi(image, &roi, obj->ownBands, obj->operandBands, obj->pairs,
                               operand, kernel, &constants);
    } else {
        if (!ownRanged) {
            ownRange = {0, image->head.columns - 1, 0, image->head.rows - 1, 0,
                        image->head.nbands - 1};
        }
        if (!operandRanged) {
            operandRange = {0, operand->head.columns - 1, 0, operand->head.rows - 1, 0,
                            operand->head.nbands - 1};
        }
        done = algebraRangePair(image, &ownRange, operand, &operandRange, kernel, &constants);
    }
    closeRAMImage(operand, NULL);

    int status = TCL_OK;
    if (!done) {
        status = fail(interp, "Error: malloc");
    } else if (!flushRamImageForCommand(interp, image)) {
        status = TCL_ERROR;
    } else {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(argv[0], -1));
    }
    return status;
}

/* ---- The command ---------------------------------------------------------- */

typedef int (ViewHandler)(RimgObj *obj, Tcl_Interp *interp, int argc, const char **argv);

/* A word selects a subcommand when it is a prefix of its name at least
 * minLength long; any other word is an operator. */
struct ViewSubcommand {
    const char *word;
    int minLength;
    ViewHandler *handler;
};

static const ViewSubcommand viewSubcommands[] = {
    {"configure", 2, viewConfigure},
    {"cget", 2, viewCget},
    {"unbind", 2, viewUnbind},
    {"roi", 2, viewRoi},
    {"vget", 1, viewVget},
    {"vset", 2, viewVset},
    {"bands", 3, viewBands},
    {NULL, 0, NULL},
};

/* The answer without a word: the subcommands, then each operator once. */
static void setCommandList(Tcl_Interp *interp)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Commands: configure cget bands roi unbind vget vset ",
                     (char *)NULL);
    for (int k = 0; imageOps[k].name != NULL; k++) {
        int seen = 0;
        for (int j = 0; j < k && !seen; j++) {
            seen = strcmp(imageOps[j].name, imageOps[k].name) == 0;
        }
        if (!seen) {
            Tcl_AppendResult(interp, imageOps[k].name, " ", (char *)NULL);
        }
    }
}

/*
 *----------------------------------------------------------------------
 *
 * rimgObjCmd --
 *
 *	The view command: a subcommand selected by its first letters, or an
 *	operator of the image algebra.
 *
 * Results:
 *	The subcommand's; the list of commands without a word.
 *
 * Side effects:
 *	Those of the subcommand. The record stays while the subcommand
 *	runs, even if the command is deleted meanwhile.
 *
 *----------------------------------------------------------------------
 */
int rimgObjCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    RimgObj *obj = (RimgObj *)clientData;
    if (argc < 2) {
        setCommandList(interp);
        return TCL_OK;
    }
    ViewHandler *handler = viewOperator;
    for (const ViewSubcommand *row = viewSubcommands; row->word != NULL; row++) {
        if (ovexMatchWord(argv[1], row->word, row->minLength)) {
            handler = row->handler;
            break;
        }
    }
    Tcl_Preserve(clientData);
    int status = handler(obj, interp, argc, argv);
    Tcl_Release(clientData);
    return status;
}
