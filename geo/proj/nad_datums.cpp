/*
 * nad_datums.cpp --
 *
 *	Parsing of NAD datum texts.
 */
#include "geo/proj/nad_datums.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

namespace {

/* The zone's projection: UTM for zones up to 60, else State Plane. */
ProjHandle *datumProjection(int datum, int zone, int feet)
{
    const std::string nad = datum == 83 ? "83" : "27";
    std::vector<std::string> words;
    if (zone <= 60) {
        words = {"proj=utm", "zone=" + std::to_string(zone),
                 datum == 83 ? "ellps=GRS80" : "ellps=clrk66"};
    } else {
        words = {"init=nad" + nad + ":" + std::to_string(zone), "no_defs"};
        if (feet) words.push_back("units=us-ft");
    }
    std::vector<char *> argv;
    for (std::string &w : words) argv.push_back(&w[0]);
    return projInitArgv((int)argv.size(), argv.data());
}

}  // namespace

NadDatumSpec *nad2nadParseDatum(const char *text)
{
    std::unique_ptr<NadDatumSpec> spec(new NadDatumSpec);
    bool haveDatum = false, haveZone = false, haveFeet = false, haveHp = false, haveRev = false;
    int zone = 0;
    std::string all = text;
    size_t pos = 0;
    while (pos <= all.size()) {
        size_t comma = all.find(',', pos);
        std::string word = all.substr(pos, comma == std::string::npos ? std::string::npos
                                                                       : comma - pos);
        pos = comma == std::string::npos ? all.size() + 1 : comma + 1;
        if (word.empty()) continue;
        int value;
        char extra;
        if (word == "27" || word == "83") {
            if (haveDatum) return NULL;
            haveDatum = true;
            spec->datum = atoi(word.c_str());
        } else if (word == "feet") {
            if (haveFeet) return NULL;
            haveFeet = true;
            spec->feet = 1;
        } else if (sscanf(word.c_str(), "utm=%d%c", &value, &extra) == 1) {
            if (haveZone || value < 1 || value > 60) return NULL;
            haveZone = true;
            zone = value;
        } else if (sscanf(word.c_str(), "spcs=%d%c", &value, &extra) == 1) {
            if (haveZone || value <= 60) return NULL;
            haveZone = true;
            zone = value;
        } else if (word.compare(0, 3, "hp=") == 0 && word.size() > 3) {
            if (haveHp) return NULL;
            haveHp = true;
            spec->hp = word.substr(3);
        } else if (word == "rev") {
            if (haveRev) return NULL;
            haveRev = true;
            spec->reversed = 1;
        } else {
            return NULL;
        }
    }
    if (spec->feet && zone <= 60) return NULL;
    if (haveZone) {
        spec->projection = datumProjection(spec->datum, zone, spec->feet);
        if (spec->projection == NULL) return NULL;
    }
    return spec.release();
}
