/*
 * gtop_geometry.cpp --
 *
 *	View geometry of rimage gtop (see gtop_geometry.h).
 */
#include "programs/gtop_geometry.h"

#include <cmath>

#include "core/numeric.h"
#include "core/rounding.h"

static const double PI = 3.14159265358979323846;

double viewAngles(double *matrix, double dx, double dy, double dz, double *ax, double *az)
{
    double r = sqrt(dx * dx + dy * dy + dz * dz);
    if (dx == 0.0 && dy == 0.0) {
        *ax = *az = 0.0;
    } else {
        double rho = sqrt(dx * dx + dy * dy);
        double cosine = r > 0.0 ? dz / r : 1.0;
        cosine = cosine > 1.0 ? 1.0 : (cosine < -1.0 ? -1.0 : cosine);
        if (dy <= 0.0) {
            *az = asin(dx / rho);
            *ax = -acos(cosine);
        } else {
            *az = -asin(dx / rho);
            *ax = acos(cosine);
        }
    }
    rotateMatrix3(matrix, ROTATE_IDENTITY, 0.0);
    rotateMatrix3(matrix, ROTATE_ABOUT_Z, *az);
    rotateMatrix3(matrix, ROTATE_ABOUT_X, *ax);
    return r;
}

/* asin(b / r), 0 for a point at the view point. */
static double safeAsin(double b, double r)
{
    if (!(r > 0.0)) {
        return 0.0;
    }
    double s = b / r;
    return asin(s > 1.0 ? 1.0 : (s < -1.0 ? -1.0 : s));
}

static double angleR1(float a, float b, float r)
{
    if (r == 0.0f) return 0.0;
    return a < 0 ? PI - safeAsin(b, r) : safeAsin(b, r);
}

static double angleR2(float a, float b, float r)
{
    (void)a;
    return r == 0.0f ? 0.0 : safeAsin(b, r);
}

static double angleR3(float a, float b, float r)
{
    if (r == 0.0f) return 0.0;
    return a < 0 ? -PI - safeAsin(b, r) : safeAsin(b, r);
}

static double angleR4(float a, float b, float r)
{
    if (r == 0.0f) return PI / 2;
    return a > 0 ? safeAsin(b, r) : PI - safeAsin(b, r);
}

static double angleR5(float a, float b, float r)
{
    (void)a;
    return r == 0.0f ? PI : PI - safeAsin(b, r);
}

static double angleR6(float a, float b, float r)
{
    if (r == 0.0f) return PI;
    return a > 0 ? 2 * PI - safeAsin(b, r) : PI - safeAsin(b, r);
}

static double angleR7(float a, float b, float r)
{
    if (r == 0.0f) return 0.0;
    return a >= 0 ? safeAsin(b, r) : PI - safeAsin(b, r);
}

static double angleR8(float a, float b, float r)
{
    if (r == 0.0f) return 0.0;
    if (a < 0) return PI - safeAsin(b, r);
    return b >= 0 ? safeAsin(b, r) : safeAsin(b, r) + 2 * PI;
}

static double angleR9(float a, float b, float r)
{
    if (r == 0.0f) return 0.0;
    return a >= 0 ? safeAsin(b, r) + 2 * PI : PI - safeAsin(b, r);
}

GtopAngleProc *polarExtent(double x0, double y0, double x1, double y1, double px, double py,
                           double *rmin, double *rmax, double *amin, double *amax)
{
    double a0 = x0 - px, a1 = x1 - px, b0 = y0 - py, b1 = y1 - py;
    auto hyp = [](double a, double b) { return sqrt(a * a + b * b); };
    if (px <= x0) {
        if (py <= y0) {
            *rmin = hyp(a0, b0);
            *rmax = hyp(a1, b1);
            *amin = safeAsin(b0, hyp(a1, b0));
            *amax = safeAsin(b1, hyp(a0, b1));
            return angleR1;
        }
        if (py >= y1) {
            *rmin = hyp(a0, b1);
            *rmax = hyp(a1, b0);
            *amin = safeAsin(b0, hyp(a0, b0));
            *amax = safeAsin(b1, hyp(a1, b1));
            return angleR3;
        }
        *rmin = a0;
        *rmax = hyp(a1, b0 + b1 > 0 ? b1 : b0);
        *amin = safeAsin(b0, hyp(a0, b0));
        *amax = safeAsin(b1, hyp(a0, b1));
        return angleR2;
    }
    if (px >= x1) {
        if (py <= y0) {
            *rmin = hyp(a1, b0);
            *rmax = hyp(a0, b1);
            *amin = PI - safeAsin(b1, hyp(a1, b1));
            *amax = PI - safeAsin(b0, hyp(a0, b0));
            return angleR4;
        }
        if (py >= y1) {
            *rmin = hyp(a1, b1);
            *rmax = hyp(a0, b0);
            *amin = PI - safeAsin(b1, hyp(a0, b1));
            *amax = PI - safeAsin(b0, hyp(a1, b0));
            return angleR6;
        }
        *rmin = -a1;
        *rmax = hyp(a0, b0 + b1 > 0 ? b1 : b0);
        *amin = PI - safeAsin(b1, hyp(a1, b1));
        *amax = PI - safeAsin(b0, hyp(a1, b0));
        return angleR5;
    }
    if (py <= y0) {
        *rmin = b0;
        *rmax = hyp(a0 + a1 > 0 ? a1 : a0, b1);
        *amin = safeAsin(b0, hyp(a1, b0));
        *amax = PI - safeAsin(b0, hyp(a0, b0));
        return angleR7;
    }
    if (py >= y1) {
        *rmin = -b1;
        *rmax = hyp(a0 + a1 > 0 ? a1 : a0, b0);
        *amin = PI - safeAsin(b1, hyp(a0, b1));
        *amax = safeAsin(b1, hyp(a1, b1)) + 2 * PI;
        return angleR9;
    }
    double far = hyp(a0, b0);
    far = fmax(far, hyp(a1, b0));
    far = fmax(far, hyp(a0, b1));
    far = fmax(far, hyp(a1, b1));
    *rmin = 0.0;
    *rmax = far;
    *amin = 0.0;
    *amax = 2 * PI;
    return angleR8;
}

/* (1 - s) w0 + s w1 with s = (u - u0) / (u1 - u0). */
static double lerpAt(double u0, double u1, double u, double w0, double w1)
{
    double s = (u - u0) / (u1 - u0);
    return (1.0 - s) * w0 + s * w1;
}

/* Clips the ends so that u >= bound (lower) or u <= bound (upper); w is
 * the other coordinate. 0 when both ends lie outside. */
static int clipSide(double *u0, double *w0, double *u1, double *w1, double bound, int lower)
{
    int out0 = lower ? *u0 < bound : *u0 > bound;
    int out1 = lower ? *u1 < bound : *u1 > bound;
    if (out0 && out1) {
        return 0;
    }
    if (out0) {
        *w0 = lerpAt(*u0, *u1, bound, *w0, *w1);
        *u0 = bound;
    } else if (out1) {
        *w1 = lerpAt(*u0, *u1, bound, *w0, *w1);
        *u1 = bound;
    }
    return 1;
}

int clipSegment(double *a0, double *b0, double *a1, double *b1, double bmin, double bmax,
                double amin, double amax)
{
    return clipSide(b0, a0, b1, a1, bmin, 1) && clipSide(b0, a0, b1, a1, bmax, 0) &&
           clipSide(a0, b0, a1, b1, amin, 1) && clipSide(a0, b0, a1, b1, amax, 0);
}

void centralProjectionSolve(const double *M, double a, double b, double c, double d, double e,
                            double f, double g, double *u, double *v)
{
    float f1 = (float)(a - d);
    float f2 = (float)((float)((float)(a - g) * (float)b) - (float)((float)e * f1));
    float f3 = (float)((float)((float)(a - g) * (float)c) - (float)((float)f * f1));
    float a11 = (float)(f1 * (float)M[0]) + (float)((float)b * (float)M[6]);
    float a12 = (float)(f1 * (float)M[1]) + (float)((float)b * (float)M[7]);
    float a21 = (float)(f1 * (float)M[3]) + (float)((float)c * (float)M[6]);
    float a22 = (float)(f1 * (float)M[4]) + (float)((float)c * (float)M[7]);
    float det = a11 * a22 - a12 * a21;
    *u = (double)((f2 * a22 - a12 * f3) / det);
    *v = (double)((a11 * f3 - f2 * a21) / det);
}

/*
 * reliefProfile --
 *	Displaces the n samples (nBands values each) of a ray that starts at
 *	integer distance *start from the view point's ground position: sample
 *	i lies at p_i = (start + i) zc / (zc - h_i zs). Every integer position
 *	from round(p_0) on, up to and including the last sample's, gets the
 *	linear mix of the two samples around it, once; a sample that does
 *	not advance beyond the farthest position
 *	reached is hidden. Samples at or above the view point's height are
 *	hidden too.
 * Returns: the values written (at most outCols); *start becomes the
 *	position of the first.
 */
int reliefProfile(const float *values, const float *heights, int n, double zs, float *out,
                  int outCols, int nBands, double zc, int *start)
{
    if (n <= 0 || outCols <= 0) {
        return 0;
    }
    int incoming = *start;
    auto position = [&](int i) {
        double below = zc - heights[i] * zs;
        return below > 0.0 ? (incoming + i) * zc / below : NAN;
    };
    double p0 = position(0);
    int first = std::isfinite(p0) ? roundToInt(p0) : incoming;
    for (int b = 0; b < nBands; b++) {
        out[b] = values[b];
    }
    *start = first;
    int written = 1;
    double previous = first;
    double farthest = first;
    int64_t limit = (int64_t)outCols + incoming;
    for (int i = 1; i < n && written < outCols; i++) {
        double p = position(i);
        if (!std::isfinite(p)) {
            continue;
        }
        if (p > farthest) {
            for (int64_t k = (int64_t)first + written; k <= p && k < limit && written < outCols;
                 k++) {
                double t = (k - previous) / (p - previous);
                for (int b = 0; b < nBands; b++) {
                    out[(size_t)written * nBands + b] =
                        (float)((1.0 - t) * values[(size_t)(i - 1) * nBands + b] +
                                t * values[(size_t)i * nBands + b]);
                }
                written++;
            }
            farthest = p;
        }
        previous = p;
    }
    return written;
}
