#!/bin/bash
# Rectifying a 1280 x 1024, 3-band BYTE frame-camera image (nadir, flat
# ground, 1 m pixels) onto a 2000 x 1600 map grid at 0.5 m, bilinear, with
# the camera command, beside gdalwarp -r bilinear on the same image as a
# GeoTIFF with the equivalent affine georeference. One thread each, files
# on disk, both timed in this run.
#   bench/camera_rectify/run.sh BUILD_DIR
# Needs gdal-bin.
#
# The camera (f 10, pixel 0.01, height 1000, centre 1000 2000) sees image
# pixel (c, r) at ground (360.5 + c, 2511.5 - r): the GeoTIFF's corner is
# (360, 2512) with 1 m pixels. Our map pixel (c, r) is sampled at
# (500 + c/2, 2300 - r/2); gdalwarp samples pixel centres, so its extent
# starts a quarter metre before.
set -euo pipefail
build=$(cd "$1" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"

tclsh > /dev/null <<TCL
set ovexAppScripts {}
load $build/libovex.so Ovex
rimage create -file $dir/cam.img -imgid BSQ -pixel BYTE -rows 1024 -columns 1280 -nbands 3 -mapid GRID
rimage create -file $dir/map.img -imgid BSQ -pixel BYTE -rows 1600 -columns 2000 -nbands 3 \
    -mapid GRID -x0 500 -y0 2300 -dx 0.5 -dy 0.5
TCL

# Pixels: smooth ramps with a checker, different per band.
tclsh <<TCL
set f [open $dir/cam.img r+b]
binary scan [read \$f 64] x32i offset
seek \$f \$offset
for {set b 0} {\$b < 3} {incr b} {
    for {set r 0} {\$r < 1024} {incr r} {
        set row {}
        for {set c 0} {\$c < 1280} {incr c} {
            lappend row [expr {(\$c / 5 + \$r / 4 + 60 * \$b + ((\$c / 32 + \$r / 32) % 2) * 40) & 255}]
        }
        puts -nonewline \$f [binary format c* \$row]
    }
}
close \$f
set v [open $dir/cam.vrt w]
puts \$v "<VRTDataset rasterXSize=\"1280\" rasterYSize=\"1024\">"
puts \$v "  <GeoTransform>360, 1, 0, 2512, 0, -1</GeoTransform>"
for {set b 0} {\$b < 3} {incr b} {
    puts \$v "  <VRTRasterBand dataType=\"Byte\" band=\"[expr {\$b + 1}]\" subClass=\"VRTRawRasterBand\">"
    puts \$v "    <SourceFilename relativeToVRT=\"0\">$dir/cam.img</SourceFilename>"
    puts \$v "    <ImageOffset>[expr {\$offset + \$b * 1280 * 1024}]</ImageOffset>"
    puts \$v "    <PixelOffset>1</PixelOffset><LineOffset>1280</LineOffset>"
    puts \$v "  </VRTRasterBand>"
}
puts \$v "</VRTDataset>"
close \$v
TCL
gdal_translate -q -of GTiff cam.vrt cam.tif

tclsh > /dev/null <<TCL
set ovexAppScripts {}
load $build/libovex.so Ovex
camera.create cam -f 10 -dx 0.01 -dy 0.01 -xc 639.5 -yc 511.5 -z 1000 -x 1000 -y 2000 -resamplemode 1
set us [lindex [time {cam rectify $dir/cam.img $dir/map.img}] 0]
set f [open $dir/ours.txt w]
puts \$f [format %.3f [expr {\$us / 1e6}]]
close \$f
TCL
ours=$(cat ours.txt)

began=$(date +%s.%N)
gdalwarp -q -r bilinear -te 499.75 1500.25 1499.75 2300.25 -ts 2000 1600 \
    -wo NUM_THREADS=1 -of GTiff cam.tif warped.tif
ended=$(date +%s.%N)
peer=$(echo "$ended - $began" | bc -l)

# The two results side by side: band means (they agree to rounding).
offset=$(tclsh <<'TCL'
set f [open map.img rb]
binary scan [read $f 64] x32i offset
close $f
puts $offset
TCL
)
cat > map.vrt <<VRT
<VRTDataset rasterXSize="2000" rasterYSize="1600">
  <VRTRasterBand dataType="Byte" band="1" subClass="VRTRawRasterBand">
    <SourceFilename relativeToVRT="0">$dir/map.img</SourceFilename>
    <ImageOffset>$offset</ImageOffset><PixelOffset>1</PixelOffset><LineOffset>2000</LineOffset>
  </VRTRasterBand>
</VRTDataset>
VRT
oursMean=$(gdalinfo -stats map.vrt 2>/dev/null | sed -n 's/.*STATISTICS_MEAN=//p' | head -1 || true)
peerMean=$(gdalinfo -stats warped.tif 2>/dev/null | sed -n 's/.*STATISTICS_MEAN=//p' | head -1 || true)

printf "%-44s %10s %12s %8s\n" "1280x1024x3 BYTE -> 2000x1600 at 0.5 m" "rectify s" "gdalwarp s" "ratio"
printf "%-44s %10s %12.3f %8.2f\n" "bilinear, nadir, flat ground" "$ours" "$peer" "$(echo "$ours / $peer" | bc -l)"
printf "band 1 mean: ours %s, gdalwarp %s\n" "$oursMean" "$peerMean"
