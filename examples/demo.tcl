# demo.tcl -- an analyst's workflow with Ovex.
#
#   tclsh examples/demo.tcl ?buildDir?
#
# Opens the bundled multispectral scene (examples/data/sample.img, made by
# examples/make_sample.py) and runs a small job on it: attributes and band
# statistics, a window of the scene, NDVI with rimage calc, a supervised
# classification (gstat + classify), a hillshade of the bundled DEM
# (examples/data/dem.img) with gdem, and a resample to 60 m pixels. Every
# result is a GeoTIFF in BUILDDIR/demo-output that gdalinfo reads with its
# origin, pixel size and EPSG code; the classification and the hillshade are
# also written as colour pictures (classes.ppm, classes.jpg, hillshade.jpg).

set here [file dirname [file normalize [info script]]]
set buildDir [file normalize [expr {$argc > 0 ? [lindex $argv 0] : [file join $here .. build]}]]
set auto_path [linsert $auto_path 0 $buildDir]
puts "Ovex [package require Ovex]"

proc attributes {tag} {
    set out {}
    foreach option {-imgid -pixel -nbands -rows -columns -mapid -x0 -y0 -dx -dy} {
        lappend out "[string range $option 1 end]=[rimage cget $tag $option]"
    }
    return [join $out " "]
}

proc bandStats {tag} {
    set lines {}
    set band 1
    foreach stats [rimage hist -imgid $tag -list stats] {
        lassign $stats std mean min max
        lappend lines [format "  band %d: mean %8.3f  std %7.3f  min %8.3f  max %8.3f" \
            $band $mean $std $min $max]
        incr band
    }
    return [join $lines \n]
}

# A GeoTIFF result: reopened to show what another program will read.
proc report {file} {
    set t [rimage open $file]
    puts [format "%-14s %s" [file tail $file] [attributes $t]]
    puts [bandStats $t]
    rimage close $t
}

set work [file join $buildDir demo-output]
file mkdir $work
foreach old [glob -nocomplain -directory $work *] {file delete $old}
proc out {name} {file join $::work $name}

# 1. The scene: 4 bands (blue, green, red, near infrared), 30 m pixels.
set scene [rimage open [file join $here data sample.img]]
puts "\nScene $scene: [rimage cget $scene -imgdes]"
puts "  [attributes $scene]"
puts [bandStats $scene]

# 2. A window of 64 x 48 pixels from column 60, row 20, in memory. Map y
#    falls as the row grows, so the window's top edge is y0 - 20 dy.
set dx [rimage cget $scene -dx]
set dy [rimage cget $scene -dy]
set x0 [expr {[rimage cget $scene -x0] + 60 * $dx}]
set y0 [expr {[rimage cget $scene -y0] - 20 * $dy}]
set window [rimage open window MBSQ -nbands 4 -rows 48 -columns 64 -pixel BYTE \
    -mapid [rimage cget $scene -mapid] -x0 $x0 -y0 $y0 -dx $dx -dy $dy]
rimage copy -in $scene -out $window -ic 60 -ir 20
# Memory images are written with copy (save refuses them).
rimage copy -in $window -out [out window.tif] -imgid GEOTIFF

# 3. NDVI = (nir - red) / (nir + red) into a float GeoTIFF.
rimage copy -in $scene -out [out ndvi.tif] -imgid GEOTIFF -pixel FLOAT -nbands 1 -b 1:1
rimage calc -in $scene -out [out ndvi.tif] -f NRATIO -b 4,3 -ob 1

# 4. Supervised classification: class statistics from four training
#    areas, then the most likely class of every pixel.
set features [out classes.ftr]
foreach {name sr sc} {water 55 25 fieldA 20 80 fieldB 62 85 land 5 5} {
    rimage gstat -in $scene -out $features -stat $name -sr $sr -sc $sc -r 8 -c 8
}
rimage copy -in $scene -out [out classes.tif] -imgid GEOTIFF -nbands 1 -b 1:1
rimage classify -in $scene -out [out classes.tif] -stat $features -o P

# 5. Hillshade of the DEM, light from the north-west.
set dem [rimage open [file join $here data dem.img]]
rimage copy -in $dem -out [out hillshade.tif] -imgid GEOTIFF -pixel BYTE
rimage gdem -dem $dem -shade [out hillshade.tif] -az 315 -va 45 -u 1 \
    -dx [rimage cget $dem -dx] -dy [rimage cget $dem -dy]

# 6. The scene resampled to 60 m pixels over the same ground (bilinear).
rimage open coarse MBSQ -nbands 4 -rows 48 -columns 64 -pixel BYTE \
    -mapid [rimage cget $scene -mapid] -x0 [rimage cget $scene -x0] \
    -y0 [rimage cget $scene -y0] -dx [expr {2 * $dx}] -dy [expr {2 * $dy}]
rimage resample -in $scene -out coarse -rsp BI
rimage copy -in coarse -out [out resampled.tif] -imgid GEOTIFF

puts ""
foreach name {window.tif ndvi.tif classes.tif hillshade.tif resampled.tif} {
    report [out $name]
}

# 7. Pictures to look at: the classes (0 water, 1 and 2 the fields, 3 other
#    land) in colour, the hillshade in grey.
set colours {{30 90 200} {230 200 40} {150 200 60} {40 130 40}}
rimage open picture MBSQ -nbands 3 -rows 96 -columns 128 -pixel BYTE
set classes [rimage open [out classes.tif]]
rimage bind -file [out classes.tif] -obj cls
rimage bind -file picture -obj pic
for {set r 0} {$r < 96} {incr r} {
    for {set c 0} {$c < 128} {incr c} {
        set k [expr {int([cls vget $c $r])}]
        set rgb [expr {$k >= 0 && $k <= 3 ? [lindex $colours $k] : {0 0 0}}]
        pic vset $c $r $rgb
    }
}
cls unbind
pic unbind
rimage copy -in picture -out [out classes.ppm] -imgid PPM
rimage copy -in picture -out [out classes.jpg] -imgid JPEG
rimage copy -in [out hillshade.tif] -out [out hillshade.jpg] -imgid JPEG

rimage close $classes
rimage close picture
rimage close coarse
rimage close $dem
rimage close $window
rimage close $scene
puts "\nFiles written to $work"
