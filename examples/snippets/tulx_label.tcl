package require Tk
# Bands 3, 2 and 1 (red, green, blue) in colour, through an 8/8/4 palette.
image create tulx scene -file $data/sample.img -comb 3/2/1 -palette 8/8/4
label .scene -image scene -bd 0
pack .scene
# The same view stretched: linear over each band's mean +/- 2.5 std.
scene configure -func LINEAR -range MEAN -std 2.5
