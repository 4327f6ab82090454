/*
 * emf_writer.h --
 *
 *	Enhanced metafiles of one picture: an 88-byte header, one
 *	stretch-DIB record holding a bottom-up 24-bit DIB copied with SRCCOPY,
 *	and the end-of-file record. All fields little-endian, fixed width.
 *
 *	     0  EMR_HEADER        type 1, size 88: bounds (device pixels,
 *	                          inclusive), frame (0.01 mm), " EMF" at byte
 *	                          40, version 0x10000, file size, 3 records, 1
 *	                          handle, no description or palette, the
 *	                          reference device in pixels and millimetres
 *	    88  EMR_STRETCHDIBITS type 81: bounds, destination and source
 *	                          rectangles, the BITMAPINFOHEADER at +80 and
 *	                          the rows (bottom row first, 4-byte aligned)
 *	     .  EMR_EOF           type 14, size 20
 */
#ifndef OVEX_WIDGETS_PRINT_EMF_WRITER_H
#define OVEX_WIDGETS_PRINT_EMF_WRITER_H

#include <stdint.h>

#include <vector>

/* The reference device: its size in pixels and millimetres. */
struct EmfDevice {
    int widthPixels, heightPixels;
    int widthMM, heightMM;
};

/* The metafile of a width x height picture of 0x00RRGGBB pixels (top row
 * first). The frame is the picture's size in hundredths of a millimetre
 * at the device's resolution, in integer arithmetic, multiplications
 * first. */
std::vector<unsigned char> buildEmf(const uint32_t *pixels, int width, int height,
                                    const EmfDevice &device);

#endif /* OVEX_WIDGETS_PRINT_EMF_WRITER_H */
