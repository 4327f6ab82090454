# Helpers of the tulx suites: small memory images from rows of values,
# the pixels a label shows (read back from the screen; bands blue,
# green, red), and the clean-up.

# A BYTE (or other) memory image tagged tag from a list of bands, each a
# list of rows.
proc memoryImage {tag bands {pixel BYTE}} {
    set rows [llength [lindex $bands 0]]
    set columns [llength [lindex $bands 0 0]]
    set nbands [llength $bands]
    rimage open $tag MBSQ -rows $rows -columns $columns -nbands $nbands -pixel $pixel
    rimage data -in $tag -data "BSQ 1 $nbands 0 0 $columns $rows [concat {*}[concat {*}$bands]]"
    return $tag
}

# Rows of one band (1 blue, 2 green, 3 red) of an open image.
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

# What the window shows: the rows of its red band, or of every band
# as {red green blue} triples with all.
proc shown {window {what red}} {
    update
    catch {rimage close shownShot}
    rimage window shownShot $window
    if {[rimage cget shownShot -nbands] == 1} {
        # A colormap-indexed screen: cell indices through the palette.
        set rows {}
        foreach line [bandRows shownShot 1] {
            set out {}
            foreach index $line {
                lassign [lindex [rimage getIndices shownShot $index] 0] i r g b
                lappend out [expr {$what eq "red" ? $r : [list $r $g $b]}]
            }
            lappend rows $out
        }
    } elseif {$what eq "red"} {
        set rows [bandRows shownShot 3]
    } else {
        set b [bandRows shownShot 1]
        set g [bandRows shownShot 2]
        set r [bandRows shownShot 3]
        set rows {}
        foreach rb $b rg $g rr $r {
            set line {}
            foreach vb $rb vg $rg vr $rr {lappend line [list $vr $vg $vb]}
            lappend rows $line
        }
    }
    rimage close shownShot
    return $rows
}

proc closeImages {} {
    foreach name [image names] {
        if {[image type $name] eq "tulx"} {image delete $name}
    }
    foreach tag [rimage list tag] {
        while {![catch {rimage close $tag}]} {}
    }
}

# A label that shows image exactly, without border or padding.
proc showIn {window image} {
    destroy $window
    label $window -image $image -bd 0 -highlightthickness 0 -padx 0 -pady 0
    place $window -x 0 -y 0
    update
}
