/*
 * terra_services.cpp --
 *
 *	Tile access of terra tile stores. No store can be opened yet, so
 *	every position is outside and no tile holds data.
 */
#include <stddef.h>

#include "geo/terra_services.h"

int
terraTileIndex(void *store, int x, int y)
{
    return -1;
}

const unsigned char *
terraTileData(void *store, int index, int *length)
{
    if (length != NULL) {
        *length = 0;
    }
    return NULL;
}
