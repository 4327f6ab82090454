#!/usr/bin/env python3
"""Writes examples/data/sample.img, the small multispectral image of the demo.

An IMAGEDEF file (header numbers least significant byte first, as this host
writes them) of 4 BYTE bands (blue, green, red, near infrared), 128 columns
by 96 rows, band-sequential, in UTM zone 33 with 30 m pixels. The scene is a
smooth background with a lake, two fields and a road, so that each band has
its own statistics.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
COLUMNS, ROWS, BANDS = 128, 96, 4
UTM33 = 35            # mapid of "UTM33"
BSQ, BYTE = 1, 3      # imgid and pixel codes


def reflectance(band, row, col):
    """Digital number of one pixel of one band."""
    lake = (col - 30) ** 2 / 400.0 + (row - 60) ** 2 / 225.0 <= 1.0
    field_a = 70 <= col < 110 and 10 <= row < 40
    field_b = 70 <= col < 110 and 50 <= row < 85
    road = abs(row - (0.4 * col + 5)) < 1.5
    if lake:
        return (60, 45, 25, 8)[band]
    if road:
        return (120, 118, 115, 110)[band]
    if field_a:
        return (35, 70, 40, 190)[band]
    if field_b:
        return (70, 90, 110, 120)[band]
    base = (50, 65, 60, 140)[band]
    return base + int(12 * math.sin(col / 9.0) * math.cos(row / 7.0))


def main():
    header = bytearray(1152)
    header[0:14] = b"IMAGEDEF_MSBL\0"
    # msbf imgid mapid imgtype offset pixel nbands rows columns top left
    struct.pack_into("<11i", header, 16, 0, BSQ, UTM33, 1, 1152, BYTE, BANDS, ROWS, COLUMNS, 0, 0)
    # x0 y0 z0 zscale zmin zmax dx dy
    struct.pack_into("<8d", header, 60, 500000.0, 4650000.0, 0.0, 1.0, 0.0, 0.0, 30.0, 30.0)
    struct.pack_into("<i", header, 124, 0)
    description = b"Ovex demo scene: blue green red nir"
    header[896:896 + len(description)] = description
    data = bytearray()
    for band in range(BANDS):
        for row in range(ROWS):
            data += bytes(max(0, min(255, reflectance(band, row, col))) for col in range(COLUMNS))
    os.makedirs(os.path.join(HERE, "data"), exist_ok=True)
    with open(os.path.join(HERE, "data", "sample.img"), "wb") as out:
        out.write(header + data)


if __name__ == "__main__":
    main()
