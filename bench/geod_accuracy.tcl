# Accuracy of our geod command beside PROJ's geod (Karney's method, taken
# as exact) on random WGS84 lines, in bins of length: up to 1,000 km,
# 1,000-10,000 km, 10,000-19,000 km, and near-antipodal lines (second
# point within a degree of the first one's antipode). For each bin:
#   inverse: largest distance error, largest forward-azimuth error;
#   direct:  largest distance between our end point and PROJ's, largest
#            error of the back azimuth.
# A measuring tool, not a timed test.
#   tclsh bench/geod_accuracy.tcl build-folder ?lines-per-bin? ?seed?
set build [lindex $argv 0]
set count [expr {[llength $argv] > 1 ? [lindex $argv 1] : 2000}]
set seed [expr {[llength $argv] > 2 ? [lindex $argv 2] : 36}]
set ovexAppScripts {}
load [file join $build libovex.so] Ovex

set dir [file join /tmp ovex-geod-accuracy-[pid]]
file mkdir $dir
set ellps +ellps=WGS84
set angles {-f %.12f}
set lengths {-F %.6f}

proc writeLines {name lines} {
    set path [file join $::dir $name]
    set f [open $path w]
    puts $f [join $lines \n]
    close $f
    return $path
}

# PROJ's geod on a file: its lines as lists of numbers.
proc tool {args} {
    lmap line [split [string trim [exec geod {*}$args]] \n] {string map {\t " "} $line}
}

# Our geod command on a file, its console output caught.
proc ours {args} {
    set ::caught {}
    rename ::puts ::realPuts
    proc ::puts args {
        append ::caught [lindex $args end]
        if {[lindex $args 0] ne "-nonewline"} {append ::caught \n}
    }
    catch {geod {*}$args}
    rename ::puts {}
    rename ::realPuts ::puts
    lmap line [split [string trim $::caught] \n] {string map {\t " "} $line}
}

proc azimuthError {a b} {
    set d [expr {fmod(abs($a - $b), 360.0)}]
    expr {$d > 180 ? 360 - $d : $d}
}

proc lengthText {metres} {
    if {$metres >= 1000} {return [format "%.1f km" [expr {$metres / 1000}]]}
    if {$metres >= 1} {return [format "%.2f m" $metres]}
    format "%.2f mm" [expr {$metres * 1000}]
}

proc angleText {degrees} {
    if {$degrees >= 1} {return [format "%.1f deg" $degrees]}
    format "%.4f\"" [expr {$degrees * 3600}]
}

expr {srand($seed)}
set pi [expr {acos(-1)}]
proc randomLatitude {} {expr {asin(2 * rand() - 1) * 180 / $::pi}}
proc randomLongitude {} {expr {360 * rand() - 180}}

set bins {
    {"up to 1,000 km" 1e3 1e6}
    {"1,000-10,000 km" 1e6 1e7}
    {"10,000-19,000 km" 1e7 1.9e7}
    {"near-antipodal" {} {}}
}
puts [format "%-18s %6s | %-12s %-12s | %-12s %-12s" bin lines \
    "inverse ds" "inverse az" "direct end" "direct az2"]
foreach bin $bins {
    lassign $bin name shortest longest
    # First points and second points, with PROJ's azimuth and distance.
    set firsts {}
    set seconds {}
    if {$shortest ne ""} {
        set starts {}
        for {set i 0} {$i < $count} {incr i} {
            set lat [randomLatitude]
            set lon [randomLongitude]
            set s [expr {$shortest + ($longest - $shortest) * rand()}]
            lappend firsts [list $lat $lon]
            lappend starts "$lat $lon [expr {360 * rand() - 180}] $s"
        }
        set ends [tool $ellps {*}$angles {*}$lengths [writeLines starts.txt $starts]]
        set seconds [lmap e $ends {lrange $e 0 1}]
    } else {
        for {set i 0} {$i < $count} {incr i} {
            set lat [randomLatitude]
            set lon [randomLongitude]
            lappend firsts [list $lat $lon]
            set lat2 [expr {-$lat + 2 * rand() - 1}]
            set lon2 [expr {$lon + 180 + 2 * rand() - 1}]
            if {abs($lat2) > 90} {
                # Over the pole: the same point seen from the other side.
                set lat2 [expr {$lat2 > 0 ? 180 - $lat2 : -180 - $lat2}]
                set lon2 [expr {$lon2 + 180}]
            }
            if {$lon2 > 180} {set lon2 [expr {$lon2 - 360}]}
            lappend seconds [list $lat2 $lon2]
        }
    }
    set pairs [lmap a $firsts b $seconds {concat $a $b}]
    set pairFile [writeLines pairs.txt $pairs]
    set exact [tool $ellps -I {*}$angles {*}$lengths $pairFile]
    set mine [ours $ellps -I {*}$angles {*}$lengths $pairFile]

    # Inverse: distance and forward azimuth.
    set worstS 0
    set worstAz 0
    foreach e $exact m $mine {
        set worstS [expr {max($worstS, abs([lindex $e 2] - [lindex $m 2]))}]
        set worstAz [expr {max($worstAz, [azimuthError [lindex $e 0] [lindex $m 0]])}]
    }

    # Direct from PROJ's azimuth and distance: end point and back azimuth.
    set directs [lmap a $firsts e $exact {concat $a [lindex $e 0] [lindex $e 2]}]
    set mineEnds [ours $ellps {*}$angles {*}$lengths [writeLines direct.txt $directs]]
    set gaps [lmap b $seconds m $mineEnds {concat $b [lrange $m 0 1]}]
    set misses [tool $ellps -I {*}$angles {*}$lengths [writeLines gaps.txt $gaps]]
    set worstEnd 0
    set worstBack 0
    foreach g $misses e $exact m $mineEnds {
        set worstEnd [expr {max($worstEnd, [lindex $g 2])}]
        set worstBack [expr {max($worstBack, [azimuthError [lindex $e 1] [lindex $m 2]])}]
    }
    puts [format "%-18s %6d | %-12s %-12s | %-12s %-12s" $name [llength $pairs] \
        [lengthText $worstS] [angleText $worstAz] [lengthText $worstEnd] [angleText $worstBack]]
}
file delete -force $dir
