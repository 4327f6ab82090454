# gcanvas beside Tk's canvas in one wish under Xvfb, from the build folder:
#   xvfb-run -a -s "-screen 0 1024x768x24" wish bench/gcanvas_vs_tk.tcl BUILD_DIR ?N ...?
# The same scene on both (an 800x600 view on a 4000x4000 region, N
# rectangles and ovals): create, full redraw, 1-pixel scroll, find
# overlapping on 100x100, PostScript of all, and moving one item per step
# (a -floating item on the gcanvas), timed in the same run with ratios;
# then 10,000 text items in the 800x600 view (create, full redraw).
set build [lindex $argv 0]
set sizes [lrange $argv 1 end]
if {$sizes eq {}} {set sizes {10000 100000 300000}}
set ovexAppScripts {}
load [file join $build libovex.so] Ovex
wm geometry . +0+0

proc ms {script {n 1}} {
    set us [lindex [uplevel 1 [list time $script $n]] 0]
    return [expr {$us / 1000.0}]
}
proc scene {w create n} {
    expr {srand(11)}
    for {set i 0} {$i < $n} {incr i} {
        set x [expr {rand() * 3980}]
        set y [expr {rand() * 3980}]
        set c [format #%02x%02x%02x [expr {int(rand()*256)}] [expr {int(rand()*256)}] [expr {int(rand()*256)}]]
        if {$i % 2} {
            $w create rectangle $x $y [expr {$x + 20}] [expr {$y + 20}] -fill $c
        } else {
            $w create oval $x $y [expr {$x + 20}] [expr {$y + 20}] -fill $c
        }
    }
}
# A full redraw: the whole window is invalidated and displayed.
proc redraw {w} {
    if {[winfo class $w] eq "Gcanvas"} {
        $w redraw 0 0 4000 4000
    } else {
        $w itemconfigure 1 -fill [$w itemcget 1 -fill]
        $w create line 0 0 4000 4000 -tags tmp
        $w delete tmp
    }
    update idletasks
}
proc measure {w n} {
    set r(create) [ms {scene $w create $n}]
    update
    set r(redraw) [ms {redraw $w} 5]
    $w configure -xscrollincrement 1
    set r(scroll) [ms {$w xview scroll 1 units; update idletasks} 10]
    set r(find) [ms {$w find overlapping 1000 1000 1100 1100} 20]
    set r(ps) [ms {set ps [$w postscript -x 0 -y 0 -width 4000 -height 4000]}]
    set r(psMB) [expr {[string length $ps] / 1e6}]
    unset ps
    if {[winfo class $w] eq "Gcanvas"} {
        set id [$w create rectangle 100 100 140 140 -fill red -floating 1]
    } else {
        set id [$w create rectangle 100 100 140 140 -fill red]
    }
    update
    set r(move) [ms {$w move $id 1 1; update idletasks} 20]
    $w delete all
    update
    return [array get r]
}

foreach n $sizes {
    destroy .tk .g
    canvas .tk -width 800 -height 600 -scrollregion {0 0 4000 4000} -highlightthickness 0
    pack .tk
    update
    array set tk [measure .tk $n]
    destroy .tk
    gcanvas .g -width 800 -height 600 -scrollregion {0 0 4000 4000} -highlightthickness 0
    pack .g
    update
    array set g [measure .g $n]
    destroy .g
    puts "N = $n"
    foreach {key label target} {create "create" 1.5 redraw "full redraw" 1.5 scroll "1-px scroll" 1.0
                                find "find overlapping 100x100" 1.5 ps "PostScript of all" 1.5
                                move "move one item (gcanvas -floating)" 0.5} {
        puts [format "  %-36s gcanvas %9.2f ms  Tk %9.2f ms  ratio %5.2f (target <= %s)" \
                  $label $g($key) $tk($key) [expr {$g($key) / max($tk($key), 1e-6)}] $target]
    }
    puts [format "  PostScript size: gcanvas %.1f MB, Tk %.1f MB" $g(psMB) $tk(psMB)]
}
# Text: 10,000 text items in an 800x600 view, all visible, one font on
# both canvases; create and full redraw.
proc textScene {w n} {
    expr {srand(17)}
    for {set i 0} {$i < $n} {incr i} {
        $w create text [expr {rand() * 760 + 20}] [expr {rand() * 580 + 10}] -text "T$i" \
            -font {{DejaVu Sans Mono} 8}
    }
}
proc measureText {w n} {
    set r(create) [ms {textScene $w $n}]
    update
    # A full redraw on both: the background changes (the gcanvas renders
    # its cache again); glyphs are drawn by the X server, so a round trip
    # waits for them.
    set r(redraw) [ms {
        $w configure -bg [lindex {white #fefefe} [expr {[incr ::flip] % 2}]]
        update idletasks
        winfo pointerxy .
    } 5]
    $w delete all
    update
    return [array get r]
}
foreach n {10000} {
    destroy .tk .g
    canvas .tk -width 800 -height 600 -scrollregion {0 0 800 600} -highlightthickness 0
    pack .tk
    update
    array set tk [measureText .tk $n]
    destroy .tk
    gcanvas .g -width 800 -height 600 -scrollregion {0 0 800 600} -highlightthickness 0
    pack .g
    update
    array set g [measureText .g $n]
    destroy .g
    puts "N = $n text items"
    foreach {key label target} {create "create" - redraw "full redraw" 1.5} {
        puts [format "  %-36s gcanvas %9.2f ms  Tk %9.2f ms  ratio %5.2f (target <= %s)" \
                  $label $g($key) $tk($key) [expr {$g($key) / max($tk($key), 1e-6)}] $target]
    }
}
exit
