/*
 * nad_datums.h --
 *
 *	NAD27/NAD83 datum texts of the datum-conversion objects, and the
 *	conversion of a point through zone, high-precision and region grids.
 */
#ifndef OVEX_GEO_PROJ_NAD_DATUMS_H
#define OVEX_GEO_PROJ_NAD_DATUMS_H

#include <string>

#include "geo/proj/proj_library.h"

struct NadDatumSpec {
    int feet = 0;
    int reversed = 0;
    int datum = 0;           /* 27, 83, or 0 */
    std::string hp;          /* high-precision grid name, empty for none */
    ProjHandle *projection = nullptr;  /* none: degrees */
    ~NadDatumSpec() { projFree(projection); }
};

/* A parsed datum text ("27,utm=10,rev", "hp=NAME,spcs=401,feet"...), or
 * NULL when it is malformed or its zone cannot be set up. */
NadDatumSpec *nad2nadParseDatum(const char *text);

#endif
