/*
 * geodesic.cpp --
 *
 *	The classic series solution of the geodesic problems (its error grows
 *	with the length: a few millimetres per 1,000 km, metres beyond
 *	10,000 km, and no answer to trust for nearly antipodal points; see
 *	bench/geod_accuracy.tcl), with the ellipsoid and unit set-up over the
 *	library's lists.
 */
#include "geo/proj/geodesic.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/rounding.h"
#include "geo/proj/emess.h"
#include "geo/proj/proj_library.h"

namespace ovexgeod {

namespace {

const double halfPi = M_PI / 2;
const double twoPi = 2 * M_PI;

/* The words of a definition as name=value pairs, "+" dropped. */
struct ParamList {
    std::vector<std::string> words;

    const std::string *find(const char *name) const
    {
        size_t n = strlen(name);
        for (const std::string &w : words) {
            if (w.compare(0, n, name) == 0 && (w.size() == n || w[n] == '=')) return &w;
        }
        return NULL;
    }
    bool has(const char *name) const { return find(name) != NULL; }
    std::string text(const char *name) const
    {
        const std::string *w = find(name);
        if (w == NULL) return "";
        size_t eq = w->find('=');
        return eq == std::string::npos ? "" : w->substr(eq + 1);
    }
    double real(const char *name) const { return has(name) ? atof(text(name).c_str()) : 0; }
    int integer(const char *name) const { return has(name) ? atoi(text(name).c_str()) : 0; }
    double angle(const char *name) const
    {
        if (!has(name)) return 0;
        double r = projDmsToRadians(text(name).c_str(), NULL);
        return r == HUGE_VAL ? 0 : r;
    }
};

/* Major axis and squared eccentricity; false when not given or absurd. */
bool ellipsoidSetup(const ParamList &params, double *a, double *es)
{
    ParamList list = params;
    if (!list.has("R") && list.has("ellps")) {
        int index = ellpsListIndex(list.text("ellps").c_str());
        if (index < 0) return false;
        EllpsListEntry *e = ellpsListEntry(index);
        list.words.push_back(ellpsEntryMajor(e));
        list.words.push_back(ellpsEntryEll(e));
    }
    if (list.has("R")) {
        *a = list.real("R");
        *es = 0;
        return *a > 0;
    }
    *a = list.real("a");
    *es = 0;
    if (list.has("es")) *es = list.real("es");
    else if (list.has("e")) { double e = list.real("e"); *es = e * e; }
    else if (list.has("rf")) {
        double rf = list.real("rf");
        if (rf == 0) return false;
        double f = 1 / rf;
        *es = f * (2 - f);
    } else if (list.has("f")) { double f = list.real("f"); *es = f * (2 - f); }
    else if (list.has("b")) { double b = list.real("b"); *es = 1 - (b * b) / (*a * *a); }
    return *a > 0 && *es >= 0 && *es < 1;
}

}  // namespace

double adjlon(double lon)
{
    if (fabs(lon) <= M_PI + 1e-14) return lon;
    lon += M_PI;
    lon -= twoPi * floor(lon / twoPi);
    lon -= M_PI;
    return lon;
}

int geodSetR(int argc, const char *const *argv, GeodState *g, int messageSeverity)
{
    if (argc <= 0) {
        emess(messageSeverity, "no arguments in initialization list");
        return 0;
    }
    ParamList params;
    for (int i = 0; i < argc; i++) {
        params.words.push_back(argv[i][0] == '+' ? argv[i] + 1 : argv[i]);
    }
    double es;
    if (!ellipsoidSetup(params, &g->a, &es)) {
        emess(messageSeverity, "ellipse setup failure");
        return 0;
    }
    if (params.has("units")) {
        std::string id = params.text("units");
        double factor = projUnitToMeter(id.c_str());
        if (factor == 0) {
            emess(messageSeverity, "%s unknown unit conversion id", id.c_str());
            return 0;
        }
        /* The list's number, not its text: "1/100" reads as 1. */
        g->to_meter = factor;
        g->fr_meter = 1 / factor;
    } else {
        g->to_meter = g->fr_meter = 1;
    }
    g->ellipse = es != 0;
    if (g->ellipse) {
        g->onef = sqrt(1 - es);
        g->f = 1 - g->onef;
        g->f2 = g->f * 0.5;
        g->f4 = g->f * 0.25;
        g->f64 = g->f * g->f * 0.015625;
    } else {
        g->onef = 1;
        g->f = g->f2 = g->f4 = g->f64 = 0;
    }
    if (params.has("lat_1")) {
        g->phi1 = params.angle("lat_1");
        g->lam1 = params.angle("lon_1");
        if (params.has("lat_2")) {
            g->mode = 1;
            g->phi2 = params.angle("lat_2");
            g->lam2 = params.angle("lon_2");
            geodInvR(g);
            geodPreR(g);
        } else {
            g->S = params.real("S");
            if (g->S == 0) {
                emess(messageSeverity, "incomplete geodesic/arc info");
                return 0;
            }
            g->mode = 0;
            g->al12 = params.angle("A");
            geodPreR(g);
            geodForR(g);
        }
        g->n_alpha = params.integer("n_A");
        if (g->n_alpha > 0) {
            g->del_alpha = params.angle("del_A");
            if (g->del_alpha == 0) {
                emess(messageSeverity, "del azimuth == 0");
                return 0;
            }
        } else {
            double delS = params.real("del_S");
            if (delS != 0) {
                g->n_S = clampToInt(g->S / fabs(delS) + 0.5);
            } else {
                g->n_S = params.integer("n_S");
                if (g->n_S <= 0) {
                    emess(messageSeverity, "no interval divisor selected");
                    return 0;
                }
            }
        }
    }
    return 1;
}

void geodPreR(GeodState *g)
{
    g->al12 = adjlon(g->al12);
    g->signS = fabs(g->al12) > halfPi;
    g->th1 = g->ellipse ? atan(g->onef * tan(g->phi1)) : g->phi1;
    g->costh1 = cos(g->th1);
    g->sinth1 = sin(g->th1);
    g->sina12 = sin(g->al12);
    g->merid = fabs(g->sina12) < 1e-9;
    if (g->merid) {
        g->sina12 = 0;
        g->cosa12 = fabs(g->al12) < halfPi ? 1 : -1;
        g->M = 0;
    } else {
        g->cosa12 = cos(g->al12);
        g->M = g->costh1 * g->sina12;
    }
    g->N = g->costh1 * g->cosa12;
    if (g->ellipse) {
        if (g->merid) {
            g->c1 = 0;
            g->c2 = g->f4;
            g->D = 1 - g->c2;
            g->D *= g->D;
            g->P = g->c2 / g->D;
        } else {
            g->c1 = g->f * g->M;
            g->c2 = g->f4 * (1 - g->M * g->M);
            g->D = (1 - g->c2) * (1 - g->c2 - g->c1 * g->M);
            g->P = (1 + 0.5 * g->c1 * g->M) * g->c2 / g->D;
        }
    }
    if (g->merid) {
        g->s1 = halfPi - g->th1;
    } else {
        /* Written so that a NaN (0/0 on the equator) takes the 0 branch. */
        g->s1 = fabs(g->M) < 1 ? acos(g->M) : 0;
        g->s1 = g->sinth1 / sin(g->s1);
        g->s1 = fabs(g->s1) < 1 ? acos(g->s1) : 0;
    }
}

void geodForR(GeodState *g)
{
    double d, sind, u, V, X, ds, cosds, sinds, ss = 0, de;
    if (g->ellipse) {
        d = g->S * g->to_meter / (g->D * g->a);
        if (g->signS) d = -d;
        u = 2 * (g->s1 - d);
        V = cos(u + d);
        sind = sin(d);
        X = g->c2 * g->c2 * sind * cos(d) * (2 * V * V - 1);
        ds = d + X - 2 * g->P * V * (1 - 2 * g->P * cos(u)) * sind;
        ss = g->s1 + g->s1 - ds;
    } else {
        ds = g->S * g->to_meter / g->a;
        if (g->signS) ds = -ds;
    }
    cosds = cos(ds);
    sinds = sin(ds);
    if (g->signS) sinds = -sinds;
    g->al21 = g->N * cosds - g->sinth1 * sinds;
    if (g->merid) {
        g->phi2 = atan(tan(halfPi + g->s1 - ds) / g->onef);
        if (g->al21 > 0) {
            g->al21 = M_PI;
            if (g->signS) {
                de = M_PI;
            } else {
                g->phi2 = -g->phi2;
                de = 0;
            }
        } else {
            g->al21 = 0;
            if (g->signS) {
                g->phi2 = -g->phi2;
                de = 0;
            } else {
                de = M_PI;
            }
        }
    } else {
        g->al21 = atan(g->M / g->al21);
        if (g->al21 > 0) g->al21 += M_PI;
        if (g->al12 < 0) g->al21 -= M_PI;
        g->al21 = adjlon(g->al21);
        g->phi2 = atan(-(g->sinth1 * cosds + g->N * sinds) * sin(g->al21) /
                       (g->ellipse ? g->onef * g->M : g->M));
        de = atan2(sinds * g->sina12, (g->costh1 * cosds - g->sinth1 * sinds * g->cosa12));
        if (g->ellipse) {
            if (g->signS) {
                de += g->c1 * ((1 - g->c2) * ds + g->c2 * sinds * cos(ss));
            } else {
                de -= g->c1 * ((1 - g->c2) * ds - g->c2 * sinds * cos(ss));
            }
        }
    }
    g->lam2 = adjlon(g->lam1 + de);
}

void geodInvR(GeodState *g)
{
    double th1, th2, thm, dthm, dlamm, dlam, sindlamm, costhm, sinthm, cosdthm, sindthm, L, E,
        cosd, d, X, Y, T, sind, tandlammp, u, v, D, A, B;
    if (g->ellipse) {
        th1 = atan(g->onef * tan(g->phi1));
        th2 = atan(g->onef * tan(g->phi2));
    } else {
        th1 = g->phi1;
        th2 = g->phi2;
    }
    thm = 0.5 * (th1 + th2);
    dthm = 0.5 * (th2 - th1);
    dlamm = 0.5 * (dlam = adjlon(g->lam2 - g->lam1));
    if (fabs(dlam) < 1e-12 && fabs(dthm) < 1e-12) {
        g->al12 = g->al21 = g->S = 0;
        return;
    }
    sindlamm = sin(dlamm);
    costhm = cos(thm);
    sinthm = sin(thm);
    cosdthm = cos(dthm);
    sindthm = sin(dthm);
    L = sindthm * sindthm + (cosdthm * cosdthm - sinthm * sinthm) * sindlamm * sindlamm;
    d = acos(cosd = 1 - L - L);
    if (g->ellipse) {
        E = cosd + cosd;
        sind = sin(d);
        Y = sinthm * cosdthm;
        Y *= (Y + Y) / (1 - L);
        T = sindthm * costhm;
        T *= (T + T) / L;
        X = Y + T;
        Y -= T;
        T = d / sind;
        D = 4 * T * T;
        A = D * E;
        B = D + D;
        g->S = g->a * sind *
               (T - g->f4 * (T * X - Y) +
                g->f64 * (X * (A + (T - 0.5 * (A - E)) * X) - Y * (B + E * Y) + D * X * Y));
        tandlammp = tan(0.5 * (dlam - 0.25 * (Y + Y - E * (4 - X)) *
                                          (g->f2 * T + g->f64 * (32 * T - (20 * T - A) * X -
                                                                 (B + 4) * Y)) *
                                          tan(dlam)));
    } else {
        g->S = g->a * d;
        tandlammp = tan(dlamm);
    }
    g->S *= g->fr_meter;
    u = atan2(sindthm, tandlammp * costhm);
    v = atan2(cosdthm, tandlammp * sinthm);
    g->al12 = adjlon(twoPi + v - u);
    g->al21 = adjlon(twoPi - v - u);
}

}  // namespace ovexgeod
