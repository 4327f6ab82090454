/*
 * caps_tables.cpp --
 *
 *	The printer command's flag tables and their texts.
 */
#include "widgets/print/caps_tables.h"

#include <strings.h>

const CapsFlag enumFlagTable[] = {{1, "default"}, {16, "remote"}, {32, "shared"},
                                  {4, "favorite"}, {2, "local"},   {8, "name"}, {-1, NULL}};
const CapsFlag level4AttributeTable[] = {
    {64, "PRINTER_ATTRIBUTE_LOCAL"}, {16, "PRINTER_ATTRIBUTE_NETWORK"}, {-1, NULL}};
const CapsFlag level5AttributeTable[] = {{1, "PRINTER_ATTRIBUTE_QUEUED"},
                                         {2, "PRINTER_ATTRIBUTE_DIRECT"},
                                         {4, "PRINTER_ATTRIBUTE_DEFAULT"},
                                         {8, "PRINTER_ATTRIBUTE_SHARED"},
                                         {1024, "PRINTER_ATTRIBUTE_WORK_OFFLINE"},
                                         {-1, NULL}};
const CapsFlag technologyTable[] = {{0, "DT_PLOTTER"},    {1, "DT_RASDISPLAY"},
                                    {2, "DT_RASPRINTER"}, {3, "DT_RASCAMERA"},
                                    {4, "DT_CHARSTREAM"}, {5, "DT_METAFILE"},
                                    {6, "DT_DISPFILE"},   {-1, NULL}};
const CapsFlag curveCapsTable[] = {{0, "CC_NONE"},       {1, "CC_CIRCLES"},    {2, "CC_PIE"},
                                   {4, "CC_CHORD"},      {8, "CC_ELLIPSES"},   {16, "CC_WIDE"},
                                   {32, "CC_STYLED"},    {64, "CC_WIDESTYLED"},
                                   {128, "CC_INTERIORS"}, {256, "CC_ROUNDRECT"}, {-1, NULL}};
const CapsFlag lineCapsTable[] = {{0, "LC_NONE"},      {2, "LC_POLYLINE"},  {4, "LC_MARKER"},
                                  {8, "LC_POLYMARKER"}, {16, "LC_WIDE"},     {32, "LC_STYLED"},
                                  {64, "LC_WIDESTYLED"}, {128, "LC_INTERIORS"}, {-1, NULL}};
const CapsFlag polygonCapsTable[] = {{0, "PC_NONE"},       {1, "PC_POLYGON"},
                                     {2, "PC_RECTANGLE"},  {4, "PC_WINDPOLYGON"},
                                     {4, "PC_TRAPEZOID"},  {8, "PC_SCANLINE"},
                                     {16, "PC_WIDE"},      {32, "PC_STYLED"},
                                     {64, "PC_WIDESTYLED"}, {128, "PC_INTERIORS"}, {-1, NULL}};
const CapsFlag textCapsTable[] = {
    {1, "TC_OP_CHARACTER"}, {2, "TC_OP_STROKE"},    {4, "TC_CP_STROKE"},  {8, "TC_CR_90"},
    {16, "TC_CR_ANY"},      {32, "TC_SF_X_YINDEP"}, {64, "TC_SA_DOUBLE"}, {128, "TC_SA_INTEGER"},
    {256, "TC_SA_CONTIN"},  {512, "TC_EA_DOUBLE"},  {1024, "TC_IA_ABLE"}, {2048, "TC_UA_ABLE"},
    {4096, "TC_SO_ABLE"},   {8192, "TC_RA_ABLE"},   {16384, "TC_VA_ABLE"},
    {32768, "TC_RESERVED"}, {65536, "TC_SCROLLBLT"}, {-1, NULL}};
const CapsFlag rasterCapsTable[] = {
    {0, "RC_NONE"},           {1, "RC_BITBLT"},        {2, "RC_BANDING"},
    {4, "RC_SCALING"},        {8, "RC_BITMAP64"},      {16, "RC_GDI20_OUTPUT"},
    {32, "RC_GDI20_STATE"},   {64, "RC_SAVEBITMAP"},   {128, "RC_DI_BITMAP"},
    {256, "RC_PALETTE"},      {512, "RC_DIBTODEV"},    {1024, "RC_BIGFONT"},
    {2048, "RC_STRETCHBLT"},  {4096, "RC_FLOODFILL"},  {8192, "RC_STRETCHDIB"},
    {16384, "RC_OP_DX_OUTPUT"}, {32768, "RC_DEVBITS"}, {-1, NULL}};
const CapsFlag clipCapsTable[] = {{0, "CP_NONE"}, {1, "CP_RECTANGLE"}, {2, "CP_REGION"},
                                  {-1, NULL}};

std::string capsFlagsText(const CapsFlag *table, int value)
{
    std::string text;
    int count = 0;
    for (const CapsFlag *row = table; row->value != -1; row++) {
        if ((row->value & value) != 0) {
            if (count++ > 0) {
                text += ' ';
            }
            text += row->name;
        }
    }
    return count > 1 ? "{" + text + "}" : text;
}

std::string capsValueName(const CapsFlag *table, int value)
{
    for (const CapsFlag *row = table; row->value != -1; row++) {
        if (row->value == value) {
            return row->name;
        }
    }
    return "";
}

int capsNameValue(const CapsFlag *table, const char *name)
{
    for (const CapsFlag *row = table; row->value != -1; row++) {
        if (strcasecmp(row->name, name) == 0) {
            return row->value;
        }
    }
    return -1;
}
