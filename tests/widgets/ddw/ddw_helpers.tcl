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

# The colour of frame k of the test clips: red steps by 25, green falls.
proc frameColour {k} {
    return [list [expr {$k * 25}] [expr {250 - $k * 20}] 60]
}

# Writes an uncompressed AVI (bottom-up 24-bit DIB frames) of count frames
# of width x height at fps frames a second, frame k filled with
# frameColour k. Returns the path.
proc writeRawAvi {path width height count fps} {
    set rowBytes [expr {($width * 3 + 3) / 4 * 4}]
    set frameBytes [expr {$rowBytes * $height}]
    set chunk {}
    binary scan [binary format a4 avih] a4 _
    set avih [binary format iiiiiiiiiiiiii [expr {1000000 / $fps}] [expr {$frameBytes * $fps}] \
        0 0x10 $count 0 1 $frameBytes $width $height 0 0 0 0]
    set strh [binary format a4a4issiiiiiiiissss vids "\0\0\0\0" 0 0 0 0 1 $fps 0 $count \
        $frameBytes -1 0 0 0 $width $height]
    set strf [binary format iiissiiiiii 40 $width $height 1 24 0 $frameBytes 0 0 0 0]
    set strl [binary format a4 strl][riffChunk strh $strh][riffChunk strf $strf]
    set hdrl [binary format a4 hdrl][riffChunk avih $avih][riffChunk LIST $strl]
    set movi [binary format a4 movi]
    set index {}
    for {set k 0} {$k < $count} {incr k} {
        lassign [frameColour $k] r g b
        set row [string repeat [binary format ccc $b $g $r] $width]
        append row [string repeat \0 [expr {$rowBytes - $width * 3}]]
        set offset [string length $movi]
        append movi [riffChunk 00db [string repeat $row $height]]
        append index [binary format a4iii 00db 0x10 $offset $frameBytes]
    }
    set body [binary format a4 {AVI }][riffChunk LIST $hdrl][riffChunk LIST $movi][riffChunk idx1 $index]
    set f [open $path wb]
    puts -nonewline $f [riffChunk RIFF $body]
    close $f
    return $path
}

proc riffChunk {id data} {
    set out [binary format a4i $id [string length $data]]
    append out $data
    if {[string length $data] % 2} {append out \0}
    return $out
}

# Which frame the window shows (by its top-left pixel), -1 for none.
proc shownFrame {window} {
    set pixel [lindex [shown $window all] 0 0]
    for {set k 0} {$k < 40} {incr k} {
        set near 1
        foreach a $pixel b [frameColour $k] {
            if {abs($a - $b) > 3} {set near 0}
        }
        if {$near} {return $k}
    }
    return -1
}
