#!/bin/sh
# Runs the composite-widget build benchmark under Xvfb.
#   bench/comb_build/run.sh BUILD_DIR
build=${1:-build}
exec xvfb-run -a -s "-screen 0 1024x768x24" wish "$(dirname "$0")/comb_build.tcl" "$build"
