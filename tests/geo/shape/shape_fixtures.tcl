# Small shapefiles written byte by byte, and what GDAL reads from files.

# Debian's interpreter carries the GDAL binding (osgeo).
set ::gdalPython [expr {[file executable /usr/bin/python3] ? "/usr/bin/python3" : "python3"}]

# Content of a record with parts (types 3, 5 and their Z/M forms without
# the Z/M blocks): type, box, counts, first-point indices, points.
proc shpPartsContent {type starts points} {
    set xs {}; set ys {}
    foreach {x y} $points {lappend xs $x; lappend ys $y}
    set box [list [tcl::mathfunc::min {*}$xs] [tcl::mathfunc::min {*}$ys] \
                 [tcl::mathfunc::max {*}$xs] [tcl::mathfunc::max {*}$ys]]
    binary format iq4iii*q* $type $box [llength $starts] [expr {[llength $points] / 2}] \
        $starts $points
}

proc shpPointContent {x y} {binary format iqq 1 $x $y}

# Writes path (.shp) and its index from record contents. Options change
# what is written: -numbers (record numbers), -length (header's file
# length in words), -index 0 (no index), -indexLengths (content lengths in
# the index), -cut N (main file cut to N bytes).
proc writeShp {path type contents args} {
    array set o {-numbers {} -length {} -index 1 -indexLengths {} -cut {}}
    array set o $args
    set body {}
    set entries {}
    set offset 50
    set i 0
    foreach c $contents {
        set words [expr {[string length $c] / 2}]
        set number [expr {[llength $o(-numbers)] ? [lindex $o(-numbers) $i] : $i + 1}]
        append body [binary format II $number $words] $c
        set il [expr {[llength $o(-indexLengths)] ? [lindex $o(-indexLengths) $i] : $words}]
        append entries [binary format II $offset $il]
        incr offset [expr {$words + 4}]
        incr i
    }
    set length [expr {$o(-length) ne "" ? $o(-length) : 50 + [string length $body] / 2}]
    set head [binary format Ix20Iiiq8 9994 $length 1000 $type {0 0 0 0 0 0 0 0}]
    set data $head$body
    if {$o(-cut) ne ""} {set data [string range $data 0 [expr {$o(-cut) - 1}]]}
    set f [open $path wb]; puts -nonewline $f $data; close $f
    set shx [string range $path 0 end-1]x
    file delete $shx
    if {$o(-index)} {
        set ilength [expr {50 + 4 * [llength $contents]}]
        set f [open $shx wb]
        puts -nonewline $f [binary format Ix20Iiiq8 9994 $ilength 1000 $type {0 0 0 0 0 0 0 0}]$entries
        close $f
    }
    return $path
}

proc readBytes {path} {
    set f [open $path rb]; set d [read $f]; close $f; return $d
}

# What GDAL's Python binding reads: feature count, extent, WKT per feature.
proc gdalRead {path} {
    set script {
import sys
from osgeo import ogr
ds = ogr.Open(sys.argv[1])
layer = ds.GetLayer(0)
print(layer.GetFeatureCount())
print(" ".join("%.12g" % v for v in layer.GetExtent()))
for f in layer:
    g = f.GetGeometryRef()
    print(g.ExportToIsoWkt() if g is not None else "EMPTY")
}
    string trimright [exec $::gdalPython -c $script $path 2>@1]
}

# A shapefile that ogr2ogr writes from WKT lines (one geometry each).
proc ogrWrite {path wkts args} {
    set csv [file rootname $path].csv
    set f [open $csv w]
    puts $f "id,WKT"
    set i 0
    foreach w $wkts {puts $f "[incr i],\"$w\""}
    close $f
    exec ogr2ogr -f "ESRI Shapefile" {*}$args $path $csv -oo GEOM_POSSIBLE_NAMES=WKT \
        -oo KEEP_GEOM_COLUMNS=NO 2>@1
    return $path
}

set ::shapeTestLib [file normalize $::ovexLib]

# Runs script in a child tclsh with the library loaded; stdout and stderr.
proc childRun {script} {
    set file [file join [ovexTempDir] child[clock clicks].tcl]
    set f [open $file w]
    puts $f "set ::ovexAppScripts {}; load [list $::shapeTestLib] Ovex; cd [list [pwd]]"
    puts $f $script
    close $f
    exec [info nameofexecutable] $file 2>@1
}

# Every point of every feature at full precision, as GDAL reads it.
proc gdalPoints {path} {
    set script {
import sys
from osgeo import ogr
ds = ogr.Open(sys.argv[1])
layer = ds.GetLayer(0)
for f in layer:
    g = f.GetGeometryRef()
    parts = [g.GetGeometryRef(i) for i in range(g.GetGeometryCount())] or [g]
    for p in parts:
        for x, y in [p.GetPoint_2D(i) for i in range(p.GetPointCount())]:
            print("%.17g %.17g" % (x, y))
}
    split [string trim [exec $::gdalPython -c $script $path 2>@1]] \n
}

# Largest difference between two lists of "x y" points.
proc maxDifference {a b} {
    set worst 0
    foreach p $a q $b {
        foreach u $p v $q {set worst [expr {max($worst, abs($u - $v))}]}
    }
    return $worst
}
