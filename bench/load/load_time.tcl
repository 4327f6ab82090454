# Start-up cost of the library: plain tclsh beside tclsh loading
# libovex.so (no script libraries), each a whole process, rounds
# interleaved; prints median wall time and peak RSS of each and the ratio.
# Then the cost of the first projection, which loads PROJ on demand (the
# first video opened in a ddw loads FFmpeg the same way).
#   tclsh bench/load/load_time.tcl BUILD_DIR ?rounds?
lassign $argv build rounds
if {$build eq ""} {
    puts stderr "usage: tclsh load_time.tcl BUILD_DIR ?rounds?"
    exit 2
}
if {$rounds eq ""} {set rounds 10}
set lib [file normalize [file join $build libovex.so]]
set tclsh [info nameofexecutable]

# Peak RSS in MB of the child itself, from its own status file.
set peak {
    proc peakMB {} {
        set f [open /proc/self/status r]
        regexp {VmHWM:\s+(\d+)} [read $f] -> kb
        close $f
        return [format %.1f [expr {$kb / 1024.0}]]
    }
}
set cases [list \
    tclsh "$peak; puts \[peakMB\]" \
    libovex.so "$peak; set ovexAppScripts {}; load $lib Ovex; puts \[peakMB\]"]

proc median {values} {
    set sorted [lsort -real $values]
    set n [llength $sorted]
    if {$n % 2} {return [lindex $sorted [expr {$n / 2}]]}
    return [expr {([lindex $sorted [expr {$n / 2 - 1}]] + [lindex $sorted [expr {$n / 2}]]) / 2.0}]
}

foreach {name script} $cases {set wall($name) {}; set rss($name) {}}
for {set i 0} {$i < $rounds} {incr i} {
    foreach {name script} $cases {
        set t0 [clock microseconds]
        set mb [exec $tclsh << $script]
        lappend wall($name) [expr {([clock microseconds] - $t0) / 1e6}]
        lappend rss($name) $mb
    }
}
foreach {name script} $cases {
    puts [format "%-12s median %.3f s, peak RSS %.1f MB" $name [median $wall($name)] [median $rss($name)]]
}
puts [format "ratio to plain tclsh: time %.2f, RSS %.2f" \
    [expr {[median $wall(libovex.so)] / [median $wall(tclsh)]}] \
    [expr {[median $rss(libovex.so)] / [median $rss(tclsh)]}]]

# What the first use costs once the library is loaded.
set first [list \
    "first projection" "$peak; set ovexAppScripts {}; load $lib Ovex
        set t0 \[clock microseconds\]; proj.info ellps WGS84
        puts \"\[expr {(\[clock microseconds\] - \$t0) / 1e6}\] \[peakMB\]\""]
foreach {name script} $first {
    set times {}
    set mbs {}
    for {set i 0} {$i < $rounds} {incr i} {
        lassign [exec $tclsh << $script] t mb
        lappend times $t
        lappend mbs $mb
    }
    puts [format "%-16s median %.3f s, peak RSS then %.1f MB" $name [median $times] [median $mbs]]
}
