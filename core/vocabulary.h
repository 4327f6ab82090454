/*
 * vocabulary.h --
 *
 *	The identifier vocabularies of image and object options: file formats
 *	(imgid), map projections (mapid), pixel types, image types, display
 *	stretch functions and ranges, and rotation axis orders. Each has a
 *	name-to-code and a code-to-name conversion and an IDConverter record
 *	that ties it to a custom option (see custom_options.h).
 */
#ifndef OVEX_CORE_VOCABULARY_H
#define OVEX_CORE_VOCABULARY_H

#include "ovex/ovex.h"

/* Sizes of the vocabularies; names are listed for codes 0 to size - 1. */
constexpr int imgidCount = 31;
constexpr int mapidCount = 184;
constexpr int pixelCount = 10;
constexpr int imgtypeCount = 7;
constexpr int funcCount = 5;
constexpr int rangeCount = 3;
constexpr int rotationCount = 7;

/* Numbered projected coordinate systems, written "PCS%d": the code is the
 * EPSG code itself (GeoTIFF's projected systems start at 1024, above the
 * named maps). */
constexpr int mapidFirstPcs = 1024;
constexpr int mapidLastPcs = 65535;

/* Name to code: -1 for NULL or a name outside the vocabulary. Names match
 * exactly (case counts). mapid and pixel do not accept "UNKNOWN". */
int imgidFromName(const char *name);
int mapidFromName(const char *name);
int pixelFromName(const char *name);
int imgtypeFromName(const char *name);
int funcNameToId(const char *name);
int rangeNameToId(const char *name);
int rotationNameToId(const char *name);

/* Code to name: "UNKNOWN" for a code outside the vocabulary. mapidName
 * writes "PCS%d" codes into one process-wide buffer that the next such
 * call overwrites; imgtypeName also names the old codes 100, 101, 102. */
const char *imgidName(int id);
const char *mapidName(int id);
const char *pixelName(int id);
const char *imgtypeName(int id);
const char *funcIdToName(int id);
const char *rangeIdToName(int id);
const char *rotationIdToName(int id);

/* 1 for the formats held only in memory (codes 21 to 30), else 0. */
int isMemoryImgid(int id);

/* Client data of the identifier options (ParseID/GetIDStr). */
extern IDConverter imgidConverter;
extern IDConverter mapidConverter;
extern IDConverter pixelConverter;
extern IDConverter imgtypeConverter;
extern IDConverter funcConverter;
extern IDConverter rangeConverter;
extern IDConverter rotationidConverter;

#endif /* OVEX_CORE_VOCABULARY_H */
