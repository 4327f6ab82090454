# Our side of the DEM benchmark, run by wish: the grid from a float file
# is drawn by glexSolidDem or glexWireDem in the display script of a
# 512 x 512 double-buffered GL window with a 24-bit depth buffer, as the
# peer asks for; one frame is glw draw and update
# idletasks. Prints the best milliseconds per frame.
#   wish gl_dem.tcl LIBRARY solid|wire FILE COLS ROWS FRAMES
lassign $argv library mode file cols rows frames
set ovexAppScripts {}
load $library Ovex
wm geometry . +0+0
glw .g -width 512 -height 512 -dbuffer 1 -depth 24
pack .g
update
glw current .g
glload dem $file GL_FLOAT
set command [expr {$mode eq "solid" ? "glexSolidDem" : "glexWireDem"}]
GLchar display "glClear GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT; $command $cols $rows 1 1 1 dem; glFinish"
glEnable GL_DEPTH_TEST
glEnable GL_LIGHTING
glEnable GL_LIGHT0
glEnable GL_COLOR_MATERIAL
set best 1e9
for {set i 0} {$i < $frames} {incr i} {
    set start [clock microseconds]
    glw draw .g
    update idletasks
    set ms [expr {([clock microseconds] - $start) / 1000.0}]
    if {$ms < $best} {set best $ms}
}
puts [format %.1f $best]
exit
