"""Pixels of the gisoc benchmark: 6 BYTE bands of ROWS x COLUMNS around 10
centres, written as BSQ rows into an IMAGEDEF file made by rimage create,
and the 10 centres as an ISOFEATU start file both clusterings begin from."""
import struct
import sys

import numpy as np

image, features, rows, columns = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
bands, classes = 6, 10
rng = np.random.default_rng(7)
centres = rng.integers(30, 226, size=(classes, bands)).astype(np.float32)
labels = rng.integers(0, classes, size=rows * columns, dtype=np.int32)
with open(image, "r+b") as f:
    offset = struct.unpack_from("<i", f.read(64), 32)[0]
    for b in range(bands):
        noise = rng.integers(-12, 13, size=rows * columns, dtype=np.int16)
        band = np.clip(centres[labels, b].astype(np.int16) + noise, 0, 255).astype(np.uint8)
        f.seek(offset + b * rows * columns)
        f.write(band.tobytes())

# Starts: each centre moved by up to 20 so that the clusterings have work.
starts = np.clip(centres + rng.integers(-20, 21, size=centres.shape), 0, 255)
item = 12 + 16 * bands
items_offset = 32 + 4 * bands + 152
head = struct.pack("<8sIIIIII", b"ISOFEATU", items_offset + item * classes, 0, items_offset,
                   item, classes, bands)
body = b"".join(struct.pack("<iIf", 0, 0, 0.0) +
                b"".join(struct.pack("<ffd", float(m), 0.0, 0.0) for m in start)
                for start in starts)
with open(features, "wb") as f:
    f.write(head + struct.pack("<%di" % bands, *range(bands)) + bytes(152) + body)
np.save(features + ".npy", starts.astype(np.float64))
