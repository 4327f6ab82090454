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
exec /usr/bin/python3 "$here/rows.py" "$build" "$@"
