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
    int c0, c1, r0, r1;
    tulxMapCover(&master->colMap, x, x + width, &c0, &c1);
    tulxMapCover(&master->rowMap, y, y + height, &r0, &r1);
    if (c1 <= c0 || r1 <= r0) {
        return master->viewReady;
    }
    if (master->viewReady) {
        XRectangle rect;
        rect.x = (short)c0;
        rect.y = (short)r0;
        rect.width = (unsigned short)(c1 - c0);
        rect.height = (unsigned short)(r1 - r0);
        makePixmap(master, NULL, master->ramImage, &master->imageView, &master->stippleView,
                   &master->maskView, &master->colMap, &master->rowMap, &rect);
    }
    int W = master->colMap.n, H = master->rowMap.n;
    int ax = c0, ay = r0, aw = c1 - c0, ah = r1 - r0;
    if (master->rotate > 0) {
        /* Clockwise: view row r shows at x = H - 1 - r, column c at y = c. */
        ax = H - r1;
        ay = c0;
        aw = r1 - r0;
        ah = c1 - c0;
    } else if (master->rotate < 0) {
        ax = r0;
        ay = W - c1;
        aw = r1 - r0;
        ah = c1 - c0;
    }
    int w, h;
    reportedSize(master, &w, &h);
    if (master->tile) {
        /* Tiled cells repeat the view: redraw them all. */
        ax = ay = 0;
        aw = w;
        ah = h;
    }
    Tk_ImageChanged(master->tkMaster, ax, ay, aw, ah, w, h);
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
