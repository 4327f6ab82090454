# A GeoTIFF to start from: the bundled scene written as one.
rimage copy -in $data/sample.img -out $out/scene.tif -imgid GEOTIFF

set img [rimage open $out/scene.tif]       ;# answers a tag such as rimg0
puts "[rimage cget $img -columns] x [rimage cget $img -rows] pixels,\
      [rimage cget $img -nbands] bands of [rimage cget $img -pixel]"
puts "[rimage cget $img -mapid], corner [rimage cget $img -x0]\
      [rimage cget $img -y0], [rimage cget $img -dx] m pixels"
set band 0
foreach stats [rimage hist -imgid $img -list stats] {
    lassign $stats std mean min max
    puts [format "band %d: mean %.1f std %.1f range %g-%g" [incr band] $mean $std $min $max]
}
# One pixel, every band: a view bound to the file by its name.
rimage bind -file $out/scene.tif -obj pixels
puts "column 90 row 25: [pixels vget 90 25 {1 2 3 4}]"
rename pixels {}

# NDVI (band 4 near infrared, band 3 red) into a one-band float GeoTIFF.
rimage copy -in $img -out $out/ndvi.tif -imgid GEOTIFF -pixel FLOAT -nbands 1 -b 1:1
rimage calc -in $img -out $out/ndvi.tif -f NRATIO -b 4,3 -ob 1
rimage close $img
