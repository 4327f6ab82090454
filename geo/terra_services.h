/*
 * terra_services.h --
 *
 *	Tile access of a terra tile store, for the RAM-image code that opens
 *	a single tile as an image.
 */
#ifndef OVEX_GEO_TERRA_SERVICES_H
#define OVEX_GEO_TERRA_SERVICES_H

/* Index of the tile at tile coordinates (x, y); -1 outside the store. */
int terraTileIndex(void *store, int x, int y);

/* The tile's encoded bytes (a JPEG or GIF file owned by the store) and
 * their length; NULL with *length 0 when the tile holds no data. */
const unsigned char *terraTileData(void *store, int index, int *length);

#endif /* OVEX_GEO_TERRA_SERVICES_H */
