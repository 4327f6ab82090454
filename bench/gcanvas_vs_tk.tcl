# gcanvas beside Tk's canvas in one wish under Xvfb, from the build folder:
#   xvfb-run -a -s "-screen 0 1024x768x24" wish bench/gcanvas_vs_tk.tcl BUILD_DIR ?N ...?
# The same scene on both (an 800x600 view on a 4000x4000 region, N
# rectangles and ovals): create, full redraw, 1-pixel scroll, find
# overlapping on 100x100, PostScript of all, and moving one item per step
# (a -floating item on the gcanvas), timed in the same run with ratios.
# With the word "lines" after the build folder (xvfb-run ... BUILD_DIR lines
# ?N ...?) it times instead, for N visible 4-point polylines and N visible
# filled and outlined 4-point polygons in the 800x600 window, the full
# redraw, and find closest over N lines spread on the 4000x4000 region.
# With the word "objects" (xvfb-run ... BUILD_DIR objects ?N ...?) it times
# the full redraw of one object item showing a shape object of N visible
# 4-point polyline records beside N Tk line items with the same points.
# Without either word it also times 10,000 text items in the 800x600 view
# (create, full redraw).
# With the word "symbols" (xvfb-run ... BUILD_DIR symbols ?N ...?) it times
# the full redraw of one symbol item of N filled, outlined 10x10 ovals
# against N Tk ovals of the same look, all in the 800x600 window.
set build [lindex $argv 0]
set sizes [lrange $argv 1 end]
set linesOnly 0
set objectsOnly 0
if {[lindex $sizes 0] eq "objects"} {
    set objectsOnly 1
    set sizes [lrange $sizes 1 end]
    if {$sizes eq {}} {set sizes {10000 100000}}
}
if {[lindex $sizes 0] eq "lines"} {
    set linesOnly 1
    set sizes [lrange $sizes 1 end]
    if {$sizes eq {}} {set sizes {10000 100000}}
}
set symbolsOnly 0
if {[lindex $sizes 0] eq "symbols"} {
    set symbolsOnly 1
    set sizes [lrange $sizes 1 end]
    if {$sizes eq {}} {set sizes {10000 100000}}
}
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

# N 4-point items inside the visible 800x600, or spread on the region.
proc shapes {w type n spread} {
    expr {srand(17)}
    set range [expr {$spread ? 3960 : 760}]
    set yrange [expr {$spread ? 3960 : 560}]
    for {set i 0} {$i < $n} {incr i} {
        set x [expr {rand() * $range + 20}]
        set y [expr {rand() * $yrange + 20}]
        set c [format #%02x%02x%02x [expr {int(rand()*256)}] [expr {int(rand()*256)}] [expr {int(rand()*256)}]]
        set pts [list $x $y [expr {$x + rand()*30 - 15}] [expr {$y + rand()*30 - 15}] \
                     [expr {$x + rand()*30 - 15}] [expr {$y + rand()*30 - 15}] \
                     [expr {$x + rand()*30 - 15}] [expr {$y + rand()*30 - 15}]]
        if {$type eq "line"} {
            $w create line $pts -fill $c
        } else {
            $w create polygon $pts -fill $c -outline black
        }
    }
}
# A full redraw on both: a new background repaints every item (Tk's
# canvas redraws only the deleted line's area for the trick above, a
# fraction of the items), and a round trip waits for the server to draw.
proc fullRedraw {w} {
    global bgFlip
    $w configure -bg [lindex {white gray90} [set bgFlip [expr {!$bgFlip}]]]
    update idletasks
    winfo pointerx .
}
set bgFlip 0
proc measureLines {w n} {
    foreach type {line polygon} {
        shapes $w $type $n 0
        update
        set r($type) [ms {fullRedraw $w} 5]
        $w delete all
        update
    }
    shapes $w line $n 1
    update
    expr {srand(5)}
    set qs {}
    for {set i 0} {$i < 50} {incr i} {lappend qs [expr {rand()*4000}] [expr {rand()*4000}]}
    set t0 [clock microseconds]
    foreach {x y} $qs {$w find closest $x $y}
    winfo pointerx .
    set r(closest) [expr {([clock microseconds] - $t0) / 50000.0}]
    $w delete all
    update
    return [array get r]
}
# The points of N visible 4-point polylines, one list per polyline.
proc polylinePoints {n} {
    expr {srand(23)}
    set out {}
    for {set i 0} {$i < $n} {incr i} {
        set x [expr {rand() * 760 + 20}]
        set y [expr {rand() * 560 + 20}]
        lappend out [list $x $y [expr {$x + rand()*30 - 15}] [expr {$y + rand()*30 - 15}] \
                         [expr {$x + rand()*30 - 15}] [expr {$y + rand()*30 - 15}] \
                         [expr {$x + rand()*30 - 15}] [expr {$y + rand()*30 - 15}]]
    }
    return $out
}
if {$objectsOnly} {
    foreach n $sizes {
        set all [polylinePoints $n]
        canvas .tk -width 800 -height 600 -highlightthickness 0
        pack .tk
        foreach pts $all {.tk create line $pts}
        update
        set tk [ms {fullRedraw .tk} 10]
        destroy .tk
        catch {rename benchShape {}}
        shape.create benchShape
        benchShape initialize POLYLINE
        foreach pts $all {benchShape addrecord $pts}
        gcanvas .g -width 800 -height 600 -highlightthickness 0
        pack .g
        .g create object 0 0 -object benchShape
        update
        set g [ms {fullRedraw .g} 10]
        destroy .g
        rename benchShape {}
        puts "N = $n"
        puts [format "  %-36s gcanvas %9.2f ms  Tk %9.2f ms  ratio %5.2f (target <= 1.0)" \
                  "full redraw, object item vs lines" $g $tk [expr {$g / max($tk, 1e-6)}]]
    }
    exit
}
if {$symbolsOnly} {
    foreach n $sizes {
        expr {srand(23)}
        set pts {}
        for {set i 0} {$i < $n} {incr i} {
            lappend pts [expr {rand() * 780 + 10}] [expr {rand() * 580 + 10}]
        }
        foreach {w cls} {.tk canvas .g gcanvas} {
            destroy $w
            $cls $w -width 800 -height 600 -scrollregion {0 0 4000 4000} -highlightthickness 0
            pack $w
            if {$cls eq "canvas"} {
                foreach {x y} $pts {
                    $w create oval [expr {$x - 5}] [expr {$y - 5}] [expr {$x + 5}] [expr {$y + 5}] \
                        -fill yellow -outline red
                }
            } else {
                $w coords [$w create symbol 0 0 -symbolcolor yellow -outline red -markercolor {}] {*}$pts
            }
            update
            set r($cls) [ms {fullRedraw $w} 5]
            destroy $w
        }
        puts "N = $n"
        puts [format "  %-36s gcanvas %9.2f ms  Tk %9.2f ms  ratio %5.2f (target <= 1.0)" \
                  "full redraw, symbols / ovals" $r(gcanvas) $r(canvas) \
                  [expr {$r(gcanvas) / max($r(canvas), 1e-6)}]]
    }
    exit
}
if {$linesOnly} {
    foreach n $sizes {
        foreach {w cls} {.tk canvas .g gcanvas} {
            destroy $w
            $cls $w -width 800 -height 600 -scrollregion {0 0 4000 4000} -highlightthickness 0
            pack $w
            update
            array set [expr {$cls eq "canvas" ? "tk" : "g"}] [measureLines $w $n]
            destroy $w
        }
        puts "N = $n"
        foreach {key label} {line "full redraw, lines" polygon "full redraw, polygons"
                             closest "find closest (per query)"} {
            puts [format "  %-36s gcanvas %9.2f ms  Tk %9.2f ms  ratio %5.2f (target <= 1.5)" \
                      $label $g($key) $tk($key) [expr {$g($key) / max($tk($key), 1e-6)}]]
        }
    }
    exit
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
