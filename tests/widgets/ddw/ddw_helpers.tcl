# Helpers of the ddw suites: the library and the tulx helpers (memory
# images, window capture), a ddw placed at the top-left corner showing a
# RAM image pixel for pixel, and a palette GIF.
source [file join [file dirname [info script]] .. .. testlib.tcl]
source [file join [file dirname [info script]] .. .. display tulx_helpers.tcl]

# A ddw as large as the image, so that the window shows it unstretched.
proc ddwShow {window tag args} {
    destroy $window
    set rows [rimage cget $tag -rows]
    set columns [rimage cget $tag -columns]
    ddw $window -image $tag -width $columns -height $rows {*}$args
    place $window -x 0 -y 0
    update
    return $window
}

# Writes a 3 x 1 GIF whose palette is red, green, blue; returns its path.
proc paletteGif {path} {
    set gif [binary format a6ssccc GIF89a 3 1 0x81 0 0]
    append gif [binary format c12 {255 0 0 0 255 0 0 0 255 0 0 0}]
    append gif [binary format cssssc 0x2c 0 0 3 1 0]
    append gif [binary format c7 {2 2 0x44 0x54 0 0x3b 0}]
    set f [open $path wb]
    puts -nonewline $f [string range $gif 0 end-1]
    close $f
    return $path
}
