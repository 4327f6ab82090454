/*
 * group_item.cpp --
 *
 *	Group items: an item that holds other items, its members, and draws,
 *	measures and hit-tests them as one item placed at its position.
 *	Members live only in their group's member list, never in the
 *	widget's display list or id table; scripts reach them through the
 *	group commands of the widget's `group` subcommand and through the
 *	names "grpN" (a group) and "grpN.M" (member M of group N) in the
 *	widget's group-name table.
 *
 *	Member coordinates are relative to the group's position: canvas
 *	pixels in a group that is not -scalable (members keep their drawn
 *	size when the widget's scale changes), world units in a -scalable
 *	one. A group shares the container part of the widget record, so the
 *	members' procedures can take the group as their canvas; its own
 *	scale fields stay 1 except while a -scalable group lends them the
 *	scale of its container (the group's "frame").
 */
#include <math.h>
#include <stdio.h>
#include <string.h>
#include "canvas/gcanvas.h"
#include "canvas/item_kit.h"

typedef struct GroupItem {
    GcanvasContainer c;                 /* header first: the record is an item */
    struct GroupItem *outer;            /* the group that holds this one, null at top level */
    int named;                          /* "grpN" was entered for this group */
} GroupItem;

enum { TEXT_SIZE_MIN = 4, TEXT_SIZE_MAX = 400 };

#define GC_OFF(f) ((int)offsetof(GcanvasContainer, f))

static Tk_ConfigSpec configSpecs[] = {
    {TK_CONFIG_INT, "-floating", NULL, NULL, "0", GC_OFF(header.floating), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_STRING, "-groupstring", NULL, NULL, NULL, GC_OFF(groupString), 0, NULL},
    {TK_CONFIG_INT, "-scalable", NULL, NULL, "0", GC_OFF(groupScalable), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-tags", NULL, NULL, NULL, 0, TK_CONFIG_NULL_OK, &gcanvasTagsOption},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

static GroupItem *asGroup(GcanvasItem *item)
{
    return (GroupItem *)item;
}

static int isGroup(GcanvasItem *item)
{
    return item->group == item;
}

/* ---- names ---------------------------------------------------------------- */

static void enterName(GcanvasWidget *w, const char *name, GcanvasItem *item)
{
    int isNew;
    Tcl_HashEntry *e = Tcl_CreateHashEntry(&w->groupTable, name, &isNew);
    Tcl_SetHashValue(e, item);
}

/* Names are not unique across nesting levels: the newest holder owns a
 * name, and removing either holder removes it, so no entry outlives the
 * item it points to. */
static void removeName(GcanvasWidget *w, const char *name)
{
    Tcl_HashEntry *e = Tcl_FindHashEntry(&w->groupTable, name);
    if (e != NULL) {
        Tcl_DeleteHashEntry(e);
    }
}

static void groupName(char *buf, size_t n, int groupId)
{
    snprintf(buf, n, "grp%d", groupId);
}

static void memberName(char *buf, size_t n, int groupId, int memberId)
{
    snprintf(buf, n, "grp%d.%d", groupId, memberId);
}

/* ---- frames ---------------------------------------------------------------- */

/*
 * enterFrame / leaveFrame --
 *	The frame in which the members compute their boxes and answer hit
 *	tests: origin (0, 0), scale 1 in a group that is not -scalable, the
 *	container's scale and text-size settings in a -scalable one. Member
 *	boxes and hit-test points are therefore canvas pixels relative to the
 *	group's position.
 */
static void enterFrame(GroupItem *g, GcCanvas container)
{
    if (g->c.groupScalable) {
        g->c.mx = container->mx;
        g->c.my = container->my;
        g->c.textSizeRatio = container->textSizeRatio;
        g->c.textSizeMin = container->textSizeMin;
        g->c.textSizeMax = container->textSizeMax;
    }
}

static void leaveFrame(GroupItem *g)
{
    g->c.sxOrigin = g->c.syOrigin = 0.0;
    g->c.mx = g->c.my = 1.0;
    g->c.textSizeRatio = 1.0;
    g->c.textSizeMin = TEXT_SIZE_MIN;
    g->c.textSizeMax = TEXT_SIZE_MAX;
}

/* The group's position in the canvas pixels of its container. */
static void positionIn(GcCanvas container, GroupItem *g, double *px, double *py)
{
    *px = g->c.groupX * container->mx - container->sxOrigin;
    *py = g->c.groupY * container->my - container->syOrigin;
}

GcanvasItem *gcanvasGroupTopLevel(GcanvasItem *item)
{
    if (item->group == NULL) {
        return item;
    }
    GroupItem *g = asGroup(item->group);
    while (g->outer != NULL) {
        g = g->outer;
    }
    return &g->c.header;
}

/* ---- box --------------------------------------------------------------------- */

/*
 * groupComputeBbox --
 *	The union of the members' boxes without their margins, moved to the
 *	group's position and stretched to contain it; one pixel at the
 *	position when the group is hidden or shows nothing. Member groups
 *	recompute their own members on the way.
 */
static void groupComputeBbox(GcCanvas container, GcanvasItem *item)
{
    GroupItem *g = asGroup(item);
    GcanvasWidget *w = gcanvasWidgetOf(container);
    double px, py;
    positionIn(container, g, &px, &py);

    enterFrame(g, container);
    int any = 0;
    double b[4] = {0, 0, 0, 0};
    for (GcanvasItem *m = g->c.firstItemPtr; m != NULL; m = m->nextPtr) {
        if (m->typePtr->bboxProc != NULL) {
            m->typePtr->bboxProc(&g->c, m);
        }
        /* Hidden members and members that show nothing have empty boxes,
         * which must not pull the group's box towards them. */
        if (m->x1 >= m->x2 || m->y1 >= m->y2) {
            continue;
        }
        double x1 = m->x1 + m->marginX, y1 = m->y1 + m->marginY;
        double x2 = m->x2 - m->marginX, y2 = m->y2 - m->marginY;
        if (!any) {
            b[0] = x1; b[1] = y1; b[2] = x2; b[3] = y2;
            any = 1;
        } else {
            if (x1 < b[0]) b[0] = x1;
            if (y1 < b[1]) b[1] = y1;
            if (x2 > b[2]) b[2] = x2;
            if (y2 > b[3]) b[3] = y2;
        }
    }
    leaveFrame(g);

    if (!any || gcanvasItemHidden(w, item)) {
        item->x1 = px;
        item->y1 = py;
        item->x2 = px + 1;
        item->y2 = py + 1;
        return;
    }
    b[0] += px; b[1] += py; b[2] += px; b[3] += py;
    if (px < b[0]) b[0] = px; else if (px > b[2]) b[2] = px;
    if (py < b[1]) b[1] = py; else if (py > b[3]) b[3] = py;
    item->x1 = b[0];
    item->y1 = b[1];
    item->x2 = b[2];
    item->y2 = b[3];
    item->marginX = item->marginY = 0.0f;
}

/* After a change anywhere inside a group, every enclosing group's box
 * is recomputed from the top-level group down, so that redraws of the
 * top-level box cover the change. */
static void refreshBoxes(GcanvasWidget *w, GroupItem *g)
{
    groupComputeBbox(w, gcanvasGroupTopLevel(&g->c.header));
}

static void redrawTop(GcanvasWidget *w, GroupItem *g)
{
    gcanvasEventuallyRedrawItem(w, gcanvasGroupTopLevel(&g->c.header));
}

/* ---- coordinates, options, creation ------------------------------------------ */

static int groupCoords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    GroupItem *g = asGroup(item);
    if (objc == 0) {
        Tcl_Obj *list = Tcl_NewListObj(0, NULL);
        Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(g->c.groupX));
        Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(g->c.groupY));
        Tcl_SetObjResult(interp, list);
        return TCL_OK;
    }
    char buf[80];
    Tcl_Obj **words = (Tcl_Obj **)objv;
    if (objc == 1) {
        int n;
        if (Tcl_ListObjGetElements(interp, objv[0], &n, &words) != TCL_OK) {
            return TCL_ERROR;
        }
        if (n != 2) {
            snprintf(buf, sizeof buf, "wrong # coordinates: expected 2, got %d", n);
            Tcl_SetObjResult(interp, Tcl_NewStringObj(buf, -1));
            return TCL_ERROR;
        }
    } else if (objc != 2) {
        snprintf(buf, sizeof buf, "wrong # coordinates: expected 0 or 2, got %d", objc);
        Tcl_SetObjResult(interp, Tcl_NewStringObj(buf, -1));
        return TCL_ERROR;
    }
    double x, y;
    if (gcanvasGetCoordFromObj(interp, c, words[0], &x) != TCL_OK
            || gcanvasGetCoordFromObj(interp, c, words[1], &y) != TCL_OK) {
        return TCL_ERROR;
    }
    g->c.groupX = x;
    g->c.groupY = y;
    groupComputeBbox(c, item);
    return TCL_OK;
}

static int groupConfigure(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[],
                          int flags)
{
    if (Tk_ConfigureWidget(interp, gcanvasTkwin(c), configSpecs, objc, (const char **)objv, (char *)item,
                           flags | TK_CONFIG_OBJS) != TCL_OK) {
        return TCL_ERROR;
    }
    groupComputeBbox(c, item);
    return TCL_OK;
}

/* Unlinks nothing: the caller has taken the member out of its list. */
static void freeMember(GcanvasWidget *w, GroupItem *g, GcanvasItem *m)
{
    char name[64];
    memberName(name, sizeof name, g->c.header.id, m->id);
    removeName(w, name);
    gcanvasForgetQueued(w, m);
    gcanvasFreeItem(w, m);
}

static void groupDelete(GcCanvas c, GcanvasItem *item, Display *display)
{
    (void)display;
    GroupItem *g = asGroup(item);
    GcanvasWidget *w = gcanvasWidgetOf(c);
    while (g->c.firstItemPtr != NULL) {
        GcanvasItem *m = g->c.firstItemPtr;
        g->c.firstItemPtr = m->nextPtr;
        if (m->nextPtr != NULL) m->nextPtr->prevPtr = NULL;
        freeMember(w, g, m);
    }
    g->c.lastItemPtr = NULL;
    if (g->c.groupString != NULL) {
        ckfree(g->c.groupString);
        g->c.groupString = NULL;
    }
    if (g->named) {
        char name[64];
        groupName(name, sizeof name, item->id);
        removeName(w, name);
        g->named = 0;
    }
}

static int groupCreate(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    GroupItem *g = asGroup(item);
    int numCoords = gcanvasCreateCoordWords(interp, c, item, objc, objv, 2, "x y ?options?");
    if (numCoords < 0) return TCL_ERROR;
    GcanvasWidget *w = gcanvasWidgetOf(c);
    g->c.tkwin = w->tkwin;
    g->c.display = w->display;
    g->c.interp = w->interp;
    g->c.canvasPtr = w;
    g->c.groupScalable = 0;
    g->c.groupString = NULL;
    g->c.firstItemPtr = g->c.lastItemPtr = NULL;
    g->c.nextId = 1;
    g->c.closeEnough = w->closeEnough;
    leaveFrame(g);
    g->outer = NULL;
    g->named = 0;
    item->group = item;
    if (groupCoords(interp, c, item, numCoords, objv) != TCL_OK
            || groupConfigure(interp, c, item, objc - numCoords, objv + numCoords, 0) != TCL_OK) {
        groupDelete(c, item, w->display);
        return TCL_ERROR;
    }
    char name[64];
    groupName(name, sizeof name, item->id);
    enterName(w, name, item);
    g->named = 1;
    return TCL_OK;
}

/* ---- drawing and hit tests -------------------------------------------------- */

static void groupDisplay(GcCanvas c, GcanvasItem *item, Display *display, Drawable drawable, int x, int y,
                         int width, int height)
{
    GroupItem *g = asGroup(item);
    GcanvasWidget *w = gcanvasWidgetOf(c);
    double px, py;
    positionIn(w, g, &px, &py);
    /* Members of a group that is not -scalable have boxes in screen pixels,
     * which a print at the page's resolution draws pixelRatio times larger. */
    double ratio = g->c.groupScalable ? 1.0 : w->pixelRatio;
    double lx = trunc((x - px) / ratio), ly = trunc((y - py) / ratio);
    double lx2 = lx + ceil(width / ratio), ly2 = ly + ceil(height / ratio);

    /* The members draw through the widget's transform moved to the
     * group's position (and at scale 1 unless the group is -scalable). */
    double sx = w->sxOrigin, sy = w->syOrigin, mx = w->mx, my = w->my;
    w->sxOrigin -= g->c.groupX * w->mx;
    w->syOrigin -= g->c.groupY * w->my;
    if (!g->c.groupScalable) {
        w->mx = w->my = ratio;
    }
    for (GcanvasItem *m = g->c.firstItemPtr; m != NULL; m = m->nextPtr) {
        int meets = lx2 > m->x1 && ly2 > m->y1 && lx <= m->x2 && ly <= m->y2;
        if ((!meets && !(m->typePtr->flags & GC_TYPE_ALWAYS_REDRAW)) || gcanvasItemHidden(w, m)
                || m->typePtr->displayProc == NULL) {
            continue;
        }
        m->typePtr->displayProc(w, m, display, drawable, x, y, width, height);
    }
    w->sxOrigin = sx;
    w->syOrigin = sy;
    w->mx = mx;
    w->my = my;
}

static double groupToPoint(GcCanvas c, GcanvasItem *item, double *point)
{
    GroupItem *g = asGroup(item);
    GcanvasWidget *w = gcanvasWidgetOf(c);
    double px, py;
    positionIn(c, g, &px, &py);
    double p[2] = {point[0] - px, point[1] - py};
    double best = HUGE_VAL;
    enterFrame(g, c);
    for (GcanvasItem *m = g->c.lastItemPtr; m != NULL; m = m->prevPtr) {
        if (m->typePtr->pointProc == NULL || gcanvasItemHidden(w, m)) continue;
        double d = m->typePtr->pointProc(&g->c, m, p);
        if (d < best) {
            best = d;
            if (d < w->closeEnough) break;
        }
    }
    leaveFrame(g);
    return best;
}

static int groupToArea(GcCanvas c, GcanvasItem *item, double *rect)
{
    GroupItem *g = asGroup(item);
    GcanvasWidget *w = gcanvasWidgetOf(c);
    double px, py;
    positionIn(c, g, &px, &py);
    double r[4] = {rect[0] - px, rect[1] - py, rect[2] - px, rect[3] - py};
    double t;
    if (r[0] > r[2]) { t = r[0]; r[0] = r[2]; r[2] = t; }
    if (r[1] > r[3]) { t = r[1]; r[1] = r[3]; r[3] = t; }
    int result = -1;
    enterFrame(g, c);
    for (GcanvasItem *m = g->c.lastItemPtr; m != NULL; m = m->prevPtr) {
        if (m->typePtr->areaProc == NULL || gcanvasItemHidden(w, m)) continue;
        if (m->typePtr->areaProc(&g->c, m, r) == 1) {
            result = 1;
            break;
        }
    }
    leaveFrame(g);
    return result;
}

static int groupPostscript(Tcl_Interp *, GcCanvas, GcanvasItem *, int)
{
    return TCL_OK;
}

static void groupScale(GcCanvas c, GcanvasItem *item, double ox, double oy, double sx, double sy)
{
    GroupItem *g = asGroup(item);
    g->c.groupX = ox + (g->c.groupX - ox) * sx;
    g->c.groupY = oy + (g->c.groupY - oy) * sy;
    groupComputeBbox(c, item);
}

static void groupTranslate(GcCanvas c, GcanvasItem *item, double dx, double dy)
{
    GroupItem *g = asGroup(item);
    g->c.groupX += dx;
    g->c.groupY += dy;
    groupComputeBbox(c, item);
}

/* ---- group commands ------------------------------------------------------------- */

/* The member types, in the order abbreviations are matched: symbol,
 * window and object items cannot be members. */
static GcanvasItemType *memberTypes[10];
static int numMemberTypes = -1;

static void buildMemberTypes(void)
{
    static const char *const names[] = {"rectangle", "text", "line", "polygon", "image",
                                        "oval", "bitmap", "arc", "gtext", "group"};
    if (numMemberTypes >= 0) return;
    numMemberTypes = 0;
    for (const char *name : names) {
        GcanvasItemType *t = gcanvasFindItemType(name);
        if (t != NULL) memberTypes[numMemberTypes++] = t;
    }
}

static GcanvasItemType *matchMemberType(const char *word)
{
    size_t n = strlen(word);
    GcanvasItemType *match = NULL;
    for (int i = 0; i < numMemberTypes; i++) {
        GcanvasItemType *t = memberTypes[i];
        if (word[0] == t->name[0] && strncmp(word, t->name, n) == 0) {
            if (match != NULL) return NULL;
            match = t;
        }
    }
    return match;
}

enum { CMD_LIST, CMD_DELETE, CMD_ITEMCONFIG, CMD_COORDS, CMD_TYPE };

static int matchCommand(const char *word)
{
    static const char *const names[] = {"list", "delete", "itemconfig", "coords"};
    size_t n = strlen(word);
    for (int i = 0; i < 4; i++) {
        if (n > 0 && word[0] == names[i][0] && strncmp(word, names[i], n) == 0) return i;
    }
    return CMD_TYPE;
}

static int unknownCommand(Tcl_Interp *interp, Tcl_Obj *word)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "unknown or ambiguous group command \"", Tcl_GetString(word), "\"", (char *)NULL);
    return TCL_ERROR;
}

static GcanvasItem *findMember(GroupItem *g, int id)
{
    for (GcanvasItem *m = g->c.firstItemPtr; m != NULL; m = m->nextPtr) {
        if (m->id == id) return m;
    }
    return NULL;
}

static void listMembers(Tcl_Interp *interp, GroupItem *g)
{
    Tcl_Obj *list = Tcl_NewListObj(0, NULL);
    for (GcanvasItem *m = g->c.firstItemPtr; m != NULL; m = m->nextPtr) {
        Tcl_ListObjAppendElement(NULL, list, Tcl_NewIntObj(m->id));
    }
    Tcl_SetObjResult(interp, list);
}

/*
 * groupRemoveMember --
 *	Takes member memberId out of the group and frees it; an id that is
 *	not a member does nothing.
 */
static void groupRemoveMember(GcanvasWidget *w, GroupItem *g, int memberId)
{
    GcanvasItem *m = findMember(g, memberId);
    if (m == NULL) return;
    if (m->prevPtr != NULL) m->prevPtr->nextPtr = m->nextPtr;
    else g->c.firstItemPtr = m->nextPtr;
    if (m->nextPtr != NULL) m->nextPtr->prevPtr = m->prevPtr;
    else g->c.lastItemPtr = m->prevPtr;
    m->nextPtr = m->prevPtr = NULL;
    freeMember(w, g, m);
}

/* A group addressed by its own name goes as the widget's `delete` would
 * take it: a top-level group leaves the display list, a member group
 * leaves its owner group. */
static void deleteWholeGroup(GcanvasWidget *w, GroupItem *g)
{
    GroupItem *outer = g->outer;
    if (outer == NULL) {
        gcanvasDeleteItem(w, &g->c.header);
        return;
    }
    groupRemoveMember(w, outer, g->c.header.id);
    refreshBoxes(w, outer);
    redrawTop(w, outer);
}

static int configMember(Tcl_Interp *interp, GcanvasWidget *w, GroupItem *g, GcanvasItem *m, int objc,
                        Tcl_Obj *const objv[])
{
    if (objc <= 1) {
        return Tk_ConfigureInfo(interp, w->tkwin, m->typePtr->configSpecs, (char *)m,
                                objc == 0 ? NULL : Tcl_GetString(objv[0]), 0);
    }
    redrawTop(w, g);
    int status = m->typePtr->configProc(interp, w, m, objc, objv, TK_CONFIG_ARGV_ONLY);
    refreshBoxes(w, g);
    redrawTop(w, g);
    w->flags |= GC_REPICK_NEEDED;
    return status;
}

static int coordsMember(Tcl_Interp *interp, GcanvasWidget *w, GroupItem *g, GcanvasItem *m, int objc,
                        Tcl_Obj *const objv[])
{
    if (m->typePtr->coordProc == NULL) return TCL_OK;
    if (objc == 0) {
        return m->typePtr->coordProc(interp, w, m, 0, objv);
    }
    redrawTop(w, g);
    int status = m->typePtr->coordProc(interp, w, m, objc, objv);
    refreshBoxes(w, g);
    redrawTop(w, g);
    return status;
}

/* typeName x y ?option value ...?: a new member at the end of the list. */
static int makeMember(Tcl_Interp *interp, GcanvasWidget *w, GroupItem *g, int objc, Tcl_Obj *const objv[])
{
    GcanvasItemType *type = matchMemberType(Tcl_GetString(objv[0]));
    if (type == NULL) {
        return unknownCommand(interp, objv[0]);
    }
    if (objc < 3) {
        Tcl_WrongNumArgs(interp, objc < 2 ? objc : 2, objv, "type ?arg arg ...?");
        return TCL_ERROR;
    }
    GcanvasItem *m = (GcanvasItem *)ckalloc(type->itemSize);
    memset((void *)m, 0, type->itemSize);
    /* Taken before the create procedure, which may run scripts. */
    m->id = g->c.nextId++;
    m->tagPtr = m->staticTagSpace;
    m->tagSpace = 3;
    m->typePtr = type;
    m->state = GC_STATE_NULL;
    m->group = &g->c.header;
    /* Marked as queued for good: a member's own redraw requests would
     * name a box of its group's frame, which the widget must not take;
     * the group's redraws cover its members. */
    m->redraw_flags = GC_ITEM_BOX_QUEUED;
    if (type->createProc(interp, w, m, objc - 1, objv + 1) != TCL_OK) {
        if (g->c.nextId == m->id + 1) g->c.nextId = m->id;
        gcanvasForgetQueued(w, m);
        if (m->tagPtr != m->staticTagSpace) ckfree((char *)m->tagPtr);
        ckfree((char *)m);
        return TCL_ERROR;
    }
    if (isGroup(m)) {
        asGroup(m)->outer = g;
    }
    m->nextPtr = NULL;
    m->prevPtr = g->c.lastItemPtr;
    if (g->c.lastItemPtr == NULL) g->c.firstItemPtr = m;
    else g->c.lastItemPtr->nextPtr = m;
    g->c.lastItemPtr = m;

    refreshBoxes(w, g);
    redrawTop(w, g);
    w->flags |= GC_REPICK_NEEDED;

    char name[64];
    memberName(name, sizeof name, g->c.header.id, m->id);
    enterName(w, name, m);
    Tcl_SetObjResult(interp, Tcl_NewIntObj(m->id));
    return TCL_OK;
}

/* A member id word of the tagOrId forms; not a member: an error with an
 * empty result. */
static int memberFromWord(Tcl_Interp *interp, GroupItem *g, int objc, Tcl_Obj *const objv[],
                          const char *usage, GcanvasItem **out)
{
    if (objc < 2) {
        Tcl_WrongNumArgs(interp, 1, objv, usage);
        return TCL_ERROR;
    }
    int id;
    if (Tcl_GetIntFromObj(interp, objv[1], &id) != TCL_OK) return TCL_ERROR;
    *out = findMember(g, id);
    if (*out == NULL) {
        Tcl_ResetResult(interp);
        return TCL_ERROR;
    }
    return TCL_OK;
}

/*
 * groupCmdByTag --
 *	The group commands on a group found by tagOrId: members are named by
 *	their ids.
 */
static int groupCmdByTag(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    GcanvasWidget *w = gcanvasWidgetOf(c);
    GroupItem *g = asGroup(item);
    GcanvasItem *m;
    buildMemberTypes();
    switch (matchCommand(Tcl_GetString(objv[0]))) {
    case CMD_LIST:
        listMembers(interp, g);
        return TCL_OK;
    case CMD_DELETE: {
        int status = TCL_OK;
        for (int i = 1; i < objc; i++) {
            int id;
            if (Tcl_GetIntFromObj(interp, objv[i], &id) != TCL_OK) {
                status = TCL_ERROR;
                break;
            }
            groupRemoveMember(w, g, id);
        }
        refreshBoxes(w, g);
        redrawTop(w, g);
        return status;
    }
    case CMD_ITEMCONFIG:
        if (memberFromWord(interp, g, objc, objv, "id ?option? ?value option value ...?", &m) != TCL_OK) {
            return TCL_ERROR;
        }
        return configMember(interp, w, g, m, objc - 2, objv + 2);
    case CMD_COORDS:
        if (memberFromWord(interp, g, objc, objv, "id ?x y ...?", &m) != TCL_OK) return TCL_ERROR;
        return coordsMember(interp, w, g, m, objc - 2, objv + 2);
    default:
        return makeMember(interp, w, g, objc, objv);
    }
}

/*
 * groupCmdByName --
 *	The group commands on an item found by its group name: a group
 *	(top-level or a member of another) or a member that is not a group,
 *	whose commands then act on the group that holds it.
 */
static int groupCmdByName(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    GcanvasWidget *w = gcanvasWidgetOf(c);
    GroupItem *g = asGroup(isGroup(item) ? item : item->group);
    buildMemberTypes();
    switch (matchCommand(Tcl_GetString(objv[0]))) {
    case CMD_LIST:
        listMembers(interp, g);
        return TCL_OK;
    case CMD_DELETE:
        if (isGroup(item)) {
            deleteWholeGroup(w, g);
        } else {
            groupRemoveMember(w, g, item->id);
            refreshBoxes(w, g);
            redrawTop(w, g);
        }
        return TCL_OK;
    case CMD_ITEMCONFIG:
        return configMember(interp, w, g, item, objc - 1, objv + 1);
    case CMD_COORDS:
        return coordsMember(interp, w, g, item, objc - 1, objv + 1);
    default:
        if (!isGroup(item)) {
            return unknownCommand(interp, objv[0]);
        }
        return makeMember(interp, w, g, objc, objv);
    }
}

GcanvasItemType gcanvasGroupType = {
    "group", sizeof(GroupItem), groupCreate, configSpecs, groupConfigure, groupCoords, groupDelete,
    groupDisplay, GC_TYPE_OBJECTS, groupToPoint, groupToArea, groupPostscript, groupScale, groupTranslate,
    NULL, NULL, NULL, NULL, NULL, groupComputeBbox, groupCmdByTag, groupCmdByName, NULL, NULL, NULL, NULL,
    NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL};
