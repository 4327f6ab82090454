package require Tk
glw .terrain -width 320 -height 240 -depth 24
pack .terrain
update
glw current .terrain                       ;# GL items belong to this window
set dem [rimage open $data/dem.img]
set columns [rimage cget $dem -columns]
set rows [rimage cget $dem -rows]
# The heights are native 32-bit floats after the file's header.
glload heights $data/dem.img GL_FLOAT [rimage cget $dem -offset]
rimage close $dem
# The display script, run by every glw draw: the grid (60 m cells,
# heights x 2) shaded by a height ramp from blue to red.
GLchar display "
    glClearColor 0 0 0 1
    glClear GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT
    glMatrixMode GL_PROJECTION
    glLoadIdentity
    gluPerspective 40 [expr {320 / 240.0}] 0.1 10
    glMatrixMode GL_MODELVIEW
    glLoadIdentity
    gluLookAt 0 -1.3 1.2 0 0 0.2 0 0 1
    glexSolidDem $columns $rows 60 60 2 heights
    glFinish"
glEnable GL_DEPTH_TEST
glw draw .terrain
