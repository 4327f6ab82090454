# tulx dump benchmark, run by wish under Xvfb from the build folder:
#   xvfb-run -a -s "-screen 0 1920x1400x24" wish bench/tulx_dump.tcl BUILD_DIR
# A 1600 x 1200 view of a resident 5000 x 5000 8-bit image dumped to a
# 24-bit TIFF (5.76 MB uncompressed) beside Tk's photo image copying the
# same view out of the whole image and writing it as a binary PPM (also
# 5.76 MB); best of several runs each, same run, ratio printed.
set build [lindex $argv 0]
set ovexAppScripts {}
load [file join $build libovex.so] Ovex
set dir [file join [pwd] bench-dump-[pid]]
file mkdir $dir
cd $dir

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

proc best {n script} {
    set best 1e30
    for {set i 0} {$i < $n} {incr i} {
        set us [lindex [time {uplevel #0 $script}] 0]
        set best [expr {min($best, $us / 1000.0)}]
    }
    return $best
}
proc row {what ours peer} {
    puts [format "%-44s %9.2f ms %9.2f ms  ratio %.2f" $what $ours $peer [expr {$ours / $peer}]]
}

rimage open big [file join $dir big.pgm]
image create tulx view -file big -maxw 1600 -maxh 1200 -sc 1000 -sr 1000
view resident
label .ours -image view -bd 0
place .ours -x 0 -y 0
update
image create photo whole -file big.pgm
image create photo peerView -width 1600 -height 1200

puts [format "%-44s %12s %12s" "" ours "Tk photo"]
set ours [best 5 {view dump ours.tif TIFF 24 1}]
set peer [best 5 {
    peerView copy whole -from 1000 1000 2600 2200
    peerView write peer.ppm -format ppm
}]
row "1600x1200 view to a 24-bit file" $ours $peer
puts [format "sizes: ours %d bytes, peer %d bytes" [file size ours.tif] [file size peer.ppm]]
view rotate right
set ours [best 3 {view dump ours.tif TIFF 24 1}]
row "the same, turned a quarter (peer unturned)" $ours $peer

file delete -force $dir
exit
