# Tiny CTable2 grids of constant shift for the projection suites: a
# 160-byte header ("CTABLE V2.0", an id, the lower-left corner and the
# step as doubles in radians, the column and row counts as int32), then
# one float pair per node in radians, longitude positive west.
proc writeCtable2 {path dlonSeconds dlatSeconds} {
    set r [expr {acos(-1) / 180.0}]
    set nx 20
    set ny 20
    set head [binary format a16a80q4i2x24 "CTABLE V2.0" "constant test shift" \
        [list [expr {-130 * $r}] [expr {20 * $r}] $r $r] [list $nx $ny]]
    set pair [binary format r2 [list [expr {$dlonSeconds / 3600.0 * $r}] \
        [expr {$dlatSeconds / 3600.0 * $r}]]]
    set f [open $path wb]
    puts -nonewline $f $head[string repeat $pair [expr {$nx * $ny}]]
    close $f
}

# A folder holding conus (3.6", 1.8") and an hp grid (0.9", -0.45").
proc makeGridFolder {dir} {
    file mkdir $dir
    writeCtable2 [file join $dir conus] 3.6 1.8
    writeCtable2 [file join $dir hptest] 0.9 -0.45
    return $dir
}

# A tool of proj-bin run with the grid folder ahead of the library's data.
proc projBin {dir tool args} {
    set input [lindex $args end]
    return [exec env PROJ_LIB=$dir:/usr/share/proj $tool {*}[lrange $args 0 end-1] \
        << $input 2>/dev/null]
}
