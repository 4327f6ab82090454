"""Writes big.shp/.shx/.dbf: POLYLINE records of 10 vertices in UTM zone 32
(the default 100,000 records hold 1,000,000 points, 21.6 MB of .shp).
   make_data.py FOLDER [RECORDS]"""
import os
import random
import struct
import sys

folder = sys.argv[1]
records = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
vertices = 10
random.seed(7)
content = 44 + 4 + 16 * vertices           # type, box, counts, one part, points
words = content // 2
shp = bytearray()
shx = bytearray()
xmin = ymin = float("inf")
xmax = ymax = float("-inf")
for r in range(records):
    x0 = random.uniform(300000, 700000)
    y0 = random.uniform(5000000, 6000000)
    pts = [(x0 + 100 * i, y0 + 50 * ((i * 7) % 5)) for i in range(vertices)]
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    box = (min(xs), min(ys), max(xs), max(ys))
    xmin, ymin = min(xmin, box[0]), min(ymin, box[1])
    xmax, ymax = max(xmax, box[2]), max(ymax, box[3])
    shx += struct.pack(">ii", 50 + len(shp) // 2, words)
    shp += struct.pack(">ii", r + 1, words)
    shp += struct.pack("<i4dii", 3, *box, 1, vertices) + struct.pack("<i", 0)
    shp += struct.pack("<%dd" % (2 * vertices), *[c for p in pts for c in p])


def header(length_words):
    return (struct.pack(">i5ii", 9994, 0, 0, 0, 0, 0, length_words)
            + struct.pack("<ii8d", 1000, 3, xmin, ymin, xmax, ymax, 0, 0, 0, 0))


with open(os.path.join(folder, "big.shp"), "wb") as f:
    f.write(header(50 + len(shp) // 2) + shp)
with open(os.path.join(folder, "big.shx"), "wb") as f:
    f.write(header(50 + len(shx) // 2) + shx)
# A table of one numeric field, which the peer wants beside the shapes.
with open(os.path.join(folder, "big.dbf"), "wb") as f:
    f.write(struct.pack("<BBBBIHH20x", 3, 126, 12, 11, records, 65, 11))
    f.write(struct.pack("<11sc4xBB14x", b"id", b"N", 10, 0) + b"\r")
    for r in range(records):
        f.write(b" " + ("%10d" % (r + 1)).encode())
    f.write(b"\x1a")
