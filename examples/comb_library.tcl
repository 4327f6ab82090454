# A small script library for the composite widgets: the procedures they
# call, with just enough behaviour to try them out. Source it after loading
# the library, then for instance:
#   num.create .n -max 20; pack .n
#   pal.create .p; pack .p
#   fold.create .f -labels {One Two}; pack .f

# Arrow bitmaps of the numeric entry and the pull-down list.
array set combBitmaps {
    up.bmp       {0x08 0x1c 0x3e 0x7f}
    down.bmp     {0x7f 0x3e 0x1c 0x08}
    uparrow.bmp  {0x08 0x1c 0x3e 0x7f 0x00}
    downarro.bmp {0x00 0x7f 0x3e 0x1c 0x08}
}
proc _image.get {name args} {
    if {$name in [image names]} return
    set bits [join $::combBitmaps($name) ,]
    set height [llength $::combBitmaps($name)]
    image create bitmap $name -data "#define b_width 7\n#define b_height $height\nstatic char b_bits\[\] = {\n$bits};"
}

# Items and pages: nothing to keep beyond the store.
proc comb.freeItem {w id} {catch {unset ::_comb($w,$id) ::_comb($w,cf$id)}}
foreach p {frm.freeItem str.freeItem popup.freeItem fold.freeItem} {
    interp alias {} $p {} comb.freeItem
}
proc gbtn.freeItem {w i} {catch {unset ::_comb($w,-btn$i) ::_comb($w,cf-btn$i)}}

# Numeric entry: the value is the entry's text; a change runs the scripts
# bound with num.bindChange.
proc num.get {w} {[comb.get $w -ent] get}
proc num.set {w value} {
    set e [comb.get $w -ent]
    $e delete 0 end
    $e insert 0 $value
    if {[info exists ::_comb($w,change)]} {
        foreach script $::_comb($w,change) {uplevel #0 $script}
    }
}
proc num.bindChange {w script} {lappend ::_comb($w,change) $script}

# Palette: the swatch shows the colour of the three entries.
proc pal.update {w swatch args} {
    set rgb [lmap part {-r -g -b} {
        set v [num.get [comb.get $w $part]]
        expr {[string is integer -strict $v] ? max(0, min(255, $v)) : 0}
    }]
    $swatch {*}$args [format #%02x%02x%02x {*}$rgb]
}
proc pal.set {w colour} {
    lassign [winfo rgb $w $colour] r g b
    foreach part {-r -g -b} v [list $r $g $b] {num.set [comb.get $w $part] [expr {$v / 257}]}
}

# Notebook: tabs follow the canvas size; the information line names the page.
proc fold.winconfig {w} {catch {fold.page $w}}
proc fold.info {w id} {comb.set $w info $id}
proc fold.freePage {w id args} {}

# Pull-down list.
proc pdl.selList {w x y} {
    set list [comb.get $w -list]
    set entry [comb.get $w -ent]
    $entry delete 0 end
    $entry insert 0 [$list get @$x,$y]
}
proc pdl.closeList {w} {
    grab release $w
    wm withdraw [comb.get $w wf]
    [comb.get $w -btn] config -image downarro.bmp -command [list pdl.openList $w]
    if {[comb.get $w grab] ne ""} {catch {eval [comb.get $w grab]}}
}
proc pdl.abort {w} {
    if {[winfo ismapped [comb.get $w wf]]} {pdl.closeList $w}
}

# Scrolled list.
proc slis.setList {w items} {
    set list [comb.get $w -list]
    $list delete 0 end
    $list insert end {*}$items
}
