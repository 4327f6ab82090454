/*
 * rotation.cpp --
 *
 *	Rotation matrices, angles and quaternions of the sensor models.
 */
#include "geo/sensor/rotation.h"

#include <math.h>

namespace {

const double kPi = 3.141592653589793;

/* Elementary rotations about one axis. */
void axisX(double m[9], double s, double c)
{
    double v[9] = {1, 0, 0, 0, c, s, 0, -s, c};
    for (int i = 0; i < 9; i++) m[i] = v[i];
}

void axisY(double m[9], double s, double c)
{
    double v[9] = {c, 0, -s, 0, 1, 0, s, 0, c};
    for (int i = 0; i < 9; i++) m[i] = v[i];
}

void axisZ(double m[9], double s, double c)
{
    double v[9] = {c, s, 0, -s, c, 0, 0, 0, 1};
    for (int i = 0; i < 9; i++) m[i] = v[i];
}

/* a * b * c into R. */
void product3(double R[9], const double a[9], const double b[9], const double c[9])
{
    double ab[9];
    matMul3(ab, a, b);
    matMul3(R, ab, c);
}

/* atan(a / b) in degrees; 0/0 (no direction at all) gives 0 rather than NaN. */
double atanDegrees(double a, double b)
{
    double q = a / b;
    if (q != q) {
        return 0.0;
    }
    return atan(q) * 180.0 * (1.0 / kPi);
}

/* asin in degrees, the argument clamped to -1..1 (rounding can push an
 * element of a rotation matrix just past 1). */
double asinDegrees(double a)
{
    if (a != a) {
        return 0.0;
    }
    if (a > 1.0) a = 1.0;
    if (a < -1.0) a = -1.0;
    return asin(a) * 180.0 * (1.0 / kPi);
}

} // namespace

double sensorRadians(double degrees)
{
    return degrees * kPi * (1.0 / 180.0);
}

void matMul3(double out[9], const double a[9], const double b[9])
{
    for (int i = 0; i < 3; i++) {
        for (int j = 0; j < 3; j++) {
            out[i * 3 + j] = a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
        }
    }
}

void rotationMatrix(int rotationid, double R[9], double sx, double cx, double sy, double cy,
                    double sz, double cz)
{
    double X[9], Y[9], Z[9];
    axisX(X, sx, cx);
    axisY(Y, sy, cy);
    axisZ(Z, sz, cz);
    switch (rotationid) {
    case ROT_ZYX: product3(R, X, Y, Z); break;
    case ROT_ZXY: product3(R, Y, X, Z); break;
    case ROT_YXZ: product3(R, Z, X, Y); break;
    case ROT_YZX: product3(R, X, Z, Y); break;
    case ROT_XYZ: product3(R, Z, Y, X); break;
    case ROT_XZY: product3(R, Y, Z, X); break;
    default: break;
    }
}

int rotationAngles(int rotationid, const double R[9], double angles[3], const double offsets[3])
{
    const double *r = R;
    double x, y, z;
    switch (rotationid) {
    case ROT_ZYX:
        z = atanDegrees(r[1], r[0]); y = asinDegrees(-r[2]); x = atanDegrees(r[5], r[8]);
        break;
    case ROT_ZXY:
        z = atanDegrees(-r[3], r[4]); y = atanDegrees(-r[2], r[8]); x = asinDegrees(r[5]);
        break;
    case ROT_YXZ:
        z = atanDegrees(r[1], r[4]); y = atanDegrees(r[6], r[8]); x = asinDegrees(-r[7]);
        break;
    case ROT_YZX:
        z = asinDegrees(r[1]); y = atanDegrees(-r[2], r[0]); x = atanDegrees(-r[7], r[4]);
        break;
    case ROT_XYZ:
        z = atanDegrees(-r[3], r[0]); y = asinDegrees(r[6]); x = atanDegrees(-r[7], r[8]);
        break;
    case ROT_XZY:
        z = asinDegrees(-r[3]); y = atanDegrees(r[6], r[0]); x = atanDegrees(r[5], r[4]);
        break;
    default:
        return 0;
    }
    /* + 0.0 turns a negative zero into 0. */
    angles[0] = (x - offsets[0]) + 0.0;
    angles[1] = (y - offsets[1]) + 0.0;
    angles[2] = (z - offsets[2]) + 0.0;
    return 1;
}

/*
 * matrixToQuaternion --
 *	The trace branch serves whenever the trace is at least every diagonal
 *	element; otherwise (a half-turn among them, where the trace branch
 *	would divide by 0) the branch of the largest diagonal element. The
 *	four candidates sum to 4, so the chosen one is at least 1.
 */
void matrixToQuaternion(const double R[9], double q[4])
{
    const double *r = R;
    double trace = r[0] + r[4] + r[8];
    if (trace >= r[0] && trace >= r[4] && trace >= r[8]) {
        double t = 2.0 * sqrt(trace + 1.0);
        q[0] = t / 4.0;
        q[1] = (r[5] - r[7]) / t;
        q[2] = (r[6] - r[2]) / t;
        q[3] = (r[1] - r[3]) / t;
    } else if (r[0] >= r[4] && r[0] >= r[8]) {
        double s = 2.0 * sqrt(1.0 + r[0] - r[4] - r[8]);
        q[0] = (r[5] - r[7]) / s;
        q[1] = s / 4.0;
        q[2] = (r[1] + r[3]) / s;
        q[3] = (r[6] + r[2]) / s;
    } else if (r[4] >= r[8]) {
        double s = 2.0 * sqrt(1.0 + r[4] - r[0] - r[8]);
        q[0] = (r[6] - r[2]) / s;
        q[1] = (r[1] + r[3]) / s;
        q[2] = s / 4.0;
        q[3] = (r[5] + r[7]) / s;
    } else {
        double s = 2.0 * sqrt(1.0 + r[8] - r[0] - r[4]);
        q[0] = (r[1] - r[3]) / s;
        q[1] = (r[2] + r[6]) / s;
        q[2] = (r[5] + r[7]) / s;
        q[3] = s / 4.0;
    }
    if (q[0] < 0.0) {
        for (int i = 0; i < 4; i++) q[i] = -q[i];
    }
    for (int i = 0; i < 4; i++) {
        if (q[i] != q[i]) {
            /* Only a matrix with NaN elements gets here. */
            q[0] = 1.0; q[1] = q[2] = q[3] = 0.0;
            break;
        }
    }
}

void quaternionToMatrix(const double q[4], double R[9])
{
    double w = q[0], x = q[1], y = q[2], z = q[3];
    R[0] = 1 - 2 * y * y - 2 * z * z;
    R[1] = 2 * x * y + 2 * w * z;
    R[2] = 2 * x * z - 2 * w * y;
    R[3] = 2 * x * y - 2 * w * z;
    R[4] = 1 - 2 * x * x - 2 * z * z;
    R[5] = 2 * y * z + 2 * w * x;
    R[6] = 2 * x * z + 2 * w * y;
    R[7] = 2 * y * z - 2 * w * x;
    R[8] = 1 - 2 * x * x - 2 * y * y;
}

/*
 * quaternionSlerp --
 *	No sign correction for a negative dot product: the blend runs the
 *	long way round, as scripts have always had it. A sine below 1e-12
 *	counts as 0 (acos(-1) gives a sine of about 1.2e-16, not 0).
 */
void quaternionSlerp(const double q1[4], const double q2[4], double t, double out[4])
{
    bool equal = true;
    double c = 0.0;
    for (int i = 0; i < 4; i++) {
        c += q1[i] * q2[i];
        if (q1[i] != q2[i]) equal = false;
    }
    if (equal) {
        for (int i = 0; i < 4; i++) out[i] = q1[i];
        return;
    }
    if (!(c <= 1.0)) c = 1.0;  /* NaN too */
    if (c < -1.0) c = -1.0;
    double theta = acos(c);
    double s = sin(theta);
    if (s < 1e-12) {
        for (int i = 0; i < 4; i++) out[i] = (1.0 - t) * q1[i] + t * q2[i];
        return;
    }
    double a = sin((1.0 - t) * theta) / s;
    double b = sin(t * theta) / s;
    for (int i = 0; i < 4; i++) out[i] = a * q1[i] + b * q2[i];
}

int allFinite(const double *values, int n)
{
    for (int i = 0; i < n; i++) {
        if (!isfinite(values[i])) return 0;
    }
    return 1;
}
