# make_fields.tcl -- writes examples/data/fields.shp (and its .shx index),
# the outlines of the bundled scene's lake and two fields as a polygon
# shapefile in the scene's WGS 84 / UTM zone 33N coordinates, with the
# library's own shape objects.
#
#   tclsh examples/make_fields.tcl ?buildDir? ?file.shp?
#
# The scene (examples/make_sample.py) has 30 m pixels from the corner
# 500000 E, 4650000 N: pixel (column c, row r) covers x 500000 + 30 c to
# 500000 + 30 (c + 1), y 4650000 - 30 r down to 4650000 - 30 (r + 1). The
# fields cover columns 70-109 and rows 10-39 and 50-84; the lake is the
# ellipse about column 30, row 60 with half-axes of 20 and 15 pixels. No
# .prj file is written: shape objects keep their projection text in memory.

set here [file dirname [file normalize [info script]]]
set buildDir [file normalize [expr {$argc > 0 ? [lindex $argv 0] : [file join $here .. build]}]]
set auto_path [linsert $auto_path 0 $buildDir]
package require Ovex
set target [expr {$argc > 1 ? [lindex $argv 1] : [file join $here data fields.shp]}]

# Map x and y of a pixel corner (column c, row r).
proc corner {c r} {
    list [expr {500000 + 30 * $c}] [expr {4650000 - 30 * $r}]
}

# A rectangle of pixels as a closed ring, clockwise as shapefiles want
# outer rings (seen with north up).
proc pixelBox {c1 r1 c2 r2} {
    concat [corner $c1 $r1] [corner $c2 $r1] [corner $c2 $r2] [corner $c1 $r2] [corner $c1 $r1]
}

# The lake's ellipse through pixel centres, clockwise, 36 points.
proc lake {} {
    set ring {}
    for {set i 0} {$i <= 36} {incr i} {
        set a [expr {-$i * acos(-1) / 18}]
        set c [expr {30.5 + 20 * cos($a)}]
        set r [expr {60.5 - 15 * sin($a)}]
        lappend ring {*}[corner $c $r]
    }
    # The last point repeats the first exactly.
    lset ring end-1 [lindex $ring 0]
    lset ring end [lindex $ring 1]
    return $ring
}

shape.create fields
fields initialize POLYGON
fields addrecord [pixelBox 70 10 110 40]
fields addrecord [pixelBox 70 50 110 85]
fields addrecord [lake]
fields save $target
puts "[fields count] polygons written to $target"
