/*
 * gl_dem.h --
 *
 *	The height colour ramp of the DEM surface commands.
 */
#ifndef OVEX_GL_GL_DEM_H
#define OVEX_GL_GL_DEM_H

/* The 256 RGB entries from blue (0) through cyan (63), green (127) and
 * yellow (191) to red (255), linear between them. */
void demColorRamp(float ramp[256][3]);

/* The ramp entry of a height between low and high; 0 when they are
 * equal. */
int demRampIndex(float height, float low, float high);

#endif /* OVEX_GL_GL_DEM_H */
