#!/bin/bash
# Reprojecting a shapefile of 1,000,000 points from UTM zone 32 to
# geographic degrees (shape objects beside ogr2ogr): the row of
# bench/rows.py run through the harness, points compared first.
#   bench/shape_reproject/run.sh BUILD_DIR [RECORDS]   (10 points a record)
export OVEX_BENCH_RECORDS=${2:-100000}
exec "$(dirname "$0")/../run_all.sh" "${1:?usage: run.sh BUILD_DIR [RECORDS]}" shapefile
