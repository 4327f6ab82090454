# demo.tcl -- loads Ovex from a build folder and shows what it registered.
#
#   tclsh examples/demo.tcl ?buildDir?

set buildDir [expr {$argc > 0 ? [lindex $argv 0] : "build"}]
set auto_path [linsert $auto_path 0 [file normalize $buildDir]]

set before [info commands]
set version [package require Ovex]
puts "Ovex $version loaded (home: $tulxHome)"
puts "Packages: glw [package present glw], TK_DIRECTX [package present TK_DIRECTX],\
      TK_PRINTER [package present TK_PRINTER]"

set added {}
foreach c [lsort [info commands]] {
    if {$c ni $before} {lappend added $c}
}
puts "[llength $added] commands registered:"
puts "  [join $added {, }]"

# Output of the library goes through the console interpreter: here, puts.
puts "ovex version: [ovex version]"
puts "ovex.listconcat {a b {c d}}: [ovex.listconcat {a b {c d}}]"
