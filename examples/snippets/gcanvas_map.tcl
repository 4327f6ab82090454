package require Tk
# 2 screen pixels per 30 m image pixel; map y grows north, so -my < 0.
# The view origin is the map point at the window's top-left corner.
gcanvas .map -width 256 -height 192 -bg white \
    -mx [expr {2 / 30.0}] -my [expr {-2 / 30.0}] \
    -viewxorigin 500000 -viewyorigin 4650000
pack .map
image create tulx mapScene -file $data/sample.img -comb 3/2/1 -palette 8/8/4
# The image's top-left corner at its map point; -scalable follows the zoom.
.map create image 500000 4650000 -image mapScene -anchor nw -scalable 1
# The fields' outlines: records drawn at their own coordinates plus 0 0.
shape.create outlines -file $data/fields.shp
.map create object 0 0 -object outlines -outline yellow -width 2
update
puts [format "map point under pixel (120, 40): %.1f %.1f" [.map canvasx 120] [.map canvasy 40]]
