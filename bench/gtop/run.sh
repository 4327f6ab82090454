#!/bin/bash
# gtop orthorectification (ORTHOR) of a 5000 x 5000 BYTE view with a FLOAT
# DEM of the same size, beside gdalwarp -r near -order 2 of the view to a
# 5000 x 5000 grid from 12 GCPs, one thread each, files on disk.
#   bench/gtop/run.sh BUILD_DIR [SIZE]
# Needs gdal-bin and Debian's python3-numpy (for /usr/bin/python3).
# The work differs: gtop reads the DEM row by row and projects every
# output pixel through the view geometry (a central projection with the
# pixel's height); gdalwarp evaluates a second-order polynomial per pixel
# (no heights). Both read the view at the nearest pixel and write a BYTE
# image of the same size.
set -euo pipefail
build=$(cd "$1" && pwd)
size=${2:-5000}
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
tclsh > /dev/null <<TCL
set ovexAppScripts {}
load $build/libovex.so Ovex
rimage create -file $dir/view.img -imgid BSQ -pixel BYTE -rows $size -columns $size -nbands 1 -mapid GRID
rimage create -file $dir/dem.img -imgid BSQ -pixel FLOAT -rows $size -columns $size -nbands 1 -mapid GRID
TCL
/usr/bin/python3 "$here/make_data.py" "$dir/view.img" "$dir/dem.img" "$dir/view.vrt" "$size"
half=$((size / 2))
tclsh > /dev/null <<TCL
set ovexAppScripts {}
load $build/libovex.so Ovex
set us [lindex [time {rimage gtop -in $dir/view.img -out $dir/ortho.img -dem $dir/dem.img -op ORTHOR -imgid BSQ -pixel BYTE -xc $half -yc [expr {$size + $half}] -zc [expr {$size * 2}] -tx $half -ty $half}] 0]
set f [open $dir/ours.txt w]
puts \$f [format %.3f [expr {\$us / 1e6}]]
close \$f
TCL
ours=$(cat ours.txt)
gcps=""
for gy in 0 0.33 0.67 1; do
  for gx in 0 0.5 1; do
    px=$(echo "$gx * ($size - 1)" | bc -l); py=$(echo "$gy * ($size - 1)" | bc -l)
    ex=$(echo "$px + 3 * $gx * $gy" | bc -l); ey=$(echo "$py * 0.98 + 20 * $gx * $gx" | bc -l)
    gcps="$gcps -gcp $px $py $ex $ey"
  done
done
gdal_translate -q $gcps view.vrt gcps.vrt -of VRT
began=$(date +%s.%N)
gdalwarp -q -r near -order 2 -ts "$size" "$size" -wo NUM_THREADS=1 -of ENVI gcps.vrt warped.raw
ended=$(date +%s.%N)
peer=$(echo "$ended - $began" | bc -l)
printf "%-34s %10s %10s %8s\n" "${size} x ${size} BYTE, DEM FLOAT" "gtop s" "gdalwarp s" "ratio"
printf "%-34s %10s %10.3f %8.2f\n" "ORTHOR / -r near -order 2" "$ours" "$peer" "$(echo "$ours / $peer" | bc -l)"
