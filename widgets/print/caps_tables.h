/*
 * caps_tables.h --
 *
 *	Flag tables of the printer command: rows {value, name} ended by a row
 *	of value -1, read as bit sets or by equality.
 */
#ifndef OVEX_WIDGETS_PRINT_CAPS_TABLES_H
#define OVEX_WIDGETS_PRINT_CAPS_TABLES_H

#include <string>

struct CapsFlag {
    int value;
    const char *name;
};

extern const CapsFlag enumFlagTable[], level4AttributeTable[], level5AttributeTable[],
    technologyTable[], curveCapsTable[], lineCapsTable[], polygonCapsTable[], textCapsTable[],
    rasterCapsTable[], clipCapsTable[];

/* The names of every row sharing a bit with value: "" for none, the bare
 * name for one, "{a b ...}" for several. */
std::string capsFlagsText(const CapsFlag *table, int value);
/* The name of the row equal to value, or "". */
std::string capsValueName(const CapsFlag *table, int value);
/* The value of name (any case), or -1. */
int capsNameValue(const CapsFlag *table, const char *name);

#endif /* OVEX_WIDGETS_PRINT_CAPS_TABLES_H */
