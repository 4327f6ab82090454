# One side of a tulx row of bench/rows.py (run by bench/run_all.sh under
# one Xvfb): an 800x600 view of a 5000^2 8-bit PGM in a label, shown by a
# tulx image of the image opened in memory (ours) or by a Tk photo copying
# from a photo of the whole file (the peer), each in its own wish.
#   wish bench/tulx_view.tcl BUILD_DIR SIDE WORK PGM OUT
# SIDE: tulx or photo. WORK:
#   pan    20 steps, each showing the 800x600 region at a new corner
#   zoom2  the region 0 0 400 300 magnified 2 times into the view
#   zoom4  the region 0 0 3200 2400 reduced 4 times into the view
#   first  the first display: from the file's name to the region 0 0 800
#          600 shown (ours opens the file and shows it through a tulx
#          image; the peer reads just that region into an 800x600 photo
#          with `read -from`, which is how Tk shows a part of a file)
# For the other works reading the file and mapping the window are not
# timed. Each timed step
# ends with the display drawn and a round trip to the server; for the
# zooms the view is first put back to 1:1 (not timed). The median seconds
# of a step are the last line printed; OUT receives the label's pixels
# after the last step (an X grab by ImageMagick's import, as a PPM).
lassign $argv build side work pgm out
set ovexAppScripts {}
load [file join $build libovex.so] Ovex
source [file join [file dirname [info script]] tk_timing.tcl]
wm geometry . 800x600+0+0

if {$work eq "first"} {
    # Map the window first, so that both sides time the same: opening the
    # file, making the image, showing it in a new label.
    frame .f -width 800 -height 600 -bd 0 -highlightthickness 0
    place .f -x 0 -y 0
    update
    drawn
    set t0 [clock microseconds]
    if {$side eq "tulx"} {
        rimage open big $pgm
        image create tulx view -file big -maxw 800 -maxh 600
    } else {
        image create photo view -width 800 -height 600
        view read $pgm -from 0 0 800 600
    }
    label .l -image view -bd 0 -highlightthickness 0
    place .l -x 0 -y 0
    drawn
    set seconds [expr {([clock microseconds] - $t0) / 1e6}]
    update
    exec import -window [winfo id .l] $out
    puts $seconds
    exit
}

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
