/*
 * tulx_image_cmd.cpp --
 *
 *	The per-image command of a "tulx" image: subcommand matching by
 *	first letter and prefix, the direct subcommands (cget, configure,
 *	class, close, names, update) and the view subcommands (magnify,
 *	rotate, makepixmap, resident). Subcommands whose procedures are not
 *	part of this build answer "NAME: not available in this build".
 */
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

#include "core/inits.h"
#include "core/package.h"
#include "display/tulx/tulx.h"
#include "display/tulx/tulx_subcommands.h"
#include "ramimage/ramimg.h"

typedef int (SubcommandProc)(TulxMaster *master, int argc, const char **argv);

typedef struct Subcommand {
    const char *name;
    int shortest;               /* 0: whole word only */
    SubcommandProc *proc;       /* NULL: not available in this build */
} Subcommand;

typedef struct SubcommandGroup {
    char letter;
    int minimum;
    const Subcommand *entries;
} SubcommandGroup;

static int magnifyCmd(TulxMaster *master, int argc, const char **argv);
static int rotateCmd(TulxMaster *master, int argc, const char **argv);
static int makePixmapCmd(TulxMaster *master, int argc, const char **argv);
static int residentCmd(TulxMaster *master, int argc, const char **argv);
static int updateCmd(TulxMaster *master, int argc, const char **argv);

/* Markers of the direct subcommands. */
static int directCmd(TulxMaster *master, int argc, const char **argv)
{
    return TCL_OK;
}

static const Subcommand groupC[] = {
    {"cget", 4, directCmd}, {"configure", 4, directCmd}, {"canv2file", 6, tulxCanv2FileCmd},
    {"canv2img", 6, tulxCanv2ImgCmd}, {"canv2map", 4, tulxCanv2MapCmd}, {"copy", 4, tulxCopyCmd}, {"crop", 4, tulxCropCmd},
    {"capture", 4, tulxCaptureCmd}, {"class", 0, directCmd}, {"close", 0, directCmd}, {NULL, 0, NULL}};
static const Subcommand groupB[] = {
    {"bitmap2map", 7, tulxBitmap2MapCmd}, {"bitmap2file", 8, tulxBitmap2FileCmd}, {NULL, 0, NULL}};
static const Subcommand groupD[] = {{"dump", 3, tulxDumpCmd}, {NULL, 0, NULL}};
static const Subcommand groupE[] = {{"enhance", 3, tulxEnhanceCmd}, {NULL, 0, NULL}};
static const Subcommand groupF[] = {
    {"filexy", 5, tulxBitmap2FileCmd}, {"file2canv", 5, tulxFile2CanvCmd}, {"file2screen", 6, tulxFile2CanvCmd}, {NULL, 0, NULL}};
static const Subcommand groupG[] = {
    {"getIndices", 4, tulxGetIndicesCmd}, {"getLookup", 4, tulxGetLookupCmd}, {"graph", 4, tulxGraphCmd}, {NULL, 0, NULL}};
static const Subcommand groupH[] = {{"hist", 4, tulxHistCmd}, {NULL, 0, NULL}};
static const Subcommand groupI[] = {
    {"imgxy", 4, tulxCanv2ImgCmd}, {"img2canv", 4, tulxImg2CanvCmd}, {"img2map", 5, tulxImg2MapCmd}, {NULL, 0, NULL}};
static const Subcommand groupL[] = {{"lineh", 5, tulxLineCmd}, {"linev", 5, tulxLineCmd}, {NULL, 0, NULL}};
static const Subcommand groupM[] = {
    {"magnify", 4, magnifyCmd}, {"mapxy", 4, tulxBitmap2MapCmd}, {"map2canv", 4, tulxMap2CanvCmd},
    {"map2screen", 5, tulxMap2CanvCmd}, {"mask", 0, tulxMaskCmd}, {"makepixmap", 0, makePixmapCmd},
    {"mean", 0, tulxStatsCmd}, {"min", 0, tulxStatsCmd}, {"max", 0, tulxStatsCmd}, {NULL, 0, NULL}};
static const Subcommand groupN[] = {{"names", 3, directCmd}, {NULL, 0, NULL}};
static const Subcommand groupS[] = {
    {"stats", 3, tulxStatsCmd}, {"std", 3, tulxStatsCmd}, {"scrxy", 3, tulxImg2CanvCmd}, {"seek", 3, tulxSeekCmd},
    {"setIndices", 3, tulxSetIndicesCmd}, {"setPixel", 4, tulxSetPixelCmd}, {"setLookup", 4, tulxSetLookupCmd},
    {"setRange", 4, tulxSetRangeCmd}, {"section", 3, tulxSectionCmd}, {NULL, 0, NULL}};
static const Subcommand groupP[] = {{"pixel", 4, tulxPixelCmd}, {"profile", 4, tulxProfileCmd}, {NULL, 0, NULL}};
static const Subcommand groupR[] = {
    {"rotate", 2, rotateCmd}, {"resident", 2, residentCmd}, {NULL, 0, NULL}};
static const Subcommand groupU[] = {{"update", 2, updateCmd}, {NULL, 0, NULL}};
static const Subcommand groupA[] = {{"animate", 2, tulxAnimateCmd}, {NULL, 0, NULL}};

static const SubcommandGroup groups[] = {
    {'c', 4, groupC}, {'b', 7, groupB}, {'d', 3, groupD}, {'e', 3, groupE}, {'f', 5, groupF},
    {'g', 4, groupG}, {'h', 4, groupH}, {'i', 4, groupI}, {'l', 5, groupL}, {'m', 0, groupM},
    {'n', 3, groupN}, {'s', 3, groupS}, {'p', 4, groupP}, {'r', 2, groupR}, {'u', 2, groupU},
    {'a', 2, groupA}, {0, 0, NULL}};

static const char badOptionTail[] =
    "\": must be animate bitmap2file bitmap2map canv2file canv2img canv2map capture config, "
    "cget, close class copy, dump, enhance, filexy, getIndices, getLookup, graph, hist, imgxy, "
    "img2map, lineh, linev, magnify, mapxy, mask, names, max, mean, min, pixel, profile, "
    "resident, rotate, section, scrxy, seek, setIndices, setLookup setPixel, setRange, stats, "
    "std, update";

/* The entry the word selects, or NULL. */
static const Subcommand *matchSubcommand(const char *word)
{
    size_t length = strlen(word);
    for (const SubcommandGroup *group = groups; group->letter != 0; group++) {
        if (word[0] != group->letter) {
            continue;
        }
        if ((int)length < group->minimum) {
            return NULL;
        }
        for (const Subcommand *entry = group->entries; entry->name != NULL; entry++) {
            if (entry->shortest == 0) {
                if (strcmp(word, entry->name) == 0) {
                    return entry;
                }
            } else if ((int)length >= entry->shortest && length <= strlen(entry->name)
                       && strncmp(word, entry->name, length) == 0) {
                return entry;
            }
        }
        return NULL;
    }
    return NULL;
}

int tulxImageCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    TulxMaster *master = (TulxMaster *)clientData;
    if (argc < 2) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " option ?arg arg ...?", (char *)NULL);
        return TCL_ERROR;
    }
    const char *word = argv[1];
    const Subcommand *entry = matchSubcommand(word);
    if (entry == NULL) {
        Tcl_AppendResult(interp, "bad option \"", word, badOptionTail, (char *)NULL);
        return TCL_ERROR;
    }
    const char *name = entry->name;
    if (entry->proc == NULL) {
        Tcl_AppendResult(interp, name, ": not available in this build", (char *)NULL);
        return TCL_ERROR;
    }
    if (entry->proc != directCmd) {
        Tcl_Preserve(master);
        int code = entry->proc(master, argc, argv);
        Tcl_Release(master);
        return code;
    }
    if (strcmp(name, "cget") == 0) {
        if (argc != 3) {
            Tcl_AppendResult(interp, "Usage: ", argv[0], " cget option", (char *)NULL);
            return TCL_ERROR;
        }
        return Tk_ConfigureValue(interp, master->tkwin, tulxConfigSpecs, (char *)master, argv[2],
                                 0);
    }
    if (strcmp(name, "configure") == 0) {
        if (argc == 2) {
            return Tk_ConfigureInfo(interp, master->tkwin, tulxConfigSpecs, (char *)master, NULL,
                                    0);
        }
        if (argc == 3) {
            return Tk_ConfigureInfo(interp, master->tkwin, tulxConfigSpecs, (char *)master,
                                    argv[2], 0);
        }
        Tcl_Preserve(master);
        int code = tulxConfigure(master, argc - 2, argv + 2, TK_CONFIG_ARGV_ONLY);
        Tcl_Release(master);
        return code;
    }
    if (strcmp(name, "class") == 0) {
        Tcl_SetResult(interp, (char *)"TULX", TCL_STATIC);
        return TCL_OK;
    }
    if (strcmp(name, "close") == 0) {
        const char *cmdName = master->imageCmd != NULL
            ? Tcl_GetCommandName(interp, master->imageCmd) : master->name;
        Tcl_Obj *script = Tcl_ObjPrintf("image delete {%s}", cmdName);
        Tcl_IncrRefCount(script);
        Tcl_EvalObjEx(interp, script, TCL_EVAL_GLOBAL);
        Tcl_DecrRefCount(script);
        return TCL_OK;
    }
    /* names */
    if (argc != 2) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " names", (char *)NULL);
        return TCL_ERROR;
    }
    return tulxListNames(interp);
}

static int updateCmd(TulxMaster *master, int argc, const char **argv)
{
    tulxUpdateCmd(master);
    return TCL_OK;
}

/*
 * magnifyCmd --
 *	mx my ?update? ?flip?: zoom from screen pixels per map unit. Nothing
 *	is marked changed when nothing changed.
 */
static int magnifyCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc < 4 || argc > 6) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " magnify mx my ?update? ?flip?",
                         (char *)NULL);
        return TCL_ERROR;
    }
    double mx, my;
    if (Tcl_GetDouble(interp, argv[2], &mx) != TCL_OK
            || Tcl_GetDouble(interp, argv[3], &my) != TCL_OK) {
        return TCL_ERROR;
    }
    if (mx == 0 || my == 0) {
        Tcl_SetResult(interp, (char *)"mx or my must not be zero.", TCL_STATIC);
        return TCL_ERROR;
    }
    int update = master->update, flip = 0;
    if (argc > 4 && Tcl_GetInt(interp, argv[4], &update) != TCL_OK) {
        return TCL_ERROR;
    }
    if (argc > 5 && Tcl_GetInt(interp, argv[5], &flip) != TCL_OK) {
        return TCL_ERROR;
    }
    int flipChanged = 0;
    if (flip) {
        int xflip = mx < 0 ? 1 : 0;
        int yflip = my >= 0 ? 1 : 0;
        flipChanged = xflip != master->xflip || yflip != master->yflip;
        master->xflip = xflip;
        master->yflip = yflip;
    }
    double zx = fabs(mx) * master->head.dx, zy = fabs(my) * master->head.dy;
    if (zx != master->mx || zy != master->my || flipChanged) {
        if (tulxConfigMagnification(master, zx, zy) != 0) {
            Tcl_SetResult(interp, (char *)"Error in tulx magnify ...\n", TCL_STATIC);
            return TCL_ERROR;
        }
        if (update == 0) {
            tulxChanged(master);
        } else {
            tulxUpdateCmd(master);
        }
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* New (X, Y, R) after a right or left quarter turn, indexed by X, Y, R+1. */
static const signed char rightTurn[2][2][3][3] = {
    {{{0, 0, 0}, {0, 0, 1}, {1, 1, 0}}, {{0, 1, 0}, {0, 1, 1}, {1, 0, 0}}},
    {{{1, 0, 0}, {1, 0, 1}, {0, 1, 0}}, {{1, 1, 0}, {0, 0, -1}, {0, 0, 0}}}};
static const signed char leftTurn[2][2][3][3] = {
    {{{1, 1, 0}, {0, 0, -1}, {0, 0, 0}}, {{1, 0, 0}, {1, 0, 1}, {0, 1, 0}}},
    {{{0, 1, 0}, {1, 0, -1}, {1, 0, 0}}, {{0, 0, 0}, {0, 0, 1}, {0, 0, 0}}}};

static int rotateCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc > 3) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1], " option", (char *)NULL);
        return TCL_ERROR;
    }
    const char *op = argc == 3 ? argv[2] : "right";
    int X = master->xflip ? 1 : 0, Y = master->yflip ? 1 : 0;
    int R = master->rotate < 0 ? -1 : (master->rotate > 0 ? 1 : 0);
    if (strcasecmp(op, "right") == 0 || strcasecmp(op, "left") == 0) {
        const signed char *next = strcasecmp(op, "right") == 0 ? rightTurn[X][Y][R + 1]
                                                               : leftTurn[X][Y][R + 1];
        X = next[0];
        Y = next[1];
        R = next[2];
    } else if (strcasecmp(op, "xflip") == 0) {
        if (R == 0) {
            X = !X;
        } else {
            Y = !Y;
        }
    } else if (strcasecmp(op, "yflip") == 0) {
        if (R == 0) {
            Y = !Y;
        } else {
            X = !X;
        }
    } else {
        Tcl_AppendResult(interp, "Unknown option: ", op, (char *)NULL);
        return TCL_ERROR;
    }
    master->xflip = X;
    master->yflip = Y;
    master->rotate = R;
    return tulxConfigView(master);
}

static int makePixmapCmd(TulxMaster *master, int argc, const char **argv)
{
    if (master->ramImage != NULL && !master->viewReady) {
        makePixmap(master, NULL, master->ramImage, &master->imageView, &master->stippleView,
                   &master->maskView, &master->colMap, &master->rowMap, NULL);
    }
    Tcl_ResetResult(master->interp);
    return TCL_OK;
}

static int residentCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (master->ramImage == NULL) {
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    int n = 1;
    if (argc > 2 && Tcl_GetInt(interp, argv[2], &n) != TCL_OK) {
        return TCL_ERROR;
    }
    int r = setRAMImageResident(master->ramImage, n);
    Tcl_SetObjResult(interp, Tcl_ObjPrintf("%d", r));
    return r == 0 ? TCL_ERROR : TCL_OK;
}
