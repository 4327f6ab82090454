package require Tk
set img [rimage open $data/sample.img]
# Bands 3, 2, 1 as red, green, blue, as they are: no stretch (-std 0).
ddw .photo -image $img -width 128 -height 96 -comb 3/2/1 -std 0
pack .photo
