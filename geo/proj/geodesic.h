/*
 * geodesic.h --
 *
 *	Forward and inverse geodesic problems on an ellipsoid or sphere,
 *	worked on a state record the caller owns, so that any number of
 *	geodesic objects coexist. Angles are radians; distances are in the
 *	definition's units.
 */
#ifndef OVEX_GEO_PROJ_GEODESIC_H
#define OVEX_GEO_PROJ_GEODESIC_H

namespace ovexgeod {

struct GeodState {
    double a;
    double lam1, phi1, al12, lam2, phi2, al21;
    double S;
    double onef, f, f2, f4, f64;
    int ellipse;
    int mode;  /* 1: the definition gave a second point */
    double th1, costh1, sinth1, sina12, cosa12, M, N, c1, c2, D, P, s1;
    int merid, signS;
    double to_meter, fr_meter;
    double del_alpha;
    int n_alpha, n_S;
};

/* Set-up from PROJ-style words (ellipsoid, units, points, steps).
 * Messages go to emess with messageSeverity (above 0 ends the run).
 * Returns 1, or 0 on failure. */
int geodSetR(int argc, const char *const *argv, GeodState *g, int messageSeverity = 0);
void geodPreR(GeodState *g);
void geodForR(GeodState *g);
void geodInvR(GeodState *g);

/* Longitude brought into [-pi, pi]. */
double adjlon(double lon);

}  // namespace ovexgeod

#endif
