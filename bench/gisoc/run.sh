#!/bin/bash
# gisoc beside scipy's kmeans2: 10 clusters over 6 BYTE bands, from the
# same 10 starts, both whole processes reading the file and writing the
# classes: the row of bench/rows.py run through the harness.
#   bench/gisoc/run.sh BUILD_DIR [SIZE]   (SIZE x SIZE pixels, default 2000)
export OVEX_BENCH_GISOC=${2:-2000}
exec "$(dirname "$0")/../run_all.sh" "${1:?usage: run.sh BUILD_DIR [SIZE]}" gisoc
