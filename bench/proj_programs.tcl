# The proj, cs2cs and geod commands beside the library's own tools on the
# same 1,000,000-line files (UTM zone 32 forward; geographic to UTM;
# geod -I), output to /dev/null for the tools and to a no-op puts for
# ours. Prints the seconds of both and their ratio.
#   tclsh bench/proj_programs.tcl build-folder ?lines?
set build [lindex $argv 0]
set lines [expr {[llength $argv] > 1 ? [lindex $argv 1] : 1000000}]
set ovexAppScripts {}
load [file join $build libovex.so] Ovex

set dir [file join /tmp ovex-proj-bench-[pid]]
file mkdir $dir
set geo [file join $dir geo.txt]
set inv [file join $dir geod.txt]
set f [open $geo w]
set g [open $inv w]
expr {srand(7)}
for {set i 0} {$i < $lines} {incr i} {
    set lon [expr {6 + 6 * rand()}]
    set lat [expr {40 + 15 * rand()}]
    puts $f [format "%.6f %.6f" $lon $lat]
    puts $g [format "%.6f %.6f %.6f %.6f" $lat $lon [expr {$lat + rand()}] [expr {$lon - rand()}]]
}
close $f
close $g

proc seconds {script} {
    set t [clock microseconds]
    uplevel #0 $script
    return [expr {([clock microseconds] - $t) / 1e6}]
}

rename puts realPuts
proc quiet {script} {
    proc ::puts args {}
    set s [seconds $script]
    rename ::puts {}
    return $s
}
set utm {+proj=utm +zone=32 +ellps=WGS84}
set cases [list \
    proj [list exec proj {*}$utm $geo > /dev/null] [list catch [list proj {*}$utm $geo]] \
    cs2cs [list exec cs2cs +proj=latlong +datum=WGS84 +to {*}$utm $geo > /dev/null] \
          [list catch [list cs2cs +proj=latlong +datum=WGS84 +to {*}$utm $geo]] \
    "geod -I" [list exec geod +ellps=WGS84 -I $inv > /dev/null] [list catch [list geod +ellps=WGS84 -I $inv]]]
realPuts [format "%-10s %10s %10s %7s   (%d lines)" program tool ours ratio $lines]
foreach {name tool ours} $cases {
    set t [seconds $tool]
    set o [quiet $ours]
    realPuts [format "%-10s %10.2f %10.2f %7.2f" $name $t $o [expr {$o / $t}]]
}
file delete -force $dir
