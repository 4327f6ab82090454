#!/usr/bin/env python3
"""Writes the small image fixtures of the unit tests into this folder.

imagedef_msbf_short.img: an IMAGEDEF header whose numbers are most
significant byte first, then BIL rows of 2 bands x 3 rows x 4 columns of
SHORT pixels, also most significant byte first. Pixel (row r, column c)
of band b is b * 1000 - r * 100 + c * 7 - 150, so that some are negative.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def imagedef_msbf_short():
    rows, columns, nbands = 3, 4, 2
    header = bytearray(1152)
    header[0:14] = b"IMAGEDEF_MSBF\0"
    # msbf imgid mapid imgtype offset pixel nbands rows columns top left
    struct.pack_into(">11i", header, 16, 1, 2, 1, 3, 1152, 4, nbands, rows, columns, 2, 5)
    # x0 y0 z0 zscale zmin zmax dx dy
    struct.pack_into(">8d", header, 60, 500000.5, 4200000.25, 1.5, 0.25, -3.0, 7.0, 30.0, -30.0)
    struct.pack_into(">i", header, 124, 2)
    header[128:134] = bytes([10, 20, 30, 200, 150, 100])
    description = b"msbf short fixture"
    header[896:896 + len(description)] = description
    data = bytearray()
    for r in range(rows):
        for b in range(nbands):
            for c in range(columns):
                data += struct.pack(">h", b * 1000 - r * 100 + c * 7 - 150)
    with open(os.path.join(HERE, "imagedef_msbf_short.img"), "wb") as out:
        out.write(header + data)


if __name__ == "__main__":
    imagedef_msbf_short()
