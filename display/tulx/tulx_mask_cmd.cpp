/*
 * tulx_mask_cmd.cpp --
 *
 *	The mask subcommand of a "tulx" image: frame shapes over the view,
 *	clip shapes in image coordinates, the selection of shown data values
 *	and of mask classes, and switching masking on and off. Shapes are
 *	kept and every new list is appended, so the bitmaps always show the
 *	union (or the even-odd combination) of all shapes given since the
 *	last delete.
 */
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "core/rounding.h"
#include "display/roi_polygon.h"
#include "display/tulx/tulx_subcommands.h"

/* Appends a chain behind another. */
static void appendChain(PointList **chain, PointList *more)
{
    PointList **tail = chain;
    while (*tail != NULL) {
        tail = &(*tail)->next;
    }
    *tail = more;
}

/* The frame bitmap from the present frame shapes. */
static void rebuildFrame(TulxMaster *master)
{
    int w = master->imageView.width, h = master->imageView.height;
    if (master->frameShapes == NULL || w <= 0 || h <= 0) {
        return;
    }
    if (bitmapAlloc(&master->frameBitmap, w, h, 0) == NULL) {
        return;
    }
    if (master->frameDynamic) {
        tulxFrameToBitmap(master, &master->frameBitmap, master->frameEvenOdd,
                          master->frameShapes);
    } else {
        polyFillBitmap(master->frameShapes, &master->frameBitmap, master->frameEvenOdd);
    }
    master->stippleView.valid = 0;
    master->maskView.valid = 0;
}

/* The clip region (the shapes in view coordinates, united) and the clip
 * bitmap (the shapes over the image's pixels). */
static void rebuildClip(TulxMaster *master)
{
    if (master->clipRegion != NULL) {
        XDestroyRegion(master->clipRegion);
        master->clipRegion = NULL;
    }
    if (master->clipShapes == NULL) {
        return;
    }
    Region all = XCreateRegion();
    for (PointList *p = master->clipShapes; p != NULL; p = p->next) {
        if (p->count < 1) {
            continue;
        }
        XPoint *points = (XPoint *)malloc(sizeof(XPoint) * (size_t)p->count);
        if (points == NULL) {
            continue;
        }
        for (int i = 0; i < p->count; i++) {
            double vx, vy;
            tulxImageToView(master, p->points[i].x, p->points[i].y, &vx, &vy);
            points[i].x = pointCoord(roundToInt(vx));
            points[i].y = pointCoord(roundToInt(vy));
        }
        Region one = XPolygonRegion(points, p->count, WindingRule);
        free(points);
        if (one != NULL) {
            XUnionRegion(all, one, all);
            XDestroyRegion(one);
        }
    }
    master->clipRegion = all;
    RAMIMG *image = master->ramImage;
    if (image != NULL
            && bitmapAlloc(&master->clipBitmap, image->head.columns, image->head.rows, 0) != NULL) {
        polyFillBitmap(master->clipShapes, &master->clipBitmap, master->clipEvenOdd);
    }
}

/* The image the masks are built over: its own, or the one it borrows. */
static RAMIMG *maskedImage(TulxMaster *master)
{
    if (master->ramImage != NULL) {
        return master->ramImage;
    }
    if (master->srcImageName[0] != '\0') {
        TulxMaster *src = tulxFindImage(master->interp, master->srcImageName);
        return src != NULL ? src->ramImage : NULL;
    }
    return NULL;
}

/* Rebuilds the masks after a change and asks Tk to draw again. */
static int masksChanged(TulxMaster *master)
{
    if (maskedImage(master) == NULL) {
        Tcl_ResetResult(master->interp);
        return TCL_OK;
    }
    if (master->ramImage != NULL) {
        master->masksPresent = tulxUpdateMasks(master);
    }
    master->maskView.valid = 0;
    master->stippleView.valid = 0;
    master->viewReady = 0;
    tulxChanged(master);
    Tcl_ResetResult(master->interp);
    return TCL_OK;
}

static int clearOrDelete(TulxMaster *master, int argc, const char **argv, int deleteShapes)
{
    Tcl_Interp *interp = master->interp;
    if (argc > 4) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1],
                         deleteShapes ? " [frame|clip|data|all]\n" : " [frame|class|clip|data|all]\n",
                         (char *)NULL);
        return TCL_ERROR;
    }
    const char *kind = argc == 4 ? argv[3] : "all";
    int which;
    if (strcmp(kind, "frame") == 0) {
        which = TULX_MASK_FRAME;
    } else if (strcmp(kind, "clip") == 0) {
        which = TULX_MASK_CLIP;
    } else if (strcmp(kind, "data") == 0) {
        which = TULX_MASK_DATA;
    } else if (strcmp(kind, "all") == 0) {
        which = TULX_MASK_FRAME | TULX_MASK_CLIP | TULX_MASK_DATA;
    } else {
        Tcl_SetResult(interp, (char *)"unknown mask\n", TCL_STATIC);
        return TCL_ERROR;
    }
    tulxClearMask(master, which, deleteShapes);
    return masksChanged(master);
}

static int frameOption(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc == 3) {
        Tcl_AppendResult(interp, master->frameShapes != NULL ? "1" : "0",
                         master->frameDynamic ? " dynamic" : " static",
                         master->frameEvenOdd ? " xor" : " or", (char *)NULL);
        return TCL_OK;
    }
    if (argc == 4) {
        const char *word = argv[3];
        if (strcmp(word, "dynamic") == 0 || strcmp(word, "static") == 0) {
            master->frameDynamic = word[0] == 'd';
            return TCL_OK;
        }
        if (strcmp(word, "xor") == 0 || strcmp(word, "or") == 0) {
            master->frameEvenOdd = word[0] == 'x';
            return TCL_OK;
        }
        if (strcmp(word, "current") != 0) {
            Tcl_SetResult(interp, (char *)"Unknown frame option.\n", TCL_STATIC);
            return TCL_ERROR;
        }
    } else {
        PointList *shapes = parseRoiShapes(interp, argc - 3, argv + 3);
        if (shapes == NULL) {
            return TCL_ERROR;
        }
        appendChain(&master->frameShapes, shapes);
    }
    rebuildFrame(master);
    return masksChanged(master);
}

static int clipOption(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc == 3) {
        Tcl_AppendResult(interp, master->clipShapes != NULL ? "1" : "0",
                         master->clipEvenOdd ? " xor" : " or", (char *)NULL);
        return TCL_OK;
    }
    if (argc == 4) {
        const char *word = argv[3];
        if (strcmp(word, "xor") == 0 || strcmp(word, "or") == 0) {
            master->clipEvenOdd = word[0] == 'x';
            return TCL_OK;
        }
        if (strcmp(word, "current") != 0) {
            Tcl_SetResult(interp, (char *)"Unknown clip option.\n", TCL_STATIC);
            return TCL_ERROR;
        }
        if (master->clipShapes == NULL) {
            return TCL_OK;
        }
    } else {
        PointList *shapes = parseRoiShapes(interp, argc - 3, argv + 3);
        if (shapes == NULL) {
            return TCL_ERROR;
        }
        appendChain(&master->clipShapes, shapes);
    }
    rebuildClip(master);
    return masksChanged(master);
}

/* Applies one directive word ("on 1-5, 9 off 3") to the flags; an error
 * message, or NULL. Tokens are read in place, so a word of any length
 * is handled. */
static const char *applyDirective(unsigned char flags[256], const char *word)
{
    int state = -1;
    const char *p = word;
    for (;;) {
        while (*p == ',' || isspace((unsigned char)*p)) {
            p++;
        }
        if (*p == '\0') {
            break;
        }
        const char *end = p;
        while (*end != '\0' && *end != ',' && !isspace((unsigned char)*end)) {
            end++;
        }
        size_t length = (size_t)(end - p);
        if ((length == 2 && strncmp(p, "on", 2) == 0) || (length == 3 && strncmp(p, "off", 3) == 0)) {
            state = length == 2;
        } else if (state < 0) {
            return "invalid mask directive.\n";
        } else {
            char *stop;
            long lo = strtol(p, &stop, 10), hi = lo;
            if (stop == p || !isdigit((unsigned char)p[0])) {
                return "Syntax error.\n";
            }
            if (stop < end && *stop == '-') {
                const char *q = stop + 1;
                hi = strtol(q, &stop, 10);
                if (stop == q || !isdigit((unsigned char)q[0])) {
                    return "Syntax error.\n";
                }
            }
            if (stop != end || lo < 0 || hi > 255 || lo > hi) {
                return "Syntax error.\n";
            }
            for (long i = lo; i <= hi; i++) {
                flags[i] = (unsigned char)state;
            }
        }
        p = end;
    }
    if (state < 0) {
        return "invalid mask directive.\n";
    }
    return NULL;
}

/* Runs of set flags: "a-b " for two or more, "a " alone. */
static void appendRuns(Tcl_Interp *interp, const unsigned char flags[256])
{
    Tcl_DString out;
    Tcl_DStringInit(&out);
    char buffer[32];
    for (int i = 0; i < 256; i++) {
        if (!flags[i]) {
            continue;
        }
        int j = i;
        while (j + 1 < 256 && flags[j + 1]) {
            j++;
        }
        if (j > i) {
            snprintf(buffer, sizeof(buffer), "%d-%d ", i, j);
        } else {
            snprintf(buffer, sizeof(buffer), "%d ", i);
        }
        Tcl_DStringAppend(&out, buffer, -1);
        i = j;
    }
    Tcl_DStringResult(interp, &out);
}

static int dataOption(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc == 3 || (argc == 4 && strcmp(argv[3], "values") == 0)) {
        appendRuns(interp, master->dataMask);
        return TCL_OK;
    }
    for (int i = 3; i < argc; i++) {
        const char *message = applyDirective(master->dataMask, argv[i]);
        if (message != NULL) {
            Tcl_SetResult(interp, (char *)message, TCL_STATIC);
            return TCL_ERROR;
        }
    }
    tulxDataMask(master, master->dataMask);
    return masksChanged(master);
}

static int classOption(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc < 4 || argc > 5) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("%s %s %s classDef|? [xor|or|set]", argv[0],
                                               argv[1], argv[2]));
        return TCL_ERROR;
    }
    if (strcmp(argv[3], "?") == 0) {
        Tcl_Obj *list = Tcl_NewListObj(0, NULL);
        for (int i = 0; i < 256; i++) {
            if (master->classMask[i]) {
                Tcl_ListObjAppendElement(NULL, list, Tcl_NewIntObj(i));
            }
        }
        Tcl_SetObjResult(interp, list);
        return TCL_OK;
    }
    int mode = 0;
    if (argc == 5) {
        if (strcasecmp(argv[4], "set") == 0) {
            mode = 0;
        } else if (strcasecmp(argv[4], "or") == 0) {
            mode = 1;
        } else if (strcasecmp(argv[4], "xor") == 0) {
            mode = 2;
        } else {
            Tcl_SetResult(interp, (char *)"Invalid mask class specification.\n", TCL_STATIC);
            return TCL_ERROR;
        }
    }
    int changed = parseIndexRanges(master->classMask, mode, argv[3]);
    if (changed < 0) {
        Tcl_SetResult(interp, (char *)"Error in parsing mask class.", TCL_STATIC);
        return TCL_ERROR;
    }
    if (changed > 0) {
        tulxMaskFileClasses(master);
        if (masksChanged(master) != TCL_OK) {
            return TCL_ERROR;
        }
        if (master->ramImage != NULL && !master->masksPresent) {
            Tcl_ResetResult(interp);
            return TCL_ERROR;
        }
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

static int onOption(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    int op;
    if (argc > 3) {
        if (Tcl_GetInt(interp, argv[3], &op) != TCL_OK) {
            return TCL_ERROR;
        }
    } else {
        op = master->maskOnApplied < 0 ? -master->maskOnApplied : master->maskon;
    }
    if (op < 1 || op > 4) {
        Tcl_SetResult(interp, (char *)"Invalid mask operation flag.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    master->maskon = op;
    if (master->maskOnApplied == -op) {
        master->maskOnApplied = op;
        master->maskView.valid = 0;
        master->viewReady = 0;
        tulxChanged(master);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    master->maskOnApplied = op;
    return masksChanged(master);
}

/*
 * tulxMaskCmd --
 *	mask option ?args?: see the file comment.
 */
int tulxMaskCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc < 3) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " mask ?options?\n", (char *)NULL);
        return TCL_OK;
    }
    const char *option = argv[2];
    if (strcmp(option, "clear") == 0) {
        return clearOrDelete(master, argc, argv, 0);
    }
    if (strcmp(option, "delete") == 0) {
        return clearOrDelete(master, argc, argv, 1);
    }
    if (strcmp(option, "frame") == 0) {
        return frameOption(master, argc, argv);
    }
    if (strcmp(option, "clip") == 0) {
        return clipOption(master, argc, argv);
    }
    if (strcmp(option, "data") == 0) {
        return dataOption(master, argc, argv);
    }
    if (strcmp(option, "class") == 0) {
        return classOption(master, argc, argv);
    }
    if (strcmp(option, "on") == 0) {
        return onOption(master, argc, argv);
    }
    if (strcmp(option, "off") == 0) {
        if (master->maskOnApplied > 0) {
            master->maskOnApplied = -master->maskOnApplied;
        }
        master->maskon = 0;
        master->maskView.valid = 0;
        master->viewReady = 0;
        tulxChanged(master);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    Tcl_SetResult(interp, (char *)"Unknown mask option.\n", TCL_STATIC);
    return TCL_ERROR;
}
