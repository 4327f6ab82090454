# One side of a gcanvas row of bench/rows.py (run by bench/run_all.sh under
# one Xvfb): a gcanvas or Tk's canvas in its own wish, the same scene on
# both, the same work timed in process.
#   wish bench/gcanvas_vs_tk.tcl BUILD_DIR SIDE WORK N OUT
# SIDE: gcanvas or canvas. WORK:
#   lines     full redraw of N visible 4-point polylines
#   polygons  full redraw of N visible filled, outlined 4-point polygons
#   closest   find closest, 200 queries over N polylines on a 4000^2 region
#   objects   full redraw of one object item showing a shape object of N
#             polylines (gcanvas) / N line items with the same points (Tk)
#   text      full redraw of N text items in one font
#   symbols   full redraw of one symbol item of N filled, outlined 10x10
#             ovals (gcanvas) / N oval items of the same look (Tk)
# and over a scene of N filled 20x20 rectangles and ovals spread on the
# 4000^2 region (the view shows its upper left 800x600):
#   create    making the N items (their coordinates and colours worked
#             out before, not timed); one sample a process
#   redraw    full redraw
#   scroll    a 1-pixel horizontal scroll (-xscrollincrement 1), drawn
#   overlapping  find overlapping, 50 queries of 100x100
#   postscript   PostScript of the whole region to a file; one sample a
#             process; OUT is the file
#   drag      moving one 40x40 rectangle by 1,1 a step, drawn: a
#             -floating item on the gcanvas, a plain item on Tk's
# The scene is made and drawn once (not timed), one full redraw warms up,
# then 15 full redraws are timed (a new background repaints every item and
# a round trip waits for the server to draw) and their median seconds are
# the last line printed. OUT receives the window's pixels (an X grab by
# ImageMagick's import, as a PPM) or, for closest, the creation index of
# the item found for every query.
lassign $argv build side work n out
set ovexAppScripts {}
load [file join $build libovex.so] Ovex
source [file join [file dirname [info script]] tk_timing.tcl]
wm geometry . +0+0

# 64 colours: a new colour per item would time the X server's colour
# allocation (one round trip each, on both sides) rather than the drawing.
set palette {}
expr {srand(3)}
for {set i 0} {$i < 64} {incr i} {
    lappend palette [format #%02x%02x%02x [expr {int(rand()*256)}] \
                         [expr {int(rand()*256)}] [expr {int(rand()*256)}]]
}
proc color {} {lindex $::palette [expr {int(rand()*64)}]}
# The points of N 4-point polylines, inside the 800x600 view or spread on
# the 4000^2 region.
proc polylines {n spread} {
    expr {srand(17)}
    set range [expr {$spread ? 3960 : 760}]
    set yrange [expr {$spread ? 3960 : 560}]
    set out {}
    for {set i 0} {$i < $n} {incr i} {
        set x [expr {rand() * $range + 20}]
        set y [expr {rand() * $yrange + 20}]
        lappend out [list $x $y [expr {$x + rand()*30 - 15}] [expr {$y + rand()*30 - 15}] \
                         [expr {$x + rand()*30 - 15}] [expr {$y + rand()*30 - 15}] \
                         [expr {$x + rand()*30 - 15}] [expr {$y + rand()*30 - 15}]] [color]
    }
    return $out
}
set flip 0
proc fullRedraw {w} {
    $w configure -bg [lindex {white gray90} [set ::flip [expr {!$::flip}]]]
    drawn
}

$side .c -width 800 -height 600 -scrollregion {0 0 4000 4000} -highlightthickness 0 -bg white
pack .c
update
set first {}
switch -- $work {
    lines - polygons - closest {
        foreach {pts c} [polylines $n [expr {$work eq "closest"}]] {
            if {$work eq "polygons"} {
                set id [.c create polygon $pts -fill $c -outline black]
            } else {
                set id [.c create line $pts -fill $c]
            }
            if {$first eq {}} {set first $id}
        }
    }
    objects {
        set all [polylines $n 0]
        if {$side eq "canvas"} {
            foreach {pts c} $all {.c create line $pts}
        } else {
            shape.create benchShape
            benchShape initialize POLYLINE
            foreach {pts c} $all {benchShape addrecord $pts}
            .c create object 0 0 -object benchShape
        }
    }
    text {
        expr {srand(17)}
        for {set i 0} {$i < $n} {incr i} {
            .c create text [expr {rand() * 760 + 20}] [expr {rand() * 580 + 10}] -text "T$i" \
                -font {{DejaVu Sans Mono} 8}
        }
    }
    symbols {
        expr {srand(23)}
        set pts {}
        for {set i 0} {$i < $n} {incr i} {
            lappend pts [expr {rand() * 780 + 10}] [expr {rand() * 580 + 10}]
        }
        if {$side eq "canvas"} {
            foreach {x y} $pts {
                .c create oval [expr {$x - 5}] [expr {$y - 5}] [expr {$x + 5}] [expr {$y + 5}] \
                    -fill yellow -outline red
            }
        } else {
            .c coords [.c create symbol 0 0 -symbolcolor yellow -outline red -markercolor {}] {*}$pts
        }
    }
    create - redraw - scroll - overlapping - postscript - drag {
        expr {srand(11)}
        set items {}
        for {set i 0} {$i < $n} {incr i} {
            set x [expr {rand() * 3980}]
            set y [expr {rand() * 3980}]
            lappend items [lindex {oval rectangle} [expr {$i % 2}]] $x $y \
                [expr {$x + 20}] [expr {$y + 20}] [color]
        }
        set t0 [clock microseconds]
        foreach {kind x1 y1 x2 y2 c} $items {
            set id [.c create $kind $x1 $y1 $x2 $y2 -fill $c]
            if {$first eq {}} {set first $id}
        }
        set created [expr {([clock microseconds] - $t0) / 1e6}]
    }
    default {error "unknown work \"$work\""}
}
update
set seconds {}
# The median seconds of steps timed runs of script, each drawn and followed
# by a round trip to the server, after one untimed run.
proc drawnSteps {steps script} {
    set seconds {}
    for {set k 0} {$k <= $steps} {incr k} {
        set t0 [clock microseconds]
        uplevel #0 $script
        drawn
        if {$k > 0} {lappend seconds [expr {([clock microseconds] - $t0) / 1e6}]}
    }
    median $seconds
}
proc grab {} {
    .c configure -bg white
    update
    drawn
    exec import -window [winfo id .c] $::out
}
switch -- $work {
    create {
        grab
        puts $created
        exit
    }
    scroll {
        .c configure -xscrollincrement 1
        set step [drawnSteps 15 {.c xview scroll 1 units}]
        grab
        puts $step
        exit
    }
    overlapping {
        expr {srand(5)}
        set qs {}
        for {set i 0} {$i < 50} {incr i} {lappend qs [expr {rand()*3900}] [expr {rand()*3900}]}
        foreach {x y} [lrange $qs 0 19] {.c find overlapping $x $y [expr {$x + 100}] [expr {$y + 100}]}
        for {set k 0} {$k < 7} {incr k} {
            set found {}
            set t0 [clock microseconds]
            foreach {x y} $qs {lappend found [.c find overlapping $x $y [expr {$x + 100}] [expr {$y + 100}]]}
            lappend seconds [expr {([clock microseconds] - $t0) / 1e6}]
        }
        set f [open $out w]
        foreach ids $found {
            set rel {}
            foreach id $ids {lappend rel [expr {$id - $first}]}
            puts $f $rel
        }
        close $f
        puts [median $seconds]
        exit
    }
    postscript {
        set t0 [clock microseconds]
        .c postscript -x 0 -y 0 -width 4000 -height 4000 -file $out
        puts [expr {([clock microseconds] - $t0) / 1e6}]
        exit
    }
    drag {
        if {$side eq "gcanvas"} {
            set id [.c create rectangle 100 100 140 140 -fill red -floating 1]
        } else {
            set id [.c create rectangle 100 100 140 140 -fill red]
        }
        update
        set step [drawnSteps 20 {.c move $id 1 1}]
        grab
        puts $step
        exit
    }
}
if {$work eq "closest"} {
    expr {srand(5)}
    set qs {}
    for {set i 0} {$i < 200} {incr i} {lappend qs [expr {rand()*4000}] [expr {rand()*4000}]}
    foreach {x y} [lrange $qs 0 19] {.c find closest $x $y}
    for {set k 0} {$k < 7} {incr k} {
        set found {}
        set t0 [clock microseconds]
        foreach {x y} $qs {lappend found [.c find closest $x $y]}
        lappend seconds [expr {([clock microseconds] - $t0) / 1e6}]
    }
    set f [open $out w]
    foreach id $found {puts $f [expr {$id - $first}]}
    close $f
} else {
    fullRedraw .c
    for {set k 0} {$k < 15} {incr k} {
        set t0 [clock microseconds]
        fullRedraw .c
        lappend seconds [expr {([clock microseconds] - $t0) / 1e6}]
    }
    grab
}
puts [median $seconds]
exit
