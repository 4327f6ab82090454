#!/bin/bash
# Rectifying a 1280 x 1024, 3-band frame-camera image onto a 2000 x 1600 map
# grid at 0.5 m, bilinear, beside gdalwarp -r bilinear on the same image as
# a GeoTIFF: the row of bench/rows.py run through the harness, pixels
# compared first. The camera (f 10, pixel 0.01, height 1000, centre 1000
# 2000) sees image pixel (c, r) at ground (360.5 + c, 2511.5 - r).
#   bench/camera_rectify/run.sh BUILD_DIR
exec "$(dirname "$0")/../run_all.sh" "${1:?usage: run.sh BUILD_DIR}" "camera rectify"
