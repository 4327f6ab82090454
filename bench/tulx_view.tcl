# tulx view benchmark, run by wish under Xvfb from the build folder:
#   xvfb-run -a -s "-screen 0 1920x1400x24" wish bench/tulx_view.tcl BUILD_DIR
# A 5000 x 5000 8-bit image in memory shown in an 800 x 600 view beside
# Tk's photo image doing the same work (best of several steps each, same
# run): panning, zooming by 2 and by 1/4, views from a smaller image and
# of a larger size, and the first display of a PGM file.
set build [lindex $argv 0]
set ovexAppScripts {}
load [file join $build libovex.so] Ovex
set dir [file join [pwd] bench-tulx-[pid]]
file mkdir $dir
cd $dir
wm geometry . 1900x1350+0+0

proc pgm {name side} {
    set row {}
    for {set c 0} {$c < $side} {incr c} {append row [binary format c [expr {($c * 7) & 255}]]}
    set f [open $name wb]
    puts -nonewline $f "P5\n$side $side\n255\n"
    for {set r 0} {$r < $side} {incr r} {
        puts -nonewline $f [string range $row [expr {$r % 64}] end][string range $row 0 [expr {$r % 64 - 1}]]
    }
    close $f
}
pgm big.pgm 5000
pgm small.pgm 1000

# Milliseconds of the best of n runs of script (each followed by a redraw).
proc best {n script} {
    set best 1e30
    for {set i 0} {$i < $n} {incr i} {
        set us [lindex [time {uplevel #0 $script; update idletasks}] 0]
        set best [expr {min($best, $us / 1000.0)}]
    }
    return $best
}
proc row {what ours peer} {
    puts [format "%-44s %9.2f ms %9.2f ms  ratio %.2f" $what $ours $peer [expr {$ours / $peer}]]
}

# First display of a file: ours in an 800 x 600 view, the photo whole.
# The toplevel is mapped first: its first showing (a few hundred ms under
# Xvfb) would otherwise be charged to whichever side displays first, and
# so would the process's first label (tens of ms for an 8 x 8 photo).
update
image create photo warmUp -width 8 -height 8
label .warmUp -image warmUp -bd 0
place .warmUp -x 0 -y 0
update
destroy .warmUp
image delete warmUp
update
set t0 [clock microseconds]
image create tulx first -file [file join $dir big.pgm] -maxw 800 -maxh 600
label .first -image first -bd 0
place .first -x 0 -y 0
update
set oursFirst [expr {([clock microseconds] - $t0) / 1000.0}]
destroy .first
image delete first
# The photo reads what the view shows and no more (read -from: Tk's PGM
# reader stops after the last row asked for), as tulx reads only those rows.
set t0 [clock microseconds]
image create photo firstView -width 800 -height 600
firstView read big.pgm -from 0 0 800 600
label .firstPhoto -image firstView -bd 0
place .firstPhoto -x 0 -y 0
update
set peerFirst [expr {([clock microseconds] - $t0) / 1000.0}]
destroy .firstPhoto
image delete firstView
image create photo firstPhoto -file big.pgm

rimage open big [file join $dir big.pgm]
rimage open small [file join $dir small.pgm]
image create tulx view -file big -maxw 800 -maxh 600
view resident
label .ours -image view -bd 0
place .ours -x 0 -y 0
image create photo peerView -width 800 -height 600
label .peer -image peerView -bd 0
place .peer -x 1000 -y 0
update

set step 0
set ours [best 20 {view configure -sc [expr {(100 * [incr ::step]) % 4000}] -sr [expr {(77 * $::step) % 4000}]}]
set step 0
set peer [best 20 {peerView copy firstPhoto -from [expr {(100 * [incr ::step]) % 4000}] [expr {(77 * $::step) % 4000}] [expr {(100 * $::step) % 4000 + 800}] [expr {(77 * $::step) % 4000 + 600}]}]
row "pan 800x600" $ours $peer

set ours [best 10 {view magnify 1 1 1; view magnify 2 2 1}]
set ours [expr {$ours / 2}]
set peer [best 10 {peerView blank; peerView copy firstPhoto -from 0 0 400 300 -zoom 2}]
row "zoom x2 (magnify)" $ours $peer
set ours [best 10 {view magnify 1 1 1; view magnify 0.25 0.25 1}]
set ours [expr {$ours / 2}]
set peer [best 10 {peerView blank; peerView copy firstPhoto -from 0 0 3200 2400 -subsample 4}]
row "zoom x1/4 (magnify)" $ours $peer
view magnify 1 1 1

view configure -sr 0
set big [best 20 {view configure -sc [expr {[incr ::step] % 2}]}]
view configure -file small
update
set smallView [best 20 {view configure -sc [expr {[incr ::step] % 2}]}]
puts [format "%-44s %9.2f ms %9.2f ms  ratio %.2f" "800x600 from 5000^2 vs from 1000^2" $big $smallView [expr {$big / $smallView}]]
view configure -file big -maxw 1600 -maxh 1200
set large [best 20 {view configure -sc [expr {[incr ::step] % 2}]}]
puts [format "%-44s %9.2f ms %9.2f ms  ratio %.2f" "1600x1200 vs 800x600 (5000^2)" $large $big [expr {$large / $big}]]
row "first display of a 5000^2 PGM" $oursFirst $peerFirst

cd /
file delete -force $dir
exit 0
