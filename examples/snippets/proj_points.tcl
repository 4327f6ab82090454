# A projection object: longitude and latitude in degrees to UTM and back.
proj.create utm33
utm33 projconfigure -projdef {proj=utm zone=33 datum=WGS84}
puts [utm33 project 15 42]                 ;# lon lat -> 500000 4649776.22482
utm33 projconfigure -inv 1
puts [utm33 project 500000 4650000]        ;# x y -> 15 42.0020154683
utm33 close

# A coordinate-system object: between any two systems, datums included.
cs2cs.create toLatlong
toLatlong csconfigure -ics {proj=utm zone=33 datum=WGS84} \
    -ocs {proj=latlong datum=WGS84} -fmt %.6f
puts [toLatlong cs2cs 500000 4650000 0]    ;# -> 15.000000 42.002015 0.000000
toLatlong close
