package require Tk
gcanvas .sketch -width 300 -height 200 -bg white
pack .sketch
.sketch create rectangle 20 20 140 120 -fill red
.sketch create text 150 160 -text "Ovex"
update
# The built-in ovex-pdf printer writes <canvas path>.pdf in the current
# folder: here sketch.pdf in $out.
cd $out
puts [printer canvas .sketch]              ;# 1 printed, 0 cancelled
