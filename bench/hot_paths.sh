#!/bin/bash
# The whole-image format, row kernel and FFT rows of bench/rows.py (JPEG
# decode and encode beside djpeg/cjpeg, TIFF write and 3x3 smoothing beside
# vips, nearest resampling beside gdalwarp, FFT beside scipy), run through
# the harness: warm-up, alternating rounds, medians, outputs compared.
#   bench/hot_paths.sh BUILD_DIR
exec "$(dirname "$0")/run_all.sh" "${1:?usage: hot_paths.sh BUILD_DIR}" \
    "JPEG decode" "JPEG encode" "TIFF write" "3x3" "resample" "FFT"
