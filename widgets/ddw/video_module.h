/*
 * video_module.h --
 *
 *	The boundary between libovex.so and libovex_video.so, the module
 *	that plays video through FFmpeg. The library loads the module with
 *	dlopen when the first video is opened, so that FFmpeg and the many
 *	libraries it pulls in cost nothing to programs that never play one.
 *	Both sides are plain C tables: the host gives the module the few
 *	library services it needs, the module answers with its operations.
 *	The module is built with the library and the two must agree on
 *	OVEX_VIDEO_ABI (the layouts of DdPrimary and DdSurface included).
 */
#ifndef OVEX_WIDGETS_DDW_VIDEO_MODULE_H
#define OVEX_WIDGETS_DDW_VIDEO_MODULE_H

#include <stddef.h>

#include "widgets/ddw/dd_x11.h"

#define OVEX_VIDEO_ABI 1
#define OVEX_VIDEO_MODULE_FILE "libovex_video.so"
#define OVEX_VIDEO_MODULE_ENTRY "ovexVideoModule"

struct VideoStream;

/* Library services the module calls back into. */
typedef struct OvexVideoHost {
    int abi;
    void *(*alloc)(size_t size);
    void (*release)(void *block);
    int (*createSurface)(DdPrimary *primary, DdSurface *surface, int width, int height);
    void (*freeSurface)(DdPrimary *primary, DdSurface *surface);
    int (*put)(DdPrimary *primary, DdSurface *surface);
    void (*console)(const char *text);    /* a message for the console */
} OvexVideoHost;

/* The module's operations: the functions of video_stream.h, for a
 * non-NULL stream except open. */
typedef struct OvexVideoOps {
    int abi;
    struct VideoStream *(*open)(const char *file, DdPrimary *primary);
    void (*close)(struct VideoStream *stream);
    int (*palette)(struct VideoStream *stream, unsigned char *rgb);
    void (*pause)(struct VideoStream *stream, DdPrimary *primary, double position);
    void (*seek)(struct VideoStream *stream, double position);
    int (*update)(struct VideoStream *stream, DdPrimary *primary);
    void (*repaint)(struct VideoStream *stream, DdPrimary *primary);
    double (*clock)(struct VideoStream *stream);
    int (*playing)(struct VideoStream *stream);
    double (*duration)(struct VideoStream *stream);
    double (*frametime)(struct VideoStream *stream);
    void (*rect)(struct VideoStream *stream, int *width, int *height);
    void (*imageInfo)(struct VideoStream *stream, int info[4]);
} OvexVideoOps;

/* The module's one exported function: its operations for the host, or
 * NULL when the host's ABI differs. The host outlives every call. */
typedef const OvexVideoOps *(*OvexVideoEntry)(const OvexVideoHost *host);

#endif /* OVEX_WIDGETS_DDW_VIDEO_MODULE_H */
