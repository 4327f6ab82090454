/*
 * proj_program.cpp --
 *
 *	The proj program: forward and inverse projection of coordinate
 *	lines, scale factors, the -V report and the library's lists. Every
 *	run ends through projExit. Options of the first group are set back at
 *	each run start; the output format, error text and scale factor stay
 *	from run to run as copies of their own.
 */
#include <errno.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "geo/proj/emess.h"
#include "geo/proj/program_kit.h"
#include "geo/proj/proj_library.h"
#include "geo/proj/proj_series.h"
#include "geo/proj/programs.h"
#include "geo/proj/run_guard.h"
#include "geo/proj/object_kit.h"

namespace {

const double RAD_TO_DEG = 57.29577951308232;
const int MAX_PARAMS = 100;

/* Set back at each run start. */
int reversein, reverseout, bin_in, bin_out, echoin, tag = '#', inverse, prescale, dofactors,
    very_verby, postscale;
/* Kept between runs. */
bool haveFormat = false;
std::string oform;
std::string oterr = "*\t*";
double fscale = 0;
ProjHandle *Proj = nullptr;
ProjFactors facs;
int facs_bad;

void resetOptions()
{
    reversein = reverseout = bin_in = bin_out = echoin = inverse = prescale = 0;
    dofactors = very_verby = postscale = facs_bad = 0;
    tag = '#';
}

/* Reads a number the way the run's direction asks: decimal for inverse
 * input, degrees-minutes-seconds otherwise. */
double readNumber(const char *s, char **rest, bool decimal)
{
    if (decimal) {
        return strtod(s, rest);
    }
    return projDmsToRadians(s, rest);
}

void transform(double *u, double *v)
{
    double x, y;
    if (inverse) projInverse(Proj, *u, *v, &x, &y);
    else projForward(Proj, *u, *v, &x, &y);
    *u = x;
    *v = y;
}

/* The transform as the series generator sees it: the -m factor on both
 * sides, exactly as the data lines get it (without factors). */
bool scaledTransform(double u, double v, double *x, double *y)
{
    if (prescale) {
        u *= fscale;
        v *= fscale;
    }
    transform(&u, &v);
    if (u == HUGE_VAL) return false;
    if (postscale) {
        u *= fscale;
        v *= fscale;
    }
    *x = u;
    *y = v;
    return true;
}

void processInput(ProgramInput &in)
{
    char line[PROGRAM_MAX_LINE + 3];
    std::string out;    /* one line's text, its room kept from line to line */
    for (;;) {
        ++emessState.lineNumber;
        double u, v;
        out.clear();
        char *s = line;
        if (bin_in) {
            double rec[2];
            FILE *f = in.isConsole() ? stdin : in.file();
            if (fread(rec, sizeof rec, 1, f) != 1) break;
            u = rec[0];
            v = rec[1];
        } else {
            if (!in.readLine(line)) break;
            if (line[0] == tag) {
                if (!bin_out) programWrite(line);
                continue;
            }
            if (reversein) {
                v = readNumber(s, &s, inverse);
                u = readNumber(s, &s, inverse);
            } else {
                u = readNumber(s, &s, inverse);
                v = readNumber(s, &s, inverse);
            }
            if (v == HUGE_VAL) u = HUGE_VAL;
            if (*s == '\0' && s > line) --s;
            if (!bin_out && echoin) {
                out.append(line, s - line);
                out += '\t';
            }
        }
        if (u != HUGE_VAL) {
            if (prescale) {
                u *= fscale;
                v *= fscale;
            }
            if (dofactors && !inverse) facs_bad = !projFactors(Proj, u, v, &facs);
            transform(&u, &v);
            if (dofactors && inverse) facs_bad = !projFactors(Proj, u, v, &facs);
            if (postscale && u != HUGE_VAL) {
                u *= fscale;
                v *= fscale;
            }
        }
        if (bin_out) {
            double rec[2] = {u, v};
            fwrite(rec, sizeof rec, 1, stdout);
            continue;
        }
        if (u == HUGE_VAL) {
            out += oterr;
        } else if (inverse && !haveFormat) {
            appendRtodms(out, reverseout ? v : u, reverseout ? 'N' : 'E', reverseout ? 'S' : 'W');
            out += '\t';
            appendRtodms(out, reverseout ? u : v, reverseout ? 'E' : 'N', reverseout ? 'W' : 'S');
        } else {
            if (inverse) {
                u *= RAD_TO_DEG;
                v *= RAD_TO_DEG;
            }
            appendNumber(out, oform.c_str(), reverseout ? v : u);
            out += '\t';
            appendNumber(out, oform.c_str(), reverseout ? u : v);
        }
        if (dofactors) {
            if (!facs_bad) {
                char buffer[256];
                snprintf(buffer, sizeof buffer, "\t<%g %g %g %g %g %g>", facs.meridionalScale,
                         facs.parallelScale, facs.arealScale,
                         facs.angularDistortion * RAD_TO_DEG, facs.tissotSemimajor,
                         facs.tissotSemiminor);
                out += buffer;
            } else {
                out += "\t<* * * * * *>";
            }
        }
        out += bin_in ? "\n" : s;
        programWrite(out);
    }
}

void processVerbose(ProgramInput &in)
{
    char line[PROGRAM_MAX_LINE + 3];
    if (!haveFormat) {
        oform = "%.3f";
        haveFormat = true;
    }
    if (bin_in || bin_out) emess(1, "binary I/O not available in -V option");
    for (;;) {
        ++emessState.lineNumber;
        if (!in.readLine(line)) break;
        char *s = line;
        if (*s == tag) {
            programWrite(line);
            continue;
        }
        int linvers = inverse;
        if (*s == 'I' || *s == 'i') {
            linvers = 1;
            ++s;
        }
        double lam, phi, x, y;
        if (linvers) {
            if (!projHasInverse(Proj)) {
                emess(-1, "inverse for this projection not avail.\n");
                continue;
            }
            x = readNumber(s, &s, true);
            y = readNumber(s, &s, true);
            if (x == HUGE_VAL || y == HUGE_VAL) {
                emess(-1, "lon-lat input conversion failure\n");
                continue;
            }
            if (prescale) {
                x *= fscale;
                y *= fscale;
            }
            projInverse(Proj, x, y, &lam, &phi);
            if (lam == HUGE_VAL) {
                emess(-1, "%s", projErrorText());
                continue;
            }
        } else {
            lam = readNumber(s, &s, false);
            phi = readNumber(s, &s, false);
            if (lam == HUGE_VAL || phi == HUGE_VAL) {
                emess(-1, "lon-lat input conversion failure\n");
                continue;
            }
            projForward(Proj, lam, phi, &x, &y);
            if (x == HUGE_VAL) {
                emess(-1, "%s", projErrorText());
                continue;
            }
            if (postscale) {
                x *= fscale;
                y *= fscale;
            }
        }
        if (*s == '\0' && s > line) --s;
        if (!projFactors(Proj, lam, phi, &facs)) {
            emess(-1, "failed to conpute factors\n\n");
            continue;
        }
        std::string out;
        if (*s != '\n') out += s;
        char b[256];
        out += "Longitude: " + rtodms(lam, 'E', 'W');
        snprintf(b, sizeof b, " [ %.11g ]\n", lam * RAD_TO_DEG);
        out += b;
        out += "Latitude:  " + rtodms(phi, 'N', 'S');
        snprintf(b, sizeof b, " [ %.11g ]\n", phi * RAD_TO_DEG);
        out += b;
        out += "Easting (x):   " + formatNumber(oform.c_str(), x) + "\n";
        out += "Northing (y):  " + formatNumber(oform.c_str(), y) + "\n";
        snprintf(b, sizeof b, "Meridian scale (h)%c: %.8f  ( %.4g %% error )\n", ' ',
                 facs.meridionalScale, (facs.meridionalScale - 1.) * 100.);
        out += b;
        snprintf(b, sizeof b, "Parallel scale (k)%c: %.8f  ( %.4g %% error )\n", ' ',
                 facs.parallelScale, (facs.parallelScale - 1.) * 100.);
        out += b;
        snprintf(b, sizeof b, "Areal scale (s):     %.8f  ( %.4g %% error )\n", facs.arealScale,
                 (facs.arealScale - 1.) * 100.);
        out += b;
        snprintf(b, sizeof b, "Angular distortion (w): %.3f\n",
                 facs.angularDistortion * RAD_TO_DEG);
        out += b;
        snprintf(b, sizeof b, "Meridian/Parallel angle: %.5f\n",
                 facs.meridianParallelAngle * RAD_TO_DEG);
        out += b;
        out += std::string("Convergence") + ' ' + ": " + rtodms(facs.meridianConvergence, 0, 0);
        snprintf(b, sizeof b, " [ %.8f ]\n", facs.meridianConvergence * RAD_TO_DEG);
        out += b;
        snprintf(b, sizeof b, "Max-min (Tissot axis a-b) scale error: %.5f %.5f\n\n",
                 facs.tissotSemimajor, facs.tissotSemiminor);
        out += b;
        programWrite(out);
    }
}

/* The -l family; ends the run. */
[[noreturn]] void listAndExit(const char *arg)
{
    std::string out;
    char b[512];
    if (arg[1] == '\0' || arg[1] == 'p' || arg[1] == 'P') {
        bool whole = arg[1] == 'P';
        for (ProjListEntry *e = projListFirst(); e != nullptr && projEntryId(e) != nullptr;
             e = projListNext(e)) {
            const char *d = projEntryDescr(e);
            std::string text = d != nullptr ? d : "";
            if (!whole) text = text.substr(0, text.find('\n'));
            programWrite(std::string(projEntryId(e)) + " : " + text + "\n");
        }
    } else if (arg[1] == '=') {
        int index = projListIndex(arg + 2);
        if (index >= 0) {
            ProjListEntry *e = projListEntry(index);
            const char *d = projEntryDescr(e);
            snprintf(b, sizeof b, "%9s : ", projEntryId(e));
            programWrite(b + std::string(d != nullptr ? d : "") + "\n");
        }
    } else if (arg[1] == 'e') {
        for (EllpsListEntry *e = ellpsListFirst(); e != nullptr && ellpsEntryId(e) != nullptr;
             e = ellpsListNext(e)) {
            snprintf(b, sizeof b, "%9s %-16s %-16s %s\n", ellpsEntryId(e), ellpsEntryMajor(e),
                     ellpsEntryEll(e), ellpsEntryName(e));
            programWrite(b);
        }
    } else if (arg[1] == 'u') {
        for (int i = 0; i < projUnitCount(); i++) {
            snprintf(b, sizeof b, "%12s %-20s %s\n", projUnitId(i), projUnitFactorText(i),
                     projUnitName(i));
            programWrite(b);
        }
    } else if (arg[1] == 'd') {
        programWrite("__datum_id__ __ellipse___ __definition/comments______________________________\n");
        for (const ProgramDatum *d = programDatums(); d->id != nullptr; d++) {
            snprintf(b, sizeof b, "%12s %-12s %-30s\n", d->id, d->ellps, d->definition);
            out = b;
            if (d->comments[0] != '\0') {
                snprintf(b, sizeof b, "%25s %s\n", " ", d->comments);
                out += b;
            }
            programWrite(out);
        }
    } else {
        emess(1, "invalid list option: l%c", arg[1]);
    }
    projExit(0);
}

}  // namespace

int projMain(int argc, const char **argv)
{
    startProgram(argc, argv, "[ -beEfiIlormsStTvVwW [args] ] [ +opts[=arg] ] [ files ]");
    resetOptions();
    /* -T is cleared at each run start: kept, it would make every later
     * run generate a series and refuse its files. */
    std::string approximation;
    bool approximate = false;
    int verbose = 0;
    std::vector<std::string> params;
    std::vector<const char *> inputs;
    scanProgramWords(
        argc, argv, &tag, inputs,
        [&](const char *arg) {
            if ((int)params.size() >= MAX_PARAMS) emess(1, "overflowed + argument table");
            params.push_back(arg + 1);
        },
        [&](const char *&p, bool /* moreWords */, const std::function<const char *()> &nextWord) {
            switch (*p) {
            case 'b': bin_in = bin_out = 1; break;
            case 'v': verbose = 1; break;
            case 'i': bin_in = 1; break;
            case 'o': bin_out = 1; break;
            case 'I': inverse = 1; break;
            case 'E': echoin = 1; break;
            case 'V': very_verby = 1; verbose = 1; dofactors = 1; break;
            case 'S': dofactors = 1; break;
            case 'l': listAndExit(p);
            case 'e': oterr = nextWord(); return PROGRAM_NEXT_WORD;
            case 'T':
                approximation = nextWord();
                approximate = true;
                return PROGRAM_NEXT_WORD;
            case 'm': {
                const char *s = nextWord();
                if (s[0] == '1' && (s[1] == '/' || s[1] == ':')) {
                    fscale = atof(s + 2);
                    if (fscale == 0.) emess(1, "invalid scale argument");
                    fscale = 1. / fscale;
                } else if ((fscale = atof(s)) == 0.) {
                    emess(1, "invalid scale argument");
                }
                postscale = 1;
                return PROGRAM_NEXT_WORD;
            }
            case 'f':
                oform = nextWord();
                haveFormat = true;
                return PROGRAM_NEXT_WORD;
            case 'r': reversein = 1; break;
            case 's': reverseout = 1; break;
            default: emess(1, "invalid option: -%c", *p);
            }
            return PROGRAM_NEXT_LETTER;
        });
    if (approximate && !inputs.empty()) emess(4, "data files when generating Chebychev prohibited");
    if (inputs.empty()) inputs.push_back("-");
    if (inverse && postscale) {
        prescale = 1;
        postscale = 0;
        fscale = 1. / fscale;
    }
    projFree(Proj);
    Proj = nullptr;
    std::vector<char *> words;
    for (std::string &w : params) words.push_back(&w[0]);
    if ((Proj = projInitArgv((int)words.size(), words.data())) == nullptr) {
        emess(3, "projection initialization failure\ncause: %s", projErrorText());
    }
    if (projIsLatLong(Proj)) emess(3, "+proj=latlong unsuitable for use with proj program.");
    if (inverse && !projHasInverse(Proj)) emess(3, "inverse projection not available");
    if (approximate) {
        gen_cheb(inverse != 0, scaledTransform, approximation.c_str(), Proj, argc, argv);
        projFree(Proj);
        Proj = nullptr;
        projExit(0);
    }
    if (verbose) {
        std::string out = projParamListing(Proj);
        if (very_verby) {
            const char *format = haveFormat ? oform.c_str() : "%.3f";
            double a = projGetA(Proj), es = projGetE(Proj) * projGetE(Proj);
            char b[256];
            out += "#Final Earth figure: ";
            if (es != 0) {
                out += "ellipsoid\n#  Major axis (a): " + formatNumber(format, a);
                snprintf(b, sizeof b, "\n#  1/flattening: %.6f\n#  squared eccentricity: %.12f\n",
                         1.0 / (1.0 - sqrt(1.0 - es)), es);
                out += b;
            } else {
                out += "sphere\n#  Radius: " + formatNumber(format, a) + "\n";
            }
        }
        programWrite(out);
    }
    if (!inverse && !haveFormat) {
        oform = "%.2f";
        haveFormat = true;
    }
    forEachProgramInput(inputs, "rb", [&](ProgramInput &in) {
        if (very_verby) processVerbose(in);
        else processInput(in);
    });
    if (bin_out) fflush(stdout);
    projFree(Proj);
    Proj = nullptr;
    projExit(0);
}
