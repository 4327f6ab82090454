/*
 * nad2nad_program.cpp --
 *
 *	The nad2nad program: coordinate records between NAD27 and NAD83, each
 *	side in degrees or a UTM or State Plane zone, through the region's
 *	grid and optionally a high-precision grid. Nothing is set back
 *	between runs; texts of -f, -e and -r are kept as copies.
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
const int MAX_WORDS = 10;

struct NadIOSpec {
    int rev = 0, bin = 0, geographic = 0, nad83 = 0, zone = 0;
    bool haveHp = false;
    std::string hp;
    std::vector<std::string> words;
    ProjHandle *projection = nullptr;
};

NadIOSpec input, output;
int echoin, tag = '#';
bool haveFormat = false, haveRegion = false;
std::string oform, region;
std::string oterr = "*\t*";
NadTable *regionTable = nullptr, *hpTable = nullptr;

void parseSpec(NadIOSpec &spec, const char *text)
{
    std::string all(text, strnlen(text, 99));
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find_first_of(" ,\t", pos);
        if (end == std::string::npos) end = all.size();
        std::string word = all.substr(pos, end - pos);
        pos = end + 1;
        if (word.empty()) continue;
        if (word.compare(0, 4, "utm=") == 0) {
            spec.zone = atoi(word.c_str() + 4);
        } else if (word.compare(0, 5, "spcs=") == 0) {
            spec.zone = atoi(word.c_str() + 5);
        } else if (word.compare(0, 4, "feet") == 0) {
            if (spec.zone < 61) emess(1, "spcs zone must be selected");
            if ((int)spec.words.size() >= MAX_WORDS) emess(1, "overflowed + argument table");
            spec.words.push_back("units=us-ft");
        } else if (word.compare(0, 2, "27") == 0) {
            spec.nad83 = 0;
        } else if (word.compare(0, 2, "83") == 0) {
            spec.nad83 = 1;
        } else if (word.compare(0, 2, "hp") == 0) {
            size_t eq = word.find('=');
            if (eq == std::string::npos || eq + 1 >= word.size()) emess(1, "hp missing name");
            spec.hp = word.substr(eq + 1);
            spec.haveHp = true;
        } else if (word.compare(0, 3, "bin") == 0) {
            spec.bin = 1;
        } else if (word.compare(0, 3, "rev") == 0) {
            spec.rev = 1;
        } else {
            emess(1, "invalid selection");
        }
    }
}

void setZone(NadIOSpec &spec)
{
    if (spec.haveHp) {
        spec.nad83 = 1;
        nadFree(hpTable);
        hpTable = nadInit(spec.hp.c_str());
        if (hpTable == nullptr) {
            emess(1, "hp datum file: %s, failed: %s", spec.hp.c_str(), projErrorText());
        }
    }
    if (spec.zone > 0) {
        if (spec.zone < 61) {
            spec.words = {"proj=utm", spec.nad83 ? "ellps=GRS80" : "ellps=clrk66",
                          "zone=" + std::to_string(spec.zone), "no_defs"};
        } else {
            /* Two more words must fit the table. */
            if ((int)spec.words.size() + 2 > MAX_WORDS) emess(1, "overflowed + argument table");
            spec.words.push_back(std::string("init=nad") + (spec.nad83 ? "83" : "27") + ":" +
                                 std::to_string(spec.zone));
            spec.words.push_back("no_defs");
        }
        projFree(spec.projection);
        spec.projection = nullptr;
        std::vector<char *> argv;
        for (std::string &w : spec.words) argv.push_back(&w[0]);
        spec.projection = projInitArgv((int)argv.size(), argv.data());
        if (spec.projection == nullptr) emess(1, "%s", projErrorText());
        spec.geographic = 0;
    }
}

void setup()
{
    if (input.haveHp && output.haveHp) emess(1, "both input and output cannot be high precision");
    setZone(input);
    setZone(output);
    if (input.projection != nullptr && output.projection == nullptr) output.geographic = 1;
    else if (input.projection == nullptr && output.projection != nullptr) input.geographic = 1;
    else if (input.projection == nullptr && output.projection == nullptr)
        input.geographic = output.geographic = 1;
    if (!haveRegion) {
        if (input.nad83 != output.nad83) emess(1, "conversion region (-r) not specified");
    } else {
        if (!input.haveHp && !output.haveHp && input.nad83 == output.nad83) {
            emess(1, "identical datums");
        }
        nadFree(regionTable);
        regionTable = nadInit(region.c_str());
        if (regionTable == nullptr) {
            emess(1, "datum file: %s, failed: %s", region.c_str(), projErrorText());
        }
    }
}

void process(ProgramInput &in)
{
    char line[PROGRAM_MAX_LINE + 3];
    for (;;) {
        ++emessState.lineNumber;
        double u, v;
        char *s = line;
        if (input.bin) {
            double rec[2];
            FILE *f = in.isConsole() ? stdin : in.file();
            if (fread(rec, sizeof rec, 1, f) != 1) break;
            u = rec[0];
            v = rec[1];
        } else {
            if (!in.readLine(line)) break;
            if (line[0] == tag) {
                programWrite(line);
                continue;
            }
            if (input.geographic) {
                u = projDmsToRadians(s, &s);
                v = projDmsToRadians(s, &s);
            } else {
                u = strtod(s, &s);
                v = strtod(s, &s);
            }
            if (v == HUGE_VAL) u = HUGE_VAL;
            if (*s == '\0' && s > line) --s;
        }
        if (input.rev) std::swap(u, v);
        if (u != HUGE_VAL && input.projection != nullptr) projInverse(input.projection, u, v, &u, &v);
        if (u != HUGE_VAL && input.haveHp) nadCvtInverse(hpTable, u, v, &u, &v);
        if (u != HUGE_VAL && regionTable != nullptr) {
            if (input.nad83) nadCvtInverse(regionTable, u, v, &u, &v);
            else nadCvtForward(regionTable, u, v, &u, &v);
        }
        if (u != HUGE_VAL && output.haveHp) nadCvtForward(hpTable, u, v, &u, &v);
        if (u != HUGE_VAL && output.projection != nullptr) projForward(output.projection, u, v, &u, &v);
        if (output.rev) std::swap(u, v);
        if (output.bin) {
            double rec[2] = {u, v};
            fwrite(rec, sizeof rec, 1, stdout);
            continue;
        }
        std::string out;
        if (!input.bin && echoin) {
            out.append(line, s - line);
            out += '\t';
        }
        if (u == HUGE_VAL) {
            out += oterr;
        } else if (output.geographic) {
            if (haveFormat) {
                out += formatNumber(oform.c_str(), u * RAD_TO_DEG) + "\t" +
                       formatNumber(oform.c_str(), v * RAD_TO_DEG);
            } else if (output.rev) {
                out += rtodms(u, 'N', 'S') + "\t" + rtodms(v, 'E', 'W');
            } else {
                out += rtodms(u, 'E', 'W') + "\t" + rtodms(v, 'N', 'S');
            }
        } else {
            const char *f = haveFormat ? oform.c_str() : "%.2f";
            out += formatNumber(f, u) + "\t" + formatNumber(f, v);
        }
        out += input.bin ? "\n" : s;
        programWrite(out);
    }
}

}  // namespace

int nad2nadMain(int argc, const char **argv)
{
    startProgram(argc, argv, "[ -eEfihortwW [args] ] [ files ]");
    std::vector<const char *> inputs;
    /* Words starting with "+" are file names here. */
    scanProgramWords(
        argc, argv, &tag, inputs, [&](const char *arg) { inputs.push_back(arg); },
        [&](const char *&p, bool /* moreWords */, const std::function<const char *()> &nextWord) {
            switch (*p) {
            case 'i': parseSpec(input, nextWord()); return PROGRAM_NEXT_WORD;
            case 'o': parseSpec(output, nextWord()); return PROGRAM_NEXT_WORD;
            case 'r': region = nextWord(); haveRegion = true; return PROGRAM_NEXT_WORD;
            case 'e': oterr = nextWord(); return PROGRAM_NEXT_WORD;
            case 'f': oform = nextWord(); haveFormat = true; return PROGRAM_NEXT_WORD;
            case 'E': echoin = 1; break;
            default: emess(1, "invalid option: -%c", *p);
            }
            return PROGRAM_NEXT_LETTER;
        });
    setup();
    if (inputs.empty()) inputs.push_back("-");
    forEachProgramInput(inputs, "r", [&](ProgramInput &in) { process(in); });
    if (output.bin) fflush(stdout);
    nadFree(regionTable);
    nadFree(hpTable);
    regionTable = hpTable = nullptr;
    projExit(0);
}

int nad2nadProgramCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    return projRunGuarded(interp, "nad2nad", [&]() -> int {
        return nad2nadMain(argc, argv) == 0 ? TCL_OK : TCL_ERROR;
    });
}
