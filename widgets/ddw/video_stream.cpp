/*
 * video_stream.cpp --
 *
 *	Video streams of ddw, played by libovex_video.so (FFmpeg). The
 *	module is loaded when the first stream is opened, from the folder of
 *	the library; until then no FFmpeg library is mapped. When it cannot
 *	be loaded every stream fails to open and videoUnavailable says why.
 */
#include "widgets/ddw/video_stream.h"

#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

#include "core/gmem.h"
#include "ovex/ovexstdio.h"
#include "platform/library_folder.h"
#include "widgets/ddw/video_module.h"

static const OvexVideoOps *ops;     /* NULL until the module is loaded */
static int loadTried;
static char failure[512];

static void consoleText(const char *text)
{
    ovex_fputs(text, stderr);
}

static const OvexVideoHost host = {
    OVEX_VIDEO_ABI, gmemAlloc, gmemFree, ddCreateSurface, ddFreeSurface, ddPut, consoleText,
};

#ifdef OVEX_VIDEO
static void loadModule(void)
{
    std::string pathName = besideLibrary(OVEX_VIDEO_MODULE_FILE);
    const char *path = pathName.c_str();
    /* Kept loaded for the life of the process: FFmpeg keeps state. */
    void *module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (module == NULL) {
        const char *why = dlerror();
        snprintf(failure, sizeof(failure), "Error in loading video playback: %s",
                 why != NULL ? why : path);
    } else {
        OvexVideoEntry entry = (OvexVideoEntry)dlsym(module, OVEX_VIDEO_MODULE_ENTRY);
        ops = entry != NULL ? entry(&host) : NULL;
        if (ops == NULL) {
            snprintf(failure, sizeof(failure),
                     "Error in loading video playback: %s does not belong to this library", path);
            dlclose(module);
        }
    }
}
#else
static void loadModule(void)
{
    snprintf(failure, sizeof(failure),
             "Error in loading video playback: this library was built without FFmpeg");
}
#endif

const char *videoUnavailable(void)
{
    if (!loadTried) {
        loadTried = 1;
        loadModule();
    }
    return ops == NULL ? failure : NULL;
}

struct VideoStream *createStreamSample(const char *file, DdPrimary *primary)
{
    return videoUnavailable() == NULL ? ops->open(file, primary) : NULL;
}

/* A stream exists only once the module is loaded: each call below is
 * handed on for a stream and answers "none" for NULL. */

void freeStreamSample(struct VideoStream *stream)
{
    if (stream != NULL) {
        ops->close(stream);
    }
}

int streamPalette(struct VideoStream *stream, unsigned char *rgb)
{
    return stream != NULL ? ops->palette(stream, rgb) : 0;
}

void streamPause(struct VideoStream *stream, DdPrimary *primary, double position)
{
    if (stream != NULL) {
        ops->pause(stream, primary, position);
    }
}

void streamSeek(struct VideoStream *stream, double position)
{
    if (stream != NULL) {
        ops->seek(stream, position);
    }
}

int updateStreamSample(struct VideoStream *stream, DdPrimary *primary)
{
    return stream != NULL ? ops->update(stream, primary) : 0;
}

void updateSurface(struct VideoStream *stream, DdPrimary *primary)
{
    if (stream != NULL) {
        ops->repaint(stream, primary);
    }
}

double streamClock(struct VideoStream *stream)
{
    return stream != NULL ? ops->clock(stream) : 0.0;
}

int streamPlaying(struct VideoStream *stream)
{
    return stream != NULL ? ops->playing(stream) : 0;
}

double streamDuration(struct VideoStream *stream)
{
    return stream != NULL ? ops->duration(stream) : 0.0;
}

double streamFrametime(struct VideoStream *stream)
{
    return stream != NULL ? ops->frametime(stream) : 0.0;
}

void streamRect(struct VideoStream *stream, int *width, int *height)
{
    if (stream != NULL) {
        ops->rect(stream, width, height);
    } else {
        *width = *height = 0;
    }
}

void streamImageInfo(struct VideoStream *stream, int info[4])
{
    if (stream != NULL) {
        ops->imageInfo(stream, info);
    } else {
        info[0] = info[1] = info[2] = info[3] = 0;
    }
}
