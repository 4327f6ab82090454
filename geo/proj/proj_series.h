/*
 * proj_series.h --
 *
 *	Series approximations of a projection over a box (proj -T): a
 *	bivariate Chebyshev fit, optionally turned into a power series, and
 *	the text the program writes for it.
 */
#ifndef OVEX_GEO_PROJ_PROJ_SERIES_H
#define OVEX_GEO_PROJ_PROJ_SERIES_H

#include <stdio.h>

#include <string>
#include <vector>

#include "geo/proj/proj_library.h"

/* One row of coefficients: row i holds the terms of degree i in u, the
 * j-th coefficient the term of degree j in v. An empty row has no term. */
typedef std::vector<double> ProjSeriesRow;

/* A fitted pair of series, x = f(u, v) and y = g(u, v).
 * Chebyshev: value = sum c[i][j] T_i(s) T_j(t) with s, t the box mapped
 * onto [-1, 1] (the halved first terms are already folded in).
 * Power: value = sum c[i][j] (u - uc)^i (v - vc)^j with (uc, vc) the
 * centre of the box, u and v in the units of the transform. */
struct ProjSeries {
    bool power = false;
    double uMin = 0, uMax = 0, vMin = 0, vMax = 0;
    std::vector<ProjSeriesRow> x, y;
    double residX = 0, residY = 0;  /* sums of the dropped coefficients */
};

/* The function being fitted; returns false where it has no value. */
typedef bool (ProjSeriesFunction)(double u, double v, double *x, double *y);

/* Fits the box [uMin, uMax] x [vMin, vMax] with nu x nv Chebyshev terms,
 * drops every coefficient below tolerance and, with power, turns the rest
 * into a power series. False when the function fails at a sample point
 * or nu, nv are out of range. */
bool mk_cheby(double uMin, double uMax, double vMin, double vMax, double tolerance,
              ProjSeriesFunction *fn, int nu, int nv, bool power, ProjSeries *out);

/* Value of a series at (u, v) in the units of the transform. */
void projSeriesEval(const ProjSeries &series, double u, double v, double *x, double *y);

/* The "u:"/"v:" text of a series with each coefficient in format. */
std::string p_series(const ProjSeries &series, const char *format);

/* The -T run: parses control, writes the whole approximation through
 * programWrite, ends the run through emess on any error. */
void gen_cheb(bool inverse, ProjSeriesFunction *fn, const char *control, ProjHandle *P,
              int argc, const char **argv);

/* Largest nu and nv accepted: each costs a row of samples. */
#define PROJ_SERIES_MAX_TERMS 200

#endif
