/*
 * gcanvas.h --
 *
 *	The gcanvas widget: item header, item-type record, the container
 *	part shared by the widget and group items, the widget record, and
 *	the services item types use. Items keep their geometry in world
 *	units; boxes, redraw, picking and scrolling work in canvas pixels
 *	(doubles); drawing works in 16-bit drawable pixels.
 */
#ifndef OVEX_CANVAS_GCANVAS_H
#define OVEX_CANVAS_GCANVAS_H

#include <stdint.h>
#include <tcl.h>
#include <tk.h>

struct GcanvasItemType;
struct GcanvasContainer;
struct GcanvasWidget;
struct PsInfo;

/* Item and widget states. */
enum { GC_STATE_NULL = -1, GC_STATE_ACTIVE = 0, GC_STATE_DISABLED = 1, GC_STATE_NORMAL = 2,
       GC_STATE_HIDDEN = 3 };

/* Item redraw flags. */
enum { GC_ITEM_STATE_DEPENDANT = 1, GC_ITEM_DONT_REDRAW = 2, GC_ITEM_BOX_QUEUED = 8 };

/* Widget flags. */
enum {
    GC_REDRAW_PENDING = 1, GC_REDRAW_BORDERS = 2, GC_REPICK_NEEDED = 4, GC_UPDATE_SCROLLBARS = 0x20,
    GC_LEFT_GRABBED_ITEM = 0x40, GC_REPICK_IN_PROGRESS = 0x100, GC_AREA_NOT_EMPTY = 0x200,
    GC_DISPLAY_CUT_SHORT = 0x400
};

/* Item type flags. */
enum { GC_TYPE_OBJECTS = 0x80, GC_TYPE_ALWAYS_REDRAW = 1 };

/* Offset flags (stipple offsets). */
enum {
    GC_OFFSET_INDEX = 1, GC_OFFSET_RELATIVE = 2, GC_OFFSET_LEFT = 4, GC_OFFSET_CENTER = 8,
    GC_OFFSET_RIGHT = 16, GC_OFFSET_TOP = 32, GC_OFFSET_MIDDLE = 64, GC_OFFSET_BOTTOM = 128
};

typedef struct StippleOffset {
    int flags;
    int xoffset, yoffset;
} StippleOffset;

/* The fields a search reads for every item (state, next, box) come first,
 * in 48 bytes, so that they share one cache line after the allocator's
 * 16-byte block header: finds and redraws walk the whole list, and a
 * second line per item doubled their time. */
typedef struct GcanvasItem {
    int id;
    int state;
    struct GcanvasItem *nextPtr;
    double x1, y1, x2, y2;      /* canvas pixels, margins included */
    struct GcanvasItemType *typePtr;
    Tk_Uid staticTagSpace[3];
    Tk_Uid *tagPtr;
    int tagSpace;
    int numTags;
    float marginX, marginY;
    struct GcanvasItem *prevPtr;
    struct GcanvasItem *group;
    int redraw_flags;
    int scalable;
    int floating;
} GcanvasItem;

typedef GcanvasContainer *GcCanvas;

typedef int GcCreateProc(Tcl_Interp *, GcCanvas, GcanvasItem *, int, Tcl_Obj *const[]);
typedef int GcConfigureProc(Tcl_Interp *, GcCanvas, GcanvasItem *, int, Tcl_Obj *const[], int);
typedef int GcCoordProc(Tcl_Interp *, GcCanvas, GcanvasItem *, int, Tcl_Obj *const[]);
typedef void GcDeleteProc(GcCanvas, GcanvasItem *, Display *);
typedef void GcDisplayProc(GcCanvas, GcanvasItem *, Display *, Drawable, int, int, int, int);
typedef double GcPointProc(GcCanvas, GcanvasItem *, double *);
typedef int GcAreaProc(GcCanvas, GcanvasItem *, double *);
typedef int GcPostscriptProc(Tcl_Interp *, GcCanvas, GcanvasItem *, int);
typedef void GcScaleProc(GcCanvas, GcanvasItem *, double, double, double, double);
typedef void GcTranslateProc(GcCanvas, GcanvasItem *, double, double);
typedef int GcIndexProc(Tcl_Interp *, GcCanvas, GcanvasItem *, Tcl_Obj *, int *);
typedef void GcCursorProc(GcCanvas, GcanvasItem *, int);
typedef int GcSelectionProc(GcCanvas, GcanvasItem *, int, char *, int);
typedef void GcInsertProc(GcCanvas, GcanvasItem *, int, Tcl_Obj *);
typedef void GcDCharsProc(GcCanvas, GcanvasItem *, int, int);
typedef void GcBboxProc(GcCanvas, GcanvasItem *);
typedef int GcGroupCmdProc(Tcl_Interp *, GcCanvas, GcanvasItem *, int, Tcl_Obj *const[]);
typedef int GcCreateFromPointsProc(Tcl_Interp *, GcCanvas, GcanvasItem *, struct PointSetDesc *);
typedef int GcDisassembleProc(Tcl_Interp *, GcCanvas, GcanvasItem *);
typedef double *GcGetPointsProc(GcanvasItem *, int *);
typedef int *GcGetPartsProc(GcanvasItem *, int *);
typedef int GcGetComponentProc(GcanvasItem *);
typedef void GcHighlightComponentProc(GcCanvas, GcanvasItem *, int);
typedef double GcMeasureProc(GcCanvas, GcanvasItem *);
typedef double GcCentroidProc(GcCanvas, GcanvasItem *, double *, double *);
typedef double GcVertexAngleProc(GcCanvas, GcanvasItem *, int);
typedef double GcAngleAtProc(GcCanvas, GcanvasItem *, double, double *, double *);

typedef struct GcanvasItemType {
    const char *name;
    int itemSize;
    GcCreateProc *createProc;
    Tk_ConfigSpec *configSpecs;
    GcConfigureProc *configProc;
    GcCoordProc *coordProc;
    GcDeleteProc *deleteProc;
    GcDisplayProc *displayProc;
    int flags;
    GcPointProc *pointProc;
    GcAreaProc *areaProc;
    GcPostscriptProc *postscriptProc;
    GcScaleProc *scaleProc;
    GcTranslateProc *translateProc;
    GcIndexProc *indexProc;
    GcCursorProc *icursorProc;
    GcSelectionProc *selectionProc;
    GcInsertProc *insertProc;
    GcDCharsProc *dCharsProc;
    GcBboxProc *bboxProc;
    GcGroupCmdProc *groupTagCmdProc;
    GcGroupCmdProc *groupNameCmdProc;
    struct GcanvasItemType *nextPtr;
    GcCreateFromPointsProc *createFromPointsProc;
    GcDisassembleProc *disassembleProc;
    GcGetPointsProc *getPointsProc;
    GcGetPartsProc *getPartsProc;
    void *reserved27, *reserved28;
    GcGetComponentProc *getComponentProc;
    GcHighlightComponentProc *highlightComponentProc;
    GcMeasureProc *measureAreaProc;
    GcMeasureProc *measureLengthProc;
    GcCentroidProc *centroidProc;
    GcVertexAngleProc *vertexAngleProc;
    GcAngleAtProc *angleAtProc;
    void *reserved36, *reserved37, *reserved38, *reserved39;
} GcanvasItemType;

typedef struct PointSetDesc {
    int numParts;
    double *points;
    int *partSizes;
    void *outline;
    XColor *fill, *activeFill, *disabledFill;
} PointSetDesc;

/* The part of the widget record that a group item shares field for
 * field: item procedures read only this of their canvas argument. */
struct GcanvasContainer {
    GcanvasItem header;
    Tk_Window tkwin;
    Display *display;
    Tcl_Interp *interp;
    struct GcanvasWidget *canvasPtr;    /* the widget (itself in the widget) */
    int groupScalable;
    double groupX, groupY;
    double sxOrigin, syOrigin;          /* mx * viewxorigin, my * viewyorigin */
    double mx, my;
    double textSizeRatio;
    int textSizeMin, textSizeMax;
    char *groupString;
    GcanvasItem *firstItemPtr, *lastItemPtr;
    int nextId;
    int width, height;
    Tk_BindingTable bindingTable;
    GcanvasItem *currentItemPtr, *newCurrentPtr;
    double closeEnough;
    XEvent pickEvent;
    int state;                          /* button and modifier state of the last pick */
};

typedef struct GcTagSearchExpr {
    struct GcTagSearchExpr *next;
    Tk_Uid uid;
    Tk_Uid *uids;
    int allocated, length, index, match;
} GcTagSearchExpr;

typedef struct GcanvasTextInfo {
    Tk_3DBorder selBorder;
    int selBorderWidth;
    XColor *selFgColorPtr;
    GcanvasItem *selItemPtr;
    int selectFirst, selectLast;
    GcanvasItem *anchorItemPtr;
    int selectAnchor;
    Tk_3DBorder insertBorder;
    int insertWidth, insertBorderWidth;
    GcanvasItem *focusItemPtr;
    int gotFocus, cursorOn;
} GcanvasTextInfo;

struct GcanvasWidget : GcanvasContainer {
    Tcl_Command widgetCmd;
    int borderWidth;
    Tk_3DBorder bgBorder;
    int relief;
    int highlightWidth;
    XColor *highlightBgColorPtr, *highlightColorPtr;
    int inset;
    GC pixmapGC;                        /* fills rendered areas with the background */
    int redrawX1, redrawY1, redrawX2, redrawY2;
    int confine;
    int updateComponent;
    int rebuildCache;
    int cacheX1, cacheY1, cacheX2, cacheY2;
    Pixmap cache;
    GcanvasTextInfo textInfo;
    int insertOnTime, insertOffTime;
    Tcl_TimerToken insertBlinkHandler;
    int xOrigin, yOrigin;               /* canvas pixel at the window's top-left */
    int drawableXOrigin, drawableYOrigin;
    double viewXOrigin, viewYOrigin;
    char *xScrollCmd, *yScrollCmd;
    double scrollX1, scrollY1, scrollX2, scrollY2;
    char *regionString;
    int xScrollIncrement, yScrollIncrement;
    int graphicsMode;
    int scanX, scanXOrigin, scanY, scanYOrigin;
    GcanvasItem *hotPtr, *hotPrevPtr;
    Tk_Cursor cursor;
    char *takeFocus;
    double pixelsPerMM;
    double pixelRatio;                  /* drawn pixels per screen pixel: 1, more while a
                                         * print renders at the page's resolution (line
                                         * widths and unscaled text grow with it) */
    int flags;
    struct PsInfo *psInfo;
    Tcl_HashTable idTable;
    Tcl_HashTable groupTable;
    int canvasState;
    StippleOffset tsoffset;
    GcTagSearchExpr *bindTagExprs;
    int hasTables;
    GcanvasItem **queued;               /* items whose final box the next display adds */
    int numQueued, queuedSpace;
    unsigned long itemsFreed;           /* counts freed items: a walk of the list that ran
                                         * scripts sees whether it may go on */
};

/* Item model. */
extern GcanvasItemType *gcanvasItemTypes;
void gcanvasInitTypes(void);
GcanvasItemType *gcanvasFindItemType(const char *name);
GcanvasItemType *gcanvasMatchItemType(const char *word);
GcanvasItem *gcanvasCreateItemFromPoints(GcanvasWidget *canvas, Tcl_Interp *interp,
                                         GcanvasItemType *type, PointSetDesc *desc, const char *tags);
int gcanvasCreateItem(Tcl_Interp *interp, GcanvasWidget *canvas, GcanvasItemType *type, int objc,
                      Tcl_Obj *const objv[], PointSetDesc *desc, GcanvasItem **itemOut);
void gcanvasFreeItem(GcanvasWidget *canvas, GcanvasItem *item);
extern GcanvasItemType gcanvasRectangleType, gcanvasOvalType;
extern GcanvasItemType gcanvasImageType, gcanvasBitmapType, gcanvasArcType, gcanvasWindowType;
extern GcanvasItemType gcanvasLineType, gcanvasPolygonType;
extern GcanvasItemType gcanvasGroupType;
void gcanvasDeleteItem(GcanvasWidget *canvas, GcanvasItem *item);
GcanvasItem *gcanvasGroupTopLevel(GcanvasItem *item);
extern GcanvasItemType gcanvasObjectType;
extern GcanvasItemType gcanvasTextType, gcanvasGtextType;
extern GcanvasItemType gcanvasSymbolType;

/* Widget. */
int gcanvasConfigure(Tcl_Interp *interp, GcanvasWidget *canvas, int objc, Tcl_Obj *const objv[],
                     int flags);
void gcanvasWorldChanged(ClientData clientData);
extern Tk_ConfigSpec gcanvasConfigSpecs[];
int gcanvasWidgetCmd(ClientData clientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);

/* Transform (world <-> canvas pixels) and drawable conversion. */
static inline GcanvasWidget *gcanvasWidgetOf(GcCanvas c) { return c->canvasPtr; }
static inline double worldToCanvasX(GcCanvas c, double x) { return x * c->mx - c->sxOrigin; }
static inline double worldToCanvasY(GcCanvas c, double y) { return y * c->my - c->syOrigin; }
static inline double canvasToWorldX(GcCanvas c, double x) { return (x + c->sxOrigin) / c->mx; }
static inline double canvasToWorldY(GcCanvas c, double y) { return (y + c->syOrigin) / c->my; }
void worldToScreenPoints(GcCanvas c, const double *in, double *out, int n);
void screenToWorldPoints(GcCanvas c, const double *in, double *out, int n);
void worldCornersToScreen(GcCanvas c, const double *in, double *out);
void worldRectToScreen(GcCanvas c, double x1, double y1, double x2, double y2, double *out);
void setItemBboxFromWorld(GcCanvas c, double x1, double y1, double x2, double y2, GcanvasItem *item);
void screenRectToWorld(GcCanvas c, const double *in, double *out);
void screenCornersToWorld(GcCanvas c, double x1, double y1, double x2, double y2, double *out);
void pointsBounds(const double *points, int n, double *out);
int worldToScreenRing(GcCanvas c, const double *points, XPoint *out, int n);
/* The same for points already in canvas pixels. */
int canvasToScreenRing(GcCanvas c, const double *points, XPoint *out, int n);
int partOfVertex(int vertex, const int *sizes, int partCount);
XColor *colorForWindow(Tcl_Interp *interp, Tk_Window tkwin, XColor *color);
/* Replaces each *dst[i] whose src[i] is given by that colour for tkwin. */
void copyColorsForWindow(Tcl_Interp *interp, Tk_Window tkwin, XColor **const *dst, XColor *const *src, int n);
short gcanvasDrawableCoords(int origin, double value);

/* Accessors and option procedures. */
Tk_Window gcanvasTkwin(GcCanvas c);
GcanvasTextInfo *gcanvasGetTextInfo(GcCanvas c);
int gcanvasGetCoordFromObj(Tcl_Interp *interp, GcCanvas c, Tcl_Obj *obj, double *out);
int gcanvasGetCoord(Tcl_Interp *interp, GcCanvas c, const char *string, double *out);
void gcanvasSetOffset(GcCanvas c, GC gc, StippleOffset *offset);
int gcanvasItemState(GcCanvas c, GcanvasItem *item);
inline int gcanvasItemHidden(GcanvasWidget *canvas, GcanvasItem *item)
{
    return item->state == GC_STATE_HIDDEN
           || (item->state == GC_STATE_NULL && canvas->canvasState == GC_STATE_HIDDEN);
}
extern Tk_CustomOption gcanvasStateOption, gcanvasWidgetStateOption, gcanvasOffsetOption,
    gcanvasRelOffsetOption, gcanvasPixelOption, gcanvasTagsOption;
extern Tk_CustomOption gcanvasIndexOffsetOption;

/* Redraw. */
void gcanvasEventuallyRedraw(GcCanvas c, double x1, double y1, double x2, double y2, int rebuildCache);
void gcanvasEventuallyRedrawItem(GcCanvas c, GcanvasItem *item);
void gcanvasEventProc(ClientData clientData, XEvent *eventPtr);
void gcanvasDisplay(ClientData clientData);
void gcanvasForgetQueued(GcanvasWidget *canvas, GcanvasItem *item);
void gcanvasRenderRegion(GcanvasWidget *canvas, int mx, int my, int x1, int y1, int x2, int y2);

/* Tags. */
typedef struct GcTagSearch {
    GcanvasWidget *canvasPtr;
    GcanvasItem *currentPtr, *lastPtr;
    int searchOver;
    int type;
    int id;
    const char *string;
    int stringIndex, stringLength;
    char *rewritebuffer;
    unsigned int rewritebufferAllocated;
    GcTagSearchExpr *expr;
} GcTagSearch;
extern Tk_Uid allUid, currentUid, andUid, orUid, xorUid, parenUid, endparenUid, negparenUid,
    tagvalUid, negtagvalUid;
void gcanvasInitUids(void);
int tagSearchScan(GcanvasWidget *canvas, Tcl_Obj *tagObj, GcTagSearch **searchPtrPtr);
GcanvasItem *tagSearchFirst(GcTagSearch *search);
GcanvasItem *tagSearchNext(GcTagSearch *search);
void tagSearchDestroy(GcTagSearch *search);
void tagSearchExprInit(GcTagSearchExpr **exprPtrPtr);
void tagSearchExprDestroy(GcTagSearchExpr *expr);
int tagSearchEvalExpr(GcTagSearchExpr *expr, GcanvasItem *item);
void gcanvasDoItem(Tcl_Interp *interp, GcanvasItem *item, Tk_Uid tag);

/* Find, restack, bindings, scrolling, measures. */
int gcanvasFindItems(Tcl_Interp *interp, GcanvasWidget *canvas, int objc, Tcl_Obj *const objv[],
                     Tcl_Obj *newTag, int first, GcTagSearch **searchPtrPtr);
int gcanvasRelinkItems(GcanvasWidget *canvas, Tcl_Obj *tagObj, GcanvasItem *prevPtr,
                       GcTagSearch **searchPtrPtr);
void gcanvasBindProc(ClientData clientData, XEvent *eventPtr);
void gcanvasPickCurrentItem(GcanvasWidget *canvas, XEvent *eventPtr);
int gcanvasBindCmd(Tcl_Interp *interp, GcanvasWidget *canvas, int objc, Tcl_Obj *const objv[],
                   GcTagSearch **searchPtrPtr);
void gcanvasSetOrigin(GcanvasWidget *canvas, int xOrigin, int yOrigin);
void gcanvasUpdateScrollbars(GcanvasWidget *canvas);
double gridAlign(double coord, double spacing);
void printScrollFractions(int screen1, int screen2, double object1, double object2, char *buffer);
int gcanvasViewCmd(Tcl_Interp *interp, GcanvasWidget *canvas, int objc, Tcl_Obj *const objv[], int vertical);
int gcanvasScanCmd(Tcl_Interp *interp, GcanvasWidget *canvas, int objc, Tcl_Obj *const objv[]);
int gcanvasMeasureCmd(Tcl_Interp *interp, GcanvasWidget *canvas, int index, int objc,
                      Tcl_Obj *const objv[], GcTagSearch **searchPtrPtr);
int gcanvasFocusCmd(Tcl_Interp *interp, GcanvasWidget *canvas, int objc, Tcl_Obj *const objv[],
                    GcTagSearch **searchPtrPtr);
void gcanvasFocusChange(GcanvasWidget *canvas, int gotFocus);
int gcanvasSelectionProc(ClientData clientData, int offset, char *buffer, int maxBytes);
int gcanvasPostscriptCmd(GcanvasWidget *canvas, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);

#endif /* OVEX_CANVAS_GCANVAS_H */
