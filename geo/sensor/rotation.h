/*
 * rotation.h --
 *
 *	Rotation arithmetic of the sensor models: the six axis orders, the
 *	matrix of three angles and the angles of a matrix, quaternions and
 *	their spherical blend. Matrices are 3 x 3 doubles, row-major; R turns
 *	a map-space direction into camera space (camera = R * map).
 *
 *	Every result is finite for finite input: ratios whose divisor is 0
 *	fall back to their limit, and arcsine arguments are clamped.
 */
#ifndef OVEX_GEO_SENSOR_ROTATION_H
#define OVEX_GEO_SENSOR_ROTATION_H

/* Axis orders of the rotationid vocabulary; the name lists the axes in
 * the order the rotations apply. */
enum {
    ROT_UNKNOWN = 0, ROT_ZYX = 1, ROT_ZXY = 2, ROT_YXZ = 3, ROT_YZX = 4, ROT_XYZ = 5,
    ROT_XZY = 6
};

/* Degrees to radians as the models compute it. */
double sensorRadians(double degrees);

/* out = a * b (out may not alias a or b). */
void matMul3(double out[9], const double a[9], const double b[9]);

/* R of the order from the sines and cosines of the three angles; an order
 * outside 1..6 leaves R as it was. */
void rotationMatrix(int rotationid, double R[9], double sx, double cx, double sy, double cy,
                    double sz, double cz);

/* The angles (x, y, z in degrees) of R for the order, minus offsets[3].
 * Returns 0 and leaves angles alone for an order outside 1..6. */
int rotationAngles(int rotationid, const double R[9], double angles[3], const double offsets[3]);

/* The unit quaternion (w, x, y, z) of R; w is never negative. Near a
 * half-turn the branch of the largest diagonal element is taken. */
void matrixToQuaternion(const double R[9], double q[4]);

/* The matrix of quaternion q (w, x, y, z), not normalised first. */
void quaternionToMatrix(const double q[4], double R[9]);

/* Spherical linear blend of q1 and q2 at t (0..1). The dot product is
 * clamped to -1..1; where the sine of the angle between them is 0 the
 * result is the linear blend (1 - t) q1 + t q2 (q1 itself when they are
 * equal). */
void quaternionSlerp(const double q1[4], const double q2[4], double t, double out[4]);

/* 1 when all n values are finite. */
int allFinite(const double *values, int n);

#endif /* OVEX_GEO_SENSOR_ROTATION_H */
