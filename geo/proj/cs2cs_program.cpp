/*
 * cs2cs_program.cpp --
 *
 *	The cs2cs program: conversion of coordinate lines between two
 *	coordinate systems with the library's datum-aware transformation,
 *	the height carried through. Options persist from run to run; the
 *	texts of -f and -e are kept as copies.
 */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "geo/proj/emess.h"
#include "geo/proj/object_kit.h"
#include "geo/proj/program_kit.h"
#include "geo/proj/programs.h"
#include "geo/proj/proj_library.h"
#include "geo/proj/run_guard.h"

namespace {

const double RAD_TO_DEG = 57.29577951308232;
const int MAX_PARAMS = 100;

ProjHandle *fromSystem = nullptr, *toSystem = nullptr;
int reversein, reverseout, echoin, tag = '#';
bool haveFormat = false;
std::string oform;
std::string oterr = "*\t*";

/* The geographic system on a projection's own ellipsoid and datum. */
ProjHandle *latlongFrom(ProjHandle *P)
{
    static const char *const kept[] = {"datum", "ellps", "a", "b", "rf", "f", "es", "e", "R",
                                       "towgs84", "nadgrids", nullptr};
    std::vector<std::string> words = {"proj=latlong"};
    for (ProjParam *p = projParams(P); p != nullptr; p = paramNext(p)) {
        const char *text = paramText(p);
        size_t n = strcspn(text, "=");
        for (const char *const *k = kept; *k != nullptr; k++) {
            if (strlen(*k) == n && strncmp(text, *k, n) == 0) words.push_back(text);
        }
    }
    std::vector<char *> argv;
    for (std::string &w : words) argv.push_back(&w[0]);
    return projInitArgv((int)argv.size(), argv.data());
}

void process(ProgramInput &in, bool geographicSource)
{
    char line[PROGRAM_MAX_LINE + 3];
    std::string out;    /* one line's text, its room kept from line to line */
    for (;;) {
        ++emessState.lineNumber;
        if (!in.readLine(line)) break;
        if (line[0] == tag) {
            programWrite(line);
            continue;
        }
        char *s = line;
        auto readOne = [&](bool dms) {
            return dms ? projDmsToRadians(s, &s) : strtod(s, &s);
        };
        double x, y, z;
        if (reversein) {
            y = readOne(geographicSource);
            x = readOne(geographicSource);
        } else {
            x = readOne(geographicSource);
            y = readOne(geographicSource);
        }
        z = strtod(s, &s);
        if (y == HUGE_VAL) x = HUGE_VAL;
        if (*s == '\0' && s > line) --s;
        out.clear();
        if (echoin) {
            out.append(line, s - line);
            out += '\t';
        }
        if (x != HUGE_VAL) {
            double ox, oy, oz;
            if (projTransform(fromSystem, toSystem, x, y, z, &ox, &oy, &oz) != 0) {
                x = HUGE_VAL;
            } else {
                x = ox, y = oy, z = oz;
            }
        }
        if (x == HUGE_VAL) {
            out += oterr;
        } else if (projIsLatLong(toSystem) && !haveFormat) {
            appendRtodms(out, reverseout ? y : x, reverseout ? 'N' : 'E', reverseout ? 'S' : 'W');
            out += '\t';
            appendRtodms(out, reverseout ? x : y, reverseout ? 'E' : 'N', reverseout ? 'W' : 'S');
        } else {
            if (projIsLatLong(toSystem)) {
                x *= RAD_TO_DEG;
                y *= RAD_TO_DEG;
            }
            appendNumber(out, oform.c_str(), reverseout ? y : x);
            out += '\t';
            appendNumber(out, oform.c_str(), reverseout ? x : y);
        }
        out += ' ';
        appendNumber(out, "%.3f", z);
        out += '\n';
        programWrite(out);
    }
}

[[noreturn]] void setupFailure(const char *lead, const std::vector<std::string> &words)
{
    std::string out = lead;
    for (const std::string &w : words) out += w + " ";
    programWrite(out + "\n");
    emess(3, "projection initialization failure\ncause: %s", projErrorText());
    projExit(3);
}

ProjHandle *setUp(std::vector<std::string> &words)
{
    std::vector<char *> argv;
    for (std::string &w : words) argv.push_back(&w[0]);
    return projInitArgv((int)argv.size(), argv.data());
}

}  // namespace

int cs2csMain(int argc, const char **argv)
{
    startProgram(argc, argv,
                 "[ -eEfIlrstvwW [args] ] [ +opts[=arg] ]\n"
                 "                   [+to [+opts[=arg] [ files ]");
    bool inverse = strncmp(emessState.programName, "inv", 3) == 0;
    std::vector<std::string> fromWords, toWords;
    std::vector<const char *> inputs;
    bool haveTo = false;
    int verbose = 0;
    scanProgramWords(
        argc, argv, &tag, inputs,
        [&](const char *arg) {
            if (strcmp(arg, "+to") == 0) {
                haveTo = true;
                return;
            }
            std::vector<std::string> &list = haveTo ? toWords : fromWords;
            if ((int)list.size() >= MAX_PARAMS) emess(1, "overflowed + argument table");
            list.push_back(arg + 1);
        },
        [&](const char *&p, bool /* moreWords */, const std::function<const char *()> &nextWord) {
            switch (*p) {
            case 'v': verbose = 1; break;
            case 'I': inverse = true; break;
            case 'E': echoin = 1; break;
            case 'l': {
                /* The lists are the proj program's. */
                std::string word = std::string("-") + p;
                const char *words[] = {argv[0], word.c_str()};
                if (strchr("pP=eud", p[1]) == nullptr && p[1] != '\0') {
                    emess(1, "invalid list option: l%c", p[1]);
                }
                projMain(2, words);
            }
                [[fallthrough]];
            case 'e': oterr = nextWord(); return PROGRAM_NEXT_WORD;
            case 'f': oform = nextWord(); haveFormat = true; return PROGRAM_NEXT_WORD;
            case 'r': reversein = 1; break;
            case 's': reverseout = 1; break;
            default: emess(1, "invalid option: -%c", *p);
            }
            return PROGRAM_NEXT_LETTER;
        });
    if (inverse) std::swap(fromWords, toWords);
    projFree(fromSystem);
    fromSystem = setUp(fromWords);
    if (fromSystem == nullptr) setupFailure("Using from definition: ", fromWords);
    projFree(toSystem);
    toSystem = toWords.empty() ? latlongFrom(fromSystem) : setUp(toWords);
    if (toSystem == nullptr) setupFailure("Using to definition: ", toWords);
    if (verbose) {
        std::string out;
        out += (char)tag;
        out += " ---- From Coordinate System ----\n" + projParamListing(fromSystem);
        out += (char)tag;
        out += " ---- To Coordinate System ----\n" + projParamListing(toSystem);
        programWrite(out);
    }
    bool geographicSource = projIsLatLong(fromSystem);
    if (!projIsLatLong(toSystem) && !haveFormat) {
        oform = "%.2f";
        haveFormat = true;
    }
    if (inputs.empty()) inputs.push_back("-");
    forEachProgramInput(inputs, "r", [&](ProgramInput &in) { process(in, geographicSource); });
    projFree(toSystem);
    projFree(fromSystem);
    toSystem = fromSystem = nullptr;
    projExit(0);
}

int cs2csProgramCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    return projRunGuarded(interp, "cs2cs", [&]() -> int {
        return cs2csMain(argc, argv) == 0 ? TCL_OK : TCL_ERROR;
    });
}
