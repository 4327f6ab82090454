/*
 * fft_filters.cpp --
 *
 *	Gains of the frequency-domain filters over centred spectra. Gains
 *	whose exponent falls below the smallest argument exp can take
 *	without underflow are given their limit directly.
 */
#include "programs/fft_filters.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/rounding.h"

namespace {

const double PI = 3.141592653589793;

/* exp() of anything below this is 0 in double precision. */
const double EXP_CUT = -708.39;

/* Multiplies one element by gain: both components of a (re, im) pair,
 * only the magnitude of a (magnitude, phase) pair. */
inline void scaleElement(float *element, double gain, int powerForm)
{
    element[0] = (float)(element[0] * gain);
    if (!powerForm) {
        element[1] = (float)(element[1] * gain);
    }
}

/* exp(-(q^order)): the bell's gain and the notch and high-pass dip. */
inline double bellOf(const FilterParams *params, double q, bool *cut)
{
    double e = -std::pow(q, (double)params->order);
    *cut = e < EXP_CUT;
    return *cut ? 0.0 : std::exp(e);
}

float bellGain(const FilterParams *params, double q)
{
    bool cut;
    return (float)bellOf(params, q, &cut);
}

float highGain(const FilterParams *params, double q)
{
    bool cut;
    double dip = bellOf(params, q, &cut);
    return cut ? 1.0f : (float)(1.0 - params->amplitude * dip);
}

/* The elliptic distance of both-axes filters, turned by the angle. */
struct Ellipse {
    double c, s;
    bool plain;                     /* no turn: the axes as they are */
    const FilterParams *params;

    Ellipse(const FilterParams *p, bool allowPlain) : params(p)
    {
        double theta = p->angle * PI / 180.0;
        c = std::cos(theta);
        s = std::sin(theta);
        plain = allowPlain && std::fabs(c) == 1.0;
    }

    double q(double dx, double dy) const
    {
        double u, v;
        if (plain) {
            u = dx / params->radiusX;
            v = dy / params->radiusY;
        } else {
            u = (c * dx + s * dy) / params->radiusX;
            v = (-s * dx + c * dy) / params->radiusY;
        }
        return u * u + v * v;
    }
};

/* gain(x, y) on every element of the block. */
template <typename Gain>
void applyByElement(const FilterParams *params, float *block, int x0, int width, int y0,
                    int height, Gain gain)
{
    for (int j = 0; j < height; j++) {
        float *row = block + (size_t)j * (size_t)width * 2;
        for (int i = 0; i < width; i++) {
            scaleElement(row + 2 * i, gain(x0 + i, y0 + j), params->powerForm);
        }
    }
}

/* gain(x) of a column on every row of the block; columns where gain
 * answers false are left alone. */
template <typename Gain>
void applyByColumn(const FilterParams *params, float *block, int x0, int width, int height,
                   Gain gain)
{
    for (int i = 0; i < width; i++) {
        double g;
        if (!gain(x0 + i, &g)) {
            continue;
        }
        for (int j = 0; j < height; j++) {
            scaleElement(block + ((size_t)j * (size_t)width + (size_t)i) * 2, g,
                         params->powerForm);
        }
    }
}

/* gain(y) of a row on all of it. */
template <typename Gain>
void applyByRow(const FilterParams *params, float *block, int width, int y0, int height,
                Gain gain)
{
    for (int j = 0; j < height; j++) {
        double g;
        if (!gain(y0 + j, &g)) {
            continue;
        }
        float *row = block + (size_t)j * (size_t)width * 2;
        for (int i = 0; i < width; i++) {
            scaleElement(row + 2 * i, g, params->powerForm);
        }
    }
}

/* The squared distance along one axis over the squared radius. */
inline double axisQ(const FilterParams *params, double d)
{
    double r = params->radius;
    return d * d / (r * r);
}

/*
 * notchLineGain --
 *	The one-axis notch at centre line c of an axis of length n: lines on
 *	c's half of the axis within the radius of c are dipped.
 */
bool notchLineGain(const FilterParams *params, int c, int n, int line, double *gain)
{
    int half = n / 2;
    bool sameHalf = (c >= half) ? line >= half : line < half;
    double d = (double)(line - c) * (double)(line - c);
    double r2 = (double)params->radius * params->radius;
    if (!sameHalf || d > r2) {
        return false;
    }
    bool cut;
    double dip = bellOf(params, d / r2, &cut);
    *gain = cut ? 1.0f : (float)(1.0 - params->amplitude * dip);
    return true;
}

} // namespace

void bellFilter2D(const FilterParams *params, float *block, int x0, int width, int y0,
                  int height)
{
    Ellipse ellipse(params, true);
    applyByElement(params, block, x0, width, y0, height, [&](int x, int y) {
        return bellGain(params, ellipse.q(x - params->centreX, y - params->centreY));
    });
}

void highFilter2D(const FilterParams *params, float *block, int x0, int width, int y0,
                  int height)
{
    Ellipse ellipse(params, true);
    applyByElement(params, block, x0, width, y0, height, [&](int x, int y) {
        return highGain(params, ellipse.q(x - params->centreX, y - params->centreY));
    });
}

/* The nearer of the notch point and its mirror decides. The mirror of
 * index i about the zero frequency n/2 of an axis of even length n is
 * n - i. */
void notchFilter2D(const FilterParams *params, float *block, int x0, int width, int y0,
                   int height)
{
    Ellipse ellipse(params, false);
    double mirrorX = (double)params->columns - params->centreX;
    double mirrorY = (double)params->rows - params->centreY;
    applyByElement(params, block, x0, width, y0, height, [&](int x, int y) {
        double q1 = ellipse.q(x - params->centreX, y - params->centreY);
        double q2 = ellipse.q(x - mirrorX, y - mirrorY);
        double q = q1 < q2 ? q1 : q2;
        if (!(q <= 1.0)) {
            return 1.0;
        }
        bool cut;
        double dip = bellOf(params, q, &cut);
        return cut ? 1.0 : 1.0 - params->amplitude * dip;
    });
}

void bellFilterX(const FilterParams *params, float *block, int x0, int width, int y0,
                 int height)
{
    (void)y0;
    applyByColumn(params, block, x0, width, height, [&](int x, double *g) {
        *g = bellGain(params, axisQ(params, x - params->centreX));
        return true;
    });
}

void highFilterX(const FilterParams *params, float *block, int x0, int width, int y0,
                 int height)
{
    (void)y0;
    applyByColumn(params, block, x0, width, height, [&](int x, double *g) {
        *g = highGain(params, axisQ(params, x - params->centreX));
        return true;
    });
}

void notchFilterX(const FilterParams *params, float *block, int x0, int width, int y0,
                  int height)
{
    (void)y0;
    int centres[2] = {clampToInt(params->centreX),
                      clampToInt((double)params->columns - params->centreX)};
    for (int c : centres) {
        applyByColumn(params, block, x0, width, height, [&](int x, double *g) {
            return notchLineGain(params, c, params->columns, x, g);
        });
    }
}

void bellFilterY(const FilterParams *params, float *block, int x0, int width, int y0,
                 int height)
{
    (void)x0;
    applyByRow(params, block, width, y0, height, [&](int y, double *g) {
        *g = bellGain(params, axisQ(params, y - params->centreY));
        return true;
    });
}

void highFilterY(const FilterParams *params, float *block, int x0, int width, int y0,
                 int height)
{
    (void)x0;
    applyByRow(params, block, width, y0, height, [&](int y, double *g) {
        *g = highGain(params, axisQ(params, y - params->centreY));
        return true;
    });
}

void notchFilterY(const FilterParams *params, float *block, int x0, int width, int y0,
                  int height)
{
    (void)x0;
    int centres[2] = {clampToInt(params->centreY),
                      clampToInt((double)params->rows - params->centreY)};
    for (int c : centres) {
        applyByRow(params, block, width, y0, height, [&](int y, double *g) {
            return notchLineGain(params, c, params->rows, y, g);
        });
    }
}

FftFilterKernel *fftFilterKernel(int name, int axes)
{
    static FftFilterKernel *const kernels[3][3] = {
        {bellFilter2D, bellFilterX, bellFilterY},
        {highFilter2D, highFilterX, highFilterY},
        {notchFilter2D, notchFilterX, notchFilterY},
    };
    if (name < 0 || name > 2 || axes < 0 || axes > 2) {
        return NULL;
    }
    return kernels[name][axes];
}

/*
 *----------------------------------------------------------------------
 *
 * parseFftFilter --
 *
 *	Reads a filter text into its name and FilterParams.
 *
 * Results:
 *	1, or 0 when the name, the number of values or a radius is wrong.
 *
 * Side effects:
 *	Fills *name and params (rows, columns, angle and the filter values).
 *
 *----------------------------------------------------------------------
 */
int parseFftFilter(const char *text, int rows, int columns, float angle, int *name,
                   FilterParams *params)
{
    static const char *const names[] = {"bell", "high", "notch"};
    /* Values of each name's single-radius form; the other form has one more. */
    static const int shortForm[] = {2, 3, 5};
    if (text == NULL) {
        return 0;
    }
    const char *p = text;
    while (*p >= 'A' && *p <= 'z') {
        p++;
    }
    size_t nameLength = (size_t)(p - text);
    int which = -1;
    for (int k = 0; k < 3; k++) {
        if (nameLength == strlen(names[k]) && strncmp(text, names[k], nameLength) == 0) {
            which = k;
        }
    }
    float values[6];
    int count = 0;
    while (count < 6 && *p == ',') {
        char *end;
        double value = strtod(p + 1, &end);
        if (end == p + 1) {
            break;
        }
        /* A size, order or centre that is no finite float is no filter. */
        if (!std::isfinite((float)value)) {
            return 0;
        }
        values[count++] = (float)value;
        p = end;
    }
    if (which < 0 || (count != shortForm[which] && count != shortForm[which] + 1)) {
        return 0;
    }
    /* The two-radius form shifts every later value by one. */
    int shift = count - shortForm[which];
    FilterParams f;
    memset(&f, 0, sizeof(f));
    f.rows = rows;
    f.columns = columns;
    f.angle = angle;
    f.radiusX = values[0];
    f.radiusY = values[shift];
    f.radius = (f.radiusX + f.radiusY) / 2.0f;
    f.order = values[1 + shift];
    f.amplitude = which == FFT_FILTER_BELL ? 0.0f : values[2 + shift];
    if (which == FFT_FILTER_NOTCH) {
        f.centreX = values[3 + shift];
        f.centreY = values[4 + shift];
    } else {
        f.centreX = (float)(columns / 2);
        f.centreY = (float)(rows / 2);
    }
    if (!(f.radiusX > 0.0f) || !(f.radiusY > 0.0f)) {
        return 0;
    }
    *name = which;
    *params = f;
    return 1;
}
