# Run by bench/video/run.sh under Xvfb: the wall time of one dshow of the
# clip in a 640 x 480 ddw, in seconds.
set ovexAppScripts {}
load $env(OVEX_LIB) Ovex
wm geometry . 640x480+0+0
ddw .d -width 640 -height 480
pack .d
update
set start [clock microseconds]
.d dshow [lindex $argv 0]
set end [clock microseconds]
puts [format %.3f [expr {($end - $start) / 1e6}]]
exit 0
