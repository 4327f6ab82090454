/*
 * frame_geometry.cpp --
 *
 *	Collinearity of the frame camera.
 */
#include "geo/sensor/frame_geometry.h"

#include <math.h>

#include "core/rounding.h"
#include "geo/sensor/rotation.h"

namespace {

/* q = R * (u, v, -f) for the map-to-image direction. */
inline void mapRay(const double R[9], const FramePosition &pos, const FrameInterior &in, double X,
                   double Y, double Z, double q[3])
{
    double u = (X - pos.x) * in.f / (pos.z - Z);
    double v = (Y - pos.y) * in.f / (pos.z - Z);
    double w = -in.f;
    for (int i = 0; i < 3; i++) {
        q[i] = R[i * 3] * u + R[i * 3 + 1] * v + R[i * 3 + 2] * w;
    }
}

/* q = R^T * p for the focal-plane point of (col, row). */
inline void imageRay(const double R[9], const FrameInterior &in, double col, double row,
                     double q[3])
{
    double p0 = (col - in.xc) * in.dx;
    double p1 = (in.yc - row) * in.dy;
    double p2 = -in.f;
    for (int j = 0; j < 3; j++) {
        q[j] = R[j] * p0 + R[3 + j] * p1 + R[6 + j] * p2;
    }
}

inline int finite2(double a, double b)
{
    return isfinite(a) && isfinite(b);
}

} // namespace

int mapToImage(const double R[9], const FramePosition &pos, const FrameInterior &in, double X,
               double Y, double Z, double *col, double *row)
{
    double q[3];
    mapRay(R, pos, in, X, Y, Z, q);
    *col = in.xc - in.f * q[0] / q[2] / in.dx;
    *row = in.yc + in.f * q[1] / q[2] / in.dy;
    return finite2(*col, *row);
}

double mapToImageRow(const double R[9], const FramePosition &pos, const FrameInterior &in,
                     double X, double Y, double Z)
{
    double q[3];
    mapRay(R, pos, in, X, Y, Z, q);
    return in.yc + in.f * q[1] / q[2] / in.dy;
}

double mapToImageCol(const double R[9], const FramePosition &pos, const FrameInterior &in,
                     double X, double Y, double Z)
{
    double q[3];
    mapRay(R, pos, in, X, Y, Z, q);
    return in.xc - in.f * q[0] / q[2] / in.dx;
}

int imageToMap(const double R[9], const FramePosition &pos, const FrameInterior &in, double col,
               double row, double *X, double *Y)
{
    double q[3];
    imageRay(R, in, col, row, q);
    *X = pos.x - pos.z * q[0] / q[2];
    *Y = pos.y - pos.z * q[1] / q[2];
    return finite2(*X, *Y);
}

int imageToNormal(const double R[9], const FrameInterior &in, double col, double row,
                  double *ncol, double *nrow)
{
    double q[3];
    imageRay(R, in, col, row, q);
    *ncol = in.xc - in.f * q[0] / q[2] / in.dx;
    *nrow = in.yc + in.f * q[1] / q[2] / in.dy;
    return finite2(*ncol, *nrow);
}

void viewDirection(const double R[9], double v[3])
{
    v[0] = -R[6];
    v[1] = -R[7];
    v[2] = -R[8];
}

int lookAt(int rotationid, double R[9], double angles[3], const FramePosition &pos,
           const double offsets[3], double X, double Y, double Z)
{
    double px = pos.x - X;
    double py = Y - pos.y;
    double pz = pos.z - Z;
    double h = hypot(px, py);
    double d = hypot(h, pz);
    if (d == 0.0 || !isfinite(d)) {
        return 0;
    }
    double cz = 1.0, sz = 0.0;
    if (h != 0.0) {
        cz = py / h;
        sz = px / h;
    }
    double cx = pz / d;
    double sx = h / d;
    if (py < 0.0) {
        sx = -sx;
    }
    double M[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    rotationMatrix(ROT_ZXY, M, sx, cx, 0.0, 1.0, sz, cz);
    for (int i = 0; i < 9; i++) R[i] = M[i];
    rotationAngles(rotationid, M, angles, offsets);
    return 1;
}

void boxInclude(double box[4], double X, double Y, int first)
{
    if (first) {
        box[0] = box[2] = X;
        box[1] = box[3] = Y;
    } else {
        box[0] = fmin(box[0], X);
        box[2] = fmax(box[2], X);
        box[1] = fmin(box[1], Y);
        box[3] = fmax(box[3], Y);
    }
}

int cameraFootprint(const double R[9], const FramePosition &pos, const FrameInterior &in,
                    double box[4])
{
    double W = roundToInt(2.0 * in.xc);
    double H = roundToInt(2.0 * in.yc);
    const double corners[4][2] = {{0, 0}, {W, 0}, {0, H}, {W, H}};
    int ok = 1;
    for (int k = 0; k < 4; k++) {
        double X, Y;
        ok &= imageToMap(R, pos, in, corners[k][0], corners[k][1], &X, &Y);
        boxInclude(box, X, Y, k == 0);
    }
    return ok;
}
