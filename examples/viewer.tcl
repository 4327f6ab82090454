# viewer.tcl -- a small map viewer made of the library's own commands.
#
#   wish examples/viewer.tcl ?IMAGE? ?SHAPEFILE?
#
# Shows a georeferenced image (any file `rimage open` reads; by default the
# bundled scene examples/data/sample.img) in a gcanvas in its own map
# coordinates, through a "tulx" image item, with the outlines of a
# shapefile over it as an object item (by default the bundled
# examples/data/fields.shp; the shapefile must be in the image's map
# coordinates, since shapefiles carry no projection text here). Drag with
# the left button to pan, turn the wheel to zoom about the pointer; the
# status line shows the map x and y under the pointer and the values of
# every band of the image pixel there.
#
# The library comes from the package path (TCLLIBPATH, or an installed
# package), else from the build folder beside this one.

namespace eval viewer {
    variable here [file dirname [file normalize [info script]]]
}
if {[catch {package require Ovex}]} {
    lappend auto_path [file join $viewer::here .. build]
    package require Ovex
}
package require Tk

namespace eval viewer {
    variable zoomStep 1.25
    variable status ""

    # Opens the image and the shapefile and builds the window.
    proc show {imageFile shapeFile} {
        variable image [rimage open $imageFile]
        variable x0 [rimage cget $image -x0]
        variable y0 [rimage cget $image -y0]
        variable dx [rimage cget $image -dx]
        variable dy [rimage cget $image -dy]
        variable columns [rimage cget $image -columns]
        variable rows [rimage cget $image -rows]
        variable bands {}
        for {set b 1} {$b <= [rimage cget $image -nbands]} {incr b} {lappend bands $b}
        # Pixel values come through a view bound to the file by its name.
        rimage bind -file $imageFile -obj ::viewer::pixels

        # Colour for three bands or more (red, green, blue from bands 3, 2
        # and 1, the order of most multispectral scenes), else grey; a
        # linear stretch over mean +/- 2.5 standard deviations per band.
        set look [expr {[llength $bands] >= 3 ? {-comb 3/2/1 -palette 8/8/4} : {-comb 1}}]
        image create tulx ::viewer::picture -file $imageFile -func LINEAR -range MEAN {*}$look

        wm title . "Ovex viewer: [file tail $imageFile]"
        gcanvas .map -width 512 -height 384 -bg white -highlightthickness 0 -bd 0
        label .status -textvariable ::viewer::status -anchor w -font TkFixedFont
        pack .status -side bottom -fill x
        pack .map -side top -fill both -expand 1

        # The image item stands at the map point of its top-left corner; a
        # -scalable item follows the canvas's scales (world units here).
        .map create image $x0 $y0 -image ::viewer::picture -anchor nw -scalable 1 -tags picture
        if {$shapeFile ne ""} {
            shape.create ::viewer::outlines -file $shapeFile
            # An object item draws the records at their own coordinates
            # plus its x y: 0 0.
            .map create object 0 0 -object ::viewer::outlines -outline yellow -width 2 -tags outlines
        }
        fit 512 384
        bind .map <Configure> {viewer::frame}

        bind .map <ButtonPress-1> {viewer::grab %x %y}
        bind .map <B1-Motion> {viewer::drag %x %y}
        bind .map <Motion> {viewer::report %x %y}
        bind .map <Button-4> {viewer::zoom %x %y $viewer::zoomStep}
        bind .map <Button-5> {viewer::zoom %x %y [expr {1 / $viewer::zoomStep}]}
        bind .map <MouseWheel> {viewer::zoom %x %y [expr {%D > 0 ? $viewer::zoomStep : 1 / $viewer::zoomStep}]}
        set ::viewer::status "Drag to pan, wheel to zoom"
    }

    # Scales -mx/-my (screen pixels per map unit; my negative, since map y
    # grows northwards and the window's downwards) so that the whole image
    # fits width x height, centred.
    proc fit {width height} {
        variable x0; variable y0; variable dx; variable dy; variable columns; variable rows
        set groundW [expr {$columns * $dx}]
        set groundH [expr {$rows * $dy}]
        set scale [expr {min($width / $groundW, $height / $groundH)}]
        # The view origin is the map point at the window's top-left corner.
        set left [expr {$x0 - ($width / $scale - $groundW) / 2}]
        set top [expr {$y0 + ($height / $scale - $groundH) / 2}]
        .map configure -mx $scale -my [expr {-$scale}] -viewxorigin $left -viewyorigin $top
        frame
    }

    # The tulx view covers only the image pixels in the window and half a
    # window around it (-sc/-sr where it starts, -maxw/-maxh its size), so
    # that at any zoom it stays small enough to be rendered: a view of the
    # whole image would be capped at -maxw/-maxh pixels and leave the
    # window blank beyond them. Panning within the margin only moves the
    # canvas; the view is renewed when the window leaves it or the zoom
    # changes.
    variable covered {}
    proc frame {} {
        variable x0; variable y0; variable dx; variable dy; variable columns; variable rows
        variable covered
        set width [winfo width .map]
        set height [winfo height .map]
        if {$width < 2 || $height < 2} {
            set width [.map cget -width]
            set height [.map cget -height]
        }
        set mx [.map cget -mx]
        lassign [mapPoint 0 0] left top
        lassign [mapPoint $width $height] right bottom
        # The image columns and rows in the window.
        set c0 [expr {int(floor(($left - $x0) / $dx))}]
        set c1 [expr {int(ceil(($right - $x0) / $dx))}]
        set r0 [expr {int(floor(($y0 - $top) / $dy))}]
        set r1 [expr {int(ceil(($y0 - $bottom) / $dy))}]
        if {[llength $covered] == 5} {
            lassign $covered zoom sc sr ec er
            if {$zoom == $mx && $c0 >= $sc && $r0 >= $sr && $c1 <= $ec && $r1 <= $er} {
                return
            }
        }
        set marginC [expr {($c1 - $c0) / 2 + 1}]
        set marginR [expr {($r1 - $r0) / 2 + 1}]
        set sc [expr {max(0, min($columns - 1, $c0 - $marginC))}]
        set sr [expr {max(0, min($rows - 1, $r0 - $marginR))}]
        set ec [expr {max($sc + 1, min($columns, $c1 + $marginC))}]
        set er [expr {max($sr + 1, min($rows, $r1 + $marginR))}]
        # Screen pixels per image pixel; the view ends with the last whole
        # image pixel it needs.
        set zx [expr {abs($mx) * $dx}]
        set zy [expr {abs([.map cget -my]) * $dy}]
        set maxw [expr {max(1, int(ceil(($ec - $sc) * $zx)))}]
        set maxh [expr {max(1, int(ceil(($er - $sr) * $zy)))}]
        ::viewer::picture configure -sc $sc -sr $sr -maxw $maxw -maxh $maxh
        .map coords picture [expr {$x0 + $sc * $dx}] [expr {$y0 - $sr * $dy}]
        set covered [list $mx $sc $sr $ec $er]
    }

    # The map point under window pixel (x, y).
    proc mapPoint {x y} {
        list [.map canvasx $x] [.map canvasy $y]
    }

    proc grab {x y} {
        variable from [list $x $y]
    }

    # Moves the view with the pointer: the map point grabbed stays under it.
    proc drag {x y} {
        variable from
        lassign $from fx fy
        set mx [.map cget -mx]
        set my [.map cget -my]
        .map configure -viewxorigin [expr {[.map cget -viewxorigin] - ($x - $fx) / $mx}] \
            -viewyorigin [expr {[.map cget -viewyorigin] - ($y - $fy) / $my}]
        set from [list $x $y]
        frame
        report $x $y
    }

    # Zooms by factor about window pixel (x, y): its map point stays put.
    proc zoom {x y factor} {
        lassign [mapPoint $x $y] wx wy
        set mx [expr {[.map cget -mx] * $factor}]
        set my [expr {[.map cget -my] * $factor}]
        .map configure -mx $mx -my $my -viewxorigin [expr {$wx - $x / $mx}] \
            -viewyorigin [expr {$wy - $y / $my}]
        frame
        report $x $y
    }

    # The status line: map x and y, and the pixel's column, row and band
    # values when the point lies on the image.
    proc report {x y} {
        variable x0; variable y0; variable dx; variable dy; variable columns; variable rows
        variable bands
        lassign [mapPoint $x $y] wx wy
        set text [format "x %.1f  y %.1f" $wx $wy]
        set column [expr {int(floor(($wx - $x0) / $dx))}]
        set row [expr {int(floor(($y0 - $wy) / $dy))}]
        if {$column >= 0 && $column < $columns && $row >= 0 && $row < $rows} {
            append text "  column $column row $row  values [pixels vget $column $row $bands]"
        }
        set ::viewer::status $text
    }
}

set files [list [file join $viewer::here data sample.img] [file join $viewer::here data fields.shp]]
if {$argc > 0} {set files [list [lindex $argv 0] [lindex $argv 1]]}
viewer::show {*}$files
