/*
 * tulx_render.cpp --
 *
 *	Tk's display procedure of the "tulx" image type and the renderers
 *	behind it: the view is rendered line by line through the lookup
 *	tables into an XImage strip, turned a quarter when asked, uploaded
 *	into the cached view pixmap, and copied into every widget through
 *	the mask, once or tiled. Pixels are built from the visual's masks
 *	and the server's pixmap format, so 24-, 16- and 8-bit screens share
 *	one path.
 */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "core/gmem.h"
#include "display/tulx/tulx.h"
#include "ramimage/ramimg.h"
#include "ovex/ovexstdio.h"

TulxSwitches tulxSwitches = {0, 0};

/* How a channel value 0..255 becomes part of a true-colour pixel. */
typedef struct ChannelPack {
    int shift;                  /* of the mask's lowest bit */
    int bits;                   /* bits in the mask */
} ChannelPack;

static ChannelPack packOf(unsigned long mask)
{
    ChannelPack pack = {0, 0};
    if (mask == 0) {
        return pack;
    }
    while (!(mask & 1)) {
        mask >>= 1;
        pack.shift++;
    }
    while (mask & 1) {
        mask >>= 1;
        pack.bits++;
    }
    return pack;
}

static inline unsigned long packValue(const ChannelPack *pack, int value)
{
    unsigned long v = (unsigned long)value;
    v = pack->bits >= 8 ? v << (pack->bits - 8) : v >> (8 - pack->bits);
    return v << pack->shift;
}

static inline void storePixel(unsigned char *p, int bytes, int msbFirstOrder, unsigned long v)
{
    switch (bytes) {
    case 4:
        if (msbFirstOrder) {
            p[0] = (unsigned char)(v >> 24); p[1] = (unsigned char)(v >> 16);
            p[2] = (unsigned char)(v >> 8); p[3] = (unsigned char)v;
        } else {
            p[0] = (unsigned char)v; p[1] = (unsigned char)(v >> 8);
            p[2] = (unsigned char)(v >> 16); p[3] = (unsigned char)(v >> 24);
        }
        break;
    case 3:
        if (msbFirstOrder) {
            p[0] = (unsigned char)(v >> 16); p[1] = (unsigned char)(v >> 8); p[2] = (unsigned char)v;
        } else {
            p[0] = (unsigned char)v; p[1] = (unsigned char)(v >> 8); p[2] = (unsigned char)(v >> 16);
        }
        break;
    case 2:
        if (msbFirstOrder) {
            p[0] = (unsigned char)(v >> 8); p[1] = (unsigned char)v;
        } else {
            p[0] = (unsigned char)v; p[1] = (unsigned char)(v >> 8);
        }
        break;
    default:
        p[0] = (unsigned char)v;
        break;
    }
}

/* One rendering: the source of the pixels and where they go. */
typedef struct RenderJob {
    TulxMaster *src;            /* whose image and tables */
    TulxMaster *m;              /* whose view */
    RAMIMG *image;
    ViewPixmap *vp;
    Drawable target;
    ZoomMap *colMap, *rowMap;
    int r0, r1;                 /* view rows rendered */
} RenderJob;

/*
 * renderView --
 *	Renders view rows [r0, r1) into the target. 0 when the strip buffer
 *	cannot be allocated.
 */
static int renderView(RenderJob *job)
{
    TulxMaster *src = job->src, *m = job->m;
    XImage *ximage = m->ximage;
    RAMIMG *image = job->image;
    int nCols = job->colMap->n, nRows = job->rowMap->n;
    if (nCols < 1 || nRows < 1 || job->r0 >= job->r1) {
        return 1;
    }
    int rotate = m->rotate;
    int bpp = ximage->bits_per_pixel;
    int bytes = bpp >= 32 ? 4 : (bpp >= 24 ? 3 : (bpp >= 16 ? 2 : 1));
    int msbOrder = ximage->byte_order == MSBFirst;
    bool indexed = bpp <= 8 || m->visual->c_class == PseudoColor
        || m->visual->c_class == StaticColor || m->visual->c_class == GrayScale
        || m->visual->c_class == StaticGray;
    ChannelPack packs[3] = {packOf(m->visual->red_mask), packOf(m->visual->green_mask),
                            packOf(m->visual->blue_mask)};

    /* Lines per strip: rows unrotated, columns rotated. */
    int total = job->r1 - job->r0;
    int stripLines = m->turbo ? total : (total < 256 ? total : 256);
    int lineLength = nCols;
    /* Strip in its uploaded orientation. */
    int stripW = rotate ? stripLines : lineLength;
    int stripH = rotate ? lineLength : stripLines;
    int bytesPerLine = ((bpp * stripW + 31) / 32) * 4;
    size_t stripSize = (size_t)bytesPerLine * (size_t)stripH;
    size_t lineArea = (size_t)nCols * 7 + 16;
    /* The strip buffer lives as long as the image: a fresh one for every
     * rendering costs its page faults and clearing again each time. Every
     * uploaded byte is written before use; clearing a new buffer once keeps
     * line padding defined. */
    size_t blockSize = stripSize + lineArea;
    if (m->stripBuffer == NULL || m->stripBufferSize < blockSize) {
        unsigned char *grown = (unsigned char *)tclAlloc(blockSize);
        if (grown == NULL) {
            return 0;
        }
        memset(grown, 0, blockSize);
        if (m->stripBuffer != NULL) {
            tclFree(m->stripBuffer);
        }
        m->stripBuffer = grown;
        m->stripBufferSize = blockSize;
    }
    unsigned char *block = m->stripBuffer;
    unsigned char *lines[3] = {block + stripSize, block + stripSize + nCols,
                               block + stripSize + 2 * (size_t)nCols};
    unsigned char *sum = block + stripSize + 3 * (size_t)nCols;
    unsigned long *pixelsOut = NULL;
    unsigned char *filterPrev[3] = {sum + nCols, sum + 2 * (size_t)nCols, sum + 3 * (size_t)nCols};

    int first, last;
    int imageCols = image != NULL ? image->head.columns : 0;
    zoomMapSpan(job->colMap, imageCols, &first, &last);
    bool grey = (src->paletteFlags & 1) && src->nChannels > 0;
    bool filter = src->filterFactor != 0.0;
    int previousRow = -2;
    int k = 0;
    int stripStart = job->r0;
    (void)pixelsOut;

    /* Channel values to pixel bits, once per rendering; a grey view (the
     * same band through the same table everywhere) converts one line and
     * packs it through one table. */
    unsigned long packTable[3][256];
    for (int c = 0; c < 3; c++) {
        for (int v = 0; v < 256; v++) {
            packTable[c][v] = packValue(&packs[c], v);
        }
    }
    bool sameChannels = !indexed && !filter && !grey
        && src->channelBand[0] >= 0 && src->channelBand[0] == src->channelBand[1]
        && src->channelBand[1] == src->channelBand[2]
        && memcmp(src->displayLut[0], src->displayLut[1], 256) == 0
        && memcmp(src->displayLut[1], src->displayLut[2], 256) == 0;
    unsigned long greyTable[256];
    for (int v = 0; v < 256; v++) {
        greyTable[v] = packTable[0][v] | packTable[1][v] | packTable[2][v];
    }
    bool fast32 = !indexed && bytes == 4 && !msbOrder && rotate == 0;
    /* The common grey view of a byte image at zoom 1 along the line: each
     * row byte goes through one table straight to its pixel, without the
     * intermediate line. */
    int directBand = src->layerApplied >= 1 ? src->layerApplied - 1 : src->channelBand[0];
    bool direct = fast32 && sameChannels && image != NULL && image->head.pixel == PIXEL_BYTE
        && src->channelBand[0] >= 0 && directBand >= 0 && directBand < image->head.nbands
        && first < last && job->colMap->index[first] >= 0
        && job->colMap->index[first] + (last - 1 - first) < imageCols;
    for (int i = first + 1; direct && i < last; i++) {
        direct = job->colMap->index[i] == job->colMap->index[first] + (i - first);
    }
    uint32_t directTable[256];
    for (int v = 0; v < 256; v++) {
        directTable[v] = (uint32_t)greyTable[src->displayLut[0][v]];
    }
    bool dither = indexed && src->ditherApplied != 0;
    signed char *carry = NULL;
    if (dither) {
        carry = (signed char *)tclAlloc(3 * ((size_t)nCols + 2));
        if (carry == NULL) {
            return 0;
        }
        memset(carry, 0, 3 * ((size_t)nCols + 2));
    }

    for (int r = job->r0; r < job->r1; r++) {
        int imageRow = job->rowMap->index[r];
        bool outside = image == NULL || imageRow < 0 || imageRow >= image->head.rows;
        bool repeat = imageRow == previousRow && r > job->r0 && !filter && !dither;
        bool directRow = direct && !outside;
        if (!repeat && !directRow) {
            for (int c = 0; c < 3; c++) {
                memset(lines[c], 0, (size_t)nCols);
            }
            if (!outside) {
                int layerBand = src->layerApplied >= 1 ? src->layerApplied - 1 : -1;
                int channels = indexed ? src->nChannels : (sameChannels ? 1 : 3);
                if (dither) {
                    /* Error diffusion adds each channel's cell index into one line. */
                    for (int c = 0; c < channels && c < 3; c++) {
                        int band = layerBand >= 0 ? layerBand : src->channelBand[c];
                        if (src->channelBand[c] < 0 || band < 0 || band >= image->head.nbands) {
                            continue;
                        }
                        tulxRowToRaw(image, imageRow, band, job->colMap->index, first, last,
                                     nCols, (float)src->rangeLow[c], (float)src->rangeHigh[c],
                                     sum);
                        if (filter) {
                            tulxFilterRow(nCols, sum, filterPrev[c], (float)src->filterFactor,
                                          src->filterBgApplied, r == job->r0, src->filterdir);
                        }
                        ditherRow(nCols, lines[0], sum, src->displayLut[c], src->ditherIndex[c],
                                  src->ditherError[c], carry + (size_t)c * (nCols + 2),
                                  src->ditherApplied, r & 1);
                    }
                    channels = 0;
                }
                for (int c = 0; c < channels; c++) {
                    int band = layerBand >= 0 ? layerBand : src->channelBand[c];
                    if (src->channelBand[c] < 0 || band < 0 || band >= image->head.nbands) {
                        continue;
                    }
                    if (filter) {
                        tulxRowToRaw(image, imageRow, band, job->colMap->index, first, last,
                                     nCols, (float)src->rangeLow[c], (float)src->rangeHigh[c],
                                     lines[c]);
                        tulxFilterRow(nCols, lines[c], filterPrev[c], (float)src->filterFactor,
                                      src->filterBgApplied, r == job->r0, src->filterdir);
                        for (int i = 0; i < nCols; i++) {
                            lines[c][i] = src->displayLut[c][lines[c][i]];
                        }
                    } else {
                        tulxRowToIndex(image, imageRow, band, job->colMap->index, first, last,
                                       nCols, NULL, (float)src->rangeLow[c],
                                       (float)src->rangeHigh[c], src->displayLut[c], lines[c]);
                    }
                }
                if (!indexed && grey) {
                    int n = src->nChannels > 0 ? src->nChannels : 1;
                    for (int i = 0; i < nCols; i++) {
                        int s = lines[0][i] + lines[1][i] + lines[2][i];
                        lines[0][i] = lines[1][i] = lines[2][i] = (unsigned char)(s / n);
                    }
                }
            }
        }
        previousRow = imageRow;
        /* Place line r into the strip. */
        int j = r - stripStart;
        if (fast32) {
            uint32_t *out = (uint32_t *)(block + (size_t)j * bytesPerLine);
            if (repeat && j > 0) {
                memcpy(out, block + (size_t)(j - 1) * bytesPerLine, (size_t)nCols * 4);
            } else if (directRow) {
                const unsigned char *data = tulxRowBytes(image, imageRow, directBand);
                uint32_t filler = directTable[0];
                int from = data != NULL ? first : nCols;
                for (int i = 0; i < from && i < nCols; i++) {
                    out[i] = filler;
                }
                if (data != NULL) {
                    const unsigned char *in = data + job->colMap->index[first];
                    for (int i = first; i < last; i++) {
                        out[i] = directTable[in[i - first]];
                    }
                    for (int i = last; i < nCols; i++) {
                        out[i] = filler;
                    }
                }
            } else if (sameChannels) {
                for (int i = 0; i < nCols; i++) {
                    out[i] = (uint32_t)greyTable[lines[0][i]];
                }
            } else {
                for (int i = 0; i < nCols; i++) {
                    out[i] = (uint32_t)(packTable[0][lines[0][i]] | packTable[1][lines[1][i]]
                                        | packTable[2][lines[2][i]]);
                }
            }
        }
        for (int i = 0; i < nCols && !fast32; i++) {
            unsigned long v;
            if (indexed) {
                int index = (lines[0][i] + lines[1][i] + lines[2][i]) & 255;
                v = (src->pixels != NULL && index < src->nColors) ? src->pixels[index]
                    : (unsigned long)index;
                if (outside) {
                    v = src->pixels != NULL && src->nColors > 0 ? src->pixels[0] : 0;
                }
            } else if (sameChannels) {
                v = greyTable[lines[0][i]];
            } else {
                v = packTable[0][lines[0][i]] | packTable[1][lines[1][i]]
                    | packTable[2][lines[2][i]];
            }
            int x, y;
            if (rotate < 0) {
                x = j;
                y = nCols - 1 - i;
            } else if (rotate > 0) {
                x = stripLines - 1 - j;
                y = i;
            } else {
                x = i;
                y = j;
            }
            storePixel(block + (size_t)y * bytesPerLine + (size_t)x * bytes, bytes, msbOrder, v);
        }
        k++;
        if (k == stripLines || r == job->r1 - 1) {
            ximage->data = (char *)block;
            ximage->bytes_per_line = bytesPerLine;
            int dx, dy, w, h;
            if (rotate < 0) {
                ximage->width = stripLines;
                ximage->height = nCols;
                dx = job->vp->x0 + stripStart;
                dy = job->vp->y0;
                w = k;
                h = nCols;
            } else if (rotate > 0) {
                ximage->width = stripLines;
                ximage->height = nCols;
                /* Lines fill the strip from its right edge. */
                dx = job->vp->x0 + nRows - stripStart - k;
                dy = job->vp->y0;
                w = k;
                h = nCols;
            } else {
                ximage->width = nCols;
                ximage->height = stripLines;
                dx = job->vp->x0;
                dy = job->vp->y0 + stripStart;
                w = nCols;
                h = k;
            }
            int sx = rotate > 0 ? stripLines - k : 0;
            XPutImage(m->display, job->target, m->gc, ximage, sx, 0, dx, dy, (unsigned)w,
                      (unsigned)h);
            ximage->data = NULL;
            stripStart = r + 1;
            k = 0;
        }
    }
    if (carry != NULL) {
        tclFree(carry);
    }
    m->viewReady = 1;
    return 1;
}

/*
 * makePixmap --
 *	Renders the view (or the rows of rect) into the image view's pixmap
 *	and builds the mask view. The pixmap, or 0.
 */
Pixmap makePixmap(TulxMaster *src, TulxInstance *instance, RAMIMG *image, ViewPixmap *imageVP,
                  ViewPixmap *stippleVP, ViewPixmap *maskVP, ZoomMap *colMap, ZoomMap *rowMap,
                  const XRectangle *rect)
{
    TulxMaster *m = instance != NULL ? instance->master : src;
    Drawable target;
    if (imageVP->locked && instance != NULL) {
        target = Tk_WindowId(instance->tkwin);
    } else {
        target = vpPixmap(imageVP);
    }
    if (target == 0 || colMap->n < 1 || rowMap->n < 1) {
        return 0;
    }
    XSetClipMask(m->display, m->gc, None);
    RenderJob job;
    job.src = src;
    job.m = m;
    job.image = image;
    job.vp = imageVP;
    job.target = target;
    job.colMap = colMap;
    job.rowMap = rowMap;
    job.r0 = 0;
    job.r1 = rowMap->n;
    if (rect != NULL) {
        job.r0 = rect->y < 0 ? 0 : rect->y;
        job.r1 = rect->y + rect->height > rowMap->n ? rowMap->n : rect->y + rect->height;
    }
    if (!renderView(&job)) {
        ovex_fprintf(stderr, "Error in makePixmap...\n");
        return 0;
    }
    if (m->stipple != 0) {
        if (patternMaskPixmap(m->gc, stippleVP) == 0) {
            ovex_fprintf(stderr, "Error in makePixmap...\n");
            return 0;
        }
    }
    if (m->frameDynamic && m->frameShapes != NULL) {
        tulxFrameToBitmap(m, &m->frameBitmap, m->frameEvenOdd, m->frameShapes);
    }
    tulxMakeMaskPixmap(src, &src->rowMaskBitmap, &m->frameBitmap, stippleVP, maskVP, colMap,
                       rowMap, src->rotate);
    if (src->pixmaponly) {
        if (src->ramImage != NULL) {
            closeRAMImage(src->ramImage, &src->imageClient);
            src->ramImage = NULL;
        }
        if (src->maskImage != NULL) {
            closeRAMImage(src->maskImage, &src->maskImageClient);
            src->maskImage = NULL;
            maskBitmapInit(&src->rowMaskBitmap);
        }
    }
    return target;
}

/*
 * drawTemporary --
 *	Renders the view rectangle (x, y, width, height) into temporary
 *	views; the caller copies and frees them.
 */
static void drawTemporary(TulxMaster *master, TulxInstance *instance, ViewPixmap *imageVP,
                          ViewPixmap *stippleVP, ViewPixmap *maskVP, int x, int y, int width,
                          int height)
{
    Drawable drawable = Tk_WindowId(master->tkwin);
    vpPixmapSet(imageVP, drawable, width, height, master->depth, 0, 0, x, y);
    vpPixmapSet(stippleVP, drawable, width, height, 1, 0, 0, x, y);
    vpPixmapSet(maskVP, drawable, width, height, 1, 0, 0, x, y);
    int W = master->imageView.width, H = master->imageView.height;
    ZoomMap *cols, *rows;
    if (master->rotate == 0) {
        cols = zoomSubMap(&master->colMap, x, width);
        rows = zoomSubMap(&master->rowMap, y, height);
    } else if (master->rotate < 0) {
        cols = zoomSubMap(&master->colMap, H - y - height, height);
        rows = zoomSubMap(&master->rowMap, x, width);
    } else {
        cols = zoomSubMap(&master->colMap, y, height);
        rows = zoomSubMap(&master->rowMap, W - x - width, width);
    }
    if (cols != NULL && rows != NULL) {
        makePixmap(master, instance, master->ramImage, imageVP, stippleVP, maskVP, cols, rows,
                   NULL);
    }
    zoomMapDelete(cols);
    zoomMapDelete(rows);
}

/*
 * drawRegion --
 *	Draws one rectangle of the view into the drawable, rendering first
 *	when the cached views are stale.
 */
static void drawRegion(TulxInstance *instance, Display *display, Drawable drawable, int imageX,
                       int imageY, int width, int height, int drawableX, int drawableY)
{
    TulxMaster *master = instance != NULL ? instance->master : NULL;
    if (master == NULL || master->tkMaster == NULL || width <= 0 || height <= 0) {
        return;
    }
    ViewPixmap *imageVP = &master->imageView;
    ViewPixmap *stippleVP = &master->stippleView;
    ViewPixmap *maskVP = &master->maskView;
    ViewPixmap tempViews[3];
    bool temporary = false;
    if (!master->viewReady || tulxSwitches.drawMode == 1 || vpPixmap(imageVP) == 0) {
        RAMIMG *image = master->ramImage;
        TulxMaster *src = master;
        /* A second view of another image (copy, crop): its image and
         * tables through this image's maps. */
        if (image == NULL && master->srcImageName[0] != '\0') {
            src = tulxFindImage(master->interp, master->srcImageName);
            image = src != NULL ? src->ramImage : NULL;
            if (image == NULL || vpPixmap(imageVP) == 0) {
                return;
            }
        }
        if (image == NULL) {
            return;
        }
            if (tulxSwitches.drawMode != 1 && vpPixmap(imageVP) != 0) {
            makePixmap(src, instance, image, imageVP, stippleVP, maskVP, &master->colMap,
                       &master->rowMap, NULL);
        } else {
            int x = imageX, y = imageY, w = width, h = height;
            if (x >= 1) {
                x--;
                w += 2;
            }
            if (y >= 1) {
                y--;
                h += 2;
            }
            if (x + w > imageVP->width) {
                w = imageVP->width - x;
            }
            if (y + h > imageVP->height) {
                h = imageVP->height - y;
            }
            if (w <= 0 || h <= 0) {
                return;
            }
            for (int i = 0; i < 3; i++) {
                vpInit(&tempViews[i], master->display);
            }
            imageVP = &tempViews[0];
            stippleVP = &tempViews[1];
            maskVP = &tempViews[2];
            temporary = true;
            master->viewReady = 0;
            drawTemporary(master, instance, imageVP, stippleVP, maskVP, x, y, w, h);
        }
    }
    if (master->viewReady && imageVP->pixmap != 0) {
        GC gc = master->gc;
        int srcX = imageX - imageVP->x, srcY = imageY - imageVP->y;
        bool masked = master->maskOnApplied >= 1;
        if (masked && maskVP->valid && maskVP->pixmap != 0) {
            XSetClipMask(display, gc, maskVP->pixmap);
        } else if (masked && master->clipRegion != NULL) {
            XSetRegion(display, gc, master->clipRegion);
        } else if (masked && master->viewRegion != NULL && !temporary) {
            XSetRegion(display, gc, master->viewRegion);
        } else {
            XSetClipMask(display, gc, None);
        }
        XSetClipOrigin(display, gc, drawableX - srcX, drawableY - srcY);
        if (masked && master->maskopaque && maskVP->valid && maskVP->pixmap != 0) {
            XSetForeground(display, gc, master->bgColor->pixel);
            if (stippleVP->valid && stippleVP->pixmap != 0) {
                XSetClipMask(display, gc, stippleVP->pixmap);
                XCopyPlane(display, stippleVP->pixmap, drawable, gc, srcX, srcY,
                           (unsigned)width, (unsigned)height, drawableX, drawableY, 1);
            } else {
                XSetClipMask(display, gc, None);
                XFillRectangle(display, drawable, gc, drawableX, drawableY, (unsigned)width,
                               (unsigned)height);
            }
            XSetClipMask(display, gc, maskVP->pixmap);
            XSetForeground(display, gc, master->fgColor->pixel);
        }
        XCopyArea(display, imageVP->pixmap, drawable, gc, srcX, srcY, (unsigned)width,
                  (unsigned)height, drawableX, drawableY);
        XSetClipMask(display, gc, None);
        XSetClipOrigin(display, gc, 0, 0);
    }
    if (temporary) {
        for (int i = 0; i < 3; i++) {
            vpFreePixmap(&tempViews[i]);
        }
        master->viewReady = 0;
        vpFreePixmap(&master->imageView);
        vpFreePixmap(&master->stippleView);
        vpFreePixmap(&master->maskView);
    }
}

/*
 * tulxDisplay --
 *	Tk's display procedure: the view once, or repeated in cells of its
 *	displayed size when tiled.
 */
void tulxDisplay(ClientData instanceData, Display *display, Drawable drawable, int imageX,
                 int imageY, int width, int height, int drawableX, int drawableY)
{
    TulxInstance *instance = (TulxInstance *)instanceData;
    if (instance == NULL || instance->master == NULL) {
        return;
    }
    TulxMaster *master = instance->master;
    if (!master->tile) {
        drawRegion(instance, display, drawable, imageX, imageY, width, height, drawableX,
                   drawableY);
        return;
    }
    int cw = master->colMap.n, ch = master->rowMap.n;
    if (master->rotate) {
        int t = cw;
        cw = ch;
        ch = t;
    }
    /* An empty cell would step by nothing for ever. */
    if (cw < 1 || ch < 1 || width <= 0 || height <= 0) {
        return;
    }
    int x = (imageX / cw) * cw;
    int phase = imageY % ch;
    int extentW = width + (imageX - x);
    int extentH = height + phase;
    if (master->tile > 0 && instance->tkwin != NULL && Tk_IsMapped(instance->tkwin)) {
        int ww = Tk_Width(instance->tkwin) + (imageX - x);
        int wh = Tk_Height(instance->tkwin) + phase;
        extentW = extentW < ww ? extentW : ww;
        extentH = extentH < wh ? extentH : wh;
    }
    for (int yy = 0; yy < extentH; yy += ch) {
        for (int xx = 0; xx < extentW; xx += cw) {
            int dx = drawableX + x - imageX + xx;
            int dy = drawableY - phase + yy;
            int sx = 0, sy = 0;
            int w = cw < extentW - xx ? cw : extentW - xx;
            int h = ch < extentH - yy ? ch : extentH - yy;
            if (dx < drawableX) {
                sx = drawableX - dx;
                w -= sx;
                dx = drawableX;
            }
            if (dy < drawableY) {
                sy = drawableY - dy;
                h -= sy;
                dy = drawableY;
            }
            if (w > 0 && h > 0) {
                drawRegion(instance, display, drawable, sx, sy, w, h, dx, dy);
            }
        }
    }
}
