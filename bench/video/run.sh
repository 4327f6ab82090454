#!/usr/bin/env bash
# Plays a 300-frame 640 x 480 MJPEG AVI at a nominal 1000 fps (so pacing
# never waits) through `ddw dshow` in a 640 x 480 widget, beside
# `ffmpeg -threads 1 -i clip.avi -f null -` decoding the same file, and
# prints both wall times and their ratio.
#   bench/video/run.sh BUILD_DIR [rounds]
set -euo pipefail
build=$(cd "${1:?usage: run.sh BUILD_DIR [rounds]}" && pwd)
rounds=${2:-3}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clip=$work/clip.avi
ffmpeg -v error -f lavfi -i testsrc=size=640x480:rate=1000 -frames:v 300 \
  -c:v mjpeg -q:v 3 -pix_fmt yuvj420p "$clip"

best_peer=
best_ours=
for ((i = 0; i < rounds; i++)); do
  start=$(date +%s.%N)
  ffmpeg -v error -threads 1 -i "$clip" -f null -
  end=$(date +%s.%N)
  peer=$(echo "$end - $start" | bc -l)
  ours=$(OVEX_LIB="$build/libovex.so" xvfb-run -a -s "-screen 0 1024x768x24" \
    wish "$here/dshow.tcl" "$clip")
  echo "round $((i + 1)): ffmpeg $(printf %.3f "$peer") s, ddw dshow $ours s"
  if [ -z "$best_peer" ] || (( $(echo "$peer < $best_peer" | bc -l) )); then best_peer=$peer; fi
  if [ -z "$best_ours" ] || (( $(echo "$ours < $best_ours" | bc -l) )); then best_ours=$ours; fi
done
printf 'best: ffmpeg -threads 1 %.3f s, ddw dshow %.3f s, ratio %.2f\n' \
  "$best_peer" "$best_ours" "$(echo "$best_ours / $best_peer" | bc -l)"
