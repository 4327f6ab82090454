shape.create fields -file $data/fields.shp
puts "[fields count] [fields type] records"
# A shapefile's .prj is neither read nor written: say what the points are.
fields projdef {proj=utm zone=33 datum=WGS84}
fields projection inverse                  ;# to longitude/latitude in degrees
puts [lrange [lindex [fields vertex 0] 0] 0 1]
fields save $out/fields_lonlat.shp
fields projection {proj=utm zone=34 datum=WGS84}
fields save $out/fields_utm34.shp
fields close
