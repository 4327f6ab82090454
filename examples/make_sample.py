#!/usr/bin/env python3
"""Writes the demo's data: examples/data/sample.img and examples/data/dem.img.

sample.img is an IMAGEDEF file (header numbers least significant byte first,
as this host writes them) of 4 BYTE bands (blue, green, red, near infrared),
128 columns by 96 rows, band-sequential, in WGS 84 / UTM zone 33N (EPSG code
32633, so that GDAL names the system of every GeoTIFF made from it) with
30 m pixels. The scene is a smooth background with a lake, two fields and a
road, so that each band has its own statistics.

dem.img is a FLOAT IMAGEDEF elevation model of the same ground, 64 x 48
pixels of 60 m: two hills and a valley.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
COLUMNS, ROWS, BANDS = 128, 96, 4
UTM33N = 32633        # mapid of EPSG 32633, WGS 84 / UTM zone 33N
BSQ, BYTE, FLOAT = 1, 3, 6      # imgid and pixel codes
ELEVATION = 3         # imgtype of a DEM
DEM_COLUMNS, DEM_ROWS = 64, 48


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


def elevation(row, col):
    """Height in metres of one DEM pixel."""
    hill_a = 180.0 * math.exp(-((col - 18) ** 2 + (row - 14) ** 2) / 120.0)
    hill_b = 120.0 * math.exp(-((col - 46) ** 2 + (row - 32) ** 2) / 200.0)
    valley = -30.0 * math.exp(-((row - 0.6 * col - 8) ** 2) / 30.0)
    return 400.0 + hill_a + hill_b + valley


def imagedef_header(imgtype, pixel, bands, rows, columns, dx, description):
    header = bytearray(1152)
    header[0:14] = b"IMAGEDEF_MSBL\0"
    # msbf imgid mapid imgtype offset pixel nbands rows columns top left
    struct.pack_into("<11i", header, 16, 0, BSQ, UTM33N, imgtype, 1152, pixel, bands, rows,
                     columns, 0, 0)
    # x0 y0 z0 zscale zmin zmax dx dy
    struct.pack_into("<8d", header, 60, 500000.0, 4650000.0, 0.0, 1.0, 0.0, 0.0, dx, dx)
    struct.pack_into("<i", header, 124, 0)
    header[896:896 + len(description)] = description
    return header


def main():
    header = imagedef_header(1, BYTE, BANDS, ROWS, COLUMNS, 30.0,
                             b"Ovex demo scene: blue green red nir")
    data = bytearray()
    for band in range(BANDS):
        for row in range(ROWS):
            data += bytes(max(0, min(255, reflectance(band, row, col))) for col in range(COLUMNS))
    os.makedirs(os.path.join(HERE, "data"), exist_ok=True)
    with open(os.path.join(HERE, "data", "sample.img"), "wb") as out:
        out.write(header + data)

    header = imagedef_header(ELEVATION, FLOAT, 1, DEM_ROWS, DEM_COLUMNS, 60.0,
                             b"Ovex demo DEM: metres")
    heights = bytearray()
    for row in range(DEM_ROWS):
        for col in range(DEM_COLUMNS):
            heights += struct.pack("<f", elevation(row, col))
    with open(os.path.join(HERE, "data", "dem.img"), "wb") as out:
        out.write(header + heights)


if __name__ == "__main__":
    main()
