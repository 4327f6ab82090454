# Child of tulx_screens-tk.test: run by wish on a nested Xvfb of the
# depth under test; prints one result per line, then exits.
source [file join [file dirname [info script]] .. testlib.tcl]
ovexLoad
source [file join [file dirname [info script]] tulx_helpers.tcl]
cd [ovexTempDir]
wm geometry . 300x300+0+0
proc report {args} {puts stdout $args; flush stdout}

report depth [winfo depth .]
memoryImage g {{{0 110 255}}}
image create tulx grey -file g
showIn .l grey
report grey [grey cget -palette] [shown .l all]

memoryImage c {{{255 0 200}} {{0 0 100}} {{0 255 30}}}
image create tulx colour -file c -comb 1/2/3 -palette 8/8/8
showIn .m colour
set pixels [shown .m all]
report colour [colour cget -palette] $pixels [lindex $pixels 0 0]

# A palette GIF: red, green, blue entries.
set gif [binary format a6ssccc GIF89a 3 1 0x81 0 0]
append gif [binary format c12 {255 0 0 0 255 0 0 0 255 0 0 0}]
append gif [binary format cssssc 0x2c 0 0 3 1 0]
# LZW, code size 2: clear 4, 0, 1, 2 in 3-bit codes, end 5 in 4 bits.
append gif [binary format c7 {2 2 0x44 0x54 0 0x3b 0}]
set f [open p.gif wb]; puts -nonewline $f [string range $gif 0 end-1]; close $f
image create tulx pal -file [file join [pwd] p.gif]
showIn .n pal
report gif [pal cget -layer] [shown .n all]

set held [tulx palette PSEUDO]
set listed [llength [tulx palette list]]
report cells $listed [llength [tulx palette query 4]] [catch {tulx palette bogus} m] $m
tulx palette free
report freed [tulx palette list]
cd /
file delete -force $::ovexScratch
exit 0
