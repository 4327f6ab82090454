#!/bin/bash
# Reprojecting a shapefile of 1,000,000 points from UTM zone 32 to
# geographic degrees: shape objects beside ogr2ogr, same file, same run.
#   bench/shape_reproject/run.sh BUILD_DIR [RECORDS]
# Ours: shape.create, projdef, projection inverse and save. Peer:
# ogr2ogr -s_srs ... -t_srs ... out.shp big.shp. Each is run three times;
# the best time counts.
set -euo pipefail
build=$(cd "$1" && pwd)
records=${2:-100000}
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
/usr/bin/python3 "$here/make_data.py" "$dir" "$records"

ours=$(tclsh <<TCL
set ovexAppScripts {}
load $build/libovex.so Ovex
set best 1e9
foreach run {1 2 3} {
    file delete -force out.shp out.shx
    set us [lindex [time {
        shape.create s -file big.shp
        s projdef {proj=utm zone=32 ellps=WGS84}
        s projection inverse
        s save out.shp
        rename s {}
    }] 0]
    set best [expr {min(\$best, \$us / 1e6)}]
}
puts [format %.3f \$best]
TCL
)

times=""
for run in 1 2 3; do
    rm -rf peer && mkdir peer
    start=$(date +%s.%N)
    ogr2ogr -s_srs "+proj=utm +zone=32 +ellps=WGS84" -t_srs "+proj=longlat +ellps=WGS84" \
        peer/out.shp big.shp
    end=$(date +%s.%N)
    times="$times $(echo "$end - $start" | bc -l)"
done
peer=$(echo $times | tr ' ' '\n' | sort -g | head -1)

# Both wrote the same points (to 1e-9 degrees): compare a sample.
/usr/bin/python3 - "$dir" <<'PY'
import struct, sys, os
d = sys.argv[1]
a = open(os.path.join(d, "out.shp"), "rb").read()
b = open(os.path.join(d, "peer", "out.shp"), "rb").read()
assert len(a) == len(b), (len(a), len(b))
worst = 0.0
for off in range(100 + 8 + 48, len(a), 216 * 997):
    x1, y1 = struct.unpack_from("<2d", a, off)
    x2, y2 = struct.unpack_from("<2d", b, off)
    worst = max(worst, abs(x1 - x2), abs(y1 - y2))
print("largest difference in a sample of points: %.3g degrees" % worst, file=sys.stderr)
PY

printf "%-40s %10s %10s %8s\n" "$((records * 10)) points, UTM 32 to degrees" "ours s" "ogr2ogr s" "ratio"
printf "%-40s %10.3f %10.3f %8.2f\n" "read, reproject, write" "$ours" "$peer" \
    "$(echo "$ours / $peer" | bc -l)"
