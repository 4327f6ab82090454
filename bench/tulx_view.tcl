# One side of a tulx row of bench/rows.py (run by bench/run_all.sh under
# one Xvfb): an 800x600 view of a 5000^2 8-bit PGM in a label, shown by a
# tulx image of the image opened in memory (ours) or by a Tk photo copying
# from a photo of the whole file (the peer), each in its own wish.
#   wish bench/tulx_view.tcl BUILD_DIR SIDE WORK PGM OUT
# SIDE: tulx or photo. WORK:
#   pan    20 steps, each showing the 800x600 region at a new corner
#   zoom2  the region 0 0 400 300 magnified 2 times into the view
#   zoom4  the region 0 0 3200 2400 reduced 4 times into the view
# Reading the file and mapping the window are not timed. Each timed step
# ends with the display drawn and a round trip to the server; for the
# zooms the view is first put back to 1:1 (not timed). The median seconds
# of a step are the last line printed; OUT receives the label's pixels
# after the last step (an X grab by ImageMagick's import, as a PPM).
lassign $argv build side work pgm out
set ovexAppScripts {}
load [file join $build libovex.so] Ovex
wm geometry . 800x600+0+0

if {$side eq "tulx"} {
    rimage open big $pgm
    image create tulx view -file big -maxw 800 -maxh 600
    view resident
    proc show {c r} {view configure -sc $c -sr $r}
    proc unzoom {} {view magnify 1 1 1}
    proc zoom2 {} {view magnify 2 2 1}
    proc zoom4 {} {view magnify 0.25 0.25 1}
} else {
    image create photo whole -file $pgm
    image create photo view -width 800 -height 600
    proc show {c r} {view copy whole -from $c $r [expr {$c + 800}] [expr {$r + 600}]}
    proc unzoom {} {show 0 0}
    proc zoom2 {} {view copy whole -from 0 0 400 300 -zoom 2}
    proc zoom4 {} {view copy whole -from 0 0 3200 2400 -subsample 4}
}
label .l -image view -bd 0 -highlightthickness 0
place .l -x 0 -y 0
update
proc drawn {} {
    update idletasks
    winfo pointerx .
}
proc median {values} {
    set s [lsort -real $values]
    set k [llength $s]
    expr {$k % 2 ? [lindex $s [expr {$k / 2}]]
          : ([lindex $s [expr {$k / 2 - 1}]] + [lindex $s [expr {$k / 2}]]) / 2.0}
}
set seconds {}
switch -- $work {
    pan {
        show 50 50
        drawn
        for {set step 1} {$step <= 20} {incr step} {
            set c [expr {(100 * $step) % 4000}]
            set r [expr {(77 * $step) % 4000}]
            set t0 [clock microseconds]
            show $c $r
            drawn
            lappend seconds [expr {([clock microseconds] - $t0) / 1e6}]
        }
    }
    zoom2 - zoom4 {
        for {set step 0} {$step < 11} {incr step} {
            unzoom
            drawn
            set t0 [clock microseconds]
            $work
            drawn
            if {$step > 0} {lappend seconds [expr {([clock microseconds] - $t0) / 1e6}]}
        }
    }
    default {error "unknown work \"$work\""}
}
update
exec import -window [winfo id .l] $out
puts [median $seconds]
exit
