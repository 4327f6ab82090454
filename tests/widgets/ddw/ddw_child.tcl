# Child of ddw-tk.test: run by wish on a nested Xvfb of the depth under
# test; prints one result per line, then exits.
source [file join [file dirname [info script]] ddw_helpers.tcl]
ovexLoad
cd [ovexTempDir]
wm geometry . 300x300+0+0
proc report {args} {puts stdout $args; flush stdout}

report depth [winfo depth .]
memoryImage c {{{255 0 200 0}} {{0 0 100 255}} {{0 255 30 128}}}
ddwShow .d c -comb 1/2/3 -std 0
report ddsd [.d ddsd]
report colour [lindex [shown .d all] 0]
memoryImage g {{{0 110 255}}}
ddwShow .g g -std 0
report grey [lindex [shown .g all] 0]
rimage open p [paletteGif [file join [pwd] p.gif]]
ddwShow .p p -std 0
report gif [lindex [shown .p all] 0]
set pal [.d getpal]
report getpal [llength $pal] [lindex $pal 0] [lindex $pal 1]
set clip [writeRawAvi [file join [pwd] clip.avi] 8 6 10 10]
ddw .v -width 8 -height 6 -video $clip
place .v -x 0 -y 0
update
.v video 0.5
report video [lindex [shown .v all] 0 0]
destroy .d .g .p .v
closeImages
cd /
file delete -force $::ovexScratch
exit 0
