# Helpers of the gcanvas item suites: a fresh widget, the colours of its
# window read back from the screen, and PostScript rendered by
# ghostscript.

wm geometry . +0+0

# A new .c of the given size with a white background and no border.
proc fresh {width height args} {
    destroy .c
    gcanvas .c -width $width -height $height -bg white -highlightthickness 0 -bd 0 {*}$args
    pack .c
    update
}

# A colour as a word where it is one of the test colours.
proc colorName {rgb} {
    set names {{255 255 255} white {0 0 0} black {255 0 0} red {0 255 0} green {0 0 255} blue
               {255 255 0} yellow}
    if {[dict exists $names $rgb]} {return [dict get $names $rgb]}
    return $rgb
}

# The colour names of the window's pixels at the given x y pairs, from one
# capture of the window.
proc colorsAt {window points} {
    update
    catch {rimage close canvasShot}
    rimage window canvasShot $window
    rimage bind -file canvasShot -obj shotView
    set out {}
    foreach {x y} $points {
        set rgb {}
        foreach band {3 2 1} {lappend rgb [expr {int([shotView vget $x $y $band])}]}
        lappend out [colorName $rgb]
    }
    rename shotView {}
    rimage close canvasShot
    return $out
}

# The sorted distinct colour names along a row or column of pixels.
proc colorsAlong {window x1 y1 x2 y2} {
    set points {}
    if {$x1 == $x2} {
        for {set y $y1} {$y <= $y2} {incr y} {lappend points $x1 $y}
    } else {
        for {set x $x1} {$x <= $x2} {incr x} {lappend points $x $y1}
    }
    lsort -unique [colorsAt $window $points]
}

testConstraint gs [expr {![catch {exec gs --version}]}]

# The document without its creation date and prolog body.
proc itemsOf {ps} {
    regexp {clip newpath\n(.*)restore showpage} $ps -> body
    return $body
}

# PostScript of the canvas area 0 0 w h at one point per pixel, rendered
# by ghostscript: canvas (x, y) is page pixel (x, y) from the top.
proc renderCanvas {w h} {
    set ps [.c postscript -x 0 -y 0 -width $w -height $h -pagewidth ${w}p -pageanchor nw -pagex 0 \
                -pagey ${h}p]
    set psFile [file join [ovexTempDir] r.ps]
    set ppm [file join [ovexTempDir] r.ppm]
    set f [open $psFile w]; puts -nonewline $f $ps; close $f
    exec gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=ppmraw -r72 -g${w}x${h} -sOutputFile=$ppm $psFile
    set f [open $ppm rb]; set data [read $f]; close $f
    regexp {^P6\s+(?:#[^\n]*\n)*(\d+)\s+(\d+)\s+(\d+)\s} $data header pw ph max
    return [list $pw [string range $data [string length $header] end]]
}

# The colour names of rendered page pixels at the given x y pairs.
proc renderedAt {img points} {
    lassign $img w data
    set out {}
    foreach {x y} $points {
        binary scan [string range $data [expr {($y * $w + $x) * 3}] end] cucucu r g b
        lappend out [colorName [list $r $g $b]]
    }
    return $out
}
