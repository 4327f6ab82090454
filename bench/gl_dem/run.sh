#!/usr/bin/env bash
# DEM drawing (glexSolidDem, glexWireDem) beside a plain C GLX program
# drawing the same primitives: the rows of bench/rows.py run through the
# harness under one Xvfb (llvmpipe), both timing their frames in process
# (median seconds per frame), the last frames compared pixel for pixel.
#   bench/gl_dem/run.sh BUILD_DIR [SIZE]
export OVEX_BENCH_DEM=${2:-1025}
exec "$(dirname "$0")/../run_all.sh" "${1:?usage: run.sh BUILD_DIR [SIZE]}" glexSolidDem glexWireDem
