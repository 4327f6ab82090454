/*
 * geotiff.cpp --
 *
 *	GeoTIFF keys of TIFF files: the key directory and citation text the
 *	writer stores for a projected image, and the projected coordinate
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

#include "core/vocabulary.h"

namespace {

enum {
    KEY_MODEL_TYPE = 1024, KEY_RASTER_TYPE = 1025, KEY_PROJECTED_CS = 3072,
    KEY_PCS_CITATION = 3073
};
const int MODEL_TYPE_PROJECTED = 1;
const int RASTER_PIXEL_IS_AREA = 1;
const int USER_DEFINED = 32767;
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

/*
 * tiffGeoKeyDirectory --
 *	The 20 key-directory values of a projected image: model type
 *	projected, raster pixel is area, the projected system (the mapid of
 *	a numbered system, else user-defined) and the citation, whose
 *	characters (citationLength, the text without its zero) stand at the
 *	start of GeoAsciiParams.
 */
void tiffGeoKeyDirectory(const ImageHead *head, uint16_t keys[20], int citationLength)
{
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

/*
 * tiffGeoMapid --
 *	The projected coordinate system of the directory's key directory
 *	when it is a numbered one (20000 to 32766), else fallback.
 */
int tiffGeoMapid(int fd, const TiffDir *dir, int byteOrder, int fallback)
{
    int index = tiffFindTag(dir, TIFFTAG_GEO_KEY_DIRECTORY);
    if (index < 0) {
        return fallback;
    }
    TiffEntry entry = dir->entries[index];
    if (entry.type != TIFF_SHORT || entry.count < 4) {
        return fallback;
    }
    if (entry.count > KEY_DIRECTORY_LIMIT) {
        entry.count = KEY_DIRECTORY_LIMIT;
    }
    uint16_t keys[KEY_DIRECTORY_LIMIT];
    if (!tiffReadEntryValues(fd, &entry, byteOrder, keys, sizeof(keys))) {
        return fallback;
    }
    uint32_t count = keys[3];
    for (uint32_t k = 0; k < count && 4 + 4 * k + 3 < entry.count; k++) {
        const uint16_t *key = keys + 4 + 4 * k;
        if (key[0] == KEY_PROJECTED_CS && key[1] == 0 && key[2] == 1) {
            int code = key[3];
            return (code >= mapidFirstPcs && code < USER_DEFINED) ? code : fallback;
        }
    }
    return fallback;
}
