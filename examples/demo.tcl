# demo.tcl -- a small image workflow with Ovex.
#
#   tclsh examples/demo.tcl ?buildDir?
#
# Opens the bundled multispectral scene (examples/data/sample.img, made by
# examples/make_sample.py), prints its attributes and band statistics, copies
# a window of it into a new image, writes that window as BMP, GIF, JPEG,
# PPM, ERDAS .lan and GeoTIFF into BUILDDIR/demo-output, and reopens each
# file to show what was read.

set here [file dirname [file normalize [info script]]]
set buildDir [file normalize [expr {$argc > 0 ? [lindex $argv 0] : [file join $here .. build]}]]
set auto_path [linsert $auto_path 0 $buildDir]
puts "Ovex [package require Ovex]"

# Program messages come through the console; keep the demo's output tidy.
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
        lappend lines [format "  band %d: mean %7.2f  std %6.2f  min %3.0f  max %3.0f" \
            $band $mean $std $min $max]
        incr band
    }
    return [join $lines \n]
}

set work [file join $buildDir demo-output]
file mkdir $work

# 1. The scene.
set scene [rimage open [file join $here data sample.img]]
puts "\nScene $scene: [rimage cget $scene -imgdes]"
puts "  [attributes $scene]"
puts [bandStats $scene]

# 2. A window of it: 64 x 48 pixels from column 60, row 20, all four bands,
#    into an image held in memory, georeferenced at the window's corner.
set x0 [expr {[rimage cget $scene -x0] + 60 * [rimage cget $scene -dx]}]
set y0 [expr {[rimage cget $scene -y0] + 20 * [rimage cget $scene -dy]}]
set window [rimage open window MBSQ -nbands 4 -rows 48 -columns 64 -pixel BYTE \
    -mapid [rimage cget $scene -mapid] -x0 $x0 -y0 $y0 \
    -dx [rimage cget $scene -dx] -dy [rimage cget $scene -dy]]
rimage copy -in $scene -out $window -ic 60 -ir 20
puts "\nWindow $window: [attributes $window]"
puts [bandStats $window]

# 3. The window in other formats. Colour formats take red, green, blue from
#    bands 3, 2, 1 (a BMP stores blue first: its band 1 is blue).
set outputs {
    window.bmp  DIB     3 {1:1;2:2;3:3}
    window.gif  GIF89a  1 {4:1}
    window.jpg  JPEG    3 {3:1;2:2;1:3}
    window.ppm  PPM     3 {3:1;2:2;1:3}
    window.lan  E74     4 {1:1;2:2;3:3;4:4}
    window.tif  GEOTIFF 3 {3:1;2:2;1:3}
}
puts ""
foreach {name imgid nbands bands} $outputs {
    set file [file join $work $name]
    file delete $file
    rimage copy -in $window -out $file -imgid $imgid -nbands $nbands -b $bands
    set copy [rimage open $file]
    puts [format "%-11s %s" $name [attributes $copy]]
    puts [bandStats $copy]
    rimage close $copy
}

rimage close $window
rimage close $scene
puts "\nFiles written to $work"
