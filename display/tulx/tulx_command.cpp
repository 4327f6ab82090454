/*
 * tulx_command.cpp --
 *
 *	The tulx command: the process-wide switches of the image display
 *	(debug messages, drawing mode, 24-bit images), the list of "tulx"
 *	images, Tcl's service mode, the version, and colour cells held for
 *	scripts on colormap-indexed screens.
 */
#include <stdio.h>
#include <string.h>

#include "core/gmem.h"
#include "core/inits.h"
#include "core/package.h"
#include "core/rounding.h"
#include "display/tulx/tulx.h"

#include "ovex/draw.h"

static int intSwitch(Tcl_Interp *interp, int argc, const char **argv, int *value)
{
    if (argc > 2) {
        int n;
        if (Tcl_GetInt(interp, argv[2], &n) != TCL_OK) {
            return TCL_ERROR;
        }
        *value = n;
        return TCL_OK;
    }
    Tcl_SetObjResult(interp, Tcl_ObjPrintf("%d", *value));
    return TCL_OK;
}

/* Puts new cells in front of those held. */
static void holdCells(unsigned long *pixels, int n)
{
    unsigned long *all = (unsigned long *)gmemAlloc(sizeof(unsigned long)
                                                    * (size_t)(n + ovexState.paletteCount));
    if (all == NULL) {
        XFreeColors(ovexState.display, ovexState.colormap, pixels, n, 0);
        return;
    }
    memcpy(all, pixels, sizeof(unsigned long) * (size_t)n);
    if (ovexState.paletteColors != NULL) {
        memcpy(all + n, ovexState.paletteColors,
               sizeof(unsigned long) * (size_t)ovexState.paletteCount);
        gmemFree(ovexState.paletteColors);
    }
    ovexState.paletteColors = all;
    ovexState.paletteCount += n;
}

static int tulxPalette(Tcl_Interp *interp, int argc, const char **argv)
{
    if (ovexState.colormap == 0 || ovexState.display == NULL || ovexState.depth >= 9) {
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    if (argc < 3) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1],
                         " list|free|query|PSEUDO|BW|default", (char *)NULL);
        return TCL_OK;
    }
    const char *op = argv[2];
    Display *display = ovexState.display;
    Colormap colormap = ovexState.colormap;
    if (strcmp(op, "free") == 0) {
        if (ovexState.paletteColors != NULL) {
            int n = ovexState.paletteCount;
            tulxFreePaletteColors();
            ovex_printf("%d palettes freed.\n", n);
        }
        return TCL_OK;
    }
    if (strcmp(op, "list") == 0) {
        for (int i = 0; i < ovexState.paletteCount; i++) {
            XColor color;
            color.pixel = ovexState.paletteColors[i];
            color.red = color.green = color.blue = 65535;
            queryPaletteColor(display, colormap, &color);
            Tcl_AppendResult(interp, Tcl_GetString(Tcl_ObjPrintf("{%lu %d %d %d} ", color.pixel,
                             color.red, color.green, color.blue)), (char *)NULL);
        }
        return TCL_OK;
    }
    if (strcmp(op, "query") == 0) {
        int n = 256;
        if (argc > 3 && Tcl_GetInt(interp, argv[3], &n) != TCL_OK) {
            return TCL_ERROR;
        }
        if (n < 0 || n > 256) {
            n = 256;
        }
        XColor colors[256];
        int got = queryPaletteColors(display, colormap, colors, n);
        Tcl_Obj *result = Tcl_NewObj();
        for (int i = 0; i < got && i < n; i++) {
            Tcl_AppendPrintfToObj(result, "{%lu %d %d %d} ", colors[i].pixel, colors[i].red,
                                  colors[i].green, colors[i].blue);
        }
        Tcl_SetObjResult(interp, result);
        return TCL_OK;
    }
    unsigned char rgb[256][3];
    int n;
    if (strcmp(op, "default") == 0) {
        makeCubePalette(rgb, 0, 6, 6, 6);
        for (int i = 216; i < 256; i++) {
            int v = roundToInt((i - 216) / (255.0001 - 216) * 255);
            rgb[i][0] = rgb[i][1] = rgb[i][2] = (unsigned char)v;
        }
        n = 256;
    } else if (strcmp(op, "PSEUDO") == 0) {
        n = makeCubePalette(rgb, 0, 8, 8, 4);
    } else if (strcmp(op, "BW") == 0) {
        int levels = 256;
        if (argc > 3 && Tcl_GetInt(interp, argv[3], &levels) != TCL_OK) {
            return TCL_ERROR;
        }
        n = makeCubePalette(rgb, levels, 0, 0, 0);
    } else {
        Tcl_SetResult(interp, (char *)"Unknown palette option.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    unsigned long *pixels = n > 0 ? allocPaletteColors(display, colormap, rgb, n) : NULL;
    if (pixels == NULL) {
        ovex_printf("Fail to allocate palette.\n");
        return TCL_OK;
    }
    holdCells(pixels, n);
    tclFree(pixels);
    ovex_printf("%d palettes allocated.\n", ovexState.paletteCount);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int tulxCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 2) {
        Tcl_AppendResult(interp, "Usage: ", argv[0],
                         " debug deviceinfo mode names palette rgb24 service version",
                         (char *)NULL);
        return TCL_OK;
    }
    const char *word = argv[1];
    size_t length = strlen(word);
    static const char *const names[] = {"debug", "mode", "names", "palette", "rgb24", "service",
                                        "version", NULL};
    const char *option = NULL;
    for (int i = 0; length >= 3 && names[i] != NULL; i++) {
        if (names[i][0] == word[0] && length <= strlen(names[i])
                && strncmp(word, names[i], length) == 0) {
            option = names[i];
            break;
        }
    }
    if (option == NULL) {
        Tcl_SetResult(interp, (char *)"unknown tulx command\n", TCL_STATIC);
        return TCL_ERROR;
    }
    if (strcmp(option, "debug") == 0) {
        return intSwitch(interp, argc, argv, &ovexState.debug);
    }
    if (strcmp(option, "mode") == 0) {
        return intSwitch(interp, argc, argv, &tulxSwitches.drawMode);
    }
    if (strcmp(option, "rgb24") == 0) {
        return intSwitch(interp, argc, argv, &tulxSwitches.rgb24);
    }
    if (strcmp(option, "names") == 0) {
        return tulxListNames(interp);
    }
    if (strcmp(option, "palette") == 0) {
        return tulxPalette(interp, argc, argv);
    }
    if (strcmp(option, "version") == 0) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(ovexVersionString(), -1));
        return TCL_OK;
    }
    /* service */
    if (argc == 2) {
        Tcl_SetResult(interp, (char *)(Tcl_GetServiceMode() == TCL_SERVICE_NONE ? "none" : "all"),
                      TCL_STATIC);
        return TCL_OK;
    }
    if (argc == 3 && strcmp(argv[2], "none") == 0) {
        Tcl_SetServiceMode(TCL_SERVICE_NONE);
        return TCL_OK;
    }
    if (argc == 3 && strcmp(argv[2], "all") == 0) {
        Tcl_SetServiceMode(TCL_SERVICE_ALL);
        return TCL_OK;
    }
    Tcl_SetResult(interp, (char *)"service [none|all]", TCL_STATIC);
    return TCL_ERROR;
}

void tulxCmdDelete(ClientData clientData)
{
    tulxFreePaletteColors();
}

void tulxFreePaletteColors(void)
{
    if (ovexState.paletteColors == NULL) {
        ovexState.paletteCount = 0;
        return;
    }
    /* Without a recorded display the pixels belong to nobody we can reach. */
    if (ovexState.display != NULL && ovexState.paletteCount > 0) {
        XFreeColors(ovexState.display, ovexState.colormap, ovexState.paletteColors,
                    ovexState.paletteCount, 0);
    }
    gmemFree(ovexState.paletteColors);
    ovexState.paletteColors = NULL;
    ovexState.paletteCount = 0;
}
