/*
 * mask_build.cpp --
 *
 *	The masks of a "tulx" image: classes of the mask file, selected data
 *	values (the transparent value always hidden) and clip shapes are
 *	combined into an image-sized bitmap that is also exported as a 1-bit
 *	RAM image named after the image; the view mask and the frame become
 *	the depth-1 pixmaps that drawing clips with.
 */
#include <stdio.h>
#include <string.h>

#include "core/gmem.h"
#include "display/tulx/tulx.h"
#include "ramimage/ramimg.h"
#include "ovex/ovexstdio.h"

/* Writes the combined mask into the rows of the exported image. */
static void writeMaskRows(TulxMaster *master)
{
    RAMIMG *image = master->maskImage;
    MaskBitmap *bitmap = &master->rowMaskBitmap;
    if (image == NULL || bitmap->bits == NULL) {
        return;
    }
    int bytes = (image->head.columns + 7) / 8;
    if (bytes > bitmap->stride) {
        bytes = bitmap->stride;
    }
    for (int y = 0; y < image->head.rows && y < bitmap->height; y++) {
        unsigned char *row = getRAMImageLine(image, y, 0, 0);
        if (row != NULL) {
            memcpy(row, bitmap->bits + (size_t)y * bitmap->stride, (size_t)bytes);
            markRowDirty(image, y, 0);
        }
    }
}

/*
 * tulxExportMask --
 *	Makes sure the exported mask image exists and starts it all shown.
 */
void tulxExportMask(TulxMaster *master)
{
    RAMIMG *shown = master->ramImage;
    if (shown == NULL) {
        return;
    }
    if (master->maskImage == NULL) {
        ImageHead head;
        memcpy(&head, &shown->head, sizeof(head));
        head.imgid = IMGID_MBSQ;
        head.pixel = PIXEL_1BIT;
        head.bits = 1;
        head.nbands = 1;
        head.msbf = msbFirst();
        head.nindices = 2;
        head.transparent = -1;
        memset(head.palette, 0, sizeof(head.palette));
        head.palette[1][0] = head.palette[1][1] = head.palette[1][2] = 255;
        head.dataFd = -1;
        head.frames = 0;
        head.encoding = 0;
        char tag[TULX_NAME_SIZE + 32];
        snprintf(tag, sizeof(tag), "%s.mask", master->name);
        for (int i = 0; getRAMImageByTag(tag) != NULL || getRAMImageByName(tag) != NULL; i++) {
            snprintf(tag, sizeof(tag), "%s.mask.%d", master->name, i);
        }
        snprintf(head.file, sizeof(head.file), "%s", tag);
        int err;
        RAMIMG *image = openRAMImage(tag, NULL, &head, NULL, &err);
        if (image == NULL) {
            ovex_fprintf(stderr, "Error in exporting mask file.\n");
            return;
        }
        addRamImageClient(&master->maskImageClient, image);
        setRAMImageBuf(image, image->head.rows);
        master->maskImage = image;
    }
    if (bitmapAlloc(&master->rowMaskBitmap, shown->head.columns, shown->head.rows, 255) == NULL) {
        return;
    }
}

int tulxMaskFileClasses(TulxMaster *master)
{
    RAMIMG *file = master->maskFileImage;
    if (file == NULL) {
        return 0;
    }
    int w = file->head.columns, h = file->head.rows;
    if (bitmapAlloc(&master->classBitmap, w, h, 0) == NULL) {
        return 0;
    }
    ZoomMap identity;
    zoomMapInit(&identity);
    if (makeZoomMap(&identity, w, 0, 0, 1.0) == NULL) {
        return 0;
    }
    unsigned char *flags = (unsigned char *)tclAlloc((size_t)w);
    if (flags != NULL) {
        int band = master->maskImgBandApplied > 0 ? master->maskImgBandApplied - 1 : 0;
        for (int y = 0; y < h; y++) {
            if (tulxRowToIndex(file, y, band, identity.index, 0, w, w, NULL, 0, 255,
                               master->classMask, flags) != NULL) {
                maskBitmapSetFromFlags(&master->classBitmap, y, flags, 0);
            }
        }
        tclFree(flags);
    }
    zoomMapFree(&identity);
    return 1;
}

int tulxDataMask(TulxMaster *master, unsigned char flags[256])
{
    RAMIMG *image = master->ramImage;
    if (image == NULL) {
        return 0;
    }
    int w = image->head.columns, h = image->head.rows;
    if (bitmapAlloc(&master->dataBitmap, w, h, 0) == NULL) {
        return 0;
    }
    int t = image->head.transparent;
    unsigned char saved = 0;
    if (t >= 0 && t < 256) {
        saved = flags[t];
        flags[t] = 0;
    }
    ZoomMap identity;
    zoomMapInit(&identity);
    unsigned char *work = (unsigned char *)tclAlloc((size_t)w * 3);
    if (makeZoomMap(&identity, w, 0, 0, 1.0) != NULL && work != NULL) {
        unsigned char *sum = work + w, *line = work + 2 * (size_t)w;
        for (int y = 0; y < h; y++) {
            if (image->head.nbands == 1) {
                if (tulxRowToIndex(image, y, 0, identity.index, 0, w, w, NULL, 0, 255, flags,
                                   work) == NULL) {
                    continue;
                }
            } else {
                int n = master->nChannels > 0 ? master->nChannels : 1;
                memset(sum, 0, (size_t)w);
                for (int c = 0; c < n; c++) {
                    int band = master->channelBand[c] >= 0 ? master->channelBand[c] : 0;
                    if (tulxRowToIndex(image, y, band, identity.index, 0, w, w, NULL,
                                       (float)master->rangeLow[c], (float)master->rangeHigh[c],
                                       master->indexLut[c], line) == NULL) {
                        break;
                    }
                    for (int i = 0; i < w; i++) {
                        sum[i] = (unsigned char)(sum[i] + line[i]);
                    }
                }
                for (int i = 0; i < w; i++) {
                    work[i] = flags[sum[i]];
                }
            }
            maskBitmapSetFromFlags(&master->dataBitmap, y, work, 0);
        }
    }
    if (work != NULL) {
        tclFree(work);
    }
    zoomMapFree(&identity);
    if (t >= 0 && t < 256) {
        flags[t] = saved;
    }
    return 1;
}

/*
 * tulxUpdateMasks --
 *	Combines class, data and clip bitmaps by the mask operation into the
 *	exported mask. 1 when a mask is in force.
 */
int tulxUpdateMasks(TulxMaster *master)
{
    int op = master->maskOnApplied == 0 ? 1
        : (master->maskOnApplied < 0 ? -master->maskOnApplied : master->maskOnApplied);
    if (master->ramImage == NULL || (master->classBitmap.bits == NULL
            && master->dataBitmap.bits == NULL && master->clipBitmap.bits == NULL)) {
        master->masksPresent = 0;
        return 0;
    }
    tulxExportMask(master);
    MaskBitmap *combined = &master->rowMaskBitmap;
    if (combined->bits == NULL) {
        master->masksPresent = 0;
        return 0;
    }
    static const int dataAnd[5] = {1, 1, 0, 1, 0};
    static const int clipAnd[5] = {1, 1, 0, 0, 1};
    if (master->classBitmap.bits != NULL) {
        maskBitmapCombine(combined, &master->classBitmap, 1);
        maskBitmapCombine(combined, &master->dataBitmap, dataAnd[op]);
        maskBitmapCombine(combined, &master->clipBitmap, clipAnd[op]);
    } else if (master->dataBitmap.bits != NULL) {
        maskBitmapCombine(combined, &master->dataBitmap, 1);
        maskBitmapCombine(combined, &master->clipBitmap, clipAnd[op]);
    } else {
        maskBitmapCombine(combined, &master->clipBitmap, 1);
    }
    writeMaskRows(master);
    master->masksPresent = 1;
    master->viewReady = 0;
    if (master->maskImage != NULL) {
        updateClient(master->maskImage, (intptr_t)master, 3);
    }
    return 1;
}

int tulxFrameToBitmap(TulxMaster *master, MaskBitmap *bitmap, int evenOdd, PointList *shapes)
{
    if (shapes == NULL) {
        return 0;
    }
    int W = master->imageView.width, H = master->imageView.height;
    PointList *copy = NULL, **tail = &copy;
    for (PointList *p = shapes; p != NULL; p = p->next) {
        PointList *q = polyNew(p->count > 0 ? p->count : 1);
        if (q == NULL) {
            break;
        }
        q->count = p->count;
        for (int i = 0; i < p->count; i++) {
            int vx = (int)zoomImageToScreen(&master->colMap, p->points[i].x);
            int vy = (int)zoomImageToScreen(&master->rowMap, p->points[i].y);
            int x = vx, y = vy;
            if (master->rotate > 0) {
                x = W - 1 - vy;
                y = vx;
            } else if (master->rotate < 0) {
                x = vy;
                y = H - 1 - vx;
            }
            q->points[i].x = pointCoord(x);
            q->points[i].y = pointCoord(y);
        }
        *tail = q;
        tail = &q->next;
    }
    bitmapAlloc(bitmap, W, H, 0);
    polyFillBitmap(copy, bitmap, evenOdd);
    polyFree(copy);
    return 1;
}

/* A view-size bitmap sampled from the image-size one through the maps. */
static MaskBitmap *zoomMask(const MaskBitmap *bitmap, const ZoomMap *colMap,
                            const ZoomMap *rowMap, int rotate)
{
    int w = rotate ? rowMap->n : colMap->n, h = rotate ? colMap->n : rowMap->n;
    MaskBitmap *out = newMaskBitmap(w, h, 0);
    unsigned char *flags = (unsigned char *)tclAlloc((size_t)colMap->n + 1);
    if (out == NULL || flags == NULL) {
        deleteMaskBitmap(out);
        if (flags != NULL) {
            tclFree(flags);
        }
        return NULL;
    }
    int first, last;
    zoomMapSpan(colMap, bitmap->width, &first, &last);
    int previous = -1;
    for (int i = 0; i < rowMap->n; i++) {
        int s = rowMap->index[i];
        if (s < 0 || s >= bitmap->height) {
            previous = -1;
            continue;
        }
        if (s != previous || rotate) {
            if (s != previous) {
                maskBitmapRowToFlags(bitmap, s, first, last, colMap, flags);
            }
            maskBitmapSetFromFlags(out, i, flags, rotate);
        } else {
            maskBitmapCopyRow(out, i - 1, i);
        }
        previous = s;
    }
    tclFree(flags);
    return out;
}

static MaskBitmap *cropMask(const MaskBitmap *bitmap, const ViewPixmap *vp)
{
    MaskBitmap *out = newMaskBitmap(vp->width, vp->height, 0);
    if (out == NULL) {
        return NULL;
    }
    unsigned char *flags = (unsigned char *)tclAlloc((size_t)vp->width + 1);
    if (flags == NULL) {
        deleteMaskBitmap(out);
        return NULL;
    }
    for (int y = 0; y < vp->height; y++) {
        maskBitmapGetBits(bitmap, vp->y + y, vp->x, vp->x + vp->width, flags);
        maskBitmapSetFromFlags(out, y, flags, 0);
    }
    tclFree(flags);
    return out;
}

static Pixmap bitmapToPixmap(TulxMaster *master, MaskBitmap *bitmap, ViewPixmap *vp)
{
    Pixmap pixmap = vpPixmap(vp);
    if (pixmap == 0 || master->monoGC == NULL || bitmap->bits == NULL) {
        return 0;
    }
    XImage *image = XCreateImage(master->display, master->visual, 1, XYBitmap, 0,
                                 (char *)bitmap->bits, (unsigned)bitmap->width,
                                 (unsigned)bitmap->height, bitmap->unit, bitmap->stride);
    if (image == NULL) {
        return 0;
    }
    image->bitmap_bit_order = bitmap->bitOrder ? MSBFirst : LSBFirst;
    image->byte_order = image->bitmap_bit_order;
    XSetForeground(master->display, master->monoGC, 1);
    XSetBackground(master->display, master->monoGC, 0);
    XPutImage(master->display, pixmap, master->monoGC, image, 0, 0, vp->x0, vp->y0,
              (unsigned)bitmap->width, (unsigned)bitmap->height);
    image->data = NULL;
    XDestroyImage(image);
    vp->valid = 1;
    return pixmap;
}

Pixmap patternMaskPixmap(GC gc, ViewPixmap *vp)
{
    Pixmap pixmap = vpPixmap(vp);
    if (pixmap == 0) {
        ovex_fprintf(stderr, "Error in patternMaskPixmap: None pixmap...\n");
        return 0;
    }
    /* The stipple plane is not drawn: the view must not copy it. */
    (void)gc;
    vp->valid = 0;
    return pixmap;
}

/*
 * tulxMakeMaskPixmap --
 *	Builds the mask view from the combined mask and the frame; 0 (and the
 *	mask view unused) when there is no mask.
 */
Pixmap tulxMakeMaskPixmap(TulxMaster *master, MaskBitmap *rowMask, MaskBitmap *frame,
                          ViewPixmap *stippleVP, ViewPixmap *maskVP, ZoomMap *colMap,
                          ZoomMap *rowMap, int rotate)
{
    if (rowMask->bits == NULL && frame->bits == NULL) {
        maskVP->valid = 0;
        return 0;
    }
    MaskBitmap *view;
    if (rowMask->bits != NULL) {
        view = zoomMask(rowMask, colMap, rowMap, rotate);
    } else {
        int w = rotate ? rowMap->n : colMap->n, h = rotate ? colMap->n : rowMap->n;
        view = newMaskBitmap(w, h, 255);
    }
    if (view == NULL) {
        maskVP->valid = 0;
        return 0;
    }
    if (frame->bits != NULL) {
        if (frame->width != view->width || frame->height != view->height) {
            MaskBitmap *cut = cropMask(frame, stippleVP);
            if (cut != NULL) {
                maskBitmapCombine(view, cut, 1);
                deleteMaskBitmap(cut);
            }
        } else {
            maskBitmapCombine(view, frame, 1);
        }
        bitmapToPixmap(master, frame, stippleVP);
    }
    Pixmap pixmap = bitmapToPixmap(master, view, maskVP);
    deleteMaskBitmap(view);
    return pixmap;
}

/*
 * tulxClearMask --
 *	Clears the named masks (and with deleteShapes their shapes); the
 *	exported mask image goes when no mask is left.
 */
int tulxClearMask(TulxMaster *master, int which, int deleteShapes)
{
    if (which & TULX_MASK_CLASS) {
        bitmapFree(&master->classBitmap);
    }
    if (which & TULX_MASK_DATA) {
        bitmapFree(&master->dataBitmap);
        if (deleteShapes) {
            memset(master->dataMask, 1, sizeof(master->dataMask));
        }
    }
    if (which & TULX_MASK_CLIP) {
        bitmapFree(&master->clipBitmap);
        if (master->clipRegion != NULL) {
            XDestroyRegion(master->clipRegion);
            master->clipRegion = NULL;
        }
        if (deleteShapes) {
            polyFree(master->clipShapes);
            master->clipShapes = NULL;
        }
    }
    if (which & TULX_MASK_FRAME) {
        bitmapFree(&master->frameBitmap);
        if (deleteShapes) {
            polyFree(master->frameShapes);
            master->frameShapes = NULL;
        }
    }
    if (master->classBitmap.bits == NULL && master->dataBitmap.bits == NULL
            && master->clipBitmap.bits == NULL) {
        bitmapFree(&master->rowMaskBitmap);
        if (master->maskImage != NULL) {
            closeRAMImage(master->maskImage, &master->maskImageClient);
            master->maskImage = NULL;
        }
        master->masksPresent = 0;
    } else {
        master->masksPresent = tulxUpdateMasks(master);
    }
    master->maskView.valid = 0;
    vpFreePixmap(&master->maskView);
    vpFreePixmap(&master->stippleView);
    master->viewReady = 0;
    return 0;
}
