#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/:
# small files made with independent tools (ImageMagick, netpbm, libjpeg,
# libtiff, GDAL, DCMTK) and, for the formats only this system writes,
# headers laid out by hand. Every seed stays a few kilobytes at most.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$here/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p "$out"/{imagedef,dib,erdas,elas,pnm,xbm,fft,gif,tiff,jpeg,dicom,gpz,scrbcomp,probe}

convert -size 7x5 gradient:red-blue src.ppm
convert -size 7x5 gradient: gray.pgm
convert -size 9x4 pattern:checkerboard -monochrome mono.pbm

# PGM/PPM: binary and plain, 8 and 16 bits.
cp src.ppm "$out/pnm/p6.ppm"; cp gray.pgm "$out/pnm/p5.pgm"
convert src.ppm -depth 16 "$out/pnm/p6-16.ppm"
convert gray.pgm -depth 16 "$out/pnm/p5-16.pgm"
convert src.ppm -compress none "$out/pnm/p3.ppm"
convert gray.pgm -compress none "$out/pnm/p2.pgm"

# DIB/BMP: 24-bit, 8-bit and 4-bit palettes, 1 bit, RLE, top-down, 32-bit.
convert src.ppm BMP3:"$out/dib/rgb24.bmp"
convert src.ppm -colors 16 -type palette BMP3:"$out/dib/pal8.bmp"
convert src.ppm -colors 8 -depth 4 -type palette BMP3:"$out/dib/pal4.bmp"
convert mono.pbm BMP3:"$out/dib/mono.bmp"
convert src.ppm -colors 16 -type palette -compress RLE BMP3:"$out/dib/rle8.bmp"
convert src.ppm -alpha on BMP:"$out/dib/rgba32.bmp"
ppmtobmp src.ppm > "$out/dib/netpbm.bmp" 2>/dev/null

# X bitmap.
convert mono.pbm "$out/xbm/mono.xbm"
pbmtoxbm mono.pbm > "$out/xbm/netpbm.xbm"

# GIF: still, interlaced, transparent, animated with two frames.
convert src.ppm -colors 16 "$out/gif/still.gif"
convert src.ppm -colors 16 -interlace GIF "$out/gif/interlaced.gif"
convert src.ppm -colors 16 -transparent "#ff0000" "$out/gif/transparent.gif"
convert -delay 10 src.ppm gray.pgm -colors 8 "$out/gif/anim.gif"
ppmtogif src.ppm > "$out/gif/netpbm.gif" 2>/dev/null || convert src.ppm GIF87:"$out/gif/gif87.gif"

# TIFF: strips and tiles, PackBits, LZW, Deflate, palette, 16 bits, two
# volumes, GeoTIFF.
convert src.ppm -compress none "$out/tiff/rgb.tif"
tiffcp -c packbits "$out/tiff/rgb.tif" "$out/tiff/packbits.tif"
convert src.ppm -compress lzw "$out/tiff/lzw.tif"
convert src.ppm -compress zip "$out/tiff/deflate.tif"
convert src.ppm -colors 16 -type palette "$out/tiff/palette.tif"
convert gray.pgm -depth 16 "$out/tiff/gray16.tif"
convert mono.pbm "$out/tiff/mono.tif"
convert src.ppm gray.pgm -compress none "$out/tiff/twopages.tif"
tiffcp -t -w 16 -l 16 "$out/tiff/rgb.tif" "$out/tiff/tiled.tif"
tiffcp -t -w 16 -l 16 -c packbits "$out/tiff/rgb.tif" "$out/tiff/packbits-tiled.tif"
# FillOrder 2: the bits of every stored byte reversed.
tiffcp -f lsb2msb "$out/tiff/rgb.tif" "$out/tiff/fillorder2.tif"
tiffcp -f lsb2msb "$out/tiff/gray16.tif" "$out/tiff/fillorder2-16.tif"
tiffcp -f lsb2msb -t -w 16 -l 16 -c packbits "$out/tiff/rgb.tif" "$out/tiff/fillorder2-packbits-tiled.tif"
# Damaged: one PackBits strip of 64000 rows holding only no-op bytes.
python3 - "$out/tiff/packbits-noop.tif" <<'PY'
import struct, sys
rows, length = 64000, 1000
fields = [(256, 4, 1), (257, 4, rows), (258, 3, 8), (259, 3, 32773), (262, 3, 1),
          (273, 4, 8 + 2 + 12 * 9 + 4), (277, 3, 1), (278, 4, rows), (279, 4, length)]
data = b"II*\0" + struct.pack("<IH", 8, len(fields))
for tag, kind, value in fields:
    data += struct.pack("<HHI", tag, kind, 1) + struct.pack("<HH" if kind == 3 else "<I", *((value, 0) if kind == 3 else (value,)))
open(sys.argv[1], "wb").write(data + struct.pack("<I", 0) + b"\x80" * length)
PY
convert src.ppm -endian MSB -compress none "$out/tiff/bigendian.tif"
gdal_translate -q -of GTiff -a_srs EPSG:32633 -a_ullr 500000 4200000 500070 4199950 \
  gray.pgm "$out/tiff/geotiff.tif"

# JPEG: baseline, progressive, greyscale, restart markers.
cjpeg -quality 75 src.ppm > "$out/jpeg/baseline.jpg"
cjpeg -progressive src.ppm > "$out/jpeg/progressive.jpg"
cjpeg -grayscale gray.pgm > "$out/jpeg/gray.jpg"
cjpeg -restart 1 src.ppm > "$out/jpeg/restart.jpg"
# Damaged: data cut short in the scan; a tall picture of one scan per
# component whose second scan names a component the frame lacks (each row
# once decoded the file again from the top).
python3 - "$out/jpeg/baseline.jpg" "$out/jpeg/truncated.jpg" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
scan = data.find(b"\xff\xda")
open(sys.argv[2], "wb").write(data[:(scan + len(data)) // 2])
PY
python3 -c 'import sys; sys.stdout.buffer.write(b"P6\n3 62728\n255\n" + bytes([10, 20, 30]) * (3 * 62728))' > tall.ppm
printf '0;\n1;\n2;\n' > scans.txt
cjpeg -quality 10 -baseline -optimize -scans scans.txt tall.ppm > tall.jpg
python3 - tall.jpg "$out/jpeg/damaged-scan.jpg" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
first = data.find(b"\xff\xda")
second = data.find(b"\xff\xda", first + 2)
data[second + 5] = 62                   # FF DA, length, count, component id
length = (data[second + 2] << 8) | data[second + 3]
open(sys.argv[2], "wb").write(bytes(data[:second + 2 + length]) + b"\xff\xd9")
PY

# DICOM: uncompressed greyscale and colour, RLE.
img2dcm "$out/jpeg/gray.jpg" gray-jpeg.dcm
dcmdjpeg gray-jpeg.dcm "$out/dicom/gray.dcm"
dcmcrle "$out/dicom/gray.dcm" "$out/dicom/gray-rle.dcm"
img2dcm "$out/jpeg/baseline.jpg" rgb-jpeg.dcm
dcmdjpeg rgb-jpeg.dcm "$out/dicom/rgb.dcm"
dcmcrle "$out/dicom/rgb.dcm" "$out/dicom/rgb-rle.dcm"

# Formats written by this system only: headers laid out by hand.
python3 - "$out" <<'PY'
import struct, sys, zlib, os
out = sys.argv[1]
def put(path, data):
    with open(os.path.join(out, path), "wb") as f:
        f.write(data)

# IMAGEDEF (byte 0 even: probed file), and headerless layouts (byte 0 odd).
for name, magic, order, imgid, pixel in (("bsq-byte", b"IMAGEDEF_MSBL", "<", 1, 3),
                                         ("bil-short", b"IMAGEDEF_MSBF", ">", 2, 4),
                                         ("bip-float", b"IMAGEDEF_MSBL", "<", 3, 6),
                                         ("bsq-1bit", b"IMAGEDEF_MSBL", "<", 1, 1)):
    rows, columns, nbands = 3, 5, 2
    h = bytearray(1152)
    h[0:len(magic)] = magic
    struct.pack_into(order + "11i", h, 16, 0, imgid, 1, 0, 1152, pixel, nbands, rows, columns, 0, 0)
    struct.pack_into(order + "8d", h, 60, 10.0, 20.0, 0.0, 1.0, 0.0, 255.0, 1.0, -1.0)
    struct.pack_into(order + "i", h, 124, 2)
    h[128:134] = bytes([1, 2, 3, 250, 251, 252])
    bits = {1: 1, 3: 8, 4: 16, 6: 32}[pixel]
    row = (columns * bits - 1) // 8 + 1
    put("imagedef/" + name, b"\0" + bytes(h) + bytes(range(row * rows * nbands)))
for layout in (0, 1, 2):
    for pixel, bits in ((3, 8), (4, 16), (2, 4)):
        desc = bytes([layout * 2 + 1, pixel, 6, 0, 4, 0, 2, 0, 1])
        row = (6 * bits - 1) // 8 + 1
        put("imagedef/raw-%d-%d" % (layout, pixel), desc + bytes((i * 7) & 255 for i in range(row * 4 * 2)))

# ERDAS 7.x: the three magics, 8-bit, 4-bit and 16-bit packing.
for magic, packing, name in ((b"HEADER", 0, "e73"), (b"HEAD74", 0, "e74"),
                             (b"E74BSQ", 2, "e74bsq"), (b"HEAD74", 1, "e74-4bit")):
    columns, rows, nbands = 6, 4, 2
    h = bytearray(128)
    h[0:6] = magic
    struct.pack_into("<hhhf", h, 6, packing, nbands, 0, 1.0)
    if magic == b"HEADER":
        struct.pack_into("<ff", h, 16, columns, rows)
    else:
        struct.pack_into("<ii", h, 16, columns, rows)
    struct.pack_into("<ii", h, 24, 1, 1)
    struct.pack_into("<H", h, 92, 1)
    struct.pack_into("<ffff", h, 112, 100.0, 200.0, 30.0, 30.0)
    bits = {0: 8, 1: 4, 2: 16}[packing]
    row = (columns * bits - 1) // 8 + 1
    put("erdas/" + name + ".lan", bytes(h) + bytes((i * 5) & 255 for i in range(row * rows * nbands)))

# ELAS.
for name, nbands in (("one", 1), ("three", 3)):
    h = bytearray(1024)
    columns, rows = 8, 3
    struct.pack_into("<8i", h, 0, 1024, columns, 1, rows, 1, columns, nbands, 4321)
    struct.pack_into("<i", h, 36, 300)
    struct.pack_into("<i", h, 44, 400)
    struct.pack_into("<ff", h, 48, 25.0, 25.0)
    put("elas/" + name + ".elas", bytes(h) + bytes(range(columns * rows * nbands)))

# FFT image file.
h = bytearray(1024)
h[0:15] = b"FFT IMAGE FILE\0"
struct.pack_into("<ii", h, 84, 2, 3)
struct.pack_into("<d", h, 104, 6.0)
put("fft/small.fft", bytes(h) + b"".join(struct.pack("<ff", i, -i) for i in range(6)))

# GPZ: header of 2064 bytes naming gpz.dat, then that data file.
for name, code, bits in (("byte", 1, 8), ("short", 2, 16), ("float", 4, 32), ("bit", 0, 1)):
    h = bytearray(2064)
    h[0:3] = b"GPZ"
    h[8:15] = b"gpz.dat"
    columns, rows, nbands = 5, 3, 2
    struct.pack_into("<iiii", h, 180, columns, rows, nbands, code)
    struct.pack_into("<4d", h, 272, 1.0, 2.0, 0.5, -0.5)
    struct.pack_into("<i", h, 900, 2)
    h[1040:1048] = bytes([0, 0, 255, 0, 255, 0, 0, 0])
    row = (columns * bits - 1) // 8 + 1
    put("gpz/" + name, bytes(h) + bytes(range(row * rows * nbands)))

# Script libraries: the zlib stream passed through substitution table 1
# (taken from the reader's source), under a header with selector 3.
import re
here = os.path.dirname(out)
source = open(os.path.join(here, "..", "core", "script_library.cpp")).read()
table_text = source.split("substTable1[256] = {", 1)[1].split("};", 1)[0]
table = [int(x, 16) for x in re.findall(r"0x[0-9a-f]{2}", table_text)]
assert len(table) == 256
for name, text in (("set", b"set a 1\n"), ("proc", b"proc p {} {return 2}\np\n"), ("return", b"return\n")):
    body = zlib.compress(text + b"\0")
    h = bytearray(33)
    h[0:8] = b"SCRBCOMP"
    h[8] = 3
    h[9:9 + len(str(len(body)))] = str(len(body)).encode()
    h[21:21 + len(str(len(text) + 1))] = str(len(text) + 1).encode()
    put("scrbcomp/" + name, bytes(h) + bytes(table[b] for b in body))
PY

# Files of the programs and objects, laid out by hand, each kind with a
# few damaged ones.
mkdir -p "$out"/{gcpobj,georect,feature,ptable,convkernel,geocalc,glitem}
python3 - "$out" <<'PY'
import struct, sys, os
out = sys.argv[1]
def put(path, data):
    with open(os.path.join(out, path), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())

# GCPOBJ: little-endian head and 48-byte records.
points = [(1, 10.0, 20.0, 1000.0, 2000.0), (2, 30.0, 20.0, 1040.0, 1990.0),
          (3, 10.0, 50.0, 990.0, 2060.0), (4, 40.0, 45.0, 1055.0, 2045.0),
          (5, 25.0, 35.0, 1020.0, 2030.0), (6, 5.0, 5.0, 985.0, 1975.0)]
def gcpobj(records, power, nterms, count=None):
    body = b"".join(struct.pack("<ii4dff", 1, i, x1, y1, x2, y2, 0, 0) for i, x1, y1, x2, y2 in records)
    return b"GCPOBJ" + struct.pack("<iii", len(records) if count is None else count, power, nterms) + body
put("gcpobj/fitted", gcpobj(points, 1, 3))
put("gcpobj/bilinear", gcpobj(points, 0, 4))
put("gcpobj/unfitted", gcpobj(points[:2], 0, 0))
put("gcpobj/empty", gcpobj([], 0, 0))
put("gcpobj/short", gcpobj(points, 1, 3)[:-20])
put("gcpobj/count-over", gcpobj(points, 1, 3, count=301))
put("gcpobj/power-large", gcpobj(points, 40, 900))

# GOERECHD: degree 1 (3 terms), degree 0 (bilinear, 4 terms), degree 2.
def georect(degree, ncoef, icoef, jcoef):
    return (b"GOERECHD" + struct.pack("<4dII", 20.0, 30.0, 1000.0, 2000.0, ncoef, degree)
            + struct.pack("<%dd" % len(icoef), *icoef) + struct.pack("<%dd" % len(jcoef), *jcoef))
put("georect/degree1", georect(1, 3, [2000.0, 0.1, 2.0], [1000.0, 2.0, -0.1]))
put("georect/bilinear", georect(0, 4, [2000.0, 0.1, 2.0, 0.01], [1000.0, 2.0, -0.1, 0.02]))
put("georect/degree2", georect(2, 6, [2000.0, 0.1, 2.0, 0, 0.001, 0], [1000.0, 2.0, -0.1, 0.001, 0, 0]))
put("georect/short", georect(1, 3, [2000.0, 0.1, 2.0], [1000.0, 2.0, -0.1])[:-8])
put("georect/mismatch", georect(3, 3, [2000.0, 0.1, 2.0], [1000.0, 2.0, -0.1]))
put("georect/too-many", georect(20, 231, [1.0] * 4, [1.0] * 4))

# Feature files: the 32-byte head, band list, info, items.
def feature(tag, bands, info, items):
    n = len(bands)
    itemsize = len(items[0]) if items else {b"STATFTUR": 72 + 4 * (n * (n + 3) // 2),
                                            b"EIGENID\0": 12 + 4 * n, b"ISOFEATU": 12 + 16 * n}.get(tag, 8)
    offset = 32 + 4 * n + len(info)
    total = offset + itemsize * len(items)
    return (tag + struct.pack("<6I", total, 0, offset, itemsize, len(items), n)
            + struct.pack("<%dI" % n, *bands) + info + b"".join(items))
def statitem(name, n, npix, k):
    means = [10.0 * (b + 1) + k for b in range(n)]
    cov = []
    for j in range(n):
        for i in range(j + 1):
            cov.append(4.0 + j if i == j else 0.5)
    return (name.ljust(32, b"\0") + b"note".ljust(32, b"\0") + struct.pack("<ii", npix, k)
            + struct.pack("<%df" % (n + len(cov)), *(means + cov)))
statinfo = b"image.img".ljust(64, b"\0") + b"two classes".ljust(128, b"\0")
put("feature/stat", feature(b"STATFTUR", [0, 1, 2], statinfo,
                            [statitem(b"water", 3, 100, 0), statitem(b"forest", 3, 250, 1)]))
put("feature/stat-singular", feature(b"STATFTUR", [0, 1], statinfo,
                                     [b"flat".ljust(72, b"\0") + bytes(4 * 5)]))
put("feature/stat-long-name", feature(b"STATFTUR", [0], b"S" * 192,
                                      [b"N" * 64 + struct.pack("<ii", 1, 0) + struct.pack("<2f", 1, 1)]))
evinfo = b"eigen of stat".ljust(512, b"\0") + struct.pack("<I", 0) + struct.pack("<4f", 4, 10, 5, 20)
put("feature/eigen", feature(b"EIGENID\0", [0, 1], evinfo,
                             [struct.pack("<iff2f", 0, 6.0, 75.0, 0.8, 0.6),
                              struct.pack("<iff2f", 1, 2.0, 25.0, -0.6, 0.8)]))
isoinfo = struct.pack("<ddii", 1.5, 3.0, 40, 2) + b"image.img".ljust(128, b"\0")
put("feature/iso", feature(b"ISOFEATU", [0, 1], isoinfo,
                           [struct.pack("<iIf", 20, 0, 0.1) + struct.pack("<ffdffd", 10, 0.1, 0, 20, 0.2, 0),
                            struct.pack("<iIf", 20, 0, 0.2) + struct.pack("<ffdffd", 50, 0.3, 0, 60, 0.4, 0)]))
stat = feature(b"STATFTUR", [0, 1, 2], statinfo, [statitem(b"water", 3, 100, 0)])
put("feature/stat-short", stat[:-10])
put("feature/stat-total-wrong", stat[:8] + struct.pack("<I", len(stat) + 100) + stat[12:])
put("feature/bands-huge", stat[:28] + struct.pack("<I", 0x40000000) + stat[32:])

# PTABLEHD: sorted vectors of two bands, their counts, first and last by first byte.
vectors = [(3, 7), (3, 9), (8, 1), (200, 200)]
def ptable(vectors, nbands=2, count=None):
    c = len(vectors)
    first, last = [-1] * 256, [-2] * 256
    for k, v in enumerate(vectors):
        if first[v[0]] < 0:
            first[v[0]] = k
        last[v[0]] = k
    head = (b"PTABLEHD" + struct.pack("<III", 2080 + 4 * nbands, c, c if count is None else count)
            + struct.pack("<256i", *first) + struct.pack("<256i", *last)
            + struct.pack("<III", 0, 0, nbands) + struct.pack("<%dI" % nbands, *range(nbands)))
    return head + bytes(b for v in vectors for b in v) + struct.pack("<%dH" % c, *range(1, c + 1))
put("ptable/two-bands", ptable(vectors))
put("ptable/empty", ptable([]))
put("ptable/short", ptable(vectors)[:-3])
put("ptable/count-over", ptable(vectors, count=1000))
bad = bytearray(ptable(vectors))
struct.pack_into("<i", bad, 20 + 4 * 3, 77)       # first of byte 3 past the count
put("ptable/bad-index", bytes(bad))

# Convolution kernel texts.
put("convkernel/2d", "2D 3 3\n1 2 1\n2 4 2\n1 2 1\n")
put("convkernel/1ds", "1Ds,5,3;1,4,6,4,1;1,2,1")
put("convkernel/crlf", "2D 2 2\r\n1 1\r\n1 1\r\n")
put("convkernel/dynamic", "dynamic 5 5\n")
put("convkernel/median", "median 3 3")
put("convkernel/short", "2D 3 3 1 2 1")
put("convkernel/too-big", "2D 100000 100000 1")
put("convkernel/extra", "1Ds 1 1 1 1 1")
put("convkernel/huge-weight", "2D 1 1 1e400")

# Geocalc console texts: a GCP list with a comment, a grid file, junk.
put("geocalc/gcp", "# id X1 Y1 X2 Y2\n" + "".join(
    "%5d %12.3f %12.3f %12.3f %12.3f\n" % p for p in points))
put("geocalc/grid", "".join("%5d %13.3f %13.3f\n" % (k + 1, 1000 + 10 * k, 2000 - 5 * k) for k in range(6)))
put("geocalc/long-line", "1 " + "9" * 200 + " 2 3 4\n2 1 2 3 4")
put("geocalc/mixed", "1 10 20 1000 2000\nnot a point\n2 30 20 1040\n3 nan inf -inf 1e308\n")

# GL data items: type selector, offset, reference, NUL, the file.
floats = struct.pack("<6f", 0, 1, 2.5, -3, 1e30, -1e30)
put("glitem/float", bytes([6, 0]) + b"v\0" + floats)
put("glitem/double-offset", bytes([7, 8]) + b"d\0" + struct.pack("<4d", 1, 2, 3, 4))
put("glitem/ubyte-range", bytes([1, 0]) + b"pix(0:3)\0" + bytes(range(16)))
put("glitem/short-odd", bytes([2, 0]) + b"s\0" + bytes(5))
put("glitem/int", bytes([4, 4]) + b"n\0" + struct.pack("<4i", -1, 2**31 - 1, -2**31, 7))
put("glitem/far-offset", bytes([5, 255]) + b"u\0" + bytes(8))
put("glitem/bitmap", bytes([8, 0]) + b"b\0" + bytes(8))
PY

# The open path sees every format.
for d in imagedef dib erdas elas pnm xbm fft gif tiff jpeg dicom; do
  for f in "$out/$d"/*; do
    case $d in
      imagedef) case $(basename "$f") in raw-*) continue ;; esac
                tail -c +2 "$f" > "$out/probe/$d-$(basename "$f")" ;;
      *) cp "$f" "$out/probe/$d-$(basename "$f")" ;;
    esac
  done
done
du -sh "$out"
