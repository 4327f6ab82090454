/*
 * geotiff.cpp --
 *
 *	GeoTIFF keys of TIFF files: the key directory and citation text the
 *	writer stores for a projected or geographic image, and the coordinate
 *	system a directory names.
 *
 *	GeoKeyDirectory (tag 34735), SHORT values:
 *
 *	   0   4  header: KeyDirectoryVersion 1, KeyRevision 1, MinorRevision
 *	          0, number of keys
 *	   4  4k  keys of four values: key id, location (0: the value itself,
 *	          34737: characters in GeoAsciiParams), count, value or
 *	          offset
 *
 *	GeoAsciiParams (tag 34737), ASCII: the texts of every ASCII key, each
 *	ended by "|".
 */
#include "ramimage/formats/tiff.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/vocabulary.h"

namespace {

enum {
    KEY_MODEL_TYPE = 1024, KEY_RASTER_TYPE = 1025, KEY_GT_CITATION = 1026,
    KEY_GEOGRAPHIC_TYPE = 2048, KEY_PROJECTED_CS = 3072, KEY_PCS_CITATION = 3073
};
const int MODEL_TYPE_PROJECTED = 1;
const int MODEL_TYPE_GEOGRAPHIC = 2;
const int RASTER_PIXEL_IS_AREA = 1;
const int RASTER_PIXEL_IS_POINT = 2;
const int USER_DEFINED = 32767;
const int GCS_WGS_84 = 4326;
const int KEY_DIRECTORY_LIMIT = 4 + 4 * 256;

} // namespace

/*
 * tiffGeoCitation --
 *	The citation of head: the projection name of its mapid and "|", then
 *	imgdes and "|" when imgdes is not empty. Returns the length written
 *	(without the terminating zero; truncated to size - 1).
 */
int tiffGeoCitation(const ImageHead *head, char *text, size_t size)
{
    size_t describedLength = strnlen(head->imgdes, sizeof(head->imgdes));
    int n;
    if (describedLength > 0) {
        n = snprintf(text, size, "%s|%.*s|", mapidName(head->mapid), (int)describedLength,
                     head->imgdes);
    } else {
        n = snprintf(text, size, "%s|", mapidName(head->mapid));
    }
    if (n < 0) {
        text[0] = '\0';
        return 0;
    }
    return (size_t)n >= size ? (int)size - 1 : n;
}

/* True for the maps whose coordinates are longitudes and latitudes in
 * degrees. */
static bool isGeographic(int mapid)
{
    return mapid == mapidFromName("LATLONG") || mapid == mapidFromName("LONGLAT");
}

/*
 * tiffGeoKeyDirectory --
 *	The 20 key-directory values of an image, raster pixel is area: for a
 *	geographic map (LATLONG, LONGLAT) model type geographic on WGS 84
 *	(4326) with the citation as GTCitation, so that other tools see
 *	degrees on EPSG:4326; else model type projected, the projected system
 *	(the mapid of a numbered system, else user-defined) and the citation
 *	as PCSCitation. The citation's characters (citationLength, the text
 *	without its zero) stand at the start of GeoAsciiParams.
 */
void tiffGeoKeyDirectory(const ImageHead *head, uint16_t keys[20], int citationLength)
{
    if (isGeographic(head->mapid)) {
        const uint16_t values[20] = {
            1, 1, 0, 4,
            KEY_MODEL_TYPE, 0, 1, MODEL_TYPE_GEOGRAPHIC,
            KEY_RASTER_TYPE, 0, 1, RASTER_PIXEL_IS_AREA,
            KEY_GT_CITATION, TIFFTAG_GEO_ASCII_PARAMS, (uint16_t)citationLength, 0,
            KEY_GEOGRAPHIC_TYPE, 0, 1, GCS_WGS_84,
        };
        memcpy(keys, values, sizeof(values));
        return;
    }
    int code = head->mapid >= mapidFirstPcs && head->mapid <= mapidLastPcs ? head->mapid
                                                                           : USER_DEFINED;
    const uint16_t values[20] = {
        1, 1, 0, 4,
        KEY_MODEL_TYPE, 0, 1, MODEL_TYPE_PROJECTED,
        KEY_RASTER_TYPE, 0, 1, RASTER_PIXEL_IS_AREA,
        KEY_PROJECTED_CS, 0, 1, (uint16_t)code,
        KEY_PCS_CITATION, TIFFTAG_GEO_ASCII_PARAMS, (uint16_t)citationLength, 0,
    };
    memcpy(keys, values, sizeof(values));
}

/* The key directory of dir into keys (at most KEY_DIRECTORY_LIMIT
 * values); the number of values read, 0 without a usable one. */
static uint32_t readKeyDirectory(int fd, const TiffDir *dir, int byteOrder, uint16_t *keys)
{
    int index = tiffFindTag(dir, TIFFTAG_GEO_KEY_DIRECTORY);
    if (index < 0) {
        return 0;
    }
    TiffEntry entry = dir->entries[index];
    if (entry.type != TIFF_SHORT || entry.count < 4) {
        return 0;
    }
    if (entry.count > KEY_DIRECTORY_LIMIT) {
        entry.count = KEY_DIRECTORY_LIMIT;
    }
    if (!tiffReadEntryValues(fd, &entry, byteOrder, keys,
                             KEY_DIRECTORY_LIMIT * sizeof(uint16_t))) {
        return 0;
    }
    return entry.count;
}

/* The entry of key id in a key directory of n values, NULL when absent. */
static const uint16_t *findKey(const uint16_t *keys, uint32_t n, int id)
{
    uint32_t count = keys[3];
    for (uint32_t k = 0; k < count && 4 + 4 * k + 3 < n; k++) {
        const uint16_t *key = keys + 4 + 4 * k;
        if (key[0] == id) {
            return key;
        }
    }
    return NULL;
}

/* A short key stored in the entry itself, -1 when absent. */
static int shortKey(const uint16_t *keys, uint32_t n, int id)
{
    const uint16_t *key = findKey(keys, n, id);
    return key != NULL && key[1] == 0 && key[2] == 1 ? key[3] : -1;
}

/* The first "|"-separated field of an ASCII key as a known map name, -1
 * when it is none. */
static int citationMapid(int fd, const TiffDir *dir, int byteOrder, const uint16_t *key)
{
    if (key == NULL || key[1] != TIFFTAG_GEO_ASCII_PARAMS || key[2] == 0) {
        return -1;
    }
    int index = tiffFindTag(dir, TIFFTAG_GEO_ASCII_PARAMS);
    if (index < 0) {
        return -1;
    }
    const TiffEntry *entry = &dir->entries[index];
    if (entry->type != TIFF_ASCII || entry->count > 65536
            || (uint32_t)key[3] + key[2] > entry->count) {
        return -1;
    }
    std::string text(entry->count, '\0');
    if (!tiffReadEntryValues(fd, entry, byteOrder, &text[0], text.size())) {
        return -1;
    }
    std::string field = text.substr(key[3], key[2]);
    field = field.substr(0, field.find_first_of("|", 0));
    if (field.empty()) {
        return -1;
    }
    return mapidFromName(field.c_str());
}

/*
 * tiffGeoMapid --
 *	The map of the directory's key directory: a numbered (EPSG)
 *	projected system (1024 to 32766) as itself; a user-defined one by the first
 *	field of its citation when that names a known map; a geographic
 *	file (model type 2 or a geographic system without a projected one)
 *	as latitude/longitude (LONGLAT when its citation names that, as ours
 *	do); else fallback.
 */
int tiffGeoMapid(int fd, const TiffDir *dir, int byteOrder, int fallback)
{
    uint16_t keys[KEY_DIRECTORY_LIMIT];
    uint32_t n = readKeyDirectory(fd, dir, byteOrder, keys);
    if (n == 0) {
        return fallback;
    }
    int code = shortKey(keys, n, KEY_PROJECTED_CS);
    if (code >= mapidFirstPcs && code < USER_DEFINED) {
        return code;
    }
    if (code == USER_DEFINED) {
        int named = citationMapid(fd, dir, byteOrder, findKey(keys, n, KEY_PCS_CITATION));
        if (named < 0) {
            named = citationMapid(fd, dir, byteOrder, findKey(keys, n, KEY_GT_CITATION));
        }
        return named >= 0 ? named : fallback;
    }
    int model = shortKey(keys, n, KEY_MODEL_TYPE);
    if (code < 0 && (model == MODEL_TYPE_GEOGRAPHIC
                     || (model < 0 && shortKey(keys, n, KEY_GEOGRAPHIC_TYPE) > 0))) {
        int named = citationMapid(fd, dir, byteOrder, findKey(keys, n, KEY_GT_CITATION));
        if (named >= 0 && isGeographic(named)) {
            return named;
        }
        int latlong = mapidFromName("LATLONG");
        return latlong >= 0 ? latlong : fallback;
    }
    return fallback;
}

/*
 * tiffGeoPixelIsPoint --
 *	1 when the key directory says the raster's tie points are pixel
 *	centres (RasterPixelIsPoint), else 0.
 */
int tiffGeoPixelIsPoint(int fd, const TiffDir *dir, int byteOrder)
{
    uint16_t keys[KEY_DIRECTORY_LIMIT];
    uint32_t n = readKeyDirectory(fd, dir, byteOrder, keys);
    return n > 0 && shortKey(keys, n, KEY_RASTER_TYPE) == RASTER_PIXEL_IS_POINT;
}
