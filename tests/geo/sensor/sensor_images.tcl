# Shared helpers of the sensor image suites: small georeferenced memory
# images made from lists of rows, and their pixels read back.

# A FLOAT memory image: rows is a list of rows of band 1; further bands
# (nbands) hold the same values plus 100 per band. geo is {x0 y0 dx dy}.
proc makeImage {tag rows {geo {0 0 1 1}} {nbands 1} {mapid GRID}} {
    lassign $geo x0 y0 dx dy
    set h [llength $rows]
    set w [llength [lindex $rows 0]]
    rimage open $tag MBSQ -rows $h -columns $w -nbands $nbands -pixel FLOAT \
        -top 0 -left 0 -x0 $x0 -y0 $y0 -dx $dx -dy $dy -mapid $mapid
    set values {}
    for {set b 0} {$b < $nbands} {incr b} {
        lappend values {*}[lmap v [concat {*}$rows] {expr {$v + 100 * $b}}]
    }
    rimage data -in $tag -data [list BSQ 1 $nbands 0 0 $w $h {*}$values]
}

# A rows x columns image filled with value.
proc makeFilled {tag rows columns value {geo {0 0 1 1}} {nbands 1}} {
    makeImage $tag [lrepeat $rows [lrepeat $columns $value]] $geo $nbands
}

# The pixels of band (from 1), row by row, rounded to 4 decimals.
proc grid {tag {band 1}} {
    rimage bind -file $tag -obj view
    set out {}
    for {set r 0} {$r < [view cget -rows]} {incr r} {
        set line {}
        for {set c 0} {$c < [view cget -columns]} {incr c} {
            set v [view vget $c $r $band]
            lappend line [expr {round($v * 10000) / 10000.0}]
        }
        lappend out $line
    }
    view unbind
    return $out
}

proc closeAll {} {
    foreach tag [rimage list tag] {
        while {![catch {rimage close $tag}]} {}
    }
}

# 1 when the two lists of numbers agree within tolerance.
proc near {a b {tolerance 1e-9}} {
    if {[llength $a] != [llength $b]} {return 0}
    foreach x $a y $b {
        if {abs($x - $y) > $tolerance} {return 0}
    }
    return 1
}

# Runs script with standard error caught: {code result stderr}.
proc captureErr {script} {
    set ::caughtErr {}
    rename ::puts ::sensorRealPuts
    proc ::puts args {
        if {[llength $args] > 1 && [lindex $args end-1] eq "stderr"} {
            append ::caughtErr [lindex $args end]
        } else {
            ::sensorRealPuts {*}$args
        }
    }
    set code [catch {uplevel #0 $script} result]
    rename ::puts {}
    rename ::sensorRealPuts ::puts
    list $code $result $::caughtErr
}
