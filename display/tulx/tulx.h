/*
 * tulx.h --
 *
 *	The "tulx" image type: a RAM image shown in any Tk widget through
 *	display lookup tables, cached and zoomed view pixmaps and masks. The
 *	master record holds everything one image owns; instances are the
 *	widgets that show it. The files of this folder share these records:
 *	tulx_type (registry and Tk's type procedures), tulx_config (options),
 *	tulx_notify (changes of the shown images), tulx_palette (colour
 *	cells), tulx_lut (lookup tables and stretches), view_pixmap and
 *	zoom_map (views), tulx_render (rendering and drawing), mask_bitmap
 *	(masks), row_convert (rows to display values), tulx_image_cmd (the
 *	per-image command) and tulx_command (the tulx command).
 */
#ifndef OVEX_DISPLAY_TULX_H
#define OVEX_DISPLAY_TULX_H

#include <tcl.h>
#include <tk.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "core/custom_options.h"
#include "core/point_list.h"
#include "ovex/ramimage.h"

/* Registry size: the number of images a process can hold at once. */
#define TULX_MAX_IMAGES 5120
/* Longest image name kept (the field holds the terminator too). */
#define TULX_NAME_SIZE 128
/* Largest region side X accepts in a rectangle. */
#define TULX_REGION_LIMIT 32700

/* ---- Views ----------------------------------------------------------- */

typedef struct ViewPixmap {
    Display *display;
    Drawable drawable;          /* decides the screen of the pixmap */
    Pixmap pixmap;              /* 0 until made; the window while locked */
    int depth;
    int width, height;
    int x0, y0;                 /* where strips go inside the pixmap */
    int x, y;                   /* view position at the top-left corner */
    int valid;
    int locked;
    int refused;                /* the server could not make this geometry */
} ViewPixmap;

typedef struct ZoomMap {
    int *index;                 /* image column/row of each view position */
    int n;
    int origin;
    int flip;
    double zoom;
} ZoomMap;

void vpInit(ViewPixmap *vp, Display *display);
ViewPixmap *vpNew(Display *display);
int vpPixmapSet(ViewPixmap *vp, Drawable drawable, int width, int height, int depth, int x0,
                int y0, int x, int y);
Pixmap vpPixmap(ViewPixmap *vp);
int vpFreePixmap(ViewPixmap *vp);
void vpDelete(ViewPixmap *vp);
void vpLock(ViewPixmap *vp, int flag);

void zoomMapInit(ZoomMap *map);
ZoomMap *zoomMapNew(void);
void zoomMapFree(ZoomMap *map);
void zoomMapDelete(ZoomMap *map);
ZoomMap *makeZoomMap(ZoomMap *map, int n, int origin, int flip, double zoom);
ZoomMap *zoomSubMap(const ZoomMap *map, int start, int n);
void zoomMapSpan(const ZoomMap *map, int limit, int *first, int *last);
double zoomImageToScreen(const ZoomMap *map, double v);
double zoomScreenToImage(const ZoomMap *map, double v);

/* ---- Mask bitmaps ------------------------------------------------------ */

typedef struct MaskBitmap {
    int width, height;
    int bitOrder;               /* 1: bit 0 of a byte is its most significant */
    int unit;                   /* rows padded to 16-bit units */
    int stride;
    int borrowed;               /* bits belong to a RAM image's row cache */
    unsigned char *bits;
} MaskBitmap;

void maskBitmapInit(MaskBitmap *bitmap);
MaskBitmap *newMaskBitmap(int width, int height, int fill);
void deleteMaskBitmap(MaskBitmap *bitmap);
MaskBitmap *bitmapAlloc(MaskBitmap *bitmap, int width, int height, int fill);
void bitmapFree(MaskBitmap *bitmap);
void maskBitmapBorrow(MaskBitmap *bitmap, RAMIMG *image);
void maskBitmapCopyRow(MaskBitmap *bitmap, int from, int to);
void maskBitmapSetFromFlags(MaskBitmap *bitmap, int pos, const unsigned char *flags, int rotate);
void maskBitmapRowToFlags(const MaskBitmap *bitmap, int row, int first, int last,
                          const ZoomMap *map, unsigned char *flags);
void maskBitmapGetBits(const MaskBitmap *bitmap, int row, int x0, int x1, unsigned char *out);
void maskBitmapFillSpan(MaskBitmap *bitmap, int row, int x0, int x1);
void maskBitmapCombine(MaskBitmap *dst, const MaskBitmap *src, int andOp);
int maskBitmapGetBit(const MaskBitmap *bitmap, int x, int y);

/* Bitmap fills of point lists and span lists. */
void spansFillBitmap(const PointList *spans, MaskBitmap *bitmap);
void polyFillEach(const PointList *chain, MaskBitmap *bitmap);
void polyFillBitmap(const PointList *chain, MaskBitmap *bitmap, int evenOdd);

/* ---- The master ---------------------------------------------------------- */

struct TulxMaster;

typedef struct TulxInstance {
    struct TulxMaster *master;
    Tk_Window tkwin;
    struct TulxInstance *next;
} TulxInstance;

/* Fields of the channel-wise options -low0 .. -high2. */
typedef struct TulxMaster {
    Tk_ImageMaster tkMaster;
    Tcl_Interp *interp;
    Tcl_Command imageCmd;
    Tk_Window tkwin;
    char name[TULX_NAME_SIZE];
    char srcImageName[TULX_NAME_SIZE];
    RAMIMG *ramImage;
    RAMIMG *maskFileImage;
    RAMIMG *maskImage;
    Display *display;
    Colormap colormap;
    int depth;
    int test;
    RamImageClient imageClient;
    RamImageClient maskImageClient;
    RamImageClient maskFileClient;
    TulxInstance *instances;
    GC gc;
    XColor *fgColor, *bgColor;
    ImageHead head;
    ViewPixmap maskView, imageView, stippleView;
    ZoomMap colMap, rowMap;
    GC drawGC;
    int nChannels;
    int channelBand[3];
    int layerApplied;
    int lutLow, lutHigh;
    int paletteFlags;
    double rangeLow[3], rangeHigh[3];
    double filterFactor;
    int nColors;
    unsigned char indexLut[3][256];
    unsigned char displayLut[3][256];
    signed char ditherError[3][256];
    unsigned char ditherIndex[3][256];
    unsigned char identityLut[3][256];
    unsigned long *pixels;
    Visual *visual;
    XImage *ximage;
    unsigned char *stripBuffer; /* kept between renderings, grown on demand */
    size_t stripBufferSize;
    Region viewRegion;
    Region clipRegion;
    int ditherApplied;
    int instanceCount;
    int viewReady;
    int filterBgApplied;
    int funcApplied;
    int transparentApplied;
    Tcl_TimerToken animTimer;
    int animDelay, animRepeat;
    int clipEvenOdd, frameEvenOdd, frameDynamic;
    MaskBitmap rowMaskBitmap, frameBitmap, clipBitmap, classBitmap, dataBitmap;
    unsigned char dataMask[256];
    unsigned char classMask[256];
    int maskImgBandApplied;
    int maskOnApplied;
    int masksPresent;
    Pixmap stipple;
    GC monoGC;
    PointList *clipShapes, *frameShapes;
    int paletteApplied[4];
    int directPalette;

    /* Option fields (see the option table). */
    char *file;
    char *maskfile;
    char *maskclass;
    char *data;
    int width, height;
    int sc, sr;
    int xflip, yflip;
    double mx, my;
    int rotate;
    int tile, tw, th;
    BandCombination comb;
    int range;
    int autod;
    int update;
    int dither;
    double dg;
    double contrast, bright;
    double low[3], high[3];
    double gamma, stdK;
    int gmid;
    int func;
    int layer;
    PaletteLevels palette;
    int maxw, maxh;
    int turbo;
    int maskimgband;
    double sharpness, emboss;
    int filterdir, filterbg;
    int pixmaponly;
    int maskon, maskopaque;
    Tk_Uid foreground, background, stippleName;
} TulxMaster;

/* Stretch functions and ranges (the func and range vocabularies). */
enum { TULX_FUNC_UNKNOWN = 0, TULX_FUNC_NONE = 1, TULX_FUNC_LINEAR = 2, TULX_FUNC_HISTS = 3,
       TULX_FUNC_HISTEQ = 4 };
enum { TULX_RANGE_UNKNOWN = 0, TULX_RANGE_MEAN = 1, TULX_RANGE_DETAIL = 2 };

/* What tulxClearMask clears. */
enum { TULX_MASK_CLASS = 1, TULX_MASK_DATA = 2, TULX_MASK_CLIP = 4, TULX_MASK_FRAME = 8,
       TULX_MASK_ALL = 15 };

/* Process-wide switches of the tulx command. */
typedef struct TulxSwitches {
    int drawMode;               /* 1: render every display into temporary pixmaps */
    int rgb24;                  /* stored only (X needs the drawable's depth) */
} TulxSwitches;
extern TulxSwitches tulxSwitches;

/* tulx_type.cpp */
extern Tk_ImageType tulxImageType;
TulxMaster *tulxFindImage(Tcl_Interp *interp, const char *name);
int tulxRegister(TulxMaster *master);
void tulxUnregister(TulxMaster *master);
int tulxMakeGCs(TulxMaster *master);
int tulxMakeDrawGC(TulxMaster *master);
void tulxCmdDeleted(ClientData clientData);
int tulxImageCount(void);

/* tulx_config.cpp */
extern Tk_ConfigSpec tulxConfigSpecs[];
int tulxConfigure(TulxMaster *master, int argc, const char **argv, int flags);
int tulxConfigView(TulxMaster *master);
int tulxConfigMagnification(TulxMaster *master, double mx, double my);
void tulxContrastLimits(TulxMaster *master);
int parseIndexRanges(unsigned char flags[256], int mode, const char *text);

/* tulx_notify.cpp */
int tulxChanged(TulxMaster *master);
int tulxUpdateCmd(TulxMaster *master);
int tulxRedisplay(TulxMaster *master);
int tulxRectChanged(TulxMaster *master, int x, int y, int width, int height);
int tulxViewRegion(TulxMaster *master);
int tulxMaskImageChanged(TulxMaster *master);
int tulxReloadHeader(TulxMaster *master);
void tulxReloadHeaderCb(void *clientData);
void tulxRedisplayCb(void *clientData);
void tulxRectChangedCb(void *clientData, int x, int y, int width, int height);
void tulxMaskImageChangedCb(void *clientData);
/* The view rows/columns [*v0, *v1) that show image positions [p0, p1),
 * for maps of either direction. */
void tulxMapCover(const ZoomMap *map, int p0, int p1, int *v0, int *v1);
/* cover: {c0, r0, columns, rows} of the view; area: {x, y, width, height}
 * of the displayed view they fill. 0 when the rectangle is not shown. */
int tulxViewArea(const ZoomMap *colMap, const ZoomMap *rowMap, int rotate, int x, int y,
                 int width, int height, int cover[4], int area[4]);

/* tulx_palette.cpp */
void makeLevelTables(signed char *errors, int *levels, int n, unsigned char *indices,
                     float scale);
int makeCubePalette(unsigned char out[256][3], int grey, int red, int green, int blue);
unsigned long *allocCubeColors(Display *display, Colormap colormap, int grey, int red,
                               int green, int blue);
unsigned long *allocPaletteColors(Display *display, Colormap colormap,
                                  const unsigned char rgb[][3], int n);
void truePalette(TulxMaster *master);
void tulxFreeColors(TulxMaster *master);

/* tulx_lut.cpp */
typedef struct BandSummary {
    double mean, std, min, max, count;
    int nBins;
    unsigned int hist[256];
} BandSummary;
double toneCurve(double x, double gamma, int mode);
void buildLut(unsigned char *lut, int n, int outLo, int outHi, double lo, double hi,
              const unsigned char *src, double gamma, int mode);
void quantizeLut(unsigned char *lut, int n, int step, int cap);
int tulxBandStats(TulxMaster *master, BandStats *stats, int channel, BandSummary *out);
int tulxStretchStats(TulxMaster *master, RAMIMG *image, int channel, BandSummary *out);
int tulxUpdateLut(TulxMaster *master, int func, float k);

/* row_convert.cpp */
unsigned char *tulxRowToIndex(RAMIMG *image, int row, int band, const int *columns, int first,
                              int last, int n, int *lastValue, float low, float high,
                              const unsigned char table[256], unsigned char *out);
/* The cached bytes of a row's band, or NULL outside the image. */
const unsigned char *tulxRowBytes(RAMIMG *image, int row, int band);
unsigned char *tulxRowToRaw(RAMIMG *image, int row, int band, const int *columns, int first,
                            int last, int n, float low, float high, unsigned char *out);
unsigned char *tulxFilterRow(int n, unsigned char *line, unsigned char *previous, float factor,
                             int background, int firstLine, int direction);
unsigned char *ditherRow(int n, unsigned char *out, const unsigned char *values,
                         const unsigned char table[256], const unsigned char indices[256],
                         const signed char errors[256], signed char *carry, int mode,
                         int oddLine);

/* tulx_render.cpp */
void tulxDisplay(ClientData instanceData, Display *display, Drawable drawable, int imageX,
                 int imageY, int width, int height, int drawableX, int drawableY);
Pixmap makePixmap(TulxMaster *src, TulxInstance *instance, RAMIMG *image, ViewPixmap *imageVP,
                  ViewPixmap *stippleVP, ViewPixmap *maskVP, ZoomMap *colMap, ZoomMap *rowMap,
                  const XRectangle *rect);

/* mask_build.cpp */
void tulxExportMask(TulxMaster *master);
int tulxMaskFileClasses(TulxMaster *master);
int tulxDataMask(TulxMaster *master, unsigned char flags[256]);
int tulxUpdateMasks(TulxMaster *master);
int tulxFrameToBitmap(TulxMaster *master, MaskBitmap *bitmap, int evenOdd, PointList *shapes);
Pixmap tulxMakeMaskPixmap(TulxMaster *master, MaskBitmap *rowMask, MaskBitmap *frame,
                          ViewPixmap *stippleVP, ViewPixmap *maskVP, ZoomMap *colMap,
                          ZoomMap *rowMap, int rotate);
Pixmap patternMaskPixmap(GC gc, ViewPixmap *vp);
int tulxClearMask(TulxMaster *master, int which, int deleteShapes);
void tulxStopAnimation(TulxMaster *master);

/* tulx_image_cmd.cpp */
int tulxImageCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);

/* The tulx control command and the services the package entry and exit
 * use: the list of image names, deleting every image, and releasing the
 * palette colours allocated on the recorded display. */
int tulxCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);
void tulxCmdDelete(ClientData clientData);
int tulxListNames(Tcl_Interp *interp);
void tulxDeleteAll(void);
void tulxFreePaletteColors(void);

#endif /* OVEX_DISPLAY_TULX_H */
