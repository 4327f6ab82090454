/*
 * tulx_coords.cpp --
 *
 *	Conversions between the four coordinate systems of a "tulx" image:
 *	view (what widgets show: zoomed, flipped, turned), image (column and
 *	row of the shown RAM image), file (image plus the head's left and
 *	top) and map (the head's georeference), and the subcommands that
 *	offer them to scripts. Coordinates are read by their leading numeric
 *	part and never refused.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/rounding.h"
#include "display/tulx/tulx_subcommands.h"

void tulxImageToView(const TulxMaster *master, double col, double row, double *vx, double *vy)
{
    double u = zoomImageToScreen(&master->colMap, col);
    double v = zoomImageToScreen(&master->rowMap, row);
    double W = master->imageView.width, H = master->imageView.height;
    if (master->rotate < 0) {
        *vx = v;
        *vy = H - u - 1;
    } else if (master->rotate > 0) {
        *vx = W - v - 1;
        *vy = u;
    } else {
        *vx = u;
        *vy = v;
    }
}

/* Undoes the quarter turn of a view position. */
static void unrotate(const TulxMaster *master, double vx, double vy, double *u, double *v)
{
    double W = master->imageView.width, H = master->imageView.height;
    if (master->rotate < 0) {
        *u = H - vy - 1;
        *v = vx;
    } else if (master->rotate > 0) {
        *u = vy;
        *v = W - vx - 1;
    } else {
        *u = vx;
        *v = vy;
    }
}

void tulxViewToImage(const TulxMaster *master, double vx, double vy, double *col, double *row)
{
    double u, v;
    unrotate(master, vx, vy, &u, &v);
    *col = zoomScreenToImage(&master->colMap, u);
    *row = zoomScreenToImage(&master->rowMap, v);
}

void tulxParseViewXY(const TulxMaster *master, const char *x, const char *y, int *u, int *v)
{
    int ix = roundToInt(strtod(x, NULL)), iy = roundToInt(strtod(y, NULL));
    int W = master->imageView.width, H = master->imageView.height;
    if (master->rotate < 0) {
        *u = H - iy - 1;
        *v = ix;
    } else if (master->rotate > 0) {
        *u = iy;
        *v = W - ix - 1;
    } else {
        *u = ix;
        *v = iy;
    }
}

/* The image position a view pixel shows: the map entries inside the view,
 * the inverse zoom outside it. */
static void viewPixelToImage(const TulxMaster *master, const char *x, const char *y,
                             double *col, double *row)
{
    int u, v;
    tulxParseViewXY(master, x, y, &u, &v);
    if (u >= 0 && u < master->colMap.n && v >= 0 && v < master->rowMap.n) {
        *col = master->colMap.index[u];
        *row = master->rowMap.index[v];
    } else {
        *col = zoomScreenToImage(&master->colMap, u);
        *row = zoomScreenToImage(&master->rowMap, v);
    }
}

static void imageToMap(const TulxMaster *master, double col, double row, double *mx, double *my)
{
    *mx = master->head.x0 + col * master->head.dx;
    *my = master->head.y0 - row * master->head.dy;
}

typedef enum {
    CANV_TO_IMG, CANV_TO_FILE, CANV_TO_MAP, FILE_TO_CANV, IMG_TO_CANV, IMG_TO_MAP, MAP_TO_CANV
} PairConversion;

/* The subcommands that convert any number of x y pairs. */
static int convertPairs(TulxMaster *master, int argc, const char **argv, PairConversion kind)
{
    Tcl_Interp *interp = master->interp;
    if ((argc - 2) % 2 != 0) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1], " x y ...", (char *)NULL);
        return TCL_ERROR;
    }
    Tcl_DString out;
    Tcl_DStringInit(&out);
    char buffer[TCL_DOUBLE_SPACE * 2 + 8];
    for (int i = 2; i + 1 < argc; i += 2) {
        double x = strtod(argv[i], NULL), y = strtod(argv[i + 1], NULL), a = 0, b = 0;
        const char *format = "%-.3f %-.3f ";
        switch (kind) {
        case CANV_TO_IMG:
            tulxViewToImage(master, x, y, &a, &b);
            break;
        case CANV_TO_FILE:
            tulxViewToImage(master, x, y, &a, &b);
            a += master->head.left;
            b += master->head.top;
            break;
        case CANV_TO_MAP:
            tulxViewToImage(master, x, y, &a, &b);
            imageToMap(master, a, b, &a, &b);
            break;
        case FILE_TO_CANV:
            tulxImageToView(master, x - master->head.left, y - master->head.top, &a, &b);
            break;
        case IMG_TO_CANV:
            tulxImageToView(master, x, y, &a, &b);
            break;
        case IMG_TO_MAP:
            imageToMap(master, x, y, &a, &b);
            format = "%g %g ";
            break;
        case MAP_TO_CANV:
            /* A zero pixel size divides to infinity; the answer is then
             * whatever the view makes of it. */
            tulxImageToView(master, (x - master->head.x0) / master->head.dx,
                            (master->head.y0 - y) / master->head.dy, &a, &b);
            format = "%g %g ";
            break;
        }
        snprintf(buffer, sizeof(buffer), format, a, b);
        Tcl_DStringAppend(&out, buffer, -1);
    }
    Tcl_DStringResult(interp, &out);
    return TCL_OK;
}

int tulxCanv2ImgCmd(TulxMaster *m, int argc, const char **argv)
{
    return convertPairs(m, argc, argv, CANV_TO_IMG);
}
int tulxCanv2FileCmd(TulxMaster *m, int argc, const char **argv)
{
    return convertPairs(m, argc, argv, CANV_TO_FILE);
}
int tulxCanv2MapCmd(TulxMaster *m, int argc, const char **argv)
{
    return convertPairs(m, argc, argv, CANV_TO_MAP);
}
int tulxFile2CanvCmd(TulxMaster *m, int argc, const char **argv)
{
    return convertPairs(m, argc, argv, FILE_TO_CANV);
}
int tulxImg2CanvCmd(TulxMaster *m, int argc, const char **argv)
{
    return convertPairs(m, argc, argv, IMG_TO_CANV);
}
int tulxImg2MapCmd(TulxMaster *m, int argc, const char **argv)
{
    return convertPairs(m, argc, argv, IMG_TO_MAP);
}
int tulxMap2CanvCmd(TulxMaster *m, int argc, const char **argv)
{
    return convertPairs(m, argc, argv, MAP_TO_CANV);
}

/* bitmap2file: the file column and row of exactly the view pixel given. */
int tulxBitmap2FileCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc != 4) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1], " column row", (char *)NULL);
        return TCL_ERROR;
    }
    double col, row;
    viewPixelToImage(master, argv[2], argv[3], &col, &row);
    Tcl_SetObjResult(interp, Tcl_ObjPrintf("%d %d", roundToInt(col) + master->head.left,
                                           roundToInt(row) + master->head.top));
    return TCL_OK;
}

/* bitmap2map: the map position of the view pixel given. */
int tulxBitmap2MapCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc != 4) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1], " column row", (char *)NULL);
        return TCL_ERROR;
    }
    double col, row, x, y;
    viewPixelToImage(master, argv[2], argv[3], &col, &row);
    imageToMap(master, col, row, &x, &y);
    char buffer[64];
    snprintf(buffer, sizeof(buffer), "%13.3f %13.3f", x, y);
    Tcl_SetResult(interp, buffer, TCL_VOLATILE);
    return TCL_OK;
}
