/*
 * proj_series.cpp --
 *
 *	Series approximations of a projection for proj -T. The function is
 *	sampled at the Chebyshev nodes of the box, which gives the Chebyshev
 *	coefficients directly; coefficients smaller than the tolerance are
 *	dropped (each |T| <= 1, so their sum bounds what dropping costs) and
 *	what is left may be rewritten as a power series about the box centre.
 */
#include "geo/proj/proj_series.h"

#include <errno.h>
#include <limits.h>
#include <math.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include "geo/proj/emess.h"
#include "geo/proj/program_kit.h"

namespace {

const double RAD_TO_DEG = 57.29577951308232;
const double TWO_PI = 6.283185307179586;

std::string format1(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    char small[128];
    va_list copy;
    va_copy(copy, ap);
    int n = vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    std::string out;
    if (n < 0) {
        out.clear();
    } else if ((size_t)n < sizeof small) {
        out.assign(small, n);
    } else {
        out.resize((size_t)n + 1);
        vsnprintf(&out[0], out.size(), format, ap);
        out.resize((size_t)n);
    }
    va_end(ap);
    return out;
}

typedef std::vector<std::vector<double>> Matrix;

/* Coefficients of T_0..T_{n-1} in powers of s: row k, column m. */
Matrix chebyshevToPower(int n)
{
    Matrix a(n, std::vector<double>(n, 0.0));
    a[0][0] = 1;
    if (n > 1) a[1][1] = 1;
    for (int k = 2; k < n; k++) {
        for (int m = 0; m < n; m++) {
            double v = -a[k - 2][m];
            if (m > 0) v += 2 * a[k - 1][m - 1];
            a[k][m] = v;
        }
    }
    return a;
}

/* Rows without their trailing zeros; no rows after the last non-empty. */
std::vector<ProjSeriesRow> packRows(const Matrix &c)
{
    std::vector<ProjSeriesRow> rows(c.size());
    size_t used = 0;
    for (size_t i = 0; i < c.size(); i++) {
        size_t m = c[i].size();
        while (m > 0 && c[i][m - 1] == 0) --m;
        rows[i].assign(c[i].begin(), c[i].begin() + m);
        if (m > 0) used = i + 1;
    }
    rows.resize(used);
    return rows;
}

/* c[i][j] sum over i, j of c_ij * a_i(s) * b_j(t), each basis by recurrence. */
double evalRows(const std::vector<ProjSeriesRow> &rows, double s, double t, bool power)
{
    double total = 0, bi = 1, biPrev = 0;
    for (size_t i = 0; i < rows.size(); i++) {
        if (i > 0) {
            double next = power ? bi * s : (i == 1 ? s : 2 * s * bi - biPrev);
            biPrev = bi;
            bi = next;
        }
        double inner = 0, bj = 1, bjPrev = 0;
        for (size_t j = 0; j < rows[i].size(); j++) {
            if (j > 0) {
                double next = power ? bj * t : (j == 1 ? t : 2 * t * bj - bjPrev);
                bjPrev = bj;
                bj = next;
            }
            inner += rows[i][j] * bj;
        }
        total += inner * bi;
    }
    return total;
}

/* Converts a truncated Chebyshev matrix to powers of (u - uc), (v - vc). */
Matrix toPower(const Matrix &c, double hu, double hv)
{
    int nu = (int)c.size(), nv = (int)c[0].size();
    Matrix au = chebyshevToPower(nu), av = chebyshevToPower(nv);
    Matrix mid(nu, std::vector<double>(nv, 0.0)), out(nu, std::vector<double>(nv, 0.0));
    for (int i = 0; i < nu; i++)  /* along v first */
        for (int q = 0; q < nv; q++) {
            double sum = 0;
            for (int j = q; j < nv; j++) sum += c[i][j] * av[j][q];
            mid[i][q] = sum;
        }
    double su = 1;
    for (int p = 0; p < nu; p++) {
        double sv = 1;
        for (int q = 0; q < nv; q++) {
            double sum = 0;
            for (int i = p; i < nu; i++) sum += au[i][p] * mid[i][q];
            out[p][q] = sum / (su * sv);
            sv *= hv;
        }
        su *= hu;
    }
    return out;
}

}  // namespace

bool mk_cheby(double uMin, double uMax, double vMin, double vMax, double tolerance,
              ProjSeriesFunction *fn, int nu, int nv, bool power, ProjSeries *out)
{
    if (nu < 2 || nv < 2 || nu > PROJ_SERIES_MAX_TERMS || nv > PROJ_SERIES_MAX_TERMS) return false;
    double uc = 0.5 * (uMin + uMax), hu = 0.5 * (uMax - uMin);
    double vc = 0.5 * (vMin + vMax), hv = 0.5 * (vMax - vMin);
    /* cosU[i][k] = T_i at the k-th node, and likewise for v. */
    Matrix cosU(nu, std::vector<double>(nu)), cosV(nv, std::vector<double>(nv));
    for (int i = 0; i < nu; i++)
        for (int k = 0; k < nu; k++) cosU[i][k] = cos(M_PI * i * (k + 0.5) / nu);
    for (int j = 0; j < nv; j++)
        for (int l = 0; l < nv; l++) cosV[j][l] = cos(M_PI * j * (l + 0.5) / nv);
    Matrix fx(nu, std::vector<double>(nv)), fy(nu, std::vector<double>(nv));
    for (int k = 0; k < nu; k++)
        for (int l = 0; l < nv; l++) {
            double x, y;
            if (!fn(uc + hu * cosU[1][k], vc + hv * cosV[1][l], &x, &y) || x == HUGE_VAL ||
                y == HUGE_VAL || !isfinite(x) || !isfinite(y)) {
                return false;
            }
            fx[k][l] = x;
            fy[k][l] = y;
        }
    auto fit = [&](const Matrix &f, double *resid) {
        Matrix mid(nu, std::vector<double>(nv)), c(nu, std::vector<double>(nv));
        for (int k = 0; k < nu; k++)
            for (int j = 0; j < nv; j++) {
                double sum = 0;
                for (int l = 0; l < nv; l++) sum += f[k][l] * cosV[j][l];
                mid[k][j] = sum * (j == 0 ? 1.0 : 2.0) / nv;
            }
        *resid = 0;
        for (int i = 0; i < nu; i++)
            for (int j = 0; j < nv; j++) {
                double sum = 0;
                for (int k = 0; k < nu; k++) sum += mid[k][j] * cosU[i][k];
                sum *= (i == 0 ? 1.0 : 2.0) / nu;
                if (fabs(sum) < tolerance) {
                    *resid += fabs(sum);
                    sum = 0;
                }
                c[i][j] = sum;
            }
        return c;
    };
    Matrix cx = fit(fx, &out->residX), cy = fit(fy, &out->residY);
    out->power = power;
    out->uMin = uMin;
    out->uMax = uMax;
    out->vMin = vMin;
    out->vMax = vMax;
    if (power) {
        cx = toPower(cx, hu, hv);
        cy = toPower(cy, hu, hv);
    }
    out->x = packRows(cx);
    out->y = packRows(cy);
    return true;
}

void projSeriesEval(const ProjSeries &series, double u, double v, double *x, double *y)
{
    double uc = 0.5 * (series.uMin + series.uMax), vc = 0.5 * (series.vMin + series.vMax);
    double s = u - uc, t = v - vc;
    if (!series.power) {
        s /= 0.5 * (series.uMax - series.uMin);
        t /= 0.5 * (series.vMax - series.vMin);
    }
    *x = evalRows(series.x, s, t, series.power);
    *y = evalRows(series.y, s, t, series.power);
}

std::string p_series(const ProjSeries &series, const char *format)
{
    std::string coefficient = " " + std::string(format).substr(0, 17);
    std::string out;
    const std::vector<ProjSeriesRow> *parts[2] = {&series.x, &series.y};
    const char *names[2] = {"u", "v"};
    for (int p = 0; p < 2; p++) {
        const std::vector<ProjSeriesRow> &rows = *parts[p];
        out += format1("%s: %d\n", names[p], (int)rows.size());
        for (size_t i = 0; i < rows.size(); i++) {
            if (rows[i].empty()) continue;
            std::string head = format1("%d %d", (int)i, (int)rows[i].size());
            out += head;
            size_t length = head.size(), width = 0;
            for (double c : rows[i]) {
                length += width;
                if (length > 60) {
                    out += "\n ";
                    length = 2;
                }
                std::string text = format1(coefficient.c_str(), c);
                width = text.size();
                out += text;
            }
            out += '\n';
        }
    }
    return out;
}

namespace {

/* One optional integer field of the control text; empty keeps *value. */
void readControlInt(const std::string &field, int *value, const char *control)
{
    if (field.empty()) return;
    char *end;
    errno = 0;
    long n = strtol(field.c_str(), &end, 10);
    if (end == field.c_str() || *end != '\0') emess(16, "invalid -T parameters: %s", control);
    *value = n > INT_MAX ? INT_MAX : n < INT_MIN ? INT_MIN : (int)n;
}

}  // namespace

void gen_cheb(bool inverse, ProjSeriesFunction *fn, const char *control, ProjHandle *P,
              int argc, const char **argv)
{
    std::vector<std::string> fields;
    for (const char *s = control;;) {
        const char *comma = strchr(s, ',');
        fields.push_back(comma ? std::string(s, comma - s) : std::string(s));
        if (!comma) break;
        s = comma + 1;
    }
    double bound[4];
    for (int k = 0; k < 4; k++) {
        bool read = false;
        if (k < (int)fields.size() && !fields[k].empty()) {
            char *end;
            const char *text = fields[k].c_str();
            bound[k] = inverse ? strtod(text, &end) : projDmsToRadians(text, &end);
            read = end != text && *end == '\0' && bound[k] != HUGE_VAL && isfinite(bound[k]);
        }
        if (!read) emess(16, "null or absent -T parameters");
    }
    int res = -1, nu = 15, nv = 15;
    bool power = false;
    if (fields.size() > 4) readControlInt(fields[4], &res, control);
    if (fields.size() > 5) readControlInt(fields[5], &nu, control);
    if (fields.size() > 6) readControlInt(fields[6], &nv, control);
    if (fields.size() > 7) {
        if (fields[7] != "P" || fields.size() > 8) {
            emess(16, "invalid -T parameters: %s", control);
        }
        power = true;
    }
    const char *kind = power ? "Power" : "Chebyshev";
    std::string out = format1("#proj_%s\n#    run-line:\n", kind);
    size_t length = 0;
    for (int i = 0; i < argc; i++) {
        if (argv[i][0] == '+') continue;
        if (length == 0) {
            out += "#";
            length = 1;
        }
        out += format1(" %s", argv[i]);
        length += 1 + strlen(argv[i]);
        if (length > 50) {
            out += "\n";
            length = 0;
        }
    }
    if (length != 0) out += "\n";
    out += "# projection parameters\n" + projParamListing(P);
    programWrite(out);
    double uMin = bound[0], uMax = bound[1], vMin = bound[2], vMax = bound[3];
    if (uMin == uMax || vMin >= vMax) emess(16, "approx. argument range error");
    if (uMin > uMax) uMin -= TWO_PI;
    if (nu < 2 || nv < 2) emess(16, "approx. work dimensions (%d %d) too small", nu, nv);
    if (nu > PROJ_SERIES_MAX_TERMS || nv > PROJ_SERIES_MAX_TERMS) {
        emess(16, "approx. work dimensions (%d %d) too large", nu, nv);
    }
    ProjSeries series;
    if (!mk_cheby(uMin, uMax, vMin, vMax, 0.5 * pow(10.0, res), fn, nu, nv, power, &series)) {
        emess(16, "generation of approx failed\nreason: %s\n", projErrorText());
    }
    double scale = inverse ? 1.0 : RAD_TO_DEG;
    out = format1("%c,%.12g,%.12g,%.12g,%.12g,%.12g\n", inverse ? 'I' : 'F',
                  projGetLam0(P) * RAD_TO_DEG, uMin * scale, uMax * scale, vMin * scale,
                  vMax * scale);
    std::string format = power ? "%.15g" : res <= 0 ? format1("%%.%df", 1 - (res < -1000 ? -1000 : res)) : "%.0f";
    out += p_series(series, format.c_str());
    out += format1("# |u,v| sums %g %g\n#end_proj_%s\n", series.residX, series.residY, kind);
    programWrite(out);
}
