/*
 * tulx_notify.cpp --
 *
 *	Keeping a "tulx" image current: its size and changed parts reported
 *	to Tk, and the callbacks through which writers of the shown image,
 *	of the mask file and of the exported mask tell it of changes.
 */
#include <string.h>

#include "display/tulx/tulx.h"
#include "ramimage/ramimg.h"

/* The size Tk keeps for the image. */
static void reportedSize(TulxMaster *master, int *width, int *height)
{
    int w = master->width > 0 ? master->width : 0;
    int h = master->height > 0 ? master->height : 0;
    if (master->tile) {
        *width = master->tw;
        *height = master->th;
    } else if (master->srcImageName[0] != '\0' || !master->rotate) {
        *width = w;
        *height = h;
    } else {
        *width = h;
        *height = w;
    }
}

int tulxChanged(TulxMaster *master)
{
    if (master->tkMaster == NULL) {
        return 0;
    }
    int w, h;
    reportedSize(master, &w, &h);
    Tk_ImageChanged(master->tkMaster, 0, 0, w, h, w, h);
    return 1;
}

int tulxUpdateCmd(TulxMaster *master)
{
    tulxChanged(master);
    master->viewReady = 0;
    return 1;
}

int tulxRedisplay(TulxMaster *master)
{
    if (master->tkMaster == NULL) {
        return 0;
    }
    tulxChanged(master);
    RAMIMG *image = master->ramImage;
    if (image == NULL) {
        return 0;
    }
    if (master->funcApplied != TULX_FUNC_NONE) {
        bool stale = image->stats == NULL;
        if (!stale && master->layerApplied <= 0) {
            for (int c = 0; c < master->nChannels && !stale; c++) {
                int band = master->channelBand[c];
                if (band >= 0 && band < image->head.nbands) {
                    stale = !image->stats[band].valid;
                }
            }
        } else if (!stale) {
            int band = master->layerApplied - 1;
            stale = band < image->head.nbands && !image->stats[band].valid;
        }
        if (stale) {
            tulxUpdateLut(master, master->funcApplied, (float)master->stdK);
        }
    }
    if (image->head.transparent < 0) {
        master->viewReady = 0;
        return 0;
    }
    tulxDataMask(master, master->dataMask);
    master->masksPresent = tulxUpdateMasks(master);
    master->viewReady = 0;
    return 0;
}

/*
 * tulxMapCover --
 *	The view positions [*v0, *v1) whose image position lies in [p0, p1).
 *	Maps are monotonic in either direction, so the covered positions
 *	form one run.
 */
void tulxMapCover(const ZoomMap *map, int p0, int p1, int *v0, int *v1)
{
    int first = -1, last = -1;
    for (int i = 0; i < map->n; i++) {
        int p = map->index[i];
        if (p >= p0 && p < p1) {
            if (first < 0) {
                first = i;
            }
            last = i;
        }
    }
    if (first < 0) {
        *v0 = *v1 = 0;
    } else {
        *v0 = first;
        *v1 = last + 1;
    }
}

/*
 * tulxViewArea --
 *	The view rows and columns (rows r0..r1-1, columns c0..c1-1) that show
 *	the image rectangle, and the area they cover in the displayed,
 *	possibly turned view. 0 when the rectangle is not shown.
 */
int tulxViewArea(const ZoomMap *colMap, const ZoomMap *rowMap, int rotate, int x, int y,
                 int width, int height, int cover[4], int area[4])
{
    int c0, c1, r0, r1;
    tulxMapCover(colMap, x, x + width, &c0, &c1);
    tulxMapCover(rowMap, y, y + height, &r0, &r1);
    if (c1 <= c0 || r1 <= r0) {
        return 0;
    }
    cover[0] = c0;
    cover[1] = r0;
    cover[2] = c1 - c0;
    cover[3] = r1 - r0;
    int W = colMap->n, H = rowMap->n;
    if (rotate > 0) {
        /* Clockwise: view row r shows at x = H - 1 - r, column c at y = c. */
        area[0] = H - r1;
        area[1] = c0;
        area[2] = r1 - r0;
        area[3] = c1 - c0;
    } else if (rotate < 0) {
        /* Counter-clockwise: row r at x = r, column c at y = W - 1 - c. */
        area[0] = r0;
        area[1] = W - c1;
        area[2] = r1 - r0;
        area[3] = c1 - c0;
    } else {
        area[0] = c0;
        area[1] = r0;
        area[2] = c1 - c0;
        area[3] = r1 - r0;
    }
    return 1;
}

/*
 * tulxRectChanged --
 *	Re-renders the view rows that show the changed image rectangle and
 *	asks Tk to redraw their area, turned like the view.
 */
int tulxRectChanged(TulxMaster *master, int x, int y, int width, int height)
{
    if (master->tkMaster == NULL || master->ramImage == NULL || master->colMap.n < 1
            || master->rowMap.n < 1) {
        return master->viewReady;
    }
    int cover[4], area[4];
    if (!tulxViewArea(&master->colMap, &master->rowMap, master->rotate, x, y, width, height,
                      cover, area)) {
        return master->viewReady;
    }
    if (master->viewReady) {
        XRectangle rect;
        rect.x = (short)cover[0];
        rect.y = (short)cover[1];
        rect.width = (unsigned short)cover[2];
        rect.height = (unsigned short)cover[3];
        makePixmap(master, NULL, master->ramImage, &master->imageView, &master->stippleView,
                   &master->maskView, &master->colMap, &master->rowMap, &rect);
    }
    int w, h;
    reportedSize(master, &w, &h);
    if (master->tile) {
        /* Tiled cells repeat the view: redraw them all. */
        area[0] = area[1] = 0;
        area[2] = w;
        area[3] = h;
    }
    Tk_ImageChanged(master->tkMaster, area[0], area[1], area[2], area[3], w, h);
    return master->viewReady;
}

int tulxViewRegion(TulxMaster *master)
{
    if (master->viewRegion != NULL) {
        XDestroyRegion(master->viewRegion);
    }
    master->viewRegion = XCreateRegion();
    XRectangle rect;
    rect.x = 0;
    rect.y = 0;
    int w = master->imageView.width, h = master->imageView.height;
    rect.width = (unsigned short)(w < 0 ? 0 : (w > TULX_REGION_LIMIT ? TULX_REGION_LIMIT : w));
    rect.height = (unsigned short)(h < 0 ? 0 : (h > TULX_REGION_LIMIT ? TULX_REGION_LIMIT : h));
    XUnionRectWithRegion(&rect, master->viewRegion, master->viewRegion);
    return 1;
}

int tulxMaskImageChanged(TulxMaster *master)
{
    if (master->ramImage != NULL && master->maskFileImage != NULL) {
        tulxMaskFileClasses(master);
        master->masksPresent = tulxUpdateMasks(master);
    }
    return master->masksPresent == 0;
}

int tulxReloadHeader(TulxMaster *master)
{
    if (master->tkMaster == NULL) {
        return 0;
    }
    RAMIMG *image = master->ramImage;
    if (image != NULL && image->head.imgid > 0) {
        int msbf = master->head.msbf;
        memcpy(&master->head, &image->head, sizeof(ImageHead));
        master->head.msbf = msbf;
        master->transparentApplied = image->head.transparent;
        tulxClearMask(master, TULX_MASK_DATA, 1);
        if (master->palette.levels < 0) {
            bool colourPalette = false;
            for (int i = 0; i < image->head.nindices && i < 256; i++) {
                const unsigned char *e = image->head.palette[i];
                if (e[0] != e[1] || e[1] != e[2]) {
                    colourPalette = true;
                    break;
                }
            }
            if (colourPalette) {
                master->comb.count = 3;
                master->comb.band[0] = 1;
                master->comb.band[1] = 2;
                master->comb.band[2] = 3;
                master->paletteFlags = 14;
                master->palette.levels = 0;
                master->palette.red = 8;
                master->palette.green = 8;
                master->palette.blue = 4;
            } else if (image->head.nindices <= 0 && image->head.nbands == 1) {
                master->comb.count = 1;
                master->comb.band[0] = 1;
                master->paletteFlags = 1;
                master->palette.levels = 28;
                master->palette.red = master->palette.green = master->palette.blue = 0;
            }
        }
    }
    if (master->head.nindices > 0) {
        tulxFreeColors(master);
    }
    return tulxConfigView(master);
}

void tulxReloadHeaderCb(void *clientData)
{
    tulxReloadHeader((TulxMaster *)clientData);
}

void tulxRedisplayCb(void *clientData)
{
    tulxRedisplay((TulxMaster *)clientData);
}

void tulxRectChangedCb(void *clientData, int x, int y, int width, int height)
{
    tulxRectChanged((TulxMaster *)clientData, x, y, width, height);
}

void tulxMaskImageChangedCb(void *clientData)
{
    tulxMaskImageChanged((TulxMaster *)clientData);
}
