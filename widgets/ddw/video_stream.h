/*
 * video_stream.h --
 *
 *	Video files played into a ddw window: a stream decodes frames on
 *	demand and puts them, scaled to the window, on its primary surface.
 *	Positions and durations are seconds. The decoder (FFmpeg) is loaded
 *	with the first stream opened.
 */
#ifndef OVEX_WIDGETS_DDW_VIDEO_STREAM_H
#define OVEX_WIDGETS_DDW_VIDEO_STREAM_H

#include "widgets/ddw/dd_x11.h"

struct VideoStream;

/* Why no video can be played at all (the decoder module or FFmpeg could
 * not be loaded), or NULL once it is loaded. The first call loads it. */
const char *videoUnavailable(void);
/* A stream of the file for the window, or NULL when it cannot be played. */
struct VideoStream *createStreamSample(const char *file, DdPrimary *primary);
void freeStreamSample(struct VideoStream *stream);
/* Palette entries of the stream written to rgb (768 bytes): 0 for none. */
int streamPalette(struct VideoStream *stream, unsigned char *rgb);
/* Shows the frame at position and stays paused there. */
void streamPause(struct VideoStream *stream, DdPrimary *primary, double position);
/* Starts the clock at position; -1 (stop) and -2 (closing) stop it. */
void streamSeek(struct VideoStream *stream, double position);
/* 0 at the end, 2 while the next frame is not due, else 1 after drawing
 * a frame. */
int updateStreamSample(struct VideoStream *stream, DdPrimary *primary);
/* Repaints the current frame. */
void updateSurface(struct VideoStream *stream, DdPrimary *primary);
double streamClock(struct VideoStream *stream);
/* 1 while the clock runs. */
int streamPlaying(struct VideoStream *stream);
double streamDuration(struct VideoStream *stream);
double streamFrametime(struct VideoStream *stream);
void streamRect(struct VideoStream *stream, int *width, int *height);
/* Width, height, source bits per pixel, frame count (0 when unknown). */
void streamImageInfo(struct VideoStream *stream, int info[4]);

#endif /* OVEX_WIDGETS_DDW_VIDEO_STREAM_H */
