/*
 * geod_program.cpp --
 *
 *	The geod program: forward and inverse geodesic problems for data
 *	lines, or the points of a line or an arc that its parameters
 *	describe. Distances are metres inside the computation; the program
 *	converts from and to the definition's units.
 */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "geo/proj/emess.h"
#include "geo/proj/geodesic.h"
#include "geo/proj/object_kit.h"
#include "geo/proj/program_kit.h"
#include "geo/proj/programs.h"
#include "geo/proj/proj_library.h"
#include "geo/proj/run_guard.h"

using ovexgeod::GeodState;

namespace {

const double RAD_TO_DEG = 57.29577951308232;
const int MAX_PARAMS = 50;

GeodState G;
double toMeter = 1, frMeter = 1;
int fullout, tag = '#', pos_azi;
bool haveAngleFormat = false;
std::string osform;
std::string dfmt = "%.3f";

void appendAngle(std::string &out, double a)
{
    if (haveAngleFormat) appendNumber(out, osform.c_str(), a * RAD_TO_DEG);
    else appendRtodms(out, a, 0, 0);
}

void appendLatLon(std::string &out, double lat, double lon)
{
    if (haveAngleFormat) {
        appendNumber(out, osform.c_str(), lat * RAD_TO_DEG);
        out += '\t';
        appendNumber(out, osform.c_str(), lon * RAD_TO_DEG);
        return;
    }
    appendRtodms(out, lat, 'N', 'S');
    out += '\t';
    appendRtodms(out, lon, 'E', 'W');
}

std::string latLon(double lat, double lon)
{
    std::string out;
    appendLatLon(out, lat, lon);
    return out;
}

void arc()
{
    std::string out = latLon(G.phi2, G.lam2) + "\n";
    for (int i = 0; i < G.n_alpha; i++) {
        G.al12 = ovexgeod::adjlon(G.al12 + G.del_alpha);
        ovexgeod::geodPreR(&G);
        ovexgeod::geodForR(&G);
        out += latLon(G.phi2, G.lam2) + "\n";
    }
    programWrite(out);
}

void line()
{
    double phi2 = G.phi2, lam2 = G.lam2;
    std::string out = latLon(G.phi1, G.lam1) + "\n";
    double step = G.S / G.n_S;
    G.S = step;
    for (int i = 1; i < G.n_S; i++) {
        ovexgeod::geodForR(&G);
        out += latLon(G.phi2, G.lam2) + "\n";
        G.S += step;
    }
    out += latLon(phi2, lam2) + "\n";
    programWrite(out);
}

void process(ProgramInput &in, bool inverse)
{
    char buffer[PROGRAM_MAX_LINE + 3];
    std::string out;    /* one line's text, its room kept from line to line */
    for (;;) {
        ++emessState.lineNumber;
        if (!in.readLine(buffer)) break;
        if (buffer[0] == tag) {
            programWrite(buffer);
            continue;
        }
        char *s = buffer;
        G.phi1 = projDmsToRadians(s, &s);
        G.lam1 = projDmsToRadians(s, &s);
        if (inverse) {
            G.phi2 = projDmsToRadians(s, &s);
            G.lam2 = projDmsToRadians(s, &s);
            ovexgeod::geodInvR(&G);
        } else {
            G.al12 = projDmsToRadians(s, &s);
            G.S = strtod(s, &s) * toMeter;
            ovexgeod::geodPreR(&G);
            ovexgeod::geodForR(&G);
        }
        if (*s == '\0' && s > buffer) --s;
        if (pos_azi) {
            if (G.al12 < 0) G.al12 += 2 * M_PI;
            if (G.al21 < 0) G.al21 += 2 * M_PI;
        }
        out.clear();
        if (fullout) {
            appendLatLon(out, G.phi1, G.lam1);
            out += '\t';
            appendLatLon(out, G.phi2, G.lam2);
            out += '\t';
        }
        if (fullout || inverse) {
            appendAngle(out, G.al12);
            out += '\t';
            appendAngle(out, G.al21);
            out += '\t';
            appendNumber(out, dfmt.c_str(), G.S * frMeter);
        } else {
            appendLatLon(out, G.phi2, G.lam2);
            out += '\t';
            appendAngle(out, G.al21);
        }
        out += s;
        programWrite(out);
    }
}

}  // namespace

int geodMain(int argc, const char **argv)
{
    startProgram(argc, argv, "[ -afFIptTwW [args] ] [ +opts[=arg] ] [ files ]");
    bool inverse = strncmp(emessState.programName, "inv", 3) == 0;
    std::vector<std::string> params;
    std::vector<const char *> inputs;
    bool proceed = scanProgramWords(
        argc, argv, &tag, inputs,
        [&](const char *arg) {
            if ((int)params.size() >= MAX_PARAMS) emess(1, "overflowed + argument table");
            params.push_back(arg + 1);
        },
        [&](const char *&p, bool moreWords, const std::function<const char *()> &nextWord) {
            switch (*p) {
            case 'a': fullout = 1; break;
            case 'I': inverse = true; break;
            case 'f': osform = nextWord(); haveAngleFormat = true; return PROGRAM_NEXT_WORD;
            case 'F': dfmt = nextWord(); return PROGRAM_NEXT_WORD;
            case 'p': pos_azi = 1; break;
            case 'l': {
                std::string out;
                char b[512];
                if (strcmp(p + 1, "e") == 0) {
                    for (EllpsListEntry *e = ellpsListFirst(); e && ellpsEntryId(e);
                         e = ellpsListNext(e)) {
                        snprintf(b, sizeof b, "%9s %-16s %-16s %s\n", ellpsEntryId(e),
                                 ellpsEntryMajor(e), ellpsEntryEll(e), ellpsEntryName(e));
                        programWrite(b);
                    }
                } else if (strcmp(p + 1, "u") == 0) {
                    for (int u = 0; u < projUnitCount(); u++) {
                        snprintf(b, sizeof b, "%12s %-20s %s\n", projUnitId(u),
                                 projUnitFactorText(u), projUnitName(u));
                        programWrite(b);
                    }
                } else {
                    emess(1, "invalid list option: l%s", p + 1);
                }
                if (moreWords) emess(1, "will not proceed after display list option");
                return PROGRAM_RETURN;
            }
            default: emess(1, "invalid option: -%c", *p);
            }
            return PROGRAM_NEXT_LETTER;
        });
    if (!proceed) {
        /* The program returns here without an exit. */
        return 1;
    }
    /* Distances are metres in the computation: the units are the
     * program's, applied on reading and writing. */
    std::vector<const char *> words;
    const char *units = nullptr;
    for (const std::string &w : params) {
        if (w.compare(0, 6, "units=") == 0) units = w.c_str() + 6;
        else words.push_back(w.c_str());
    }
    if (params.empty()) words.clear();
    G.n_alpha = G.n_S = 0;
    G.mode = 0;
    ovexgeod::geodSetR(params.empty() ? 0 : (int)words.size(), words.data(), &G, 1);
    toMeter = frMeter = 1;
    if (units != nullptr) {
        double factor = projUnitToMeter(units);
        if (factor == 0) emess(1, "%s unknown unit conversion id", units);
        toMeter = factor;
        frMeter = 1 / factor;
    }
    if ((G.n_alpha != 0 || G.n_S != 0) && !inputs.empty()) {
        emess(1, "files specified for arc/geodesic mode");
    }
    if (G.n_alpha != 0) {
        arc();
    } else if (G.n_S != 0) {
        line();
    } else {
        if (inputs.empty()) inputs.push_back("-");
        forEachProgramInput(inputs, "r", [&](ProgramInput &in) { process(in, inverse); });
    }
    projExit(0);
}

int geodProgramCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    return projRunGuarded(interp, "geod", [&]() -> int {
        return geodMain(argc, argv) == 0 ? TCL_OK : TCL_ERROR;
    });
}
