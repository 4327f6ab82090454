#!/bin/bash
# gisoc beside scipy's kmeans2: 10 clusters over 6 BYTE bands of 4000 x
# 4000 pixels, 5 iterations from the same 10 starts, one thread each.
#   bench/gisoc/run.sh BUILD_DIR [ROWS COLUMNS]
# Needs Debian's python3-numpy and python3-scipy (for /usr/bin/python3).
# gisoc: standard deviations of the bands (one pass), 5 passes over every
# pixel (-sk 1 -nr 5 -cv 0) and the final pass that writes the class band,
# streaming the file through the row cache. kmeans2: 5 iterations over the
# pixels held in memory as doubles (the load is not timed), with the
# OpenBLAS overrides of this machine unset and one thread.
set -euo pipefail
build=$(cd "$1" && pwd)
rows=${2:-4000}
columns=${3:-4000}
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
tclsh <<TCL
set ovexAppScripts {}
load $build/libovex.so Ovex
rimage create -file $dir/pixels.img -imgid BSQ -pixel BYTE -rows $rows -columns $columns -nbands 6
TCL
/usr/bin/python3 "$here/make_data.py" pixels.img start.ftr "$rows" "$columns"
tclsh > /dev/null <<TCL
set ovexAppScripts {}
load $build/libovex.so Ovex
set t [rimage open $dir/pixels.img]
set us [lindex [time {rimage gisoc -in \$t -out $dir/classes.img -imgid BSQ -f $dir/start.ftr -nc 10 -sk 1 -nr 5 -cv 0}] 0]
set f [open $dir/ours.txt w]
puts \$f [format %.3f [expr {\$us / 1e6}]]
close \$f
TCL
ours=$(cat ours.txt)
peer=$(env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE OPENBLAS_NUM_THREADS=1 OMP_NUM_THREADS=1 /usr/bin/python3 "$here/kmeans_peer.py" pixels.img start.ftr "$rows" "$columns")
printf "%-34s %10s %10s %8s\n" "${rows} x ${columns} x 6, 10 clusters" "gisoc s" "kmeans2 s" "ratio"
printf "%-34s %10s %10s %8.2f\n" "5 iterations" "$ours" "$peer" "$(echo "$ours / $peer" | bc -l)"
