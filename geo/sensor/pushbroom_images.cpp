/*
 * pushbroom_images.cpp --
 *
 *	Geometry of the scan lines (line search, grid size, footprint) and
 *	the pushbroom scanner's image operations.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "core/rounding.h"
#include "core/vocabulary.h"
#include "geo/sensor/pushbroom_model.h"
#include "geo/sensor/rotation.h"
#include "geo/sensor/sensor_command_kit.h"
#include "geo/sensor/sensor_images.h"

PushbroomGeometry pushbroomGeometry(const PushbroomModel &m)
{
    PushbroomGeometry g;
    g.in.f = m.f;
    g.in.dx = m.dx;
    g.in.dy = m.dy;
    g.in.xc = m.xc;
    g.in.yc = m.yc;
    if (m.nscanlines > 0 && m.lines != NULL && m.matrices != NULL) {
        g.lines.assign(m.lines, m.lines + m.nscanlines);
        g.matrices.assign(m.matrices, m.matrices + (size_t)m.nscanlines * 9);
    }
    return g;
}

/* ---- Line search -------------------------------------------------------------- */

int pushbroomBisectStep(PushbroomEnd *A, PushbroomEnd *B,
                        const std::function<double(int line)> &residual)
{
    int m = (A->line + B->line) / 2;
    double rho = residual(m);
    if (A->rho * rho < 0) {
        B->line = m; B->rho = rho;
    } else if (B->rho * rho < 0) {
        A->line = m; A->rho = rho;
    } else if (fabs(A->rho) > fabs(rho)) {
        A->line = m; A->rho = rho;
    } else if (fabs(B->rho) > fabs(rho)) {
        B->line = m; B->rho = rho;
    } else {
        return 0;
    }
    return abs(B->line - A->line) > 1;
}

void pushbroomBracket(int n, const std::function<double(int line)> &residual,
                      PushbroomFix *fix)
{
    PushbroomEnd A = {0, residual(0)};
    PushbroomEnd B = {n - 1, residual(n - 1)};
    while (pushbroomBisectStep(&A, &B, residual)) {
    }
    const PushbroomEnd &chosen = fabs(A.rho) >= fabs(B.rho) ? B : A;
    fix->line = chosen.line;
    fix->residual = chosen.rho;
    fix->spread = fabs(A.rho) + fabs(B.rho);
}

void pushbroomFindLine(const PushbroomGeometry &g, double X, double Y, double Z,
                       PushbroomFix *fix)
{
    pushbroomBracket(g.n(), [&](int i) { return mapToImageRow(g.R(i), g.position(i), g.in, X, Y, Z); },
                     fix);
    fix->col = mapToImageCol(g.R(fix->line), g.position(fix->line), g.in, X, Y, Z);
}

/* ---- Grid size and footprint ---------------------------------------------------- */

void pushbroomGridSize(const PushbroomGeometry &g, double *gx, double *gy)
{
    double W = roundToInt(2.0 * g.in.xc);
    int n = g.n();
    double across = 0.0, along = 0.0;
    double px = 0, py = 0, qx = 0, qy = 0;
    for (int i = 0; i < n; i++) {
        double Px, Py, Qx, Qy;
        imageToMap(g.R(i), g.position(i), g.in, 0.0, 0.0, &Px, &Py);
        imageToMap(g.R(i), g.position(i), g.in, W, 0.0, &Qx, &Qy);
        across += hypot(Px - Qx, Py - Qy);
        if (i >= 1) {
            along += hypot(px - Px, py - Py) + hypot(qx - Qx, qy - Qy);
        }
        px = Px; py = Py; qx = Qx; qy = Qy;
    }
    *gx = across / ((W - 1) * n);
    *gy = along / (2.0 * (n - 1));
}

int pushbroomFootprint(const PushbroomGeometry &g, double box[4])
{
    double W = roundToInt(2.0 * g.in.xc);
    int ok = 1;
    for (int i = 0; i < g.n(); i++) {
        for (int end = 0; end < 2; end++) {
            double X, Y;
            ok &= imageToMap(g.R(i), g.position(i), g.in, end ? W : 0.0, 0.0, &X, &Y);
            boxInclude(box, X, Y, i == 0 && end == 0);
        }
    }
    return ok && g.n() > 0 && allFinite(box, 4);
}

/* ---- Image operations ------------------------------------------------------------ */

namespace {

GroundOfPixel lineGround(const PushbroomGeometry &g)
{
    return [&g](int c, int r, double *X, double *Y) {
        return imageToMap(g.R(r), g.position(r), g.in, c, 0.0, X, Y);
    };
}

int minInt(int a, int b)
{
    return a < b ? a : b;
}

} // namespace

void pushbroomAcquire(const PushbroomModel &m, RAMIMG *src, RAMIMG *des)
{
    PushbroomGeometry g = pushbroomGeometry(m);
    if (g.n() == 0) {
        return;
    }
    char description[512];
    snprintf(description, sizeof description,
             "-lat %.16g -lon %.16g -mapid %s -xc %d -yc %d -f %.4g -dx %.6g -dy %.6g "
             "-axoffset %.6g -ayoffset %.6g -azoffset %.6g",
             m.lat, m.lon, mapidName(m.mapid), clampToInt(m.xc), clampToInt(m.yc), m.f, m.dx, m.dy,
             m.axoffset, m.ayoffset, m.azoffset);
    sensorAcquire("Pushbroom acquire", src, des, minInt(des->head.rows, g.n()),
                  m.settings.resamplemode, m.settings.update, lineGround(g), description);
}

void pushbroomNormalize(const PushbroomModel &m, RAMIMG *src, RAMIMG *des)
{
    PushbroomGeometry g = pushbroomGeometry(m);
    if (g.n() == 0) {
        return;
    }
    sensorNormalize("Pushbroom normalize", src, des, minInt(src->head.rows, g.n()),
                    m.settings, lineGround(g));
}

void pushbroomAdvancedNormalization(const PushbroomModel &m, RAMIMG *src, RAMIMG *des)
{
    PushbroomGeometry g = pushbroomGeometry(m);
    if (g.n() < 2) {
        ovex_fprintf(stderr, "Error in pushbroomAdvancedNormalization: Need at least two scan lines.");
        return;
    }
    double gx, gy;
    pushbroomGridSize(g, &gx, &gy);
    double thr = fabs(hypot(gx, gy) * m.settings.neighborhood);
    sensorAdvancedNormalization("Pushbroom advanced normalization", src, des,
                                minInt(src->head.rows, g.n()), thr, m.settings,
                                lineGround(g));
}

void pushbroomRectify(const PushbroomModel &m, RAMIMG *src, RAMIMG *dem, RAMIMG *des)
{
    PushbroomGeometry g = pushbroomGeometry(m);
    if (g.n() < 2) {
        return;
    }
    double box[4] = {NAN, NAN, NAN, NAN};
    pushbroomFootprint(g, box);
    const char *label = m.settings.resamplemode == 0 ? "Pushbroom nearest neighborhood resampling"
                                                     : "Pushbroom bi-linear resampling";
    sensorRectify(label, src, dem, des, box, m.settings.resamplemode, m.settings.update, 1,
                  [&g](double X, double Y, double Z, double *col, double *row) {
                      PushbroomFix fix;
                      pushbroomFindLine(g, X, Y, Z, &fix);
                      if (fix.spread == 0.0) {
                          return 0;
                      }
                      *col = fix.col;
                      *row = fix.line + fix.residual / fix.spread;
                      return isfinite(*col) && isfinite(*row) ? 1 : 0;
                  });
}

/*
 * pushbroomImageCommand --
 *	acquire src des, normalize src des, rectify src des ?dem?. The model
 *	is copied first, as the operations run meter scripts.
 */
int pushbroomImageCommand(PushbroomModel *model, Tcl_Interp *interp, int argc, const char **argv)
{
    PushbroomModel m = *model;
    PushbroomGeometry keep = pushbroomGeometry(m);
    m.lines = keep.lines.empty() ? NULL : keep.lines.data();
    m.matrices = keep.matrices.empty() ? NULL : keep.matrices.data();
    char word = argv[1][0];
    if (sensorImageUsage(interp, argc, argv, false) != TCL_OK) {
        return TCL_ERROR;
    }
    if (word == 'r' && m.nscanlines < 2) {
        return sensorError(interp, "Need at least two scan lines");
    }
    SensorImages images;
    RAMIMG *src, *des, *dem;
    if (!images.openOperands(interp, argc, argv, &src, &des, &dem)) {
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    if (word == 'a') {
        pushbroomAcquire(m, src, des);
    } else if (word == 'r') {
        if (dem != NULL && !sameGrid(dem, des)) {
            return sensorError(interp, "Inconsistent DEM and destination images");
        }
        pushbroomRectify(m, src, dem, des);
    } else if (m.settings.resamplemode == 0) {
        pushbroomNormalize(m, src, des);
    } else {
        pushbroomAdvancedNormalization(m, src, des);
    }
    return TCL_OK;
}
