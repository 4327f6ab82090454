#!/bin/bash
# Runs every benchmark row (bench/rows.py) through the harness and prints one
# table: operation, peer, median seconds of both, ratio (ours / peer), the
# spread of the per-round ratios, the target and the output check.
#   bench/run_all.sh BUILD_DIR [ROW-NAME-PART ...]
# OVEX_BENCH_LINES (1,000,000) and OVEX_BENCH_SIZE (4000) scale the inputs.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run_all.sh BUILD_DIR [ROW-NAME-PART ...]}" && pwd)
shift
# Rows drawing in Tk need a display: one Xvfb for the whole table, so that
# no timed process includes starting it.
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run > /dev/null 2>&1; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" /usr/bin/python3 "$here/rows.py" "$build" "$@"
fi
exec /usr/bin/python3 "$here/rows.py" "$build" "$@"
