#!/usr/bin/env bash
# DEM drawing beside a plain C GLX program, in one Xvfb/llvmpipe run:
#   bench/gl_dem/run.sh BUILD_DIR [SIZE] [FRAMES]
# prints the milliseconds per frame of both and their ratio, for the
# solid and the wire surface.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
size=${2:-1025}
frames=${3:-5}
here=$(cd "$(dirname "$0")" && pwd)
peer=$build/bench/ovex_bench_gl_dem_peer
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$peer" make "$work/dem.f32" "$size" "$size"
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$work}
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  for mode in solid wire; do
    ours=$(wish "'"$here"'/gl_dem.tcl" "'"$build"'/libovex.so" $mode "'"$work"'/dem.f32" '"$size $size $frames"')
    theirs=$("'"$peer"'" $mode "'"$work"'/dem.f32" '"$size $size $frames"')
    echo "$mode '"$size"'x'"$size"': ovex $ours ms, C peer $theirs ms, ratio $(awk -v a=$ours -v b=$theirs "BEGIN {printf \"%.2f\", a / b}")"
  done'
