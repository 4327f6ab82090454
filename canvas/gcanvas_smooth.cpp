/*
 * gcanvas_smooth.cpp --
 *
 *	Bezier smoothing of point lists (to drawable points, to doubles and
 *	to PostScript), the -smooth option and the per-interpreter registry
 *	of smoothing methods that an embedding application may add to.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "canvas/gcanvas_geometry.h"
#include "canvas/gcanvas_outline.h"

void bezierPointsDouble(const double *c, int numSteps, double *out)
{
    for (int i = 1; i <= numSteps; i++, out += 2) {
        double t = (double)i / numSteps, u = 1.0 - t;
        double t2 = t * t, t3 = t2 * t, u2 = u * u, u3 = u2 * u;
        out[0] = c[0] * u3 + 3.0 * (c[2] * t * u2 + c[4] * t2 * u) + c[6] * t3;
        out[1] = c[1] * u3 + 3.0 * (c[3] * t * u2 + c[5] * t2 * u) + c[7] * t3;
    }
}

void bezierScreenPoints(GcCanvas c, const double *control, int numSteps, XPoint *out)
{
    GcanvasWidget *w = gcanvasWidgetOf(c);
    double pt[2];
    for (int i = 1; i <= numSteps; i++, out++) {
        double t = (double)i / numSteps, u = 1.0 - t;
        double t2 = t * t, t3 = t2 * t, u2 = u * u, u3 = u2 * u;
        pt[0] = control[0] * u3 + 3.0 * (control[2] * t * u2 + control[4] * t2 * u) + control[6] * t3;
        pt[1] = control[1] * u3 + 3.0 * (control[3] * t * u2 + control[5] * t2 * u) + control[7] * t3;
        out->x = gcanvasDrawableCoords(w->drawableXOrigin, pt[0]);
        out->y = gcanvasDrawableCoords(w->drawableYOrigin, pt[1]);
    }
}

static void emitPoint(GcCanvas c, double x, double y, XPoint *xp, double *dp)
{
    if (xp != NULL) {
        GcanvasWidget *w = gcanvasWidgetOf(c);
        xp->x = gcanvasDrawableCoords(w->drawableXOrigin, x);
        xp->y = gcanvasDrawableCoords(w->drawableYOrigin, y);
    }
    if (dp != NULL) {
        dp[0] = x;
        dp[1] = y;
    }
}

static void emitCurve(GcCanvas c, const double *control, int numSteps, XPoint *xp, double *dp)
{
    if (xp != NULL) bezierScreenPoints(c, control, numSteps, xp);
    if (dp != NULL) bezierPointsDouble(control, numSteps, dp);
}

/* The control points of the curve that closes a closed list (its last
 * point equals its first) around that first point. */
static void closedStartControls(const double *p, int numPoints, double control[8])
{
    const double *q = p + 2 * numPoints - 4;
    control[0] = 0.5 * q[0] + 0.5 * p[0];
    control[1] = 0.5 * q[1] + 0.5 * p[1];
    control[2] = 0.167 * q[0] + 0.833 * p[0];
    control[3] = 0.167 * q[1] + 0.833 * p[1];
    control[4] = 0.833 * p[0] + 0.167 * p[2];
    control[5] = 0.833 * p[1] + 0.167 * p[3];
    control[6] = 0.5 * p[0] + 0.5 * p[2];
    control[7] = 0.5 * p[1] + 0.5 * p[3];
}

int bezierSmoothCoords(GcCanvas c, const double *p, int numPoints, int numSteps, XPoint *xPoints,
                       double *dblPoints)
{
    if (p == NULL) return 1 + numPoints * numSteps;
    if (numPoints < 1) return 0;
    int out = 0;
    double control[8];
    int closed = numPoints > 2 && p[0] == p[2 * numPoints - 2] && p[1] == p[2 * numPoints - 1];
    XPoint *xp = xPoints;
    double *dp = dblPoints;
    if (closed) {
        closedStartControls(p, numPoints, control);
        emitPoint(c, control[0], control[1], xp, dp);
        out++;
        if (xp) xp++;
        if (dp) dp += 2;
        emitCurve(c, control, numSteps, xp, dp);
        out += numSteps;
        if (xp) xp += numSteps;
        if (dp) dp += 2 * numSteps;
    } else {
        emitPoint(c, p[0], p[1], xp, dp);
        out++;
        if (xp) xp++;
        if (dp) dp += 2;
    }
    for (int i = 2; i < numPoints; i++) {
        const double *q = p + 2 * (i - 2);
        if (i == 2 && !closed) {
            control[0] = q[0];
            control[1] = q[1];
            control[2] = 0.333 * q[0] + 0.667 * q[2];
            control[3] = 0.333 * q[1] + 0.667 * q[3];
        } else {
            control[0] = 0.5 * q[0] + 0.5 * q[2];
            control[1] = 0.5 * q[1] + 0.5 * q[3];
            control[2] = 0.167 * q[0] + 0.833 * q[2];
            control[3] = 0.167 * q[1] + 0.833 * q[3];
        }
        if (i == numPoints - 1 && !closed) {
            control[4] = 0.667 * q[2] + 0.333 * q[4];
            control[5] = 0.667 * q[3] + 0.333 * q[5];
            control[6] = q[4];
            control[7] = q[5];
        } else {
            control[4] = 0.833 * q[2] + 0.167 * q[4];
            control[5] = 0.833 * q[3] + 0.167 * q[5];
            control[6] = 0.5 * q[2] + 0.5 * q[4];
            control[7] = 0.5 * q[3] + 0.5 * q[5];
        }
        if ((q[0] == q[2] && q[1] == q[3]) || (q[2] == q[4] && q[3] == q[5])) {
            emitPoint(c, control[6], control[7], xp, dp);
            out++;
            if (xp) xp++;
            if (dp) dp += 2;
        } else {
            emitCurve(c, control, numSteps, xp, dp);
            out += numSteps;
            if (xp) xp += numSteps;
            if (dp) dp += 2 * numSteps;
        }
    }
    return out;
}

void bezierSmoothPostscript(Tcl_Interp *interp, GcCanvas c, const double *p, int numPoints)
{
    if (numPoints < 1) return;
    char buf[500];
    double control[8];
    int closed = numPoints > 2 && p[0] == p[2 * numPoints - 2] && p[1] == p[2 * numPoints - 1];
    if (closed) {
        closedStartControls(p, numPoints, control);
        snprintf(buf, sizeof buf, "%.15g %.15g moveto\n%.15g %.15g %.15g %.15g %.15g %.15g curveto\n",
                 control[0], gcanvasPsY(c, control[1]), control[2], gcanvasPsY(c, control[3]), control[4],
                 gcanvasPsY(c, control[5]), control[6], gcanvasPsY(c, control[7]));
    } else {
        control[6] = p[0];
        control[7] = p[1];
        snprintf(buf, sizeof buf, "%.15g %.15g moveto\n", control[6], gcanvasPsY(c, control[7]));
    }
    Tcl_AppendResult(interp, buf, (char *)NULL);
    const double *q = p + 2;
    for (int i = numPoints - 2; i > 0; i--, q += 2) {
        control[2] = 0.333 * control[6] + 0.667 * q[0];
        control[3] = 0.333 * control[7] + 0.667 * q[1];
        if (!closed && i == 1) {
            control[6] = q[2];
            control[7] = q[3];
        } else {
            control[6] = 0.5 * q[0] + 0.5 * q[2];
            control[7] = 0.5 * q[1] + 0.5 * q[3];
        }
        control[4] = 0.333 * control[6] + 0.667 * q[0];
        control[5] = 0.333 * control[7] + 0.667 * q[1];
        snprintf(buf, sizeof buf, "%.15g %.15g %.15g %.15g %.15g %.15g curveto\n", control[2],
                 gcanvasPsY(c, control[3]), control[4], gcanvasPsY(c, control[5]), control[6],
                 gcanvasPsY(c, control[7]));
        Tcl_AppendResult(interp, buf, (char *)NULL);
    }
}

SmoothMethod gcanvasBezierSmooth = {"bezier", bezierSmoothCoords, bezierSmoothPostscript};

/* ---- the registry ---- */

typedef struct SmoothEntry {
    struct SmoothEntry *next;
    SmoothMethod method;
} SmoothEntry;

static const char REGISTRY_KEY[] = "g_smoothMethod";

static void smoothMethodCleanup(ClientData clientData, Tcl_Interp *)
{
    SmoothEntry *e = (SmoothEntry *)clientData;
    while (e != NULL) {
        SmoothEntry *next = e->next;
        ckfree((char *)e->method.name);
        ckfree((char *)e);
        e = next;
    }
}

void createSmoothMethod(Tcl_Interp *interp, const SmoothMethod *method)
{
    SmoothEntry *head = (SmoothEntry *)Tcl_GetAssocData(interp, REGISTRY_KEY, NULL);
    for (SmoothEntry **pp = &head; *pp != NULL; pp = &(*pp)->next) {
        if (strcmp((*pp)->method.name, method->name) == 0) {
            SmoothEntry *gone = *pp;
            *pp = gone->next;
            ckfree((char *)gone->method.name);
            ckfree((char *)gone);
            break;
        }
    }
    SmoothEntry *e = (SmoothEntry *)ckalloc(sizeof *e);
    char *name = (char *)ckalloc(strlen(method->name) + 1);
    strcpy(name, method->name);
    e->method = *method;
    e->method.name = name;
    e->next = head;
    Tcl_SetAssocData(interp, REGISTRY_KEY, smoothMethodCleanup, e);
}

static int smoothParse(ClientData, Tcl_Interp *interp, Tk_Window, const char *value, char *rec, int offset)
{
    const SmoothMethod **field = (const SmoothMethod **)(rec + offset);
    if (value == NULL || *value == '\0') {
        *field = NULL;
        return TCL_OK;
    }
    Tcl_Obj *saved = Tcl_GetObjResult(interp);
    Tcl_IncrRefCount(saved);
    int b;
    if (Tcl_GetBoolean(interp, value, &b) == TCL_OK) {
        *field = b ? &gcanvasBezierSmooth : NULL;
        Tcl_DecrRefCount(saved);
        return TCL_OK;
    }
    Tcl_Obj *boolMessage = Tcl_GetObjResult(interp);
    Tcl_IncrRefCount(boolMessage);
    size_t n = strlen(value);
    const SmoothMethod *match = NULL;
    for (SmoothEntry *e = (SmoothEntry *)Tcl_GetAssocData(interp, REGISTRY_KEY, NULL); e != NULL; e = e->next) {
        if (strncmp(value, e->method.name, n) == 0) {
            if (match != NULL) {
                Tcl_ResetResult(interp);
                Tcl_AppendResult(interp, "ambigeous smooth method \"", value, "\"", (char *)NULL);
                Tcl_DecrRefCount(saved);
                Tcl_DecrRefCount(boolMessage);
                return TCL_ERROR;
            }
            match = &e->method;
        }
    }
    if (match == NULL && strncmp(value, "bezier", n) == 0) match = &gcanvasBezierSmooth;
    if (match == NULL) {
        Tcl_SetObjResult(interp, boolMessage);
        Tcl_DecrRefCount(boolMessage);
        Tcl_DecrRefCount(saved);
        return TCL_ERROR;
    }
    *field = match;
    Tcl_SetObjResult(interp, saved);
    Tcl_DecrRefCount(saved);
    Tcl_DecrRefCount(boolMessage);
    return TCL_OK;
}

static const char *smoothPrint(ClientData, Tk_Window, char *rec, int offset, Tcl_FreeProc **freeProc)
{
    const SmoothMethod *m = *(const SmoothMethod **)(rec + offset);
    *freeProc = NULL;
    return m != NULL ? m->name : "0";
}

Tk_CustomOption gcanvasSmoothOption = {smoothParse, smoothPrint, NULL};
