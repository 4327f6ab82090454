# Child of ddw_video-tk.test: loads the library file given (argv 0) and
# opens the clip (argv 1) in a ddw. Prints one line each: FFmpeg mapped
# after loading, the outcome of -video, FFmpeg mapped after it, the outcome
# of dshow, the frame shown at 0.5 s (or "none"); then exits.
source [file join [file dirname [info script]] ddw_helpers.tcl]
lassign $argv ::ovexLib clip
wm geometry . 100x100+0+0

proc ffmpegMapped {} {
    set f [open /proc/self/maps r]
    set maps [read $f]
    close $f
    return [regexp {/libav(codec|format)\.so} $maps]
}

ovexLoad
puts [ffmpegMapped]
ddw .v -width 8 -height 6
place .v -x 0 -y 0
update
puts [list [catch {.v configure -video $clip} m] $m]
puts [ffmpegMapped]
puts [list [catch {.v dshow $clip} m] $m]
if {[.v cget -video] ne ""} {
    .v video 0.5
    puts [shownFrame .v]
} else {
    puts none
}
destroy .v
exit 0
