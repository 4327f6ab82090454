# Canvas print benchmark, run by wish under Xvfb from the build folder:
#   xvfb-run -a wish bench/print_page.tcl BUILD_DIR
# printer canvas of a 600 x 900 canvas with 2000 items, fitted on one A4
# ovex-pdf page, beside a C program painting the same size of raster into
# an A4 cairo PDF page (best of five each, same run).
set build [lindex $argv 0]
set ovexAppScripts {}
load [file join $build libovex.so] Ovex
set dir [file join [pwd] bench-print-[pid]]
file mkdir $dir
cd $dir
canvas .c -width 600 -height 900 -bg white -highlightthickness 0
pack .c
expr {srand(7)}
for {set i 0} {$i < 2000} {incr i} {
    set x [expr {int(rand() * 580)}]
    set y [expr {int(rand() * 880)}]
    set colour [format #%02x%02x%02x [expr {int(rand()*256)}] [expr {int(rand()*256)}] [expr {int(rand()*256)}]]
    if {$i % 2} {
        .c create rectangle $x $y [expr {$x + 20}] [expr {$y + 20}] -fill $colour
    } else {
        .c create oval $x $y [expr {$x + 20}] [expr {$y + 20}] -fill $colour
    }
}
update
printer interactive 0
set best 1e30
for {set round 0} {$round < 5} {incr round} {
    set us [lindex [time {printer canvas .c 0 0 0 599 899}] 0]
    set best [expr {min($best, $us / 1000.0)}]
}
set peer [exec [file join $build bench ovex_bench_print_peer] [file join $dir peer.pdf] 600 900]
puts [format "printer canvas 600x900, 2000 items, A4 ovex-pdf: %.1f ms; cairo C peer: %.1f ms; ratio %.2f (target <= 2.0)" \
    $best $peer [expr {$best / $peer}]]
cd ..
file delete -force $dir
exit
