/*
 * algebra_kernels.cpp --
 *
 *	The operators of the image algebra: one inline pixel function per
 *	operator and mode, each turned into a row kernel by one template, and
 *	the operator table in its fixed order.
 *
 *	Notation of the pixel functions: p the own pixel, a, b, c ... the
 *	operands (a is the operand image's pixel when there is one), n their
 *	number, x and y the pixel's position as the row loop counts it, W and
 *	L the columns and rows, T the pixel type. Arithmetic is in double;
 *	trunc() goes through clampToInt so that no value traps.
 */
#include <math.h>
#include <stdint.h>
#include <string.h>

#include "core/lcg_random.h"
#include "core/rounding.h"
#include "frontend/rimage/image_algebra.h"

namespace {

typedef float (PixelOp)(const float *c);

inline double P(const float *c) { return c[ALG_PIXEL]; }
inline double A(const float *c) { return c[ALG_OPERANDS]; }
inline double B(const float *c) { return c[ALG_OPERANDS + 1]; }
inline double C(const float *c) { return c[ALG_OPERANDS + 2]; }
inline double D(const float *c) { return c[ALG_OPERANDS + 3]; }
inline double E(const float *c) { return c[ALG_OPERANDS + 4]; }
inline double F(const float *c) { return c[ALG_OPERANDS + 5]; }
inline double N(const float *c) { return c[ALG_COUNT]; }
inline double X(const float *c) { return c[ALG_X]; }
inline double Y(const float *c) { return c[ALG_Y]; }
inline double halfW(const float *c) { return c[ALG_COLUMNS] / 2.0; }
inline double halfL(const float *c) { return c[ALG_ROWS] / 2.0; }
inline int T(const float *c) { return clampToInt(c[ALG_TYPE]); }
inline int trunc32(double v) { return clampToInt(v); }

/*
 * rowKernel --
 *	Applies op to the n pixels of a row segment; the branch on the
 *	operand image is taken once per row.
 */
template <PixelOp op>
void rowKernel(float *c, float *values, const float *operand, const float *xs, int n)
{
    if (operand != NULL) {
        for (int j = 0; j < n; j++) {
            c[ALG_X] = xs[j];
            c[ALG_PIXEL] = values[j];
            c[ALG_OPERANDS] = operand[j];
            values[j] = op(c);
        }
    } else {
        for (int j = 0; j < n; j++) {
            c[ALG_X] = xs[j];
            c[ALG_PIXEL] = values[j];
            values[j] = op(c);
        }
    }
}

/* ---- Arithmetic ----------------------------------------------------------- */

float opAssign(const float *c) { return (float)A(c); }
float opAdd(const float *c) { return (float)(P(c) + A(c)); }
float opSubtract(const float *c) { return (float)(P(c) - A(c)); }
float opMultiply(const float *c) { return (float)(P(c) * A(c) + (N(c) > 1 ? B(c) : 0.0)); }
float opNegate(const float *c) { return (float)-P(c); }

/* Division by 0 gives a value far beyond every pixel type, which the
 * store then clamps. */
float opDivide(const float *c)
{
    return A(c) == 0.0 ? (float)(P(c) * 1e30) : (float)(P(c) / A(c));
}

/* The one quotient a 32-bit division cannot hold, INT_MIN / -1, is
 * 2147483648 like the quotient by 0. */
float opIntDivide(const float *c)
{
    int p = trunc32(P(c));
    int a = trunc32(A(c));
    if (a == 0 || (p == INT32_MIN && a == -1)) {
        return 2147483648.0f;
    }
    return (float)(p / a);
}

/* The remainder takes the sign of p; modulo 0 leaves trunc(p), the
 * remainder of a quotient that does not exist. */
float opModulo(const float *c)
{
    int p = trunc32(P(c));
    int a = trunc32(A(c));
    if (a == 0) {
        return (float)p;
    }
    if (a == -1) {
        return 0.0f;
    }
    return (float)(p % a);
}

float opAnd(const float *c) { return (float)(trunc32(P(c)) & trunc32(A(c))); }
float opOr(const float *c) { return (float)(trunc32(P(c)) | trunc32(A(c))); }
float opXor(const float *c) { return (float)(trunc32(P(c)) ^ trunc32(A(c))); }

float opPower(const float *c)
{
    return P(c) == 0.0 ? 1.0f : (float)pow(fabs(P(c)), A(c));
}

float opMin(const float *c) { return P(c) > A(c) ? (float)A(c) : c[ALG_PIXEL]; }
float opMax(const float *c) { return P(c) < A(c) ? (float)A(c) : c[ALG_PIXEL]; }

/* Bitwise NOT within the bits of the pixel type. */
float opNot(const float *c)
{
    int p = trunc32(P(c));
    switch (T(c)) {
    case PIXEL_1BIT: return p == 0 ? 1.0f : 0.0f;
    case PIXEL_4BITS: return (float)(~p & 15);
    case PIXEL_BYTE: return (float)(~p & 255);
    case PIXEL_SHORT: case PIXEL_USHORT: return (float)(~p & 65535);
    default: return (float)(uint32_t)~p;
    }
}

/* ---- Comparisons: b (or 255) where true, c (or p) where false ------------- */

inline float choose(const float *c, bool condition)
{
    if (condition) {
        return N(c) > 1 ? (float)B(c) : 255.0f;
    }
    return N(c) > 2 ? (float)C(c) : c[ALG_PIXEL];
}

float opEqual(const float *c) { return choose(c, P(c) == A(c)); }
float opLess(const float *c) { return choose(c, P(c) < A(c)); }
float opLessEqual(const float *c) { return choose(c, P(c) <= A(c)); }
float opGreater(const float *c) { return choose(c, P(c) > A(c)); }
float opGreaterEqual(const float *c) { return choose(c, P(c) >= A(c)); }
float opLogicalAnd(const float *c) { return choose(c, P(c) != 0.0 && A(c) != 0.0); }
float opLogicalOr(const float *c) { return choose(c, P(c) != 0.0 || A(c) != 0.0); }

/* ---- Distances and exponential weights ------------------------------------ */

inline double square(double v) { return v * v; }

/* Squared distance from the centre of the image. */
inline double centreR2(const float *c)
{
    return square(halfW(c) - X(c)) + square(halfL(c) - Y(c));
}

/* |r2| to the power e, 1 at distance 0. */
inline double powerOr1(double r2, double e)
{
    return r2 == 0.0 ? 1.0 : pow(fabs(r2), e);
}

float opDistCentre(const float *c) { return (float)sqrt(centreR2(c)); }
float opDistPoint(const float *c)
{
    return (float)sqrt(square(A(c) - X(c)) + square(B(c) - Y(c)));
}

float opExp(const float *c) { return (float)(P(c) * exp(A(c))); }

float opExpd1(const float *c) { return (float)(P(c) * exp(A(c) * centreR2(c))); }
float opExpd2(const float *c)
{
    return (float)(P(c) * exp(A(c) * powerOr1(centreR2(c), B(c) / 2.0)));
}
float opExpd4(const float *c)
{
    double r2 = square((halfW(c) - X(c)) * C(c)) + square((halfL(c) - Y(c)) * D(c));
    return (float)(P(c) * exp(A(c) * powerOr1(r2, B(c) / 2.0)));
}
float opExpd6(const float *c)
{
    double r2 = square((E(c) - X(c)) * C(c)) + square((F(c) - Y(c)) * D(c));
    return (float)(P(c) * exp(A(c) * powerOr1(r2, B(c) / 2.0)));
}

float opExpx1(const float *c) { return (float)(P(c) * exp(A(c) * fabs(halfW(c) - X(c)))); }
float opExpx2(const float *c)
{
    return (float)(P(c) * exp(A(c) * powerOr1(fabs(halfW(c) - X(c)), B(c))));
}
float opExpx3(const float *c)
{
    return (float)(P(c) * exp(A(c) * powerOr1(fabs(C(c) - X(c)), B(c))));
}
float opExpy1(const float *c) { return (float)(P(c) * exp(A(c) * fabs(halfL(c) - Y(c)))); }
float opExpy2(const float *c)
{
    return (float)(P(c) * exp(A(c) * powerOr1(fabs(halfL(c) - Y(c)), B(c))));
}
float opExpy3(const float *c)
{
    return (float)(P(c) * exp(A(c) * powerOr1(fabs(C(c) - Y(c)), B(c))));
}

/* ---- Waves ---------------------------------------------------------------- */

float opSinx1(const float *c) { return (float)(P(c) * sin(A(c) * (X(c) - halfW(c)))); }
float opSinx2(const float *c) { return (float)(P(c) * sin(A(c) * (X(c) - B(c)))); }
float opSiny1(const float *c) { return (float)(P(c) * sin(A(c) * (Y(c) - halfL(c)))); }
float opSiny2(const float *c) { return (float)(P(c) * sin(A(c) * (Y(c) - B(c)))); }
float opSin2(const float *c)
{
    return (float)(P(c) * sin(A(c) * (X(c) - halfW(c)) + B(c) * (Y(c) - halfL(c))));
}
float opSin4(const float *c)
{
    return (float)(P(c) * sin(A(c) * (X(c) - C(c)) + B(c) * (Y(c) - D(c))));
}
float opCosx1(const float *c) { return (float)(P(c) * cos(A(c) * (X(c) - halfW(c)))); }
float opCosx2(const float *c) { return (float)(P(c) * cos(A(c) * (X(c) - B(c)))); }
float opCosy1(const float *c) { return (float)(P(c) * cos(A(c) * (Y(c) - halfL(c)))); }
float opCosy2(const float *c) { return (float)(P(c) * cos(A(c) * (Y(c) - B(c)))); }
float opCos2(const float *c)
{
    return (float)(P(c) * cos(A(c) * (X(c) - halfW(c)) + B(c) * (Y(c) - halfL(c))));
}
float opCos4(const float *c)
{
    return (float)(P(c) * cos(A(c) * (X(c) - C(c)) + B(c) * (Y(c) - D(c))));
}

float opRing(const float *c)
{
    double r2 = square(X(c) - halfW(c)) + square(Y(c) - halfL(c));
    double W = c[ALG_COLUMNS];
    double L = c[ALG_ROWS];
    return (float)(127.5 + 127.5 * sin(2.0 * M_PI * P(c) * sqrt(r2 / ((W * W + L * L) / 4.0))));
}

/* ---- Filters and stretches ------------------------------------------------ */

/* Regularised inverse: g = |b|, or 1 when b is 0. */
inline double deconvolve(double p, double t, double b)
{
    double g = b == 0.0 ? 1.0 : fabs(b);
    return p * t / (t * t + g);
}

float opDeconv2(const float *c) { return (float)deconvolve(P(c), A(c), B(c)); }
float opDeconv3(const float *c) { return (float)deconvolve(P(c), A(c) + fabs(C(c)), B(c)); }

/* Linear stretch of a .. b onto c .. d, saturated outside. */
float opLini(const float *c)
{
    double p = P(c), a = A(c), b = B(c);
    if (a == b) {
        return c[ALG_PIXEL];
    }
    if (b > a) {
        if (p < a) return (float)C(c);
        if (p > b) return (float)D(c);
    } else {
        if (p > a) return (float)C(c);
        if (p < b) return (float)D(c);
    }
    double s = (p - a) / (b - a);
    return (float)((1.0 - s) * C(c) + s * D(c));
}

/* ---- Initialisers --------------------------------------------------------- */

/* A coordinate reduced to the values the narrow pixel types hold. */
inline float reduced(const float *c, double v)
{
    switch (T(c)) {
    case PIXEL_1BIT: return (float)(trunc32(v) % 2);
    case PIXEL_4BITS: return (float)(trunc32(v) % 16);
    case PIXEL_BYTE: return (float)(trunc32(v) % 256);
    default: return (float)v;
    }
}

float opInitx0(const float *c) { return reduced(c, X(c)); }
float opInitx1(const float *c) { return (float)(A(c) * (X(c) - halfW(c))); }
float opInitx2(const float *c) { return (float)(A(c) * (X(c) - B(c))); }
float opInity0(const float *c) { return reduced(c, Y(c)); }
float opInity1(const float *c) { return (float)(A(c) * (Y(c) - halfL(c))); }
float opInity2(const float *c) { return (float)(A(c) * (Y(c) - B(c))); }
float opInitxy0(const float *c) { return reduced(c, X(c) + Y(c)); }
float opInitxy2(const float *c)
{
    return (float)(A(c) * (X(c) - halfW(c)) + B(c) * (Y(c) - halfL(c)));
}
float opInitxy4(const float *c) { return (float)(A(c) * (X(c) - C(c)) + B(c) * (Y(c) - D(c))); }

float opRand(const float *c) { return (float)(A(c) * ovexRand() / (double)OVEX_RAND_MAX); }

}  // namespace

/* The table: lookups take the first row of a name and mode. */
const ImageOp imageOps[] = {
    {"=", 1, rowKernel<opAssign>},
    {"+", 1, rowKernel<opAdd>},
    {"-", 1, rowKernel<opSubtract>},
    {"*", 1, rowKernel<opMultiply>},
    {"*", 2, rowKernel<opMultiply>},
    {"/", 1, rowKernel<opDivide>},
    {"!", 0, rowKernel<opNot>},
    {"&", 1, rowKernel<opAnd>},
    {"|", 1, rowKernel<opOr>},
    {"^", 1, rowKernel<opPower>},
    {"dist", 0, rowKernel<opDistCentre>},
    {"dist", 2, rowKernel<opDistPoint>},
    {"exp", 1, rowKernel<opExp>},
    {"expd", 1, rowKernel<opExpd1>},
    {"expd", 2, rowKernel<opExpd2>},
    {"expd", 4, rowKernel<opExpd4>},
    {"expd", 6, rowKernel<opExpd6>},
    {"expx", 1, rowKernel<opExpx1>},
    {"expx", 2, rowKernel<opExpx2>},
    {"expx", 3, rowKernel<opExpx3>},
    {"expy", 1, rowKernel<opExpy1>},
    {"expy", 2, rowKernel<opExpy2>},
    {"expy", 3, rowKernel<opExpy3>},
    {"sinx", 1, rowKernel<opSinx1>},
    {"sinx", 2, rowKernel<opSinx2>},
    {"siny", 1, rowKernel<opSiny1>},
    {"siny", 2, rowKernel<opSiny2>},
    {"sin", 2, rowKernel<opSin2>},
    {"sin", 4, rowKernel<opSin4>},
    {"cosx", 1, rowKernel<opCosx1>},
    {"cosx", 2, rowKernel<opCosx2>},
    {"cosy", 1, rowKernel<opCosy1>},
    {"cosy", 2, rowKernel<opCosy2>},
    {"cos", 2, rowKernel<opCos2>},
    {"cos", 4, rowKernel<opCos4>},
    {"deconv", 2, rowKernel<opDeconv2>},
    {"deconv", 3, rowKernel<opDeconv3>},
    {"lini", 4, rowKernel<opLini>},
    {"idiv", 1, rowKernel<opIntDivide>},
    {"min", 1, rowKernel<opMin>},
    {"max", 1, rowKernel<opMax>},
    {"xor", 1, rowKernel<opXor>},
    {"%", 1, rowKernel<opModulo>},
    {"==", 1, rowKernel<opEqual>},
    {"==", 2, rowKernel<opEqual>},
    {"==", 3, rowKernel<opEqual>},
    {"<=", 1, rowKernel<opLessEqual>},
    {"<=", 2, rowKernel<opLessEqual>},
    {"<=", 3, rowKernel<opLessEqual>},
    {"<", 1, rowKernel<opLess>},
    {"<", 2, rowKernel<opLess>},
    {"<", 3, rowKernel<opLess>},
    {">=", 1, rowKernel<opGreaterEqual>},
    {">=", 2, rowKernel<opGreaterEqual>},
    {">=", 3, rowKernel<opGreaterEqual>},
    {">", 1, rowKernel<opGreater>},
    {">", 2, rowKernel<opGreater>},
    {">", 3, rowKernel<opGreater>},
    {"&&", 1, rowKernel<opLogicalAnd>},
    {"&&", 2, rowKernel<opLogicalAnd>},
    {"&&", 3, rowKernel<opLogicalAnd>},
    {"||", 1, rowKernel<opLogicalOr>},
    {"||", 2, rowKernel<opLogicalOr>},
    {"||", 3, rowKernel<opLogicalOr>},
    {"neg", 0, rowKernel<opNegate>},
    {"init", 1, rowKernel<opAssign>},
    {"initx", 0, rowKernel<opInitx0>},
    {"initx", 1, rowKernel<opInitx1>},
    {"initx", 2, rowKernel<opInitx2>},
    {"inity", 0, rowKernel<opInity0>},
    {"inity", 1, rowKernel<opInity1>},
    {"inity", 2, rowKernel<opInity2>},
    {"initxy", 0, rowKernel<opInitxy0>},
    {"initxy", 2, rowKernel<opInitxy2>},
    {"initxy", 4, rowKernel<opInitxy4>},
    {"rand", 1, rowKernel<opRand>},
    {"ring", 0, rowKernel<opRing>},
    {NULL, 0, NULL},
};

/*
 * findImageOp --
 *	Returns the kernel of the first row named name with that mode, NULL
 *	when there is none.
 */
ImageOpKernel *findImageOp(const char *name, int mode)
{
    if (name == NULL) {
        return NULL;
    }
    for (const ImageOp *op = imageOps; op->name != NULL; op++) {
        if (op->mode == mode && strcmp(op->name, name) == 0) {
            return op->kernel;
        }
    }
    return NULL;
}

static_assert(sizeof imageOps / sizeof imageOps[0] == IMAGE_OP_COUNT + 1,
              "the operator table has its fixed number of rows");
