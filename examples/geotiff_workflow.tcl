# geotiff_workflow.tcl -- the analyst's chain on any 4-band GeoTIFF.
#
#   tclsh examples/geotiff_workflow.tcl INPUT.tif OUTDIR ?buildDir?
#
# INPUT holds blue, green, red and near infrared (any integer or float
# pixel type, e.g. a UInt16 file from gdal_translate). Writes into OUTDIR:
# ndvi.tif (float NDVI), classes.tif (supervised classification from four
# training windows spread over the image), hillshade.tif (the near-infrared
# band shaded as a surface) and prints one line per file. Every output
# keeps the input's map, origin and pixel size.

lassign $argv input outDir buildDir
if {$input eq "" || $outDir eq ""} {
    puts stderr "usage: tclsh geotiff_workflow.tcl INPUT.tif OUTDIR ?buildDir?"
    exit 2
}
set here [file dirname [file normalize [info script]]]
if {$buildDir eq ""} {set buildDir [file join $here .. build]}
set auto_path [linsert $auto_path 0 [file normalize $buildDir]]
package require Ovex
file mkdir $outDir
proc out {name} {
    set file [file join $::outDir $name]
    file delete $file
    return $file
}

set scene [rimage open $input]
set rows [rimage cget $scene -rows]
set columns [rimage cget $scene -columns]
puts "input: [rimage cget $scene -pixel] $columns x $rows x [rimage cget $scene -nbands]\
 [rimage cget $scene -mapid] x0=[rimage cget $scene -x0] y0=[rimage cget $scene -y0]\
 dx=[rimage cget $scene -dx] dy=[rimage cget $scene -dy]"
set stats [rimage hist -imgid $scene -list stats]
puts "statistics: $stats"

# NDVI = (nir - red) / (nir + red).
set ndvi [out ndvi.tif]
rimage copy -in $scene -out $ndvi -imgid GEOTIFF -pixel FLOAT -nbands 1 -b 1:1 -u 0
rimage calc -in $scene -out $ndvi -f NRATIO -b 4,3 -ob 1

# Four training windows, one in each quarter of the image.
set features [out classes.ftr]
set size [expr {max(4, min($rows, $columns) / 20)}]
set k 0
foreach {fr fc} {0.25 0.25 0.25 0.75 0.75 0.25 0.75 0.75} {
    rimage gstat -in $scene -out $features -stat class[incr k] \
        -sr [expr {int($fr * $rows)}] -sc [expr {int($fc * $columns)}] -r $size -c $size
}
set classes [out classes.tif]
rimage copy -in $scene -out $classes -imgid GEOTIFF -pixel BYTE -nbands 1 -b 1:1 -u 0
rimage classify -in $scene -out $classes -stat $features -o E

# The near-infrared band shaded as a surface.
set shade [out hillshade.tif]
rimage copy -in $scene -out $shade -imgid GEOTIFF -pixel BYTE -nbands 1 -b 1:1 -u 0
rimage gdem -dem $scene -shade $shade -b 4:1 -az 315 -va 45 -u 1 \
    -dx [rimage cget $scene -dx] -dy [rimage cget $scene -dy]

rimage close $scene
file delete $features
foreach file [list $ndvi $classes $shade] {
    set t [rimage open $file]
    puts "[file tail $file]: [rimage cget $t -pixel] [rimage cget $t -columns] x [rimage cget $t -rows]\
 [rimage cget $t -mapid] x0=[rimage cget $t -x0] y0=[rimage cget $t -y0]\
 dx=[rimage cget $t -dx] dy=[rimage cget $t -dy]"
    rimage close $t
}
