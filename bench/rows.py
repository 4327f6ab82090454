#!/usr/bin/python3
"""Every benchmark row of the library beside the tool a user would
otherwise run, timed by harness.py. Run through bench/run_all.sh:

    bench/run_all.sh BUILD_DIR [ROW-NAME-PART ...]

Inputs are made in a scratch folder per row (under $TMPDIR); both sides
are whole processes with one thread. Peers: proj-bin (proj, cs2cs, geod), tk (wish: canvas, photo),
libjpeg-turbo-progs (djpeg, cjpeg), libvips-tools (vips), gdal-bin
(gdalwarp, gdal_translate, ogr2ogr), python3-scipy, imagemagick (convert,
import), poppler-utils (pdfimages), ghostscript (gs).
"""
import os
import random
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from harness import Row, Skip, need, tcl_script  # noqa: E402

PY = "/usr/bin/python3"   # Debian's, with numpy and scipy
LINES = int(os.environ.get("OVEX_BENCH_LINES", "1000000"))
SIZE = int(os.environ.get("OVEX_BENCH_SIZE", "4000"))   # picture rows = columns


def ours(body):
    """Our side: tclsh running body after loading the library."""
    return ["tclsh", "{dir}/ours.tcl", body]


def prepare_tcl(folder, build):
    tcl_script(folder, "ours.tcl", build, "eval [lindex $argv 0]")


def remove(*names):
    def before(folder):
        for name in names:
            try:
                os.remove(os.path.join(folder, name))
            except FileNotFoundError:
                pass
    return before


# ---- inputs ----------------------------------------------------------------

def make_points(folder):
    rnd = random.Random(7)
    with open(os.path.join(folder, "geo.txt"), "w") as f, \
            open(os.path.join(folder, "geod.txt"), "w") as g:
        for _ in range(LINES):
            lon = 6 + 6 * rnd.random()
            lat = 40 + 15 * rnd.random()
            f.write("%.6f %.6f\n" % (lon, lat))
            g.write("%.6f %.6f %.6f %.6f\n" % (lat, lon, lat + rnd.random(),
                                                lon - rnd.random()))


def make_picture(folder, name="in.ppm", size=None):
    """A smooth size x size RGB picture (as bench/hot_paths.sh makes it)."""
    w = h = size or SIZE
    with open(os.path.join(folder, name), "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h))
        base = bytes(((x * 3) ^ (x >> 3)) & 255 for x in range(3 * w + 512))
        for y in range(h):
            s = (y * 7) % 509
            f.write(base[s:s + 3 * w])


def make_band(folder, n=4096):
    with open(os.path.join(folder, "band.pgm"), "wb") as f:
        f.write(b"P5\n%d %d\n255\n" % (n, n))
        base = bytes((x * 5 + (x >> 4)) & 255 for x in range(n + 512))
        for y in range(n):
            s = (y * 3) % 509
            f.write(base[s:s + n])


def run(folder, *command):
    subprocess.run(list(command), cwd=folder, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def to_ppm_with(tool):
    """A check's converter: NAME -> NAME.ppm by an independent tool."""
    def convert(folder, name):
        out = name + ".ppm"
        if tool == "convert":
            run(folder, "convert", name, out)
        elif tool == "vips":
            run(folder, "vips", "copy", name, out)
        elif tool == "djpeg":
            run(folder, "djpeg", "-pnm", "-outfile", out, name)
        return out
    return convert


# ---- rows ------------------------------------------------------------------

def projection_rows():
    utm = ["+proj=utm", "+zone=32", "+ellps=WGS84"]

    def prepare(folder, build):
        need("proj", "cs2cs", "geod")
        prepare_tcl(folder, build)
        make_points(folder)

    # PROJ's tools flush standard output after every line (one write call
    # a line); each row is also given beside the same tool with that flush
    # dropped (bench/unflushed_stdout.c preloaded), its output left in the
    # C library's buffers as ours is.
    unflushed = ["env", "LD_PRELOAD={build}/bench/libovex_bench_unflushed.so"]
    programs = [
        ("proj UTM forward, %d lines to a file" % LINES, "proj",
         "proj %s geo.txt" % " ".join(utm), ["proj"] + utm + ["geo.txt"], 0.011),
        ("cs2cs lat/long to UTM, %d lines" % LINES, "cs2cs",
         "cs2cs +proj=latlong +datum=WGS84 +to %s geo.txt" % " ".join(utm),
         ["cs2cs", "+proj=latlong", "+datum=WGS84", "+to"] + utm + ["geo.txt"], 0.011),
        ("geod -I, %d lines" % LINES, "geod", "geod +ellps=WGS84 -I geod.txt",
         ["geod", "+ellps=WGS84", "-I", "geod.txt"], 0.0011),
    ]
    # The programs end their run with an exit code that is an error to
    # Tcl: caught, as a shell ignores it.
    rows = []
    for operation, tool, mine, peer, tolerance in programs:
        for buffered in (False, True):
            rows.append(Row(
                operation + (", PROJ buffered" if buffered else ""),
                "%s (PROJ%s)" % (tool, ", buffered" if buffered else ""),
                ours("catch {%s}" % mine), unflushed + peer if buffered else peer,
                harness.numbers_within("ours.txt", "peer.txt", tolerance), prepare=prepare,
                rounds=3, stdout_ours="ours.txt", stdout_peer="peer.txt",
                before_ours=remove("ours.txt"), before_peer=remove("peer.txt"),
                target="<= 1.2"))
    return rows


def copy_over_jpeg_row():
    rounds = 5
    copies = []

    def prepare(folder, build):
        prepare_tcl(folder, build)
        make_picture(folder)
        run(folder, "tclsh", "ours.tcl", "rimage copy -in in.ppm -out first.jpg -imgid JPEG")
        # The existing outputs, one for each run of ours, written now and
        # settled on disk, as an old file is: not being written back while
        # a run replaces it.
        with open(os.path.join(folder, "first.jpg"), "rb") as f:
            data = f.read()
        del copies[:]
        for k in range(rounds + 1):
            name = "old-%d.jpg" % k
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
            copies.append(name)
        os.sync()

    def next_old(folder):
        os.replace(os.path.join(folder, copies.pop()), os.path.join(folder, "over.jpg"))

    return Row("rimage copy PPM over an existing JPEG", "ours, into a new file",
               ours("rimage copy -in in.ppm -out over.jpg -imgid JPEG"),
               ["tclsh", "{dir}/ours.tcl", "rimage copy -in in.ppm -out new.jpg -imgid JPEG"],
               harness.same_bytes("over.jpg", "new.jpg"), prepare=prepare,
               before_ours=next_old, before_peer=remove("new.jpg"), rounds=rounds,
               target="<= 1.1")


def image_rows():
    def prepare_jpeg(folder, build):
        need("djpeg", "cjpeg")
        prepare_tcl(folder, build)
        make_picture(folder)
        run(folder, "cjpeg", "-quality", "90", "-outfile", "in.jpg", "in.ppm")

    def prepare_picture(folder, build):
        prepare_tcl(folder, build)
        make_picture(folder)

    def prepare_magick(folder, build):
        need("convert")
        prepare_picture(folder, build)
        run(folder, "convert", "in.ppm", "BMP3:in.bmp")

    def prepare_vips(folder, build):
        need("vips")
        prepare_picture(folder, build)

    def prepare_conv(folder, build):
        prepare_vips(folder, build)
        # A 3x3 smoothing whose output stays inside 0..255: the weights
        # sum to 1 (vips: integer weights over a scale of 16).
        with open(os.path.join(folder, "mask.txt"), "w") as f:
            f.write("3 3 16 0\n1 2 1\n2 4 2\n1 2 1\n")

    def prepare_warp(folder, build):
        need("gdal_translate")
        prepare_picture(folder, build)
        run(folder, "gdal_translate", "-q", "-a_srs", "EPSG:32633", "-a_ullr", "0",
            str(SIZE), str(SIZE), "0", "in.ppm", "geo.tif")
        run(folder, "tclsh", "ours.tcl", "rimage copy -in in.ppm -out g.bip -imgid BIP")

    def warp_check(folder):
        # gdalwarp's TIFF as raw pixel-interleaved bytes, beside our BIP.
        run(folder, "gdal_translate", "-q", "-of", "ENVI", "-co", "INTERLEAVE=BIP",
            "p.tif", "p.raw")
        with open(os.path.join(folder, "p.raw"), "rb") as f:
            peer = f.read()
        with open(os.path.join(folder, "o.bip"), "rb") as f:
            mine = f.read()
        mine = mine[len(mine) - len(peer):]      # after our 1152-byte header
        if mine == peer:
            return True, "equal pixels (%d bytes)" % len(peer)
        differing = sum(1 for x, y in zip(mine, peer) if x != y)
        return False, "%d of %d samples differ" % (differing, len(peer))

    def prepare_fft(folder, build):
        need(PY)
        prepare_tcl(folder, build)
        make_band(folder)
        with open(os.path.join(folder, "fft.py"), "w") as f:
            f.write(FFT_PEER)

    def fft_check(folder):
        import numpy
        ours_data = numpy.fromfile(os.path.join(folder, "o.fft"), numpy.complex64, offset=1024)
        peer = numpy.fromfile(os.path.join(folder, "p.fft"), numpy.complex64, offset=1024)
        if ours_data.shape != peer.shape:
            return False, "sizes %s against %s" % (ours_data.shape, peer.shape)
        worst = float(numpy.abs(ours_data - peer).max() / numpy.abs(peer).max())
        return worst <= 1e-5, "complex values within %.1g of the largest (%.2g)" % (1e-5, worst)

    n = "%dx%d RGB" % (SIZE, SIZE)
    return [
        Row("JPEG decode to a PPM, %s" % n, "djpeg",
            ours("rimage copy -in in.jpg -out o.ppm -imgid PPM"),
            ["djpeg", "-pnm", "-outfile", "p.ppm", "in.jpg"],
            harness.pixels_within("o.ppm", "p.ppm", 0), prepare=prepare_jpeg,
            before_ours=remove("o.ppm"), before_peer=remove("p.ppm"), target="<= 1.3"),
        Row("JPEG encode q90 from a PPM, %s" % n, "cjpeg -quality 90",
            ours("rimage copy -in in.ppm -out o.jpg -imgid JPEG -cmp 90"),
            ["cjpeg", "-quality", "90", "-outfile", "p.jpg", "in.ppm"],
            harness.pixels_within("o.jpg", "p.jpg", 0, convert=to_ppm_with("djpeg")),
            prepare=prepare_jpeg, before_ours=remove("o.jpg"), before_peer=remove("p.jpg"),
            target="<= 1.3"),
        Row("BMP write from a PPM, %s" % n, "convert (ImageMagick)",
            ours("rimage copy -in in.ppm -out o.bmp -imgid DIB"),
            ["convert", "in.ppm", "BMP3:p.bmp"],
            harness.pixels_within("o.bmp", "p.bmp", 0, convert=to_ppm_with("convert"),
                                  swap_bands=True),
            prepare=prepare_magick, before_ours=remove("o.bmp"), before_peer=remove("p.bmp"),
            target=""),
        Row("BMP read to a PPM, %s" % n, "convert (ImageMagick)",
            ours("rimage copy -in in.bmp -out o.ppm -imgid PPM"),
            ["convert", "in.bmp", "p.ppm"],
            harness.pixels_within("o.ppm", "p.ppm", 0, swap_bands=True), prepare=prepare_magick,
            before_ours=remove("o.ppm"), before_peer=remove("p.ppm"), target=""),
        Row("TIFF write from a PPM, %s" % n, "vips copy",
            ours("rimage copy -in in.ppm -out o.tif -imgid TIFF"),
            ["vips", "copy", "in.ppm", "p.tif"],
            harness.pixels_within("o.tif", "p.tif", 0, convert=to_ppm_with("convert")),
            prepare=prepare_vips, before_ours=remove("o.tif"), before_peer=remove("p.tif"),
            target="<= 1.0"),
        Row("3x3 smoothing (gconv) to a PPM, %s" % n, "vips conv (integer)",
            ours("rimage create -imgid PPM -file o.ppm -rows %d -columns %d -nbands 3; "
                 "rimage gconv -in in.ppm -out o.ppm "
                 "-kn {@2D 3 3 0.0625 0.125 0.0625 0.125 0.25 0.125 0.0625 0.125 0.0625}"
                 % (SIZE, SIZE)),
            ["vips", "conv", "in.ppm", "p.ppm", "mask.txt", "--precision", "integer"],
            harness.pixels_within("o.ppm", "p.ppm", 1, crop_border=1), prepare=prepare_conv,
            before_ours=remove("o.ppm"), before_peer=remove("p.ppm"), target="<= 1.0"),
        Row("resample to 0.8 px, nearest, %s" % n, "gdal_translate -outsize -r nearest",
            ours("rimage create -imgid BIP -file o.bip -rows %d -columns %d -nbands 3 "
                 "-x0 0 -y0 0 -dx 0.8 -dy 0.8; rimage resample -in g.bip -out o.bip -rsp NN"
                 % (SIZE * 5 // 4, SIZE * 5 // 4)),
            ["gdal_translate", "-q", "-outsize", str(SIZE * 5 // 4), str(SIZE * 5 // 4),
             "-r", "nearest", "geo.tif", "p.tif"],
            warp_check, prepare=prepare_warp, before_ours=remove("o.bip"),
            before_peer=remove("p.tif"),
            target="<= 0.7"),
        Row("FFT 4096^2 band, file to file", "scipy.fft.rfft2 (1 worker)",
            ours("rimage gfftrans -in band.pgm -out o.fft -op XYRI"),
            [PY, "fft.py"], fft_check, prepare=prepare_fft, before_ours=remove("o.fft"),
            before_peer=remove("p.fft"), target="<= 3"),
    ]


# The peer of the FFT row as a whole process: reads the band, transforms
# it with one worker as real input (half the spectrum, the other half its
# mirror image), centres the spectrum with the sign convention of ours and
# writes the same layout (a 1024-byte header, then complex64 rows).
FFT_PEER = r'''
import numpy, scipy.fft
with open("band.pgm", "rb") as f:
    data = f.read()
n = 4096
m = n // 2
a = numpy.frombuffer(data[-n * n:], dtype=numpy.uint8).reshape(n, n).astype(numpy.float32)
h = scipy.fft.rfft2(a, workers=1)          # columns 0..m of the spectrum
out = numpy.empty((n, n), numpy.complex64)
# out = conj(fftshift(F)), F[r, c] = conj(F[-r, -c]) for the columns past m.
numpy.conjugate(h[:m, :m], out=out[m:, m:])
numpy.conjugate(h[m:, :m], out=out[:m, m:])
numpy.conjugate(h[m:, m], out=out[:m, 0])
numpy.conjugate(h[:m, m], out=out[m:, 0])
out[:m + 1, 1:m] = h[m::-1, m - 1:0:-1]
out[m + 1:, 1:m] = h[n - 1:m:-1, m - 1:0:-1]
with open("p.fft", "wb") as f:
    f.write(bytes(1024))
    out.tofile(f)
'''


def analysis_rows():
    here = os.path.dirname(os.path.abspath(__file__))
    gisoc_size = int(os.environ.get("OVEX_BENCH_GISOC", "2000"))
    records = int(os.environ.get("OVEX_BENCH_RECORDS", "100000"))

    def prepare_gisoc(folder, build):
        need(PY)
        prepare_tcl(folder, build)
        run(folder, "tclsh", "ours.tcl", "rimage create -file pixels.img -imgid BSQ -pixel BYTE "
            "-rows %d -columns %d -nbands 6" % (gisoc_size, gisoc_size))
        run(folder, PY, os.path.join(here, "gisoc", "make_data.py"), "pixels.img", "start.ftr",
            str(gisoc_size), str(gisoc_size))
        # -f names the start file and the file the centres are written
        # back to: every run of ours begins from these starts again.
        shutil.copyfile(os.path.join(folder, "start.ftr"), os.path.join(folder, "start.ftr.orig"))
        with open(os.path.join(folder, "kmeans.py"), "w") as f:
            f.write(KMEANS_PEER % {"size": gisoc_size})

    def gisoc_before(folder):
        remove("classes.img")(folder)
        shutil.copyfile(os.path.join(folder, "start.ftr.orig"), os.path.join(folder, "start.ftr"))

    def gisoc_check(folder):
        import numpy
        import struct
        with open(os.path.join(folder, "classes.img"), "rb") as f:
            offset = struct.unpack_from("<i", f.read(64), 32)[0]
        n = gisoc_size * gisoc_size
        mine = numpy.fromfile(os.path.join(folder, "classes.img"), numpy.uint8, n, offset=offset)
        peer = numpy.fromfile(os.path.join(folder, "classes.raw"), numpy.uint8, n)
        same = float((mine == peer).mean())
        return same >= 0.999, "%.4f of the pixels in the same class" % same

    def prepare_shape(folder, build):
        need("ogr2ogr")
        prepare_tcl(folder, build)
        run(folder, PY, os.path.join(here, "shape_reproject", "make_data.py"), folder, str(records))
        os.mkdir(os.path.join(folder, "peer"))

    def shape_check(folder):
        import numpy
        a = open(os.path.join(folder, "out.shp"), "rb").read()
        b = open(os.path.join(folder, "peer", "out.shp"), "rb").read()
        if len(a) != len(b):
            return False, "%d bytes against %d" % (len(a), len(b))
        # Records of 10 vertices (216 bytes of content and an 8-byte head):
        # the points of every record.
        size = 8 + 44 + 4 + 160
        body_a = numpy.frombuffer(a, numpy.uint8, offset=100).reshape(-1, size)
        body_b = numpy.frombuffer(b, numpy.uint8, offset=100).reshape(-1, size)
        pa = body_a[:, 56:].copy().view("<f8")
        pb = body_b[:, 56:].copy().view("<f8")
        worst = float(numpy.abs(pa - pb).max())
        return worst <= 1e-9, "all points within 1e-9 degrees (largest %.2g)" % worst

    def prepare_camera(folder, build):
        need("gdalwarp", "gdal_translate")
        prepare_tcl(folder, build)
        tcl_script(folder, "camera_make.tcl", build, CAMERA_MAKE)
        run(folder, "tclsh", "camera_make.tcl")
        run(folder, "gdal_translate", "-q", "-of", "GTiff", "cam.vrt", "cam.tif")

    def camera_check(folder):
        import numpy
        import struct
        with open(os.path.join(folder, "map.img"), "rb") as f:
            offset = struct.unpack_from("<i", f.read(64), 32)[0]
        mine = numpy.fromfile(os.path.join(folder, "map.img"), numpy.uint8, 3 * 2000 * 1600,
                              offset=offset).astype(numpy.int16)
        run(folder, "gdal_translate", "-q", "-of", "ENVI", "-co", "INTERLEAVE=BSQ",
            "warped.tif", "warped.raw")
        peer = numpy.fromfile(os.path.join(folder, "warped.raw"), numpy.uint8).astype(numpy.int16)
        if mine.shape != peer.shape:
            return False, "sizes %s against %s" % (mine.shape, peer.shape)
        d = numpy.abs(mine - peer)
        # The checker's edges fall between pixels: bilinear rounding there
        # may differ by a step; elsewhere the values agree.
        close = float((d <= 1).mean())
        return close >= 0.99, "%.4f of the samples within 1 (largest %d)" % (close, int(d.max()))

    return [
        Row("gisoc 10 classes, 6 bands %dx%d, from a file" % (gisoc_size, gisoc_size),
            "scipy kmeans2, 5 iter.",
            ours("set t [rimage open pixels.img]; rimage gisoc -in $t -out classes.img "
                 "-imgid BSQ -f start.ftr -nc 10 -sk 1 -nr 5 -cv 0"),
            [PY, "kmeans.py"], gisoc_check, prepare=prepare_gisoc,
            before_ours=gisoc_before, before_peer=remove("classes.raw"), rounds=3, target="",
            env={"OPENBLAS_CORETYPE": None, "OPENBLAS_L2_SIZE": None}),
        Row("shapefile %d points UTM 32 to degrees" % (records * 10), "ogr2ogr",
            ours("shape.create s -file big.shp; s projdef {proj=utm zone=32 ellps=WGS84}; "
                 "s projection inverse; s save out.shp"),
            ["ogr2ogr", "-s_srs", "+proj=utm +zone=32 +ellps=WGS84",
             "-t_srs", "+proj=longlat +ellps=WGS84", "peer/out.shp", "big.shp"],
            shape_check, prepare=prepare_shape, before_ours=remove("out.shp", "out.shx"),
            before_peer=remove("peer/out.shp", "peer/out.shx", "peer/out.dbf", "peer/out.prj"),
            rounds=3, target=""),
        Row("camera rectify 1280x1024x3 to 2000x1600 bilin.", "gdalwarp -r bilinear",
            ours("camera.create cam -f 10 -dx 0.01 -dy 0.01 -xc 639.5 -yc 511.5 -z 1000 "
                 "-x 1000 -y 2000 -resamplemode 1; cam rectify cam.img map.img"),
            ["gdalwarp", "-q", "-r", "bilinear", "-te", "499.75", "1500.25", "1499.75",
             "2300.25", "-ts", "2000", "1600", "-wo", "NUM_THREADS=1", "-of", "GTiff",
             "cam.tif", "warped.tif"],
            camera_check, prepare=prepare_camera, before_peer=remove("warped.tif"),
            rounds=5, target=""),
    ]


# The kmeans2 peer as a whole process: reads the six bands from the file,
# clusters from the same starts and writes the class of every pixel.
KMEANS_PEER = r"""
import struct
import numpy as np
from scipy.cluster.vq import kmeans2
n = %(size)d * %(size)d
with open("pixels.img", "rb") as f:
    offset = struct.unpack_from("<i", f.read(64), 32)[0]
data = np.fromfile("pixels.img", dtype=np.uint8, offset=offset, count=6 * n)
pixels = data.reshape(6, n).T.astype(np.float64)
starts = np.load("start.ftr.npy")
centres, labels = kmeans2(pixels, starts, iter=5, minit="matrix")
labels.astype(np.uint8).tofile("classes.raw")
"""

# The frame-camera picture of the rectify row (see bench/camera_rectify):
# smooth ramps with a checker, its map grid and a VRT for GDAL.
CAMERA_MAKE = r"""
rimage create -file cam.img -imgid BSQ -pixel BYTE -rows 1024 -columns 1280 -nbands 3 -mapid GRID
rimage create -file map.img -imgid BSQ -pixel BYTE -rows 1600 -columns 2000 -nbands 3 \
    -mapid GRID -x0 500 -y0 2300 -dx 0.5 -dy 0.5
set f [open cam.img r+b]
binary scan [read $f 64] x32i offset
seek $f $offset
for {set b 0} {$b < 3} {incr b} {
    for {set r 0} {$r < 1024} {incr r} {
        set row {}
        for {set c 0} {$c < 1280} {incr c} {
            lappend row [expr {($c / 5 + $r / 4 + 60 * $b + (($c / 32 + $r / 32) % 2) * 40) & 255}]
        }
        puts -nonewline $f [binary format c* $row]
    }
}
close $f
set v [open cam.vrt w]
puts $v "<VRTDataset rasterXSize=\"1280\" rasterYSize=\"1024\">"
puts $v "  <GeoTransform>360, 1, 0, 2512, 0, -1</GeoTransform>"
for {set b 0} {$b < 3} {incr b} {
    puts $v "  <VRTRasterBand dataType=\"Byte\" band=\"[expr {$b + 1}]\" subClass=\"VRTRawRasterBand\">"
    puts $v "    <SourceFilename relativeToVRT=\"1\">cam.img</SourceFilename>"
    puts $v "    <ImageOffset>[expr {$offset + $b * 1280 * 1024}]</ImageOffset>"
    puts $v "    <PixelOffset>1</PixelOffset><LineOffset>1280</LineOffset>"
    puts $v "  </VRTRasterBand>"
}
puts $v "</VRTDataset>"
close $v
"""

def display_rows():
    """Rows whose side of ours needs Tk and an X display (run_all.sh runs
    the table under one Xvfb, started outside every timed process)."""

    def prepare_print(folder, build):
        need("wish", "pdfimages")
        if not os.environ.get("DISPLAY"):
            raise Skip("no display (run through bench/run_all.sh, which starts Xvfb)")
        rnd = random.Random(7)
        with open(os.path.join(folder, "items.txt"), "w") as f:
            for i in range(2000):
                f.write("%s %d %d %d %d %d\n" % ("oval" if i % 2 == 0 else "rectangle",
                                                 rnd.randrange(580), rnd.randrange(880),
                                                 rnd.randrange(256), rnd.randrange(256),
                                                 rnd.randrange(256)))
        tcl_script(folder, "print.tcl", build, PRINT_OURS)

    def print_check(folder):
        run(folder, "pdfimages", "c.pdf", "ours")
        run(folder, "pdfimages", "peer.pdf", "peer")
        x = harness.read_pnm(os.path.join(folder, "ours-000.ppm"))
        y = harness.read_pnm(os.path.join(folder, "peer-000.ppm"))
        if x[:3] != y[:3]:
            return False, "rasters %s against %s" % (x[:3], y[:3])
        differing = sum(1 for a, b in zip(x[3], y[3]) if abs(a - b) > 8)
        share = differing / float(len(x[3]))
        # X and cairo draw the outlines of ovals a pixel apart here and
        # there: a stated share of the samples may differ.
        return share <= 0.03, "page rasters %dx%d, %.4f of the samples differ (<= 0.03)" % (
            x[0], x[1], share)

    here = os.path.dirname(os.path.abspath(__file__))
    dem = int(os.environ.get("OVEX_BENCH_DEM", "1025"))

    def prepare_dem(folder, build):
        need("wish")
        if not os.environ.get("DISPLAY"):
            raise Skip("no display (run through bench/run_all.sh, which starts Xvfb)")
        run(folder, os.path.join(build, "bench", "ovex_bench_gl_dem_peer"), "make", "dem.f32",
            str(dem), str(dem))

    def dem_row(mode):
        words = [mode, "dem.f32", str(dem), str(dem), "5"]
        return Row("glex%sDem %dx%d grid, 512x512 GL frame" % (mode.capitalize(), dem, dem),
                   "C GLX program, immediate mode",
                   ["wish", os.path.join(here, "gl_dem", "gl_dem.tcl"),
                    "{build}/libovex.so"] + words + ["o.ppm"],
                   ["{build}/bench/ovex_bench_gl_dem_peer"] + words + ["p.ppm"],
                   harness.pixels_within("o.ppm", "p.ppm", 0), prepare=prepare_dem,
                   self_timed=True, target="")

    def prepare_draw(folder, build):
        if not os.environ.get("DISPLAY"):
            raise Skip("no display (run through bench/run_all.sh, which starts Xvfb)")

    return [
        Row("polygon of 20,000 points and 200 holes", "even-odd XFillPolygon",
            ["{build}/bench/ovex_bench_draw", "rings", "o.ppm"],
            ["{build}/bench/ovex_bench_draw", "evenodd", "p.ppm"],
            harness.pixels_within("o.ppm", "p.ppm", 0), prepare=prepare_draw,
            self_timed=True, target=""),
        dem_row("solid"),
        dem_row("wire"),
        Row("printer canvas 600x900, 2000 items, A4 PDF", "cairo C program",
            ["wish", "print.tcl"],
            ["{build}/bench/ovex_bench_print_peer", "peer.pdf", "items.txt"],
            print_check, prepare=prepare_print, before_ours=remove("c.pdf"),
            before_peer=remove("peer.pdf"), target="<= 2.0", self_timed=True),
    ]


# Our side of the print row: the canvas of the items, printed whole to one
# A4 page of an ovex-pdf job (the file c.pdf); the print is timed, as the
# peer times its drawing and page (the canvas exists before a user prints).
PRINT_OURS = r"""
canvas .c -width 600 -height 900 -bg white -highlightthickness 0
pack .c
set f [open items.txt]
foreach line [split [read $f] \n] {
    if {[llength $line] != 6} continue
    lassign $line kind x y r g b
    .c create $kind $x $y [expr {$x + 20}] [expr {$y + 20}] -fill [format #%02x%02x%02x $r $g $b]
}
close $f
update
printer interactive 0
set began [clock microseconds]
printer canvas .c 0 0 0 599 899
puts [expr {([clock microseconds] - $began) / 1e6}]
exit
"""


def share_differing(a, b, level, share):
    """Check: two PPMs of the same size whose samples differ by more than
    level in at most share of the samples (two renderers placing an edge
    or a glyph a pixel apart here and there)."""
    def check(folder):
        import numpy
        x = harness.read_pnm(os.path.join(folder, a))
        y = harness.read_pnm(os.path.join(folder, b))
        if x[:3] != y[:3]:
            return False, "sizes %s against %s" % (x[:3], y[:3])
        d = numpy.abs(numpy.frombuffer(x[3], numpy.uint8).astype(numpy.int16)
                      - numpy.frombuffer(y[3], numpy.uint8).astype(numpy.int16))
        if y[3].count(y[3][:1]) == len(y[3]):
            return False, "%s is blank" % b
        part = float((d > level).mean())
        if part == 0:
            return True, "equal pixels within %d (%dx%d)" % (level, x[0], x[1])
        return part <= share, "%dx%d, %.4f of the samples differ by more than %d (<= %g)" % (
            x[0], x[1], part, level, share)
    return check


def canvas_rows():
    """gcanvas beside Tk's canvas and tulx beside Tk's photo: each side a
    wish of its own timing the same drawing in process (the scene or image
    is made first, not timed), its window's pixels (or the items found)
    compared."""
    here = os.path.dirname(os.path.abspath(__file__))
    gcanvas = os.path.join(here, "gcanvas_vs_tk.tcl")
    tulx = os.path.join(here, "tulx_view.tcl")

    def prepare_display(folder, build):
        need("wish", "import")
        if not os.environ.get("DISPLAY"):
            raise Skip("no display (run through bench/run_all.sh, which starts Xvfb)")

    def prepare_pgm(folder, build):
        prepare_display(folder, build)
        make_band(folder, 5000)

    def prepare_ps(folder, build):
        prepare_display(folder, build)
        need("gs")

    def gcanvas_row(label, work, n, target, check):
        kind = {"closest": "txt", "overlapping": "txt", "postscript": "ps"}.get(work, "ppm")
        out, peer_out = "o." + kind, "p." + kind
        return Row("gcanvas %s" % label, "Tk canvas, same wish kind",
                   ["wish", gcanvas, "{build}", "gcanvas", work, str(n), out],
                   ["wish", gcanvas, "{build}", "canvas", work, str(n), peer_out],
                   check(out, peer_out), self_timed=True,
                   prepare=prepare_ps if work == "postscript" else prepare_display,
                   target=target, rounds=7)

    def tulx_row(label, work, target, peer_name="Tk photo copy"):
        return Row("tulx %s" % label, peer_name,
                   ["wish", tulx, "{build}", "tulx", work, "band.pgm", "o.ppm"],
                   ["wish", tulx, "{build}", "photo", work, "band.pgm", "p.ppm"],
                   harness.pixels_within("o.ppm", "p.ppm", 0), prepare=prepare_pgm,
                   self_timed=True, target=target)

    pixels = lambda level, share: (lambda a, b: share_differing(a, b, level, share))

    def rendered(a, b):
        """Both PostScript files rendered by ghostscript at 24 dpi, then
        compared as pixels."""
        compare = share_differing(a + ".ppm", b + ".ppm", 8, 0.01)

        def check(folder):
            for name in (a, b):
                run(folder, "gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dEPSCrop",
                    "-sDEVICE=ppmraw", "-r24", "-sOutputFile=%s.ppm" % name, name)
            ok, text = compare(folder)
            return ok, "rendered by gs: " + text
        return check

    mixed = "100,000 rectangles and ovals"
    return [
        gcanvas_row("create %s" % mixed, "create", 100000, "<= 1.5", pixels(8, 0.01)),
        gcanvas_row("full redraw, %s" % mixed, "redraw", 100000, "<= 1.5", pixels(8, 0.01)),
        gcanvas_row("1-pixel scroll, %s" % mixed, "scroll", 100000, "<= 1.0", pixels(8, 0.01)),
        gcanvas_row("find overlapping 100x100, 50 queries, %s" % mixed, "overlapping", 100000,
                    "<= 1.5", harness.same_bytes),
        gcanvas_row("PostScript of %s to a file" % mixed, "postscript", 100000, "<= 1.5",
                    rendered),
        gcanvas_row("drag a -floating item (Tk: move an item), %s" % mixed, "drag", 100000,
                    "<= 0.5", pixels(8, 0.01)),
        gcanvas_row("full redraw, 100,000 polylines", "lines", 100000, "<= 1.5",
                    pixels(8, 0.01)),
        gcanvas_row("full redraw, 100,000 polygons", "polygons", 100000, "<= 1.5",
                    pixels(8, 0.01)),
        gcanvas_row("find closest, 200 queries, 10,000 lines", "closest", 10000,
                    "<= 1.5", harness.same_bytes),
        gcanvas_row("full redraw, object item of 100,000 polylines", "objects", 100000,
                    "<= 1.0", pixels(8, 0.01)),
        # The same glyphs at the same places; their anti-aliased edges
        # differ in shade by up to about 24.
        gcanvas_row("full redraw, 10,000 text items", "text", 10000, "<= 1.5",
                    pixels(32, 0.01)),
        gcanvas_row("full redraw, symbol item of 100,000 ovals", "symbols", 100000,
                    "<= 1.0", pixels(8, 0.01)),
        tulx_row("pan 800x600 of a 5000^2 PGM", "pan", "<= 1.0"),
        tulx_row("zoom x2 into 800x600 of a 5000^2 PGM", "zoom2", "<= 1.0"),
        tulx_row("zoom x1/4 into 800x600 of a 5000^2 PGM", "zoom4", "<= 1.0"),
        tulx_row("first display, 800x600 of a 5000^2 PGM file", "first", "",
                 "Tk photo read -from"),
    ]


def all_rows():
    return (projection_rows() + [copy_over_jpeg_row()] + image_rows() + analysis_rows()
            + display_rows() + canvas_rows())


def main(argv):
    if len(argv) < 2:
        print("usage: rows.py BUILD_DIR [ROW-NAME-PART ...]", file=sys.stderr)
        return 2
    build = os.path.abspath(argv[1])
    rows = all_rows()
    if len(argv) > 2:
        rows = [r for r in rows if any(part in r.operation for part in argv[2:])]
    results = harness.run_rows(rows, build)
    return 0 if all(r["check"].startswith(("ok", "skipped")) for r in results) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
