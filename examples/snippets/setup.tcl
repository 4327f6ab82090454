lappend auto_path build                    ;# the build folder, unless installed
package require Ovex
set data [file normalize examples/data]    ;# the bundled scene, DEM and shapefile
set out [file normalize build/first-steps] ;# where the snippets write
file mkdir $out
