# A lat/long definition is degrees, written into the records ...
shape.create site
site initialize POINT
site addrecord {500000 4650000}
site projdef {proj=utm zone=33 datum=WGS84}
site projection {proj=longlat datum=WGS84}
puts [site vertex 0]                       ;# -> {15 42.0020154683}
# ... and read from them; between two datums the shift is applied.
site projection {proj=utm zone=33 ellps=intl towgs84=-87,-98,-121}
puts [site vertex 0]                       ;# -> {500072.115157 4650189.89166}
site close

# The fields of a definition (info) are the library's: angles in radians.
proj.create zone33
zone33 projconfigure -projdef {proj=utm zone=33 datum=WGS84}
puts [lindex [zone33 info] 2]              ;# lam0 0.261799 (15 degrees)
zone33 close
