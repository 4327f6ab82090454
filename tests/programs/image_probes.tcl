# Helpers of the program suites that build small images from rows of
# values and read their pixels back: console output caught, memory images
# filled band by band, pixel rows read through a view, and the clean-up.

# Runs script with console output caught: {code result stdout stderr}.
proc capture {script} {
    set ::caughtOut {}
    set ::caughtErr {}
    rename ::puts ::probeRealPuts
    proc ::puts args {
        set text [lindex $args end]
        if {[llength $args] > 1 && [lindex $args end-1] eq "stderr"} {
            append ::caughtErr $text
        } else {
            append ::caughtOut $text
            if {[lindex $args 0] ne "-nonewline"} {append ::caughtOut \n}
        }
    }
    set code [catch {uplevel #0 $script} result]
    rename ::puts {}
    rename ::probeRealPuts ::puts
    list $code $result $::caughtOut $::caughtErr
}

# A memory image tagged tag from a list of bands, each a list of rows of
# values.
proc memoryImage {tag bands {pixel FLOAT}} {
    set rows [llength [lindex $bands 0]]
    set columns [llength [lindex $bands 0 0]]
    set nbands [llength $bands]
    rimage open $tag MBSQ -rows $rows -columns $columns -nbands $nbands -pixel $pixel
    rimage data -in $tag -data "BSQ 1 $nbands 0 0 $columns $rows [concat {*}[concat {*}$bands]]"
    return $tag
}

# The rows of one band (counted from 1) of an open image, each value
# written with %g.
proc bandRows {tag band} {
    rimage bind -file $tag -obj probeView
    set out {}
    for {set r 0} {$r < [probeView cget -rows]} {incr r} {
        set line {}
        for {set c 0} {$c < [probeView cget -columns]} {incr c} {
            lappend line [format %g [probeView vget $c $r $band]]
        }
        lappend out $line
    }
    rename probeView {}
    return $out
}

# Closes every image and removes the files the suite wrote.
proc closeAll {} {
    foreach tag [rimage list tag] {
        while {![catch {rimage close $tag}]} {}
    }
    file delete -force {*}[glob -nocomplain *.img *.bmp]
}
