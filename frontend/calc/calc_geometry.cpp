/*
 * calc_geometry.cpp --
 *
 *	calc subcommands of photogrammetric geometry: angle conversions, the
 *	rotation matrix of three angles (xyzRotate), the mapping of a pixel of
 *	a tilted frame into a vertical reference image (refImgCoord), and the
 *	frame-plane model with its process-wide state (fplane).
 *
 *	The rotation of the angles Az, Ay, Ax (radians) is R = Rx Ry Rz:
 *	  ( cz cy,                 sz cy,                -sy   )
 *	  ( cz sy sx - sz cx,      cz cx + sz sy sx,      cy sx )
 *	  ( sz sx + cz sy cx,     -cz sx + sz sy cx,      cy cx )
 */
#include "frontend/calc/calc_handlers.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/numeric.h"
#include "core/package.h"

/* ---- Angles ------------------------------------------------------------- */

/*
 * calcDegToRad / calcRadToDeg --
 *	calc d2r degrees, calc r2d radians
 * Returns: TCL_OK with "%f" of the converted angle, or with the usage.
 */
CALC_HANDLER(calcDegToRad)
{
    if (argc != 3) {
        calcSetResult(interp, "Usage: %s %s degree\n", argv[0], argv[1]);
        return TCL_OK;
    }
    calcSetResult(interp, "%f", ovexLenientDouble(argv[2]) * M_PI / 180.0);
    return TCL_OK;
}

CALC_HANDLER(calcRadToDeg)
{
    if (argc != 3) {
        calcSetResult(interp, "Usage: %s %s radian\n", argv[0], argv[1]);
        return TCL_OK;
    }
    calcSetResult(interp, "%f", ovexLenientDouble(argv[2]) * 180.0 / M_PI);
    return TCL_OK;
}

/* ---- Rotation of three angles ------------------------------------------ */

/* R of the angles, row-major. */
static void rotationOfAngles(double az, double ay, double ax, double *r)
{
    double cz = cos(az), sz = sin(az), cy = cos(ay), sy = sin(ay), cx = cos(ax), sx = sin(ax);
    r[0] = cz * cy;
    r[1] = sz * cy;
    r[2] = -sy;
    r[3] = cz * sy * sx - sz * cx;
    r[4] = cz * cx + sz * sy * sx;
    r[5] = cy * sx;
    r[6] = sz * sx + cz * sy * cx;
    r[7] = -cz * sx + sz * sy * cx;
    r[8] = cy * cx;
}

static void transpose3(double *m)
{
    rotateMatrix3(m, ROTATE_TRANSPOSE, 0.0);
}

/* value with the sign of angle: negative for a negative angle. */
static double withSignOf(double value, double angle)
{
    return angle < 0.0 ? -value : value;
}

/* acos of a cosine that rounding may have pushed just beyond 1 in magnitude. */
static double acosClamped(double cosine)
{
    if (cosine > 1.0) {
        cosine = 1.0;
    } else if (cosine < -1.0) {
        cosine = -1.0;
    }
    return acos(cosine);
}

/*
 * zyxSolution --
 *	One root x of the angle system: the rotation angles whose axis angles
 *	are a, b, c (cosines c1, c3), written to standard error.
 */
static void zyxSolution(double x, double a, double c, double c1, double c3, double angles[3])
{
    double r = sqrt(x);
    angles[0] = withSignOf(acos(c3 / r), c);
    angles[1] = withSignOf(acos(r), a);
    angles[2] = withSignOf(acos(c1 / r), a);
    ovex_fprintf(stderr, "Az: %.6f Ay: %.6f Ax: %.6f\n", angles[0], angles[1], angles[2]);
}

/*
 * calcXyzRotate --
 *	calc xyzRotate op Az Ay Ax ?x y z?
 *	NTR: R (x, y, z); RTN: R^T (x, y, z); GPT: the angles between the
 *	rotated and the original axes (z, y, x); ZYX: the rotation angles
 *	from three axis angles (the second root; both are written to
 *	standard error).
 * Returns: TCL_OK with "%.6f %.6f %.6f\n" (empty when ZYX has no
 *	solution) or the usage; TCL_ERROR for an unknown op.
 */
CALC_HANDLER(calcXyzRotate)
{
    if (argc != 6 && argc != 9) {
        Tcl_SetResult(interp, (char *)"Usage: calc xyzRotate op Az Ay Ax x y z\n", TCL_STATIC);
        return TCL_OK;
    }
    const char *op = argv[2];
    double az = ovexLenientDouble(argv[3]);
    double ay = ovexLenientDouble(argv[4]);
    double ax = ovexLenientDouble(argv[5]);
    double point[3] = {0.0, 0.0, 0.0};
    if (argc == 9) {
        for (int k = 0; k < 3; k++) {
            point[k] = ovexLenientDouble(argv[6 + k]);
        }
    }
    double out[3];

    if (strcmp(op, "NTR") == 0 || strcmp(op, "RTN") == 0) {
        double r[9];
        rotationOfAngles(az, ay, ax, r);
        if (op[0] == 'R') {
            transpose3(r);
        }
        mat3MulVec(r, point, out);
    } else if (strcmp(op, "GPT") == 0) {
        double cz = cos(az), sz = sin(az), cy = cos(ay), sy = sin(ay), cx = cos(ax), sx = sin(ax);
        out[0] = withSignOf(acosClamped(cy * cx), ay);
        out[1] = withSignOf(acosClamped(sz * sy * sx + cx * cz), az);
        out[2] = withSignOf(acosClamped(cy * cz), ay);
    } else if (strcmp(op, "ZYX") == 0) {
        double a = az, b = ay, c = ax;
        double c1 = cos(a), c2 = cos(b), c3 = cos(c);
        double p = c2 * c2 - c3 * c3 - c1 * c1 - 1.0;
        double q = c3 * c3 + c1 * c1 + c3 * c3 * c1 * c1 - 2.0 * c1 * c2 * c3;
        if (4.0 * q > p * p) {
            Tcl_ResetResult(interp);
            return TCL_OK;
        }
        double d = sqrt(p * p - 4.0 * q);
        double x1 = (-p + d) / 2.0, x2 = (-p - d) / 2.0;
        ovex_fprintf(stderr, "x1: %.6f x2: %.6f\n", x1, x2);
        zyxSolution(x1, a, c, c1, c3, out);
        zyxSolution(x2, a, c, c1, c3, out);
    } else {
        Tcl_SetResult(interp, (char *)"op must be NTR or RTN or ZYX or GPT.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    calcSetResult(interp, "%.6f %.6f %.6f\n", out[0], out[1], out[2]);
    return TCL_OK;
}

/*
 * calcRefImgCoord --
 *	calc refImgCoord Az Ay Ax f px py colc rowc col row ?scale?
 *	The ray of (col, row) through the tilted frame, turned back into the
 *	vertical frame and met with its image plane (scaled by scale).
 * Returns: TCL_OK with "%.3f %.3f" (column, row), or with the usage.
 */
CALC_HANDLER(calcRefImgCoord)
{
    if (argc != 12 && argc != 13) {
        Tcl_SetResult(interp,
                      (char *)"Usage: calc refImgCoord Az Ay Ax f px py colc rowc col row [scale]\n",
                      TCL_STATIC);
        return TCL_OK;
    }
    double v[12];
    for (int k = 2; k < argc; k++) {
        v[k - 2] = ovexLenientDouble(argv[k]);
    }
    double f = v[3], px = v[4], py = v[5], colc = v[6], rowc = v[7], col = v[8], row = v[9];
    double scale = argc == 13 ? v[10] : 1.0;

    double r[9];
    rotationOfAngles(v[0], v[1], v[2], r);
    transpose3(r);
    double ray[3] = {(col - colc) * px, -(row - rowc) * py, -f};
    double turned[3];
    mat3MulVec(r, ray, turned);
    double colOut = colc - scale * f * turned[0] / turned[2] / px;
    double rowOut = rowc + scale * f * turned[1] / turned[2] / py;
    calcSetResult(interp, "%.3f %.3f", colOut, rowOut);
    return TCL_OK;
}

/* ---- Frame-plane model --------------------------------------------------- */

/* The kernel (row-major) and the frame parameters, process-wide. */
static double frameKernel[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
static double frameFocal = 8.0;
static double frameScale = 1000.0;
static double framePixelWidth = 0.01;
static double framePixelHeight = 0.01;
static double frameCentreColumn = 640.0;
static double frameCentreRow = 512.0;

/* fplane reports its faults through errorInfo, not the result. */
static int fplaneFailure(Tcl_Interp *interp, const char *message)
{
    Tcl_ResetResult(interp);
    Tcl_AddErrorInfo(interp, message);
    calcDebugErrorInfo(interp);
    return TCL_ERROR;
}

/* Rk: show, reset, transpose or set the kernel. */
static int fplaneKernel(Tcl_Interp *interp, int argc, const char **argv)
{
    double *k = frameKernel;
    if (argc == 3) {
        calcSetResult(interp, "%.8f %.8f %.8f %.8f %.8f %.8f %.8f %.8f %.8f", k[0], k[1], k[2],
                      k[3], k[4], k[5], k[6], k[7], k[8]);
        return TCL_OK;
    }
    if (argc > 4) {
        return fplaneFailure(interp, "Invalid kernel matrix.");
    }
    if (strcmp(argv[3], "init") == 0) {
        rotateMatrix3(k, ROTATE_IDENTITY, 0.0);
    } else if (strcmp(argv[3], "inv") == 0) {
        rotateMatrix3(k, ROTATE_TRANSPOSE, 0.0);
    } else {
        double m[9];
        if (sscanf(argv[3], "%lf %lf %lf %lf %lf %lf %lf %lf %lf", &m[0], &m[1], &m[2], &m[3],
                   &m[4], &m[5], &m[6], &m[7], &m[8]) != 9) {
            return fplaneFailure(interp, "Error in parsing kernel matrix.");
        }
        memcpy(k, m, sizeof m);
    }
    return TCL_OK;
}

/* Rz, Ry, Rx angle: the kernel becomes the rotation times the kernel. */
static int fplaneRotate(Tcl_Interp *interp, int argc, const char **argv, int operation,
                        const char *axis)
{
    double angle;
    if (argc < 4 || sscanf(argv[3], "%lf", &angle) != 1) {
        ovex_fprintf(stderr, "Error in parsing %s angle!\n", axis);
        return TCL_ERROR;
    }
    rotateMatrix3(frameKernel, operation, angle);
    return TCL_OK;
}

/* array ?{f scale px py colc rowc}?: show or set the frame parameters. */
static int fplaneArray(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 3) {
        calcSetResult(interp, "%.8f %.8f %.8f %.8f %.8f %.8f", frameFocal, frameScale,
                      framePixelWidth, framePixelHeight, frameCentreColumn, frameCentreRow);
        return TCL_OK;
    }
    if (argc > 4) {
        return fplaneFailure(interp, "Invalid array options.\n");
    }
    double p[6];
    if (sscanf(argv[3], "%lf %lf %lf %lf %lf %lf", &p[0], &p[1], &p[2], &p[3], &p[4], &p[5])
            != 6) {
        return fplaneFailure(interp, "Error in parsing array params.\n");
    }
    frameFocal = p[0];
    frameScale = p[1];
    framePixelWidth = p[2];
    framePixelHeight = p[3];
    frameCentreColumn = p[4];
    frameCentreRow = p[5];
    return TCL_OK;
}

/* point x y z: the kernel times the point. */
static int fplanePoint(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 6) {
        ovex_fprintf(stdout, "wrong specification of {x y z}.\n");
        return TCL_ERROR;
    }
    double point[3], out[3];
    for (int k = 0; k < 3; k++) {
        point[k] = ovexLenientDouble(argv[3 + k]);
    }
    mat3MulVec(frameKernel, point, out);
    calcSetResult(interp, "%.6f. %.6f %.6f", out[0], out[1], out[2]);
    return TCL_OK;
}

/* pixel {col row ?z?}: the pixel's ray through the kernel onto the frame. */
static int fplanePixel(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 4) {
        return fplaneFailure(interp, "Missing or invalid pixel.\n");
    }
    double col, row, z = 0.0;
    if (sscanf(argv[3], "%lf %lf %lf", &col, &row, &z) < 2) {
        return fplaneFailure(interp, "Error in parsing pixel.\n");
    }
    double ray[3] = {(col - frameCentreColumn) * framePixelWidth,
                     (frameCentreRow - row) * framePixelHeight, z - frameFocal};
    double out[3];
    mat3MulVec(frameKernel, ray, out);
    double f = frameFocal, scale = frameScale;
    calcSetResult(interp, "%.8f %.8f",
                  -scale * f * out[0] / out[2] / framePixelWidth + frameCentreColumn,
                  scale * f * out[1] / out[2] / framePixelHeight + frameCentreRow);
    return TCL_OK;
}

/*
 * calcFplane --
 *	calc fplane option ?values?
 * Returns: TCL_OK with the option's answer; TCL_ERROR with the fault in
 *	errorInfo (or on standard output / error where the option says).
 * Changes: the frame-plane state (Rk, Rz, Ry, Rx, array).
 */
CALC_HANDLER(calcFplane)
{
    if (argc < 3) {
        ovex_fprintf(stdout, "Usage: %s %s ?options?. [Rk Rz Ry Rx array point pixel]\n", argv[0],
                     argv[1]);
        return TCL_ERROR;
    }
    const char *option = argv[2];
    if (ovexMatchWord(option, "Rk", 2)) {
        return fplaneKernel(interp, argc, argv);
    }
    if (ovexMatchWord(option, "Rz", 2)) {
        return fplaneRotate(interp, argc, argv, ROTATE_ABOUT_Z, "z");
    }
    if (ovexMatchWord(option, "Ry", 2)) {
        return fplaneRotate(interp, argc, argv, ROTATE_ABOUT_Y, "y");
    }
    if (ovexMatchWord(option, "Rx", 2)) {
        return fplaneRotate(interp, argc, argv, ROTATE_ABOUT_X, "x");
    }
    if (ovexMatchWord(option, "array", 3)) {
        return fplaneArray(interp, argc, argv);
    }
    if (ovexMatchWord(option, "point", 3)) {
        return fplanePoint(interp, argc, argv);
    }
    if (ovexMatchWord(option, "pixel", 3)) {
        return fplanePixel(interp, argc, argv);
    }
    std::string message = std::string("Unknown options: ") + option
                          + " (Rk Rz Ry Rx array point pixel).\n";
    return fplaneFailure(interp, message.c_str());
}
