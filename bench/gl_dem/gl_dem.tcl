# Our side of the DEM benchmark, run by wish: the grid from a float file
# is drawn by glexSolidDem or glexWireDem in the display script of a
# 512 x 512 double-buffered GL window with a 24-bit depth buffer, as the
# peer asks for; one frame is glw draw and update idletasks. Prints the
# median seconds per frame; OUT.ppm receives the last frame as shown (rows
# bottom up, as GL reads them).
#   wish gl_dem.tcl LIBRARY solid|wire FILE COLS ROWS FRAMES ?OUT.ppm?
lassign $argv library mode file cols rows frames out
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
set spent {}
for {set i 0} {$i < $frames} {incr i} {
    set start [clock microseconds]
    glw draw .g
    update idletasks
    lappend spent [expr {([clock microseconds] - $start) / 1e6}]
}
if {$out ne ""} {
    # The last frame again, read from the back buffer before a swap.
    glw current .g
    glClear GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT
    $command $cols $rows 1 1 1 dem
    glFinish
    glReadBuffer GL_BACK
    glReadPixels 0 0 512 512 GL_RGB GL_UNSIGNED_BYTE pixels
    set f [open $out wb]
    puts -nonewline $f "P6\n512 512\n255\n[binary format cu* $pixels]"
    close $f
}
puts [lindex [lsort -real $spent] [expr {[llength $spent] / 2}]]
exit
