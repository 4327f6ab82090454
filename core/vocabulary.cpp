/*
 * vocabulary.cpp --
 *
 *	Name/code tables of the identifier vocabularies. Codes are the
 *	indices into the tables, so a table must never be reordered: the codes
 *	are stored in image headers and option records.
 */
#include "core/vocabulary.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char *const imgidNames[imgidCount] = {
    "UNKNOWN", "BSQ", "BIL", "BIP", "E73", "E74", "ELAS", "DIB",
    "XBMP", "TIFF", "GIF87a", "GIF89a", "PPM", "JPEG", "E74BSQ", "GEOTIFF",
    "FFT", "DICOM", "BSQD", "BILD", "BIPD", "MBSQ", "MBIL", "MBIP",
    "MRGB32", "MRGB24", "MRGB565", "MRGB555", "MRGB8", "MRGB4", "MRGB1",
};

static const char *const pixelNames[pixelCount] = {
    "UNKNOWN", "1BIT", "4BITS", "BYTE", "SHORT", "LONG", "FLOAT", "USHORT", "ULONG", "SBYTE",
};

static const char *const imgtypeNames[imgtypeCount] = {
    "GENERAL", "REFLECTION", "TRANSMISSION", "ELEVATION", "SLOPE", "PCT", "CLASSIFICATION",
};

static const char *const funcNames[funcCount] = {
    "UNKNOWN", "NONE", "LINEAR", "HISTS", "HISTEQ",
};

static const char *const rangeNames[rangeCount] = {
    "UNKNOWN", "MEAN", "DETAIL",
};

static const char *const rotationNames[rotationCount] = {
    "UNKNOWN", "ZYX", "ZXY", "YXZ", "YZX", "XYZ", "XZY",
};

/* 0 UNKNOWN, 1 GRID, 2 UTM, 3..62 the UTM zones (zone + 2), 63 POLAR, then
 * the projections from 64 on. */
static const char *const mapidNames[mapidCount] = {
    "UNKNOWN", "GRID", "UTM", "UTM1", "UTM2", "UTM3", "UTM4", "UTM5", "UTM6",
    "UTM7", "UTM8", "UTM9", "UTM10", "UTM11", "UTM12", "UTM13", "UTM14",
    "UTM15", "UTM16", "UTM17", "UTM18", "UTM19", "UTM20", "UTM21", "UTM22",
    "UTM23", "UTM24", "UTM25", "UTM26", "UTM27", "UTM28", "UTM29", "UTM30",
    "UTM31", "UTM32", "UTM33", "UTM34", "UTM35", "UTM36", "UTM37", "UTM38",
    "UTM39", "UTM40", "UTM41", "UTM42", "UTM43", "UTM44", "UTM45", "UTM46",
    "UTM47", "UTM48", "UTM49", "UTM50", "UTM51", "UTM52", "UTM53", "UTM54",
    "UTM55", "UTM56", "UTM57", "UTM58", "UTM59", "UTM60", "POLAR", "AEA",
    "AEQD", "AIRY", "AITOFF", "ALSK", "APIAN", "AUGUST", "BACON", "BIPC",
    "BOGGS", "BONNE", "CASS", "CC", "CEA", "CHAMB", "COLLG", "CRAST", "DENOY",
    "ECK1", "ECK2", "ECK3", "ECK4", "ECK5", "ECK6", "EQC", "EQDC", "EULER",
    "FAHEY", "FOUC", "FOUC_S", "GALL", "GINS8", "GN_SINU", "GNOM", "GOODE",
    "GS48", "GS50", "HAMMER", "HATANO", "IMW_P", "KAV5", "KAV7", "LABRD",
    "LAEA", "LAGRNG", "LARR", "LASK", "LATLONG", "LONGLAT", "LCC", "LEAC",
    "LEE_OS", "LOXIM", "LSAT", "MBT_S", "MBT_FPS", "MBTFPP", "MBTFPQ",
    "MBTFPS", "MERC", "MIL_OS", "MILL", "MPOLY", "MOLL", "MURD1", "MURD2",
    "MURD3", "NELL", "NELL_H", "NICOL", "NSPER", "NZMG", "OB_TRAN", "OCEA",
    "OEA", "OMERC", "ORTEL", "ORTHO", "PCONIC", "POLY", "PUTP1", "PUTP2",
    "PUTP3", "PUTP3P", "PUTP4P", "PUTP5", "PUTP5P", "PUTP6", "PUTP6P",
    "QUA_AUT", "ROBIN", "RPOLY", "SINU", "SOMERC", "STERE", "TCC", "TCEA",
    "TISSOT", "TMERC", "TPEQD", "TPERS", "UPS", "URM5", "URMFPS", "VANDG",
    "VANDG2", "VANDG3", "VANDG4", "VITK1", "WAG1", "WAG2", "WAG3", "WAG4",
    "WAG5", "WAG6", "WAG7", "WEREN", "WINK1", "WINK2", "WINTRI",
};

/* Codes of the first memory-only image format and of the last one. */
static const int firstMemoryImgid = 21;
static const int lastMemoryImgid = 30;

/*
 * findName --
 *	The index of name in names[first..count-1], or -1 (also for NULL).
 */
static int findName(const char *const *names, int first, int count, const char *name)
{
    if (name == NULL) {
        return -1;
    }
    for (int i = first; i < count; i++) {
        if (strcmp(names[i], name) == 0) {
            return i;
        }
    }
    return -1;
}

static const char *nameOf(const char *const *names, int count, int id)
{
    return (id >= 0 && id < count) ? names[id] : "UNKNOWN";
}

/*
 * readPcsCode --
 *	The code of a "PCS<digits>" name inside the numbered range, else -1.
 */
static int readPcsCode(const char *name)
{
    if (strncmp(name, "PCS", 3) != 0) {
        return -1;
    }
    const char *digits = name + 3;
    if (*digits < '0' || *digits > '9') {
        return -1;
    }
    long code = 0;
    for (const char *p = digits; *p != '\0'; p++) {
        if (*p < '0' || *p > '9') {
            return -1;
        }
        code = code * 10 + (*p - '0');
        if (code > mapidLastPcs) {
            return -1;  /* also stops overflow of long digit runs */
        }
    }
    return code >= mapidFirstPcs ? (int)code : -1;
}

int imgidFromName(const char *name)
{
    return findName(imgidNames, 0, imgidCount, name);
}

int mapidFromName(const char *name)
{
    if (name == NULL) {
        return -1;
    }
    int code = readPcsCode(name);
    if (code >= 0) {
        return code;
    }
    return findName(mapidNames, 1, mapidCount, name);
}

int pixelFromName(const char *name)
{
    return findName(pixelNames, 1, pixelCount, name);
}

int imgtypeFromName(const char *name)
{
    return findName(imgtypeNames, 0, imgtypeCount, name);
}

int funcNameToId(const char *name)
{
    return findName(funcNames, 0, funcCount, name);
}

int rangeNameToId(const char *name)
{
    return findName(rangeNames, 0, rangeCount, name);
}

int rotationNameToId(const char *name)
{
    return findName(rotationNames, 0, rotationCount, name);
}

const char *imgidName(int id)
{
    return nameOf(imgidNames, imgidCount, id);
}

/*
 * mapidName --
 *	The projection's name; numbered systems are formatted into a shared
 *	buffer (wide enough for any int, although only 5 digits occur).
 */
const char *mapidName(int id)
{
    static char pcsName[32];

    if (id >= mapidFirstPcs && id <= mapidLastPcs) {
        snprintf(pcsName, sizeof(pcsName), "PCS%d", id);
        return pcsName;
    }
    return nameOf(mapidNames, mapidCount, id);
}

const char *pixelName(int id)
{
    return nameOf(pixelNames, pixelCount, id);
}

/*
 * imgtypeName --
 *	The image type's name; 100, 101 and 102 are older codes of ELEVATION,
 *	GENERAL and SLOPE that headers written long ago still carry.
 */
const char *imgtypeName(int id)
{
    switch (id) {
    case 100:
        return imgtypeNames[3];
    case 101:
        return imgtypeNames[0];
    case 102:
        return imgtypeNames[4];
    default:
        return nameOf(imgtypeNames, imgtypeCount, id);
    }
}

const char *funcIdToName(int id)
{
    return nameOf(funcNames, funcCount, id);
}

const char *rangeIdToName(int id)
{
    return nameOf(rangeNames, rangeCount, id);
}

const char *rotationIdToName(int id)
{
    return nameOf(rotationNames, rotationCount, id);
}

int isMemoryImgid(int id)
{
    return id >= firstMemoryImgid && id <= lastMemoryImgid;
}

IDConverter imgidConverter = {"imgid", imgidFromName, imgidName};
IDConverter mapidConverter = {"mapid", mapidFromName, mapidName};
IDConverter pixelConverter = {"pixel", pixelFromName, pixelName};
IDConverter imgtypeConverter = {"imgtype", imgtypeFromName, imgtypeName};
IDConverter funcConverter = {"func", funcNameToId, funcIdToName};
IDConverter rangeConverter = {"range", rangeNameToId, rangeIdToName};
IDConverter rotationidConverter = {"rotationid", rotationNameToId, rotationIdToName};
