"""Pixels of the gtop benchmark: a BYTE view and a FLOAT DEM of SIZE x SIZE
written into IMAGEDEF files made by rimage create, and a VRT of the view
for GDAL."""
import struct
import sys

import numpy as np

view, dem, vrt, size = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
rng = np.random.default_rng(3)


def offset_of(name):
    with open(name, "rb") as f:
        return struct.unpack_from("<i", f.read(64), 32)[0]


view_offset = offset_of(view)
with open(view, "r+b") as f:
    f.seek(view_offset)
    for r in range(0, size, 500):
        n = min(500, size - r)
        f.write(rng.integers(0, 256, size=n * size, dtype=np.uint8).tobytes())
x = np.arange(size, dtype=np.float32)
with open(dem, "r+b") as f:
    f.seek(offset_of(dem))
    for r in range(size):
        f.write((40.0 * np.sin(x / 300.0) * np.cos(r / 400.0) + 50.0).astype("<f4").tobytes())
with open(vrt, "w") as f:
    f.write(f"""<VRTDataset rasterXSize="{size}" rasterYSize="{size}">
  <VRTRasterBand dataType="Byte" band="1" subClass="VRTRawRasterBand">
    <SourceFilename relativeToVRT="0">{view}</SourceFilename>
    <ImageOffset>{view_offset}</ImageOffset>
    <PixelOffset>1</PixelOffset>
    <LineOffset>{size}</LineOffset>
  </VRTRasterBand>
</VRTDataset>
""")
