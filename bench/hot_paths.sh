#!/bin/bash
# The whole-image format, row kernel and FFT rows measured beside the tool a
# user would otherwise run, in one run, whole processes file to file, median
# of ROUNDS rounds each (default 7):
#
#   bench/hot_paths.sh BUILD_DIR [FOLDER]
#
# Prints per row: ovex seconds, peer seconds, ovex/peer and the target
# ratio, and ovex's peak memory (max RSS) where the row has a memory target.
# A missing peer skips its row with a message. Peers: djpeg/cjpeg
# (libjpeg-turbo-progs), vips (libvips-tools, one thread), gdalwarp
# (gdal-bin), python3 with scipy (python3-scipy, one worker, in memory).
set -u
build=$(cd "${1:?usage: hot_paths.sh BUILD_DIR [FOLDER]}" && pwd)
folder=${2:-/tmp}
rounds=${ROUNDS:-7}
work=$(mktemp -d "$folder/ovex-hot-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
export VIPS_CONCURRENCY=1
PY=/usr/bin/python3

# A tclsh script of ours: loads the library, then runs the words given.
cat > run.tcl <<EOF
set ovexAppScripts {}
load [file join $build libovex.so] Ovex
eval [lindex \$argv 0]
EOF

# median SECONDS of a command line run $rounds times (after one warm-up).
median() {
    local times=() t
    bash -c "$1" > /dev/null 2>&1
    for ((i = 0; i < rounds; i++)); do
        /usr/bin/time -o "$work/time.txt" -f %e bash -c "$1" > /dev/null 2>&1
        t=$(tail -1 "$work/time.txt")
        times+=("$t")
    done
    printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}

# peak resident megabytes of one run of a command line.
peak() {
    /usr/bin/time -o "$work/time.txt" -f %M bash -c "$1" > /dev/null 2>&1
    awk '{printf "%.0f", $1 / 1024}' "$work/time.txt"
}

have() { command -v "$1" > /dev/null 2>&1; }

row() {   # name target ovexCommand peerCommand [memory]
    local name=$1 target=$2 ours=$3 theirs=$4 memory=${5:-}
    local a b
    a=$(median "$ours")
    b=$(median "$theirs")
    local mem=""
    if [ -n "$memory" ]; then mem="$(peak "$ours") MB"; fi
    awk -v n="$name" -v a="$a" -v b="$b" -v t="$target" -v m="$mem" 'BEGIN {
        r = (b > 0) ? a / b : 0
        printf "%-44s %8.3f %8.3f %7.2fx  (target %s) %s\n", n, a, b, r, t, m }'
}

ovex() { echo "tclsh $work/run.tcl '$1'"; }

# ---- inputs: a smooth 5000 x 5000 RGB picture, its JPEG, a 4096^2 band ----
$PY - <<'EOF' || exit 1
w = h = 5000
with open("in.ppm", "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (w, h))
    base = bytes(((x * 3) ^ (x >> 3)) & 255 for x in range(3 * w + 512))
    for y in range(h):
        s = (y * 7) % 509
        f.write(base[s:s + 3 * w])
n = 4096
with open("band.pgm", "wb") as f:
    f.write(b"P5\n%d %d\n255\n" % (n, n))
    base = bytes((x * 5 + (x >> 4)) & 255 for x in range(n + 512))
    for y in range(n):
        s = (y * 3) % 509
        f.write(base[s:s + n])
EOF
if have cjpeg; then cjpeg -quality 90 -outfile in.jpg in.ppm; else
    tclsh run.tcl "rimage copy -in in.ppm -out in.jpg -imgid JPEG -cmp 90"; fi
printf '%-44s %8s %8s %8s\n' "row (5000 x 5000 RGB unless said)" "ovex s" "peer s" "ratio"

if have djpeg; then
    row "JPEG decode to a PPM (copy) / djpeg" "<= 1.3" \
        "rm -f o.ppm; $(ovex 'rimage copy -in in.jpg -out o.ppm -imgid PPM')" \
        "djpeg -pnm -outfile p.ppm in.jpg" memory
    row "JPEG decode, all rows read / djpeg >null" "<= 1.3" \
        "$(ovex 'rimage open in.jpg; rimage hist -imgid in.jpg -list stats')" \
        "djpeg -pnm in.jpg > /dev/null" memory
else
    echo "JPEG decode rows: skipped, djpeg not installed (libjpeg-turbo-progs)"
fi
if have cjpeg; then
    row "JPEG encode q90 from a PPM / cjpeg" "<= 1.3" \
        "rm -f o.jpg; $(ovex 'rimage copy -in in.ppm -out o.jpg -imgid JPEG -cmp 90')" \
        "cjpeg -quality 90 -outfile p.jpg in.ppm" memory
else
    echo "JPEG encode: skipped, cjpeg not installed (libjpeg-turbo-progs)"
fi
if have vips; then
    row "TIFF write / vips copy (1 thread)" "<= 1.0" \
        "rm -f o.tif; $(ovex 'rimage copy -in in.ppm -out o.tif -imgid TIFF')" \
        "vips copy in.ppm p.tif" memory
    printf '3 3 1\n1 2 1\n2 4 2\n1 2 1\n' > mask.txt
    row "3x3 2-D convolution (gconv) / vips conv int" "<= 1.0" \
        "rm -f o.bmp; $(ovex 'rimage gconv -in in.ppm -out o.bmp -kn {@2D 3 3 1 2 1 2 4 2 1 2 1}')" \
        "vips conv in.ppm p.v mask.txt --precision integer"
else
    echo "TIFF write, gconv: skipped, vips not installed (libvips-tools)"
fi
if have gdalwarp && have gdal_translate; then
    gdal_translate -q -a_srs EPSG:32633 -a_ullr 0 5000 5000 0 in.ppm geo.tif
    tclsh run.tcl 'rimage copy -in in.ppm -out g.bip -imgid BIP'
    row "resample to 0.8 px, nearest / gdalwarp" "<= 0.7" \
        "rm -f o.bip; $(ovex 'rimage create -imgid BIP -file o.bip -rows 6250 -columns 6250 -nbands 3 -x0 0 -y0 0 -dx 0.8 -dy 0.8; rimage resample -in g.bip -out o.bip -rsp NN')" \
        "rm -f p.tif; gdalwarp -q -tr 0.8 0.8 -r near geo.tif p.tif"
else
    echo "resample: skipped, gdalwarp not installed (gdal-bin)"
fi
if $PY -c 'import scipy.fft' 2> /dev/null; then
    cat > fft.py <<'EOF'
import sys, time, numpy, scipy.fft
with open("band.pgm", "rb") as f:
    data = f.read()
a = numpy.frombuffer(data[-4096 * 4096:], dtype=numpy.uint8).reshape(4096, 4096)
a = a.astype(numpy.complex64)
best = []
for i in range(3):
    t = time.perf_counter()
    scipy.fft.fft2(a, workers=1)
    best.append(time.perf_counter() - t)
print(sorted(best)[1])
EOF
    ours=$(median "rm -f o.fft; $(ovex 'rimage gfftrans -in band.pgm -out o.fft -op XYRI')")
    theirs=$(env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE $PY fft.py)
    awk -v a="$ours" -v b="$theirs" 'BEGIN {
        printf "%-44s %8.3f %8.3f %7.2fx  (target <= 3)\n",
            "FFT 4096^2 file to file / scipy.fft in RAM", a, b, a / b }'
else
    echo "FFT: skipped, python3 scipy not installed (python3-scipy)"
fi
