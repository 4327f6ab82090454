package require Tk
gcanvas .sketch -width 300 -height 200 -bg white
pack .sketch
.sketch create rectangle 20 20 140 120 -fill red
.sketch create text 150 160 -text "Ovex"
update
# The built-in printer ovex-pdf, named: the canvas area 0 0 299 199
# fitted to an A4 page (scale 0), written as <canvas path>.pdf in the
# current folder (here sketch.pdf in $out).
cd $out
puts [printer canvas .sketch 0 0 0 299 199 0 {} ovex-pdf {}]   ;# 1: printed
